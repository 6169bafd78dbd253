#include "automation/wordml/body_writer.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "automation/document/sprm.h"
#include "automation/wordml/properties.h"
#include "platform/error.h"
#include "platform/text.h"

namespace quorlex::automation::wordml {
namespace {

namespace doc = document;
namespace mark = document::mark;

constexpr std::size_t kChunk = 1 << 20;

class BodyWriter {
 public:
  BodyWriter(const doc::Document& document, const WordMlSource& source,
             const std::function<void(std::string_view)>& sink)
      : document_(document),
        story_(document.Main()),
        pool_(document.paragraph_properties),
        source_(source),
        sink_(sink) {
    out_.reserve(kChunk + kChunk / 4);
  }

  void Write() {
    Put(source_.root_start);
    Put(source_.body_start);
    Blocks(0, story_.paragraphs.size(), 0);
    Put(source_.trailing);
    if (!source_.sections.empty()) Put(source_.sections.back());
    Put(source_.body_end);
    Put(source_.after_body);
    Flush();
  }

 private:
  void Put(std::string_view markup) {
    out_.append(markup);
    if (out_.size() >= kChunk) Flush();
  }

  void Flush() {
    if (out_.empty()) return;
    sink_(out_);
    out_.clear();
  }

  int Depth(std::size_t paragraph) const {
    return pool_.Marks(story_.paragraphs[paragraph].papx).depth;
  }

  char16_t MarkOf(std::size_t paragraph) const {
    return story_.text[story_.paragraphs[paragraph].end - 1];
  }

  bool RowEnd(std::size_t paragraph) const {
    return pool_.Marks(story_.paragraphs[paragraph].papx).row_end;
  }

  bool CellEnd(std::size_t paragraph, int depth) const {
    if (RowEnd(paragraph)) return false;
    if (depth == 1) return MarkOf(paragraph) == mark::kCell;
    return pool_.Marks(story_.paragraphs[paragraph].papx).inner_cell_end;
  }

  // The origin of the character at offset, or kNew.
  std::uint32_t OriginAt(std::uint32_t offset) const {
    const doc::Run& run = story_.runs[story_.RunAt(offset)];
    if (run.origin == doc::kNew) return doc::kNew;
    const std::size_t i = story_.RunAt(offset);
    const std::uint32_t run_start = i == 0 ? 0 : story_.runs[i - 1].end;
    return run.origin + (offset - run_start);
  }

  // Paragraphs [first, end) at table depth depth or deeper.
  void Blocks(std::size_t first, std::size_t end, int depth) {
    std::size_t i = first;
    while (i < end) {
      if (Depth(i) <= depth) {
        Paragraph(i);
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < end && Depth(j) > depth)
        ++j;
      Table(i, j, depth + 1);
      i = j;
    }
  }

  // --- Paragraphs -------------------------------------------------------

  std::size_t SectionIndex(std::size_t paragraph) {
    // Paragraphs are written in order: count the section ends met so far.
    while (section_scan_ < paragraph) {
      if (story_.paragraphs[section_scan_].section_end) ++sections_before_;
      ++section_scan_;
    }
    return sections_before_;
  }

  std::string SectionMarkup(std::size_t paragraph) {
    const std::size_t index = SectionIndex(paragraph);
    // The last section's properties close the body.
    if (index + 1 >= source_.sections.size()) return {};
    return source_.sections[index];
  }

