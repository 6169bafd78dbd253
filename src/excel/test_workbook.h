#pragma once

// A workbook in memory with a page already pasted into its first worksheet,
// for the tests of the steps that reshape it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/spreadsheet/application.h"
#include "conversion/recording_context.h"
#include "excel/post_processing.h"

namespace quorlex::excel::testing {

namespace ss = automation::spreadsheet;

// A test with an application and a new workbook.
class WorkbookTest : public ::testing::Test {
 protected:
  ss::Application app;
  ss::Workbook& book = app.Workbooks().Add();
  ss::Worksheet data = book.Worksheets(1);
  conversion::RecordingProgress progress;

  // Texts from row `first` on, each row from column 1; "" leaves a cell empty.
  void Fill(const ss::Worksheet& sheet, int first,
            const std::vector<std::vector<std::string>>& rows) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        if (rows[r][c].empty()) continue;
        sheet.Cells(first + static_cast<int>(r), static_cast<int>(c) + 1).SetValue(rows[r][c]);
      }
    }
  }
  void Fill(int first, const std::vector<std::vector<std::string>>& rows) {
    Fill(data, first, rows);
  }

  // The values of one column from row 1 to the last used row.
  static std::vector<std::string> Column(const ss::Worksheet& sheet, int column) {
    std::vector<std::string> values;
    const ss::Range used = sheet.UsedRange();
    for (int r = 1; r <= used.Row() + used.Rows().Count() - 1; ++r) {
      values.push_back(sheet.Cells(r, column).Value());
    }
    return values;
  }

  // The width of a column of `sheet` set to a whole number of characters.
  static void SetColumnWidth(const ss::Worksheet& sheet, int column, int characters) {
    // Units are 1/256 of a 7-pixel character with 5 pixels of padding.
    const auto units = static_cast<std::uint16_t>(((characters * 7 + 5) * 256 + 6) / 7);
    const auto col = static_cast<std::uint16_t>(column - 1);
    sheet.Model().Columns().push_back({col, col, units, automation::workbook::kDefaultXf, 0});
  }

  ReportWorkbook Report(const std::string& code, const std::string& title) {
    return {code, title, app, book, data, progress};
  }
};

}  // namespace quorlex::excel::testing
