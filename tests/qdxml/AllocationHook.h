// The test executable's own operator new and delete: they count the bytes
// held, so that a case can check the peak memory that an operation needed.
#pragma once

#include <cstddef>

namespace XmlTest {

// The bytes held through operator new now.
std::size_t HeapInUse();
// Starts a new measurement: the peak is set to what is held now.
void ResetHeapPeak();
// The most bytes held since the last ResetHeapPeak.
std::size_t HeapPeak();

}  // namespace XmlTest
