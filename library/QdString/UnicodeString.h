// TUnicodeString: stateless operations on UTF-16 text.
//
// Conventions shared by every member:
// - A "character" is one UTF-16 code unit; surrogate pairs get no special
//   treatment except in IsSurrogate and HasSurrogate.
// - Positions are 1-based with 0 for "not found"; list indexes are 0-based
//   with -1.
// - Substring(s, index, count): an index below 1 counts as 1 (count is not
//   shortened), an index past the end or a negative count gives "", a count
//   larger than what remains is cut to the rest. Positions and counts outside
//   the text never fail.
// - Three comparisons, never mixed: exact (unit by unit), ASCII-insensitive
//   (only A-Z and a-z fold together) and Unicode-insensitive (both sides
//   lower-cased unit by unit by the platform's mapping, then exact).
// - Parameters taken as `std::wstring&` are in/out: the caller's string is
//   changed in place. All others are left alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "QdString/String.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/Types.h"
#include "runtime/Text/Ascii.h"

namespace Rtl {
class TStringList;
}

namespace Qd {

// The quote character of sqSingle is "'", of sqDouble U+0022.
enum TStringQuote : std::uint8_t { sqNone = 0, sqSingle = 1, sqDouble = 2 };

// A set of TStringQuote: bit i for member i.
using TStringQuotes = Rtl::TSet<TStringQuote, sqDouble>;

// --- Escapes, new lines, hashing and scrambling: types and constants ----------

// New-line conventions.
enum TNewLine : std::uint8_t { nlCrLf = 0, nlLfCr = 1, nlCr = 2, nlLf = 3 };
// The characters of each convention, indexed by TNewLine.
inline constexpr std::wstring_view NEW_LINES_C[] = {L"\r\n", L"\n\r", L"\r", L"\n"};

// The bracket pair of display codes ("<tab>", "(tab)", "[tab]", "{tab}").
enum TDisplayEncode : std::uint8_t { deLessThan = 0, deParentheses = 1, deBrackets = 2, deBraces = 3 };
inline constexpr wchar_t DISPLAY_ENCODE_BEGIN_C[] = {L'<', L'(', L'[', L'{'};
inline constexpr wchar_t DISPLAY_ENCODE_END_C[] = {L'>', L')', L']', L'}'};

// A character and the name of its display code.
struct TStringCode {
  std::wstring_view Name;
  wchar_t Character;
};
inline constexpr TStringCode STRING_CODES_C[] = {
    {L"null", L'\0'}, {L"tab", L'\t'}, {L"lf", L'\n'}, {L"cr", L'\r'}};

// The 32-bit FNV-1a constants.
inline constexpr std::uint32_t FNV_OFFSET_BASIS_C = 2166136261u;
inline constexpr std::uint32_t FNV_PRIME_C = 16777619u;

// The scrambler of stored strings: initial key, multiplier and increment.
inline constexpr std::uint16_t KEY_CHAR_C = 0x4A6B;
inline constexpr std::uint16_t SEED_CHAR1_C = 0x5B29;
inline constexpr std::uint16_t SEED_CHAR2_C = 0x6E59;

class TUnicodeString : public TString {
public:
  TUnicodeString() = delete;

  // --- Classification ----------------------------------------------------

  // Space-or-tab: U+0009, U+0020, U+00A0, U+3000.
  static bool IsSpaceTab(wchar_t c) { return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x3000; }
  // White space: space-or-tab, LF and CR.
  static bool IsWhiteSpace(wchar_t c) {
    return c == 0x20 || c == 0x09 || c == 0x0A || c == 0x0D || c == 0xA0 || c == 0x3000;
  }
  // Every character is white space; "" gives true.
  static bool IsWhiteSpaces(std::wstring_view str);
  // Every character is at most U+007F; "" gives true.
  static bool IsAscii(std::wstring_view str);
  // A letter / a letter or digit, as the platform classifies it.
  static bool IsAlpha(wchar_t c);
  static bool IsAlphaNumeric(wchar_t c);
  // Not empty, and every character is a letter.
  static bool IsAllAlpha(std::wstring_view value);
  static bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
  static bool IsOctalChar(wchar_t c) { return c >= L'0' && c <= L'7'; }
  static bool IsHexChar(wchar_t c) { return Rtl::IsHexDigit(c); }
  // Not empty, and every character is a hexadecimal digit (or white space
  // when acceptWhiteSpaces is set).
  static bool IsHex(std::wstring_view value, bool acceptWhiteSpaces = false);
  // U+D800-U+DFFF.
  static bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }
  static bool HasSurrogate(std::wstring_view value);
  // U+0000-U+0008, U+000B, U+000C, U+000E-U+001F (not TAB, LF or CR).
  static bool IsControlCharacter(wchar_t c) {
    return c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D;
  }
  static bool HasControlCharacters(std::wstring_view str);
  // The code of c minus the code of '0', unchecked.
  static int CharToInt(wchar_t c) { return static_cast<int>(c) - L'0'; }
  // str reads as a 32-bit signed integer: optional leading spaces, an
  // optional sign, then decimal digits, or hexadecimal digits after "$",
  // "x", "X", "0x" or "0X", and nothing else.
  static bool IsNumber(std::wstring_view str);
  // Not empty, and only digits, '.' and ','.
  static bool IsGenericFloat(std::wstring_view str);
  // Only digits and '.', with at least one '.' ("1.2.3" and "1." are).
  static bool IsVersionNumber(std::wstring_view value);
  // mask contains '*' or '?'.
  static bool IsMask(std::wstring_view mask);

