#pragma once
// Counts the bytes the program holds on the heap through operator new, and the peak since the
// last reset, so a benchmark can report the memory a piece of work needed.

#include <cstddef>

namespace vx::bench {

void ResetHeapPeak();
size_t HeapPeakBytes();   // since ResetHeapPeak, above what was held at the reset
size_t HeapCurrentBytes();

} // namespace vx::bench
