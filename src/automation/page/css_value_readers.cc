#include "automation/page/css_value_readers.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"

namespace quorlex::automation::page::css {

using platform::LowerAscii;
using platform::TrimAsciiSpace;

const std::unordered_map<std::string_view, Rgb>& ColorNames() {
  // clang-format off
  static const std::unordered_map<std::string_view, Rgb> names = {
      {"aliceblue", 0xF0F8FF}, {"antiquewhite", 0xFAEBD7}, {"aqua", 0x00FFFF},
      {"aquamarine", 0x7FFFD4}, {"azure", 0xF0FFFF}, {"beige", 0xF5F5DC},
      {"bisque", 0xFFE4C4}, {"black", 0x000000}, {"blanchedalmond", 0xFFEBCD},
      {"blue", 0x0000FF}, {"blueviolet", 0x8A2BE2}, {"brown", 0xA52A2A},
      {"burlywood", 0xDEB887}, {"cadetblue", 0x5F9EA0}, {"chartreuse", 0x7FFF00},
      {"chocolate", 0xD2691E}, {"coral", 0xFF7F50}, {"cornflowerblue", 0x6495ED},
      {"cornsilk", 0xFFF8DC}, {"crimson", 0xDC143C}, {"cyan", 0x00FFFF},
      {"darkblue", 0x00008B}, {"darkcyan", 0x008B8B}, {"darkgoldenrod", 0xB8860B},
      {"darkgray", 0xA9A9A9}, {"darkgreen", 0x006400}, {"darkgrey", 0xA9A9A9},
      {"darkkhaki", 0xBDB76B}, {"darkmagenta", 0x8B008B}, {"darkolivegreen", 0x556B2F},
      {"darkorange", 0xFF8C00}, {"darkorchid", 0x9932CC}, {"darkred", 0x8B0000},
      {"darksalmon", 0xE9967A}, {"darkseagreen", 0x8FBC8F}, {"darkslateblue", 0x483D8B},
      {"darkslategray", 0x2F4F4F}, {"darkslategrey", 0x2F4F4F}, {"darkturquoise", 0x00CED1},
      {"darkviolet", 0x9400D3}, {"deeppink", 0xFF1493}, {"deepskyblue", 0x00BFFF},
      {"dimgray", 0x696969}, {"dimgrey", 0x696969}, {"dodgerblue", 0x1E90FF},
      {"firebrick", 0xB22222}, {"floralwhite", 0xFFFAF0}, {"forestgreen", 0x228B22},
      {"fuchsia", 0xFF00FF}, {"gainsboro", 0xDCDCDC}, {"ghostwhite", 0xF8F8FF},
      {"gold", 0xFFD700}, {"goldenrod", 0xDAA520}, {"gray", 0x808080},
      {"green", 0x008000}, {"greenyellow", 0xADFF2F}, {"grey", 0x808080},
      {"honeydew", 0xF0FFF0}, {"hotpink", 0xFF69B4}, {"indianred", 0xCD5C5C},
      {"indigo", 0x4B0082}, {"ivory", 0xFFFFF0}, {"khaki", 0xF0E68C},
      {"lavender", 0xE6E6FA}, {"lavenderblush", 0xFFF0F5}, {"lawngreen", 0x7CFC00},
      {"lemonchiffon", 0xFFFACD}, {"lightblue", 0xADD8E6}, {"lightcoral", 0xF08080},
      {"lightcyan", 0xE0FFFF}, {"lightgoldenrodyellow", 0xFAFAD2}, {"lightgray", 0xD3D3D3},
      {"lightgreen", 0x90EE90}, {"lightgrey", 0xD3D3D3}, {"lightpink", 0xFFB6C1},
      {"lightsalmon", 0xFFA07A}, {"lightseagreen", 0x20B2AA}, {"lightskyblue", 0x87CEFA},
      {"lightslategray", 0x778899}, {"lightslategrey", 0x778899}, {"lightsteelblue", 0xB0C4DE},
      {"lightyellow", 0xFFFFE0}, {"lime", 0x00FF00}, {"limegreen", 0x32CD32},
      {"linen", 0xFAF0E6}, {"magenta", 0xFF00FF}, {"maroon", 0x800000},
      {"mediumaquamarine", 0x66CDAA}, {"mediumblue", 0x0000CD}, {"mediumorchid", 0xBA55D3},
      {"mediumpurple", 0x9370DB}, {"mediumseagreen", 0x3CB371}, {"mediumslateblue", 0x7B68EE},
      {"mediumspringgreen", 0x00FA9A}, {"mediumturquoise", 0x48D1CC}, {"mediumvioletred", 0xC71585},
      {"midnightblue", 0x191970}, {"mintcream", 0xF5FFFA}, {"mistyrose", 0xFFE4E1},
      {"moccasin", 0xFFE4B5}, {"navajowhite", 0xFFDEAD}, {"navy", 0x000080},
      {"oldlace", 0xFDF5E6}, {"olive", 0x808000}, {"olivedrab", 0x6B8E23},
      {"orange", 0xFFA500}, {"orangered", 0xFF4500}, {"orchid", 0xDA70D6},
      {"palegoldenrod", 0xEEE8AA}, {"palegreen", 0x98FB98}, {"paleturquoise", 0xAFEEEE},
      {"palevioletred", 0xDB7093}, {"papayawhip", 0xFFEFD5}, {"peachpuff", 0xFFDAB9},
      {"peru", 0xCD853F}, {"pink", 0xFFC0CB}, {"plum", 0xDDA0DD},
      {"powderblue", 0xB0E0E6}, {"purple", 0x800080}, {"rebeccapurple", 0x663399},
      {"red", 0xFF0000}, {"rosybrown", 0xBC8F8F}, {"royalblue", 0x4169E1},
      {"saddlebrown", 0x8B4513}, {"salmon", 0xFA8072}, {"sandybrown", 0xF4A460},
      {"seagreen", 0x2E8B57}, {"seashell", 0xFFF5EE}, {"sienna", 0xA0522D},
      {"silver", 0xC0C0C0}, {"skyblue", 0x87CEEB}, {"slateblue", 0x6A5ACD},
      {"slategray", 0x708090}, {"slategrey", 0x708090}, {"snow", 0xFFFAFA},
      {"springgreen", 0x00FF7F}, {"steelblue", 0x4682B4}, {"tan", 0xD2B48C},
      {"teal", 0x008080}, {"thistle", 0xD8BFD8}, {"tomato", 0xFF6347},
      {"turquoise", 0x40E0D0}, {"violet", 0xEE82EE}, {"wheat", 0xF5DEB3},
      {"white", 0xFFFFFF}, {"whitesmoke", 0xF5F5F5}, {"yellow", 0xFFFF00},
      {"yellowgreen", 0x9ACD32},
  };
  // clang-format on
  return names;
}

std::optional<Rgb> HexColor(std::string_view hex) {
  if (!std::all_of(hex.begin(), hex.end(), IsHex)) return std::nullopt;
  auto at = [&](std::size_t i) { return static_cast<Rgb>(HexValue(hex[i])); };
  if (hex.size() == 3 || hex.size() == 4) {
    return (at(0) * 17) << 16 | (at(1) * 17) << 8 | (at(2) * 17);
  }
  if (hex.size() == 6 || hex.size() == 8) {
    return (at(0) << 20) | (at(1) << 16) | (at(2) << 12) | (at(3) << 8) | (at(4) << 4) | at(5);
  }
  return std::nullopt;
}

namespace {

Rgb Channel(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<Rgb>(std::lround(v));
}

double HueToRgb(double m1, double m2, double h) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (h * 6 < 1) return m1 + (m2 - m1) * h * 6;
  if (h * 2 < 1) return m2;
  if (h * 3 < 2) return m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
  return m1;
}

std::optional<Rgb> FunctionColor(const Token& t) {
  const bool rgb = t.text == "rgb" || t.text == "rgba";
  const bool hsl = t.text == "hsl" || t.text == "hsla";
  if (!rgb && !hsl) return std::nullopt;
  std::vector<Token> args;
  for (Token& a : Tokenize(t.args)) {
    if (a.kind == Token::Kind::kNumber) {
      args.push_back(std::move(a));
    } else if (a.kind != Token::Kind::kComma && a.kind != Token::Kind::kSlash) {
      return std::nullopt;
    }
  }
  if (args.size() < 3) return std::nullopt;
  if (rgb) {
    Rgb c[3];
    for (int i = 0; i < 3; ++i) {
      const Token& a = args[static_cast<std::size_t>(i)];
      c[i] = Channel(a.unit == "%" ? a.number * 255 / 100 : a.number);
    }
    return c[0] << 16 | c[1] << 8 | c[2];
  }
  double h = std::fmod(args[0].number, 360.0) / 360.0;
  if (h < 0) h += 1;
  const double s = std::clamp(args[1].number / 100.0, 0.0, 1.0);
  const double l = std::clamp(args[2].number / 100.0, 0.0, 1.0);
  const double m2 = l <= 0.5 ? l * (s + 1) : l + s - l * s;
  const double m1 = l * 2 - m2;
  return Channel(HueToRgb(m1, m2, h + 1.0 / 3) * 255) << 16 |
         Channel(HueToRgb(m1, m2, h) * 255) << 8 | Channel(HueToRgb(m1, m2, h - 1.0 / 3) * 255);
}

}  // namespace

