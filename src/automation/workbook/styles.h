#pragma once

// Cell formats as the workbook stores them: fonts, number formats, extended
// formats (XF) and the colour palette. Formats are interned: equal formats
// share one index, so a sheet of a million cells carries a handful of them.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorlex::automation::workbook {

// A FONT record's fields.
struct Font {
  std::uint16_t height = 200;    // twips (1/20 pt)
  std::uint16_t flags = 0;       // 0x02 italic, 0x08 strike-out, 0x10 outline, 0x20 shadow
  std::uint16_t color = 0x7FFF;  // palette index; 0x7FFF is the window text colour
  std::uint16_t weight = 400;    // 700 is bold
  std::uint16_t escapement = 0;
  std::uint8_t underline = 0;  // 1 single, 2 double, 0x21/0x22 accounting
  std::uint8_t family = 0;
  std::uint8_t charset = 0;
  std::uint8_t reserved = 0;
  std::string name = "Arial";

  bool Bold() const { return weight >= 700; }
  bool Italic() const { return (flags & 0x02) != 0; }
  bool Strike() const { return (flags & 0x08) != 0; }
  bool operator==(const Font&) const = default;
};

// Border line styles as BIFF8 numbers them.
enum class LineStyle : std::uint8_t {
  kNone = 0,
  kThin = 1,
  kMedium = 2,
  kDashed = 3,
  kDotted = 4,
  kThick = 5,
  kDouble = 6,
  kHair = 7,
  kMediumDashed = 8,
  kDashDot = 9,
  kMediumDashDot = 10,
  kDashDotDot = 11,
  kMediumDashDotDot = 12,
  kSlantDashDot = 13
};

enum class Edge : std::uint8_t { kLeft, kTop, kRight, kBottom };

enum class HAlign : std::uint8_t {
  kGeneral = 0,
  kLeft = 1,
  kCenter = 2,
  kRight = 3,
  kFill = 4,
  kJustify = 5,
  kCenterAcross = 6
};
enum class VAlign : std::uint8_t { kTop = 0, kCenter = 1, kBottom = 2, kJustify = 3 };

// An extended format: the 20 bytes of an XF record, with accessors for the
// fields the engine changes. Keeping the bytes keeps every field the engine
// does not model exactly as the template had it.
class Xf {
 public:
  Xf();
  explicit Xf(const std::array<std::uint8_t, 20>& bytes) : bytes_(bytes) {}
  const std::array<std::uint8_t, 20>& Bytes() const { return bytes_; }

  std::uint16_t FontIndex() const { return U16(0); }  // as BIFF numbers fonts (4 skipped)
  void SetFontIndex(std::uint16_t i);
  std::uint16_t FormatIndex() const { return U16(2); }
  void SetFormatIndex(std::uint16_t i);
  bool IsStyle() const { return (U16(4) & 0x0004) != 0; }
  std::uint16_t Parent() const { return static_cast<std::uint16_t>(U16(4) >> 4); }
  void SetParent(std::uint16_t parent);
  void SetIsStyle(bool style);

  HAlign Horizontal() const { return static_cast<HAlign>(bytes_[6] & 0x07); }
  void SetHorizontal(HAlign a);
  VAlign Vertical() const { return static_cast<VAlign>((bytes_[6] >> 4) & 0x07); }
  void SetVertical(VAlign a);
  bool Wrap() const { return (bytes_[6] & 0x08) != 0; }
  void SetWrap(bool wrap);

  LineStyle Border(Edge e) const;
  std::uint8_t BorderColor(Edge e) const;
  void SetBorder(Edge e, LineStyle style, std::uint8_t color);

  std::uint8_t Pattern() const { return static_cast<std::uint8_t>(U32(14) >> 26); }
  std::uint8_t PatternColor() const { return static_cast<std::uint8_t>(U16(18) & 0x7F); }
  std::uint8_t PatternBackground() const {
    return static_cast<std::uint8_t>((U16(18) >> 7) & 0x7F);
  }
  // Solid fill in palette colour `color`; pattern 0 removes the fill.
  void SetFill(std::uint8_t pattern, std::uint8_t color, std::uint8_t background = 65);

  bool operator==(const Xf& o) const { return bytes_ == o.bytes_; }

 private:
  std::uint16_t U16(std::size_t at) const;
  std::uint32_t U32(std::size_t at) const;
  void Set16(std::size_t at, std::uint16_t v);
  void Set32(std::size_t at, std::uint32_t v);
  void MarkUsed(std::uint8_t bit);

  std::array<std::uint8_t, 20> bytes_{};
};

// Hash of a cell format, to find equal ones.
struct XfHash {
  std::size_t operator()(const Xf& xf) const;
};

// The 56 colours of palette indexes 8..63, as 0xRRGGBB.
using Palette = std::array<std::uint32_t, 56>;
const Palette& DefaultPalette();

// The Normal style's cell format, present in every workbook.
inline constexpr std::uint16_t kDefaultXf = 15;

// Fonts, number formats, cell formats and the palette of a workbook.
class Styles {
 public:
  Styles();

  // Fonts, with BIFF's numbering (index 4 does not exist).
  std::size_t FontCount() const { return fonts_.size(); }
  const Font& FontAt(std::uint16_t biff_index) const;
  std::uint16_t InternFont(const Font& font);
  void AddFontRaw(const Font& font) { fonts_.push_back(font); }
  const std::vector<Font>& Fonts() const { return fonts_; }

  // Number format codes by index: the built-in ones and the workbook's own.
  std::string FormatCode(std::uint16_t index) const;
  std::uint16_t InternFormat(std::string_view code);
  void SetFormat(std::uint16_t index, std::string code);
  const std::map<std::uint16_t, std::string>& Formats() const { return formats_; }

  std::size_t XfCount() const { return xfs_.size(); }
  const Xf& XfAt(std::uint16_t index) const;
  std::uint16_t InternXf(const Xf& xf);
  void AddXfRaw(const Xf& xf);
  const std::vector<Xf>& Xfs() const { return xfs_; }

  const Palette& Colors() const { return palette_; }
  void SetColors(const Palette& p, bool custom) {
    palette_ = p;
    custom_palette_ = custom;
  }
  bool HasCustomPalette() const { return custom_palette_; }
  // The palette index (8..63) whose colour is nearest to rgb; when none is
  // close and a colour no format uses is free, that slot takes rgb.
  std::uint8_t ColorIndexFor(std::uint32_t rgb);

  // The cell format derived from `base` by `change`, interned.
  template <typename F>
  std::uint16_t Derive(std::uint16_t base, F&& change) {
    Xf xf = XfAt(base);
    if (xf.IsStyle()) {  // cells never point at style formats
      xf.SetIsStyle(false);
      xf.SetParent(base);
    }
    change(xf);
    return InternXf(xf);
  }

 private:
  std::vector<Font> fonts_;
  std::map<std::uint16_t, std::string> formats_;
  std::vector<Xf> xfs_;
  std::unordered_map<Xf, std::uint16_t, XfHash> xf_index_;
  Palette palette_;
  bool custom_palette_ = false;
  std::vector<bool> colors_taken_;
};

// The built-in number format of index i (0..49), or empty.
std::string_view BuiltinFormat(std::uint16_t index);

}  // namespace quorlex::automation::workbook
