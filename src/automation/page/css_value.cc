#include "automation/page/css_value.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "automation/page/number_format.h"
#include "platform/text.h"

namespace quorlex::automation::page::css {
namespace {

using text::IsAsciiSpace;
using text::LowerAscii;
using text::TrimAsciiSpace;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}
bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '-'; }

// Reads the escape at s[i] == '\\' and appends what it stands for; returns
// the index after it. in_string: a backslash before a new line is a line
// continuation and gives nothing.
std::size_t ReadEscape(std::string_view s, std::size_t i, std::string& out, bool in_string) {
  ++i;  // the backslash
  if (i >= s.size()) return i;
  if (s[i] == '\n' || s[i] == '\r' || s[i] == '\f') {
    if (!in_string) out.push_back(s[i]);
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    return i + 1;
  }
  if (IsHex(s[i])) {
    std::uint32_t code = 0;
    std::size_t digits = 0;
    while (i < s.size() && digits < 6 && IsHex(s[i])) {
      code = code * 16 + static_cast<std::uint32_t>(HexValue(s[i]));
      ++i;
      ++digits;
    }
    if (i < s.size() && IsAsciiSpace(s[i])) {
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      ++i;
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
    text::AppendUtf8(out, static_cast<char32_t>(code));
    return i;
  }
  out.push_back(s[i]);
  return i + 1;
}

struct Token {
  enum class Kind : std::uint8_t { kIdent, kNumber, kHash, kString, kFunction, kComma, kSlash, kDelim };
  Kind kind = Kind::kDelim;
  std::string text;   // ident, hash, string: unescaped; function: lower-case name
  std::string args;   // function: the raw text between its parentheses
  double number = 0;  // number
  std::string unit;   // number: lower-case unit, "%" or ""

  bool IsIdent(std::string_view lower) const {
    if (kind != Kind::kIdent || text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (LowerAscii(text[i]) != lower[i]) return false;
    }
    return true;
  }
  std::string Lower() const { return LowerAscii(text); }
};

std::size_t ReadName(std::string_view s, std::size_t i, std::string& out) {
  while (i < s.size()) {
    if (s[i] == '\\') {
      if (i + 1 >= s.size() || s[i + 1] == '\n') break;
      i = ReadEscape(s, i, out, false);
    } else if (IsNameChar(s[i])) {
      out.push_back(s[i++]);
    } else {
      break;
    }
  }
  return i;
}

bool StartsNumber(std::string_view s, std::size_t i) {
  if (i >= s.size()) return false;
  if (IsDigit(s[i])) return true;
  if (s[i] == '.') return i + 1 < s.size() && IsDigit(s[i + 1]);
  if (s[i] == '+' || s[i] == '-') return StartsNumber(s, i + 1) && s[i + 1] != '+' && s[i + 1] != '-';
  return false;
}

bool StartsIdent(std::string_view s, std::size_t i) {
  if (i >= s.size()) return false;
  const char c = s[i];
  if (IsNameStart(c)) return true;
  if (c == '\\') return i + 1 < s.size() && s[i + 1] != '\n';
  if (c == '-') {
    if (i + 1 >= s.size()) return false;
    const char d = s[i + 1];
    return IsNameStart(d) || d == '-' || (d == '\\' && i + 2 < s.size());
  }
  return false;
}

// Finds the ')' that closes the '(' before i, honouring nesting and strings.
std::size_t MatchParen(std::string_view s, std::size_t i) {
  int depth = 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\\') {
      i += 2;
      continue;
    }
    if (c == '"' || c == '\'') {
      ++i;
      while (i < s.size() && s[i] != c) i += (s[i] == '\\') ? 2u : 1u;
      ++i;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i;
    ++i;
  }
  return s.size();
}

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (IsAsciiSpace(c)) {
      ++i;
      continue;
    }
    // The token's strings start empty and are appended to: assigning a
    // literal here makes GCC 12 at -O3 warn of an overlapping copy that
    // cannot happen (-Wrestrict).
    Token t;
    if (c == '"' || c == '\'') {
      t.kind = Token::Kind::kString;
      ++i;
      while (i < s.size() && s[i] != c) {
        if (s[i] == '\\') {
          i = ReadEscape(s, i, t.text, true);
        } else {
          t.text.push_back(s[i++]);
        }
      }
      ++i;
    } else if (c == '#') {
      t.kind = Token::Kind::kHash;
      i = ReadName(s, i + 1, t.text);
      if (t.text.empty()) {
        t.kind = Token::Kind::kDelim;
        t.text.push_back('#');
      }
    } else if (StartsNumber(s, i)) {
      t.kind = Token::Kind::kNumber;
      const std::size_t start = i;
      if (s[i] == '+' || s[i] == '-') ++i;
      while (i < s.size() && IsDigit(s[i])) ++i;
      if (i + 1 < s.size() && s[i] == '.' && IsDigit(s[i + 1])) {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i;
      }
      if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
          i = j;
          while (i < s.size() && IsDigit(s[i])) ++i;
        }
      }
      std::string_view digits = s.substr(start, i - start);
      if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
      double value = 0;
      const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      t.number = (result.ec == std::errc() && std::isfinite(value)) ? value : 0;
      if (i < s.size() && s[i] == '%') {
        t.unit.push_back('%');
        ++i;
      } else if (StartsIdent(s, i)) {
        std::string unit;
        i = ReadName(s, i, unit);
        t.unit = LowerAscii(unit);
      }
    } else if (StartsIdent(s, i)) {
      if (s[i] == '-') {
        t.text.push_back('-');
        ++i;
      }
      i = ReadName(s, i, t.text);
      t.kind = Token::Kind::kIdent;
      if (i < s.size() && s[i] == '(') {
        t.kind = Token::Kind::kFunction;
        t.text = LowerAscii(t.text);
        const std::size_t close = MatchParen(s, i + 1);
        t.args = std::string(s.substr(i + 1, close - (i + 1)));
        i = close + 1;
      }
    } else if (c == ',') {
      t.kind = Token::Kind::kComma;
      ++i;
    } else if (c == '/') {
      t.kind = Token::Kind::kSlash;
      ++i;
    } else if (c == '(') {
      // A bare parenthesis group carries nothing we use.
      i = MatchParen(s, i + 1) + 1;
      t.kind = Token::Kind::kDelim;
      t.text.append("()");
    } else {
      t.kind = Token::Kind::kDelim;
      t.text = std::string(1, c);
      ++i;
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

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
  return Channel(HueToRgb(m1, m2, h + 1.0 / 3) * 255) << 16 | Channel(HueToRgb(m1, m2, h) * 255) << 8 |
         Channel(HueToRgb(m1, m2, h - 1.0 / 3) * 255);
}

