#include "automation/page/computed_style.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace quorlex::automation::page {
namespace {

using css::Declaration;
using css::Keyword;
using css::Property;
using css::Unit;
using css::Value;

constexpr double kDefaultFontSize = 12;  // points: the browser's 16 px

std::uint64_t Bits(double v) { return v == 0 ? 0 : std::bit_cast<std::uint64_t>(v); }

double Finite(double v, double otherwise) { return std::isfinite(v) ? v : otherwise; }

bool IsInherited(Property p) {
  switch (p) {
    case Property::kFontFamily:
    case Property::kFontSize:
    case Property::kFontWeight:
    case Property::kFontStyle:
    case Property::kColor:
    case Property::kTextAlign:
    case Property::kWhiteSpace:
    case Property::kVisibility:
    case Property::kMsoNumberFormat: return true;
    default: return false;
  }
}

// What a declaration asks for once "unset" is read per property.
enum class Ask { kNothing, kValue, kInherit, kInitial };

Ask AskOf(const Declaration* d) {
  if (d == nullptr) return Ask::kNothing;
  switch (d->value.type) {
    case Value::Type::kInherit:
      // "unset" (kAuto marks it) inherits only inherited properties.
      if (d->value.keyword == Keyword::kAuto && !IsInherited(d->property)) return Ask::kInitial;
      return Ask::kInherit;
    case Value::Type::kInitial: return Ask::kInitial;
    default: return Ask::kValue;
  }
}

// Points of a length; em and ex relative to font_size (points).
double Points(const Value& v, double font_size) {
  switch (v.unit) {
    case Unit::kPx:
    case Unit::kNumber: return v.number * 0.75;
    case Unit::kPt: return v.number;
    case Unit::kEm: return v.number * font_size;
    case Unit::kEx: return v.number * font_size / 2;
    case Unit::kRem: return v.number * kDefaultFontSize;
    case Unit::kPercent: return 0;
  }
  return 0;
}

Length ToLength(const Value& v, double font_size) {
  Length length;
  if (v.type != Value::Type::kLength) return length;
  if (v.unit == Unit::kPercent) {
    length.unit = Length::Unit::kPercent;
    length.value = std::clamp(Finite(v.number, 0), 0.0, 1e6);
  } else {
    length.unit = Length::Unit::kPoints;
    length.value = std::clamp(Finite(Points(v, font_size), 0), 0.0, 1e6);
  }
  return length;
}

BorderStyle WidthClass(const Value* width, double font_size) {
  if (width == nullptr) return BorderStyle::kMedium;  // initial: medium
  if (width->type == Value::Type::kKeyword) {
    switch (width->keyword) {
      case Keyword::kThin: return BorderStyle::kThin;
      case Keyword::kThick: return BorderStyle::kThick;
      default: return BorderStyle::kMedium;
    }
  }
  if (width->type != Value::Type::kLength) return BorderStyle::kMedium;
  const double px = Points(*width, font_size) / 0.75;
  if (px <= 0) return BorderStyle::kNone;
  if (px < 1.5) return BorderStyle::kThin;
  if (px < 2.5) return BorderStyle::kMedium;
  return BorderStyle::kThick;
}

}  // namespace

std::size_t ComputedStyleHash::operator()(const ComputedStyle& s) const noexcept {
  std::size_t h = 1469598103934665603ull;
  auto mix = [&h](std::uint64_t v) { h = (h ^ v) * 1099511628211ull; };
  mix(s.font_family);
  mix(Bits(s.font_size));
  mix(static_cast<std::uint64_t>(s.size_set) | static_cast<std::uint64_t>(s.bold) << 1 |
      static_cast<std::uint64_t>(s.italic) << 2 | static_cast<std::uint64_t>(s.lines) << 3 |
      static_cast<std::uint64_t>(s.text_align) << 8 |
      static_cast<std::uint64_t>(s.white_space) << 12 |
      static_cast<std::uint64_t>(s.visible) << 16 |
      static_cast<std::uint64_t>(s.has_number_format) << 17 |
      static_cast<std::uint64_t>(s.position) << 18 | static_cast<std::uint64_t>(s.display) << 20 |
      static_cast<std::uint64_t>(s.vertical) << 24 |
      static_cast<std::uint64_t>(s.margin_left_auto) << 28 |
      static_cast<std::uint64_t>(s.margin_right_auto) << 29);
  mix(s.color);
  mix(s.number_format);
  mix(s.background);
  for (const Border& b : s.borders)
    mix(static_cast<std::uint64_t>(b.style) << 32 | b.color);
  mix(static_cast<std::uint64_t>(s.width.unit) << 60 ^ Bits(s.width.value));
  mix(static_cast<std::uint64_t>(s.height.unit) << 60 ^ Bits(s.height.value));
  return h;
}

