// The form text converter and the binary form-stream reader: a round trip
// of a small form through both, the reader against hand-made streams, and
// clear errors (never a crash) for bad text and broken streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Core/Exceptions.h"
#include "runtime/Toolkit/FormStream.h"
#include "TestSupport.h"
#include "tools/FormText.h"

namespace {

using Rtl::TFormObject;
using Rtl::TFormValue;
using Bytes = std::vector<std::uint8_t>;

const TFormValue& Prop(const TFormObject& object, const wchar_t* name) {
  const Rtl::TFormProperty* property = object.FindProperty(name);
  if (property == nullptr) throw std::runtime_error("no property " + TestSupport::Narrow(name));
  return property->Value;
}

// The message of the EReadError that reading `stream` raises ("" if none).
std::string ReadError(const Bytes& stream) {
  try {
    Rtl::ReadFormStream(stream);
  } catch (const Rtl::EReadError& e) {
    return TestSupport::Narrow(e.Message());
  }
  return "";
}

int TextErrorLine(const std::string& text, std::string* message = nullptr) {
  try {
    FormTools::ConvertFormText(text);
  } catch (const FormTools::EFormTextError& e) {
    if (message != nullptr) *message = e.Message();
    return e.Line();
  }
  return 0;
}

const char* const SMALL_FORM_C =
    "\xEF\xBB\xBF"  // a byte-order mark is allowed
    "// comments run to the end of the line\n"
    "object Main: TTestForm\n"
    "  Tiny = -128\n"
    "  Small = 32767\n"
    "  Medium = -2147483648\n"
    "  Large = 4294967296\n"
    "  Lowest = -9223372036854775808\n"
    "  Hex = $FF00000F\n"
    "  Caption = 'It''s done'#13#10 +\n"
    "    'second line'\n"
    "  Accent = 'Gr\xC3\xBC\xC3\x9F" "e'#$20AC#128512\n"
    "  Empty = ''\n"
    "  Color = clBtnFace\n"
    "  Font.Name = 'Tahoma'\n"
    "  Yes = TRUE\n"
    "  No = false\n"
    "  Nothing = nil\n"
    "  Style = [fsBold, fsItalic]\n"
    "  NoStyle = []\n"
    "  Items = (\n"
    "    'one'\n"
    "    2\n"
    "    (ident [a]))\n"
    "  Data = {00 ff7F\n 10}\n"
    "  object Child: TChild\n"
    "    Left = 8\n"
    "    object TGrandChild\n"
    "    end\n"
    "  end\n"
    "  inherited Base: TBase [3]\n"
    "  end\n"
    "  inline Frame: TFrame\n"
    "  end\n"
    "end\n";

TEST(FormText, SmallFormRoundTripsThroughTheReader) {
  const Bytes stream = FormTools::ConvertFormText(SMALL_FORM_C);
  ASSERT_TRUE(Rtl::IsFormStream(stream));
  const TFormObject root = Rtl::ReadFormStream(stream);
  EXPECT_EQ(root.ClassName, L"TTestForm");
  EXPECT_EQ(root.Name, L"Main");
  EXPECT_EQ(root.Flags, 0);

  EXPECT_EQ(Prop(root, L"Tiny").AsInteger(), -128);
  EXPECT_EQ(Prop(root, L"Small").AsInteger(), 32767);
  EXPECT_EQ(Prop(root, L"Medium").AsInteger(), -2147483648LL);
  EXPECT_EQ(Prop(root, L"Large").AsInteger(), 4294967296LL);
  EXPECT_EQ(Prop(root, L"Lowest").AsInteger(), INT64_MIN);
  EXPECT_EQ(Prop(root, L"Hex").AsInteger(), 0xFF00000FLL);
  EXPECT_EQ(Prop(root, L"Caption").AsString(), L"It's done\r\nsecond line");
  EXPECT_EQ(Prop(root, L"Accent").AsString(), L"Gr\u00FC\u00DFe\u20AC\U0001F600");
  EXPECT_EQ(Prop(root, L"Empty").AsString(), L"");
  EXPECT_EQ(Prop(root, L"Color").AsIdent(), L"clBtnFace");
  EXPECT_EQ(Prop(root, L"font.name").AsString(), L"Tahoma");  // names ignore ASCII case
  EXPECT_TRUE(Prop(root, L"Yes").AsBoolean());
  EXPECT_FALSE(Prop(root, L"No").AsBoolean());
  EXPECT_EQ(Prop(root, L"Nothing").Kind, TFormValue::fkNil);
  EXPECT_EQ(Prop(root, L"Style").AsSet(), (std::vector<std::wstring>{L"fsBold", L"fsItalic"}));
  EXPECT_TRUE(Prop(root, L"NoStyle").AsSet().empty());
  const auto& items = Prop(root, L"Items").AsList();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].AsString(), L"one");
  EXPECT_EQ(items[1].AsInteger(), 2);
  ASSERT_EQ(items[2].AsList().size(), 2u);
  EXPECT_EQ(items[2].AsList()[0].AsIdent(), L"ident");
  EXPECT_EQ(items[2].AsList()[1].AsSet(), std::vector<std::wstring>{L"a"});
  EXPECT_EQ(Prop(root, L"Data").Bytes, (Rtl::TBytes{0x00, 0xFF, 0x7F, 0x10}));
  // A value read as another kind is refused.
  EXPECT_THROW(Prop(root, L"Caption").AsInteger(), Rtl::EReadError);
  EXPECT_THROW(Prop(root, L"Tiny").AsString(), Rtl::EReadError);

  ASSERT_EQ(root.Children.size(), 3u);
  const TFormObject& child = root.Children[0];
  EXPECT_EQ(child.Name, L"Child");
  EXPECT_EQ(Prop(child, L"Left").AsInteger(), 8);
  ASSERT_EQ(child.Children.size(), 1u);
  EXPECT_EQ(child.Children[0].ClassName, L"TGrandChild");
  EXPECT_EQ(child.Children[0].Name, L"");
  EXPECT_EQ(root.Children[1].Flags, Rtl::ffInherited | Rtl::ffChildPos);
  EXPECT_EQ(root.Children[1].ChildPos, 3);
  EXPECT_EQ(root.Children[2].Flags, Rtl::ffInline);
}

