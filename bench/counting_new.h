// The global operator new and delete of a benchmark that links counting_new.cpp, counting the
// bytes the process holds on the heap and the most it held since the last reset.
//
// Threading: any thread.
#pragma once

#include <cstddef>

namespace bench {

std::size_t HeapLive();
std::size_t HeapPeak();
// Starts the peak again from what is held now.
void ResetHeapPeak();

}  // namespace bench
