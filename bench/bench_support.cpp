#include "bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <new>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
thread_local bool counting = false;
thread_local long news = 0;
thread_local long mallocs = 0;

void CountMalloc() {
    if (counting) ++mallocs;
}
}  // namespace

extern "C" {
void* malloc(size_t n) {
    CountMalloc();
    return __libc_malloc(n);
}
void* calloc(size_t a, size_t b) {
    CountMalloc();
    return __libc_calloc(a, b);
}
void* realloc(void* p, size_t n) {
    CountMalloc();
    return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
void* memalign(size_t align, size_t n) {
    CountMalloc();
    return __libc_memalign(align, n);
}
void* aligned_alloc(size_t align, size_t n) {
    CountMalloc();
    return __libc_memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n) {
    CountMalloc();
    void* p = __libc_memalign(align, n);
    if (p == nullptr) return 12;  // ENOMEM
    *out = p;
    return 0;
}
}

void* operator new(size_t n) {
    if (counting) ++news;
    void* p = __libc_malloc(n == 0 ? 1 : n);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }

namespace bench {

void StartCountingAllocations() {
    news = 0;
    mallocs = 0;
    counting = true;
}

Allocations StopCountingAllocations() {
    counting = false;
    Allocations counted;
    counted.news = news;
    counted.mallocs = mallocs;
    return counted;
}

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Stats Summarise(std::vector<double> samples) {
    Stats s;
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    for (double v : samples) s.mean += v;
    s.mean /= static_cast<double>(samples.size());
    s.median = samples[samples.size() / 2];
    s.p95 = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
    s.max = samples.back();
    return s;
}

}  // namespace bench
