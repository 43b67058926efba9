// Unit QdStringParser: small tokenisers that cut text into fields.
//
// TStringParser walks a UTF-16 text field by field, where a field ends at any
// one character of a set of separators; TAnsiParser does the same over 8-bit
// text. TSetParser converts between a set of enumeration members and its
// text form "[name,name]", its bytes and its integer form.
//
//   TStringParser parser(L"zh_Hant-TW", L"_-");
//   while (!parser.Eol()) use(parser.GetString());   // zh, Hant, TW
//
// Fields: two separators in a row give an empty field, a leading separator an
// empty first field; a separator at the very end gives no empty last field.
// There is no quoting. Cutting a text costs time in proportion to its length.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Core/DateTime.h"
#include "runtime/Core/Object.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStringList;
}

namespace Qd {

// What both string parsers share: the position (1-based index of the next
// unread character) and the end (the text's length + 1).
class TParser : public Rtl::TObject {
public:
  // No further field: the position has reached the end.
  virtual bool Eol() const { return FPosition >= FMaxPosition; }

  bool GetIgnoreWhiteSpaces() const { return FIgnoreWhiteSpaces; }
  void SetIgnoreWhiteSpaces(bool value) { FIgnoreWhiteSpaces = value; }
  int GetPosition() const { return FPosition; }

protected:
  bool FIgnoreWhiteSpaces = false;
  int FMaxPosition = 1;
  int FPosition = 1;
};

class TStringParser : public TParser {
public:
  explicit TStringParser(std::wstring value = {}, std::wstring separators = {});

  // Also an empty text has no field.
  bool Eol() const override;

  const std::wstring& GetValue() const { return FValue; }
  // Stores the text and starts again at its first character.
  void SetValue(std::wstring value);
  const std::wstring& GetSeparators() const { return FSeparators; }
  void SetSeparators(std::wstring value) { FSeparators = std::move(value); }

  // The next field ("" at Eol, where nothing moves); the position moves past
  // the field and the separator that ended it. With IgnoreWhiteSpaces the
  // field comes without leading and trailing white space.
  std::wstring GetString();
  // `defaultValue` at Eol, else GetString.
  std::wstring GetStringDef(const std::wstring& defaultValue);
  // GetString without leading and trailing white space.
  std::wstring GetWhiteStringRemovedString();
  // The next field as a decimal integer; Rtl::EConvertError when it is none.
  int GetInteger();
  int GetIntegerDef(int defaultValue);
  // The next field as a number with "." as decimal separator (0 for bad text).
  double GetFloat();
  // The next field as an ISO date-time.
  Rtl::TDateTime GetDateTime();
  // The character at the position; character 0 at Eol.
  wchar_t PeekChar() const;
  // The same, and the position moves on by one (not at Eol).
  wchar_t TakeChar();

  // The text from the position to the end.
  std::wstring GetRestValue() const;
  // The whole text while nothing has been read; else the text from the
  // character before the position (the separator that ended the last
  // field) to the end.
  std::wstring GetRestString() const;

  // Skips `skipCount` fields of `value` cut at `separator` and returns the
  // next one ("" when there is none).
  static std::wstring GetFirstString(const std::wstring& value, wchar_t separator, int skipCount = 0);
  // The first field as a decimal integer, or `Default`.
  static int GetFirstInteger(const std::wstring& value, wchar_t separator, int Default);
  // Appends every field of `value` to `values` (which it doesn't clear);
  // returns how many it appended.
  static int GetStrings(Rtl::TStringList& values, std::wstring_view value, wchar_t separator);

private:
  std::wstring FSeparators;
  std::wstring FValue;
};

// TStringParser over 8-bit text, without the white-space option. At the end
// of the text GetString returns "" and still moves the position on by one.
class TAnsiParser : public TParser {
public:
  explicit TAnsiParser(Rtl::RawByteString value = {}, Rtl::RawByteString separators = {});

  bool Eol() const override;

  const Rtl::RawByteString& GetValue() const { return FValue; }
  void SetValue(Rtl::RawByteString value);
  const Rtl::RawByteString& GetSeparators() const { return FSeparators; }
  void SetSeparators(Rtl::RawByteString value) { FSeparators = std::move(value); }

