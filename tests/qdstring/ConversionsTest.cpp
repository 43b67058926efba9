// The string toolbox's byte, UCS-4 and floating-point text conversions.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "QdString.h"
#include "TestSupport.h"
#include "runtime/Text/Format.h"

using namespace Qd;
using TestSupport::Narrow;

namespace {

// The process's decimal separator set for one scope.
class TDecimalSeparator {
public:
  explicit TDecimalSeparator(wchar_t separator) : FSaved(Rtl::FormatSettings()) {
    Rtl::FormatSettings().DecimalSeparator = separator;
  }
  ~TDecimalSeparator() { Rtl::FormatSettings() = FSaved; }

private:
  Rtl::TFormatSettings FSaved;
};

double FromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

TEST(ByteConversions, Utf16LeBytesAndRawStrings) {
  const std::wstring text = L"A\u20AC\U0001F600";
  const Rtl::TBytes bytes = {0x41, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};
  EXPECT_EQ(TString::StringToBytes(text), bytes);
  EXPECT_EQ(TString::BytesToString(bytes), text);
  EXPECT_EQ(TString::BytesToString({0x41, 0x00, 0x42}), L"A");  // the odd last byte is ignored
  EXPECT_EQ(TString::BytesToString({0x41}), L"");
  const Rtl::RawByteString binary = TString::StringToBinary(text);
  EXPECT_EQ(TString::RawByteStringToBytes(binary), bytes);
  EXPECT_EQ(TString::BytesToRawByteString(bytes), binary);
  EXPECT_EQ(TString::BinaryToString(binary), text);
  EXPECT_EQ(TString::BinaryToString(binary + "\x01"), text);

  EXPECT_EQ(TString::RawByteStringToString(Rtl::RawByteString("a\x00\x80\xE9\xFF", 5)),
            std::wstring(L"a\0\u0080\u00E9\u00FF", 5));
  EXPECT_EQ(TString::StringToRawByteString(L"a\u00E9\u20AC\u0141"), Rtl::RawByteString("a\xE9\xAC\x41"));
}

TEST(Ucs4Conversions, PairsLoneSurrogatesAndRange) {
  EXPECT_EQ(TString::WideToUcs4(L"a\U0001F600\U0010FFFF"), Rtl::UCS4String({0x61, 0x1F600, 0x10FFFF}));
  EXPECT_EQ(TString::WideToUcs4(L"\xD800"), Rtl::UCS4String({0xD800}));
  EXPECT_EQ(TString::WideToUcs4(L"\xD800x\xDC00\xDC00\xD800"), Rtl::UCS4String({0xD800, 0x78, 0xDC00, 0xDC00, 0xD800}));
  EXPECT_TRUE(TString::WideToUcs4(L"").empty());
  EXPECT_EQ(TString::Ucs4ToWide({0x61, 0x1F600, 0x10000, 0xDC00}), L"a\U0001F600\U00010000\xDC00");
  // Beyond U+10FFFF there is no UTF-16 form.
  EXPECT_EQ(TString::Ucs4ToWide({0x110000, 0xFFFFFFFF, 0x41}), L"\uFFFD\uFFFDA");

  // Any sequence of code units comes back unchanged.
  std::mt19937 random(8);
  std::uniform_int_distribution<int> unit(0, 0xFFFF), surrogate(0xD800, 0xDFFF), pick(0, 3);
  for (size_t n = 0; n < 300; ++n) {
    std::wstring text(n, L' ');
    for (auto& c : text) c = static_cast<wchar_t>(pick(random) == 0 ? unit(random) : surrogate(random));
    ASSERT_EQ(TString::Ucs4ToWide(TString::WideToUcs4(text)), text) << n;
  }
}

TEST(FloatText, FormatCases) {
  EXPECT_EQ(TString::FloatToString(2.5, -1, false), L"2.5");
  EXPECT_EQ(TString::FloatToString(2.0, -1, false), L"2");
  EXPECT_EQ(TString::FloatToString(2.0, -1, true), L"2");
  EXPECT_EQ(TString::FloatToString(2.4, -1, true), L"2.4");
  EXPECT_EQ(TString::FloatToString(1.5, 3, false), L"1.500");
  EXPECT_EQ(TString::FloatToString(1.5, 3, true), L"1.5");
  EXPECT_EQ(TString::FloatToString(2.0, 3, false), L"2.000");
  EXPECT_EQ(TString::FloatToString(1234.5678, 2, false), L"1234.57");
  EXPECT_EQ(TString::FloatToString(-0.001, 2, false), L"0.00");
  EXPECT_EQ(TString::FloatToString(-0.001, 2, true), L"0");
  // Fixed notation keeps 10 significant digits, zeros after them.
  EXPECT_EQ(TString::FloatToString(0.000123456789012, 14, false), L"0.00012345678900");
  EXPECT_EQ(TString::FloatToString(0.000123456789012, 14, true), L"0.000123456789");
  EXPECT_EQ(TString::FloatToString(12345678901.0, 2, false), L"1.234567890E+010");
  EXPECT_EQ(TString::FloatToString(12345678901.5, 2, true), L"1.23456789E+010");
  // Whole numbers are written as 64-bit integers...
  EXPECT_EQ(TString::FloatToString(1e15, -1, true), L"1000000000000000");
  EXPECT_EQ(TString::FloatToString(-9223372036854775808.0, -1, true), L"-9223372036854775808");
  // ...as far as they fit.
  EXPECT_EQ(TString::FloatToString(9223372036854775808.0, -1, true), L"9.22337203685478E18");
  EXPECT_EQ(TString::FloatToString(1e100, -1, true), L"1E100");
}

TEST(FloatText, TiesRoundAwayFromZero) {
  EXPECT_EQ(TString::FloatToString(2.5, 0, false), L"3");
  EXPECT_EQ(TString::FloatToString(-2.5, 0, false), L"-3");
  EXPECT_EQ(TString::FloatToString(0.5, 0, false), L"1");
  EXPECT_EQ(TString::FloatToString(0.125, 2, false), L"0.13");
  EXPECT_EQ(TString::FloatToString(9.5, 0, false), L"10");
  // A tie at the tenth significant digit, and one just below a tie.
  EXPECT_EQ(TString::FloatToString(1.0009765625, 10, false), L"1.0009765630");
  EXPECT_EQ(TString::FloatToString(0.0049999999999999, 2, false), L"0.00");
  EXPECT_EQ(Rtl::Format(L"%.0f %.2f %.2e", {0.5, 1.125, 0.125}), L"1 1.13 1.3E-001");
}

TEST(FloatText, RemovingZerosNeverTouchesTheExponent) {
  EXPECT_EQ(TString::FloatToString(1.5e-10, -1, true), L"1.5E-10");
  EXPECT_EQ(TString::FloatToString(1e-10, -1, true), L"1E-10");
  EXPECT_EQ(TString::FloatToString(1.2e-100, -1, true), L"1.2E-100");
  EXPECT_EQ(TString::FloatToString(1.5e300, -1, true), L"1.5E300");
  EXPECT_EQ(TString::FloatToString(1.5e20, 2, true), L"1.5E+020");
  EXPECT_EQ(TString::FloatToString(1e20, 2, false), L"1.000000000E+020");
  for (double v : {1.5e-10, 1e-10, 1.2e-100, 1.5e300, 1.5e20, 2.5e-5, 1e-300}) {
    for (int digits : {-1, 2, 12}) {
      const std::wstring text = TString::FloatToString(v, digits, true);
      const double back = TString::StringToFloat(text, L'.');
      if (digits < 0 || std::fabs(v) > 1e10) {
        EXPECT_NEAR(back / v, 1.0, 1e-9) << Narrow(text);
      }
    }
  }
}

TEST(FloatText, LocalizedSeparator) {
  TDecimalSeparator comma(L',');
  EXPECT_EQ(TString::FloatToStringLocalized(1.5, 3, false), L"1,500");
  EXPECT_EQ(TString::FloatToStringLocalized(1.5, 3, true), L"1,5");
  EXPECT_EQ(TString::FloatToStringLocalized(1.5e-10, -1, true), L"1,5E-10");
  EXPECT_EQ(TString::FloatToString(1.5, 3, true), L"1.5");  // always "."
  EXPECT_TRUE(TString::IsFloatLocalized(L"1,5"));
  EXPECT_FALSE(TString::IsFloatLocalized(L"1.5"));
  EXPECT_EQ(TString::StringToFloatLocalized(L"-1,5E2", 7), -150.0);
  EXPECT_EQ(TString::StringToFloatLocalized(L"1.5", 7), 7.0);
  EXPECT_EQ(Rtl::FormatSettings().DecimalSeparator, L',');  // the parsers changed nothing
}

TEST(FloatText, ParseSyntax) {
  EXPECT_EQ(TString::StringToFloat(L"1,5", L','), 1.5);
  EXPECT_EQ(TString::StringToFloat(L"1.5", L','), 0.0);
  EXPECT_EQ(TString::StringToFloat(L"1.5", 9.0, L','), 9.0);
  EXPECT_EQ(TString::StringToFloat(L"  -1.5E+3 ", L'.'), -1500.0);
  EXPECT_EQ(TString::StringToFloat(L"+.5e-1", L'.'), 0.05);
  EXPECT_EQ(TString::StringToFloat(L"5.", L'.'), 5.0);
  for (const wchar_t* bad : {L"", L" ", L"+", L"-", L".", L"1e", L"1e+", L"1.2.3", L"1 2", L"--1", L"1,000.5",
                             L"0x10", L"INF", L"NAN", L"1E999", L"e5", L"1.5f"}) {
    EXPECT_FALSE(TString::IsFloat(bad, L'.')) << Narrow(bad);
    EXPECT_EQ(TString::StringToFloat(bad, -3.0, L'.'), -3.0) << Narrow(bad);
  }
  EXPECT_TRUE(TUnicodeString::IsFloat(L"1E5", L'.'));
  EXPECT_TRUE(TUnicodeString::IsFloat(L"1e-5", L'.'));
}

TEST(FloatText, RoundTripsIncludingExtremeValues) {
  // The largest doubles keep the digits that make their text readable.
  for (double v : {DBL_MAX, -DBL_MAX, std::nextafter(DBL_MAX, 0.0)}) {
    const std::wstring text = TString::FloatToString(v, -1, false);
    EXPECT_EQ(TString::StringToFloat(text, L'.'), v) << Narrow(text);
    const std::wstring fixed = TString::FloatToString(v, 2, true);
    EXPECT_NE(TString::StringToFloat(fixed, 0.0, L'.'), 0.0) << Narrow(fixed);
  }
  const double denormal = std::numeric_limits<double>::denorm_min();
  EXPECT_EQ(TString::StringToFloat(TString::FloatToString(denormal, -1, true), L'.'), denormal);
  EXPECT_EQ(TString::FloatToString(0.0, -1, false), L"0");
  EXPECT_EQ(TString::FloatToString(-0.0, -1, true), L"0");
  EXPECT_EQ(TString::FloatToString(DBL_MIN, -1, true), L"2.2250738585072E-308");

  // Random doubles of every magnitude: 15 significant digits come back, and
  // the general text reads back to a value that writes the same text.
  std::mt19937_64 random(9);
  int checked = 0;
  while (checked < 3000) {
    const double v = FromBits(random());
    if (!std::isfinite(v)) continue;
    ++checked;
    for (bool removeZeros : {false, true}) {
      const std::wstring text = TString::FloatToString(v, -1, removeZeros);
      ASSERT_TRUE(TString::IsFloat(text, L'.')) << Narrow(text);
      const double back = TString::StringToFloat(text, L'.');
      if (std::fabs(v) > 1e-300) {
        ASSERT_NEAR(back / v, 1.0, 1e-14) << Narrow(text);
      }
      if (!removeZeros) {
        ASSERT_EQ(TString::FloatToString(back, -1, false), text);
      }
    }
  }
}
