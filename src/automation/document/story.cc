#include "automation/document/story.h"

#include <algorithm>

namespace quorlex::automation::document {

std::size_t Story::ParagraphAt(std::uint32_t offset) const {
  auto it = std::upper_bound(paragraphs.begin(), paragraphs.end(), offset,
                             [](std::uint32_t o, const Paragraph& p) { return o < p.end; });
  if (it == paragraphs.end()) return paragraphs.empty() ? 0 : paragraphs.size() - 1;
  return static_cast<std::size_t>(it - paragraphs.begin());
}

std::size_t Story::RunAt(std::uint32_t offset) const {
  auto it = std::upper_bound(runs.begin(), runs.end(), offset,
                             [](std::uint32_t o, const Run& r) { return o < r.end; });
  if (it == runs.end()) return runs.empty() ? 0 : runs.size() - 1;
  return static_cast<std::size_t>(it - runs.begin());
}

void Story::SplitRunAt(std::uint32_t at) {
  if (at == 0 || at >= size()) return;
  const std::size_t i = RunAt(at);
  const std::uint32_t start = i == 0 ? 0 : runs[i - 1].end;
  if (start == at) return;
  Run second = runs[i];
  runs[i].end = at;
  if (second.origin != kNew) second.origin += at - start;
  runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(i) + 1, second);
}

void Story::Insert(std::uint32_t at, const Story& fragment) {
  if (fragment.empty()) return;
  const std::uint32_t length = fragment.size();
  SplitRunAt(at);
  // Runs.
  const auto run_pos = std::upper_bound(runs.begin(), runs.end(), at,
                                        [](std::uint32_t o, const Run& r) { return o < r.end; });
  const auto run_index = run_pos - runs.begin();
  for (auto it = run_pos; it != runs.end(); ++it)
    it->end += length;
  std::vector<Run> added = fragment.runs;
  for (Run& r : added)
    r.end += at;
  runs.insert(runs.begin() + run_index, added.begin(), added.end());
  // Paragraphs.
  const auto par_pos =
      std::upper_bound(paragraphs.begin(), paragraphs.end(), at,
                       [](std::uint32_t o, const Paragraph& p) { return o < p.end; });
  const auto par_index = par_pos - paragraphs.begin();
  for (auto it = par_pos; it != paragraphs.end(); ++it)
    it->end += length;
  std::vector<Paragraph> added_paragraphs = fragment.paragraphs;
  for (Paragraph& p : added_paragraphs)
    p.end += at;
  paragraphs.insert(paragraphs.begin() + par_index, added_paragraphs.begin(),
                    added_paragraphs.end());
  text.insert(at, fragment.text);
}

void Story::Insert(std::uint32_t at, Story&& fragment) {
  if (at != 0 || fragment.size() < size()) {
    Insert(at, static_cast<const Story&>(fragment));
    return;
  }
  // The fragment becomes the story, and the old text follows it.
  const std::uint32_t length = fragment.size();
  for (Run r : runs) {
    r.end += length;
    fragment.runs.push_back(r);
  }
  for (Paragraph p : paragraphs) {
    p.end += length;
    fragment.paragraphs.push_back(p);
  }
  fragment.text += text;
  *this = std::move(fragment);
}

void Story::Erase(std::uint32_t from, std::uint32_t to) {
  if (to <= from) return;
  const std::uint32_t length = to - from;
  SplitRunAt(from);
  SplitRunAt(to);
  runs.erase(std::remove_if(runs.begin(), runs.end(),
                            [&](const Run& r) { return r.end > from && r.end <= to; }),
             runs.end());
  for (Run& r : runs) {
    if (r.end > to) r.end -= length;
  }
  paragraphs.erase(std::remove_if(paragraphs.begin(), paragraphs.end(),
                                  [&](const Paragraph& p) { return p.end > from && p.end <= to; }),
                   paragraphs.end());
  for (Paragraph& p : paragraphs) {
    if (p.end > to) p.end -= length;
  }
  text.erase(from, length);
}

void Story::Append(std::u16string_view chars, std::uint32_t chpx, std::uint32_t origin) {
  if (chars.empty()) return;
  const std::uint32_t start = size();
  text.append(chars);
  if (!runs.empty()) {
    Run& last = runs.back();
    const std::uint32_t last_start = runs.size() > 1 ? runs[runs.size() - 2].end : 0;
    const bool continues = last.origin == kNew
                               ? origin == kNew
                               : origin != kNew && origin == last.origin + (start - last_start);
    if (last.chpx == chpx && continues) {
      last.end = size();
      return;
    }
  }
  runs.push_back(Run{size(), chpx, origin});
}

void Story::EndParagraph(char16_t mark_char, std::uint32_t papx, std::uint32_t mark_chpx,
                         bool section_end, std::uint32_t origin) {
  Append(std::u16string_view(&mark_char, 1), mark_chpx, origin);
  paragraphs.push_back(Paragraph{size(), papx, section_end});
}

bool Story::Consistent() const {
  std::uint32_t last = 0;
  for (const Run& r : runs) {
    if (r.end <= last) return false;
    last = r.end;
  }
  if (last != size()) return false;
  last = 0;
  for (const Paragraph& p : paragraphs) {
    if (p.end <= last) return false;
    last = p.end;
  }
  return last == size();
}

}  // namespace quorlex::automation::document
