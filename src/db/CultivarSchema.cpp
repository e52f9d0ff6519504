#include "CultivarSchema.h"

#include "engine/EngineError.h"

namespace kasplan::CultivarSchema {

namespace {

using db::FieldDef;
using db::FieldType;
using db::TableDef;
using db::TableLink;

FieldDef alpha(const char* name, int size, bool required = false)
{
    return {QLatin1String(name), FieldType::Alpha, size, required};
}

FieldDef of(const char* name, FieldType type)
{
    return {QLatin1String(name), type, 0, false};
}

QStringList names(std::initializer_list<const char*> list)
{
    QStringList result;
    for (const char* n : list)
        result.append(QLatin1String(n));
    return result;
}

TableDef cdata()
{
    TableDef t;
    t.name = QStringLiteral("Cdata");
    t.fields = {
        alpha("Cultivar", 50, true),
        alpha("Source", 30),
        alpha("Artikelcode", 10),
        alpha("Blad", 1),
        alpha("Kleur", 20),
        of("ProductType", FieldType::Short),
        alpha("CertifNr", 20),
        alpha("Klasse", 10),
        of("Hoofdgroep", FieldType::Short),
        alpha("BolArtikelcode", 10),
        alpha("Status", 20),
        of("PGvoorraad", FieldType::Logical),
        of("Broeivoorraad", FieldType::Logical),
        alpha("Country_of_Origin", 20),
        of("Remarks", FieldType::Memo),
        of("StdOogstType", FieldType::Long),
        alpha("SK1", 3),
        alpha("SK2", 3),
        alpha("SK3", 3),
        alpha("SK4", 3),
    };
    t.primaryKey = names({"Cultivar", "Source"});
    t.recordLocks = true;
    return t;
}

TableDef csizes()
{
    TableDef t;
    t.name = QStringLiteral("Csizes");
    t.fields = {
        alpha("Cultivar", 50, true),
        alpha("Source", 30),
        alpha("Size", 10),
        of("Aantal", FieldType::Long),
        of("Prijs", FieldType::Money),
        of("Kostprijs", FieldType::Money),
        of("Kostprijs_w", FieldType::Money),
        of("Kostprijs_ice", FieldType::Money),
        of("DnaG20", FieldType::Short),
        of("DnaG20_w", FieldType::Short),
        of("DnaG20_ice", FieldType::Short),
    };
    for (const char* kind : {"Dk_p", "Kd_p"}) {
        for (int p = 1; p <= 4; ++p)
            t.fields.append({QStringLiteral("%1%2").arg(QLatin1String(kind)).arg(p),
                             FieldType::Short, 0, false});
    }
    for (const char* kind : {"Dk_p", "Kd_p"}) {
        for (int p = 1; p <= 4; ++p)
            t.fields.append({QStringLiteral("%1%2_w").arg(QLatin1String(kind)).arg(p),
                             FieldType::Short, 0, false});
    }
    t.fields += {
        of("Dk_p_ice", FieldType::Short),
        of("Kd_p_ice", FieldType::Short),
        alpha("Status", 20),
        of("Oogstdagen", FieldType::Long),
        of("Oogstdagen_w", FieldType::Long),
        of("Oogstdagen_ice", FieldType::Long),
        of("Oogstverdeling", FieldType::Short),
        of("Oogstverdeling_w", FieldType::Short),
        of("Oogstverdeling_ice", FieldType::Short),
        of("Nperbox", FieldType::Long),
        of("Npertray", FieldType::Long),
        of("Npertray_w", FieldType::Long),
        of("Npertray_ice", FieldType::Long),
        of("Gstagemin", FieldType::Date),
        of("Geboekt", FieldType::Long),
        alpha("PG_fustnaam", 20),
        of("PG_voorraad", FieldType::Number),
        of("PG_unit", FieldType::Short),
        of("PG_perfust", FieldType::Number),
        of("PG_geboekt", FieldType::Number),
        of("PG_prijs", FieldType::Money),
        of("Std_Plant_dichtheid", FieldType::Number),
        of("Std_teeltkosten_bol", FieldType::Money),
        of("Std_verwerkkosten_bol", FieldType::Money),
        of("Qtypermetermin", FieldType::Number),
        of("Qtypermetermax", FieldType::Number),
        alpha("Locatie_broei", 20),
        alpha("Locatie_pltgd", 20),
    };
    t.primaryKey = names({"Cultivar", "Source", "Size"});
    // Every count, day count, quantity and price; not the codes.
    for (const FieldDef& f : std::as_const(t.fields)) {
        const bool code = f.name.startsWith(QLatin1String("Oogstverdeling")) ||
                          f.name == QLatin1String("PG_unit");
        const bool numeric = f.type != FieldType::Alpha && f.type != FieldType::Memo &&
                             f.type != FieldType::Date && f.type != FieldType::Logical;
        if (numeric && !code)
            t.nonNegative.append(f.name);
    }
    t.recordLocks = true;
    return t;
}

TableDef cstdoogst()
{
    TableDef t;
    t.name = QStringLiteral("Cstdoogst");
    t.fields = {
        alpha("Cultivar", 50, true),
        alpha("Source", 30),
        alpha("Size", 10),
        alpha("OogstSize", 10),
        of("Qtyunit", FieldType::Short),
        of("StdQty_per_m2", FieldType::Number),
    };
    t.primaryKey = names({"Cultivar", "Source", "Size", "OogstSize"});
    t.nonNegative = names({"StdQty_per_m2"});
    t.recordLocks = true;
    return t;
}

TableDef sizes()
{
    TableDef t;
    t.name = QStringLiteral("Sizes");
    t.fields = {
        alpha("Size", 10),
        of("QtyUnit", FieldType::Short),
        of("Gebruikstype", FieldType::Long),
        of("StdBroeiKprijs", FieldType::Money),
    };
    t.primaryKey = names({"Size"});
    t.nonNegative = names({"StdBroeiKprijs"});
    return t;
}

TableDef locaties()
{
    TableDef t;
    t.name = QStringLiteral("Locaties");
    t.fields = {
        alpha("Naam", 20),
        of("Temp", FieldType::Number),
        of("Humrel", FieldType::Number),
        of("Oppm2", FieldType::Number),
        of("Inhm3", FieldType::Number),
        alpha("Opm", 255),
    };
    // Sizes refer to a location by its name, so the name is the key.
    t.primaryKey = names({"Naam"});
    t.nonNegative = names({"Humrel", "Oppm2", "Inhm3"});
    return t;
}

} // namespace

db::SchemaDef schema()
{
    db::SchemaDef s;
    s.tables = {cdata(), csizes(), cstdoogst(), sizes(), locaties()};
    s.links = {
        {QStringLiteral("Csizes"), QStringLiteral("Cdata"), names({"Cultivar", "Source"}),
         TableLink::Rule::Carry},
        {QStringLiteral("Cstdoogst"), QStringLiteral("Csizes"),
         names({"Cultivar", "Source", "Size"}), TableLink::Rule::Restrict},
    };
    return s;
}

const db::TableDef& table(const QString& name)
{
    static const db::SchemaDef s = schema();
    const db::TableDef* t = s.table(name);
    if (!t)
        throw db::EngineError::tableMissing(name);
    return *t;
}

} // namespace kasplan::CultivarSchema
