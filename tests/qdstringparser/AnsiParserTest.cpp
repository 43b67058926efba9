// TAnsiParser: the fields of 8-bit text, and a position that moves on past
// the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QdStringParser.h"

using Qd::TAnsiParser;

namespace {

std::vector<std::string> Fields(const std::string& text, const std::string& separators) {
  TAnsiParser parser(text, separators);
  std::vector<std::string> fields;
  while (!parser.Eol()) fields.push_back(parser.GetString());
  return fields;
}

using TFields = std::vector<std::string>;

}  // namespace

TEST(AnsiParser, FieldsAsInTheStringParser) {
  EXPECT_EQ(Fields("a,b,,c", ","), (TFields{"a", "b", "", "c"}));
  EXPECT_EQ(Fields("a,", ","), (TFields{"a"}));
  EXPECT_EQ(Fields(",a", ","), (TFields{"", "a"}));
  EXPECT_EQ(Fields("", ","), (TFields{}));
  EXPECT_EQ(Fields("zh_Hant-TW", "_-"), (TFields{"zh", "Hant", "TW"}));
  // Bytes above 127 are characters like any other, separators included.
  EXPECT_EQ(Fields("\xE4\xFF\xB5x\xFF", "\xFF"), (TFields{"\xE4", "\xB5x"}));
  // Spaces stay: there is no white-space option.
  EXPECT_EQ(Fields(" a , b ", ","), (TFields{" a ", " b "}));
}

TEST(AnsiParser, RestValueAndRestStringFollowThePosition) {
  TAnsiParser parser("zh_Hant-TW", "_-");
  EXPECT_EQ(parser.GetRestString(), "zh_Hant-TW");
  EXPECT_EQ(parser.GetString(), "zh");
  EXPECT_EQ(parser.GetRestValue(), "Hant-TW");
  EXPECT_EQ(parser.GetRestString(), "_Hant-TW");
  EXPECT_EQ(parser.GetValue(), "zh_Hant-TW");
  EXPECT_EQ(parser.GetSeparators(), "_-");
}

TEST(AnsiParser, AtTheEndAnEmptyFieldAndThePositionStillMovesOn) {
  TAnsiParser parser("ab;", ";");
  EXPECT_EQ(parser.GetString(), "ab");
  EXPECT_EQ(parser.GetPosition(), 4);
  EXPECT_TRUE(parser.Eol());
  EXPECT_EQ(parser.GetRestValue(), "");
  EXPECT_EQ(parser.GetRestString(), ";");
  EXPECT_EQ(parser.GetString(), "");
  EXPECT_EQ(parser.GetPosition(), 5);
  // The position is now past the end: the rest views are empty, never a
  // read past the text.
  EXPECT_EQ(parser.GetRestValue(), "");
  EXPECT_EQ(parser.GetRestString(), "");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(parser.GetString(), "");
  EXPECT_EQ(parser.GetPosition(), 10);
  EXPECT_EQ(parser.GetRestValue(), "");
  EXPECT_EQ(parser.GetRestString(), "");

  TAnsiParser empty("", ";");
  EXPECT_TRUE(empty.Eol());
  EXPECT_EQ(empty.GetString(), "");
  EXPECT_EQ(empty.GetPosition(), 2);
  EXPECT_EQ(empty.GetRestValue(), "");
  EXPECT_EQ(empty.GetRestString(), "");

  // A new value starts again at the first character.
  parser.SetValue("x;y");
  EXPECT_EQ(parser.GetPosition(), 1);
  EXPECT_EQ(parser.GetString(), "x");
  EXPECT_EQ(parser.GetString(), "y");
  EXPECT_TRUE(parser.Eol());
}
