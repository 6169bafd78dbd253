#include "automation/spreadsheetml/kept_references.h"

#include <algorithm>
#include <cctype>

#include "automation/package/part_name.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/xml_util.h"
#include "platform/text.h"

namespace quorlex::automation::spreadsheetml {
namespace {

// A stored cell formula names a sheet as "\x01<number>\x01": the number of
// the sheet in the list the references keep, so that a sheet renamed after
// the edit is still found and written under its new name. XML text cannot
// hold the character, so nothing read can look like it.
constexpr char kKeyMark = '\x01';

// Text of markup with the five entities XML predefines read.
std::string Decoded(std::string_view text) {
  if (text.find('&') == std::string_view::npos) return std::string(text);
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool matched = false;
    for (const auto& [entity, c] : kEntities) {
      if (text.substr(i, entity.size()) == entity) {
        out += c;
        i += entity.size();
        matched = true;
        break;
      }
    }
    if (!matched) out += text[i++];
  }
  return out;
}

std::string Encoded(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// The start tag of the element at `at` ends at the returned position (just
// past its '>').
std::size_t TagEnd(std::string_view xml, std::size_t at) {
  const std::size_t end = xml.find('>', at);
  return end == std::string_view::npos ? xml.size() : end + 1;
}

// Where the next element with local name `name` starts at or after `from`.
std::size_t FindElement(std::string_view xml, std::string_view name, std::size_t from) {
  while (true) {
    const std::size_t at = xml.find(name, from);
    if (at == std::string_view::npos || at == 0) return std::string_view::npos;
    const std::size_t after = at + name.size();
    const bool ends =
        after < xml.size() && (xml[after] == ' ' || xml[after] == '>' || xml[after] == '/' ||
                               xml[after] == '\r' || xml[after] == '\n' || xml[after] == '\t');
    std::size_t start = at;
    if (xml[at - 1] == ':') {
      start = at - 1;
      while (start > 0 && xml[start - 1] != '<' && xml[start - 1] != '/' && xml[start - 1] != ' ')
        --start;
      if (start > 0) --start;
    } else {
      start = at - 1;
    }
    if (ends && xml[start] == '<') return start;
    from = after;
  }
}

// Past the end of the element starting at `at` (its start tag self-closed
// or its end tag).
std::size_t ElementEnd(std::string_view xml, std::size_t at, std::string_view name) {
  const std::size_t tag_end = TagEnd(xml, at);
  if (tag_end >= 2 && xml[tag_end - 2] == '/') return tag_end;
  std::size_t close = xml.find(std::string("</"), tag_end);
  while (close != std::string_view::npos) {
    const std::size_t end = xml.find('>', close);
    if (end == std::string_view::npos) return xml.size();
    std::string_view tag = xml.substr(close + 2, end - close - 2);
    const std::size_t colon = tag.find(':');
    if (colon != std::string_view::npos) tag = tag.substr(colon + 1);
    if (tag == name) return end + 1;
    close = xml.find("</", end);
  }
  return xml.size();
}

// The value of an attribute in the start tag at `at`, with where it lies.
std::optional<std::pair<std::size_t, std::size_t>> FindAttribute(std::string_view xml,
                                                                 std::size_t at,
                                                                 std::string_view name) {
  const std::size_t end = TagEnd(xml, at);
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t found = xml.substr(at, end - at).find(key);
  if (found == std::string_view::npos) return std::nullopt;
  const std::size_t value = at + found + key.size();
  const std::size_t close = xml.find('"', value);
  if (close == std::string_view::npos || close > end) return std::nullopt;
  return std::make_pair(value, close);
}

// The text of each element `name` in `xml` (between its tags), edited by
// `edit`, which returns the new text or nullopt to leave it.
template <typename Edit>
std::string EditElementTexts(const std::string& xml, std::string_view name, Edit&& edit) {
  std::string out;
  std::size_t copied = 0;
  std::size_t at = 0;
  while ((at = FindElement(xml, name, at)) != std::string::npos) {
    const std::size_t open_end = TagEnd(xml, at);
    const std::size_t end = ElementEnd(xml, at, name);
    if (xml[open_end - 2] == '/') {
      at = end;
      continue;
    }
    const std::size_t close = xml.rfind("</", end);
    if (close == std::string::npos || close < open_end) break;
    if (auto text = edit(std::string_view(xml).substr(open_end, close - open_end))) {
      out.append(xml, copied, open_end - copied);
      out += *text;
      copied = close;
    }
    at = end;
  }
  out.append(xml, copied, std::string::npos);
  return out;
}

// The rows of a drawing's anchors after rows [first, first + count) are
// deleted, as the engine moves shapes: one inside the rows goes, one
// reaching into them shrinks to their edge.
std::string DeleteAnchorRows(const std::string& xml, std::uint32_t first, std::uint32_t count) {
  const std::uint64_t end_band = static_cast<std::uint64_t>(first) + count;
  struct Marker {
    std::size_t row_at = 0, row_end = 0, off_at = 0, off_end = 0;
    std::uint32_t row = 0;
    bool found = false;
  };
  const auto marker = [&](std::size_t from, std::size_t to, std::string_view tag) {
    Marker m;
    const std::size_t at = FindElement(xml, tag, from);
    if (at == std::string::npos || at >= to) return m;
    const std::size_t end = ElementEnd(xml, at, tag);
    const std::size_t row = FindElement(xml, "row", at);
    if (row == std::string::npos || row >= end) return m;
    m.row_at = TagEnd(xml, row);
    m.row_end = xml.find('<', m.row_at);
    const auto value = ParseInteger(std::string_view(xml).substr(m.row_at, m.row_end - m.row_at));
    if (!value || *value < 0) return m;
    m.row = static_cast<std::uint32_t>(*value);
    const std::size_t off = FindElement(xml, "rowOff", at);
    if (off != std::string::npos && off < end) {
      m.off_at = TagEnd(xml, off);
      m.off_end = xml.find('<', m.off_at);
    }
    m.found = true;
    return m;
  };
  std::string out;
  std::size_t copied = 0;
  std::size_t at = 0;
  while (true) {
    const std::size_t two = FindElement(xml, "twoCellAnchor", at);
    const std::size_t one = FindElement(xml, "oneCellAnchor", at);
    const std::size_t start = std::min(two, one);
    if (start == std::string::npos) break;
    const std::string_view name = start == two ? "twoCellAnchor" : "oneCellAnchor";
    const std::size_t end = ElementEnd(xml, start, name);
    const Marker from = marker(start, end, "from");
    const Marker to = name == "twoCellAnchor" ? marker(start, end, "to") : from;
    if (!from.found || !to.found) {
      at = end;
      continue;
    }
    const bool top_in = from.row >= first && from.row < end_band;
    const bool bottom_in = to.row >= first && to.row < end_band;
    out.append(xml, copied, start - copied);
    copied = end;
    at = end;
    if (top_in && bottom_in) continue;
    // The anchor with its rows changed, pieces in text order.
    std::string anchor;
    std::size_t piece = start;
    const auto replace = [&](std::size_t from_at, std::size_t to_at, const std::string& text) {
      anchor.append(xml, piece, from_at - piece);
      anchor += text;
      piece = to_at;
    };
    const auto moved = [&](const Marker& m, bool in) {
      const std::uint32_t row =
          m.row >= end_band ? static_cast<std::uint32_t>(m.row - count) : (in ? first : m.row);
      replace(m.row_at, m.row_end, std::to_string(row));
      if (in && m.off_at != 0) replace(m.off_at, m.off_end, "0");
    };
    moved(from, top_in);
    if (name == "twoCellAnchor") moved(to, bottom_in);
    anchor.append(xml, piece, end - piece);
    out += anchor;
  }
  out.append(xml, copied, std::string::npos);
  return out;
}

// The same for the shapes of a VML drawing (form controls and the like),
// whose <x:Anchor> reads "left column, offset, top row, offset, right
// column, offset, bottom row, offset".
std::string DeleteVmlAnchorRows(const std::string& xml, std::uint32_t first, std::uint32_t count) {
  const std::uint64_t end_band = static_cast<std::uint64_t>(first) + count;
  std::string out;
  std::size_t copied = 0;
  std::size_t at = 0;
  while ((at = FindElement(xml, "shape", at)) != std::string::npos) {
    const std::size_t end = ElementEnd(xml, at, "shape");
    const std::size_t anchor = FindElement(xml, "Anchor", at);
    if (anchor == std::string::npos || anchor >= end) {
      at = end;
      continue;
    }
    const std::size_t text_at = TagEnd(xml, anchor);
    const std::size_t text_end = xml.find('<', text_at);
    std::vector<std::string> fields;
    std::string_view text(xml.data() + text_at, text_end - text_at);
    for (std::size_t from = 0;;) {
      const std::size_t comma = text.find(',', from);
      std::string_view field = text.substr(from, comma - from);
      while (!field.empty() && std::isspace(static_cast<unsigned char>(field.front())))
        field.remove_prefix(1);
      while (!field.empty() && std::isspace(static_cast<unsigned char>(field.back())))
        field.remove_suffix(1);
      fields.emplace_back(field);
      if (comma == std::string_view::npos) break;
      from = comma + 1;
    }
    const auto top = fields.size() == 8 ? ParseInteger(fields[2]) : std::nullopt;
    const auto bottom = fields.size() == 8 ? ParseInteger(fields[6]) : std::nullopt;
    if (!top || !bottom || *top < 0 || *bottom < 0) {
      at = end;
      continue;
    }
    const auto in_band = [&](long long row) {
      return row >= first && static_cast<std::uint64_t>(row) < end_band;
    };
    const std::size_t start = at;
    out.append(xml, copied, start - copied);
    copied = end;
    at = end;
    if (in_band(*top) && in_band(*bottom)) continue;
    const auto moved = [&](long long row, std::string& offset) {
      if (static_cast<std::uint64_t>(row) >= end_band) return std::to_string(row - count);
      if (in_band(row)) {
        offset = "0";
        return std::to_string(first);
      }
      return std::to_string(row);
    };
    fields[2] = moved(*top, fields[3]);
    fields[6] = moved(*bottom, fields[7]);
    out.append(xml, start, text_at - start);
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (k > 0) out += ", ";
      out += fields[k];
    }
    out.append(xml, text_end, end - text_end);
  }
  out.append(xml, copied, std::string::npos);
  return out;
}

MarkedText ChartFormulas(const std::string& xml,
                         const std::function<SheetKey(std::string_view)>& named) {
  MarkedText t;
  t.texts.emplace_back();
  std::size_t copied = 0;
  std::size_t at = 0;
  while ((at = FindElement(xml, "f", at)) != std::string::npos) {
    const std::size_t open_end = TagEnd(xml, at);
    const std::size_t end = ElementEnd(xml, at, "f");
    if (xml[open_end - 2] == '/') {
      at = end;
      continue;
    }
    const std::size_t close = xml.rfind("</", end);
    t.texts.back().append(xml, copied, open_end - copied);
    t.formulas.push_back(
        FormulaText::Parse(std::string_view(xml).substr(open_end, close - open_end), named));
    t.texts.emplace_back();
    copied = close;
    at = end;
  }
  t.texts.back().append(xml, copied, std::string::npos);
  return t;
}

}  // namespace

