#include "automation/spreadsheetml/styles_io.h"

#include <cmath>
#include <map>

#include "automation/package/xml_reader.h"
#include "automation/spreadsheetml/xml_util.h"
#include "platform/little_endian.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using package::XmlReader;

constexpr std::string_view kPatterns[] = {
    "none",           "solid",           "mediumGray",    "darkGray",  "lightGray",
    "darkHorizontal", "darkVertical",    "darkDown",      "darkUp",    "darkGrid",
    "darkTrellis",    "lightHorizontal", "lightVertical", "lightDown", "lightUp",
    "lightGrid",      "lightTrellis",    "gray125",       "gray0625"};

constexpr std::string_view kLines[] = {"none",
                                       "thin",
                                       "medium",
                                       "dashed",
                                       "dotted",
                                       "thick",
                                       "double",
                                       "hair",
                                       "mediumDashed",
                                       "dashDot",
                                       "mediumDashDot",
                                       "dashDotDot",
                                       "mediumDashDotDot",
                                       "slantDashDot"};

constexpr std::string_view kHorizontal[] = {
    "general", "left", "center", "right", "fill", "justify", "centerContinuous", "distributed"};
constexpr std::string_view kVertical[] = {"top", "center", "bottom", "justify", "distributed"};

template <std::size_t N>
std::uint8_t IndexIn(const std::string_view (&names)[N], std::string_view name,
                     std::uint8_t otherwise) {
  for (std::size_t i = 0; i < N; ++i) {
    if (names[i] == name) return static_cast<std::uint8_t>(i);
  }
  return otherwise;
}

std::uint32_t Hex(std::string_view text) {
  std::uint32_t v = 0;
  for (char c : text) {
    v <<= 4;
    if (c >= '0' && c <= '9')
      v |= static_cast<std::uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f')
      v |= static_cast<std::uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      v |= static_cast<std::uint32_t>(c - 'A' + 10);
    else
      return 0;
  }
  return v;
}

std::uint32_t Tinted(std::uint32_t rgb, double tint) {
  if (tint == 0) return rgb;
  std::uint32_t out = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    double c = static_cast<double>((rgb >> shift) & 0xFF);
    c = tint < 0 ? c * (1 + tint) : c + (255 - c) * tint;
    out |= static_cast<std::uint32_t>(std::clamp(std::lround(c), 0L, 255L)) << shift;
  }
  return out;
}

// Reads the current colour element (color, fgColor, ...) as a palette
// index of the engine: `automatic` for auto, the index for an indexed
// colour, and the nearest palette colour for rgb and theme colours.
std::uint16_t ReadColor(const XmlReader& r, const ThemeColors& theme, workbook::Styles& styles,
                        std::uint16_t automatic) {
  if (Flag(r.Attribute("auto"))) return automatic;
  if (auto indexed = r.Attribute("indexed")) {
    const auto n = ParseInteger(*indexed);
    if (!n || *n < 0 || *n > 65) return automatic;
    return static_cast<std::uint16_t>(*n);
  }
  std::optional<std::uint32_t> rgb;
  if (auto value = r.Attribute("rgb")) {
    std::string_view v = *value;
    if (v.size() == 8) v.remove_prefix(2);  // alpha
    rgb = Hex(v);
  } else if (auto t = r.Attribute("theme")) {
    const auto n = ParseInteger(*t);
    if (n && *n >= 0 && *n < 12) rgb = theme[static_cast<std::size_t>(*n)];
  }
  if (!rgb) return automatic;
  double tint = 0;
  if (auto t = r.Attribute("tint")) tint = ParseNumber(*t).value_or(0);
  return styles.ColorIndexFor(Tinted(*rgb, std::clamp(tint, -1.0, 1.0)));
}

