#include "SqliteSchema.h"

#include "SqliteConnection.h"

#include <QDate>
#include <QRegularExpression>

namespace kasplan::db::SqliteSchema {

namespace {

const TableLink* masterLinkOf(const SchemaDef& schema, const QString& table)
{
    for (const TableLink& link : schema.links) {
        if (link.detail.compare(table, Qt::CaseInsensitive) == 0)
            return &link;
    }
    return nullptr;
}

QString fieldList(const QStringList& fields, const QString& prefix = QString())
{
    QStringList quotedFields;
    for (const QString& f : fields)
        quotedFields.append(prefix + quoted(f));
    return quotedFields.join(QStringLiteral(", "));
}

// Triggers that keep a master with details from changing its key or going
// away, unless the change is carried down from the master's own master.
QStringList restrictTriggers(const SchemaDef& schema, const TableLink& link)
{
    const QString detail = quoted(link.detail);
    const QString master = quoted(link.master);
    QStringList match;
    QStringList changed;
    for (const QString& f : link.fields) {
        match.append(QStringLiteral("d.%1 = OLD.%1").arg(quoted(f)));
        changed.append(QStringLiteral("NEW.%1 IS NOT OLD.%1").arg(quoted(f)));
    }
    const QString hasDetails = QStringLiteral("EXISTS (SELECT 1 FROM %1 d WHERE %2)")
                                   .arg(detail, match.join(QStringLiteral(" AND ")));

    // The master's own master still holding the old values means the change
    // was made to this master directly, not carried down.
    QString direct = QStringLiteral("1");
    QString directChange = QStringLiteral("1");
    if (const TableLink* upper = masterLinkOf(schema, link.master);
        upper && upper->rule == TableLink::Rule::Carry) {
        QStringList upperMatch;
        QStringList ownChanged;
        for (const QString& f : upper->fields)
            upperMatch.append(QStringLiteral("m.%1 = OLD.%1").arg(quoted(f)));
        for (const QString& f : link.fields) {
            if (!upper->fields.contains(f, Qt::CaseInsensitive))
                ownChanged.append(QStringLiteral("NEW.%1 IS NOT OLD.%1").arg(quoted(f)));
        }
        direct = QStringLiteral("EXISTS (SELECT 1 FROM %1 m WHERE %2)")
                     .arg(quoted(upper->master), upperMatch.join(QStringLiteral(" AND ")));
        directChange =
            ownChanged.isEmpty()
                ? direct
                : QStringLiteral("(%1 OR %2)").arg(ownChanged.join(QStringLiteral(" OR ")), direct);
    }

    const QString raise = QStringLiteral("SELECT RAISE(ABORT, 'Master has detail records')");
    const QString base = link.master + QLatin1Char('_') + link.detail;
    return {
        QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 WHEN (%4) AND %5 AND %6 "
                       "BEGIN %7; END")
            .arg(quoted(base + QStringLiteral("_keep_key")), fieldList(link.fields), master,
                 changed.join(QStringLiteral(" OR ")), hasDetails, directChange, raise),
        QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 WHEN %3 AND %4 BEGIN %5; END")
            .arg(quoted(base + QStringLiteral("_keep_master")), master, hasDetails, direct, raise),
    };
}

// A column's default as pragma_table_info gives it: the SQL text of the
// constant.
QVariant defaultFromText(const QString& text, FieldType type)
{
    QString t = text.trimmed();
    if (t.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return {};
    if (t.size() >= 2 && t.startsWith(QLatin1Char('\'')) && t.endsWith(QLatin1Char('\''))) {
        t = t.mid(1, t.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
        if (type == FieldType::Date)
            return QDate::fromString(t, Qt::ISODate);
        return t;
    }
    switch (type) {
    case FieldType::Short:
    case FieldType::Long:
        return t.toInt();
    case FieldType::Number:
    case FieldType::Money:
        return t.toDouble();
    case FieldType::Logical:
        return t.toInt() != 0;
    default:
        return t;
    }
}

} // namespace

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString typeName(const FieldDef& field)
{
    switch (field.type) {
    case FieldType::Alpha:
        return QStringLiteral("VARCHAR(%1)").arg(field.size);
    case FieldType::Short:
        return QStringLiteral("SMALLINT");
    case FieldType::Long:
        return QStringLiteral("INTEGER");
    case FieldType::Number:
        return QStringLiteral("FLOAT");
    case FieldType::Money:
        return QStringLiteral("MONEY");
    case FieldType::Date:
        return QStringLiteral("DATE");
    case FieldType::Logical:
        return QStringLiteral("BOOLEAN");
    case FieldType::Memo:
        return QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

FieldDef fieldFromColumn(const QString& name, const QString& declaredType)
{
    FieldDef f;
    f.name = name;
    const QString type = declaredType.trimmed().toUpper();
    static const QRegularExpression sized(QStringLiteral("^(VAR)?CHAR\\s*\\(\\s*(\\d+)\\s*\\)$"));
    const QRegularExpressionMatch m = sized.match(type);
    if (m.hasMatch()) {
        f.type = FieldType::Alpha;
        f.size = m.captured(2).toInt();
    } else if (type == QLatin1String("SMALLINT")) {
        f.type = FieldType::Short;
    } else if (type.contains(QLatin1String("INT"))) {
        f.type = FieldType::Long;
    } else if (type == QLatin1String("MONEY")) {
        f.type = FieldType::Money;
    } else if (type.contains(QLatin1String("FLOA")) || type.contains(QLatin1String("REAL")) ||
               type.contains(QLatin1String("DOUB")) || type == QLatin1String("NUMBER")) {
        f.type = FieldType::Number;
    } else if (type == QLatin1String("DATE")) {
        f.type = FieldType::Date;
    } else if (type == QLatin1String("BOOLEAN")) {
        f.type = FieldType::Logical;
    } else {
        f.type = FieldType::Memo;
    }
    return f;
}

QString columnDefinition(const TableDef& table, const FieldDef& field)
{
    const QString name = quoted(field.name);
    QString sql = name + QLatin1Char(' ') + typeName(field);
    const bool key = table.isKeyField(field.name);
    if (key)
        sql += QStringLiteral(" NOT NULL DEFAULT ''");
    else if (field.required)
        sql += QStringLiteral(" NOT NULL");
    if (field.required && isText(field.type))
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (%2 <> '')")
                   .arg(quoted(QStringLiteral("req_") + field.name), name);
    if (field.type == FieldType::Alpha && field.size > 0)
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (length(%2) <= %3)")
                   .arg(quoted(QStringLiteral("len%1_%2").arg(field.size).arg(field.name)), name)
                   .arg(field.size);
    if (table.nonNegative.contains(field.name, Qt::CaseInsensitive))
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (%2 >= 0)")
                   .arg(quoted(QStringLiteral("min_") + field.name), name);
    if (const QVariant value = table.defaults.value(field.name); !key && !value.isNull())
        sql += QStringLiteral(" DEFAULT ") + literal(value);
    return sql;
}

QString literal(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QDate:
        return QLatin1Char('\'') + value.toDate().toString(Qt::ISODate) + QLatin1Char('\'');
    default:
        return QLatin1Char('\'') +
               value.toString().replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    }
}

QString orderIndexName(const QString& table)
{
    return table + QStringLiteral("_order");
}

QString orderIndexStatement(const TableDef& table)
{
    QStringList orderColumns;
    for (const QString& f : table.primaryKey)
        orderColumns << quoted(f) + QStringLiteral(" COLLATE NOCASE") << quoted(f);
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
        .arg(quoted(orderIndexName(table.name)), quoted(table.name),
             orderColumns.join(QStringLiteral(", ")));
}

QStringList bookkeepingStatements()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (name TEXT PRIMARY KEY COLLATE NOCASE, "
                       "record_locks INTEGER NOT NULL DEFAULT 0)")
            .arg(QLatin1String(OptionsTable)),
        // One row per record being edited; heartbeat is advanced by the holder
        // and watched by the others, so no two clocks are ever compared.
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tbl TEXT NOT NULL, rkey TEXT NOT NULL, "
                       "session TEXT NOT NULL, user TEXT, host TEXT, host_id TEXT, boot_id TEXT, "
                       "pid INTEGER, heartbeat INTEGER NOT NULL DEFAULT 0, since TEXT, "
                       "PRIMARY KEY (tbl, rkey))")
            .arg(QLatin1String(LockTable)),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_session ON %1 (session)")
            .arg(QLatin1String(LockTable)),
        // One row per copy of the program that has the database open, so a
        // change of the tables' layout knows whether it has the file to itself.
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (session TEXT PRIMARY KEY, user TEXT, "
                       "host TEXT, host_id TEXT, boot_id TEXT, pid INTEGER, "
                       "heartbeat INTEGER NOT NULL DEFAULT 0, since TEXT)")
            .arg(QLatin1String(SessionTable)),
    };
}

