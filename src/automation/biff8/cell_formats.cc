#include "automation/biff8/cell_formats.h"

#include <algorithm>
#include <array>

#include "automation/biff8/records.h"

namespace quorlex::automation::biff8 {

namespace {

// Attribute bits of a cell format: number format, font, alignment, border,
// fill and protection are its own, not taken from its style.
constexpr std::uint8_t kAllOwnAttributes = 0xFC;
constexpr std::size_t kUsedAttributesByte = 9;

// Fields of the XFCRC record after its 12-byte header and 2 reserved bytes.
constexpr std::size_t kXfCrcCount = 14;
constexpr std::size_t kXfCrcChecksum = 16;

constexpr std::uint32_t kCrcPolynomial = 0xAF;

const std::array<std::uint32_t, 256>& CrcCache() {
  static const std::array<std::uint32_t, 256> cache = [] {
    std::array<std::uint32_t, 256> c{};
    for (std::uint32_t index = 0; index < 256; ++index) {
      std::uint32_t value = index << 24;
      for (int bit = 0; bit < 8; ++bit)
        value = (value & 0x80000000u) != 0 ? (value << 1) ^ kCrcPolynomial : value << 1;
      c[index] = value;
    }
    return c;
  }();
  return cache;
}

// The cell format on style `style`, looking exactly as the style does.
workbook::Xf CellFormatOn(const workbook::Xf& style_xf, std::uint16_t style) {
  std::array<std::uint8_t, 20> bytes = style_xf.Bytes();
  bytes[kUsedAttributesByte] = kAllOwnAttributes;
  workbook::Xf xf(bytes);
  xf.SetIsStyle(false);
  xf.SetParent(style);
  return xf;
}

}  // namespace

CellFormats::CellFormats(const workbook::Styles& styles, const std::vector<bool>& used)
    : styles_(styles) {
  const auto count = static_cast<std::uint16_t>(std::min<std::size_t>(styles.XfCount(), 0xFFFF));
  bool all_cell_formats = true;
  for (std::size_t i = 0; i < used.size() && all_cell_formats; ++i) {
    all_cell_formats =
        !used[i] || (i < count && !styles.XfAt(static_cast<std::uint16_t>(i)).IsStyle());
  }
  if (all_cell_formats) return;
  map_.resize(std::max<std::size_t>(used.size(), count));
  // A reference past the formats is to the Normal cell format.
  const std::uint16_t normal = count > workbook::kDefaultXf ? workbook::kDefaultXf : 0;
  std::vector<std::uint16_t> twin(count, 0xFFFF);
  const auto cell_format_for = [&](std::uint16_t index) -> std::uint16_t {
    const workbook::Xf& xf = styles.XfAt(index);
    if (!xf.IsStyle()) return index;
    if (twin[index] != 0xFFFF) return twin[index];
    const workbook::Xf wanted = CellFormatOn(xf, index);
    const auto& xfs = styles.Xfs();
    const auto same = std::find(xfs.begin(), xfs.end(), wanted);
    if (same != xfs.end()) {
      twin[index] = static_cast<std::uint16_t>(same - xfs.begin());
    } else {
      twin[index] = static_cast<std::uint16_t>(count + added_.size());
      added_.push_back(wanted);
    }
    return twin[index];
  };
  for (std::size_t i = 0; i < map_.size(); ++i) {
    const auto index = static_cast<std::uint16_t>(i);
    if (i >= used.size() || !used[i]) {
      map_[i] = index;
    } else {
      map_[i] = cell_format_for(i < count ? index : normal);
    }
  }
}

workbook::Record CellFormats::UpdatedChecksum(const workbook::Record& xfcrc) const {
  workbook::Record r = xfcrc;
  if (r.data.size() < kXfCrcChecksum + 4) return r;
  platform::Put16(r.data, kXfCrcCount, static_cast<std::uint32_t>(Count()));
  platform::Put32(r.data, kXfCrcChecksum, XfChecksum(styles_.Xfs(), added_));
  return r;
}

std::uint32_t XfChecksum(const std::vector<workbook::Xf>& first,
                         const std::vector<workbook::Xf>& then) {
  const auto& cache = CrcCache();
  std::uint32_t crc = 0;
  for (const auto* list : {&first, &then}) {
    for (const workbook::Xf& xf : *list) {
      for (std::uint8_t byte : xf.Bytes())
        crc = (crc << 8) ^ cache[(crc >> 24) ^ byte];
    }
  }
  return crc;
}

}  // namespace quorlex::automation::biff8
