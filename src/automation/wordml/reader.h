#pragma once

#include <string>
#include <vector>

#include "automation/document/document.h"
#include "automation/wordml/wordml_source.h"

namespace quorlex::automation::wordml {

// Reads a WordprocessingML document or template (.docx, .dotx, .docm,
// .dotm) from the parts of its package. Throws ReadError: kNotWordMl for a
// package without a WordprocessingML main part, kStrict for Strict Open
// XML, kDamaged for parts that are not well-formed or do not hold together.
document::Document ReadDocumentParts(std::vector<PackagePart> parts);

}  // namespace quorlex::automation::wordml
