#pragma once

// A BIFF record kept as it was read: its type and body. Records the engine
// does not model travel through a workbook in these, in their original order.

#include <cstdint>
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
inline void Append16(std::vector<std::uint8_t>& d, std::uint32_t v) {
  d.push_back(static_cast<std::uint8_t>(v & 0xFF));
  d.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
inline void Append32(std::vector<std::uint8_t>& d, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

}  // namespace quorlex::workbook
