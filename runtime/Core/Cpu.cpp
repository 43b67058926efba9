#include "runtime/Core/Cpu.h"

#include "runtime/System/Win32.h"

namespace Rtl::Cpu {

#if !defined(__SSE2__) && defined(RTL_SSE2_PATHS)
constinit std::atomic<int> GSse2{0};

bool DetectSse2() noexcept {
  const bool present = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
  GSse2.store(present ? 2 : 1, std::memory_order_relaxed);
  return present;
}

void SetSse2ForTesting(bool useIfPresent) noexcept {
  if (useIfPresent) DetectSse2();
  else GSse2.store(1, std::memory_order_relaxed);
}
#else
void SetSse2ForTesting(bool) noexcept {}
#endif

}  // namespace Rtl::Cpu