// A kept child of a sheet with its formulas (conditional formats,
// validations) and its links' places written with the sheets keyed.
std::string KeptReferences::KeyedChild(
    const std::string& xml, const std::function<SheetKey(std::string_view)>& named) const {
  if (xml.find('!') == std::string::npos) return xml;
  std::string out = xml;
  for (std::string_view tag : {"formula", "formula1", "formula2"}) {
    out = EditElementTexts(out, tag, [&](std::string_view text) {
      return std::optional<std::string>(Stored(FormulaText::Parse(text, named)));
    });
  }
  // <hyperlink location="Sheet1!A1">: where a link inside the workbook goes.
  std::size_t at = 0;
  while ((at = FindElement(out, "hyperlink", at)) != std::string::npos) {
    if (auto value = FindAttribute(out, at, "location")) {
      const std::string stored = Stored(FormulaText::Parse(
          std::string_view(out).substr(value->first, value->second - value->first), named));
      out.replace(value->first, value->second - value->first, stored);
    }
    at = TagEnd(out, at);
  }
  return out;
}

KeptReferences::KeptReferences(workbook::Workbook& book, std::shared_ptr<const BookSource> source)
    : source_(std::move(source)), book_(&book) {
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    key_numbers_[&book.SheetAt(i)] = keys_.size();
    keys_.push_back(&book.SheetAt(i));
  }
  const auto named = [this](std::string_view name) { return Named(name); };
  const auto decoded_named = [this](std::string_view name) { return Named(Decoded(name)); };
  for (const SourceName& n : source_->names) {
    Name name;
    name.xml_attributes = n.xml_attributes;
    name.formula = FormulaText::Parse(Unescape(n.text), named);
    if (n.local) {
      for (std::size_t i = 0; i < book.SheetCount(); ++i) {
        if (book.SheetAt(i).Markup().get() == n.local_sheet) name.local = &book.SheetAt(i);
      }
      if (name.local == nullptr) continue;
    }
    names_.push_back(std::move(name));
  }
  const package::Package& pkg = source_->package;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    workbook::Sheet& sheet = book.SheetAt(i);
    const auto* markup = dynamic_cast<const SheetSource*>(sheet.Markup().get());
    if (markup == nullptr) continue;
    SheetState& state = sheets_[&sheet];
    for (const std::string& drawing : pkg.Targets(markup->part, relationship::kDrawing)) {
      if (!pkg.Has(drawing)) continue;
      for (const std::string& chart : pkg.Targets(drawing, relationship::kChart)) {
        if (!pkg.Has(chart) || state.charts.count(chart) != 0) continue;
        MarkedText formulas = ChartFormulas(pkg.Read(chart), decoded_named);
        if (!formulas.formulas.empty()) state.charts.emplace(chart, std::move(formulas));
      }
    }
    if (!sheet.IsWorksheet()) continue;
    // Formulas of conditional formats and validations, and the places
    // links go to, naming sheets are stored with the sheets keyed.
    if (std::any_of(markup->children.begin(), markup->children.end(),
                    [](const KeptElement& k) { return k.xml.find('!') != std::string::npos; })) {
      std::vector<KeptElement> keyed = markup->children;
      for (KeptElement& k : keyed)
        k.xml = KeyedChild(k.xml, decoded_named);
      state.children = std::move(keyed);
    }
    // Formulas naming sheets are stored with the sheets keyed.
    workbook::CellStore& cells = sheet.Cells();
    std::vector<std::tuple<std::uint32_t, std::uint16_t, workbook::FormulaBody>> keyed;
    const auto& rows = cells.Rows();
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
      for (const workbook::Cell& cell : rows[r].cells) {
        if (cell.kind != workbook::CellKind::kFormula) continue;
        state.formulas = true;
        workbook::FormulaBody body = workbook::FormulaBody::Decode(cells.Blob(cell));
        for (auto& a : body.attached) {
          if (a.type != kFormulaMarkup) continue;
          std::string f(a.data.begin(), a.data.end());
          if (f.find('!') == std::string::npos) continue;
          const std::string stored = EditElementTexts(f, "f", [&](std::string_view text) {
            return std::optional<std::string>(Stored(FormulaText::Parse(text, decoded_named)));
          });
          a.data.assign(stored.begin(), stored.end());
          keyed.emplace_back(r, cell.col, body);
        }
      }
    }
    for (auto& [r, c, body] : keyed)
      cells.SetFormula(r, c, body);
  }
}

