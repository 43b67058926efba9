// TStringParser: fields, positions, the rest of the text, typed fields and
// the class-level helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "QdClasses/DateTime.h"
#include "QdStringParser.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/StringList.h"

using Qd::TStringParser;

namespace {

std::vector<std::wstring> AllFields(TStringParser& parser) {
  std::vector<std::wstring> fields;
  while (!parser.Eol()) fields.push_back(parser.GetString());
  return fields;
}

std::vector<std::wstring> Fields(const std::wstring& text, const std::wstring& separators) {
  TStringParser parser(text, separators);
  return AllFields(parser);
}

using TFields = std::vector<std::wstring>;

}  // namespace

TEST(StringParser, EmptyFieldsComeFromLeadingAndDoubledSeparatorsButNotFromATrailingOne) {
  EXPECT_EQ(Fields(L"a,b,,c", L","), (TFields{L"a", L"b", L"", L"c"}));
  EXPECT_EQ(Fields(L"a,", L","), (TFields{L"a"}));
  EXPECT_EQ(Fields(L",a", L","), (TFields{L"", L"a"}));
  EXPECT_EQ(Fields(L",", L","), (TFields{L""}));
  EXPECT_EQ(Fields(L",,", L","), (TFields{L"", L""}));
  EXPECT_EQ(Fields(L"abc", L","), (TFields{L"abc"}));
  EXPECT_EQ(Fields(L"abc", L""), (TFields{L"abc"}));  // no separators: one field
  // Every separator character ends a field on its own.
  EXPECT_EQ(Fields(L"a;,b", L",;"), (TFields{L"a", L"", L"b"}));
  EXPECT_EQ(Fields(L"zh_Hant-TW", L"_-"), (TFields{L"zh", L"Hant", L"TW"}));
}

TEST(StringParser, AnEmptyTextHasNoFieldAndNothingMovesAtTheEnd) {
  TStringParser parser(L"", L",");
  EXPECT_TRUE(parser.Eol());
  EXPECT_EQ(parser.GetString(), L"");
  EXPECT_EQ(parser.GetPosition(), 1);
  EXPECT_EQ(parser.GetStringDef(L"none"), L"none");
  EXPECT_EQ(parser.PeekChar(), L'\0');
  EXPECT_EQ(parser.TakeChar(), L'\0');
  EXPECT_EQ(parser.GetRestValue(), L"");
  EXPECT_EQ(parser.GetRestString(), L"");

  parser.SetValue(L"a,");
  EXPECT_FALSE(parser.Eol());
  EXPECT_EQ(parser.GetStringDef(L"none"), L"a");
  EXPECT_TRUE(parser.Eol());
  EXPECT_EQ(parser.GetPosition(), 3);
  EXPECT_EQ(parser.GetString(), L"");
  EXPECT_EQ(parser.GetPosition(), 3);
  EXPECT_EQ(parser.GetStringDef(L"none"), L"none");
  EXPECT_EQ(parser.GetRestValue(), L"");
  EXPECT_EQ(parser.GetRestString(), L",");
}

TEST(StringParser, RestValueAndRestStringFollowThePosition) {
  TStringParser parser(L"zh_Hant-TW", L"_-");
  EXPECT_EQ(parser.GetRestValue(), L"zh_Hant-TW");
  EXPECT_EQ(parser.GetRestString(), L"zh_Hant-TW");  // nothing read yet: the whole text
  EXPECT_EQ(parser.GetString(), L"zh");
  EXPECT_EQ(parser.GetRestValue(), L"Hant-TW");
  EXPECT_EQ(parser.GetRestString(), L"_Hant-TW");
  EXPECT_EQ(parser.GetString(), L"Hant");
  EXPECT_EQ(parser.GetRestValue(), L"TW");
  EXPECT_EQ(parser.GetRestString(), L"-TW");
  EXPECT_EQ(parser.GetString(), L"TW");
  EXPECT_TRUE(parser.Eol());
  EXPECT_EQ(parser.GetRestValue(), L"");
  EXPECT_EQ(parser.GetRestString(), L"");  // the last field ended at the end, not at a separator
  // A new value starts again.
  parser.SetValue(L"x-y");
  EXPECT_EQ(parser.GetPosition(), 1);
  EXPECT_EQ(parser.GetRestString(), L"x-y");
}

