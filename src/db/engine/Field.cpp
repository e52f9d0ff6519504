#include "Field.h"

#include "DataSet.h"
#include "EngineError.h"
#include "FloatFormat.h"

#include "core/CurrencySymbol.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace kasplan::db {

namespace {

QVariant wholeNumber(const Field& f, const QVariant& value, qint64 low, qint64 high)
{
    qint64 n = 0;
    bool ok = false;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        ok = std::isfinite(d) && d == std::floor(d);
        if (ok && (d < double(low) || d > double(high)))
            throw EngineError::valueOutOfRange(f.fieldName(), low, high);
        n = qint64(d);
        break;
    }
    case QMetaType::Bool:
        n = value.toBool() ? 1 : 0;
        ok = true;
        break;
    case QMetaType::QString:
        n = value.toString().trimmed().toLongLong(&ok);
        break;
    default:
        n = value.toLongLong(&ok);
        break;
    }
    if (!ok)
        throw EngineError::invalidValue(f.fieldName(), value.toString());
    if (n < low || n > high)
        throw EngineError::valueOutOfRange(f.fieldName(), low, high);
    return int(n);
}

} // namespace

Field::Field(DataSet* dataSet, FieldDef def, FieldKind kind, int index)
    : m_dataSet(dataSet), m_def(std::move(def)), m_kind(kind), m_index(index)
{
}

QString Field::displayLabel() const
{
    return m_displayLabel.isEmpty() ? m_def.name : m_displayLabel;
}

int Field::displayWidth() const
{
    if (m_displayWidth >= 0)
        return m_displayWidth;
    return m_def.type == FieldType::Alpha && m_def.size > 0 ? m_def.size : 10;
}

bool Field::isValidChar(QChar c) const
{
    return m_validChars.isEmpty() || m_validChars.contains(c);
}

QVariant Field::value() const
{
    return m_dataSet->fieldValue(this);
}

bool Field::isNull() const
{
    return value().isNull();
}

QString Field::asString() const
{
    const QVariant v = value();
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    return v.toString();
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::Double)
        return int(std::lround(v.toDouble()));
    return v.toInt();
}

double Field::asFloat() const
{
    return value().toDouble();
}

bool Field::asBoolean() const
{
    return value().toBool();
}

QDate Field::asDate() const
{
    return value().toDate();
}

QVariant Field::oldValue() const
{
    return m_dataSet->fieldOldValue(this);
}

void Field::setValue(const QVariant& value)
{
    m_dataSet->setFieldValue(this, value);
}

QVariant Field::coerce(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (m_def.type) {
    case FieldType::Alpha: {
        const QString text = value.typeId() == QMetaType::QDate
                                 ? value.toDate().toString(Qt::ISODate)
                                 : value.toString();
        // Refused, never cut: a cut name would silently become another name.
        if (m_def.size > 0 && text.size() > m_def.size)
            throw EngineError::valueTooLong(m_def.name, m_def.size);
        return text;
    }
    case FieldType::Memo:
        return value.toString();
    case FieldType::Short:
        return wholeNumber(*this, value, -32768, 32767);
    case FieldType::Long:
        return wholeNumber(*this, value, std::numeric_limits<qint32>::min(),
                           std::numeric_limits<qint32>::max());
    case FieldType::Number:
    case FieldType::Money: {
        bool ok = false;
        const double d = value.typeId() == QMetaType::QString
                             ? value.toString().trimmed().toDouble(&ok)
                             : value.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            throw EngineError::invalidValue(m_def.name, value.toString());
        return d;
    }
    case FieldType::Date: {
        if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime) {
            const QDate d = value.toDate();
            if (!d.isValid())
                throw EngineError::invalidValue(m_def.name, value.toString());
            return d;
        }
        const QDate d = QDate::fromString(value.toString().trimmed(), Qt::ISODate);
        if (!d.isValid())
            throw EngineError::invalidValue(m_def.name, value.toString());
        return d;
    }
    case FieldType::Logical:
        if (value.typeId() == QMetaType::QString) {
            const QString t = value.toString().trimmed().toLower();
            if (t == QLatin1String("true") || t == QLatin1String("1"))
                return true;
            if (t == QLatin1String("false") || t == QLatin1String("0"))
                return false;
            throw EngineError::invalidValue(m_def.name, value.toString());
        }
        return value.toBool();
    }
    return value;
}

