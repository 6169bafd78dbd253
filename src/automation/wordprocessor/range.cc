#include "automation/wordprocessor/range.h"

#include "automation/wordprocessor/document_state.h"

namespace quorlex::automation::wordprocessor {

Range::Range(std::shared_ptr<DocumentState> state, long start, long end)
    : state_(std::move(state)), start_(start), end_(end) {}

void Range::Select() {
  DocumentState& state = *state_;
  const long length = (state.Model(), state.Length());
  state.selection_start = std::min(start_, length);
  state.selection_end = std::min(end_, length);
}

}  // namespace quorlex::automation::wordprocessor