  void Paragraph(std::size_t index) {
    const doc::Paragraph& p = story_.paragraphs[index];
    const std::uint32_t start = story_.ParagraphStart(index);
    const std::uint32_t mark_at = p.end - 1;
    const std::uint32_t mark_origin = OriginAt(mark_at);
    const SourceParagraph* source = nullptr;
    if (mark_origin != doc::kNew) source = source_.ParagraphHolding(mark_origin);
    if (source != nullptr && source->mark == mark_origin && Exact(start, mark_at, *source) &&
        p.section_end == (MarkOf(index) == mark::kSection)) {
      Put(source->before);
      Put(source->xml);
      return;
    }
    if (source == nullptr) {
      for (std::uint32_t at = start; at < mark_at && source == nullptr;) {
        const std::size_t r = story_.RunAt(at);
        const std::uint32_t origin = OriginAt(at);
        if (origin != doc::kNew) source = source_.ParagraphHolding(origin);
        at = story_.runs[r].end;
      }
    }
    if (source != nullptr && OriginAt(start) == source->start) Put(source->before);
    Put("<w:p");
    if (source != nullptr && !source->opaque) Put(source->attributes);
    Put(">");
    std::string properties;
    const std::string section = p.section_end ? SectionMarkup(index) : std::string();
    if (source != nullptr && !source->opaque) {
      properties = source->properties_head + section + source->properties_tail;
    } else {
      properties =
          ParagraphBody(p.papx) + RunProperties(story_.runs[story_.RunAt(mark_at)].chpx) + section;
    }
    if (!properties.empty()) {
      Put("<w:pPr>");
      Put(properties);
      Put("</w:pPr>");
    }
    // The runs, piece by piece.
    std::uint32_t at = start;
    while (at < mark_at) {
      const std::size_t r = story_.RunAt(at);
      const std::uint32_t piece_end = std::min(story_.runs[r].end, mark_at);
      const std::uint32_t origin = OriginAt(at);
      if (origin == doc::kNew) {
        NewRun(std::u16string_view(story_.text).substr(at, piece_end - at), story_.runs[r].chpx);
      } else {
        SourceRange(at, piece_end, origin);
      }
      at = piece_end;
    }
    // Markers kept at the end of the paragraph (a bookmark closing there).
    if (mark_origin != doc::kNew) {
      if (const SourceParagraph* holder = source_.ParagraphHolding(mark_origin)) {
        for (std::size_t k = holder->first_item; k < holder->end_item; ++k) {
          const Item& item = source_.items[k];
          if (item.length == 0 && item.cp == mark_origin) Put(item.xml);
        }
      }
    }
    Put("</w:p>");
  }

  // The paragraph holds exactly the characters of the one read, in order.
  bool Exact(std::uint32_t start, std::uint32_t mark_at, const SourceParagraph& source) const {
    if (mark_at - start != source.mark - source.start) return false;
    std::uint32_t at = start;
    while (at <= mark_at) {
      const std::size_t r = story_.RunAt(at);
      if (OriginAt(at) != source.start + (at - start)) return false;
      at = story_.runs[r].end;
    }
    return true;
  }

  // Characters [from, to) of the model that came from the package read,
  // their first one read at origin.
  void SourceRange(std::uint32_t from, std::uint32_t to, std::uint32_t origin) {
    const SourceParagraph* holder = source_.ParagraphHolding(origin);
    if (holder == nullptr) return;
    const std::uint32_t origin_end = origin + (to - from);
    if (holder->opaque) {
      // A block kept whole that was cut: its text is all that can follow.
      NewRun(std::u16string_view(story_.text).substr(from, to - from), 0);
      return;
    }
    for (std::size_t k = holder->first_item; k < holder->end_item; ++k) {
      const Item& item = source_.items[k];
      const std::uint32_t item_end = item.cp + item.length;
      if (item.length == 0) {
        if (item.cp >= origin && item.cp < origin_end) Put(item.xml);
        continue;
      }
      if (item_end <= origin || item.cp >= origin_end) continue;
      if (item.cp >= origin && item_end <= origin_end) {
        Put(item.xml);
      } else if (item.plain) {
        const std::uint32_t a = std::max(item.cp, origin);
        const std::uint32_t b = std::min(item_end, origin_end);
        Put("<w:r>");
        Put(item.run_properties);
        RunText(std::u16string_view(story_.text).substr(from + (a - origin), b - a));
        Put("</w:r>");
      } else if (item.cp >= origin) {
        Put(item.xml);  // an element that cannot be cut goes where it starts
      }
    }
  }

  const std::string& RunProperties(std::uint32_t chpx) {
    auto it = run_properties_.find(chpx);
    if (it == run_properties_.end()) {
      it = run_properties_
               .emplace(chpx, RunPropertiesMarkup(document_.character_properties.Get(chpx),
                                                  document_, source_.style_ids))
               .first;
    }
    return it->second;
  }

  const std::string& ParagraphBody(std::uint32_t papx) {
    auto it = paragraph_properties_.find(papx);
    if (it == paragraph_properties_.end()) {
      it = paragraph_properties_
               .emplace(papx, ParagraphPropertiesBody(pool_.Istd(papx), pool_.Grpprl(papx),
                                                      source_.style_ids))
               .first;
    }
    return it->second;
  }

  void NewRun(std::u16string_view chars, std::uint32_t chpx) {
    if (chars.empty()) return;
    Put("<w:r>");
    Put(RunProperties(chpx));
    RunText(chars);
    Put("</w:r>");
  }

  // Text with the characters the markup writes as elements.
  void RunText(std::u16string_view chars) {
    std::size_t i = 0;
    while (i < chars.size()) {
      std::size_t j = i;
      while (j < chars.size() && chars[j] >= 0x20)
        ++j;
      if (j > i) Text(chars.substr(i, j - i));
      if (j >= chars.size()) break;
      switch (chars[j]) {
        case u'\t': Put("<w:tab/>"); break;
        case mark::kLineBreak: Put("<w:br/>"); break;
        case mark::kSection: Put("<w:br w:type=\"page\"/>"); break;
        case 0x000E: Put("<w:br w:type=\"column\"/>"); break;
        case 0x001E: Put("<w:noBreakHyphen/>"); break;
        case 0x001F: Put("<w:softHyphen/>"); break;
        default: break;  // marks of what the engine did not make
      }
      i = j + 1;
    }
  }