TEST(StringParser, PeekAndTakeReadSingleCharacters) {
  TStringParser parser(L"ab,c", L",");
  EXPECT_EQ(parser.PeekChar(), L'a');
  EXPECT_EQ(parser.PeekChar(), L'a');
  EXPECT_EQ(parser.TakeChar(), L'a');
  EXPECT_EQ(parser.GetPosition(), 2);
  EXPECT_EQ(parser.GetString(), L"b");
  EXPECT_EQ(parser.TakeChar(), L'c');
  EXPECT_TRUE(parser.Eol());
  EXPECT_EQ(parser.TakeChar(), L'\0');
  EXPECT_EQ(parser.GetPosition(), 5);
}

TEST(StringParser, WhiteSpaceIsRemovedFromFieldsOnlyWhenAskedFor) {
  TStringParser parser(L"a , b", L",");
  EXPECT_FALSE(parser.GetIgnoreWhiteSpaces());
  EXPECT_EQ(AllFields(parser), (TFields{L"a ", L" b"}));

  parser.SetValue(L"a , b");
  parser.SetIgnoreWhiteSpaces(true);
  EXPECT_TRUE(parser.GetIgnoreWhiteSpaces());
  EXPECT_EQ(AllFields(parser), (TFields{L"a", L"b"}));

  parser.SetValue(L" \t x \u3000,\r\n, y");
  EXPECT_EQ(AllFields(parser), (TFields{L"x", L"", L"y"}));

  // The option stays off for GetWhiteStringRemovedString, which trims anyway.
  TStringParser plain(L"  p  ;q", L";");
  EXPECT_EQ(plain.GetWhiteStringRemovedString(), L"p");
  EXPECT_EQ(plain.GetWhiteStringRemovedString(), L"q");
}

TEST(StringParser, IntegerFieldsRaiseOrFallBackToTheDefault) {
  TStringParser parser(L"12,-7,x,,99", L",");
  EXPECT_EQ(parser.GetInteger(), 12);
  EXPECT_EQ(parser.GetInteger(), -7);
  EXPECT_THROW(parser.GetInteger(), Rtl::EConvertError);
  EXPECT_EQ(parser.GetPosition(), 9);  // the bad field is consumed
  EXPECT_THROW(parser.GetInteger(), Rtl::EConvertError);  // empty field
  EXPECT_EQ(parser.GetInteger(), 99);
  EXPECT_THROW(parser.GetInteger(), Rtl::EConvertError);  // at the end: ""

  TStringParser defaults(L"5;five;", L";");
  EXPECT_EQ(defaults.GetIntegerDef(-1), 5);
  EXPECT_EQ(defaults.GetIntegerDef(-1), -1);
  EXPECT_EQ(defaults.GetIntegerDef(-2), -2);

  // With the white-space option, spaces around a number don't matter.
  TStringParser spaced(L" 42 ;x", L";");
  spaced.SetIgnoreWhiteSpaces(true);
  EXPECT_EQ(spaced.GetInteger(), 42);
}

TEST(StringParser, FloatAndDateTimeFields) {
  TStringParser parser(L"1.5;-0.25;1e3;abc;2024-02-29T13:45:30;20011231T000000", L";");
  EXPECT_DOUBLE_EQ(parser.GetFloat(), 1.5);
  EXPECT_DOUBLE_EQ(parser.GetFloat(), -0.25);
  EXPECT_DOUBLE_EQ(parser.GetFloat(), 1000.0);
  EXPECT_DOUBLE_EQ(parser.GetFloat(), 0.0);  // not a number
  EXPECT_DOUBLE_EQ(parser.GetDateTime(), Qd::TQdDateTime::IsoToDateTime(L"2024-02-29T13:45:30"));
  const Rtl::TDateTime date = parser.GetDateTime();  // the compact form
  EXPECT_DOUBLE_EQ(date, Qd::TQdDateTime::IsoToDateTime(L"2001-12-31T00:00:00"));
  EXPECT_NE(date, 0.0);
  EXPECT_TRUE(parser.Eol());

  // The decimal separator is "." whatever the locale says; "," cuts fields.
  TStringParser comma(L"2,5", L";");
  EXPECT_DOUBLE_EQ(comma.GetFloat(), 0.0);
}

