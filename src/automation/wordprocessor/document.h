#pragma once

#include <memory>
#include <optional>
#include <string>

#include "automation/wordprocessor/range.h"
#include "automation/wordprocessor/tables.h"

namespace quorlex::automation::wordprocessor {

class Documents;
class Selection;
struct DocumentState;

// One open document. The reference stays valid until the document is closed
// or the application released; after Close every member is refused.
class Document {
 public:
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  ~Document();

  // Makes this the active document: the application's selection then acts on
  // it (at the place it had in this document).
  void Activate();

  // The span of the main text between two character positions, counted from
  // 0 at the start of the document. Positions past the end are taken as the
  // end; a negative position, or a start after the end, is refused.
  wordprocessor::Range Range(long Start, long End);

  // The tables of the main text, in document order (nested tables are not
  // items: they belong to their cell).
  wordprocessor::Tables Tables();

  // Writes the document at FileName, replacing a file that is there, in
  // FileFormat: wdFormatDocument (Word 97-2003 binary) for a document made
  // from a Word 97-2003 file, wdFormatXMLDocument (a Word document package,
  // .docx) for one made from a Word 2007 or later file. Omitted, the
  // format is that of the file the document was made from. The file is
  // written to a temporary name in the same directory and renamed into
  // place, so a failure leaves no file (and an existing file untouched).
  // Afterwards the document carries that name and has no unsaved changes.
  void SaveAs(const std::string& FileName, std::optional<int> FileFormat = std::nullopt);

  // Closes the document; it leaves the collection. SaveChanges true saves it
  // under its name first (refused when it has never been saved); false or
  // omitted closes without saving: there is nobody to ask.
  void Close(std::optional<bool> SaveChanges = std::nullopt);

  // The name it was last saved under, empty before the first save.
  std::string FullName() const;
  bool Saved() const;

 private:
  friend class Documents;
  friend class Selection;

  Document(Documents& owner, wordprocessor::Selection& selection,
           std::shared_ptr<DocumentState> state);
  DocumentState& State() const;

  Documents& owner_;
  wordprocessor::Selection& selection_;
  std::shared_ptr<DocumentState> state_;
};

}  // namespace quorlex::automation::wordprocessor
