#include "automation/spreadsheet/worksheet.h"

#include <charconv>

#include "automation/clipboard/clipboard.h"
#include "automation/page/grid.h"
#include "automation/page/page.h"
#include "automation/spreadsheet/application.h"
#include "automation/spreadsheet/page_paste.h"
#include "automation/spreadsheet/workbook.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheet {

namespace {

// The engine holds sheets beyond Excel 97-2003's 65,536 rows, so that a
// page too long for one sheet can still be split; saving checks the limits.
constexpr int kModelRows = 1048576;
constexpr int kModelColumns = 16384;

std::string Quoted(std::string_view s) { return "«" + std::string(s) + "»"; }

}  // namespace

workbook::Sheet& Worksheet::Model() const {
  book_->Model();  // refuses a closed workbook
  return *sheet_;
}

bool Worksheet::IsWorksheet() const { return Model().IsWorksheet(); }

std::string Worksheet::Name() const { return Model().Name(); }

int Worksheet::Index() const { return static_cast<int>(book_->Model().IndexOf(Model())) + 1; }

void Worksheet::SetName(std::string_view name) {
  book_->Model().RenameSheet(book_->Model().IndexOf(Model()), name);
}

void Worksheet::Select() {
  book_->Model().SetActiveSheet(book_->Model().IndexOf(Model()));
  book_->App().active_book_ = book_;
}

void Worksheet::Copy(const Worksheet& after) {
  if (&after.Parent() != book_) {
    throw Error(errors::kSpreadsheet, "Копирование листа в другую книгу не поддерживается");
  }
  auto& model = book_->Model();
  model.CopySheet(model.IndexOf(Model()), model.IndexOf(after.Model()));
  book_->App().active_book_ = book_;
}

Worksheet Worksheet::CopyRows(int first, int last, const Worksheet& after) {
  RequireWorksheet();
  if (&after.Parent() != book_) {
    throw Error(errors::kSpreadsheet, "Копирование листа в другую книгу не поддерживается");
  }
  if (first < 1 || last < first || last > kModelRows) {
    throw Error(errors::kSpreadsheet,
                "Неверная полоса строк: " + std::to_string(first) + ":" + std::to_string(last));
  }
  auto& model = book_->Model();
  const std::size_t index =
      model.CopySheetRows(model.IndexOf(Model()), static_cast<std::uint32_t>(first - 1),
                          static_cast<std::uint32_t>(last - 1), model.IndexOf(after.Model()));
  book_->App().active_book_ = book_;
  return book_->SheetAtIndex(index);
}

void Worksheet::RequireWorksheet() const {
  if (!Model().IsWorksheet()) {
    throw Error(errors::kSpreadsheet,
                "Лист " + Quoted(Model().Name()) + " не является рабочим листом");
  }
}

Range Worksheet::Cells(int row, int column) const {
  RequireWorksheet();
  if (row < 1 || row > kModelRows || column < 1 || column > kModelColumns) {
    throw Error(errors::kSpreadsheet, "Неверный адрес ячейки: строка " + std::to_string(row) +
                                          ", столбец " + std::to_string(column));
  }
  return Range(*book_, Model(), row, column, row, column);
}

Range Worksheet::UsedRange() const {
  RequireWorksheet();
  workbook::Area area;
  if (!Model().Cells().UsedArea(area)) return Range(*book_, Model(), 1, 1, 1, 1);
  return Range(*book_, Model(), static_cast<int>(area.first_row) + 1, area.first_col + 1,
               static_cast<int>(area.last_row) + 1, area.last_col + 1);
}

Range Worksheet::Rows(int first, int last) const {
  RequireWorksheet();
  if (first < 1 || last < first || last > kModelRows) {
    throw Error(errors::kSpreadsheet,
                "Неверная полоса строк: " + std::to_string(first) + ":" + std::to_string(last));
  }
  return Range(*book_, Model(), first, 1, last, 256, true);
}

Range Worksheet::Rows(std::string_view band) const {
  auto number = [&](std::string_view s, int& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
  };
  int first = 0;
  int last = 0;
  std::size_t colon = band.find(':');
  bool ok = colon == std::string_view::npos
                ? number(band, first) && number(band, last)
                : number(band.substr(0, colon), first) && number(band.substr(colon + 1), last);
  if (!ok) throw Error(errors::kSpreadsheet, "Неверная полоса строк: " + Quoted(band));
  if (last < first) std::swap(first, last);
  return Rows(first, last);
}

void Worksheet::Paste() {
  RequireWorksheet();
  Application& app = book_->App();
  auto active = Model().ActiveCell().value_or(std::make_pair(0u, std::uint16_t{0}));
  if (app.cut_) {
    Application::CutRows cut = *app.cut_;
    app.cut_.reset();
    if (cut.sheet == sheet_) {
      throw Error(errors::kSpreadsheet,
                  "Перенос вырезанных строк на тот же лист не поддерживается");
    }
    auto& model = book_->Model();
    if (cut.book == book_) {
      model.MoveRows(model.IndexOf(*cut.sheet), cut.first, cut.last, model.IndexOf(Model()),
                     active.first);
    } else {
      // Between workbooks only the cells go: references cannot follow them.
      Model().MoveRowsFrom(*cut.sheet, cut.first, cut.last, active.first);
    }
    int rows = static_cast<int>(cut.last - cut.first) + 1;
    app.SetSelection(Range(*book_, Model(), static_cast<int>(active.first) + 1, 1,
                           static_cast<int>(active.first) + rows, 256, true));
    return;
  }
  page::Grid grid = page::LayOutGrid(clipboard::Clipboard::Process().Page(errors::kSpreadsheet));
  PasteGrid(book_->Model(), Model(), active.first, active.second, grid);
  if (grid.row_count > 0 && grid.column_count > 0) {
    app.SetSelection(Range(*book_, Model(), static_cast<int>(active.first) + 1, active.second + 1,
                           static_cast<int>(active.first + grid.row_count),
                           static_cast<int>(active.second + grid.column_count)));
  }
}

}  // namespace quorlex::automation::spreadsheet