// What other readers of the classic format rely on: the smallest integer
// width, single-byte text for ASCII and UTF-16 for anything else.
TEST(FormText, WritesTheClassicBinaryLayout) {
  const Bytes stream = FormTools::ConvertFormText(
      "object A: TA\n B = 127\n C = 128\n D = 'x'\n E = '\xC3\xA9'\n F = Id\n end\n");
  const Bytes expected = {
      'T', 'P', 'F', '0', 2, 'T', 'A', 1, 'A',
      1, 'B', Rtl::vaInt8, 127,
      1, 'C', Rtl::vaInt16, 128, 0,
      1, 'D', Rtl::vaString, 1, 'x',
      1, 'E', Rtl::vaWString, 1, 0, 0, 0, 0xE9, 0,
      1, 'F', Rtl::vaIdent, 2, 'I', 'd',
      0,  // end of the properties
      0,  // end of the children
  };
  EXPECT_EQ(stream, expected);
  // ASCII text longer than 255 characters needs a 32-bit length.
  const Bytes longText = FormTools::ConvertFormText("object A: TA\n B = '" + std::string(300, 'x') + "'\nend");
  EXPECT_EQ(longText[11], Rtl::vaLString);
  EXPECT_EQ(Prop(Rtl::ReadFormStream(longText), L"B").AsString(), std::wstring(300, L'x'));
}

// Streams written by other tools use the kinds our converter doesn't write.
TEST(FormStream, ReadsWhatOtherWritersUse) {
  const Bytes stream = {
      'T', 'P', 'F', '0',
      0xF2, Rtl::vaInt8, 5,  // flags: child position 5
      1, 'X', 0,             // class X, no name
      1, 'U', Rtl::vaUTF8String, 2, 0, 0, 0, 0xC3, 0xA4,
      1, 'L', Rtl::vaLString, 3, 0, 0, 0, 'a', 'b', 'c',
      1, 'N', Rtl::vaInt32, 0xFF, 0xFF, 0xFF, 0xFF,
      1, 'W', Rtl::vaInt64, 0, 0, 0, 0, 0, 0, 0, 0x80,
      0, 0,
      'a', 'f', 't', 'e', 'r',  // ignored
  };
  const TFormObject root = Rtl::ReadFormStream(stream);
  EXPECT_EQ(root.ClassName, L"X");
  EXPECT_EQ(root.ChildPos, 5);
  EXPECT_EQ(Prop(root, L"U").AsString(), L"\u00E4");
  EXPECT_EQ(Prop(root, L"L").AsString(), L"abc");
  EXPECT_EQ(Prop(root, L"N").AsInteger(), -1);
  EXPECT_EQ(Prop(root, L"W").AsInteger(), INT64_MIN);
  // And through a stream, from its position.
  Rtl::TBytesStream memory(Rtl::TBytes(stream.begin(), stream.end()));
  EXPECT_EQ(Rtl::ReadFormStream(memory).ClassName, L"X");
}

