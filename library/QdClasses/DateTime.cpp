#include "QdClasses/DateTime.h"

#include <cstdlib>
#include <cstring>

#include "QdClasses/RegEx.h"
#include "QdString.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Win32.h"
#include "QdClasses/Strings.h"

namespace Qd {

namespace {

using Rtl::TDateTime;

// An ISO 8601 date-time with separators, an optional fraction and zone.
constexpr wchar_t IsoDateTimePattern[] =
    L"^(-?(?:[1-9][0-9]*)?[0-9]{4})-(1[0-2]|0[1-9])-(3[0-1]|0[1-9]|[1-2][0-9])?T(2[0-3]|[0-1][0-9]):"
    L"([0-5][0-9]):([0-5][0-9])(\\.[0-9]+)?"  // split: "??(" would read as a trigraph
    L"?(Z|[+-](?:2[0-3]|[0-1][0-9]):[0-5][0-9])?$";

// True with the value when `text` is one or more decimal digits.
bool ReadDigits(std::wstring_view text, int& value) {
  if (text.empty()) return false;
  value = 0;
  for (const wchar_t c : text) {
    if (!TUnicodeString::IsDigit(c)) return false;
    value = value * 10 + TUnicodeString::CharToInt(c);
  }
  return true;
}

// Takes `width` characters from the front of `text`; their value, or 0 when
// they aren't a number (or are missing).
int TakeNumberOrZero(std::wstring& text, int width) {
  int value = 0;
  return ReadDigits(TUnicodeString::TakeLeft(text, width), value) ? value : 0;
}

// The digits of a decimal fraction of a second as milliseconds (".5" is
// 500 ms; digits past the third are cut off). 0 when they aren't digits.
int FractionToMilliSeconds(const std::wstring& digits) {
  std::wstring first3 = TUnicodeString::Left(digits, 3);
  int value = 0;
  if (!ReadDigits(first3, value)) return 0;
  for (size_t i = first3.size(); i < 3; ++i) value *= 10;
  return value;
}

}  // namespace

// --- TQdBytes ----------------------------------------------------------------------

bool TQdBytes::Equal(const Rtl::TBytes& bytes1, const Rtl::TBytes& bytes2) { return bytes1 == bytes2; }

Rtl::TBytes TQdBytes::BytesOf(const std::wstring& value) {
  Rtl::TBytes result;
  result.reserve(value.size() * 2);
  for (const wchar_t c : value) {
    result.push_back(static_cast<std::uint8_t>(c & 0xFF));
    result.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  return result;
}

// --- TUtc --------------------------------------------------------------------------

TDateTime TUtc::LocalToUtc(TDateTime value) {
  const TDateTime whole = TQdDateTime::RemoveMs(value);
  int year, month, day;
  Rtl::DecodeDate(whole, year, month, day);
  if (year < 1601) return whole;  // before the system's time line
  const Rtl::TSystemTime local = Rtl::DateTimeToSystemTime(whole);
  SYSTEMTIME localTime, utcTime;
  std::memcpy(&localTime, &local, sizeof localTime);
  // The rules of the zone for that date, daylight saving included.
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &utcTime)) return whole;
  Rtl::TSystemTime utc;
  std::memcpy(&utc, &utcTime, sizeof utc);
  return Rtl::SystemTimeToDateTime(utc);
}

// --- TQdDateTime: comparison ------------------------------------------------------

bool TQdDateTime::IsSameDateTime(TDateTime value1, TDateTime value2, TDiffResolution resolution) {
  switch (resolution) {
    case tdrExact: return Rtl::MilliSecondsBetween(value1, value2) == 0;
    case tdrDay: return Rtl::DateOf(value1) == Rtl::DateOf(value2);
    case tdrHour: return Rtl::HoursBetween(value1, value2) == 0;
    case tdrMin: return Rtl::MinutesBetween(value1, value2) == 0;
    case tdrSec: return Rtl::SecondsBetween(value1, value2) == 0;
  }
  throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SInvalidResolution), {static_cast<int>(resolution)}));
}

TDateTime TQdDateTime::RemoveMs(TDateTime value) {
  int year, month, day, hour, minute, second, ms;
  Rtl::DecodeDateTime(value, year, month, day, hour, minute, second, ms);
  return Rtl::EncodeDateTime(year, month, day, hour, minute, second, 0);
}

bool TQdDateTime::SameIgnoreMs(TDateTime value1, TDateTime value2) { return RemoveMs(value1) == RemoveMs(value2); }

// --- TQdDateTime: long and compact texts -------------------------------------------

