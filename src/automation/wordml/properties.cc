// Paragraph, run, section, table and cell properties in WordprocessingML,
// read into the engine's property lists and written back out of them.
// Reading and writing stay in one file (about 750 lines) because each
// property's element names, value names and codes must agree both ways:
// the tables and helpers at the top serve both halves.

#include "automation/wordml/properties.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "automation/document/color.h"
#include "automation/document/sprm.h"
#include "automation/wordml/names.h"
#include "platform/little_endian.h"

namespace quorlex::automation::wordml {
namespace {

namespace doc = document;
namespace sprm = document::sprm;

// Codes the engine's own lists do not name.
constexpr std::uint16_t kCIss = 0x2A48;
constexpr std::uint16_t kCIstd = 0x4A30;
constexpr std::uint16_t kCFSmallCaps = 0x083A;
constexpr std::uint16_t kCFCaps = 0x083B;
constexpr std::uint16_t kCFVanish = 0x083C;
constexpr std::uint16_t kPFKeep = 0x2405;
constexpr std::uint16_t kPFPageBreakBefore = 0x2407;
constexpr std::uint16_t kPDxaRight80 = 0x840E;
constexpr std::uint16_t kPDxaRight = 0x845D;
constexpr std::uint16_t kPDxaLeft = 0x845E;
constexpr std::uint16_t kPDxaLeft1 = 0x8460;
constexpr std::uint16_t kPDyaLine = 0x6412;
constexpr std::uint16_t kSDyaHdrTop = 0xB017;
constexpr std::uint16_t kSDyaHdrBottom = 0xB018;
constexpr std::uint16_t kTTableHeader = 0x3404;
constexpr std::uint16_t kTFCantSplit = 0x3466;
constexpr std::uint16_t kTJc = 0x548A;
constexpr std::uint16_t kTcVertMerge = 0x0020;
constexpr std::uint16_t kTcVertRestart = 0x0040;
constexpr std::size_t kTc80Size = 20;
constexpr std::size_t kShdSize = 10;
constexpr std::uint8_t kToggleOn = 1;

std::string_view Name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

std::optional<doc::Color> ParseColor(const std::string& hex) {
  if (hex.size() != 6) return std::nullopt;
  unsigned value = 0;
  for (char c : hex) {
    value <<= 4;
    if (c >= '0' && c <= '9')
      value |= static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      value |= static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      value |= static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
  }
  return doc::Color{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value)};
}

std::uint16_t Twips16(long value) {
  return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(value, -31680L, 31680L)));
}

