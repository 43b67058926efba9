#include "runtime/Text/Format.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Strings.h"

namespace Rtl {

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

const TSysLocale& SysLocale() {
  static const TSysLocale locale = [] {
    TSysLocale result;
    result.DefaultLCID = static_cast<std::int32_t>(GetUserDefaultLCID());
    result.PriLangID = result.DefaultLCID & 0x3FF;
    result.SubLangID = (result.DefaultLCID >> 10) & 0x3F;
    return result;
  }();
  return locale;
}

namespace {

[[noreturn]] void FormatError(std::wstring_view pattern) {
  throw EConvertError(Format(LoadResString(SInvalidFormat), {pattern}));
}

// The digits of `value` in `base` (10 or 16, upper case).
std::wstring UnsignedDigits(unsigned long long value, unsigned base) {
  wchar_t buffer[64];
  int pos = 64;
  do {
    buffer[--pos] = HexDigitChar(static_cast<unsigned>(value % base));
    value /= base;
  } while (value != 0);
  return std::wstring(buffer + pos, buffer + 64);
}

// |value|, also of the smallest long long.
unsigned long long Magnitude(long long value) {
  return value < 0 ? static_cast<unsigned long long>(-(value + 1)) + 1 : static_cast<unsigned long long>(value);
}

// Two's complement of 32 bits when the value fits, else of 64.
unsigned long long AsTwosComplement(long long value) {
  if (value < 0 && value >= std::numeric_limits<int>::min())
    return static_cast<unsigned long long>(static_cast<unsigned>(static_cast<int>(value)));
  return static_cast<unsigned long long>(value);
}

void ReplaceDecimalPoint(std::wstring& text, wchar_t separator) {
  if (separator == L'.') return;
  for (auto& c : text)
    if (c == L'.') c = separator;
}

std::wstring NonFinite(double value) {
  if (std::isnan(value)) return L"NAN";
  return value < 0 ? L"-INF" : L"INF";
}

// What printf's "%.*E" (`scientific`) or "%.*f" writes for the finite `value`
// with `decimals` decimals, except that a tie is rounded away from zero, as
// the classic runtime rounds (printf rounds it to even: 2.5 would give "2"
// and 0.125 "0.12").
std::string Print(double value, int decimals, bool scientific) {
  const char* pattern = scientific ? "%.*E" : "%.*f";
  // Room for the exact expansion: a double has at most 767 significant
  // digits, 309 before the point and 1074 after it.
  char buffer[1500];
  // Three more decimals tell the way to round unless they read 500; only
  // then may the value be a tie, and its exact expansion decides.
  std::snprintf(buffer, sizeof buffer, pattern, decimals + 3, value);
  std::string text = buffer;
  size_t end = scientific ? text.find('E') : text.size();
  if (text.compare(end - 3, 3, "500") == 0) {
    std::snprintf(buffer, sizeof buffer, pattern, scientific ? 770 : 1080, value);
    text = buffer;
    end = scientific ? text.find('E') : text.size();
  }
  std::string exponent = text.substr(end);
  const size_t point = text.find('.');
  const bool up = text[point + 1 + static_cast<size_t>(decimals)] >= '5';
  text.erase(decimals == 0 ? point : point + 1 + static_cast<size_t>(decimals));
  if (up) {
    const size_t first = text[0] == '-' ? 1 : 0;
    size_t i = text.size();
    for (; i > first; --i) {
      char& digit = text[i - 1];
      if (digit == '.') continue;
      if (digit != '9') {
        ++digit;
        break;
      }
      digit = '0';
    }
    if (i == first) {
      // All nines: one more digit before the point, or the next exponent.
      if (scientific) {
        text[first] = '1';
        std::snprintf(buffer, sizeof buffer, "E%+03d", std::atoi(exponent.c_str() + 1) + 1);
        exponent = buffer;
      } else {
        text.insert(first, 1, '1');
      }
    }
  }
  return text + exponent;
}

// The precision, raised where needed, that keeps the text of `value` inside
// the range of double: the largest doubles rounded to few digits would give
// a text beyond the largest double, which no parser reads back.
int InRangePrecision(double value, int precision) {
  if (std::fabs(value) < 1e308) return precision;
  for (; precision < 17; ++precision)
    if (std::isfinite(std::strtod(Print(value, precision - 1, true).c_str(), nullptr))) break;
  return precision;
}

// "-d.ddd...E+ddd" with `precision` significant digits.
std::wstring FormatScientific(double value, int precision, const TFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  precision = InRangePrecision(value, precision);
  std::wstring text = WidenAscii(Print(value, precision - 1, true));
  const auto e = text.find(L'E');
  if (e != std::wstring::npos) {
    std::wstring mantissa = text.substr(0, e);
    const wchar_t sign = text[e + 1];
    std::wstring digits = text.substr(e + 2);
    while (digits.size() < 3) digits.insert(digits.begin(), L'0');
    text = mantissa + L"E" + sign + digits;
  }
  ReplaceDecimalPoint(text, settings.DecimalSeparator);
  return text;
}

std::wstring FormatFixed(double value, int decimals, const TFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  if (std::fabs(value) >= 1e18) return FormatScientific(value, 15, settings);
  std::wstring text = WidenAscii(Print(value, decimals, false));
  ReplaceDecimalPoint(text, settings.DecimalSeparator);
  return text;
}

std::wstring AddThousands(const std::wstring& fixed, const TFormatSettings& settings) {
  size_t start = (!fixed.empty() && fixed[0] == L'-') ? 1 : 0;
  size_t end = fixed.find(settings.DecimalSeparator, start);
  if (end == std::wstring::npos) end = fixed.size();
  std::wstring intPart = fixed.substr(start, end - start);
  std::wstring grouped;
  const size_t n = intPart.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0 && settings.ThousandSeparator != 0)
      grouped.push_back(settings.ThousandSeparator);
    grouped.push_back(intPart[i]);
  }
  return fixed.substr(0, start) + grouped + fixed.substr(end);
}

