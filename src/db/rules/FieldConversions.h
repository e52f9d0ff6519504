#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

namespace kasplan {

// What a typed text does to a field: make it null, store a value, or be
// refused (no number, or too large for the field) while the field keeps its
// old value.
struct FieldEntry
{
    enum class Kind { Null, Value, NotANumber, OutOfRange };

    Kind kind = Kind::Null;
    int value = 0;

    static FieldEntry null() { return {}; }
    static FieldEntry of(int v) { return {Kind::Value, v}; }
    static FieldEntry refused(Kind why) { return {why, 0}; }
    bool refused() const { return kind == Kind::NotANumber || kind == Kind::OutOfRange; }
};

// Text forms of the fields that are stored in one form and shown in another.
namespace FieldConversions {

// The range of the 16-bit day fields.
inline constexpr int ShortMin = -32768;
inline constexpr int ShortMax = 32767;

// Day counts shown in weeks (unit 7) or days (unit 1). In weeks the value is
// rounded to the nearest half week and written with at most one decimal in
// the locale's separator: 0 and null show empty, 3 days ",5", 25 days "3,5".
QString WeekOrDayText(std::optional<int> days, int unit, const QLocale& locale = QLocale());

// A typed week-or-day text to whole days: blanks make the field null; the
// number is taken to the nearest half (an exact quarter to the even half) and
// a half week is 3 days. Text that is no number, or a result that does not fit
// the 16-bit field, is refused.
FieldEntry WeekOrDayEntry(const QString& text, int unit, const QLocale& locale = QLocale());

// The characters an edit of a week-or-day field accepts: "+", the digits and,
// in weeks, the locale's decimal separator. No minus sign.
QString PeriodEntryCharacters(int unit, const QLocale& locale = QLocale());

// The row captions of the two unit-dependent values.
QString TussenTCaption(int tussenTunit);
QString KoudeCaption(int kperiodunit);

// The earliest G-stage date as "dd/mm"; an invalid (null) date shows empty.
// The separator is the one that entry expects, so a shown date can be typed
// back unchanged.
QString GstageminText(const QDate& date);

// "day/month" typed into Gstagemin, in the year of today's date (only day and
// month count). The day is limited to the length of the month. Anything else
// (no "/", no whole numbers, a month outside 1..12, a day below 1) gives
// nullopt: the field becomes null without a message.
std::optional<QDate> GstageminEntry(const QString& text, int year);

} // namespace FieldConversions
} // namespace kasplan
