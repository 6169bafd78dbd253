#include "automation/spreadsheetml/sheet_part.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/xml_util.h"

namespace quorlex::automation::spreadsheetml {
namespace {

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
          out += workbook::ErrorText(static_cast<std::uint8_t>(cell.payload));
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
      value = workbook::ErrorText(v[2]);
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

}  // namespace

std::shared_ptr<package::PartProducer> SheetPart(const workbook::Workbook& book, std::size_t index,
                                                 SheetPlan plan,
                                                 std::shared_ptr<const SharedStrings> strings,
                                                 const KeptReferences& references) {
  return std::make_shared<SheetProducer>(book, index, std::move(plan), std::move(strings),
                                         references);
}

}  // namespace quorlex::automation::spreadsheetml
