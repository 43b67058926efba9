// Conversions of the string toolbox: UTF-16 text to bytes, raw 8-bit
// strings and UCS-4 code points and back, and floating-point text.
#include <algorithm>
#include <cmath>

#include "QdString/UnicodeString.h"
#include "runtime/Text/Format.h"

namespace Qd {

// --- Bytes -------------------------------------------------------------------

namespace {

// The UTF-16LE bytes of `str` in a container of bytes.
template <class TContainer>
TContainer Utf16LeBytes(std::wstring_view str) {
  TContainer result(str.size() * 2, 0);
  for (size_t i = 0; i < str.size(); ++i) {
    result[2 * i] = static_cast<typename TContainer::value_type>(str[i] & 0xFF);
    result[2 * i + 1] = static_cast<typename TContainer::value_type>(str[i] >> 8);
  }
  return result;
}

// Bytes read as UTF-16LE code units; an odd last byte is ignored.
template <class TContainer>
std::wstring Utf16LeText(const TContainer& bytes) {
  std::wstring result(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < result.size(); ++i)
    result[i] = static_cast<wchar_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                     (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
  return result;
}

}  // namespace

Rtl::TBytes TString::StringToBytes(std::wstring_view str) { return Utf16LeBytes<Rtl::TBytes>(str); }

std::wstring TString::BytesToString(const Rtl::TBytes& str) { return Utf16LeText(str); }

Rtl::RawByteString TString::StringToBinary(std::wstring_view str) {
  return Utf16LeBytes<Rtl::RawByteString>(str);
}

std::wstring TString::BinaryToString(const Rtl::RawByteString& str) { return Utf16LeText(str); }

Rtl::TBytes TString::RawByteStringToBytes(const Rtl::RawByteString& str) {
  return Rtl::TBytes(str.begin(), str.end());
}

Rtl::RawByteString TString::BytesToRawByteString(const Rtl::TBytes& str) {
  return Rtl::RawByteString(str.begin(), str.end());
}

std::wstring TString::RawByteStringToString(const Rtl::RawByteString& str) {
  std::wstring result(str.size(), L'\0');
  for (size_t i = 0; i < str.size(); ++i) result[i] = static_cast<wchar_t>(static_cast<std::uint8_t>(str[i]));
  return result;
}

Rtl::RawByteString TString::StringToRawByteString(std::wstring_view str) {
  Rtl::RawByteString result(str.size(), '\0');
  for (size_t i = 0; i < str.size(); ++i) result[i] = static_cast<char>(str[i] & 0xFF);
  return result;
}

// --- UCS-4 -------------------------------------------------------------------

Rtl::UCS4String TString::WideToUcs4(std::wstring_view str) {
  Rtl::UCS4String result;
  result.reserve(str.size());
  for (size_t i = 0; i < str.size(); ++i) {
    const std::uint32_t c = str[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < str.size() && str[i + 1] >= 0xDC00 && str[i + 1] <= 0xDFFF) {
      result.push_back(0x10000 + ((c - 0xD800) << 10) + (str[i + 1] - 0xDC00u));
      ++i;
    } else {
      result.push_back(c);
    }
  }
  return result;
}

std::wstring TString::Ucs4ToWide(const Rtl::UCS4String& str) {
  std::wstring result;
  result.reserve(str.size());
  for (std::uint32_t c : str) {
    if (c <= 0xFFFF) {
      result.push_back(static_cast<wchar_t>(c));
    } else if (c <= 0x10FFFF) {
      result.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
      result.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      result.push_back(L'\uFFFD');  // beyond Unicode: no UTF-16 form
    }
  }
  return result;
}

// --- Floating-point text -----------------------------------------------------

namespace {

// A private copy of the process's number settings with another separator:
// nothing process-wide changes, not even for a moment.
Rtl::TFormatSettings WithDecimalSeparator(wchar_t decimalSeparator) {
  Rtl::TFormatSettings settings = Rtl::FormatSettings();
  settings.DecimalSeparator = decimalSeparator;
  return settings;
}

double ParseFloat(std::wstring_view str, double Default, const Rtl::TFormatSettings& settings) {
  double value;
  return Rtl::TryStrToFloat(str, value, settings) ? value : Default;
}

// Drops the trailing zeros of the decimals, then a separator left last; an
// exponent and the digits before the separator are never touched.
void RemoveTrailingZeros(std::wstring& text, wchar_t decimalSeparator) {
  const size_t exponent = std::min(text.find_first_of(L"Ee"), text.size());
  const size_t separator = text.find(decimalSeparator);
  if (separator == std::wstring::npos || separator > exponent) return;
  size_t end = exponent;
  while (end > separator + 1 && text[end - 1] == L'0') --end;
  if (end == separator + 1) --end;
  text.erase(end, exponent - end);
}

std::wstring FormatFloat(double value, int digits, bool removeZeros, const Rtl::TFormatSettings& settings) {
  // 2^63: whole numbers below it in magnitude have a 64-bit decimal text.
  constexpr double INT64_LIMIT_C = 9223372036854775808.0;
  try {
    if (removeZeros && std::isfinite(value) && value == std::trunc(value) && value >= -INT64_LIMIT_C &&
        value < INT64_LIMIT_C)
      return Rtl::IntToStr(static_cast<long long>(value));
    // Fixed notation keeps 10 significant digits.
    std::wstring text = digits < 0 ? Rtl::FloatToStr(value, settings)
                                   : Rtl::FloatToStrF(value, Rtl::ffFixed, 10, digits, settings);
    if (removeZeros) RemoveTrailingZeros(text, settings.DecimalSeparator);
    return text;
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

bool TString::IsFloat(std::wstring_view str, wchar_t decimalSeparator) {
  double value;
  return Rtl::TryStrToFloat(str, value, WithDecimalSeparator(decimalSeparator));
}

bool TString::IsFloatLocalized(std::wstring_view str) {
  double value;
  return Rtl::TryStrToFloat(str, value, Rtl::FormatSettings());
}

double TString::StringToFloat(std::wstring_view str, wchar_t decimalSeparator) {
  return StringToFloat(str, 0.0, decimalSeparator);
}

double TString::StringToFloat(std::wstring_view str, double Default, wchar_t decimalSeparator) {
  return ParseFloat(str, Default, WithDecimalSeparator(decimalSeparator));
}

double TString::StringToFloatLocalized(std::wstring_view str, double Default) {
  return ParseFloat(str, Default, Rtl::FormatSettings());
}

std::wstring TString::FloatToString(double value, int digits, bool removeZeros) {
  return FormatFloat(value, digits, removeZeros, WithDecimalSeparator(L'.'));
}

std::wstring TString::FloatToStringLocalized(double value, int digits, bool removeZeros) {
  return FormatFloat(value, digits, removeZeros, Rtl::FormatSettings());
}

}  // namespace Qd
