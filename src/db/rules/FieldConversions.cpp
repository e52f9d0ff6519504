#include "FieldConversions.h"

#include "CodedValues.h"
#include "core/Rounding.h"

#include <cmath>
#include <limits>

namespace kasplan::FieldConversions {

QString WeekOrDayText(std::optional<int> days, int unit, const QLocale& locale)
{
    if (!days)
        return {};
    if (unit != 7)
        return QString::number(*days);

    // Half weeks: v * 2 / 7 is never exactly halfway, so the rounding rule
    // does not matter here. The "#.#" picture writes no digit the value does
    // not have: no "0" before the separator, no ",0" after a whole number.
    const long halves = std::lround(*days * 2.0 / 7.0);
    if (halves == 0)
        return {};
    const long whole = std::labs(halves) / 2;
    QString text = halves < 0 ? locale.negativeSign() : QString();
    if (whole != 0)
        text += QString::number(whole);
    if (halves % 2 != 0)
        text += locale.decimalPoint() + QLatin1Char('5');
    return text;
}

FieldEntry WeekOrDayEntry(const QString& text, int unit, const QLocale& locale)
{
    if (text.trimmed().isEmpty())
        return FieldEntry::null();

    // A group separator would turn "2.5" into 25 weeks in a Dutch locale.
    QLocale strict = locale;
    strict.setNumberOptions(strict.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double typed = strict.toDouble(text, &ok);
    if (!ok || !std::isfinite(typed))
        return FieldEntry::refused(FieldEntry::Kind::NotANumber);

    // The 0.0001 keeps a half week of 3.5 days at 3.
    constexpr int intMin = std::numeric_limits<int>::min();
    constexpr int intMax = std::numeric_limits<int>::max();
    const int halves = roundHalfEven(typed * 2.0, intMin, intMax);
    const int days = roundHalfEven(halves / 2.0 * unit - 0.0001, intMin, intMax);
    if (days < ShortMin || days > ShortMax)
        return FieldEntry::refused(FieldEntry::Kind::OutOfRange);
    return FieldEntry::of(days);
}

QString PeriodEntryCharacters(int unit, const QLocale& locale)
{
    QString accepted = QStringLiteral("+0123456789");
    if (unit == 7)
        accepted += locale.decimalPoint();
    return accepted;
}

QString TussenTCaption(int tussenTunit)
{
    return QStringLiteral("%1 20oC na G").arg(CodedValues::UnitWord(tussenTunit));
}

QString KoudeCaption(int kperiodunit)
{
    return QStringLiteral("%1 Koude:").arg(CodedValues::UnitWord(kperiodunit));
}

QString GstageminText(const QDate& date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1/%2")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'));
}

std::optional<QDate> GstageminEntry(const QString& text, int year)
{
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return std::nullopt;
    bool dayOk = false;
    bool monthOk = false;
    int day = text.left(slash).trimmed().toInt(&dayOk);
    const int month = text.mid(slash + 1).trimmed().toInt(&monthOk);
    if (!dayOk || !monthOk || month < 1 || month > 12 || day < 1 || day > 65535)
        return std::nullopt;
    const QDate first(year, month, 1);
    if (!first.isValid())
        return std::nullopt;
    day = std::min(day, first.daysInMonth());
    return QDate(year, month, day);
}

} // namespace kasplan::FieldConversions
