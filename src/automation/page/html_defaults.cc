#include "automation/page/html_defaults.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <unordered_map>

#include "platform/text.h"

namespace quorlex::automation::page {
namespace {

using css::Declaration;
using css::Keyword;
using css::Property;
using css::Unit;
using css::Value;

using platform::LowerAscii;
using platform::TrimAsciiSpace;

// HTML's rules for parsing non-negative integers: leading white space, an
// optional "+", digits; anything after them is ignored.
std::optional<std::uint32_t> NonNegativeInteger(std::string_view s) {
  s = TrimAsciiSpace(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  std::uint64_t v = 0;
  std::size_t digits = 0;
  while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') {
    v = std::min<std::uint64_t>(v * 10 + static_cast<std::uint64_t>(s[digits] - '0'),
                                0xFFFFFFFFull);
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<std::uint32_t>(v);
}

// A width or height attribute: pixels, or a percentage.
std::optional<Value> DimensionValue(std::string_view s) {
  s = TrimAsciiSpace(s);
  std::size_t i = 0;
  double v = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    v = v * 10 + (s[i] - '0');
    ++i;
    if (v > 1e7) return std::nullopt;
  }
  if (i == 0) return std::nullopt;
  if (i < s.size() && s[i] == '.') {
    double scale = 0.1;
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10)
      v += (s[i] - '0') * scale;
  }
  Value value;
  value.type = Value::Type::kLength;
  value.number = v;
  value.unit = (i < s.size() && s[i] == '%') ? Unit::kPercent : Unit::kPx;
  return value;
}

// Writes declarations; with no output it only lets the key be built.
class Emitter {
 public:
  Emitter(std::vector<Declaration>* out, Interner& strings) : out_(out), strings_(strings) {}

  void Add(Property p, const Value& v) {
    if (out_ != nullptr) out_->push_back(Declaration{p, false, v});
  }
  void Keyword(Property p, css::Keyword k) {
    Value v;
    v.type = Value::Type::kKeyword;
    v.keyword = k;
    Add(p, v);
  }
  void Inherit(Property p) {
    Value v;
    v.type = Value::Type::kInherit;
    Add(p, v);
  }
  void Color(Property p, Rgb rgb) {
    Value v;
    v.type = Value::Type::kColor;
    v.color = rgb;
    Add(p, v);
  }
  void Length(Property p, double number, Unit unit) {
    Value v;
    v.type = Value::Type::kLength;
    v.number = number;
    v.unit = unit;
    Add(p, v);
  }
  void String(Property p, std::string_view s) {
    if (out_ == nullptr) return;
    Value v;
    v.type = Value::Type::kString;
    v.string = strings_.Intern(s);
    Add(p, v);
  }
  void Lines(std::uint8_t lines) {
    Value v;
    v.type = Value::Type::kKeyword;
    v.keyword = Keyword::kUnderline;
    v.lines = lines;
    Add(Property::kTextDecoration, v);
  }
  // Solid borders of `px` pixels on all four sides.
  void Borders(double px, Rgb color) {
    if (out_ == nullptr) return;
    for (int side = 0; side < 4; ++side) {
      Keyword(css::BorderStyleOf(side), Keyword::kSolid);
      Length(css::BorderWidthOf(side), px, Unit::kPx);
      Color(css::BorderColorOf(side), color);
    }
  }

 private:
  std::vector<Declaration>* out_;
  Interner& strings_;
};

std::optional<Keyword> AlignKeyword(std::string_view value) {
  const std::string v = LowerAscii(TrimAsciiSpace(value));
  if (v == "left") return Keyword::kLeft;
  if (v == "right") return Keyword::kRight;
  if (v == "center" || v == "middle") return Keyword::kCenter;
  if (v == "justify") return Keyword::kJustify;
  return std::nullopt;
}

std::optional<Keyword> ValignKeyword(std::string_view value) {
  const std::string v = LowerAscii(TrimAsciiSpace(value));
  if (v == "top" || v == "baseline") return Keyword::kTop;
  if (v == "middle" || v == "center") return Keyword::kMiddle;
  if (v == "bottom") return Keyword::kBottom;
  return std::nullopt;
}

// <font size>: 1..7, or relative to 3 with a sign.
std::optional<double> FontSizePixels(std::string_view value) {
  std::string_view v = TrimAsciiSpace(value);
  if (v.empty()) return std::nullopt;
  int sign = 0;
  if (v.front() == '+' || v.front() == '-') {
    sign = v.front() == '+' ? 1 : -1;
    v.remove_prefix(1);
  }
  const auto n = NonNegativeInteger(v);
  if (!n) return std::nullopt;
  long long size = static_cast<long long>(std::min<std::uint32_t>(*n, 100));
  if (sign != 0) size = 3 + sign * size;
  size = std::clamp<long long>(size, 1, 7);
  static constexpr double kPixels[] = {10, 13, 16, 18, 24, 32, 48};
  return kPixels[size - 1];
}

bool OneOf(Tag tag, std::initializer_list<Tag> tags) {
  for (Tag t : tags) {
    if (t == tag) return true;
  }
  return false;
}

}  // namespace

