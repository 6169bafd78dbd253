#pragma once

// Builds the page model from the parser's events: styles each element,
// turns text into paragraphs of runs as a browser renders it, and collects
// tables, rows and cells.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/page/css_stylesheet.h"
#include "automation/page/html_defaults.h"
#include "automation/page/html_reader.h"
#include "automation/page/interner.h"
#include "automation/page/page.h"
#include "automation/page/style_resolver.h"

namespace quorlex::automation::page {

// Tables nested deeper than this are read as plain blocks inside their cell.
inline constexpr std::uint32_t kMaxTableNesting = 64;
// Elements nested deeper than this give their text only, in the style of
// the element at this depth.
inline constexpr std::uint32_t kMaxElementDepth = 256;

// Builds the page model from the HTML reader's events.
class PageBuilder : public HtmlHandler {
 public:
  // `sheet` holds the rules known before the parse. With collect_styles the
  // <style> blocks met on the way are added to it (and apply from then on);
  // without, they are skipped as already known.
  PageBuilder(css::StyleSheet& sheet, Interner& atoms, Interner& strings, bool collect_styles);
  ~PageBuilder() override;

  void StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) override;
  void EndElement(std::string_view name) override;
  void Text(std::string_view text) override;

  // True when a <style> block came after content had been built with the
  // rules before it: the page must be read again with all rules.
  bool StylesCameLate() const { return styles_came_late_; }

  // Sizes the page's arrays for an input of this many bytes.
  void Reserve(std::size_t input_bytes);

  Page Finish();

 private:
  enum class Role : std::uint8_t {
    kInline,
    kBlock,
    kVoid,
    kTable,
    kRowGroup,
    kRow,
    kCell,
    kTextarea,
  };

  // What restyling an element needs: kept for the elements opened before
  // any content (html, head, body), which a later <style> may restyle.
  struct EarlyElement {
    std::string name, id, classes;
    std::string presentational_key;
    std::vector<css::Declaration> presentational;
    std::string inline_style;
  };

  // An element that is open, with what its descendants inherit from it.
  struct OpenElement {
    Tag tag = Tag::kOther;
    Role role = Role::kInline;
    std::uint32_t style = 0;
    std::uint32_t block_style = 0;  // the innermost block element's style
    std::uint8_t heading = 0;
    bool is_list = false;  // ul, ol, menu, dir
    bool ordered = false;
    bool marker_pending = false;       // li: its first paragraph is still to come
    std::uint32_t list_depth = 0;      // lists around (within the cell)
    std::uint32_t list_entry = kNone;  // index of the innermost list element
    std::uint32_t list_item = kNone;   // index of the innermost li
    std::uint32_t next_number = 1;     // lists: the next item's number
    std::uint32_t item_number = 0;     // li
    std::uint32_t child_count = 0;     // element children so far
    // Kept only before any content, to restyle when a <style> arrives.
    std::unique_ptr<EarlyElement> early;
  };
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // The paragraph being filled in a container.
  struct ParagraphState {
    bool open = false;
    bool line_has_content = false;
    bool pending_space = false;
    bool has_break = false;
    bool skip_newline = false;  // the newline right after <pre> or <textarea>
    std::uint32_t pending_format = 0;
    std::uint32_t first_run = 0;
    Paragraph paragraph;
  };

  // The body or a table cell: where blocks go.
  struct Container {
    std::uint32_t blocks_begin = 0;  // its blocks in pending_blocks_
    ParagraphState paragraph;
    bool is_cell = false;
    Cell cell;  // a cell's own data, geometry aside
  };

