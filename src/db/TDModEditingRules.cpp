// The data module's editing rules: defaults of new records, the status that
// records what the user changed, the protection of delivered records, the
// confirmation and cascade of deletes, and the engine's refusals turned into
// Dutch messages. They hang on the views, so they hold for every window.
#include "TDMod.h"

#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "engine/DataSource.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/TableView.h"

#include <QScopedValueRollback>

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

// The engine's error, with the handler's text in place of its own.
[[noreturn]] void replaceError(const EngineError& error, const QString& text)
{
    throw error.withText(text);
}

// A refusal of the values the user typed, which the user can put right.
// Everything else (a full disk, a busy database, a lost lock) keeps the
// engine's own reason, so the user is not sent looking for a wrong number.
bool refusesTheValues(const EngineError& error)
{
    switch (error.kind()) {
    case db::ErrorKind::KeyViolation:
    case db::ErrorKind::MinimumCheck:
    case db::ErrorKind::RequiredField:
    case db::ErrorKind::ValueTooLong:
    case db::ErrorKind::ValueOutOfRange:
    case db::ErrorKind::InvalidValue:
        return true;
    default:
        return false;
    }
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

const QString& TDMod::InvalidNumberText()
{
    return kInvalidNumber;
}

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
    // The copy sources pass their changes to the same rules.
    const auto cdataDataChange = [this](db::DataSource&, Field* f) { dsCdataDataChange(f); };
    m_dsCdata->handlers().onDataChange.add(cdataDataChange);
    m_dsCdataCopy->handlers().onDataChange.add(cdataDataChange);
    const auto csizesDataChange = [this](db::DataSource&, Field* f) { dsCsizesDataChange(f); };
    m_dsCsizes->handlers().onDataChange.add(csizesDataChange);
    m_dsSizesCopy->handlers().onDataChange.add(csizesDataChange);

    m_tbCdata->events().onNewRecord.add([this](db::DataSet&) { tbCdataNewRecord(); });
    m_tbCsizes->events().onNewRecord.add([this](db::DataSet&) { tbCsizesNewRecord(); });
    m_tbCsizes->events().beforeInsert.add([this](db::DataSet&) {
        if (m_tbCdata->isActive())
            m_tbCdata->checkBrowseMode();
    });
    const auto stdOogstBeforeInsert = [this](db::DataSet&) {
        if (m_tbCdata->isActive())
            m_tbCdata->checkBrowseMode();
        if (m_tbSizes->isActive())
            m_tbSizes->checkBrowseMode();
    };
    m_tbCstdOogst->events().beforeInsert.add(stdOogstBeforeInsert);
    m_tbCstdOogstCopy->events().beforeInsert.add(stdOogstBeforeInsert);
    m_tbCdata->events().afterInsert.add([this](db::DataSet&) { tbCdataAfterInsert(); });

    m_tbCdata->events().beforePost.add([this](db::DataSet&) { tbCdataBeforePost(); });
    const auto sizeRequired = [](db::DataSet& view) { RequireSize(text(view, "Size")); };
    m_tbCsizes->events().beforePost.add(sizeRequired);
    m_tbSizes->events().beforePost.add(sizeRequired);

    // Posted changes reach the table file at once, so other users see them.
    m_tbCdata->events().afterPost.add([this](db::DataSet&) { m_tbCdata->saveChanges(); });
    const auto stdOogstAfterPost = [this](db::DataSet&) { m_tbCstdOogst->saveChanges(); };
    m_tbCstdOogst->events().afterPost.add(stdOogstAfterPost);
    m_tbCstdOogstCopy->events().afterPost.add(stdOogstAfterPost);

    m_tbCdata->events().beforeDelete.add([this](db::DataSet&) { tbCdataBeforeDelete(); });
    m_tbCdata->events().afterDelete.add(
        [this](db::DataSet&) { Q_EMIT CultivarCountChanged(CultivarCountText()); });
    m_tbCsizes->events().beforeDelete.add([this](db::DataSet&) { tbCsizesBeforeDelete(); });
    m_tbSizes->events().beforeDelete.add([this](db::DataSet&) { tbSizesBeforeDelete(); });

    const auto cdataPostError = [this](db::DataSet&, const EngineError& e, DataAction&) {
        tbCdataPostError(e);
    };
    m_tbCdata->events().onPostError.add(cdataPostError);
    m_tbCstdOogstCopy->events().onPostError.add(cdataPostError);
    const auto csizesPostError = [this](db::DataSet&, const EngineError& e, DataAction&) {
        tbCsizesPostError(e);
    };
    m_tbCsizes->events().onPostError.add(csizesPostError);
    m_tbCstdOogst->events().onPostError.add(csizesPostError);
    m_tbSizes->events().onPostError.add(
        [this](db::DataSet&, const EngineError& e, DataAction&) { tbSizesPostError(e); });

    const auto cdataLockError = [this](db::DataSet& v, const EngineError& e, DataAction&) {
        tbCdataLockError(v, e);
    };
    const auto csizesLockError = [this](db::DataSet& v, const EngineError& e, DataAction&) {
        tbCsizesLockError(v, e);
    };
    const auto stdOogstLockError = [this](db::DataSet& v, const EngineError& e, DataAction&) {
        tbCstdOogstLockError(v, e);
    };
    m_tbCdata->events().onEditError.add(cdataLockError);
    m_tbCdata->events().onDeleteError.add(cdataLockError);
    m_tbCsizes->events().onEditError.add(csizesLockError);
    m_tbCsizes->events().onDeleteError.add(csizesLockError);
    for (auto* events : {&m_tbCstdOogst->events(), &m_tbCstdOogstCopy->events()}) {
        events->onEditError.add(stdOogstLockError);
        events->onDeleteError.add(stdOogstLockError);
    }

    m_tbCsizes->fieldByName(QStringLiteral("Size"))->handlers().onChange.add([this](Field&) {
        tbCsizesSizeChange();
    });
    m_tbCstdOogst->fieldByName(QStringLiteral("OogstSize"))
        ->handlers()
        .onChange.add([this](Field&) { tbCstdOogstOogstSizeChange(); });
    m_tbCstdOogstAll->fieldByName(QStringLiteral("OogstSize"))
        ->handlers()
        .onChange.add([this](Field&) { tbCstdOogstOogstSizeChange(); });
    // The copy view gets its fields when it opens.
    m_tbCstdOogstCopy->events().afterOpen.add([this](db::DataSet& view) {
        if (Field* f = view.findField(QStringLiteral("OogstSize")))
            f->handlers().onChange.add([this](Field&) { tbCstdOogstOogstSizeChange(); });
    });
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
        // The size "Alle" goes into the size list and the cultivar's sizes
        // together, or into neither.
        db::Transaction sizes(*m_tbCdata->database());
        EnsureAlleSize();
        sizes.commit();
        m_tbCdata->edit();
    } else {
        m_tbCdata->cancel();
    }
    Q_EMIT CultivarCountChanged(CultivarCountText());
}

