#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/wordprocessor/document.h"

namespace quorlex::automation::wordprocessor {

class Selection;

// The open documents of an application, numbered from 1 in the order they
// were added.
class Documents {
 public:
  // A new document holding the whole content of the template file: body,
  // styles, sections, headers and footers, pictures and everything else it
  // carries. The template is a Word 97-2003 document or template (.doc,
  // .dot) or a Word 2007 or later document or template (.docx, .dotx, with
  // or without macros), whatever its name says. The new document is
  // active, with the selection at its start, and is the last item of the
  // collection. Refused with a clear description when the file is missing
  // or unreadable, saved as Word 6.0/95 or older or as Strict Open XML,
  // encrypted, or not a Word document.
  wordprocessor::Document& Add(const std::string& template_path);

  // Item 1 is the first document added that is still open. An index out of
  // range is refused ("the requested member of the collection does not
  // exist").
  wordprocessor::Document& Item(int index);

  int Count() const;

 private:
  friend class Application;
  friend class Document;

  explicit Documents(wordprocessor::Selection& selection);
  void Remove(const Document* document);

  wordprocessor::Selection& selection_;
  // Every document made stays allocated until the application goes, so a
  // reference to a closed document is refused, not dangling.
  std::vector<std::unique_ptr<wordprocessor::Document>> all_;
  std::vector<wordprocessor::Document*> open_;
};

}  // namespace quorlex::automation::wordprocessor
