// The data module's editing rules: defaults of new records, the status that
// records what the user changed, the protection of delivered records, the
// confirmation and cascade of deletes, and the engine's refusals turned into
// Dutch messages. They hang on the views, so they hold for every window.
#include "TDMod.h"

#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "engine/DataSource.h"
#include "engine/EngineError.h"
#include "engine/TableView.h"

namespace kasplan {

using db::DataAction;
using db::EngineError;
using db::Field;

namespace {

const QString kStatus = QStringLiteral("Status");
const QString kStandard = QStringLiteral("DLV/LBO");
const QString kAdded = QStringLiteral("Toegevoegd");
const QString kAddedChanged = QStringLiteral("Toeg.\\Aangep.");
const QString kChanged = QStringLiteral("Aangepast");
const QString kNameChanged = QStringLiteral("Naam Aangep.");

const QString kEditBlocked =
    QStringLiteral("Error KP 2\r\nStandaard DLV/LBO cultivar records kunnen niet bewerkt\r\n"
                   "worden, alleen door u toegevoegde records (zie instellingen).\r\n"
                   "Hint: maak eerst een copie (\"C\" knop) en bewerk dan de copie!");
const QString kSizeEmpty = QStringLiteral("Error KP 8\r\nZift moet ingevuld zijn");
const QString kCultivarExists =
    QStringLiteral("Error KP 3\r\nCultivarnaam - Herkomst combinatie bestaat reeds;\r\n"
                   "wijzig Cultivarnaam en/of Herkomst of klik op Cancel!");
const QString kInvalidNumber =
    QStringLiteral("Error KP 4\r\nOngeldig getal of waarde in cultivar gegevens");
const QString kNegative = QStringLiteral("Error GEN 1\r\nGetal moet groter of gelijk zijn aan nul");
const QString kSizeExists =
    QStringLiteral("Error KP 11\r\nZift bestaat reeds;\r\nwijzig Zift of druk op Escape\r\n"
                   "of Annuleer wijziging (knopje boven tabel)!");
const QString kSizeHasHarvest = QStringLiteral(
    "Error KP 12\r\nKan Zift niet aanpassen als er\r\nstandaard oogstgegevens ingevuld zijn\r\n"
    "verwijder eerst alle Std. Oogstgegevens\r\nindien u dit Zift wilt wijzigen, of\r\n"
    "verwijder Zift en maak opnieuw aan.");
const QString kSizeInUse =
    QStringLiteral("Error KPP 15\r\nKan Zift niet verwijderen,\ris ingebruik in %1.");
const QString kConfirmDelete = QStringLiteral("Weet u zeker dat u deze %1 wilt verwijderen?\r\n"
                                              "Zo ja: druk op \"Ok\", zo nee: druk op \"Cancel\".");

const QString kLockTail = QStringLiteral("is gelocked en wordt bewerkt door gebruiker: %1\r\n"
                                         "Cultivar- en voorraadgegevens kunnen niet worden "
                                         "aangepast.");

QString text(db::DataSet& view, const char* field)
{
    return view.fieldByName(QLatin1String(field))->asString();
}

bool startsWith(const EngineError& error, const char* prefix)
{
    return error.text().startsWith(QLatin1String(prefix));
}

// The engine's error, with the handler's text in place of its own.
[[noreturn]] void replaceError(const EngineError& error, const QString& text)
{
    throw EngineError(error.kind(), text);
}

// The locking user as the engine names it: what follows "User: ".
QString lockingUser(const QString& text)
{
    const int at = text.indexOf(QLatin1String("User:"));
    return at < 0 ? QString() : text.mid(at + 6, 100);
}

bool isLock(const EngineError& error)
{
    return error.text().toUpper().contains(QLatin1String("LOCKED"));
}

// Searches the view for a size beginning with "All", letter case ignored.
bool locateAllSize(db::DataSet& view)
{
    return view.locate({QStringLiteral("Size")}, {QStringLiteral("All")},
                       db::DataSet::CaseInsensitive | db::DataSet::PartialKey);
}

// Deletes the records the view shows, one by one; a refusal stops it.
void deleteAll(db::DataSet& view)
{
    while (view.isActive() && !view.isEmpty()) {
        view.first();
        view.deleteRecord();
    }
}

} // namespace

bool TDMod::IsStandardRecord(const QString& status)
{
    return status.isEmpty() || status == kStandard;
}

bool TDMod::IsProtectedField(const Field* field)
{
    static const QStringList cdata = {"Cultivar", "Hoofdgroep", "Source"};
    static const QStringList csizes = {"Cultivar", "Size",  "Source", "DnaG20", "Dk_p1", "Dk_p2",
                                       "Dk_p3",    "Dk_p4", "Kd_p1",  "Kd_p2",  "Kd_p3", "Kd_p4"};
    const auto* view = field ? qobject_cast<const db::TableView*>(field->dataSet()) : nullptr;
    if (!view)
        return false;
    if (view->tableName().compare(QLatin1String("Cdata"), Qt::CaseInsensitive) == 0)
        return cdata.contains(field->fieldName(), Qt::CaseInsensitive);
    if (view->tableName().compare(QLatin1String("Csizes"), Qt::CaseInsensitive) == 0)
        return csizes.contains(field->fieldName(), Qt::CaseInsensitive);
    return false;
}

bool TDMod::IsEditBlocked(const Field* field) const
{
    if (!IsProtectedField(field) || m_InternalEdit || CanDelEditStdRecs())
        return false;
    const Field* status = field->dataSet()->findField(kStatus);
    return status && IsStandardRecord(status->asString());
}

bool TDMod::CanDelEditStdRecs() const
{
    return CanDelEditStdRecsHook ? CanDelEditStdRecsHook()
                                 : TZHRegistry::current().ReadBool(Setting::CanDelEditStdRecs);
}

int TDMod::StdOogstTypeDefault() const
{
    return StdOogstTypeHook ? StdOogstTypeHook()
                            : TZHRegistry::current().ReadInteger(Setting::StdOogstType);
}

bool TDMod::cultivarWindowExists() const
{
    return CultivarWindowExistsHook && CultivarWindowExistsHook();
}

bool TDMod::cultivarWindowVisible() const
{
    return CultivarWindowVisibleHook && CultivarWindowVisibleHook();
}

int TDMod::SizeQtyUnit(const QString& size) const
{
    if (!m_tbSizes->isActive())
        return 0;
    const QVariant unit =
        m_tbSizes->lookup({QStringLiteral("Size")}, {size}, QStringLiteral("QtyUnit"));
    return unit.isNull() ? 0 : unit.toInt();
}

void TDMod::installEditingRules()
{
    m_dsCdata->handlers().onDataChange = [this](db::DataSource&, Field* f) {
        dsCdataDataChange(f);
    };
    m_dsCdataCopy->handlers().onDataChange = m_dsCdata->handlers().onDataChange;
    m_dsCsizes->handlers().onDataChange = [this](db::DataSource&, Field* f) {
        dsCsizesDataChange(f);
    };
    m_dsSizesCopy->handlers().onDataChange = m_dsCsizes->handlers().onDataChange;

    m_tbCdata->events().onNewRecord = [this](db::DataSet&) { tbCdataNewRecord(); };
    m_tbCsizes->events().onNewRecord = [this](db::DataSet&) { tbCsizesNewRecord(); };
    m_tbCsizes->events().beforeInsert = [this](db::DataSet&) {
        if (m_tbCdata->isActive())
            m_tbCdata->checkBrowseMode();
    };
    const auto stdOogstBeforeInsert = [this](db::DataSet&) {
        if (m_tbCdata->isActive())
            m_tbCdata->checkBrowseMode();
        if (m_tbSizes->isActive())
            m_tbSizes->checkBrowseMode();
    };
    m_tbCstdOogst->events().beforeInsert = stdOogstBeforeInsert;
    m_tbCstdOogstCopy->events().beforeInsert = stdOogstBeforeInsert;
    m_tbCdata->events().afterInsert = [this](db::DataSet&) { tbCdataAfterInsert(); };

    const auto sizeRequired = [](db::DataSet& view) {
        if (text(view, "Size").trimmed().isEmpty()) {
            UserPrompts::current().showError(kSizeEmpty);
            throw db::AbortError();
        }
    };
    m_tbCsizes->events().beforePost = sizeRequired;
    m_tbSizes->events().beforePost = sizeRequired;

    // Posted changes reach the table file at once, so other users see them.
    m_tbCdata->events().afterPost = [this](db::DataSet&) { m_tbCdata->saveChanges(); };
    const auto stdOogstAfterPost = [this](db::DataSet&) { m_tbCstdOogst->saveChanges(); };
    m_tbCstdOogst->events().afterPost = stdOogstAfterPost;
    m_tbCstdOogstCopy->events().afterPost = stdOogstAfterPost;

    m_tbCdata->events().beforeDelete = [this](db::DataSet&) { tbCdataBeforeDelete(); };
    m_tbCdata->events().afterDelete = [this](db::DataSet&) {
        Q_EMIT CultivarCountChanged(CultivarCountText());
    };
    m_tbCsizes->events().beforeDelete = [this](db::DataSet&) { tbCsizesBeforeDelete(); };
    m_tbSizes->events().beforeDelete = [this](db::DataSet&) { tbSizesBeforeDelete(); };

    const auto cdataPostError = [this](db::DataSet&, const EngineError& e, DataAction&) {
        tbCdataPostError(e);
    };
    m_tbCdata->events().onPostError = cdataPostError;
    m_tbCstdOogstCopy->events().onPostError = cdataPostError;
    const auto csizesPostError = [this](db::DataSet&, const EngineError& e, DataAction&) {
        tbCsizesPostError(e);
    };
    m_tbCsizes->events().onPostError = csizesPostError;
    m_tbCstdOogst->events().onPostError = csizesPostError;
    m_tbSizes->events().onPostError = [this](db::DataSet&, const EngineError& e, DataAction&) {
        tbSizesPostError(e);
    };

    m_tbCdata->events().onEditError = [this](db::DataSet& v, const EngineError& e, DataAction& a) {
        tbCdataEditError(v, e, a);
    };
    m_tbCsizes->events().onEditError = [this](db::DataSet& v, const EngineError& e, DataAction& a) {
        tbCsizesEditError(v, e, a);
    };
    const auto stdOogstEditError = [this](db::DataSet& v, const EngineError& e, DataAction& a) {
        tbCstdOogstEditError(v, e, a);
    };
    m_tbCstdOogst->events().onEditError = stdOogstEditError;
    m_tbCstdOogstCopy->events().onEditError = stdOogstEditError;

    m_tbCsizes->fieldByName(QStringLiteral("Size"))->handlers().onChange = [this](Field&) {
        tbCsizesSizeChange();
    };
    m_tbCstdOogst->fieldByName(QStringLiteral("OogstSize"))->handlers().onChange = [this](Field&) {
        tbCstdOogstOogstSizeChange();
    };
    m_tbCstdOogstAll->fieldByName(QStringLiteral("OogstSize"))->handlers().onChange =
        [this](Field&) { tbCstdOogstOogstSizeChange(); };
    // The copy view gets its fields when it opens.
    const auto copyAfterOpen = m_tbCstdOogstCopy->events().afterOpen;
    m_tbCstdOogstCopy->events().afterOpen = [this, copyAfterOpen](db::DataSet& view) {
        if (copyAfterOpen)
            copyAfterOpen(view);
        if (Field* f = view.findField(QStringLiteral("OogstSize")))
            f->handlers().onChange = [this](Field&) { tbCstdOogstOogstSizeChange(); };
    };
}

// ---- data change: protection and status ----

void TDMod::dsCdataDataChange(Field* field)
{
    Q_EMIT CultivarDataChanged();
    guardProtectedField(m_tbCdata, field);
}

void TDMod::dsCsizesDataChange(Field* field)
{
    Q_EMIT CultivarDataChanged();
    guardProtectedField(m_tbCsizes, field);
}

void TDMod::guardProtectedField(db::DataSet* view, Field* changed)
{
    // The copy sources pass their own fields; the rule looks at the view.
    if (!changed || view->state() != db::DataSet::State::Edit || !cultivarWindowExists())
        return;
    Field* field = view->findField(changed->fieldName());
    if (!field)
        return;
    if (IsEditBlocked(field)) {
        view->cancel();
        throw EngineError(db::ErrorKind::Other, kEditBlocked);
    }
    if (!IsProtectedField(field))
        return;
    Field* status = view->fieldByName(kStatus);
    const QString s = status->asString();
    const bool nameChanged = field->fieldName() == QLatin1String("Cultivar");
    if (IsStandardRecord(s) || s == kNameChanged)
        status->setValue(nameChanged ? kNameChanged : kChanged);
    else if (s == kAdded)
        status->setValue(kAddedChanged);
}

// ---- new records ----

void TDMod::tbCdataNewRecord()
{
    m_tbCdata->fieldByName(kStatus)->setValue(kAdded);
    m_tbCdata->fieldByName(QStringLiteral("StdOogstType"))->setValue(StdOogstTypeDefault());
}

void TDMod::tbCsizesNewRecord()
{
    m_tbCsizes->fieldByName(kStatus)->setValue(kAdded);
    m_tbCsizes->fieldByName(QStringLiteral("DnaG20"))->setValue(0);
}

void TDMod::tbCdataAfterInsert()
{
    if (m_Copying || !NewCultivarDialogHook)
        return;
    if (NewCultivarDialogHook()) {
        EnsureAlleSize();
        m_tbCdata->edit();
    } else {
        m_tbCdata->cancel();
    }
    Q_EMIT CultivarCountChanged(CultivarCountText());
}

void TDMod::tbCsizesSizeChange()
{
    m_tbCsizes->fieldByName(QStringLiteral("PG_unit"))
        ->setValue(SizeQtyUnit(text(*m_tbCsizes, "Size")));
}

void TDMod::tbCstdOogstOogstSizeChange()
{
    if (!m_tbCstdOogst->isEditing())
        return;
    m_tbCstdOogst->fieldByName(QStringLiteral("Qtyunit"))
        ->setValue(SizeQtyUnit(text(*m_tbCstdOogst, "OogstSize")));
}

void TDMod::EnsureAlleSize()
{
    if (!m_tbCdata->isActive() || m_tbCdata->isEmpty() ||
        m_tbCdata->fieldByName(QStringLiteral("StdOogstType"))->asInteger() != 1)
        return;
    if (!locateAllSize(*m_tbSizes)) {
        m_tbSizes->append();
        m_tbSizes->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("Alle"));
        m_tbSizes->fieldByName(QStringLiteral("QtyUnit"))->setValue(0);
        m_tbSizes->fieldByName(QStringLiteral("Gebruikstype"))->setValue(1);
        m_tbSizes->post();
    }
    if (!locateAllSize(*m_tbCsizes)) {
        m_tbCsizes->append();
        m_tbCsizes->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("Alle"));
        m_tbCsizes->post();
    }
}

