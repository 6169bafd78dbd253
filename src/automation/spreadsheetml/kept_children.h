#pragma once

// A row edit as it reaches the children of a worksheet part that the
// engine keeps as read and that name the sheet's cells: conditional
// formats and validations (their cells and formulas), hyperlinks (their
// cells and the places they go to), the filter and page breaks. What applies to deleted
// cells goes, what is below moves up, and what applies to cut cells travels
// with them to the sheet they are pasted on.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/spreadsheetml/formula_text.h"
#include "automation/spreadsheetml/source.h"
#include "automation/workbook/row_edit.h"

namespace quorlex::automation::spreadsheetml {

class ChildrenEdit {
 public:
  // `named` finds a sheet by a name as written in a formula, `stored`
  // writes a formula back as the children keep it.
  ChildrenEdit(const workbook::RowEdit& edit, const SheetLookup& lookup,
               std::function<SheetKey(std::string_view)> named,
               std::function<std::string(const FormulaText&)> stored);

  // The children of sheet `index` after the edit. What travels with cut
  // cells is added to `arrivals`, in the terms of the sheet it lands on.
  std::vector<KeptElement> Apply(std::size_t index, std::vector<KeptElement> children,
                                 std::vector<KeptElement>& arrivals) const;

 private:
  std::string EditFormulas(const std::string& xml, std::size_t written_on, std::size_t now_on,
                           std::int64_t shift) const;
  std::string EditLocations(std::string xml) const;
  // An element applying to the cells of its attribute `attribute`: as it
  // stays (nullopt when no cell is left), and the part that travels.
  std::pair<std::optional<std::string>, std::optional<std::string>> EditElement(
      const std::string& xml, std::size_t index, std::string_view attribute, bool formulas) const;
  // A list of such elements `item` (validations, hyperlinks): the list as
  // it stays (empty when none is left) and a list of those that travel.
  std::pair<std::string, std::string> EditList(const std::string& xml, std::size_t index,
                                               std::string_view item, std::string_view attribute,
                                               bool formulas) const;

  std::string EditRowBreaks(const std::string& xml, std::size_t index) const;

  const workbook::RowEdit& edit_;
  const SheetLookup& lookup_;
  std::function<SheetKey(std::string_view)> named_;
  std::function<std::string(const FormulaText&)> stored_;
};

// Children that arrived with cut cells joined to a sheet's own: a list
// (validations, hyperlinks) merges into the sheet's list of its kind.
void AddArrivals(std::vector<KeptElement>& children, std::vector<KeptElement> arrivals);

}  // namespace quorlex::automation::spreadsheetml