QStringList createStatements(const SchemaDef& schema)
{
    QStringList statements = bookkeepingStatements();
    for (const TableDef& table : schema.tables) {
        QStringList parts;
        for (const FieldDef& field : table.fields)
            parts.append(columnDefinition(table, field));
        if (!table.primaryKey.isEmpty())
            parts.append(QStringLiteral("PRIMARY KEY (%1)").arg(fieldList(table.primaryKey)));
        for (const TableLink& link : schema.links) {
            if (link.detail.compare(table.name, Qt::CaseInsensitive) != 0)
                continue;
            // Cascades carry a master's change down; where the rule is
            // Restrict, triggers refuse direct changes before they get here.
            parts.append(QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%1) "
                                        "ON UPDATE CASCADE ON DELETE CASCADE")
                             .arg(fieldList(link.fields), quoted(link.master)));
        }
        statements.append(QStringLiteral("CREATE TABLE %1 (\n    %2\n)")
                              .arg(quoted(table.name), parts.join(QStringLiteral(",\n    "))));
        if (!table.primaryKey.isEmpty())
            statements.append(orderIndexStatement(table));
        statements.append(
            QStringLiteral("INSERT INTO %1 (name, record_locks) VALUES ('%2', %3)")
                .arg(QLatin1String(OptionsTable),
                     QString(table.name).replace(QLatin1Char('\''), QLatin1String("''")))
                .arg(table.recordLocks ? 1 : 0));
    }
    for (const TableLink& link : schema.links) {
        if (link.rule == TableLink::Rule::Restrict)
            statements += restrictTriggers(schema, link);
    }
    return statements;
}

