#pragma once

#include <cstdint>

#include "automation/document/document.h"
#include "automation/page/page.h"

namespace quorlex::automation::wordprocessor {

// What pasting a page into a document did.
struct PasteResult {
  std::uint32_t inserted = 0;  // characters added to the main text
  std::uint32_t caret = 0;     // where the insertion point is afterwards
};

// Inserts the rendered page into the main text at a character position,
// by the rules of docs/paste-document.md.
PasteResult InsertPage(document::Document& document, std::uint32_t position,
                       const page::Page& page);

}  // namespace quorlex::automation::wordprocessor
