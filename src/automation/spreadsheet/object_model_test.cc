#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "automation/biff8/reader.h"
#include "automation/biff8/writer.h"
#include "automation/clipboard/clipboard.h"
#include "automation/spreadsheet/application.h"
#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/testing/xls_readers.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheet {
namespace {

using testing::Quote;
using testing::RunCommand;
using testing::TempDir;
using testing::XlsCheck;
using testing::XlsFixture;

// The description of the error `f` raises.
template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kSpreadsheet) << e.Description();
    return e.Description();
  }
  return "(no error)";
}

class ObjectModel : public ::testing::Test {
 protected:
  Application app;
  Workbook& book = app.Workbooks().Add();
  Worksheet sheet = book.Worksheets(1);

  void Fill(int first, int last, int columns = 3) {
    for (int r = first; r <= last; ++r) {
      for (int c = 1; c <= columns; ++c)
        sheet.Cells(r, c).SetValue("r" + std::to_string(r) + "c" + std::to_string(c));
    }
  }
  std::string Saved(const TempDir& dir, const std::string& name = "book.xls") {
    std::string path = dir.File(name);
    app.SetDisplayAlerts(false);
    book.SaveAs(path, xlWorkbookNormal, xlNoChange);
    return path;
  }
};

TEST_F(ObjectModel, UsedRangeIsTheBoundingBoxOfValuesAndFormats) {
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 1);  // an empty sheet reports A1
  EXPECT_EQ(sheet.UsedRange().Columns().Count(), 1);
  sheet.Cells(3, 2).SetValue("x");
  sheet.Cells(7, 4).SetValue("12");
  EXPECT_EQ(sheet.UsedRange().Row(), 3);
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 5);
  EXPECT_EQ(sheet.UsedRange().Columns().Count(), 3);
  // A format alone counts.
  sheet.Cells(9, 6).SetNumberFormat("0.00");
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 7);
  EXPECT_EQ(sheet.UsedRange().Columns().Count(), 5);
  // Emptying a cell that holds a format keeps it in the range; a cell that
  // had only a value leaves it.
  sheet.Cells(7, 4).SetValue("");
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 7);
  sheet.Cells(9, 6).SetNumberFormat("General");
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 1);
  EXPECT_EQ(sheet.UsedRange().Columns().Count(), 1);
}

TEST_F(ObjectModel, ValuesReadAsText) {
  sheet.Cells(1, 1).SetValue("1234.5");
  sheet.Cells(1, 2).SetValue("Счёт 40702810900000000001");
  sheet.Cells(1, 3).SetValue("1E+16");
  EXPECT_EQ(sheet.Cells(1, 1).Value(), "1234.5");
  EXPECT_EQ(sheet.Cells(1, 2).Value(), "Счёт 40702810900000000001");
  EXPECT_EQ(sheet.Cells(1, 3).Value(), "1E+16");
  EXPECT_EQ(sheet.Cells(5, 5).Value(), "");
  sheet.Cells(1, 1).SetValue("");
  EXPECT_EQ(sheet.Cells(1, 1).Value(), "");
}

TEST_F(ObjectModel, RowDeletionMovesEverythingBelowUp) {
  Fill(1, 10);
  auto& model = sheet.Model();
  model.Merges().push_back({4, 5, 0, 1});                     // A5:B6, below the band
  model.Merges().push_back({1, 3, 0, 0});                     // A2:A4, across the band
  model.Merges().push_back({1, 2, 1, 2});                     // B2:C3, inside the band
  model.Cells().MutableRowInfo(7) = {600, 0x0140, 15, true};  // row 8: 30 pt
  sheet.Cells(8, 3).AddComment("below");
  sheet.Cells(2, 3).AddComment("inside");
  sheet.Select();
  sheet.Rows("2:3").Select();
  app.Selection().Delete();

  EXPECT_EQ(sheet.Cells(1, 1).Value(), "r1c1");
  EXPECT_EQ(sheet.Cells(2, 1).Value(), "r4c1");
  EXPECT_EQ(sheet.Cells(8, 3).Value(), "r10c3");
  EXPECT_EQ(sheet.Cells(9, 1).Value(), "");
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 8);
  std::vector<workbook::Area> expected = {{2, 3, 0, 1}};  // A3:B4; A2:A4 shrank to one cell
  EXPECT_EQ(model.Merges(), expected);
  EXPECT_EQ(model.Cells().Rows().at(5).info.height, 600);
  EXPECT_TRUE(sheet.Cells(6, 3).HasComment());
  EXPECT_EQ(sheet.Cells(6, 3).Comment().Text(), "below");
  EXPECT_FALSE(sheet.Cells(2, 3).HasComment());
  EXPECT_EQ(model.Art().Shapes().size(), 1u);
}

