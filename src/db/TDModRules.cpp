// The data module's field handlers, calculated fields, stock flags and
// cultivar filter. The conversions and figures themselves are the plain
// functions of kasplan_dbrules; this file hangs them on the views.
#include "TDMod.h"

#include "core/Clock.h"
#include "core/UserPrompts.h"
#include "db/rules/CodedValues.h"
#include "db/rules/CultivarFilter.h"
#include "db/rules/FieldConversions.h"
#include "db/rules/StockFigures.h"
#include "engine/EngineError.h"
#include "engine/QueryView.h"
#include "engine/TableView.h"

namespace kasplan {

using db::EngineError;
using db::ErrorKind;
using db::Field;

namespace {

const char* const kDnaG20Fields[] = {"DnaG20", "DnaG20_w", "DnaG20_ice"};
const char* const kDkFields[] = {"Dk_p1",   "Dk_p2",   "Dk_p3",   "Dk_p4",   "Dk_p1_w",
                                 "Dk_p2_w", "Dk_p3_w", "Dk_p4_w", "Dk_p_ice"};

// Week-or-day fields: shown and typed in the unit that unit() answers at the
// time, stored in days.
void setWeekOrDay(Field* f, std::function<int()> unit)
{
    f->handlers().onGetText = [unit](Field& field, QString& text, bool) {
        text = FieldConversions::WeekOrDayText(
            field.isNull() ? std::nullopt : std::optional<int>(field.asInteger()), unit());
    };
    f->handlers().onSetText = [unit](Field& field, const QString& text) {
        const FieldEntry entry = FieldConversions::WeekOrDayEntry(text, unit());
        switch (entry.kind) {
        case FieldEntry::Kind::Null:
            field.clear();
            break;
        case FieldEntry::Kind::Value:
            field.setValue(entry.value);
            break;
        // Typed by the grower, so refused in the program's own words; the
        // kind still tells what went wrong.
        case FieldEntry::Kind::NotANumber:
            throw EngineError::invalidValue(field.fieldName(), text)
                .withText(TDMod::InvalidNumberText());
        case FieldEntry::Kind::OutOfRange:
            throw EngineError::valueOutOfRange(field.fieldName(), FieldConversions::ShortMin,
                                               FieldConversions::ShortMax)
                .withText(TDMod::InvalidNumberText());
        }
    };
}

void setUnitCode(Field* f)
{
    f->handlers().onGetText = [](Field& field, QString& text, bool) {
        text = CodedValues::UnitText(field.asInteger());
    };
    f->handlers().onSetText = [](Field& field, const QString& text) {
        field.setValue(CodedValues::UnitCode(text));
    };
}

// Shown empty, and typing leaves the stored value as it is: these figures
// change only by copying records and by the import.
void setHidden(Field* f)
{
    f->handlers().onGetText = [](Field&, QString& text, bool) { text.clear(); };
    f->handlers().onSetText = [](Field&, const QString&) {};
}

void setCodedQtyAndHidden(db::DataSet& view)
{
    if (Field* f = view.findField(QStringLiteral("Qtyunit")))
        setUnitCode(f);
    if (Field* f = view.findField(QStringLiteral("StdQty_per_m2")))
        setHidden(f);
}

SizeStock sizeStockOf(db::DataSet& view)
{
    auto num = [&view](const char* name) {
        return view.fieldByName(QLatin1String(name))->asFloat();
    };
    auto whole = [&view](const char* name) {
        return qint64(view.fieldByName(QLatin1String(name))->asInteger());
    };
    SizeStock s;
    s.PG_voorraad = num("PG_voorraad");
    s.PG_perfust = num("PG_perfust");
    s.PG_geboekt = num("PG_geboekt");
    s.Aantal = whole("Aantal");
    s.Geboekt = whole("Geboekt");
    s.Nperbox = whole("Nperbox");
    s.Npertray = whole("Npertray");
    s.Npertray_w = whole("Npertray_w");
    s.Npertray_ice = whole("Npertray_ice");
    return s;
}

void storeCalculated(db::DataSet& view, const QVariantMap& values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        view.fieldByName(it.key())->setValue(it.value());
}

} // namespace

void TDMod::installFieldHandlers()
{
    for (const char* name : kDnaG20Fields)
        setWeekOrDay(m_tbCsizes->fieldByName(QLatin1String(name)),
                     [this] { return m_TussenTunit; });
    for (const char* name : kDkFields)
        setWeekOrDay(m_tbCsizes->fieldByName(QLatin1String(name)),
                     [this] { return m_Kperiodunit; });

    Field* gstage = m_tbCsizes->fieldByName(QStringLiteral("Gstagemin"));
    gstage->handlers().onGetText = [](Field& field, QString& text, bool) {
        text = FieldConversions::GstageminText(field.asDate());
    };
    gstage->handlers().onSetText = [](Field& field, const QString& text) {
        const auto date = FieldConversions::GstageminEntry(text, Clock::current().today().year());
        field.setValue(date ? QVariant(*date) : QVariant());
    };

    setUnitCode(m_tbCsizes->fieldByName(QStringLiteral("PG_unit")));
    setUnitCode(m_tbSizes->fieldByName(QStringLiteral("QtyUnit")));
    setCodedQtyAndHidden(*m_tbCstdOogst);
    // The copy view gets its fields when it opens.
    m_tbCstdOogstCopy->events().afterOpen.add(
        [](db::DataSet& view) { setCodedQtyAndHidden(view); });

    Field* use = m_tbSizes->fieldByName(QStringLiteral("Gebruikstype"));
    use->handlers().onGetText = [](Field& field, QString& text, bool) {
        text = CodedValues::GebruikstypeText(field.asInteger());
    };
    use->handlers().onSetText = [](Field& field, const QString& text) {
        field.setValue(CodedValues::GebruikstypeCode(text));
    };

    Field* product = m_tbCdata->fieldByName(QStringLiteral("ProductType"));
    product->handlers().onGetText = [](Field& field, QString& text, bool) {
        text = CodedValues::ProductTypeText(field.asInteger());
    };
    // Set only by the cultivar window's choice, which writes the position.
    product->handlers().onSetText = [](Field&, const QString&) {};

    m_tbCdata->fieldByName(QStringLiteral("Hoofdgroep"))->handlers().onGetText =
        [](Field& field, QString& text, bool) {
            text = CodedValues::HoofdgroepText(field.asInteger());
        };

    setHidden(m_tbCsizes->fieldByName(QStringLiteral("Std_Plant_dichtheid")));
    setHidden(m_tbAllCsizes->fieldByName(QStringLiteral("Std_Plant_dichtheid")));
}

void TDMod::installCalcFields()
{
    m_tbCdata->events().onCalcFields.add([](db::DataSet& view) {
        view.fieldByName(QStringLiteral("HoofdGroepAfk"))
            ->setValue(CodedValues::HoofdgroepAfkText(
                view.fieldByName(QStringLiteral("Hoofdgroep"))->asInteger()));
    });
    m_tbCsizes->events().onCalcFields.add([](db::DataSet& view) {
        storeCalculated(view, StockFigures::CsizesCalcFields(sizeStockOf(view)));
    });
    m_tbAllCsizes->events().onCalcFields.add([](db::DataSet& view) {
        storeCalculated(view, StockFigures::AllCsizesCalcFields(sizeStockOf(view)));
    });
}

void TDMod::installStockRules()
{
    m_tbCdata->setFilterFields({QStringLiteral("PGvoorraad"), QStringLiteral("Broeivoorraad")});
    m_tbCdata->events().onFilterRecord.add([this](db::DataSet& view) {
        return CultivarFilter::Accepts(
            m_VoorraadOnly, m_PGVoorraadOnly,
            view.fieldByName(QStringLiteral("PGvoorraad"))->asBoolean(),
            view.fieldByName(QStringLiteral("Broeivoorraad"))->asBoolean());
    });
    // A size posted or deleted changes what the cultivar has in stock; both
    // run in the transaction of the size's own change.
    m_tbCsizes->events().afterPost.add([this](db::DataSet&) { tbCsizesAfterPost(); });
    m_tbCsizes->events().afterDelete.add([this](db::DataSet&) {
        if (!m_deletingCultivar)
            UpdateStockFlags();
    });
}

void TDMod::tbCsizesAfterPost()
{
    UpdateStockFlags();
}

void TDMod::UpdateStockFlags()
{
    if (!m_tbCdata->isActive() || m_tbCdata->isEmpty())
        return;
    // A cultivar record another copy holds refuses the edit, and with it the
    // whole change of the size: the flags never disagree with the sizes.
    m_tbCdata->edit();

    StockFlags flags;
    const db::Bookmark place = m_tbCsizes->bookmark();
    m_tbCsizes->disableControls();
    try {
        for (m_tbCsizes->first(); !m_tbCsizes->eof() && !flags.complete(); m_tbCsizes->next())
            flags.add(m_tbCsizes->fieldByName(QStringLiteral("PG_voorraad"))->asFloat(),
                      m_tbCsizes->fieldByName(QStringLiteral("Aantal"))->asInteger());
        if (m_tbCsizes->bookmarkValid(place))
            m_tbCsizes->gotoBookmark(place);
    } catch (...) {
        m_tbCsizes->enableControls();
        throw;
    }
    m_tbCsizes->enableControls();

    m_tbCdata->fieldByName(QStringLiteral("PGvoorraad"))->setValue(flags.PGvoorraad());
    m_tbCdata->fieldByName(QStringLiteral("Broeivoorraad"))->setValue(flags.Broeivoorraad());
    m_tbCdata->post();
    m_tbCsizes->saveChanges();
}

void TDMod::keepingCultivar(bool returnToRecord, const std::function<void()>& fn)
{
    const db::Bookmark place = m_tbCdata->bookmark();
    m_tbCdata->disableControls();
    try {
        fn();
        // A record the filter now hides is not returned to.
        if (returnToRecord && m_tbCdata->bookmarkValid(place))
            m_tbCdata->gotoBookmark(place);
    } catch (...) {
        m_tbCdata->enableControls();
        throw;
    }
    m_tbCdata->enableControls();
}

void TDMod::ApplyCultivarFilter()
{
    applyCultivarFilter(true);
}

void TDMod::applyCultivarFilter(bool switchesChanged)
{
    keepingCultivar(true, [this, switchesChanged] {
        const bool on =
            CultivarFilter::FilterOn(m_tbCdata->filter(), m_VoorraadOnly, m_PGVoorraadOnly);
        if (on && m_tbCdata->filtered()) {
            if (switchesChanged)
                m_tbCdata->setFilter(m_tbCdata->filter()); // filter again
        } else {
            m_tbCdata->setFiltered(on);
        }
        Q_EMIT CultivarCountChanged(CultivarCountText());
    });
}

void TDMod::SetHoofdgroepFilter(int n)
{
    // The list is read once, in its new filter: a long list is read in a
    // noticeable time.
    keepingCultivar(true, [this, n] {
        const QString text = CultivarFilter::HoofdgroepFilterText(n);
        if (!CultivarFilter::FilterOn(text, m_VoorraadOnly, m_PGVoorraadOnly))
            m_tbCdata->setFiltered(false);
        m_tbCdata->setFilter(text);
        applyCultivarFilter(false);
    });
}

void TDMod::ResetStockFilters()
{
    m_VoorraadOnly = false;
    m_PGVoorraadOnly = false;
    keepingCultivar(true, [this] {
        m_tbCdata->setFilter(QString());
        ApplyCultivarFilter();
    });
}

QString TDMod::CultivarCountText() const
{
    return CultivarFilter::CountText(m_tbCdata->isActive() ? m_tbCdata->recordCount() : 0);
}

void TDMod::SetPeriodUnits()
{
    m_TussenTCaption = FieldConversions::TussenTCaption(m_TussenTunit);
    m_KoudeCaption = FieldConversions::KoudeCaption(m_Kperiodunit);
    const QString tussenChars = FieldConversions::PeriodEntryCharacters(m_TussenTunit);
    const QString koudeChars = FieldConversions::PeriodEntryCharacters(m_Kperiodunit);
    for (const char* name : kDnaG20Fields)
        m_tbCsizes->fieldByName(QLatin1String(name))->setValidChars(tussenChars);
    for (const char* name : kDkFields)
        m_tbCsizes->fieldByName(QLatin1String(name))->setValidChars(koudeChars);
    Q_EMIT PeriodUnitsChanged(m_TussenTCaption, m_KoudeCaption);
}

} // namespace kasplan