  // A table that is open, with its open row group and row.
  struct OpenTable {
    std::uint32_t style = 0;
    std::uint32_t format = 0;
    std::uint32_t rows_begin = 0;   // in pending_rows_
    std::uint32_t cells_begin = 0;  // in pending_cells_
    TableContext context;
    std::string border_color;               // keeps context.border_color alive
    std::vector<std::uint8_t> group_kinds;  // per row group: its Tag
    bool in_group = false;
    std::uint32_t group = 0;
    std::uint32_t group_style = 0;
    std::uint32_t direct_group = kNone;  // open group of rows directly in the table
    bool in_row = false;
    bool row_implicit = false;
    std::uint32_t row_cells_begin = 0;
    std::uint32_t row_group = 0;
    std::uint32_t row_style = 0;
    bool row_header = false;
  };

  // A row of an open table, kept until the table ends.
  struct PendingRow {
    std::uint32_t cells_begin = 0;  // in pending_cells_
    std::uint32_t cell_count = 0;
    std::uint32_t group = 0;
    bool header = false;
  };

  // What is innermost: a container (body or cell) or a table.
  enum class Structure : std::uint8_t { kContainer, kTable };

  // Starting an element (page_builder.cc).
  // Style and title blocks, what lies inside hidden elements or a select box
  // and elements nested too deep open no element of the page: true when the
  // element was one of them and has been taken care of.
  bool StartUnbuiltElement(Tag tag, std::span<const HtmlAttribute> attributes);
  // The element's role from where it stands, before its style is known.
  Role RoleOf(Tag tag, const OpenTable* table) const;
  // The element's style, from the memo or the cascade; puts it on path_.
  std::uint32_t StyleElement(Tag tag, std::string_view name, Role role, const OpenTable* table,
                             std::span<const HtmlAttribute> attributes, OpenElement& entry);
  static Role DisplayedRole(Role role, Tag tag, const ComputedStyle& computed);
  // Block style, heading and list place as the parent hands them down.
  void InheritFromParent(OpenElement& entry) const;
  void NumberList(OpenElement& entry, std::span<const HtmlAttribute> attributes);
  void OpenStructure(Role role, Tag tag, std::uint32_t style,
                     std::span<const HtmlAttribute> attributes);
  void StartVoidElement(Tag tag, std::uint32_t style, std::span<const HtmlAttribute> attributes);

  // Styling (page_builder_styles.cc).
  std::uint32_t ParentStyle() const;
  void NameElement(ElementInfo& info, std::string_view name, std::string_view id,
                   std::string_view classes);
  ElementInfo MakeElementInfo(Tag tag, std::string_view name,
                              std::span<const HtmlAttribute> attributes);
  std::uint32_t ResolveStyle(Tag tag, std::span<const HtmlAttribute> attributes,
                             const TableContext* table, OpenElement& entry);
  void RestyleOpenElements();
  bool StyleFromMemo(Tag tag, std::string_view name, Role role, const OpenTable* table,
                     std::span<const HtmlAttribute> attributes, std::uint32_t& style);
  void Remember(std::uint32_t style);
  void AddStyleSheet(std::string_view css_text);
  const ComputedStyle& StyleOf(std::uint32_t style) const { return resolver_->Style(style); }
  std::uint32_t CharFormatOf(std::uint32_t style);
  std::uint32_t ParagraphFormatOf(std::uint32_t style);
  std::uint32_t CellFormatOf(std::uint32_t style, Rgb inherited_background);
  std::uint32_t TableFormatOf(std::uint32_t style, std::span<const HtmlAttribute> attributes);

  // Text (page_builder_text.cc).
  Container& Current() { return containers_.back(); }
  void OpenParagraph(std::uint32_t format_style);
  void Append(std::string_view chars, std::uint32_t char_format);
  // Text that follows collapsed white space: the one space it left first,
  // in the format that space had.
  void AppendWord(std::string_view word, std::uint32_t char_format);
  void EmitText(std::string_view text, std::uint32_t style);
  void EmitLiteral(std::string_view text, std::uint32_t style);
  void LineBreak(std::uint32_t style);
  void FlushParagraph();

