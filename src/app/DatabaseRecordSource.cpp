#include "DatabaseRecordSource.h"

#include "DModSizeRecord.h"

#include "core/UserPrompts.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/DataSet.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/Field.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"

#include <QDir>
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

// Opens the database as the data module does, with its choice of location
// and its fallback, but writes nothing back: a command that only reads
// leaves the settings and the engine configuration as they were, also when
// the opening fails.
class ReadOnlyOpenHost : public DatabaseOpenHost
{
public:
    explicit ReadOnlyOpenHost(TDMod& dmod) : m_dmod(dmod) {}

    bool ReadBool(const QString& name, bool defaultValue) override
    {
        return m_dmod.ReadBool(name, defaultValue);
    }
    int ReadInteger(const QString& name, int defaultValue) override
    {
        return m_dmod.ReadInteger(name, defaultValue);
    }
    QString ReadString(const QString& name, const QString& defaultValue) override
    {
        return m_dmod.ReadString(name, defaultValue);
    }
    void WriteBool(const QString&, bool) override {}
    QString StandardAlias() const override { return m_dmod.StandardAlias(); }
    // In this session only; the saved configuration is not touched.
    void RecreateUserAlias(const QString& path) override
    {
        m_dmod.session().aliases().add(DatabaseOpener::UserAlias,
                                       QLatin1String(db::EngineSession::DefaultDriver), path);
    }
    QString DatabaseAlias() const override { return m_dmod.DatabaseAlias(); }
    void SetDatabaseAlias(const QString& alias) override { m_dmod.SetDatabaseAlias(alias); }
    void OpenViewsAt(const QString& alias) override { m_dmod.OpenViewsAt(alias); }

private:
    TDMod& m_dmod;
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

// The engine's reason on one line: "file is not a database.\nFile: /x"
// reads "file is not a database: /x".
QString oneLine(const QString& engineText)
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n]+"));
    static const QRegularExpression label(QStringLiteral("^\\w+: "));
    QStringList parts;
    for (QString line : engineText.split(lineBreaks, Qt::SkipEmptyParts)) {
        line = line.trimmed();
        if (parts.isEmpty()) {
            if (line.endsWith(QLatin1Char('.')))
                line.chop(1);
        } else {
            line.remove(label);
        }
        parts.append(line);
    }
    return parts.join(QStringLiteral(": "));
}

// "Cultivar Database BROEI kon niet geopened worden: <reason>: <file>".
QString openingFailure(const QString& message, const db::EngineError& error, const QString& file)
{
    QString line = firstLine(message) + QStringLiteral(": ") + oneLine(error.text());
    if (!file.isEmpty() && !line.contains(file))
        line += QStringLiteral(": ") + file;
    return line;
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
    CollectingPrompts* prompts = nullptr;
    PromptsScope scope(prompts);
    db::EngineSession session;
    try {
        StandardDatabase::prepare(session);
        TDMod dmod(session);
        ReadOnlyOpenHost host(dmod);
        try {
            DatabaseOpener(host).OpenDatabase();
        } catch (const db::EngineError& error) {
            // The last message is the failure that ended the opening.
            const QString folder = session.aliasPath(dmod.DatabaseAlias());
            const QString file =
                folder.isEmpty()
                    ? QString()
                    : QDir(folder).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
            fail(openingFailure(prompts->texts.value(prompts->texts.size() - 1), error, file));
        }
        db::DataSet& sizes = *dmod.tbAllCsizes();
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
