#include "automation/workbook/styles.h"

#include <iterator>
#include <limits>

#include "platform/error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

namespace {

constexpr std::uint16_t kFirstCustomFormat = 164;
// Excel 97-2003 takes between 200 and 250 number formats of a workbook's
// own, depending on its language: 200 open everywhere.
constexpr std::size_t kMaxCustomFormats = 200;

// Fields of the used-attribute byte (offset 9).
constexpr std::uint8_t kUsedFormat = 0x04;
constexpr std::uint8_t kUsedFont = 0x08;
constexpr std::uint8_t kUsedAlign = 0x10;
constexpr std::uint8_t kUsedBorder = 0x20;
constexpr std::uint8_t kUsedFill = 0x40;

long ColorDistance(std::uint32_t a, std::uint32_t b) {
  auto channel = [](std::uint32_t c, int shift) { return static_cast<long>((c >> shift) & 0xFF); };
  long dr = channel(a, 16) - channel(b, 16);
  long dg = channel(a, 8) - channel(b, 8);
  long db = channel(a, 0) - channel(b, 0);
  // Weighted like the eye: green matters most, blue least.
  return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

}  // namespace

const Palette& DefaultPalette() {
  static const Palette palette = {
      0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
      0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
      0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
      0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
      0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
      0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
      0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
  return palette;
}

std::string_view BuiltinFormat(std::uint16_t index) {
  switch (index) {
    case 0: return "General";
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 5: return "\"$\"#,##0_);(\"$\"#,##0)";
    case 6: return "\"$\"#,##0_);[Red](\"$\"#,##0)";
    case 7: return "\"$\"#,##0.00_);(\"$\"#,##0.00)";
    case 8: return "\"$\"#,##0.00_);[Red](\"$\"#,##0.00)";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 12: return "# ?/?";
    case 13: return "# ?\?/?\?";
    case 14: return "m/d/yy";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "m/d/yy h:mm";
    case 37: return "#,##0 ;(#,##0)";
    case 38: return "#,##0 ;[Red](#,##0)";
    case 39: return "#,##0.00;(#,##0.00)";
    case 40: return "#,##0.00;[Red](#,##0.00)";
    case 41: return "_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)";
    case 42: return "_(\"$\"* #,##0_);_(\"$\"* (#,##0);_(\"$\"* \"-\"_);_(@_)";
    case 43: return "_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)";
    case 44: return "_(\"$\"* #,##0.00_);_(\"$\"* (#,##0.00);_(\"$\"* \"-\"??_);_(@_)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mm:ss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    default: return {};
  }
}

Xf::Xf() {
  // A cell format on the Normal style: font 0, General, locked, bottom
  // aligned, no border, no fill.
  Set16(4, 0x0001);
  bytes_[6] = 0x20;
  Set16(18, 0x20C0);
}

std::uint16_t Xf::U16(std::size_t at) const { return platform::Get16(bytes_, at); }
std::uint32_t Xf::U32(std::size_t at) const { return platform::Get32(bytes_, at); }
void Xf::Set16(std::size_t at, std::uint16_t v) { platform::Put16(bytes_, at, v); }
void Xf::Set32(std::size_t at, std::uint32_t v) { platform::Put32(bytes_, at, v); }
void Xf::MarkUsed(std::uint8_t bit) {
  // In a cell format the bit says "this attribute is the cell's own".
  if (!IsStyle()) bytes_[9] = static_cast<std::uint8_t>(bytes_[9] | bit);
}

void Xf::SetFontIndex(std::uint16_t i) {
  Set16(0, i);
  MarkUsed(kUsedFont);
}
void Xf::SetFormatIndex(std::uint16_t i) {
  Set16(2, i);
  MarkUsed(kUsedFormat);
}
void Xf::SetParent(std::uint16_t parent) {
  Set16(4, static_cast<std::uint16_t>((U16(4) & 0x000F) | ((parent & 0x0FFF) << 4)));
}
void Xf::SetIsStyle(bool style) {
  std::uint16_t v = U16(4);
  v = style ? static_cast<std::uint16_t>(v | 0x0004) : static_cast<std::uint16_t>(v & ~0x0004);
  Set16(4, v);
}
void Xf::SetHorizontal(HAlign a) {
  bytes_[6] = static_cast<std::uint8_t>((bytes_[6] & ~0x07) | static_cast<std::uint8_t>(a));
  MarkUsed(kUsedAlign);
}
void Xf::SetVertical(VAlign a) {
  bytes_[6] = static_cast<std::uint8_t>((bytes_[6] & ~0x70) | (static_cast<std::uint8_t>(a) << 4));
  MarkUsed(kUsedAlign);
}
void Xf::SetWrap(bool wrap) {
  bytes_[6] = wrap ? static_cast<std::uint8_t>(bytes_[6] | 0x08)
                   : static_cast<std::uint8_t>(bytes_[6] & ~0x08);
  MarkUsed(kUsedAlign);
}

LineStyle Xf::Border(Edge e) const {
  std::uint32_t w = U32(10);
  switch (e) {
    case Edge::kLeft: return static_cast<LineStyle>(w & 0xF);
    case Edge::kRight: return static_cast<LineStyle>((w >> 4) & 0xF);
    case Edge::kTop: return static_cast<LineStyle>((w >> 8) & 0xF);
    case Edge::kBottom: return static_cast<LineStyle>((w >> 12) & 0xF);
  }
  return LineStyle::kNone;
}

std::uint8_t Xf::BorderColor(Edge e) const {
  switch (e) {
    case Edge::kLeft: return static_cast<std::uint8_t>((U32(10) >> 16) & 0x7F);
    case Edge::kRight: return static_cast<std::uint8_t>((U32(10) >> 23) & 0x7F);
    case Edge::kTop: return static_cast<std::uint8_t>(U32(14) & 0x7F);
    case Edge::kBottom: return static_cast<std::uint8_t>((U32(14) >> 7) & 0x7F);
  }
  return 0;
}

void Xf::SetBorder(Edge e, LineStyle style, std::uint8_t color) {
  std::uint32_t w = U32(10);
  std::uint32_t v = U32(14);
  std::uint32_t s = static_cast<std::uint32_t>(style) & 0xF;
  std::uint32_t c = style == LineStyle::kNone ? 0u : (color & 0x7Fu);
  switch (e) {
    case Edge::kLeft:
      w = (w & ~0x0000000Fu) | s;
      w = (w & ~(0x7Fu << 16)) | (c << 16);
      break;
    case Edge::kRight:
      w = (w & ~0x000000F0u) | (s << 4);
      w = (w & ~(0x7Fu << 23)) | (c << 23);
      break;
    case Edge::kTop:
      w = (w & ~0x00000F00u) | (s << 8);
      v = (v & ~0x7Fu) | c;
      break;
    case Edge::kBottom:
      w = (w & ~0x0000F000u) | (s << 12);
      v = (v & ~(0x7Fu << 7)) | (c << 7);
      break;
  }
  Set32(10, w);
  Set32(14, v);
  MarkUsed(kUsedBorder);
}

void Xf::SetFill(std::uint8_t pattern, std::uint8_t color, std::uint8_t background) {
  std::uint32_t v = U32(14);
  v = (v & 0x03FFFFFFu) | (static_cast<std::uint32_t>(pattern & 0x3F) << 26);
  Set32(14, v);
  if (pattern == 0) {
    color = 64;
    background = 65;
  }
  std::uint16_t icv = U16(18);
  icv = static_cast<std::uint16_t>((icv & 0xC000) | (color & 0x7F) | ((background & 0x7F) << 7));
  Set16(18, icv);
  MarkUsed(kUsedFill);
}

std::size_t XfHash::operator()(const Xf& xf) const {
  std::size_t h = 1469598103934665603ull;
  for (std::uint8_t b : xf.Bytes())
    h = (h ^ b) * 1099511628211ull;
  return h;
}

Styles::Styles() : palette_(DefaultPalette()) {}

const Font& Styles::FontAt(std::uint16_t biff_index) const {
  std::size_t i = biff_index < 4 ? biff_index : static_cast<std::size_t>(biff_index) - 1;
  if (fonts_.empty()) throw Error(errors::kFormat, "В книге нет шрифтов");
  if (i >= fonts_.size()) return fonts_[0];
  return fonts_[i];
}

std::uint16_t Styles::InternFont(const Font& font) {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i] == font) return static_cast<std::uint16_t>(i < 4 ? i : i + 1);
  }
  if (fonts_.size() >= 510) throw Error(errors::kSpreadsheet, "Слишком много шрифтов в книге");
  fonts_.push_back(font);
  std::size_t i = fonts_.size() - 1;
  return static_cast<std::uint16_t>(i < 4 ? i : i + 1);
}

