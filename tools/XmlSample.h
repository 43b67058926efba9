// A generated XML document for the reader's benchmark, tests and fuzzing:
// records with attributes in both quotes, predefined entities, character
// references and a declared entity, comments, CDATA sections, mixed content
// and non-ASCII text (UTF-8). The same seed gives the same bytes on every
// machine and compiler (plain C++, its own random numbers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace XmlSample {

// The seed of the benchmark's document.
inline constexpr std::uint64_t BENCH_SEED_C = 24;
inline constexpr std::size_t BENCH_SIZE_C = 4u << 20;

// A well-formed document of at least `size` bytes (a little more: the last
// record and the end tag complete it).
std::string Make(std::size_t size, std::uint64_t seed);

}  // namespace XmlSample
