#include "OldDatabase.h"

#include "db/CultivarSchema.h"
#include "db/engine/Database.h"

#include <QDate>
#include <QDir>

namespace kasplan::test {

namespace {

using paradox::Field;
using paradox::FieldType;

const QStringList SizeNames{QStringLiteral("10/11"), QStringLiteral("11/12"),
                            QStringLiteral("12/+")};

QString fileOf(const QString& table)
{
    return table == QLatin1String("Locaties") ? QStringLiteral("Locaties.db")
                                              : table + QStringLiteral(".DB");
}

FieldType oldType(db::FieldType type)
{
    switch (type) {
    case db::FieldType::Alpha:
        return FieldType::Alpha;
    case db::FieldType::Short:
        return FieldType::Short;
    case db::FieldType::Long:
        return FieldType::Long;
    case db::FieldType::Number:
        return FieldType::Number;
    case db::FieldType::Money:
        return FieldType::Money;
    case db::FieldType::Date:
        return FieldType::Date;
    case db::FieldType::Logical:
        return FieldType::Logical;
    case db::FieldType::Memo:
        return FieldType::Memo;
    }
    return FieldType::Alpha;
}

QString memoText(int i)
{
    switch (i % 5) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("proef %1: vroeg broeien").arg(i);
    case 2:
        return QStringLiteral("opmerking %1 over de koude, één keer gemeten; ").arg(i).repeated(12);
    case 3:
        return QStringLiteral("lange opmerking %1 met ë en ü\r\n").arg(i).repeated(100);
    default:
        return QStringLiteral("korte opmerking %1 ").arg(i).repeated(8);
    }
}

// The value of a non-key field of record i; about one in eleven is null.
QVariant generated(const db::FieldDef& f, int fieldIndex, int i)
{
    if ((i + fieldIndex) % 11 == 0)
        return {};
    switch (f.type) {
    case db::FieldType::Alpha: {
        if (f.name == QLatin1String("Status"))
            return i % 4 == 0 ? QStringLiteral("Gewijzigd") : QStringLiteral("DLV/LBO");
        return QStringLiteral("%1 é%2ß").arg(f.name.left(4)).arg(i).left(f.size);
    }
    case db::FieldType::Short:
        return (i * 7 + fieldIndex) % 300;
    case db::FieldType::Long:
        return i * 13 + fieldIndex;
    case db::FieldType::Number:
        return (i + fieldIndex) * 0.25;
    case db::FieldType::Money:
        return (i % 50) * 1.05 + fieldIndex;
    case db::FieldType::Date:
        return QDate(2000, 1 + i % 12, 1 + i % 28);
    case db::FieldType::Logical:
        return (i + fieldIndex) % 2 == 0;
    case db::FieldType::Memo: {
        const QString text = memoText(i);
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    }
    return {};
}

QString cultivarName(int c)
{
    return QStringLiteral("Kweek %1 ë").arg(c, 6, 10, QLatin1Char('0'));
}

QString sourceOf(int c)
{
    return c % 3 == 0 ? QString() : (c % 3 == 1 ? QStringLiteral("NL") : QStringLiteral("F"));
}

// Record i of a table with the given key values.
QVariantList row(const QString& table, int i, const QVariantList& key)
{
    const db::TableDef& def = CultivarSchema::table(table);
    QVariantList values;
    for (int f = 0; f < def.fields.size(); ++f)
        values.append(f < key.size() ? key[f] : generated(def.fields[f], f, i));
    return values;
}

// Calls add(table, record) for every record of the sample, masters first.
template <class Add> void generate(int cultivars, int sizesPerCultivar, Add add)
{
    for (int s = 0; s < SizeNames.size(); ++s)
        add(QStringLiteral("Sizes"), row(QStringLiteral("Sizes"), s, {SizeNames[s]}));
    for (int l = 0; l < 2; ++l)
        add(QStringLiteral("Locaties"),
            row(QStringLiteral("Locaties"), l, {QStringLiteral("Cel %1").arg(l + 1)}));
    for (int c = 0; c < cultivars; ++c)
        add(QStringLiteral("Cdata"),
            row(QStringLiteral("Cdata"), c, {cultivarName(c), sourceOf(c)}));
    for (int c = 0; c < cultivars; ++c) {
        for (int s = 0; s < sizesPerCultivar; ++s)
            add(QStringLiteral("Csizes"), row(QStringLiteral("Csizes"), c * 3 + s,
                                              {cultivarName(c), sourceOf(c), SizeNames[s]}));
    }
    for (int c = 0; c < cultivars; ++c) {
        for (int o = 0; o < 2; ++o)
            add(QStringLiteral("Cstdoogst"),
                row(QStringLiteral("Cstdoogst"), c * 2 + o,
                    {cultivarName(c), sourceOf(c), SizeNames[0], SizeNames[o]}));
    }
}

const QStringList TableOrder{QStringLiteral("Sizes"), QStringLiteral("Locaties"),
                             QStringLiteral("Cdata"), QStringLiteral("Csizes"),
                             QStringLiteral("Cstdoogst")};

ParadoxTableSpec specOf(const OldTableData& t, const ParadoxTableSpec& format)
{
    ParadoxTableSpec spec = format;
    spec.fields = t.fields;
    spec.keyFieldCount = t.keyFieldCount;
    return spec;
}

} // namespace

int OldTableData::fieldIndex(const QString& name) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void OldTableData::set(int row, const QString& field, const QVariant& value)
{
    const int i = fieldIndex(field);
    Q_ASSERT(i >= 0);
    rows[row][i] = value;
}

ParadoxTableSpec OldDatabase::defaultFormat()
{
    ParadoxTableSpec spec;
    spec.version = 12;
    spec.codePage = 1252;
    spec.blockSizeKiB = 4;
    spec.password = "7K4M";
    return spec;
}

OldTableData OldDatabase::layout(const QString& table)
{
    const db::TableDef& def = CultivarSchema::table(table);
    OldTableData t;
    t.file = fileOf(table);
    t.table = table;
    for (const db::FieldDef& f : def.fields) {
        const FieldType type = oldType(f.type);
        const int size = type == FieldType::Alpha  ? f.size
                         : type == FieldType::Memo ? 250
                                                   : paradox::fixedSize(type);
        t.fields.append({f.name, type, size});
    }
    t.keyFieldCount = int(def.primaryKey.size());
    return t;
}

OldDatabase OldDatabase::sample(int cultivars, int sizesPerCultivar)
{
    OldDatabase old;
    for (const QString& t : TableOrder)
        old.tables.append(layout(t));
    generate(cultivars, sizesPerCultivar, [&](const QString& table, const QVariantList& values) {
        old.table(table).rows.append(values);
    });
    return old;
}

void OldDatabase::writeSample(const QString& folder, int cultivars, int sizesPerCultivar,
                              const ParadoxTableSpec& format)
{
    QHash<QString, std::shared_ptr<ParadoxWriter>> writers;
    for (const QString& t : TableOrder)
        writers.insert(t, std::make_shared<ParadoxWriter>(specOf(layout(t), format)));
    generate(cultivars, sizesPerCultivar, [&](const QString& table, const QVariantList& values) {
        writers[table]->append(values);
    });
    for (const QString& t : TableOrder)
        writers[t]->save(QDir(folder).filePath(fileOf(t)));
}

OldTableData& OldDatabase::table(const QString& name)
{
    for (OldTableData& t : tables) {
        if (t.table == name)
            return t;
    }
    Q_ASSERT_X(false, "OldDatabase::table", qPrintable(name));
    return tables.first();
}

void OldDatabase::write(const QString& folder) const
{
    QDir().mkpath(folder);
    for (const OldTableData& t : tables) {
        ParadoxWriter writer(specOf(t, format));
        for (const QVariantList& values : t.rows)
            writer.append(values);
        writer.save(QDir(folder).filePath(t.file));
    }
}

QString OldDatabase::differences(db::Database& database) const
{
    for (const OldTableData& t : tables) {
        const db::TableDef def = database.tableDef(t.table);
        QStringList names;
        for (const Field& f : t.fields)
            names.append(f.name);
        for (const QVariantList& values : t.rows) {
            db::RowKey key;
            for (const QString& k : def.primaryKey) {
                const int i = int(names.indexOf(k));
                key.append(i < 0 ? QByteArray("") : values[i].toString().toUtf8());
            }
            const std::optional<QVariantList> stored = database.fetchRow(def, names, key);
            const QString where =
                QStringLiteral("%1 %2").arg(t.table, QString::fromUtf8(key.join('/')));
            if (!stored)
                return where + QStringLiteral(": missing");
            for (int f = 0; f < names.size(); ++f) {
                const QVariant& want = values[f];
                const QVariant& got = (*stored)[f];
                const bool keyField = def.isKeyField(names[f]);
                const bool same =
                    keyField ? want.toString() == got.toString()
                             : (want.isNull() ? got.isNull() : !got.isNull() && want == got);
                if (!same)
                    return QStringLiteral("%1, %2: written '%3', stored '%4'")
                        .arg(where, names[f], want.toString().left(80), got.toString().left(80));
            }
        }
    }
    return {};
}

} // namespace kasplan::test