// General format: the shorter of fixed and scientific, with `precision`
// significant digits and no trailing zeros; the exponent has no "+" and no
// leading zeros.
std::wstring FormatGeneral(double value, int precision, const TFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (precision < 1 || precision > 18) precision = 15;
  precision = InRangePrecision(value, precision);
  // As printf's "%G": scientific notation when the exponent of the rounded
  // value is below -4 or not below the precision, else fixed notation with
  // the same significant digits; no trailing zeros either way.
  const std::string scientific = Print(value, precision - 1, true);
  const size_t e = scientific.find('E');
  const int exponent = std::atoi(scientific.c_str() + e + 1);
  const bool useScientific = exponent < -4 || exponent >= precision;
  std::string digits = useScientific ? scientific.substr(0, e) : Print(value, precision - 1 - exponent, false);
  if (digits.find('.') != std::string::npos) {
    digits.erase(digits.find_last_not_of('0') + 1);
    if (digits.back() == '.') digits.pop_back();
  }
  if (useScientific) digits += "E" + std::to_string(exponent);
  std::wstring text = WidenAscii(digits);
  if (text == L"-0") text = L"0";
  ReplaceDecimalPoint(text, settings.DecimalSeparator);
  return text;
}

// Fixed notation with `decimals` decimals of the value rounded to
// `precision` significant digits (zeros after those); scientific notation
// when the whole part has more than `precision` digits.
std::wstring FormatFixedPrecision(double value, int precision, int decimals, const TFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  precision = InRangePrecision(value, precision);
  // "-d.dddE+xxx": the significant digits and the decimal exponent.
  const std::string scientific = Print(value, precision - 1, true);
  const size_t mark = scientific.find('E');
  const int exponent = std::atoi(scientific.c_str() + mark + 1);
  if (exponent + 1 > precision) return FormatScientific(value, precision, settings);
  std::string text;
  if (exponent + 1 + decimals <= precision) {
    // Every decimal asked for lies within the precision.
    text = Print(value, decimals, false);
  } else {
    std::string digits;
    for (size_t c = 0; c < mark; ++c)
      if (scientific[c] >= '0' && scientific[c] <= '9') digits.push_back(scientific[c]);
    std::string whole = "0", fraction;
    if (exponent >= 0) {
      whole = digits.substr(0, static_cast<size_t>(exponent) + 1);
      fraction = digits.substr(static_cast<size_t>(exponent) + 1);
    } else {
      fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    fraction.resize(static_cast<size_t>(decimals), '0');
    text = (value < 0 ? "-" : "") + whole + "." + fraction;
  }
  // No sign on a text of zeros.
  if (text[0] == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
  std::wstring result = WidenAscii(text);
  ReplaceDecimalPoint(result, settings.DecimalSeparator);
  return result;
}

std::wstring MinDigits(std::wstring digits, int precision) {
  if (precision > 0 && static_cast<int>(digits.size()) < precision)
    digits.insert(0, static_cast<size_t>(precision) - digits.size(), L'0');
  return digits;
}

// One field of a pattern: "%" [index ":"] ["-"] [width] ["." precision] type.
struct TFormatField {
  // A width or precision given as "*": the next argument holds it.
  static constexpr int FROM_ARGUMENT_C = -2;

  int Index = -1;  // -1: the argument after the one before
  bool LeftJustify = false;
  int Width = -1;      // -1: none
  int Precision = -1;  // -1: none
  wchar_t Type = 0;    // lower case
};

// The largest width, precision or index written with digits.
constexpr long long MAX_FIELD_NUMBER_C = 100000;

// A width or precision at pattern[i]: "*" or decimal digits. False, with
// `i` unmoved, when there is neither.
bool ReadFieldNumber(std::wstring_view pattern, size_t& i, int& value) {
  const size_t n = pattern.size();
  if (i < n && pattern[i] == L'*') {
    ++i;
    value = TFormatField::FROM_ARGUMENT_C;
    return true;
  }
  if (i >= n || !IsAsciiDigit(pattern[i])) return false;
  long long v = 0;
  for (; i < n && IsAsciiDigit(pattern[i]); ++i) {
    v = v * 10 + (pattern[i] - L'0');
    if (v > MAX_FIELD_NUMBER_C) FormatError(pattern);
  }
  value = static_cast<int>(v);
  return true;
}

// The field after the '%' at pattern[i - 1]; `i` ends after its type letter.
TFormatField ReadField(std::wstring_view pattern, size_t& i) {
  const size_t n = pattern.size();
  TFormatField field;
  // Digits are an index only when a ':' follows them; else they are the width.
  size_t j = i;
  long long index = 0;
  while (j < n && IsAsciiDigit(pattern[j]) && index <= MAX_FIELD_NUMBER_C) index = index * 10 + (pattern[j++] - L'0');
  if (j > i && j < n && pattern[j] == L':') {
    field.Index = static_cast<int>(index);
    i = j + 1;
  }
  if (i < n && pattern[i] == L'-') {
    field.LeftJustify = true;
    ++i;
  }
  ReadFieldNumber(pattern, i, field.Width);
  if (i < n && pattern[i] == L'.') {
    ++i;
    if (!ReadFieldNumber(pattern, i, field.Precision)) field.Precision = 0;  // "." alone
  }
  if (i >= n) FormatError(pattern);
  field.Type = AsciiLower(pattern[i++]);
  return field;
}

// The arguments as the fields take them: each field from its index or after
// the previous one, its "*" numbers first.
class TArgumentCursor {
public:
  TArgumentCursor(std::wstring_view pattern, TFormatArgs args) : FPattern(pattern), FArgs(args) {}

  // Moves to the field's index and replaces its "*" numbers by arguments.
  void Resolve(TFormatField& field) {
    if (field.Index >= 0) {
      if (static_cast<size_t>(field.Index) >= FArgs.size()) FormatError(FPattern);
      FNext = static_cast<size_t>(field.Index);
    }
    if (field.Width == TFormatField::FROM_ARGUMENT_C) field.Width = TakeNumber();
    if (field.Precision == TFormatField::FROM_ARGUMENT_C) field.Precision = TakeNumber();
  }

  const TFormatArg& Take() {
    if (FNext >= FArgs.size()) FormatError(FPattern);
    return FArgs.begin()[FNext++];
  }

private:
  int TakeNumber() {
    const TFormatArg& arg = Take();
    if (arg.Kind() == TFormatArg::TKind::Integer) return static_cast<int>(arg.AsInteger());
    if (arg.Kind() == TFormatArg::TKind::Unsigned) return static_cast<int>(arg.AsUnsigned());
    FormatError(FPattern);
  }

  std::wstring_view FPattern;
  TFormatArgs FArgs;
  size_t FNext = 0;
};

// "d" (signed), "u" (two's complement of a negative value) or "x"
// (hexadecimal, as "u") of an integer argument, at least `precision` digits.
std::optional<std::wstring> FormatInteger(wchar_t type, const TFormatArg& arg, int precision) {
  const unsigned base = type == L'x' ? 16 : 10;
  if (arg.Kind() == TFormatArg::TKind::Unsigned) return MinDigits(UnsignedDigits(arg.AsUnsigned(), base), precision);
  if (arg.Kind() != TFormatArg::TKind::Integer) return std::nullopt;
  const long long value = arg.AsInteger();
  if (type != L'd') return MinDigits(UnsignedDigits(AsTwosComplement(value), base), precision);
  return (value < 0 ? L"-" : L"") + MinDigits(UnsignedDigits(Magnitude(value), 10), precision);
}

// "e", "f", "g", "n" or "m" of a number; the precision (-1 for none) counts
// significant digits for "e" and "g", decimals for the others.
std::optional<std::wstring> FormatFloat(wchar_t type, const TFormatArg& arg, int precision,
                                        const TFormatSettings& settings) {
  double value;
  switch (arg.Kind()) {
    case TFormatArg::TKind::Float: value = arg.AsFloat(); break;
    case TFormatArg::TKind::Integer: value = static_cast<double>(arg.AsInteger()); break;
    case TFormatArg::TKind::Unsigned: value = static_cast<double>(arg.AsUnsigned()); break;
    default: return std::nullopt;
  }
  switch (type) {
    case L'e': return FormatScientific(value, precision < 0 ? 15 : precision, settings);
    case L'f': return FormatFixed(value, precision < 0 ? 2 : precision, settings);
    case L'g': return FormatGeneral(value, precision < 0 ? 15 : precision, settings);
    case L'n': return AddThousands(FormatFixed(value, precision < 0 ? 2 : precision, settings), settings);
    default:  // 'm'
      return AddThousands(FormatFixed(value, precision < 0 ? settings.CurrencyDecimals : precision, settings),
                          settings);
  }
}

// "s" of a string or character, cut to `precision` characters.
std::optional<std::wstring> FormatString(const TFormatArg& arg, int precision) {
  std::wstring text;
  if (arg.Kind() == TFormatArg::TKind::String)
    text = std::wstring(arg.AsString());
  else if (arg.Kind() == TFormatArg::TKind::Char)
    text = std::wstring(1, arg.AsChar());
  else
    return std::nullopt;
  if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text.resize(static_cast<size_t>(precision));
  return text;
}

// The text of one argument for its field, before padding; nothing when the
// type is unknown or doesn't take this kind of argument.
std::optional<std::wstring> FormatArgument(const TFormatField& field, const TFormatArg& arg,
                                           const TFormatSettings& settings) {
  switch (field.Type) {
    case L'd': case L'u': case L'x':
      return FormatInteger(field.Type, arg, field.Precision);
    case L'e': case L'f': case L'g': case L'n': case L'm':
      return FormatFloat(field.Type, arg, field.Precision, settings);
    case L'p':
      if (arg.Kind() != TFormatArg::TKind::Pointer) return std::nullopt;
      return MinDigits(UnsignedDigits(reinterpret_cast<std::uintptr_t>(arg.AsPointer()), 16),
                       static_cast<int>(sizeof(void*) * 2));
    case L's':
      return FormatString(arg, field.Precision);
  }
  return std::nullopt;
}

// `text` padded with blanks to the field's width, on the left unless the
// field is left-justified.
void AppendPadded(std::wstring& out, const std::wstring& text, const TFormatField& field) {
  const size_t padding =
      field.Width > static_cast<int>(text.size()) ? static_cast<size_t>(field.Width) - text.size() : 0;
  if (!field.LeftJustify) out.append(padding, L' ');
  out += text;
  if (field.LeftJustify) out.append(padding, L' ');
}

}  // namespace

std::wstring Format(std::wstring_view pattern, TFormatArgs args) {
  return Format(pattern, args, FormatSettings());
}

std::wstring Format(std::wstring_view pattern, TFormatArgs args, const TFormatSettings& settings) {
  std::wstring out;
  out.reserve(pattern.size() + 16 * args.size());
  TArgumentCursor arguments(pattern, args);
  for (size_t i = 0; i < pattern.size();) {
    const wchar_t c = pattern[i++];
    if (c != L'%') {
      out.push_back(c);
    } else if (i < pattern.size() && pattern[i] == L'%') {
      out.push_back(L'%');
      ++i;
    } else {
      TFormatField field = ReadField(pattern, i);
      arguments.Resolve(field);
      const std::optional<std::wstring> text = FormatArgument(field, arguments.Take(), settings);
      if (!text) FormatError(pattern);
      AppendPadded(out, *text, field);
    }
  }
  return out;
}

std::wstring IntToStr(long long value) { return (value < 0 ? L"-" : L"") + UnsignedDigits(Magnitude(value), 10); }

std::wstring UIntToStr(unsigned long long value) { return UnsignedDigits(value, 10); }

std::wstring IntToHex(long long value, int digits) {
  return MinDigits(UnsignedDigits(AsTwosComplement(value), 16), digits);
}

namespace {

bool ParseInteger(std::wstring_view s, long long minValue, long long maxValue, long long& result) {
  size_t i = 0;
  while (i < s.size() && s[i] == L' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) {
    negative = s[i] == L'-';
    ++i;
  }
  unsigned base = 10;
  if (i < s.size() && s[i] == L'$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
    base = 16;
    i += 2;
  } else if (i < s.size() && (s[i] == L'x' || s[i] == L'X')) {
    base = 16;
    ++i;
  }
  if (i >= s.size()) return false;
  unsigned long long value = 0;
  const unsigned long long limit = base == 16
      ? std::numeric_limits<unsigned long long>::max()
      : static_cast<unsigned long long>(maxValue) + 1;
  for (; i < s.size(); ++i) {
    const int digit = base == 16 ? HexDigitValue(s[i]) : (IsAsciiDigit(s[i]) ? s[i] - L'0' : -1);
    if (digit < 0) return false;
    const auto d = static_cast<unsigned>(digit);
    if (value > (limit - d) / base) return false;
    value = value * base + d;
  }
  if (base == 16) {
    // Hexadecimal text may spell the two's complement of the type's width;
    // a sign negates within that width ("-$80000000" is the smallest int).
    const unsigned long long width = static_cast<unsigned long long>(maxValue) * 2 + 1;
    if (value > width) return false;
    if (negative) value = (0 - value) & width;
    result = value > static_cast<unsigned long long>(maxValue) ? static_cast<long long>(value - width - 1)
                                                                : static_cast<long long>(value);
    return true;
  }
  if (negative) {
    if (value > static_cast<unsigned long long>(maxValue) + 1) return false;
    result = value == static_cast<unsigned long long>(maxValue) + 1 ? minValue : -static_cast<long long>(value);
  } else {
    if (value > static_cast<unsigned long long>(maxValue)) return false;
    result = static_cast<long long>(value);
  }
  return true;
}

}  // namespace

void RaiseInvalidInteger(std::wstring_view value) {
  throw EConvertError(Format(LoadResString(SInvalidInteger), {value}));
}

bool TryStrToInt(std::wstring_view value, int& result) {
  long long v;
  if (!ParseInteger(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), v)) return false;
  result = static_cast<int>(v);
  return true;
}

