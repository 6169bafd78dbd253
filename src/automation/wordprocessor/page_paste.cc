#include "automation/wordprocessor/page_paste.h"

#include "automation/wordprocessor/document_state.h"

namespace quorlex::automation::wordprocessor {

PasteResult PastePage(document::Document&, std::uint32_t, std::string_view) {
  Refuse("Вставка страницы еще не реализована");
}

}  // namespace quorlex::automation::wordprocessor
