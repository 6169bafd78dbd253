#pragma once

#include <memory>

namespace quorlex::automation::wordprocessor {

struct DocumentState;

// The application's insertion point, in the active document.
class Selection {
 public:
  // Inserts the page held by the process clipboard at the selection, as the
  // paste rules of docs/paste-document.md say; the selection then sits just
  // after the inserted content. Refused when the clipboard holds no page or
  // no document is active.
  void Paste();

  long Start() const;
  long End() const;

 private:
  friend class Application;
  friend class Document;
  friend class Documents;
  friend class Range;

  Selection() = default;
  DocumentState& Active() const;
  void SetActive(std::shared_ptr<DocumentState> state);
  void Forget(const DocumentState* state);

  std::shared_ptr<DocumentState> active_;
};

}  // namespace quorlex::automation::wordprocessor