void AppendColor(std::string& out, const char* element, std::uint16_t index,
                 const workbook::Styles& styles) {
  out += '<';
  out += element;
  if (index >= 8 && index < 64) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%06X", styles.Colors()[index - 8u] & 0xFFFFFFu);
    out += " rgb=\"FF";
    out += buffer;
    out += '"';
  } else {
    out += " indexed=\"" + std::to_string(index) + '"';
  }
  out += "/>";
}

// The part's root start tag around an element taken out of it, so that the
// prefixes the root declares are declared when it is read alone.
std::string Wrapped(const std::string& root_start, const std::string& element) {
  return root_start + element + "</" + QualifiedNameOf(root_start) + ">";
}

template <typename F>
void ReadWrapped(const std::string& root_start, const std::string& element, const std::string& part,
                 F&& f) {
  const std::string xml = Wrapped(root_start, element);
  XmlReader r(xml, part);
  while (r.Next()) {
    if (r.IsStart() && r.Depth() == 1) {
      f(r);
      return;
    }
  }
}

}  // namespace

workbook::Font ReadFont(XmlReader& r, const ThemeColors& theme, workbook::Styles& styles) {
  workbook::Font font;
  font.name = "Calibri";
  font.height = 220;
  ForEachChild(r, [&](XmlReader& c) {
    const std::string_view name = c.LocalName();
    const auto val = c.Attribute("val");
    const bool on = Flag(val, true);
    if (name == "b")
      font.weight = on ? 700 : 400;
    else if (name == "i")
      font.flags = static_cast<std::uint16_t>(on ? font.flags | 0x02 : font.flags & ~0x02);
    else if (name == "strike")
      font.flags = static_cast<std::uint16_t>(on ? font.flags | 0x08 : font.flags & ~0x08);
    else if (name == "outline")
      font.flags = static_cast<std::uint16_t>(on ? font.flags | 0x10 : font.flags & ~0x10);
    else if (name == "shadow")
      font.flags = static_cast<std::uint16_t>(on ? font.flags | 0x20 : font.flags & ~0x20);
    else if (name == "u") {
      const std::string u = val.value_or("single");
      font.underline = u == "double"             ? 2
                       : u == "singleAccounting" ? 0x21
                       : u == "doubleAccounting" ? 0x22
                       : u == "none"             ? 0
                                                 : 1;
    } else if (name == "vertAlign") {
      const std::string v = val.value_or("baseline");
      font.escapement = v == "superscript" ? 1 : v == "subscript" ? 2 : 0;
    } else if (name == "sz") {
      const double pt = ParseNumber(val.value_or("")).value_or(11);
      font.height = static_cast<std::uint16_t>(std::clamp(std::lround(pt * 20), 20L, 8191L));
    } else if (name == "color") {
      font.color = ReadColor(c, theme, styles, 0x7FFF);
    } else if (name == "name" || name == "rFont") {
      font.name = val.value_or(font.name);
    } else if (name == "family") {
      font.family = static_cast<std::uint8_t>(ParseInteger(val.value_or("0")).value_or(0));
    } else if (name == "charset") {
      font.charset = static_cast<std::uint8_t>(ParseInteger(val.value_or("0")).value_or(0));
    }
  });
  return font;
}

