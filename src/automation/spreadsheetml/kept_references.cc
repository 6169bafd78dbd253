#include "automation/spreadsheetml/kept_references.h"

#include <algorithm>
#include <cctype>

#include "automation/package/part_name.h"
#include "automation/spreadsheetml/anchors.h"
#include "automation/spreadsheetml/kept_children.h"
#include "automation/spreadsheetml/markup_text.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/xml_util.h"
#include "platform/text.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using markup::Decoded;
using markup::EditElementTexts;
using markup::ElementEnd;
using markup::Encoded;
using markup::FindAttribute;
using markup::FindElement;
using markup::TagEnd;

// A stored cell formula names a sheet as "\x01<number>\x01": the number of
// the sheet in the list the references keep, so that a sheet renamed after
// the edit is still found and written under its new name. XML text cannot
// hold the character, so nothing read can look like it.
constexpr char kKeyMark = '\x01';

// Each formula cell's <f> markup on `sheet` given to `edit` with its row;
// what it returns is stored in its place. With `keyed_only`, only
// formulas that name sheets are given. Returns whether the sheet has
// formula cells.
bool EditFormulaMarkup(
    workbook::Sheet& sheet, bool keyed_only,
    const std::function<std::optional<std::string>(const std::string&, std::uint32_t)>& edit) {
  workbook::CellStore& cells = sheet.Cells();
  std::vector<std::tuple<std::uint32_t, std::uint16_t, workbook::FormulaBody>> edited;
  bool any = false;
  const auto& rows = cells.Rows();
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    for (const workbook::Cell& cell : rows[r].cells) {
      if (cell.kind != workbook::CellKind::kFormula) continue;
      any = true;
      const std::string_view blob = cells.Blob(cell);
      if (keyed_only && blob.find(kKeyMark) == std::string_view::npos) continue;
      workbook::FormulaBody body = workbook::FormulaBody::Decode(blob);
      bool changed = false;
      for (auto& a : body.attached) {
        if (a.type != kFormulaMarkup) continue;
        if (auto result = edit(std::string(a.data.begin(), a.data.end()), r)) {
          a.data.assign(result->begin(), result->end());
          changed = true;
        }
      }
      if (changed) edited.emplace_back(r, cell.col, std::move(body));
    }
  }
  // Stored once the walk is done: storing adds to the text the blobs
  // being read live in.
  for (auto& [r, c, body] : edited)
    cells.SetFormula(r, c, body);
  return any;
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
  return markup::EditAttributes(out, "hyperlink", "location", [&](std::string_view place) {
    return std::optional<std::string>(Stored(FormulaText::Parse(place, named)));
  });
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
    for (const KeptElement& k : markup->children) {
      if (k.name != "sheetPr") continue;
      if (const auto code = FindAttribute(k.xml, 0, "codeName"))
        code_names_.insert(platform::Upper(k.xml.substr(code->first, code->second - code->first)));
    }
    for (const std::string& table : pkg.Targets(markup->part, relationship::kTable)) {
      if (pkg.Has(table)) table_names_.Add(pkg.Read(table));
    }
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
    state.formulas = EditFormulaMarkup(
        sheet, false, [&](const std::string& f, std::uint32_t) -> std::optional<std::string> {
          if (f.find('!') == std::string::npos) return std::nullopt;
          return EditElementTexts(f, "f", [&](std::string_view text) {
            return std::optional<std::string>(Stored(FormulaText::Parse(text, decoded_named)));
          });
        });
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

const std::vector<package::Relationship>& KeptReferences::Links(SheetKey sheet) const {
  static const std::vector<package::Relationship> kNone;
  auto it = sheets_.find(sheet);
  return it == sheets_.end() ? kNone : it->second.links;
}

const std::vector<KeptElement>* KeptReferences::Children(SheetKey sheet) const {
  auto it = sheets_.find(sheet);
  if (it == sheets_.end() || !it->second.children) return nullptr;
  return &*it->second.children;
}

bool KeptReferences::Dropped(SheetKey sheet, const std::string& part) const {
  auto it = sheets_.find(sheet);
  return it != sheets_.end() && it->second.dropped.count(part) != 0;
}

std::optional<std::string> KeptReferences::Part(SheetKey sheet, const std::string& part) const {
  auto it = sheets_.find(sheet);
  if (it == sheets_.end()) return std::nullopt;
  const SheetState& state = it->second;
  if (auto d = state.parts.find(part); d != state.parts.end()) return d->second;
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
  EditFormulaMarkup(
      sheet, !touched, [&](const std::string& f, std::uint32_t r) -> std::optional<std::string> {
        // Cells the paste brought were written on the cut sheet.
        const std::size_t written_on =
            arrived && r >= edit.TargetRow() && r <= landed_last ? edit.Sheet() : index;
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
            if (!split.stay.empty())
              result.replace(ref->first, ref->second - ref->first, AreasText(split.stay));
          }
        }
        if (result == f) return std::nullopt;
        return result;
      });
}

