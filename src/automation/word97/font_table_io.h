#pragma once

#include <string>
#include <string_view>

#include "automation/document/font_table.h"

namespace quorlex::automation::word97 {

document::FontTable ReadFontTable(std::string_view sttbf_ffn);
std::string WriteFontTable(const document::FontTable& fonts);

}  // namespace quorlex::automation::word97