SheetKey KeptReferences::Named(std::string_view name) const {
  if (!name.empty() && name.front() == kKeyMark) {
    const auto number = ParseInteger(name.substr(1, name.size() >= 2 ? name.size() - 2 : 0));
    if (number && *number >= 0 && static_cast<std::size_t>(*number) < keys_.size())
      return keys_[static_cast<std::size_t>(*number)];
    return nullptr;
  }
  const std::size_t index = book_->FindSheet(name);
  return index == static_cast<std::size_t>(-1) ? nullptr : &book_->SheetAt(index);
}

std::optional<std::size_t> KeptReferences::IndexOf(SheetKey sheet) const {
  auto it = indexes_.find(sheet);
  if (it == indexes_.end()) return std::nullopt;
  return it->second;
}

SheetLookup KeptReferences::Lookup(const workbook::Workbook& book) {
  indexes_.clear();
  for (std::size_t i = 0; i < book.SheetCount(); ++i)
    indexes_[&book.SheetAt(i)] = i;
  return SheetLookup{[this](SheetKey s) { return IndexOf(s); },
                     [&book](std::size_t i) -> SheetKey { return &book.SheetAt(i); }};
}

std::string KeptReferences::Stored(const FormulaText& f) const {
  return f.Print([this](SheetKey sheet) {
    auto it = key_numbers_.find(sheet);
    if (it == key_numbers_.end()) return Encoded(FormulaSheetName(sheet->Name()));
    return std::string(1, kKeyMark) + std::to_string(it->second) + kKeyMark;
  });
}

