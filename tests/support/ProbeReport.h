// The report of a probe: a small program that a test starts and that
// writes what it saw to a file the test then reads. Header-only, so that a
// probe needs nothing but the library.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/Text/Utf8.h"

namespace TestSupport {

// Writes `text` in UTF-8 to `fileName`; the probe's exit code: 0 when
// written, 3 when the file can't be made, 4 when writing fails.
inline int WriteProbeReport(const wchar_t* fileName, const std::wstring& text) {
  std::FILE* file = _wfopen(fileName, L"wb");
  if (file == nullptr) return 3;
  const std::string bytes = Rtl::Utf8Encode(text);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written ? 0 : 4;
}

}  // namespace TestSupport