namespace {

FillKey ReadFill(XmlReader& r, const ThemeColors& theme, workbook::Styles& styles) {
  FillKey key;
  ForEachChild(r, [&](XmlReader& c) {
    if (c.LocalName() == "patternFill") {
      key.pattern = IndexIn(kPatterns, c.Attribute("patternType").value_or("none"), 0);
      ForEachChild(c, [&](XmlReader& color) {
        if (color.LocalName() == "fgColor")
          key.fore = static_cast<std::uint8_t>(ReadColor(color, theme, styles, 64) & 0x7F);
        if (color.LocalName() == "bgColor")
          key.back = static_cast<std::uint8_t>(ReadColor(color, theme, styles, 65) & 0x7F);
      });
    } else if (c.LocalName() == "gradientFill") {
      // The engine has no gradients: a solid fill of the first stop's colour.
      key.pattern = 1;
      bool first = true;
      std::function<void(XmlReader&)> walk = [&](XmlReader& e) {
        if (e.LocalName() == "color" && first) {
          key.fore = static_cast<std::uint8_t>(ReadColor(e, theme, styles, 64) & 0x7F);
          first = false;
        }
        ForEachChild(e, walk);
      };
      ForEachChild(c, walk);
    }
  });
  if (key.pattern == 0) key = FillKey{};
  return key;
}

BorderKey ReadBorder(XmlReader& r, const ThemeColors& theme, workbook::Styles& styles) {
  BorderKey key;
  ForEachChild(r, [&](XmlReader& c) {
    const std::string_view name = c.LocalName();
    int edge = name == "left" || name == "start"  ? 0
               : name == "right" || name == "end" ? 1
               : name == "top"                    ? 2
               : name == "bottom"                 ? 3
                                                  : -1;
    if (edge < 0) return;
    const std::uint8_t style = IndexIn(kLines, c.Attribute("style").value_or("none"), 1);
    std::uint8_t color = 64;
    ForEachChild(c, [&](XmlReader& e) {
      if (e.LocalName() == "color")
        color = static_cast<std::uint8_t>(ReadColor(e, theme, styles, 64) & 0x7F);
    });
    key.edges[static_cast<std::size_t>(edge) * 2] = style;
    key.edges[static_cast<std::size_t>(edge) * 2 + 1] = style == 0 ? 0 : color;
  });
  return key;
}

std::uint16_t FontBiffIndex(long long xlsx_index) {
  return static_cast<std::uint16_t>(xlsx_index < 4 ? xlsx_index : xlsx_index + 1);
}

using platform::Get16;
using platform::Put16;
using platform::Put32;

long long Attr(const XmlReader& r, const char* name, long long otherwise) {
  auto v = r.Attribute(name);
  return v ? ParseInteger(*v).value_or(otherwise) : otherwise;
}

workbook::Xf ReadXf(XmlReader& r, const StyleSource& source) {
  std::array<std::uint8_t, 20> b{};
  const long long font = std::clamp(Attr(r, "fontId", 0), 0LL, 0xFFFELL);
  Put16(b, 0, FontBiffIndex(font));
  Put16(b, 2, static_cast<std::uint32_t>(std::clamp(Attr(r, "numFmtId", 0), 0LL, 0xFFFFLL)));
  const auto parent = static_cast<std::uint32_t>(std::clamp(Attr(r, "xfId", 0), 0LL, 0xFFFLL));
  std::uint8_t used = 0;
  if (Flag(r.Attribute("applyNumberFormat"))) used |= 0x04;
  if (Flag(r.Attribute("applyFont"))) used |= 0x08;
  if (Flag(r.Attribute("applyAlignment"))) used |= 0x10;
  if (Flag(r.Attribute("applyBorder"))) used |= 0x20;
  if (Flag(r.Attribute("applyFill"))) used |= 0x40;
  if (Flag(r.Attribute("applyProtection"))) used |= 0x80;
  b[9] = used;
  bool locked = true, hidden = false;
  std::uint8_t h = 0, v = 2, rotation = 0, indent = 0;
  bool wrap = false, shrink = false;
  ForEachChild(r, [&](XmlReader& c) {
    if (c.LocalName() == "alignment") {
      h = IndexIn(kHorizontal, c.Attribute("horizontal").value_or("general"), 0);
      if (h == 7) h = 5;  // distributed: the nearest the engine has
      v = IndexIn(kVertical, c.Attribute("vertical").value_or("bottom"), 2);
      if (v == 4) v = 3;
      wrap = Flag(c.Attribute("wrapText"));
      shrink = Flag(c.Attribute("shrinkToFit"));
      rotation = static_cast<std::uint8_t>(std::clamp(Attr(c, "textRotation", 0), 0LL, 255LL));
      indent = static_cast<std::uint8_t>(std::clamp(Attr(c, "indent", 0), 0LL, 15LL));
    } else if (c.LocalName() == "protection") {
      locked = Flag(c.Attribute("locked"), true);
      hidden = Flag(c.Attribute("hidden"));
    }
  });
  Put16(b, 4, (locked ? 1u : 0u) | (hidden ? 2u : 0u) | (parent << 4));
  b[6] = static_cast<std::uint8_t>(h | (wrap ? 0x08 : 0) | (v << 4));
  b[7] = rotation;
  b[8] = static_cast<std::uint8_t>(indent | (shrink ? 0x10 : 0));
  const auto fill_id = static_cast<std::size_t>(std::max(0LL, Attr(r, "fillId", 0)));
  const auto border_id = static_cast<std::size_t>(std::max(0LL, Attr(r, "borderId", 0)));
  const FillKey fill = fill_id < source.fills.size() ? source.fills[fill_id] : FillKey{};
  const BorderKey border =
      border_id < source.borders.size() ? source.borders[border_id] : BorderKey{};
  const auto& e = border.edges;
  Put32(b, 10,
        (e[0] & 0xFu) | ((e[2] & 0xFu) << 4) | ((e[4] & 0xFu) << 8) | ((e[6] & 0xFu) << 12) |
            ((e[1] & 0x7Fu) << 16) | ((e[3] & 0x7Fu) << 23));
  Put32(b, 14,
        (e[5] & 0x7Fu) | ((e[7] & 0x7Fu) << 7) |
            (static_cast<std::uint32_t>(fill.pattern & 0x3F) << 26));
  Put16(b, 18, (fill.fore & 0x7Fu) | ((fill.back & 0x7Fu) << 7));
  return workbook::Xf(b);
}

void AppendFontProperties(std::string& out, const workbook::Font& font,
                          const workbook::Styles& styles, const char* name_element) {
  if (font.Bold()) out += "<b/>";
  if (font.Italic()) out += "<i/>";
  if (font.Strike()) out += "<strike/>";
  if (font.flags & 0x10) out += "<outline/>";
  if (font.flags & 0x20) out += "<shadow/>";
  switch (font.underline) {
    case 0: break;
    case 2: out += "<u val=\"double\"/>"; break;
    case 0x21: out += "<u val=\"singleAccounting\"/>"; break;
    case 0x22: out += "<u val=\"doubleAccounting\"/>"; break;
    default: out += "<u/>";
  }
  if (font.escapement == 1) out += "<vertAlign val=\"superscript\"/>";
  if (font.escapement == 2) out += "<vertAlign val=\"subscript\"/>";
  out += "<sz val=\"";
  AppendNumber(out, font.height / 20.0);
  out += "\"/>";
  if (font.color != 0x7FFF) AppendColor(out, "color", font.color, styles);
  out += '<';
  out += name_element;
  out += " val=\"";
  AppendEscaped(out, font.name, true);
  out += "\"/>";
  if (font.family != 0) out += "<family val=\"" + std::to_string(font.family) + "\"/>";
  if (font.charset != 0) out += "<charset val=\"" + std::to_string(font.charset) + "\"/>";
}

void AppendFont(std::string& out, const workbook::Font& font, const workbook::Styles& styles) {
  out += "<font>";
  AppendFontProperties(out, font, styles, "name");
  out += "</font>";
}

void AppendFill(std::string& out, const FillKey& fill, const workbook::Styles& styles) {
  out += "<fill><patternFill patternType=\"";
  out += kPatterns[fill.pattern < 19 ? fill.pattern : 1];
  out += '"';
  if (fill.pattern == 0) {
    out += "/></fill>";
    return;
  }
  out += '>';
  AppendColor(out, "fgColor", fill.fore, styles);
  AppendColor(out, "bgColor", fill.back, styles);
  out += "</patternFill></fill>";
}

void AppendBorder(std::string& out, const BorderKey& border, const workbook::Styles& styles) {
  out += "<border>";
  static constexpr const char* kEdges[] = {"left", "right", "top", "bottom"};
  for (std::size_t e = 0; e < 4; ++e) {
    const std::uint8_t style = border.edges[e * 2];
    out += '<';
    out += kEdges[e];
    if (style == 0 || style >= 14) {
      out += "/>";
      continue;
    }
    out += " style=\"";
    out += kLines[style];
    out += "\">";
    AppendColor(out, "color", border.edges[e * 2 + 1], styles);
    out += "</";
    out += kEdges[e];
    out += '>';
  }
  out += "<diagonal/></border>";
}

}  // namespace

