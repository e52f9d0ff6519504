#include "DatabaseRecordSource.h"

#include "core/UserPrompts.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/DataSet.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/Field.h"
#include "db/engine/TableView.h"
#include "schedule/DateUtils.h"

#include <QRegularExpression>

#include <stdexcept>

namespace kasplan {

namespace {

// The command prints one JSON object or one error line; the messages that a
// window would show while opening are kept, and the first one explains a
// failure.
class CollectingPrompts : public UserPrompts
{
public:
    Button message(Kind, const QString& text, int, Button defaultButton) override
    {
        texts.append(text);
        return defaultButton;
    }
    QStringList texts;
};

class PromptsScope
{
public:
    explicit PromptsScope(CollectingPrompts*& collected)
    {
        auto prompts = std::make_unique<CollectingPrompts>();
        collected = prompts.get();
        UserPrompts::install(std::move(prompts));
    }
    ~PromptsScope() { UserPrompts::install(nullptr); }
    PromptsScope(const PromptsScope&) = delete;
    PromptsScope& operator=(const PromptsScope&) = delete;
};

[[noreturn]] void fail(const QString& reason)
{
    throw std::runtime_error(reason.toStdString());
}

QString firstLine(const QString& text)
{
    return text.section(QRegularExpression(QStringLiteral("[\r\n]+")), 0, 0,
                        QString::SectionSkipEmpty);
}

ForcingValues currentRecordValues(db::DataSet& sizes)
{
    ForcingValues record;
    for (db::Field* field : sizes.fields()) {
        if (field->kind() != db::FieldKind::Data || field->isNull())
            continue;
        const QVariant value = field->value();
        if (value.metaType().id() == QMetaType::QDate) {
            record.set(field->fieldName(), FromQDate(value.toDate()));
        } else {
            bool isNumber = false;
            const double number = value.toDouble(&isNumber);
            if (isNumber)
                record.set(field->fieldName(), number);
        }
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
    CollectingPrompts* prompts = nullptr;
    PromptsScope scope(prompts);
    db::EngineSession session;
    try {
        StandardDatabase::prepare(session);
        TDMod dmod(session);
        dmod.DataModuleCreate();
        db::DataSet& sizes = *dmod.tbAllCsizes();
        if (!sizes.isActive()) {
            const QString reason =
                prompts->texts.isEmpty() ? QString() : firstLine(prompts->texts.first());
            fail(QStringLiteral("de cultivar database kon niet geopend worden: %1").arg(reason));
        }
        findSizeRecord(sizes, query);
        ForcingValues record = currentRecordValues(sizes);
        dmod.CloseAllViews();
        session.closeDatabases();
        return record;
    } catch (const db::EngineError& error) {
        fail(QStringLiteral("de cultivar database kon niet gelezen worden: %1")
                 .arg(firstLine(error.text())));
    }
}

} // namespace kasplan
