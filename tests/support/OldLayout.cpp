#include "OldLayout.h"

#include "db/CultivarSchema.h"
#include "db/engine/Database.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteSchema.h"

#include <QCryptographicHash>
#include <QDate>

namespace kasplan::test::OldLayout {

namespace {

db::TableDef& tableOf(db::SchemaDef& schema, const QString& name)
{
    for (db::TableDef& t : schema.tables) {
        if (t.name == name)
            return t;
    }
    throw std::invalid_argument("no such table");
}

const char* const sizeNames[] = {"10/11", "11/12", "12/+"};

// A value for a field of record n, or null for some.
QVariant valueFor(const db::FieldDef& field, int n)
{
    const int h = qHash(field.name) % 97;
    if ((n + h) % 11 == 0)
        return {};
    switch (field.type) {
    case db::FieldType::Alpha:
        return QStringLiteral("%1%2")
            .arg(field.name.left(2))
            .arg((n * 7 + h) % 1000)
            .left(field.size);
    case db::FieldType::Memo:
        return QStringLiteral("Opmerking %1 é").arg(n);
    case db::FieldType::Short:
    case db::FieldType::Long:
        return (n * 3 + h) % 200;
    case db::FieldType::Number:
    case db::FieldType::Money:
        return ((n * 13 + h) % 500) / 4.0;
    case db::FieldType::Date:
        return QDate(2023, 1 + n % 12, 1 + n % 28);
    case db::FieldType::Logical:
        return (n + h) % 2 == 0;
    }
    return {};
}

void insert(db::SqliteConnection& c, const db::TableDef& table, const QVariantMap& fixed, int n)
{
    QStringList cols;
    QStringList marks;
    QVariantList values;
    for (const db::FieldDef& f : table.fields) {
        cols.append(db::SqliteSchema::quoted(f.name));
        marks.append(QStringLiteral("?"));
        auto it = fixed.find(f.name);
        values.append(it != fixed.end() ? it.value() : valueFor(f, n));
    }
    db::SqliteStatement s =
        c.statement(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                        .arg(db::SqliteSchema::quoted(table.name), cols.join(QStringLiteral(", ")),
                             marks.join(QStringLiteral(", "))));
    for (const QVariant& v : values)
        s.bind(v);
    s.run();
}

} // namespace

db::SchemaDef oldestSchema()
{
    db::SchemaDef schema = CultivarSchema::schema();
    removeField(schema, QStringLiteral("Cdata"), QStringLiteral("StdOogstType"));
    for (const char* f : {"SK1", "SK2", "SK3", "SK4"})
        removeField(schema, QStringLiteral("Cdata"), QLatin1String(f));
    addField(schema, QStringLiteral("Cdata"),
             {QStringLiteral("CurrencyUnit"), db::FieldType::Short, 0, false});
    removeField(schema, QStringLiteral("Csizes"), QStringLiteral("Qtypermetermin"));
    removeField(schema, QStringLiteral("Csizes"), QStringLiteral("Qtypermetermax"));
    removeField(schema, QStringLiteral("Csizes"), QStringLiteral("Locatie_broei"));
    removeField(schema, QStringLiteral("Csizes"), QStringLiteral("Locatie_pltgd"));
    addField(schema, QStringLiteral("Csizes"),
             {QStringLiteral("Qtypermeter"), db::FieldType::Number, 0, false});
    tableOf(schema, QStringLiteral("Csizes")).nonNegative.append(QStringLiteral("Qtypermeter"));
    tableOf(schema, QStringLiteral("Sizes")).primaryKey.clear();
    return schema;
}

void addField(db::SchemaDef& schema, const QString& table, const db::FieldDef& field)
{
    tableOf(schema, table).fields.append(field);
}

void removeField(db::SchemaDef& schema, const QString& table, const QString& field)
{
    db::TableDef& t = tableOf(schema, table);
    t.fields.removeIf([&](const db::FieldDef& f) { return f.name == field; });
    t.nonNegative.removeAll(field);
}

void write(const QString& file, const db::SchemaDef& schema, int cultivars, int sizesPerCultivar)
{
    db::SqliteConnection c(file, true, 10000);
    c.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    c.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    db::SqliteTransaction t(c);
    for (const QString& sql : db::SqliteSchema::createStatements(schema))
        c.exec(sql);
    const db::TableDef* cdata = schema.table(QStringLiteral("Cdata"));
    const db::TableDef* csizes = schema.table(QStringLiteral("Csizes"));
    const db::TableDef* cstdoogst = schema.table(QStringLiteral("Cstdoogst"));
    for (int n = 0; n < cultivars; ++n) {
        const QString cultivar = QStringLiteral("Cultivar %1").arg(n, 6, 10, QLatin1Char('0'));
        const QString source = n % 4 == 3 ? QString(QLatin1String("")) : QStringLiteral("NL");
        insert(c, *cdata,
               {{QStringLiteral("Cultivar"), cultivar},
                {QStringLiteral("Source"), source},
                {QStringLiteral("Status"),
                 n % 2 ? QStringLiteral("DLV/LBO") : QStringLiteral("Eigen")}},
               n);
        for (int s = 0; s < sizesPerCultivar; ++s) {
            const QVariantMap key{{QStringLiteral("Cultivar"), cultivar},
                                  {QStringLiteral("Source"), source},
                                  {QStringLiteral("Size"), QLatin1String(sizeNames[s])}};
            insert(c, *csizes, key, n * 3 + s);
            if (s == 0) {
                for (int h = 0; h < 2; ++h) {
                    QVariantMap harvest = key;
                    harvest.insert(QStringLiteral("OogstSize"), QLatin1String(sizeNames[h]));
                    insert(c, *cstdoogst, harvest, n * 2 + h);
                }
            }
        }
    }
    for (int s = 0; s < 3; ++s)
        insert(c, *schema.table(QStringLiteral("Sizes")),
               {{QStringLiteral("Size"), QLatin1String(sizeNames[s])}}, s);
    for (int l = 0; l < 2; ++l)
        insert(c, *schema.table(QStringLiteral("Locaties")),
               {{QStringLiteral("Naam"), QStringLiteral("Cel %1").arg(l)}}, l);
    t.commit();
}

QPair<int, QByteArray> contents(db::Database& database, const QString& table,
                                const QStringList& columns)
{
    QStringList quoted;
    for (const QString& c : columns)
        quoted.append(db::SqliteSchema::quoted(c));
    const db::TableDef def = database.tableDef(table);
    QStringList order;
    for (const QString& k : def.primaryKey)
        order.append(db::SqliteSchema::quoted(k));
    const auto result = database.select(
        QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
            .arg(quoted.join(QStringLiteral(", ")), db::SqliteSchema::quoted(table),
                 order.isEmpty() ? QStringLiteral("rowid") : order.join(QStringLiteral(", "))));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QVariantList& row : result.rows) {
        for (const QVariant& v : row)
            hash.addData((v.isNull() ? QStringLiteral("<null>") : v.toString()).toUtf8() + '|');
        hash.addData("\n");
    }
    return {int(result.rows.size()), hash.result()};
}

QStringList columns(db::Database& database, const QString& table)
{
    QStringList names;
    for (const auto& row :
         database.select(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table))
             .rows)
        names.append(row.value(0).toString());
    return names;
}

} // namespace kasplan::test::OldLayout
