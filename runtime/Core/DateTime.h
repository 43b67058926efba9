// Date-time values of the runtime.
//
// A TDateTime is a day count with the time of day as the fraction; day 0 is
// 30 December 1899. Before day 0 the integral part counts the days back and
// the fraction's magnitude is still the time of day (-1.25 is 29 December
// 1899, 06:00). Dates run from 1 January 0001 to 31 December 9999 of the
// proleptic Gregorian calendar. Decoding rounds to the nearest millisecond.
#pragma once

#include <cstdint>

namespace Rtl {

using TDateTime = double;

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerHour = 60;
inline constexpr int SecsPerMin = 60;
inline constexpr int MSecsPerSec = 1000;
inline constexpr int SecsPerDay = HoursPerDay * MinsPerHour * SecsPerMin;
inline constexpr std::int64_t MSecsPerDay = static_cast<std::int64_t>(SecsPerDay) * MSecsPerSec;

// Laid out as the system's SYSTEMTIME (DayOfWeek: 0 is Sunday).
struct TSystemTime {
  std::uint16_t Year;
  std::uint16_t Month;
  std::uint16_t DayOfWeek;
  std::uint16_t Day;
  std::uint16_t Hour;
  std::uint16_t Minute;
  std::uint16_t Second;
  std::uint16_t Milliseconds;
};

bool IsLeapYear(int year);
// 28 to 31; 0 for a month outside 1 to 12.
int DaysInAMonth(int year, int month);

// Encoding. The Try forms report an invalid argument through their result;
// the others raise EConvertError "Invalid argument to date encode (...)" or
// "Invalid argument to time encode (...)" naming the values given.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int milliSecond, TDateTime& time);
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int milliSecond,
                       TDateTime& value);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int milliSecond);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int milliSecond);

// Decoding (to the nearest millisecond; 23:59:59.9996 is the next day).
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& milliSecond);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& milliSecond);
// 1 (Sunday) to 7 (Saturday).
int DayOfWeek(TDateTime value);
// The date alone (midnight of the value's day).
TDateTime DateOf(TDateTime value);

// The local date and time of the system clock.
TDateTime Now();

// Conversions to and from system time (no time-zone conversion). A value
// outside the years 1601 to 30827 can't be a system time: the conversion to
// it raises EConvertError.
TSystemTime DateTimeToSystemTime(TDateTime value);
TDateTime SystemTimeToDateTime(const TSystemTime& value);

// Arithmetic on the time line (across day 0 as well).
TDateTime IncMilliSecond(TDateTime value, std::int64_t count = 1);
TDateTime IncSecond(TDateTime value, std::int64_t count = 1);
TDateTime IncMinute(TDateTime value, std::int64_t count = 1);
TDateTime IncHour(TDateTime value, std::int64_t count = 1);
TDateTime IncDay(TDateTime value, std::int64_t count = 1);

// The time between two values, in milliseconds (never negative).
double MilliSecondSpan(TDateTime now, TDateTime then);
// Whole units between two values taken to the nearest millisecond (never
// negative).
std::int64_t MilliSecondsBetween(TDateTime now, TDateTime then);
std::int64_t SecondsBetween(TDateTime now, TDateTime then);
std::int64_t MinutesBetween(TDateTime now, TDateTime then);
std::int64_t HoursBetween(TDateTime now, TDateTime then);

}  // namespace Rtl
