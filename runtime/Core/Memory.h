// The memory manager. Every `new` of the program comes here (Memory.cpp
// replaces the global operator new and delete): blocks of up to
// SMALL_LIMIT_C bytes are cut from slabs of 64 KB, one list of slabs per
// size class. The thread that takes the first block (the program's main
// thread) has a heap of size classes of its own, used without a lock, and
// so has a thread that claims the second (a spare thread that works beside
// it); other threads share a third heap, each size class under a spin lock
// of its own, and give an owned heap's blocks back onto a list that its
// owner takes in when it runs out of room. Larger blocks come
// from the C runtime's heap. A slab whose blocks are all free goes back to a
// common store, and a megabyte of slabs that are all free goes back to the
// system beyond the 16 that are kept. Blocks carry no header: a slab keeps its size
// class at its start, and a block finds it by masking its address.
//
// The system heap takes a lock, a search and a header for each block; a
// document of a few hundred thousand nodes and strings spent a fifth of its
// loading there.
#pragma once

#include <cstddef>

namespace Rtl::Memory {

// Blocks of up to this many bytes come from the slabs.
inline constexpr std::size_t SMALL_LIMIT_C = 512;

// The block of operator new: aligned to 16 (size classes of 16-byte
// steps). When there is no memory, calls the new-handler until there is
// or there is none, then throws std::bad_alloc.
void* Allocate(std::size_t size);
// A block aligned to 8 only, in a size class of 8-byte steps: for classes
// whose alignment is at most 8 and of which there are very many (document
// nodes); their own operator new and delete come here.
void* AllocateSmall(std::size_t size);
// Gives back a block of Allocate or AllocateSmall; nullptr is ignored.
void Free(void* block) noexcept;

// The calling thread takes the second heap of its own, when no other
// thread has it; true when it did. It gives it up with ReleaseHeap before
// it ends (its blocks stay valid: the next owner takes them over).
bool ClaimHeap() noexcept;
void ReleaseHeap() noexcept;

// Gives every megabyte of slabs that are all free back to the system (up to
// 16 are kept otherwise, for the next blocks); the number given back.
std::size_t ReleaseFreeMemory() noexcept;

// True when the block was cut from a slab of the memory manager.
bool Owns(const void* block) noexcept;

// What the memory manager holds from the system.
struct TUsage {
  std::size_t Chunks;     // megabytes of slabs taken from the system
  std::size_t UsedSlabs;  // slabs of a size class
  std::size_t FreeSlabs;  // slabs in the common store
};
TUsage Usage() noexcept;

}  // namespace Rtl::Memory
