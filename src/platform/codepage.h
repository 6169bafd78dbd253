#pragma once

// Conversions between UTF-8, used inside the program, and Windows-1251, the
// code page of the run log and of settings files written on Windows.

#include <string>
#include <string_view>

namespace quorlex::platform {

// One byte per character; a character Windows-1251 lacks becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);

// Every byte has a meaning in Windows-1251 (0x98 aside, which becomes "?").
std::string Cp1251ToUtf8(std::string_view bytes);

}  // namespace quorlex::platform