void KeptReferences::EditChildren(SheetState& state, SheetKey sheet, std::size_t index,
                                  const workbook::RowEdit& edit, const SheetLookup& lookup,
                                  std::vector<KeptElement>& arrivals) {
  // A sheet the edit does not touch has only references naming other
  // sheets to follow it, and those are keyed.
  if (!edit.Touches(index) &&
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
  const ChildrenEdit children(
      edit, lookup, [this](std::string_view name) { return Named(Decoded(name)); },
      [this](const FormulaText& f) { return Stored(f); });
  const std::size_t before = arrivals.size();
  state.children = children.Apply(index, std::move(*state.children), arrivals);
  // A link that travels takes its relationship (the address it goes to)
  // along, under an id of the sheet it lands on.
  const auto* markup = dynamic_cast<const SheetSource*>(sheet->Markup().get());
  const package::Relationships* rels =
      markup == nullptr ? nullptr : source_->package.FindRelationships(markup->part);
  for (std::size_t k = before; k < arrivals.size(); ++k) {
    if (arrivals[k].name != "hyperlinks") continue;
    std::string& xml = arrivals[k].xml;
    for (std::size_t at = 0; (at = FindElement(xml, "hyperlink", at)) != std::string::npos;
         at = TagEnd(xml, at)) {
      auto id = FindAttribute(xml, at, "r:id");
      if (!id) continue;
      const package::Relationship* r =
          rels == nullptr ? nullptr : rels->ById(xml.substr(id->first, id->second - id->first));
      if (r == nullptr) continue;
      package::Relationship moved = *r;
      if (!moved.external) moved.target = package::ResolveTarget(markup->part, r->target);
      moved.id = "rIdMoved" + std::to_string(++moved_links_);
      xml.replace(id->first, id->second - id->first, moved.id);
      arriving_links_.push_back(std::move(moved));
    }
  }
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
    auto [d, added] = state.parts.try_emplace(drawing);
    if (added) d->second = pkg.Read(drawing);
    d->second = DeleteAnchorRows(d->second, edit.First(), edit.Last() - edit.First() + 1);
  }
  // A VML drawing of notes is made anew from the notes; one of other
  // shapes is kept, and its anchors follow the rows.
  for (const std::string& vml : pkg.Targets(markup->part, relationship::kVmlDrawing)) {
    if (!pkg.Has(vml) || package::PartKey(vml) == package::PartKey(markup->vml_part)) continue;
    auto [d, added] = state.parts.try_emplace(vml);
    if (added) d->second = pkg.Read(vml);
    d->second = DeleteVmlAnchorRows(d->second, edit.First(), edit.Last() - edit.First() + 1);
  }
}

void KeptReferences::EditTables(SheetState& state, const workbook::Sheet& sheet, std::size_t index,
                                const workbook::RowEdit& edit) {
  if (!edit.IsDeletion() || !edit.Touches(index)) return;
  const auto* markup = dynamic_cast<const SheetSource*>(sheet.Markup().get());
  if (markup == nullptr) return;
  const package::Package& pkg = source_->package;
  const package::Relationships* rels = pkg.FindRelationships(markup->part);
  for (const std::string& table : pkg.Targets(markup->part, relationship::kTable)) {
    if (!pkg.Has(table) || state.dropped.count(table) != 0) continue;
    auto [t, added] = state.parts.try_emplace(table);
    if (added) t->second = pkg.Read(table);
    if (auto kept = TableAfterRows(t->second, index, edit)) {
      t->second = std::move(*kept);
      continue;
    }
    // The table went with its rows: so does its place in the sheet.
    state.parts.erase(t);
    state.dropped.insert(table);
    if (!state.children) state.children = markup->children;
    std::string id;
    for (const package::Relationship& r :
         rels == nullptr ? std::vector<package::Relationship>() : rels->All()) {
      if (!r.external && package::ResolveTarget(markup->part, r.target) == table) id = r.id;
    }
    for (KeptElement& k : *state.children) {
      if (k.name != "tableParts") continue;
      std::string items;
      std::size_t count = 0;
      for (std::size_t at = 0; (at = FindElement(k.xml, "tablePart", at)) != std::string::npos;) {
        const std::size_t end = ElementEnd(k.xml, at, "tablePart");
        const auto rid = FindAttribute(k.xml, at, "r:id");
        if (!rid || k.xml.compare(rid->first, rid->second - rid->first, id) != 0) {
          items.append(k.xml, at, end - at);
          ++count;
        }
        at = end;
      }
      k.xml = count == 0 ? std::string()
                         : "<tableParts count=\"" + std::to_string(count) + "\">" + items +
                               "</tableParts>";
    }
    std::erase_if(*state.children,
                  [](const KeptElement& k) { return k.name == "tableParts" && k.xml.empty(); });
  }
}

