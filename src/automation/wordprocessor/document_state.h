#pragma once

// What the handles of the object model share about one open document.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "automation/document/document.h"
#include "platform/error.h"

namespace quorlex::automation::wordprocessor {

// What an open document holds: its model, name, format and state.
struct DocumentState {
  std::unique_ptr<document::Document> model;
  std::string full_name;  // last saved under; empty before the first save
  int format = 0;         // and in this format
  bool saved = true;      // no changes since the last save (or creation)
  bool closed = false;
  std::uint64_t generation = 0;  // counts edits, so stale handles can tell
  // When the document was made from its template: the file's creation time.
  std::chrono::system_clock::time_point created = std::chrono::system_clock::now();
  long selection_start = 0;
  long selection_end = 0;

  // Refuses any use of a closed document.
  document::Document& Model();
  long Length() const;
  // After an edit: handles taken before are stale, the document unsaved.
  void Touched();
  // Moves the selection as text [from, to) is removed.
  void Removed(long from, long to);
};

// The error the object model raises for a refused call.
[[noreturn]] void Refuse(const std::string& description);

}  // namespace quorlex::automation::wordprocessor
