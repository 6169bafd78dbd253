#include "platform/memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace quorlex::platform {
namespace {

constexpr std::size_t kMegabyte = 1024 * 1024;
// Address space taken for the heap at start-up: more than a report of
// 2,000 clients needs. Only what is touched costs memory.
constexpr std::size_t kHeapReserve = 1024 * kMegabyte;
constexpr std::uintptr_t kHugePage = 2 * kMegabyte;
// The allocator's own default for M_MMAP_MAX.
constexpr int kDefaultMmapMax = 65536;

// Grows the heap by up to kHeapReserve at once and asks the kernel to back it with
// huge pages where it can (transparent huge pages, in "madvise" mode on
// most systems): the trees of a large report then fault in 2 MB at a time
// instead of 4 KB, which took a third of the rendering's time. The block is
// freed at once; what it leaves is the top of the heap, which every later
// allocation is carved from.
void ReserveHeap() {
  // Under a bound on the address space the reserve takes a quarter of it at
  // most, so that the libraries' own mappings still find room.
  std::size_t reserve = kHeapReserve;
  struct rlimit limit {};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur / 4 < reserve) {
    reserve = static_cast<std::size_t>(limit.rlim_cur / 4);
  }
  if (reserve < 2 * kHugePage) return;
  mallopt(M_MMAP_MAX, 0);  // from the heap, not a mapping of its own
  void* block = std::malloc(reserve);
  mallopt(M_MMAP_MAX, kDefaultMmapMax);
  if (block == nullptr) return;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + reserve) & ~(kHugePage - 1);
  if (end > begin) {
    // Without transparent huge pages this fails and changes nothing.
    (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
  std::free(block);
}

}  // namespace

void TuneAllocatorForOneRun() {
  if constexpr (kSanitizerBuild) return;
  // No fast bins: a small block freed joins its free neighbours at once,
  // while they are still in the cache, instead of in one sweep over millions
  // of cold blocks at the next large request.
  mallopt(M_MXFAST, 0);
  // Large blocks come from the heap too (32 MB is the most the allocator
  // takes here), and nothing freed goes back to the system before the
  // process ends: the memory the trees leave is reused for the page model,
  // the workbook and the file image without fresh page faults.
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(32 * kMegabyte));
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  ReserveHeap();
}

}  // namespace quorlex::platform
