#include "automation/wordml/wordml_source.h"

#include <algorithm>

namespace quorlex::automation::wordml {

const SourceParagraph* WordMlSource::ParagraphHolding(std::uint32_t cp) const {
  auto it = std::upper_bound(paragraphs.begin(), paragraphs.end(), cp,
                             [](std::uint32_t c, const SourceParagraph& p) { return c < p.start; });
  if (it == paragraphs.begin()) return nullptr;
  --it;
  return cp <= it->mark ? &*it : nullptr;
}

const SourceRow* WordMlSource::RowEndingAt(std::uint32_t cp) const {
  auto it = std::lower_bound(rows.begin(), rows.end(), cp,
                             [](const SourceRow& r, std::uint32_t c) { return r.mark < c; });
  return it != rows.end() && it->mark == cp ? &*it : nullptr;
}

}  // namespace quorlex::automation::wordml
