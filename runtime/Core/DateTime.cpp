#include "runtime/Core/DateTime.h"

#include <cmath>
#include <cstring>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Win32.h"

namespace Rtl {

static_assert(sizeof(TSystemTime) == sizeof(SYSTEMTIME), "TSystemTime is laid out as SYSTEMTIME");

namespace {

// The x87 unit of 32-bit code keeps intermediate results with more
// precision than a double, also in returned values; a value made here is
// rounded to a double through memory so that two computations of the same
// date-time compare equal wherever they are kept.
TDateTime AsDouble(double value) {
  volatile TDateTime stored = value;
  return stored;
}

// Day 0 (1899-12-30) counted from 1970-01-01 is -25569.
constexpr std::int64_t UnixEpochDay = 25569;
constexpr double MSecsPerDayF = static_cast<double>(MSecsPerDay);

// Days of the proleptic Gregorian calendar counted from 1970-01-01.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// The value as milliseconds on a straight time line from day 0, 00:00.
double LinearMs(TDateTime value) {
  if (value >= 0) return value * MSecsPerDayF;
  const double day = std::trunc(value);
  return day * MSecsPerDayF + (day - value) * MSecsPerDayF;
}

TDateTime FromLinearMs(double ms) {
  const double day = std::floor(ms / MSecsPerDayF);
  const double time = (ms - day * MSecsPerDayF) / MSecsPerDayF;
  return AsDouble(day >= 0 ? day + time : day - time);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// The value rounded to whole milliseconds: its day and the time within it.
void SplitRounded(TDateTime value, std::int64_t& day, std::int64_t& msOfDay) {
  const std::int64_t ms = std::llround(LinearMs(value));
  day = FloorDiv(ms, MSecsPerDay);
  msOfDay = ms - day * MSecsPerDay;
}

// Whole units between two values taken to the millisecond, as decoding
// takes them: a double holds today's date-times only to some microseconds,
// so an exact hour apart may otherwise come out a hair short of it.
std::int64_t WholeUnitsBetween(TDateTime now, TDateTime then, std::int64_t unitMs) {
  const std::int64_t span = std::llround(LinearMs(now)) - std::llround(LinearMs(then));
  return (span < 0 ? -span : span) / unitMs;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
  static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
    return false;
  date = static_cast<TDateTime>(DaysFromCivil(year, month, day) + UnixEpochDay);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int milliSecond, TDateTime& time) {
  if (hour < 0 || hour >= HoursPerDay || minute < 0 || minute >= MinsPerHour || second < 0 ||
      second >= SecsPerMin || milliSecond < 0 || milliSecond >= MSecsPerSec)
    return false;
  const std::int64_t ms =
      ((static_cast<std::int64_t>(hour) * MinsPerHour + minute) * SecsPerMin + second) * MSecsPerSec + milliSecond;
  time = AsDouble(static_cast<double>(ms) / MSecsPerDayF);
  return true;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int milliSecond,
                       TDateTime& value) {
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, milliSecond, time))
    return false;
  value = AsDouble(date >= 0 ? date + time : date - time);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError(
        Format(LoadResString(SDateEncodeError), {year, month, day}));
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int milliSecond) {
  TDateTime result;
  if (!TryEncodeTime(hour, minute, second, milliSecond, result))
    throw EConvertError(Format(LoadResString(STimeEncodeError),
                               {hour, minute, second, milliSecond}));
  return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int milliSecond) {
  const TDateTime date = EncodeDate(year, month, day);
  const TDateTime time = EncodeTime(hour, minute, second, milliSecond);
  return AsDouble(date >= 0 ? date + time : date - time);
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  std::int64_t dayNumber, msOfDay;
  SplitRounded(value, dayNumber, msOfDay);
  CivilFromDays(dayNumber - UnixEpochDay, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& milliSecond) {
  std::int64_t dayNumber, ms;
  SplitRounded(value, dayNumber, ms);
  milliSecond = static_cast<int>(ms % MSecsPerSec);
  ms /= MSecsPerSec;
  second = static_cast<int>(ms % SecsPerMin);
  ms /= SecsPerMin;
  minute = static_cast<int>(ms % MinsPerHour);
  hour = static_cast<int>(ms / MinsPerHour);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& milliSecond) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, milliSecond);
}

int DayOfWeek(TDateTime value) {
  std::int64_t dayNumber, msOfDay;
  SplitRounded(value, dayNumber, msOfDay);
  // Day 0 was a Saturday.
  const std::int64_t shifted = dayNumber + 6;
  return static_cast<int>(shifted - FloorDiv(shifted, 7) * 7) + 1;
}

TDateTime DateOf(TDateTime value) {
  std::int64_t dayNumber, msOfDay;
  SplitRounded(value, dayNumber, msOfDay);
  return static_cast<TDateTime>(dayNumber);
}

TDateTime Now() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  TSystemTime value;
  std::memcpy(&value, &local, sizeof value);
  return SystemTimeToDateTime(value);
}

TSystemTime DateTimeToSystemTime(TDateTime value) {
  int year, month, day, hour, minute, second, ms;
  DecodeDateTime(value, year, month, day, hour, minute, second, ms);
  if (year < 1601 || year > 30827)
    throw EConvertError(Format(LoadResString(SNoSystemTime), {year, month, day}));
  return {static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month),
          static_cast<std::uint16_t>(DayOfWeek(value) - 1), static_cast<std::uint16_t>(day),
          static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute),
          static_cast<std::uint16_t>(second), static_cast<std::uint16_t>(ms)};
}

TDateTime SystemTimeToDateTime(const TSystemTime& value) {
  return EncodeDateTime(value.Year, value.Month, value.Day, value.Hour, value.Minute, value.Second,
                        value.Milliseconds);
}

TDateTime IncMilliSecond(TDateTime value, std::int64_t count) {
  return FromLinearMs(LinearMs(value) + static_cast<double>(count));
}

TDateTime IncSecond(TDateTime value, std::int64_t count) { return IncMilliSecond(value, count * MSecsPerSec); }

TDateTime IncMinute(TDateTime value, std::int64_t count) {
  return IncMilliSecond(value, count * SecsPerMin * MSecsPerSec);
}

TDateTime IncHour(TDateTime value, std::int64_t count) {
  return IncMilliSecond(value, count * MinsPerHour * SecsPerMin * MSecsPerSec);
}

TDateTime IncDay(TDateTime value, std::int64_t count) { return IncMilliSecond(value, count * MSecsPerDay); }

double MilliSecondSpan(TDateTime now, TDateTime then) { return std::fabs(LinearMs(now) - LinearMs(then)); }

std::int64_t MilliSecondsBetween(TDateTime now, TDateTime then) { return WholeUnitsBetween(now, then, 1); }

std::int64_t SecondsBetween(TDateTime now, TDateTime then) { return WholeUnitsBetween(now, then, MSecsPerSec); }

std::int64_t MinutesBetween(TDateTime now, TDateTime then) {
  return WholeUnitsBetween(now, then, SecsPerMin * MSecsPerSec);
}

std::int64_t HoursBetween(TDateTime now, TDateTime then) {
  return WholeUnitsBetween(now, then, MinsPerHour * SecsPerMin * MSecsPerSec);
}

}  // namespace Rtl