  // Structure (page_builder_tables.cc).
  void StartTable(std::uint32_t style, std::span<const HtmlAttribute> attributes);
  void EndTable();
  void StartRowGroup(Tag tag, std::uint32_t style);
  void EndRowGroup();
  void StartRow(std::uint32_t style, bool implicit);
  void EndRow();
  void StartCell(Tag tag, std::uint32_t style, std::span<const HtmlAttribute> attributes);
  void EndCell();
  OpenTable* InnermostTable();

  // Select boxes: the text of the chosen option (page_builder_select.cc).
  void SelectStart(std::uint32_t style);
  void SelectElementStart(Tag tag, std::span<const HtmlAttribute> attributes);
  void SelectElementEnd();

  css::StyleSheet& sheet_;
  Interner& atoms_;
  Interner& strings_;
  const bool collect_styles_;
  std::unique_ptr<StyleResolver> resolver_;
  bool styles_came_late_ = false;
  bool content_started_ = false;

  Page page_;
  std::vector<OpenElement> stack_;
  std::vector<ElementInfo> path_;          // parallel to stack_
  std::vector<std::uint32_t> class_pool_;  // classes of the elements on path_
  std::uint32_t root_child_count_ = 0;
  std::vector<Container> containers_;
  std::vector<OpenTable> tables_;
  std::vector<Structure> structure_;
  std::vector<Block> pending_blocks_;
  std::vector<PendingRow> pending_rows_;
  std::vector<Cell> pending_cells_;
  std::uint32_t table_depth_ = 0;
  bool skip_newline_ = false;  // the first new line in <pre> or <textarea> is not shown

  std::uint32_t skip_depth_ = 0;  // inside an element that shows nothing
  std::uint32_t flat_depth_ = 0;  // elements below kMaxElementDepth
  bool in_style_ = false;
  std::uint32_t style_level_ = 0;
  std::string style_text_;
  bool in_title_ = false;
  std::uint32_t title_level_ = 0;
  std::string title_text_;

  // A select box being read, and the options seen so far.
  struct SelectState {
    bool active = false;
    std::uint32_t style = 0;
    std::uint32_t depth = 0;         // elements open inside the select
    std::uint32_t option_depth = 0;  // depth of the open option, 0: none
    bool option_selected = false;
    bool option_labelled = false;
    std::string option_text;
    bool have_chosen = false;
    std::string chosen;
    bool have_first = false;
    std::string first;
  } select_;

  // Names, context and style of elements met before (see StyleFromMemo).
  struct Memo {
    ElementInfo info;
    std::uint32_t style = 0;
    std::uint32_t classes_begin = 0;  // in memo_classes_
  };
  std::unordered_map<std::string, Memo> memo_;
  std::vector<std::uint32_t> memo_classes_;
  std::string memo_key_;  // the key of the element being started
  // Presentational declarations by their key.
  std::unordered_map<std::string, std::vector<css::Declaration>> presentational_cache_;
  // Scratch.
  std::string presentational_key_;
  std::string lower_;

  // Interning of the page's formats.
  std::vector<std::uint32_t> char_format_of_style_;
  std::vector<std::uint32_t> paragraph_format_of_style_;
  // Hashes that keep each distinct format of the page once.
  struct CharFormatHash {
    std::size_t operator()(const CharFormat& f) const noexcept;
  };
  struct CellFormatHash {
    std::size_t operator()(const TableCellFormat& f) const noexcept;
  };
  struct TableFormatHash {
    std::size_t operator()(const TableFormat& f) const noexcept;
  };
  struct ParagraphFormatHash {
    std::size_t operator()(const ParagraphFormat& f) const noexcept;
  };
  std::unordered_map<CharFormat, std::uint32_t, CharFormatHash> char_formats_;
  std::unordered_map<ParagraphFormat, std::uint32_t, ParagraphFormatHash> paragraph_formats_;
  std::unordered_map<TableCellFormat, std::uint32_t, CellFormatHash> cell_formats_;
  std::unordered_map<TableFormat, std::uint32_t, TableFormatHash> table_formats_;
  std::unordered_map<std::uint64_t, std::uint32_t> cell_format_cache_;
};

}  // namespace quorlex::automation::page
