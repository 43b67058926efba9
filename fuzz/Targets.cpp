// The fuzz targets: every reader of untrusted bytes, and the round trips
// that must hold for any data.
#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "CodePageTargets.h"
#include "LanguageTargets.h"
#include "Fuzz.h"
#include "QdClasses.h"
#include "QdScript.h"
#include "QdString.h"
#include "QdStringParser.h"
#include "runtime/Text/StringList.h"
#include "runtime/Toolkit/FormStream.h"
#include "tools/FormText.h"

namespace Fuzz {

std::wstring AsUtf16(TInput input) {
  std::wstring text;
  text.reserve(input.size() / 2 + 1);
  std::size_t i = 0;
  for (; i + 1 < input.size(); i += 2) text.push_back(static_cast<wchar_t>(input[i] | input[i + 1] << 8));
  if (i < input.size()) text.push_back(static_cast<wchar_t>(input[i]));
  return text;
}

std::wstring AsLatin1(TInput input) { return std::wstring(input.begin(), input.end()); }

TBytes Bytes(std::string_view text) { return TBytes(text.begin(), text.end()); }

TBytes Utf16Bytes(std::wstring_view text) {
  TBytes bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

namespace {

// Text targets read the input both ways: as UTF-16 and a byte per unit.
template <class F>
void EachText(TInput input, F&& run) {
  run(AsUtf16(input));
  run(AsLatin1(input));
}

std::vector<TBytes> NoSeeds() { return {}; }
std::vector<std::string> NoTokens() { return {}; }

// --- Form streams ---------------------------------------------------------

const char* const FORM_TEXT_C =
    "object MainForm: TMainForm\n"
    "  Left = 0\n  Caption = 'Clean Installations'\n  Font.Style = [fsBold, fsItalic]\n"
    "  Tag = $7FFFFFFF\n  Data = { 0A1B2C }\n  Empty = nil\n  Flag = True\n"
    "  OnCreate = FormCreate\n"
    "  object Memo: TMemo\n    Lines.Strings = (\n      'first'\n      #13#10'second' + 'third')\n"
    "  end\n"
    "  inherited Button: TButton [1]\n    Caption = '&Close'\n  end\n"
    "end\n";

std::vector<TBytes> FormStreamSeeds() {
  return {FormTools::ConvertFormText(FORM_TEXT_C), Bytes("TPF0"), Bytes("TPF0\x06TClass\x04Name\x00\x00")};
}

void FormStream(TInput input) {
  if (Rtl::IsFormStream(input)) Rtl::ReadFormStream(input);
  else Rtl::ReadFormStream(input);  // not a form stream: must raise, clearly
}

std::vector<TBytes> FormTextSeeds() { return {Bytes(FORM_TEXT_C)}; }
std::vector<std::string> FormTextTokens() {
  return {"object ", "end\n", " = ", "'", "''", "#13", "#$0D", "+", "(", ")", "[", "]", "{", "}", "<", ">",
          "item", "$", "-", ".", "inherited ", "inline ", "//", ": T", "[0]", "nil", "True", "1e308"};
}

void FormText(TInput input) {
  TBytes stream;
  try {
    stream = FormTools::ConvertFormText(std::string_view(reinterpret_cast<const char*>(input.data()), input.size()));
  } catch (const FormTools::EFormTextError&) {
    return;  // bad text, reported with its line
  }
  // What the converter writes, the reader reads.
  Rtl::ReadFormStream(TInput(stream.data(), stream.size()));
}

// --- Binary-to-text encodings ------------------------------------------------

std::vector<TBytes> EncodingSeeds() {
  return {Utf16Bytes(L"TWFu"), Utf16Bytes(L"TWE="), Utf16Bytes(L"  TWFuTWFu\r\nTWFu  "), Utf16Bytes(L"MZXW6YTB"),
          Utf16Bytes(L"MZXW6===\r\n"), Utf16Bytes(L"0A1b2C"), Utf16Bytes(L"%41%e2%82%ac+x"), Bytes("AAAA")};
}
std::vector<std::string> EncodingTokens() { return {"=", "==", "\r\n", " ", "%", "%4", "%zz", "+", "/", "-", "_"}; }

void Decoders(TInput input) {
  EachText(input, [](const std::wstring& text) {
    Qd::TBinaryEncoding encoding = Qd::beBase64;
    Qd::TBinaryEncodings encodings;
    Qd::TBinaryString::IsString(text, encoding, encodings, true, 0);
    Qd::TBinaryString::IsString(text, encoding, encodings, false, 4);
    std::wstring before, after, newLine;
    int lineLength = 0;
    auto decode = [&](auto&& f) {
      try {
        f();
      } catch (const Rtl::Exception&) {
      }
    };
    decode([&] { Qd::TBase64::Decode(text, before, after, newLine, lineLength); });
    decode([&] { Qd::TBase32::Decode(text, before, after, newLine, lineLength); });
    decode([&] { Qd::TBase16::Decode(text, before, after, newLine, lineLength); });
    decode([&] { Qd::TUrlString::Decode(text, before, after, newLine, lineLength); });
  });
}

// Any bytes survive each encoding.
void EncodingRoundTrips(TInput input) {
  const Rtl::TBytes data(input.begin(), input.end());
  if (Qd::TBase64::Decode(Qd::TBase64::Encode(data)) != data) Fail("Base64 round trip");
  if (Qd::TBase32::Decode(Qd::TBase32::Encode(data)) != data) Fail("Base32 round trip");
  if (Qd::TBase16::Decode(Qd::TBase16::Encode(data, false)) != data) Fail("Base16 round trip");
  if (Qd::TBase16::Decode(Qd::TBase16::Encode(data, true)) != data) Fail("Base16 round trip (lower case)");
  if (Qd::TUrlString::Decode(Qd::TUrlString::Encode(data)) != data) Fail("URL round trip");
}

// --- String escapes -----------------------------------------------------------

std::vector<TBytes> EscapeSeeds() {
  return {Utf16Bytes(L"a\\n\\t\\x41\\u00e9\\'"), Utf16Bytes(L"&amp;&lt;&gt;&quot;&#65;&"), Utf16Bytes(L"#0D#0A##x#"),
          Utf16Bytes(L"<tab><lf><<cr>"), Utf16Bytes(L"%41%C3%A9%"), Utf16Bytes(L"\u00e9\U0001F600")};
}
std::vector<std::string> EscapeTokens() {
  return {"\\", "\\u", "\\x", "&", "&amp;", ";", "#", "##", "<", "<<", ">", "%", "%C3", "%E2%82", "<nul>", "<TAB>"};
}

void Escapes(TInput input) {
  EachText(input, [](const std::wstring& text) {
    using Qd::TUnicodeString;
    auto decode = [](auto&& f) {
      try {
        f();
      } catch (const Rtl::Exception&) {
      }
    };
    decode([&] { TUnicodeString::Decode(text); });
    decode([&] { TUnicodeString::UrlDecode(text); });
    decode([&] { TUnicodeString::CppDecode(text); });
    decode([&] { TUnicodeString::HtmlDecode(text); });
    decode([&] { TUnicodeString::AmpDecode(text); });
    for (Qd::TDisplayEncode mark : {Qd::deLessThan, Qd::deParentheses, Qd::deBrackets, Qd::deBraces})
      decode([&] { TUnicodeString::DisplayDecode(text, mark); });
    // What the encoders write, the decoders read back.
    if (TUnicodeString::Decode(TUnicodeString::Encode(text)) != text) Fail("# escape round trip");
    if (TUnicodeString::HtmlDecode(TUnicodeString::HtmlEncode(text)) != text) Fail("HTML round trip");
    if (TUnicodeString::AmpDecode(TUnicodeString::AmpEncode(text)) != text) Fail("ampersand round trip");
  });
}

// --- Numbers and dates in text --------------------------------------------------

std::vector<TBytes> NumberSeeds() {
  return {Utf16Bytes(L"1.5"), Utf16Bytes(L"-1.7976931348623157E308"), Utf16Bytes(L"4.9e-324"),
          Utf16Bytes(L"2024-02-29T23:59:59.999Z"), Utf16Bytes(L"20240229T235959+0130"),
          Utf16Bytes(L"Thursday, 29 February 2024 23:59:59"), Utf16Bytes(L"1e99999")};
}
std::vector<std::string> NumberTokens() {
  return {"e", "E+", "-", ".", ",", "T", "Z", "+01:30", ":", "9999999999", "0000", "NaN", "INF"};
}

void NumbersAndDates(TInput input) {
  EachText(input, [](const std::wstring& text) {
    auto parse = [](auto&& f) {
      try {
        f();
      } catch (const Rtl::Exception&) {
      }
    };
    Qd::TString::IsFloat(text, L'.');
    parse([&] { Qd::TString::StringToFloat(text, L'.'); });
    parse([&] { Qd::TString::StringToFloat(text, 0.0, L','); });
    Qd::TQdDateTime::IsIsoDateTime(text);
    parse([&] { Qd::TQdDateTime::IsoToDateTime(text); });
    parse([&] { Qd::TQdDateTime::StringToDateTime(text); });
    parse([&] { Qd::TQdDateTime::LongStringToDateTime(text); });
  });
}

// --- String parsers -------------------------------------------------------------

// The input: a byte of options (bit 0: white-space option; bits 1-2: how
// many separators, 0 to 3), the separators, then the text. The separators
// and the text are read as UTF-16 for TStringParser and a byte per
// character for TAnsiParser.
std::vector<TBytes> ParserSeeds() {
  return {Bytes("\x02,a,b,,c"), Bytes("\x04_-zh_Hant-TW"), Bytes("\x03, a , b ,"), Bytes("\x06;, ;x,;y "),
          Bytes("\x00plain text"), Bytes("\x02\xFF\xE4\xFF\xB5")};
}
std::vector<std::string> ParserTokens() { return {",", ";", "_", "-", " ", "\t", ",,", "\xFF", "\x00", "\xE3\x80"}; }

template <class TText, class TParserType>
void CheckParser(TParserType& parser, const TText& text, const TText& separators, bool trimmed) {
  TText joined;
  std::size_t reads = 0;
  TText previousRest = parser.GetRestString();
  if (previousRest != text) Fail("RestString before the first read");
  while (!parser.Eol()) {
    if (reads > text.size()) Fail("no Eol after length + 1 reads");
    const TText field = parser.GetString();
    ++reads;
    const int position = parser.GetPosition();
    if (position < 1 || static_cast<std::size_t>(position) > text.size() + 2) Fail("position out of range");
    const TText restValue = parser.GetRestValue();
    const TText restString = parser.GetRestString();
    const std::size_t rest = static_cast<std::size_t>(position) - 1;
    if (restValue != (rest < text.size() ? text.substr(rest) : TText())) Fail("RestValue");
    if (restString != (rest - 1 < text.size() ? text.substr(rest - 1) : TText())) Fail("RestString");
    if (field.find_first_of(separators) != TText::npos) Fail("a separator inside a field");
    joined += field;
    if (rest - 1 < text.size()) {
      if (separators.find(text[rest - 1]) == TText::npos) Fail("a field ended at no separator");
      joined += text[rest - 1];
    }
  }
  if (!trimmed && joined != text) Fail("the fields and separators don't give the text back");
}

void StringParsers(TInput input) {
  if (input.empty()) return;
  const bool ignoreWhiteSpaces = (input[0] & 1) != 0;
  const std::size_t separatorCount = (input[0] >> 1) & 3;
  const TInput rest = input.subspan(1);
  const std::size_t byteSeparators = std::min(separatorCount, rest.size());
  const std::size_t wideSeparators = std::min(separatorCount * 2, rest.size());

  // UTF-16.
  {
    const std::wstring separators = AsUtf16(rest.first(wideSeparators));
    const std::wstring text = AsUtf16(rest.subspan(wideSeparators));
    Qd::TStringParser parser(text, separators);
    parser.SetIgnoreWhiteSpaces(ignoreWhiteSpaces);
    CheckParser(parser, text, separators, ignoreWhiteSpaces);
    if (!parser.GetString().empty() || parser.PeekChar() != L'\0' || parser.TakeChar() != L'\0')
      Fail("a field after Eol");
    // Typed fields: bad text raises the runtime's errors, nothing else.
    parser.SetValue(text);
    while (!parser.Eol()) {
      try {
        parser.GetInteger();
      } catch (const Rtl::EConvertError&) {
      }
      parser.GetIntegerDef(0);
      parser.GetFloat();
      try {
        parser.GetDateTime();
      } catch (const Rtl::Exception&) {
      }
      parser.TakeChar();
    }
    // GetStrings agrees with a parser of its one separator.
    if (!separators.empty()) {
      Rtl::TStringList list;
      const int count = Qd::TStringParser::GetStrings(list, text, separators[0]);
      Qd::TStringParser single(text, separators.substr(0, 1));
      for (int i = 0; i < count; ++i)
        if (single.Eol() || single.GetString() != list[i]) Fail("GetStrings differs from the parser");
      if (!single.Eol()) Fail("GetStrings stopped early");
      Qd::TStringParser::GetFirstString(text, separators[0], static_cast<int>(text.size() % 5));
      Qd::TStringParser::GetFirstInteger(text, separators[0], 0);
    }
  }
  // 8-bit.
  {
    const std::string separators(reinterpret_cast<const char*>(rest.data()), byteSeparators);
    const std::string text(reinterpret_cast<const char*>(rest.data()) + byteSeparators, rest.size() - byteSeparators);
    Qd::TAnsiParser parser(text, separators);
    CheckParser(parser, text, separators, false);
    // Past the end the fields are empty and the rest views too.
    for (int i = 0; i < 3; ++i)
      if (!parser.GetString().empty() || !parser.GetRestValue().empty() ||
          (i > 0 && !parser.GetRestString().empty()))
        Fail("TAnsiParser past the end");
  }
}

// --- Set text ---------------------------------------------------------------------

// Member names b0 to b255: an enumeration with every value a set can hold,
// and its subrange from 6 to 20.
struct TByteNames {
  std::array<std::wstring, 256> Texts;
  std::array<const wchar_t*, 256> Names{};
  TByteNames() {
    for (std::size_t i = 0; i < 256; ++i) {
      Texts[i] = L"b" + std::to_wstring(i);
      Names[i] = Texts[i].c_str();
    }
  }
};

std::vector<TBytes> SetSeeds() {
  return {Bytes("[b0,b1,b7]"), Bytes("b255 b8;b16,,[b31]"), Bytes("[b6;b20 B12,nothing]"), Bytes("[]"),
          Bytes("b300,b-1,b2"), Bytes(""), Bytes("[[[,,;;  ]]]")};
}
std::vector<std::string> SetTokens() {
  return {"[", "]", ",", ";", " ", "b0", "b7", "b8", "b31", "b32", "b200", "b255", "b256", "B6", "b20", ",,"};
}

// The text as a set at every size from 0 to 32: nothing is written past the
// size, the set's text reads back as the same set, and the text of the
// bytes lists exactly the members whose bits are set.
void SetText(TInput input) {
  static const TByteNames names;
  static const Rtl::TEnumInfo byteInfo(L"TByte", std::span<const wchar_t* const>(names.Names));
  static const Rtl::TEnumInfo subrangeInfo(L"TSubrange", byteInfo, 6, 20);
  const std::wstring text = AsLatin1(input);
  for (const Rtl::TEnumInfo* enumInfo : {&byteInfo, &subrangeInfo}) {
    const Rtl::TSetInfo setInfo(L"TSet", *enumInfo, 32);
    for (int size = 0; size <= 32; ++size) {
      std::array<std::uint8_t, 40> buffer;
      buffer.fill(0xA5);
      Qd::TSetParser::StrToSet(buffer.data(), size, text, setInfo);
      for (std::size_t i = static_cast<std::size_t>(size); i < buffer.size(); ++i)
        if (buffer[i] != 0xA5) Fail("StrToSet wrote past the size");
      const std::wstring str = Qd::TSetParser::SetToStr(buffer.data(), size, setInfo);
      std::array<std::uint8_t, 40> again;
      again.fill(0xA5);
      Qd::TSetParser::StrToSet(again.data(), size, str, setInfo);
      if (again != buffer) Fail("set text round trip");
      // A member named twice or out of the range is still one bit at most.
      Qd::TSetParser parser(*enumInfo);
      parser.SetText(str);
      for (int i = 0; i < parser.GetCount(); ++i) {
        const int e = parser.GetItems(i);
        if (!enumInfo->IsValue(e) || e >= size * 8) Fail("SetToStr named a member beyond the set");
        if (i > 0 && parser.GetItems(i - 1) >= e) Fail("SetToStr out of order");
      }
      const Rtl::TBytes bytes = Qd::TSetParser::SetToBytes(buffer.data(), size);
      std::array<std::uint8_t, 40> copied = again;
      Qd::TSetParser::BytesToSet(copied.data(), size, bytes);
      if (copied != buffer) Fail("set bytes round trip");
      if (size <= 4) {
        const std::uint32_t integer = Qd::TSetParser::SetToInteger(buffer.data(), size);
        copied.fill(0xA5);
        Qd::TSetParser::IntegerToSet(copied.data(), size, integer);
        if (copied != buffer) Fail("set integer round trip");
      }
    }
  }
}

// --- Locale codes and resource-file extensions -----------------------------------

std::vector<TBytes> LocaleSeeds() {
  return {Utf16Bytes(L"sr-Latn-RS"), Utf16Bytes(L"de_AT_euro"), Utf16Bytes(L"zh-Hant-TW_radstr"),
          Utf16Bytes(L".deu"), Utf16Bytes(L"DE"), Utf16Bytes(L"en-US")};
}
std::vector<std::string> LocaleTokens() { return {"-", "_", ".", "Latn", "Hant", "DEU", "de", "--", "__"}; }

void LocaleCodes(TInput input) {
  EachText(input, [](const std::wstring& text) {
    std::wstring language, country, variant, script;
    Qd::TScript::ParseLocale(text, language, country, variant, L'_');
    if (text.rfind(language, 0) != 0) Fail("ParseLocale: the language is not where the code starts");
    if (std::count(text.begin(), text.end(), L'_') == 2 && language + L'_' + country + L'_' + variant != text)
      Fail("ParseLocale: the pieces don't make the code");
    Qd::TScript::ParseVistaLocale(text, language, country, variant, script);
    if (!script.empty() && !Qd::TScript::IsValidIsoCode(script)) Fail("ParseVistaLocale: unknown script");
    if (text.rfind(language, 0) != 0) Fail("ParseVistaLocale: the language is not where the code starts");
    const std::int32_t locale = Qd::TScript::ExtToLocale(text);
    if (locale < 0 || locale > 0xFFFF) Fail("ExtToLocale: no locale identifier");
    if ((text.empty() || text == L".") && locale != 0) Fail("ExtToLocale: a locale for no extension");
  });
}

}  // namespace

// Targets kept in files of their own.
TTarget StreamFilerTarget();
TTarget ResourceTarget();
TTarget ZipArchiveTarget();
TTarget TextCodingTarget();
TTarget TextReaderTarget();
TTarget XmlEntityTarget();
TTarget XmlExternalNamesTarget();
TTarget XmlReaderTarget();
TTarget XmlSplitReaderTarget();
TTarget LanguageListTarget();
TTarget XmlWriterRoundTripTarget();
TTarget XmlWriterTreesTarget();
TTarget XmlObjectTarget();

namespace {


}  // namespace

std::span<const TTarget> Targets() {
  // Made at the first call: the targets of other files are functions.
  static const TTarget targets[] = {
      {"form-stream", FormStream, FormStreamSeeds, FormTextTokens},
      {"form-text", FormText, FormTextSeeds, FormTextTokens},
      {"decoders", Decoders, EncodingSeeds, EncodingTokens},
      {"encodings", EncodingRoundTrips, NoSeeds, NoTokens},
      {"escapes", Escapes, EscapeSeeds, EscapeTokens},
      {"numbers-dates", NumbersAndDates, NumberSeeds, NumberTokens},
      {"string-parsers", StringParsers, ParserSeeds, ParserTokens},
      {"set-text", SetText, SetSeeds, SetTokens},
      {"locale-codes", LocaleCodes, LocaleSeeds, LocaleTokens},
      StreamFilerTarget(),
      ResourceTarget(),
      {"code-page-bytes", CodePageBytes, CodePageByteSeeds, CodePageTokens, 1, GenerateCodePageBytes},
      {"code-page-text", CodePageText, CodePageTextSeeds, CodePageTokens, 1, GenerateCodePageText},
      {"language-codes", LanguageCodes, LanguageCodeSeeds, LanguageCodeTokens, 1, GenerateLanguageCode},
      ZipArchiveTarget(),
      TextCodingTarget(),
      TextReaderTarget(),
      XmlEntityTarget(),
      XmlExternalNamesTarget(),
      XmlReaderTarget(),
      XmlSplitReaderTarget(),
      XmlWriterRoundTripTarget(),
      XmlWriterTreesTarget(),
      XmlObjectTarget(),
      LanguageListTarget(),
  };
  return targets;
}

}  // namespace Fuzz
