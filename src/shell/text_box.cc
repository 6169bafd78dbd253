#include "shell/text_box.h"

#include "platform/text.h"

namespace quorlex::shell {

void TextBox::SetText(std::string text) {
  text_ = std::move(text);
  length_ = platform::Length(text_);
  sel_start_ = 0;
}

void TextBox::Append(std::string_view addition) {
  text_.append(addition);
  length_ += platform::Length(addition);
  sel_start_ = 0;
}

void TextBox::Refresh() const {
  if (on_repaint_) on_repaint_(*this);
}

void TextBoxProgress::SetProgress(std::string_view text) {
  box_.SetText(std::string(text));
  box_.Refresh();
}

void TextBoxProgress::AppendProgress(std::string_view text) {
  box_.Append("\r\n" + std::string(text));
  box_.Refresh();
  box_.SetSelStart(box_.Length());
}

void TextBoxProgress::AppendError(std::string_view description) {
  box_.Append("\r\n" + std::string(description));
  box_.SetSelStart(box_.Length());
}

}  // namespace quorlex::shell
