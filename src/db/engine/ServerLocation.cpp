#include "ServerLocation.h"

#include "EngineError.h"

#include <QStringList>

#include <libpq-fe.h>

#include <memory>

namespace kasplan::db::ServerLocation {

namespace {

EngineError passwordRefused(const QString& where)
{
    return {ErrorKind::UnknownAlias,
            QStringLiteral("Een wachtwoord hoort niet in de instellingen van Kasplan (%1): zet "
                           "het in het wachtwoordbestand van PostgreSQL (~/.pgpass of het bestand "
                           "dat PGPASSFILE noemt).")
                .arg(where)};
}

bool isPassword(const QString& keyword)
{
    return keyword.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool isServerText(const QString& text)
{
    const QString t = text.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

ServerParams parse(const QString& text)
{
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> options(
        PQconninfoParse(text.trimmed().toUtf8().constData(), &error), &PQconninfoFree);
    if (!options) {
        const QString reason = error ? QString::fromUtf8(error).trimmed() : QString();
        PQfreemem(error);
        throw EngineError(
            ErrorKind::UnknownAlias,
            QStringLiteral("De databaseserver is niet goed aangegeven: %1\n%2").arg(reason, text));
    }
    ServerParams params;
    for (const PQconninfoOption* o = options.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        const QString keyword = QString::fromUtf8(o->keyword);
        if (isPassword(keyword))
            throw passwordRefused(QStringLiteral("de locatie van de cultivar database"));
        params.append({keyword, QString::fromUtf8(o->val)});
    }
    return params;
}

void check(const QString& alias, const ServerParams& params)
{
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> defaults(PQconndefaults(),
                                                                            &PQconninfoFree);
    for (const auto& [keyword, value] : params) {
        if (isPassword(keyword))
            throw passwordRefused(QStringLiteral("engine.cfg, [%1]").arg(alias));
        bool known = false;
        for (const PQconninfoOption* o = defaults.get(); o && o->keyword; ++o)
            known =
                known || keyword.compare(QString::fromUtf8(o->keyword), Qt::CaseInsensitive) == 0;
        if (!known)
            throw EngineError(ErrorKind::UnknownAlias,
                              QStringLiteral("Onbekende instelling %1 voor de databaseserver in "
                                             "engine.cfg, [%2].")
                                  .arg(keyword, alias));
    }
}

namespace {

QString valueOf(const ServerParams& params, const char* keyword)
{
    for (const auto& [k, v] : params) {
        if (k.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

} // namespace

QString describe(const ServerParams& params)
{
    const QString host = valueOf(params, "host");
    const QString port = valueOf(params, "port");
    QString dbname = valueOf(params, "dbname");
    if (dbname.isEmpty())
        dbname = valueOf(params, "user");
    QString server = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (!port.isEmpty())
        server += QLatin1Char(':') + port;
    return dbname.isEmpty() ? server : QStringLiteral("%1 op %2").arg(dbname, server);
}

QString identity(const ServerParams& params)
{
    QStringList parts;
    for (const auto& [k, v] : params)
        parts.append(k.toLower() + QLatin1Char('=') + v);
    parts.sort();
    return QStringLiteral("postgresql:") + parts.join(QLatin1Char('\x1f'));
}

} // namespace kasplan::db::ServerLocation
