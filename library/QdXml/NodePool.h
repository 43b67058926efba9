// The memory of the document model's small objects (nodes, attributes,
// their collections and child lists). A large document has hundreds of
// thousands of them, and the system heap takes a lock and a search for
// every block; here each size has its own slabs of 64 KB, each with a list
// of free blocks, taken and given back under a spin lock of the size's own.
// Blocks carry no header; a slab whose blocks are all free goes back to
// the system (one per size is kept).
// Private to QdXml: the classes route their operator new and delete here.
#pragma once

#include <cstddef>

namespace Qd::XmlNodePool {

// Sizes up to this many bytes come from the pool; larger ones from the heap.
inline constexpr std::size_t MAX_SIZE_C = 256;

void* Allocate(std::size_t size);
void Free(void* block, std::size_t size) noexcept;

}  // namespace Qd::XmlNodePool
