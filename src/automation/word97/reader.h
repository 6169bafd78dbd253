#pragma once

#include <string>
#include <string_view>

#include "automation/document/document.h"

namespace quorlex::automation::word97 {

// Reads a Word 97-2003 document or template (.doc, .dot). Throws ReadError:
// kUnreadable, kNotWord, kOldVersion (Word 6.0/95 and older), kEncrypted,
// or kDamaged for a file whose structures do not hold together.
document::Document ReadDocument(const std::string& path);
document::Document ReadDocumentBytes(std::string_view bytes);
// From the document's streams without the compound file around them: the
// WordDocument stream, the table stream in effect and the data stream.
document::Document ReadDocumentStreams(std::string_view word_document, std::string_view table,
                                       std::string_view data);

}  // namespace quorlex::automation::word97
