#include "automation/spreadsheetml/writer.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <regex>
#include <unordered_map>
#include <unordered_set>

#include "automation/package/part_name.h"
#include "automation/spreadsheetml/app_properties.h"
#include "automation/spreadsheetml/kept_references.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/source.h"
#include "automation/spreadsheetml/styles_io.h"
#include "automation/spreadsheetml/xml_util.h"
#include "automation/workbook/format_limits.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::automation::spreadsheetml {
namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
// Deflate's fastest level: a report's markup repeats itself, so it still
// packs to a small fraction of its size, in a fraction of the time.
constexpr int kCompressionLevel = 1;
// A streamed part is handed over in pieces of about this size.
constexpr std::size_t kPieceBytes = 1 << 16;

const char* ErrorText(std::uint8_t code) {
  switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    default: return "#N/A";
  }
}

bool NeedsPreserve(std::string_view text) {
  if (text.empty()) return false;
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return space(text.front()) || space(text.back()) || text.find("  ") != std::string_view::npos ||
         text.find('\n') != std::string_view::npos;
}

// The shared strings of the workbook, gathered before the sheets are
// written; every text cell's index is kept in cell order, so that the
// sheets are written without looking strings up again.
struct SharedStrings {
  struct Entry {
    std::string_view text;
    std::string_view runs;
  };
  std::vector<Entry> entries;
  std::vector<std::vector<std::uint32_t>> cell_indexes;  // by sheet, in cell order
  std::uint64_t references = 0;
};

SharedStrings GatherStrings(const workbook::Workbook& book) {
  SharedStrings s;
  s.cell_indexes.resize(book.SheetCount());
  std::unordered_map<std::string_view, std::uint32_t> plain;
  std::unordered_map<std::string, std::uint32_t> rich;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const workbook::Sheet& sheet = book.SheetAt(i);
    if (!sheet.IsWorksheet()) continue;
    const workbook::CellStore& cells = sheet.Cells();
    auto& indexes = s.cell_indexes[i];
    for (const workbook::Row& row : cells.Rows()) {
      for (const workbook::Cell& cell : row.cells) {
        if (!workbook::IsText(cell.kind)) continue;
        const std::string_view text = cells.Text(cell);
        const std::string_view runs =
            cell.kind == workbook::CellKind::kRichText ? cells.Runs(cell) : std::string_view();
        std::uint32_t index = 0;
        if (runs.empty()) {
          auto [it, added] = plain.try_emplace(text, static_cast<std::uint32_t>(s.entries.size()));
          if (added) s.entries.push_back({text, {}});
          index = it->second;
        } else {
          std::string key(text);
          key += '\0';
          key.append(runs);
          auto [it, added] =
              rich.try_emplace(std::move(key), static_cast<std::uint32_t>(s.entries.size()));
          if (added) s.entries.push_back({text, runs});
          index = it->second;
        }
        indexes.push_back(index);
        ++s.references;
      }
    }
  }
  return s;
}

// UTF-8 offset of UTF-16 position `units` in `text`.
std::size_t Utf8Offset(std::string_view text, std::size_t units) {
  std::size_t i = 0, n = 0;
  while (i < text.size() && n < units) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    n += len == 4 ? 2 : 1;
    i += len;
  }
  return std::min(i, text.size());
}

void AppendTextElement(std::string& out, std::string_view text) {
  out += NeedsPreserve(text) ? "<t xml:space=\"preserve\">" : "<t>";
  AppendEscaped(out, text);
  out += "</t>";
}

void AppendRich(std::string& out, std::string_view text, std::string_view runs,
                const workbook::Styles& styles) {
  const std::size_t first_unit =
      runs.size() >= 4 ? static_cast<std::size_t>(static_cast<unsigned char>(runs[0])) |
                             (static_cast<std::size_t>(static_cast<unsigned char>(runs[1])) << 8)
                       : 0;
  const std::size_t first = runs.size() >= 4 ? Utf8Offset(text, first_unit) : text.size();
  if (first > 0) {
    out += "<r>";
    AppendTextElement(out, text.substr(0, first));
    out += "</r>";
  }
  for (std::size_t k = 0; k + 4 <= runs.size(); k += 4) {
    const auto u16 = [&](std::size_t at) {
      return static_cast<std::uint16_t>(static_cast<unsigned char>(runs[at]) |
                                        (static_cast<unsigned char>(runs[at + 1]) << 8));
    };
    const std::size_t from = Utf8Offset(text, u16(k));
    const std::size_t to = k + 8 <= runs.size() ? Utf8Offset(text, u16(k + 4)) : text.size();
    if (to <= from) continue;
    out += "<r><rPr>";
    const std::uint16_t font = u16(k + 2);
    const std::size_t index = font < 4 ? font : font - 1u;
    AppendRunProperties(
        out, index < styles.Fonts().size() ? styles.Fonts()[index] : styles.Fonts().front(),
        styles);
    out += "</rPr>";
    AppendTextElement(out, text.substr(from, to - from));
    out += "</r>";
  }
}

