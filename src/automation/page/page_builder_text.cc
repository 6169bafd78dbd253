// Text into paragraphs of runs: white space collapsed or kept as the
// element's style says, line breaks, paragraphs opened and flushed.

#include <algorithm>

#include "automation/page/page_builder.h"
#include "automation/page/white_space.h"
#include "platform/text.h"

namespace quorlex::automation::page {

using platform::IsAsciiSpace;

bool IsControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

// White space collapsed and trimmed, as an option or a title shows.
std::string Collapsed(std::string_view s) {
  std::string out;
  bool space = false;
  for (char c : s) {
    if (IsAsciiSpace(c)) {
      space = !out.empty();
    } else if (!IsControl(c)) {
      if (space) out.push_back(' ');
      space = false;
      out.push_back(c);
    }
  }
  return out;
}

void PageBuilder::OpenParagraph(std::uint32_t format_style) {
  ParagraphState& p = Current().paragraph;
  if (p.open) return;
  content_started_ = true;
  p.open = true;
  p.first_run = static_cast<std::uint32_t>(page_.runs.size());
  p.paragraph = Paragraph{};
  p.paragraph.first_run = p.first_run;
  p.paragraph.format = ParagraphFormatOf(format_style);
  if (stack_.empty()) return;
  const OpenElement& top = stack_.back();
  p.paragraph.heading = top.heading;
  if (top.list_item != kNone) {
    OpenElement& item = stack_[top.list_item];
    p.paragraph.list_level =
        static_cast<std::uint8_t>(std::min<std::uint32_t>(item.list_depth, 255));
    p.paragraph.list_ordered = item.ordered;
    p.paragraph.list_number = item.item_number;
    p.paragraph.list_item_start = item.marker_pending;
    item.marker_pending = false;
  }
}

void PageBuilder::Append(std::string_view chars, std::uint32_t char_format) {
  ParagraphState& p = Current().paragraph;
  if (!p.open) OpenParagraph(stack_.empty() ? 0 : stack_.back().block_style);
  if (page_.runs.size() > p.first_run && page_.runs.back().format == char_format) {
    page_.runs.back().length += static_cast<std::uint32_t>(chars.size());
  } else {
    page_.runs.push_back(Run{static_cast<std::uint32_t>(page_.text.size()),
                             static_cast<std::uint32_t>(chars.size()), char_format});
  }
  page_.text.append(chars);
}

void PageBuilder::AppendWord(std::string_view word, std::uint32_t char_format) {
  ParagraphState& p = Current().paragraph;
  if (p.pending_space) {
    Append(" ", p.pending_format);
    p.pending_space = false;
  }
  Append(word, char_format);
  Current().paragraph.line_has_content = true;
}

void PageBuilder::EmitText(std::string_view text, std::uint32_t style) {
  const ComputedStyle& s = StyleOf(style);
  if (!s.visible || text.empty()) return;
  const WhiteSpace ws = s.white_space;
  const std::uint32_t format = CharFormatOf(style);
  const std::size_t n = text.size();
  std::size_t i = 0;
  if (ws == WhiteSpace::kPre || ws == WhiteSpace::kPreWrap) {
    while (i < n) {
      const char c = text[i];
      if (c == '\n' || c == '\r') {
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        LineBreak(style);
        ++i;
        continue;
      }
      if (IsControl(c) && c != '\t') {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < n && text[j] != '\n' && text[j] != '\r' &&
             (!IsControl(text[j]) || text[j] == '\t'))
        ++j;
      AppendWord(text.substr(i, j - i), format);
      i = j;
    }
    return;
  }
  const bool keep_newlines = ws == WhiteSpace::kPreLine;
  while (i < n) {
    const char c = text[i];
    if (keep_newlines && (c == '\n' || c == '\r')) {
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      LineBreak(style);
      ++i;
      continue;
    }
    if (IsAsciiSpace(c)) {
      ParagraphState& p = Current().paragraph;
      if (p.line_has_content && !p.pending_space) {
        p.pending_space = true;
        p.pending_format = format;
      }
      ++i;
      continue;
    }
    if (IsControl(c)) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < n && !IsAsciiSpace(text[j]) && !IsControl(text[j]))
      ++j;
    AppendWord(text.substr(i, j - i), format);
    i = j;
  }
}

void PageBuilder::LineBreak(std::uint32_t style) {
  if (!StyleOf(style).visible) return;
  Append("\n", CharFormatOf(style));
  ParagraphState& p = Current().paragraph;
  p.pending_space = false;
  p.line_has_content = false;
  p.has_break = true;
}

void PageBuilder::FlushParagraph() {
  ParagraphState& p = Current().paragraph;
  if (p.open) {
    // A browser shows no empty line for the last line break of a block.
    if (page_.runs.size() > p.first_run && page_.text.back() == '\n') {
      page_.text.pop_back();
      if (--page_.runs.back().length == 0) page_.runs.pop_back();
    }
    p.paragraph.run_count = static_cast<std::uint32_t>(page_.runs.size()) - p.first_run;
    if (p.paragraph.run_count > 0 || p.has_break) {
      pending_blocks_.push_back(
          Block{Block::Kind::kParagraph, static_cast<std::uint32_t>(page_.paragraphs.size())});
      page_.paragraphs.push_back(p.paragraph);
    }
  }
  p = ParagraphState{};
}

}  // namespace quorlex::automation::page