  // --- Case --------------------------------------------------------------
  // Mapping is the platform's Unicode mapping of one code unit; the length
  // of a text never changes. A character is lower case when lower-casing
  // leaves it unchanged and upper case when upper-casing does, so digits and
  // punctuation are both.

  static wchar_t CharUpperCase(wchar_t c) {
    if (c < 0x80) return Rtl::AsciiUpper(c);
    return NonAsciiUpperCase(c);
  }
  static wchar_t CharLowerCase(wchar_t c) {
    if (c < 0x80) return Rtl::AsciiLower(c);
    return NonAsciiLowerCase(c);
  }
  static bool IsCharLowerCase(wchar_t c) { return CharLowerCase(c) == c; }
  static bool IsCharUpperCase(wchar_t c) { return CharUpperCase(c) == c; }
  // Lower case: upper-cased; else upper case: lower-cased; else unchanged.
  static wchar_t CharToggleCase(wchar_t c);
  static std::wstring ToggleCase(std::wstring_view str);
  // Not empty, and equal to its lower- / upper-cased form.
  static bool IsLowerCase(std::wstring_view str);
  static bool IsUpperCase(std::wstring_view str);
  // At least two characters, the first upper case, the second lower case.
  static bool IsCapital(std::wstring_view str);
  // The whole text lower-cased, then its first character upper-cased
  // ("hELLO wORLD" gives "Hello world"); "" stays "".
  static std::wstring MakeCapital(std::wstring_view str);
  // The first character lower-cased, the rest unchanged.
  static std::wstring MakeCamel(std::wstring_view str);

  // --- White space -------------------------------------------------------
  // White space is the full set of IsWhiteSpace. Removed parts are returned
  // in text order.

  // (str in/out) Removes the leading white space; returns it.
  static std::wstring DeleteWhiteSpaceLeft(std::wstring& str);
  // (str in/out) The same, removing at most count characters.
  static std::wstring DeleteWhiteSpaceLeftLim(std::wstring& str, int count);
  // (str in/out) Removes the trailing white space; returns it.
  static std::wstring DeleteWhiteSpaceRight(std::wstring& str);
  // (str, left, right in/out) Removes both; left and right receive the
  // removed parts; returns the trimmed text.
  static std::wstring DeleteWhiteSpace(std::wstring& str, std::wstring& left, std::wstring& right);
  // (str in/out) Removes both; returns the trimmed text.
  static std::wstring DeleteWhiteSpace(std::wstring& str);
  // A copy trimmed on both sides.
  static std::wstring GetWhiteSpaceDeletedValue(std::wstring_view str);
  static std::wstring RemoveWhiteSpace(std::wstring_view str);
  // Trimmed, then each white-space character that repeats the one before it
  // dropped (a run of one repeated character shrinks to one; space, TAB,
  // space are all kept).
  static std::wstring GetWhiteSpaceStrippedValue(std::wstring_view str);
  // Each white-space character becomes one space, except that nothing is
  // written while the output so far ends with a space; no trimming.
  static std::wstring NormalizeWhiteSpaces(std::wstring_view value);
  // (str in/out) Removes every white-space character; returns the result.
  static std::wstring DeleteAllWhiteSpaces(std::wstring& str);
  static std::wstring GetLeftWhiteSpaces(std::wstring_view str);
  static std::wstring GetRightWhiteSpaces(std::wstring_view str);
  // (str in/out) Removes every trailing trimChar; returns the result.
  static std::wstring TrimRight(std::wstring& str, wchar_t trimChar);

  // --- Searching and comparing -------------------------------------------

