#pragma once

// Code names (CODENAME records): the names VBA knows a workbook and its
// sheets by, which must differ from one another. A sheet's copy gets its
// source's code name followed by the lowest number that makes it unique,
// as Excel names it.

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace quorlex::automation::workbook {

class Sheet;
class Workbook;

// The code name of a sheet, empty when it has none.
std::string SheetCodeName(const Sheet& sheet);
void SetSheetCodeName(Sheet& sheet, const std::string& name);

// True when the workbook carries a VBA project.
bool HasVbaProject(const Workbook& book);

// The code names a workbook has taken, learnt once, so that thousands of
// copies cost one look-up each.
class CodeNames {
 public:
  // `base` followed by the lowest number from 1 on that no sheet and not
  // the workbook has, cut to fit 31 characters; taken from then on.
  std::string Unique(const Workbook& book, const std::string& base);

 private:
  void Learn(const Workbook& book);

  bool learnt_ = false;
  std::unordered_set<std::string> taken_;      // upper-cased
  std::unordered_map<std::string, int> next_;  // upper-cased base -> next number to try
};

}  // namespace quorlex::automation::workbook