  void Text(std::u16string_view chars) {
    utf8_.clear();
    for (std::size_t i = 0; i < chars.size(); ++i) {
      char32_t c = chars[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < chars.size() && chars[i + 1] >= 0xDC00 &&
          chars[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (chars[i + 1] - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
      } else if (c == 0xFFFE || c == 0xFFFF) {
        continue;  // not characters XML can hold
      }
      switch (c) {
        case U'<': utf8_ += "&lt;"; break;
        case U'>': utf8_ += "&gt;"; break;
        case U'&': utf8_ += "&amp;"; break;
        default:
          if (c < 0x80)
            utf8_.push_back(static_cast<char>(c));
          else
            platform::AppendUtf8(utf8_, c);
      }
    }
    const bool keep_spaces = chars.front() == u' ' || chars.back() == u' ' ||
                             chars.find(u"  ") != std::u16string_view::npos;
    Put(keep_spaces ? "<w:t xml:space=\"preserve\">" : "<w:t>");
    Put(utf8_);
    Put("</w:t>");
  }

  // --- Tables -------------------------------------------------------------

  struct RowSpan {
    std::size_t first = 0;
    std::size_t end = 0;  // the row's end paragraph, or the end of the table for a row left open
    bool closed = false;
  };

  const RowLayout& Layout(std::uint32_t papx) {
    auto it = layouts_.find(papx);
    if (it == layouts_.end()) it = layouts_.emplace(papx, DecodeRow(pool_.Grpprl(papx))).first;
    return it->second;
  }

  void Table(std::size_t first, std::size_t end, int depth) {
    std::vector<RowSpan> rows;
    std::size_t row_first = first;
    for (std::size_t i = first; i < end; ++i) {
      if (Depth(i) == depth && RowEnd(i)) {
        rows.push_back(RowSpan{row_first, i, true});
        row_first = i + 1;
      }
    }
    if (row_first < end) rows.push_back(RowSpan{row_first, end, false});
    if (rows.empty()) return;

    const SourceRow* first_source = nullptr;
    if (rows.front().closed) {
      first_source = source_.RowEndingAt(OriginAt(story_.paragraphs[rows.front().end].end - 1));
    }
    Put("<w:tbl>");
    // The grid: every cell edge of the table's rows.
    std::set<int> edges;
    std::vector<std::uint32_t> seen;
    for (const RowSpan& row : rows) {
      if (!row.closed) continue;
      const std::uint32_t papx = story_.paragraphs[row.end].papx;
      if (std::find(seen.begin(), seen.end(), papx) != seen.end()) continue;
      seen.push_back(papx);
      const RowLayout& layout = Layout(papx);
      edges.insert(layout.boundaries.begin(), layout.boundaries.end());
    }
    std::vector<int> grid(edges.begin(), edges.end());
    ++table_serial_;
    if (first_source != nullptr) {
      const SourceTable& table = source_.tables[first_source->table];
      Put(table.properties);
      Put(table.grid);
    } else {
      const doc::RowFormat first_format =
          rows.front().closed ? Layout(story_.paragraphs[rows.front().end].papx).format
                              : doc::RowFormat{};
      const int width = grid.size() > 1 ? grid.back() - grid.front() : 0;
      Put(TablePropertiesMarkup(first_format, width));
      Put("<w:tblGrid>");
      for (std::size_t i = 0; i + 1 < grid.size(); ++i) {
        Put("<w:gridCol w:w=\"" + std::to_string(grid[i + 1] - grid[i]) + "\"/>");
      }
      Put("</w:tblGrid>");
    }
    for (const RowSpan& row : rows)
      Row(row, depth, grid);
    Put("</w:tbl>");
  }

  // The cells of a row: each ends at a cell end of its depth.
  std::vector<std::pair<std::size_t, std::size_t>> Cells(const RowSpan& row, int depth) const {
    std::vector<std::pair<std::size_t, std::size_t>> cells;
    std::size_t cell_first = row.first;
    for (std::size_t i = row.first; i < row.end; ++i) {
      if (Depth(i) == depth && CellEnd(i, depth)) {
        cells.emplace_back(cell_first, i + 1);
        cell_first = i + 1;
      }
    }
    if (cell_first < row.end) cells.emplace_back(cell_first, row.end);
    return cells;
  }

  struct MadeRow {
    std::string properties;
    std::vector<std::string> cells;
  };

  // Rows the engine made share their markup while they share properties
  // and their table's grid.
  const MadeRow& Made(std::uint32_t papx, const std::vector<int>& grid) {
    auto it = made_rows_.find(papx);
    if (it != made_rows_.end() && it->second.first == table_serial_) return it->second.second;
    const RowLayout& layout = Layout(papx);
    MadeRow made;
    auto grid_index = [&](int edge) {
      return static_cast<int>(std::lower_bound(grid.begin(), grid.end(), edge) - grid.begin());
    };
    int before = 0;
    int after = 0;
    if (!layout.boundaries.empty() && !grid.empty()) {
      before = grid_index(layout.boundaries.front());
      after = static_cast<int>(grid.size()) - 1 - grid_index(layout.boundaries.back());
    }
    // Most rows of a report have one line all round every cell: the row
    // says it once.
    const std::optional<doc::BorderLine> line = RowBorder(layout.format);
    made.properties = (line ? RowBorderMarkup(*line) : std::string()) +
                      RowPropertiesMarkup(layout.format, before, after);
    for (std::size_t c = 0; c < layout.format.cells.size(); ++c) {
      const int span = c + 1 < layout.boundaries.size()
                           ? grid_index(layout.boundaries[c + 1]) - grid_index(layout.boundaries[c])
                           : 1;
      made.cells.push_back(
          CellPropertiesMarkup(layout.format.cells[c], std::max(span, 1), line.has_value()));
    }
    return made_rows_.insert_or_assign(papx, std::make_pair(table_serial_, std::move(made)))
        .first->second.second;
  }

  void Row(const RowSpan& row, int depth, const std::vector<int>& grid) {
    const auto cells = Cells(row, depth);
    const SourceRow* source = nullptr;
    std::uint32_t papx = 0;
    if (row.closed) {
      papx = story_.paragraphs[row.end].papx;
      source = source_.RowEndingAt(OriginAt(story_.paragraphs[row.end].end - 1));
      if (source != nullptr && source->cells.size() != cells.size()) source = nullptr;
    }
    if (source != nullptr) {
      Put("<w:tr");
      Put(source->attributes);
      Put(">");
      Put(source->properties);
      const RowLayout& layout = Layout(papx);
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const SourceCell& cell = source->cells[c];
        Put("<w:tc");
        Put(cell.attributes);
        Put(">");
        const doc::CellFormat* format =
            c < layout.format.cells.size() ? &layout.format.cells[c] : nullptr;
        const bool restart = format != nullptr && format->merge_start;
        const bool merged = format != nullptr && format->merge_continue;
        if (cell.had_properties || restart || merged) {
          Put("<w:tcPr>");
          Put(cell.properties_head);
          if (restart) Put("<w:vMerge w:val=\"restart\"/>");
          if (merged) Put("<w:vMerge/>");
          Put(cell.properties_tail);
          Put("</w:tcPr>");
        }
        Blocks(cells[c].first, cells[c].second, depth);
        Put("</w:tc>");
      }
      Put("</w:tr>");
      return;
    }
    Put("<w:tr>");
    const MadeRow* made = row.closed ? &Made(papx, grid) : nullptr;
    if (made != nullptr) Put(made->properties);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      Put("<w:tc>");
      if (made != nullptr && c < made->cells.size()) Put(made->cells[c]);
      Blocks(cells[c].first, cells[c].second, depth);
      Put("</w:tc>");
    }
    Put("</w:tr>");
  }

  const doc::Document& document_;
  const doc::Story& story_;
  const doc::ParagraphPool& pool_;
  const WordMlSource& source_;
  const std::function<void(std::string_view)>& sink_;
  std::string out_;
  std::string utf8_;
  std::size_t section_scan_ = 0;
  std::size_t sections_before_ = 0;
  std::unordered_map<std::uint32_t, std::string> run_properties_;
  std::unordered_map<std::uint32_t, std::string> paragraph_properties_;
  std::unordered_map<std::uint32_t, RowLayout> layouts_;
  std::unordered_map<std::uint32_t, std::pair<std::size_t, MadeRow>> made_rows_;
  std::size_t table_serial_ = 0;
};

}  // namespace

void WriteBody(const doc::Document& document, const WordMlSource& source,
               const std::function<void(std::string_view)>& sink) {
  for (const auto& story : document.stories) {
    if (!story.Consistent()) {
      throw Error(errors::kDocument, "Внутренняя ошибка: текст документа не согласован");
    }
  }
  BodyWriter(document, source, sink).Write();
}

}  // namespace quorlex::automation::wordml
