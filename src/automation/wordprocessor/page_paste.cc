#include "automation/wordprocessor/page_paste.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "automation/document/character_format.h"
#include "automation/document/paragraph_format.h"
#include "automation/document/sprm.h"
#include "automation/document/table_format.h"
#include "automation/wordprocessor/table_layout.h"
#include "platform/text.h"

namespace quorlex::automation::wordprocessor {
namespace {

namespace doc = document;

constexpr int kGapHalf = kCellGap / 2;
constexpr int kListIndent = 360;
constexpr int kDeepestTable = 60;  // the file format's limit is 63 levels

std::optional<doc::Color> ColorOf(page::Rgb rgb) {
  if (rgb == page::kAutoColor) return std::nullopt;
  return doc::Color{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                    static_cast<std::uint8_t>(rgb)};
}

std::optional<doc::Alignment> AlignmentOf(page::HorizontalAlignment a) {
  switch (a) {
    case page::HorizontalAlignment::kLeft: return doc::Alignment::kLeft;
    case page::HorizontalAlignment::kCenter: return doc::Alignment::kCenter;
    case page::HorizontalAlignment::kRight: return doc::Alignment::kRight;
    case page::HorizontalAlignment::kJustify: return doc::Alignment::kJustify;
    case page::HorizontalAlignment::kGeneral: break;
  }
  return std::nullopt;
}

doc::BorderLine LineOf(const page::Border& border) {
  doc::BorderLine line;
  line.color = ColorOf(border.color);
  switch (border.style) {
    case page::BorderStyle::kNone: line.width = 0; break;
    case page::BorderStyle::kThin: line.width = 4; break;
    case page::BorderStyle::kMedium: line.width = 12; break;
    case page::BorderStyle::kThick: line.width = 18; break;
    case page::BorderStyle::kDashed:
      line.width = 4;
      line.style = doc::BorderLine::Style::kDashed;
      break;
    case page::BorderStyle::kDotted:
      line.width = 4;
      line.style = doc::BorderLine::Style::kDotted;
      break;
    case page::BorderStyle::kDouble:
      line.width = 4;
      line.style = doc::BorderLine::Style::kDouble;
      break;
  }
  return line;
}

int Twips(const page::Length& length, int whole) {
  if (length.unit == page::Length::Unit::kPoints) return static_cast<int>(length.value * 20);
  if (length.unit == page::Length::Unit::kPercent) {
    return static_cast<int>(whole * length.value / 100.0);
  }
  return 0;
}

// Builds the inserted text as a story fragment.
class FragmentBuilder {
 public:
  // `paper` is the page the text is laid out on: a table too wide for its
  // text width may reach into its margins.
  FragmentBuilder(doc::Document& document, const page::Page& page, const doc::PageSetup& paper)
      : document_(document),
        page_(page),
        paper_(paper),
        layout_(page),
        chpx_(page.char_formats.size() * 2, kUnset) {}

  doc::Story Take() { return std::move(story_); }

  // The last thing emitted at the current level was a table.
  bool EndedWithTable() const { return last_was_table_; }

  void Blocks(std::span<const page::Block> blocks, int depth, int width,
              std::optional<doc::Alignment> fallback) {
    for (const page::Block& block : blocks) {
      if (block.kind == page::Block::Kind::kParagraph) {
        Paragraph(page_.ParagraphOf(block), depth, fallback);
      } else if (depth < kDeepestTable) {
        if (last_was_table_) EmptyParagraph(depth, 0);  // tables that touch would merge
        Table(page_.TableOf(block), depth + 1, width);
        last_was_table_ = true;
      } else {
        TableAsParagraphs(page_.TableOf(block), depth, fallback);
      }
    }
  }

  void EmptyParagraph(int depth, std::uint32_t char_format) {
    last_ = LastParagraph{0, doc::ParagraphFormat{}, depth};
    EndParagraph(Papx(0, doc::ParagraphFormat{}, {depth, false, false}), Chpx(char_format, false));
  }