std::string Styles::FormatCode(std::uint16_t index) const {
  auto it = formats_.find(index);
  if (it != formats_.end()) return it->second;
  return std::string(BuiltinFormat(index));
}

std::uint16_t Styles::InternFormat(std::string_view code) {
  for (const auto& [index, text] : formats_) {
    if (text == code) return index;
  }
  for (std::uint16_t i = 0; i < 50; ++i) {
    if (!BuiltinFormat(i).empty() && BuiltinFormat(i) == code && formats_.count(i) == 0) return i;
  }
  const auto custom = static_cast<std::size_t>(
      std::distance(formats_.lower_bound(kFirstCustomFormat), formats_.end()));
  if (custom >= kMaxCustomFormats || (!formats_.empty() && formats_.rbegin()->first == 0xFFFF)) {
    throw Error(errors::kSpreadsheet,
                "Слишком много различных числовых форматов в книге (более 200)");
  }
  std::uint16_t next = kFirstCustomFormat;
  if (!formats_.empty())
    next = std::max<std::uint16_t>(next, static_cast<std::uint16_t>(formats_.rbegin()->first + 1));
  formats_[next] = std::string(code);
  return next;
}

void Styles::SetFormat(std::uint16_t index, std::string code) { formats_[index] = std::move(code); }

