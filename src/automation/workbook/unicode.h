#pragma once

// UTF-16 as BIFF stores strings, to and from the program's UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::workbook {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Characters as Excel counts them (UTF-16 code units).
std::size_t Utf16Length(std::string_view utf8);

}  // namespace quorlex::workbook