// ---- deleting ----

void TDMod::tbCdataBeforeDelete()
{
    if (m_Copying)
        return;
    if (!UserPrompts::current().confirmOkCancel(
            kConfirmDelete.arg(QStringLiteral("Cultivar plus alle gegevens per zift"))))
        throw db::AbortError();
    deleteAll(*m_tbCsizes);
}

void TDMod::tbCsizesBeforeDelete()
{
    deleteAll(*m_tbCstdOogst);
}

void TDMod::tbSizesBeforeDelete()
{
    const QString size = text(*m_tbSizes, "Size");
    if (!m_tbAllCsizes->lookup({QStringLiteral("Size")}, {size}, QStringLiteral("Size")).isNull())
        throw EngineError(db::ErrorKind::MasterHasDetails,
                          kSizeInUse.arg(QStringLiteral("Cultivargegevens")));
    m_tbCstdOogstAll->open();
    bool used = false;
    try {
        used = !m_tbCstdOogstAll
                    ->lookup({QStringLiteral("OogstSize")}, {size}, QStringLiteral("OogstSize"))
                    .isNull();
    } catch (...) {
        m_tbCstdOogstAll->close();
        throw;
    }
    m_tbCstdOogstAll->close();
    if (used)
        throw EngineError(db::ErrorKind::MasterHasDetails,
                          kSizeInUse.arg(QStringLiteral("Std.Oogstgegevens")));
}

