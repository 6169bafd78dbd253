#pragma once

// Record numbers of BIFF8 and a bounds-checked reader of record streams.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/workbook/record.h"

namespace quorlex::automation::biff8 {

namespace rt {
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kName = 0x0018;
inline constexpr std::uint16_t kSelection = 0x001D;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kDefColWidth = 0x0055;
inline constexpr std::uint16_t kObj = 0x005D;
inline constexpr std::uint16_t kColInfo = 0x007D;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kPalette = 0x0092;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kMergedCells = 0x00E5;
inline constexpr std::uint16_t kMsoDrawingGroup = 0x00EB;
inline constexpr std::uint16_t kMsoDrawing = 0x00EC;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kTabId = 0x013D;
inline constexpr std::uint16_t kTxo = 0x01B6;
inline constexpr std::uint16_t kHlink = 0x01B8;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kDefaultRowHeight = 0x0225;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kShrFmla = 0x04BC;
inline constexpr std::uint16_t kHlinkTooltip = 0x0800;
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kTemplate = 0x0060;
inline constexpr std::uint16_t kUsesElfs = 0x0160;
inline constexpr std::uint16_t kPane = 0x0041;
inline constexpr std::uint16_t kScl = 0x00A0;
inline constexpr std::uint16_t kUncalced = 0x005E;
inline constexpr std::uint16_t kXfCrc = 0x087C;
inline constexpr std::uint16_t kXfExt = 0x087D;
}  // namespace rt

// Largest record body BIFF8 allows.
inline constexpr std::size_t kMaxRecordData = 8224;

// Reads the records of a BIFF8 stream one after another.
class RecordReader {
 public:
  explicit RecordReader(std::span<const std::uint8_t> stream, std::size_t at = 0)
      : stream_(stream), at_(at) {}

  // False at the end of the stream; throws on a record that runs past it.
  bool Next(workbook::Record& out);
  bool PeekType(std::uint16_t& type) const;
  std::size_t Offset() const { return at_; }

 private:
  std::span<const std::uint8_t> stream_;
  std::size_t at_;
};

// A record stream being built. A body longer than BIFF allows goes on in
// CONTINUE records.
class RecordSink {
 public:
  void Put(std::uint16_t type, std::span<const std::uint8_t> data);
  void Put(const workbook::Record& r);
  // A record that ends in an XLUnicodeString (16-bit count) after `head`.
  // A string too long for one record goes on in CONTINUE records, split
  // only between characters, each CONTINUE starting with the option byte.
  void PutWithString(std::uint16_t type, std::span<const std::uint8_t> head,
                     std::u16string_view chars);
  std::size_t Size() const { return bytes.size(); }
  std::vector<std::uint8_t> bytes;
};

// XLUnicodeString (16-bit count) or ShortXLUnicodeString (8-bit count):
// 8-bit characters when every one fits, UTF-16 otherwise.
void AppendUnicodeString(std::vector<std::uint8_t>& out, std::string_view utf8, bool short_count);
void AppendDouble(std::vector<std::uint8_t>& out, double v);

// Appends a record (type, length, body) to a stream.
void AppendRecord(std::vector<std::uint8_t>& stream, std::uint16_t type,
                  std::span<const std::uint8_t> data);

}  // namespace quorlex::automation::biff8