std::string KeptReferences::Qualifier(SheetKey sheet) const {
  return FormulaSheetName(sheet->Name());
}

std::string KeptReferences::WithSheetNames(std::string_view stored) const {
  if (stored.find(kKeyMark) == std::string_view::npos) return std::string(stored);
  std::string out;
  std::size_t i = 0;
  while (i < stored.size()) {
    const std::size_t mark = stored.find(kKeyMark, i);
    if (mark == std::string_view::npos) break;
    const std::size_t close = stored.find(kKeyMark, mark + 1);
    if (close == std::string_view::npos) break;
    out.append(stored.substr(i, mark - i));
    SheetKey sheet = Named(stored.substr(mark, close + 1 - mark));
    out += sheet != nullptr ? Encoded(Qualifier(sheet)) : "#REF";
    i = close + 1;
  }
  out.append(stored.substr(i));
  return out;
}

const std::vector<KeptElement>* KeptReferences::Children(SheetKey sheet) const {
  auto it = sheets_.find(sheet);
  if (it == sheets_.end() || !it->second.children) return nullptr;
  return &*it->second.children;
}

std::optional<std::string> KeptReferences::Part(SheetKey sheet, const std::string& part) const {
  auto it = sheets_.find(sheet);
  if (it == sheets_.end()) return std::nullopt;
  const SheetState& state = it->second;
  if (auto d = state.drawings.find(part); d != state.drawings.end()) return d->second;
  if (auto c = state.charts.find(part); c != state.charts.end()) {
    const MarkedText& t = c->second;
    std::string out = t.texts.front();
    for (std::size_t k = 0; k < t.formulas.size(); ++k) {
      out += t.formulas[k].Print([this](SheetKey s) { return Encoded(Qualifier(s)); });
      out += t.texts[k + 1];
    }
    return out;
  }
  return std::nullopt;
}