TEST_F(ObjectModel, SheetCopyIsNamedPlacedAfterAndActive) {
  Fill(1, 3);
  sheet.Cells(2, 2).SetNumberFormat("#,##0.0000");
  sheet.Copy(book.Sheets(book.Sheets().Count()));
  ASSERT_EQ(book.Sheets().Count(), 2);
  Worksheet copy = book.Sheets(2);
  EXPECT_EQ(copy.Name(), "Лист1 (2)");
  EXPECT_EQ(book.ActiveSheet(), copy);
  EXPECT_EQ(copy.Cells(3, 3).Value(), "r3c3");
  EXPECT_EQ(copy.Cells(2, 2).NumberFormat(), "#,##0.0000");
  sheet.Copy(book.Sheets(2));
  EXPECT_EQ(book.Sheets(3).Name(), "Лист1 (3)");
  copy.Copy(book.Sheets(3));
  EXPECT_EQ(book.Sheets(4).Name(), "Лист1 (4)");
  // The copy is independent of its source.
  copy.Cells(1, 1).SetValue("changed");
  EXPECT_EQ(sheet.Cells(1, 1).Value(), "r1c1");
}

TEST_F(ObjectModel, SheetNamesFollowExcelsRules) {
  for (std::string bad : {"", "a:b", "a\\b", "a/b", "a?b", "a*b", "[a", "a]", "'a", "a'",
                          "абвгдеёжзийклмнопрстуфхцчшщъыьэю"}) {
    EXPECT_EQ(ErrorOf([&] { sheet.SetName(bad); }), "Недопустимое имя листа: «" + bad + "»");
  }
  sheet.SetName("Клиент 'Альфа' 1");  // apostrophes inside are fine
  sheet.SetName(std::string(31, 'x'));
  sheet.SetName("Лист");
  sheet.Copy(book.Sheets(1));
  EXPECT_EQ(ErrorOf([&] { book.Sheets(2).SetName("ЛИСТ"); }),
            "Лист с именем «ЛИСТ» уже существует");
  book.Sheets(2).SetName("лист2");
  sheet.SetName("ЛИСТ");  // renaming a sheet to its own name in another case
  EXPECT_EQ(sheet.Name(), "ЛИСТ");
}

TEST_F(ObjectModel, CommentsAreAddedOnceHiddenAndSaved) {
  TempDir dir;
  sheet.Cells(40, 19).AddComment();
  EXPECT_EQ(ErrorOf([&] { sheet.Cells(40, 19).AddComment(); }),
            "Ячейка S40 уже содержит примечание");
  sheet.Cells(40, 19).Comment().SetVisible(false);
  sheet.Cells(40, 19).Comment().Text(
      "В расчете итогового РРР участвуют только положительные РРР по сделкам");
  EXPECT_EQ(ErrorOf([&] { sheet.Cells(1, 1).Comment(); }), "Ячейка A1 не содержит примечания");
  std::string path = Saved(dir);
  auto dump = RunCommand(XlsCheck() + " dump " + Quote(path));
  ASSERT_EQ(dump.status, 0) << dump.output;
  EXPECT_NE(dump.output.find("\"39,18\": [\n     \"В расчете итогового РРР участвуют только "
                             "положительные РРР по сделкам\""),
            std::string::npos)
      << dump.output;
  // And the engine reads it back.
  auto again = biff8::ReadWorkbook(path);
  auto* note = again->SheetAt(0).Art().FindNote(39, 18);
  ASSERT_NE(note, nullptr);
  EXPECT_FALSE(note->note->visible);
}

