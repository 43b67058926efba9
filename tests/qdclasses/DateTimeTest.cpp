// Date-time values of the runtime, their compact and ISO 8601 texts,
// comparison at a resolution and local time to UTC.
#include <gtest/gtest.h>

#include <cstring>

#include "QdClasses.h"
#include "TestSupport.h"
#include "runtime/Core/DateTime.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

using namespace Qd;
using Rtl::EncodeDateTime;
using Rtl::TDateTime;
using TestSupport::Narrow;

namespace {

// 6 May 2019 12:34:56.789, the example of the texts below.
TDateTime Example() { return EncodeDateTime(2019, 5, 6, 12, 34, 56, 789); }

std::string Describe(TDateTime value) {
  int y, m, d, h, n, s, ms;
  Rtl::DecodeDateTime(value, y, m, d, h, n, s, ms);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", y, m, d, h, n, s, ms);
  return text;
}

#define EXPECT_SAME_TIME(expected, actual) EXPECT_EQ(Describe(expected), Describe(actual))

// Sets BaseDateTime for one test and puts 0 back afterwards.
class TBaseDateTime {
public:
  explicit TBaseDateTime(TDateTime value) { Qd::SetBaseDateTime(value); }
  ~TBaseDateTime() { Qd::SetBaseDateTime(0); }
};

template <class F>
std::wstring ConvertErrorOf(F&& f) {
  try {
    f();
  } catch (const Rtl::EConvertError& e) {
    return e.Message();
  }
  return L"(no EConvertError)";
}

}  // namespace

// --- Runtime values ---------------------------------------------------------------

