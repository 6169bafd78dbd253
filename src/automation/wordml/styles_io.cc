#include "automation/wordml/styles_io.h"

#include "automation/wordml/names.h"
#include "automation/wordml/xml_io.h"
#include "platform/text.h"

namespace quorlex::automation::wordml {
namespace {

namespace doc = document;

constexpr std::uint16_t kStiNormal = 0;
constexpr std::uint16_t kStiUser = 0x0FFE;

std::uint16_t BuiltinIdentity(const std::string& name) {
  const std::string lower = platform::LowerAscii(name);
  if (lower == "normal") return kStiNormal;
  constexpr std::string_view kHeading = "heading ";
  if (lower.size() == kHeading.size() + 1 && lower.starts_with(kHeading)) {
    const char level = lower.back();
    if (level >= '1' && level <= '9') return static_cast<std::uint16_t>(level - '0');
  }
  return kStiUser;
}

doc::StyleSheet::Kind KindOf(const std::string& type) {
  if (type == "character") return doc::StyleSheet::Kind::kCharacter;
  if (type == "table") return doc::StyleSheet::Kind::kTable;
  if (type == "numbering") return doc::StyleSheet::Kind::kNumbering;
  return doc::StyleSheet::Kind::kParagraph;
}

}  // namespace

void ReadStyles(std::string_view part, doc::StyleSheet& sheet, StyleIds& ids) {
  XmlReader reader(part, "styles");
  // istd 0 is Normal wherever the part has it, as paragraphs without a
  // style use it; the other styles follow in the part's order.
  ids.ids.assign(1, std::string());
  sheet.styles.push_back(
      doc::StyleSheet::Style{0, kStiNormal, doc::StyleSheet::Kind::kParagraph, "Normal"});
  while (reader.Read()) {
    if (!reader.IsStart() || !reader.Is(ns::kMain, "style")) continue;
    const std::string id = reader.Attribute(ns::kMain, "styleId");
    const std::string type = reader.Attribute(ns::kMain, "type");
    std::string name = id;
    if (!reader.IsEmptyElement()) {
      const int depth = reader.Depth();
      while (reader.Read() && !(reader.IsEnd() && reader.Depth() == depth)) {
        if (reader.IsStart() && reader.Depth() == depth + 1 && reader.Is(ns::kMain, "name")) {
          name = reader.Attribute(ns::kMain, "val");
        }
      }
    }
    const std::uint16_t sti = BuiltinIdentity(name);
    const doc::StyleSheet::Kind kind = KindOf(type);
    if (sti == kStiNormal && kind == doc::StyleSheet::Kind::kParagraph && ids.ids[0].empty()) {
      ids.ids[0] = id;
      ids.index.emplace(id, 0);
      sheet.styles[0].name = name;
      continue;
    }
    if (ids.ids.size() >= 0xFFF0 || ids.index.contains(id)) continue;
    const auto istd = static_cast<std::uint16_t>(ids.ids.size());
    ids.ids.push_back(id);
    ids.index.emplace(id, istd);
    sheet.styles.push_back(doc::StyleSheet::Style{istd, sti, kind, name});
  }
}

void ReadFonts(std::string_view part, doc::FontTable& fonts) {
  XmlReader reader(part, "fontTable");
  while (reader.Read()) {
    if (reader.IsStart() && reader.Is(ns::kMain, "font")) {
      const std::string name = reader.Attribute(ns::kMain, "name");
      if (!name.empty() && !fonts.Find(name)) {
        fonts.Add(doc::FontTable::Font{name, doc::FontTable::MakeRecord(name)});
      }
    }
  }
}

std::string AddFonts(std::string_view part, const doc::FontTable& fonts, std::size_t first_new) {
  const std::size_t close = part.rfind("</");
  if (close == std::string_view::npos || first_new >= fonts.fonts().size()) {
    return std::string(part);
  }
  const std::string added = Fragment([&](XmlWriter& w) {
    for (std::size_t i = first_new; i < fonts.fonts().size(); ++i) {
      const doc::FontTable::Font& font = fonts.fonts()[i];
      // The record's first byte holds the pitch (low bits) and the family.
      const auto bits = font.record.empty() ? 0 : static_cast<unsigned char>(font.record[0]);
      const unsigned family = (bits >> 4) & 7;
      w.Start("w:font");
      w.Attribute("w:name", font.name);
      w.Start("w:charset");
      w.Attribute("w:val", "CC");
      w.End();
      w.Start("w:family");
      w.Attribute("w:val", family == 1 ? "roman" : family == 3 ? "modern" : "swiss");
      w.End();
      w.Start("w:pitch");
      w.Attribute("w:val", (bits & 3) == 1 ? "fixed" : "variable");
      w.End();
      w.End();
    }
  });
  std::string out(part.substr(0, close));
  out += added;
  out += part.substr(close);
  return out;
}

}  // namespace quorlex::automation::wordml