class StringsProducer : public package::PartProducer {
 public:
  StringsProducer(std::shared_ptr<const SharedStrings> strings, const workbook::Styles& styles)
      : strings_(std::move(strings)), styles_(styles) {}
  void Start() override {
    next_ = 0;
    started_ = false;
  }
  bool Next(std::string& out) override {
    if (!started_) {
      started_ = true;
      out += kDeclaration;
      out += "<sst xmlns=\"" + std::string(ns::kMain) + "\" count=\"" +
             std::to_string(strings_->references) + "\" uniqueCount=\"" +
             std::to_string(strings_->entries.size()) + "\">";
      return true;
    }
    if (next_ > strings_->entries.size()) return false;
    const std::size_t start = out.size();
    while (next_ < strings_->entries.size() && out.size() - start < kPieceBytes) {
      const auto& e = strings_->entries[next_++];
      out += "<si>";
      if (e.runs.empty())
        AppendTextElement(out, e.text);
      else
        AppendRich(out, e.text, e.runs, styles_);
      out += "</si>";
    }
    if (next_ == strings_->entries.size()) {
      out += "</sst>";
      ++next_;
    }
    return true;
  }

 private:
  std::shared_ptr<const SharedStrings> strings_;
  const workbook::Styles& styles_;
  std::size_t next_ = 0;
  bool started_ = false;
};

// The order of a worksheet's children.
constexpr std::string_view kSheetOrder[] = {"sheetPr",
                                            "dimension",
                                            "sheetViews",
                                            "sheetFormatPr",
                                            "cols",
                                            "sheetData",
                                            "sheetCalcPr",
                                            "sheetProtection",
                                            "protectedRanges",
                                            "scenarios",
                                            "autoFilter",
                                            "sortState",
                                            "dataConsolidate",
                                            "customSheetViews",
                                            "mergeCells",
                                            "phoneticPr",
                                            "conditionalFormatting",
                                            "dataValidations",
                                            "hyperlinks",
                                            "printOptions",
                                            "pageMargins",
                                            "pageSetup",
                                            "headerFooter",
                                            "rowBreaks",
                                            "colBreaks",
                                            "customProperties",
                                            "cellWatches",
                                            "ignoredErrors",
                                            "smartTags",
                                            "drawing",
                                            "legacyDrawing",
                                            "legacyDrawingHF",
                                            "drawingHF",
                                            "picture",
                                            "oleObjects",
                                            "controls",
                                            "webPublishItems",
                                            "tableParts",
                                            "extLst"};

std::string WithTabSelected(std::string xml, bool selected) {
  for (std::size_t at; (at = xml.find(" tabSelected=\"1\"")) != std::string::npos;)
    xml.erase(at, 16);
  for (std::size_t at; (at = xml.find(" tabSelected=\"true\"")) != std::string::npos;)
    xml.erase(at, 19);
  if (!selected) return xml;
  std::size_t at = 0;
  while ((at = xml.find("sheetView", at)) != std::string::npos) {
    const std::size_t end = at + 9;
    if (end < xml.size() && (xml[end] == ' ' || xml[end] == '>' || xml[end] == '/') && at > 0 &&
        (xml[at - 1] == '<' || xml[at - 1] == ':')) {
      xml.insert(end, " tabSelected=\"1\"");
      break;
    }
    at = end;
  }
  return xml;
}

struct SheetPlan {
  std::string part;
  const std::vector<KeptElement>* children = nullptr;  // kept, as edited
  std::string legacy_drawing_id;                       // when notes are written
  bool selected = false;
};

class SheetProducer : public package::PartProducer {
 public:
  SheetProducer(const workbook::Workbook& book, std::size_t index, SheetPlan plan,
                std::shared_ptr<const SharedStrings> strings, const KeptReferences& references)
      : book_(book),
        references_(references),
        sheet_(book.SheetAt(index)),
        index_(index),
        plan_(std::move(plan)),
        strings_(std::move(strings)) {
    source_ = dynamic_cast<const SheetSource*>(sheet_.Markup().get());
    if (plan_.children == nullptr && source_ != nullptr) plan_.children = &source_->children;
  }

  void Start() override {
    stage_ = 0;
    row_ = 0;
    text_ = 0;
  }

  bool Next(std::string& out) override {
    switch (stage_) {
      case 0:
        Head(out);
        stage_ = 1;
        return true;
      case 1: {
        const auto& rows = sheet_.Cells().Rows();
        const std::size_t start = out.size();
        while (row_ < rows.size() && out.size() - start < kPieceBytes) {
          Row(out, static_cast<std::uint32_t>(row_), rows[row_]);
          ++row_;
        }
        if (row_ >= rows.size()) stage_ = 2;
        return true;
      }
      case 2:
        Tail(out);
        stage_ = 3;
        return true;
      default: return false;
    }
  }

 private:
  void Kept(std::string& out, std::string_view name) const {
    if (plan_.children == nullptr) return;
    for (const KeptElement& k : *plan_.children) {
      if (k.name != name) continue;
      if (name == "sheetViews")
        out += WithTabSelected(k.xml, plan_.selected);
      else
        out += references_.WithSheetNames(k.xml);
    }
  }

  bool HasKept(std::string_view name) const {
    if (plan_.children == nullptr) return false;
    return std::any_of(plan_.children->begin(), plan_.children->end(),
                       [&](const KeptElement& k) { return k.name == name; });
  }

