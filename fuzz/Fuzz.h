// The shared fuzz harness: every reader of untrusted bytes has a target
// here. A target takes one input and may raise the library's exceptions
// (Rtl::Exception and its descendants: bad input gets a clear error); any
// other exception, a crash, an assertion of the checked standard library or
// a broken round trip is a fault, and the driver saves the input that
// caused it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Fuzz {

using TInput = std::span<const std::uint8_t>;
using TBytes = std::vector<std::uint8_t>;

struct TTarget {
  const char* Name;
  void (*Run)(TInput input);
  // Valid and nearly valid inputs that the mutations start from.
  std::vector<TBytes> (*Seeds)();
  // Tokens that the mutations insert (markers, escapes, keywords).
  std::vector<std::string> (*Dictionary)();
  // Cases in a run, as a multiple of --iterations: a reader whose inputs are
  // cheap and whose formats are deep gets more.
  unsigned Weight = 1;
  // Optional: builds a structured input (valid, or broken on purpose) from a
  // seed. When set, every other case is generated instead of mutated.
  TBytes (*Generate)(std::uint64_t seed) = nullptr;
};

// Every target, in a fixed order.
std::span<const TTarget> Targets();

// A property of a target that doesn't hold: the driver reports it like a
// crash, with the input.
[[noreturn]] void Fail(const std::string& what);

// Helpers for the targets: the input as UTF-16 code units (two bytes each,
// little-endian; an odd last byte as one unit) and as one unit per byte.
std::wstring AsUtf16(TInput input);
std::wstring AsLatin1(TInput input);
TBytes Bytes(std::string_view text);
TBytes Utf16Bytes(std::wstring_view text);

}  // namespace Fuzz
