#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "automation/spreadsheet/constants.h"
#include "automation/spreadsheet/worksheet.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheet {

class Application;
class Workbook;

// The sheets of a workbook in tab order: all of them (Sheets) or the
// worksheets only (Worksheets). Numbered from 1.
class SheetCollection {
 public:
  SheetCollection(Workbook& book, bool worksheets_only)
      : book_(&book), worksheets_only_(worksheets_only) {}

  int Count() const;
  // Throws "Лист N не найден" when there is no such sheet.
  Worksheet operator()(int index) const;
  Worksheet Item(int index) const { return (*this)(index); }

 private:
  Workbook* book_;
  bool worksheets_only_;
};

// One workbook of the application. The reference stays valid until the
// application goes; after Close every member is refused, and so are the
// members of its sheets, ranges and comments.
class Workbook {
 public:
  Workbook(Application& app, std::unique_ptr<workbook::Workbook> model);
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  SheetCollection Sheets() { return SheetCollection(*this, false); }
  Worksheet Sheets(int index) { return Sheets()(index); }
  SheetCollection Worksheets() { return SheetCollection(*this, true); }
  Worksheet Worksheets(int index) { return Worksheets()(index); }
  Worksheet ActiveSheet();

  // Writes the workbook in Excel 97-2003 format (xlWorkbookNormal or
  // xlExcel8), or as a workbook package (xlOpenXMLWorkbook) when it was
  // made from one, to a temporary file beside `filename` and renames it
  // into place. The format's limits are checked first: nothing is written
  // when a sheet is over them.
  void SaveAs(const std::string& filename, int file_format = xlWorkbookNormal,
              int access_mode = xlNoChange);
  // Closes the workbook without saving: it leaves the collection, its
  // content is released, and every later call on it is refused.
  void Close();
  bool Closed() const { return model_ == nullptr; }

  // The engine beneath; refused once the workbook is closed.
  workbook::Workbook& Model();
  Application& App() { return app_; }

  // The sheet handle of engine sheet `index` (0-based).
  Worksheet SheetAtIndex(std::size_t index);

 private:
  Application& app_;
  std::unique_ptr<workbook::Workbook> model_;
  // When the workbook was made: the file's creation time.
  std::chrono::system_clock::time_point created_ = std::chrono::system_clock::now();
};

}  // namespace quorlex::automation::spreadsheet
