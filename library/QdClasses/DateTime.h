// Date-times as compact and ISO 8601 text, comparison at a resolution, local
// time to UTC, and byte-array helpers.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/Core/DateTime.h"
#include "runtime/Core/Types.h"

namespace Qd {

enum TDiffResolution : std::uint8_t { tdrExact = 0, tdrDay, tdrHour, tdrMin, tdrSec };

// How the time zone of an ISO text is written.
enum TTimeZoneKind : std::uint8_t {
  tzUtc = 0,        // "Z"
  tzSeparator,      // "+hh:mm"
  tzNoSeparator,    // "+hhmm"
  tzHoursOnly,      // "+hh"
};

// When not 0, StringToDateTime reads shortened texts relative to it. A unit
// variable of QdClasses, 0 after the unit's start-up; both raise
// Rtl::Exception "QdClasses is not started" before it and after shutdown.
Rtl::TDateTime BaseDateTime();
void SetBaseDateTime(Rtl::TDateTime value);

class TQdBytes {
public:
  TQdBytes() = delete;

  // Same length and the same bytes.
  static bool Equal(const Rtl::TBytes& bytes1, const Rtl::TBytes& bytes2);
  // The UTF-16 code units of `value`, low byte first, no byte-order mark.
  static Rtl::TBytes BytesOf(const std::wstring& value);
};

class TUtc {
public:
  TUtc() = delete;

  // The local date-time `value` as UTC by the time-zone rules in force on
  // that date, to the whole second (milliseconds are dropped). A value that
  // can't be converted (before 1601) is returned without its milliseconds.
  static Rtl::TDateTime LocalToUtc(Rtl::TDateTime value);
};

class TQdDateTime {
public:
  TQdDateTime() = delete;

  // --- Comparison --------------------------------------------------------

  // tdrExact: no whole millisecond between them; tdrDay: the same calendar
  // day; tdrHour, tdrMin, tdrSec: less than one whole unit between them.
  // Another value raises "Invalid resolution value (%d) provided.".
  static bool IsSameDateTime(Rtl::TDateTime value1, Rtl::TDateTime value2, TDiffResolution resolution);
  static Rtl::TDateTime RemoveMs(Rtl::TDateTime value);
  static bool SameIgnoreMs(Rtl::TDateTime value1, Rtl::TDateTime value2);

  // --- Long and compact texts --------------------------------------------

  // "mm/dd/yyyy hh:nn:ss".
  static std::wstring DateTimeToLongString(Rtl::TDateTime dateTime);
  // Reads "mm/dd/yyyy hh:nn:ss" and "yyyy-mm-dd hh:nn:ss" (any one separator
  // character after each field). A field that isn't a number raises the
  // conversion error, an invalid date or time the date-encoding error.
  static Rtl::TDateTime LongStringToDateTime(const std::wstring& value);
  // Reads "yyyymmddhhnnss" and "yyyymmddhhnnsszzz"; with BaseDateTime set,
  // also the shortened "mmddhhnnss", "ddhhnnss" and "hhnnss", which lie at
  // or before BaseDateTime. "" gives 0; fields that aren't numbers count 0.
  static Rtl::TDateTime StringToDateTime(const std::wstring& stringDateTime);

  // --- ISO 8601 ------------------------------------------------------------

  static bool IsIsoDateTime(const std::wstring& value);
  // `value` contains "T".
  static bool HasTimePart(const std::wstring& value);
  // "yyyy-mm-ddZ", or "yyyymmddZ" without the separator.
  static std::wstring DateToIso(Rtl::TDateTime dateTime, bool dateSeparator);
  // `dateTime` is UTC. The separators go together: unless both are on, the
  // compact form is written. The offset is UTC minus local time (positive
  // west of Greenwich): the text shows the local time and the offset with
  // the opposite sign ("-05:00" for timeZoneHours 5).
  static std::wstring DateTimeToIso(Rtl::TDateTime dateTime, bool dateSeparator, bool timeSeparator,
                                    bool includeMilliSeconds, TTimeZoneKind timeZoneKind, int timeZoneHours,
                                    int timeZoneMinutes);
  static std::wstring DateToShortIso(Rtl::TDateTime dateTime);
  static std::wstring DateTimeToShortIso(Rtl::TDateTime dateTime);
  static std::wstring DateTimeMsToShortIso(Rtl::TDateTime dateTime);
  // Reads an ISO date-time (full or compact form, any offset) as UTC. The
  // outputs describe the form found, as DateTimeToIso takes them; the
  // offset is UTC minus local ("-05:00" gives 5 and 0, "+02:30" gives -2
  // and -30). `milliSeconds` is set by any text after the seconds, a zone
  // alone included; a fraction of any length is read to the millisecond
  // (".5" is 500 ms).
  static Rtl::TDateTime IsoToDateTime(const std::wstring& value, bool& dateSeparator, bool& timeSeparator,
                                      bool& milliSeconds, TTimeZoneKind& timeZoneKind, int& timeZoneHours,
                                      int& timeZoneMinutes);
  // With "T", the full form above; otherwise StringToDateTime.
  static Rtl::TDateTime IsoToDateTime(const std::wstring& value);
};

}  // namespace Qd
