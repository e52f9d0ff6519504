#include "DatabaseErrorReport.h"

namespace kasplan {

QString DatabaseErrorText(const QString& databaseName, const QString& applicationName,
                          const QString& engineError)
{
    // Filled in one pass, so a % in the engine's text is never taken as a marker.
    return QStringLiteral(
               "Error DB 1\r\nDe %1database kan niet geopend worden.\r\nDe database is ongeldig, "
               "beschadigd, onvolledig of\r\nniet compatible met uw %2 versie.\r\n\r\nDe "
               "foutmelding = %3\r\n\r\nStart opnieuw op om uw database te laten updaten.\r\n"
               "Blijven er problemen, noteer dan uw %2 versie nr.,\r\nen neem contact op met "
               "Zandhof Services.\r\nE-mail de inhoud van de data folder (gezipped) naar Zandhof "
               "Services")
        .arg(databaseName, applicationName, engineError);
}

} // namespace kasplan
