#include "automation/browser/render_guard.h"

#include <libxml/SAX2.h>
#include <libxml/xmlmemory.h>
#include <libxml/xpath.h>
#include <malloc.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace quorlex::automation::browser {
namespace {

// One rendering runs at a time, on one thread; the timer's handler and the
// allocator reach its state here.
volatile sig_atomic_t active = 0;
volatile sig_atomic_t time_up = 0;
volatile sig_atomic_t over_memory = 0;
volatile sig_atomic_t allocation_failed = 0;
xsltTransformContext* volatile watched = nullptr;

// Memory accounting, only while a rendering has a memory bound: the bytes
// the libraries hold, and the most they may hold before it ends.
bool counting = false;
std::size_t held_bytes = 0;
std::size_t memory_ceiling = 0;

// Asks the running transformation to stop: libxslt checks its state between
// instructions, and libxml2 its XPath operation limit within an expression.
void StopWatched() {
  xsltTransformContext* const transform = watched;
  if (transform == nullptr) return;
  transform->state = XSLT_STATE_STOPPED;
  if (transform->xpathCtxt != nullptr) transform->xpathCtxt->opLimit = 1;
}

extern "C" void OnTimeUp(int) {
  if (!active) return;
  time_up = 1;
  StopWatched();
}

int TimerSignal() { return SIGRTMIN + 2; }

void Count(void* block, bool adding) {
  if (!counting || block == nullptr) return;
  const std::size_t size = malloc_usable_size(block);
  if (adding) {
    held_bytes += size;
    if (active && held_bytes > memory_ceiling) {
      over_memory = 1;
      StopWatched();
    }
  } else {
    held_bytes -= size < held_bytes ? size : held_bytes;
  }
}

void Failed() {
  allocation_failed = 1;
  StopWatched();
}

bool TooLarge(std::size_t size) {
  if (!counting || !active || size <= memory_ceiling) return false;
  over_memory = 1;
  StopWatched();
  return true;
}

void* GuardedMalloc(std::size_t size) {
  if (TooLarge(size)) return nullptr;
  void* block = std::malloc(size);
  if (block == nullptr) {
    Failed();
    return nullptr;
  }
  Count(block, true);
  return block;
}

void* GuardedRealloc(void* block, std::size_t size) {
  if (TooLarge(size)) return nullptr;
  if (block != nullptr) Count(block, false);
  void* moved = std::realloc(block, size);
  if (moved == nullptr) {
    if (block != nullptr) Count(block, true);  // the old block stays
    if (size > 0) Failed();
    return nullptr;
  }
  Count(moved, true);
  return moved;
}

void GuardedFree(void* block) {
  Count(block, false);
  std::free(block);
}

char* GuardedStrdup(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(GuardedMalloc(size));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

// ---- Parser callbacks that stop a parse when a bound is passed -----------

bool MustStopNow() { return active && (time_up || over_memory || allocation_failed); }

void GuardedStartElementNs(void* ctx, const xmlChar* localname, const xmlChar* prefix,
                           const xmlChar* uri, int nb_namespaces, const xmlChar** namespaces,
                           int nb_attributes, int nb_defaulted, const xmlChar** attributes) {
  if (MustStopNow()) {
    xmlStopParser(static_cast<xmlParserCtxt*>(ctx));
    return;
  }
  xmlSAX2StartElementNs(ctx, localname, prefix, uri, nb_namespaces, namespaces, nb_attributes,
                        nb_defaulted, attributes);
}

void GuardedCharacters(void* ctx, const xmlChar* text, int length) {
  if (MustStopNow()) {
    xmlStopParser(static_cast<xmlParserCtxt*>(ctx));
    return;
  }
  xmlSAX2Characters(ctx, text, length);
}

}  // namespace

RenderGuard::RenderGuard(std::chrono::milliseconds time_limit, std::size_t memory_limit) {
  time_up = 0;
  over_memory = 0;
  allocation_failed = 0;
  watched = nullptr;
  counting = memory_limit > 0;
  memory_ceiling = held_bytes + memory_limit;
  active = 1;
  if (time_limit.count() <= 0) return;

  static const bool handler_installed = [] {
    struct sigaction action {};
    action.sa_handler = OnTimeUp;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(TimerSignal(), &action, nullptr);
    return true;
  }();
  (void)handler_installed;
  struct sigevent event {};
  event.sigev_notify = SIGEV_THREAD_ID;
  event.sigev_signo = TimerSignal();
  event._sigev_un._tid = static_cast<pid_t>(::syscall(SYS_gettid));
  if (timer_create(CLOCK_MONOTONIC, &event, &timer_) != 0) return;
  has_timer_ = true;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time_limit);
  struct itimerspec when {};
  when.it_value.tv_sec = static_cast<time_t>(seconds.count());
  when.it_value.tv_nsec = static_cast<long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(time_limit - seconds).count());
  timer_settime(timer_, 0, &when, nullptr);
}

RenderGuard::~RenderGuard() {
  active = 0;
  watched = nullptr;
  if (has_timer_) timer_delete(timer_);
}

void RenderGuard::Watch(xsltTransformContext* transform) {
  watched = transform;
  if (MustStop()) StopWatched();
}

void RenderGuard::Unwatch() { watched = nullptr; }

bool RenderGuard::TimeUp() const { return time_up != 0; }
bool RenderGuard::OverMemoryLimit() const { return over_memory != 0; }
bool RenderGuard::OutOfMemory() const { return allocation_failed != 0; }

void RenderGuard::GuardParser(xmlParserCtxt* parser) {
  if (parser == nullptr || parser->sax == nullptr) return;
  parser->sax->startElementNs = GuardedStartElementNs;
  parser->sax->characters = GuardedCharacters;
}

void RenderGuard::InstallAllocator() {
  xmlMemSetup(GuardedFree, GuardedMalloc, GuardedRealloc, GuardedStrdup);
}

}  // namespace quorlex::automation::browser
