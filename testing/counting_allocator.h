// Counts every heap allocation of a program: replaces the global operator
// new and delete forms. Include it in exactly one source file of a test or
// benchmark program; read counting_allocator::Count before and after the
// work to be measured (relaxed atomics: one thread measures at a time).
// AddressSanitizer brings its own operators and checks that each block is
// freed the way it was allocated, so under it nothing is replaced and
// COUNTS_ALLOCATIONS stays undefined.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace counting_allocator {
inline std::atomic<uint64_t> Count{0};
}  // namespace counting_allocator

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ADDRESS_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ADDRESS_SANITIZED 1
#endif

#ifndef ADDRESS_SANITIZED
#define COUNTS_ALLOCATIONS 1

// g++ 12 sees std::free in a replaced operator delete inlined into code that
// allocated with operator new and warns of a mismatch: here both are ours.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Not inlined, so that the compiler never pairs a new-expression with free().
__attribute__((noinline)) void* operator new(std::size_t n) {
  counting_allocator::Count.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  counting_allocator::Count.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void* operator new(std::size_t n, std::align_val_t a) {
  counting_allocator::Count.fetch_add(1, std::memory_order_relaxed);
  const std::size_t align = static_cast<std::size_t>(a);
  if (void* p = std::aligned_alloc(align, (n + align - 1) / align * align)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#endif
