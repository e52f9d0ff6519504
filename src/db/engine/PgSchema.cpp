#include "PgSchema.h"

#include "PgConnection.h"

#include <QMap>

namespace kasplan::db::PgSchema {

namespace {

const TableLink* masterLinkOf(const SchemaDef& schema, const QString& table)
{
    for (const TableLink& link : schema.links) {
        if (link.detail.compare(table, Qt::CaseInsensitive) == 0)
            return &link;
    }
    return nullptr;
}

QString columnList(const QStringList& fields, const QString& prefix = QString())
{
    QStringList columns;
    for (const QString& f : fields)
        columns.append(prefix + column(f));
    return columns.join(QStringLiteral(", "));
}

QString literal(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

const char* typeCode(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return "Alpha";
    case FieldType::Short:
        return "Short";
    case FieldType::Long:
        return "Long";
    case FieldType::Number:
        return "Number";
    case FieldType::Money:
        return "Money";
    case FieldType::Date:
        return "Date";
    case FieldType::Logical:
        return "Logical";
    case FieldType::Memo:
        return "Memo";
    }
    return "Memo";
}

FieldType typeOfCode(const QByteArray& code)
{
    for (FieldType t : {FieldType::Alpha, FieldType::Short, FieldType::Long, FieldType::Number,
                        FieldType::Money, FieldType::Date, FieldType::Logical})
        if (code == typeCode(t))
            return t;
    return FieldType::Memo;
}

// The server's type of a field's column.
QString serverType(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return QStringLiteral("text COLLATE \"C\"");
    case FieldType::Short:
        return QStringLiteral("smallint");
    case FieldType::Long:
        return QStringLiteral("integer");
    case FieldType::Number:
    case FieldType::Money:
        return QStringLiteral("double precision");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::Logical:
        return QStringLiteral("boolean");
    }
    return QStringLiteral("text");
}

// information_schema's data_type for a field.
QString catalogType(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return QStringLiteral("text");
    case FieldType::Short:
        return QStringLiteral("smallint");
    case FieldType::Long:
        return QStringLiteral("integer");
    case FieldType::Number:
    case FieldType::Money:
        return QStringLiteral("double precision");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::Logical:
        return QStringLiteral("boolean");
    }
    return QStringLiteral("text");
}

QString columnDefinition(const TableDef& table, const FieldDef& field)
{
    const QString name = column(field.name);
    QString sql = name + QLatin1Char(' ') + serverType(field.type);
    const bool key = table.isKeyField(field.name);
    if (key)
        sql += QStringLiteral(" NOT NULL DEFAULT ''");
    else if (field.required)
        sql += QStringLiteral(" NOT NULL");
    const QString lower = field.name.toLower();
    if (field.required && isText(field.type))
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (%2 <> '')")
                   .arg(quoted(QStringLiteral("req_") + lower), name);
    if (field.type == FieldType::Alpha && field.size > 0)
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (char_length(%2) <= %3)")
                   .arg(quoted(QStringLiteral("len%1_%2").arg(field.size).arg(lower)), name)
                   .arg(field.size);
    if (table.nonNegative.contains(field.name, Qt::CaseInsensitive))
        sql += QStringLiteral(" CONSTRAINT %1 CHECK (%2 >= 0)")
                   .arg(quoted(QStringLiteral("min_") + lower), name);
    return sql;
}

