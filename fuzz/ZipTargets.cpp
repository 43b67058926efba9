// The fuzz target of zip archives: each case is loaded from a memory stream,
// listed, and every entry extracted to memory under small limits; one case
// in 100 is extracted into a new folder of its own, and nothing may appear
// beside that folder.
//
// Seeds: archives of our own writer (stored, deflated, folders, UTF-8 and
// code-page names), archives with hostile names written straight with
// libzip, and, where Wine runs unix programs, archives of Debian's zip
// (-r, -0, -fz for ZIP64 fields, and into a pipe for data descriptors).
// Generated cases take a seed archive and set one field of its headers
// (sizes, offsets, counts, name lengths, CRC, method, flags) to an
// extreme or random value.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include <zip.h>

#include "Fuzz.h"
#include "QdClasses/File.h"
#include "QdClasses/System.h"
#include "QdStream.h"
#include "QdZip.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Text/StringList.h"

namespace Fuzz {

namespace {

constexpr std::int64_t MAX_DATA_C = 1 << 20;
constexpr std::int64_t MAX_EXTRACT_C = 4 << 20;

TBytes ReadAll(const std::wstring& fileName) {
  try {
    const Rtl::TBytes bytes = Qd::TFile::FileToBytes(fileName);
    return TBytes(bytes.begin(), bytes.end());
  } catch (const Rtl::Exception&) {
    return {};
  }
}

// An archive in memory written straight with libzip: any names, also those
// TQdZip never writes.
TBytes RawArchive(const std::vector<std::pair<std::string, std::string>>& entries, int method) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (buffer == nullptr) return {};
  zip_source_keep(buffer);
  zip_t* zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  TBytes bytes;
  if (zip != nullptr) {
    for (const auto& [name, data] : entries) {
      zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
      const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_RAW);
      if (index < 0) zip_source_free(source);
      else zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), method, 0);
    }
    zip_stat_t stat;
    if (zip_close(zip) != 0) {
      zip_discard(zip);
    } else if (zip_source_stat(buffer, &stat) == 0 && zip_source_open(buffer) == 0) {
      bytes.resize(static_cast<std::size_t>(stat.size));
      if (zip_source_read(buffer, bytes.data(), bytes.size()) != static_cast<zip_int64_t>(stat.size)) bytes.clear();
      zip_source_close(buffer);
    }
  }
  zip_source_free(buffer);
  return bytes;
}

