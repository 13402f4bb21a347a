// A replacement of the global operator new and delete that counts the bytes in use. Sizes come
// from malloc_usable_size on both sides, so an unsized delete subtracts what its new added.
#include "alloc_counter.hpp"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <pugixml.hpp>

namespace velko::bench {
namespace {

// Counting is off while the timed benchmarks run, so that it costs them nothing. The counters
// are signed: a block made before counting began and freed during it takes its bytes off, and
// only differences between two readings are used.
std::atomic<bool> gCounting{false};

struct Counter {
  std::atomic<long long> live{0};
  std::atomic<long long> peak{0};

  void Add(void* p) {
    if (!gCounting.load(std::memory_order_relaxed)) return;
    const auto size = static_cast<long long>(malloc_usable_size(p));
    const long long now = live.fetch_add(size, std::memory_order_relaxed) + size;
    long long seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
  }
  void Remove(void* p) {
    if (!gCounting.load(std::memory_order_relaxed)) return;
    live.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
  }
  AllocationCounts Read() const { return {live.load(), peak.load()}; }
};

Counter& Cxx() {
  static Counter counter;
  return counter;
}

Counter& Pugi() {
  static Counter counter;
  return counter;
}

void* Allocate(std::size_t size, std::size_t alignment) {
  void* p = alignment <= alignof(std::max_align_t)
                ? std::malloc(size == 0 ? 1 : size)
                : std::aligned_alloc(alignment, (std::max<std::size_t>(size, 1) + alignment - 1) /
                                                    alignment * alignment);
  if (p != nullptr) Cxx().Add(p);
  return p;
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  void* p = Allocate(size, alignment);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  Cxx().Remove(p);
  std::free(p);
}

void* PugiAllocate(std::size_t size) {
  void* p = std::malloc(size);
  if (p != nullptr) Pugi().Add(p);
  return p;
}

void PugiRelease(void* p) {
  if (p == nullptr) return;
  Pugi().Remove(p);
  std::free(p);
}

}  // namespace

AllocationCounts CxxAllocations() {
  return Cxx().Read();
}

AllocationCounts PugixmlAllocations() {
  return Pugi().Read();
}

void CountPugixmlAllocations() {
  pugi::set_memory_management_functions(&PugiAllocate, &PugiRelease);
}

void CountAllocations(bool on) {
  gCounting.store(on);
}

void ResetPeaks() {
  Cxx().peak.store(Cxx().live.load());
  Pugi().peak.store(Pugi().live.load());
}

}  // namespace velko::bench

using velko::bench::AllocateOrThrow;
using velko::bench::Release;

void* operator new(std::size_t size) {
  return AllocateOrThrow(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size) {
  return AllocateOrThrow(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return velko::bench::Allocate(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return velko::bench::Allocate(size, alignof(std::max_align_t));
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  Release(p);
}