// A trigger that keeps a master with details from changing its key or going
// away, unless the change is carried down from the master's own master
// (whose record no longer holds the old values by then).
QStringList restrictTrigger(const SchemaDef& schema, const TableLink& link)
{
    const QString detail = column(link.detail);
    const QString master = column(link.master);
    QStringList match;
    QStringList changed;
    for (const QString& f : link.fields) {
        match.append(QStringLiteral("d.%1 = OLD.%1").arg(column(f)));
        changed.append(QStringLiteral("NEW.%1 IS DISTINCT FROM OLD.%1").arg(column(f)));
    }
    const QString hasDetails = QStringLiteral("EXISTS (SELECT 1 FROM %1 d WHERE %2)")
                                   .arg(detail, match.join(QStringLiteral(" AND ")));
    QString direct = QStringLiteral("TRUE");
    QString directChange = QStringLiteral("TRUE");
    if (const TableLink* upper = masterLinkOf(schema, link.master);
        upper && upper->rule == TableLink::Rule::Carry) {
        QStringList upperMatch;
        QStringList ownChanged;
        for (const QString& f : upper->fields)
            upperMatch.append(QStringLiteral("m.%1 = OLD.%1").arg(column(f)));
        for (const QString& f : link.fields) {
            if (!upper->fields.contains(f, Qt::CaseInsensitive))
                ownChanged.append(QStringLiteral("NEW.%1 IS DISTINCT FROM OLD.%1").arg(column(f)));
        }
        direct = QStringLiteral("EXISTS (SELECT 1 FROM %1 m WHERE %2)")
                     .arg(column(upper->master), upperMatch.join(QStringLiteral(" AND ")));
        directChange =
            ownChanged.isEmpty()
                ? direct
                : QStringLiteral("(%1 OR %2)").arg(ownChanged.join(QStringLiteral(" OR ")), direct);
    }
    const QString function =
        quoted(QStringLiteral("engine_%1_%2_keep").arg(link.master, link.detail).toLower());
    const QString raise =
        QStringLiteral("RAISE EXCEPTION 'Master has detail records' USING ERRCODE = 'KPM01'");
    return {
        QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $body$\n"
                       "BEGIN\n"
                       "  IF TG_OP = 'UPDATE' THEN\n"
                       "    IF (%2) AND %3 AND %4 THEN %6; END IF;\n"
                       "    RETURN NEW;\n"
                       "  END IF;\n"
                       "  IF %3 AND %5 THEN %6; END IF;\n"
                       "  RETURN OLD;\n"
                       "END\n$body$")
            .arg(function, changed.join(QStringLiteral(" OR ")), hasDetails, directChange, direct,
                 raise),
        QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OR DELETE ON %2 FOR EACH ROW "
                       "EXECUTE FUNCTION %3()")
            .arg(quoted(QStringLiteral("%1_keep").arg(link.detail).toLower()), master, function),
    };
}

} // namespace

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString column(const QString& name)
{
    return quoted(name.toLower());
}