 private:
  static constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

  struct LastParagraph {
    std::uint16_t istd = 0;
    doc::ParagraphFormat format;
    int depth = 0;
  };

  std::uint32_t Chpx(std::uint32_t format, bool explicit_off) {
    if (format >= page_.char_formats.size()) format = 0;
    std::uint32_t& slot = chpx_[format * 2 + (explicit_off ? 1 : 0)];
    if (slot != kUnset) return slot;
    const page::CharFormat& f = page_.char_formats[format];
    doc::CharacterFormat c;
    c.font = f.font;
    c.half_points = f.size > 0 ? static_cast<int>(std::lround(f.size * 2)) : 0;
    if (f.bold || explicit_off) c.bold = f.bold;
    if (f.italic || explicit_off) c.italic = f.italic;
    if (f.underline || explicit_off) c.underline = f.underline;
    if (f.strike || explicit_off) c.strike = f.strike;
    c.color = ColorOf(f.color);
    if (f.position == page::VerticalPosition::kSuperscript) {
      c.position = doc::CharacterFormat::Position::kSuperscript;
    } else if (f.position == page::VerticalPosition::kSubscript) {
      c.position = doc::CharacterFormat::Position::kSubscript;
    }
    slot = document_.character_properties.Intern(doc::EncodeCharacterFormat(c, document_.fonts));
    return slot;
  }

  // Paragraph formats repeat from cell to cell: each distinct one is
  // encoded once.
  std::uint32_t Papx(std::uint16_t istd, const doc::ParagraphFormat& format,
                     const doc::CellParagraph& cell) {
    const std::uint64_t key =
        std::uint64_t{istd} |
        std::uint64_t{format.alignment ? 1u + static_cast<unsigned>(*format.alignment) : 0u} << 16 |
        std::uint64_t(static_cast<std::uint8_t>(format.outline_level + 1)) << 19 |
        std::uint64_t{format.keep_with_next} << 23 | std::uint64_t{cell.cell_end} << 24 |
        std::uint64_t{cell.row_end} << 25 |
        std::uint64_t(static_cast<std::uint8_t>(cell.depth)) << 26 |
        std::uint64_t(static_cast<std::uint16_t>(format.left_indent)) << 34 |
        std::uint64_t(static_cast<std::uint16_t>(format.first_line_indent)) << 50;
    if (auto it = papx_.find(key); it != papx_.end()) return it->second;
    scratch_ = doc::EncodeParagraphFormat(format, cell);
    const std::uint32_t id = document_.paragraph_properties.Intern(istd, scratch_);
    papx_.emplace(key, id);
    return id;
  }

  void EndParagraph(std::uint32_t papx, std::uint32_t mark_chpx) {
    story_.EndParagraph(doc::mark::kParagraph, papx, mark_chpx);
    last_was_table_ = false;
  }

  // Text of a run, without characters that would read as marks.
  void AppendText(std::string_view utf8, std::uint32_t chpx) {
    buffer_.clear();
    std::size_t i = 0;
    while (i < utf8.size()) {
      const auto byte = static_cast<unsigned char>(utf8[i]);
      if (byte >= 0x20 && byte < 0x80) {  // plain ASCII, the common case
        buffer_.push_back(byte);
        ++i;
        continue;
      }
      const char32_t c = platform::DecodeNext(utf8, i);
      if (c < 0x20 && c != U'\t') continue;
      if (c >= 0x10000) {
        const char32_t v = c - 0x10000;
        buffer_.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
        buffer_.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
      } else {
        buffer_.push_back(static_cast<char16_t>(c));
      }
    }
    story_.Append(buffer_, chpx);
  }