void KeptReferences::RowsEdited(workbook::Workbook& book, const workbook::RowEdit& edit) {
  const SheetLookup lookup = Lookup(book);
  std::vector<KeptElement> arrivals;
  arriving_links_.clear();
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    EditCells(book, i, edit, lookup);
    auto it = sheets_.find(&book.SheetAt(i));
    if (it == sheets_.end()) continue;
    SheetState& state = it->second;
    for (auto& [part, chart] : state.charts) {
      for (FormulaText& f : chart.formulas)
        f.EditRows(edit, std::nullopt, std::nullopt, lookup);
    }
    EditChildren(state, &book.SheetAt(i), i, edit, lookup, arrivals);
    if (edit.Touches(i)) {
      EditDrawings(state, book.SheetAt(i), edit);
      EditTables(state, book.SheetAt(i), i, edit);
    }
  }
  // What travelled with cut cells joins the target sheet's own, after
  // that sheet's own references took the edit.
  if (!arrivals.empty() || !arriving_links_.empty()) {
    const workbook::Sheet& target = book.SheetAt(edit.TargetSheet());
    SheetState& state = sheets_[&target];
    if (!state.children) {
      const auto* markup = dynamic_cast<const SheetSource*>(target.Markup().get());
      state.children = markup != nullptr ? markup->children : std::vector<KeptElement>();
    }
    AddArrivals(*state.children, std::move(arrivals));
    for (package::Relationship& r : arriving_links_)
      state.links.push_back(std::move(r));
    arriving_links_.clear();
  }
  for (Name& n : names_)
    n.formula.EditRows(edit, std::nullopt, std::nullopt, lookup);
}

// The copy's names: the source's own, and the workbook's that name the
// source alone (unless the source has its own name of the same text), as
// Excel gives them to a copy. Returns where they start in the list.
std::size_t KeptReferences::CopyNames(SheetKey from, SheetKey to) {
  const auto name_text = [](const Name& n) {
    const std::string padded = " " + n.xml_attributes + ">";
    const auto v = FindAttribute(padded, 0, "name");
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
  return first_added;
}

// A copy's code name is its source's with a number, unique in the
// workbook, as Excel gives it (a workbook package holds no macros that
// could name the sheet by the old one).
void KeptReferences::GiveCodeName(SheetState& state, const workbook::Sheet& sheet) {
  const auto* markup = dynamic_cast<const SheetSource*>(sheet.Markup().get());
  const std::vector<KeptElement>& children =
      state.children ? *state.children
                     : (markup != nullptr ? markup->children : std::vector<KeptElement>());
  const auto pr = std::find_if(children.begin(), children.end(),
                               [](const KeptElement& k) { return k.name == "sheetPr"; });
  if (pr == children.end()) return;
  const auto code = FindAttribute(pr->xml, 0, "codeName");
  if (!code) return;
  const std::string base = pr->xml.substr(code->first, code->second - code->first);
  std::string unique;
  for (int n = 1;; ++n) {
    const std::string number = std::to_string(n);
    std::string stem = base;
    while (!stem.empty() && platform::Length(stem) + number.size() > 31)
      stem = platform::Left(stem, platform::Length(stem) - 1);
    unique = stem + number;
    if (code_names_.insert(platform::Upper(unique)).second) break;
  }
  if (!state.children) state.children = children;
  for (KeptElement& k : *state.children) {
    if (k.name == "sheetPr") k.xml.replace(code->first, code->second - code->first, unique);
  }
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
  // The copy's tables: an id and a name of their own.
  if (const auto* markup = dynamic_cast<const SheetSource*>(to_sheet.Markup().get())) {
    const package::Package& pkg = source_->package;
    for (const std::string& table : pkg.Targets(markup->part, relationship::kTable)) {
      if (!pkg.Has(table) || state.dropped.count(table) != 0) continue;
      auto [t, added] = state.parts.try_emplace(table);
      if (added) t->second = pkg.Read(table);
      t->second = table_names_.Renamed(t->second);
    }
  }
  GiveCodeName(state, to_sheet);
  const std::size_t first_added = CopyNames(from, to);
  sheets_[to] = std::move(state);

  const SheetLookup lookup = Lookup(book);
  // Formulas of the copy that named the source name the copy.
  if (sheets_[to].formulas && to_sheet.IsWorksheet()) {
    const auto named = [this](std::string_view name) { return Named(Decoded(name)); };
    EditFormulaMarkup(to_sheet, true, [&](const std::string& f, std::uint32_t) {
      return std::optional<std::string>(EditElementTexts(f, "f", [&](std::string_view text) {
        FormulaText formula = FormulaText::Parse(text, named);
        if (!formula.Retarget(from, to)) return std::optional<std::string>();
        return std::optional<std::string>(Stored(formula));
      }));
    });
  }
  for (const workbook::RowEdit& cut : cuts) {
    EditCells(book, copy, cut, lookup);
    SheetState& s = sheets_[to];
    for (auto& [part, chart] : s.charts) {
      for (FormulaText& f : chart.formulas)
        f.EditRows(cut, std::nullopt, std::nullopt, lookup);
    }
    std::vector<KeptElement> none;  // a deletion takes nothing elsewhere
    EditChildren(s, to, copy, cut, lookup, none);
    EditDrawings(s, to_sheet, cut);
    EditTables(s, to_sheet, copy, cut);
    for (std::size_t k = first_added; k < names_.size(); ++k)
      names_[k].formula.EditRows(cut, std::nullopt, std::nullopt, lookup);
  }
}

}  // namespace quorlex::automation::spreadsheetml
