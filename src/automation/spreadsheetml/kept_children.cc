#include "automation/spreadsheetml/kept_children.h"

#include <algorithm>

#include "automation/spreadsheetml/markup_text.h"
#include "automation/spreadsheetml/xml_util.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using markup::EditElementTexts;
using markup::ElementEnd;
using markup::FindAttribute;
using markup::FindElement;
using markup::TagEnd;

// A list element with `items` in place of its children and its count
// written anew: "<dataValidations count="2">...</dataValidations>".
std::string WithItems(const std::string& list, std::string_view name, const std::string& items,
                      std::size_t count) {
  const std::size_t open_end = TagEnd(list, 0);
  std::string out;
  if (list[open_end - 2] == '/') {
    out = list.substr(0, open_end - 2) + ">" + items + "</" + std::string(name) + ">";
  } else {
    const std::size_t close = list.rfind("</");
    out = list.substr(0, open_end) + items + list.substr(close);
  }
  if (auto c = FindAttribute(out, 0, "count"))
    out.replace(c->first, c->second - c->first, std::to_string(count));
  return out;
}

// The items of a list element, each as written.
std::vector<std::string> Items(const std::string& list, std::string_view item) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while ((at = FindElement(list, item, at)) != std::string::npos) {
    const std::size_t end = ElementEnd(list, at, item);
    out.push_back(list.substr(at, end - at));
    at = end;
  }
  return out;
}

std::string_view ItemOf(std::string_view list) {
  return list == "dataValidations" ? "dataValidation" : "hyperlink";
}

}  // namespace

ChildrenEdit::ChildrenEdit(const workbook::RowEdit& edit, const SheetLookup& lookup,
                           std::function<SheetKey(std::string_view)> named,
                           std::function<std::string(const FormulaText&)> stored)
    : edit_(edit), lookup_(lookup), named_(std::move(named)), stored_(std::move(stored)) {}

std::string ChildrenEdit::EditFormulas(const std::string& xml, std::size_t written_on,
                                       std::size_t now_on, std::int64_t shift) const {
  std::string out = xml;
  for (std::string_view tag : {"formula", "formula1", "formula2"}) {
    out = EditElementTexts(out, tag, [&](std::string_view text) -> std::optional<std::string> {
      FormulaText f = FormulaText::Parse(text, named_);
      if (!f.EditRows(edit_, written_on, now_on, lookup_, shift)) return std::nullopt;
      return stored_(f);
    });
  }
  return out;
}

std::string ChildrenEdit::EditLocations(std::string xml) const {
  return markup::EditAttributes(std::move(xml), "hyperlink", "location",
                                [&](std::string_view place) -> std::optional<std::string> {
                                  FormulaText f = FormulaText::Parse(place, named_);
                                  if (!f.EditRows(edit_, std::nullopt, std::nullopt, lookup_))
                                    return std::nullopt;
                                  return stored_(f);
                                });
}

std::pair<std::optional<std::string>, std::optional<std::string>> ChildrenEdit::EditElement(
    const std::string& xml, std::size_t index, std::string_view attribute, bool formulas) const {
  auto value = FindAttribute(xml, 0, attribute);
  if (!value) return {xml, std::nullopt};
  auto areas = ParseAreas(std::string_view(xml).substr(value->first, value->second - value->first));
  if (!areas || areas->empty()) return {xml, std::nullopt};
  const workbook::AreaSplit split = edit_.ApplyToCells(index, *areas, kMaxRows - 1);
  // Relative rows of a formula count from the first cell it applies to.
  const auto with = [&](const std::vector<workbook::Area>& cells,
                        std::size_t now_on) -> std::optional<std::string> {
    if (cells.empty()) return std::nullopt;
    std::string out = xml;
    out.replace(value->first, value->second - value->first, AreasText(cells));
    const std::int64_t shift = static_cast<std::int64_t>(cells.front().first_row) -
                               static_cast<std::int64_t>(areas->front().first_row);
    return formulas ? EditFormulas(out, index, now_on, shift) : out;
  };
  return {with(split.stay, index), with(split.moved, edit_.TargetSheet())};
}