  // The first Unicode-insensitive occurrence of subStr in str at or after
  // offset; 0 if none or subStr is empty.
  static int PosIgnoreCase(std::wstring_view subStr, std::wstring_view str, int offset = 1);
  // The smallest position of any character of chars; 0 if none.
  static int IndexOfChars(std::wstring_view str, std::wstring_view chars);
  // The first of " \t\r\n" (U+00A0 and U+3000 are not searched).
  static int IndexOfWhiteSpaces(std::wstring_view str);
  // The first white-space character of the full set.
  static int IndexOfWhiteSpace(std::wstring_view str);
  static int CountChar(std::wstring_view str, wchar_t c);
  // Non-overlapping exact occurrences, left to right; 0 for "".
  static int Occurrences(std::wstring_view substring, std::wstring_view text);
  // The position of the last c; 0 if none.
  static int FindLast(std::wstring_view str, wchar_t c);
  // subStr occurs exactly at position 1; "" gives false.
  static bool Starts(std::wstring_view str, std::wstring_view subStr);
  // str ends with subStr, exactly or ASCII-insensitively; "" gives true.
  static bool EndsWith(std::wstring_view str, std::wstring_view subStr, bool ignoreCase = false);
  // CopyRight(str, length(right)) equals right, exactly / ASCII-insensitively.
  static bool IsRight(std::wstring_view str, std::wstring_view right);
  static bool IsRightIgnoreCase(std::wstring_view str, std::wstring_view right);
  // The first item equal to str ASCII-insensitively; -1.
  static int IndexOfIgnoreCase(std::wstring_view str, const Rtl::TStringList& strings);
  // The first item that contains str Unicode-insensitively; -1 (also for
  // an empty str, which PosIgnoreCase never finds).
  static int IndexOfIgnoreCasePartialMatch(std::wstring_view str, const Rtl::TStringList& strings);
  // str matches the file-name mask: '*' any run (also none), '?' one
  // character, [set] one character of the set ("[a-z]", "[!0-9]" negated),
  // anything else itself. ASCII letters match regardless of case; with
  // ignoreCase both sides are ASCII-lower-cased first. An invalid mask (more
  // than 30 '*', or a set that is empty, unterminated or starts a range with
  // '-') raises Rtl::Exception. Time is at most proportional to
  // length(mask) * length(str).
  static bool CompareMask(std::wstring_view mask, std::wstring_view str, bool ignoreCase = false);

  // --- Cutting text apart ------------------------------------------------

  // Substring(str, index, length(str)).
  static std::wstring Copy(std::wstring_view str, int index);
  // The last len characters; all of str when it is shorter.
  static std::wstring CopyRight(std::wstring_view str, int len);
  // Substring(str, 1, count).
  static std::wstring Left(std::wstring_view str, int count);
  // The last count characters; all of str when count is at least its length.
  static std::wstring Right(std::wstring_view str, int count);
  // The last character; NUL for "".
  static wchar_t GetLast(std::wstring_view str);
  // (str in/out) Returns Substring(str, first, count) and removes it from str.
  static std::wstring Take(std::wstring& str, int first, int count);
  // (str in/out) Take from the start / the end; a count of at least the
  // length takes everything.
  static std::wstring TakeLeft(std::wstring& str, int count);
  static std::wstring TakeRight(std::wstring& str, int count);
  // (str in/out) Drop count characters at the start / end; return the rest.
  static std::wstring DeleteLeft(std::wstring& str, int count);
  static std::wstring DeleteRight(std::wstring& str, int count);
  // (str in/out) Moves the characters before the first white space to the
  // result; with removeTrailingWhiteSpaces the white space that then starts
  // str goes too.
  static std::wstring TakeLeftUpToWhiteSpace(std::wstring& str, bool removeTrailingWhiteSpaces = false);
  // (str in/out) Cuts at the first exact occurrence of upToString: without
  // includeString the result is the text before it and str keeps it and the
  // rest; with includeString the result ends with it and str keeps what
  // follows. No occurrence (or "" to look for): all of str, str becomes "".
  static std::wstring TakeLeftString(std::wstring& str, std::wstring_view upToString, bool includeString = false);
  // (str in/out) The mirror image at the last occurrence of downToString:
  // without includeString the result is the text after it and str keeps the
  // text up to and including it; with includeString the result starts with
  // it and str keeps the text before it.
  static std::wstring TakeRightString(std::wstring& str, std::wstring_view downToString,
                                      bool includeString = false);
  // (str in/out) The text before the first occurrence of upToString; str
  // keeps the text after it (all of str and "" when there is none).
  static std::wstring ParseUpToChar(std::wstring& str, std::wstring_view upToString);
  // The text before the first character of limitChars; all of str if none.
  static std::wstring GetUpToChar(std::wstring_view str, std::wstring_view limitChars);
  // Scans back from position startAt (0: the last) for a character of
  // limitChars and returns the text after it up to and including startAt;
  // all of str when there is none.
  static std::wstring GetDownToChar(std::wstring_view str, std::wstring_view limitChars, int startAt = 0);
  // (str in/out) Moves characters from the start of str to the result up to
  // a character of limitChars (or the end); with includeChar that character
  // is removed from str too (it never goes into the result).
  static std::wstring TakeLeftUpToChar(std::wstring& str, std::wstring_view limitChars, bool includeChar = false);
  // (str in/out) The mirror image from the end; the result keeps text order.
  static std::wstring TakeRightDownToChar(std::wstring& str, std::wstring_view limitChars,
                                          bool includeChar = false);
  // (str in/out) Removes the leading digits and returns their decimal value
  // (0 without digits; wraps modulo 2^32, no overflow check).
  static int GetNumber(std::wstring& str);
  // The trailing number of name plus one: "Item" gives "Item1", "Item9"
  // "Item10", "Item009" "Item10", "" gives "1". Any number of digits.
  static std::wstring GetNextName(std::wstring_view name);
  // The code units in reverse order.
  static std::wstring MakeReverse(std::wstring_view str);

