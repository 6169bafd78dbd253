#pragma once

// The document engine: a document as the word processor keeps it. The text
// of each part lives in a Story; formats are interned property lists; the
// table structure is carried by paragraph properties (depth, cell and row
// ends) and the row properties by the paragraph that ends each row. What the
// engine does not model (fields, bookmarks, pictures, lists, document
// properties, ...) travels with the document in its SourceFile and is
// written back by the file writer, moved along with the text around it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/document/font_table.h"
#include "automation/document/paragraph_properties.h"
#include "automation/document/property_pool.h"
#include "automation/document/section.h"
#include "automation/document/story.h"
#include "automation/document/style_sheet.h"

namespace quorlex::automation::document {

// The parts of a document in the order the file lays them out one after the
// other; kTail holds what follows the last part (its closing mark).
enum class StoryKind : int {
  kMain = 0,
  kFootnotes,
  kHeaders,
  kMacro,
  kComments,
  kEndnotes,
  kTextBoxes,
  kHeaderTextBoxes,
  kTail,
};
inline constexpr std::size_t kStoryCount = 9;

// Headers and footers of a section, in the order the file keeps them.
enum class HeaderFooterKind : int {
  kEvenHeader = 0,
  kOddHeader,
  kEvenFooter,
  kOddFooter,
  kFirstHeader,
  kFirstFooter,
};

// Whatever the file reader keeps of the original file for the writer. The
// engine only carries it.
class SourceFile {
 public:
  virtual ~SourceFile() = default;
};

// Rows and tables as spans of paragraphs of a story: [first, end).
struct RowSpan {
  std::size_t first_paragraph = 0;
  std::size_t end_paragraph = 0;
};

// Where a table lies in the main text: its paragraphs and rows.
struct TableSpan {
  std::size_t first_paragraph = 0;
  std::size_t end_paragraph = 0;
  std::vector<RowSpan> rows;
};

// A Word document as the engine models it: stories, properties, styles, fonts, sections.
class Document {
 public:
  std::array<Story, kStoryCount> stories;
  PropertyPool character_properties;
  ParagraphPool paragraph_properties;
  FontTable fonts;
  StyleSheet styles;
  std::vector<Section> sections;  // in order; section i ends at the i-th section mark
  // Where each header and footer starts in the header story (the file's
  // table of them, kept as read: separators first, then six per section,
  // then the closing positions).
  std::vector<std::uint32_t> header_footer_positions;
  std::shared_ptr<const SourceFile> source;

  Story& Main() { return stories[0]; }
  const Story& Main() const { return stories[0]; }
  Story& Part(StoryKind kind) { return stories[static_cast<std::size_t>(kind)]; }
  const Story& Part(StoryKind kind) const { return stories[static_cast<std::size_t>(kind)]; }

  // The tables of a story at the outermost level, in order.
  std::vector<TableSpan> Tables(StoryKind kind = StoryKind::kMain) const;

  // Deletes one row of a table of the story (rows counted from 0). The
  // cells of the next row that continued a vertical merge started in this
  // row start it instead. Deleting the only row removes the table.
  void DeleteRow(StoryKind kind, const TableSpan& table, std::size_t row);

  // Text of a header or footer of a section (without its final mark), empty
  // when the section has none of that kind.
  std::u16string HeaderFooterText(std::size_t section, HeaderFooterKind kind) const;

  // The text of the main story with marks turned into readable characters:
  // paragraph marks and cell marks become '\n' and '\t'; for tests and
  // diagnostics.
  std::string PlainText(StoryKind kind = StoryKind::kMain) const;
};

}  // namespace quorlex::automation::document
