#include "automation/browser/browser.h"

#include "automation/browser/renderer.h"
#include "automation/clipboard/clipboard.h"

namespace quorlex::automation::browser {

void Browser::OnDocumentComplete(DocumentCompleteHandler handler) {
  on_complete_ = std::move(handler);
}

void Browser::OnNavigateError(NavigateErrorHandler handler) { on_error_ = std::move(handler); }

void Browser::Navigate(const std::string& url) {
  url_ = url;
  page_.reset();
  selected_ = false;
  try {
    page_ = std::make_shared<const page::Page>(RenderReportPage(url, limits_));
    pending_ = [handler = on_complete_, url] {
      if (handler) handler(url);
    };
  } catch (const Error& error) {
    pending_ = [handler = on_error_, error] {
      if (handler) handler(error);
    };
  }
}

std::optional<Browser::Event> Browser::TakePendingEvent() {
  std::optional<Event> event = std::move(pending_);
  pending_.reset();
  return event;
}

void Browser::ExecWB(int command, int /*option*/) {
  if (page_ == nullptr) {
    throw Error(errors::kRendering, "Страница отчета не загружена");
  }
  switch (command) {
    case OLECMDID_SELECTALL: selected_ = true; return;
    case OLECMDID_COPY:
      if (!selected_) throw Error(errors::kRendering, "На странице отчета ничего не выделено");
      clipboard::Clipboard::Process().SetPage(page_);
      return;
    default:
      throw Error(errors::kInvalidArgument,
                  "Неизвестная команда браузера: " + std::to_string(command));
  }
}

}  // namespace quorlex::automation::browser