Tag TagOf(std::string_view name) {
  // clang-format off
  static const std::unordered_map<std::string_view, Tag> kTags = {
      {"html", Tag::kHtml}, {"head", Tag::kHead}, {"body", Tag::kBody}, {"title", Tag::kTitle},
      {"style", Tag::kStyle}, {"script", Tag::kScript}, {"noscript", Tag::kNoscript},
      {"template", Tag::kTemplate}, {"meta", Tag::kMeta}, {"link", Tag::kLink}, {"base", Tag::kBase},
      {"div", Tag::kDiv}, {"p", Tag::kP}, {"h1", Tag::kH1}, {"h2", Tag::kH2}, {"h3", Tag::kH3},
      {"h4", Tag::kH4}, {"h5", Tag::kH5}, {"h6", Tag::kH6}, {"ul", Tag::kUl}, {"ol", Tag::kOl},
      {"li", Tag::kLi}, {"dl", Tag::kDl}, {"dt", Tag::kDt}, {"dd", Tag::kDd}, {"menu", Tag::kMenu},
      {"dir", Tag::kDir}, {"pre", Tag::kPre}, {"listing", Tag::kListing}, {"xmp", Tag::kXmp},
      {"plaintext", Tag::kPlaintext}, {"blockquote", Tag::kBlockquote}, {"address", Tag::kAddress},
      {"center", Tag::kCenter}, {"form", Tag::kForm}, {"fieldset", Tag::kFieldset},
      {"legend", Tag::kLegend}, {"section", Tag::kSection}, {"article", Tag::kArticle},
      {"header", Tag::kHeader}, {"footer", Tag::kFooter}, {"nav", Tag::kNav}, {"aside", Tag::kAside},
      {"main", Tag::kMain}, {"figure", Tag::kFigure}, {"figcaption", Tag::kFigcaption}, {"hr", Tag::kHr},
      {"details", Tag::kDetails}, {"summary", Tag::kSummary}, {"hgroup", Tag::kHgroup},
      {"table", Tag::kTable}, {"caption", Tag::kCaption}, {"thead", Tag::kThead}, {"tbody", Tag::kTbody},
      {"tfoot", Tag::kTfoot}, {"tr", Tag::kTr}, {"td", Tag::kTd}, {"th", Tag::kTh},
      {"colgroup", Tag::kColgroup}, {"col", Tag::kCol}, {"span", Tag::kSpan}, {"a", Tag::kA},
      {"b", Tag::kB}, {"strong", Tag::kStrong}, {"i", Tag::kI}, {"em", Tag::kEm}, {"cite", Tag::kCite},
      {"var", Tag::kVar}, {"dfn", Tag::kDfn}, {"u", Tag::kU}, {"ins", Tag::kIns}, {"s", Tag::kS},
      {"strike", Tag::kStrike}, {"del", Tag::kDel}, {"tt", Tag::kTt}, {"code", Tag::kCode},
      {"kbd", Tag::kKbd}, {"samp", Tag::kSamp}, {"big", Tag::kBig}, {"small", Tag::kSmall},
      {"sub", Tag::kSub}, {"sup", Tag::kSup}, {"font", Tag::kFont}, {"nobr", Tag::kNobr},
      {"br", Tag::kBr}, {"wbr", Tag::kWbr}, {"img", Tag::kImg}, {"input", Tag::kInput},
      {"button", Tag::kButton}, {"select", Tag::kSelect}, {"option", Tag::kOption},
      {"optgroup", Tag::kOptgroup}, {"textarea", Tag::kTextarea}, {"iframe", Tag::kIframe},
      {"object", Tag::kObject}, {"embed", Tag::kEmbed}, {"applet", Tag::kApplet}, {"video", Tag::kVideo},
      {"audio", Tag::kAudio}, {"canvas", Tag::kCanvas}, {"svg", Tag::kSvg}, {"math", Tag::kMath},
      {"map", Tag::kMap}, {"area", Tag::kArea}, {"param", Tag::kParam}, {"datalist", Tag::kDatalist},
      {"rp", Tag::kRp}, {"noembed", Tag::kNoembed}, {"noframes", Tag::kNoframes},
      {"frameset", Tag::kFrameset}, {"frame", Tag::kFrame}, {"dialog", Tag::kDialog},
      {"source", Tag::kSource}, {"track", Tag::kTrack},
  };
  // clang-format on
  auto it = kTags.find(name);
  return it == kTags.end() ? Tag::kOther : it->second;
}

