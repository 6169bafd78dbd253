#pragma once

// Bounds one rendering: the wall-clock time allowed for parsing and
// transforming, and, when asked, the memory libxml2 and libxslt may take for
// it. It also notices when one of those libraries could not allocate, which
// the libraries themselves report only as a failed parse or transformation.
//
// The time bound is a timer that signals this thread; its handler and the
// libraries' allocator only raise flags and tell the running parser or
// transformation to stop, which both check as they go. Parsers made by the
// renderer check the flags on every element and every run of text.

#include <libxml/parser.h>
#include <libxslt/xsltInternals.h>
#include <time.h>

#include <chrono>
#include <cstddef>

namespace quorlex::automation::browser {

// Bounds one rendering in time and memory for as long as it lives.
class RenderGuard {
 public:
  // time_limit 0 means no time bound, memory_limit 0 no memory bound.
  RenderGuard(std::chrono::milliseconds time_limit, std::size_t memory_limit);
  ~RenderGuard();
  RenderGuard(const RenderGuard&) = delete;
  RenderGuard& operator=(const RenderGuard&) = delete;

  // The transformation to stop when a bound is passed, while it runs.
  void Watch(xsltTransformContext* transform);
  void Unwatch();

  bool TimeUp() const;
  bool OverMemoryLimit() const;
  bool OutOfMemory() const;
  bool MustStop() const { return TimeUp() || OverMemoryLimit() || OutOfMemory(); }

  // Makes a parser context stop at its next element or text once a bound of
  // the current rendering is passed.
  static void GuardParser(xmlParserCtxt* parser);

  // Replaces libxml2's allocator by one that watches the bounds; called
  // once, before any rendering.
  static void InstallAllocator();

 private:
  timer_t timer_{};
  bool has_timer_ = false;
};

}  // namespace quorlex::automation::browser
