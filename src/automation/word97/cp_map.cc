#include "automation/word97/cp_map.h"

#include <algorithm>

namespace quorlex::automation::word97 {

CpMap::CpMap(const document::Document& document, const std::vector<std::uint32_t>& story_starts,
             std::uint32_t old_total, std::uint32_t new_total)
    : old_total_(old_total), new_total_(new_total) {
  for (std::size_t part = 0; part < document::kStoryCount; ++part) {
    const document::Story& story = document.stories[part];
    std::uint32_t start = 0;
    for (const document::Run& run : story.runs) {
      if (run.origin != document::kNew) {
        const std::uint32_t length = run.end - start;
        if (!segments_.empty() &&
            segments_.back().old_start + segments_.back().length == run.origin &&
            segments_.back().new_start + segments_.back().length == story_starts[part] + start) {
          segments_.back().length += length;
        } else {
          segments_.push_back({run.origin, story_starts[part] + start, length});
        }
      }
      start = run.end;
    }
  }
  std::stable_sort(segments_.begin(), segments_.end(),
                   [](const Segment& a, const Segment& b) { return a.old_start < b.old_start; });
}

CpMap::Result CpMap::Map(std::uint32_t old_cp) const {
  if (old_cp >= old_total_) return {new_total_ + (old_cp - old_total_), old_cp == old_total_};
  auto it = std::upper_bound(segments_.begin(), segments_.end(), old_cp,
                             [](std::uint32_t cp, const Segment& s) { return cp < s.old_start; });
  if (it == segments_.begin()) {
    // Deleted before anything that survives: it was at the start.
    return {segments_.empty() ? 0 : segments_.front().new_start, false};
  }
  --it;
  if (old_cp < it->old_start + it->length) return {it->new_start + (old_cp - it->old_start), true};
  return {it->new_start + it->length, false};
}

}  // namespace quorlex::automation::word97
