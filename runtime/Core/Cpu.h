// The processor's instruction sets that fast paths choose by. The 64-bit
// build always has SSE2 and compiles its paths as any code. The 32-bit
// build runs on processors without it too: its SSE2 paths are functions
// marked RTL_SSE2 (compiled for SSE2, the stack aligned on entry), called
// only when Cpu::HasSse2() says the processor has it.
//
//   #if defined(RTL_SSE2_PATHS)
//     if (Rtl::Cpu::HasSse2()) i = ScanBlocks(p, n);  // RTL_SSE2 function
//   #endif
//     for (; i < n; ++i) ...                            // the rest, one by one
#pragma once

#if defined(__SSE2__)
#define RTL_SSE2_PATHS 1
#define RTL_SSE2
#elif defined(__i386__) && defined(__GNUC__)
#define RTL_SSE2_PATHS 1
#define RTL_SSE2 __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define RTL_SSE2
#endif

#include <atomic>

#if defined(RTL_SSE2_PATHS)
#include <emmintrin.h>
#endif

namespace Rtl::Cpu {

#if defined(__SSE2__)
constexpr bool HasSse2() { return true; }
#elif defined(RTL_SSE2_PATHS)
// Asks the system at the first call.
bool DetectSse2() noexcept;
extern constinit std::atomic<int> GSse2;  // 0 not asked yet, 1 without, 2 with
inline bool HasSse2() noexcept {
  const int known = GSse2.load(std::memory_order_relaxed);
  return known != 0 ? known == 2 : DetectSse2();
}
#else
constexpr bool HasSse2() { return false; }
#endif

// For tests of the 32-bit build: the paths for processors without SSE2 on
// (false) or the processor's own choice again (true). Nothing elsewhere.
void SetSse2ForTesting(bool useIfPresent) noexcept;

}  // namespace Rtl::Cpu
