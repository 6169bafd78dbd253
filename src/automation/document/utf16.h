#pragma once

#include <string>
#include <string_view>

namespace quorlex::automation::document {

// The engine keeps text as UTF-16, as the file does; the rest of the
// program speaks UTF-8. Unpaired surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace quorlex::automation::document
