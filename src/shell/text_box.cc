#include "shell/text_box.h"

#include "platform/text.h"

namespace quorlex::shell {

void TextBox::SetText(std::string text) {
  text_ = std::move(text);
  length_ = text::Length(text_);
  sel_start_ = 0;
}

void TextBox::Append(std::string_view addition) {
  text_.append(addition);
  length_ += text::Length(addition);
  sel_start_ = 0;
}

void TextBox::Refresh() const {
  if (on_repaint_) on_repaint_(*this);
}

}  // namespace quorlex::shell