std::optional<ColorToken> ReadColor(const Token& t) {
  if (t.kind == Token::Kind::kIdent) {
    const std::string lower = t.Lower();
    if (lower == "transparent") return ColorToken{ColorToken::Kind::kTransparent, 0};
    if (lower == "currentcolor") return ColorToken{ColorToken::Kind::kCurrent, 0};
    auto it = ColorNames().find(lower);
    if (it != ColorNames().end()) return ColorToken{ColorToken::Kind::kRgb, it->second};
    return std::nullopt;
  }
  if (t.kind == Token::Kind::kHash) {
    if (auto rgb = HexColor(t.text)) return ColorToken{ColorToken::Kind::kRgb, *rgb};
    return std::nullopt;
  }
  if (t.kind == Token::Kind::kFunction) {
    if (auto rgb = FunctionColor(t)) return ColorToken{ColorToken::Kind::kRgb, *rgb};
  }
  return std::nullopt;
}

Value ColorValue(const ColorToken& c) {
  Value v;
  if (c.kind == ColorToken::Kind::kRgb) {
    v.type = Value::Type::kColor;
    v.color = c.rgb;
  } else {
    v.type = Value::Type::kKeyword;
    v.keyword =
        c.kind == ColorToken::Kind::kTransparent ? Keyword::kTransparent : Keyword::kCurrentColor;
  }
  return v;
}