  void Head(std::string& out) {
    out += kDeclaration;
    if (source_ != nullptr && !source_->root_start.empty()) {
      out += source_->root_start;
    } else {
      out += "<worksheet xmlns=\"" + std::string(ns::kMain) + "\" xmlns:r=\"" +
             std::string(ns::kRelationships) + "\">";
    }
    // The formulas of shared-formula masters present: a dependent whose
    // master went with deleted rows keeps its value only.
    for (const workbook::Row& row : sheet_.Cells().Rows()) {
      for (const workbook::Cell& cell : row.cells) {
        if (cell.kind != workbook::CellKind::kFormula) continue;
        const std::string f = FormulaMarkup(cell);
        if (f.find(" ref=\"") != std::string::npos && f.find("t=\"shared\"") != std::string::npos) {
          masters_.insert(SharedIndex(f));
        }
      }
    }
    for (std::string_view name : kSheetOrder) {
      if (name == "sheetData") break;
      if (name == "dimension") {
        workbook::Area used;
        out += "<dimension ref=\"";
        if (sheet_.Cells().UsedArea(used)) {
          AppendCellName(out, used.first_row, used.first_col);
          if (used.first_row != used.last_row || used.first_col != used.last_col) {
            out += ':';
            AppendCellName(out, used.last_row, used.last_col);
          }
        } else {
          out += "A1";
        }
        out += "\"/>";
      } else if (name == "sheetViews" && !HasKept(name)) {
        out += plan_.selected
                   ? "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
                   : "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>";
      } else if (name == "cols") {
        Columns(out);
      } else {
        Kept(out, name);
      }
    }
    out += "<sheetData>";
  }

