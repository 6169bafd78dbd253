#include "automation/spreadsheet/range.h"

#include <cmath>

#include "automation/spreadsheet/application.h"
#include "automation/spreadsheet/constants.h"
#include "automation/spreadsheet/date_text.h"
#include "automation/spreadsheet/value_text.h"
#include "automation/spreadsheet/workbook.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheet {

namespace {

workbook::Edge EdgeOf(int index) {
  switch (index) {
    case xlEdgeLeft: return workbook::Edge::kLeft;
    case xlEdgeTop: return workbook::Edge::kTop;
    case xlEdgeBottom: return workbook::Edge::kBottom;
    case xlEdgeRight: return workbook::Edge::kRight;
    default: break;
  }
  throw Error(errors::kSpreadsheet, "Неверный номер границы ячейки: " + std::to_string(index));
}

// Applies `change` to a copy of the cell's format; a change that only
// marks attributes as set leaves the cell as it was.
template <typename F>
void ChangeFormat(workbook::Workbook& book, workbook::Sheet& sheet, std::uint32_t r,
                  std::uint16_t c, F&& change) {
  auto& styles = book.Formats();
  std::uint16_t old_index = sheet.Cells().XfOf(r, c);
  workbook::Xf before = styles.XfAt(old_index);
  workbook::Xf after = before;
  if (after.IsStyle()) {
    after.SetIsStyle(false);
    after.SetParent(old_index);
  }
  change(after);
  auto a = before.Bytes();
  auto b = after.Bytes();
  a[9] = 0;
  b[9] = 0;
  if (a == b) return;
  // Back to the Normal format in all but the "attribute set" marks: the
  // cell is unformatted again.
  auto normal = styles.XfAt(workbook::kDefaultXf).Bytes();
  normal[9] = 0;
  if (b == normal) {
    sheet.Cells().SetXf(r, c, workbook::kDefaultXf);
    return;
  }
  sheet.Cells().SetXf(r, c, styles.InternXf(after));
}

}  // namespace

Range::Range(Workbook& book, workbook::Sheet& sheet, int first_row, int first_col, int last_row,
             int last_col, bool whole_rows)
    : book_(&book),
      sheet_(&sheet),
      first_row_(first_row),
      first_col_(first_col),
      last_row_(last_row),
      last_col_(last_col),
      whole_rows_(whole_rows) {}

workbook::Sheet& Range::Sheet() const {
  book_->Model();  // refuses a closed workbook
  return *sheet_;
}

workbook::Sheet& CellComment::Sheet() const {
  book_->Model();  // refuses a closed workbook
  return *sheet_;
}

Range Range::Rows() const {
  Range r = *this;
  r.counting_ = Counting::kRows;
  return r;
}

Range Range::Columns() const {
  Range r = *this;
  r.counting_ = Counting::kColumns;
  return r;
}

int Range::Count() const {
  int rows = last_row_ - first_row_ + 1;
  int cols = last_col_ - first_col_ + 1;
  switch (counting_) {
    case Counting::kRows: return rows;
    case Counting::kColumns: return cols;
    case Counting::kCells: return rows * cols;
  }
  return rows * cols;
}

template <typename F>
void Range::ForEachCell(F&& f) const {
  for (int r = first_row_; r <= last_row_; ++r) {
    for (int c = first_col_; c <= last_col_; ++c) {
      f(static_cast<std::uint32_t>(r - 1), static_cast<std::uint16_t>(c - 1));
    }
  }
}

std::string Range::Value() const {
  const auto& cells = Sheet().Cells();
  const workbook::Cell* cell = cells.Find(static_cast<std::uint32_t>(first_row_ - 1),
                                          static_cast<std::uint16_t>(first_col_ - 1));
  if (cell == nullptr) return {};
  switch (cell->kind) {
    case workbook::CellKind::kBlank: return {};
    case workbook::CellKind::kNumber: {
      // A date reads as the text it shows, as in the locale the reports
      // are written for.
      const workbook::Workbook& model = book_->Model();
      const std::string code =
          model.Formats().FormatCode(model.Formats().XfAt(cell->xf).FormatIndex());
      if (auto date = DateText(cells.Number(*cell), code, Uses1904Dates(model))) return *date;
      return NumberText(cells.Number(*cell));
    }
    case workbook::CellKind::kText:
    case workbook::CellKind::kRichText: return std::string(cells.Text(*cell));
    case workbook::CellKind::kBoolean: return cell->payload != 0 ? "True" : "False";
    case workbook::CellKind::kError:
      return std::string(workbook::ErrorText(static_cast<std::uint8_t>(cell->payload)));
    case workbook::CellKind::kFormula: {
      auto body = workbook::FormulaBody::Decode(cells.Blob(*cell));
      const auto& rec = body.record;
      if (rec.size() < 8) return {};
      if (rec[6] == 0xFF && rec[7] == 0xFF) {
        switch (rec[0]) {
          case 0x00: return body.cached_text;
          case 0x01: return rec[2] != 0 ? "True" : "False";
          case 0x02: return std::string(workbook::ErrorText(rec[2]));
          default: return {};
        }
      }
      std::uint64_t bits = 0;
      for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | rec[static_cast<std::size_t>(i)];
      return NumberText(std::bit_cast<double>(bits));
    }
  }
  return {};
}