void KeptReferences::EditCells(workbook::Workbook& book, std::size_t index,
                               const workbook::RowEdit& edit, const SheetLookup& lookup) {
  workbook::Sheet& sheet = book.SheetAt(index);
  auto state = sheets_.find(&sheet);
  if (state == sheets_.end() || !state->second.formulas || !sheet.IsWorksheet()) return;
  const bool touched = edit.Touches(index);
  const bool arrived = !edit.IsDeletion() && index == edit.TargetSheet();
  const std::uint32_t landed_last = edit.TargetRow() + (edit.Last() - edit.First());
  const auto named = [this](std::string_view name) { return Named(Decoded(name)); };
  workbook::CellStore& cells = sheet.Cells();
  std::vector<std::tuple<std::uint32_t, std::uint16_t, workbook::FormulaBody>> edited;
  const auto& rows = cells.Rows();
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    for (const workbook::Cell& cell : rows[r].cells) {
      if (cell.kind != workbook::CellKind::kFormula) continue;
      const std::string_view blob = cells.Blob(cell);
      if (!touched && blob.find(kKeyMark) == std::string_view::npos) continue;
      workbook::FormulaBody body = workbook::FormulaBody::Decode(blob);
      bool changed = false;
      // Cells the paste brought were written on the cut sheet.
      const std::size_t written_on =
          arrived && r >= edit.TargetRow() && r <= landed_last ? edit.Sheet() : index;
      for (auto& a : body.attached) {
        if (a.type != kFormulaMarkup) continue;
        std::string f(a.data.begin(), a.data.end());
        std::string result = EditElementTexts(f, "f", [&](std::string_view text) {
          FormulaText formula = FormulaText::Parse(text, named);
          if (!formula.EditRows(edit, written_on, index, lookup))
            return std::optional<std::string>();
          return std::optional<std::string>(Stored(formula));
        });
        // The cells a shared or array formula covers.
        if (auto ref = FindAttribute(result, 0, "ref"); ref && touched && edit.IsDeletion()) {
          if (auto areas = ParseAreas(
                  std::string_view(result).substr(ref->first, ref->second - ref->first))) {
            auto split = edit.ApplyToCells(index, *areas, kMaxRows - 1);
            if (!split.stay.empty()) {
              result.replace(ref->first, ref->second - ref->first, AreasText(split.stay));
            }
          }
        }
        if (result != f) {
          a.data.assign(result.begin(), result.end());
          changed = true;
        }
      }
      if (changed) edited.emplace_back(r, cell.col, std::move(body));
    }
  }
  for (auto& [r, c, body] : edited)
    cells.SetFormula(r, c, body);
}