void TDMod::RequireSize(const QString& size)
{
    if (size.trimmed().isEmpty()) {
        UserPrompts::current().showError(kSizeEmpty);
        throw db::AbortError();
    }
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
    const QScopedValueRollback deleting(m_deletingCultivar, true);
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
    if (error.kind() == db::ErrorKind::KeyViolation)
        replaceError(error, kCultivarExists);
    if (error.kind() == db::ErrorKind::MinimumCheck)
        replaceError(error, kNegative);
    if (refusesTheValues(error))
        replaceError(error, kInvalidNumber);
}

void TDMod::tbCsizesPostError(const EngineError& error)
{
    if (cultivarWindowVisible() && error.kind() == db::ErrorKind::KeyViolation)
        replaceError(error, kSizeExists);
    if (error.kind() == db::ErrorKind::MinimumCheck)
        replaceError(error, kNegative);
    if (error.kind() == db::ErrorKind::MasterHasDetails)
        replaceError(error, kSizeHasHarvest);
    if (refusesTheValues(error))
        replaceError(error, kInvalidNumber);
}

void TDMod::tbSizesPostError(const EngineError& error)
{
    if (error.kind() == db::ErrorKind::KeyViolation)
        replaceError(error, kSizeExists);
}

// ---- records locked by another user ----
//
// A refused edit or delete is reported with the record's values and the
// other user's name, in place of the engine's words. The message travels as
// the error, so it is shown once the action has ended and nothing of it is
// left half done, rather than while a transaction still holds the database.