std::wstring TQdDateTime::DateTimeToLongString(TDateTime dateTime) {
  int year, month, day, hour, minute, second, ms;
  Rtl::DecodeDateTime(dateTime, year, month, day, hour, minute, second, ms);
  return Rtl::Format(L"%.2d/%.2d/%.4d %.2d:%.2d:%.2d", {month, day, year, hour, minute, second});
}

TDateTime TQdDateTime::LongStringToDateTime(const std::wstring& value) {
  std::wstring text = value;
  // Each field is followed by one separator character.
  const auto field = [&text](int width) {
    const int result = Rtl::StrToInt(TUnicodeString::TakeLeft(text, width));
    TUnicodeString::TakeLeft(text, 1);
    return result;
  };
  int year, month, day;
  if (value.find(L'/') == std::wstring::npos) {
    year = field(4);
    month = field(2);
    day = field(2);
  } else {
    month = field(2);
    day = field(2);
    year = field(4);
  }
  const int hour = field(2);
  const int minute = field(2);
  const int second = field(2);
  return Rtl::EncodeDateTime(year, month, day, hour, minute, second, 0);
}

// The shortened forms name a moment at or before BaseDateTime: a month,
// day or hour after the base's lies in the year, month or day before.
TDateTime TQdDateTime::StringToDateTime(const std::wstring& stringDateTime) {
  if (stringDateTime.empty()) return 0;
  std::wstring text = stringDateTime;
  const auto field = [&text](int width) { return TakeNumberOrZero(text, width); };
  const size_t length = text.size();

  const TDateTime base = BaseDateTime();
  if (base == 0 || length >= 14) {
    const int year = field(4);
    const int month = field(2);
    const int day = field(2);
    const int hour = field(2);
    const int minute = field(2);
    const int second = field(2);
    const int ms = field(3);
    return Rtl::EncodeDateTime(year, month, day, hour, minute, second, ms);
  }

  int baseYear, baseMonth, baseDay, baseHour, baseMinute, baseSecond, baseMs;
  Rtl::DecodeDateTime(base, baseYear, baseMonth, baseDay, baseHour, baseMinute, baseSecond, baseMs);
  int year = baseYear, month = baseMonth, day = baseDay;
  switch (length) {
    case 10:
      month = field(2);
      day = field(2);
      if (month > baseMonth) --year;
      break;
    case 8:
      day = field(2);
      if (day > baseDay) {
        if (--month == 0) {
          month = 12;
          --year;
        }
      }
      break;
    case 6:
      break;
    default:
      return 0;
  }
  const int hour = field(2);
  const int minute = field(2);
  const int second = field(2);
  // The day before the base's, by the calendar (the 1st falls back to the
  // last day of the month before, whatever its length).
  if (length == 6 && hour > baseHour) Rtl::DecodeDate(Rtl::IncDay(Rtl::DateOf(base), -1), year, month, day);
  return Rtl::EncodeDateTime(year, month, day, hour, minute, second, 0);
}

// --- TQdDateTime: ISO 8601 -------------------------------------------------------------

bool TQdDateTime::IsIsoDateTime(const std::wstring& value) { return TQdRegEx::Match(value, IsoDateTimePattern); }

bool TQdDateTime::HasTimePart(const std::wstring& value) { return value.find(L'T') != std::wstring::npos; }

std::wstring TQdDateTime::DateToIso(TDateTime dateTime, bool dateSeparator) {
  int year, month, day;
  Rtl::DecodeDate(dateTime, year, month, day);
  return Rtl::Format(dateSeparator ? L"%.4d-%.2d-%.2dZ" : L"%.4d%.2d%.2dZ", {year, month, day});
}

