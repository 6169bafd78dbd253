#include "automation/clipboard/clipboard.h"

#include "platform/error.h"

namespace quorlex::automation::clipboard {

Clipboard& Clipboard::Process() {
  static Clipboard clipboard;
  return clipboard;
}

void Clipboard::SetHtml(std::string html) {
  html_ = std::move(html);
  has_html_ = true;
  page_.reset();
}

void Clipboard::SetPage(std::shared_ptr<const page::Page> page) {
  html_.clear();
  has_html_ = false;
  page_ = std::move(page);
}

const page::Page& Clipboard::Page(int refusal_number) const {
  if (page_ == nullptr) {
    if (!has_html_) throw Error(refusal_number, kEmpty);
    page_ = std::make_shared<const page::Page>(page::ParsePage(html_));
  }
  return *page_;
}

void Clipboard::Clear() {
  html_.clear();
  has_html_ = false;
  page_.reset();
}

}  // namespace quorlex::automation::clipboard
