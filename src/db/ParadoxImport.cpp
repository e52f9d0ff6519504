#include "ParadoxImport.h"

#include "CultivarSchema.h"
#include "db/paradox/Folder.h"
#include "db/paradox/Table.h"
#include "engine/Database.h"
#include "engine/EngineError.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cmath>
#include <map>
#include <memory>

namespace kasplan {

namespace {

struct OldTable
{
    QString file;  // "Cdata.DB"
    QString table; // "Cdata"
};

// Masters before their details, so that a size finds its cultivar.
const QList<OldTable>& oldTables()
{
    static const QList<OldTable> tables{
        {QStringLiteral("Sizes.DB"), QStringLiteral("Sizes")},
        {QStringLiteral("Locaties.db"), QStringLiteral("Locaties")},
        {QStringLiteral("Cdata.DB"), QStringLiteral("Cdata")},
        {QStringLiteral("Csizes.DB"), QStringLiteral("Csizes")},
        {QStringLiteral("Cstdoogst.DB"), QStringLiteral("Cstdoogst")},
    };
    return tables;
}

bool isText(paradox::FieldType t)
{
    return t == paradox::FieldType::Alpha || t == paradox::FieldType::Memo;
}

bool isNumber(paradox::FieldType t)
{
    switch (t) {
    case paradox::FieldType::Short:
    case paradox::FieldType::Long:
    case paradox::FieldType::Autoinc:
    case paradox::FieldType::Money:
    case paradox::FieldType::Number:
        return true;
    default:
        return false;
    }
}

// Whether the values of an old field can go into a field of today's type.
bool fits(paradox::FieldType old, db::FieldType today)
{
    switch (today) {
    case db::FieldType::Alpha:
    case db::FieldType::Memo:
        return isText(old);
    case db::FieldType::Short:
    case db::FieldType::Long:
    case db::FieldType::Number:
    case db::FieldType::Money:
        return isNumber(old);
    case db::FieldType::Date:
        return old == paradox::FieldType::Date || old == paradox::FieldType::Timestamp;
    case db::FieldType::Logical:
        return old == paradox::FieldType::Logical;
    }
    return false;
}

QString todayTypeName(const db::FieldDef& f)
{
    switch (f.type) {
    case db::FieldType::Alpha:
        return QStringLiteral("Alpha %1").arg(f.size);
    case db::FieldType::Short:
        return QStringLiteral("Short");
    case db::FieldType::Long:
        return QStringLiteral("Long");
    case db::FieldType::Number:
        return QStringLiteral("Number");
    case db::FieldType::Money:
        return QStringLiteral("Money");
    case db::FieldType::Date:
        return QStringLiteral("Date");
    case db::FieldType::Logical:
        return QStringLiteral("Logical");
    case db::FieldType::Memo:
        return QStringLiteral("Memo");
    }
    return {};
}

// One field of today's table and the old field its values come from.
struct FieldMap
{
    int oldIndex;
    db::FieldDef field;
    bool nonNegative;
};

// The value of an old field in the type of today's field, or the reason it
// does not fit.
QVariant converted(const QVariant& old, const FieldMap& map, QStringList& reasons)
{
    if (old.isNull())
        return {};
    const db::FieldDef& f = map.field;
    const auto refuse = [&](const QString& why) {
        reasons.append(QStringLiteral("veld %1 %2").arg(f.name, why));
        return QVariant();
    };
    switch (f.type) {
    case db::FieldType::Alpha: {
        const QString text = old.toString();
        if (f.size > 0 && text.size() > f.size)
            return refuse(QStringLiteral("is te lang (%1 tekens, hoogstens %2)")
                              .arg(text.size())
                              .arg(f.size));
        return text;
    }
    case db::FieldType::Memo:
        return old.toString();
    case db::FieldType::Short:
    case db::FieldType::Long: {
        const double number = old.toDouble();
        const double low = f.type == db::FieldType::Short ? -32768 : -2147483648.0;
        const double high = f.type == db::FieldType::Short ? 32767 : 2147483647.0;
        if (!std::isfinite(number) || number != std::trunc(number))
            return refuse(QStringLiteral("is geen geheel getal (%1)").arg(number));
        if (number < low || number > high)
            return refuse(QStringLiteral("valt buiten het bereik van een %1-veld (%2)")
                              .arg(todayTypeName(f))
                              .arg(number, 0, 'f', 0));
        if (map.nonNegative && number < 0)
            return refuse(QStringLiteral("is negatief (%1)").arg(number, 0, 'f', 0));
        return int(number);
    }
    case db::FieldType::Number:
    case db::FieldType::Money: {
        const double number = old.toDouble();
        if (!std::isfinite(number))
            return refuse(QStringLiteral("is geen geldig getal"));
        if (map.nonNegative && number < 0)
            return refuse(QStringLiteral("is negatief (%1)").arg(number));
        return number;
    }
    case db::FieldType::Date: {
        const QDate date =
            old.typeId() == QMetaType::QDateTime ? old.toDateTime().date() : old.toDate();
        if (!date.isValid() || date.year() < 1)
            return refuse(QStringLiteral("is geen geldige datum"));
        return date;
    }
    case db::FieldType::Logical:
        return old.toBool();
    }
    return {};
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
}

QString quotedValue(const QByteArray& utf8)
{
    return QStringLiteral("'%1'").arg(QString::fromUtf8(utf8));
}

QString keyText(const QStringList& fields, const db::RowKey& key)
{
    QStringList parts;
    for (int i = 0; i < fields.size() && i < key.size(); ++i)
        parts.append(QStringLiteral("%1 %2").arg(fields[i], quotedValue(key[i])));
    return parts.join(QStringLiteral(", "));
}

// The key as the old record holds it, also where a value does not fit.
QString oldKeyText(const QStringList& fields, const QList<int>& oldIndexes,
                   const paradox::Record& record)
{
    db::RowKey key;
    for (int i : oldIndexes)
        key.append(i < 0 ? QByteArray("") : record.value(i).toString().toUtf8());
    return keyText(fields, key);
}

QByteArray joined(const db::RowKey& key)
{
    return key.join('\0');
}

// The refusals of the engine that mean "this record breaks a rule", as
// opposed to a database that fails.
bool isRuleBreak(db::ErrorKind kind)
{
    switch (kind) {
    case db::ErrorKind::KeyViolation:
    case db::ErrorKind::MinimumCheck:
    case db::ErrorKind::MasterMissing:
    case db::ErrorKind::RequiredField:
    case db::ErrorKind::ValueTooLong:
    case db::ErrorKind::ValueOutOfRange:
    case db::ErrorKind::InvalidValue:
    case db::ErrorKind::RecordLocked:
    case db::ErrorKind::LockLost:
        return true;
    default:
        return false;
    }
}

QString ruleBreakText(const db::EngineError& e)
{
    if (e.kind() == db::ErrorKind::RecordLocked || e.kind() == db::ErrorKind::LockLost)
        return QStringLiteral("wordt nu bewerkt door %1").arg(e.user());
    return e.text().section(QLatin1Char('\n'), 0, 0);
}

class Importer
{
public:
    Importer(db::Database& database, const ParadoxImportOptions& options,
             ParadoxImportResult& result)
        : m_database(database), m_options(options), m_result(result),
          m_schema(CultivarSchema::schema())
    {
    }

