#pragma once

#include <string_view>

#include "automation/document/document.h"
#include "automation/wordml/properties.h"
#include "automation/wordml/wordml_source.h"

namespace quorlex::automation::wordml {

// Reads the main document part into the main story, its sections and the
// source's record of the markup (paragraphs, runs, rows, cells), streaming
// through the part one block at a time.
void ReadBody(std::string_view part, document::Document& document, WordMlSource& source,
              const StyleIds& styles);

}  // namespace quorlex::automation::wordml