  void Paragraph(const page::Paragraph& p, int depth, std::optional<doc::Alignment> fallback) {
    std::uint16_t istd = 0;
    doc::ParagraphFormat format;
    const page::ParagraphFormat& pf = page_.paragraph_formats[p.format];
    format.alignment = AlignmentOf(pf.alignment);
    if (!format.alignment) format.alignment = fallback;
    if (p.heading >= 1 && p.heading <= 9) {
      if (auto style = document_.styles.FindBuiltin(p.heading)) {
        istd = *style;
      } else {
        format.outline_level = p.heading - 1;
      }
      format.keep_with_next = true;
    }
    const bool explicit_off = istd != 0;
    if (p.list_level > 0) {
      format.left_indent = kListIndent * std::min<int>(p.list_level, 9);
      if (p.list_item_start) format.first_line_indent = -kListIndent;
    }
    const doc::CellParagraph cell{depth, false, false};
    const std::uint32_t papx = Papx(istd, format, cell);
    last_ = LastParagraph{istd, format, depth};

    const auto runs = page_.Runs(p);
    std::uint32_t mark_chpx = Chpx(runs.empty() ? 0 : runs.front().format, explicit_off);
    if (p.list_level > 0 && p.list_item_start) {
      AppendText(Marker(p), mark_chpx);
    }
    for (const page::Run& run : runs) {
      const std::uint32_t chpx = Chpx(run.format, explicit_off);
      const std::string_view text = page_.Text(run);
      std::size_t from = 0;
      // A line break ends a paragraph; the next line starts another in the
      // same format (without the list marker).
      for (std::size_t nl = text.find('\n'); nl != std::string_view::npos;
           nl = text.find('\n', from)) {
        AppendText(text.substr(from, nl - from), chpx);
        EndParagraph(papx, chpx);
        if (format.first_line_indent != 0) {
          doc::ParagraphFormat next = format;
          next.first_line_indent = 0;
          last_.format = next;
        }
        from = nl + 1;
      }
      AppendText(text.substr(from), chpx);
      mark_chpx = chpx;
    }
    EndParagraph(Papx(last_.istd, last_.format, cell), mark_chpx);
  }

  std::string Marker(const page::Paragraph& p) const {
    if (p.list_ordered) return std::to_string(p.list_number) + ".\t";
    switch (p.list_level) {
      case 1: return "\u2022\t";
      case 2: return "\u25E6\t";
      default: return "\u25AA\t";
    }
  }

  // Tables nested deeper than the file allows keep their text as paragraphs.
  void TableAsParagraphs(const page::Table& table, int depth,
                         std::optional<doc::Alignment> fallback) {
    for (const page::Row& row : page_.Rows(table)) {
      for (const page::Cell& cell : page_.Cells(row)) {
        for (const page::Block& block : page_.Blocks(cell)) {
          if (block.kind == page::Block::Kind::kParagraph) {
            Paragraph(page_.ParagraphOf(block), depth, fallback);
          } else {
            TableAsParagraphs(page_.TableOf(block), depth, fallback);
          }
        }
      }
    }
  }

  struct Span {
    int rows_left = 0;
    std::uint32_t colspan = 1;
    doc::CellFormat format;  // of the cell that started it
    doc::BorderLine bottom;  // the merged area's bottom line
    std::uint32_t char_format = 0;
  };

  // Ends the cell whose content was just emitted at depth; gives the index
  // of the paragraph that ends it.
  std::size_t EndCell(int depth, std::size_t story_size_before, std::uint32_t char_format) {
    const bool has_own_paragraph =
        story_.size() > story_size_before && !last_was_table_ && last_.depth == depth;
    if (!has_own_paragraph) EmptyParagraph(depth, char_format);
    doc::Paragraph& end = story_.paragraphs.back();
    end.papx = Papx(last_.istd, last_.format, {depth, true, false});
    if (depth == 1) story_.text.back() = doc::mark::kCell;
    last_was_table_ = false;
    return story_.paragraphs.size() - 1;
  }

