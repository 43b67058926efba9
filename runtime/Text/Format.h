// Format-style formatting and number conversion of the runtime.
//
// Format patterns follow the classic runtime: "%" [index ":"] ["-"] [width]
// ["." precision] type, with width and precision also given as "*", and the
// types d (decimal), u (unsigned), x (upper-case hexadecimal), e, f, g, n, m
// (floating point), p (pointer) and s (string or character); "%%" is a
// literal percent sign. A pattern that doesn't fit its arguments raises
// EConvertError "Format '%s' invalid or incompatible with argument".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace Rtl {

// Process-wide number formats (later set from a locale).
struct TFormatSettings {
  wchar_t DecimalSeparator = L'.';
  wchar_t ThousandSeparator = L',';
  int CurrencyDecimals = 2;
};

extern TFormatSettings FormatSettings;

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
