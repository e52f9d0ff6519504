#include "ParadoxImportCommand.h"

#include "core/Locations.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/ParadoxImport.h"
#include "db/StandardDatabase.h"
#include "db/engine/EngineError.h"
#include "db/engine/EngineSession.h"
#include "db/engine/SqliteDatabase.h"
#include "db/paradox/CodePage.h"
#include "db/paradox/FormatError.h"
#include "db/rules/DatabaseOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace kasplan {

namespace {

struct Arguments
{
    QString folder;
    ParadoxImportOptions options;
};

// The arguments, or the reason they are wrong.
std::optional<Arguments> parse(const QStringList& arguments, QString& error)
{
    if (arguments.value(0) != QLatin1String("paradox")) {
        error = arguments.isEmpty()
                    ? QStringLiteral("geef aan wat er ingelezen moet worden")
                    : QStringLiteral("onbekende soort '%1'").arg(arguments.value(0));
        return std::nullopt;
    }
    Arguments parsed;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--dry-run")) {
            parsed.options.dryRun = true;
        } else if (a == QLatin1String("--skip-bad")) {
            parsed.options.skipBad = true;
        } else if (a == QLatin1String("--codepage")) {
            bool ok = false;
            const int number = arguments.value(++i).toInt(&ok);
            if (!ok || !paradox::CodePage::of(number)) {
                error = QStringLiteral("--codepage kent alleen 437, 850 en 1252");
                return std::nullopt;
            }
            parsed.options.codePage = number;
        } else if (a.startsWith(QLatin1String("--")) || !parsed.folder.isEmpty()) {
            error = QStringLiteral("onbekend argument '%1'").arg(a);
            return std::nullopt;
        } else {
            parsed.folder = a;
        }
    }
    if (parsed.folder.isEmpty()) {
        error = QStringLiteral("geef de map met de oude tabellen");
        return std::nullopt;
    }
    return parsed;
}

// Messages that a window would show go to standard error.
class ErrorStreamPrompts : public UserPrompts
{
public:
    explicit ErrorStreamPrompts(QTextStream& err) : m_err(err) {}
    Button message(Kind, const QString& text, int, Button defaultButton) override
    {
        m_err << "kasplan: " << QString(text).replace(QLatin1String("\r\n"), QLatin1String(" "))
              << Qt::endl;
        return defaultButton;
    }

private:
    QTextStream& m_err;
};

class PromptsScope
{
public:
    explicit PromptsScope(QTextStream& err)
    {
        UserPrompts::install(std::make_unique<ErrorStreamPrompts>(err));
    }
    ~PromptsScope() { UserPrompts::install(nullptr); }
    PromptsScope(const PromptsScope&) = delete;
    PromptsScope& operator=(const PromptsScope&) = delete;
};

// Chooses the database as the cultivar data module does, from the same
// settings and with the same fallback, but changes neither the settings nor
// the saved locations.
class TargetDatabase : public DatabaseOpenHost
{
public:
    explicit TargetDatabase(db::EngineSession& session) : m_session(session) {}

    bool ReadBool(const QString& name, bool defaultValue) override
    {
        return TZHRegistry::current().ReadBool(name, defaultValue);
    }
    int ReadInteger(const QString& name, int defaultValue) override
    {
        return TZHRegistry::current().ReadInteger(name, defaultValue);
    }
    QString ReadString(const QString& name, const QString& defaultValue) override
    {
        return TZHRegistry::current().ReadString(name, defaultValue);
    }
    void WriteBool(const QString&, bool) override {}
    QString StandardAlias() const override
    {
        return QLatin1String(db::EngineSession::StandardAlias);
    }
    void RecreateUserAlias(const QString& path) override
    {
        m_session.aliases().remove(DatabaseOpener::UserAlias);
        m_session.aliases().addLocation(DatabaseOpener::UserAlias, path);
    }
    QString DatabaseAlias() const override { return m_alias; }
    void SetDatabaseAlias(const QString& alias) override { m_alias = alias; }
    void OpenViewsAt(const QString& alias) override { m_database = &m_session.database(alias); }

    db::Database& open()
    {
        DatabaseOpener(*this).OpenDatabase();
        return *m_database;
    }

private:
    db::EngineSession& m_session;
    QString m_alias;
    db::Database* m_database = nullptr;
};

int fail(QTextStream& err, const QString& reason)
{
    err << "kasplan import: " << reason << Qt::endl;
    return 2;
}

} // namespace

QString ParadoxImportUsage()
{
    return QStringLiteral(
        "Gebruik: kasplan import paradox MAP [--dry-run] [--skip-bad] [--codepage 437|850|1252]");
}

int runParadoxImportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QString error;
    const std::optional<Arguments> parsed = parse(arguments, error);
    if (!parsed) {
        err << "kasplan import: " << error << '\n' << ParadoxImportUsage() << Qt::endl;
        return 2;
    }
    const ParadoxImportOptions& options = parsed->options;
    if (!QFileInfo(parsed->folder).isDir())
        return fail(err, QStringLiteral("de map %1 bestaat niet").arg(parsed->folder));

    const PromptsScope prompts(err);
    db::EngineSession session;
    // A trial must not write, so it never makes the standard database: when
    // it is missing the trial runs on a fresh one made aside.
    std::unique_ptr<QTemporaryDir> trialFolder;
    try {
        const QString standard = QLatin1String(db::EngineSession::StandardAlias);
        if (!options.dryRun) {
            StandardDatabase::prepare(session);
        } else {
            if (session.aliasPath(standard).isEmpty())
                session.aliases().add(standard, QLatin1String(db::EngineSession::DefaultDriver),
                                      Locations::standardDatabaseDir());
            const QString file = QDir(session.aliasPath(standard))
                                     .filePath(QLatin1String(db::SqliteDatabase::FileName));
            if (!QFileInfo::exists(file)) {
                trialFolder = std::make_unique<QTemporaryDir>();
                StandardDatabase::ensureCreated(trialFolder->path());
                session.aliases().add(standard, QLatin1String(db::EngineSession::DefaultDriver),
                                      trialFolder->path());
            }
        }
        db::Database& database = TargetDatabase(session).open();
        out << "Cultivar database: "
            << (trialFolder ? QStringLiteral("(nog niet aangemaakt)")
                : qobject_cast<db::SqliteDatabase*>(&database)
                    ? QDir(database.folder()).filePath(QLatin1String(db::SqliteDatabase::FileName))
                    : database.folder()) // a server: "kasplan op kas-server:5432"
            << Qt::endl;

        const ParadoxImportResult result = ParadoxImport::run(database, parsed->folder, options);
        for (const QString& line : ParadoxImport::reportLines(result, options))
            out << line << '\n';
        out.flush();
        session.closeDatabases();
        if (result.tables.isEmpty())
            return fail(err, QStringLiteral("geen oude tabellen gevonden"));
        if (result.refused)
            return fail(err, QStringLiteral("niets overgenomen, %1 record(s) breken een regel")
                                 .arg(result.leftOut.size()));
        return 0;
    } catch (const paradox::FormatError& e) {
        return fail(err, e.text() + QStringLiteral("; er is niets veranderd"));
    } catch (const db::EngineError& e) {
        return fail(err, QString(e.text()).replace(QLatin1Char('\n'), QLatin1Char(' ')) +
                             QStringLiteral("; er is niets veranderd"));
    }
}

} // namespace kasplan
