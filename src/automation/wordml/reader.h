#pragma once

#include <string>

#include "automation/document/document.h"
#include "automation/package/package.h"

namespace quorlex::automation::wordml {

// Reads a WordprocessingML document or template (.docx, .dotx, .docm,
// .dotm) from its package. Throws ReadError: kNotWordMl for a package
// without a WordprocessingML main part, kStrict for Strict Open XML,
// kDamaged for parts that are not well-formed or do not hold together.
document::Document ReadDocument(package::Package package);

// The same from a file; errors of the package itself (not a zip file, an
// entry too large) are quorlex::Error as the package layer raises them.
document::Document ReadDocumentFile(const std::string& path);

}  // namespace quorlex::automation::wordml