std::string EscapeAttribute(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::string Attr(const char* name, std::string_view value) {
  std::string out = " w:";
  out += name;
  out += "=\"";
  out += EscapeAttribute(value);
  out += '"';
  return out;
}

std::string Empty(const char* name, std::string attributes = {}) {
  return std::string("<w:") + name + attributes + "/>";
}

std::string Val(const char* name, std::string_view value) {
  return Empty(name, Attr("val", value));
}

std::string Val(const char* name, long value) { return Val(name, std::to_string(value)); }

std::string Toggle(const char* name, std::uint8_t operand) {
  // 0x80 and 0x81 mean "as the style" and "the style's opposite": the
  // markup has no such values, so the style's value stands.
  if (operand >= 0x80) return {};
  return operand == kToggleOn ? Empty(name) : Val(name, "0");
}

const char* UnderlineName(std::uint8_t kul) {
  switch (kul) {
    case 0: return "none";
    case 2: return "words";
    case 3: return "double";
    case 4: return "dotted";
    case 6: return "thick";
    case 7: return "dash";
    case 11: return "wave";
    default: return "single";
  }
}

std::uint8_t UnderlineCode(const std::string& name) {
  if (name == "none") return 0;
  if (name == "words") return 2;
  if (name == "double") return 3;
  if (name == "dotted") return 4;
  if (name == "thick") return 6;
  if (name == "dash") return 7;
  if (name == "wave") return 11;
  return 1;
}

const char* JustificationName(std::uint8_t jc) {
  switch (jc) {
    case 1: return "center";
    case 2: return "right";
    case 3: return "both";
    default: return "left";
  }
}

std::optional<std::uint8_t> JustificationCode(const std::string& name) {
  if (name == "left" || name == "start") return 0;
  if (name == "center") return 1;
  if (name == "right" || name == "end") return 2;
  if (name == "both" || name == "distribute") return 3;
  return std::nullopt;
}

doc::BorderLine ReadBorder(const xmlNode* node) {
  doc::BorderLine line;
  if (node == nullptr) return line;
  const std::string val = MainAttribute(node, "val").value_or("nil");
  if (val == "nil" || val == "none") return line;
  line.width = static_cast<int>(std::clamp(NumberAttribute(node, "sz").value_or(4), 2L, 96L));
  if (val == "double")
    line.style = doc::BorderLine::Style::kDouble;
  else if (val == "dotted")
    line.style = doc::BorderLine::Style::kDotted;
  else if (val == "dashed" || val == "dashSmallGap")
    line.style = doc::BorderLine::Style::kDashed;
  if (auto color = MainAttribute(node, "color")) line.color = ParseColor(*color);
  return line;
}

doc::BorderLine DecodeBorder80(std::string_view brc) {
  doc::BorderLine line;
  if (brc.size() < 4) return line;
  const auto width = static_cast<std::uint8_t>(brc[0]);
  const auto type = static_cast<std::uint8_t>(brc[1]);
  const auto ico = static_cast<std::uint8_t>(brc[2]);
  if (type == 0 || type == 0xFF || width == 0) return line;
  line.width = width;
  switch (type) {
    case 3: line.style = doc::BorderLine::Style::kDouble; break;
    case 6: line.style = doc::BorderLine::Style::kDotted; break;
    case 7: line.style = doc::BorderLine::Style::kDashed; break;
    default: line.style = doc::BorderLine::Style::kSingle; break;
  }
  if (const auto color = doc::PaletteColor(ico)) line.color = *color;
  return line;
}

}  // namespace

bool IsMain(const xmlNode* node, const char* local) {
  return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
         std::strcmp(reinterpret_cast<const char*>(node->name), local) == 0 &&
         std::string_view(reinterpret_cast<const char*>(node->ns->href)) == ns::kMain;
}

const xmlNode* MainChild(const xmlNode* parent, const char* local) {
  if (parent == nullptr) return nullptr;
  for (const xmlNode* c = parent->children; c != nullptr; c = c->next) {
    if (IsMain(c, local)) return c;
  }
  return nullptr;
}