void AppendRunProperties(std::string& out, const workbook::Font& font,
                         const workbook::Styles& styles) {
  AppendFontProperties(out, font, styles, "rFont");
}

ThemeColors DefaultThemeColors() {
  return {0xFFFFFF, 0x000000, 0xEEECE1, 0x1F497D, 0x4F81BD, 0xC0504D,
          0x9BBB59, 0x8064A2, 0x4BACC6, 0xF79646, 0x0000FF, 0x800080};
}

ThemeColors ReadThemeColors(std::string_view theme_xml) {
  ThemeColors colors = DefaultThemeColors();
  static constexpr std::string_view kSlots[] = {"lt1",     "dk1",     "lt2",     "dk2",
                                                "accent1", "accent2", "accent3", "accent4",
                                                "accent5", "accent6", "hlink",   "folHlink"};
  try {
    XmlReader r(theme_xml, "theme");
    bool in_scheme = false;
    int slot = -1;
    std::array<bool, 12> seen{};
    while (r.Next()) {
      if (!r.IsStart()) {
        if (r.IsEnd() && r.LocalName() == "clrScheme") break;
        continue;
      }
      const std::string_view name = r.LocalName();
      if (name == "clrScheme") {
        in_scheme = true;
        continue;
      }
      if (!in_scheme) continue;
      slot = IndexIn(kSlots, name, 255);
      if (slot != 255) {
        // The next colour element is this slot's.
        while (r.Next() && !r.IsStart()) {
        }
        const std::size_t s = static_cast<std::size_t>(slot);
        if (seen[s]) continue;
        if (r.LocalName() == "srgbClr") {
          colors[s] = Hex(r.Attribute("val").value_or("000000"));
          seen[s] = true;
        } else if (r.LocalName() == "sysClr") {
          colors[s] = Hex(r.Attribute("lastClr").value_or(s == 0 ? "FFFFFF" : "000000"));
          seen[s] = true;
        }
      }
    }
  } catch (const std::exception&) {
    // A theme that cannot be read leaves the default colours.
  }
  return colors;
}

