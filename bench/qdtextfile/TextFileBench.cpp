// Strict UTF-8 decoding of TTextFile::Utf8Decode against the system's
// MultiByteToWideChar(CP_UTF8) on 32 MB of ASCII-heavy markup and on 32 MB
// of mixed 2-, 3- and 4-byte text, and the encoding of the same texts by
// Rtl::EncodeUtf8 (the text writer's) against WideCharToMultiByte(CP_UTF8),
// both in blocks of 32K units into one buffer; the decoding speed of the
// markup is printed in GB/s below the table.
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#include "Bench.h"
#include "QdClasses/File.h"
#include "QdTextFile.h"
#include "runtime/Text/CodePage.h"
#include "runtime/System/Win32.h"

namespace {

constexpr std::size_t DATA_BYTES_C = 32u << 20;

std::string Markup() {
  const std::string element =
      "  <entry key=\"Software\\Maker\\Product\" value=\"C:\\Program Files\\Product\\bin\" type=\"string\"/>\r\n"
      "  <note>Gr\xC3\xBC\xC3\x9F" "e</note>\r\n";
  std::string text;
  text.reserve(DATA_BYTES_C + element.size());
  while (text.size() < DATA_BYTES_C) text += element;
  return text;
}

std::string MixedText() {
  const char* const pieces[] = {"\xC3\xA9", "\xD0\x96", "\xE2\x82\xAC", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", " ", "a"};
  std::mt19937 random(19);
  std::string text;
  text.reserve(DATA_BYTES_C + 4);
  while (text.size() < DATA_BYTES_C) text += pieces[random() % std::size(pieces)];
  return text;
}

std::size_t SystemDecode(const std::string& bytes) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text.size();
}

}  // namespace

int main() {
  const std::string markup = Markup();
  const std::string mixed = MixedText();
  Bench::TSuite suite("qdtextfile", "32 MB of UTF-8: ASCII-heavy markup, mixed 2-/3-/4-byte text", 5);
  suite.Add("Utf8Decode markup vs MultiByteToWideChar", [&] { return Qd::TTextFile::Utf8Decode(markup).size(); },
            [&] { return SystemDecode(markup); });
  suite.Add("Utf8Decode mixed vs MultiByteToWideChar", [&] { return Qd::TTextFile::Utf8Decode(mixed).size(); },
            [&] { return SystemDecode(mixed); });
  // Encoding in blocks of 32K units into one buffer, as the text writer
  // hands its output over (the buffer stays in the cache).
  const std::wstring markupText = Qd::TTextFile::Utf8Decode(markup);
  const std::wstring mixedText = Qd::TTextFile::Utf8Decode(mixed);
  constexpr std::size_t BLOCK_UNITS_C = 32768;
  std::string encoded(3 * BLOCK_UNITS_C, '\0');
  const auto inBlocks = [&](const std::wstring& text, auto encode) {
    // A block never ends between the two units of a pair.
    std::size_t total = 0;
    for (std::size_t at = 0; at < text.size();) {
      std::size_t units = std::min(BLOCK_UNITS_C, text.size() - at);
      if (at + units < text.size() && text[at + units - 1] >= 0xD800 && text[at + units - 1] <= 0xDBFF) --units;
      total += encode(std::wstring_view(text).substr(at, units));
      at += units;
    }
    return total;
  };
  const auto ourEncode = [&](std::wstring_view block) { return Rtl::EncodeUtf8(encoded.data(), block); };
  const auto systemEncode = [&](std::wstring_view block) {
    return static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, block.data(), static_cast<int>(block.size()),
                                                        encoded.data(), static_cast<int>(encoded.size()), nullptr,
                                                        nullptr));
  };
  suite.Add("EncodeUtf8 markup vs WideCharToMultiByte", [&] { return inBlocks(markupText, ourEncode); },
            [&] { return inBlocks(markupText, systemEncode); });
  suite.Add("EncodeUtf8 mixed vs WideCharToMultiByte", [&] { return inBlocks(mixedText, ourEncode); },
            [&] { return inBlocks(mixedText, systemEncode); });
  // ReadAll of a 32 MB UTF-8 file (with BOM) against reading the file's
  // bytes and decoding them in one call.
  wchar_t tempPath[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, tempPath);
  const std::wstring fileName = std::wstring(tempPath) + L"qdtextfile-bench.txt";
  const std::string content = "\xEF\xBB\xBF" + markup;
  Qd::TFile::BytesToFile(Rtl::TBytes(content.begin(), content.end()), fileName);
  suite.Add("ReadAll file vs FileToBytes + MultiByteToWideChar",
            [&] {
              Qd::TTextFile file(fileName);
              return file.ReadAll().size();
            },
            [&] {
              const Rtl::TBytes bytes = Qd::TFile::FileToBytes(fileName);
              return SystemDecode(std::string(bytes.begin() + 3, bytes.end()));
            });
  const int result = suite.Run();
  DeleteFileW(fileName.c_str());
  std::size_t check = 0;
  const double seconds = Bench::BestTime([&] { return Qd::TTextFile::Utf8Decode(markup).size(); }, 5, check);
  std::printf("Utf8Decode of the markup: %.2f GB/s\n", static_cast<double>(markup.size()) / seconds / 1e9);
  // The decoding alone, into a buffer made once (no allocation, no paging).
  std::wstring buffer(markup.size() + 1, L'\0');
  const double decodeSeconds = Bench::BestTime(
      [&] {
        std::size_t i = 0;
        return static_cast<std::size_t>(Qd::TTextFile::Utf8ToUnicodePos(buffer.data(), buffer.size(), markup.data(),
                                                                         markup.size(), i));
      },
      5, check);
  std::printf("Utf8ToUnicodePos of the markup into a ready buffer: %.2f GB/s\n",
              static_cast<double>(markup.size()) / decodeSeconds / 1e9);
  return result;
}
