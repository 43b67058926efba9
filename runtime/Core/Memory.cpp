// The memory manager (see Memory.h); the program's operator new and delete
// that use it are in NewDelete.cpp.
#include "runtime/Core/Memory.h"

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
// that a document freed and loaded again costs no system calls and no first
// touch of fresh pages (which Wine makes expensive): 16 MB at most, given
// back at once by ReleaseFreeMemory.
constexpr std::size_t KEEP_FREE_CHUNKS_C = 16;
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
  std::uint8_t Heap;        // an owned heap (below OWNED_HEAPS_C) or SHARED_HEAP_C
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
  // Owned heaps only: blocks given back by other threads, taken in by the
  // owner when it runs out of room.
  std::atomic<TFreeBlock*> Remote{nullptr};
};

// Heaps of size classes. The thread that took the first block owns the
// first, a thread that claims it (ClaimHeap) the second: the owner takes
// and gives back its blocks without a lock (a lock taken and released is
// most of the cost of a block otherwise), and other threads give its
// blocks back onto a list of their own. Every other thread shares the
// last, under the size classes' locks. A slab belongs to one heap for as
// long as it holds blocks.
constexpr std::uint8_t MAIN_HEAP_C = 0;
constexpr std::uint8_t CLAIMED_HEAP_C = 1;
constexpr std::uint8_t OWNED_HEAPS_C = 2;
constexpr std::uint8_t SHARED_HEAP_C = 2;
constinit TSizeClass Classes[SHARED_HEAP_C + 1][CLASS_COUNT_C];

// The owners of the owned heaps, by their thread blocks (unique among the
// live threads); the first is null until the first block, the second
// while no thread claims it.
constinit std::atomic<const void*> Owners[OWNED_HEAPS_C];

// The thread's own block, read from the segment register that points at it
// (NtCurrentTeb's read, which draws a false bounds warning from GCC 12).
const void* CurrentThread() noexcept {
  const void* block;
#if defined(__x86_64__)
  __asm__("movq %%gs:0x30, %0" : "=r"(block));
#elif defined(__i386__)
  __asm__("movl %%fs:0x18, %0" : "=r"(block));
#else
  block = NtCurrentTeb();
#endif
  return block;
}

// The heap of the calling thread.
std::uint8_t HeapOfThread() noexcept {
  const void* self = CurrentThread();
  const void* main = Owners[MAIN_HEAP_C].load(std::memory_order_relaxed);
  if (main == self) [[likely]]
    return MAIN_HEAP_C;
  if (Owners[CLAIMED_HEAP_C].load(std::memory_order_relaxed) == self) return CLAIMED_HEAP_C;
  if (main == nullptr &&
      (Owners[MAIN_HEAP_C].compare_exchange_strong(main, self, std::memory_order_relaxed) || main == self))
    return MAIN_HEAP_C;
  return SHARED_HEAP_C;
}

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

// Gives a chunk whose slabs are all free back to the system; under the
// store's lock.
void ReleaseChunk(TSlab* chunk) noexcept {
  for (std::size_t i = 0; i < SLABS_PER_CHUNK_C; ++i) StoreUnlink(SlabAt(chunk, i));
  MarkChunk(chunk, 0);
  --Store.Chunks;
  VirtualFree(chunk, 0, MEM_RELEASE);
}

// Gives the chunk of a slab back to the system when all its slabs are
// free and enough others are kept; under the store's lock.
void ReleaseChunkOf(TSlab* slab) noexcept {
  TSlab* chunk = slab->Chunk;
  if (chunk->FreeInChunk != SLABS_PER_CHUNK_C || Store.FreeChunks <= KEEP_FREE_CHUNKS_C) return;
  ReleaseChunk(chunk);
}

