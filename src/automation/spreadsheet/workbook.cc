#include "automation/spreadsheet/workbook.h"

#include <sys/stat.h>

#include <algorithm>
#include <iterator>
#include <string_view>

#include "automation/biff8/writer.h"
#include "automation/properties/summary.h"
#include "automation/spreadsheet/application.h"
#include "automation/spreadsheetml/writer.h"
#include "automation/workbook/row_heights.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheet {

namespace {

// A new workbook's summary properties (see properties/summary.h): made from
// the template's, with its own times and without stale statistics.
void GiveNewFileProperties(workbook::Workbook& model, properties::Clock::time_point created,
                           properties::Clock::time_point saved) {
  auto& streams = model.OtherStreams();
  const auto update = [&](std::string_view name, const auto& fresh) {
    auto it = std::find_if(streams.begin(), streams.end(), [&](const workbook::StoredStream& s) {
      return !s.is_storage && s.path == name;
    });
    const std::string before =
        it == streams.end() ? std::string() : std::string(it->data.begin(), it->data.end());
    const std::string after = fresh(before);
    if (after.empty()) {
      if (it != streams.end()) streams.erase(it);
      return;
    }
    if (it == streams.end()) {
      workbook::StoredStream made;
      made.path = std::string(name);
      streams.push_back(std::move(made));
      it = std::prev(streams.end());
    }
    it->data.assign(after.begin(), after.end());
  };
  update(properties::kSummaryStream,
         [&](const std::string& s) { return properties::FreshSummary(s, created, saved); });
  update(properties::kDocumentSummaryStream,
         [](const std::string& s) { return properties::FreshDocumentSummary(s); });
}

}  // namespace

int SheetCollection::Count() const {
  auto& model = book_->Model();
  if (!worksheets_only_) return static_cast<int>(model.SheetCount());
  int n = 0;
  for (std::size_t i = 0; i < model.SheetCount(); ++i)
    n += model.SheetAt(i).IsWorksheet() ? 1 : 0;
  return n;
}

Worksheet SheetCollection::operator()(int index) const {
  auto& model = book_->Model();
  if (!worksheets_only_ && index >= 1 && static_cast<std::size_t>(index) <= model.SheetCount()) {
    return book_->SheetAtIndex(static_cast<std::size_t>(index) - 1);
  }
  if (index >= 1) {
    int seen = 0;
    for (std::size_t i = 0; i < model.SheetCount(); ++i) {
      if (worksheets_only_ && !model.SheetAt(i).IsWorksheet()) continue;
      if (++seen == index) return book_->SheetAtIndex(i);
    }
  }
  throw Error(errors::kSpreadsheet, "Лист " + std::to_string(index) + " не найден");
}

Workbook::Workbook(Application& app, std::unique_ptr<workbook::Workbook> model)
    : app_(app), model_(std::move(model)) {}
Workbook::~Workbook() = default;

workbook::Workbook& Workbook::Model() {
  if (model_ == nullptr)
    throw Error(errors::kSpreadsheet, "Книга закрыта: обращение к ней невозможно");
  return *model_;
}

Worksheet Workbook::SheetAtIndex(std::size_t index) {
  return Worksheet(*this, Model().SheetAt(index));
}

Worksheet Workbook::ActiveSheet() { return SheetAtIndex(Model().ActiveSheet()); }

void Workbook::SaveAs(const std::string& filename, int file_format, int access_mode) {
  Model();            // refuses a closed workbook
  (void)access_mode;  // xlNoChange and the others mean nothing to a file on disk
  const bool open_xml = file_format == xlOpenXMLWorkbook;
  if (file_format != xlWorkbookNormal && file_format != xlExcel8 && !open_xml) {
    throw Error(errors::kSpreadsheet,
                "Формат файла " + std::to_string(file_format) +
                    " не поддерживается: книга сохраняется только в формате Excel 97-2003");
  }
  // Each engine writes what its reader kept of the template: a workbook
  // keeps the format of the template it was made from.
  if (open_xml && model_->Markup() == nullptr) {
    throw Error(errors::kSpreadsheet,
                "Книга создана из шаблона Excel 97-2003: в формате книги Excel 2007 или новее ее "
                "сохранить нельзя");
  }
  if (!open_xml && model_->Markup() != nullptr) {
    throw Error(errors::kSpreadsheet,
                "Книга создана из шаблона Excel 2007 или новее: в формате Excel 97-2003 ее "
                "сохранить нельзя");
  }
  struct stat st {};
  if (app_.DisplayAlerts() && stat(filename.c_str(), &st) == 0) {
    throw Error(errors::kSpreadsheet, "Файл «" + filename +
                                          "» уже существует, а заменить его без вопроса можно "
                                          "только при выключенных предупреждениях (DisplayAlerts)");
  }
  // A spreadsheet fits rows to their content as cells are pasted into them
  // or start to wrap; here that happens once, before the file is written.
  for (std::size_t i = 0; i < model_->SheetCount(); ++i) {
    workbook::Sheet& sheet = model_->SheetAt(i);
    if (sheet.IsWorksheet()) workbook::FitRowHeights(model_->Formats(), sheet);
  }
  if (open_xml) {
    spreadsheetml::WriteWorkbook(*model_, filename);
    return;
  }
  GiveNewFileProperties(*model_, created_, std::chrono::system_clock::now());
  biff8::WriteWorkbook(*model_, filename);
}

void Workbook::Close() {
  Model();  // refuses a closed workbook
  app_.Workbooks().Remove(*this);
  model_.reset();
}

}  // namespace quorlex::automation::spreadsheet