QStringList createStatements(const SchemaDef& schema)
{
    QStringList s;
    s << QStringLiteral("CREATE TABLE %1 (program text NOT NULL, layout integer NOT NULL)")
             .arg(QLatin1String(MarkTable))
      << QStringLiteral("INSERT INTO %1 VALUES (%2, 1)")
             .arg(QLatin1String(MarkTable), literal(QLatin1String(ProgramMark)))
      << QStringLiteral("CREATE TABLE %1 (name text PRIMARY KEY, record_locks boolean NOT NULL)")
             .arg(QLatin1String(TablesTable))
      << QStringLiteral("CREATE TABLE %1 (tbl text NOT NULL, position integer NOT NULL, "
                        "name text NOT NULL, type text NOT NULL, size integer NOT NULL, "
                        "required boolean NOT NULL, non_negative boolean NOT NULL, "
                        "key_position integer, PRIMARY KEY (tbl, position))")
             .arg(QLatin1String(FieldsTable))
      // Who each connection of the program is, so that the holder of a
      // record lock can be named. A row whose connection has gone means
      // nothing; rows are replaced by connection number.
      << QStringLiteral("CREATE TABLE %1 (backend_pid integer PRIMARY KEY, user_name text, "
                        "host text, program_pid bigint, since timestamptz)")
             .arg(QLatin1String(SessionsTable));

    for (const TableDef& table : schema.tables) {
        QStringList parts;
        if (table.primaryKey.isEmpty())
            parts.append(QStringLiteral("%1 bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                             .arg(QLatin1String(RowIdColumn)));
        for (const FieldDef& field : table.fields)
            parts.append(columnDefinition(table, field));
        if (!table.primaryKey.isEmpty())
            parts.append(QStringLiteral("PRIMARY KEY (%1)").arg(columnList(table.primaryKey)));
        for (const TableLink& link : schema.links) {
            if (link.detail.compare(table.name, Qt::CaseInsensitive) != 0)
                continue;
            parts.append(QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%1) "
                                        "ON UPDATE CASCADE ON DELETE CASCADE")
                             .arg(columnList(link.fields), column(link.master)));
        }
        s.append(QStringLiteral("CREATE TABLE %1 (\n    %2\n)")
                     .arg(column(table.name), parts.join(QStringLiteral(",\n    "))));
        if (!table.primaryKey.isEmpty()) {
            QStringList order;
            for (const QString& f : table.primaryKey)
                order << QStringLiteral("lower(%1)").arg(column(f)) << column(f);
            s.append(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                         .arg(quoted(table.name.toLower() + QStringLiteral("_order")),
                              column(table.name), order.join(QStringLiteral(", "))));
        }
        s.append(QStringLiteral("INSERT INTO %1 VALUES (%2, %3)")
                     .arg(QLatin1String(TablesTable), literal(table.name),
                          table.recordLocks ? QStringLiteral("TRUE") : QStringLiteral("FALSE")));
        for (int i = 0; i < table.fields.size(); ++i) {
            const FieldDef& f = table.fields[i];
            const int keyAt = int(table.primaryKey.indexOf(f.name));
            s.append(QStringLiteral("INSERT INTO %1 VALUES (%2, %3, %4, '%5', %6, %7, %8, %9)")
                         .arg(QLatin1String(FieldsTable), literal(table.name))
                         .arg(i)
                         .arg(literal(f.name), QLatin1String(typeCode(f.type)))
                         .arg(f.size)
                         .arg(f.required ? QStringLiteral("TRUE") : QStringLiteral("FALSE"),
                              table.nonNegative.contains(f.name, Qt::CaseInsensitive)
                                  ? QStringLiteral("TRUE")
                                  : QStringLiteral("FALSE"),
                              keyAt < 0 ? QStringLiteral("NULL") : QString::number(keyAt)));
        }
    }
    for (const TableLink& link : schema.links) {
        if (link.rule == TableLink::Rule::Restrict)
            s += restrictTrigger(schema, link);
    }
    return s;
}

bool holdsTables(PgConnection& connection)
{
    return connection
               .exec(QStringLiteral("SELECT 1 FROM pg_catalog.pg_class c JOIN "
                                    "pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE "
                                    "n.nspname = current_schema() AND c.relkind IN ('r', 'p', "
                                    "'v', 'm', 'f') LIMIT 1"))
               .rows() > 0;
}

bool isEngineDatabase(PgConnection& connection)
{
    const PgResult r = connection.exec(
        QStringLiteral("SELECT 1 FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON "
                       "n.oid = c.relnamespace WHERE n.nspname = current_schema() AND "
                       "c.relname = $1 AND c.relkind = 'r'"),
        {QLatin1String(MarkTable)});
    if (r.rows() == 0)
        return false;
    const PgResult mark = connection.exec(
        QStringLiteral("SELECT program FROM %1 LIMIT 1").arg(QLatin1String(MarkTable)));
    return mark.rows() == 1 && mark.text(0, 0) == ProgramMark;
}

