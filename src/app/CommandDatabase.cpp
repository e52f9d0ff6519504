#include "CommandDatabase.h"

#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/CultivarSchema.h"
#include "db/StandardDatabase.h"
#include "db/TDMod.h"
#include "db/engine/EngineError.h"
#include "db/engine/SqliteDatabase.h"
#include "db/engine/TableView.h"

#include <QDir>
#include <QRegularExpression>

#include <stdexcept>

namespace kasplan {

// A command prints its result or one error line; the messages that a window
// would show while opening are kept, and explain a failure.
class CommandDatabase::CollectingPrompts : public UserPrompts
{
public:
    Button message(Kind, const QString& text, int, Button defaultButton) override
    {
        texts.append(text);
        return defaultButton;
    }
    QStringList texts;
};

class CommandDatabase::PromptsScope
{
public:
    PromptsScope()
    {
        auto prompts = std::make_unique<CollectingPrompts>();
        collected = prompts.get();
        UserPrompts::install(std::move(prompts));
    }
    ~PromptsScope() { UserPrompts::install(nullptr); }
    PromptsScope(const PromptsScope&) = delete;
    PromptsScope& operator=(const PromptsScope&) = delete;
    CollectingPrompts* collected = nullptr;
};

namespace {

// Opens the database as the data module does, with its choice of location
// and its fallback, but writes nothing back.
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
        m_dmod.session().aliases().addLocation(DatabaseOpener::UserAlias, path);
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
    QString line =
        CommandDatabase::FirstLine(message) + QStringLiteral(": ") + oneLine(error.text());
    if (!file.isEmpty() && !line.contains(file))
        line += QStringLiteral(": ") + file;
    return line;
}

} // namespace

QString CommandDatabase::FirstLine(const QString& text)
{
    return text.section(QRegularExpression(QStringLiteral("[\r\n]+")), 0, 0,
                        QString::SectionSkipEmpty);
}

CommandDatabase::CommandDatabase() : m_prompts(std::make_unique<PromptsScope>())
{
    try {
        Open(*m_prompts->collected);
    } catch (const db::EngineError& error) {
        m_dmod.reset();
        fail(QStringLiteral("de cultivar database kon niet gelezen worden: %1")
                 .arg(FirstLine(error.text())));
    } catch (...) {
        m_dmod.reset();
        throw;
    }
}

void CommandDatabase::Open(const CollectingPrompts& prompts)
{
    StandardDatabase::prepare(m_session);
    // A command that only reads lays out no empty server database.
    m_session.setServerLayout({CultivarSchema::schema(), {}, false});
    m_dmod = std::make_unique<TDMod>(m_session);
    ReadOnlyOpenHost host(*m_dmod);
    try {
        DatabaseOpener(host).OpenDatabase();
    } catch (const db::EngineError& error) {
        // The last message is the failure that ended the opening.
        const QString folder = m_session.aliasPath(m_dmod->DatabaseAlias());
        const QString file =
            folder.isEmpty()
                ? QString()
                : QDir(folder).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
        fail(openingFailure(prompts.texts.value(prompts.texts.size() - 1), error, file));
    }
    m_dmod->setTussenTunit(TZHRegistry::current().ReadInteger(Setting::TussenTunit));
    m_dmod->setKperiodunit(TZHRegistry::current().ReadInteger(Setting::Kperiodunit));
    m_dmod->SetPeriodUnits();
}

CommandDatabase::~CommandDatabase()
{
    if (m_dmod)
        m_dmod->CloseAllViews();
    m_dmod.reset();
    m_session.closeDatabases();
}

} // namespace kasplan
