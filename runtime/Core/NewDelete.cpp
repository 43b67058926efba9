// The program's operator new and delete: the memory manager's (Memory.h).
// In a file of their own, so that an executable with operators of its own
// (a test that counts its memory) still links the memory manager.
// The aligned forms stay the C++ runtime's own (they pair among themselves).
#include <new>

#include "runtime/Core/Memory.h"

void* operator new(std::size_t size) { return Rtl::Memory::Allocate(size); }
void* operator new[](std::size_t size) { return Rtl::Memory::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Rtl::Memory::Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { Rtl::Memory::Free(block); }
void operator delete[](void* block) noexcept { Rtl::Memory::Free(block); }
void operator delete(void* block, std::size_t) noexcept { Rtl::Memory::Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Rtl::Memory::Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Rtl::Memory::Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Rtl::Memory::Free(block); }
