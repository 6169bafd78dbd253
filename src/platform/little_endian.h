#pragma once

// Little-endian numbers in byte buffers, as every file format we read and
// write stores them.
//
// One rule for a short buffer: a value that does not lie whole inside it
// reads as 0, and a value that would not fit whole is not written at all.
// Templates made by other programs hold records shorter than their
// documentation says, which read as they always have under this rule; a
// reader that must refuse a damaged structure checks its size first
// (word97::ByteReader does, and throws).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::platform {

// Reading.

inline std::uint16_t Get16(std::span<const std::uint8_t> d, std::size_t at) {
  if (at > d.size() || d.size() - at < 2) return 0;
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
inline std::uint32_t Get32(std::span<const std::uint8_t> d, std::size_t at) {
  if (at > d.size() || d.size() - at < 4) return 0;
  return static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8) |
         (static_cast<std::uint32_t>(d[at + 2]) << 16) |
         (static_cast<std::uint32_t>(d[at + 3]) << 24);
}
inline std::uint16_t Get16(std::string_view d, std::size_t at) {
  return Get16(std::span(reinterpret_cast<const std::uint8_t*>(d.data()), d.size()), at);
}
inline std::uint32_t Get32(std::string_view d, std::size_t at) {
  return Get32(std::span(reinterpret_cast<const std::uint8_t*>(d.data()), d.size()), at);
}

// Writing in place.

inline void Put16(std::span<std::uint8_t> d, std::size_t at, std::uint32_t v) {
  if (at > d.size() || d.size() - at < 2) return;
  d[at] = static_cast<std::uint8_t>(v & 0xFF);
  d[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
inline void Put32(std::span<std::uint8_t> d, std::size_t at, std::uint32_t v) {
  if (at > d.size() || d.size() - at < 4) return;
  for (std::size_t i = 0; i < 4; ++i)
    d[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
inline void Put16(std::string& d, std::size_t at, std::uint32_t v) {
  Put16(std::span(reinterpret_cast<std::uint8_t*>(d.data()), d.size()), at, v);
}
inline void Put32(std::string& d, std::size_t at, std::uint32_t v) {
  Put32(std::span(reinterpret_cast<std::uint8_t*>(d.data()), d.size()), at, v);
}

// Appending.

inline void Append16(std::vector<std::uint8_t>& d, std::uint32_t v) {
  d.push_back(static_cast<std::uint8_t>(v & 0xFF));
  d.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
inline void Append32(std::vector<std::uint8_t>& d, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    d.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}
inline void Append16(std::string& d, std::uint32_t v) {
  d.push_back(static_cast<char>(v & 0xFF));
  d.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Append32(std::string& d, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    d.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace quorlex::platform
