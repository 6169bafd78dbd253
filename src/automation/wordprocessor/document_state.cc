#include "automation/wordprocessor/document_state.h"

namespace quorlex::automation::wordprocessor {

void Refuse(const std::string& description) { throw Error(errors::kDocument, description); }

document::Document& DocumentState::Model() {
  if (closed || !model) Refuse("Документ закрыт: обращение к нему невозможно");
  return *model;
}

long DocumentState::Length() const { return model ? static_cast<long>(model->Main().size()) : 0; }

void DocumentState::Touched() {
  ++generation;
  saved = false;
}

void DocumentState::Removed(long from, long to) {
  auto move = [&](long& pos) {
    if (pos >= to)
      pos -= to - from;
    else if (pos > from)
      pos = from;
  };
  move(selection_start);
  move(selection_end);
}

}  // namespace quorlex::automation::wordprocessor
