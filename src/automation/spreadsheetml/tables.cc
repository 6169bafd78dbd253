#include "automation/spreadsheetml/tables.h"

#include "automation/spreadsheetml/formula_text.h"
#include "automation/spreadsheetml/markup_text.h"
#include "automation/spreadsheetml/xml_util.h"
#include "platform/text.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using markup::FindAttribute;
using markup::FindElement;

// Where the table's own start tag is.
std::size_t TableAt(const std::string& xml) { return FindElement(xml, "table", 0); }

std::string AttributeValue(const std::string& xml, std::size_t at, std::string_view name) {
  const auto value = FindAttribute(xml, at, name);
  return value ? xml.substr(value->first, value->second - value->first) : std::string();
}

void SetAttribute(std::string& xml, std::size_t at, std::string_view name,
                  const std::string& text) {
  if (const auto value = FindAttribute(xml, at, name))
    xml.replace(value->first, value->second - value->first, text);
}

}  // namespace

std::optional<std::string> TableAfterRows(const std::string& xml, std::size_t index,
                                          const workbook::RowEdit& edit) {
  if (!edit.IsDeletion() || !edit.Touches(index)) return xml;
  const std::size_t table = TableAt(xml);
  if (table == std::string::npos) return xml;
  const auto areas = ParseAreas(AttributeValue(xml, table, "ref"));
  if (!areas || areas->size() != 1) return xml;
  if (!edit.CellAfter(index, areas->front().first_row)) return std::nullopt;  // its header
  const workbook::AreaSplit split = edit.ApplyToCells(index, *areas, kMaxRows - 1);
  if (split.stay.empty()) return std::nullopt;
  std::string out = xml;
  SetAttribute(out, table, "ref", AreasText(split.stay));
  const std::size_t filter = FindElement(out, "autoFilter", table + 1);
  if (filter != std::string::npos) {
    if (const auto cells = ParseAreas(AttributeValue(out, filter, "ref"));
        cells && !cells->empty()) {
      const auto kept = edit.ApplyToCells(index, *cells, kMaxRows - 1).stay;
      if (!kept.empty()) SetAttribute(out, filter, "ref", AreasText(kept));
    }
  }
  return out;
}

void TableNames::Add(const std::string& xml) {
  const std::size_t table = TableAt(xml);
  if (table == std::string::npos) return;
  if (const auto id = ParseInteger(AttributeValue(xml, table, "id")); id && *id > 0)
    last_id_ = std::max<std::uint32_t>(last_id_, static_cast<std::uint32_t>(*id));
  names_.insert(platform::Upper(AttributeValue(xml, table, "name")));
  names_.insert(platform::Upper(AttributeValue(xml, table, "displayName")));
}

std::string TableNames::Renamed(const std::string& xml) {
  const std::size_t table = TableAt(xml);
  if (table == std::string::npos) return xml;
  std::string out = xml;
  SetAttribute(out, table, "id", std::to_string(++last_id_));
  const std::string name = AttributeValue(out, table, "name");
  const std::string display = AttributeValue(out, table, "displayName");
  const auto fresh = [&](const std::string& base) {
    for (int n = 2;; ++n) {
      std::string candidate = base + "_" + std::to_string(n);
      if (names_.insert(platform::Upper(candidate)).second) return candidate;
    }
  };
  const std::string new_display = display.empty() ? std::string() : fresh(display);
  if (!new_display.empty()) SetAttribute(out, table, "displayName", new_display);
  if (!name.empty()) SetAttribute(out, table, "name", name == display ? new_display : fresh(name));
  return out;
}

}  // namespace quorlex::automation::spreadsheetml
