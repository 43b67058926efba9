// Format: the field syntax (index, left-justify, width, precision, "*"),
// each argument type, and the patterns that must raise.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"

using Rtl::Format;

namespace {

// The message of the EConvertError that Format raises, or "" when it
// raises nothing.
std::wstring FormatError(std::wstring_view pattern, Rtl::TFormatArgs args = {}) {
  try {
    Format(pattern, args);
  } catch (const Rtl::EConvertError& e) {
    return e.Message();
  }
  return L"";
}

std::wstring Invalid(const std::wstring& pattern) {
  return L"Format '" + pattern + L"' invalid or incompatible with argument";
}

}  // namespace

TEST(Format, LiteralTextAndPercent) {
  EXPECT_EQ(Format(L""), L"");
  EXPECT_EQ(Format(L"plain text"), L"plain text");
  EXPECT_EQ(Format(L"100%% sure, %%d"), L"100% sure, %d");
  EXPECT_EQ(Format(L"%s%%%s", {L"a", L"b"}), L"a%b");
  // Arguments left over are ignored.
  EXPECT_EQ(Format(L"%d", {1, 2}), L"1");
}

TEST(Format, WidthPrecisionAndJustification) {
  EXPECT_EQ(Format(L"[%5d]", {42}), L"[   42]");
  EXPECT_EQ(Format(L"[%-5d]", {42}), L"[42   ]");
  EXPECT_EQ(Format(L"[%1d]", {12345}), L"[12345]");  // a width never cuts
  EXPECT_EQ(Format(L"[%.4d]", {42}), L"[0042]");
  EXPECT_EQ(Format(L"[%.4d]", {-42}), L"[-0042]");  // the sign is not counted
  EXPECT_EQ(Format(L"[%6.4d]", {-42}), L"[ -0042]");
  EXPECT_EQ(Format(L"[%-8.3s]", {L"abcdef"}), L"[abc     ]");
  EXPECT_EQ(Format(L"[%.s]", {L"abc"}), L"[]");      // "." alone is precision 0
  EXPECT_EQ(Format(L"[%.f]", {2.5}), L"[3]");
  EXPECT_EQ(Format(L"[%8.2f]", {-1.5}), L"[   -1.50]");
  // "*" takes the width or precision from the next argument, signed or not.
  EXPECT_EQ(Format(L"[%*d]", {5, 42}), L"[   42]");
  EXPECT_EQ(Format(L"[%-*.*f]", {7u, 1, 2.25}), L"[2.3    ]");
  EXPECT_EQ(Format(L"[%.*s]", {2, L"abc"}), L"[ab]");
  EXPECT_EQ(Format(L"[%*d]", {-5, 42}), L"[42]");  // a negative width pads nothing
  // Upper-case type letters mean the same.
  EXPECT_EQ(Format(L"%D %X %S %F", {7, 255, L"s", 1.0}), L"7 FF s 1.00");
}

TEST(Format, ArgumentIndex) {
  EXPECT_EQ(Format(L"%1:s %0:s", {L"a", L"b"}), L"b a");
  // The fields after an indexed one continue from it.
  EXPECT_EQ(Format(L"%1:s %s %0:s %s", {L"a", L"b", L"c"}), L"b c a b");
  EXPECT_EQ(Format(L"%0:s%0:s", {L"x"}), L"xx");
  EXPECT_EQ(Format(L"%0:-4d|%1:4s", {1, L"z"}), L"1   |   z");
  EXPECT_EQ(Format(L"%2:*d", {0, 0, 3, 7}), L"  7");  // the width too comes from the index on
}

TEST(Format, Integers) {
  EXPECT_EQ(Format(L"%d %d %d", {0, -5, LLONG_MIN}), L"0 -5 -9223372036854775808");
  EXPECT_EQ(Format(L"%d", {18446744073709551615ull}), L"18446744073709551615");
  // Negative values are unsigned in two's complement of 32 bits when they
  // fit, else of 64.
  EXPECT_EQ(Format(L"%u %u", {-1, 7u}), L"4294967295 7");
  EXPECT_EQ(Format(L"%u", {static_cast<long long>(INT_MIN) - 1}), L"18446744071562067967");
  EXPECT_EQ(Format(L"%x %x %.4x", {255, -1, 255}), L"FF FFFFFFFF 00FF");
  EXPECT_EQ(Format(L"%x", {-4294967296ll}), L"FFFFFFFF00000000");
  EXPECT_EQ(Format(L"%x", {0xDEADBEEFCAFEull}), L"DEADBEEFCAFE");
  // Small types are integers too.
  EXPECT_EQ(Format(L"%d %d", {static_cast<short>(-3), static_cast<unsigned char>(200)}), L"-3 200");
}

