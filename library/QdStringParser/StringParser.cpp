// TStringParser and TAnsiParser: fields cut at separator characters.
#include <limits>

#include "QdClasses/DateTime.h"
#include "QdString/String.h"
#include "QdString/UnicodeString.h"
#include "QdStringParser.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

// Positions are ints (1-based); a text too long for them can't be parsed.
template <class TString>
int EndPosition(const TString& value) {
  if (value.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max() - 2))
    throw Rtl::Exception(Rtl::SErrorMessage);
  return static_cast<int>(value.size()) + 1;
}

// The field of `text` that starts at the 0-based `start` (at most the
// text's length): up to the first separator or the end. `next` receives the
// start of the following field (one past the separator). Only the field is
// looked at, never the rest of the text.
template <class TChar>
std::basic_string_view<TChar> NextField(std::basic_string_view<TChar> text,
                                        std::basic_string_view<TChar> separators, std::size_t start,
                                        std::size_t& next) {
  std::size_t end;
  if (separators.size() == 1) end = text.find(separators[0], start);
  else end = text.find_first_of(separators, start);
  if (end == std::basic_string_view<TChar>::npos) end = text.size();
  next = end + 1;
  return text.substr(start, end - start);
}

// The rest of `value` from the 0-based `start`; "" when it lies past the end.
template <class TString>
TString RestFrom(const TString& value, int start) {
  if (start < 0 || static_cast<std::size_t>(start) >= value.size()) return TString();
  return value.substr(static_cast<std::size_t>(start));
}

}  // namespace

// --- TStringParser ---------------------------------------------------------

TStringParser::TStringParser(std::wstring value, std::wstring separators)
    : FSeparators(std::move(separators)) {
  SetValue(std::move(value));
}

bool TStringParser::Eol() const { return TParser::Eol() || FValue.empty(); }

void TStringParser::SetValue(std::wstring value) {
  FMaxPosition = EndPosition(value);
  FValue = std::move(value);
  FPosition = 1;
}

std::wstring TStringParser::GetString() {
  if (Eol()) return std::wstring();
  std::size_t next = 0;
  std::wstring field(NextField<wchar_t>(FValue, FSeparators, static_cast<std::size_t>(FPosition - 1), next));
  FPosition = static_cast<int>(next) + 1;
  if (FIgnoreWhiteSpaces) TUnicodeString::DeleteWhiteSpace(field);
  return field;
}

std::wstring TStringParser::GetStringDef(const std::wstring& defaultValue) {
  if (Eol()) return defaultValue;
  return GetString();
}

std::wstring TStringParser::GetWhiteStringRemovedString() {
  std::wstring field = GetString();
  TUnicodeString::DeleteWhiteSpace(field);
  return field;
}

int TStringParser::GetInteger() { return Rtl::StrToInt(GetString()); }

int TStringParser::GetIntegerDef(int defaultValue) {
  int result = 0;
  return Rtl::TryStrToInt(GetString(), result) ? result : defaultValue;
}

double TStringParser::GetFloat() { return TString::StringToFloat(GetString(), L'.'); }

Rtl::TDateTime TStringParser::GetDateTime() { return TQdDateTime::IsoToDateTime(GetString()); }

wchar_t TStringParser::PeekChar() const {
  if (Eol()) return L'\0';
  return FValue[static_cast<std::size_t>(FPosition - 1)];
}

wchar_t TStringParser::TakeChar() {
  if (Eol()) return L'\0';
  const wchar_t c = FValue[static_cast<std::size_t>(FPosition - 1)];
  ++FPosition;
  return c;
}

std::wstring TStringParser::GetRestValue() const { return RestFrom(FValue, FPosition - 1); }

std::wstring TStringParser::GetRestString() const {
  if (FPosition <= 1) return FValue;
  return RestFrom(FValue, FPosition - 2);
}

std::wstring TStringParser::GetFirstString(const std::wstring& value, wchar_t separator, int skipCount) {
  TStringParser parser(value, std::wstring(1, separator));
  for (int i = 0; i < skipCount && !parser.Eol(); ++i) parser.GetString();
  return parser.GetString();
}

int TStringParser::GetFirstInteger(const std::wstring& value, wchar_t separator, int Default) {
  TStringParser parser(value, std::wstring(1, separator));
  return parser.GetIntegerDef(Default);
}

int TStringParser::GetStrings(Rtl::TStringList& values, std::wstring_view value, wchar_t separator) {
  // The fields as a parser gives them, cut from a view of the text so that
  // it isn't copied first.
  const std::wstring_view separators(&separator, 1);
  int count = 0;
  std::size_t position = 0;
  while (position < value.size()) {
    std::size_t next = 0;
    values.Add(std::wstring(NextField<wchar_t>(value, separators, position, next)));
    position = next;
    ++count;
  }
  return count;
}

// --- TAnsiParser -----------------------------------------------------------

TAnsiParser::TAnsiParser(Rtl::RawByteString value, Rtl::RawByteString separators)
    : FSeparators(std::move(separators)) {
  SetValue(std::move(value));
}

bool TAnsiParser::Eol() const { return TParser::Eol() || FValue.empty(); }

void TAnsiParser::SetValue(Rtl::RawByteString value) {
  FMaxPosition = EndPosition(value);
  FValue = std::move(value);
  FPosition = 1;
}

Rtl::RawByteString TAnsiParser::GetString() {
  if (Eol()) {
    // At the end: an empty field, and the position still moves on.
    if (FPosition < std::numeric_limits<int>::max()) ++FPosition;
    return Rtl::RawByteString();
  }
  std::size_t next = 0;
  Rtl::RawByteString field(NextField<char>(FValue, FSeparators, static_cast<std::size_t>(FPosition - 1), next));
  FPosition = static_cast<int>(next) + 1;
  return field;
}

Rtl::RawByteString TAnsiParser::GetRestValue() const { return RestFrom(FValue, FPosition - 1); }

Rtl::RawByteString TAnsiParser::GetRestString() const {
  if (FPosition <= 1) return FValue;
  return RestFrom(FValue, FPosition - 2);
}

}  // namespace Qd