// A colour token: a colour, transparent, or currentcolor.
struct ColorToken {
  enum class Kind : std::uint8_t { kRgb, kTransparent, kCurrent };
  Kind kind = Kind::kRgb;
  Rgb rgb = 0;
};

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
    v.keyword = c.kind == ColorToken::Kind::kTransparent ? Keyword::kTransparent : Keyword::kCurrentColor;
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
  if (lower == "solid" || lower == "groove" || lower == "ridge" || lower == "inset" || lower == "outset") {
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

std::string GenericFace(std::string_view family) {
  const std::string lower = LowerAscii(family);
  if (lower == "serif") return "Times New Roman";
  if (lower == "sans-serif" || lower == "system-ui" || lower == "ui-sans-serif") return "Arial";
  if (lower == "monospace" || lower == "ui-monospace") return "Courier New";
  if (lower == "cursive") return "Comic Sans MS";
  if (lower == "fantasy") return "Impact";
  return std::string(family);
}

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

class DeclarationParser {
 public:
  DeclarationParser(Interner& strings, std::vector<Declaration>& out) : strings_(strings), out_(out) {}

  void Parse(std::string_view name, std::string_view value_text, bool important) {
    important_ = important;
    const std::string property = LowerAscii(TrimAsciiSpace(name));
    if (property == "mso-number-format") {
      Value v;
      v.type = Value::Type::kString;
      v.string = strings_.Intern(NumberFormatCode(value_text));
      Emit(Property::kMsoNumberFormat, v);
      return;
    }
    const std::vector<Token> tokens = Tokenize(value_text);
    if (tokens.empty()) return;
    Value wide;
    if (IsCssWideKeyword(tokens, wide)) {
      for (Property p : Longhands(property)) Emit(p, wide);
      return;
    }
    ParseValue(property, tokens);
  }

 private:
  static std::vector<Property> Longhands(const std::string& property) {
    using P = Property;
    if (property == "font") return {P::kFontFamily, P::kFontSize, P::kFontWeight, P::kFontStyle};
    if (property == "background") return {P::kBackgroundColor};
    if (property == "border") {
      std::vector<P> all;
      for (int side = 0; side < 4; ++side) {
        all.push_back(BorderStyleOf(side));
        all.push_back(BorderWidthOf(side));
        all.push_back(BorderColorOf(side));
      }
      return all;
    }
    if (property == "border-style")
      return {P::kBorderTopStyle, P::kBorderRightStyle, P::kBorderBottomStyle, P::kBorderLeftStyle};
    if (property == "border-width")
      return {P::kBorderTopWidth, P::kBorderRightWidth, P::kBorderBottomWidth, P::kBorderLeftWidth};
    if (property == "border-color")
      return {P::kBorderTopColor, P::kBorderRightColor, P::kBorderBottomColor, P::kBorderLeftColor};
    const int side = SideOf(property);
    if (side >= 0) {
      const std::string_view rest = std::string_view(property).substr(7 + SideName(side).size());
      if (rest.empty()) return {BorderStyleOf(side), BorderWidthOf(side), BorderColorOf(side)};
      if (rest == "-style") return {BorderStyleOf(side)};
      if (rest == "-width") return {BorderWidthOf(side)};
      if (rest == "-color") return {BorderColorOf(side)};
      return {};
    }
    if (property == "margin") return {P::kMarginLeft, P::kMarginRight};
    if (auto p = Simple(property)) return {*p};
    return {};
  }

  static std::string_view SideName(int side) {
    static constexpr std::array<std::string_view, 4> kNames = {"top", "right", "bottom", "left"};
    return kNames[static_cast<std::size_t>(side)];
  }

  // "border-top", "border-top-style", ...: the side, or -1.
  static int SideOf(const std::string& property) {
    if (!property.starts_with("border-")) return -1;
    const std::string_view rest = std::string_view(property).substr(7);
    for (int side = 0; side < 4; ++side) {
      const std::string_view name = SideName(side);
      if (rest == name || (rest.starts_with(name) && rest.size() > name.size() && rest[name.size()] == '-')) {
        return side;
      }
    }
    return -1;
  }

  static std::optional<Property> Simple(const std::string& property) {
    using P = Property;
    static const std::unordered_map<std::string_view, P> kSimple = {
        {"font-family", P::kFontFamily},
        {"font-size", P::kFontSize},
        {"font-weight", P::kFontWeight},
        {"font-style", P::kFontStyle},
        {"text-decoration", P::kTextDecoration},
        {"text-decoration-line", P::kTextDecoration},
        {"color", P::kColor},
        {"background-color", P::kBackgroundColor},
        {"text-align", P::kTextAlign},
        {"vertical-align", P::kVerticalAlign},
        {"white-space", P::kWhiteSpace},
        {"display", P::kDisplay},
        {"visibility", P::kVisibility},
        {"width", P::kWidth},
        {"height", P::kHeight},
        {"margin-left", P::kMarginLeft},
        {"margin-right", P::kMarginRight},
    };
    auto it = kSimple.find(property);
    if (it == kSimple.end()) return std::nullopt;
    return it->second;
  }

  void Emit(Property p, const Value& v) { out_.push_back(Declaration{p, important_, v}); }

  void ParseValue(const std::string& property, const std::vector<Token>& tokens) {
    using P = Property;
    if (property == "font") return ParseFont(tokens);
    if (property == "background") return ParseBackground(tokens);
    if (property == "border") {
      for (int side = 0; side < 4; ++side) ParseBorderSide(side, tokens);
      return;
    }
    if (property == "border-style" || property == "border-width" || property == "border-color") {
      return ParseBoxSides(property, tokens);
    }
    if (property == "margin") return ParseMargin(tokens);
    const int side = SideOf(property);
    if (side >= 0) {
      const std::string_view rest = std::string_view(property).substr(7 + SideName(side).size());
      if (rest.empty()) return ParseBorderSide(side, tokens);
      if (tokens.size() != 1) return;
      if (rest == "-style") {
        if (auto k = ReadBorderStyle(tokens[0])) Emit(BorderStyleOf(side), KeywordValue(*k));
      } else if (rest == "-width") {
        if (auto w = ReadBorderWidth(tokens[0])) Emit(BorderWidthOf(side), *w);
      } else if (rest == "-color") {
        if (auto c = ReadColor(tokens[0])) Emit(BorderColorOf(side), ColorValue(*c));
      }
      return;
    }
    const auto simple = Simple(property);
    if (!simple) return;
    switch (*simple) {
      case P::kFontFamily:
        if (auto family = FirstFamily(tokens, 0)) Emit(P::kFontFamily, StringValue(*family));
        return;
      case P::kTextDecoration:
        return ParseTextDecoration(tokens);
      default:
        break;
    }
    if (tokens.size() != 1) return;
    const Token& t = tokens[0];
    switch (*simple) {
      case P::kFontSize:
        if (auto v = ReadFontSize(t)) Emit(P::kFontSize, *v);
        return;
      case P::kFontWeight:
        if (auto v = ReadFontWeight(t)) Emit(P::kFontWeight, *v);
        return;
      case P::kFontStyle:
        if (t.IsIdent("normal")) Emit(P::kFontStyle, KeywordValue(Keyword::kNormal));
        if (t.IsIdent("italic") || t.IsIdent("oblique")) Emit(P::kFontStyle, KeywordValue(Keyword::kItalic));
        return;
      case P::kColor:
      case P::kBackgroundColor:
        if (auto c = ReadColor(t)) Emit(*simple, ColorValue(*c));
        return;
      case P::kTextAlign:
        if (auto k = TextAlign(t)) Emit(P::kTextAlign, *k);
        return;
      case P::kVerticalAlign:
        if (auto k = VerticalAlign(t)) Emit(P::kVerticalAlign, KeywordValue(*k));
        return;
      case P::kWhiteSpace:
        if (auto k = WhiteSpace(t)) Emit(P::kWhiteSpace, KeywordValue(*k));
        return;
      case P::kDisplay:
        if (auto k = Display(t)) Emit(P::kDisplay, KeywordValue(*k));
        return;
      case P::kVisibility:
        if (t.IsIdent("visible")) Emit(P::kVisibility, KeywordValue(Keyword::kVisible));
        if (t.IsIdent("hidden") || t.IsIdent("collapse"))
          Emit(P::kVisibility, KeywordValue(Keyword::kHidden));
        return;
      case P::kWidth:
      case P::kHeight:
        if (t.IsIdent("auto")) {
          Emit(*simple, KeywordValue(Keyword::kAuto));
        } else if (auto v = ReadLength(t); v && v->number >= 0) {
          Emit(*simple, *v);
        }
        return;
      case P::kMarginLeft:
      case P::kMarginRight:
        if (auto v = Margin(t)) Emit(*simple, *v);
        return;
      default:
        return;
    }
  }

  Value StringValue(const std::string& s) {
    Value v;
    v.type = Value::Type::kString;
    v.string = strings_.Intern(s);
    return v;
  }

  static std::optional<Value> TextAlign(const Token& t) {
    if (t.kind != Token::Kind::kIdent) return std::nullopt;
    const std::string lower = t.Lower();
    if (lower == "left" || lower == "-webkit-left" || lower == "-moz-left")
      return KeywordValue(Keyword::kLeft);
    if (lower == "right" || lower == "-webkit-right" || lower == "-moz-right")
      return KeywordValue(Keyword::kRight);
    if (lower == "center" || lower == "-webkit-center" || lower == "-moz-center")
      return KeywordValue(Keyword::kCenter);
    if (lower == "justify") return KeywordValue(Keyword::kJustify);
    if (lower == "start") return KeywordValue(Keyword::kStart);
    if (lower == "end") return KeywordValue(Keyword::kEnd);
    if (lower == "match-parent") {
      Value v;
      v.type = Value::Type::kInherit;
      return v;
    }
    return std::nullopt;
  }

  static std::optional<Keyword> VerticalAlign(const Token& t) {
    if (t.kind != Token::Kind::kIdent) return std::nullopt;
    const std::string lower = t.Lower();
    if (lower == "top" || lower == "text-top") return Keyword::kTop;
    if (lower == "middle") return Keyword::kMiddle;
    if (lower == "bottom" || lower == "text-bottom") return Keyword::kBottom;
    if (lower == "baseline") return Keyword::kBaseline;
    if (lower == "sub") return Keyword::kSub;
    if (lower == "super") return Keyword::kSuper;
    return std::nullopt;
  }

  static std::optional<Keyword> WhiteSpace(const Token& t) {
    if (t.kind != Token::Kind::kIdent) return std::nullopt;
    const std::string lower = t.Lower();
    if (lower == "normal") return Keyword::kNormal;
    if (lower == "nowrap") return Keyword::kNowrap;
    if (lower == "pre") return Keyword::kPre;
    if (lower == "pre-wrap" || lower == "break-spaces") return Keyword::kPreWrap;
    if (lower == "pre-line") return Keyword::kPreLine;
    return std::nullopt;
  }

  static std::optional<Keyword> Display(const Token& t) {
    if (t.kind != Token::Kind::kIdent) return std::nullopt;
    const std::string lower = t.Lower();
    if (lower == "none") return Keyword::kNone;
    if (lower == "list-item") return Keyword::kListItem;
    if (lower == "block" || lower == "flex" || lower == "grid" || lower == "flow-root" || lower == "table" ||
        lower == "-webkit-box" || lower == "-ms-flexbox" || lower.starts_with("table-")) {
      return Keyword::kBlock;
    }
    if (lower == "inline" || lower == "inline-block" || lower == "inline-flex" || lower == "inline-grid" ||
        lower == "inline-table" || lower == "contents" || lower == "ruby" || lower == "-webkit-inline-box") {
      return Keyword::kInline;
    }
    return std::nullopt;
  }

  static std::optional<Value> Margin(const Token& t) {
    if (t.IsIdent("auto")) return KeywordValue(Keyword::kAuto);
    return ReadLength(t);
  }

  void ParseTextDecoration(const std::vector<Token>& tokens) {
    std::uint8_t lines = 0;
    bool none = false;
    for (const Token& t : tokens) {
      if (t.IsIdent("underline"))
        lines |= kUnderlineLine;
      else if (t.IsIdent("line-through"))
        lines |= kStrikeLine;
      else if (t.IsIdent("none"))
        none = true;
    }
    if (lines == 0 && !none) {
      // Only a style or colour (or overline, blink): no line we show.
      bool any_line_word = false;
      for (const Token& t : tokens) any_line_word |= t.IsIdent("overline") || t.IsIdent("blink");
      if (!any_line_word) return;
    }
    Value v = KeywordValue(Keyword::kUnderline);
    v.lines = lines;
    Emit(Property::kTextDecoration, v);
  }

  void ParseFont(const std::vector<Token>& tokens) {
    Value style = KeywordValue(Keyword::kNormal);
    Value weight = KeywordValue(Keyword::kNormal);
    std::size_t i = 0;
    for (; i < tokens.size(); ++i) {
      const Token& t = tokens[i];
      if (t.IsIdent("normal") || t.IsIdent("small-caps") || t.IsIdent("condensed") || t.IsIdent("expanded") ||
          t.IsIdent("semi-condensed") || t.IsIdent("semi-expanded")) {
        continue;
      }
      if (t.IsIdent("italic") || t.IsIdent("oblique")) {
        style = KeywordValue(Keyword::kItalic);
        continue;
      }
      if (t.IsIdent("bold") || t.IsIdent("bolder") || t.IsIdent("lighter") ||
          (t.kind == Token::Kind::kNumber && t.unit.empty() && t.number >= 1 && t.number <= 1000 &&
           i + 1 < tokens.size())) {
        if (auto w = ReadFontWeight(t)) weight = *w;
        continue;
      }
      break;
    }
    if (i >= tokens.size()) return;
    const auto size = ReadFontSize(tokens[i]);
    if (!size) return;
    ++i;
    if (i < tokens.size() && tokens[i].kind == Token::Kind::kSlash) i += 2;
    const auto family = FirstFamily(tokens, i);
    if (!family) return;
    Emit(Property::kFontStyle, style);
    Emit(Property::kFontWeight, weight);
    Emit(Property::kFontSize, *size);
    Emit(Property::kFontFamily, StringValue(*family));
  }

  void ParseBackground(const std::vector<Token>& tokens) {
    Value color = KeywordValue(Keyword::kTransparent);
    for (const Token& t : tokens) {
      if (auto c = ReadColor(t)) color = ColorValue(*c);
    }
    Emit(Property::kBackgroundColor, color);
  }

  void ParseBorderSide(int side, const std::vector<Token>& tokens) {
    Value style = KeywordValue(Keyword::kNone);
    Value width = KeywordValue(Keyword::kMedium);
    Value color = KeywordValue(Keyword::kCurrentColor);
    for (const Token& t : tokens) {
      if (auto w = ReadBorderWidth(t)) {
        width = *w;
      } else if (auto k = ReadBorderStyle(t)) {
        style = KeywordValue(*k);
      } else if (auto c = ReadColor(t)) {
        color = ColorValue(*c);
      } else {
        return;  // not a border: the declaration is dropped
      }
    }
    Emit(BorderStyleOf(side), style);
    Emit(BorderWidthOf(side), width);
    Emit(BorderColorOf(side), color);
  }

  // border-style / -width / -color with one to four values.
  void ParseBoxSides(const std::string& property, const std::vector<Token>& tokens) {
    if (tokens.empty() || tokens.size() > 4) return;
    std::vector<Value> values;
    for (const Token& t : tokens) {
      if (property == "border-style") {
        auto k = ReadBorderStyle(t);
        if (!k) return;
        values.push_back(KeywordValue(*k));
      } else if (property == "border-width") {
        auto w = ReadBorderWidth(t);
        if (!w) return;
        values.push_back(*w);
      } else {
        auto c = ReadColor(t);
        if (!c) return;
        values.push_back(ColorValue(*c));
      }
    }
    for (int side = 0; side < 4; ++side) {
      const Value& v = values[BoxIndex(values.size(), side)];
      if (property == "border-style")
        Emit(BorderStyleOf(side), v);
      else if (property == "border-width")
        Emit(BorderWidthOf(side), v);
      else
        Emit(BorderColorOf(side), v);
    }
  }

  // Which of one to four values applies to a side (top, right, bottom, left).
  static std::size_t BoxIndex(std::size_t count, int side) {
    static constexpr std::size_t kMap[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
    return kMap[count - 1][side];
  }

  void ParseMargin(const std::vector<Token>& tokens) {
    if (tokens.empty() || tokens.size() > 4) return;
    std::vector<Value> values;
    for (const Token& t : tokens) {
      auto v = Margin(t);
      if (!v) return;
      values.push_back(*v);
    }
    Emit(Property::kMarginRight, values[BoxIndex(values.size(), 1)]);
    Emit(Property::kMarginLeft, values[BoxIndex(values.size(), 3)]);
  }

  Interner& strings_;
  std::vector<Declaration>& out_;
  bool important_ = false;
};

// Splits at top-level occurrences of sep, honouring strings, escapes and
// brackets.
std::vector<std::string_view> SplitTopLevel(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  int depth = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    if (const std::size_t past = SkipEscapeOrString(s, i); past != i) {
      i = past;
      continue;
    }
    const char c = s[i];
    if (c == '(' || c == '[' || c == '{') ++depth;
    if ((c == ')' || c == ']' || c == '}') && depth > 0) --depth;
    if (c == sep && depth == 0) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  if (start < s.size()) parts.push_back(s.substr(start));
  return parts;
}

// Strips a trailing "!important"; true when there was one.
bool StripImportant(std::string_view& value) {
  std::string_view v = TrimAsciiSpace(value);
  constexpr std::string_view kWord = "important";
  if (v.size() < kWord.size() + 1) return false;
  if (LowerAscii(v.substr(v.size() - kWord.size())) != kWord) return false;
  std::string_view rest = TrimAsciiSpace(v.substr(0, v.size() - kWord.size()));
  if (rest.empty() || rest.back() != '!') return false;
  rest.remove_suffix(1);
  value = rest;
  return true;
}

}  // namespace

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

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\\') {
      i = ReadEscape(text, i, out, true);
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

void ParseDeclarations(std::string_view block, Interner& strings, std::vector<Declaration>& out) {
  DeclarationParser parser(strings, out);
  for (std::string_view item : SplitTopLevel(block, ';')) {
    const auto parts = SplitTopLevel(item, ':');
    if (parts.size() < 2) continue;
    const std::size_t colon = static_cast<std::size_t>(parts[0].size());
    std::string_view name = TrimAsciiSpace(item.substr(0, colon));
    std::string_view value = item.substr(colon + 1);
    if (name.empty()) continue;
    const bool important = StripImportant(value);
    parser.Parse(name, value, important);
  }
}

std::size_t SkipEscapeOrString(std::string_view s, std::size_t i) {
  if (i >= s.size()) return i;
  const char c = s[i];
  if (c == '\\') return i + 2;
  if (c != '"' && c != '\'') return i;
  ++i;
  while (i < s.size() && s[i] != c && s[i] != '\n') i += (s[i] == '\\') ? 2u : 1u;
  return i + 1;
}

std::size_t ReadIdentifier(std::string_view s, std::size_t i, std::string& out) {
  if (!StartsIdent(s, i)) return i;
  if (s[i] == '-') {
    out.push_back('-');
    ++i;
  }
  return ReadName(s, i, out);
}

std::optional<double> AbsolutePoints(double number, Unit unit) {
  switch (unit) {
    case Unit::kPx:
    case Unit::kNumber:
      return number * 0.75;
    case Unit::kPt:
      return number;
    default:
      return std::nullopt;
  }
}

}  // namespace quorlex::automation::page::css