TEST_F(ObjectModel, NumberFormatsBordersFillAndWrap) {
  TempDir dir;
  sheet.Cells(8, 5).SetValue("1234.56789");
  sheet.Cells(8, 5).SetNumberFormat("#,##0.0000");
  sheet.Cells(9, 5).SetNumberFormat("#,##0.00000");
  EXPECT_EQ(sheet.Cells(8, 5).NumberFormat(), "#,##0.0000");
  EXPECT_EQ(sheet.Cells(1, 1).NumberFormat(), "General");
  Range cell = sheet.Cells(3, 3);
  cell.Borders(xlEdgeLeft).SetLineStyle(xlContinuous);
  cell.Interior().SetColorIndex(6);
  EXPECT_EQ(cell.Borders(xlEdgeLeft).LineStyle(), xlContinuous);
  EXPECT_EQ(cell.Interior().ColorIndex(), 6);
  for (int edge : {xlEdgeLeft, xlEdgeTop, xlEdgeRight, xlEdgeBottom})
    cell.Borders(edge).SetLineStyle(xlNone);
  cell.Interior().SetColorIndex(xlNone);
  EXPECT_EQ(cell.Borders(xlEdgeLeft).LineStyle(), xlNone);
  EXPECT_EQ(cell.Interior().ColorIndex(), xlNone);
  // Clearing what an unformatted cell never had leaves it unformatted.
  // C3 is back to the Normal format, so the used range is E8:E9.
  sheet.Cells(20, 20).Borders(xlEdgeTop).SetLineStyle(xlNone);
  EXPECT_EQ(sheet.UsedRange().Row(), 8);
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 2);
  EXPECT_DOUBLE_EQ(sheet.Cells(1, 1).ColumnWidth(), 8.43);
  sheet.Cells(2, 1).SetWrapText(true);
  EXPECT_TRUE(sheet.Cells(2, 1).WrapText());
  std::string path = Saved(dir);
  auto dump = RunCommand(XlsCheck() + " dump " + Quote(path));
  ASSERT_EQ(dump.status, 0) << dump.output;
  EXPECT_NE(dump.output.find("#,##0.0000\""), std::string::npos);
  auto values = RunCommand(XlsCheck() + " values " + Quote(path));
  EXPECT_NE(values.output.find("Лист1\t7\t4\t1234.56789"), std::string::npos) << values.output;
}

TEST_F(ObjectModel, CutRowsPastedOnAnotherSheetLeaveTheSourceEmpty) {
  TempDir dir;
  Fill(1, 8);
  sheet.Model().Merges().push_back({5, 5, 0, 2});  // A6:C6
  sheet.Cells(7, 2).AddComment("moves");
  sheet.Copy(book.Sheets(1));
  Worksheet second = book.Sheets(2);
  second.Select();
  for (int r = 1; r <= 8; ++r)
    second.Rows(r, r).Delete();
  second.Rows("1:8").Delete();
  sheet.Select();
  sheet.Rows("6:8").Select();
  app.Selection().Cut();
  second.Select();
  second.Cells(1, 1).Select();
  second.Paste();
  second.Cells(1, 1).Select();
  EXPECT_EQ(second.Cells(1, 1).Value(), "r6c1");
  EXPECT_EQ(second.Cells(3, 3).Value(), "r8c3");
  EXPECT_TRUE(second.Cells(2, 2).HasComment());
  EXPECT_EQ(second.Model().Merges(), (std::vector<workbook::Area>{{0, 0, 0, 2}}));
  EXPECT_EQ(sheet.Cells(6, 1).Value(), "");
  EXPECT_EQ(sheet.Cells(5, 1).Value(), "r5c1");
  EXPECT_FALSE(sheet.Cells(7, 2).HasComment());
  EXPECT_TRUE(sheet.Model().Merges().empty());
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 5);
  std::string path = Saved(dir);
  auto values = RunCommand(XlsCheck() + " values " + Quote(path));
  ASSERT_EQ(values.status, 0) << values.output;
  EXPECT_NE(values.output.find("Лист1 (2)\t2\t1\t'r8c2'"), std::string::npos) << values.output;
}

