#pragma once

// How the process uses the C library's allocator.
//
// A run builds the report's tree and the rendered page's tree (millions of
// small blocks, some hundreds of megabytes for a large report), frees them,
// and then builds the page model, the workbook or document and the file image
// out of larger blocks. With the allocator's defaults most of that time goes
// to first touches of fresh pages, to sweeps over millions of cold freed
// blocks at the next large request, and to giving the top of the heap back
// to the system only to take it again page by page. TuneAllocatorForOneRun
// sets the allocator up for one such run instead.

namespace quorlex::platform {

// Whether this is a sanitizer build. Those replace the C library's allocator
// (so there is nothing to tune) and free everything before the process ends,
// so that a leak stands out.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer) || \
    __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitizerBuild = true;
#else
inline constexpr bool kSanitizerBuild = false;
#endif
#else
inline constexpr bool kSanitizerBuild = false;
#endif

// Called once at start-up, before anything sizeable is allocated.
void TuneAllocatorForOneRun();

}  // namespace quorlex::platform