  Rtl::RawByteString GetString();
  Rtl::RawByteString GetRestValue() const;
  Rtl::RawByteString GetRestString() const;

private:
  Rtl::RawByteString FSeparators;
  Rtl::RawByteString FValue;
};

// A set of enumeration members as a list of their values, in the order they
// were added; the text form is "[" names joined by "," "]".
//
// The class-level forms work on a set's bytes: bit e (byte e div 8, bit
// e mod 8) stands for the member of value e, also in the set of a subrange.
// A set holds at most 32 bytes; a `size` outside 0..32 (for the integer
// forms 0..4) raises Rtl::Exception "Error Message". Members whose value lies
// beyond the `size` bytes are dropped.
class TSetParser : public Rtl::TObject {
public:
  explicit TSetParser(const Rtl::TEnumInfo& typeInfo) : FTypeInfo(&typeInfo) {}

  void Add(int item) { FItems.push_back(item); }
  void Clear() { FItems.clear(); }
  int GetCount() const { return static_cast<int>(FItems.size()); }
  // The i-th value; Rtl::EListError for an index out of range.
  int GetItems(int index) const;
  const Rtl::TEnumInfo& GetTypeInfo() const { return *FTypeInfo; }

  // "[red,blue]"; "[]" when empty.
  std::wstring GetText() const;
  // Clears the list and reads member names separated by any mix of ",", ";"
  // and spaces, brackets optional; names of no member are skipped.
  void SetText(const std::wstring& value);

  static std::wstring SetToStr(const void* value, int size, const Rtl::TSetInfo& typeInfo);
  // Leaves `value` as it was when reading fails.
  static void StrToSet(void* value, int size, const std::wstring& str, const Rtl::TSetInfo& typeInfo);
  // The `size` bytes as an unsigned little-endian integer (size 0..4).
  static std::uint32_t SetToInteger(const void* value, int size);
  // Stores the low `size` bytes of `value` (size 0..4).
  static void IntegerToSet(void* value, int size, std::uint32_t integer);
  static Rtl::TBytes SetToBytes(const void* value, int size);
  // `bytes` must hold at least `size` bytes.
  static void BytesToSet(void* value, int size, const Rtl::TBytes& bytes);

  // The typed forms; the set's description defaults to the one declared with
  // RTL_SET_INFO (a set of a subrange passes its own).
  template <class E, int High>
  static std::wstring SetToStr(const Rtl::TSet<E, High>& value) {
    return SetToStr(value, Rtl::TypeInfo<Rtl::TSet<E, High>>());
  }
  template <class E, int High>
  static std::wstring SetToStr(const Rtl::TSet<E, High>& value, const Rtl::TSetInfo& typeInfo) {
    return SetToStr(value.Data(), Rtl::TSet<E, High>::Size, typeInfo);
  }
  template <class TSetType>
  static TSetType StrToSet(const std::wstring& str) {
    return StrToSet<TSetType>(str, Rtl::TypeInfo<TSetType>());
  }
  template <class TSetType>
  static TSetType StrToSet(const std::wstring& str, const Rtl::TSetInfo& typeInfo) {
    TSetType result;
    StrToSet(result.Data(), TSetType::Size, str, typeInfo);
    return result;
  }
  template <class E, int High>
  static std::uint32_t SetToInteger(const Rtl::TSet<E, High>& value) {
    return SetToInteger(value.Data(), Rtl::TSet<E, High>::Size);
  }
  template <class TSetType>
  static TSetType IntegerToSet(std::uint32_t integer) {
    TSetType result;
    IntegerToSet(result.Data(), TSetType::Size, integer);
    return result;
  }
  template <class E, int High>
  static Rtl::TBytes SetToBytes(const Rtl::TSet<E, High>& value) {
    return SetToBytes(value.Data(), Rtl::TSet<E, High>::Size);
  }
  template <class TSetType>
  static TSetType BytesToSet(const Rtl::TBytes& bytes) {
    TSetType result;
    BytesToSet(result.Data(), TSetType::Size, bytes);
    return result;
  }

private:
  std::vector<int> FItems;
  const Rtl::TEnumInfo* FTypeInfo;
};

}  // namespace Qd