  // A row holds at most kMaxCells cells: the cells past the last one the
  // file allows become paragraphs of that last cell, which spans their
  // width.
  void FoldLastCells(const std::vector<std::size_t>& ends, doc::RowFormat& row) {
    const std::size_t keep = doc::kMaxCells - 1;
    for (std::size_t i = keep; i + 1 < ends.size(); ++i) {
      doc::Paragraph& end = story_.paragraphs[ends[i]];
      story_.text[end.end - 1] = doc::mark::kParagraph;
      const auto& pool = document_.paragraph_properties;
      end.papx = document_.paragraph_properties.Intern(
          pool.Istd(end.papx),
          doc::WithoutSprms(pool.Grpprl(end.papx), {doc::sprm::kPFInnerTableCell}));
    }
    doc::CellFormat& last = row.cells[keep];
    for (std::size_t i = keep + 1; i < row.cells.size(); ++i)
      last.width += row.cells[i].width;
    last.right = row.cells.back().right;
    last.merge_start = last.merge_continue = false;
    row.cells.resize(doc::kMaxCells);
  }

  void EndRow(int depth, const doc::RowFormat& row) {
    // Rows of a report are mostly alike: a row like the last one at this
    // depth reuses its properties.
    auto& last = last_rows_[depth];
    if (!last.papx || !(last.format == row)) {
      scratch_ = doc::EncodeParagraphFormat(doc::ParagraphFormat{}, {depth, false, true});
      scratch_ += doc::EncodeRowFormat(row);
      last.papx = document_.paragraph_properties.Intern(0, scratch_);
      last.format = row;
    }
    story_.EndParagraph(depth == 1 ? doc::mark::kCell : doc::mark::kParagraph, *last.papx,
                        Chpx(0, false));
    last_was_table_ = false;
  }

  // A cell's borders, shading and vertical alignment: its own borders, or
  // the table's frame on the sides where it meets the table's edge. The
  // bottom line goes apart: a cell spanning rows draws it on its last row.
  static doc::CellFormat CellFormatOf(const page::TableCellFormat& cf, const page::TableFormat& tf,
                                      bool first_row, bool first_column, bool last_column,
                                      bool reaches_bottom, doc::BorderLine& bottom) {
    doc::CellFormat out;
    out.top = LineOf(cf.top.style != page::BorderStyle::kNone || !first_row ? cf.top : tf.top);
    out.left =
        LineOf(cf.left.style != page::BorderStyle::kNone || !first_column ? cf.left : tf.left);
    out.right =
        LineOf(cf.right.style != page::BorderStyle::kNone || !last_column ? cf.right : tf.right);
    bottom = LineOf(cf.bottom.style != page::BorderStyle::kNone || !reaches_bottom ? cf.bottom
                                                                                   : tf.bottom);
    out.shading = ColorOf(cf.background != page::kAutoColor ? cf.background : tf.background);
    switch (cf.vertical) {
      case page::VerticalAlignment::kTop: out.vertical = doc::VerticalAlignment::kTop; break;
      case page::VerticalAlignment::kBottom: out.vertical = doc::VerticalAlignment::kBottom; break;
      default: out.vertical = doc::VerticalAlignment::kCenter; break;  // as a browser shows it
    }
    return out;
  }