void KeptReferences::EditChildren(SheetState& state, SheetKey sheet, std::size_t index,
                                  const workbook::RowEdit& edit, const SheetLookup& lookup) {
  const bool touched = edit.Touches(index);
  // A sheet the edit does not touch has only references naming other
  // sheets to follow it, and those are keyed.
  if (!touched &&
      (!state.children ||
       std::none_of(state.children->begin(), state.children->end(), [](const KeptElement& k) {
         return k.xml.find(kKeyMark) != std::string::npos;
       })))
    return;
  if (!state.children) {
    const auto* markup = dynamic_cast<const SheetSource*>(sheet->Markup().get());
    if (markup == nullptr) return;
    state.children = markup->children;
  }
  const auto named = [this](std::string_view name) { return Named(Decoded(name)); };
  // Formulas inside an element, relative rows moved by `shift`.
  const auto edit_formulas = [&](const std::string& xml, std::int64_t shift) {
    std::string out = xml;
    for (std::string_view tag : {"formula", "formula1", "formula2"}) {
      out = EditElementTexts(out, tag, [&](std::string_view text) {
        FormulaText f = FormulaText::Parse(text, named);
        if (!f.EditRows(edit, index, index, lookup, shift)) return std::optional<std::string>();
        return std::optional<std::string>(Stored(f));
      });
    }
    return out;
  };
  // Where links inside the workbook go.
  const auto edit_locations = [&](std::string xml) {
    std::size_t at = 0;
    while ((at = FindElement(xml, "hyperlink", at)) != std::string::npos) {
      if (auto value = FindAttribute(xml, at, "location")) {
        FormulaText f = FormulaText::Parse(
            std::string_view(xml).substr(value->first, value->second - value->first), named);
        if (f.EditRows(edit, std::nullopt, std::nullopt, lookup))
          xml.replace(value->first, value->second - value->first, Stored(f));
      }
      at = TagEnd(xml, at);
    }
    return xml;
  };
  // An element applying to cells: nullopt when the edit leaves it none.
  const auto edit_element = [&](std::string xml, std::string_view attribute,
                                bool formulas) -> std::optional<std::string> {
    auto value = FindAttribute(xml, 0, attribute);
    if (!value) return xml;
    auto areas =
        ParseAreas(std::string_view(xml).substr(value->first, value->second - value->first));
    if (!areas || areas->empty()) return xml;
    const workbook::AreaSplit split = edit.ApplyToCells(index, *areas, kMaxRows - 1);
    if (split.stay.empty()) return std::nullopt;
    const std::int64_t shift = static_cast<std::int64_t>(split.stay.front().first_row) -
                               static_cast<std::int64_t>(areas->front().first_row);
    xml.replace(value->first, value->second - value->first, AreasText(split.stay));
    return formulas ? edit_formulas(xml, shift) : xml;
  };
  // A list of elements `item` inside `element`: each edited, the list's
  // count written anew, the list gone when it is empty.
  const auto edit_list = [&](const std::string& xml, std::string_view item,
                             std::string_view attribute, bool formulas) -> std::string {
    std::string out;
    std::size_t copied = 0;
    std::size_t at = 0;
    std::size_t count = 0;
    while ((at = FindElement(xml, item, at)) != std::string::npos) {
      const std::size_t end = ElementEnd(xml, at, item);
      out.append(xml, copied, at - copied);
      if (auto kept = edit_element(xml.substr(at, end - at), attribute, formulas)) {
        out += *kept;
        ++count;
      }
      copied = end;
      at = end;
    }
    out.append(xml, copied, std::string::npos);
    if (count == 0) return {};
    if (auto c = FindAttribute(out, 0, "count"))
      out.replace(c->first, c->second - c->first, std::to_string(count));
    return out;
  };
  std::vector<KeptElement> kept;
  for (KeptElement& k : *state.children) {
    if (!touched) {
      if (k.xml.find(kKeyMark) != std::string::npos)
        k.xml = edit_locations(edit_formulas(k.xml, 0));
      kept.push_back(std::move(k));
    } else if (k.name == "conditionalFormatting") {
      if (auto e = edit_element(k.xml, "sqref", true)) kept.push_back({k.name, std::move(*e)});
    } else if (k.name == "dataValidations") {
      std::string xml = edit_list(k.xml, "dataValidation", "sqref", true);
      if (!xml.empty()) kept.push_back({k.name, std::move(xml)});
    } else if (k.name == "hyperlinks") {
      std::string xml = edit_locations(edit_list(k.xml, "hyperlink", "ref", false));
      if (!xml.empty()) kept.push_back({k.name, std::move(xml)});
    } else if (k.name == "autoFilter") {
      if (auto e = edit_element(k.xml, "ref", false)) kept.push_back({k.name, std::move(*e)});
    } else {
      kept.push_back(std::move(k));
    }
  }
  state.children = std::move(kept);
}