Value KeywordValue(Keyword k) {
  Value v;
  v.type = Value::Type::kKeyword;
  v.keyword = k;
  return v;
}

Value LengthValue(double number, Unit unit) {
  Value v;
  v.type = Value::Type::kLength;
  v.number = number;
  v.unit = unit;
  return v;
}

// A length or percentage token in the units a page uses. Unitless numbers
// are pixels, as browsers read them in quirks mode.
std::optional<Value> ReadLength(const Token& t) {
  if (t.kind != Token::Kind::kNumber) return std::nullopt;
  const std::string& u = t.unit;
  if (u.empty() || u == "px") return LengthValue(t.number, Unit::kPx);
  if (u == "%") return LengthValue(t.number, Unit::kPercent);
  if (u == "em") return LengthValue(t.number, Unit::kEm);
  if (u == "ex") return LengthValue(t.number, Unit::kEx);
  if (u == "rem") return LengthValue(t.number, Unit::kRem);
  double points_per_unit = 0;
  if (u == "pt")
    points_per_unit = 1;
  else if (u == "pc")
    points_per_unit = 12;
  else if (u == "in")
    points_per_unit = 72;
  else if (u == "cm")
    points_per_unit = 72 / 2.54;
  else if (u == "mm")
    points_per_unit = 72 / 25.4;
  else if (u == "q")
    points_per_unit = 72 / 101.6;
  else
    return std::nullopt;
  return LengthValue(t.number * points_per_unit, Unit::kPt);
}

namespace {

std::optional<Value> FontSizeKeyword(const Token& t) {
  if (t.kind != Token::Kind::kIdent) return std::nullopt;
  static constexpr std::array<std::pair<std::string_view, double>, 8> kSizes = {{
      {"xx-small", 9},
      {"x-small", 10},
      {"small", 13},
      {"medium", 16},
      {"large", 18},
      {"x-large", 24},
      {"xx-large", 32},
      {"xxx-large", 48},
  }};
  const std::string lower = t.Lower();
  for (const auto& [name, px] : kSizes) {
    if (lower == name) return LengthValue(px, Unit::kPx);
  }
  if (lower == "larger") return KeywordValue(Keyword::kLarger);
  if (lower == "smaller") return KeywordValue(Keyword::kSmaller);
  return std::nullopt;
}

}  // namespace

std::optional<Value> ReadFontSize(const Token& t) {
  if (auto k = FontSizeKeyword(t)) return k;
  auto v = ReadLength(t);
  if (v && v->number < 0) return std::nullopt;
  return v;
}

