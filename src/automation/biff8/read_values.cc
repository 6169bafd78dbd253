#include "automation/biff8/read_values.h"

#include <algorithm>
#include <bit>

#include "automation/workbook/record.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::biff8 {

using platform::Get16;
using platform::Get32;

void Damaged(const std::string& what) { throw DamagedWorkbook(what); }

std::uint8_t ContinuedBytes::Byte() {
  Skip();
  if (AtEnd()) Damaged("string runs past its record");
  return (*parts_[part_])[at_++];
}

std::uint16_t ContinuedBytes::U16() {
  std::uint16_t lo = Byte();
  return static_cast<std::uint16_t>(lo | (Byte() << 8));
}

std::uint32_t ContinuedBytes::U32() {
  std::uint32_t lo = U16();
  return lo | (static_cast<std::uint32_t>(U16()) << 16);
}

void ContinuedBytes::SkipBytes(std::size_t n) {
  while (n > 0) {
    Skip();
    if (AtEnd()) Damaged("string runs past its record");
    std::size_t here = std::min(n, parts_[part_]->size() - at_);
    at_ += here;
    n -= here;
  }
}

std::u16string ContinuedBytes::Chars(std::size_t cch, bool wide) {
  std::u16string out;
  out.reserve(std::min<std::size_t>(cch, 32768));
  while (out.size() < cch) {
    if (at_ >= parts_[part_]->size()) {
      ++part_;
      at_ = 0;
      if (AtEnd()) Damaged("string runs past its record");
      wide = ((*parts_[part_])[at_++] & 0x01) != 0;
      continue;
    }
    const auto& d = *parts_[part_];
    if (wide) {
      if (at_ + 2 > d.size()) Damaged("odd byte in a 16-bit string");
      out.push_back(static_cast<char16_t>(Get16(d, at_)));
      at_ += 2;
    } else {
      out.push_back(static_cast<char16_t>(d[at_]));
      at_ += 1;
    }
  }
  return out;
}

std::pair<std::string, std::string> ContinuedBytes::RichString() {
  std::size_t cch = U16();
  std::uint8_t flags = Byte();
  std::size_t runs = (flags & 0x08) != 0 ? U16() : 0;
  std::size_t ext = (flags & 0x04) != 0 ? U32() : 0;
  std::u16string chars = Chars(cch, (flags & 0x01) != 0);
  std::string run_bytes;
  for (std::size_t i = 0; i < runs * 4; ++i)
    run_bytes.push_back(static_cast<char>(Byte()));
  SkipBytes(ext);
  return {platform::Utf16ToUtf8(chars), std::move(run_bytes)};
}

void ContinuedBytes::Skip() {
  while (part_ < parts_.size() && at_ >= parts_[part_]->size()) {
    ++part_;
    at_ = 0;
  }
}

std::string ReadUnicodeString(const std::vector<std::uint8_t>& d, std::size_t at, bool short_count,
                              std::size_t* end) {
  std::size_t cch = short_count ? (at < d.size() ? d[at] : 0) : Get16(d, at);
  at += short_count ? 1 : 2;
  if (at >= d.size()) {
    if (end) *end = at;
    return {};
  }
  std::uint8_t flags = d[at++];
  bool wide = (flags & 0x01) != 0;
  std::size_t runs = 0;
  std::size_t ext = 0;
  if (flags & 0x08) {
    runs = Get16(d, at);
    at += 2;
  }
  if (flags & 0x04) {
    ext = Get32(d, at);
    at += 4;
  }
  std::u16string chars;
  while (chars.size() < cch && workbook::ReadStringChar(d, at, wide, chars)) {
  }
  if (end) *end = at + runs * 4 + ext;
  return platform::Utf16ToUtf8(chars);
}

double DecodeRk(std::uint32_t rk) {
  double v;
  if (rk & 0x02) {
    v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    v = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32);
  }
  return (rk & 0x01) ? v / 100.0 : v;
}

double DecodeDouble(const std::vector<std::uint8_t>& d, std::size_t at) {
  std::uint64_t bits = static_cast<std::uint64_t>(Get32(d, at)) |
                       (static_cast<std::uint64_t>(Get32(d, at + 4)) << 32);
  return std::bit_cast<double>(bits);
}

}  // namespace quorlex::automation::biff8
