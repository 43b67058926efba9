// Encoding names of formats and languages, the class-level tests of whole
// files, streams and bytes (with a converter that detects code pages),
// re-encoding files, GB18030 through the library's converter, and the
// structured-file base.
#include <gtest/gtest.h>

#include <string>

#include "QdClasses/File.h"
#include "QdString/Converters.h"
#include "QdStructuredFile.h"
#include "QdTextFile.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"
#include "TestSupport.h"

using namespace Qd;

namespace {

Rtl::TBytes Bytes(std::string_view text) { return Rtl::TBytes(text.begin(), text.end()); }
std::string Str(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Recognises code page 1251 in bytes that start with "CP1251:"; nothing
// else, so that the other cases of the process see no detection.
class TMarkerDetector : public TCodePageConverter {
  RTL_CLASS(TMarkerDetector, TCodePageConverter)
public:
  std::int32_t DetectCodePage(const Rtl::TBytes& str, bool /*isHtml*/) override {
    return Str(str).starts_with("CP1251:") ? 1251 : 0;
  }
};

void RegisterDetectorOnce() {
  static const bool registered = [] {
    TCodePageConverters::Register(TMarkerDetector::ClassInfo);
    return true;
  }();
  (void)registered;
}

}  // namespace

TEST(Names, FormatsAndLanguagesGiveEncodingNames) {
  EXPECT_EQ(TTextFile::GetLanguageCodePage(L"", ecAnsi), 1252);
  EXPECT_EQ(TTextFile::GetLanguageCodePage(L"ja", ecAnsi), 932);
  EXPECT_EQ(TTextFile::GetLanguageCodePage(L"ru-RU", ecAnsi), 1251);
  EXPECT_EQ(TTextFile::GetLanguageCodePage(L"qq", ecAnsi), 1252);  // no such language
  EXPECT_EQ(TTextFile::GetLanguageEncoding(L"ja", ecAnsi), L"shift_jis");

  EXPECT_EQ(TTextFile::FormatToEncoding(tfAnsi, 0, L""), L"");
  EXPECT_EQ(TTextFile::TextFormatToEncoding(tfAnsi, 0, L""), L"windows-1252");
  EXPECT_EQ(TTextFile::FormatToEncoding(tfAnsi, 0, L"ru"), L"windows-1251");
  EXPECT_EQ(TTextFile::FormatToEncoding(tfAnsi, 1250, L""), L"windows-1250");
  EXPECT_EQ(TTextFile::FormatToEncoding(tfUtf16Le, 0, L""), L"unicode");
  EXPECT_EQ(TTextFile::FormatToEncoding(tfUtf16Be, 0, L""), L"unicodeFFFE");
  EXPECT_THROW(TTextFile::TextFormatToEncoding(static_cast<TTextFileFormat>(9), 0, L""), Rtl::Exception);

  // The property: a language's code page while ANSI has none.
  TTextFile file;
  file.SetLanguage(L"ru");
  EXPECT_EQ(file.GetCodePage(), 1251);
  EXPECT_EQ(file.GetEncoding(), L"windows-1251");
  file.SetLanguage(L"ja");  // a code page is there now: it stays
  EXPECT_EQ(file.GetCodePage(), 1251);
  file.SetFormat(tfUtf8);
  EXPECT_EQ(file.GetEncoding(), L"utf-8");
}

TEST(Names, ALanguageChoosesTheCodePageOfUndetectedText) {
  // Text that no rule recognises is ANSI in the language's code page.
  const Rtl::TBytes cyrillic = Bytes("\xCF\xF0\xE8\xE2\xE5\xF2");  // "Привет" in 1251
  TTextFile file;
  file.SetLanguage(L"ru");
  file.SetCodePage(0);  // as a reader that was given no code page
  file.Open(cyrillic);
  EXPECT_EQ(file.ReadLine(), L"\u041F\u0440\u0438\u0432\u0435\u0442");
  EXPECT_EQ(file.GetCodePage(), 1251);
  EXPECT_TRUE(file.GetFormatDetected());

  // UTF-8 is still recognised first; a chosen format is not overridden.
  TTextFile utf8;
  utf8.SetLanguage(L"ru");
  utf8.Open(Bytes("caf\xC3\xA9"));
  EXPECT_EQ(utf8.ReadLine(), L"caf\u00E9");
  EXPECT_EQ(utf8.GetFormat(), tfUtf8);
  TTextFile chosen;
  chosen.SetCodePage(1252);
  chosen.SetLanguage(L"ru");
  chosen.Open(cyrillic);
  EXPECT_EQ(chosen.ReadLine(), L"\u00CF\u00F0\u00E8\u00E2\u00E5\u00F2");
}

TEST(Names, DetectionOfFilesStreamsAndBytes) {
  RegisterDetectorOnce();
  TestSupport::TTempDir dir;
  const std::wstring utf16 = dir.Path() + L"\\u16.txt";
  TFile::BytesToFile(Bytes(std::string("\xFF\xFEh\0i\0", 6)), utf16);
  const std::wstring plain = dir.Path() + L"\\plain.txt";
  TFile::BytesToFile(Bytes("just ascii"), plain);
  const std::wstring marked = dir.Path() + L"\\marked.txt";
  TFile::BytesToFile(Bytes("CP1251:\xCF\xF0"), marked);
  const std::wstring utf8 = dir.Path() + L"\\utf8.txt";
  TFile::BytesToFile(Bytes("na\xC3\xAFve"), utf8);

  std::wstring encoding;
  bool bom = false;
  TTextFile::DetectEncoding(utf16, encoding, bom);
  EXPECT_EQ(encoding, L"unicode");
  EXPECT_TRUE(bom);
  TTextFile::DetectEncoding(plain, encoding);
  EXPECT_EQ(encoding, L"");
  TTextFile::DetectEncoding(marked, encoding);
  EXPECT_EQ(encoding, L"windows-1251");
  TTextFile::DetectEncoding(dir.Path() + L"\\missing.txt", encoding, bom);
  EXPECT_EQ(encoding, L"");
  EXPECT_FALSE(bom);
  EXPECT_EQ(TTextFile::DetectEncoding(Bytes("na\xC3\xAFve")), L"utf-8");

  EXPECT_TRUE(TTextFile::IsTextFile(utf16));
  EXPECT_TRUE(TTextFile::IsTextFile(utf8));
  EXPECT_TRUE(TTextFile::IsTextFile(marked));
  EXPECT_FALSE(TTextFile::IsTextFile(plain));  // pure ASCII without a code page
  TTextFileFormat format = tfAnsi;
  std::int32_t codePage = -1;
  EXPECT_FALSE(TTextFile::IsTextFile(utf8, format, codePage, bom, true));  // BOM only
  EXPECT_TRUE(TTextFile::IsTextFile(marked, format, codePage, bom, false));
  EXPECT_EQ(format, tfAnsi);
  EXPECT_EQ(codePage, 1251);

  Rtl::TFileStream stream(marked, Rtl::fmOpenRead | Rtl::fmShareDenyNone);
  stream.SetPosition(3);
  EXPECT_TRUE(TTextFile::IsTextStream(stream));
  EXPECT_EQ(TTextFile::GetCodePage(stream, 0), 1251);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(TTextFile::GetCodePage(marked, 0), 1251);
  EXPECT_EQ(TTextFile::GetCodePage(plain, 850), 850);
  EXPECT_TRUE(TTextFile::IsTextData(Bytes("CP1251:x")));
  EXPECT_FALSE(TTextFile::IsTextData(Bytes("abc")));

  bool asciiOnly = false;
  EXPECT_TRUE(TTextFile::IsUtf8(utf8, asciiOnly));
  EXPECT_FALSE(asciiOnly);
  EXPECT_FALSE(TTextFile::IsUtf8(plain, asciiOnly));
  EXPECT_TRUE(TTextFile::IsAsciiOnlyUtf8(plain));
  EXPECT_FALSE(TTextFile::IsAsciiOnlyUtf8(utf8));
  EXPECT_THROW(TTextFile::IsAsciiOnlyUtf8(dir.Path() + L"\\missing.txt"), Rtl::Exception);
}

TEST(Names, FilesReEncodedBetweenAnsiAndUtf8) {
  TestSupport::TTempDir dir;
  const std::wstring ansi = dir.Path() + L"\\ansi.txt";
  TFile::BytesToFile(Bytes("Gr\xFC\xDF" "e\r\n\x80"), ansi);
  const std::wstring utf8 = dir.Path() + L"\\utf8.txt";
  TTextFile::AnsiToUtf8(ansi, utf8, 1252);
  EXPECT_EQ(Str(TFile::FileToBytes(utf8)), "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e\r\n\xE2\x82\xAC");

  const std::unique_ptr<Rtl::TStream> stream = TTextFile::AnsiToUtf8(ansi, 1252);
  EXPECT_EQ(stream->Position(), 0);
  EXPECT_EQ(Str(TFile::StreamToBytes(stream.get())), Str(TFile::FileToBytes(utf8)));

  // Back, in place: the source is read whole before the file is replaced.
  TTextFile::Utf8ToAnsi(utf8, utf8, 1252);
  EXPECT_EQ(Str(TFile::FileToBytes(utf8)), Str(TFile::FileToBytes(ansi)));
  // A code page nobody serves fails and leaves the file as it was.
  const std::wstring again = dir.Path() + L"\\again.txt";
  TTextFile::AnsiToUtf8(ansi, again, 1252);
  EXPECT_THROW(TTextFile::Utf8ToAnsi(again, ansi, 12345), Rtl::EConvertError);
  EXPECT_EQ(Str(TFile::FileToBytes(ansi)), "Gr\xFC\xDF" "e\r\n\x80");
}

TEST(Names, FormattedWritesAndGb18030WithItsBom) {
  TTextFile writer;
  writer.RewriteString();
  writer.Write(L"%s=%d", {L"x", 42});
  writer.WriteLine(L"; %.2f", {1.5});
  EXPECT_EQ(writer.GetOutputString(), L"x=42; 1.50\r\n");

  // GB18030: the BOM, two-byte and four-byte characters, read back.
  const std::wstring text = L"\u4E2D\u6587 A \u00E9\U0001F600";
  TTextFile gb;
  gb.SetEncoding(L"GB18030");
  gb.RewriteData();
  gb.Write(text);
  const std::string bytes = Str(gb.GetOutputData());
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), "\x84\x31\x95\x33\xD6\xD0\xCE\xC4");
  EXPECT_EQ(bytes.size(), 4u + 4 + 3 + 2 + 4);  // BOM, 2 x 2, " A ", U+00E9 (A8 A6), 4
  TTextFile reader;
  reader.Open(gb.GetOutputData());
  EXPECT_EQ(reader.ReadLine(), text);
  EXPECT_EQ(reader.GetFormat(), tfGb18030);
  EXPECT_TRUE(reader.GetHasBom());
  EXPECT_EQ(TTextFile::DetectEncoding(gb.GetOutputData()), L"GB18030");
}

TEST(Names, TheStructuredFileBaseIsAbstract) {
  TStructuredFile file;
  EXPECT_EQ(file.GetTextFile().GetFormat(), tfUtf8);
  EXPECT_TRUE(file.GetTextFile().GetFormatSet());
  EXPECT_THROW(file.WriteToString(), Rtl::EAbstractError);
  EXPECT_THROW(file.WriteToBytes(), Rtl::EAbstractError);
}
