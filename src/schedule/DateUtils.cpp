#include "DateUtils.h"

#include "core/Clock.h"

#include <cmath>

namespace kasplan {

namespace {

const int MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Julian day of day number 0 (30 December 1899).
constexpr qint64 DayZeroJulian = 2415019;

int wholeDay(TDate date)
{
    return static_cast<int>(std::floor(date));
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    return MonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

TDate EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        throw DateError("invalid date");
    return FromQDate(QDate(year, month, day));
}

void DecodeDate(TDate date, int& year, int& month, int& day)
{
    ToQDate(date).getDate(&year, &month, &day);
}

TDate FromQDate(QDate date)
{
    return static_cast<TDate>(date.toJulianDay() - DayZeroJulian);
}

QDate ToQDate(TDate date)
{
    return QDate::fromJulianDay(wholeDay(date) + DayZeroJulian);
}

TDate Today()
{
    return FromQDate(Clock::current().today());
}

int DayOfWeek(TDate date)
{
    // Day 0 was a Saturday.
    const int mod = ((wholeDay(date) % 7) + 7) % 7;
    return (mod + 6) % 7 + 1;
}

TDate IncDate(int years, int months, int days, TDate date)
{
    int y, m, d;
    DecodeDate(date, y, m, d);
    if (years != 0) {
        y += years;
        d = std::min(d, DaysInMonth(y, m));
    }
    if (months > 0) {
        const int t = m + months - 1;
        y += t / 12;
        m = t % 12 + 1;
    } else if (months < 0) {
        const int t = 12 - m - months;
        y -= t / 12;
        m = 12 - t % 12;
    }
    d = std::min(d, DaysInMonth(y, m));
    return EncodeDate(y, m, d) + days;
}

TDate FirstDayOfYear(TDate date)
{
    return EncodeDate(ToQDate(date).year(), 1, 1);
}

TDate LastDayOfYear(TDate date)
{
    return EncodeDate(ToQDate(date).year(), 12, 31);
}

int DayOfYear(TDate date)
{
    return wholeDay(date) - wholeDay(FirstDayOfYear(date)) + 1;
}

int WeekNumber(TDate date)
{
    // Offsets by weekday (index 1 = Sunday .. 7 = Saturday).
    static const int firstDayOffset[8] = {0, -1, 0, 1, 2, 3, -3, -2};
    static const int wednesdayOffset[8] = {0, -4, 2, 1, 0, -1, -2, -3};

    const int j = DayOfYear(date);
    const TDate first = FirstDayOfYear(date);
    const int a = j + firstDayOffset[DayOfWeek(first)];
    const int b = j + wednesdayOffset[DayOfWeek(date)];
    if (a <= 0)
        return WeekNumber(first - 1);
    if (b >= DayOfYear(LastDayOfYear(date)))
        return 1;
    return (a - 1) / 7 + 1;
}

} // namespace kasplan
