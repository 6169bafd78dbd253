#pragma once

// The references a workbook package keeps as text, following the engine's
// edits: defined names, the formulas of cells, the ranges of charts, the
// anchors of drawings, and the cells conditional formats, validations,
// hyperlinks and the filter of a sheet apply to. Rows deleted or moved and
// sheets copied reach them as they reach the engine's own references.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "automation/spreadsheetml/formula_text.h"
#include "automation/spreadsheetml/source.h"
#include "automation/spreadsheetml/tables.h"
#include "automation/workbook/markup_editor.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheetml {

// Markup with formulas in it: the text between them kept as it was.
struct MarkedText {
  std::vector<std::string> texts;  // one more than formulas
  std::vector<FormulaText> formulas;
};

class KeptReferences : public workbook::MarkupEditor {
 public:
  // For a workbook just read from `source`, whose sheets are those read.
  // The sheets named by cell formulas, and by the formulas and links of a
  // sheet's kept children, are keyed from here on (WithSheetNames writes
  // them by the names they have when written).
  KeptReferences(workbook::Workbook& book, std::shared_ptr<const BookSource> source);

  void RowsEdited(workbook::Workbook& book, const workbook::RowEdit& edit) override;
  void SheetCopied(workbook::Workbook& book, std::size_t source, std::size_t copy,
                   const std::vector<workbook::RowEdit>& cuts) override;

  struct Name {
    std::string xml_attributes;  // without localSheetId
    FormulaText formula;
    SheetKey local = nullptr;  // the sheet it belongs to, or null
  };
  const std::vector<Name>& Names() const { return names_; }

  // The children of a sheet's part that the engine does not model, as
  // edited; null when they are as read.
  const std::vector<KeptElement>* Children(SheetKey sheet) const;
  // Relationships of hyperlinks that came to the sheet with cut cells
  // (targets of internal ones are part names), to add to its own.
  const std::vector<package::Relationship>& Links(SheetKey sheet) const;
  // True when a part the sheet had (a table) went with deleted rows.
  bool Dropped(SheetKey sheet, const std::string& part) const;
  // A part the sheet owns (a drawing, a chart on it) as edited; nullopt
  // when it is as read.
  std::optional<std::string> Part(SheetKey sheet, const std::string& part) const;
  // The sheet name as formulas write it now.
  std::string Qualifier(SheetKey sheet) const;
  // Markup as stored (a cell's <f> element, a kept child), with its
  // sheets named as they are now.
  std::string WithSheetNames(std::string_view stored) const;

 private:
  struct SheetState {
    std::optional<std::vector<KeptElement>> children;
    std::map<std::string, std::string> parts;  // drawings, tables: as edited, by part as read
    std::set<std::string> dropped;             // tables gone with their rows
    std::map<std::string, MarkedText> charts;  // by part as read
    std::vector<package::Relationship> links;  // of hyperlinks that came with cut cells
    bool formulas = false;                     // it has formula cells
  };

  std::optional<std::size_t> IndexOf(SheetKey sheet) const;
  SheetLookup Lookup(const workbook::Workbook& book);
  SheetKey Named(std::string_view name) const;
  void EditCells(workbook::Workbook& book, std::size_t index, const workbook::RowEdit& edit,
                 const SheetLookup& lookup);
  void EditChildren(SheetState& state, SheetKey sheet, std::size_t index,
                    const workbook::RowEdit& edit, const SheetLookup& lookup,
                    std::vector<KeptElement>& arrivals);
  std::size_t CopyNames(SheetKey from, SheetKey to);
  void GiveCodeName(SheetState& state, const workbook::Sheet& sheet);
  void EditTables(SheetState& state, const workbook::Sheet& sheet, std::size_t index,
                  const workbook::RowEdit& edit);
  void EditDrawings(SheetState& state, const workbook::Sheet& sheet, const workbook::RowEdit& edit);
  std::string Stored(const FormulaText& f) const;
  std::string KeyedChild(const std::string& xml,
                         const std::function<SheetKey(std::string_view)>& named) const;

  std::shared_ptr<const BookSource> source_;
  std::unordered_map<SheetKey, SheetState> sheets_;
  std::vector<Name> names_;
  std::vector<SheetKey> keys_;  // the sheets stored formulas name, by number
  std::unordered_map<SheetKey, std::size_t> key_numbers_;
  std::unordered_map<SheetKey, std::size_t> indexes_;  // refreshed for each edit
  const workbook::Workbook* book_ = nullptr;
  std::vector<package::Relationship> arriving_links_;  // during one edit
  std::size_t moved_links_ = 0;
  TableNames table_names_;
  std::set<std::string> code_names_;  // of every sheet, upper-cased
};

}  // namespace quorlex::automation::spreadsheetml