bool TryStrToInt64(std::wstring_view value, long long& result) {
  return ParseInteger(value, std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max(),
                      result);
}

int StrToInt(std::wstring_view value) {
  int result;
  if (!TryStrToInt(value, result)) RaiseInvalidInteger(value);
  return result;
}

long long StrToInt64(std::wstring_view value) {
  long long result;
  if (!TryStrToInt64(value, result)) RaiseInvalidInteger(value);
  return result;
}

int StrToIntDef(std::wstring_view value, int defaultValue) {
  int result;
  return TryStrToInt(value, result) ? result : defaultValue;
}

long long StrToInt64Def(std::wstring_view value, long long defaultValue) {
  long long result;
  return TryStrToInt64(value, result) ? result : defaultValue;
}

std::wstring FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

std::wstring FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                         const TFormatSettings& settings) {
  switch (format) {
    case ffGeneral: return FormatGeneral(value, precision, settings);
    case ffExponent: return FormatScientific(value, precision, settings);
    case ffFixed: return FormatFixedPrecision(value, precision, digits, settings);
  }
  throw Exception(SErrorMessage);
}

std::wstring FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

std::wstring FloatToStr(double value, const TFormatSettings& settings) {
  return FormatGeneral(value, 15, settings);
}

bool TryStrToFloat(std::wstring_view value, double& result) {
  return TryStrToFloat(value, result, FormatSettings());
}

