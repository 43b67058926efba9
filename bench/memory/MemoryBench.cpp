// The memory manager behind operator new against the C runtime's heap
// (malloc/free, the system heap underneath), on the pattern of a document
// model: many small blocks of mixed sizes made, some given back at once,
// the rest freed together; and on the same churn from two threads at once.
#include <cstdlib>
#include <new>
#include <random>
#include <thread>
#include <vector>

#include "Bench.h"

namespace {

constexpr std::size_t BLOCKS_C = 400000;

// Sizes as a document's nodes and strings have them (most under 64 bytes,
// a few up to 400).
std::vector<std::size_t> Sizes() {
  std::mt19937 random(24);
  std::vector<std::size_t> sizes(BLOCKS_C);
  for (std::size_t& size : sizes) size = random() % 8 == 0 ? 64 + random() % 336 : 8 + random() % 56;
  return sizes;
}

template <class TAllocate, class TFree>
std::size_t Churn(const std::vector<std::size_t>& sizes, TAllocate allocate, TFree release) {
  std::vector<void*> blocks;
  blocks.reserve(sizes.size());
  std::size_t check = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    void* block = allocate(sizes[i]);
    static_cast<char*>(block)[0] = 1;
    // Every fourth block is a temporary that goes at once.
    if (i % 4 == 3) release(block);
    else blocks.push_back(block);
    check += sizes[i];
  }
  for (void* block : blocks) release(block);
  return check;
}

template <class TAllocate, class TFree>
std::size_t TwoThreads(const std::vector<std::size_t>& sizes, TAllocate allocate, TFree release) {
  std::size_t checks[2] = {};
  std::thread other([&] { checks[1] = Churn(sizes, allocate, release); });
  checks[0] = Churn(sizes, allocate, release);
  other.join();
  return checks[0] + checks[1];
}

void* New(std::size_t size) { return ::operator new(size); }
void Delete(void* block) { ::operator delete(block); }
void* Malloc(std::size_t size) { return std::malloc(size); }
void Free(void* block) { std::free(block); }

}  // namespace

int main() {
  const std::vector<std::size_t> sizes = Sizes();
  Bench::TSuite suite("memory", "operator new against malloc, 400,000 blocks of 8-400 bytes");
  suite.Add("one thread", [&] { return Churn(sizes, New, Delete); }, [&] { return Churn(sizes, Malloc, Free); });
  suite.Add("two threads", [&] { return TwoThreads(sizes, New, Delete); },
            [&] { return TwoThreads(sizes, Malloc, Free); });
  return suite.Run();
}