  void Table(const page::Table& table, int depth, int width) {
    const std::uint32_t n = table.column_count;
    TableRoom room{width, 0, 0};
    if (depth == 1) {
      room.left_margin = paper_.left;
      room.right_margin = paper_.right;
    }
    const ColumnLayout layout = layout_.Columns(table, room);
    const std::vector<int>& widths = layout.widths;
    const bool overflows = std::accumulate(widths.begin(), widths.end(), 0) > width;
    const page::TableFormat& tf = page_.table_formats[table.format];
    auto span_width = [&](std::uint32_t column, std::uint32_t colspan) {
      int w = 0;
      for (std::uint32_t c = column; c < column + colspan && c < n; ++c)
        w += widths[c];
      return std::max(w, 1);
    };
    std::vector<Span> spans(n);
    const auto rows = page_.Rows(table);
    bool leading_header = true;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const page::Row& row = rows[r];
      doc::RowFormat format;
      format.gap_half = kGapHalf;
      format.left = -kGapHalf - layout.shift;
      if (depth == 1 && !overflows) {
        // A table wider than the text keeps to the left, where its reach
        // into the margins was measured from.
        const auto a = AlignmentOf(tf.alignment);
        if (a == doc::Alignment::kCenter || a == doc::Alignment::kRight) format.alignment = a;
      }
      format.header = leading_header && row.header;
      // A row is a record of the report: it stays on one page.
      format.keep_together = true;
      leading_header = format.header;
      std::uint32_t column = 0;
      std::vector<std::size_t> ends;  // the paragraphs that end the row's cells

      auto continuation = [&](std::uint32_t at) {
        Span& span = spans[at];
        doc::CellFormat cell = span.format;
        cell.merge_start = false;
        cell.merge_continue = true;
        cell.top = {};
        --span.rows_left;
        cell.bottom = span.rows_left == 0 ? span.bottom : doc::BorderLine{};
        const std::size_t before = story_.size();
        ends.push_back(EndCell(depth, before, span.char_format));
        format.cells.push_back(cell);
        column = at + span.colspan;
      };
      auto fill_to = [&](std::uint32_t target) {
        while (column < target && column < n) {
          if (spans[column].rows_left > 0) {
            continuation(column);
          } else {
            doc::CellFormat hole;
            hole.width = widths[column];
            const std::size_t before = story_.size();
            ends.push_back(EndCell(depth, before, 0));
            format.cells.push_back(hole);
            ++column;
          }
        }
      };

      for (const page::Cell& cell : page_.Cells(row)) {
        if (cell.column < column || cell.column >= n) continue;  // overlapping: not placed
        fill_to(cell.column);
        const std::uint32_t colspan = std::min(cell.colspan, n - cell.column);
        const page::TableCellFormat& cf = page_.cell_formats[cell.format];
        doc::BorderLine bottom;
        doc::CellFormat out =
            CellFormatOf(cf, tf, r == 0, cell.column == 0, cell.column + colspan >= n,
                         r + cell.rowspan >= rows.size(), bottom);
        out.width = span_width(cell.column, colspan);
        format.height = std::max(format.height, Twips(cf.height, 0));
        const int inner = std::max(out.width - kCellGap, kCellGap);
        const std::size_t before = story_.size();
        last_was_table_ = false;
        Blocks(page_.Blocks(cell), depth, inner, AlignmentOf(cf.horizontal));
        ends.push_back(EndCell(depth, before, cell.char_format));
        if (cell.rowspan > 1 && r + 1 < rows.size()) {
          out.merge_start = true;
          out.bottom = {};
          spans[cell.column] =
              Span{static_cast<int>(cell.rowspan) - 1, colspan, out, bottom, cell.char_format};
        } else {
          out.bottom = bottom;
        }
        format.cells.push_back(out);
        column = cell.column + colspan;
      }
      // Places after the last cell still held by spans from above.
      std::uint32_t last_held = column;
      for (std::uint32_t c = column; c < n; ++c) {
        if (spans[c].rows_left > 0) last_held = c + spans[c].colspan;
      }
      fill_to(last_held);
      if (format.cells.empty()) continue;  // a row with no cells shows nothing
      if (format.cells.size() > doc::kMaxCells) FoldLastCells(ends, format);
      EndRow(depth, format);
    }
    last_was_table_ = true;
  }

