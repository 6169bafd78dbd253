#include "automation/spreadsheet/application.h"

#include <algorithm>
#include <fstream>

#include "automation/biff8/reader.h"
#include "automation/spreadsheetml/reader.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheet {

Application::Application() : workbooks_(*this) {}
Application::~Application() = default;

Range Application::Selection() const {
  if (!selection_) throw Error(errors::kSpreadsheet, "Ничего не выделено");
  return *selection_;
}

void Application::Forget(const Workbook& book) {
  if (selection_ && &selection_->Book() == &book) selection_.reset();
  if (cut_ && cut_->book == &book) cut_.reset();
  if (active_book_ == &book) active_book_ = nullptr;
}

namespace {

// A zip file: an Office Open XML package rather than a compound file.
bool IsPackage(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char signature[4] = {};
  file.read(signature, sizeof signature);
  return file.gcount() == sizeof signature && signature[0] == 'P' && signature[1] == 'K' &&
         signature[2] == 3 && signature[3] == 4;
}

}  // namespace

Workbook& WorkbookCollection::Add(const std::string& template_path) {
  auto model = IsPackage(template_path) ? spreadsheetml::ReadWorkbookFile(template_path)
                                        : biff8::ReadWorkbook(template_path);
  // A workbook made from a template is a workbook, not a template.
  model->SetTemplate(false);
  return Open(std::move(model));
}

Workbook& WorkbookCollection::Add() { return Open(workbook::Workbook::CreateBlank()); }

Workbook& WorkbookCollection::Open(std::unique_ptr<workbook::Workbook> model) {
  all_.push_back(std::make_unique<Workbook>(app_, std::move(model)));
  books_.push_back(all_.back().get());
  app_.active_book_ = books_.back();
  return *books_.back();
}

Workbook& WorkbookCollection::operator()(int index) {
  if (index < 1 || index > Count()) {
    throw Error(errors::kSpreadsheet, "Книга " + std::to_string(index) + " не найдена");
  }
  return *books_[static_cast<std::size_t>(index - 1)];
}

void WorkbookCollection::Remove(const Workbook& book) {
  app_.Forget(book);
  auto it = std::find(books_.begin(), books_.end(), &book);
  if (it == books_.end()) return;
  books_.erase(it);
  if (app_.active_book_ == nullptr && !books_.empty()) app_.active_book_ = books_.back();
}

}  // namespace quorlex::automation::spreadsheet