namespace {

QString cdataLockText(const QString& cultivar, const QString& source, const QString& user)
{
    return QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: %1\r\n"
                          "    Herkomst: %2\r\n")
               .arg(cultivar, source) +
           kLockTail.arg(user);
}

QString csizesLockText(const QString& cultivar, const QString& size, const QString& source,
                       const QString& user)
{
    return QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: %1\r\n"
                          "    Zift: %2\r\n    Herkomst: %3\r\n")
               .arg(cultivar, size, source) +
           kLockTail.arg(user);
}

QString stdOogstLockText(const QString& cultivar, const QString& size, const QString& oogstSize,
                         const QString& source, const QString& user)
{
    return QStringLiteral("Cultivar Std. oogst gegevens record met:\r\n    Cultivar: %1\r\n"
                          "    Zift: %2\r\n    Oogst Zift: %3\r\n    Herkomst: %4\r\n")
               .arg(cultivar, size, oogstSize, source) +
           kLockTail.arg(user);
}

} // namespace

QString TDMod::CultivarLockText(const QString& cultivar, const QString& source, const QString& user)
{
    return cdataLockText(cultivar, source, user);
}

QString TDMod::SizeLockText(const QString& cultivar, const QString& size, const QString& source,
                            const QString& user)
{
    return csizesLockText(cultivar, size, source, user);
}

void TDMod::tbCdataLockError(db::DataSet& view, const EngineError& error)
{
    if (error.kind() == db::ErrorKind::RecordLocked)
        replaceError(error,
                     cdataLockText(text(view, "Cultivar"), text(view, "Source"), error.holder()));
}

void TDMod::tbCsizesLockError(db::DataSet& view, const EngineError& error)
{
    if (error.kind() == db::ErrorKind::RecordLocked)
        replaceError(error, csizesLockText(text(view, "Cultivar"), text(view, "Size"),
                                           text(view, "Source"), error.holder()));
}

void TDMod::tbCstdOogstLockError(db::DataSet& view, const EngineError& error)
{
    // The values of the record that was refused, also for the copy view.
    if (error.kind() == db::ErrorKind::RecordLocked)
        replaceError(error, stdOogstLockText(text(view, "Cultivar"), text(view, "Size"),
                                             text(view, "OogstSize"), text(view, "Source"),
                                             error.holder()));
}

void TDMod::tbCdataBeforePost()
{
    // A new name or source is carried to the cultivar's sizes and harvest
    // records by the tables. None of them may be in another copy's hands
    // meanwhile: that copy's change would be lost when it saves. Taking and
    // giving back each lock, in the post's transaction, finds out.
    if (m_tbCdata->state() != db::DataSet::State::Edit)
        return;
    const Field* cultivar = m_tbCdata->fieldByName(QStringLiteral("Cultivar"));
    const Field* source = m_tbCdata->fieldByName(QStringLiteral("Source"));
    if (db::sameValue(cultivar->value(), cultivar->oldValue()) &&
        db::sameValue(source->value(), source->oldValue()))
        return;
    db::Database& database = *m_tbCdata->database();
    const db::Condition owned = db::Condition::both(
        db::Condition::compare(db::Condition::Op::Equal, QStringLiteral("Cultivar"),
                               cultivar->oldValue().toString()),
        db::Condition::compare(db::Condition::Op::Equal, QStringLiteral("Source"),
                               source->oldValue().toString()));
    for (const QString& table : {QStringLiteral("Csizes"), QStringLiteral("Cstdoogst")}) {
        const db::TableDef def = database.tableDef(table);
        for (const db::RowKey& key : database.scanKeys(def, owned, {}).keys) {
            try {
                database.lockRecord(def, key);
            } catch (const EngineError& error) {
                if (error.kind() != db::ErrorKind::RecordLocked)
                    throw;
                const auto part = [&key](int i) { return QString::fromUtf8(key.value(i)); };
                replaceError(error, key.size() == 3
                                        ? csizesLockText(part(0), part(2), part(1), error.holder())
                                        : stdOogstLockText(part(0), part(2), part(3), part(1),
                                                           error.holder()));
            }
            database.unlockRecord(def, key);
        }
    }
}

} // namespace kasplan