  doc::Document& document_;
  const page::Page& page_;
  doc::PageSetup paper_;
  TableLayout layout_;
  doc::Story story_;
  std::vector<std::uint32_t> chpx_;
  std::u16string buffer_;
  std::string scratch_;
  LastParagraph last_;
  bool last_was_table_ = false;
  std::unordered_map<std::uint64_t, std::uint32_t> papx_;
  struct LastRow {
    std::optional<std::uint32_t> papx;
    doc::RowFormat format;
  };
  std::unordered_map<int, LastRow> last_rows_;
};

// Where a paste lands: a paragraph boundary and the table depth there.
struct Target {
  std::uint32_t position = 0;
  int depth = 0;
  std::size_t section = 0;
};

Target Locate(doc::Document& document, std::uint32_t position, std::uint32_t& split) {
  doc::Story& main = document.Main();
  const auto& pool = document.paragraph_properties;
  // Nothing goes after the document's last paragraph mark.
  position = std::min(position, main.size() - 1);
  std::size_t index = main.ParagraphAt(position);
  // The end of a row holds no text: a paste there goes to the next row (or
  // after the table).
  while (index + 1 < main.paragraphs.size() && pool.Marks(main.paragraphs[index].papx).row_end) {
    ++index;
    position = main.ParagraphStart(index);
  }
  const doc::TableMarks marks = pool.Marks(main.paragraphs[index].papx);
  Target target;
  target.depth = marks.depth;
  for (std::size_t i = 0; i < index; ++i)
    target.section += main.paragraphs[i].section_end ? 1u : 0u;
  const std::uint32_t start = main.ParagraphStart(index);
  if (position == start) {
    // At the start of a table: the paste goes before it, at the level of
    // the paragraph before.
    if (marks.depth > 0) {
      const int before = index == 0 ? 0 : pool.Marks(main.paragraphs[index - 1].papx).depth;
      if (before < marks.depth) target.depth = before;
    }
  } else {
    // Inside a paragraph: it is split there, its first part keeping its
    // format as a plain paragraph of its cell.
    const doc::Paragraph& p = main.paragraphs[index];
    const std::string grpprl = doc::WithoutSprms(
        pool.Grpprl(p.papx),
        {doc::sprm::kPFTtp, doc::sprm::kPFInnerTtp, doc::sprm::kPFInnerTableCell});
    const std::uint32_t papx = document.paragraph_properties.Intern(pool.Istd(p.papx), grpprl);
    doc::Story mark;
    mark.EndParagraph(doc::mark::kParagraph, papx, main.runs[main.RunAt(position - 1)].chpx);
    main.Insert(position, mark);
    ++position;
    split = 1;
  }
  target.position = position;
  return target;
}

}  // namespace

PasteResult InsertPage(doc::Document& document, std::uint32_t position, const page::Page& page) {
  doc::Story& main = document.Main();
  if (main.empty()) {
    doc::Story last;
    last.EndParagraph(doc::mark::kParagraph, 0, 0);
    main.Insert(0, last);
  }
  std::uint32_t split = 0;
  const Target target = Locate(document, position, split);
  const std::size_t section = std::min(target.section, document.sections.size() - 1);
  const doc::PageSetup paper =
      document.sections.empty() ? doc::PageSetup{} : document.sections[section].Page();
  const int width = paper.TextWidth();

  FragmentBuilder builder(document, page, paper);
  const auto& pool = document.paragraph_properties;
  const std::size_t index = main.ParagraphAt(target.position);
  // A table right before the insertion point would merge with a pasted one.
  if (target.position > 0 && !page.Body().empty() &&
      page.Body().front().kind == page::Block::Kind::kTable &&
      pool.Marks(main.paragraphs[main.ParagraphAt(target.position - 1)].papx).depth >
          target.depth) {
    builder.EmptyParagraph(target.depth, 0);
  }
  builder.Blocks(page.Body(), target.depth, width, std::nullopt);
  // ... and so would one right after it.
  if (builder.EndedWithTable() && pool.Marks(main.paragraphs[index].papx).depth > target.depth) {
    builder.EmptyParagraph(target.depth, 0);
  }
  doc::Story fragment = builder.Take();
  const std::uint32_t length = fragment.size();
  main.Insert(target.position, std::move(fragment));
  return PasteResult{length + split, target.position + length};
}

}  // namespace quorlex::automation::wordprocessor
