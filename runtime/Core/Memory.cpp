// The memory manager (see Memory.h); the program's operator new and delete
// that use it are in NewDelete.cpp.
#include "runtime/Core/Memory.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <thread>

#include "runtime/System/Win32.h"

namespace Rtl::Memory {

namespace {

constexpr std::size_t GRAIN_C = 8;
constexpr std::size_t CLASS_COUNT_C = SMALL_LIMIT_C / GRAIN_C + 1;
// A slab is one unit of the system's allocation granularity (64 KB on
// every Windows), so a block finds its slab by masking its address. Slabs
// are taken from the system a chunk of 16 at a time.
constexpr std::size_t SLAB_SHIFT_C = 16;
constexpr std::size_t SLAB_SIZE_C = std::size_t{1} << SLAB_SHIFT_C;
constexpr std::size_t SLABS_PER_CHUNK_C = 16;
constexpr std::size_t CHUNK_SIZE_C = SLAB_SIZE_C * SLABS_PER_CHUNK_C;
// Chunks whose slabs are all free that are kept rather than given back, so
// that a document freed and loaded again costs no system calls.
constexpr std::size_t KEEP_FREE_CHUNKS_C = 2;
// The header of a slab; a multiple of 16 keeps every 16-byte size class
// aligned to 16.
constexpr std::size_t SLAB_HEADER_C = 64;

struct TFreeBlock {
  TFreeBlock* Next;
};

struct TSlab {
  TSlab* Prev;  // in its size class's list of slabs with room, or in the store
  TSlab* Next;
  TFreeBlock* FreeList;
  char* Uncut;   // blocks from here on were never handed out
  char* End;     // the end of the last whole block
  TSlab* Chunk;  // the chunk's first slab
  std::uint32_t Live;
  std::uint16_t SizeClass;  // 0 while in the store
  std::uint8_t Listed;      // in its size class's list
  std::uint8_t FreeInChunk;  // kept by the chunk's first slab: slabs in the store
};
static_assert(sizeof(TSlab) <= SLAB_HEADER_C);
static_assert(SLAB_HEADER_C % 16 == 0);

class TSpinLock {
public:
  void Lock() noexcept {
    while (FBusy.test_and_set(std::memory_order_acquire)) {
      while (FBusy.test(std::memory_order_relaxed)) std::this_thread::yield();
    }
  }
  void Unlock() noexcept { FBusy.clear(std::memory_order_release); }

private:
  std::atomic_flag FBusy;
};

class TLocked {
public:
  explicit TLocked(TSpinLock& lock) noexcept : FLock(lock) { FLock.Lock(); }
  ~TLocked() { FLock.Unlock(); }
  TLocked(const TLocked&) = delete;
  TLocked& operator=(const TLocked&) = delete;

private:
  TSpinLock& FLock;
};

struct TSizeClass {
  TSpinLock Lock;
  TSlab* Open = nullptr;  // slabs with room, most recently freed into first
};

constinit TSizeClass Classes[CLASS_COUNT_C];

// The store of free slabs and the count of what is held.
struct TStore {
  TSpinLock Lock;
  TSlab* Free = nullptr;
  std::size_t Chunks = 0;
  std::size_t FreeSlabs = 0;
  std::size_t FreeChunks = 0;  // chunks whose slabs are all in the store
};
constinit TStore Store;

// Which 64 KB regions of the address space are slabs: a byte per region,
// in leaves of 4 GB that are made when a chunk first lands in one (one
// leaf on 32-bit Windows; 47 bits of user space on 64-bit).
constexpr std::size_t LEAF_SHIFT_C = 32;
constexpr std::size_t LEAF_ENTRIES_C = std::size_t{1} << (LEAF_SHIFT_C - SLAB_SHIFT_C);
constexpr std::size_t LEAF_COUNT_C = sizeof(void*) == 8 ? std::size_t{1} << (47 - LEAF_SHIFT_C) : 1;
constinit std::atomic<std::uint8_t*> Leaves[LEAF_COUNT_C];

std::uint64_t AddressOf(const void* p) {
  return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
}

// The leaf of an address, made when `make`; nullptr when the address lies
// outside the map (or its leaf could not be made).
std::uint8_t* LeafOf(std::uint64_t address, bool make) noexcept {
  const std::uint64_t index = address >> LEAF_SHIFT_C;
  if (index >= LEAF_COUNT_C) return nullptr;
  std::uint8_t* leaf = Leaves[index].load(std::memory_order_acquire);
  if (leaf != nullptr || !make) return leaf;
  // Under the store's lock: only chunks are mapped.
  leaf = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, LEAF_ENTRIES_C, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (leaf != nullptr) Leaves[index].store(leaf, std::memory_order_release);
  return leaf;
}

// The map's byte of the 64 KB region of an address; nullptr when its leaf
// was never made.
std::uint8_t* MapByte(std::uint64_t address) noexcept {
  std::uint8_t* leaf = LeafOf(address, false);
  return leaf == nullptr ? nullptr : leaf + ((address >> SLAB_SHIFT_C) & (LEAF_ENTRIES_C - 1));
}

// The i-th slab of a chunk.
TSlab* SlabAt(void* chunk, std::size_t i) noexcept {
  return reinterpret_cast<TSlab*>(static_cast<char*>(chunk) + i * SLAB_SIZE_C);
}

// Marks or unmarks the slabs of a chunk in the map. A chunk is 64 KB
// aligned, not 1 MB aligned, so it may straddle two leaves.
void MarkChunk(void* chunk, std::uint8_t mark) noexcept {
  for (std::size_t i = 0; i < SLABS_PER_CHUNK_C; ++i)
    std::atomic_ref<std::uint8_t>(*MapByte(AddressOf(SlabAt(chunk, i)))).store(mark, std::memory_order_relaxed);
}

TSlab* SlabOf(const void* block) noexcept {
  return reinterpret_cast<TSlab*>(reinterpret_cast<std::uintptr_t>(block) & ~(SLAB_SIZE_C - 1));
}

// The lists of slabs (a size class's slabs with room, the store's free
// slabs) are linked through Prev and Next, newest first.
void PushFront(TSlab*& head, TSlab* slab) noexcept {
  slab->Prev = nullptr;
  slab->Next = head;
  if (head != nullptr) head->Prev = slab;
  head = slab;
}

void Remove(TSlab*& head, TSlab* slab) noexcept {
  if (slab->Prev != nullptr) slab->Prev->Next = slab->Next;
  else head = slab->Next;
  if (slab->Next != nullptr) slab->Next->Prev = slab->Prev;
  slab->Prev = slab->Next = nullptr;
}

void StorePush(TSlab* slab) noexcept {
  slab->SizeClass = 0;
  PushFront(Store.Free, slab);
  ++Store.FreeSlabs;
  if (++slab->Chunk->FreeInChunk == SLABS_PER_CHUNK_C) ++Store.FreeChunks;
}

void StoreUnlink(TSlab* slab) noexcept {
  Remove(Store.Free, slab);
  --Store.FreeSlabs;
  if (slab->Chunk->FreeInChunk-- == SLABS_PER_CHUNK_C) --Store.FreeChunks;
}

// Takes a chunk from the system into the store; false when there is no
// memory (or the address lies outside the map).
bool NewChunk() noexcept {
  void* memory = VirtualAlloc(nullptr, CHUNK_SIZE_C, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (memory == nullptr) return false;
  const std::uint64_t address = AddressOf(memory);
  if (LeafOf(address, true) == nullptr || LeafOf(address + CHUNK_SIZE_C - 1, true) == nullptr) {
    VirtualFree(memory, 0, MEM_RELEASE);
    return false;
  }
  // The system's memory comes zeroed: every header starts empty.
  for (std::size_t i = 0; i < SLABS_PER_CHUNK_C; ++i) SlabAt(memory, i)->Chunk = SlabAt(memory, 0);
  for (std::size_t i = SLABS_PER_CHUNK_C; i-- > 0;) StorePush(SlabAt(memory, i));
  MarkChunk(memory, 1);
  ++Store.Chunks;
  return true;
}

// Gives the chunk of a slab back to the system when all its slabs are
// free and enough others are kept; under the store's lock.
void ReleaseChunkOf(TSlab* slab) noexcept {
  TSlab* chunk = slab->Chunk;
  if (chunk->FreeInChunk != SLABS_PER_CHUNK_C || Store.FreeChunks <= KEEP_FREE_CHUNKS_C) return;
  for (std::size_t i = 0; i < SLABS_PER_CHUNK_C; ++i) StoreUnlink(SlabAt(chunk, i));
  MarkChunk(chunk, 0);
  --Store.Chunks;
  VirtualFree(chunk, 0, MEM_RELEASE);
}

// A slab for a size class, from the store; nullptr when there is no memory.
TSlab* TakeSlab(std::size_t sizeClass) noexcept {
  TLocked locked(Store.Lock);
  if (Store.Free == nullptr && !NewChunk()) return nullptr;
  TSlab* slab = Store.Free;
  StoreUnlink(slab);
  const std::size_t blockSize = sizeClass * GRAIN_C;
  char* first = reinterpret_cast<char*>(slab) + SLAB_HEADER_C;
  slab->FreeList = nullptr;
  slab->Uncut = first;
  slab->End = first + (SLAB_SIZE_C - SLAB_HEADER_C) / blockSize * blockSize;
  slab->Live = 0;
  slab->SizeClass = static_cast<std::uint16_t>(sizeClass);
  slab->Listed = 0;
  return slab;
}

void GiveSlab(TSlab* slab) noexcept {
  TLocked locked(Store.Lock);
  StorePush(slab);
  ReleaseChunkOf(slab);
}

void Link(TSizeClass& sizeClass, TSlab* slab) noexcept {
  PushFront(sizeClass.Open, slab);
  slab->Listed = 1;
}

void Unlink(TSizeClass& sizeClass, TSlab* slab) noexcept {
  Remove(sizeClass.Open, slab);
  slab->Listed = 0;
}

// A block of the size class (in 8-byte steps), under the class's lock;
// nullptr when there is no memory.
void* TakeBlockLocked(TSizeClass& sizeClass, std::size_t classIndex) noexcept {
  TSlab* slab = sizeClass.Open;
  if (slab == nullptr) {
    slab = TakeSlab(classIndex);
    if (slab == nullptr) return nullptr;
    Link(sizeClass, slab);
  }
  void* block;
  if (slab->FreeList != nullptr) {
    block = slab->FreeList;
    slab->FreeList = slab->FreeList->Next;
  } else {
    block = slab->Uncut;
    slab->Uncut += classIndex * GRAIN_C;
  }
  ++slab->Live;
  if (slab->FreeList == nullptr && slab->Uncut == slab->End) Unlink(sizeClass, slab);
  return block;
}

// Puts a block back into its slab, under the class's lock; the slab when it
// became empty and must go back to the store (GiveSlab, outside the lock).
TSlab* GiveBlockLocked(TSizeClass& sizeClass, void* block) noexcept {
  TSlab* slab = SlabOf(block);
  auto* free = static_cast<TFreeBlock*>(block);
  free->Next = slab->FreeList;
  slab->FreeList = free;
  --slab->Live;
  if (slab->Listed == 0) Link(sizeClass, slab);
  // An empty slab goes back to the store unless it is the only one with
  // room (kept so that a block taken and given back in turn costs nothing
  // more).
  if (slab->Live == 0 && (slab->Prev != nullptr || slab->Next != nullptr)) {
    Unlink(sizeClass, slab);
    return slab;
  }
  return nullptr;
}

void* TakeBlock(std::size_t classIndex) noexcept {
  TSizeClass& sizeClass = Classes[classIndex];
  TLocked locked(sizeClass.Lock);
  return TakeBlockLocked(sizeClass, classIndex);
}

void GiveBlock(void* block) noexcept {
  TSizeClass& sizeClass = Classes[SlabOf(block)->SizeClass];
  TSlab* empty;
  {
    TLocked locked(sizeClass.Lock);
    empty = GiveBlockLocked(sizeClass, block);
  }
  if (empty != nullptr) GiveSlab(empty);
}

// --- Blocks kept per thread -----------------------------------------------------
//
// Each thread keeps a few free blocks of each size class for itself: most
// blocks are taken and given back without the class's lock (whose atomic
// exchange costs more than the rest of the work), and the lock is taken
// once for a batch when a thread's blocks of a class run out or pile up.
// A block in a thread's cache counts as live in its slab, and keeps the
// slab from going back to the system: owners of many blocks that free them
// together (a document's tree) give the thread's cache back afterwards
// (ReleaseThreadCache). The cache of a thread goes back when the thread
// ends (a TLS callback of the program); Usage gives the calling thread's
// back first, so that it counts exactly.

// Blocks of a class kept per thread: about this many bytes, within limits.
constexpr std::size_t CACHE_BYTES_C = 4096;
constexpr std::uint32_t CACHE_MIN_C = 4, CACHE_MAX_C = 64;

struct TBin {
  TFreeBlock* Head;
  std::uint32_t Count;
  std::uint32_t Limit;
};
struct TThreadCache {
  TBin Bins[CLASS_COUNT_C];
};

// The TLS slot of the caches: none yet, or none to be had (then no thread
// keeps blocks). The value of a thread whose cache went back at its end.
constexpr DWORD NO_SLOT_C = TLS_OUT_OF_INDEXES;
constexpr DWORD SLOT_PENDING_C = NO_SLOT_C - 1;
constinit std::atomic<DWORD> CacheSlot{SLOT_PENDING_C};
// The first 64 slots lie in the thread's environment block at a fixed
// place, where TlsGetValue reads them; read directly, they don't cost a
// call and don't clear the thread's last-error code as TlsGetValue does (an
// allocation between a failing call and its GetLastError would lose it).
constexpr DWORD DIRECT_SLOTS_C = 64;
#if defined(_WIN64)
constexpr std::size_t TEB_TLS_SLOTS_C = 0x1480;
#else
constexpr std::size_t TEB_TLS_SLOTS_C = 0xE10;
#endif
TThreadCache* const CACHE_ENDED_C = reinterpret_cast<TThreadCache*>(std::uintptr_t{1});

void* SlotValue(DWORD slot) noexcept {
  const std::size_t offset = TEB_TLS_SLOTS_C + slot * sizeof(void*);
  void* value;
#if defined(_WIN64)
  asm volatile("movq %%gs:(%1), %0" : "=r"(value) : "r"(offset));
#else
  asm volatile("movl %%fs:(%1), %0" : "=r"(value) : "r"(offset));
#endif
  return value;
}

// The slot of the caches, made at the first call; NO_SLOT_C when there is none.
DWORD CacheSlotIndex() noexcept {
  DWORD slot = CacheSlot.load(std::memory_order_acquire);
  if (slot != SLOT_PENDING_C) return slot;
  DWORD made = TlsAlloc();
  if (made >= DIRECT_SLOTS_C) {
    if (made != TLS_OUT_OF_INDEXES) TlsFree(made);
    made = NO_SLOT_C;
  }
  DWORD expected = SLOT_PENDING_C;
  if (CacheSlot.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) return made;
  if (made != NO_SLOT_C) TlsFree(made);
  return expected;
}

// The calling thread's cache, made at its first use; nullptr when it has
// none (no slot, no memory, or the thread is ending).
TThreadCache* ThreadCache() noexcept {
  const DWORD slot = CacheSlotIndex();
  if (slot == NO_SLOT_C) return nullptr;
  auto* cache = static_cast<TThreadCache*>(SlotValue(slot));
  if (cache == CACHE_ENDED_C) return nullptr;
  if (cache != nullptr) return cache;
  cache = static_cast<TThreadCache*>(std::calloc(1, sizeof(TThreadCache)));
  if (cache == nullptr) return nullptr;
  for (std::size_t i = 1; i < CLASS_COUNT_C; ++i)
    cache->Bins[i].Limit =
        static_cast<std::uint32_t>(std::clamp<std::size_t>(CACHE_BYTES_C / (i * GRAIN_C), CACHE_MIN_C, CACHE_MAX_C));
  if (!TlsSetValue(slot, cache)) {
    std::free(cache);
    return nullptr;
  }
  return cache;
}

// Gives `count` blocks of a bin back to their slabs under one lock.
void GiveFromBin(std::size_t classIndex, TBin& bin, std::uint32_t count) noexcept {
  TSizeClass& sizeClass = Classes[classIndex];
  TSlab* empty[CACHE_MAX_C];
  std::size_t emptyCount = 0;
  {
    TLocked locked(sizeClass.Lock);
    for (std::uint32_t k = 0; k < count && bin.Head != nullptr; ++k) {
      TFreeBlock* block = bin.Head;
      bin.Head = block->Next;
      --bin.Count;
      if (TSlab* slab = GiveBlockLocked(sizeClass, block)) empty[emptyCount++] = slab;
    }
  }
  for (std::size_t k = 0; k < emptyCount; ++k) GiveSlab(empty[k]);
}

// Gives every block of the calling thread's cache back.
void FlushCache(TThreadCache& cache) noexcept {
  for (std::size_t i = 1; i < CLASS_COUNT_C; ++i)
    if (cache.Bins[i].Count > 0) GiveFromBin(i, cache.Bins[i], cache.Bins[i].Count);
}

// A block of the class from the calling thread's cache, which is refilled
// with half its limit under one lock when empty; nullptr when there is no
// memory.
void* TakeCached(TThreadCache& cache, std::size_t classIndex) noexcept {
  TBin& bin = cache.Bins[classIndex];
  if (bin.Head == nullptr) {
    TSizeClass& sizeClass = Classes[classIndex];
    TLocked locked(sizeClass.Lock);
    for (std::uint32_t k = bin.Limit / 2; k > 0; --k) {
      void* block = TakeBlockLocked(sizeClass, classIndex);
      if (block == nullptr) break;
      auto* free = static_cast<TFreeBlock*>(block);
      free->Next = bin.Head;
      bin.Head = free;
      ++bin.Count;
    }
    if (bin.Head == nullptr) return nullptr;
  }
  TFreeBlock* block = bin.Head;
  bin.Head = block->Next;
  --bin.Count;
  return block;
}

// Keeps a block of a slab in the calling thread's cache, giving half of a
// full bin back.
void GiveCached(TThreadCache& cache, void* block) noexcept {
  const std::size_t classIndex = SlabOf(block)->SizeClass;
  TBin& bin = cache.Bins[classIndex];
  auto* free = static_cast<TFreeBlock*>(block);
  free->Next = bin.Head;
  bin.Head = free;
  if (++bin.Count > bin.Limit) GiveFromBin(classIndex, bin, bin.Limit / 2);
}

// At the end of a thread its cache goes back; blocks the thread gives back
// after this (other TLS callbacks, the C runtime's exit) go straight to
// their slabs.
void NTAPI OnThreadEvent(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_THREAD_DETACH) return;
  const DWORD slot = CacheSlot.load(std::memory_order_acquire);
  if (slot == NO_SLOT_C || slot == SLOT_PENDING_C) return;
  auto* cache = static_cast<TThreadCache*>(SlotValue(slot));
  if (cache == CACHE_ENDED_C) return;
  TlsSetValue(slot, CACHE_ENDED_C);
  if (cache == nullptr) return;
  FlushCache(*cache);
  std::free(cache);
}

// A block of the size class, or of the C runtime's heap for class 0;
// calls the new-handler until memory comes or there is none, then throws.
void* AllocateIn(std::size_t classIndex, std::size_t size) {
  for (;;) {
    void* block;
    if (classIndex == 0) block = std::malloc(size);
    else if (TThreadCache* cache = ThreadCache()) block = TakeCached(*cache, classIndex);
    else block = TakeBlock(classIndex);
    if (block != nullptr) return block;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

// The size class of operator new: 16-byte steps, so that every block is
// aligned as operator new promises (__STDCPP_DEFAULT_NEW_ALIGNMENT__).
std::size_t NewClassOf(std::size_t size) noexcept {
  if (size > SMALL_LIMIT_C) return 0;
  if (size == 0) size = 1;
  return (size + 15) / 16 * (16 / GRAIN_C);
}

}  // namespace

void* Allocate(std::size_t size) { return AllocateIn(NewClassOf(size), size); }

void* AllocateSmall(std::size_t size) {
  if (size > SMALL_LIMIT_C) return Allocate(size);
  return AllocateIn(size == 0 ? 1 : (size + GRAIN_C - 1) / GRAIN_C, size);
}

void Free(void* block) noexcept {
  if (block == nullptr) return;
  if (!Owns(block)) return std::free(block);
  if (TThreadCache* cache = ThreadCache()) GiveCached(*cache, block);
  else GiveBlock(block);
}

bool Owns(const void* block) noexcept {
  std::uint8_t* mark = MapByte(AddressOf(block));
  return mark != nullptr && std::atomic_ref<std::uint8_t>(*mark).load(std::memory_order_relaxed) != 0;
}

void ReleaseThreadCache() noexcept {
  const DWORD slot = CacheSlot.load(std::memory_order_acquire);
  if (slot == NO_SLOT_C || slot == SLOT_PENDING_C) return;
  auto* cache = static_cast<TThreadCache*>(SlotValue(slot));
  if (cache != nullptr && cache != CACHE_ENDED_C) FlushCache(*cache);
}

TUsage Usage() noexcept {
  ReleaseThreadCache();
  TLocked locked(Store.Lock);
  return TUsage{Store.Chunks, Store.Chunks * SLABS_PER_CHUNK_C - Store.FreeSlabs, Store.FreeSlabs};
}

}  // namespace Rtl::Memory

// The program's TLS callback (run by the loader as each thread starts and
// ends), which gives an ending thread's cache back.
extern "C" {
[[gnu::section(".CRT$XLM"), gnu::used]] const PIMAGE_TLS_CALLBACK QdMemoryThreadCallback = Rtl::Memory::OnThreadEvent;
}
