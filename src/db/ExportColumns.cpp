#include "ExportColumns.h"

#include "db/rules/FieldConversions.h"

#include <QDate>

namespace kasplan::ExportColumns {

QList<db::TextColumn> CultivarList()
{
    const auto column = [](const char* field, const char* title) {
        return db::TextColumn{QString::fromUtf8(title), QLatin1String(field), {}};
    };
    return {column("Cultivar", "Cultivar"),
            column("Source", "Herkomst"),
            column("Hoofdgroep", "Hoofdgroep"),
            column("BolArtikelcode", "Artikelcode bollen"),
            column("CertifNr", "CertifNr"),
            column("Artikelcode", "Artikelcode bloemen"),
            column("ProductType", "Producttype bloemen")};
}

QList<db::TextColumn> SizeTable()
{
    QStringList fields{QStringLiteral("Cultivar"),  QStringLiteral("Source"),
                       QStringLiteral("Size"),      QStringLiteral("Status"),
                       QStringLiteral("DnaG20"),    QStringLiteral("DnaG20_w"),
                       QStringLiteral("DnaG20_ice")};
    for (const char* suffix : {"", "_w"}) {
        for (const char* kind : {"Dk_p", "Kd_p"}) {
            for (int p = 1; p <= 4; ++p)
                fields.append(QStringLiteral("%1%2%3")
                                  .arg(QLatin1String(kind))
                                  .arg(p)
                                  .arg(QLatin1String(suffix)));
        }
    }
    fields << QStringLiteral("Dk_p_ice") << QStringLiteral("Kd_p_ice");
    QList<db::TextColumn> columns;
    for (const QString& field : std::as_const(fields))
        columns.append({field, field, {}});
    columns.append(
        {QStringLiteral("Gstagemin"), QStringLiteral("Gstagemin"),
         [](const QVariant& value) { return FieldConversions::GstageminText(value.toDate()); }});
    return columns;
}

} // namespace kasplan::ExportColumns
