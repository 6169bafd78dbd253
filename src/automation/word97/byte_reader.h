#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/word97/word97_error.h"

namespace quorlex::automation::word97 {

// Bounds-checked little-endian access to a stream: every read outside the
// stream is a damaged-file error naming the structure, never a crash.
class ByteReader {
 public:
  ByteReader(std::string_view data, const char* what) : data_(data), what_(what) {}

  std::size_t size() const { return data_.size(); }
  std::string_view data() const { return data_; }

  std::uint8_t U8(std::size_t at) const {
    Need(at, 1);
    return static_cast<std::uint8_t>(data_[at]);
  }
  std::uint16_t U16(std::size_t at) const {
    Need(at, 2);
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(data_[at]) |
                                      (static_cast<std::uint8_t>(data_[at + 1]) << 8));
  }
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4);
    return static_cast<std::uint32_t>(U16(at)) | (static_cast<std::uint32_t>(U16(at + 2)) << 16);
  }
  std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  std::string_view Slice(std::size_t at, std::size_t length) const {
    Need(at, length);
    return data_.substr(at, length);
  }
  bool Fits(std::size_t at, std::size_t length) const {
    return at <= data_.size() && length <= data_.size() - at;
  }
  void Need(std::size_t at, std::size_t length) const {
    if (!Fits(at, length)) ThrowDamaged(what_);
  }

 private:
  std::string_view data_;
  const char* what_;
};

// Little-endian writing into a growing buffer.
inline void Put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
inline void Put32(std::string& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}
inline void Set16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}
inline void Set32(std::string& out, std::size_t at, std::uint32_t v) {
  Set16(out, at, static_cast<std::uint16_t>(v & 0xFFFF));
  Set16(out, at + 2, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace quorlex::automation::word97
