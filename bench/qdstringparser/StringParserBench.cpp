// TStringParser.GetStrings against a plain find loop that splits the same
// text into the same kind of list: 4 MiB of UTF-16 text with 500,000
// fields separated by ';' (empty fields among them).
#include <cstdint>
#include <string>

#include "Bench.h"
#include "QdStartup.h"
#include "QdStringParser.h"
#include "runtime/Text/StringList.h"

namespace {

constexpr std::size_t TEXT_UNITS_C = 2 * 1024 * 1024;  // 4 MiB of UTF-16
constexpr std::size_t FIELD_COUNT_C = 500000;

// Fields of 0 to 6 characters (letters, digits and a few non-ASCII ones),
// the last one padded so that the text has exactly TEXT_UNITS_C units.
std::wstring MakeText() {
  static const wchar_t alphabet[] = L"abcdefghijklmnopqrstuvwxyz0123456789\u00E9\u00DF\u0451\u4E2D";
  std::uint32_t seed = 4711;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  std::wstring text;
  text.reserve(TEXT_UNITS_C);
  for (std::size_t field = 0; field + 1 < FIELD_COUNT_C; ++field) {
    const std::size_t length = next() % 7;
    for (std::size_t i = 0; i < length; ++i) text.push_back(alphabet[next() % (std::size(alphabet) - 1)]);
    text.push_back(L';');
  }
  while (text.size() < TEXT_UNITS_C) text.push_back(L'z');
  return text;
}

std::size_t BaselineSplit(const std::wstring& text, Rtl::TStringList& values) {
  std::size_t count = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L';', start);
    if (end == std::wstring::npos) end = text.size();
    values.Add(text.substr(start, end - start));
    start = end + 1;
    ++count;
  }
  return count;
}

}  // namespace

int main() {
  Qd::TUnitsScope units;
  const std::wstring text = MakeText();

  Bench::TSuite suite("qdstringparser", "4 MiB of text, " + std::to_string(FIELD_COUNT_C) + " fields");
  suite.Add(
      "GetStrings",
      [&] {
        Rtl::TStringList values;
        const int count = Qd::TStringParser::GetStrings(values, text, L';');
        return static_cast<std::size_t>(count) + values[count - 1].size();
      },
      [&] {
        Rtl::TStringList values;
        const std::size_t count = BaselineSplit(text, values);
        return count + values[static_cast<int>(count) - 1].size();
      });
  return suite.Run();
}