// Only deletions move anchors: cut rows leave theirs empty, and pasted
// rows land where the anchors already are.
void KeptReferences::EditDrawings(SheetState& state, const workbook::Sheet& sheet,
                                  const workbook::RowEdit& edit) {
  if (!edit.IsDeletion()) return;
  const auto* markup = dynamic_cast<const SheetSource*>(sheet.Markup().get());
  if (markup == nullptr) return;
  const package::Package& pkg = source_->package;
  for (const std::string& drawing : pkg.Targets(markup->part, relationship::kDrawing)) {
    if (!pkg.Has(drawing)) continue;
    auto [d, added] = state.drawings.try_emplace(drawing);
    if (added) d->second = pkg.Read(drawing);
    d->second = DeleteAnchorRows(d->second, edit.First(), edit.Last() - edit.First() + 1);
  }
  // A VML drawing of notes is made anew from the notes; one of other
  // shapes is kept, and its anchors follow the rows.
  for (const std::string& vml : pkg.Targets(markup->part, relationship::kVmlDrawing)) {
    if (!pkg.Has(vml) || package::PartKey(vml) == package::PartKey(markup->vml_part)) continue;
    auto [d, added] = state.drawings.try_emplace(vml);
    if (added) d->second = pkg.Read(vml);
    d->second = DeleteVmlAnchorRows(d->second, edit.First(), edit.Last() - edit.First() + 1);
  }
}

void KeptReferences::RowsEdited(workbook::Workbook& book, const workbook::RowEdit& edit) {
  const SheetLookup lookup = Lookup(book);
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    EditCells(book, i, edit, lookup);
    auto it = sheets_.find(&book.SheetAt(i));
    if (it == sheets_.end()) continue;
    SheetState& state = it->second;
    for (auto& [part, chart] : state.charts) {
      for (FormulaText& f : chart.formulas)
        f.EditRows(edit, std::nullopt, std::nullopt, lookup);
    }
    EditChildren(state, &book.SheetAt(i), i, edit, lookup);
    if (edit.Touches(i)) EditDrawings(state, book.SheetAt(i), edit);
  }
  for (Name& n : names_)
    n.formula.EditRows(edit, std::nullopt, std::nullopt, lookup);
}

