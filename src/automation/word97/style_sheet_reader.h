#pragma once

#include <string_view>

#include "automation/document/style_sheet.h"

namespace quorlex::automation::word97 {

// Reads the style names and identities from the style sheet; the sheet
// itself is kept as it is.
document::StyleSheet ReadStyleSheet(std::string_view stsh);

}  // namespace quorlex::automation::word97
