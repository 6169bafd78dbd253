#pragma once

#include <string>

#include "automation/document/document.h"

namespace quorlex::automation::word97 {

// Writes the document as a Word 97-2003 binary document: one UTF-16 piece
// (a full save), with everything the file it was read from carried and not
// modelled written back, moved along with the text.
//
// The file goes to a temporary name in the target's directory and is
// renamed over the target once complete; on failure no file is left there
// and an existing target is untouched. Throws quorlex::Error.
void WriteDocument(const document::Document& document, const std::string& path);

// The document file as bytes.
std::string WriteDocumentBytes(const document::Document& document);

}  // namespace quorlex::automation::word97