QString layoutDifference(PgConnection& connection, const SchemaDef& schema)
{
    const PgResult r = connection.exec(
        QStringLiteral("SELECT table_name, column_name, data_type FROM "
                       "information_schema.columns WHERE table_schema = current_schema()"));
    QMap<QString, QMap<QString, QString>> columns;
    for (int i = 0; i < r.rows(); ++i)
        columns[QString::fromUtf8(r.text(i, 0))][QString::fromUtf8(r.text(i, 1))] =
            QString::fromUtf8(r.text(i, 2));
    const QList<TableDef> recorded = readAllTables(connection);
    for (const TableDef& table : schema.tables) {
        const auto t = columns.constFind(table.name.toLower());
        if (t == columns.constEnd())
            return QStringLiteral("de tabel %1 ontbreekt").arg(table.name);
        const auto same = std::find_if(recorded.begin(), recorded.end(), [&](const TableDef& d) {
            return d.name.compare(table.name, Qt::CaseInsensitive) == 0;
        });
        for (const FieldDef& f : table.fields) {
            const auto c = t->constFind(f.name.toLower());
            if (c == t->constEnd())
                return QStringLiteral("het veld %1 van de tabel %2 ontbreekt")
                    .arg(f.name, table.name);
            const FieldDef* kept = same == recorded.end() ? nullptr : same->field(f.name);
            if (*c != catalogType(f.type) || !kept || kept->type != f.type ||
                (f.type == FieldType::Alpha && kept->size != f.size))
                return QStringLiteral("het veld %1 van de tabel %2 heeft een ander type")
                    .arg(f.name, table.name);
        }
    }
    return {};
}

namespace {

TableDef tableFrom(const PgResult& r, int from, int to)
{
    TableDef def;
    def.name = QString::fromUtf8(r.text(from, 0));
    def.recordLocks = r.text(from, 1) == "t";
    QList<QPair<int, QString>> key;
    for (int i = from; i < to; ++i) {
        if (r.isNull(i, 2))
            continue; // a table without fields
        FieldDef f;
        f.name = QString::fromUtf8(r.text(i, 2));
        f.type = typeOfCode(r.text(i, 3));
        f.size = int(r.integer(i, 4));
        f.required = r.text(i, 5) == "t";
        if (r.text(i, 6) == "t")
            def.nonNegative.append(f.name);
        if (!r.isNull(i, 7))
            key.append({int(r.integer(i, 7)), f.name});
        def.fields.append(f);
    }
    std::sort(key.begin(), key.end());
    for (const auto& k : key)
        def.primaryKey.append(k.second);
    return def;
}

const QString tablesQuery = QStringLiteral(
    "SELECT t.name, t.record_locks, f.name, f.type, f.size, f.required, f.non_negative, "
    "f.key_position FROM %1 t LEFT JOIN %2 f ON f.tbl = t.name %3 ORDER BY t.name, f.position");

} // namespace

TableDef readTable(PgConnection& connection, const QString& table)
{
    const PgResult r =
        connection.exec(tablesQuery.arg(QLatin1String(TablesTable), QLatin1String(FieldsTable),
                                        QStringLiteral("WHERE lower(t.name) = lower($1)")),
                        {table});
    if (r.rows() == 0)
        throw EngineError::tableMissing(table);
    return tableFrom(r, 0, r.rows());
}

bool hasTable(PgConnection& connection, const QString& table)
{
    return connection
               .exec(QStringLiteral("SELECT 1 FROM %1 WHERE lower(name) = lower($1)")
                         .arg(QLatin1String(TablesTable)),
                     {table})
               .rows() > 0;
}

QList<TableDef> readAllTables(PgConnection& connection)
{
    const PgResult r = connection.exec(
        tablesQuery.arg(QLatin1String(TablesTable), QLatin1String(FieldsTable), QString()));
    QList<TableDef> tables;
    int from = 0;
    for (int i = 1; i <= r.rows(); ++i) {
        if (i == r.rows() || r.text(i, 0) != r.text(from, 0)) {
            tables.append(tableFrom(r, from, i));
            from = i;
        }
    }
    return tables;
}

QString orderBy(const TableDef& table)
{
    if (table.primaryKey.isEmpty())
        return QLatin1String(RowIdColumn);
    QStringList parts;
    for (const QString& f : table.primaryKey)
        parts << QStringLiteral("lower(%1)").arg(column(f)) << column(f);
    return parts.join(QStringLiteral(", "));
}

} // namespace kasplan::db::PgSchema
