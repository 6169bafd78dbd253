#pragma once

#include <string>

#include "automation/document/document.h"
#include "automation/package/package.h"

namespace quorlex::automation::wordml {

// The package of a document read from a WordprocessingML package: the main
// part made from the model (written while the package is saved), the main
// part's content type a document's (a template becomes a document), the
// font table with the faces the document gained, fresh document
// properties, and every other part as it was read. A macro-enabled package
// loses its macros, which a document package cannot hold. Throws
// quorlex::Error for a document not read from such a package.
package::Package DocumentPackage(const document::Document& document);

// Writes the document at path (a temporary file beside it renamed into
// place), deflated at a level that keeps large documents quick to write.
void WriteDocument(const document::Document& document, const std::string& path);

}  // namespace quorlex::automation::wordml