std::vector<TBytes> MakeSeeds() {
  std::vector<TBytes> seeds;
  auto add = [&](const Rtl::TBytes& bytes) {
    if (!bytes.empty()) seeds.emplace_back(bytes.begin(), bytes.end());
  };
  // Our writer.
  const Rtl::TBytes text(Rtl::TBytes(300, 'q'));
  add(Qd::TQdZip::ZipData(text));
  add(Qd::TQdZip::ZipData(Rtl::TBytes{'h', 'i'}, L"dir/sub/\u00e9t\u00e9.txt"));
  TestSupport::TTempDir dir(L"qdfuzzseed");
  TestSupport::WriteFile(dir / L"src\\a.txt", std::string(200, 'a'));
  TestSupport::WriteFile(dir / L"src\\stored.bin", "stored bytes");
  TestSupport::WriteFile(dir / L"src\\sub\\caf\u00e9.txt", "b");
  TestSupport::MakeDir(dir / L"src\\empty");
  Qd::TQdZip::ZipDir(dir / L"ours.zip", dir / L"src", true, true, Qd::DEFAULT_ZIP_OPTIONS_C,
                     [](const std::wstring& fileName, int& compression, bool&) {
                       if (fileName.ends_with(L".bin")) compression = Qd::ZIP_METHOD_STORED_C;
                     });
  seeds.push_back(ReadAll(dir / L"ours.zip"));
  Qd::TQdZip::ZipDir(dir / L"ansi.zip", dir / L"src", true, true, Qd::TQdZipOptions{Qd::zoAnsiNames});
  seeds.push_back(ReadAll(dir / L"ansi.zip"));
  // Hostile names.
  seeds.push_back(RawArchive({{"../evil.txt", "x"}, {"a/../../b", "y"}, {"C:x", "z"}, {"CON.txt", "c"},
                              {"\\\\server\\share\\x", "s"}, {"dir/", ""}, {"ok.txt", std::string(100, 'o')}},
                             ZIP_CM_DEFLATE));
  seeds.push_back(RawArchive({{"stored.txt", "stored"}, {"x\x01y", "ctl"}}, ZIP_CM_STORE));
  // Debian's zip, where Wine runs it.
  const std::string src = Rtl::WideToCodePage(Qd::TQdSystem::GetUnixFileName(dir / L"src"), 65001);
  const std::string out = Rtl::WideToCodePage(Qd::TQdSystem::GetUnixFileName(dir.Path()), 65001);
  if (!src.empty() && !out.empty()) {
    const std::string cd = "cd '" + src + "' && ";
    for (const char* options : {"-r", "-r -0", "-r -fz"})
      if (TestSupport::RunWineUnixProgram({"/bin/sh", "-c", cd + "zip -q " + options + " '" + out + "/t.zip' . && cat '" +
                                                              out + "/t.zip' > '" + out + "/seed.zip' && rm '" + out +
                                                              "/t.zip'"}))
        seeds.push_back(ReadAll(dir / L"seed.zip"));
    if (TestSupport::RunWineUnixProgram({"/bin/sh", "-c", "printf 'piped data piped data' | zip -q - - | cat > '" + out + "/seed.zip'"}))
      seeds.push_back(ReadAll(dir / L"seed.zip"));
  }
  std::erase_if(seeds, [](const TBytes& seed) { return seed.empty(); });
  return seeds;
}

const std::vector<TBytes>& CachedSeeds() {
  static const std::vector<TBytes> seeds = MakeSeeds();
  return seeds;
}

std::vector<TBytes> ZipSeeds() { return CachedSeeds(); }

std::vector<std::string> ZipTokens() {
  return {std::string("PK\x03\x04", 4), std::string("PK\x01\x02", 4), std::string("PK\x05\x06", 4),
          std::string("PK\x06\x06", 4), std::string("PK\x06\x07", 4), std::string("PK\x07\x08", 4),
          std::string("\xFF\xFF\xFF\xFF", 4), std::string("\x01\x00\x10\x00", 4), std::string("\x00\x00\x00\x00", 4),
          "../", "..\\", "C:", "CON", "/", "\\\\", ":", std::string("\x08\x00", 2), std::string("\x63\x00", 2)};
}

