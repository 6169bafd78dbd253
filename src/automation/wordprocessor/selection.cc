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
  const page::Page& page = clipboard::Clipboard::Process().Page(errors::kDocument);
  document::Document& model = state.Model();
  // Pasting over selected text would replace it; the conversion pastes at
  // an insertion point, so a selection is taken as its start.
  state.selection_end = state.selection_start;
  const long at = state.selection_start;
  const PasteResult result = InsertPage(model, static_cast<std::uint32_t>(at), page);
  state.Touched();
  state.selection_start = static_cast<long>(result.caret);
  state.selection_end = state.selection_start;
}

long Selection::Start() const { return Active().selection_start; }

long Selection::End() const { return Active().selection_end; }

}  // namespace quorlex::automation::wordprocessor