  void Columns(std::string& out) const {
    std::vector<workbook::ColumnInfo> columns = sheet_.Columns();
    std::stable_sort(columns.begin(), columns.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string body;
    int next = 0;
    for (const workbook::ColumnInfo& c : columns) {
      if (c.first < next || c.last < c.first || c.first >= kMaxColumns) continue;
      const std::uint16_t last = std::min<std::uint16_t>(c.last, kMaxColumns - 1);
      body += "<col min=\"" + std::to_string(c.first + 1) + "\" max=\"" + std::to_string(last + 1) +
              "\" width=\"";
      AppendNumber(body, c.width / 256.0);
      body += '"';
      if (c.xf > kFirstCellXf && c.xf < book_.Formats().XfCount()) {
        body += " style=\"" + std::to_string(c.xf - kFirstCellXf) + '"';
      }
      if (c.flags & 0x0001) body += " hidden=\"1\"";
      if (c.flags & 0x0004) body += " bestFit=\"1\"";
      if (c.flags & 0x0002) body += " customWidth=\"1\"";
      if (c.flags & 0x0700) body += " outlineLevel=\"" + std::to_string((c.flags >> 8) & 7) + '"';
      if (c.flags & 0x1000) body += " collapsed=\"1\"";
      body += "/>";
      next = last + 1;
    }
    if (!body.empty()) out += "<cols>" + body + "</cols>";
  }

  std::string FormulaMarkup(const workbook::Cell& cell) const {
    const workbook::FormulaBody body = workbook::FormulaBody::Decode(sheet_.Cells().Blob(cell));
    for (const auto& a : body.attached) {
      if (a.type == kFormulaMarkup) return std::string(a.data.begin(), a.data.end());
    }
    return {};
  }

  static std::string SharedIndex(const std::string& f) {
    const std::size_t at = f.find(" si=\"");
    if (at == std::string::npos) return {};
    return f.substr(at + 5, f.find('"', at + 5) - at - 5);
  }

  void Row(std::string& out, std::uint32_t r, const workbook::Row& row) {
    const workbook::RowInfo& info = row.info;
    if (row.cells.empty() && !info.own) return;
    out += "<row r=\"";
    out += std::to_string(r + 1);
    out += '"';
    if (info.own) {
      if (info.flags & 0x80) {
        const std::uint16_t xf = info.xf_word & 0x0FFF;
        if (xf >= kFirstCellXf && xf < book_.Formats().XfCount()) {
          out += " s=\"" + std::to_string(xf - kFirstCellXf) + "\" customFormat=\"1\"";
        }
      }
      if ((info.height & 0x8000) == 0) {
        out += " ht=\"";
        AppendNumber(out, (info.height & 0x7FFF) / 20.0);
        out += '"';
        if (info.flags & 0x40) out += " customHeight=\"1\"";
      }
      if (info.flags & 0x20) out += " hidden=\"1\"";
      if (info.flags & 0x07) out += " outlineLevel=\"" + std::to_string(info.flags & 7) + '"';
      if (info.flags & 0x10) out += " collapsed=\"1\"";
    }
    if (row.cells.empty()) {
      out += "/>";
      return;
    }
    out += '>';
    const workbook::CellStore& cells = sheet_.Cells();
    for (const workbook::Cell& cell : row.cells) {
      out += "<c r=\"";
      AppendCellName(out, r, cell.col);
      out += '"';
      if (cell.xf != workbook::kDefaultXf && cell.xf > kFirstCellXf &&
          cell.xf < book_.Formats().XfCount()) {
        out += " s=\"";
        out += std::to_string(cell.xf - kFirstCellXf);
        out += '"';
      }
      switch (cell.kind) {
        case workbook::CellKind::kBlank: out += "/>"; break;
        case workbook::CellKind::kNumber:
          out += "><v>";
          AppendNumber(out, cells.Number(cell));
          out += "</v></c>";
          break;
        case workbook::CellKind::kText:
        case workbook::CellKind::kRichText:
          out += " t=\"s\"><v>";
          out += std::to_string(strings_->cell_indexes[index_][text_++]);
          out += "</v></c>";
          break;
        case workbook::CellKind::kBoolean:
          out += " t=\"b\"><v>";
          out += (cell.payload & 1) != 0 ? '1' : '0';
          out += "</v></c>";
          break;
        case workbook::CellKind::kError:
          out += " t=\"e\"><v>";
          out += ErrorText(static_cast<std::uint8_t>(cell.payload));
          out += "</v></c>";
          break;
        case workbook::CellKind::kFormula: Formula(out, cell); break;
      }
    }
    out += "</row>";
  }

  void Formula(std::string& out, const workbook::Cell& cell) const {
    const workbook::FormulaBody body = workbook::FormulaBody::Decode(sheet_.Cells().Blob(cell));
    std::string f;
    for (const auto& a : body.attached) {
      if (a.type == kFormulaMarkup)
        f = references_.WithSheetNames(std::string(a.data.begin(), a.data.end()));
    }
    if (f.find("t=\"shared\"") != std::string::npos && f.find(" ref=\"") == std::string::npos &&
        masters_.count(SharedIndex(f)) == 0) {
      f.clear();
    }
    const auto& v = body.record;
    const bool special = v.size() >= 8 && v[6] == 0xFF && v[7] == 0xFF;
    std::string value;
    if (special && v[0] == 0x00) {
      out += " t=\"str\"";
      AppendEscaped(value, body.cached_text);
    } else if (special && v[0] == 0x01) {
      out += " t=\"b\"";
      value = v[2] != 0 ? "1" : "0";
    } else if (special && v[0] == 0x02) {
      out += " t=\"e\"";
      value = ErrorText(v[2]);
    } else if (special && v[0] == 0x03) {
      out += " t=\"str\"";
    } else if (v.size() >= 8) {
      double number = 0;
      std::memcpy(&number, v.data(), 8);
      AppendNumber(value, number);
    }
    out += '>';
    out += f;
    out += "<v>" + value + "</v></c>";
  }

  void Tail(std::string& out) const {
    out += "</sheetData>";
    bool after = false;
    for (std::string_view name : kSheetOrder) {
      if (name == "sheetData") {
        after = true;
        continue;
      }
      if (!after) continue;
      if (name == "mergeCells") {
        const auto& merges = sheet_.Merges();
        if (merges.empty()) continue;
        out += "<mergeCells count=\"" + std::to_string(merges.size()) + "\">";
        for (const workbook::Area& a : merges) {
          out += "<mergeCell ref=\"";
          AppendCellName(out, a.first_row, a.first_col);
          out += ':';
          AppendCellName(out, a.last_row, a.last_col);
          out += "\"/>";
        }
        out += "</mergeCells>";
      } else if (name == "legacyDrawing" && !plan_.legacy_drawing_id.empty()) {
        out += "<legacyDrawing xmlns:r=\"" + std::string(ns::kRelationships) + "\" r:id=\"" +
               plan_.legacy_drawing_id + "\"/>";
      } else if (name == "extLst") {
        // Whatever the schema order does not name goes before the extensions.
        if (plan_.children != nullptr) {
          for (const KeptElement& k : *plan_.children) {
            if (std::find(std::begin(kSheetOrder), std::end(kSheetOrder), k.name) ==
                std::end(kSheetOrder))
              out += references_.WithSheetNames(k.xml);
          }
        }
        Kept(out, name);
      } else {
        Kept(out, name);
      }
    }
    out +=
        "</" +
        (source_ != nullptr && !source_->root_start.empty() ? QualifiedNameOf(source_->root_start)
                                                            : std::string("worksheet")) +
        ">";
  }

  const workbook::Workbook& book_;
  const KeptReferences& references_;
  const workbook::Sheet& sheet_;
  std::size_t index_;
  SheetPlan plan_;
  std::shared_ptr<const SharedStrings> strings_;
  const SheetSource* source_ = nullptr;
  int stage_ = 0;
  std::size_t row_ = 0;
  std::size_t text_ = 0;
  std::unordered_set<std::string> masters_;
};

std::vector<const workbook::Shape*> NotesOf(const workbook::Sheet& sheet) {
  std::vector<const workbook::Shape*> notes;
  for (const workbook::Shape& s : sheet.Art().Shapes()) {
    if (s.note) notes.push_back(&s);
  }
  std::sort(notes.begin(), notes.end(), [](const workbook::Shape* a, const workbook::Shape* b) {
    return std::make_pair(a->note->row, a->note->col) < std::make_pair(b->note->row, b->note->col);
  });
  return notes;
}

std::string CommentsXml(const std::vector<const workbook::Shape*>& notes) {
  std::vector<std::string> authors;
  for (const workbook::Shape* s : notes) {
    if (std::find(authors.begin(), authors.end(), s->note->author) == authors.end())
      authors.push_back(s->note->author);
  }
  std::string out = kDeclaration;
  out += "<comments xmlns=\"" + std::string(ns::kMain) + "\"><authors>";
  for (const std::string& a : authors) {
    out += "<author>";
    AppendEscaped(out, a);
    out += "</author>";
  }
  out += "</authors><commentList>";
  for (const workbook::Shape* s : notes) {
    const auto author =
        std::find(authors.begin(), authors.end(), s->note->author) - authors.begin();
    out += "<comment ref=\"";
    AppendCellName(out, s->note->row, s->note->col);
    out += "\" authorId=\"" + std::to_string(author) + "\"><text>";
    AppendTextElement(out, s->note->text);
    out += "</text></comment>";
  }
  out += "</commentList></comments>";
  return out;
}

// The comment boxes as Excel draws them: a yellow text box beside the
// cell, hidden unless the note is shown.
std::string VmlXml(const std::vector<const workbook::Shape*>& notes, std::size_t block) {
  std::string out =
      "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" "
      "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
      "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">\r\n"
      " <o:shapelayout v:ext=\"edit\">\r\n  <o:idmap v:ext=\"edit\" data=\"" +
      std::to_string(block) +
      "\"/>\r\n </o:shapelayout><v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" "
      "o:spt=\"202\"\r\n"
      "  path=\"m,l,21600r21600,l21600,xe\">\r\n  <v:stroke joinstyle=\"miter\"/>\r\n"
      "  <v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/>\r\n </v:shapetype>";
  std::size_t n = 0;
  for (const workbook::Shape* s : notes) {
    const workbook::Note& note = *s->note;
    const std::uint32_t top = note.row == 0 ? 0 : note.row - 1;
    ++n;
    out +=
        "<v:shape id=\"_x0000_s" + std::to_string(block * 1024 + n) +
        "\" type=\"#_x0000_t202\" style='position:absolute;margin-left:59.25pt;margin-top:1.5pt;"
        "width:108pt;height:59.25pt;z-index:" +
        std::to_string(n) + (note.visible ? "" : ";visibility:hidden") +
        "' fillcolor=\"#ffffe1\" o:insetmode=\"auto\">\r\n  <v:fill color2=\"#ffffe1\"/>\r\n"
        "  <v:shadow on=\"t\" color=\"black\" obscured=\"t\"/>\r\n  <v:path "
        "o:connecttype=\"none\"/>\r\n"
        "  <v:textbox style='mso-direction-alt:auto'>\r\n   <div style='text-align:left'></div>\r\n"
        "  </v:textbox>\r\n  <x:ClientData ObjectType=\"Note\">\r\n   <x:MoveWithCells/>\r\n"
        "   <x:SizeWithCells/>\r\n   <x:Anchor>\r\n    " +
        std::to_string(note.col + 1u) + ", 15, " + std::to_string(top) + ", 10, " +
        std::to_string(note.col + 3u) + ", 15, " + std::to_string(top + 4) +
        ", 4</x:Anchor>\r\n   <x:AutoFill>False</x:AutoFill>\r\n   <x:Row>" +
        std::to_string(note.row) + "</x:Row>\r\n   <x:Column>" + std::to_string(note.col) +
        "</x:Column>\r\n" + (note.visible ? "   <x:Visible/>\r\n" : "") +
        "  </x:ClientData>\r\n </v:shape>";
  }
  out += "</xml>";
  return out;
}

// "/xl/drawings/drawing1.xml" -> "/xl/drawings/drawing#.xml".
std::string NamePattern(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  std::size_t dot = part.rfind('.');
  if (dot == std::string::npos || dot < slash) dot = part.size();
  std::size_t digits = dot;
  while (digits > slash + 1 && part[digits - 1] >= '0' && part[digits - 1] <= '9')
    --digits;
  return part.substr(0, digits) + "#" + part.substr(dot);
}

// Copies of the parts a sheet copy owns (its drawing, the charts on it,
// printer settings...), made for every copy after the first user of a
// part. Pictures and other media stay shared.
class PartCopier {
 public:
  PartCopier(const package::Package& in, package::Package& out) : in_(in), out_(out) {}