QString Field::ownTextOf(const QVariant& v, bool displayText) const
{
    if (v.isNull())
        return {};
    // Texts, the most common by far, need no locale.
    if (isText(m_def.type))
        return v.toString();
    const QLocale locale;
    switch (m_def.type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return v.toString();
    case FieldType::Short:
    case FieldType::Long:
        if (displayText && !m_displayFormat.isEmpty())
            return formatFloat(m_displayFormat, v.toDouble(), locale);
        return locale.toString(v.toInt()).remove(locale.groupSeparator());
    case FieldType::Number:
        if (displayText && !m_displayFormat.isEmpty())
            return formatFloat(m_displayFormat, v.toDouble(), locale);
        return locale.toString(v.toDouble(), 'g', 15).remove(locale.groupSeparator());
    case FieldType::Money:
        if (displayText && !m_displayFormat.isEmpty())
            return formatFloat(m_displayFormat, v.toDouble(), locale);
        if (displayText)
            return FormatMoney(v.toDouble(), locale);
        return locale.toString(v.toDouble(), 'f', 2).remove(locale.groupSeparator());
    case FieldType::Date:
        return locale.toString(v.toDate(), QLocale::ShortFormat);
    case FieldType::Logical:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    return v.toString();
}

QString Field::displayText() const
{
    QString t = ownText(true);
    if (m_handlers.onGetText)
        m_handlers.onGetText(const_cast<Field&>(*this), t, true);
    return t;
}

QString Field::text() const
{
    QString t = ownText(false);
    if (m_handlers.onGetText)
        m_handlers.onGetText(const_cast<Field&>(*this), t, false);
    return t;
}

QVariant Field::valueFromText(const QString& text) const
{
    const QString t = text.trimmed();
    if (isText(m_def.type))
        return text.isEmpty() ? QVariant() : QVariant(text);
    if (t.isEmpty())
        return {};
    const QLocale locale;
    bool ok = false;
    switch (m_def.type) {
    case FieldType::Short:
    case FieldType::Long: {
        qlonglong n = locale.toLongLong(t, &ok);
        if (!ok)
            n = t.toLongLong(&ok);
        if (!ok)
            throw EngineError::invalidValue(m_def.name, text);
        return coerce(n);
    }
    case FieldType::Number:
    case FieldType::Money: {
        double d = locale.toDouble(t, &ok);
        if (!ok)
            d = t.toDouble(&ok);
        if (!ok)
            throw EngineError::invalidValue(m_def.name, text);
        return d;
    }
    case FieldType::Date: {
        QDate d = locale.toDate(t, QLocale::ShortFormat);
        if (!d.isValid())
            d = QDate::fromString(t, Qt::ISODate);
        if (!d.isValid())
            throw EngineError::invalidValue(m_def.name, text);
        return d;
    }
    case FieldType::Logical: {
        const QString l = t.toLower();
        if (l == QLatin1String("true") || l == QLatin1String("ja") || l == QLatin1String("1"))
            return true;
        if (l == QLatin1String("false") || l == QLatin1String("nee") || l == QLatin1String("0"))
            return false;
        throw EngineError::invalidValue(m_def.name, text);
    }
    default:
        return text;
    }
}

void Field::setText(const QString& text)
{
    if (m_handlers.onSetText) {
        m_handlers.onSetText(*this, text);
        return;
    }
    setValue(valueFromText(text));
}

} // namespace kasplan::db
