#pragma once

// The spreadsheet application's object model: the members the converters
// call, with Excel's behaviour. Handles (Worksheet, Range, ...) are cheap
// values that refer to objects owned by the application; a handle stays
// valid while its workbook is open.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/spreadsheet/constants.h"
#include "automation/spreadsheet/range.h"
#include "automation/spreadsheet/workbook.h"
#include "automation/spreadsheet/worksheet.h"

namespace quorlex::automation::spreadsheet {

class Application;

// The open workbooks.
class WorkbookCollection {
 public:
  explicit WorkbookCollection(Application& app) : app_(app) {}

  // A new workbook from the template at `template_path` (.xlt or .xls, or
  // a workbook package: .xltx or .xlsx):
  // its sheets, formats and everything else, not itself a template.
  Workbook& Add(const std::string& template_path);
  // A new workbook of one empty sheet.
  Workbook& Add();
  int Count() const { return static_cast<int>(books_.size()); }
  Workbook& operator()(int index);  // from 1
  Workbook& Item(int index) { return (*this)(index); }

 private:
  friend class Workbook;
  void Remove(const Workbook& book);
  Workbook& Open(std::unique_ptr<workbook::Workbook> model);

  Application& app_;
  // Every workbook made stays allocated until the application goes, so a
  // reference to a closed workbook is refused, not dangling.
  std::vector<std::unique_ptr<Workbook>> all_;
  std::vector<Workbook*> books_;  // the open ones
};

// The spreadsheet application: its workbooks, its settings and the clipboard it pastes from.
class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  WorkbookCollection& Workbooks() { return workbooks_; }

  // The range selected last (Rows(...).Select(), Cells(...).Select()).
  // Throws when nothing is selected.
  Range Selection() const;

  // Off: saving replaces an existing file without asking. On (the default),
  // a save over an existing file is refused, as no one is there to answer.
  bool DisplayAlerts() const { return display_alerts_; }
  void SetDisplayAlerts(bool on) { display_alerts_ = on; }

  // The workbook created or activated last, or nullptr.
  Workbook* ActiveWorkbook() { return active_book_; }

 private:
  friend class Range;
  friend class Worksheet;
  friend class Workbook;
  friend class WorkbookCollection;

  // Rows marked by Cut, waiting for a sheet's Paste.
  struct CutRows {
    Workbook* book = nullptr;
    workbook::Sheet* sheet = nullptr;
    std::uint32_t first = 0;  // 0-based
    std::uint32_t last = 0;
  };

  void SetSelection(const Range& range) { selection_ = range; }
  void Forget(const Workbook& book);

  WorkbookCollection workbooks_;
  Workbook* active_book_ = nullptr;
  std::optional<Range> selection_;
  std::optional<CutRows> cut_;
  bool display_alerts_ = true;
};

}  // namespace quorlex::automation::spreadsheet