TEST_F(ObjectModel, RefusalsCarryClearDescriptions) {
  EXPECT_EQ(ErrorOf([&] { sheet.Cells(0, 1); }), "Неверный адрес ячейки: строка 0, столбец 1");
  EXPECT_EQ(ErrorOf([&] { book.Sheets(2); }), "Лист 2 не найден");
  EXPECT_EQ(ErrorOf([&] { book.Worksheets(0); }), "Лист 0 не найден");
  EXPECT_EQ(ErrorOf([&] { sheet.Rows("0:3"); }), "Неверная полоса строк: 0:3");
  EXPECT_EQ(ErrorOf([&] { sheet.Rows("a:b"); }), "Неверная полоса строк: «a:b»");
  clipboard::Clipboard::Process().Clear();
  EXPECT_EQ(ErrorOf([&] { sheet.Paste(); }), "Буфер обмена пуст: вставлять нечего");
  sheet.Copy(book.Sheets(1));
  EXPECT_NE(ErrorOf([&] { book.Sheets(1).Cells(1, 1).Select(); }).find("неактивного листа"),
            std::string::npos);
}

// Excel 97-2003 opens a workbook of 200 number formats of its own in any
// language; the next one is refused rather than written.
TEST_F(ObjectModel, NumberFormatsAreCappedAtTwoHundred) {
  for (int i = 0; i < 200; ++i)
    sheet.Cells(i + 1, 1).SetNumberFormat("0\" шт. " + std::to_string(i) + "\"");
  EXPECT_EQ(ErrorOf([&] { sheet.Cells(1, 2).SetNumberFormat("0.000\" кг\""); }),
            "Слишком много различных числовых форматов в книге (более 200)");
  sheet.Cells(1, 3).SetNumberFormat("0\" шт. 7\"");  // one the workbook has
  sheet.Cells(1, 4).SetNumberFormat("0.00");         // a built-in one
  TempDir dir;
  const auto dump = RunCommand(XlsCheck() + " dump " + Quote(Saved(dir)));
  ASSERT_EQ(dump.status, 0) << dump.output;
  EXPECT_NE(dump.output.find("шт. 199"), std::string::npos);  // the last one is there
}

TEST_F(ObjectModel, ChartSheetIsNotAWorksheet) {
  auto chart = std::make_unique<workbook::Sheet>(workbook::SheetKind::kChart, "Диаграмма1");
  book.Model().AppendSheet(std::move(chart));
  sheet.Copy(book.Sheets(2));
  EXPECT_EQ(book.Sheets().Count(), 3);
  EXPECT_EQ(book.Worksheets().Count(), 2);
  EXPECT_EQ(book.Worksheets(2).Name(), "Лист1 (2)");
  EXPECT_EQ(book.Sheets(2).Name(), "Диаграмма1");
  EXPECT_EQ(ErrorOf([&] { book.Sheets(2).UsedRange(); }),
            "Лист «Диаграмма1» не является рабочим листом");
  EXPECT_EQ(ErrorOf([&] { book.Sheets(2).Cells(1, 1); }),
            "Лист «Диаграмма1» не является рабочим листом");
}

