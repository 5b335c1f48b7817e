#pragma once

// Replaces the global operator new with one that counts, so a test can check that a repeated
// frame allocates nothing. Include it in exactly one source file of a test program.
//
// Every form of new and delete is replaced, all over malloc and free: a form left to the
// runtime would allocate memory that one of these frees (or the other way round), which the
// address sanitizer rightly reports as a mismatch.

#include <stdlib.h>

#include <atomic>
#include <cstddef>
#include <new>

// The counting operator new is built on malloc, which GCC would otherwise report as a mismatch
// wherever an inlined allocator frees through the replaced delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace support {

inline std::atomic<long> heap_allocations{0};

/// Counts one allocation and makes it with malloc (posix_memalign beyond malloc's alignment);
/// nullptr when there is no memory.
inline void* counted_allocation(std::size_t size,
                                std::size_t alignment = alignof(std::max_align_t)) noexcept {
  heap_allocations.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return ::malloc(size);
  void* p = nullptr;
  return ::posix_memalign(&p, alignment, size) == 0 ? p : nullptr;
}

/// `counted_allocation` for the forms that throw when there is no memory.
inline void* counted_allocation_or_throw(std::size_t size,
                                         std::size_t alignment = alignof(std::max_align_t)) {
  if (void* p = counted_allocation(size, alignment)) return p;
  throw std::bad_alloc();
}

}  // namespace support

void* operator new(std::size_t size) {
  return support::counted_allocation_or_throw(size);
}
void* operator new[](std::size_t size) {
  return support::counted_allocation_or_throw(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return support::counted_allocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return support::counted_allocation(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return support::counted_allocation_or_throw(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return support::counted_allocation_or_throw(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return support::counted_allocation(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return support::counted_allocation(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* p) noexcept {
  ::free(p);
}
void operator delete[](void* p) noexcept {
  ::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  ::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  ::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  ::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  ::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  ::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  ::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  ::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  ::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  ::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  ::free(p);
}
