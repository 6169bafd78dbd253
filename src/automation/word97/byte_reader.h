#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/word97/word97_error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::word97 {

// Bounds-checked little-endian access to a stream: every read outside the
// stream is a damaged-file error naming the structure, never a crash (the
// numbers themselves are read by platform/little_endian.h).
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
    return platform::Get16(data_, at);
  }
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4);
    return platform::Get32(data_, at);
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

}  // namespace quorlex::automation::word97
