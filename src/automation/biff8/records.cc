#include "automation/biff8/records.h"

#include <algorithm>
#include <bit>

#include "automation/biff8/read_values.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::biff8 {

using platform::Append16;
using platform::Append32;

bool RecordReader::Next(workbook::Record& out) {
  if (at_ + 4 > stream_.size()) return false;
  std::uint16_t type = platform::Get16(stream_, at_);
  std::size_t len = platform::Get16(stream_, at_ + 2);
  if (at_ + 4 + len > stream_.size()) {
    throw DamagedWorkbook("a record runs past the end of the stream");
  }
  out.type = type;
  out.data.assign(stream_.begin() + static_cast<std::ptrdiff_t>(at_ + 4),
                  stream_.begin() + static_cast<std::ptrdiff_t>(at_ + 4 + len));
  at_ += 4 + len;
  return true;
}

bool RecordReader::PeekType(std::uint16_t& type) const {
  if (at_ + 4 > stream_.size()) return false;
  type = platform::Get16(stream_, at_);
  return true;
}

void AppendRecord(std::vector<std::uint8_t>& stream, std::uint16_t type,
                  std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFF)
    throw Error(errors::kSpreadsheet, "Внутренняя ошибка: запись BIFF8 длиннее 65 535 байт");
  platform::Append16(stream, type);
  platform::Append16(stream, static_cast<std::uint32_t>(data.size()));
  stream.insert(stream.end(), data.begin(), data.end());
}

void RecordSink::Put(std::uint16_t type, std::span<const std::uint8_t> data) {
  AppendRecord(bytes, type, data);
}

void RecordSink::Put(const workbook::Record& r) {
  if (r.data.size() <= kMaxRecordData) {
    Put(r.type, r.data);
    return;
  }
  std::span<const std::uint8_t> all(r.data);
  Put(r.type, all.subspan(0, kMaxRecordData));
  for (std::size_t at = kMaxRecordData; at < all.size(); at += kMaxRecordData) {
    Put(rt::kContinue, all.subspan(at, std::min(kMaxRecordData, all.size() - at)));
  }
}

void RecordSink::PutWithString(std::uint16_t type, std::span<const std::uint8_t> head,
                               std::u16string_view chars) {
  const bool wide = std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c > 0xFF; });
  const std::size_t unit = wide ? 2 : 1;
  const std::uint8_t option = wide ? 0x01 : 0x00;
  std::vector<std::uint8_t> d(head.begin(), head.end());
  Append16(d, static_cast<std::uint32_t>(chars.size()));
  d.push_back(option);
  std::uint16_t record_type = type;
  std::size_t at = 0;
  while (true) {
    const std::size_t room = (kMaxRecordData - d.size()) / unit;
    const std::size_t n = std::min(room, chars.size() - at);
    for (std::size_t k = at; k < at + n; ++k) {
      if (wide) {
        Append16(d, chars[k]);
      } else {
        d.push_back(static_cast<std::uint8_t>(chars[k]));
      }
    }
    at += n;
    Put(record_type, d);
    if (at >= chars.size()) return;
    record_type = rt::kContinue;
    d.assign(1, option);
  }
}

void AppendUnicodeString(std::vector<std::uint8_t>& out, std::string_view utf8, bool short_count) {
  std::u16string chars = platform::Utf8ToUtf16(utf8);
  if (short_count && chars.size() > 255) chars.resize(255);
  bool wide = std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c > 0xFF; });
  if (short_count) {
    out.push_back(static_cast<std::uint8_t>(chars.size()));
  } else {
    Append16(out, static_cast<std::uint32_t>(chars.size()));
  }
  out.push_back(wide ? 1 : 0);
  for (char16_t c : chars) {
    if (wide) {
      Append16(out, c);
    } else {
      out.push_back(static_cast<std::uint8_t>(c));
    }
  }
}

void AppendDouble(std::vector<std::uint8_t>& out, double v) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  Append32(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
  Append32(out, static_cast<std::uint32_t>(bits >> 32));
}

}  // namespace quorlex::automation::biff8