namespace {

bool HiddenTagSlow(Tag tag) {
  return OneOf(tag, {Tag::kHead,     Tag::kTitle,  Tag::kStyle,   Tag::kScript,   Tag::kNoscript,
                     Tag::kTemplate, Tag::kMeta,   Tag::kLink,    Tag::kBase,     Tag::kColgroup,
                     Tag::kCol,      Tag::kIframe, Tag::kEmbed,   Tag::kVideo,    Tag::kAudio,
                     Tag::kCanvas,   Tag::kSvg,    Tag::kMath,    Tag::kArea,     Tag::kParam,
                     Tag::kDatalist, Tag::kRp,     Tag::kNoembed, Tag::kNoframes, Tag::kFrameset,
                     Tag::kFrame,    Tag::kSource, Tag::kTrack});
}

bool BlockTagSlow(Tag tag) {
  return OneOf(tag, {Tag::kHtml,   Tag::kBody,       Tag::kDiv,        Tag::kP,       Tag::kH1,
                     Tag::kH2,     Tag::kH3,         Tag::kH4,         Tag::kH5,      Tag::kH6,
                     Tag::kUl,     Tag::kOl,         Tag::kLi,         Tag::kDl,      Tag::kDt,
                     Tag::kDd,     Tag::kMenu,       Tag::kDir,        Tag::kPre,     Tag::kListing,
                     Tag::kXmp,    Tag::kPlaintext,  Tag::kBlockquote, Tag::kAddress, Tag::kCenter,
                     Tag::kForm,   Tag::kFieldset,   Tag::kLegend,     Tag::kSection, Tag::kArticle,
                     Tag::kHeader, Tag::kFooter,     Tag::kNav,        Tag::kAside,   Tag::kMain,
                     Tag::kFigure, Tag::kFigcaption, Tag::kHr,         Tag::kDetails, Tag::kSummary,
                     Tag::kHgroup, Tag::kCaption,    Tag::kDialog});
}

// Traits of every tag, looked up once per element.
enum TagTrait : std::uint8_t { kHiddenTrait = 1, kBlockTrait = 2 };

std::uint8_t TraitsOf(Tag tag) {
  static const std::array<std::uint8_t, 256> traits = [] {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i <= static_cast<int>(Tag::kTrack); ++i) {
      const auto tag_i = static_cast<Tag>(i);
      t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(
          (HiddenTagSlow(tag_i) ? kHiddenTrait : 0) | (BlockTagSlow(tag_i) ? kBlockTrait : 0));
    }
    return t;
  }();
  return traits[static_cast<std::size_t>(tag)];
}

}  // namespace

bool IsHiddenTag(Tag tag) { return (TraitsOf(tag) & kHiddenTrait) != 0; }
bool IsBlockTag(Tag tag) { return (TraitsOf(tag) & kBlockTrait) != 0; }

bool IsTableTag(Tag tag) {
  return OneOf(tag, {Tag::kTable, Tag::kCaption, Tag::kThead, Tag::kTbody, Tag::kTfoot, Tag::kTr,
                     Tag::kTd, Tag::kTh});
}

bool IsListTag(Tag tag) { return OneOf(tag, {Tag::kUl, Tag::kOl, Tag::kMenu, Tag::kDir}); }

int HeadingLevel(Tag tag) {
  switch (tag) {
    case Tag::kH1: return 1;
    case Tag::kH2: return 2;
    case Tag::kH3: return 3;
    case Tag::kH4: return 4;
    case Tag::kH5: return 5;
    case Tag::kH6: return 6;
    default: return 0;
  }
}

std::string_view AttributeValue(std::span<const HtmlAttribute> attributes, std::string_view name) {
  for (const HtmlAttribute& a : attributes) {
    if (a.name == name) return a.value;
  }
  return {};
}

bool HasAttribute(std::span<const HtmlAttribute> attributes, std::string_view name) {
  for (const HtmlAttribute& a : attributes) {
    if (a.name == name) return true;
  }
  return false;
}