TEST(DateTimeValueTest, DayNumbersOfKnownDates) {
  EXPECT_EQ(Rtl::EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(Rtl::EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(Rtl::EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(Rtl::EncodeDate(1970, 1, 1), 25569);
  EXPECT_EQ(Rtl::EncodeDate(2019, 5, 6), 43591);
  EXPECT_EQ(Rtl::EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(Rtl::EncodeDate(9999, 12, 31), 2958465);
}

TEST(DateTimeValueTest, EveryDayOfFourCenturiesRoundTrips) {
  TDateTime previous = Rtl::EncodeDate(1599, 12, 31);
  int leapDays = 0;
  for (int year = 1600; year < 2000; ++year)
    for (int month = 1; month <= 12; ++month)
      for (int day = 1; day <= Rtl::DaysInAMonth(year, month); ++day) {
        const TDateTime value = Rtl::EncodeDate(year, month, day);
        ASSERT_EQ(value, previous + 1) << year << "-" << month << "-" << day;
        int y, m, d;
        Rtl::DecodeDate(value, y, m, d);
        ASSERT_TRUE(y == year && m == month && d == day) << year << "-" << month << "-" << day;
        if (month == 2 && day == 29) ++leapDays;
        previous = value;
      }
  EXPECT_EQ(leapDays, 97);  // 1700, 1800 and 1900 have none, 1600 has one
}

TEST(DateTimeValueTest, InvalidDatesAndTimesRaiseNamingTheValues) {
  EXPECT_EQ(ConvertErrorOf([] { Rtl::EncodeDate(2019, 2, 29); }),
            L"Invalid argument to date encode (year 2019, month 2, day 29)");
  EXPECT_NE(ConvertErrorOf([] { Rtl::EncodeDate(2019, 13, 1); }), L"(no EConvertError)");
  EXPECT_NE(ConvertErrorOf([] { Rtl::EncodeDate(2019, 1, 0); }), L"(no EConvertError)");
  EXPECT_NE(ConvertErrorOf([] { Rtl::EncodeDate(1900, 2, 29); }), L"(no EConvertError)");
  EXPECT_NE(ConvertErrorOf([] { Rtl::EncodeDate(0, 1, 1); }), L"(no EConvertError)");
  EXPECT_EQ(ConvertErrorOf([] { Rtl::EncodeTime(24, 0, 0, 0); }),
            L"Invalid argument to time encode (hour 24, minute 0, second 0, millisecond 0)");
  EXPECT_NE(ConvertErrorOf([] { Rtl::EncodeTime(1, 60, 0, 0); }), L"(no EConvertError)");
  EXPECT_NE(ConvertErrorOf([] { Rtl::EncodeTime(1, 0, 0, 1000); }), L"(no EConvertError)");
  TDateTime unused;
  EXPECT_TRUE(Rtl::TryEncodeDate(2000, 2, 29, unused));
  EXPECT_FALSE(Rtl::TryEncodeDateTime(2019, 2, 29, 0, 0, 0, 0, unused));
}

TEST(DateTimeValueTest, TimesBeforeDayZeroAndArithmeticAcrossIt) {
  const TDateTime morning = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
  EXPECT_DOUBLE_EQ(morning, -1.25);
  EXPECT_EQ(Describe(morning), "1899-12-29 06:00:00.000");
  const TDateTime earlyOnDayZero = EncodeDateTime(1899, 12, 30, 1, 0, 0, 0);
  EXPECT_SAME_TIME(EncodeDateTime(1899, 12, 29, 23, 0, 0, 0), Rtl::IncHour(earlyOnDayZero, -2));
  EXPECT_SAME_TIME(earlyOnDayZero, Rtl::IncHour(Rtl::IncHour(earlyOnDayZero, -2), 2));
  EXPECT_EQ(Rtl::HoursBetween(morning, earlyOnDayZero), 19);
  EXPECT_EQ(Rtl::DateOf(morning), -1);
}

TEST(DateTimeValueTest, DecodingRoundsToTheMillisecondAndCarries) {
  const TDateTime almostMidnight = Rtl::EncodeDate(2019, 12, 31) + (86400000.0 - 0.4) / 86400000.0;
  EXPECT_EQ(Describe(almostMidnight), "2020-01-01 00:00:00.000");
  EXPECT_EQ(Describe(Example()), "2019-05-06 12:34:56.789");
}

TEST(DateTimeValueTest, WholeUnitsBetweenValues) {
  const TDateTime a = Example();
  EXPECT_EQ(Rtl::HoursBetween(a, Rtl::IncHour(a, 1)), 1);
  EXPECT_EQ(Rtl::HoursBetween(Rtl::IncHour(a, 1), a), 1);
  EXPECT_EQ(Rtl::HoursBetween(a, Rtl::IncMilliSecond(Rtl::IncHour(a, 1), -1)), 0);
  EXPECT_EQ(Rtl::MinutesBetween(a, Rtl::IncSecond(a, 150)), 2);
  EXPECT_EQ(Rtl::SecondsBetween(a, Rtl::IncMilliSecond(a, 999)), 0);
  EXPECT_EQ(Rtl::MilliSecondsBetween(a, Rtl::IncMilliSecond(a, 1)), 1);
  // The sum of encoded parts lands a hair off the exact hour.
  EXPECT_EQ(Rtl::HoursBetween(Rtl::EncodeDate(2019, 5, 6) + Rtl::EncodeTime(13, 0, 0, 0),
                              Rtl::EncodeDate(2019, 5, 6) + Rtl::EncodeTime(12, 0, 0, 0)),
            1);
}

TEST(DateTimeValueTest, SystemTimeConversions) {
  const Rtl::TSystemTime st = Rtl::DateTimeToSystemTime(Example());
  EXPECT_EQ(st.Year, 2019);
  EXPECT_EQ(st.Month, 5);
  EXPECT_EQ(st.Day, 6);
  EXPECT_EQ(st.DayOfWeek, 1);  // a Monday
  EXPECT_EQ(st.Hour, 12);
  EXPECT_EQ(st.Minute, 34);
  EXPECT_EQ(st.Second, 56);
  EXPECT_EQ(st.Milliseconds, 789);
  EXPECT_EQ(Rtl::SystemTimeToDateTime(st), Example());
  EXPECT_EQ(Rtl::DayOfWeek(Rtl::EncodeDate(1899, 12, 30)), 7);  // a Saturday
  EXPECT_EQ(Rtl::DayOfWeek(Rtl::EncodeDate(1899, 12, 24)), 1);
  EXPECT_THROW(Rtl::DateTimeToSystemTime(Rtl::EncodeDate(1600, 1, 1)), Rtl::EConvertError);
}

// --- TQdBytes ------------------------------------------------------------------------

TEST(QdBytesTest, EqualAndBytesOf) {
  EXPECT_TRUE(TQdBytes::Equal({}, {}));
  EXPECT_TRUE(TQdBytes::Equal({1, 2, 3}, {1, 2, 3}));
  EXPECT_FALSE(TQdBytes::Equal({1, 2, 3}, {1, 2}));
  EXPECT_FALSE(TQdBytes::Equal({1, 2, 3}, {1, 2, 4}));
  EXPECT_EQ(TQdBytes::BytesOf(L"A\u00e9\u20ac"), (Rtl::TBytes{0x41, 0x00, 0xE9, 0x00, 0xAC, 0x20}));
  EXPECT_TRUE(TQdBytes::BytesOf(L"").empty());
}

// --- Comparison at a resolution ----------------------------------------------------------

TEST(IsSameDateTimeTest, EachResolution) {
  const TDateTime a = Example();
  EXPECT_TRUE(TQdDateTime::IsSameDateTime(a, a + 0.4 / 86400000.0, tdrExact));
  EXPECT_FALSE(TQdDateTime::IsSameDateTime(a, Rtl::IncMilliSecond(a, 1), tdrExact));

  const TDateTime lateEvening = EncodeDateTime(2019, 5, 6, 23, 59, 59, 0);
  EXPECT_TRUE(TQdDateTime::IsSameDateTime(lateEvening, Rtl::EncodeDate(2019, 5, 6), tdrDay));
  EXPECT_FALSE(TQdDateTime::IsSameDateTime(lateEvening, Rtl::IncSecond(lateEvening, 1), tdrDay));

  EXPECT_TRUE(TQdDateTime::IsSameDateTime(a, Rtl::IncMilliSecond(Rtl::IncHour(a, 1), -1), tdrHour));
  EXPECT_FALSE(TQdDateTime::IsSameDateTime(a, Rtl::IncHour(a, 1), tdrHour));
  EXPECT_TRUE(TQdDateTime::IsSameDateTime(a, Rtl::IncSecond(a, 59), tdrMin));
  EXPECT_FALSE(TQdDateTime::IsSameDateTime(a, Rtl::IncSecond(a, -60), tdrMin));
  EXPECT_TRUE(TQdDateTime::IsSameDateTime(a, Rtl::IncMilliSecond(a, 999), tdrSec));
  EXPECT_FALSE(TQdDateTime::IsSameDateTime(a, Rtl::IncMilliSecond(a, 1000), tdrSec));
}

TEST(IsSameDateTimeTest, ResolutionOutsideTheEnumerationRaises) {
  try {
    TQdDateTime::IsSameDateTime(0, 0, static_cast<TDiffResolution>(7));
    FAIL() << "an invalid resolution must raise";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Invalid resolution value (7) provided.");
  }
}

TEST(IsSameDateTimeTest, RemoveMsAndSameIgnoreMs) {
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 6, 12, 34, 56, 0), TQdDateTime::RemoveMs(Example()));
  EXPECT_TRUE(TQdDateTime::SameIgnoreMs(Example(), EncodeDateTime(2019, 5, 6, 12, 34, 56, 1)));
  EXPECT_FALSE(TQdDateTime::SameIgnoreMs(Example(), EncodeDateTime(2019, 5, 6, 12, 34, 57, 789)));
  EXPECT_SAME_TIME(EncodeDateTime(1899, 12, 29, 6, 0, 1, 0),
                   TQdDateTime::RemoveMs(EncodeDateTime(1899, 12, 29, 6, 0, 1, 500)));
}

// --- Long and compact texts -----------------------------------------------------------------

TEST(LongStringTest, BothFormsReadBack) {
  EXPECT_EQ(TQdDateTime::DateTimeToLongString(Example()), L"05/06/2019 12:34:56");
  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Example()), TQdDateTime::LongStringToDateTime(L"05/06/2019 12:34:56"));
  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Example()), TQdDateTime::LongStringToDateTime(L"2019-05-06 12:34:56"));
  EXPECT_SAME_TIME(Rtl::EncodeDate(2020, 2, 29), TQdDateTime::LongStringToDateTime(L"2020-02-29 00:00:00"));
}