// A slab for a size class of a heap, from the store; nullptr when there
// is no memory.
TSlab* TakeSlab(std::size_t sizeClass, std::uint8_t heap) noexcept {
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
  slab->Heap = heap;
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

void GiveTo(TSizeClass& sizeClass, TSlab* slab, void* block) noexcept;

// Takes in the blocks that other threads gave back to the own heap's size
// class; by the owner.
void TakeInRemote(TSizeClass& sizeClass) noexcept {
  TFreeBlock* block = sizeClass.Remote.exchange(nullptr, std::memory_order_acquire);
  while (block != nullptr) {
    TFreeBlock* next = block->Next;
    GiveTo(sizeClass, SlabOf(block), block);
    block = next;
  }
}

// A block of the size class (in 8-byte steps) of a heap, taken by its
// owner or under its lock; nullptr when there is no memory.
void* TakeFrom(TSizeClass& sizeClass, std::size_t classIndex, std::uint8_t heap) noexcept {
  TSlab* slab = sizeClass.Open;
  if (slab == nullptr && heap < OWNED_HEAPS_C && sizeClass.Remote.load(std::memory_order_relaxed) != nullptr) {
    TakeInRemote(sizeClass);
    slab = sizeClass.Open;
  }
  if (slab == nullptr) {
    slab = TakeSlab(classIndex, heap);
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

void* TakeBlock(std::size_t classIndex) noexcept {
  const std::uint8_t heap = HeapOfThread();
  if (heap < OWNED_HEAPS_C) return TakeFrom(Classes[heap][classIndex], classIndex, heap);
  TSizeClass& sizeClass = Classes[SHARED_HEAP_C][classIndex];
  TLocked locked(sizeClass.Lock);
  return TakeFrom(sizeClass, classIndex, SHARED_HEAP_C);
}

// Puts a block back into its slab; true when the slab is empty and left its
// size class's list (it goes back to the store, outside the class's lock).
bool PutBack(TSizeClass& sizeClass, TSlab* slab, void* block) noexcept {
  auto* free = static_cast<TFreeBlock*>(block);
  free->Next = slab->FreeList;
  slab->FreeList = free;
  --slab->Live;
  if (slab->Listed == 0) Link(sizeClass, slab);
  // An empty slab goes back to the store unless it is the only one with
  // room (kept so that a block taken and given back in turn costs
  // nothing more).
  if (slab->Live == 0 && (slab->Prev != nullptr || slab->Next != nullptr)) {
    Unlink(sizeClass, slab);
    return true;
  }
  return false;
}

void GiveTo(TSizeClass& sizeClass, TSlab* slab, void* block) noexcept {
  if (PutBack(sizeClass, slab, block)) GiveSlab(slab);
}

void GiveBlock(void* block) noexcept {
  TSlab* slab = SlabOf(block);
  // A slab's heap and size class stay as they are while it holds a block.
  if (slab->Heap < OWNED_HEAPS_C) {
    TSizeClass& sizeClass = Classes[slab->Heap][slab->SizeClass];
    if (HeapOfThread() == slab->Heap) return GiveTo(sizeClass, slab, block);
    // Another thread's: onto the list that the owner takes in.
    auto* free = static_cast<TFreeBlock*>(block);
    free->Next = sizeClass.Remote.load(std::memory_order_relaxed);
    while (!sizeClass.Remote.compare_exchange_weak(free->Next, free, std::memory_order_release,
                                                   std::memory_order_relaxed)) {
    }
    return;
  }
  TSizeClass& sizeClass = Classes[SHARED_HEAP_C][slab->SizeClass];
  bool release;
  {
    TLocked locked(sizeClass.Lock);
    release = PutBack(sizeClass, slab, block);
  }
  if (release) GiveSlab(slab);
}

// A block of the size class, or of the C runtime's heap for class 0;
// calls the new-handler until memory comes or there is none, then throws.
void* AllocateIn(std::size_t classIndex, std::size_t size) {
  for (;;) {
    void* block = classIndex != 0 ? TakeBlock(classIndex) : std::malloc(size);
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
  if (Owns(block)) GiveBlock(block);
  else std::free(block);
}

bool Owns(const void* block) noexcept {
  std::uint8_t* mark = MapByte(AddressOf(block));
  return mark != nullptr && std::atomic_ref<std::uint8_t>(*mark).load(std::memory_order_relaxed) != 0;
}

bool ClaimHeap() noexcept {
  const void* expected = nullptr;
  return Owners[CLAIMED_HEAP_C].compare_exchange_strong(expected, CurrentThread(), std::memory_order_acq_rel);
}

void ReleaseHeap() noexcept {
  const void* self = CurrentThread();
  Owners[CLAIMED_HEAP_C].compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

std::size_t ReleaseFreeMemory() noexcept {
  // The owner first takes in what other threads gave back to its heap, so
  // that slabs left empty by them go to the store too.
  if (const std::uint8_t heap = HeapOfThread(); heap < OWNED_HEAPS_C)
    for (TSizeClass& sizeClass : Classes[heap])
      if (sizeClass.Remote.load(std::memory_order_relaxed) != nullptr) TakeInRemote(sizeClass);
  TLocked locked(Store.Lock);
  std::size_t released = 0;
  for (TSlab* slab = Store.Free; slab != nullptr;) {
    if (slab->Chunk->FreeInChunk == SLABS_PER_CHUNK_C) {
      ReleaseChunk(slab->Chunk);
      ++released;
      slab = Store.Free;  // the chunk's slabs left the list
    } else {
      slab = slab->Next;
    }
  }
  return released;
}

TUsage Usage() noexcept {
  TLocked locked(Store.Lock);
  return TUsage{Store.Chunks, Store.Chunks * SLABS_PER_CHUNK_C - Store.FreeSlabs, Store.FreeSlabs};
}

}  // namespace Rtl::Memory
