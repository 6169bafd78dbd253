#include "automation/document/paragraph_properties.h"

#include "automation/document/sprm.h"
#include "platform/little_endian.h"

namespace quorlex::automation::document {

using platform::Append16;
using platform::Get16;

TableMarks DecodeTableMarks(std::string_view grpprl) {
  TableMarks marks;
  bool in_table = false;
  bool ttp = false;
  bool inner_ttp = false;
  bool have_itap = false;
  long depth = 0;
  SprmIterator it(grpprl);
  while (auto s = it.Next()) {
    switch (s->code) {
      case sprm::kPFInTable: in_table = s->Byte() != 0; break;
      case sprm::kPFTtp: ttp = s->Byte() != 0; break;
      case sprm::kPFInnerTtp: inner_ttp = s->Byte() != 0; break;
      case sprm::kPFInnerTableCell: marks.inner_cell_end = s->Byte() != 0; break;
      case sprm::kPItap:
        have_itap = true;
        depth = static_cast<std::int32_t>(s->Long());
        break;
      case sprm::kPDtap:
        have_itap = true;
        depth += static_cast<std::int32_t>(s->Long());
        break;
      default: break;
    }
  }
  if (!have_itap) depth = in_table ? 1 : 0;
  // Depth is bounded: nesting beyond what a page can show is a damaged file.
  if (depth < 0) depth = 0;
  if (depth > 64) depth = 64;
  marks.depth = static_cast<int>(depth);
  marks.row_end = marks.depth == 1 ? ttp : (marks.depth > 1 && inner_ttp);
  if (marks.depth <= 1) marks.inner_cell_end = false;
  return marks;
}

ParagraphPool::ParagraphPool() { marks_.push_back(TableMarks{}); }

std::uint32_t ParagraphPool::Intern(std::uint16_t istd, std::string_view grpprl) {
  std::string raw;
  raw.reserve(2 + grpprl.size());
  Append16(raw, istd);
  raw.append(grpprl);
  return InternRaw(raw);
}

std::uint32_t ParagraphPool::InternRaw(std::string_view istd_and_grpprl) {
  const std::size_t before = pool_.size();
  const std::uint32_t id = pool_.Intern(istd_and_grpprl);
  if (pool_.size() != before) {
    marks_.push_back(DecodeTableMarks(istd_and_grpprl.size() > 2 ? istd_and_grpprl.substr(2)
                                                                 : std::string_view()));
  }
  return id;
}

std::uint16_t ParagraphPool::Istd(std::uint32_t id) const {
  const std::string& raw = pool_.Get(id);
  return raw.size() >= 2 ? Get16(raw, 0) : 0;
}

std::string_view ParagraphPool::Grpprl(std::uint32_t id) const {
  const std::string& raw = pool_.Get(id);
  return raw.size() > 2 ? std::string_view(raw).substr(2) : std::string_view();
}

}  // namespace quorlex::automation::document
