#pragma once

#include "HandlerList.h"
#include "TableDef.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace kasplan::db {

class DataSet;

// Two field values are the same: both null, or equal.
inline bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
}

enum class FieldKind {
    Data,       // stored in the table
    Calculated, // computed by the view's calculation handler for every record
    Lookup,     // read from another view by key
};

// One field of a view. It reads and writes the view's current record (or the
// record the view is working on while it filters or calculates), so windows
// keep one Field pointer for the life of the view.
class Field
{
public:
    struct Handlers
    {
        // The text shown (displayText true) or edited (false); starts as the
        // field's own text, the handler may replace it.
        std::function<void(Field&, QString& text, bool displayText)> onGetText;
        // Typed text to store; without a handler the field converts it.
        std::function<void(Field&, const QString& text)> onSetText;
        // After the field's value changed in the record being edited; every
        // handler added runs, in the order added.
        HandlerList<void(Field&)> onChange;
    };

    struct LookupDef
    {
        QStringList keyFields;       // fields of this view
        DataSet* dataSet = nullptr;  // the view looked in
        QStringList lookupKeyFields; // its fields matched with keyFields
        QString resultField;         // its field whose value this field shows
    };

    Field(DataSet* dataSet, FieldDef def, FieldKind kind, int index);

    DataSet* dataSet() const { return m_dataSet; }
    const QString& fieldName() const { return m_def.name; }
    FieldType dataType() const { return m_def.type; }
    int size() const { return m_def.size; }
    bool required() const { return m_def.required; }
    FieldKind kind() const { return m_kind; }
    const FieldDef& def() const { return m_def; }
    int index() const { return m_index; }

    // Display attributes, used by every grid that sets none of its own.
    QString displayLabel() const;
    void setDisplayLabel(const QString& label) { m_displayLabel = label; }
    const QString& displayFormat() const { return m_displayFormat; }
    void setDisplayFormat(const QString& format) { m_displayFormat = format; }
    int displayWidth() const;
    void setDisplayWidth(int width) { m_displayWidth = width; }
    // The characters an edit control accepts; empty means any.
    const QString& validChars() const { return m_validChars; }
    void setValidChars(const QString& chars) { m_validChars = chars; }
    bool isValidChar(QChar c) const;
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool visible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }

    const LookupDef& lookup() const { return m_lookup; }
    void setLookup(LookupDef lookup) { m_lookup = std::move(lookup); }

    Handlers& handlers() { return m_handlers; }

    // The value, null as a null QVariant. The as...() readers give 0, empty
    // text, false or an invalid date for null.
    QVariant value() const;
    bool isNull() const;
    QString asString() const;
    int asInteger() const;
    double asFloat() const;
    bool asBoolean() const;
    QDate asDate() const;
    // The value when the edit began (the stored value).
    QVariant oldValue() const;

    // Converts to the field's type and stores it in the record being edited;
    // throws EngineError when the value does not fit (too long, out of range,
    // not a number) or the view is not editing.
    void setValue(const QVariant& value);
    void clear() { setValue(QVariant()); }

    // The text grids and reports show, and the text an edit starts from.
    QString displayText() const;
    QString text() const;
    // Stores typed text, through the entry handler when there is one.
    void setText(const QString& text);

    // The field's own conversions, which handlers may build on.
    QString ownText(bool displayText) const { return ownTextOf(value(), displayText); }
    // The same for a value of this field read elsewhere (another record).
    QString ownTextOf(const QVariant& value, bool displayText) const;
    QVariant valueFromText(const QString& text) const;
    QVariant coerce(const QVariant& value) const;

    // Used by the view when the table's own layout is read at open.
    void updateDef(const FieldDef& def) { m_def = def; }

private:
    friend class DataSet;
    DataSet* m_dataSet;
    FieldDef m_def;
    FieldKind m_kind;
    int m_index;
    QString m_displayLabel;
    QString m_displayFormat;
    int m_displayWidth = -1;
    QString m_validChars;
    bool m_readOnly = false;
    bool m_visible = true;
    LookupDef m_lookup;
    Handlers m_handlers;
};

} // namespace kasplan::db
