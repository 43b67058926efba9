#include "runtime/Text/Format.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "runtime/Core/Exceptions.h"

namespace Rtl {

TFormatSettings FormatSettings;

namespace {

[[noreturn]] void FormatError(std::wstring_view pattern) {
  throw EConvertError(L"Format '" + std::wstring(pattern) + L"' invalid or incompatible with argument");
}

std::wstring Widen(const char* text) {
  std::wstring result;
  for (; *text; ++text) result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
  return result;
}

std::wstring UnsignedDigits(unsigned long long value, unsigned base, bool lowerCase = false) {
  const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
  wchar_t buffer[64];
  int pos = 64;
  do {
    buffer[--pos] = static_cast<wchar_t>(digits[value % base]);
    value /= base;
  } while (value != 0);
  return std::wstring(buffer + pos, buffer + 64);
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
  std::wstring text = Widen(Print(value, precision - 1, true).c_str());
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
  std::wstring text = Widen(Print(value, decimals, false).c_str());
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
  std::wstring text = Widen(digits.c_str());
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
  std::wstring result = Widen(text.c_str());
  ReplaceDecimalPoint(result, settings.DecimalSeparator);
  return result;
}

struct TField {
  bool leftAlign = false;
  int width = -1;
  int precision = -1;
  wchar_t type = 0;
};

void Pad(std::wstring& out, const std::wstring& text, const TField& field) {
  const int len = static_cast<int>(text.size());
  if (field.width > len && !field.leftAlign) out.append(static_cast<size_t>(field.width - len), L' ');
  out += text;
  if (field.width > len && field.leftAlign) out.append(static_cast<size_t>(field.width - len), L' ');
}

std::wstring MinDigits(std::wstring digits, int precision) {
  if (precision > 0 && static_cast<int>(digits.size()) < precision)
    digits.insert(0, static_cast<size_t>(precision) - digits.size(), L'0');
  return digits;
}

}  // namespace

std::wstring Format(std::wstring_view pattern, TFormatArgs args) {
  return Format(pattern, args, FormatSettings);
}

std::wstring Format(std::wstring_view pattern, TFormatArgs args, const TFormatSettings& settings) {
  std::wstring out;
  out.reserve(pattern.size() + 16 * args.size());
  const TFormatArg* argv = args.begin();
  const size_t argc = args.size();
  size_t next = 0;
  const size_t n = pattern.size();
  size_t i = 0;

  auto takeArg = [&]() -> const TFormatArg& {
    if (next >= argc) FormatError(pattern);
    return argv[next++];
  };
  auto readNumber = [&](int& value) -> bool {
    if (i < n && pattern[i] == L'*') {
      ++i;
      const TFormatArg& a = takeArg();
      if (a.Kind() != TFormatArg::TKind::Integer && a.Kind() != TFormatArg::TKind::Unsigned)
        FormatError(pattern);
      value = static_cast<int>(a.Kind() == TFormatArg::TKind::Integer ? a.AsInteger()
                                                                      : static_cast<long long>(a.AsUnsigned()));
      return true;
    }
    if (i < n && pattern[i] >= L'0' && pattern[i] <= L'9') {
      long long v = 0;
      while (i < n && pattern[i] >= L'0' && pattern[i] <= L'9') {
        v = v * 10 + (pattern[i] - L'0');
        if (v > 100000) FormatError(pattern);
        ++i;
      }
      value = static_cast<int>(v);
      return true;
    }
    return false;
  };

  while (i < n) {
    const wchar_t c = pattern[i++];
    if (c != L'%') {
      out.push_back(c);
      continue;
    }
    if (i >= n) FormatError(pattern);
    if (pattern[i] == L'%') {
      out.push_back(L'%');
      ++i;
      continue;
    }
    TField field;
    // [index ":"]
    {
      size_t j = i;
      long long index = 0;
      while (j < n && pattern[j] >= L'0' && pattern[j] <= L'9' && index <= 100000)
        index = index * 10 + (pattern[j++] - L'0');
      if (j > i && j < n && pattern[j] == L':') {
        if (static_cast<size_t>(index) >= argc) FormatError(pattern);
        next = static_cast<size_t>(index);
        i = j + 1;
      }
    }
    if (i < n && pattern[i] == L'-') {
      field.leftAlign = true;
      ++i;
    }
    readNumber(field.width);
    if (i < n && pattern[i] == L'.') {
      ++i;
      if (!readNumber(field.precision)) field.precision = 0;
    }
    if (i >= n) FormatError(pattern);
    field.type = pattern[i++];
    if (field.type >= L'A' && field.type <= L'Z') field.type = static_cast<wchar_t>(field.type + 32);

    const TFormatArg& arg = takeArg();
    using K = TFormatArg::TKind;
    std::wstring text;
    switch (field.type) {
      case L'd': {
        if (arg.Kind() == K::Integer) {
          const long long v = arg.AsInteger();
          const unsigned long long mag =
              v < 0 ? static_cast<unsigned long long>(-(v + 1)) + 1 : static_cast<unsigned long long>(v);
          text = (v < 0 ? L"-" : L"") + MinDigits(UnsignedDigits(mag, 10), field.precision);
        } else if (arg.Kind() == K::Unsigned) {
          text = MinDigits(UnsignedDigits(arg.AsUnsigned(), 10), field.precision);
        } else {
          FormatError(pattern);
        }
        break;
      }
      case L'u': {
        if (arg.Kind() == K::Integer)
          text = MinDigits(UnsignedDigits(AsTwosComplement(arg.AsInteger()), 10), field.precision);
        else if (arg.Kind() == K::Unsigned)
          text = MinDigits(UnsignedDigits(arg.AsUnsigned(), 10), field.precision);
        else
          FormatError(pattern);
        break;
      }
      case L'x': {
        if (arg.Kind() == K::Integer)
          text = MinDigits(UnsignedDigits(AsTwosComplement(arg.AsInteger()), 16), field.precision);
        else if (arg.Kind() == K::Unsigned)
          text = MinDigits(UnsignedDigits(arg.AsUnsigned(), 16), field.precision);
        else
          FormatError(pattern);
        break;
      }
      case L'e':
      case L'f':
      case L'g':
      case L'n':
      case L'm': {
        double v;
        if (arg.Kind() == K::Float)
          v = arg.AsFloat();
        else if (arg.Kind() == K::Integer)
          v = static_cast<double>(arg.AsInteger());
        else if (arg.Kind() == K::Unsigned)
          v = static_cast<double>(arg.AsUnsigned());
        else
          FormatError(pattern);
        if (field.type == L'e')
          text = FormatScientific(v, field.precision < 0 ? 15 : field.precision, settings);
        else if (field.type == L'f')
          text = FormatFixed(v, field.precision < 0 ? 2 : field.precision, settings);
        else if (field.type == L'g')
          text = FormatGeneral(v, field.precision < 0 ? 15 : field.precision, settings);
        else if (field.type == L'n')
          text = AddThousands(FormatFixed(v, field.precision < 0 ? 2 : field.precision, settings), settings);
        else
          text = AddThousands(
              FormatFixed(v, field.precision < 0 ? settings.CurrencyDecimals : field.precision, settings),
              settings);
        break;
      }
      case L'p': {
        if (arg.Kind() != K::Pointer) FormatError(pattern);
        text = MinDigits(UnsignedDigits(reinterpret_cast<std::uintptr_t>(arg.AsPointer()), 16),
                         static_cast<int>(sizeof(void*) * 2));
        break;
      }
      case L's': {
        if (arg.Kind() == K::String)
          text = std::wstring(arg.AsString());
        else if (arg.Kind() == K::Char)
          text = std::wstring(1, arg.AsChar());
        else
          FormatError(pattern);
        if (field.precision >= 0 && static_cast<size_t>(field.precision) < text.size())
          text.resize(static_cast<size_t>(field.precision));
        break;
      }
      default:
        FormatError(pattern);
    }
    Pad(out, text, field);
  }
  return out;
}

std::wstring IntToStr(long long value) {
  const unsigned long long mag =
      value < 0 ? static_cast<unsigned long long>(-(value + 1)) + 1 : static_cast<unsigned long long>(value);
  return (value < 0 ? L"-" : L"") + UnsignedDigits(mag, 10);
}

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
    const wchar_t c = s[i];
    unsigned d;
    if (c >= L'0' && c <= L'9')
      d = static_cast<unsigned>(c - L'0');
    else if (base == 16 && c >= L'a' && c <= L'f')
      d = static_cast<unsigned>(c - L'a' + 10);
    else if (base == 16 && c >= L'A' && c <= L'F')
      d = static_cast<unsigned>(c - L'A' + 10);
    else
      return false;
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
  throw EConvertError(L"'" + std::wstring(value) + L"' is not a valid integer value");
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
  return FloatToStrF(value, format, precision, digits, FormatSettings);
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

std::wstring FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

std::wstring FloatToStr(double value, const TFormatSettings& settings) {
  return FormatGeneral(value, 15, settings);
}

bool TryStrToFloat(std::wstring_view value, double& result) {
  return TryStrToFloat(value, result, FormatSettings);
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

double StrToFloat(std::wstring_view value) { return StrToFloat(value, FormatSettings); }

double StrToFloat(std::wstring_view value, const TFormatSettings& settings) {
  double result;
  if (!TryStrToFloat(value, result, settings))
    throw EConvertError(L"'" + std::wstring(value) + L"' is not a valid floating point value");
  return result;
}

double StrToFloatDef(std::wstring_view value, double defaultValue) {
  double result;
  return TryStrToFloat(value, result) ? result : defaultValue;
}

}  // namespace Rtl
