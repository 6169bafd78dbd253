#pragma once

// A BIFF record kept as it was read: its type and body. Records the engine
// does not model travel through a workbook in these, in their original order.

#include <cstdint>
#include <string>
#include <vector>

namespace quorlex::workbook {

struct Record {
  std::uint16_t type = 0;
  std::vector<std::uint8_t> data;

  bool operator==(const Record&) const = default;
};

// Little-endian field access over record bodies. Reads past the end yield 0:
// callers check sizes where a short record matters.
inline std::uint16_t Get16(const std::vector<std::uint8_t>& d, std::size_t at) {
  if (at + 2 > d.size()) return 0;
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
inline std::uint32_t Get32(const std::vector<std::uint8_t>& d, std::size_t at) {
  if (at + 4 > d.size()) return 0;
  return static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8) |
         (static_cast<std::uint32_t>(d[at + 2]) << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}
inline void Put16(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
  if (at + 2 > d.size()) return;
  d[at] = static_cast<std::uint8_t>(v & 0xFF);
  d[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
inline void Put32(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
  if (at + 4 > d.size()) return;
  for (int i = 0; i < 4; ++i) d[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
// Reads the character of a BIFF8 string at `at`, two bytes when wide, one
// byte otherwise, and moves past it. False, and nothing read, where the body
// ends before it.
inline bool ReadStringChar(const std::vector<std::uint8_t>& d, std::size_t& at, bool wide, std::u16string& chars) {
  if (wide) {
    if (at + 2 > d.size()) return false;
    chars.push_back(static_cast<char16_t>(Get16(d, at)));
    at += 2;
  } else {
    if (at >= d.size()) return false;
    chars.push_back(static_cast<char16_t>(d[at]));
    at += 1;
  }
  return true;
}
inline void Append16(std::vector<std::uint8_t>& d, std::uint32_t v) {
  d.push_back(static_cast<std::uint8_t>(v & 0xFF));
  d.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
inline void Append32(std::vector<std::uint8_t>& d, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

}  // namespace quorlex::workbook