// ---- refused posts ----

void TDMod::tbCdataPostError(const EngineError& error)
{
    if (startsWith(error, "Key violation"))
        replaceError(error, kCultivarExists);
    if (!startsWith(error, "Minimum va"))
        replaceError(error, kInvalidNumber);
    replaceError(error, kNegative);
}

void TDMod::tbCsizesPostError(const EngineError& error)
{
    if (cultivarWindowVisible() && startsWith(error, "Key violation"))
        replaceError(error, kSizeExists);
    if (startsWith(error, "Minimum va"))
        replaceError(error, kNegative);
    if (!startsWith(error, "Master has det"))
        replaceError(error, kInvalidNumber);
    replaceError(error, kSizeHasHarvest);
}

void TDMod::tbSizesPostError(const EngineError& error)
{
    if (startsWith(error, "Key violation"))
        replaceError(error, kSizeExists);
}

// ---- refused edits: records locked by another user ----

void TDMod::tbCdataEditError(db::DataSet& view, const EngineError& error, DataAction& action)
{
    if (!isLock(error))
        return;
    UserPrompts::current().showError(
        QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: %1\r\n    Herkomst: %2\r\n")
            .arg(text(view, "Cultivar"), text(view, "Source")) +
        kLockTail.arg(lockingUser(error.text())));
    action = DataAction::Abort;
}

void TDMod::tbCsizesEditError(db::DataSet& view, const EngineError& error, DataAction& action)
{
    if (!isLock(error))
        return;
    UserPrompts::current().showError(
        QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: %1\r\n    Zift: %2\r\n"
                       "    Herkomst: %3\r\n")
            .arg(text(view, "Cultivar"), text(view, "Size"), text(view, "Source")) +
        kLockTail.arg(lockingUser(error.text())));
    action = DataAction::Abort;
}

void TDMod::tbCstdOogstEditError(db::DataSet& view, const EngineError& error, DataAction& action)
{
    if (!isLock(error))
        return;
    // The values of the record that was refused, also for the copy view.
    UserPrompts::current().showError(
        QStringLiteral("Cultivar Std. oogst gegevens record met:\r\n    Cultivar: %1\r\n"
                       "    Zift: %2\r\n    Oogst Zift: %3\r\n    Herkomst: %4\r\n")
            .arg(text(view, "Cultivar"), text(view, "Size"), text(view, "OogstSize"),
                 text(view, "Source")) +
        kLockTail.arg(lockingUser(error.text())));
    action = DataAction::Abort;
}

} // namespace kasplan
