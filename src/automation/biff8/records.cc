#include "automation/biff8/records.h"

#include "platform/error.h"

namespace quorlex::biff8 {

bool RecordReader::Next(workbook::Record& out) {
  if (at_ + 4 > stream_.size()) return false;
  std::uint16_t type = static_cast<std::uint16_t>(stream_[at_] | (stream_[at_ + 1] << 8));
  std::size_t len = static_cast<std::size_t>(stream_[at_ + 2] | (stream_[at_ + 3] << 8));
  if (at_ + 4 + len > stream_.size()) {
    throw Error(errors::kFormat, "Damaged workbook: a record runs past the end of the stream");
  }
  out.type = type;
  out.data.assign(stream_.begin() + static_cast<std::ptrdiff_t>(at_ + 4),
                  stream_.begin() + static_cast<std::ptrdiff_t>(at_ + 4 + len));
  at_ += 4 + len;
  return true;
}

bool RecordReader::PeekType(std::uint16_t& type) const {
  if (at_ + 4 > stream_.size()) return false;
  type = static_cast<std::uint16_t>(stream_[at_] | (stream_[at_ + 1] << 8));
  return true;
}

void AppendRecord(std::vector<std::uint8_t>& stream, std::uint16_t type, std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFF) throw Error(errors::kSpreadsheet, "Internal error: record too long");
  workbook::Append16(stream, type);
  workbook::Append16(stream, static_cast<std::uint32_t>(data.size()));
  stream.insert(stream.end(), data.begin(), data.end());
}

}  // namespace quorlex::biff8
