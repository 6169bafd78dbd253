#pragma once

// Control characters and collapsed white space, as the page builder shows
// text outside the flow of paragraphs (titles, options).

#include <string>
#include <string_view>

namespace quorlex::automation::page {

// A C0 control character or DEL.
bool IsControl(char c);

// White space collapsed and trimmed, control characters dropped, as an
// option or a title shows.
std::string Collapsed(std::string_view s);

}  // namespace quorlex::automation::page