TEST_F(ObjectModel, SaveRespectsAlertsAndLimits) {
  TempDir dir;
  std::string path = dir.File("exists.xls");
  { std::ofstream(path) << "old"; }
  EXPECT_NE(ErrorOf([&] { book.SaveAs(path); }).find("уже существует"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(path), 3u);
  app.SetDisplayAlerts(false);
  sheet.Cells(70000, 1).SetValue("too far");
  EXPECT_NE(ErrorOf([&] { book.SaveAs(path); }).find("65 536"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(path), 3u);
  sheet.Cells(70000, 1).SetValue("");
  EXPECT_NE(ErrorOf([&] { book.SaveAs(path, 6); }).find("Формат файла 6"), std::string::npos);
  // A workbook keeps the kind of file its template was.
  EXPECT_NE(ErrorOf([&] { book.SaveAs(path, xlOpenXMLWorkbook); }).find("шаблона Excel 97-2003"),
            std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(path), 3u);
  book.SaveAs(path, xlWorkbookNormal, xlNoChange);
  EXPECT_GT(std::filesystem::file_size(path), 3u);
  book.Close();
  EXPECT_EQ(app.Workbooks().Count(), 0);
}

// Callers still hold the workbook, its sheets and ranges after Close: each
// refuses, none dangles.
TEST_F(ObjectModel, AClosedWorkbookRefusesItsMembers) {
  sheet.Cells(2, 2).SetValue("x");
  sheet.Cells(2, 2).AddComment("note");
  const Range cell = sheet.Cells(2, 2);
  const CellComment note = cell.Comment();
  Workbook& other = app.Workbooks().Add();
  book.Close();
  EXPECT_TRUE(book.Closed());
  EXPECT_EQ(app.Workbooks().Count(), 1);
  EXPECT_EQ(&app.Workbooks().Item(1), &other);
  const std::string closed = "Книга закрыта: обращение к ней невозможно";
  EXPECT_EQ(ErrorOf([&] { book.Sheets().Count(); }), closed);
  EXPECT_EQ(ErrorOf([&] { book.Worksheets(1); }), closed);
  EXPECT_EQ(ErrorOf([&] { book.SaveAs("/nonexistent/x.xls"); }), closed);
  EXPECT_EQ(ErrorOf([&] { book.Close(); }), closed);
  EXPECT_EQ(ErrorOf([&] { sheet.Name(); }), closed);
  EXPECT_EQ(ErrorOf([&] { sheet.Cells(1, 1); }), closed);
  EXPECT_EQ(ErrorOf([&] { cell.Value(); }), closed);
  EXPECT_EQ(ErrorOf([&] { cell.SetWrapText(true); }), closed);
  EXPECT_EQ(ErrorOf([&] { cell.Borders(xlEdgeTop).SetLineStyle(xlNone); }), closed);
  EXPECT_EQ(ErrorOf([&] { note.Text(); }), closed);
  EXPECT_EQ(ErrorOf([&] { app.Selection(); }), "Ничего не выделено");
}

TEST_F(ObjectModel, WorkbookFromATemplateIsNotATemplate) {
  TempDir dir;
  auto model = biff8::ReadWorkbook(XlsFixture("xlrd-namesdemo.xls"));
  model->SetTemplate(true);
  std::string xlt = dir.File("REPORT.xlt");
  biff8::WriteWorkbook(*model, xlt);
  Workbook& made = app.Workbooks().Add(xlt);
  EXPECT_EQ(made.Sheets().Count(), 4);
  app.SetDisplayAlerts(false);
  std::string out = dir.File("out.xls");
  made.SaveAs(out);
  EXPECT_FALSE(biff8::ReadWorkbook(out)->IsTemplate());
  auto result = RunCommand(XlsCheck() + " compare " + Quote(XlsFixture("xlrd-namesdemo.xls")) +
                           " " + Quote(out));
  EXPECT_EQ(result.status, 0) << result.output;
}

// A band copy gives what a copy and two row deletions give.
TEST_F(ObjectModel, CopyRowsMatchesCopyThenDelete) {
  Fill(1, 30, 4);
  auto& m = sheet.Model();
  m.Merges().push_back({11, 12, 0, 1});
  m.Merges().push_back({8, 10, 2, 2});
  sheet.Cells(12, 3).AddComment("kept");
  sheet.Cells(25, 3).AddComment("dropped");
  sheet.Cells(11, 2).SetNumberFormat("0.000");
  Worksheet quick = sheet.CopyRows(10, 20, book.Sheets(book.Sheets().Count()));
  EXPECT_EQ(book.ActiveSheet(), quick);
  sheet.Copy(book.Sheets(book.Sheets().Count()));
  Worksheet slow = book.Sheets(book.Sheets().Count());
  slow.Rows("21:30").Delete();
  slow.Rows("1:9").Delete();
  EXPECT_EQ(quick.Name(), "Лист1 (2)");
  EXPECT_EQ(slow.Name(), "Лист1 (3)");
  for (int r = 1; r <= 12; ++r) {
    for (int c = 1; c <= 4; ++c) {
      EXPECT_EQ(quick.Cells(r, c).Value(), slow.Cells(r, c).Value()) << r << "," << c;
      EXPECT_EQ(quick.Cells(r, c).NumberFormat(), slow.Cells(r, c).NumberFormat());
    }
  }
  EXPECT_EQ(quick.Model().Merges(), slow.Model().Merges());
  EXPECT_TRUE(quick.Cells(3, 3).HasComment());
  EXPECT_EQ(quick.Model().Art().Shapes().size(), slow.Model().Art().Shapes().size());
  EXPECT_EQ(quick.UsedRange().Rows().Count(), slow.UsedRange().Rows().Count());
  TempDir dir;
  std::string path = Saved(dir);
  auto result = RunCommand(XlsCheck() + " dump " + Quote(path));
  EXPECT_EQ(result.status, 0) << result.output;
}

}  // namespace
}  // namespace quorlex::automation::spreadsheet