TEST(LongStringTest, NonNumbersAndInvalidDatesRaise) {
  EXPECT_EQ(ConvertErrorOf([] { TQdDateTime::LongStringToDateTime(L"2019-05-06 xx:34:56"); }),
            L"'xx' is not a valid integer value");
  EXPECT_NE(ConvertErrorOf([] { TQdDateTime::LongStringToDateTime(L"2019-05-06"); }), L"(no EConvertError)");
  EXPECT_NE(ConvertErrorOf([] { TQdDateTime::LongStringToDateTime(L"02/30/2019 00:00:00"); }),
            L"(no EConvertError)");
}

TEST(StringToDateTimeTest, FullForms) {
  EXPECT_EQ(TQdDateTime::StringToDateTime(L""), 0);
  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Example()), TQdDateTime::StringToDateTime(L"20190506123456"));
  EXPECT_SAME_TIME(Example(), TQdDateTime::StringToDateTime(L"20190506123456789"));
  // Missing or invalid time fields count 0; an invalid date raises.
  EXPECT_SAME_TIME(Rtl::EncodeDate(2019, 5, 6), TQdDateTime::StringToDateTime(L"20190506"));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 6, 12, 0, 0, 0), TQdDateTime::StringToDateTime(L"2019050612xx"));
  EXPECT_NE(ConvertErrorOf([] { TQdDateTime::StringToDateTime(L"20190230"); }), L"(no EConvertError)");
  EXPECT_SAME_TIME(0, TQdDateTime::StringToDateTime(L"18991230000000"));
}