bool TryStrToFloat(std::wstring_view value, double& result, const TFormatSettings& settings) {
  size_t b = 0, e = value.size();
  while (b < e && value[b] == L' ') ++b;
  while (e > b && value[e - 1] == L' ') --e;
  if (b == e) return false;
  std::string narrow;
  narrow.reserve(e - b);
  bool digits = false, point = false, exponent = false;
  for (size_t i = b; i < e; ++i) {
    const wchar_t c = value[i];
    if (c >= L'0' && c <= L'9') {
      digits = true;
      narrow.push_back(static_cast<char>(c));
    } else if (c == settings.DecimalSeparator && !point && !exponent) {
      point = true;
      narrow.push_back('.');
    } else if ((c == L'e' || c == L'E') && digits && !exponent) {
      exponent = true;
      narrow.push_back('E');
      if (i + 1 < e && (value[i + 1] == L'+' || value[i + 1] == L'-')) {
        narrow.push_back(static_cast<char>(value[++i]));
      }
      if (i + 1 >= e) return false;
    } else if ((c == L'+' || c == L'-') && i == b) {
      narrow.push_back(static_cast<char>(c));
    } else {
      return false;
    }
  }
  if (!digits) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(narrow.c_str(), &end);
  if (end == nullptr || *end != '\0') return false;
  if (errno == ERANGE && std::isinf(v)) return false;
  result = v;
  return true;
}

double StrToFloat(std::wstring_view value) { return StrToFloat(value, FormatSettings()); }

double StrToFloat(std::wstring_view value, const TFormatSettings& settings) {
  double result;
  if (!TryStrToFloat(value, result, settings))
    throw EConvertError(Format(LoadResString(SInvalidFloat), {value}));
  return result;
}

double StrToFloatDef(std::wstring_view value, double defaultValue) {
  double result;
  return TryStrToFloat(value, result) ? result : defaultValue;
}

}  // namespace Rtl
