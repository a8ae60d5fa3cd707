// Bench support: the heap-allocation counters and the timing and statistics
// helpers every benchmark program shares.
//
// Linking bench_support replaces malloc, calloc, realloc, free, memalign,
// aligned_alloc, posix_memalign and the global operator new/delete of the
// whole program (they forward to glibc's own allocator), so a program links
// it once and defines no allocator of its own. Counting is per thread: only
// the thread that called StartCountingAllocations() counts (the GL driver's
// and the audio library's worker threads do not). operator new is counted
// apart from the C functions and does not count again as a malloc.
// Nothing here needs a GL context.
#pragma once

#include <vector>

namespace bench {

struct Allocations {
    long news = 0;     // global operator new / new[] calls
    long mallocs = 0;  // malloc, calloc, realloc and the aligned allocations
    long Total() const { return news + mallocs; }
};

// Zeroes this thread's counters and starts counting.
void StartCountingAllocations();
// Stops counting and returns what this thread allocated since the start.
Allocations StopCountingAllocations();

// Monotonic time in milliseconds.
double NowMs();

struct Stats {
    double mean = 0, median = 0, p95 = 0, max = 0;
};

// Mean, median (the upper middle of an even count), 95th percentile and
// largest of the samples; all zero for none.
Stats Summarise(std::vector<double> samples);

}  // namespace bench