TEST(FormText, BadTextNamesTheLine) {
  std::string message;
  EXPECT_EQ(TextErrorLine("object A: TA\n  Left 8\nend", &message), 2);
  EXPECT_EQ(message, "'=' expected but '8' found");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Caption = 'open\nend", &message), 2);
  EXPECT_EQ(message, "unterminated string");
  EXPECT_EQ(TextErrorLine("object A: TA\n\n  Caption = '\xC3('\nend", &message), 3);
  EXPECT_EQ(message, "invalid UTF-8 in a string");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Left = 9223372036854775808\nend", &message), 2);
  EXPECT_EQ(message, "integer 9223372036854775808 is out of range");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Left = 1.5\nend", &message), 2);
  EXPECT_EQ(message, "floating-point values are not supported");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Items = <\n  >\nend", &message), 2);
  EXPECT_EQ(message, "collections are not supported");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Data = {0A1}\nend", &message), 2);
  EXPECT_EQ(message, "binary data with an odd number of digits");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Left = 1\n", &message), 3);
  EXPECT_EQ(message, "'end' expected but the end of the text found");
  EXPECT_EQ(TextErrorLine("object A: TA\nend\nobject B: TB\nend", &message), 3);
  EXPECT_EQ(message, "text after the end of the form: 'object'");
  EXPECT_EQ(TextErrorLine("form A: TA\nend", &message), 1);
  EXPECT_EQ(message, "'object' expected but 'form' found");
  EXPECT_EQ(TextErrorLine("", &message), 1);
  EXPECT_EQ(TextErrorLine("object A: TA\n  Caption = 'a' +\nend", &message), 3);
  EXPECT_EQ(message, "a string expected after '+' but 'end' found");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Set = [a b]\nend", &message), 2);
  EXPECT_EQ(message, "']' expected but 'b' found");
  EXPECT_EQ(TextErrorLine("object A: TA\n  Ch = #1114112\nend", &message), 2);
  EXPECT_EQ(message, "character code out of range");
  EXPECT_EQ(TextErrorLine("object A: TA\n  X = Font.Name\nend", &message), 2);
  EXPECT_EQ(message, "invalid identifier 'Font.Name'");
  EXPECT_EQ(TextErrorLine("object A: TA\n  X = ;\nend", &message), 2);
  EXPECT_EQ(message, "unexpected character ';'");
  // Nesting that the reader refuses is refused here too, never recursed into.
  EXPECT_EQ(TextErrorLine("object A: TA\n  L = " + std::string(100000, '(') + "\nend", &message), 2);
  EXPECT_EQ(message, "lists nested too deep");
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "object A: TA\n";
  EXPECT_EQ(TextErrorLine(objects, &message), Rtl::FORM_MAX_DEPTH_C + 1);
  EXPECT_EQ(message, "objects nested too deep");
  std::string deepest;
  for (int i = 0; i < Rtl::FORM_MAX_DEPTH_C; ++i) deepest += "object A: TA\n";
  deepest += "  L = ()\n";
  for (int i = 0; i < Rtl::FORM_MAX_DEPTH_C; ++i) deepest += "end\n";
  EXPECT_EQ(ReadError(FormTools::ConvertFormText(deepest)), "");
}

TEST(FormStream, BrokenStreamsGiveAClearError) {
  EXPECT_EQ(ReadError({}), "Invalid form stream: the signature TPF0 is missing at byte 0");
  EXPECT_EQ(ReadError({'T', 'P', 'F'}), "Invalid form stream: the signature TPF0 is missing at byte 0");
  EXPECT_EQ(ReadError({'T', 'P', 'F', '1', 0, 0}), "Invalid form stream: the signature TPF0 is missing at byte 0");
  EXPECT_EQ(ReadError({'T', 'P', 'F', '0', 0, 0, 0}),
            "Invalid form stream: an object without a class name at byte 4");
  EXPECT_EQ(ReadError({'T', 'P', 'F', '0', 1, 'A', 0, 1, 'P', 99}),
            "Invalid form stream: unknown value type 99 at byte 9");
  EXPECT_EQ(ReadError({'T', 'P', 'F', '0', 1, 'A', 0, 1, 'P', Rtl::vaExtended, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
            "Invalid form stream: unsupported value type 5 at byte 9");
  EXPECT_EQ(ReadError({'T', 'P', 'F', '0', 1, 'A', 0, 1, 'P', Rtl::vaLString, 0xFF, 0xFF, 0xFF, 0xFF}),
            "Invalid form stream: negative length -1 at byte 10");
  // A length far beyond the stream's end allocates nothing.
  EXPECT_EQ(ReadError({'T', 'P', 'F', '0', 1, 'A', 0, 1, 'P', Rtl::vaWString, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}),
            "Invalid form stream: unexpected end of the stream at byte 14");
  EXPECT_EQ(ReadError({'T', 'P', 'F', '0', 1, 'A', 0, 1, 'P', Rtl::vaBinary, 0xFF, 0xFF, 0xFF, 0x7F}),
            "Invalid form stream: unexpected end of the stream at byte 14");
}

TEST(FormStream, EveryTruncationOfAStreamIsAnError) {
  const Bytes stream = FormTools::ConvertFormText(SMALL_FORM_C);
  for (std::size_t length = 0; length < stream.size(); ++length) {
    const std::string message = ReadError(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(message.rfind("Invalid form stream: ", 0), 0u) << "cut at " << length << ": " << message;
  }
}

TEST(FormStream, NestingTooDeepIsRefusedNotRecursedInto) {
  Bytes lists = {'T', 'P', 'F', '0', 1, 'A', 0, 1, 'P'};
  lists.insert(lists.end(), 100000, Rtl::vaList);
  EXPECT_EQ(ReadError(lists), "Invalid form stream: lists nested too deep at byte 73");

  Bytes objects = {'T', 'P', 'F', '0'};
  for (int i = 0; i < 100000; ++i) objects.insert(objects.end(), {1, 'A', 0, 0});
  EXPECT_EQ(ReadError(objects), "Invalid form stream: objects nested too deep at byte 260");
}

}  // namespace
