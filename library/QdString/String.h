// TString: the base of the string toolboxes (code pages, bytes, UCS-4 and
// number text); TAnsiString adds nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/Core/Types.h"

namespace Qd {

class TString {
public:
  TString() = delete;

  // --- Comparing ---------------------------------------------------------

  // Some element of values equals value ASCII-insensitively.
  static bool ArrayContains(std::wstring_view value, const std::vector<std::wstring>& values);

  // --- Mail text, bytes, code points and number text --------------------

  // TAB, LF and CR as "#9", "#10", "#13"; "%", "&" and "?" as "%25", "%26",
  // "%3F".
  static std::wstring EncodeMail(std::wstring_view text);

  // The UTF-16LE bytes of `str`, two per character.
  static Rtl::TBytes StringToBytes(std::wstring_view str);
  // Bytes read as UTF-16LE code units; an odd last byte is ignored.
  static std::wstring BytesToString(const Rtl::TBytes& str);
  // StringToBytes / BytesToString with the bytes in a raw 8-bit string.
  static Rtl::RawByteString StringToBinary(std::wstring_view str);
  static std::wstring BinaryToString(const Rtl::RawByteString& str);
  static Rtl::TBytes RawByteStringToBytes(const Rtl::RawByteString& str);
  static Rtl::RawByteString BytesToRawByteString(const Rtl::TBytes& str);
  // Each byte as the code unit of the same value (ISO 8859-1).
  static std::wstring RawByteStringToString(const Rtl::RawByteString& str);
  // Each code unit cut to its low 8 bits.
  static Rtl::RawByteString StringToRawByteString(std::wstring_view str);
  // The code points of `str`: a valid surrogate pair gives one, any other
  // code unit the code point of its value.
  static Rtl::UCS4String WideToUcs4(std::wstring_view str);
  // The inverse: code points above U+FFFF as surrogate pairs; one above
  // U+10FFFF, which UTF-16 can't hold, as U+FFFD.
  static std::wstring Ucs4ToWide(const Rtl::UCS4String& str);

  // Float syntax: blanks around, an optional sign, digits with at most one
  // `decimalSeparator`, an optional exponent; no thousands separators.
  // (Also reached as TUnicodeString::IsFloat(str, decimalPoint).)
  static bool IsFloat(std::wstring_view str, wchar_t decimalSeparator);
  // The same with the process's (the user's) number settings.
  static bool IsFloatLocalized(std::wstring_view str);
  // The value; 0 / `Default` when `str` is no number.
  static double StringToFloat(std::wstring_view str, wchar_t decimalSeparator);
  static double StringToFloat(std::wstring_view str, double Default, wchar_t decimalSeparator);
  static double StringToFloatLocalized(std::wstring_view str, double Default);
  // `value` with "." as decimal separator: `digits` -1 gives up to 15
  // significant digits, 0 or more that many decimals (of 10 significant
  // digits). `removeZeros` writes whole numbers without decimals and drops
  // trailing zeros of the decimals (never of an exponent).
  static std::wstring FloatToString(double value, int digits, bool removeZeros);
  // The same with the locale's decimal separator.
  static std::wstring FloatToStringLocalized(double value, int digits, bool removeZeros);
};

class TAnsiString : public TString {
public:
  TAnsiString() = delete;
};

}  // namespace Qd