  // `edited` gives a part as the copy's references left it, or nullopt.
  std::string Copy(const std::string& part,
                   const std::function<std::optional<std::string>(const std::string&)>& edited) {
    if (auto it = memo_.find(part); it != memo_.end()) return it->second;
    if (part.find("/media/") != std::string::npos || !in_.Has(part)) return part;
    const std::string name = out_.FreeName(NamePattern(part));
    memo_[part] = name;
    std::optional<std::string> bytes = edited(part);
    out_.Write(name, bytes ? std::move(*bytes) : in_.Read(part), in_.ContentTypeOf(part));
    if (const package::Relationships* rels = in_.FindRelationships(part)) {
      package::Relationships& copy = out_.RelationshipsOf(name);
      for (package::Relationship r : rels->All()) {
        if (!r.external) {
          const std::string target = package::ResolveTarget(part, r.target);
          r.target = package::RelativeTarget(name, Copy(target, edited));
        }
        copy.AddWithId(std::move(r));
      }
    }
    return name;
  }

  void Reset() { memo_.clear(); }

 private:
  const package::Package& in_;
  package::Package& out_;
  std::map<std::string, std::string> memo_;
};

bool IsSheetRelationship(std::string_view type) {
  return type == relationship::kWorksheet || type == relationship::kChartsheet ||
         type.ends_with("/dialogsheet") || type.ends_with("/xlMacrosheet") ||
         type.ends_with("/xlIntlMacrosheet");
}

std::string WorkbookXml(const workbook::Workbook& book, const BookSource& source,
                        const KeptReferences& references,
                        const std::vector<std::string>& sheet_ids) {
  std::string out = kDeclaration;
  out += source.root_start;
  static constexpr std::string_view kOrder[] = {"fileVersion",    "fileSharing",
                                                "workbookPr",     "workbookProtection",
                                                "bookViews",      "sheets",
                                                "functionGroups", "externalReferences",
                                                "definedNames",   "calcPr",
                                                "oleSize",        "customWorkbookViews",
                                                "pivotCaches",    "smartTagPr",
                                                "smartTagTypes",  "webPublishing",
                                                "fileRecoveryPr", "webPublishObjects",
                                                "extLst"};
  for (std::string_view name : kOrder) {
    if (name == "bookViews") {
      bool any = false;
      for (const KeptElement& k : source.children) {
        if (k.name != name) continue;
        any = true;
        std::string xml = k.xml;
        const std::size_t at = xml.find(" activeTab=\"");
        if (at != std::string::npos) xml.erase(at, xml.find('"', at + 12) + 1 - at);
        const std::size_t first = xml.find(" firstSheet=\"");
        if (first != std::string::npos) xml.erase(first, xml.find('"', first + 13) + 1 - first);
        if (book.ActiveSheet() != 0) {
          std::size_t view = xml.find("workbookView");
          while (view != std::string::npos && (view + 12 >= xml.size() || xml[view + 12] != ' '))
            view = xml.find("workbookView", view + 12);
          if (view != std::string::npos)
            xml.insert(view + 12, " activeTab=\"" + std::to_string(book.ActiveSheet()) + "\"");
        }
        out += xml;
      }
      if (!any) {
        out += "<bookViews><workbookView";
        if (book.ActiveSheet() != 0)
          out += " activeTab=\"" + std::to_string(book.ActiveSheet()) + "\"";
        out += "/></bookViews>";
      }
    } else if (name == "sheets") {
      out += "<sheets>";
      for (std::size_t i = 0; i < book.SheetCount(); ++i) {
        if (sheet_ids[i].empty()) continue;
        const workbook::Sheet& sheet = book.SheetAt(i);
        out += "<sheet name=\"";
        AppendEscaped(out, sheet.Name(), true);
        out += "\" sheetId=\"" + std::to_string(i + 1) + '"';
        const std::uint16_t state = sheet.BoundSheetFlags() & 0x03;
        if (state == 1) out += " state=\"hidden\"";
        if (state == 2) out += " state=\"veryHidden\"";
        out +=
            " r:id=\"" + sheet_ids[i] + "\" xmlns:r=\"" + std::string(ns::kRelationships) + "\"/>";
      }
      out += "</sheets>";
    } else if (name == "definedNames") {
      std::string names;
      for (const KeptReferences::Name& n : references.Names()) {
        std::size_t local = 0;
        if (n.local != nullptr) {
          local = book.IndexOf(*n.local);
          if (local >= sheet_ids.size() || sheet_ids[local].empty()) continue;
        }
        names += "<definedName" + n.xml_attributes;
        if (n.local != nullptr) names += " localSheetId=\"" + std::to_string(local) + '"';
        names += '>';
        AppendEscaped(names,
                      n.formula.Print([&](SheetKey sheet) { return references.Qualifier(sheet); }));
        names += "</definedName>";
      }
      if (!names.empty()) out += "<definedNames>" + names + "</definedNames>";
    } else {
      for (const KeptElement& k : source.children) {
        if (k.name == name) out += k.xml;
      }
    }
  }
  out += "</" + QualifiedNameOf(source.root_start) + ">";
  return out;
}

// A new workbook's own core properties: created and last modified now, no
// print date of the template's, revision 1.
std::string FreshCoreProperties(const std::string& xml) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  static const std::regex dates(
      R"((<([\w.-]+:)?(created|modified)\b[^>]*>)[^<]*(</([\w.-]+:)?(created|modified)>))");
  static const std::regex printed(
      R"(<([\w.-]+:)?lastPrinted\b[^>]*>[^<]*</([\w.-]+:)?lastPrinted>)");
  static const std::regex revision(
      R"((<([\w.-]+:)?revision\b[^>]*>)[^<]*(</([\w.-]+:)?revision>))");
  std::string out = std::regex_replace(xml, dates, std::string("$01") + stamp + "$04");
  out = std::regex_replace(out, printed, "");
  return std::regex_replace(out, revision, "$011$3");
}