namespace quorlex::automation::spreadsheet {
namespace {

// The whole way from the clipboard: page parsed, laid out and written at
// the active cell.
TEST_F(ObjectModel, PasteOfThePageOnTheClipboard) {
  clipboard::Clipboard::Process().SetHtml(
      "<html><head><style>td.n { text-align: right } .t { font-weight: bold; background-color: "
      "#FFFF00 }</style></head>"
      "<body><table border=1>"
      "<tr><td class=t colspan=3>Обороты</td></tr>"
      "<tr><td rowspan=2>40702810900000000001</td><td class=n>1 234 567,89</td><td>007</td></tr>"
      "<tr><td class=n>-0,5</td><td style='mso-number-format:\"\\@\"'>12,5%</td></tr>"
      "</table></body></html>");
  sheet.Select();
  sheet.Cells(2, 2).Select();
  sheet.Paste();
  EXPECT_EQ(sheet.Cells(2, 2).Value(), "Обороты");
  EXPECT_EQ(sheet.Cells(3, 2).Value(), "40702810900000000001");
  EXPECT_EQ(sheet.Cells(3, 3).Value(), "1234567.89");
  EXPECT_EQ(sheet.Cells(3, 4).Value(), "007");
  EXPECT_EQ(sheet.Cells(4, 3).Value(), "-0.5");
  EXPECT_EQ(sheet.Cells(4, 4).Value(), "12,5%");
  EXPECT_EQ(sheet.UsedRange().Row(), 2);
  EXPECT_EQ(sheet.UsedRange().Rows().Count(), 3);
  EXPECT_EQ(sheet.UsedRange().Columns().Count(), 3);
  auto& merges = sheet.Model().Merges();
  EXPECT_NE(std::find(merges.begin(), merges.end(), workbook::Area{1, 1, 1, 3}), merges.end());
  EXPECT_NE(std::find(merges.begin(), merges.end(), workbook::Area{2, 3, 1, 1}), merges.end());
  TempDir dir;
  std::string path = Saved(dir);
  auto values = RunCommand(XlsCheck() + " values " + Quote(path));
  ASSERT_EQ(values.status, 0) << values.output;
  EXPECT_NE(values.output.find("Лист1\t2\t2\t1234567.89"), std::string::npos) << values.output;
}

// Dates become date values that read, through Value, as the text they
// show; accounting negatives become negative numbers; an independent
// reader sees date cells.
TEST_F(ObjectModel, DatesAndNegativesFromThePage) {
  clipboard::Clipboard::Process().SetHtml(
      "<table><tr><td>07.12.2026</td><td>07.12.2026 09:30</td><td>(1 234,56)</td>"
      "<td style='mso-number-format:\"\\@\"'>08.12.2026</td><td>9:30</td></tr></table>");
  sheet.Select();
  sheet.Cells(1, 1).Select();
  sheet.Paste();
  EXPECT_EQ(sheet.Cells(1, 1).Value(), "07.12.2026");
  EXPECT_EQ(sheet.Cells(1, 1).NumberFormat(), "dd.mm.yyyy");
  EXPECT_EQ(sheet.Cells(1, 2).Value(), "07.12.2026 09:30");
  EXPECT_EQ(sheet.Cells(1, 3).Value(), "-1234.56");
  EXPECT_EQ(sheet.Cells(1, 3).NumberFormat(), "#,##0.00;(#,##0.00)");
  EXPECT_EQ(sheet.Cells(1, 4).Value(), "08.12.2026");
  EXPECT_EQ(sheet.Cells(1, 4).NumberFormat(), "@");
  EXPECT_EQ(sheet.Cells(1, 5).Value(), "9:30");
  TempDir dir;
  auto dump = RunCommand(XlsCheck() + " dump " + Quote(Saved(dir)));
  ASSERT_EQ(dump.status, 0) << dump.output;
  // xlrd's cell type 3 is a date: a number under a date format.
  EXPECT_NE(dump.output.find("\"0,0\": [\n     3,\n     46363.0"), std::string::npos)
      << dump.output;
  EXPECT_NE(dump.output.find("\"0,2\": [\n     2,\n     -1234.56"), std::string::npos)
      << dump.output;
}

}  // namespace
}  // namespace quorlex::automation::spreadsheet