void Range::SetValue(std::string_view text) const {
  auto& cells = Sheet().Cells();
  std::optional<double> number = ParseTypedNumber(text);
  ForEachCell([&](std::uint32_t r, std::uint16_t c) {
    if (text.empty()) {
      cells.ClearValue(r, c);
    } else if (number) {
      cells.SetNumber(r, c, *number);
    } else {
      cells.SetText(r, c, text);
    }
  });
}

void Range::Select() const {
  auto& model = book_->Model();
  if (model.ActiveSheet() != model.IndexOf(Sheet())) {
    throw Error(errors::kSpreadsheet,
                "Нельзя выделить ячейки неактивного листа «" + Sheet().Name() + "»");
  }
  Sheet().SetActiveCell(static_cast<std::uint32_t>(first_row_ - 1),
                        static_cast<std::uint16_t>(first_col_ - 1));
  book_->App().SetSelection(*this);
}

void Range::Delete() const {
  if (!whole_rows_) {
    throw Error(errors::kSpreadsheet, "Удалять можно только целые строки");
  }
  Application& app = book_->App();
  // Deleting rows ends a pending cut, as it does in Excel.
  app.cut_.reset();
  auto& model = book_->Model();
  model.DeleteRows(model.IndexOf(Sheet()), static_cast<std::uint32_t>(first_row_ - 1),
                   static_cast<std::uint32_t>(last_row_ - first_row_ + 1));
}

void Range::Cut() const {
  if (!whole_rows_) {
    throw Error(errors::kSpreadsheet, "Вырезать можно только целые строки");
  }
  Application& app = book_->App();
  app.cut_ = Application::CutRows{book_, &Sheet(), static_cast<std::uint32_t>(first_row_ - 1),
                                  static_cast<std::uint32_t>(last_row_ - 1)};
}

RangeBorder Range::Borders(int index) const { return RangeBorder(*this, index); }
RangeInterior Range::Interior() const { return RangeInterior(*this); }

std::string Range::NumberFormat() const {
  const auto& styles = book_->Model().Formats();
  std::uint16_t xf = Sheet().Cells().XfOf(static_cast<std::uint32_t>(first_row_ - 1),
                                          static_cast<std::uint16_t>(first_col_ - 1));
  return styles.FormatCode(styles.XfAt(xf).FormatIndex());
}

void Range::SetNumberFormat(std::string_view code) const {
  if (code.empty()) throw Error(errors::kSpreadsheet, "Пустой формат числа");
  std::uint16_t index = book_->Model().Formats().InternFormat(code);
  ForEachCell([&](std::uint32_t r, std::uint16_t c) {
    ChangeFormat(book_->Model(), Sheet(), r, c,
                 [&](workbook::Xf& xf) { xf.SetFormatIndex(index); });
  });
}

CellComment Range::AddComment(std::string_view text) const {
  auto r = static_cast<std::uint32_t>(first_row_ - 1);
  auto c = static_cast<std::uint16_t>(first_col_ - 1);
  if (Sheet().Art().FindNote(r, c) != nullptr) {
    throw Error(errors::kSpreadsheet,
                "Ячейка " + CellName(first_row_, first_col_) + " уже содержит примечание");
  }
  auto& shape = Sheet().Art().AddNote(r, c, "");
  shape.note->text = std::string(text);
  return CellComment(*book_, Sheet(), r, c);
}

CellComment Range::Comment() const {
  if (!HasComment()) {
    throw Error(errors::kSpreadsheet,
                "Ячейка " + CellName(first_row_, first_col_) + " не содержит примечания");
  }
  return CellComment(*book_, Sheet(), static_cast<std::uint32_t>(first_row_ - 1),
                     static_cast<std::uint16_t>(first_col_ - 1));
}

bool Range::HasComment() const {
  return Sheet().Art().FindNote(static_cast<std::uint32_t>(first_row_ - 1),
                                static_cast<std::uint16_t>(first_col_ - 1)) != nullptr;
}

double Range::ColumnWidth() const {
  auto col = static_cast<std::uint16_t>(first_col_ - 1);
  for (const auto& info : Sheet().Columns()) {
    if (col >= info.first && col <= info.last && (info.flags & 0x0001) != 0) return 0.0;  // hidden
  }
  double units = Sheet().ColumnWidthUnits(static_cast<std::uint16_t>(first_col_ - 1));
  // Units are 1/256 of a character cell including its 5-pixel padding,
  // with the standard font's 7-pixel digit.
  double pixels = std::floor(units / 256.0 * 7.0 + 0.5);
  if (pixels <= 5) return pixels <= 0 ? 0.0 : std::round(pixels / 12.0 * 100.0) / 100.0;
  return std::round((pixels - 5.0) / 7.0 * 100.0) / 100.0;
}

