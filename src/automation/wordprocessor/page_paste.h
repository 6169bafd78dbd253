#pragma once

#include <cstdint>
#include <string_view>

#include "automation/document/document.h"

namespace quorlex::automation::wordprocessor {

struct PasteResult {
  std::uint32_t inserted = 0;  // characters added to the main text
  std::uint32_t caret = 0;     // where the insertion point is afterwards
};

// Inserts the rendered page (an HTML document) into the main text at a
// character position, as docs/paste-document.md describes.
PasteResult PastePage(document::Document& document, std::uint32_t position,
                      std::string_view html);

}  // namespace quorlex::automation::wordprocessor
