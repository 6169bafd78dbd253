#pragma once

#include <memory>

namespace quorlex::automation::wordprocessor {

class Selection;
struct DocumentState;

// A span of the main text given by two character positions (from 0).
class Range {
 public:
  long Start() const { return start_; }
  long End() const { return end_; }

  // Moves the document's selection to this span (start == end gives an
  // insertion point there).
  void Select();

 private:
  friend class Document;

  Range(std::shared_ptr<DocumentState> state, long start, long end);

  std::shared_ptr<DocumentState> state_;
  long start_;
  long end_;
};

}  // namespace quorlex::automation::wordprocessor
