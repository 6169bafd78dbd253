#pragma once

#include <functional>
#include <string_view>

#include "automation/document/document.h"
#include "automation/wordml/wordml_source.h"

namespace quorlex::automation::wordml {

// Writes the main document part from the model into sink, in pieces of
// about a megabyte: what the model kept from the package read is written
// as it was read, what the engine made is made from its properties.
void WriteBody(const document::Document& document, const WordMlSource& source,
               const std::function<void(std::string_view)>& sink);

}  // namespace quorlex::automation::wordml