const Xf& Styles::XfAt(std::uint16_t index) const {
  if (index >= xfs_.size()) {
    if (xfs_.empty()) throw Error(errors::kFormat, "В книге нет форматов ячеек");
    return xfs_[xfs_.size() > kDefaultXf ? kDefaultXf : 0];
  }
  return xfs_[index];
}

void Styles::AddXfRaw(const Xf& xf) {
  xf_index_.emplace(xf, static_cast<std::uint16_t>(xfs_.size()));
  xfs_.push_back(xf);
}

std::uint16_t Styles::InternXf(const Xf& xf) {
  auto it = xf_index_.find(xf);
  if (it != xf_index_.end()) return it->second;
  if (xfs_.size() >= 4000)
    throw Error(errors::kSpreadsheet,
                "Слишком много различных форматов ячеек в книге (более 4000)");
  AddXfRaw(xf);
  return static_cast<std::uint16_t>(xfs_.size() - 1);
}

std::uint8_t Styles::ColorIndexFor(std::uint32_t rgb) {
  if (colors_taken_.empty()) {
    colors_taken_.assign(palette_.size(), false);
    auto take = [&](std::uint32_t index) {
      if (index >= 8 && index < 64) colors_taken_[index - 8] = true;
    };
    for (const Font& f : fonts_)
      take(f.color);
    for (const Xf& xf : xfs_) {
      for (Edge e : {Edge::kLeft, Edge::kTop, Edge::kRight, Edge::kBottom})
        take(xf.BorderColor(e));
      take(xf.PatternColor());
      take(xf.PatternBackground());
    }
    // The first eight keep the basic colours that other programs assume.
    for (std::size_t i = 0; i < 8; ++i)
      colors_taken_[i] = true;
  }
  std::size_t best = 0;
  long best_distance = std::numeric_limits<long>::max();
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    long d = ColorDistance(palette_[i], rgb);
    if (d < best_distance) {
      best_distance = d;
      best = i;
    }
  }
  // Close enough to tell apart only under a loupe: take the palette colour.
  if (best_distance <= 3 * 9 * 9 * 3) {
    colors_taken_[best] = true;
    return static_cast<std::uint8_t>(best + 8);
  }
  // A free slot, taken from the end of the palette where rarely used colours sit.
  for (std::size_t i = palette_.size(); i-- > 0;) {
    if (!colors_taken_[i]) {
      colors_taken_[i] = true;
      palette_[i] = rgb;
      custom_palette_ = true;
      return static_cast<std::uint8_t>(i + 8);
    }
  }
  colors_taken_[best] = true;
  return static_cast<std::uint8_t>(best + 8);
}

}  // namespace quorlex::automation::workbook