  // --- Replacing and removing --------------------------------------------

  // length(value) copies of replaceChar.
  static std::wstring ReplaceAll(std::wstring_view value, wchar_t replaceChar);
  // A copy with every existingChar replaced.
  static std::wstring ReplaceChar(std::wstring_view value, wchar_t existingChar, wchar_t replaceChar);
  // (str in/out) Replaces in place; returns the number of replacements.
  static int Replace(std::wstring& str, wchar_t existingChar, wchar_t replaceChar);
  // A copy with every existingChar replaced by the text replaceValue.
  static std::wstring ReplaceString(std::wstring_view value, wchar_t existingChar, std::wstring_view replaceValue);
  // A copy with every occurrence of existingValue (exact, or
  // Unicode-insensitive with ignoreCase) replaced, left to right; inserted
  // text is never searched again. "" to look for leaves value unchanged.
  static std::wstring ReplaceString(std::wstring_view value, std::wstring_view existingValue,
                                    std::wstring_view replaceValue, bool ignoreCase = false);
  // A copy without any removeChar.
  static std::wstring DeleteChar(std::wstring_view value, wchar_t removeChar);
  // (str in/out) Removes every removeChar; returns the result.
  static std::wstring Remove(std::wstring& str, wchar_t removeChar);
  // str, separator (when both texts are non-empty), appendStr.
  static std::wstring Append(std::wstring_view str, std::wstring_view appendStr, wchar_t separator);
  // " " + str + " ".
  static std::wstring AddSpaces(std::wstring_view str);

  // --- Quoting -----------------------------------------------------------

  // str between two quote characters, its inside as is; sqNone: str.
  static std::wstring Quote(std::wstring_view str, TStringQuote quote);
  // Every quote character doubled; sqNone: str.
  static std::wstring QuoteCode(std::wstring_view str, TStringQuote quote);
  // Every doubled quote character reduced to one; a single one stays.
  static std::wstring QuoteDecode(std::wstring_view str, TStringQuote quote);
  // Removes a leading and a trailing quote character, each if present;
  // sqNone: str.
  static std::wstring RemoveQuotes(std::wstring_view str, TStringQuote quote);
  // (quote out) When item starts and ends with the same character and it is
  // "'" or U+0022: removes the first character, then the last one if it is
  // that character, and reports the kind; otherwise item and sqNone.
  static std::wstring DeleteQuotes(std::wstring_view item, TStringQuote& quote);
  // DeleteQuotes without the report.
  static std::wstring RemoveQuotes(std::wstring_view item);

  // --- String lists ------------------------------------------------------

  // Frees the objects the list owns (borrowed ones are left alone), then
  // empties the list.
  static void ClearStrings(Rtl::TStringList& strings);
  // ClearStrings, then frees the list itself (strings becomes empty).
  static void FreeStrings(std::unique_ptr<Rtl::TStringList>& strings);
  // The items joined; the separator goes before an item only when the text
  // so far is not empty.
  static std::wstring StringsToString(const Rtl::TStringList& strings, wchar_t separator);
  // Empties strings, then adds each piece of value between separators (no
  // empty last piece; "" gives none); returns the new count.
  static int StringToStrings(std::wstring_view value, Rtl::TStringList& strings, wchar_t separator);

