// The executables of both builds, read from the files themselves: the i686
// build makes 32-bit PE files and the x86_64 build 64-bit ones, and the
// program's manifest names the matching architecture (x86 and amd64).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The file's bytes, or its first `limit` bytes (the headers are at the
// start: the test programs with their debug information are large).
Bytes ReadBytes(const std::wstring& fileName, std::size_t limit = SIZE_MAX) {
  Bytes bytes;
  const Rtl::TFileHandle file(
      CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return bytes;
  std::uint8_t buffer[65536];
  DWORD read = 0;
  while (bytes.size() < limit && ::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
    bytes.insert(bytes.end(), buffer, buffer + read);
  return bytes;
}

// What the tests need of a PE file; every read is checked against the end.
class TPeFile {
public:
  explicit TPeFile(Bytes bytes) : FBytes(std::move(bytes)) {
    if (U16(0) != 0x5A4D) return;  // "MZ"
    const std::uint32_t pe = U32(0x3C);
    if (U32(pe) != 0x00004550) return;  // "PE\0\0"
    Machine = U16(pe + 4);
    const std::uint32_t sections = U16(pe + 6);
    const std::uint32_t optional = pe + 24;
    Magic = U16(optional);
    const std::uint32_t directories = optional + (Magic == 0x20B ? 112 : 96);
    FResourceRva = U32(directories + 2 * 8);
    const std::uint32_t table = optional + U16(pe + 20);
    for (std::uint32_t i = 0; i < sections; ++i) {
      const std::uint32_t s = table + i * 40;
      FSections.push_back({U32(s + 12), std::max(U32(s + 8), U32(s + 16)), U32(s + 20)});
    }
  }

  std::uint16_t Machine = 0;
  std::uint16_t Magic = 0;

  // The text of resource type 24 (RT_MANIFEST), id 1, first language.
  std::optional<std::string> Manifest() const {
    const auto base = Offset(FResourceRva);
    if (!base) return std::nullopt;
    auto dir = Entry(*base, *base, 24);
    if (!dir) return std::nullopt;
    dir = Entry(*base, *dir, 1);
    if (!dir) return std::nullopt;
    if (U16(*dir + 14) + U16(*dir + 12) == 0) return std::nullopt;
    const std::uint32_t data = *base + (U32(*dir + 16 + 4) & 0x7FFFFFFF);
    const auto at = Offset(U32(data));
    const std::uint32_t size = U32(data + 4);
    if (!at || *at + std::uint64_t{size} > FBytes.size()) return std::nullopt;
    return std::string(FBytes.begin() + *at, FBytes.begin() + *at + size);
  }

private:
  struct TSection {
    std::uint32_t Rva, Size, Raw;
  };
  Bytes FBytes;
  std::uint32_t FResourceRva = 0;
  std::vector<TSection> FSections;

  std::uint32_t Byte(std::uint64_t at) const { return at < FBytes.size() ? FBytes[at] : 0; }
  std::uint32_t U16(std::uint64_t at) const { return Byte(at) | Byte(at + 1) << 8; }
  std::uint32_t U32(std::uint64_t at) const { return U16(at) | U16(at + 2) << 16; }

  std::optional<std::uint32_t> Offset(std::uint32_t rva) const {
    for (const TSection& s : FSections)
      if (rva >= s.Rva && rva - s.Rva < s.Size) return rva - s.Rva + s.Raw;
    return std::nullopt;
  }
  // The subdirectory of the entry with the numeric id `id` in the
  // resource directory at `dir`.
  std::optional<std::uint32_t> Entry(std::uint32_t base, std::uint32_t dir, std::uint32_t id) const {
    const std::uint32_t count = U16(dir + 12) + U16(dir + 14);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t e = dir + 16 + i * 8;
      if (U32(e) == id && (U32(e + 4) & 0x80000000u) != 0) return base + (U32(e + 4) & 0x7FFFFFFF);
    }
    return std::nullopt;
  }
};

std::vector<std::wstring> Executables(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  const Rtl::TFindHandle find(FindFirstFileW((dir + L"\\*.exe").c_str(), &data));
  if (!find) return names;
  do names.push_back(dir + L"\\" + data.cFileName);
  while (FindNextFileW(find.Get(), &data));
  return names;
}

std::wstring BuildRoot() {
  std::wstring relative = L"" QD_BUILD_ROOT;
  std::replace(relative.begin(), relative.end(), L'/', L'\\');
  return Rtl::ExtractFilePath(Rtl::GetModuleFileName()) + relative;
}

struct TArchitecture {
  const wchar_t* Name;
  std::uint16_t Machine;
  std::uint16_t Magic;
  const char* ManifestName;
};

class ExecutableTest : public ::testing::TestWithParam<TArchitecture> {};

TEST_P(ExecutableTest, EveryProgramOfTheBuildIsOfItsArchitecture) {
  const TArchitecture& arch = GetParam();
  const std::wstring build = BuildRoot() + L"\\" + arch.Name;
  const std::wstring program = build + L"\\app\\Korvasweep.exe";
  if (!TestSupport::Exists(program)) {
    // Our own build is always there; the other one only where scripts/build
    // made both side by side.
    ASSERT_NE(std::wstring(arch.Name), L"" QD_BUILD_ARCH) << "this build's program is missing";
    GTEST_SKIP() << "no " << TestSupport::Narrow(arch.Name) << " build beside this one";
  }
  std::vector<std::wstring> files = Executables(build + L"\\app");
  for (const std::wstring& test : Executables(build + L"\\tests")) files.push_back(test);
  EXPECT_GE(files.size(), 3u);
  for (const std::wstring& file : files) {
    SCOPED_TRACE(TestSupport::Narrow(file));
    const TPeFile pe(ReadBytes(file, 65536));
    EXPECT_EQ(pe.Machine, arch.Machine);
    EXPECT_EQ(pe.Magic, arch.Magic);
  }

  // Every processorArchitecture in the manifest (the program's and the
  // common controls') is the build's.
  const auto manifest = TPeFile(ReadBytes(program)).Manifest();
  ASSERT_TRUE(manifest.has_value()) << "the program has no manifest";
  const std::string attribute = "processorArchitecture=\"";
  int found = 0;
  for (size_t at = manifest->find(attribute); at != std::string::npos; at = manifest->find(attribute, at + 1)) {
    const size_t start = at + attribute.size();
    EXPECT_EQ(manifest->substr(start, manifest->find('"', start) - start), arch.ManifestName);
    ++found;
  }
  EXPECT_EQ(found, 2);
  EXPECT_NE(manifest->find("requireAdministrator"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Builds, ExecutableTest,
                         ::testing::Values(TArchitecture{L"i686", 0x014C, 0x10B, "x86"},
                                           TArchitecture{L"x86_64", 0x8664, 0x20B, "amd64"}),
                         [](const auto& param) { return param.param.Machine == 0x014C ? "i686" : "x86_64"; });

TEST(ExecutableTest, ThisProcessIsOfItsBuildsArchitecture) {
  EXPECT_EQ(sizeof(void*) == 8 ? L"x86_64" : L"i686", std::wstring(L"" QD_BUILD_ARCH));
}

}  // namespace
