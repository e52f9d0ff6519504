#include "DatabaseOpener.h"

#include "core/SettingsCatalog.h"
#include "core/UserPrompts.h"

#include <QFileInfo>

#include <exception>

namespace kasplan {

void DatabaseOpener::OpenDatabase()
{
    const bool use = m_host.ReadBool(QLatin1String(Setting::UseKasplanCdata.name),
                                     Setting::UseKasplanCdata.defaultValue);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const bool chosenLocation = use && attempt == 1;
        QString reason;
        try {
            try {
                const QString alias = chooseAlias(chosenLocation);
                m_host.SetDatabaseAlias(alias);
                m_host.OpenViewsAt(alias);
                return;
            } catch (const std::exception& e) {
                reason = QString::fromUtf8(e.what());
                throw;
            }
        } catch (...) {
            QString message = QStringLiteral("Cultivar Database %1 kon niet geopened worden")
                                  .arg(m_host.DatabaseAlias());
            // The standard database opens in its place, so nothing else
            // would tell the user why the chosen one did not (a server out of
            // reach, a database of another program).
            if (chosenLocation && !reason.isEmpty())
                message += QStringLiteral("\r\n") +
                           QString(reason).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
            if (chosenLocation)
                message += QStringLiteral(
                    "\r\nde standaard Teelplan Cultivar database wordt nu weer geopend");
            UserPrompts::current().showError(message);
            // A location that failed once is not tried again at the next start.
            m_host.WriteBool(QLatin1String(Setting::UseKasplanCdata.name), false);
            if (attempt == 2 || !use)
                throw;
        }
    }
}

QString DatabaseOpener::chooseAlias(bool chosenLocation)
{
    if (!chosenLocation)
        return m_host.StandardAlias();
    switch (m_host.ReadInteger(QLatin1String(Setting::KasplanTypeCdata.name),
                               Setting::KasplanTypeCdata.defaultValue)) {
    case 1:
        return HortiAlias;
    case 2: {
        const QString path =
            m_host.ReadString(QLatin1String(Setting::KasplanDBasePath.name),
                              QLatin1String(Setting::KasplanDBasePath.defaultValue));
        // The path may name a database on a server instead of a folder.
        const bool server = path.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
                            path.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
        if (path.isEmpty() || (!server && !QFileInfo(path).isDir()))
            return m_host.StandardAlias();
        m_host.RecreateUserAlias(path);
        return UserAlias;
    }
    default:
        return m_host.StandardAlias();
    }
}

} // namespace kasplan
