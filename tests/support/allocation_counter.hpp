#pragma once

// Replaces the global operator new with one that counts, so a test can check that a repeated
// frame allocates nothing. Include it in exactly one source file of a test program.

#include <atomic>
#include <cstdlib>
#include <new>

// The counting operator new is built on malloc, which GCC would otherwise report as a mismatch
// wherever an inlined allocator frees through the replaced delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace support {
inline std::atomic<long> heap_allocations{0};
}  // namespace support

void* operator new(std::size_t size) {
  support::heap_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