void KeptReferences::SheetCopied(workbook::Workbook& book, std::size_t source, std::size_t copy,
                                 const std::vector<workbook::RowEdit>& cuts) {
  SheetKey from = &book.SheetAt(source);
  workbook::Sheet& to_sheet = book.SheetAt(copy);
  SheetKey to = &to_sheet;
  key_numbers_[to] = keys_.size();
  keys_.push_back(to);
  SheetState state;
  if (auto it = sheets_.find(from); it != sheets_.end()) state = it->second;
  for (auto& [part, chart] : state.charts) {
    for (FormulaText& f : chart.formulas)
      f.Retarget(from, to);
  }
  // The copy's names: the source's own, and the workbook's that name the
  // source alone (unless the source has its own name of the same text).
  const auto name_text = [](const Name& n) {
    const auto v = FindAttribute(" " + n.xml_attributes + ">", 0, "name");
    const std::string padded = " " + n.xml_attributes + ">";
    return v ? platform::Upper(padded.substr(v->first, v->second - v->first)) : std::string();
  };
  std::vector<Name> added;
  for (const Name& n : names_) {
    bool takes = n.local == from;
    if (n.local == nullptr && n.formula.NamesOnly(from)) {
      takes = std::none_of(names_.begin(), names_.end(), [&](const Name& other) {
        return other.local == from && name_text(other) == name_text(n);
      });
    }
    if (!takes) continue;
    Name taken = n;
    taken.local = to;
    taken.formula.Retarget(from, to);
    added.push_back(std::move(taken));
  }
  const std::size_t first_added = names_.size();
  for (Name& n : added)
    names_.push_back(std::move(n));
  sheets_[to] = std::move(state);

  const SheetLookup lookup = Lookup(book);
  // Formulas of the copy that named the source name the copy.
  if (sheets_[to].formulas && to_sheet.IsWorksheet()) {
    const auto named = [this](std::string_view name) { return Named(Decoded(name)); };
    workbook::CellStore& cells = to_sheet.Cells();
    std::vector<std::tuple<std::uint32_t, std::uint16_t, workbook::FormulaBody>> edited;
    const auto& rows = cells.Rows();
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
      for (const workbook::Cell& cell : rows[r].cells) {
        if (cell.kind != workbook::CellKind::kFormula) continue;
        const std::string_view blob = cells.Blob(cell);
        if (blob.find(kKeyMark) == std::string_view::npos) continue;
        workbook::FormulaBody body = workbook::FormulaBody::Decode(blob);
        for (auto& a : body.attached) {
          if (a.type != kFormulaMarkup) continue;
          std::string f(a.data.begin(), a.data.end());
          const std::string result = EditElementTexts(f, "f", [&](std::string_view text) {
            FormulaText formula = FormulaText::Parse(text, named);
            if (!formula.Retarget(from, to)) return std::optional<std::string>();
            return std::optional<std::string>(Stored(formula));
          });
          a.data.assign(result.begin(), result.end());
        }
        edited.emplace_back(r, cell.col, std::move(body));
      }
    }
    for (auto& [r, c, body] : edited)
      cells.SetFormula(r, c, body);
  }
  for (const workbook::RowEdit& cut : cuts) {
    EditCells(book, copy, cut, lookup);
    SheetState& s = sheets_[to];
    for (auto& [part, chart] : s.charts) {
      for (FormulaText& f : chart.formulas)
        f.EditRows(cut, std::nullopt, std::nullopt, lookup);
    }
    EditChildren(s, to, copy, cut, lookup);
    EditDrawings(s, to_sheet, cut);
    for (std::size_t k = first_added; k < names_.size(); ++k)
      names_[k].formula.EditRows(cut, std::nullopt, std::nullopt, lookup);
  }
}

}  // namespace quorlex::automation::spreadsheetml
