#include "TDMod.h"

#include "CultivarSchema.h"
#include "engine/DataSource.h"
#include "engine/EngineSession.h"
#include "engine/QueryView.h"
#include "engine/TableView.h"

namespace kasplan {

using db::Field;
using db::FieldType;

namespace {

QStringList names(std::initializer_list<const char*> list)
{
    QStringList result;
    for (const char* n : list)
        result.append(QLatin1String(n));
    return result;
}

// The view gets the table's fields, except those left out.
void addTableFields(db::DataSet* view, const QString& table, const QStringList& leaveOut = {})
{
    for (const db::FieldDef& f : CultivarSchema::table(table).fields) {
        if (!leaveOut.contains(f.name))
            view->addField(f);
    }
}

void setDisplay(db::DataSet* view, const char* field, const QString& label,
                const QString& format = QString(), int width = -1)
{
    Field* f = view->fieldByName(QLatin1String(field));
    if (!label.isEmpty())
        f->setDisplayLabel(label);
    if (!format.isEmpty())
        f->setDisplayFormat(format);
    if (width >= 0)
        f->setDisplayWidth(width);
}

} // namespace

TDMod::TDMod(db::EngineSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    setObjectName(QStringLiteral("DMod"));
    // tbSizes first: the size lookups of the other views read it.
    setUpSizes();
    setUpCdata();
    setUpCsizes();
    setUpCstdOogst();
    setUpAllCsizes();
    setUpLocaties();
    setUpCopies();

    m_SizesQuery = new db::QueryView(QStringLiteral("SizesQuery"), this);
    m_SizesQuery->setSession(&m_session);
    m_SizesQuery->setSql(QStringLiteral("SELECT Size, QtyUnit FROM Sizes"));
    m_dsSizesQuery = makeSource(QStringLiteral("dsSizesQuery"), m_SizesQuery);

    m_CdataCSQuery = new db::QueryView(QStringLiteral("CdataCSQuery"), this);
    m_CdataCSQuery->setSession(&m_session);
    m_CdataCSQuery->setSql(QStringLiteral("SELECT Cultivar, Source FROM Cdata"));

    // The previous major version's table, only ever on the standard database.
    m_OldCdata = makeTable(QStringLiteral("OldCdata"), QStringLiteral("Kbroei14"));
    m_OldCdata->setDatabaseName(QLatin1String(db::EngineSession::StandardAlias));

    installFieldHandlers();
    installCalcFields();
    installStockRules();
    installEditingRules();
}

TDMod::~TDMod()
{
    for (db::DataSet* view : views()) {
        try {
            view->close();
        } catch (const std::exception&) {
            // Going away regardless; a view that cannot close cleanly leaves
            // at most a lock that others take over after its lease.
        }
    }
}

db::TableView* TDMod::makeTable(const QString& name, const QString& table)
{
    auto* view = new db::TableView(name, this);
    view->setSession(&m_session);
    view->setTableName(table);
    return view;
}

db::DataSource* TDMod::makeSource(const QString& name, db::DataSet* view)
{
    auto* source = new db::DataSource(name, this);
    source->setDataSet(view);
    return source;
}

void TDMod::setUpCdata()
{
    m_tbCdata = makeTable(QStringLiteral("tbCdata"), QStringLiteral("Cdata"));
    addTableFields(m_tbCdata, QStringLiteral("Cdata"));
    m_tbCdata->addCalculatedField(QStringLiteral("HoofdGroepAfk"), FieldType::Alpha, 3);
    m_dsCdata = makeSource(QStringLiteral("dsCdata"), m_tbCdata);
}

void TDMod::setUpCsizes()
{
    m_tbCsizes = makeTable(QStringLiteral("tbCsizes"), QStringLiteral("Csizes"));
    addTableFields(m_tbCsizes, QStringLiteral("Csizes"));
    for (const char* name : {"Resterend", "Nboxes", "Ntrays", "Ntrays_w", "Ntrays_ice"})
        m_tbCsizes->addCalculatedField(QLatin1String(name), FieldType::Long);
    m_tbCsizes->addCalculatedField(QStringLiteral("PG_fusten"), FieldType::Number)
        ->setDisplayFormat(QStringLiteral("#0.###"));
    m_tbCsizes->addCalculatedField(QStringLiteral("PG_Resterend"), FieldType::Number);
    m_tbCsizes->addCalculatedField(QStringLiteral("PG_restfustqty"), FieldType::Number)
        ->setDisplayFormat(QStringLiteral("#0.###"));
    m_tbCsizes->addCalculatedField(QStringLiteral("PG_fustenused"), FieldType::Long);
    m_tbCsizes->addLookupField(
        QStringLiteral("SizeLU"), FieldType::Alpha, 10,
        {names({"Size"}), m_tbSizes, names({"Size"}), QStringLiteral("Size")});
    setDisplay(m_tbCsizes, "Qtypermetermin", QStringLiteral("MinStks/m"), QStringLiteral("#0"));
    setDisplay(m_tbCsizes, "Qtypermetermax", QStringLiteral("MaxStks/m"), QStringLiteral("#0"));
    setDisplay(m_tbCsizes, "Locatie_broei", QStringLiteral("Loc.Broeibollen"));
    setDisplay(m_tbCsizes, "Locatie_pltgd", QStringLiteral("Loc.Plantgoed"));
    m_tbCsizes->setMaster(m_dsCdata, names({"Cultivar", "Source"}));
    m_dsCsizes = makeSource(QStringLiteral("dsCsizes"), m_tbCsizes);
}

void TDMod::setUpCstdOogst()
{
    m_tbCstdOogst = makeTable(QStringLiteral("tbCstdOogst"), QStringLiteral("Cstdoogst"));
    addTableFields(m_tbCstdOogst, QStringLiteral("Cstdoogst"));
    m_tbCstdOogst->addLookupField(
        QStringLiteral("OogstSizeLU"), FieldType::Alpha, 10,
        {names({"OogstSize"}), m_tbSizes, names({"Size"}), QStringLiteral("Size")});
    m_tbCstdOogst->setMaster(m_dsCsizes, names({"Cultivar", "Source", "Size"}));
    m_dsCstdOogst = makeSource(QStringLiteral("dsCstdOogst"), m_tbCstdOogst);
}

void TDMod::setUpAllCsizes()
{
    m_tbAllCsizes = makeTable(QStringLiteral("tbAllCsizes"), QStringLiteral("Csizes"));
    addTableFields(m_tbAllCsizes, QStringLiteral("Csizes"),
                   names({"Locatie_broei", "Locatie_pltgd"}));
    m_tbAllCsizes->addCalculatedField(QStringLiteral("PG_fusten"), FieldType::Number)
        ->setDisplayFormat(QStringLiteral("#0.###"));
    m_tbAllCsizes->addCalculatedField(QStringLiteral("PG_resterend"), FieldType::Number);
    setDisplay(m_tbAllCsizes, "Qtypermetermin", QStringLiteral("MinStks/m"), QStringLiteral("#0"));
    setDisplay(m_tbAllCsizes, "Qtypermetermax", QStringLiteral("MaxStks/m"), QStringLiteral("#0"));
    m_dsAllCsizes = makeSource(QStringLiteral("dsAllCsizes"), m_tbAllCsizes);
}

void TDMod::setUpSizes()
{
    m_tbSizes = makeTable(QStringLiteral("tbSizes"), QStringLiteral("Sizes"));
    addTableFields(m_tbSizes, QStringLiteral("Sizes"));
    setDisplay(m_tbSizes, "Size", QString(), QString(), 5);
    setDisplay(m_tbSizes, "QtyUnit", QString(), QString(), 10);
    setDisplay(m_tbSizes, "Gebruikstype", QString(), QString(), 10);
    setDisplay(m_tbSizes, "StdBroeiKprijs", QStringLiteral("Std.Broei-kostprijs"), QString(), 10);
    m_dsSizes = makeSource(QStringLiteral("dsSizes"), m_tbSizes);
}

void TDMod::setUpLocaties()
{
    m_tbLocaties = makeTable(QStringLiteral("tbLocaties"), QStringLiteral("Locaties"));
    addTableFields(m_tbLocaties, QStringLiteral("Locaties"));
    setDisplay(m_tbLocaties, "Temp", QStringLiteral("Temp [oC]"));
    setDisplay(m_tbLocaties, "Humrel", QStringLiteral("Rel.Vocht.[%]"));
    setDisplay(m_tbLocaties, "Oppm2", QStringLiteral("Opp[m2]"));
    setDisplay(m_tbLocaties, "Inhm3", QStringLiteral("Inh[m3]"));
    m_dsLocaties = makeSource(QStringLiteral("dsLocaties"), m_tbLocaties);
}

void TDMod::setUpCopies()
{
    // The copy views give every field of their tables, whatever the file holds.
    m_tbCdatacopy = makeTable(QStringLiteral("tbCdatacopy"), QStringLiteral("Cdata"));
    m_dsCdataCopy = makeSource(QStringLiteral("dsCdataCopy"), m_tbCdatacopy);
    // Its filter names one cultivar exactly, also a name that ends in '*'.
    db::FilterParser::Options exact;
    exact.noPartialCompare = true;
    m_tbCdatacopy->setFilterOptions(exact);
    m_tbCsizescopy = makeTable(QStringLiteral("tbCsizescopy"), QStringLiteral("Csizes"));
    m_tbCsizescopy->setMaster(m_dsCdataCopy, names({"Cultivar", "Source"}));
    m_dsSizesCopy = makeSource(QStringLiteral("dsSizesCopy"), m_tbCsizescopy);
    m_tbCstdOogstCopy = makeTable(QStringLiteral("tbCstdOogstCopy"), QStringLiteral("Cstdoogst"));
    m_tbCstdOogstCopy->setMaster(m_dsSizesCopy, names({"Cultivar", "Source", "Size"}));

    m_tbCstdOogstAll = makeTable(QStringLiteral("tbCstdOogstAll"), QStringLiteral("Cstdoogst"));
    for (const char* name : {"Cultivar", "Source", "Size", "OogstSize"})
        m_tbCstdOogstAll->addField(
            *CultivarSchema::table(QStringLiteral("Cstdoogst")).field(QLatin1String(name)));
    m_dsCstdOogstAll = makeSource(QStringLiteral("dsCstdOogstAll"), m_tbCstdOogstAll);
}

QList<db::DataSet*> TDMod::views() const
{
    return {m_tbCdata,     m_tbCdatacopy,     m_tbCsizes, m_tbCsizescopy, m_tbAllCsizes,
            m_tbCstdOogst, m_tbCstdOogstCopy, m_tbSizes,  m_SizesQuery,   m_tbCstdOogstAll,
            m_tbLocaties,  m_CdataCSQuery,    m_OldCdata};
}

void TDMod::BindViews(const QString& alias)
{
    m_DatabaseAlias = alias;
    for (db::DataSet* view : views()) {
        if (view != m_OldCdata)
            view->setDatabaseName(alias);
    }
}

void TDMod::CloseTables()
{
    for (db::DataSet* view :
         QList<db::DataSet*>{m_tbCdata, m_tbCdatacopy, m_tbCsizes, m_tbCsizescopy, m_tbAllCsizes,
                             m_tbCstdOogst, m_tbCstdOogstCopy, m_tbSizes, m_SizesQuery})
        view->close();
}

} // namespace kasplan