bool hasTable(SqliteConnection& connection, const QString& table)
{
    SqliteStatement s = connection.statement(
        QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ? "
                       "COLLATE NOCASE"));
    s.bind(table);
    return s.step();
}

bool hasDataTables(SqliteConnection& connection)
{
    SqliteStatement s = connection.statement(
        QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name COLLATE NOCASE "
                       "NOT IN ('%1', '%2', '%3') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'")
            .arg(QLatin1String(LockTable), QLatin1String(OptionsTable),
                 QLatin1String(SessionTable)));
    return s.step();
}

TableDef readTable(SqliteConnection& connection, const QString& table)
{
    QString createSql;
    TableDef def;
    {
        SqliteStatement s = connection.statement(
            QStringLiteral("SELECT name, sql FROM sqlite_schema WHERE type = 'table' AND "
                           "name = ? COLLATE NOCASE"));
        s.bind(table);
        if (!s.step())
            throw EngineError::tableMissing(table);
        def.name = QString::fromUtf8(s.text(0));
        createSql = QString::fromUtf8(s.text(1));
    }
    QList<QPair<int, QString>> key;
    {
        SqliteStatement s = connection.statement(
            QStringLiteral("SELECT name, type, pk, dflt_value FROM pragma_table_info(?)"));
        s.bind(def.name);
        while (s.step()) {
            FieldDef f =
                fieldFromColumn(QString::fromUtf8(s.text(0)), QString::fromUtf8(s.text(1)));
            if (s.integer(2) == 0 && !s.isNull(3))
                def.defaults.insert(f.name, defaultFromText(QString::fromUtf8(s.text(3)), f.type));
            f.required = createSql.contains(quoted(QStringLiteral("req_") + f.name));
            if (createSql.contains(quoted(QStringLiteral("min_") + f.name)))
                def.nonNegative.append(f.name);
            if (s.integer(2) > 0)
                key.append({int(s.integer(2)), f.name});
            def.fields.append(f);
        }
    }
    std::sort(key.begin(), key.end());
    for (const auto& k : key)
        def.primaryKey.append(k.second);
    if (hasTable(connection, QLatin1String(OptionsTable))) {
        SqliteStatement s =
            connection.statement(QStringLiteral("SELECT record_locks FROM %1 WHERE name = ?")
                                     .arg(QLatin1String(OptionsTable)));
        s.bind(def.name);
        def.recordLocks = s.step() && s.integer(0) != 0;
    }
    return def;
}

QString orderBy(const TableDef& table)
{
    if (table.primaryKey.isEmpty())
        return QStringLiteral("rowid");
    QStringList parts;
    for (const QString& f : table.primaryKey)
        parts << quoted(f) + QStringLiteral(" COLLATE NOCASE") << quoted(f);
    return parts.join(QStringLiteral(", "));
}

} // namespace kasplan::db::SqliteSchema