TEST(StringParser, ClassLevelHelpers) {
  EXPECT_EQ(TStringParser::GetFirstString(L"x;y;z", L';'), L"x");
  EXPECT_EQ(TStringParser::GetFirstString(L"x;y;z", L';', 1), L"y");
  EXPECT_EQ(TStringParser::GetFirstString(L"x;y;z", L';', 2), L"z");
  EXPECT_EQ(TStringParser::GetFirstString(L"x;y;z", L';', 3), L"");
  EXPECT_EQ(TStringParser::GetFirstString(L"x;y;z", L';', 100), L"");
  EXPECT_EQ(TStringParser::GetFirstString(L"", L';'), L"");
  EXPECT_EQ(TStringParser::GetFirstString(L";y", L';'), L"");

  EXPECT_EQ(TStringParser::GetFirstInteger(L"17-3", L'-', 0), 17);
  EXPECT_EQ(TStringParser::GetFirstInteger(L"x-3", L'-', -9), -9);
  EXPECT_EQ(TStringParser::GetFirstInteger(L"", L'-', 4), 4);

  Rtl::TStringList values;
  EXPECT_EQ(TStringParser::GetStrings(values, L"", L','), 0);
  EXPECT_EQ(values.Count(), 0);
  values.Add(L"kept");
  EXPECT_EQ(TStringParser::GetStrings(values, L"a,,b,", L','), 3);  // appends, doesn't clear
  ASSERT_EQ(values.Count(), 4);
  EXPECT_EQ(values[0], L"kept");
  EXPECT_EQ(values[1], L"a");
  EXPECT_EQ(values[2], L"");
  EXPECT_EQ(values[3], L"b");
  EXPECT_EQ(TStringParser::GetStrings(values, L",", L','), 1);
  EXPECT_EQ(values[4], L"");
}

// Generated texts over a small alphabet with two separators: the fields,
// each followed by the separator that ended it, give the text back; the
// parser reaches Eol after at most length + 1 reads; GetStrings agrees.
TEST(StringParser, FieldsAndTheirSeparatorsGiveTheTextBack) {
  std::uint32_t seed = 20240229;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const wchar_t alphabet[] = {L'a', L'b', L' ', L';', L',', L'\u00E9'};
  for (int round = 0; round < 3000; ++round) {
    std::wstring text;
    const std::size_t length = next() % 12;
    for (std::size_t i = 0; i < length; ++i) text.push_back(alphabet[next() % std::size(alphabet)]);

    TStringParser parser(text, L";,");
    std::wstring joined;
    std::vector<std::wstring> fields;
    std::size_t reads = 0;
    while (!parser.Eol()) {
      ASSERT_LE(reads, text.size()) << "text: " << testing::PrintToString(text);
      fields.push_back(parser.GetString());
      ++reads;
      joined += fields.back();
      const std::size_t separator = static_cast<std::size_t>(parser.GetPosition()) - 2;
      if (separator < text.size()) {
        ASSERT_TRUE(text[separator] == L';' || text[separator] == L',');
        joined += text[separator];
      }
    }
    EXPECT_EQ(joined, text);
    std::size_t separators = 0;
    for (wchar_t c : text) separators += (c == L';' || c == L',') ? 1 : 0;
    const bool trailing = !text.empty() && (text.back() == L';' || text.back() == L',');
    EXPECT_EQ(fields.size(), text.empty() ? 0 : separators + 1 - (trailing ? 1 : 0));

    // GetStrings cuts a one-separator text the same way.
    std::wstring semicolons = text;
    for (wchar_t& c : semicolons)
      if (c == L',') c = L';';
    Rtl::TStringList list;
    ASSERT_EQ(TStringParser::GetStrings(list, semicolons, L';'), static_cast<int>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(list[static_cast<int>(i)], fields[i]);
  }
}
