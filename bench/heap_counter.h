#pragma once
// Counts the bytes the program takes from the heap through operator new between Start and Stop,
// and answers the peak, so a benchmark can report the memory a piece of work needed. Blocks freed
// inside the window that were taken before it make the count lower, never higher.

#include <cstddef>

namespace vx::bench {

void StartHeapCount();
size_t StopHeapCount(); // the peak since StartHeapCount

} // namespace vx::bench
