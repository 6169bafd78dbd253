#include "automation/document/document.h"

#include "automation/document/sprm.h"
#include "automation/document/table_format.h"
#include "platform/error.h"
#include "platform/utf16.h"

namespace quorlex::automation::document {

std::vector<TableSpan> Document::Tables(StoryKind kind) const {
  const Story& story = Part(kind);
  std::vector<TableSpan> tables;
  std::size_t i = 0;
  const std::size_t n = story.paragraphs.size();
  while (i < n) {
    if (paragraph_properties.Marks(story.paragraphs[i].papx).depth < 1) {
      ++i;
      continue;
    }
    TableSpan table;
    table.first_paragraph = i;
    std::size_t row_start = i;
    while (i < n) {
      const TableMarks& marks = paragraph_properties.Marks(story.paragraphs[i].papx);
      if (marks.depth < 1) break;
      ++i;
      if (marks.depth == 1 && marks.row_end) {
        table.rows.push_back(RowSpan{row_start, i});
        row_start = i;
      }
    }
    if (row_start < i) table.rows.push_back(RowSpan{row_start, i});  // a row left open
    table.end_paragraph = i;
    tables.push_back(std::move(table));
  }
  return tables;
}

void Document::DeleteRow(StoryKind kind, const TableSpan& table, std::size_t row) {
  if (row >= table.rows.size()) {
    throw Error(errors::kDocument, "Запрошенный элемент коллекции не существует");
  }
  Story& story = Part(kind);
  const RowSpan span = table.rows[row];
  // The next row takes over vertical merges that started here.
  if (row + 1 < table.rows.size()) {
    const RowSpan& next = table.rows[row + 1];
    Paragraph& end = story.paragraphs[next.end_paragraph - 1];
    const std::string_view grpprl = paragraph_properties.Grpprl(end.papx);
    std::string fixed = RestartVerticalMerges(grpprl);
    if (fixed != grpprl) {
      end.papx = paragraph_properties.Intern(paragraph_properties.Istd(end.papx), fixed);
    }
  }
  story.Erase(story.ParagraphStart(span.first_paragraph),
              story.paragraphs[span.end_paragraph - 1].end);
}

std::u16string Document::HeaderFooterText(std::size_t section, HeaderFooterKind kind) const {
  const std::size_t index = 6 + section * 6 + static_cast<std::size_t>(kind);
  if (index + 1 >= header_footer_positions.size()) return {};
  const Story& headers = Part(StoryKind::kHeaders);
  std::uint32_t from = header_footer_positions[index];
  std::uint32_t to = header_footer_positions[index + 1];
  if (to > headers.size()) to = headers.size();
  if (from >= to) return {};
  std::u16string result = headers.text.substr(from, to - from);
  if (!result.empty() && result.back() == mark::kParagraph) result.pop_back();
  return result;
}

std::string Document::PlainText(StoryKind kind) const {
  const Story& story = Part(kind);
  std::u16string readable = story.text;
  for (char16_t& c : readable) {
    if (c == mark::kParagraph || c == mark::kSection || c == mark::kLineBreak) c = u'\n';
    if (c == mark::kCell) c = u'\t';
  }
  return platform::Utf16ToUtf8(readable);
}

}  // namespace quorlex::automation::document
