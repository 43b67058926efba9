// Binary-to-text encodings: Base64, Base32, Base16 and URL text.
//
// The decoders also report the whitespace layout of the text they read (the
// whitespace before and after the data, the line separator and the line
// length), so that a caller can write data back in the layout it found.
// Decoders never fail on malformed text: a character outside the alphabet
// counts as value 0 (Base64, Base32) or by the HexToInt rule (Base16). Only
// the URL decoder raises, for a "%" not followed by two hexadecimal digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Core/Set.h"
#include "runtime/Core/Types.h"

namespace Qd {

enum TBinaryEncoding : std::uint8_t { beBase64 = 0, beBase32 = 1, beBase16 = 2, beUrl = 3 };

// A set of encodings: bit i for member i.
using TBinaryEncodings = Rtl::TSet<TBinaryEncoding, beUrl>;

// The Base64 alphabet, value 0 first.
inline constexpr const wchar_t* BASE64_CHARS_C =
    L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// The Base32 alphabet, value 0 first.
inline constexpr const wchar_t* BASE32_CHARS_C = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

// Recognising and encoding in any of the four encodings.
class TBinaryString {
public:
  TBinaryString() = delete;

  // True when `str` can be read in at least one encoding; `encodings`
  // receives all that fit and `defaultEncoding` the preferred one (Base16,
  // then Base32, Base64, URL). With `acceptWhiteSpaces`, leading and
  // trailing whitespace is allowed and line breaks inside, provided every
  // line before the last holds at least 40 characters. A text shorter than
  // `minLength` fits none.
  static bool IsString(std::wstring_view str, TBinaryEncoding& defaultEncoding, TBinaryEncodings& encodings,
                       bool acceptWhiteSpaces, int minLength);
  static bool IsString(std::wstring_view str, TBinaryEncoding& encoding, bool acceptWhiteSpaces,
                       int minLength);

  // The text of `data` in `encoding` (Base16 in upper case); "Error Message"
  // for a value outside the enumeration.
  static std::wstring Encode(const Rtl::TBytes& data, TBinaryEncoding encoding);
};

class TBase64 {
public:
  TBase64() = delete;

  // In the alphabet, or "=".
  static bool IsChar(wchar_t c);
  // RFC 4648 Base64 with "=" padding and no line breaks.
  static std::wstring Encode(const Rtl::TBytes& data);
  // `before`/`after`: the whitespace before the first byte and after the
  // data; `newLine`: the last whitespace run between two data characters;
  // `lineLength`: the longest line followed by whitespace (0 for one line).
  static Rtl::TBytes Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                            std::wstring& newLine, int& lineLength);
  static Rtl::TBytes Decode(std::wstring_view str);
};

class TBase32 {
public:
  TBase32() = delete;

  // Upper-cased in the alphabet (lower-case letters count), or "=".
  static bool IsChar(wchar_t c);
  // RFC 4648 Base32 with "=" padding and no line breaks.
  static std::wstring Encode(const Rtl::TBytes& data);
  // As TBase64::Decode. Letters decode regardless of case (RFC 4648 allows
  // it), so every text that IsChar accepts decodes to its bytes.
  static Rtl::TBytes Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                            std::wstring& newLine, int& lineLength);
  static Rtl::TBytes Decode(std::wstring_view str);
};

class TBase16 {
public:
  TBase16() = delete;

  static bool IsChar(wchar_t c);
  // "A"/"a" to "F"/"f" give 10 to 15, any other character its code minus 48.
  static int HexToInt(wchar_t value);
  // Two hexadecimal digits per byte, upper case unless `lowerCase`.
  static std::wstring Encode(const Rtl::TBytes& data, bool lowerCase);
  // As TBase64::Decode; a byte counts two characters of a line, and an odd
  // character left at the end is ignored.
  static Rtl::TBytes Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                            std::wstring& newLine, int& lineLength);
  static Rtl::TBytes Decode(std::wstring_view str);
};

class TUrlString {
public:
  TUrlString() = delete;

  // ASCII letters and digits.
  static bool IsPlain(wchar_t c);
  // Plain, or "%".
  static bool IsChar(wchar_t c);
  // Letters and digits as themselves, every other byte as "%" and two
  // upper-case hexadecimal digits.
  static std::wstring Encode(const Rtl::TBytes& data);
  // As TBase64::Decode, except that `lineLength` is the shortest line with
  // at least one character. Whitespace may stand inside an escape. A "%"
  // that isn't followed by two hexadecimal digits raises EConvertError.
  static Rtl::TBytes Decode(std::wstring_view str, std::wstring& before, std::wstring& after,
                            std::wstring& newLine, int& lineLength);
  static Rtl::TBytes Decode(std::wstring_view str);
};

}  // namespace Qd
