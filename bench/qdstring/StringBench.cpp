// The string toolbox against plain std::wstring code doing the same work,
// over a few MB of mixed text (ASCII and non-ASCII words, runs of mixed
// white space, line breaks).
#include <cstdint>
#include <string>
#include <vector>

#include "Bench.h"
#include "QdStartup.h"
#include "QdString.h"
#include "runtime/System/Win32.h"

using U = Qd::TUnicodeString;

namespace {

constexpr std::size_t TEXT_UNITS_C = 2 * 1024 * 1024;  // 4 MB of UTF-16
const wchar_t* const WHITE_SPACE_C = L" \t\r\n\u00A0\u3000";

// A deterministic mix of words and separators.
std::wstring MakeText() {
  static const wchar_t* const words[] = {
      L"the", L"quick", L"brown", L"fox", L"\u00C9t\u00E9", L"Stra\u00DFe", L"\u0451\u043B\u043A\u0430",
      L"\u03A3\u039F\u03A6\u0399\u0391", L"data", L"value", L"Needle", L"x", L"install", L"directory",
      L"registry", L"THE", L"caf\u00E9", L"\u4E2D\u6587", L"needle", L"NEEDLE", L"other", L"words"};
  static const wchar_t* const separators[] = {L" ", L" ", L" ", L" ", L"  ", L"\t", L" \t ", L"\r\n",
                                              L"\u00A0", L"\n  "};
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  std::wstring text;
  text.reserve(TEXT_UNITS_C + 32);
  while (text.size() < TEXT_UNITS_C) {
    text += words[next() % std::size(words)];
    text += separators[next() % std::size(separators)];
  }
  return text;
}

// The text's lines, each padded with white space on both sides.
std::vector<std::wstring> MakeLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(L" \t" + text.substr(pos, end - pos) + L"\u00A0 ");
    pos = end + 1;
  }
  return lines;
}

// The plain way to search ignoring case: lower-case copies, then find.
std::wstring Lowered(const std::wstring& s) {
  std::wstring result = s;
  CharLowerBuffW(result.data(), static_cast<DWORD>(result.size()));
  return result;
}

// Sum of the 1-based positions of all non-overlapping occurrences.
std::size_t OursFindAll(const std::wstring& needle, const std::wstring& text) {
  std::size_t sum = 0;
  for (int p = U::PosIgnoreCase(needle, text, 1); p > 0;
       p = U::PosIgnoreCase(needle, text, p + static_cast<int>(needle.size())))
    sum += static_cast<std::size_t>(p);
  return sum;
}

std::size_t BaselineFindAll(const std::wstring& needle, const std::wstring& text) {
  const std::wstring lowerText = Lowered(text), lowerNeedle = Lowered(needle);
  std::size_t sum = 0;
  for (std::size_t p = lowerText.find(lowerNeedle); p != std::wstring::npos;
       p = lowerText.find(lowerNeedle, p + lowerNeedle.size()))
    sum += p + 1;
  return sum;
}

std::wstring BaselineReplace(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  std::wstring result;
  result.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t p = text.find(from); p != std::wstring::npos; p = text.find(from, done)) {
    result.append(text, done, p - done).append(to);
    done = p + from.size();
  }
  result.append(text, done, std::wstring::npos);
  return result;
}

std::wstring BaselineReplaceIgnoreCase(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  const std::wstring lowerText = Lowered(text), lowerFrom = Lowered(from);
  std::wstring result;
  result.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t p = lowerText.find(lowerFrom); p != std::wstring::npos; p = lowerText.find(lowerFrom, done)) {
    result.append(text, done, p - done).append(to);
    done = p + from.size();
  }
  result.append(text, done, std::wstring::npos);
  return result;
}

std::wstring BaselineTrim(const std::wstring& line) {
  const std::size_t first = line.find_first_not_of(WHITE_SPACE_C);
  if (first == std::wstring::npos) return std::wstring();
  const std::size_t last = line.find_last_not_of(WHITE_SPACE_C);
  return line.substr(first, last - first + 1);
}

}  // namespace

int main() {
  Qd::TUnitsScope units;
  const std::wstring text = MakeText();
  const std::vector<std::wstring> lines = MakeLines(text);
  const std::wstring needle = L"nEEDLE", absent = L"\u00C9T\u00C9S";

  Bench::TSuite suite("qdstring", "4 MB of mixed text, " + std::to_string(lines.size()) + " lines");
  suite.Add("PosIgnoreCase (all matches)", [&] { return OursFindAll(needle, text); },
            [&] { return BaselineFindAll(needle, text); });
  suite.Add("PosIgnoreCase (no match)", [&] { return OursFindAll(absent, text); },
            [&] { return BaselineFindAll(absent, text); });
  suite.Add("ReplaceString", [&] { return U::ReplaceString(text, L"the", L"THE WORD").size(); },
            [&] { return BaselineReplace(text, L"the", L"THE WORD").size(); });
  suite.Add("ReplaceString ignoreCase",
            [&] { return U::ReplaceString(text, L"\u00E9t\u00E9", L"summer", true).size(); },
            [&] { return BaselineReplaceIgnoreCase(text, L"\u00E9t\u00E9", L"summer").size(); });
  suite.Add("Trim both sides (lines)",
            [&] {
              std::size_t total = 0;
              for (const std::wstring& line : lines) total += U::GetWhiteSpaceDeletedValue(line).size();
              return total;
            },
            [&] {
              std::size_t total = 0;
              for (const std::wstring& line : lines) total += BaselineTrim(line).size();
              return total;
            });
  return suite.Run();
}