bool Range::WrapText() const {
  const auto& styles = book_->Model().Formats();
  return styles
      .XfAt(Sheet().Cells().XfOf(static_cast<std::uint32_t>(first_row_ - 1),
                                 static_cast<std::uint16_t>(first_col_ - 1)))
      .Wrap();
}

void Range::SetWrapText(bool wrap) const {
  ForEachCell([&](std::uint32_t r, std::uint16_t c) {
    ChangeFormat(book_->Model(), Sheet(), r, c, [&](workbook::Xf& xf) { xf.SetWrap(wrap); });
  });
}

RangeBorder::RangeBorder(const Range& range, int index) : range_(range), index_(index) {
  EdgeOf(index);
}

void RangeBorder::SetLineStyle(int style) const {
  workbook::LineStyle line;
  switch (style) {
    case xlNone: line = workbook::LineStyle::kNone; break;
    case xlContinuous: line = workbook::LineStyle::kThin; break;
    case xlDash: line = workbook::LineStyle::kDashed; break;
    case xlDot: line = workbook::LineStyle::kDotted; break;
    case xlDouble: line = workbook::LineStyle::kDouble; break;
    default:
      throw Error(errors::kSpreadsheet, "Неверный тип линии границы: " + std::to_string(style));
  }
  workbook::Edge edge = EdgeOf(index_);
  range_.ForEachCell([&](std::uint32_t r, std::uint16_t c) {
    ChangeFormat(range_.book_->Model(), range_.Sheet(), r, c, [&](workbook::Xf& xf) {
      xf.SetBorder(edge, line, line == workbook::LineStyle::kNone ? 0 : 64);
    });
  });
}

int RangeBorder::LineStyle() const {
  const auto& styles = range_.book_->Model().Formats();
  std::uint16_t xf = range_.Sheet().Cells().XfOf(static_cast<std::uint32_t>(range_.first_row_ - 1),
                                                 static_cast<std::uint16_t>(range_.first_col_ - 1));
  switch (styles.XfAt(xf).Border(EdgeOf(index_))) {
    case workbook::LineStyle::kNone: return xlNone;
    case workbook::LineStyle::kDashed: return xlDash;
    case workbook::LineStyle::kDotted: return xlDot;
    case workbook::LineStyle::kDouble: return xlDouble;
    default: return xlContinuous;
  }
}

RangeInterior::RangeInterior(const Range& range) : range_(range) {}

void RangeInterior::SetColorIndex(int index) const {
  if (index != xlNone && (index < 1 || index > 56)) {
    throw Error(errors::kSpreadsheet, "Неверный номер цвета заливки: " + std::to_string(index));
  }
  range_.ForEachCell([&](std::uint32_t r, std::uint16_t c) {
    ChangeFormat(range_.book_->Model(), range_.Sheet(), r, c, [&](workbook::Xf& xf) {
      if (index == xlNone) {
        xf.SetFill(0, 64, 65);
      } else {
        xf.SetFill(1, static_cast<std::uint8_t>(index + 7), 65);
      }
    });
  });
}

int RangeInterior::ColorIndex() const {
  const auto& styles = range_.book_->Model().Formats();
  std::uint16_t xf = range_.Sheet().Cells().XfOf(static_cast<std::uint32_t>(range_.first_row_ - 1),
                                                 static_cast<std::uint16_t>(range_.first_col_ - 1));
  const workbook::Xf& x = styles.XfAt(xf);
  if (x.Pattern() == 0) return xlNone;
  int color = x.PatternColor();
  return color >= 8 && color <= 63 ? color - 7 : xlNone;
}

bool CellComment::Visible() const {
  auto* shape = Sheet().Art().FindNote(row_, col_);
  return shape != nullptr && shape->note->visible;
}

void CellComment::SetVisible(bool visible) {
  auto* shape = Sheet().Art().FindNote(row_, col_);
  if (shape == nullptr) throw Error(errors::kSpreadsheet, "Примечание удалено");
  Sheet().Art().SetNoteVisible(*shape, visible);
}

std::string CellComment::Text() const {
  auto* shape = Sheet().Art().FindNote(row_, col_);
  return shape == nullptr ? std::string() : shape->note->text;
}

std::string CellComment::Text(std::string_view text) {
  auto* shape = Sheet().Art().FindNote(row_, col_);
  if (shape == nullptr) throw Error(errors::kSpreadsheet, "Примечание удалено");
  shape->note->text = std::string(text);
  shape->note->text_changed = true;
  return shape->note->text;
}

}  // namespace quorlex::automation::spreadsheet
