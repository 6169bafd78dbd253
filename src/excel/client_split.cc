#include "excel/client_split.h"

#include <set>
#include <vector>

#include "excel/sheet_names.h"
#include "excel/sheet_operations.h"
#include "platform/error.h"
#include "platform/text.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;

constexpr int kClientColumn = 7;

// The first title row of the sheet from row `from` to `to`, or 0.
int FindTitleRow(const ss::Worksheet& sheet, int from, int to, const std::string& title) {
  for (int row = from; row <= to; ++row) {
    if (IsTitleRow(sheet, row, title)) return row;
  }
  return 0;
}

// Names each sheet after its block's client. Two blocks of one client (the
// same name as written, in any case) make a malformed report; a name that is
// no valid sheet name is made into one.
class ClientNames {
 public:
  explicit ClientNames(const ReportWorkbook& report) : report_(report) {}

  void Name(ss::Worksheet sheet, int title_row) {
    const std::string client = report_.data.Cells(title_row + 2, kClientColumn).Value();
    if (!client.empty() && !seen_.insert(platform::Upper(client)).second) {
      throw Error(kRefusalError, "Клиент «" + client + "» встречается на странице отчета дважды");
    }
    const int position = sheet.Index();
    const std::vector<Known>& known = KnownNames();
    sheet.SetName(ClientSheetName(client, position, [&](const std::string& name) {
      const std::string key = platform::Upper(name);
      for (std::size_t i = 0; i < known.size(); ++i) {
        if (static_cast<int>(i) + 1 != position && known[i].upper == key) return true;
      }
      return false;
    }));
  }

 private:
  struct Known {
    std::string name;
    std::string upper;
  };

  // The names of the workbook's sheets in tab order, upper-cased. A split
  // names a thousand sheets, each against all the others: a name is
  // upper-cased again only when it has changed since the last call.
  const std::vector<Known>& KnownNames() {
    const auto& model = report_.book.Model();
    known_.resize(model.SheetCount());
    for (std::size_t i = 0; i < known_.size(); ++i) {
      const std::string& name = model.SheetAt(i).Name();
      if (name != known_[i].name || known_[i].upper.empty()) {
        known_[i].upper = platform::Upper(name);
        known_[i].name = name;
      }
    }
    return known_;
  }

  const ReportWorkbook& report_;
  std::set<std::string> seen_;
  std::vector<Known> known_;
};

// The data sheet starts at the first block's title row, row 1 included, and
// takes the client's name. Returns the row where the search for further
// blocks starts.
int StartAtFirstBlock(const ReportWorkbook& report, ClientNames& names) {
  auto data = report.data;
  const int rows = UsedRowCount(data);
  const int first_title = FindTitleRow(data, 1, rows, report.title);
  if (first_title == 0) {
    // Without a title row there is no block to start from; naming a sheet
    // from whatever stands there would be a guess.
    throw Error(kRefusalError, "На странице отчета нет строки заголовка «" + report.title +
                                   "»: разделить отчет по клиентам нельзя");
  }
  if (first_title > 1) DeleteRowBand(report.app, data, 1, first_title - 1);
  names.Name(data, 1);
  report.progress.SetProgress("Клиент: " + data.Name());
  const int after = UsedRowCount(data);
  if (const int next = FindTitleRow(data, 3, after, report.title)) return next;
  return after < 3 ? 3 : after + 1;
}

// One further block, from its title row `start` to `end`: a copy of the
// first sheet that holds just that block, placed last and named after its
// client. Copying the whole sheet and deleting rows 1..start-1 from the copy
// leaves the same sheet once the copy is cut at the next block, but costs
// the whole sheet per client; CopyRows copies the block alone.
void CopyBlock(const ReportWorkbook& report, ClientNames& names, int start, int end) {
  auto sheets = report.book.Sheets();
  ss::Worksheet first = sheets(1);
  const ss::Worksheet last = sheets(sheets.Count());
  ss::Worksheet copy = first;
  if (first.IsWorksheet()) {
    copy = first.CopyRows(start, end, last);
  } else {
    first.Copy(last);
    copy = report.book.Sheets(report.book.Sheets().Count());
  }
  names.Name(copy, start);
  report.progress.AppendProgress("Клиент: " + copy.Name());
  if (!first.IsWorksheet()) DeleteRowBand(report.app, copy, 1, start - 1);
}

}  // namespace

void SplitByClient(const ReportWorkbook& report) {
  auto data = report.data;
  ClientNames names(report);
  const int block_start = StartAtFirstBlock(report, names);

  // A copy of the first sheet for every further block, in page order.
  const int rows = UsedRowCount(data);
  int k = block_start;
  while (k <= rows) {
    if (!IsTitleRow(data, k, report.title)) {
      ++k;
      continue;
    }
    const int next = FindTitleRow(data, k + 2, UsedRowCount(data), report.title);
    CopyBlock(report, names, k, next != 0 ? next - 1 : UsedRowCount(data));
    k = next != 0 ? next : k + 1;
  }

  // Every sheet but the last loses the blocks after its own.
  auto sheets = report.book.Sheets();
  const int count = sheets.Count();
  sheets(count).Select();
  sheets(count).Cells(1, 1).Select();
  for (int s = count - 1; s >= 1; --s) {
    ss::Worksheet sheet = sheets(s);
    const int r = FindTitleRow(sheet, 3, UsedRowCount(sheet), report.title);
    if (r != 0) {
      sheet.Select();
      DeleteRowBand(report.app, sheet, r, UsedRowCount(sheet));
    }
  }
}

}  // namespace quorlex::excel