namespace {

using Winners = std::array<const Declaration*, css::kPropertyCount>;

const Declaration* WinnerOf(const Winners& winners, Property p) {
  return winners[static_cast<std::size_t>(p)];
}

// Font family, size, weight and style, decoration lines and colour.
void ComputeFont(const ComputedStyle& parent, const Winners& winners, ComputedStyle& s) {
  auto winner = [&](Property p) { return WinnerOf(winners, p); };
  if (const Declaration* d = winner(Property::kFontFamily)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInitial) s.font_family = 0;
    if (ask == Ask::kValue && d->value.type == Value::Type::kString)
      s.font_family = d->value.string;
  }

  if (const Declaration* d = winner(Property::kFontSize)) {
    const Ask ask = AskOf(d);
    const Value& v = d->value;
    double size = parent.font_size;
    if (ask == Ask::kInitial) {
      size = kDefaultFontSize;
      s.size_set = true;
    } else if (ask == Ask::kValue) {
      if (v.type == Value::Type::kKeyword) {
        size = v.keyword == Keyword::kLarger ? parent.font_size * 1.2 : parent.font_size / 1.2;
      } else if (v.type == Value::Type::kLength) {
        size = v.unit == Unit::kPercent ? parent.font_size * v.number / 100
                                        : Points(v, parent.font_size);
      }
      s.size_set = true;
    }
    s.font_size = std::clamp(Finite(size, kDefaultFontSize), 1.0, 409.0);
  }

  if (const Declaration* d = winner(Property::kFontWeight)) {
    const Ask ask = AskOf(d);
    const Value& v = d->value;
    if (ask == Ask::kInitial) s.bold = false;
    if (ask == Ask::kValue) {
      if (v.type == Value::Type::kLength) {
        s.bold = v.number >= 600;
      } else {
        s.bold = v.keyword == Keyword::kBold || v.keyword == Keyword::kBolder;
      }
    }
  }

  if (const Declaration* d = winner(Property::kFontStyle)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInitial) s.italic = false;
    if (ask == Ask::kValue) s.italic = d->value.keyword == Keyword::kItalic;
  }

  // Decoration lines are drawn through all descendants: an element adds
  // its own to its parent's and can not take them away.
  if (const Declaration* d = winner(Property::kTextDecoration)) {
    if (AskOf(d) == Ask::kValue) s.lines = static_cast<std::uint8_t>(parent.lines | d->value.lines);
  }

  if (const Declaration* d = winner(Property::kColor)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInitial) s.color = kAutoColor;
    if (ask == Ask::kValue) {
      if (d->value.type == Value::Type::kColor) s.color = d->value.color;
      if (d->value.type == Value::Type::kKeyword && d->value.keyword == Keyword::kTransparent)
        s.color = kAutoColor;
    }
  }
}

// Alignment, white space, visibility and number format of the text.
void ComputeText(const Winners& winners, ComputedStyle& s) {
  auto winner = [&](Property p) { return WinnerOf(winners, p); };
  if (const Declaration* d = winner(Property::kTextAlign)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInitial) s.text_align = HorizontalAlignment::kGeneral;
    if (ask == Ask::kValue) {
      switch (d->value.keyword) {
        case Keyword::kLeft: s.text_align = HorizontalAlignment::kLeft; break;
        case Keyword::kRight:
        case Keyword::kEnd: s.text_align = HorizontalAlignment::kRight; break;
        case Keyword::kCenter: s.text_align = HorizontalAlignment::kCenter; break;
        case Keyword::kJustify: s.text_align = HorizontalAlignment::kJustify; break;
        default: s.text_align = HorizontalAlignment::kGeneral; break;
      }
    }
  }

  if (const Declaration* d = winner(Property::kWhiteSpace)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInitial) s.white_space = WhiteSpace::kNormal;
    if (ask == Ask::kValue) {
      switch (d->value.keyword) {
        case Keyword::kNowrap: s.white_space = WhiteSpace::kNowrap; break;
        case Keyword::kPre: s.white_space = WhiteSpace::kPre; break;
        case Keyword::kPreWrap: s.white_space = WhiteSpace::kPreWrap; break;
        case Keyword::kPreLine: s.white_space = WhiteSpace::kPreLine; break;
        default: s.white_space = WhiteSpace::kNormal; break;
      }
    }
  }

  if (const Declaration* d = winner(Property::kVisibility)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInitial) s.visible = true;
    if (ask == Ask::kValue) s.visible = d->value.keyword != Keyword::kHidden;
  }

  if (const Declaration* d = winner(Property::kMsoNumberFormat)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInitial) {
      s.has_number_format = false;
      s.number_format = 0;
    }
    if (ask == Ask::kValue && d->value.type == Value::Type::kString) {
      s.has_number_format = true;
      s.number_format = d->value.string;
    }
  }
}

