#pragma once

#include <cstdint>
#include <string_view>

#include "automation/document/document.h"
#include "automation/page/page.h"

namespace quorlex::automation::wordprocessor {

struct PasteResult {
  std::uint32_t inserted = 0;  // characters added to the main text
  std::uint32_t caret = 0;     // where the insertion point is afterwards
};

// Inserts the rendered page (an HTML document) into the main text at a
// character position, by the rules of docs/paste-document.md.
PasteResult PastePage(document::Document& document, std::uint32_t position,
                      std::string_view html);

// The same for a page already parsed.
PasteResult InsertPage(document::Document& document, std::uint32_t position,
                       const page::Page& page);

}  // namespace quorlex::automation::wordprocessor