std::pair<std::string, std::string> ChildrenEdit::EditList(const std::string& xml,
                                                           std::size_t index, std::string_view item,
                                                           std::string_view attribute,
                                                           bool formulas) const {
  std::string stay, moved;
  std::size_t stay_count = 0, moved_count = 0;
  for (const std::string& each : Items(xml, item)) {
    auto [kept, travels] = EditElement(each, index, attribute, formulas);
    if (kept) {
      stay += *kept;
      ++stay_count;
    }
    if (travels) {
      moved += *travels;
      ++moved_count;
    }
  }
  const std::string name = QualifiedNameOf(xml);
  const std::size_t colon = name.find(':');
  const std::string local = colon == std::string::npos ? name : name.substr(colon + 1);
  return {stay_count == 0 ? std::string() : WithItems(xml, local, stay, stay_count),
          moved_count == 0 ? std::string() : WithItems(xml, local, moved, moved_count)};
}

std::vector<KeptElement> ChildrenEdit::Apply(std::size_t index, std::vector<KeptElement> children,
                                             std::vector<KeptElement>& arrivals) const {
  std::vector<KeptElement> kept;
  const bool touched = edit_.Touches(index);
  for (KeptElement& k : children) {
    if (!touched) {
      // Only references naming other sheets can change.
      kept.push_back({k.name, EditLocations(EditFormulas(k.xml, index, index, 0))});
      continue;
    }
    if (k.name == "conditionalFormatting" || k.name == "autoFilter") {
      const bool cf = k.name == "conditionalFormatting";
      auto [stays, travels] = EditElement(k.xml, index, cf ? "sqref" : "ref", cf);
      if (stays) kept.push_back({k.name, std::move(*stays)});
      // A filter stays with its sheet.
      if (travels && cf) arrivals.push_back({k.name, std::move(*travels)});
    } else if (k.name == "dataValidations" || k.name == "hyperlinks") {
      const bool validations = k.name == "dataValidations";
      auto [stays, travels] =
          EditList(k.xml, index, ItemOf(k.name), validations ? "sqref" : "ref", validations);
      if (!stays.empty())
        kept.push_back({k.name, validations ? std::move(stays) : EditLocations(stays)});
      if (!travels.empty())
        arrivals.push_back({k.name, validations ? std::move(travels) : EditLocations(travels)});
    } else if (k.name == "rowBreaks") {
      std::string xml = EditRowBreaks(k.xml, index);
      if (!xml.empty()) kept.push_back({k.name, std::move(xml)});
    } else {
      kept.push_back(std::move(k));
    }
  }
  return kept;
}

// A break above a row follows the row; one above a deleted row, above the
// first row or a second above the same row is no break.
std::string ChildrenEdit::EditRowBreaks(const std::string& xml, std::size_t index) const {
  if (!edit_.IsDeletion()) return xml;
  std::string items;
  std::size_t count = 0;
  std::size_t manual = 0;
  std::optional<std::uint32_t> previous;
  for (std::string each : Items(xml, "brk")) {
    const auto id = FindAttribute(each, 0, "id");
    const auto row =
        id ? ParseInteger(std::string_view(each).substr(id->first, id->second - id->first))
           : std::nullopt;
    if (!row || *row < 0 || *row >= kMaxRows) {
      items += each;
      ++count;
      continue;
    }
    const auto after = edit_.CellAfter(index, static_cast<std::uint32_t>(*row));
    if (!after || after->first == 0 || previous == after->first) continue;
    previous = after->first;
    each.replace(id->first, id->second - id->first, std::to_string(after->first));
    if (each.find(" man=\"1\"") != std::string::npos ||
        each.find(" man=\"true\"") != std::string::npos)
      ++manual;
    items += each;
    ++count;
  }
  if (count == 0) return {};
  std::string out = WithItems(xml, "rowBreaks", items, count);
  if (auto m = FindAttribute(out, 0, "manualBreakCount"))
    out.replace(m->first, m->second - m->first, std::to_string(manual));
  return out;
}

void AddArrivals(std::vector<KeptElement>& children, std::vector<KeptElement> arrivals) {
  for (KeptElement& a : arrivals) {
    if (a.name == "dataValidations" || a.name == "hyperlinks") {
      auto own = std::find_if(children.begin(), children.end(),
                              [&](const KeptElement& k) { return k.name == a.name; });
      if (own != children.end()) {
        const std::string_view item = ItemOf(a.name);
        std::string items;
        std::size_t count = 0;
        for (const std::string* list : {&own->xml, &a.xml}) {
          for (const std::string& each : Items(*list, item)) {
            items += each;
            ++count;
          }
        }
        const std::string name = QualifiedNameOf(own->xml);
        const std::size_t colon = name.find(':');
        own->xml = WithItems(own->xml, colon == std::string::npos ? name : name.substr(colon + 1),
                             items, count);
        continue;
      }
    }
    children.push_back(std::move(a));
  }
}

}  // namespace quorlex::automation::spreadsheetml
