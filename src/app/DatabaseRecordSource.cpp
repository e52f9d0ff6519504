#include "DatabaseRecordSource.h"

#include "CommandDatabase.h"
#include "DModSizeRecord.h"

#include "db/TDMod.h"
#include "db/engine/DataSet.h"
#include "db/engine/EngineError.h"
#include "db/engine/Field.h"
#include "db/engine/TableView.h"

#include <stdexcept>

namespace kasplan {

namespace {

[[noreturn]] void fail(const QString& reason)
{
    throw std::runtime_error(reason.toStdString());
}

ForcingValues currentRecordValues(db::DataSet& sizes)
{
    ForcingValues record;
    for (db::Field* field : sizes.fields()) {
        if (field->kind() != db::FieldKind::Data)
            continue;
        if (const auto value = DModSizeRecord::ForcingValue(*field))
            record.set(field->fieldName(), *value);
    }
    record.setCultivarName(sizes.fieldByName(QStringLiteral("Cultivar"))->value().toString());
    return record;
}

// Makes the matching size record current; without a source the cultivar must
// have exactly one source with that size.
void findSizeRecord(db::DataSet& sizes, const CultivarRecordQuery& query)
{
    const QString cultivarField = QStringLiteral("Cultivar");
    const QString sourceField = QStringLiteral("Source");
    const QString sizeField = QStringLiteral("Size");
    if (query.source) {
        if (!sizes.locate({cultivarField, sourceField, sizeField},
                          {query.cultivar, *query.source, query.size}))
            fail(QStringLiteral("cultivar '%1' met herkomst '%2' en zift '%3' staat niet in de "
                                "cultivar database")
                     .arg(query.cultivar, *query.source, query.size));
        return;
    }
    QStringList sources;
    int match = -1;
    for (sizes.first(); !sizes.eof(); sizes.next()) {
        if (sizes.fieldByName(cultivarField)->value().toString() == query.cultivar &&
            sizes.fieldByName(sizeField)->value().toString() == query.size) {
            sources.append(sizes.fieldByName(sourceField)->value().toString());
            match = sizes.currentIndex();
        }
    }
    if (sources.isEmpty())
        fail(QStringLiteral("cultivar '%1' met zift '%2' staat niet in de cultivar database")
                 .arg(query.cultivar, query.size));
    if (sources.size() > 1)
        fail(QStringLiteral("cultivar '%1' heeft zift '%2' bij meer herkomsten (%3); kies er een "
                            "met --source")
                 .arg(query.cultivar, query.size, sources.join(QStringLiteral(", "))));
    sizes.setCurrentIndex(match);
}

} // namespace

ForcingValues ReadCultivarRecordFromDatabase(const CultivarRecordQuery& query)
{
    CommandDatabase database;
    try {
        db::DataSet& sizes = *database.DMod().tbAllCsizes();
        findSizeRecord(sizes, query);
        return currentRecordValues(sizes);
    } catch (const db::EngineError& error) {
        fail(QStringLiteral("de cultivar database kon niet gelezen worden: %1")
                 .arg(CommandDatabase::FirstLine(error.text())));
    }
}

} // namespace kasplan