std::optional<Value> ReadFontWeight(const Token& t) {
  if (t.kind == Token::Kind::kNumber && t.unit.empty()) {
    if (t.number < 1 || t.number > 1000) return std::nullopt;
    Value v;
    v.type = Value::Type::kLength;
    v.unit = Unit::kNumber;
    v.number = t.number;
    return v;
  }
  if (t.IsIdent("normal")) return KeywordValue(Keyword::kNormal);
  if (t.IsIdent("bold")) return KeywordValue(Keyword::kBold);
  if (t.IsIdent("bolder")) return KeywordValue(Keyword::kBolder);
  if (t.IsIdent("lighter")) return KeywordValue(Keyword::kLighter);
  return std::nullopt;
}

std::optional<Keyword> ReadBorderStyle(const Token& t) {
  if (t.kind != Token::Kind::kIdent) return std::nullopt;
  const std::string lower = t.Lower();
  if (lower == "none" || lower == "hidden") return Keyword::kNone;
  if (lower == "solid" || lower == "groove" || lower == "ridge" || lower == "inset" ||
      lower == "outset") {
    return Keyword::kSolid;
  }
  if (lower == "dashed") return Keyword::kDashed;
  if (lower == "dotted") return Keyword::kDotted;
  if (lower == "double") return Keyword::kDouble;
  return std::nullopt;
}

std::optional<Value> ReadBorderWidth(const Token& t) {
  if (t.IsIdent("thin")) return KeywordValue(Keyword::kThin);
  if (t.IsIdent("medium")) return KeywordValue(Keyword::kMedium);
  if (t.IsIdent("thick")) return KeywordValue(Keyword::kThick);
  auto v = ReadLength(t);
  if (!v || v->unit == Unit::kPercent || v->number < 0) return std::nullopt;
  return v;
}

namespace {

std::string GenericFace(std::string_view family) {
  const std::string lower = LowerAscii(family);
  if (lower == "serif") return "Times New Roman";
  if (lower == "sans-serif" || lower == "system-ui" || lower == "ui-sans-serif") return "Arial";
  if (lower == "monospace" || lower == "ui-monospace") return "Courier New";
  if (lower == "cursive") return "Comic Sans MS";
  if (lower == "fantasy") return "Impact";
  return std::string(family);
}

}  // namespace

// The first family of a font-family list, from tokens [begin, end).
std::optional<std::string> FirstFamily(const std::vector<Token>& tokens, std::size_t begin) {
  std::string family;
  for (std::size_t i = begin; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind == Token::Kind::kComma) break;
    if (t.kind == Token::Kind::kString) {
      if (!family.empty()) return std::nullopt;
      family = t.text;
      if (i + 1 < tokens.size() && tokens[i + 1].kind != Token::Kind::kComma) return std::nullopt;
      break;
    }
    if (t.kind != Token::Kind::kIdent) return std::nullopt;
    if (!family.empty()) family.push_back(' ');
    family += t.text;
  }
  family = std::string(TrimAsciiSpace(family));
  if (family.empty()) return std::nullopt;
  return GenericFace(family);
}

bool IsCssWideKeyword(const std::vector<Token>& tokens, Value& out) {
  if (tokens.size() != 1 || tokens[0].kind != Token::Kind::kIdent) return false;
  const std::string lower = tokens[0].Lower();
  if (lower == "inherit") {
    out.type = Value::Type::kInherit;
    return true;
  }
  if (lower == "initial") {
    out.type = Value::Type::kInitial;
    return true;
  }
  if (lower == "unset" || lower == "revert" || lower == "revert-layer") {
    // The property's own default: inherited properties inherit.
    out.type = Value::Type::kInherit;
    out.keyword = Keyword::kAuto;  // marks "unset": resolved per property
    return true;
  }
  return false;
}

std::optional<Rgb> ParseColor(std::string_view text) {
  const std::vector<Token> tokens = Tokenize(text);
  if (tokens.size() != 1) return std::nullopt;
  const auto c = ReadColor(tokens[0]);
  if (!c || c->kind != ColorToken::Kind::kRgb) return std::nullopt;
  return c->rgb;
}

std::optional<Rgb> ParseAttributeColor(std::string_view text) {
  std::string_view t = TrimAsciiSpace(text);
  if (t.empty()) return std::nullopt;
  if (t.front() == '#') return HexColor(t.substr(1));
  auto it = ColorNames().find(LowerAscii(t));
  if (it != ColorNames().end()) return it->second;
  if (t.size() == 6 || t.size() == 3) return HexColor(t);
  return std::nullopt;
}

std::optional<double> AbsolutePoints(double number, Unit unit) {
  switch (unit) {
    case Unit::kPx:
    case Unit::kNumber: return number * 0.75;
    case Unit::kPt: return number;
    default: return std::nullopt;
  }
}

}  // namespace quorlex::automation::page::css
