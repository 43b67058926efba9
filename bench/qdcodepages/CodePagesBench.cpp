// Code-page conversions of TString against a plain measure-and-convert
// sequence of the system's functions with the same flags, on the same data:
// code pages 1252 and 932 both ways on 4 MiB, the library's GB18030
// converter against the system's code page 936 on text of the GB2312
// range, and DoesCodePageSupport over 1 Mi characters against one
// WideCharToMultiByte call with the used-default report.
#include <cstdio>
#include <random>
#include <string>

#include "Bench.h"
#include "QdStartup.h"
#include "QdString.h"
#include "runtime/System/Win32.h"

namespace {

constexpr std::size_t DATA_SIZE_C = 4u << 20;
constexpr DWORD COMPOSITE_FLAGS_C = WC_COMPOSITECHECK | WC_SEPCHARS;

std::wstring SystemToWide(const std::string& bytes, UINT codePage) {
  const int size = MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, text.data(), size);
  text.resize(static_cast<std::size_t>(size - 1));
  return text;
}

std::string SystemToBytes(const std::wstring& text, UINT codePage, DWORD flags) {
  const int size = WideCharToMultiByte(codePage, flags, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, flags, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  bytes.resize(static_cast<std::size_t>(size - 1));
  return bytes;
}

// Western text: words of ASCII letters with accented letters among them.
std::wstring WesternText(std::size_t size) {
  std::mt19937 random(1252);
  const std::wstring letters = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJ\u00E9\u00E8\u00E0\u00FC\u00F6\u00E4\u00DF\u00E7";
  std::wstring text;
  text.reserve(size);
  while (text.size() < size) text.push_back(random() % 7 == 0 ? L' ' : letters[random() % letters.size()]);
  return text;
}

// Japanese text: kana and kanji of JIS X 0208 with ASCII between.
std::wstring JapaneseText(std::size_t size) {
  std::mt19937 random(932);
  std::wstring text;
  text.reserve(size);
  while (text.size() < size) {
    const unsigned kind = random() % 4;
    text.push_back(kind == 0 ? static_cast<wchar_t>(L'a' + random() % 26)
                   : kind == 1 ? static_cast<wchar_t>(0x3042 + random() % 80)
                               : static_cast<wchar_t>(0x4E00 + random() % 0x1000));
  }
  // Only what 932 holds, so both directions do the same work.
  return SystemToWide(SystemToBytes(text, 932, 0), 932);
}

// Text of the GB2312 range (first bytes B0-F7, second A1-FE), as bytes.
std::string Gb2312Bytes(std::size_t size) {
  std::mt19937 random(936);
  std::string bytes;
  bytes.reserve(size);
  while (bytes.size() < size) {
    bytes.push_back(static_cast<char>(0xB0 + random() % 0x27));
    bytes.push_back(static_cast<char>(0xA1 + random() % 0x5E));
  }
  // Only pairs that 936 decodes without a default character.
  return SystemToBytes(SystemToWide(bytes, 936), 936, 0);
}

}  // namespace

int main() {
  Qd::TUnitsScope units;
  const std::wstring western = WesternText(DATA_SIZE_C);
  const std::string westernBytes = SystemToBytes(western, 1252, 0);
  const std::wstring japanese = JapaneseText(DATA_SIZE_C / 2);
  const std::string japaneseBytes = SystemToBytes(japanese, 932, 0);
  const std::string gbBytes = Gb2312Bytes(DATA_SIZE_C);
  const std::wstring gbText = SystemToWide(gbBytes, 936);
  const std::wstring supportText = WesternText(1u << 20);
  if (Qd::TString::Gb18030ToWide(gbBytes) != gbText) {
    std::printf("GB18030 and code page 936 read the GB2312 text differently\n");
    return 1;
  }
  std::printf("1252: %zu bytes, 932: %zu bytes / %zu characters, GB2312: %zu bytes\n", westernBytes.size(),
              japaneseBytes.size(), japanese.size(), gbBytes.size());

  Bench::TSuite suite("qdcodepages", "4 MiB of text per conversion, 1 Mi characters for DoesCodePageSupport", 5);
  suite.Add("AnsiToWide 1252", [&] { return Qd::TString::AnsiToWide(westernBytes, 1252).size(); },
            [&] { return SystemToWide(westernBytes, 1252).size(); });
  suite.Add("WideToAnsi 1252 (0x220)", [&] { return Qd::TString::WideToAnsi(western, 1252).size(); },
            [&] { return SystemToBytes(western, 1252, COMPOSITE_FLAGS_C).size(); });
  suite.Add("AnsiToWide 932", [&] { return Qd::TString::AnsiToWide(japaneseBytes, 932).size(); },
            [&] { return SystemToWide(japaneseBytes, 932).size(); });
  suite.Add("WideToAnsi 932 (0x220)", [&] { return Qd::TString::WideToAnsi(japanese, 932).size(); },
            [&] { return SystemToBytes(japanese, 932, COMPOSITE_FLAGS_C).size(); });
  suite.Add("GB18030 decode vs 936", [&] { return Qd::TString::Gb18030ToWide(gbBytes).size(); },
            [&] { return SystemToWide(gbBytes, 936).size(); });
  suite.Add("GB18030 encode vs 936", [&] { return Qd::TString::WideToGb18030(gbText).size(); },
            [&] { return SystemToBytes(gbText, 936, 0).size(); });
  suite.Add(
      "DoesCodePageSupport 1252",
      [&] {
        std::size_t supported = 0;
        for (wchar_t c : supportText) supported += Qd::TString::DoesCodePageSupport(c, 1252) ? 1 : 0;
        return supported == supportText.size() ? std::size_t{1} : std::size_t{0};
      },
      [&] {
        std::string bytes(supportText.size() * 2 + 2, '\0');
        BOOL usedDefault = FALSE;
        WideCharToMultiByte(1252, COMPOSITE_FLAGS_C, supportText.c_str(), -1, bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, &usedDefault);
        return usedDefault ? std::size_t{0} : std::size_t{1};
      });
  return suite.Run();
}
