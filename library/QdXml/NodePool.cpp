// The pool of the document model's small objects (see NodePool.h).
#include "QdXml/NodePool.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <thread>

#include "runtime/System/Win32.h"

namespace Qd::XmlNodePool {

namespace {

constexpr std::size_t GRAIN_C = 8;
// A slab is one reservation of the system's allocation granularity (64 KB
// on every Windows), so a block finds its slab by masking its address.
constexpr std::size_t SLAB_SIZE_C = 64 * 1024;
constexpr std::size_t SLAB_HEADER_C = 64;

struct TFreeBlock {
  TFreeBlock* Next;
};

// The start of each slab: its free blocks and its place in the list of
// slabs of its size that have room.
struct TSlab {
  TSlab* Prev;
  TSlab* Next;
  TFreeBlock* FreeList;
  char* Uncut;  // blocks from here on were never handed out
  char* End;    // the end of the last whole block
  std::size_t Live;
  bool Listed;
};
static_assert(sizeof(TSlab) <= SLAB_HEADER_C);

struct TSizePool {
  std::atomic_flag Busy;
  TSlab* Open = nullptr;  // slabs with room, most recently freed into first
};

constinit TSizePool Pools[MAX_SIZE_C / GRAIN_C + 1];

class TLock {
public:
  explicit TLock(std::atomic_flag& flag) : FFlag(flag) {
    while (FFlag.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  ~TLock() { FFlag.clear(std::memory_order_release); }
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;

private:
  std::atomic_flag& FFlag;
};

std::size_t Rounded(std::size_t size) { return (size + GRAIN_C - 1) / GRAIN_C * GRAIN_C; }

void Link(TSizePool& pool, TSlab* slab) {
  slab->Prev = nullptr;
  slab->Next = pool.Open;
  if (pool.Open != nullptr) pool.Open->Prev = slab;
  pool.Open = slab;
  slab->Listed = true;
}

void Unlink(TSizePool& pool, TSlab* slab) {
  if (slab->Prev != nullptr) slab->Prev->Next = slab->Next;
  else pool.Open = slab->Next;
  if (slab->Next != nullptr) slab->Next->Prev = slab->Prev;
  slab->Prev = slab->Next = nullptr;
  slab->Listed = false;
}

TSlab* NewSlab(std::size_t rounded) {
  void* memory = VirtualAlloc(nullptr, SLAB_SIZE_C, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (memory == nullptr) throw std::bad_alloc();
  auto* slab = static_cast<TSlab*>(memory);
  char* first = static_cast<char*>(memory) + SLAB_HEADER_C;
  *slab = TSlab{nullptr, nullptr, nullptr, first,
                first + (SLAB_SIZE_C - SLAB_HEADER_C) / rounded * rounded, 0, false};
  return slab;
}

}  // namespace

void* Allocate(std::size_t size) {
  if (size == 0 || size > MAX_SIZE_C) return ::operator new(size);
  const std::size_t rounded = Rounded(size);
  TSizePool& pool = Pools[rounded / GRAIN_C];
  TLock lock(pool.Busy);
  TSlab* slab = pool.Open;
  if (slab == nullptr) {
    slab = NewSlab(rounded);
    Link(pool, slab);
  }
  void* block;
  if (slab->FreeList != nullptr) {
    block = slab->FreeList;
    slab->FreeList = slab->FreeList->Next;
  } else {
    block = slab->Uncut;
    slab->Uncut += rounded;
  }
  ++slab->Live;
  if (slab->FreeList == nullptr && slab->Uncut == slab->End) Unlink(pool, slab);
  return block;
}

void Free(void* block, std::size_t size) noexcept {
  if (block == nullptr) return;
  if (size == 0 || size > MAX_SIZE_C) {
    ::operator delete(block);
    return;
  }
  TSizePool& pool = Pools[Rounded(size) / GRAIN_C];
  auto* slab = reinterpret_cast<TSlab*>(reinterpret_cast<std::uintptr_t>(block) & ~(SLAB_SIZE_C - 1));
  bool release = false;
  {
    TLock lock(pool.Busy);
    auto* free = static_cast<TFreeBlock*>(block);
    free->Next = slab->FreeList;
    slab->FreeList = free;
    --slab->Live;
    if (!slab->Listed) Link(pool, slab);
    // An empty slab goes back to the system unless it is the only one
    // with room (kept so that a node made and freed in turn costs no
    // system call).
    if (slab->Live == 0 && (slab->Prev != nullptr || slab->Next != nullptr)) {
      Unlink(pool, slab);
      release = true;
    }
  }
  if (release) VirtualFree(slab, 0, MEM_RELEASE);
}

}  // namespace Qd::XmlNodePool
