#pragma once

// What a document read from a WordprocessingML package keeps of that
// package for the writer: every part as read, and the markup of the main
// text's paragraphs, runs, rows and cells, found again through the origin
// of the model's runs. The engine edits the model; the writer writes what
// is unchanged as it was and makes the rest from the model.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "automation/document/document.h"
#include "automation/package/package.h"

namespace quorlex::automation::wordml {

// A piece of a paragraph's content as read: a run, a hyperlink, a field, a
// bookmark... It covers characters [cp, cp + length) of the text read.
struct Item {
  std::uint32_t cp = 0;
  std::uint32_t length = 0;
  std::string xml;
  // A run of plain text (text, tabs, breaks): it can be cut, each piece
  // written as a run with these properties (its w:rPr as read, or empty).
  bool plain = false;
  std::string run_properties;
};

// A paragraph of the text read.
struct SourceParagraph {
  std::uint32_t start = 0;  // its first character
  std::uint32_t mark = 0;   // its mark
  std::string before;       // markers that stood in front of it (bookmarks between blocks)
  std::string xml;          // the paragraph (or block kept whole) as read
  std::string attributes;   // of w:p
  // Its w:pPr without w:sectPr: the children in front of where w:sectPr
  // goes, and w:pPrChange after it.
  std::string properties_head;
  std::string properties_tail;
  bool opaque = false;  // a block kept whole (content control, ...): xml only
  std::size_t first_item = 0;
  std::size_t end_item = 0;
};

// A table cell's w:tcPr, cut where w:vMerge goes so that the writer can put
// the merge the model has.
struct SourceCell {
  std::string attributes;
  std::string properties_head;
  std::string properties_tail;
  bool had_properties = false;
};

// The markup of a table of the document read, kept to write it back.
struct SourceTable {
  std::string attributes;
  std::string properties;  // w:tblPr
  std::string grid;        // w:tblGrid
};

// A table row, found through the origin of the mark ending it in the model.
struct SourceRow {
  std::uint32_t mark = 0;
  std::size_t table = 0;
  std::string attributes;  // of w:tr
  std::string properties;  // w:tblPrEx and w:trPr as read
  std::vector<SourceCell> cells;
};

// What a WordprocessingML document read keeps to be written again.
class WordMlSource : public document::SourceFile {
 public:
  package::Package package;  // as read
  std::string main_part;     // "/word/document.xml"
  // The main part around the body: the declaration and the root start
  // tag, what precedes w:body inside it, w:body's start tag; and what
  // follows the body.
  std::string root_start;
  std::string body_start;
  std::string body_end;
  std::string after_body;
  // Section properties as read, in order; the last is the body's own.
  std::vector<std::string> sections;
  std::string trailing;  // markers after the last block of the body

  std::vector<SourceParagraph> paragraphs;  // ordered by start
  std::vector<Item> items;
  std::vector<SourceTable> tables;
  std::vector<SourceRow> rows;  // ordered by mark

  std::vector<std::string> style_ids;  // by istd
  std::size_t font_count = 0;          // fonts the font table part holds
  std::string fonts_part;              // its name, empty when there is none
  std::string styles_part;

  // The paragraph whose characters include cp, if cp is a character read.
  const SourceParagraph* ParagraphHolding(std::uint32_t cp) const;
  const SourceRow* RowEndingAt(std::uint32_t cp) const;
};

}  // namespace quorlex::automation::wordml