namespace {

// The browser's own style sheet for the element, and what the table around
// a cell hands it.
void BrowserDefaults(Tag tag, std::span<const HtmlAttribute> attributes,
                     const ElementContext& context, Emitter& e, std::string& key) {
  if (IsBlockTag(tag))
    e.Keyword(Property::kDisplay, tag == Tag::kLi ? Keyword::kListItem : Keyword::kBlock);
  if (const int level = HeadingLevel(tag); level > 0) {
    static constexpr double kEm[] = {2, 1.5, 1.17, 1, 0.83, 0.67};
    e.Keyword(Property::kFontWeight, Keyword::kBold);
    e.Length(Property::kFontSize, kEm[level - 1], Unit::kEm);
  }
  switch (tag) {
    case Tag::kB:
    case Tag::kStrong:
    case Tag::kTh: e.Keyword(Property::kFontWeight, Keyword::kBolder); break;
    case Tag::kI:
    case Tag::kEm:
    case Tag::kCite:
    case Tag::kVar:
    case Tag::kDfn:
    case Tag::kAddress: e.Keyword(Property::kFontStyle, Keyword::kItalic); break;
    case Tag::kU:
    case Tag::kIns: e.Lines(css::kUnderlineLine); break;
    case Tag::kS:
    case Tag::kStrike:
    case Tag::kDel: e.Lines(css::kStrikeLine); break;
    case Tag::kTt:
    case Tag::kCode:
    case Tag::kKbd:
    case Tag::kSamp: e.String(Property::kFontFamily, "Courier New"); break;
    case Tag::kPre:
    case Tag::kListing:
    case Tag::kXmp:
    case Tag::kPlaintext:
      e.String(Property::kFontFamily, "Courier New");
      e.Keyword(Property::kWhiteSpace, Keyword::kPre);
      break;
    case Tag::kTextarea: e.Keyword(Property::kWhiteSpace, Keyword::kPreWrap); break;
    case Tag::kNobr: e.Keyword(Property::kWhiteSpace, Keyword::kNowrap); break;
    case Tag::kBig: e.Keyword(Property::kFontSize, Keyword::kLarger); break;
    case Tag::kSmall: e.Keyword(Property::kFontSize, Keyword::kSmaller); break;
    case Tag::kSub:
      e.Keyword(Property::kFontSize, Keyword::kSmaller);
      e.Keyword(Property::kVerticalAlign, Keyword::kSub);
      break;
    case Tag::kSup:
      e.Keyword(Property::kFontSize, Keyword::kSmaller);
      e.Keyword(Property::kVerticalAlign, Keyword::kSuper);
      break;
    case Tag::kCenter:
    case Tag::kCaption: e.Keyword(Property::kTextAlign, Keyword::kCenter); break;
    case Tag::kA:
      if (HasAttribute(attributes, "href")) {
        key.push_back('h');
        e.Lines(css::kUnderlineLine);
        e.Color(Property::kColor, 0x0000EE);
      }
      break;
    case Tag::kDialog:
      if (!HasAttribute(attributes, "open")) e.Keyword(Property::kDisplay, Keyword::kNone);
      key.push_back(HasAttribute(attributes, "open") ? 'o' : 'c');
      break;
    default: break;
  }
  // A th is centred unless its row says otherwise; cells take the vertical
  // alignment of their row, rows that of their row group.
  if (tag == Tag::kTh && context.parent != nullptr &&
      context.parent->text_align == HorizontalAlignment::kGeneral) {
    key.push_back('c');
    e.Keyword(Property::kTextAlign, Keyword::kCenter);
  }
  if (tag == Tag::kTd || tag == Tag::kTh || (tag == Tag::kTr && context.parent_is_row_group)) {
    key.push_back('v');
    e.Inherit(Property::kVerticalAlign);
  }
  if ((tag == Tag::kTd || tag == Tag::kTh) && context.table != nullptr &&
      context.table->has_border) {
    key.push_back('b');
    key.append(context.table->border_color);
    key.push_back('\0');
    e.Borders(1, css::ParseAttributeColor(context.table->border_color).value_or(kAutoColor));
  }
}

// The element's presentational attributes (bgcolor, align, width, border,
// font face and size...), as declarations.
void AttributeDeclarations(Tag tag, std::span<const HtmlAttribute> attributes, Emitter& e,
                           std::string& key) {
  // Presentational attributes, found in one pass.
  enum Name {
    kBgcolor,
    kText,
    kAlign,
    kValign,
    kWidth,
    kHeight,
    kNowrap,
    kBorder,
    kBordercolor,
    kColor,
    kFace,
    kSize,
    kCount
  };
  static constexpr std::array<std::string_view, kCount> kNames = {
      "bgcolor", "text",   "align",       "valign", "width", "height",
      "nowrap",  "border", "bordercolor", "color",  "face",  "size"};
  std::array<const HtmlAttribute*, kCount> found{};
  for (const HtmlAttribute& a : attributes) {
    for (std::size_t n = 0; n < kCount; ++n) {
      if (a.name == kNames[n]) {
        if (found[n] == nullptr) found[n] = &a;
        break;
      }
    }
  }
  auto use = [&](Name name, char code) -> std::optional<std::string_view> {
    const HtmlAttribute* a = found[name];
    if (a == nullptr) return std::nullopt;
    key.push_back(code);
    key.append(a->value);
    key.push_back('\0');
    return a->value;
  };
  if (HasAttribute(attributes, "hidden")) {
    key.push_back('H');
    e.Keyword(Property::kDisplay, Keyword::kNone);
  }
  const bool cell = tag == Tag::kTd || tag == Tag::kTh;
  const bool row_or_group =
      tag == Tag::kTr || tag == Tag::kThead || tag == Tag::kTbody || tag == Tag::kTfoot;
  if (cell || row_or_group || tag == Tag::kTable || tag == Tag::kBody) {
    if (auto v = use(kBgcolor, 'g')) {
      if (auto rgb = css::ParseAttributeColor(*v)) e.Color(Property::kBackgroundColor, *rgb);
    }
  }
  if (tag == Tag::kBody) {
    if (auto v = use(kText, 't')) {
      if (auto rgb = css::ParseAttributeColor(*v)) e.Color(Property::kColor, *rgb);
    }
  }
  if (cell || row_or_group || IsBlockTag(tag)) {
    if (auto v = use(kAlign, 'a')) {
      if (auto k = AlignKeyword(*v)) e.Keyword(Property::kTextAlign, *k);
    }
  }
  if (cell || row_or_group) {
    if (auto v = use(kValign, 'V')) {
      if (auto k = ValignKeyword(*v)) e.Keyword(Property::kVerticalAlign, *k);
    }
  }
  if (cell || tag == Tag::kTable) {
    if (auto v = use(kWidth, 'w')) {
      if (auto d = DimensionValue(*v)) e.Add(Property::kWidth, *d);
    }
  }
  if (cell || tag == Tag::kTable || tag == Tag::kTr) {
    if (auto v = use(kHeight, 'e')) {
      if (auto d = DimensionValue(*v); d && d->unit != Unit::kPercent) e.Add(Property::kHeight, *d);
    }
  }
  if (cell && use(kNowrap, 'n')) e.Keyword(Property::kWhiteSpace, Keyword::kNowrap);
  if (tag == Tag::kTable) {
    if (auto v = use(kBorder, 'B')) {
      const std::uint32_t width = v->empty() ? 1 : NonNegativeInteger(*v).value_or(1);
      if (width > 0) {
        const auto color = use(kBordercolor, 'C');
        e.Borders(std::min<std::uint32_t>(width, 100),
                  color ? css::ParseAttributeColor(*color).value_or(kAutoColor) : kAutoColor);
      }
    }
  }
  if (cell) {
    if (auto v = use(kBordercolor, 'C')) {
      if (auto rgb = css::ParseAttributeColor(*v)) {
        for (int side = 0; side < 4; ++side)
          e.Color(css::BorderColorOf(side), *rgb);
      }
    }
  }
  if (tag == Tag::kFont) {
    if (auto v = use(kColor, 'k')) {
      if (auto rgb = css::ParseAttributeColor(*v)) e.Color(Property::kColor, *rgb);
    }
    if (auto v = use(kFace, 'f')) {
      const std::string_view face = TrimAsciiSpace(v->substr(0, v->find(',')));
      if (!face.empty()) e.String(Property::kFontFamily, face);
    }
    if (auto v = use(kSize, 's')) {
      if (auto px = FontSizePixels(*v)) e.Length(Property::kFontSize, *px, Unit::kPx);
    }
  }
}

}  // namespace

void PresentationalDeclarations(Tag tag, std::span<const HtmlAttribute> attributes,
                                const ElementContext& context, Interner& strings,
                                std::vector<Declaration>* out, std::string& key) {
  Emitter e(out, strings);
  key.push_back(static_cast<char>(tag));

  BrowserDefaults(tag, attributes, context, e, key);
  AttributeDeclarations(tag, attributes, e, key);
}

std::uint32_t ParseColspan(std::string_view value) {
  const auto n = NonNegativeInteger(value);
  if (!n || *n == 0) return 1;
  return std::min<std::uint32_t>(*n, 1000);
}

std::uint32_t ParseRowspan(std::string_view value) {
  const auto n = NonNegativeInteger(value);
  if (!n) return 1;
  return std::min<std::uint32_t>(*n, 65534);
}

}  // namespace quorlex::automation::page
