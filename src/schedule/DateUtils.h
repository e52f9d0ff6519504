#pragma once

#include <QDate>

#include <stdexcept>

namespace kasplan {

// A date as a day number: the whole part counts days from 30 December 1899
// (day 0), the fraction is the time of day. Schedule dates are whole days, so
// adding n days is adding n.
using TDate = double;

// Building a date outside 1 January 1 .. 31 December 9999.
class DateError : public std::out_of_range
{
public:
    using std::out_of_range::out_of_range;
};

// Weekdays as the program numbers them.
enum Weekday { Sunday = 1, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday };

bool IsLeapYear(int year);
// 28 to 31; month must be 1 to 12.
int DaysInMonth(int year, int month);

// Throws DateError when year, month or day is out of range.
TDate EncodeDate(int year, int month, int day);
void DecodeDate(TDate date, int& year, int& month, int& day);

TDate FromQDate(QDate date);
QDate ToQDate(TDate date);
// Today's local date (from the program's clock), fraction 0.
TDate Today();

// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDate date);

// Shifts by whole years, then whole months, then days; the day of month is
// limited to the length of the target month.
TDate IncDate(int years, int months, int days, TDate date);

TDate FirstDayOfYear(TDate date);
TDate LastDayOfYear(TDate date);
// 1 January is 1.
int DayOfYear(TDate date);
// ISO 8601 week number (week 1 holds the year's first Thursday).
int WeekNumber(TDate date);

} // namespace kasplan