    void setTotal(quint64 total) { m_total = total; }
    void importTable(paradox::Table& old, const OldTable& names);

private:
    bool writing() const { return !m_options.dryRun && !m_result.refused; }
    void advance();
    QList<FieldMap> mapFields(const paradox::Table& old, const db::TableDef& def,
                              ParadoxTableSummary& summary) const;
    void checkMaster(const QString& table, const QStringList& keyFields, const db::RowKey& key,
                     QStringList& reasons);
    void store(db::BulkAccess& rows, const db::TableDef& def, const QList<FieldMap>& maps,
               const QStringList& names, const QVariantList& values, const db::RowKey& key,
               ParadoxTableSummary& summary, QStringList& reasons);

    db::Database& m_database;
    const ParadoxImportOptions& m_options;
    ParadoxImportResult& m_result;
    db::SchemaDef m_schema;
    // Per table of today: the keys taken in this import, and those left out.
    QHash<QString, QHash<QByteArray, int>> m_taken;
    // Per master table: its records by key.
    std::map<QString, std::unique_ptr<db::BulkAccess>> m_masters;
    QHash<QString, QSet<QByteArray>> m_leftOut;
    // The last master found in the database, asked for by many details.
    QString m_lastMasterTable;
    QByteArray m_lastMasterKey;
    quint64 m_total = 0;
    quint64 m_done = 0;
    int m_percent = -1;
};

void Importer::advance()
{
    ++m_done;
    const int percent = m_total == 0 ? 100 : int(m_done * 100 / m_total);
    if (percent != m_percent && m_options.progress) {
        m_percent = percent;
        m_options.progress(percent);
    }
}

QList<FieldMap> Importer::mapFields(const paradox::Table& old, const db::TableDef& def,
                                    ParadoxTableSummary& summary) const
{
    QList<FieldMap> maps;
    QSet<int> used;
    for (const db::FieldDef& f : def.fields) {
        int index = old.fieldIndex(f.name);
        // Older tables knew the minimum count per metre by the name the
        // later upgrade gave up.
        if (index < 0 && f.name == QLatin1String("Qtypermetermin"))
            index = old.fieldIndex(QStringLiteral("Qtypermeter"));
        if (index < 0)
            continue;
        used.insert(index);
        const paradox::Field& from = old.fields()[index];
        if (!fits(from.type, f.type)) {
            summary.fieldsNotTaken.append(
                QStringLiteral("%1 (%2 past niet in %3)")
                    .arg(from.name, paradox::typeName(from.type), todayTypeName(f)));
            continue;
        }
        maps.append({index, f, def.nonNegative.contains(f.name, Qt::CaseInsensitive)});
    }
    for (int i = 0; i < old.fields().size(); ++i) {
        if (!used.contains(i))
            summary.fieldsNotTaken.append(old.fields()[i].name);
    }
    return maps;
}

void Importer::checkMaster(const QString& table, const QStringList& keyFields,
                           const db::RowKey& key, QStringList& reasons)
{
    const db::TableLink* link = nullptr;
    for (const db::TableLink& l : m_schema.links) {
        if (l.detail == table)
            link = &l;
    }
    if (!link)
        return;
    db::RowKey masterKey;
    for (const QString& f : link->fields)
        masterKey.append(key.value(int(keyFields.indexOf(f))));
    const QByteArray masterText = joined(masterKey);
    if (m_taken.value(link->master).contains(masterText))
        return;
    if (m_lastMasterTable == link->master && m_lastMasterKey == masterText)
        return;
    std::unique_ptr<db::BulkAccess>& masters = m_masters[link->master];
    if (!masters) {
        const db::TableDef master = m_database.tableDef(link->master);
        masters = m_database.bulkAccess(master, {master.primaryKey.first()});
    }
    if (masters->fetch(masterKey)) {
        m_lastMasterTable = link->master;
        m_lastMasterKey = masterText;
        return;
    }
    if (m_leftOut.value(link->master).contains(masterText)) {
        reasons.append(QStringLiteral("hoort bij %1 (%2), dat is weggelaten")
                           .arg(keyText(link->fields, masterKey), link->master));
        return;
    }
    reasons.append(
        QStringLiteral("%1 staat niet in %2").arg(keyText(link->fields, masterKey), link->master));
}

void Importer::store(db::BulkAccess& rows, const db::TableDef& def, const QList<FieldMap>& maps,
                     const QStringList& names, const QVariantList& values, const db::RowKey& key,
                     ParadoxTableSummary& summary, QStringList& reasons)
{
    const std::optional<QVariantList> existing = rows.fetch(key);
    try {
        if (!existing) {
            if (writing())
                rows.insert(values);
            ++summary.added;
            return;
        }
        QStringList changedNames;
        QVariantList changedValues;
        for (int i = 0; i < maps.size(); ++i) {
            // The key fields are equal: the record was found by them.
            if (!def.isKeyField(names[i]) && !sameValue(values[i], (*existing)[i])) {
                changedNames.append(names[i]);
                changedValues.append(values[i]);
            }
        }
        if (changedNames.isEmpty()) {
            ++summary.unchanged;
            return;
        }
        if (writing()) {
            // Honours another copy's edit of the record: its lock stands.
            m_database.lockRecord(def, key);
            try {
                m_database.updateRow(def, key, changedNames, changedValues);
            } catch (...) {
                m_database.unlockRecord(def, key);
                throw;
            }
        }
        ++summary.updated;
    } catch (const db::EngineError& e) {
        if (!isRuleBreak(e.kind()))
            throw;
        reasons.append(ruleBreakText(e));
    }
}

void Importer::importTable(paradox::Table& old, const OldTable& names)
{
    ParadoxTableSummary summary;
    summary.file = QFileInfo(old.path()).fileName();
    summary.table = names.table;
    const db::TableDef def = m_database.tableDef(names.table);
    const QList<FieldMap> maps = mapFields(old, def, summary);
    QStringList fieldNames;
    for (const FieldMap& m : maps)
        fieldNames.append(m.field.name);
    QList<int> keyPositions;
    QList<int> oldKeyFields;
    for (const QString& k : def.primaryKey) {
        keyPositions.append(int(fieldNames.indexOf(k)));
        oldKeyFields.append(keyPositions.last() < 0 ? -1 : maps[keyPositions.last()].oldIndex);
    }
    QHash<QByteArray, int>& taken = m_taken[names.table];
    QSet<QByteArray>& leftOut = m_leftOut[names.table];
    // A size must have a name wherever it is kept.
    const bool sizeNeedsName =
        names.table == QLatin1String("Sizes") || names.table == QLatin1String("Csizes");
    const int sizeIndex = int(fieldNames.indexOf(QStringLiteral("Size")));
    // Required fields, by their place among the fields taken (-1: the old
    // table lacks them).
    QList<QPair<QString, int>> required;
    for (const db::FieldDef& f : def.fields) {
        if (f.required)
            required.append({f.name, int(fieldNames.indexOf(f.name))});
    }
    const std::unique_ptr<db::BulkAccess> rows = m_database.bulkAccess(def, fieldNames);

    paradox::Record record;
    QVariantList values;
    QList<bool> refusedField(maps.size());
    while (old.next(record)) {
        ++summary.read;
        advance();
        QStringList reasons;
        values.clear();
        for (int i = 0; i < maps.size(); ++i) {
            const qsizetype before = reasons.size();
            values.append(converted(record.value(maps[i].oldIndex), maps[i], reasons));
            refusedField[i] = reasons.size() > before;
        }

        db::RowKey key;
        for (int p : keyPositions)
            key.append(p < 0 || values[p].isNull() ? QByteArray("")
                                                   : values[p].toString().toUtf8());
        for (const auto& [name, i] : required) {
            if (i < 0 || (!refusedField[i] && values[i].toString().isEmpty()))
                reasons.append(QStringLiteral("veld %1 is leeg").arg(name));
        }
        if (sizeNeedsName && (sizeIndex < 0 || (!refusedField[sizeIndex] &&
                                                values[sizeIndex].toString().trimmed().isEmpty())))
            reasons.append(QStringLiteral("veld Size is leeg"));
        const QByteArray keyBytes = joined(key);
        if (reasons.isEmpty()) {
            if (const auto first = taken.constFind(keyBytes); first != taken.constEnd())
                reasons.append(QStringLiteral("dezelfde sleutel als record %1").arg(first.value()));
        }
        if (reasons.isEmpty())
            checkMaster(names.table, def.primaryKey, key, reasons);
        if (reasons.isEmpty())
            store(*rows, def, maps, fieldNames, values, key, summary, reasons);

        if (reasons.isEmpty()) {
            taken.insert(keyBytes, record.number());
            continue;
        }
        leftOut.insert(keyBytes);
        ++summary.leftOut;
        m_result.leftOut.append({summary.file, record.number(),
                                 oldKeyText(def.primaryKey, oldKeyFields, record),
                                 reasons.join(QStringLiteral("; "))});
        if (!m_options.skipBad)
            m_result.refused = true;
    }
    m_result.tables.append(summary);
}

} // namespace

QStringList ParadoxImport::fileNames()
{
    QStringList names;
    for (const OldTable& t : oldTables())
        names.append(t.file);
    return names;
}

bool ParadoxImport::folderHoldsOldTables(const QString& folder)
{
    return !paradox::findInFolder(folder, QStringLiteral("Cdata.DB")).isEmpty();
}

ParadoxImportResult ParadoxImport::run(db::Database& database, const QString& folder,
                                       const ParadoxImportOptions& options)
{
    ParadoxImportResult result;
    result.folder = folder;
    // Every table is opened, and so checked, before anything is written.
    std::vector<std::pair<std::unique_ptr<paradox::Table>, OldTable>> opened;
    quint64 total = 0;
    for (const OldTable& t : oldTables()) {
        const QString path = paradox::findInFolder(folder, t.file);
        if (path.isEmpty())
            continue;
        auto table = std::make_unique<paradox::Table>(path, paradox::ReadOptions{options.codePage});
        total += table->recordCount();
        opened.emplace_back(std::move(table), t);
    }
    if (opened.empty())
        return result;

    Importer importer(database, options, result);
    importer.setTotal(total);
    const bool write = !options.dryRun;
    if (write)
        database.beginBatch();
    try {
        for (auto& [table, names] : opened)
            importer.importTable(*table, names);
        if (write && !result.refused) {
            database.commitBatch();
            result.written = true;
        } else if (write) {
            database.rollbackBatch();
        }
    } catch (...) {
        if (write)
            database.rollbackBatch();
        throw;
    }
    return result;
}

QStringList ParadoxImport::reportLines(const ParadoxImportResult& result,
                                       const ParadoxImportOptions& options)
{
    QStringList lines;
    if (result.tables.isEmpty()) {
        lines.append(QStringLiteral("In %1 staat geen van de tabellen %2.")
                         .arg(result.folder, fileNames().join(QStringLiteral(", "))));
        return lines;
    }
    for (const ParadoxTableSummary& t : result.tables) {
        lines.append(QStringLiteral("%1 -> %2: %3 gelezen, %4 toegevoegd, %5 bijgewerkt, "
                                    "%6 ongewijzigd, %7 weggelaten")
                         .arg(t.file, t.table)
                         .arg(t.read)
                         .arg(t.added)
                         .arg(t.updated)
                         .arg(t.unchanged)
                         .arg(t.leftOut));
        if (!t.fieldsNotTaken.isEmpty())
            lines.append(QStringLiteral("  velden niet overgenomen: %1")
                             .arg(t.fieldsNotTaken.join(QStringLiteral(", "))));
    }
    if (!result.leftOut.isEmpty()) {
        lines.append(result.refused ? QStringLiteral("Records die een regel van de huidige "
                                                     "tabellen breken:")
                                    : QStringLiteral("Weggelaten records:"));
        for (const ParadoxLeftOut& r : result.leftOut)
            lines.append(QStringLiteral("  %1 record %2 (%3): %4")
                             .arg(r.file)
                             .arg(r.record)
                             .arg(r.key, r.reason));
    }
    if (result.refused)
        lines.append(QStringLiteral("Niets overgenomen: %1 record(s) breken een regel van de "
                                    "huidige tabellen. Verbeter ze in de oude tabellen, of neem "
                                    "de rest over met --skip-bad.")
                         .arg(result.leftOut.size()));
    else if (options.dryRun)
        lines.append(QStringLiteral("Proefrun: er is niets geschreven."));
    else
        lines.append(QStringLiteral("De oude tabellen zijn overgenomen; de oude bestanden zijn "
                                    "niet veranderd."));
    return lines;
}

} // namespace kasplan
