// TString: the base of the string toolboxes (code pages, bytes, UCS-4 and
// number text); TAnsiString adds nothing.
#pragma once

#include <cstdint>
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

  // --- Code pages ----------------------------------------------------------
  //
  // A code page's registered converter (QdString/Converters.h) converts
  // first; when there is none, or it reports failure, the system converts.
  // Code page 0 is the system's ANSI code page. Every NUL of the input
  // stays at its place in the output. A code page the system doesn't know
  // gives an empty result.

  // `str` in `codePage`. Raises Rtl::Exception "WideCharToMultiByte
  // failed..." when the system fails after measuring and no converter
  // serves the code page.
  static Rtl::RawByteString WideToAnsi(const std::wstring& str, std::int32_t codePage);
  // The bytes of `str` read in `codePage`; never raises.
  static std::wstring AnsiToWide(const Rtl::RawByteString& str, std::int32_t codePage);
  static std::wstring AnsiToWide(const Rtl::TBytes& str, std::int32_t codePage);
  static std::wstring Gb18030ToWide(const Rtl::RawByteString& value);
  static Rtl::RawByteString WideToGb18030(const std::wstring& value);
  // The first byte of the character in `codePage`; 0 for U+0000 or when
  // the conversion is empty.
  static char WideCharToAnsiChar(wchar_t c, std::int32_t codePage);
  // Whether `c` survives `codePage`: it converts without the default
  // character and reads back as itself (a best fit doesn't count). UTF-8,
  // UTF-7 and GB18030 hold every character but a lone surrogate; U+0000 is
  // held by every code page the system (or a converter) knows. The answers
  // are kept per code page.
  static bool DoesCodePageSupport(wchar_t c, std::int32_t codePage);
  // The 1-based position (in UTF-16 units) of the first character of `str`
  // that DoesCodePageSupport rejects (a surrogate pair counts as one
  // character); 0 when there is none, `str` is empty or `codePage` is 0.
  static int IndexOfAlienCharacter(std::wstring_view str, std::int32_t codePage);
  // The 1-based index of the first code unit in U+FF00-U+FFFF; 0 if none.
  static int IndexOfWrongWidthCharacter(std::wstring_view str);
  // The text as code page 1258 wants it: the Vietnamese letters with a tone
  // mark that have no byte of their own as base letter and combining tone
  // mark, U+00D0/U+00F0 as U+0110/U+0111, U+FEFF as a space.
  static std::wstring EncodeVietnameseString(std::wstring_view str);

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