void Put(TBytes& data, std::size_t at, int size, std::uint64_t value) {
  for (int i = 0; i < size && at + static_cast<std::size_t>(i) < data.size(); ++i)
    data[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get(const TBytes& data, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    if (at + static_cast<std::size_t>(i) < data.size()) value = value << 8 | data[at + static_cast<std::size_t>(i)];
  return value;
}

// A seed archive with one header field set to an extreme or random value.
TBytes ZipGenerate(std::uint64_t seed) {
  const std::vector<TBytes>& seeds = CachedSeeds();
  if (seeds.empty()) return {};
  std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 7;
  auto next = [&] {
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    return x * 0x2545F4914F6CDD1Dull;
  };
  TBytes data = seeds[next() % seeds.size()];
  // The places of the headers: local (PK 3 4), central (PK 1 2), end
  // records (PK 5 6, PK 6 6, PK 6 7).
  std::vector<std::pair<std::size_t, std::uint8_t>> headers;
  for (std::size_t i = 0; i + 4 <= data.size(); ++i)
    if (data[i] == 'P' && data[i + 1] == 'K' && data[i + 2] < 8 && data[i + 3] < 9) headers.push_back({i, data[i + 2]});
  const int changes = 1 + static_cast<int>(next() % 3);
  for (int change = 0; change < changes && !headers.empty(); ++change) {
    const auto [at, kind] = headers[next() % headers.size()];
    // Field offsets and widths of each record.
    static constexpr std::pair<int, int> LOCAL_C[] = {{6, 2}, {8, 2}, {14, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2}};
    static constexpr std::pair<int, int> CENTRAL_C[] = {{6, 2}, {8, 2}, {10, 2}, {16, 4}, {20, 4}, {24, 4},
                                                        {28, 2}, {30, 2}, {32, 2}, {34, 2}, {38, 4}, {42, 4}};
    static constexpr std::pair<int, int> END_C[] = {{4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 4}, {16, 4}, {20, 2}};
    static constexpr std::pair<int, int> END64_C[] = {{4, 8}, {16, 4}, {24, 8}, {32, 8}, {40, 8}, {48, 8}};
    std::pair<int, int> field;
    if (kind == 3) field = LOCAL_C[next() % std::size(LOCAL_C)];
    else if (kind == 1) field = CENTRAL_C[next() % std::size(CENTRAL_C)];
    else if (kind == 5) field = END_C[next() % std::size(END_C)];
    else if (kind == 6) field = END64_C[next() % std::size(END64_C)];
    else field = {4 + static_cast<int>(next() % 12), 4};
    const std::size_t place = at + static_cast<std::size_t>(field.first);
    const std::uint64_t old = Get(data, place, std::min(field.second, 4));
    std::uint64_t value;
    switch (next() % 7) {
      case 0: value = 0; break;
      case 1: value = ~std::uint64_t{0}; break;
      case 2: value = old + 1; break;
      case 3: value = old - 1; break;
      case 4: value = old * 1000 + next() % 1000; break;
      case 5: value = std::uint64_t{1} << (next() % (8 * static_cast<unsigned>(field.second))); break;
      default: value = next(); break;
    }
    Put(data, place, field.second, value);
  }
  // Now and then, deflate data damaged too.
  if (next() % 4 == 0 && !data.empty()) data[next() % data.size()] ^= static_cast<std::uint8_t>(1u << (next() % 8));
  return data;
}

// Nothing but `out` may be in `sandbox` after an extraction into `out`.
void CheckSandbox(const std::wstring& sandbox) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((sandbox + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  bool outside = false;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L".." && name != L"out") outside = true;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  if (outside) Fail("zip-archive: a file written outside the destination folder");
}

void ZipArchive(TInput input) {
  Qd::TQdMemoryStream stream(const_cast<std::uint8_t*>(input.data()), static_cast<std::int64_t>(input.size()));
  Qd::TQdZip zip;
  zip.SetMaxDataBytes(MAX_DATA_C);
  zip.SetMaxExtractBytes(MAX_EXTRACT_C);
  try {
    zip.Load(stream);
  } catch (const Rtl::Exception&) {
    return;
  }
  for (int i = 0; i < zip.GetCount(); ++i) {
    try {
      zip.GetFileName(i);
      zip.GetCompressionMethod(i);
      const Rtl::TBytes bytes = zip.ExtractToBytes(i);
      if (static_cast<std::int64_t>(bytes.size()) > MAX_DATA_C) Fail("zip-archive: a result beyond the limit");
    } catch (const Rtl::Exception&) {
    }
  }
  // One case in 100 (by its content) into a folder.
  std::uint32_t hash = 2166136261u;
  for (std::uint8_t byte : input) hash = (hash ^ byte) * 16777619u;
  if (hash % 100 != 0) return;
  TestSupport::TTempDir sandbox(L"qdfuzzzip");
  try {
    zip.ExtractAll(sandbox / L"out");
  } catch (const Rtl::Exception&) {
  }
  CheckSandbox(sandbox.Path());
}

}  // namespace

// Weight 48: the cases are cheap (most damaged archives fail to load), and
// the test run's 25,000 x 48 take about a minute.
TTarget ZipArchiveTarget() { return {"zip-archive", ZipArchive, ZipSeeds, ZipTokens, 48, ZipGenerate}; }

}  // namespace Fuzz