// Vertical alignment, display and background of the element's box.
void ComputeBox(const ComputedStyle& parent, const Winners& winners, ComputedStyle& s) {
  auto winner = [&](Property p) { return WinnerOf(winners, p); };
  // vertical-align: cell alignment (top, middle, bottom) and the raised or
  // lowered text of sub and super, which holds for the descendants too.
  if (const Declaration* d = winner(Property::kVerticalAlign)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInherit) {
      s.vertical = parent.vertical;
    } else if (ask == Ask::kValue) {
      switch (d->value.keyword) {
        case Keyword::kTop:
        case Keyword::kBaseline: s.vertical = VerticalAlignment::kTop; break;
        case Keyword::kMiddle: s.vertical = VerticalAlignment::kCenter; break;
        case Keyword::kBottom: s.vertical = VerticalAlignment::kBottom; break;
        case Keyword::kSub: s.position = VerticalPosition::kSubscript; break;
        case Keyword::kSuper: s.position = VerticalPosition::kSuperscript; break;
        default: break;
      }
    }
  }

  if (const Declaration* d = winner(Property::kDisplay)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInherit) s.display = parent.display;
    if (ask == Ask::kValue) {
      switch (d->value.keyword) {
        case Keyword::kNone: s.display = Display::kNone; break;
        case Keyword::kBlock: s.display = Display::kBlock; break;
        case Keyword::kListItem: s.display = Display::kListItem; break;
        default: s.display = Display::kInline; break;
      }
    }
  }

  if (const Declaration* d = winner(Property::kBackgroundColor)) {
    const Ask ask = AskOf(d);
    if (ask == Ask::kInherit) s.background = parent.background;
    if (ask == Ask::kValue) {
      if (d->value.type == Value::Type::kColor) s.background = d->value.color;
      if (d->value.type == Value::Type::kKeyword && d->value.keyword == Keyword::kCurrentColor)
        s.background = s.color;
    }
  }
}

// The four borders; a border drawn takes the text colour unless it names one.
void ComputeBorders(const ComputedStyle& parent, const Winners& winners, ComputedStyle& s) {
  auto winner = [&](Property p) { return WinnerOf(winners, p); };
  for (int side = 0; side < 4; ++side) {
    const auto index = static_cast<std::size_t>(side);
    const Declaration* style = winner(css::BorderStyleOf(side));
    const Declaration* width = winner(css::BorderWidthOf(side));
    const Declaration* color = winner(css::BorderColorOf(side));
    if (AskOf(style) == Ask::kInherit && AskOf(width) != Ask::kValue &&
        AskOf(color) != Ask::kValue) {
      s.borders[index] = parent.borders[index];
      continue;
    }
    if (AskOf(style) != Ask::kValue || style->value.keyword == Keyword::kNone) continue;
    const Value* width_value = AskOf(width) == Ask::kValue ? &width->value : nullptr;
    const BorderStyle weight = WidthClass(width_value, s.font_size);
    if (weight == BorderStyle::kNone) continue;
    Border border;
    switch (style->value.keyword) {
      case Keyword::kDashed: border.style = BorderStyle::kDashed; break;
      case Keyword::kDotted: border.style = BorderStyle::kDotted; break;
      case Keyword::kDouble: border.style = BorderStyle::kDouble; break;
      default: border.style = weight; break;
    }
    border.color = s.color;
    if (AskOf(color) == Ask::kValue) {
      const Value& c = color->value;
      if (c.type == Value::Type::kColor) border.color = c.color;
      if (c.type == Value::Type::kKeyword && c.keyword == Keyword::kTransparent) continue;
    } else if (AskOf(color) == Ask::kInherit) {
      border.color = parent.borders[index].color;
    }
    s.borders[index] = border;
  }
}

// Width, height and automatic side margins.
void ComputeLengths(const ComputedStyle& parent, const Winners& winners, ComputedStyle& s) {
  auto winner = [&](Property p) { return WinnerOf(winners, p); };
  auto length = [&](Property p, Length& out, const Length& inherited) {
    const Declaration* d = winner(p);
    const Ask ask = AskOf(d);
    if (ask == Ask::kInherit) out = inherited;
    if (ask == Ask::kValue) out = ToLength(d->value, s.font_size);
  };
  length(Property::kWidth, s.width, parent.width);
  length(Property::kHeight, s.height, parent.height);

  auto is_auto = [&](Property p) {
    const Declaration* d = winner(p);
    return AskOf(d) == Ask::kValue && d->value.type == Value::Type::kKeyword &&
           d->value.keyword == Keyword::kAuto;
  };
  s.margin_left_auto = is_auto(Property::kMarginLeft);
  s.margin_right_auto = is_auto(Property::kMarginRight);
}

}  // namespace

ComputedStyle ComputeStyle(const ComputedStyle& parent, const Winners& winners) {
  ComputedStyle s;
  // Inherited properties start from the parent's values.
  s.font_family = parent.font_family;
  s.font_size = parent.font_size;
  s.size_set = parent.size_set;
  s.bold = parent.bold;
  s.italic = parent.italic;
  s.lines = parent.lines;
  s.color = parent.color;
  s.text_align = parent.text_align;
  s.white_space = parent.white_space;
  s.visible = parent.visible;
  s.has_number_format = parent.has_number_format;
  s.number_format = parent.number_format;
  s.position = parent.position;

  // In this order: sizes in em need the font size, and currentcolor the
  // colour.
  ComputeFont(parent, winners, s);
  ComputeText(winners, s);
  ComputeBox(parent, winners, s);
  ComputeBorders(parent, winners, s);
  ComputeLengths(parent, winners, s);
  return s;
}

}  // namespace quorlex::automation::page
