// Replaces the global operator new and delete of the test executable with
// counting ones (the block sizes come from the C runtime's _msize).
#include "AllocationHook.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> InUse{0};
std::atomic<std::size_t> Peak{0};

void* Allocate(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const std::size_t now = InUse.fetch_add(_msize(p)) + _msize(p);
  std::size_t peak = Peak.load();
  while (now > peak && !Peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  InUse.fetch_sub(_msize(p));
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace XmlTest {

std::size_t HeapInUse() { return InUse.load(); }
void ResetHeapPeak() { Peak.store(InUse.load()); }
std::size_t HeapPeak() { return Peak.load(); }

}  // namespace XmlTest