TEST(StringToDateTimeTest, ShortenedFormsLieAtOrBeforeTheBase) {
  TBaseDateTime base(EncodeDateTime(2019, 5, 6, 12, 0, 0, 0));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 4, 30, 8, 9, 10, 0), TQdDateTime::StringToDateTime(L"0430080910"));
  EXPECT_SAME_TIME(EncodeDateTime(2018, 12, 24, 8, 9, 10, 0), TQdDateTime::StringToDateTime(L"1224080910"));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 3, 8, 9, 10, 0), TQdDateTime::StringToDateTime(L"03080910"));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 4, 20, 8, 9, 10, 0), TQdDateTime::StringToDateTime(L"20080910"));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 6, 8, 9, 10, 0), TQdDateTime::StringToDateTime(L"080910"));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 5, 13, 9, 10, 0), TQdDateTime::StringToDateTime(L"130910"));
  EXPECT_EQ(TQdDateTime::StringToDateTime(L"0809101"), 0);  // no such form
  // With 14 characters and more the full form is read as always.
  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Example()), TQdDateTime::StringToDateTime(L"20190506123456"));
}

TEST(StringToDateTimeTest, ShortenedFormsAcrossMonthAndYearStarts) {
  {
    TBaseDateTime base(EncodeDateTime(2019, 1, 15, 12, 0, 0, 0));
    EXPECT_SAME_TIME(EncodeDateTime(2018, 12, 20, 0, 0, 0, 0), TQdDateTime::StringToDateTime(L"20000000"));
  }
  {
    // The month before has no 31st: a clear error, not another date.
    TBaseDateTime base(EncodeDateTime(2019, 5, 15, 12, 0, 0, 0));
    EXPECT_NE(ConvertErrorOf([] { TQdDateTime::StringToDateTime(L"31000000"); }), L"(no EConvertError)");
  }
}

TEST(StringToDateTimeTest, SixCharactersOnTheFirstFallBackToTheRealDayBefore) {
  struct TCase {
    TDateTime Base;
    TDateTime Expected;
  };
  const TCase cases[] = {
      {EncodeDateTime(2019, 3, 1, 5, 0, 0, 0), EncodeDateTime(2019, 2, 28, 12, 0, 0, 0)},
      {EncodeDateTime(2020, 3, 1, 5, 0, 0, 0), EncodeDateTime(2020, 2, 29, 12, 0, 0, 0)},
      {EncodeDateTime(2019, 8, 1, 5, 0, 0, 0), EncodeDateTime(2019, 7, 31, 12, 0, 0, 0)},
      {EncodeDateTime(2019, 5, 1, 5, 0, 0, 0), EncodeDateTime(2019, 4, 30, 12, 0, 0, 0)},
      {EncodeDateTime(2019, 1, 1, 5, 0, 0, 0), EncodeDateTime(2018, 12, 31, 12, 0, 0, 0)},
  };
  for (const TCase& c : cases) {
    TBaseDateTime base(c.Base);
    EXPECT_SAME_TIME(c.Expected, TQdDateTime::StringToDateTime(L"120000")) << Describe(c.Base);
  }
}

// --- ISO 8601 -------------------------------------------------------------------------------

