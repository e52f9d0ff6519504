// The soil forcing data of a size copied to its water and ice forcing data:
// for the current size record, or for every size of the cultivars the list
// shows.
#include "TDMod.h"

#include "db/rules/StockFigures.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/TableView.h"

#include <exception>

namespace kasplan {

using db::EngineError;

namespace {

struct FieldCopy
{
    const char* target;
    const char* source;
};

// Ice tulips take the values of the last housing period, "25/2-24/3".
constexpr FieldCopy kSoilToWaterIce[] = {
    {"Dk_p1_w", "Dk_p1"},
    {"Dk_p2_w", "Dk_p2"},
    {"Dk_p3_w", "Dk_p3"},
    {"Dk_p4_w", "Dk_p4"},
    {"Kd_p1_w", "Kd_p1"},
    {"Kd_p2_w", "Kd_p2"},
    {"Kd_p3_w", "Kd_p3"},
    {"Kd_p4_w", "Kd_p4"},
    {"Npertray_w", "Npertray"},
    {"DnaG20_w", "DnaG20"},
    {"Kostprijs_w", "Kostprijs"},
    {"Oogstdagen_w", "Oogstdagen"},
    {"Oogstverdeling_w", "Oogstverdeling"},
    {"Dk_p_ice", "Dk_p4"},
    {"Kd_p_ice", "Kd_p4"},
    {"Npertray_ice", "Npertray"},
    {"DnaG20_ice", "DnaG20"},
    {"Kostprijs_ice", "Kostprijs"},
    {"Oogstdagen_ice", "Oogstdagen"},
    {"Oogstverdeling_ice", "Oogstverdeling"},
};

// Display updates of a view suspended for a scope.
class SuspendedDisplay
{
public:
    explicit SuspendedDisplay(db::DataSet& view) : m_view(view) { m_view.disableControls(); }
    ~SuspendedDisplay() { m_view.enableControls(); }
    SuspendedDisplay(const SuspendedDisplay&) = delete;
    SuspendedDisplay& operator=(const SuspendedDisplay&) = delete;

private:
    db::DataSet& m_view;
};

QString keyPart(const db::RowKey& key, int i)
{
    return QString::fromUtf8(key.value(i));
}

} // namespace

void TDMod::CopySoilToWaterIce()
{
    // Without a size record there is nothing to copy from; an edit would
    // start a new, empty one.
    if (!m_tbCsizes->isActive() || m_tbCsizes->isEmpty())
        return;
    m_tbCsizes->edit();
    for (const FieldCopy& copy : kSoilToWaterIce)
        m_tbCsizes->fieldByName(QLatin1String(copy.target))
            ->setValue(m_tbCsizes->fieldByName(QLatin1String(copy.source))->value());
    m_tbCsizes->post();
}

bool TDMod::CopySoilToWaterIceForList(const ProgressHook& progress)
{
    if (!m_tbCdata->isActive() || !m_tbCsizes->isActive())
        return true;
    // What the user was typing is the user's own change: it goes first.
    for (db::DataSet* view :
         {static_cast<db::DataSet*>(m_tbCstdOogst), static_cast<db::DataSet*>(m_tbCsizes),
          static_cast<db::DataSet*>(m_tbCdata)}) {
        if (view->isActive())
            view->checkBrowseMode();
    }

    QStringList sourceFields{QStringLiteral("Size")};
    QStringList targetFields;
    for (const FieldCopy& copy : kSoilToWaterIce) {
        sourceFields.append(QLatin1String(copy.source));
        targetFields.append(QLatin1String(copy.target));
    }
    std::vector<db::RowKey> listed;
    listed.reserve(size_t(m_tbCdata->recordCount()));
    for (int i = 0; i < m_tbCdata->recordCount(); ++i)
        listed.push_back(m_tbCdata->keyAt(i));

    db::Database& database = *m_tbCsizes->database();
    const db::TableDef sizes = m_tbCsizes->tableDef();
    const db::TableDef cultivars = m_tbCdata->tableDef();
    const int total = int(listed.size());
    int done = 0;
    std::exception_ptr failure;
    {
        // The views do not move: they hear of the changed records, and their
        // windows of the whole change once it is over.
        const SuspendedDisplay cdataDisplay(*m_tbCdata);
        const SuspendedDisplay csizesDisplay(*m_tbCsizes);
        const SuspendedDisplay allCsizesDisplay(*m_tbAllCsizes);
        // Nothing reads the changed records through a view meanwhile: the
        // views read them anew once, when the run is over.
        const db::HeldChangeNotices notices(database);
        db::Transaction run(database);
        const std::unique_ptr<db::BulkAccess> soilValues = database.bulkAccess(sizes, sourceFields);
        try {
            for (const db::RowKey& cultivar : listed) {
                const db::Condition owned = db::Condition::both(
                    db::Condition::compare(db::Condition::Op::Equal, QStringLiteral("Cultivar"),
                                           keyPart(cultivar, 0)),
                    db::Condition::compare(db::Condition::Op::Equal, QStringLiteral("Source"),
                                           keyPart(cultivar, 1)));
                const db::KeyScan scan = database.scanKeys(
                    sizes, owned, {QStringLiteral("PG_voorraad"), QStringLiteral("Aantal")});
                StockFlags flags;
                for (size_t i = 0; i < scan.keys.size(); ++i) {
                    copySoilToWaterIce(database, sizes, scan.keys[i], *soilValues, targetFields);
                    flags.add(scan.extra[i].value(0).toDouble(),
                              scan.extra[i].value(1).toLongLong());
                }
                // A size posted here brings the cultivar's stock flags up to
                // date, as any size post does.
                if (!scan.keys.empty())
                    storeStockFlags(database, cultivars, cultivar, flags.PGvoorraad(),
                                    flags.Broeivoorraad());
                ++done;
                if (progress && !progress(done, total))
                    break;
            }
        } catch (...) {
            failure = std::current_exception();
        }
        // The records copied before a failure stay copied.
        run.commit();
    }
    if (failure)
        std::rethrow_exception(failure);
    m_tbCsizes->saveChanges();
    return done == total;
}

void TDMod::copySoilToWaterIce(db::Database& database, const db::TableDef& sizes,
                               const db::RowKey& key, db::BulkAccess& soilValues,
                               const QStringList& targetFields)
{
    // Each record on its own: a refusal undoes only the record refused.
    db::Transaction record(database);
    try {
        database.lockRecord(sizes, key);
    } catch (const EngineError& error) {
        if (error.kind() == db::ErrorKind::RecordLocked)
            throw error.withText(
                SizeLockText(keyPart(key, 0), keyPart(key, 2), keyPart(key, 1), error.holder()));
        throw;
    }
    // Read once the lock is held: another copy may have posted since.
    const auto stored = soilValues.fetch(key);
    if (!stored) {
        // Deleted by another copy meanwhile: nothing left to copy.
        database.unlockRecord(sizes, key);
        record.commit();
        return;
    }
    RequireSize(stored->value(0).toString());
    try {
        database.updateRow(sizes, key, targetFields, stored->mid(1));
    } catch (const EngineError& error) {
        tbCsizesPostError(error);
        throw;
    }
    record.commit();
}

void TDMod::storeStockFlags(db::Database& database, const db::TableDef& cultivars,
                            const db::RowKey& key, bool pgVoorraad, bool broeiVoorraad)
{
    const QStringList flagFields{QStringLiteral("PGvoorraad"), QStringLiteral("Broeivoorraad")};
    const auto stored = database.fetchRow(cultivars, flagFields, key);
    if (!stored ||
        (stored->value(0).toBool() == pgVoorraad && stored->value(1).toBool() == broeiVoorraad))
        return;
    db::Transaction record(database);
    try {
        database.lockRecord(cultivars, key);
    } catch (const EngineError& error) {
        if (error.kind() == db::ErrorKind::RecordLocked)
            throw error.withText(
                CultivarLockText(keyPart(key, 0), keyPart(key, 1), error.holder()));
        throw;
    }
    database.updateRow(cultivars, key, flagFields, {pgVoorraad, broeiVoorraad});
    record.commit();
}

} // namespace kasplan