std::optional<std::string> MainAttribute(const xmlNode* node, const char* local) {
  if (node == nullptr) return std::nullopt;
  xmlChar* value = xmlGetNsProp(node, reinterpret_cast<const xmlChar*>(local),
                                reinterpret_cast<const xmlChar*>(ns::kMain.data()));
  if (value == nullptr) return std::nullopt;
  std::string result(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return result;
}

std::optional<long> NumberAttribute(const xmlNode* node, const char* local) {
  const auto text = MainAttribute(node, local);
  if (!text || text->empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text->c_str(), &end);
  if (end == text->c_str()) return std::nullopt;
  // Some writers give measures with units ("12pt"); twips are meant when
  // there is none. A unit of points is turned into twips.
  double scale = 1;
  const std::string_view unit(end);
  if (unit == "pt")
    scale = 20;
  else if (unit == "in")
    scale = 1440;
  else if (unit == "mm")
    scale = 1440 / 25.4;
  else if (unit == "cm")
    scale = 1440 / 2.54;
  const double result = value * scale;
  if (!(result > -1e9 && result < 1e9)) return std::nullopt;
  return static_cast<long>(result);
}

bool OnOff(const xmlNode* node) {
  if (node == nullptr) return false;
  const auto val = MainAttribute(node, "val");
  return !val || !(*val == "0" || *val == "false" || *val == "off");
}

std::string Markup(const xmlNode* node) {
  xmlBufferPtr buffer = xmlBufferCreate();
  if (buffer == nullptr) throw std::bad_alloc();
  xmlNodeDump(buffer, node->doc, const_cast<xmlNode*>(node), 0, 0);
  std::string result(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                     static_cast<std::size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  return result;
}

std::optional<std::uint16_t> StyleIds::Find(const std::string& id) const {
  auto it = index.find(id);
  if (it == index.end()) return std::nullopt;
  return it->second;
}

std::string ReadRunProperties(const xmlNode* rpr, doc::FontTable& fonts, const StyleIds& styles) {
  doc::PropertyWriter w;
  if (rpr == nullptr) return {};
  for (const xmlNode* c = rpr->children; c != nullptr; c = c->next) {
    if (c->type != XML_ELEMENT_NODE || c->ns == nullptr ||
        std::string_view(reinterpret_cast<const char*>(c->ns->href)) != ns::kMain) {
      continue;
    }
    const std::string_view name = Name(c);
    if (name == "rStyle") {
      if (auto istd = styles.Find(MainAttribute(c, "val").value_or(""))) w.Word(kCIstd, *istd);
    } else if (name == "b") {
      w.Byte(sprm::kCFBold, OnOff(c) ? 1 : 0);
    } else if (name == "i") {
      w.Byte(sprm::kCFItalic, OnOff(c) ? 1 : 0);
    } else if (name == "strike") {
      w.Byte(sprm::kCFStrike, OnOff(c) ? 1 : 0);
    } else if (name == "caps") {
      w.Byte(kCFCaps, OnOff(c) ? 1 : 0);
    } else if (name == "smallCaps") {
      w.Byte(kCFSmallCaps, OnOff(c) ? 1 : 0);
    } else if (name == "vanish") {
      w.Byte(kCFVanish, OnOff(c) ? 1 : 0);
    } else if (name == "u") {
      w.Byte(sprm::kCKul, UnderlineCode(MainAttribute(c, "val").value_or("single")));
    } else if (name == "color") {
      if (auto color = ParseColor(MainAttribute(c, "val").value_or(""))) {
        w.Byte(sprm::kCIco, doc::NearestPaletteIndex(*color));
        w.Long(sprm::kCCv, doc::ColorRef(*color));
      }
    } else if (name == "sz" || name == "szCs") {
      if (auto hps = NumberAttribute(c, "val"); hps && *hps > 0) {
        w.Word(name == "sz" ? sprm::kCHps : sprm::kCHpsBi,
               static_cast<std::uint16_t>(std::clamp(*hps, 2L, 3276L)));
      }
    } else if (name == "vertAlign") {
      const std::string val = MainAttribute(c, "val").value_or("");
      w.Byte(kCIss, val == "superscript" ? 1 : val == "subscript" ? 2 : 0);
    } else if (name == "rFonts") {
      auto set = [&](const char* attribute, std::uint16_t code) {
        const std::string face = MainAttribute(c, attribute).value_or("");
        if (!face.empty()) w.Word(code, fonts.FindOrAdd(face));
      };
      set("ascii", sprm::kCRgFtc0);
      set("eastAsia", sprm::kCRgFtc1);
      set("hAnsi", sprm::kCRgFtc2);
      set("cs", sprm::kCFtcBi);
    }
  }
  return w.Take();
}

ParagraphProperties ReadParagraphProperties(const xmlNode* ppr, const StyleIds& styles) {
  ParagraphProperties result;
  if (ppr == nullptr) return result;
  doc::PropertyWriter w;
  for (const xmlNode* c = ppr->children; c != nullptr; c = c->next) {
    if (c->type != XML_ELEMENT_NODE || c->ns == nullptr ||
        std::string_view(reinterpret_cast<const char*>(c->ns->href)) != ns::kMain) {
      continue;
    }
    const std::string_view name = Name(c);
    if (name == "pStyle") {
      if (auto istd = styles.Find(MainAttribute(c, "val").value_or(""))) result.istd = *istd;
    } else if (name == "jc") {
      if (auto jc = JustificationCode(MainAttribute(c, "val").value_or(""))) {
        w.Byte(sprm::kPJc80, *jc).Byte(sprm::kPJc, *jc);
      }
    } else if (name == "keepNext") {
      w.Byte(sprm::kPFKeepFollow, OnOff(c) ? 1 : 0);
    } else if (name == "keepLines") {
      w.Byte(kPFKeep, OnOff(c) ? 1 : 0);
    } else if (name == "pageBreakBefore") {
      w.Byte(kPFPageBreakBefore, OnOff(c) ? 1 : 0);
    } else if (name == "outlineLvl") {
      if (auto level = NumberAttribute(c, "val"); level && *level >= 0 && *level <= 9) {
        w.Byte(sprm::kPOutLvl, static_cast<std::uint8_t>(*level));
      }
    } else if (name == "ind") {
      auto left = NumberAttribute(c, "left");
      if (!left) left = NumberAttribute(c, "start");
      auto right = NumberAttribute(c, "right");
      if (!right) right = NumberAttribute(c, "end");
      if (left) w.Word(kPDxaLeft, Twips16(*left));
      if (right) w.Word(kPDxaRight, Twips16(*right));
      if (auto hanging = NumberAttribute(c, "hanging")) {
        w.Word(kPDxaLeft1, Twips16(-*hanging));
      } else if (auto first = NumberAttribute(c, "firstLine")) {
        w.Word(kPDxaLeft1, Twips16(*first));
      }
    } else if (name == "spacing") {
      if (auto before = NumberAttribute(c, "before")) {
        w.Word(sprm::kPDyaBefore, static_cast<std::uint16_t>(std::clamp(*before, 0L, 31680L)));
      }
      if (auto after = NumberAttribute(c, "after")) {
        w.Word(sprm::kPDyaAfter, static_cast<std::uint16_t>(std::clamp(*after, 0L, 31680L)));
      }
      if (auto line = NumberAttribute(c, "line")) {
        const std::string rule = MainAttribute(c, "lineRule").value_or("auto");
        std::string lspd;
        const long value = rule == "exact" ? -std::abs(*line) : *line;
        platform::Append16(lspd, Twips16(value));
        platform::Append16(lspd, rule == "auto" ? 1 : 0);
        w.Long(kPDyaLine, platform::Get32(lspd, 0));
      }
    }
  }
  result.grpprl = w.Take();
  return result;
}

std::string ReadSectionProperties(const xmlNode* sect) {
  doc::PropertyWriter w;
  if (const xmlNode* size = MainChild(sect, "pgSz")) {
    if (auto width = NumberAttribute(size, "w")) w.Word(sprm::kSXaPage, Twips16(*width));
    if (auto height = NumberAttribute(size, "h")) w.Word(sprm::kSYaPage, Twips16(*height));
    w.Byte(sprm::kSBOrientation, MainAttribute(size, "orient").value_or("") == "landscape" ? 2 : 1);
  }
  if (const xmlNode* margins = MainChild(sect, "pgMar")) {
    if (auto v = NumberAttribute(margins, "left")) w.Word(sprm::kSDxaLeft, Twips16(*v));
    if (auto v = NumberAttribute(margins, "right")) w.Word(sprm::kSDxaRight, Twips16(*v));
    if (auto v = NumberAttribute(margins, "top")) w.Word(sprm::kSDyaTop, Twips16(*v));
    if (auto v = NumberAttribute(margins, "bottom")) w.Word(sprm::kSDyaBottom, Twips16(*v));
    if (auto v = NumberAttribute(margins, "header")) w.Word(kSDyaHdrTop, Twips16(*v));
    if (auto v = NumberAttribute(margins, "footer")) w.Word(kSDyaHdrBottom, Twips16(*v));
  }
  return w.Take();
}

doc::RowFormat ReadTableDefaults(const xmlNode* tbl_pr) {
  doc::RowFormat row;
  if (const xmlNode* margins = MainChild(tbl_pr, "tblCellMar")) {
    const xmlNode* left = MainChild(margins, "left");
    if (left == nullptr) left = MainChild(margins, "start");
    if (auto w = NumberAttribute(left, "w")) {
      row.gap_half = static_cast<int>(std::clamp(*w, 0L, 31680L));
    }
  }
  row.left = -row.gap_half;
  if (auto jc = JustificationCode(MainAttribute(MainChild(tbl_pr, "jc"), "val").value_or(""))) {
    if (*jc == 1) row.alignment = doc::Alignment::kCenter;
    if (*jc == 2) row.alignment = doc::Alignment::kRight;
  }
  return row;
}

void ReadRowSettings(const xmlNode* tr_pr, const GridColumns& grid, doc::RowFormat& row,
                     std::size_t& column) {
  if (tr_pr == nullptr) return;
  row.header = OnOff(MainChild(tr_pr, "tblHeader"));
  row.keep_together = OnOff(MainChild(tr_pr, "cantSplit"));
  if (const xmlNode* height = MainChild(tr_pr, "trHeight")) {
    const long h = std::clamp(NumberAttribute(height, "val").value_or(0), 0L, 31680L);
    row.height = static_cast<int>(MainAttribute(height, "hRule").value_or("") == "exact" ? -h : h);
  }
  const long before = NumberAttribute(MainChild(tr_pr, "gridBefore"), "val").value_or(0);
  for (long i = 0; i < before && column < grid.widths.size(); ++i) {
    row.left += grid.widths[column++];
  }
}

doc::CellFormat ReadCellFormat(const xmlNode* tc_pr, const GridColumns& grid, std::size_t& column) {
  doc::CellFormat cell;
  const long span =
      std::clamp(NumberAttribute(MainChild(tc_pr, "gridSpan"), "val").value_or(1), 1L, 64L);
  long width = 0;
  for (long i = 0; i < span && column < grid.widths.size(); ++i)
    width += grid.widths[column++];
  if (width <= 0) {
    const xmlNode* w = MainChild(tc_pr, "tcW");
    if (MainAttribute(w, "type").value_or("dxa") == "dxa")
      width = NumberAttribute(w, "w").value_or(0);
  }
  cell.width = static_cast<int>(std::clamp(width, 1L, 31680L));
  if (const xmlNode* merge = MainChild(tc_pr, "vMerge")) {
    if (MainAttribute(merge, "val").value_or("") == "restart")
      cell.merge_start = true;
    else
      cell.merge_continue = true;
  }
  const std::string valign = MainAttribute(MainChild(tc_pr, "vAlign"), "val").value_or("");
  if (valign == "center") cell.vertical = doc::VerticalAlignment::kCenter;
  if (valign == "bottom") cell.vertical = doc::VerticalAlignment::kBottom;
  if (const xmlNode* borders = MainChild(tc_pr, "tcBorders")) {
    cell.top = ReadBorder(MainChild(borders, "top"));
    const xmlNode* left = MainChild(borders, "left");
    cell.left = ReadBorder(left != nullptr ? left : MainChild(borders, "start"));
    cell.bottom = ReadBorder(MainChild(borders, "bottom"));
    const xmlNode* right = MainChild(borders, "right");
    cell.right = ReadBorder(right != nullptr ? right : MainChild(borders, "end"));
  }
  if (const xmlNode* shd = MainChild(tc_pr, "shd")) {
    cell.shading = ParseColor(MainAttribute(shd, "fill").value_or("auto"));
  }
  return cell;
}

std::string HexColor(doc::Color color) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", color.r, color.g, color.b);
  return buffer;
}

std::string RunPropertiesMarkup(std::string_view chpx, const doc::Document& document,
                                const std::vector<std::string>& style_ids) {
  // The markup's order of run properties.
  std::string style, fonts, bold, italic, caps, small_caps, strike, vanish, color, size, size_cs,
      underline, position;
  std::optional<std::uint32_t> cv;
  std::optional<std::uint8_t> ico;
  std::array<std::optional<std::uint16_t>, 4> ftc;  // ascii, eastAsia, hAnsi, cs
  doc::SprmIterator it(chpx);
  while (auto s = it.Next()) {
    switch (s->code) {
      case kCIstd:
        if (s->Word() < style_ids.size() && !style_ids[s->Word()].empty()) {
          style = Val("rStyle", style_ids[s->Word()]);
        }
        break;
      case sprm::kCFBold: bold = Toggle("b", s->Byte()); break;
      case sprm::kCFItalic: italic = Toggle("i", s->Byte()); break;
      case kCFCaps: caps = Toggle("caps", s->Byte()); break;
      case kCFSmallCaps: small_caps = Toggle("smallCaps", s->Byte()); break;
      case sprm::kCFStrike: strike = Toggle("strike", s->Byte()); break;
      case kCFVanish: vanish = Toggle("vanish", s->Byte()); break;
      case sprm::kCKul: underline = Val("u", UnderlineName(s->Byte())); break;
      case sprm::kCIco: ico = s->Byte(); break;
      case sprm::kCCv: cv = s->Long(); break;
      case sprm::kCHps: size = Val("sz", s->Word()); break;
      case sprm::kCHpsBi: size_cs = Val("szCs", s->Word()); break;
      case kCIss:
        position = s->Byte() == 1   ? Val("vertAlign", "superscript")
                   : s->Byte() == 2 ? Val("vertAlign", "subscript")
                                    : Val("vertAlign", "baseline");
        break;
      case sprm::kCRgFtc0: ftc[0] = s->Word(); break;
      case sprm::kCRgFtc1: ftc[1] = s->Word(); break;
      case sprm::kCRgFtc2: ftc[2] = s->Word(); break;
      case sprm::kCFtcBi: ftc[3] = s->Word(); break;
      default: break;
    }
  }
  if (cv && (*cv & 0xFF000000u) == 0) {
    color =
        Val("color", HexColor({static_cast<std::uint8_t>(*cv), static_cast<std::uint8_t>(*cv >> 8),
                               static_cast<std::uint8_t>(*cv >> 16)}));
  } else if (const auto palette = ico ? doc::PaletteColor(*ico) : std::nullopt) {
    color = Val("color", HexColor(*palette));
  }
  const auto& table = document.fonts.fonts();
  static constexpr const char* kFontAttributes[] = {"ascii", "eastAsia", "hAnsi", "cs"};
  std::string font_attributes;
  for (std::size_t i = 0; i < ftc.size(); ++i) {
    if (ftc[i] && *ftc[i] < table.size()) {
      font_attributes += Attr(kFontAttributes[i], table[*ftc[i]].name);
    }
  }
  if (!font_attributes.empty()) fonts = Empty("rFonts", font_attributes);
  const std::string body = style + fonts + bold + italic + caps + small_caps + strike + vanish +
                           color + size + size_cs + underline + position;
  if (body.empty()) return {};
  return "<w:rPr>" + body + "</w:rPr>";
}

std::string ParagraphPropertiesBody(std::uint16_t istd, std::string_view grpprl,
                                    const std::vector<std::string>& style_ids) {
  std::string style, keep_next, keep_lines, page_break, spacing, indent, jc, outline;
  std::optional<long> left, right, first, before, after;
  std::optional<std::uint32_t> line;
  if (istd != 0 && istd < style_ids.size() && !style_ids[istd].empty()) {
    style = Val("pStyle", style_ids[istd]);
  }
  doc::SprmIterator it(grpprl);
  while (auto s = it.Next()) {
    switch (s->code) {
      case sprm::kPJc80:
      case sprm::kPJc: jc = Val("jc", JustificationName(s->Byte())); break;
      case sprm::kPFKeepFollow: keep_next = Toggle("keepNext", s->Byte()); break;
      case kPFKeep: keep_lines = Toggle("keepLines", s->Byte()); break;
      case kPFPageBreakBefore: page_break = Toggle("pageBreakBefore", s->Byte()); break;
      case sprm::kPOutLvl:
        if (s->Byte() <= 9) outline = Val("outlineLvl", s->Byte());
        break;
      case sprm::kPDxaLeft80:
      case kPDxaLeft: left = static_cast<std::int16_t>(s->Word()); break;
      case kPDxaRight80:
      case kPDxaRight: right = static_cast<std::int16_t>(s->Word()); break;
      case sprm::kPDxaLeft1_80:
      case kPDxaLeft1: first = static_cast<std::int16_t>(s->Word()); break;
      case sprm::kPDyaBefore: before = s->Word(); break;
      case sprm::kPDyaAfter: after = s->Word(); break;
      case kPDyaLine: line = s->Long(); break;
      default: break;
    }
  }
  if (before || after || line) {
    std::string a;
    if (before) a += Attr("before", std::to_string(*before));
    if (after) a += Attr("after", std::to_string(*after));
    if (line) {
      const auto dya = static_cast<std::int16_t>(*line & 0xFFFF);
      const bool multiple = (*line >> 16) != 0;
      a += Attr("line", std::to_string(std::abs(dya)));
      a += Attr("lineRule", multiple ? "auto" : dya < 0 ? "exact" : "atLeast");
    }
    spacing = Empty("spacing", a);
  }
  if (left || right || first) {
    std::string a;
    if (left) a += Attr("left", std::to_string(*left));
    if (right) a += Attr("right", std::to_string(*right));
    if (first && *first < 0) a += Attr("hanging", std::to_string(-*first));
    if (first && *first > 0) a += Attr("firstLine", std::to_string(*first));
    indent = Empty("ind", a);
  }
  // The markup's order of paragraph properties.
  return style + keep_next + keep_lines + page_break + spacing + indent + jc + outline;
}

RowLayout DecodeRow(std::string_view grpprl) {
  RowLayout layout;
  doc::RowFormat& row = layout.format;
  std::string_view shading;
  doc::SprmIterator it(grpprl);
  while (auto s = it.Next()) {
    switch (s->code) {
      case sprm::kTJc90:
      case kTJc:
        if (s->Word() == 1)
          row.alignment = doc::Alignment::kCenter;
        else if (s->Word() == 2)
          row.alignment = doc::Alignment::kRight;
        else
          row.alignment.reset();
        break;
      case sprm::kTDxaGapHalf: row.gap_half = static_cast<std::int16_t>(s->Word()); break;
      case kTTableHeader: row.header = s->Byte() != 0; break;
      case sprm::kTFCantSplit90:
      case kTFCantSplit: row.keep_together = s->Byte() != 0; break;
      case sprm::kTDyaRowHeight: row.height = static_cast<std::int16_t>(s->Word()); break;
      case sprm::kTDefTableShd: shading = s->operand; break;
      case sprm::kTDefTable: {
        const std::string_view op = s->operand;
        if (op.empty()) break;
        const std::size_t count = static_cast<unsigned char>(op[0]);
        if (1 + (count + 1) * 2 > op.size()) break;
        layout.boundaries.clear();
        for (std::size_t i = 0; i <= count; ++i) {
          layout.boundaries.push_back(static_cast<std::int16_t>(platform::Get16(op, 1 + i * 2)));
        }
        row.left = layout.boundaries.front();
        row.cells.assign(count, doc::CellFormat{});
        const std::size_t tc_at = 1 + (count + 1) * 2;
        for (std::size_t i = 0; i < count; ++i) {
          doc::CellFormat& cell = row.cells[i];
          cell.width = std::max(1, layout.boundaries[i + 1] - layout.boundaries[i]);
          const std::size_t at = tc_at + i * kTc80Size;
          if (at + kTc80Size > op.size()) continue;
          const std::uint16_t flags = platform::Get16(op, at);
          cell.merge_start = (flags & kTcVertMerge) && (flags & kTcVertRestart);
          cell.merge_continue = (flags & kTcVertMerge) && !(flags & kTcVertRestart);
          cell.vertical = static_cast<doc::VerticalAlignment>(std::min((flags >> 7) & 3, 2));
          cell.top = DecodeBorder80(op.substr(at + 4, 4));
          cell.left = DecodeBorder80(op.substr(at + 8, 4));
          cell.bottom = DecodeBorder80(op.substr(at + 12, 4));
          cell.right = DecodeBorder80(op.substr(at + 16, 4));
        }
        break;
      }
      default: break;
    }
  }
  for (std::size_t i = 0; i < row.cells.size() && (i + 1) * kShdSize <= shading.size(); ++i) {
    const std::uint32_t back = platform::Get32(shading, i * kShdSize + 4);
    if ((back & 0xFF000000u) == 0) {
      row.cells[i].shading =
          doc::Color{static_cast<std::uint8_t>(back), static_cast<std::uint8_t>(back >> 8),
                     static_cast<std::uint8_t>(back >> 16)};
    }
  }
  return layout;
}

std::string BorderMarkup(const char* side, const doc::BorderLine& line) {
  if (line.width <= 0) return {};
  const char* style = "single";
  switch (line.style) {
    case doc::BorderLine::Style::kDouble: style = "double"; break;
    case doc::BorderLine::Style::kDotted: style = "dotted"; break;
    case doc::BorderLine::Style::kDashed: style = "dashed"; break;
    case doc::BorderLine::Style::kSingle: break;
  }
  // No w:space: its default, 0, is the engine's.
  return Empty(side, Attr("val", style) + Attr("sz", std::to_string(line.width)) +
                         Attr("color", line.color ? HexColor(*line.color) : "auto"));
}

std::optional<doc::BorderLine> RowBorder(const doc::RowFormat& row) {
  if (row.cells.empty()) return std::nullopt;
  const doc::BorderLine line = row.cells.front().top;
  if (line.width <= 0) return std::nullopt;
  for (const doc::CellFormat& cell : row.cells) {
    if (!(cell.top == line && cell.left == line && cell.bottom == line && cell.right == line)) {
      return std::nullopt;
    }
  }
  return line;
}

std::string RowBorderMarkup(const doc::BorderLine& line) {
  return "<w:tblPrEx><w:tblBorders>" + BorderMarkup("top", line) + BorderMarkup("left", line) +
         BorderMarkup("bottom", line) + BorderMarkup("right", line) +
         BorderMarkup("insideH", line) + BorderMarkup("insideV", line) +
         "</w:tblBorders></w:tblPrEx>";
}

std::string CellPropertiesMarkup(const doc::CellFormat& cell, int grid_span, bool row_borders) {
  std::string out = "<w:tcPr>";
  out += Empty("tcW", Attr("w", std::to_string(cell.width)) + Attr("type", "dxa"));
  if (grid_span > 1) out += Val("gridSpan", grid_span);
  if (cell.merge_start) out += Val("vMerge", "restart");
  if (cell.merge_continue) out += Empty("vMerge");
  const std::string borders =
      row_borders ? std::string()
                  : BorderMarkup("top", cell.top) + BorderMarkup("left", cell.left) +
                        BorderMarkup("bottom", cell.bottom) + BorderMarkup("right", cell.right);
  if (!borders.empty()) out += "<w:tcBorders>" + borders + "</w:tcBorders>";
  if (cell.shading) {
    out += Empty("shd", Attr("val", "clear") + Attr("color", "auto") +
                            Attr("fill", HexColor(*cell.shading)));
  }
  if (cell.vertical == doc::VerticalAlignment::kCenter) out += Val("vAlign", "center");
  if (cell.vertical == doc::VerticalAlignment::kBottom) out += Val("vAlign", "bottom");
  out += "</w:tcPr>";
  return out;
}

std::string RowPropertiesMarkup(const doc::RowFormat& row, int grid_before, int grid_after) {
  std::string body;
  if (grid_before > 0) body += Val("gridBefore", grid_before);
  if (grid_after > 0) body += Val("gridAfter", grid_after);
  if (row.keep_together) body += Empty("cantSplit");
  if (row.height != 0) {
    body += Empty("trHeight", Attr("val", std::to_string(std::abs(row.height))) +
                                  Attr("hRule", row.height < 0 ? "exact" : "atLeast"));
  }
  if (row.header) body += Empty("tblHeader");
  if (body.empty()) return {};
  return "<w:trPr>" + body + "</w:trPr>";
}

std::string TablePropertiesMarkup(const doc::RowFormat& first_row, int width) {
  std::string out = "<w:tblPr>";
  out += Empty("tblW", Attr("w", std::to_string(width)) + Attr("type", "dxa"));
  if (first_row.alignment == doc::Alignment::kCenter) out += Val("jc", "center");
  if (first_row.alignment == doc::Alignment::kRight) out += Val("jc", "right");
  const int indent = first_row.left + first_row.gap_half;
  if (indent != 0 && !first_row.alignment) {
    out += Empty("tblInd", Attr("w", std::to_string(indent)) + Attr("type", "dxa"));
  }
  // The widths are the engine's: the reader must not fit them again.
  out += Empty("tblLayout", Attr("type", "fixed"));
  const std::string gap = std::to_string(first_row.gap_half);
  out += "<w:tblCellMar>" + Empty("left", Attr("w", gap) + Attr("type", "dxa")) +
         Empty("right", Attr("w", gap) + Attr("type", "dxa")) + "</w:tblCellMar>";
  out += Empty("tblLook", Attr("val", "0000"));
  out += "</w:tblPr>";
  return out;
}

}  // namespace quorlex::automation::wordml