TEST(IsoWriteTest, UtcForms) {
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), true, true, true, tzUtc, 0, 0), L"2019-05-06T12:34:56.789Z");
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), true, true, false, tzUtc, 0, 0), L"2019-05-06T12:34:56Z");
  // The separators go together: one alone gives the compact form.
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), true, false, true, tzUtc, 0, 0), L"20190506T123456789Z");
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), false, true, false, tzUtc, 0, 0), L"20190506T123456Z");
  EXPECT_EQ(TQdDateTime::DateTimeToShortIso(Example()), L"20190506T123456Z");
  EXPECT_EQ(TQdDateTime::DateTimeMsToShortIso(Example()), L"20190506T123456789Z");
  EXPECT_EQ(TQdDateTime::DateToIso(Example(), true), L"2019-05-06Z");
  EXPECT_EQ(TQdDateTime::DateToIso(Example(), false), L"20190506Z");
  EXPECT_EQ(TQdDateTime::DateToShortIso(Example()), L"20190506Z");
  EXPECT_EQ(TQdDateTime::DateTimeToShortIso(0), L"18991230T000000Z");
  EXPECT_EQ(TQdDateTime::DateToShortIso(EncodeDateTime(2020, 2, 29, 23, 59, 59, 999)), L"20200229Z");
}

TEST(IsoWriteTest, OffsetsShowLocalTime) {
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), true, true, false, tzSeparator, -2, -30),
            L"2019-05-06T15:04:56+02:30");
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), true, true, false, tzSeparator, 5, 0),
            L"2019-05-06T07:34:56-05:00");
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), true, true, true, tzNoSeparator, -5, -30),
            L"2019-05-06T18:04:56.789+0530");
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), false, false, false, tzHoursOnly, 3, 0), L"20190506T093456-03");
  // West of Greenwich by minutes alone.
  EXPECT_EQ(TQdDateTime::DateTimeToIso(Example(), true, true, false, tzSeparator, 0, 30),
            L"2019-05-06T12:04:56-00:30");
  // Across the end of a year.
  EXPECT_EQ(TQdDateTime::DateTimeToIso(EncodeDateTime(2019, 12, 31, 23, 30, 0, 0), true, true, false,
                                       tzSeparator, -2, 0),
            L"2020-01-01T01:30:00+02:00");
}

namespace {

struct TIsoForm {
  bool DateSeparator = false, TimeSeparator = false, MilliSeconds = false;
  TTimeZoneKind Kind = tzUtc;
  int Hours = 99, Minutes = 99;
};

TDateTime ReadIso(const std::wstring& text, TIsoForm& form) {
  return TQdDateTime::IsoToDateTime(text, form.DateSeparator, form.TimeSeparator, form.MilliSeconds, form.Kind,
                                    form.Hours, form.Minutes);
}

}  // namespace

TEST(IsoReadTest, IsIsoDateTimeWantsTheFullFormWithSeparators) {
  for (const wchar_t* text : {L"2019-05-06T12:34:56Z", L"2019-05-06T12:34:56.789Z", L"2019-05-06T12:34:56",
                              L"2019-05-06T23:59:59+02:00", L"2019-05-06T00:00:00.5-05:30", L"12019-05-06T00:00:00Z"})
    EXPECT_TRUE(TQdDateTime::IsIsoDateTime(text)) << Narrow(text);
  for (const wchar_t* text : {L"", L"20190506T123456Z", L"2019-13-06T12:34:56Z", L"2019-05-06T24:00:00Z",
                              L"2019-05-06T12:34:56+0200", L"2019-05-06T12:34:56Z!", L"2019-05-06 12:34:56",
                              L"x2019-05-06T12:34:56Z"})
    EXPECT_FALSE(TQdDateTime::IsIsoDateTime(text)) << Narrow(text);
}

