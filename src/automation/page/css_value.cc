// The declaration parser: a declaration block into longhand declarations,
// shorthands expanded, what does not parse dropped.

#include "automation/page/css_value.h"

#include <algorithm>
#include <array>

#include "automation/page/css_tokenizer.h"
#include "automation/page/css_value_readers.h"
#include "automation/page/number_format.h"
#include "platform/text.h"

namespace quorlex::automation::page::css {
namespace {

using platform::IsAsciiSpace;
using platform::LowerAscii;
using platform::TrimAsciiSpace;

class DeclarationParser {
 public:
  DeclarationParser(Interner& strings, std::vector<Declaration>& out)
      : strings_(strings), out_(out) {}

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
      for (Property p : Longhands(property))
        Emit(p, wide);
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
      if (rest == name ||
          (rest.starts_with(name) && rest.size() > name.size() && rest[name.size()] == '-')) {
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
      for (int side = 0; side < 4; ++side)
        ParseBorderSide(side, tokens);
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
      case P::kTextDecoration: return ParseTextDecoration(tokens);
      default: break;
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
        if (t.IsIdent("italic") || t.IsIdent("oblique"))
          Emit(P::kFontStyle, KeywordValue(Keyword::kItalic));
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
      default: return;
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
    if (lower == "block" || lower == "flex" || lower == "grid" || lower == "flow-root" ||
        lower == "table" || lower == "-webkit-box" || lower == "-ms-flexbox" ||
        lower.starts_with("table-")) {
      return Keyword::kBlock;
    }
    if (lower == "inline" || lower == "inline-block" || lower == "inline-flex" ||
        lower == "inline-grid" || lower == "inline-table" || lower == "contents" ||
        lower == "ruby" || lower == "-webkit-inline-box") {
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
      for (const Token& t : tokens)
        any_line_word |= t.IsIdent("overline") || t.IsIdent("blink");
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
      if (t.IsIdent("normal") || t.IsIdent("small-caps") || t.IsIdent("condensed") ||
          t.IsIdent("expanded") || t.IsIdent("semi-condensed") || t.IsIdent("semi-expanded")) {
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
    static constexpr std::size_t kMap[4][4] = {
        {0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
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

}  // namespace quorlex::automation::page::css
