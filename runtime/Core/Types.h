// Basic value types shared by the runtime and the library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Rtl {

// A counted sequence of bytes.
using TBytes = std::vector<std::uint8_t>;

// An 8-bit string that carries raw bytes with no code page.
using RawByteString = std::string;

// Unicode code points (UCS-4), without a terminating zero.
using UCS4String = std::vector<std::uint32_t>;

}  // namespace Rtl

namespace Rtl {

// An operating-system handle, and a loaded module's instance handle (the
// program's own module or one loaded as a data file).
using THandle = std::uintptr_t;
using HINST = std::uintptr_t;

}  // namespace Rtl

namespace Rtl {

// A globally unique identifier, laid out as the system's GUID.
struct TGuid {
  std::uint32_t D1;
  std::uint16_t D2;
  std::uint16_t D3;
  std::uint8_t D4[8];

  friend bool operator==(const TGuid&, const TGuid&) = default;
};

}  // namespace Rtl