std::wstring TQdDateTime::DateTimeToIso(TDateTime dateTime, bool dateSeparator, bool timeSeparator,
                                        bool includeMilliSeconds, TTimeZoneKind timeZoneKind, int timeZoneHours,
                                        int timeZoneMinutes) {
  if (timeZoneKind > tzHoursOnly) throw Rtl::Exception(Rtl::SErrorMessage);
  TDateTime local = dateTime;
  if (timeZoneKind != tzUtc) local = Rtl::IncMinute(Rtl::IncHour(local, -timeZoneHours), -timeZoneMinutes);

  int year, month, day, hour, minute, second, ms;
  Rtl::DecodeDateTime(local, year, month, day, hour, minute, second, ms);
  const bool separators = dateSeparator && timeSeparator;
  const wchar_t* pattern = separators ? (includeMilliSeconds ? L"%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3d"
                                                             : L"%.4d-%.2d-%.2dT%.2d:%.2d:%.2d")
                                      : (includeMilliSeconds ? L"%.4d%.2d%.2dT%.2d%.2d%.2d%.3d"
                                                             : L"%.4d%.2d%.2dT%.2d%.2d%.2d");
  std::wstring result = Rtl::Format(pattern, {year, month, day, hour, minute, second, ms});

  if (timeZoneKind == tzUtc) return result + L"Z";
  // West of Greenwich (UTC minus local positive) the local time is behind.
  const bool west = timeZoneHours > 0 || (timeZoneHours == 0 && timeZoneMinutes > 0);
  result += west ? L"-" : L"+";
  const int hours = std::abs(timeZoneHours);
  const int minutes = std::abs(timeZoneMinutes);
  switch (timeZoneKind) {
    case tzSeparator: return result + Rtl::Format(L"%.2d:%.2d", {hours, minutes});
    case tzNoSeparator: return result + Rtl::Format(L"%.2d%.2d", {hours, minutes});
    default: return result + Rtl::Format(L"%.2d", {hours});
  }
}

std::wstring TQdDateTime::DateToShortIso(TDateTime dateTime) { return DateToIso(dateTime, false); }

std::wstring TQdDateTime::DateTimeToShortIso(TDateTime dateTime) {
  return DateTimeToIso(dateTime, false, false, false, tzUtc, 0, 0);
}

std::wstring TQdDateTime::DateTimeMsToShortIso(TDateTime dateTime) {
  return DateTimeToIso(dateTime, false, false, true, tzUtc, 0, 0);
}

// Fields are read from the front by width; after each field up to the
// minutes, one following "-", ":", "T", "Z" or "+" is consumed and noted.
// Everything after the seconds is the fraction and the zone.
TDateTime TQdDateTime::IsoToDateTime(const std::wstring& value, bool& dateSeparator, bool& timeSeparator,
                                     bool& milliSeconds, TTimeZoneKind& timeZoneKind, int& timeZoneHours,
                                     int& timeZoneMinutes) {
  static constexpr std::wstring_view Marks = L"-+:TZ";
  std::wstring text = value;
  dateSeparator = false;
  timeSeparator = false;
  milliSeconds = false;
  timeZoneKind = tzNoSeparator;
  bool minus = false, dateDone = false, timeDone = false;

  const auto examine = [&]() {
    if (text.empty()) return;
    switch (text[0]) {
      case L'-':
        if (dateDone) minus = true;
        else dateSeparator = true;
        break;
      case L':':
        if (timeDone) timeZoneKind = tzSeparator;
        else timeSeparator = true;
        break;
      case L'Z': timeZoneKind = tzUtc; break;
      case L'+': minus = false; break;
      case L'T': break;
      default: return;
    }
    text.erase(0, 1);
  };
  const auto field = [&](int width) {
    const int result = TakeNumberOrZero(text, width);
    examine();
    return result;
  };

  const int year = field(4);
  const int month = field(2);
  const int day = field(2);
  dateDone = true;
  const int hour = field(2);
  const int minute = field(2);
  const int second = TakeNumberOrZero(text, 2);

  int ms = 0;
  if (!text.empty()) {
    if (text[0] == L'.') text.erase(0, 1);
    ms = FractionToMilliSeconds(TUnicodeString::TakeLeftUpToChar(text, Marks));
    examine();
    milliSeconds = true;
  }
  timeDone = true;

  int offsetHours = 0, offsetMinutes = 0;
  if (!text.empty()) {
    offsetHours = field(2);
    if (!text.empty()) offsetMinutes = field(2);
    else timeZoneKind = tzHoursOnly;
  }

  TDateTime result = Rtl::EncodeDateTime(year, month, day, hour, minute, second, ms);
  // West of Greenwich ("-") UTC is later than the local time given.
  const int sign = minus ? 1 : -1;
  if (offsetHours > 0 || offsetMinutes > 0)
    result = Rtl::IncMinute(Rtl::IncHour(result, sign * offsetHours), sign * offsetMinutes);
  timeZoneHours = sign * offsetHours;
  timeZoneMinutes = sign * offsetMinutes;
  return result;
}

TDateTime TQdDateTime::IsoToDateTime(const std::wstring& value) {
  if (!HasTimePart(value)) return StringToDateTime(value);
  bool dateSeparator, timeSeparator, milliSeconds;
  TTimeZoneKind timeZoneKind;
  int timeZoneHours, timeZoneMinutes;
  return IsoToDateTime(value, dateSeparator, timeSeparator, milliSeconds, timeZoneKind, timeZoneHours,
                       timeZoneMinutes);
}

}  // namespace Qd
