#include "shell/text_box.h"

namespace quorlex::shell {

void TextBox::SetText(std::string text) {
  text_ = std::move(text);
  sel_start_ = 0;
}

void TextBox::Refresh() const {
  if (on_repaint_) on_repaint_(*this);
}

}  // namespace quorlex::shell
