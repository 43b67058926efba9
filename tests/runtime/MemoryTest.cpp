// The memory manager behind operator new: blocks of every size class,
// alignment, blocks given back by other threads (also those of the heaps
// that one thread owns and uses without a lock), memory going back to the
// system, and running out of memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <limits>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "runtime/Core/Memory.h"
#include "runtime/System/Win32.h"

namespace {

std::uintptr_t AddressOf(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// A block filled with a pattern of its own, checked before it goes.
struct TBlock {
  unsigned char* Data;
  std::size_t Size;
  unsigned char Seed;
};

void Fill(const TBlock& block) {
  for (std::size_t i = 0; i < block.Size; ++i) block.Data[i] = static_cast<unsigned char>(block.Seed + i * 7);
}

bool Intact(const TBlock& block) {
  for (std::size_t i = 0; i < block.Size; ++i)
    if (block.Data[i] != static_cast<unsigned char>(block.Seed + i * 7)) return false;
  return true;
}

TEST(Memory, EveryFormOfNewGivesAlignedBlocksOfItsOwn) {
  // operator new is the memory manager's in this executable.
  auto small = std::make_unique<int>(1);
  EXPECT_TRUE(Rtl::Memory::Owns(small.get()));
  std::vector<char> large(Rtl::Memory::SMALL_LIMIT_C + 1);
  EXPECT_FALSE(Rtl::Memory::Owns(large.data()));
  EXPECT_FALSE(Rtl::Memory::Owns(nullptr));
  int onStack = 0;
  EXPECT_FALSE(Rtl::Memory::Owns(&onStack));

  // Every size around the classes' edges, twice, overlapping nothing.
  std::vector<TBlock> blocks;
  for (int round = 0; round < 2; ++round)
    for (std::size_t size = 0; size <= Rtl::Memory::SMALL_LIMIT_C + 40; ++size) {
      auto* data = static_cast<unsigned char*>(::operator new(size));
      ASSERT_NE(data, nullptr);
      // Small blocks are aligned to 16; larger ones as the C runtime's
      // heap aligns them (8 on 32-bit Windows).
      EXPECT_EQ(AddressOf(data) % (size <= Rtl::Memory::SMALL_LIMIT_C ? 16 : alignof(double)), 0u) << size;
      EXPECT_EQ(Rtl::Memory::Owns(data), size <= Rtl::Memory::SMALL_LIMIT_C) << size;
      blocks.push_back({data, size, static_cast<unsigned char>(size)});
      Fill(blocks.back());
    }
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> ranges;
  for (const TBlock& block : blocks) ranges.emplace_back(AddressOf(block.Data), AddressOf(block.Data) + std::max<std::size_t>(block.Size, 1));
  std::sort(ranges.begin(), ranges.end());
  for (std::size_t i = 1; i < ranges.size(); ++i) EXPECT_LE(ranges[i - 1].second, ranges[i].first);
  for (const TBlock& block : blocks) {
    EXPECT_TRUE(Intact(block)) << block.Size;
    if (block.Size % 2 == 0) ::operator delete(block.Data);
    else ::operator delete(block.Data, block.Size);
  }

  // Arrays, the nothrow forms, and small blocks for classes aligned to 8.
  auto* array = new std::uint64_t[10]();
  EXPECT_TRUE(Rtl::Memory::Owns(array));
  delete[] array;
  auto* nothrow = new (std::nothrow) std::wstring(300, L'x');
  ASSERT_NE(nothrow, nullptr);
  delete nothrow;
  void* first = Rtl::Memory::AllocateSmall(24);
  void* second = Rtl::Memory::AllocateSmall(24);
  EXPECT_EQ(AddressOf(first) % 8, 0u);
  EXPECT_NE(first, second);
  std::memset(first, 0xAB, 24);
  std::memset(second, 0xCD, 24);
  EXPECT_EQ(static_cast<unsigned char*>(first)[23], 0xAB);
  Rtl::Memory::Free(first);
  Rtl::Memory::Free(second);
  void* bigSmall = Rtl::Memory::AllocateSmall(Rtl::Memory::SMALL_LIMIT_C * 2);
  EXPECT_FALSE(Rtl::Memory::Owns(bigSmall));
  Rtl::Memory::Free(bigSmall);
  Rtl::Memory::Free(nullptr);
}

TEST(Memory, BlocksGoBackFromOtherThreads) {
  // Each thread makes blocks of random sizes, hands half of them to the
  // next thread and gives back what the previous one handed over: every
  // block keeps its contents until it goes.
  constexpr int THREADS_C = 4;
  constexpr int ROUNDS_C = 20000;
  struct TMailbox {
    std::mutex Lock;
    std::vector<TBlock> Blocks;
  };
  std::vector<TMailbox> mailboxes(THREADS_C);
  std::atomic<int> damaged{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS_C; ++t)
    threads.emplace_back([&, t] {
      std::mt19937 random(static_cast<unsigned>(t + 1));
      std::vector<TBlock> own;
      for (int round = 0; round < ROUNDS_C; ++round) {
        const std::size_t size = random() % (Rtl::Memory::SMALL_LIMIT_C + 64);
        TBlock block{static_cast<unsigned char*>(::operator new(size)), size, static_cast<unsigned char>(random())};
        Fill(block);
        if (round % 2 == 0) {
          std::lock_guard<std::mutex> lock(mailboxes[(t + 1) % THREADS_C].Lock);
          mailboxes[(t + 1) % THREADS_C].Blocks.push_back(block);
        } else {
          own.push_back(block);
        }
        if (own.size() > 64 || round % 97 == 0) {
          std::vector<TBlock> received;
          {
            std::lock_guard<std::mutex> lock(mailboxes[t].Lock);
            received.swap(mailboxes[t].Blocks);
          }
          received.insert(received.end(), own.begin(), own.end());
          own.clear();
          for (const TBlock& b : received) {
            if (!Intact(b)) ++damaged;
            ::operator delete(b.Data);
          }
        }
      }
      for (const TBlock& b : own) {
        if (!Intact(b)) ++damaged;
        ::operator delete(b.Data);
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (TMailbox& mailbox : mailboxes)
    for (const TBlock& b : mailbox.Blocks) {
      if (!Intact(b)) ++damaged;
      ::operator delete(b.Data);
    }
  EXPECT_EQ(damaged.load(), 0);
}

TEST(Memory, TheMainThreadsBlocksGoBackFromOtherThreadsWhileItWorks) {
  // The test's thread owns the heap without a lock; another thread gives
  // its blocks back while it keeps taking and giving back blocks of the
  // same sizes. Every block keeps its contents, and the blocks given back
  // by the other thread are taken in again: the memory held does not grow
  // round after round.
  constexpr int ROUNDS_C = 40;
  constexpr int BLOCKS_C = 4000;
  std::mt19937 random(11);
  std::atomic<int> damaged{0};
  std::size_t chunksAfterFirstRounds = 0;
  for (int round = 0; round < ROUNDS_C; ++round) {
    std::vector<TBlock> theirs;
    for (int i = 0; i < BLOCKS_C; ++i) {
      const std::size_t size = 8 + random() % 200;
      TBlock block{static_cast<unsigned char*>(::operator new(size)), size, static_cast<unsigned char>(random())};
      Fill(block);
      theirs.push_back(block);
    }
    std::thread other([&] {
      for (const TBlock& b : theirs) {
        if (!Intact(b)) ++damaged;
        ::operator delete(b.Data);
      }
    });
    std::vector<TBlock> mine;
    for (int i = 0; i < BLOCKS_C; ++i) {
      const std::size_t size = 8 + random() % 200;
      TBlock block{static_cast<unsigned char*>(::operator new(size)), size, static_cast<unsigned char>(random())};
      Fill(block);
      mine.push_back(block);
      if (i % 3 == 0) {
        if (!Intact(mine.front())) ++damaged;
        ::operator delete(mine.front().Data);
        mine.erase(mine.begin());
      }
    }
    other.join();
    for (const TBlock& b : mine) {
      if (!Intact(b)) ++damaged;
      ::operator delete(b.Data);
    }
    if (round == 4) chunksAfterFirstRounds = Rtl::Memory::Usage().Chunks;
  }
  EXPECT_EQ(damaged.load(), 0);
  EXPECT_LE(Rtl::Memory::Usage().Chunks, chunksAfterFirstRounds + 1);
}

TEST(Memory, AClaimedHeapServesOneThreadAtATimeAndPassesOn) {
  // A thread claims the second heap; another can't while it has it. Its
  // blocks given back by the main thread are taken in again, and once it
  // gives the heap up, the next thread takes it over with the blocks that
  // are still out.
  std::atomic<int> damaged{0};
  std::vector<TBlock> handed;
  std::vector<TBlock> left;
  std::thread first([&] {
    ASSERT_TRUE(Rtl::Memory::ClaimHeap());
    std::thread([] { EXPECT_FALSE(Rtl::Memory::ClaimHeap()); }).join();
    std::mt19937 random(3);
    for (int round = 0; round < 3; ++round) {
      std::vector<TBlock> mine;
      for (int i = 0; i < 3000; ++i) {
        const std::size_t size = 8 + random() % 300;
        TBlock block{static_cast<unsigned char*>(::operator new(size)), size, static_cast<unsigned char>(random())};
        Fill(block);
        (i % 3 == 0 ? handed : i % 3 == 1 ? left : mine).push_back(block);
      }
      for (const TBlock& b : mine) {
        if (!Intact(b)) ++damaged;
        ::operator delete(b.Data);
      }
    }
    Rtl::Memory::ReleaseHeap();
  });
  first.join();
  for (const TBlock& b : handed) {
    if (!Intact(b)) ++damaged;
    ::operator delete(b.Data);
  }
  std::thread([&] {
    ASSERT_TRUE(Rtl::Memory::ClaimHeap());
    for (const TBlock& b : left) {
      if (!Intact(b)) ++damaged;
      ::operator delete(b.Data);
    }
    std::vector<void*> blocks;
    for (int i = 0; i < 5000; ++i) blocks.push_back(::operator new(static_cast<std::size_t>(8 + i % 300)));
    for (void* block : blocks) ::operator delete(block);
    Rtl::Memory::ReleaseHeap();
  }).join();
  EXPECT_EQ(damaged.load(), 0);
}

TEST(Memory, CopiesAndMovesOfEverySizeAndOverlap) {
  // The program's own memcpy and memmove (Copy.cpp), called through
  // pointers so that the compiler can't copy inline: every size up to past
  // the string move's threshold, every misalignment, and for memmove every
  // overlap in both directions; compared with a byte loop.
  void* (*volatile copy)(void*, const void*, std::size_t) = std::memcpy;
  void* (*volatile move)(void*, const void*, std::size_t) = std::memmove;
  std::vector<unsigned char> source(9000), target(9000), expected(9000);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(i * 131 + 7);
  std::vector<std::size_t> sizes;
  for (std::size_t n = 0; n <= 160; ++n) sizes.push_back(n);
  for (const std::size_t n : {255u, 256u, 257u, 1000u, 4095u, 4096u, 4097u, 8000u}) sizes.push_back(n);
  int wrong = 0;
  for (const std::size_t n : sizes)
    for (std::size_t from = 0; from < 4; ++from)
      for (std::size_t to = 0; to < 4; ++to) {
        std::fill(target.begin(), target.end(), 0xEE);
        expected = target;
        for (std::size_t i = 0; i < n; ++i) expected[to + i] = source[from + i];
        if (copy(target.data() + to, source.data() + from, n) != target.data() + to || target != expected) ++wrong;
      }
  for (const std::size_t n : sizes)
    for (const std::ptrdiff_t shift : {-70, -17, -16, -9, -8, -1, 1, 8, 9, 16, 17, 70}) {
      std::vector<unsigned char> buffer(source.begin(), source.begin() + 8500);
      const std::size_t from = 100;
      const auto to = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(from) + shift);
      expected = buffer;
      std::vector<unsigned char> piece(buffer.begin() + static_cast<std::ptrdiff_t>(from),
                                       buffer.begin() + static_cast<std::ptrdiff_t>(from + n));
      std::copy(piece.begin(), piece.end(), expected.begin() + static_cast<std::ptrdiff_t>(to));
      if (move(buffer.data() + to, buffer.data() + from, n) != buffer.data() + to || buffer != expected) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}

TEST(Memory, FreedMemoryGoesBackToTheSystem) {
  const Rtl::Memory::TUsage before = Rtl::Memory::Usage();
  // 34 MB in blocks of three sizes, given back in a shuffled order.
  std::vector<void*> blocks;
  const std::size_t sizes[] = {24, 100, 360};
  for (std::size_t i = 0; i < 200000; ++i) blocks.push_back(::operator new(sizes[i % 3]));
  const Rtl::Memory::TUsage held = Rtl::Memory::Usage();
  EXPECT_GE(held.Chunks, before.Chunks + 25);
  EXPECT_GE(held.UsedSlabs, before.UsedSlabs + 25 * 16);
  std::shuffle(blocks.begin(), blocks.end(), std::mt19937(5));
  for (void* block : blocks) ::operator delete(block);
  const Rtl::Memory::TUsage after = Rtl::Memory::Usage();
  // Sixteen chunks of free slabs are kept, and a slab with room per size
  // class (each maybe in a chunk of its own); the rest went back.
  EXPECT_LE(after.Chunks, before.Chunks + 19);
  EXPECT_LE(after.UsedSlabs, before.UsedSlabs + 3);
  // The kept ones go back when asked.
  EXPECT_GE(Rtl::Memory::ReleaseFreeMemory(), std::size_t{1});
  const Rtl::Memory::TUsage released = Rtl::Memory::Usage();
  EXPECT_LE(released.Chunks, before.Chunks + 3);
  // Slabs in use stay, but for those that blocks given back by other
  // threads (earlier tests) left empty: the main thread takes those in first.
  EXPECT_LE(released.UsedSlabs, after.UsedSlabs);
  EXPECT_EQ(Rtl::Memory::ReleaseFreeMemory(), std::size_t{0});
}

TEST(Memory, TakingAndGivingBackKeepTheThreadsLastError) {
  // Code reads GetLastError after a failing call, and may make a string in
  // between: the memory manager must leave the code alone, also on a new
  // thread's first block.
  std::thread([] {
    SetLastError(1234);
    void* first = ::operator new(48);
    EXPECT_EQ(GetLastError(), 1234u);
    ::operator delete(first);
    EXPECT_EQ(GetLastError(), 1234u);
    std::vector<void*> blocks;
    for (int i = 0; i < 1000; ++i) blocks.push_back(::operator new(static_cast<std::size_t>(8 + i % 400)));
    for (void* block : blocks) ::operator delete(block);
    EXPECT_EQ(GetLastError(), 1234u);
  }).join();
}

std::atomic<int> HandlerCalls{0};

void GiveUp() {
  ++HandlerCalls;
  std::set_new_handler(nullptr);
}

TEST(Memory, RunningOutCallsTheNewHandlerThenThrows) {
  // More than the address space can hold.
  const std::size_t tooMuch = std::numeric_limits<std::size_t>::max() / 2;
  EXPECT_THROW(static_cast<void>(::operator new(tooMuch)), std::bad_alloc);
  EXPECT_EQ(::operator new(tooMuch, std::nothrow), nullptr);
  std::set_new_handler(GiveUp);
  EXPECT_THROW(static_cast<void>(::operator new(tooMuch)), std::bad_alloc);
  EXPECT_EQ(HandlerCalls.load(), 1);
  EXPECT_EQ(std::get_new_handler(), nullptr);
}

}  // namespace
