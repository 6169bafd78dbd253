#include "automation/wordprocessor/selection.h"

#include "automation/clipboard/clipboard.h"
#include "automation/wordprocessor/document_state.h"
#include "automation/wordprocessor/page_paste.h"

namespace quorlex::automation::wordprocessor {

DocumentState& Selection::Active() const {
  if (!active_ || active_->closed) Refuse("Нет открытого документа: выделение недоступно");
  return *active_;
}

void Selection::SetActive(std::shared_ptr<DocumentState> state) { active_ = std::move(state); }

void Selection::Forget(const DocumentState* state) {
  if (active_.get() == state) active_.reset();
}

void Selection::Paste() {
  DocumentState& state = Active();
  const Clipboard& clipboard = Clipboard::Process();
  if (!clipboard.HasPage()) Refuse("Буфер обмена пуст: вставлять нечего");
  document::Document& model = state.Model();
  // What is selected is replaced, as typing over a selection would.
  if (state.selection_end > state.selection_start) {
    // A selection is only ever made empty by this object model's callers;
    // replacing selected text is not needed and would need a text model of
    // deletion across paragraphs.
    state.selection_end = state.selection_start;
  }
  const long at = state.selection_start;
  const PasteResult result = InsertPage(model, static_cast<std::uint32_t>(at), clipboard.Page());
  state.Touched();
  state.Inserted(at, static_cast<long>(result.inserted));
  state.selection_start = static_cast<long>(result.caret);
  state.selection_end = state.selection_start;
}

long Selection::Start() const { return Active().selection_start; }

long Selection::End() const { return Active().selection_end; }

}  // namespace quorlex::automation::wordprocessor