void ReadStyles(std::string_view xml, const std::string& part_name, const ThemeColors& theme,
                workbook::Styles& styles, StyleSource& source) {
  std::map<std::string, std::string> parts;  // the children the engine models
  {
    XmlReader r(xml, part_name);
    while (r.Next() && !r.IsStart()) {
    }
    if (!r.IsStart()) r.Fail("нет корневого элемента");
    source.root_start = StartTag(r);
    ForEachChild(r, [&](XmlReader& c) {
      std::string name(c.LocalName());
      std::string outer = TakeElement(c, source.root_start);
      if (name == "numFmts" || name == "fonts" || name == "fills" || name == "borders" ||
          name == "cellXfs" || (name == "colors" && parts.count(name) == 0)) {
        if (name == "colors") source.children.push_back({name, outer});
        parts[name] = std::move(outer);
      } else {
        source.children.push_back({std::move(name), std::move(outer)});
      }
    });
  }
  // The palette first: indexed colours below mean its colours.
  if (auto it = parts.find("colors"); it != parts.end()) {
    ReadWrapped(source.root_start, it->second, part_name, [&](XmlReader& r) {
      ForEachChild(r, [&](XmlReader& c) {
        if (c.LocalName() != "indexedColors") return;
        workbook::Palette palette = workbook::DefaultPalette();
        std::size_t i = 0;
        ForEachChild(c, [&](XmlReader& e) {
          if (e.LocalName() == "rgbColor" && i < 64) {
            std::string v = e.Attribute("rgb").value_or("FF000000");
            if (v.size() == 8) v = v.substr(2);
            if (i >= 8) palette[i - 8] = Hex(v);
            ++i;
          }
        });
        styles.SetColors(palette, true);
      });
    });
  }
  if (auto it = parts.find("numFmts"); it != parts.end()) {
    ReadWrapped(source.root_start, it->second, part_name, [&](XmlReader& r) {
      ForEachChild(r, [&](XmlReader& c) {
        if (c.LocalName() != "numFmt") return;
        const auto id = ParseInteger(c.Attribute("numFmtId").value_or(""));
        if (!id || *id < 0 || *id > 0xFFFF) return;
        styles.SetFormat(static_cast<std::uint16_t>(*id), c.Attribute("formatCode").value_or(""));
      });
    });
  }
  const auto items = [&](const char* list, const char* item,
                         const std::function<void(XmlReader&, std::string)>& each) {
    auto it = parts.find(list);
    if (it == parts.end()) return;
    ReadWrapped(source.root_start, it->second, part_name, [&](XmlReader& r) {
      ForEachChild(r, [&](XmlReader& c) {
        if (c.LocalName() != item) return;
        // Its markup first, then the same element read for its values.
        std::string outer = TakeElement(c, source.root_start);
        ReadWrapped(source.root_start, outer, part_name,
                    [&](XmlReader& e) { each(e, std::move(outer)); });
      });
    });
  };
  items("fonts", "font", [&](XmlReader& r, std::string outer) {
    source.fonts.push_back(ReadFont(r, theme, styles));
    source.font_xml.push_back(std::move(outer));
  });
  if (source.fonts.empty()) {
    workbook::Font font;
    font.name = "Calibri";
    font.height = 220;
    source.fonts.push_back(font);
    std::string markup;
    AppendFont(markup, font, styles);
    source.font_xml.push_back(std::move(markup));
  }
  for (const workbook::Font& f : source.fonts)
    styles.AddFontRaw(f);
  items("fills", "fill", [&](XmlReader& r, std::string outer) {
    source.fills.push_back(ReadFill(r, theme, styles));
    source.fill_xml.push_back(std::move(outer));
  });
  items("borders", "border", [&](XmlReader& r, std::string outer) {
    source.borders.push_back(ReadBorder(r, theme, styles));
    source.border_xml.push_back(std::move(outer));
  });
  items("cellXfs", "xf", [&](XmlReader& r, std::string outer) {
    workbook::Xf xf = ReadXf(r, source);
    const std::uint16_t biff_font = xf.FontIndex();
    if (static_cast<std::size_t>(biff_font < 4 ? biff_font : biff_font - 1) >=
        source.fonts.size()) {
      xf.SetFontIndex(0);
    }
    source.cell_xfs.push_back(xf);
    source.cell_xf_xml.push_back(std::move(outer));
  });
  if (source.cell_xfs.empty()) {
    source.cell_xfs.push_back(workbook::Xf());
    source.cell_xf_xml.push_back(
        "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>");
  }
  // The engine numbers style formats first and finds the default cell
  // format at kFirstCellXf: placeholders stand for the style formats, which
  // the styles part keeps as read.
  workbook::Xf style;
  style.SetIsStyle(true);
  while (styles.XfCount() < kFirstCellXf)
    styles.AddXfRaw(style);
  for (const workbook::Xf& xf : source.cell_xfs)
    styles.AddXfRaw(xf);
}