TEST(IsoReadTest, OffsetsGiveUtc) {
  TIsoForm form;
  EXPECT_SAME_TIME(Rtl::IncHour(TQdDateTime::RemoveMs(Example()), 5), ReadIso(L"2019-05-06T12:34:56-05:00", form));
  EXPECT_EQ(form.Kind, tzSeparator);
  EXPECT_TRUE(form.DateSeparator);
  EXPECT_TRUE(form.TimeSeparator);
  EXPECT_EQ(form.Hours, 5);
  EXPECT_EQ(form.Minutes, 0);

  EXPECT_SAME_TIME(Rtl::IncHour(Example(), 5), ReadIso(L"2019-05-06T12:34:56.789-05:00", form));
  EXPECT_EQ(form.Kind, tzSeparator);
  EXPECT_TRUE(form.MilliSeconds);

  EXPECT_SAME_TIME(Rtl::IncHour(Example(), -2), ReadIso(L"2019-05-06T12:34:56.789+02:00", form));
  EXPECT_EQ(form.Hours, -2);

  EXPECT_SAME_TIME(Rtl::IncMinute(Example(), -330), ReadIso(L"20190506T123456789+0530", form));
  EXPECT_EQ(form.Kind, tzNoSeparator);
  EXPECT_FALSE(form.DateSeparator);
  EXPECT_FALSE(form.TimeSeparator);
  EXPECT_EQ(form.Hours, -5);
  EXPECT_EQ(form.Minutes, -30);

  EXPECT_SAME_TIME(Rtl::IncHour(Example(), 3), ReadIso(L"20190506T123456.789-03", form));
  EXPECT_EQ(form.Kind, tzHoursOnly);
  EXPECT_EQ(form.Hours, 3);
}

TEST(IsoReadTest, UtcAndNoZone) {
  TIsoForm form;
  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Example()), ReadIso(L"2019-05-06T12:34:56Z", form));
  EXPECT_EQ(form.Kind, tzUtc);
  EXPECT_TRUE(form.MilliSeconds);  // any text after the seconds sets it
  EXPECT_EQ(form.Hours, 0);

  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Example()), ReadIso(L"2019-05-06T12:34:56", form));
  EXPECT_FALSE(form.MilliSeconds);
  EXPECT_EQ(form.Kind, tzNoSeparator);

  EXPECT_SAME_TIME(Example(), ReadIso(L"20190506T123456789Z", form));
  EXPECT_EQ(form.Kind, tzUtc);
}

TEST(IsoReadTest, FractionsOfAnyLength) {
  TIsoForm form;
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 6, 12, 34, 56, 500), ReadIso(L"2019-05-06T12:34:56.5Z", form));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 6, 12, 34, 56, 780), ReadIso(L"2019-05-06T12:34:56.78Z", form));
  EXPECT_SAME_TIME(Example(), ReadIso(L"2019-05-06T12:34:56.789123Z", form));
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 6, 12, 34, 56, 5), ReadIso(L"2019-05-06T12:34:56.005Z", form));
}

TEST(IsoReadTest, DayZeroLeapDaysAndInvalidDates) {
  EXPECT_EQ(TQdDateTime::IsoToDateTime(L"1899-12-30T00:00:00Z"), 0);
  EXPECT_SAME_TIME(Rtl::EncodeDate(2020, 2, 29), TQdDateTime::IsoToDateTime(L"2020-02-29T00:00:00Z"));
  EXPECT_SAME_TIME(EncodeDateTime(2000, 2, 29, 23, 0, 0, 0), TQdDateTime::IsoToDateTime(L"2000-03-01T01:00:00+02:00"));
  EXPECT_NE(ConvertErrorOf([] { TQdDateTime::IsoToDateTime(L"2019-02-29T00:00:00Z"); }), L"(no EConvertError)");
  EXPECT_NE(ConvertErrorOf([] { TQdDateTime::IsoToDateTime(L"2019-13-01T00:00:00Z"); }), L"(no EConvertError)");
  // A field that isn't a number counts 0.
  EXPECT_SAME_TIME(EncodeDateTime(2019, 5, 6, 0, 34, 56, 0), TQdDateTime::IsoToDateTime(L"2019-05-06Txx:34:56Z"));
}

TEST(IsoReadTest, WithoutTimePartReadsTheCompactForm) {
  EXPECT_FALSE(TQdDateTime::HasTimePart(L"20190506"));
  EXPECT_TRUE(TQdDateTime::HasTimePart(L"20190506T1200"));
  EXPECT_SAME_TIME(Rtl::EncodeDate(2019, 5, 6), TQdDateTime::IsoToDateTime(L"20190506Z"));
  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Example()), TQdDateTime::IsoToDateTime(L"20190506123456"));
}

