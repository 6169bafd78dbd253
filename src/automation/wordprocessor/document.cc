#include "automation/wordprocessor/document.h"

#include "automation/word97/file_properties.h"
#include "automation/word97/source_file.h"
#include "automation/word97/writer.h"
#include "automation/wordml/writer.h"
#include "automation/wordprocessor/application.h"
#include "automation/wordprocessor/document_state.h"
#include "automation/wordprocessor/documents.h"
#include "automation/wordprocessor/selection.h"

namespace quorlex::automation::wordprocessor {

Document::Document(Documents& owner, wordprocessor::Selection& selection,
                   std::shared_ptr<DocumentState> state)
    : owner_(owner), selection_(selection), state_(std::move(state)) {}

Document::~Document() = default;

DocumentState& Document::State() const {
  state_->Model();  // refuses a closed document
  return *state_;
}

void Document::Activate() { selection_.SetActive((State(), state_)); }

wordprocessor::Range Document::Range(long Start, long End) {
  DocumentState& state = State();
  if (Start < 0 || End < 0) {
    Refuse("Недопустимая позиция диапазона: " + std::to_string(Start < 0 ? Start : End));
  }
  const long length = state.Length();
  const long start = std::min(Start, length);
  const long end = std::min(End, length);
  if (start > end) {
    Refuse("Начало диапазона (" + std::to_string(Start) + ") больше его конца (" +
           std::to_string(End) + ")");
  }
  return wordprocessor::Range(state_, start, end);
}

wordprocessor::Tables Document::Tables() {
  State();
  return wordprocessor::Tables(state_);
}

void Document::SaveAs(const std::string& FileName, std::optional<int> FileFormat) {
  DocumentState& state = State();
  if (FileName.empty()) Refuse("Не указано имя файла для сохранения документа");
  // The engine writes a document in the format of the file it was made
  // from: each writer carries what its reader kept of that file.
  const bool binary =
      dynamic_cast<const word97::Word97Source*>(state.model->source.get()) != nullptr;
  const int own = binary ? wdFormatDocument : wdFormatXMLDocument;
  const int format = FileFormat.value_or(own);
  if (format != wdFormatDocument && format != wdFormatXMLDocument) {
    Refuse("Недопустимое значение FileFormat: " + std::to_string(format));
  }
  if (format != own) {
    Refuse(binary ? "Документ, созданный из файла Word 97-2003, сохраняется только в формате "
                    "Word 97-2003"
                  : "Документ, созданный из файла Word 2007 или новее, сохраняется только в "
                    "формате Word 2007 или новее");
  }
  try {
    if (binary) {
      // A new file made from a template: its own creation and save times,
      // revision and no stale statistics.
      word97::GiveNewFileProperties(*state.model, state.created, std::chrono::system_clock::now());
      word97::WriteDocument(*state.model, FileName);
    } else {
      wordml::WriteDocument(*state.model, FileName);
    }
  } catch (const Error& e) {
    Refuse(e.Description());
  }
  state.full_name = FileName;
  state.format = format;
  state.saved = true;
}

void Document::Close(std::optional<bool> SaveChanges) {
  DocumentState& state = State();
  if (SaveChanges.value_or(false) && !state.saved) {
    if (state.full_name.empty()) {
      Refuse(
          "Документ не сохранялся ни разу: закрыть его с сохранением нельзя, "
          "сначала сохраните его под именем");
    }
    SaveAs(state.full_name, state.format);
  }
  state.closed = true;
  state.model.reset();
  selection_.Forget(state_.get());
  owner_.Remove(this);
}

std::string Document::FullName() const { return State().full_name; }

bool Document::Saved() const { return State().saved; }

}  // namespace quorlex::automation::wordprocessor
