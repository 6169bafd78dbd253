#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "automation/document/document.h"

namespace quorlex::automation::wordml {

// A part of the package being written: whole bytes, or (for the main
// part, which may be large) a function that writes it piece by piece.
struct OutputPart {
  using PieceSink = std::function<void(std::string_view)>;
  std::string name;
  std::string bytes;
  std::function<void(const PieceSink&)> stream;
};

// The parts of a document read from a WordprocessingML package, in the
// package's order: the main part from the model, the content types with
// the main part a document's (a template's becomes a document), the font
// table with the faces the document gained, fresh document properties,
// and every other part as it was read. A macro-enabled package loses its
// macros, which a document package cannot hold. Throws quorlex::Error for
// a document not read from such a package.
void WriteDocumentParts(const document::Document& document,
                        const std::function<void(OutputPart&&)>& emit);

}  // namespace quorlex::automation::wordml
