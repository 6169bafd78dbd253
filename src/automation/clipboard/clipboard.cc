#include "automation/clipboard/clipboard.h"

#include "platform/error.h"

namespace quorlex::automation {

Clipboard& Clipboard::Process() {
  static Clipboard clipboard;
  return clipboard;
}

void Clipboard::SetHtml(std::string html) {
  html_ = std::move(html);
  has_html_ = true;
}

const std::string& Clipboard::Html() const {
  if (!has_html_) {
    throw Error(errors::kInvalidArgument, "Буфер обмена пуст: нечего вставить");
  }
  return html_;
}

void Clipboard::Clear() {
  html_.clear();
  has_html_ = false;
}

}  // namespace quorlex::automation
