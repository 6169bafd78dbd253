#pragma once

// UTF-16, as Excel and Word files store text, to and from the program's
// UTF-8. Unpaired surrogates become U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlex::platform {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Characters as the office applications count them: UTF-16 code units.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace quorlex::platform
