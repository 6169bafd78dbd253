#include "automation/workbook/format_limits.h"

#include <string>

#include "automation/workbook/workbook.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::automation::workbook {
namespace {

std::string Quoted(std::string_view s) { return "«" + std::string(s) + "»"; }

}  // namespace

void CheckFormatLimits(const Workbook& book, const FormatLimits& limits) {
  const std::string holder(limits.holder);
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const Sheet& sheet = book.SheetAt(i);
    CheckSheetName(sheet.Name());
    if (!sheet.IsWorksheet()) continue;
    const auto& rows = sheet.Cells().Rows();
    std::uint64_t last_row = 0;
    bool any = false;
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
      if (!rows[r].cells.empty() || rows[r].info.own) {
        last_row = r;
        any = true;
      }
      for (const Cell& c : rows[r].cells) {
        if (c.col >= limits.columns) {
          throw Error(errors::kSpreadsheet, "Лист " + Quoted(sheet.Name()) + " шире " +
                                                std::string(limits.columns_text) +
                                                " столбцов: " + holder + " его не вместит");
        }
        if (IsText(c.kind)) {
          const std::string_view text = sheet.Cells().Text(c);
          if (text.size() > limits.cell_chars && platform::Utf16Length(text) > limits.cell_chars) {
            throw Error(errors::kSpreadsheet, "В ячейке листа " + Quoted(sheet.Name()) +
                                                  " (строка " + std::to_string(r + 1) +
                                                  ") больше 32 767 символов: " + holder +
                                                  " её не вместит");
          }
        }
      }
    }
    if (any && last_row >= limits.rows) {
      throw Error(errors::kSpreadsheet, "На листе " + Quoted(sheet.Name()) + " " +
                                            platform::Thousands(last_row + 1) + " строк, больше " +
                                            std::string(limits.rows_text) + ": " + holder +
                                            " его не вместит");
    }
    for (const Area& m : sheet.Merges()) {
      if (m.last_row >= limits.rows || m.last_col >= limits.columns) {
        throw Error(errors::kSpreadsheet, "Объединённые ячейки листа " + Quoted(sheet.Name()) +
                                              " выходят за пределы " + std::string(limits.bounds));
      }
    }
  }
}

}  // namespace quorlex::automation::workbook