// (A zone right after the seconds counts as text after them: it sets the
// milliseconds output, and the text written back has ".000".)
TEST(IsoReadTest, TheFormFoundWritesTheSameTextAgain) {
  const wchar_t* texts[] = {
      L"2019-05-06T12:34:56.789Z",      L"20190506T123456789Z",           L"2019-05-06T12:34:56.789-05:00",
      L"2019-05-06T12:34:56.789+02:30", L"20190506T123456789+0530",       L"20190506T123456789-0330",
      L"2019-12-31T23:30:00.000+02:00", L"20190506T123456789-03",
  };
  for (const wchar_t* text : texts) {
    TIsoForm form;
    const TDateTime value = ReadIso(text, form);
    EXPECT_EQ(Narrow(TQdDateTime::DateTimeToIso(value, form.DateSeparator, form.TimeSeparator, form.MilliSeconds,
                                                form.Kind, form.Hours, form.Minutes)),
              Narrow(text));
  }
}

// --- Local time to UTC -----------------------------------------------------------------------

TEST(UtcTest, LocalNowIsTheSystemsUtcNow) {
  FILETIME utcNow, localNow;
  GetSystemTimeAsFileTime(&utcNow);
  ASSERT_TRUE(FileTimeToLocalFileTime(&utcNow, &localNow));
  SYSTEMTIME utc, local;
  ASSERT_TRUE(FileTimeToSystemTime(&utcNow, &utc));
  ASSERT_TRUE(FileTimeToSystemTime(&localNow, &local));
  Rtl::TSystemTime u, l;
  std::memcpy(&u, &utc, sizeof u);
  std::memcpy(&l, &local, sizeof l);
  EXPECT_SAME_TIME(TQdDateTime::RemoveMs(Rtl::SystemTimeToDateTime(u)),
                   TUtc::LocalToUtc(Rtl::SystemTimeToDateTime(l)));
}

TEST(UtcTest, DropsMilliseconds) {
  int h, n, s, ms;
  Rtl::DecodeTime(TUtc::LocalToUtc(Example()), h, n, s, ms);
  EXPECT_EQ(ms, 0);
  EXPECT_EQ(TUtc::LocalToUtc(EncodeDateTime(1500, 1, 1, 12, 0, 0, 500)), EncodeDateTime(1500, 1, 1, 12, 0, 0, 0));
}

// The test entry "qdsystem_cet" runs this under the zone Europe/Berlin (the
// TZ variable gives a Wine process its zone); elsewhere it is skipped unless
// the machine's zone is Central European.
TEST(UtcTest, CentralEuropeanDaylightSavingChanges) {
  TIME_ZONE_INFORMATION zone;
  GetTimeZoneInformation(&zone);
  if (zone.Bias != -60 || zone.DaylightBias != -60 || zone.DaylightDate.wMonth != 3 ||
      zone.StandardDate.wMonth != 10)
    GTEST_SKIP() << "the zone here isn't Central European";
  struct TCase {
    TDateTime Local, Utc;
  };
  const TCase cases[] = {
      {EncodeDateTime(2021, 1, 15, 12, 0, 0, 0), EncodeDateTime(2021, 1, 15, 11, 0, 0, 0)},
      {EncodeDateTime(2021, 7, 1, 12, 0, 0, 0), EncodeDateTime(2021, 7, 1, 10, 0, 0, 0)},
      // Spring: 02:00 local became 03:00 at 01:00 UTC.
      {EncodeDateTime(2021, 3, 28, 1, 59, 59, 0), EncodeDateTime(2021, 3, 28, 0, 59, 59, 0)},
      {EncodeDateTime(2021, 3, 28, 3, 0, 0, 0), EncodeDateTime(2021, 3, 28, 1, 0, 0, 0)},
      // Autumn: 03:00 local became 02:00 at 01:00 UTC.
      {EncodeDateTime(2021, 10, 31, 1, 59, 59, 0), EncodeDateTime(2021, 10, 30, 23, 59, 59, 0)},
      {EncodeDateTime(2021, 10, 31, 3, 0, 0, 0), EncodeDateTime(2021, 10, 31, 2, 0, 0, 0)},
      {EncodeDateTime(2021, 12, 31, 23, 30, 0, 0), EncodeDateTime(2021, 12, 31, 22, 30, 0, 0)},
  };
  for (const TCase& c : cases) EXPECT_SAME_TIME(c.Utc, TUtc::LocalToUtc(c.Local)) << Describe(c.Local);
}
