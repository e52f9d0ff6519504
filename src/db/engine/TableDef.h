#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace kasplan::db {

// The field types of the cultivar tables. Their names in the table files are
// those of the old engine's local SQL, so a table read back says what it is.
enum class FieldType {
    Alpha,   // text of at most size characters
    Short,   // 16-bit signed integer
    Long,    // 32-bit signed integer
    Number,  // 64-bit floating point
    Money,   // 64-bit floating point, shown as an amount
    Date,    // calendar date without time of day
    Logical, // true or false
    Memo,    // text of any length
};

// Alpha and Memo: fields that hold text.
constexpr bool isText(FieldType type)
{
    return type == FieldType::Alpha || type == FieldType::Memo;
}

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Alpha;
    int size = 0; // characters, for Alpha only
    bool required = false;
};

// One table as the engine creates and reads it.
struct TableDef
{
    QString name;
    QList<FieldDef> fields;
    // Text fields; empty means the table has no primary key and its records
    // are told apart by the engine's own row number.
    QStringList primaryKey;
    // Fields that refuse negative values ("Minimum validity check failed").
    QStringList nonNegative;
    // Editing a record takes a record lock that other copies of the program see.
    bool recordLocks = false;
    // The values of fields for a record that names none, by field name.
    QVariantMap defaults = {};

    int indexOf(const QString& field) const;
    const FieldDef* field(const QString& field) const;
    bool isKeyField(const QString& field) const;
};

// A detail table's link to its master by equal field values. A detail record
// whose master does not exist is refused with "Master record missing".
struct TableLink
{
    enum class Rule {
        // A change of the master's key, or its deletion, is carried over to
        // its detail records.
        Carry,
        // A master that has detail records keeps its key and cannot be
        // deleted ("Master has detail records"), unless the change is carried
        // down from the master's own master.
        Restrict,
    };

    QString detail;
    QString master;
    QStringList fields;
    Rule rule = Rule::Restrict;
};

struct SchemaDef
{
    QList<TableDef> tables;
    QList<TableLink> links;

    const TableDef* table(const QString& name) const;
};

} // namespace kasplan::db