TEST(Format, FloatingPoint) {
  EXPECT_EQ(Format(L"%e", {1234.5}), L"1.23450000000000E+003");
  EXPECT_EQ(Format(L"%.3e", {1234.5}), L"1.23E+003");
  EXPECT_EQ(Format(L"%f %.1f %.0f", {1.5, 0.25, 2.5}), L"1.50 0.3 3");
  EXPECT_EQ(Format(L"%g %g %.3g", {0.1, 1e20, 1234.5}), L"0.1 1E20 1.23E3");
  EXPECT_EQ(Format(L"%n %.0n", {1234567.891, -1234.5}), L"1,234,567.89 -1,235");
  EXPECT_EQ(Format(L"%m %.1m", {1234.567, 1234.567}), L"1,234.57 1,234.6");
  // Integers are accepted by the float types.
  EXPECT_EQ(Format(L"%f %e", {3, 2u}), L"3.00 2.00000000000000E+000");

  Rtl::TFormatSettings settings;
  settings.DecimalSeparator = L',';
  settings.ThousandSeparator = L'.';
  settings.CurrencyDecimals = 3;
  EXPECT_EQ(Format(L"%.2f|%n|%m", {1.5, 1234.5, 1234.5}, settings), L"1,50|1.234,50|1.234,500");
}

TEST(Format, PointersStringsAndCharacters) {
  const std::wstring zeros(sizeof(void*) * 2 - 3, L'0');
  EXPECT_EQ(Format(L"%p", {reinterpret_cast<const void*>(std::uintptr_t{0xABC})}), zeros + L"ABC");
  EXPECT_EQ(Format(L"%s|%s|%s", {L"text", std::wstring(L"std"), L'c'}), L"text|std|c");
  EXPECT_EQ(Format(L"%s", {static_cast<const wchar_t*>(nullptr)}), L"");
  EXPECT_EQ(Format(L"[%3s][%-3s]", {L'a', L'b'}), L"[  a][b  ]");
  // Text with '%' in an argument is not read again.
  EXPECT_EQ(Format(L"%s", {L"%d"}), L"%d");
}

TEST(Format, InvalidPatternsAndArgumentsRaise) {
  EXPECT_EQ(FormatError(L"%d %d", {1}), Invalid(L"%d %d"));  // too few arguments
  EXPECT_EQ(FormatError(L"50%"), Invalid(L"50%"));          // ends after '%'
  EXPECT_EQ(FormatError(L"%-", {1}), Invalid(L"%-"));
  EXPECT_EQ(FormatError(L"%5.", {1}), Invalid(L"%5."));
  EXPECT_EQ(FormatError(L"%k", {1}), Invalid(L"%k"));       // unknown type
  EXPECT_EQ(FormatError(L"%1:d", {1}), Invalid(L"%1:d"));   // index beyond the arguments
  EXPECT_EQ(FormatError(L"%200000:s", {L"a"}), Invalid(L"%200000:s"));
  EXPECT_EQ(FormatError(L"%100001d", {1}), Invalid(L"%100001d"));  // width too large
  EXPECT_EQ(FormatError(L"%*d", {L"5", 1}), Invalid(L"%*d"));     // "*" needs an integer
  EXPECT_EQ(FormatError(L"%.*d", {1.0, 1}), Invalid(L"%.*d"));
  // Each type takes only its kinds of argument.
  EXPECT_EQ(FormatError(L"%d", {1.5}), Invalid(L"%d"));
  EXPECT_EQ(FormatError(L"%u", {L"1"}), Invalid(L"%u"));
  EXPECT_EQ(FormatError(L"%x", {L'x'}), Invalid(L"%x"));
  EXPECT_EQ(FormatError(L"%d", {L'1'}), Invalid(L"%d"));
  EXPECT_EQ(FormatError(L"%f", {L"1.5"}), Invalid(L"%f"));
  EXPECT_EQ(FormatError(L"%s", {5}), Invalid(L"%s"));
  EXPECT_EQ(FormatError(L"%p", {5}), Invalid(L"%p"));
  EXPECT_EQ(FormatError(L"%d", {static_cast<const void*>(nullptr)}), Invalid(L"%d"));
  // The largest width that is read at all.
  EXPECT_EQ(Format(L"%100000d", {1}).size(), 100000u);
}
