// Format-style formatting and number conversion of the runtime.
//
// Format patterns follow the classic runtime: "%" [index ":"] ["-"] [width]
// ["." precision] type, with width and precision also given as "*", and the
// types d (decimal), u (unsigned), x (upper-case hexadecimal), e, f, g, n, m
// (floating point), p (pointer) and s (string or character); "%%" is a
// literal percent sign. A pattern that doesn't fit its arguments raises
// EConvertError "Format '%s' invalid or incompatible with argument".
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace Rtl {

// Number, currency, date and time formats. A default-constructed record
// holds the classic (English, United States) formats; the process-wide one
// may follow a locale later. Month and day names are kept 0-based: month 1
// is index 0, and day index 0 is Sunday.
struct TFormatSettings {
  std::wstring CurrencyString = L"$";
  int CurrencyFormat = 0;   // 0: $1, 1: 1$, 2: $ 1, 3: 1 $
  int NegCurrFormat = 0;    // 0: ($1), 1: -$1, ... as the platform numbers them
  int CurrencyDecimals = 2;
  wchar_t ThousandSeparator = L',';
  wchar_t DecimalSeparator = L'.';
  wchar_t DateSeparator = L'/';
  std::wstring ShortDateFormat = L"m/d/yy";
  std::wstring LongDateFormat = L"mmmm d, yyyy";
  wchar_t TimeSeparator = L':';
  std::wstring TimeAMString = L"AM";
  std::wstring TimePMString = L"PM";
  std::wstring ShortTimeFormat = L"h:mm AMPM";
  std::wstring LongTimeFormat = L"h:mm:ss AMPM";
  wchar_t ListSeparator = L',';
  std::array<std::wstring, 12> ShortMonthNames{L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                               L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  std::array<std::wstring, 12> LongMonthNames{L"January", L"February", L"March",     L"April",
                                              L"May",     L"June",     L"July",      L"August",
                                              L"September", L"October", L"November", L"December"};
  std::array<std::wstring, 7> ShortDayNames{L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
  std::array<std::wstring, 7> LongDayNames{L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                           L"Thursday", L"Friday", L"Saturday"};
};

// The process-wide formats that formatting and parsing use when given none.
// Made with the classic formats at the first call.
TFormatSettings& FormatSettings();

// The locale of the process: the user's default locale when first asked
// (the runtime asks it at start-up), for the rules that depend on the
// language the process runs in.
struct TSysLocale {
  std::int32_t DefaultLCID = 0;
  std::int32_t PriLangID = 0;  // bits 0-9 of DefaultLCID
  std::int32_t SubLangID = 0;  // bits 10-15
};
const TSysLocale& SysLocale();

// One argument of Format.
class TFormatArg {
public:
  enum class TKind { Integer, Unsigned, Float, Char, String, Pointer };

  TFormatArg(short v) : FKind(TKind::Integer), FInt(v) {}
  TFormatArg(int v) : FKind(TKind::Integer), FInt(v) {}
  TFormatArg(long v) : FKind(TKind::Integer), FInt(v) {}
  TFormatArg(long long v) : FKind(TKind::Integer), FInt(v) {}
  TFormatArg(unsigned short v) : FKind(TKind::Integer), FInt(v) {}
  TFormatArg(unsigned char v) : FKind(TKind::Integer), FInt(v) {}
  TFormatArg(unsigned v) : FKind(TKind::Unsigned), FUInt(v) {}
  TFormatArg(unsigned long v) : FKind(TKind::Unsigned), FUInt(v) {}
  TFormatArg(unsigned long long v) : FKind(TKind::Unsigned), FUInt(v) {}
  TFormatArg(float v) : FKind(TKind::Float), FFloat(v) {}
  TFormatArg(double v) : FKind(TKind::Float), FFloat(v) {}
  TFormatArg(long double v) : FKind(TKind::Float), FFloat(static_cast<double>(v)) {}
  TFormatArg(wchar_t v) : FKind(TKind::Char), FChar(v) {}
  TFormatArg(const wchar_t* v) : FKind(TKind::String), FString(v ? v : L"") {}
  TFormatArg(const std::wstring& v) : FKind(TKind::String), FString(v) {}
  TFormatArg(std::wstring_view v) : FKind(TKind::String), FString(v) {}
  TFormatArg(const void* v) : FKind(TKind::Pointer), FPointer(v) {}
  // No narrow text and no Booleans: they have no Format type.
  TFormatArg(char) = delete;
  TFormatArg(const char*) = delete;
  TFormatArg(bool) = delete;

  TKind Kind() const { return FKind; }
  long long AsInteger() const { return FInt; }
  unsigned long long AsUnsigned() const { return FUInt; }
  double AsFloat() const { return FFloat; }
  wchar_t AsChar() const { return FChar; }
  std::wstring_view AsString() const { return FString; }
  const void* AsPointer() const { return FPointer; }

private:
  TKind FKind;
  union {
    long long FInt;
    unsigned long long FUInt;
    double FFloat;
    wchar_t FChar;
    const void* FPointer;
  };
  std::wstring_view FString;
};

using TFormatArgs = std::initializer_list<TFormatArg>;

std::wstring Format(std::wstring_view pattern, TFormatArgs args = {});
std::wstring Format(std::wstring_view pattern, TFormatArgs args, const TFormatSettings& settings);

// Integers.
std::wstring IntToStr(long long value);
std::wstring UIntToStr(unsigned long long value);
// Upper-case hexadecimal with at least `digits` digits; negative values in
// two's complement of 32 bits (64 when they don't fit 32).
std::wstring IntToHex(long long value, int digits);

// Decimal, or hexadecimal after "$", "0x", "0X", "x" or "X"; optional
// leading blanks and sign; nothing after the digits. EConvertError
// "'%s' is not a valid integer value" for anything else or an overflow.
int StrToInt(std::wstring_view value);
long long StrToInt64(std::wstring_view value);
bool TryStrToInt(std::wstring_view value, int& result);
// Raises that EConvertError for `value` (for parsers of their own syntax,
// such as escapes of hexadecimal digits, that report as StrToInt does).
[[noreturn]] void RaiseInvalidInteger(std::wstring_view value);
bool TryStrToInt64(std::wstring_view value, long long& result);
int StrToIntDef(std::wstring_view value, int defaultValue);
long long StrToInt64Def(std::wstring_view value, long long defaultValue);

// Floating point: general format with 15 significant digits ("1.5E-10",
// "0.0001", "1E20"); reading accepts surrounding blanks, a sign, the decimal
// separator of the settings and an exponent. EConvertError
// "'%s' is not a valid floating point value".
std::wstring FloatToStr(double value);
// The classic formats of a float with `precision` significant digits (1 to
// 18): ffGeneral as FloatToStr; ffExponent "d.ddd...E+ddd"; ffFixed with
// `digits` decimals (0 to 18), zeros after the precision, and ffExponent
// when the whole part has more than `precision` digits. The largest doubles
// get the few extra digits that keep the text within the range of double.
// Every float format rounds a tie away from zero (2.5 to no decimals is 3).
enum TFloatFormat : std::uint8_t { ffGeneral, ffExponent, ffFixed };
std::wstring FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::wstring FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                         const TFormatSettings& settings);
std::wstring FloatToStr(double value, const TFormatSettings& settings);
double StrToFloat(std::wstring_view value);
double StrToFloat(std::wstring_view value, const TFormatSettings& settings);
bool TryStrToFloat(std::wstring_view value, double& result);
bool TryStrToFloat(std::wstring_view value, double& result, const TFormatSettings& settings);
double StrToFloatDef(std::wstring_view value, double defaultValue);

}  // namespace Rtl
