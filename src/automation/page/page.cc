#include "automation/page/page.h"

namespace quorlex::automation::page {

std::string_view Page::Text(const Paragraph& p) const {
  if (p.run_count == 0) return {};
  const Run& first = runs[p.first_run];
  const Run& last = runs[p.first_run + p.run_count - 1];
  return std::string_view(text).substr(first.offset, last.offset + last.length - first.offset);
}

}  // namespace quorlex::automation::page
