// Writes translation containers (".qdres") and language images (".qdlang")
// from a model of what they hold: for the tests, the fuzz driver, the
// benchmark and the build-time tool that embeds a container as a resource.
// Plain C++ (no platform headers), so that the build machine's own compiler
// builds it too. Texts are wide strings whose characters are written as
// UTF-16 code units (the low 16 bits of each).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ResourceTools {

using TBytes = std::vector<std::uint8_t>;

struct TNamedData {
  std::wstring Name;
  TBytes Data;
};

// A string group of layout 1: id and translation pairs.
struct TStringGroup {
  std::wstring Name;
  std::vector<std::pair<std::wstring, std::wstring>> Strings;
};

struct TImageModel {
  int Layout = 2;  // 1: "QDLA", 2: "QDLB"
  // Layout 2.
  std::int32_t Version = 2;
  std::string LangId;  // up to 16 bytes
  std::int32_t StringCount = 0;
  std::vector<std::pair<std::uint16_t, std::wstring>> Win32Strings;
  std::vector<std::pair<std::uint16_t, std::wstring>> Win64Strings;
  std::vector<std::pair<std::wstring, std::wstring>> SymbolStrings;
  // Layout 1.
  std::vector<TStringGroup> Groups;
  // Both.
  std::vector<TNamedData> Forms;
  std::vector<TNamedData> Resources;
};

struct TContainerModel {
  std::int32_t Version = 1;
  std::vector<std::pair<std::string, TImageModel>> Languages;  // id (bytes in the ANSI code page), image
};

// The image's bytes. Layout 2 indexes are written sorted as a reader
// searches them (Win32 ids as unsigned numbers, form and resource names by
// code unit); the model's order is kept for layout 1 and for the Win64 and
// symbol indexes.
TBytes WriteImage(const TImageModel& image);
TBytes WriteContainer(const TContainerModel& container);

// The model's entries in the order the reader enumerates them.
std::vector<std::pair<std::uint16_t, std::wstring>> SortedWin32(const TImageModel& image);
std::vector<TNamedData> SortedByName(const std::vector<TNamedData>& entries);

// A small fixed container with two languages ("de", layout 2, and "fi",
// layout 1) for tests that need a real one: the one embedded as "QdLangRes".
TContainerModel FixtureContainer();

}  // namespace ResourceTools
