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

}  // namespace quorlex::automation::word97