  // --- Escapes, new lines, hashing and scrambling ------------------------
  // (kept in their own section)

  // Escapes.

  // Control characters as "#" and two upper-case hexadecimal digits, "#" as
  // "##"; the text itself when it has neither.
  static std::wstring Encode(std::wstring_view str);
  // The inverse: "##" gives "#", "#" and two characters the character of
  // that code ("?" when they aren't hexadecimal); a final "#" is dropped.
  static std::wstring Decode(std::wstring_view str);
  // Percent-encoding of the UTF-8 bytes; letters, digits and !'()*-._~
  // stand for themselves.
  static std::wstring UrlEncode(std::wstring_view value, bool useLowerCase);
  // The inverse ("+" is not special). A "%" not followed by two hexadecimal
  // digits raises EConvertError; characters above U+007F that stand
  // unescaped count as their UTF-8 bytes.
  static std::wstring UrlDecode(std::wstring_view value);
  // The same on URL text held as raw bytes.
  static std::wstring UrlDecode(const Rtl::RawByteString& value);
  // C-style escapes of NUL, BEL, BS, TAB, LF, VT, FF, CR and the backslash,
  // and of the quote characters in `quotes`.
  static std::wstring CppEncode(std::wstring_view value, TStringQuotes quotes);
  // The inverse; an unknown escape keeps both characters.
  static std::wstring CppDecode(std::wstring_view value);
  // A backslash followed by "'" / by a double quote.
  static bool HasCppEncodedSingleQuote(std::wstring_view value);
  static bool HasCppEncodedDoubleQuote(std::wstring_view value);
  // CR, LF and TAB as "\r", "\n" and "\t"; nothing else is escaped.
  static std::wstring RegExEncode(std::wstring_view value);
  // NUL, TAB, LF and CR as their names in the brackets of `mark` ("<tab>").
  static std::wstring DisplayEncode(std::wstring_view value, TDisplayEncode mark);
  // The inverse; two opening brackets give one. Raises "Invalid string: %s"
  // for a code without its closing bracket and "Unknown code: <%s>" for a
  // name that isn't one of STRING_CODES_C (any case).
  static std::wstring DisplayDecode(std::wstring_view value, TDisplayEncode mark);
  // "&", "<", ">" and double quote as "&amp;", "&lt;", "&gt;", "&quot;".
  static std::wstring HtmlEncode(std::wstring_view value);
  // Those four entities (lower case) back; any other "&" is copied.
  static std::wstring HtmlDecode(std::wstring_view value);
  // Only "&" and "&amp;".
  static std::wstring AmpEncode(std::wstring_view value);
  static std::wstring AmpDecode(std::wstring_view value);

  // New lines.

  // The convention of the first new line in `str`; `Default` when it has none.
  static TNewLine GetNewLine(std::wstring_view str, TNewLine Default);
  // The characters of `newLine`; "Error Message" for a value out of range.
  static std::wstring NewLineToString(TNewLine newLine);
  // Every new line (CR LF, LF CR, a lone CR or LF) written as `newLine`.
  static std::wstring SetNewLines(std::wstring_view str, TNewLine newLine);
  // Only the new lines of convention `source` written as `target`.
  static std::wstring ChangeNewLines(std::wstring_view str, TNewLine source, TNewLine target);
  // Every CR and every LF replaced by `replaceChar`, one for one.
  static std::wstring ReplaceNewLines(std::wstring_view str, wchar_t replaceChar);
  // Every CR and LF removed.
  static std::wstring RemoveNewLines(std::wstring_view str);

  // Hashing and scrambling.

  // 32-bit FNV-1a of the UTF-16LE bytes of `s` (low byte of each code unit
  // first); "" gives FNV_OFFSET_BASIS_C.
  static std::uint32_t GetFNV1aHash(std::wstring_view s);
  // The UTF-8 bytes of `value` scrambled with a running key, as the ASCII
  // bytes of upper-case hexadecimal text (two per byte).
  static Rtl::TBytes Encrypt(std::wstring_view value);
  // Base64 text of Encrypt(value).
  static std::wstring EncryptToString(std::wstring_view value);
  // The inverse of Encrypt; a pair that isn't hexadecimal raises
  // EConvertError, an odd last character is ignored.
  static std::wstring Decrypt(const Rtl::TBytes& bytes);
  // Decrypt of the Base64-decoded `value`.
  static std::wstring Decrypt(std::wstring_view value);

private:
  static wchar_t NonAsciiUpperCase(wchar_t c);
  static wchar_t NonAsciiLowerCase(wchar_t c);
};

}  // namespace Qd
