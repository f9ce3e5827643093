// Linked into a test build of the plug-in only (LumbraFaults.8bf): the module's every `new` goes
// through here, so a test can make exactly one allocation fail, anywhere in a run, as a full
// memory would, and see that nothing was left allocated afterwards.
#include <atomic>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace {

std::atomic<long> g_budget{-1};  // allocations that still succeed before one fails; -1: none fails
std::atomic<int> g_kind{0};      // what the failing one throws: 0 std::bad_alloc, 1 another exception
std::atomic<long> g_count{0};    // allocations so far
std::atomic<long> g_live{0};     // allocations not freed yet

void* Allocate(std::size_t size) {
  long left = g_budget.load();
  while (left >= 0 && !g_budget.compare_exchange_weak(left, left - 1)) {
  }
  if (left == 0) {
    if (g_kind.load() == 1) throw std::runtime_error("injected fault");
    throw std::bad_alloc();
  }
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  ++g_count;
  ++g_live;
  return p;
}

void Free(void* p) noexcept {
  if (!p) return;
  --g_live;
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }

// The allocation after `count` more fails (once), with std::bad_alloc (kind 0) or another
// exception (kind 1); count -1 for none.
extern "C" __declspec(dllexport) void LumbraFailAllocationAfter(long count, int kind) {
  g_kind.store(kind);
  g_budget.store(count);
}
extern "C" __declspec(dllexport) long LumbraAllocationCount() { return g_count.load(); }
extern "C" __declspec(dllexport) long LumbraLiveAllocations() { return g_live.load(); }
