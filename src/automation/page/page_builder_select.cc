// Select boxes show the text of the chosen option, or of the first.

#include <utility>

#include "automation/page/page_builder.h"
#include "automation/page/white_space.h"

namespace quorlex::automation::page {

void PageBuilder::SelectStart(std::uint32_t style) {
  // The select keeps its style until it ends: styles may no longer be
  // rebuilt in place.
  content_started_ = true;
  select_ = SelectState{};
  select_.active = true;
  select_.style = style;
  select_.depth = 1;
}

void PageBuilder::SelectElementStart(Tag tag, std::span<const HtmlAttribute> attributes) {
  ++select_.depth;
  if (tag == Tag::kOption && select_.option_depth == 0) {
    select_.option_depth = select_.depth;
    select_.option_selected = HasAttribute(attributes, "selected");
    select_.option_text.clear();
    // An option with a label shows the label, not its content.
    select_.option_labelled = HasAttribute(attributes, "label");
    if (select_.option_labelled)
      select_.option_text = std::string(AttributeValue(attributes, "label"));
  }
}

void PageBuilder::SelectElementEnd() {
  if (select_.depth == select_.option_depth) {
    std::string text = Collapsed(select_.option_text);
    if (select_.option_selected && !select_.have_chosen) {
      select_.have_chosen = true;
      select_.chosen = text;
    }
    if (!select_.have_first) {
      select_.have_first = true;
      select_.first = std::move(text);
    }
    select_.option_depth = 0;
  }
  if (--select_.depth > 0) return;
  select_.active = false;
  EmitText(select_.have_chosen ? select_.chosen : select_.first, select_.style);
}

}  // namespace quorlex::automation::page
