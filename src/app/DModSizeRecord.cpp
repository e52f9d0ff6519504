#include "DModSizeRecord.h"

#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "schedule/DateUtils.h"

namespace kasplan {

namespace {

// The field of the view's current record, or null when there is none.
const db::Field* currentField(const db::DataSet& view, const QString& name)
{
    if (!view.isActive() || view.isEmpty())
        return nullptr;
    return view.findField(name);
}

} // namespace

DModSizeRecord::DModSizeRecord(TDMod& dmod, QObject* parent)
    : CurrentSizeRecord(parent), m_dmod(dmod), m_forcing(*dmod.tbCsizes())
{
    // Every change of the current cultivar or size, whichever window made it.
    connect(&dmod, &TDMod::CultivarDataChanged, this, &CurrentSizeRecord::dataChanged);
}

QString DModSizeRecord::displayText(const QString& field) const
{
    // The remarks are the cultivar's; everything else is the size record's.
    const db::DataSet& view =
        field == QLatin1String("Remarks") ? *m_dmod.tbCdata() : *m_dmod.tbCsizes();
    const db::Field* f = currentField(view, field);
    return f ? f->displayText() : QString();
}

bool DModSizeRecord::databaseOpen() const
{
    return m_dmod.tbCsizes()->isActive();
}

std::optional<double> DModSizeRecord::ForcingValue(const db::Field& field)
{
    if (field.isNull() || db::isText(field.dataType()))
        return std::nullopt;
    if (field.dataType() == db::FieldType::Date)
        return FromQDate(field.asDate());
    return field.asFloat();
}

std::optional<SizeRecordKey> DModSizeRecord::key() const
{
    const db::DataSet& sizes = *m_dmod.tbCsizes();
    const db::Field* cultivar = currentField(sizes, QStringLiteral("Cultivar"));
    if (!cultivar)
        return std::nullopt;
    return SizeRecordKey{cultivar->asString(),
                         sizes.fieldByName(QStringLiteral("Source"))->asString(),
                         sizes.fieldByName(QStringLiteral("Size"))->asString()};
}

bool DModSizeRecord::moveTo(const SizeRecordKey& key)
{
    db::DataSet& cultivars = *m_dmod.tbCdata();
    // The sizes follow their cultivar, so the size is sought among its own.
    if (cultivars.locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                         {key.cultivar, key.source}) &&
        m_dmod.tbCsizes()->locate({QStringLiteral("Size")}, {key.size}))
        return true;
    cultivars.first();
    return false;
}

std::optional<double> DModSizeRecord::Forcing::value(const QString& field) const
{
    const db::Field* f = currentField(m_sizes, field);
    return f ? ForcingValue(*f) : std::nullopt;
}

QString DModSizeRecord::Forcing::cultivarName() const
{
    const db::Field* f = currentField(m_sizes, QStringLiteral("Cultivar"));
    return f ? f->asString() : QString();
}

} // namespace kasplan