// The workbook's sheets and names as the extended properties list them.
PartTitles Titles(const workbook::Workbook& book, const KeptReferences& references,
                  const std::vector<std::string>& sheet_ids) {
  PartTitles titles;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const workbook::Sheet& sheet = book.SheetAt(i);
    if (sheet.Kind() == workbook::SheetKind::kChart) titles.template_had_charts = true;
    if (sheet_ids[i].empty()) continue;
    if (sheet.IsWorksheet()) titles.worksheets.push_back(sheet.Name());
    if (sheet.Kind() == workbook::SheetKind::kChart) titles.charts.push_back(sheet.Name());
  }
  for (const KeptReferences::Name& n : references.Names()) {
    if (n.xml_attributes.find(" hidden=\"1\"") != std::string::npos) continue;
    const std::size_t at = n.xml_attributes.find(" name=\"");
    if (at == std::string::npos) continue;
    std::string name =
        Unescape(n.xml_attributes.substr(at + 7, n.xml_attributes.find('"', at + 7) - at - 7));
    if (name.starts_with("_xlnm.")) name.erase(0, 6);
    if (n.local != nullptr) {
      const std::size_t local = book.IndexOf(*n.local);
      if (local >= sheet_ids.size() || sheet_ids[local].empty()) continue;
      name = references.Qualifier(n.local) + "!" + name;
    }
    titles.names.push_back(std::move(name));
  }
  return titles;
}

}  // namespace