FillKey FillOf(const workbook::Xf& xf) {
  FillKey key{xf.Pattern(), xf.PatternColor(), xf.PatternBackground()};
  if (key.pattern == 0) key = FillKey{};
  return key;
}

BorderKey BordersOf(const workbook::Xf& xf) {
  BorderKey key;
  const workbook::Edge edges[] = {workbook::Edge::kLeft, workbook::Edge::kRight,
                                  workbook::Edge::kTop, workbook::Edge::kBottom};
  for (std::size_t e = 0; e < 4; ++e) {
    key.edges[e * 2] = static_cast<std::uint8_t>(xf.Border(edges[e]));
    key.edges[e * 2 + 1] = key.edges[e * 2] == 0 ? 0 : xf.BorderColor(edges[e]);
  }
  return key;
}

std::string WriteStyles(const workbook::Styles& styles, const StyleSource& source) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  out += source.root_start;

  std::string num_fmts;
  std::size_t num_fmt_count = 0;
  for (const auto& [id, code] : styles.Formats()) {
    num_fmts += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"";
    AppendEscaped(num_fmts, code, true);
    num_fmts += "\"/>";
    ++num_fmt_count;
  }

  std::string fonts;
  const auto& model_fonts = styles.Fonts();
  for (std::size_t k = 0; k < model_fonts.size(); ++k) {
    if (k < source.fonts.size() && model_fonts[k] == source.fonts[k]) {
      fonts += source.font_xml[k];
    } else {
      AppendFont(fonts, model_fonts[k], styles);
    }
  }

  std::vector<FillKey> fill_list = source.fills;
  std::string fills;
  for (const std::string& f : source.fill_xml)
    fills += f;
  if (fill_list.empty()) {
    // Every styles part starts with these two, whatever its cells use.
    fill_list = {FillKey{}, FillKey{17, 64, 65}};
    fills =
        "<fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
        "patternType=\"gray125\"/></fill>";
  }
  std::map<FillKey, std::size_t> fill_ids;
  for (std::size_t i = fill_list.size(); i-- > 0;)
    fill_ids[fill_list[i]] = i;
  std::vector<BorderKey> border_list = source.borders;
  std::string borders;
  for (const std::string& b : source.border_xml)
    borders += b;
  if (border_list.empty()) {
    border_list.push_back(BorderKey{});
    AppendBorder(borders, BorderKey{}, styles);
  }
  std::map<BorderKey, std::size_t> border_ids;
  for (std::size_t i = border_list.size(); i-- > 0;)
    border_ids[border_list[i]] = i;

  std::string xfs;
  std::size_t xf_count = 0;
  for (std::size_t i = kFirstCellXf; i < styles.XfCount(); ++i, ++xf_count) {
    const workbook::Xf& xf = styles.Xfs()[i];
    const std::size_t k = i - kFirstCellXf;
    if (k < source.cell_xfs.size() && xf == source.cell_xfs[k]) {
      xfs += source.cell_xf_xml[k];
      continue;
    }
    const FillKey fill = FillOf(xf);
    auto f = fill_ids.find(fill);
    if (f == fill_ids.end()) {
      f = fill_ids.emplace(fill, fill_list.size()).first;
      fill_list.push_back(fill);
      AppendFill(fills, fill, styles);
    }
    const BorderKey border = BordersOf(xf);
    auto b = border_ids.find(border);
    if (b == border_ids.end()) {
      b = border_ids.emplace(border, border_list.size()).first;
      border_list.push_back(border);
      AppendBorder(borders, border, styles);
    }
    const auto& bytes = xf.Bytes();
    const std::uint16_t biff_font = Get16(bytes, 0);
    std::size_t font = biff_font < 4 ? biff_font : biff_font - 1u;
    if (font >= model_fonts.size()) font = 0;
    const std::uint8_t used = bytes[9];
    xfs += "<xf numFmtId=\"" + std::to_string(xf.FormatIndex()) + "\" fontId=\"" +
           std::to_string(font) + "\" fillId=\"" + std::to_string(f->second) + "\" borderId=\"" +
           std::to_string(b->second) + "\" xfId=\"" + std::to_string(xf.Parent()) + '"';
    if (used & 0x04) xfs += " applyNumberFormat=\"1\"";
    if (used & 0x08) xfs += " applyFont=\"1\"";
    if (used & 0x40) xfs += " applyFill=\"1\"";
    if (used & 0x20) xfs += " applyBorder=\"1\"";
    if (used & 0x10) xfs += " applyAlignment=\"1\"";
    if (used & 0x80) xfs += " applyProtection=\"1\"";
    std::string alignment;
    const auto h = static_cast<std::size_t>(xf.Horizontal());
    const auto v = static_cast<std::size_t>(xf.Vertical());
    if (h != 0) alignment += " horizontal=\"" + std::string(kHorizontal[h < 8 ? h : 0]) + '"';
    if (v != 2) alignment += " vertical=\"" + std::string(kVertical[v < 5 ? v : 2]) + '"';
    if (bytes[7] != 0) alignment += " textRotation=\"" + std::to_string(bytes[7]) + '"';
    if (xf.Wrap()) alignment += " wrapText=\"1\"";
    if ((bytes[8] & 0x0F) != 0) alignment += " indent=\"" + std::to_string(bytes[8] & 0x0F) + '"';
    if (bytes[8] & 0x10) alignment += " shrinkToFit=\"1\"";
    const bool locked = (bytes[4] & 1) != 0, hidden = (bytes[4] & 2) != 0;
    if (alignment.empty() && locked && !hidden) {
      xfs += "/>";
      continue;
    }
    xfs += '>';
    if (!alignment.empty()) xfs += "<alignment" + alignment + "/>";
    if (!locked || hidden) {
      xfs += "<protection";
      if (!locked) xfs += " locked=\"0\"";
      if (hidden) xfs += " hidden=\"1\"";
      xfs += "/>";
    }
    xfs += "</xf>";
  }

  const auto element = [&](const char* name, std::size_t count, const std::string& body) {
    out += "<";
    out += name;
    out += " count=\"" + std::to_string(count) + "\">";
    out += body;
    out += "</";
    out += name;
    out += ">";
  };
  // In the order the schema gives them.
  static constexpr std::string_view kOrder[] = {"numFmts",      "fonts",   "fills",      "borders",
                                                "cellStyleXfs", "cellXfs", "cellStyles", "dxfs",
                                                "tableStyles",  "colors",  "extLst"};
  bool kept_style_xfs = false;
  for (const KeptElement& k : source.children)
    kept_style_xfs |= k.name == "cellStyleXfs";
  for (std::string_view name : kOrder) {
    if (name == "numFmts") {
      if (num_fmt_count > 0) element("numFmts", num_fmt_count, num_fmts);
    } else if (name == "fonts") {
      element("fonts", model_fonts.size(), fonts);
    } else if (name == "fills") {
      element("fills", fill_list.size(), fills);
    } else if (name == "borders") {
      element("borders", border_list.size(), borders);
    } else if (name == "cellXfs") {
      if (!kept_style_xfs) {
        out +=
            "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
            "borderId=\"0\"/></cellStyleXfs>";
      }
      element("cellXfs", xf_count, xfs);
    } else {
      for (const KeptElement& k : source.children) {
        if (k.name == name) out += k.xml;
      }
    }
  }
  for (const KeptElement& k : source.children) {
    if (std::find(std::begin(kOrder), std::end(kOrder), k.name) == std::end(kOrder)) out += k.xml;
  }
  out += "</" + QualifiedNameOf(source.root_start) + ">";
  return out;
}

}  // namespace quorlex::automation::spreadsheetml
