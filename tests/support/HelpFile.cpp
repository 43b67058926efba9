#include "HelpFile.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "runtime/Text/Utf8.h"

namespace TestSupport {

namespace {

using TBytes = std::string;

void Put32(TBytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void Put64(TBytes& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void Put16(TBytes& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
// A GUID as stored: the first three fields little-endian, then 8 bytes.
void PutGuid(TBytes& out, std::uint32_t a, std::uint16_t b, std::uint16_t c, std::uint64_t d) {
  Put32(out, a);
  Put16(out, b);
  Put16(out, c);
  for (int i = 7; i >= 0; --i) out += static_cast<char>((d >> (8 * i)) & 0xFF);
}
// A number in 7-bit groups, most significant first, the high bit set on
// all groups but the last.
void PutEncInt(TBytes& out, std::uint64_t value) {
  TBytes groups;
  do {
    groups.insert(groups.begin(), static_cast<char>(value & 0x7F));
    value >>= 7;
  } while (value != 0);
  for (std::size_t i = 0; i + 1 < groups.size(); ++i) groups[i] = static_cast<char>(groups[i] | 0x80);
  out += groups;
}

constexpr std::uint32_t CHUNK_SIZE_C = 0x1000;
constexpr std::uint32_t ITSF_LENGTH_C = 0x60;
constexpr std::uint32_t SECTION0_LENGTH_C = 0x18;
constexpr std::uint32_t ITSP_LENGTH_C = 0x54;
constexpr std::uint32_t PMGL_HEADER_C = 0x14;

struct TEntry {
  std::string Name;
  std::uint64_t Offset;
  std::uint64_t Length;
};

}  // namespace

void WriteHelpFile(const std::wstring& fileName, const std::vector<std::pair<std::string, std::string>>& pages) {
  // The content section: "#SYSTEM" (version 3; the default topic, code 2,
  // and the title, code 3), then the pages.
  TBytes content;
  std::vector<TEntry> entries{{"/", 0, 0}};
  {
    TBytes system;
    Put32(system, 3);
    const std::string topic = pages.empty() ? std::string() : pages.front().first;
    for (const auto& [code, text] : {std::pair<std::uint16_t, std::string>{2, topic}, {3, "Test Help"}}) {
      Put16(system, code);
      Put16(system, static_cast<std::uint16_t>(text.size() + 1));
      system += text;
      system += '\0';
    }
    entries.push_back({"/#SYSTEM", content.size(), system.size()});
    content += system;
  }
  for (const auto& [name, text] : pages) {
    entries.push_back({"/" + name, content.size(), text.size()});
    content += text;
  }
  std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.Name < b.Name; });

  // The one listing chunk: its entries, free space, and the count of
  // entries in the last two bytes.
  TBytes listing;
  for (const TEntry& entry : entries) {
    PutEncInt(listing, entry.Name.size());
    listing += entry.Name;
    PutEncInt(listing, 0);  // content section 0: uncompressed
    PutEncInt(listing, entry.Offset);
    PutEncInt(listing, entry.Length);
  }
  if (listing.size() + PMGL_HEADER_C + 2 > CHUNK_SIZE_C) throw std::length_error("too many help pages");
  const auto freeSpace = static_cast<std::uint32_t>(CHUNK_SIZE_C - PMGL_HEADER_C - listing.size());
  TBytes chunk = "PMGL";
  Put32(chunk, freeSpace);
  Put32(chunk, 0);
  Put32(chunk, 0xFFFFFFFF);  // no previous chunk
  Put32(chunk, 0xFFFFFFFF);  // no next chunk
  chunk += listing;
  chunk.append(freeSpace - 2, '\0');
  Put16(chunk, static_cast<std::uint16_t>(entries.size()));

  TBytes directory = "ITSP";
  Put32(directory, 1);
  Put32(directory, ITSP_LENGTH_C);
  Put32(directory, 0x0A);
  Put32(directory, CHUNK_SIZE_C);
  Put32(directory, 2);           // quick-reference density
  Put32(directory, 1);           // depth: no index chunks
  Put32(directory, 0xFFFFFFFF);  // no root index chunk
  Put32(directory, 0);           // first listing chunk
  Put32(directory, 0);           // last listing chunk
  Put32(directory, 0xFFFFFFFF);
  Put32(directory, 1);  // chunks
  Put32(directory, 0x409);
  PutGuid(directory, 0x5D02926A, 0x212E, 0x11D0, 0x9DF900A0C922E6ECull);
  Put32(directory, ITSP_LENGTH_C);
  Put32(directory, 0xFFFFFFFF);
  Put32(directory, 0xFFFFFFFF);
  Put32(directory, 0xFFFFFFFF);
  directory += chunk;

  const std::uint64_t section0 = ITSF_LENGTH_C;
  const std::uint64_t section1 = section0 + SECTION0_LENGTH_C;
  const std::uint64_t dataOffset = section1 + directory.size();
  const std::uint64_t fileSize = dataOffset + content.size();

  TBytes file = "ITSF";
  Put32(file, 3);
  Put32(file, ITSF_LENGTH_C);
  Put32(file, 1);
  Put32(file, 0x12345678);  // time stamp
  Put32(file, 0x409);
  PutGuid(file, 0x7C01FD10, 0x7BAA, 0x11D0, 0x9E0C00A0C922E6ECull);
  PutGuid(file, 0x7C01FD11, 0x7BAA, 0x11D0, 0x9E0C00A0C922E6ECull);
  Put64(file, section0);
  Put64(file, SECTION0_LENGTH_C);
  Put64(file, section1);
  Put64(file, directory.size());
  Put64(file, dataOffset);
  // Header section 0: the file's size.
  Put32(file, 0x01FE);
  Put32(file, 0);
  Put64(file, fileSize);
  Put32(file, 0);
  Put32(file, 0);
  file += directory;
  file += content;

  std::ofstream out(std::filesystem::path(fileName), std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  if (!out) throw std::runtime_error("the help file could not be written");
}

}  // namespace TestSupport