void CheckLimits(const workbook::Workbook& book) {
  workbook::CheckFormatLimits(book, {.rows = kMaxRows,
                                     .columns = kMaxColumns,
                                     .cell_chars = kMaxCellChars,
                                     .rows_text = "1 048 576",
                                     .columns_text = "16 384",
                                     .holder = "книга Excel",
                                     .bounds = "листа Excel"});
}

package::Package WorkbookPackage(const workbook::Workbook& book) {
  const auto* source = dynamic_cast<const BookSource*>(book.Markup().get());
  if (source == nullptr) {
    throw Error(
        errors::kSpreadsheet,
        "Книга не создана из файла Excel 2007 или новее: ее нельзя сохранить в этом формате");
  }
  const auto* references = dynamic_cast<const KeptReferences*>(book.Editor());
  if (references == nullptr) {
    throw Error(errors::kSpreadsheet, "Книга без ссылок своего пакета: ее нельзя сохранить");
  }
  const package::Package& in = source->package;
  const std::string& main = source->workbook_part;
  package::Package out;
  for (const std::string& name : in.PartNames())
    out.Write(name, in.Read(name));
  out.Types() = in.Types();
  for (const std::string& name : in.PartNames()) {
    if (const package::Relationships* rels = in.FindRelationships(name))
      out.RelationshipsOf(name) = *rels;
  }
  if (const package::Relationships* rels = in.FindRelationships("/"))
    out.RelationshipsOf("/") = *rels;

  // What is made anew goes first, with the relationships to it.
  package::Relationships& main_rels = out.RelationshipsOf(main);
  std::vector<std::string> dropped;
  for (const package::Relationship& r : main_rels.All()) {
    if (r.external) continue;
    const bool made = r.type == relationship::kWorksheet ||
                      r.type == relationship::kSharedStrings ||
                      r.type == relationship::kCalcChain || r.type == relationship::kVbaProject;
    if (IsSheetRelationship(r.type) || made) dropped.push_back(r.id);
    if (made) {
      const std::string target = package::ResolveTarget(main, r.target);
      if (r.type == relationship::kWorksheet) {
        if (const package::Relationships* sheet_rels = in.FindRelationships(target)) {
          for (const package::Relationship& s : sheet_rels->All()) {
            if (s.external ||
                (s.type != relationship::kComments && s.type != relationship::kVmlDrawing))
              continue;
            const std::string owned = package::ResolveTarget(target, s.target);
            const auto* sheet_source = [&]() -> const SheetSource* {
              for (std::size_t i = 0; i < book.SheetCount(); ++i) {
                const auto* m = dynamic_cast<const SheetSource*>(book.SheetAt(i).Markup().get());
                if (m != nullptr && m->part == target) return m;
              }
              return nullptr;
            }();
            // Comments, and the VML drawing that only draws them, are made
            // from the model's notes.
            const bool remade = s.type == relationship::kComments ||
                                (sheet_source != nullptr && owned == sheet_source->vml_part);
            if (remade && out.Has(owned)) out.Remove(owned);
          }
        }
      }
      if (r.type == relationship::kVbaProject) {
        if (const package::Relationships* inner = in.FindRelationships(target)) {
          for (const package::Relationship& d : inner->All()) {
            const std::string t = package::ResolveTarget(target, d.target);
            if (!d.external && out.Has(t)) out.Remove(t);
          }
        }
      }
      if (out.Has(target)) out.Remove(target);
    }
  }
  for (const std::string& id : dropped)
    main_rels.Remove(id);

  for (const std::string& core : in.Targets("/", relationship::kCoreProperties)) {
    if (in.Has(core) && in.Read(core).size() < (1u << 20))
      out.Write(core, FreshCoreProperties(in.Read(core)));
  }

  auto strings = std::make_shared<SharedStrings>(GatherStrings(book));
  std::vector<std::string> sheet_ids(book.SheetCount());
  std::unordered_set<const workbook::SourceMarkup*> used_sources;
  PartCopier copier(in, out);
  // The first sheet of a source writes its drawings and charts, as its
  // edits left them, in place; copies write theirs to copies of the parts.
  const auto write_own_parts = [&](const workbook::Sheet& sheet, const SheetSource& sheet_source) {
    for (const std::string& drawing : in.Targets(sheet_source.part, relationship::kDrawing)) {
      if (auto text = references->Part(&sheet, drawing)) out.Write(drawing, std::move(*text));
      for (const std::string& chart : in.Targets(drawing, relationship::kChart)) {
        if (auto text = references->Part(&sheet, chart)) out.Write(chart, std::move(*text));
      }
    }
    for (const std::string& vml : in.Targets(sheet_source.part, relationship::kVmlDrawing)) {
      if (auto text = references->Part(&sheet, vml); text && out.Has(vml))
        out.Write(vml, std::move(*text));
    }
  };
  std::size_t next_sheet_number = 1;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const workbook::Sheet& sheet = book.SheetAt(i);
    const auto* sheet_source = dynamic_cast<const SheetSource*>(sheet.Markup().get());
    const bool first_use = sheet_source == nullptr || used_sources.insert(sheet_source).second;
    if (sheet_source != nullptr && !sheet_source->is_worksheet) {
      // Chart and other sheets as they were; a second one cannot be made.
      if (!first_use) continue;
      write_own_parts(sheet, *sheet_source);
      for (const package::Relationship& r : in.FindRelationships(main)->All()) {
        if (!r.external && package::PartKey(package::ResolveTarget(main, r.target)) ==
                               package::PartKey(sheet_source->part)) {
          sheet_ids[i] = main_rels.Add(r.type, package::RelativeTarget(main, sheet_source->part));
          break;
        }
      }
      continue;
    }
    SheetPlan plan;
    // Numbered on from the last name given: asking the package for a free
    // name from 1 each time would be quadratic in a workbook of many sheets.
    do {
      plan.part = "/xl/worksheets/sheet" + std::to_string(next_sheet_number++) + ".xml";
    } while (out.Has(plan.part));
    plan.selected = i == book.ActiveSheet();
    plan.children = references->Children(&sheet);
    out.Write(plan.part, std::string(), content_type::kWorksheet);
    package::Relationships& rels = out.RelationshipsOf(plan.part);
    if (sheet_source != nullptr) {
      if (const package::Relationships* in_rels = in.FindRelationships(sheet_source->part)) {
        if (first_use) write_own_parts(sheet, *sheet_source);
        const auto edited = [&](const std::string& part) { return references->Part(&sheet, part); };
        copier.Reset();
        for (package::Relationship r : in_rels->All()) {
          if (!r.external) {
            const std::string target = package::ResolveTarget(sheet_source->part, r.target);
            if (r.type == relationship::kComments) continue;
            if (!sheet_source->vml_part.empty() &&
                package::PartKey(target) == package::PartKey(sheet_source->vml_part)) {
              continue;
            }
            r.target = package::RelativeTarget(plan.part,
                                               first_use ? target : copier.Copy(target, edited));
          }
          rels.AddWithId(std::move(r));
        }
      }
    }
    for (package::Relationship r : references->Links(&sheet)) {
      if (!r.external) r.target = package::RelativeTarget(plan.part, r.target);
      rels.AddWithId(std::move(r));
    }
    const std::vector<const workbook::Shape*> notes = NotesOf(sheet);
    if (!notes.empty()) {
      const std::string comments = out.FreeName("/xl/comments#.xml");
      out.Write(comments, CommentsXml(notes), content_type::kComments);
      const std::string vml = out.FreeName("/xl/drawings/vmlDrawing#.vml");
      out.Write(vml, VmlXml(notes, i + 1), content_type::kVmlDrawing);
      plan.legacy_drawing_id =
          rels.Add(relationship::kVmlDrawing, package::RelativeTarget(plan.part, vml));
      rels.Add(relationship::kComments, package::RelativeTarget(plan.part, comments));
    }
    sheet_ids[i] =
        main_rels.Add(relationship::kWorksheet, package::RelativeTarget(main, plan.part));
    const std::string part = plan.part;
    out.WriteStreamed(
        part, content_type::kWorksheet,
        std::make_shared<SheetProducer>(book, i, std::move(plan), strings, *references));
  }

  const std::string strings_part = source->shared_strings_part.empty()
                                       ? std::string("/xl/sharedStrings.xml")
                                       : source->shared_strings_part;
  if (!strings->entries.empty()) {
    out.WriteStreamed(strings_part, content_type::kSharedStrings,
                      std::make_shared<StringsProducer>(strings, book.Formats()));
    main_rels.Add(relationship::kSharedStrings, package::RelativeTarget(main, strings_part));
  }
  const std::string styles_part =
      source->styles_part.empty() ? std::string("/xl/styles.xml") : source->styles_part;
  out.Write(styles_part, WriteStyles(book.Formats(), source->styles), content_type::kStyles);
  if (source->styles_part.empty())
    main_rels.Add(relationship::kStyles, package::RelativeTarget(main, styles_part));
  out.Write(main, WorkbookXml(book, *source, *references, sheet_ids), content_type::kWorkbook);
  for (const std::string& app : in.Targets("/", relationship::kExtendedProperties)) {
    if (in.Has(app) && in.Read(app).size() < (1u << 20))
      out.Write(app, WithPartTitles(in.Read(app), Titles(book, *references, sheet_ids)));
  }
  out.SetContentType(main, content_type::kWorkbook);
  return out;
}

void WriteWorkbook(const workbook::Workbook& book, const std::string& path) {
  CheckLimits(book);
  WorkbookPackage(book).Save(path, {.compression_level = kCompressionLevel});
}

}  // namespace quorlex::automation::spreadsheetml
