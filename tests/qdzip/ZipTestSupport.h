// Helpers of the zip tests: archives with any names written straight with
// libzip (the hostile ones TQdZip never writes), the raw central directory,
// whole files, pseudo-random data and Debian's tools run through Wine.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <zip.h>

#include "QdClasses/System.h"
#include "TestSupport.h"
#include "runtime/Core/Types.h"
#include "runtime/IO/Streams.h"

namespace ZipTest {

// Writes an archive with the entries (name as stored, bytes), deflated; a
// name that ends in "/" is a directory entry.
inline void WriteArchive(const std::wstring& fileName, const std::vector<std::pair<std::string, std::string>>& entries,
                         int method = ZIP_CM_DEFLATE) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* file = zip_source_win32w_create(fileName.c_str(), 0, -1, &error);
  ASSERT_NE(file, nullptr);
  zip_t* zip = zip_open_from_source(file, ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(zip, nullptr) << zip_error_strerror(&error);
  for (const auto& [name, data] : entries) {
    zip_int64_t index;
    if (!name.empty() && name.back() == '/') index = zip_dir_add(zip, name.c_str(), ZIP_FL_ENC_RAW);
    else {
      zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
      index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_RAW);
      if (index < 0) zip_source_free(source);
      else zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), method, 0);
    }
    EXPECT_GE(index, 0) << name << ": " << zip_strerror(zip);
  }
  ASSERT_EQ(zip_close(zip), 0) << zip_strerror(zip);
}

inline std::string Text(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline std::string ReadFile(const std::wstring& fileName) {
  Rtl::TFileStream stream(fileName, Rtl::fmOpenRead | Rtl::fmShareDenyNone);
  std::string data(static_cast<std::size_t>(stream.Size()), '\0');
  if (!data.empty()) stream.ReadBuffer(data.data(), static_cast<int>(data.size()));
  return data;
}

inline void WriteBytes(const std::wstring& fileName, const std::string& data) {
  Rtl::TFileStream stream(fileName, Rtl::fmCreate);
  if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int>(data.size()));
}

// Data that deflate can't shrink much, reproducibly.
inline std::string PseudoRandom(std::size_t size, std::uint32_t seed) {
  std::string data(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x & 0xFF);
  }
  return data;
}

struct TRawEntry {
  std::string Name;
  std::uint16_t Flags;
  std::uint16_t Method;
  std::uint32_t CompressedSize;
  std::uint32_t Size;
  std::size_t HeaderOffset;  // of the central directory record
};
using TRawEntries = std::vector<TRawEntry>;

inline std::uint32_t Le(const std::string& d, std::size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(d[at + static_cast<std::size_t>(i)]);
  return v;
}

inline void SetLe(std::string& d, std::size_t at, int size, std::uint32_t value) {
  for (int i = 0; i < size; ++i) d[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// The central directory of a small archive (no ZIP64), in stored order.
inline TRawEntries RawEntries(const std::string& d) {
  TRawEntries entries;
  const std::size_t eocd = d.rfind(std::string("PK\x05\x06", 4));
  if (eocd == std::string::npos) return entries;
  const std::uint32_t count = Le(d, eocd + 10, 2);
  std::size_t at = Le(d, eocd + 16, 4);
  for (std::uint32_t i = 0; i < count && at + 46 <= d.size(); ++i) {
    const std::size_t nameLength = Le(d, at + 28, 2);
    entries.push_back({d.substr(at + 46, nameLength), static_cast<std::uint16_t>(Le(d, at + 8, 2)),
                       static_cast<std::uint16_t>(Le(d, at + 10, 2)), Le(d, at + 20, 4), Le(d, at + 24, 4), at});
    at += 46 + nameLength + Le(d, at + 30, 2) + Le(d, at + 32, 2);
  }
  return entries;
}

inline TRawEntries RawEntries(const std::wstring& fileName) { return RawEntries(ReadFile(fileName)); }

// The unix name of a file of the prefix, as an argument of a unix program.
inline std::string Unix(const std::wstring& path) { return TestSupport::Narrow(Qd::TQdSystem::GetUnixFileName(path)); }

// Runs a shell command line through Wine; true for exit status 0.
inline bool Shell(const std::string& command) { return TestSupport::RunWineUnixProgram({"/bin/sh", "-c", command}); }

}  // namespace ZipTest
