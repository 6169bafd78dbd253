// The body of a WordprocessingML document read into the engine's stories:
// one reader class walking the element tree once. It stays one file (about
// 620 lines) because paragraphs, runs, tables, rows and cells are states of
// that one walk and share its position and its open containers.

#include "automation/wordml/body_reader.h"

#include <cstring>

#include "automation/document/paragraph_format.h"
#include "automation/document/sprm.h"
#include "automation/document/table_format.h"
#include "automation/wordml/names.h"
#include "automation/wordml/wordml_error.h"
#include "automation/wordml/xml_io.h"
#include "platform/text.h"

namespace quorlex::automation::wordml {
namespace {

namespace doc = document;
namespace mark = document::mark;

// Characters the text gets for what is not text, as the engine's text has
// them.
constexpr char16_t kInlineObject = 0x0001;
constexpr char16_t kNoteReference = 0x0002;
constexpr char16_t kSeparator = 0x0003;
constexpr char16_t kContinuationSeparator = 0x0004;
constexpr char16_t kCommentReference = 0x0005;
constexpr char16_t kFloatingObject = 0x0008;
constexpr char16_t kColumnBreak = 0x000E;
constexpr char16_t kNonBreakingHyphen = 0x001E;
constexpr char16_t kSoftHyphen = 0x001F;
constexpr std::string_view kDrawingNamespace =
    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";

bool NameIs(const xmlNode* node, const char* local) {
  return std::strcmp(reinterpret_cast<const char*>(node->name), local) == 0;
}

bool InMain(const xmlNode* node) {
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
         std::string_view(reinterpret_cast<const char*>(node->ns->href)) == ns::kMain;
}

bool Contains(const xmlNode* node, std::string_view ns, const char* local) {
  for (const xmlNode* c = node->children; c != nullptr; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    if (c->ns != nullptr && NameIs(c, local) &&
        std::string_view(reinterpret_cast<const char*>(c->ns->href)) == ns) {
      return true;
    }
    if (Contains(c, ns, local)) return true;
  }
  return false;
}

std::string Content(const xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  if (content == nullptr) return {};
  std::string result(reinterpret_cast<const char*>(content));
  xmlFree(content);
  return result;
}

// Markers that stand between blocks and hold no text: kept in front of the
// next paragraph.
bool IsRangeMarker(std::string_view local) {
  static constexpr std::string_view kMarkers[] = {"bookmarkStart",
                                                  "bookmarkEnd",
                                                  "commentRangeStart",
                                                  "commentRangeEnd",
                                                  "permStart",
                                                  "permEnd",
                                                  "proofErr",
                                                  "moveFromRangeStart",
                                                  "moveFromRangeEnd",
                                                  "moveToRangeStart",
                                                  "moveToRangeEnd",
                                                  "customXmlInsRangeStart",
                                                  "customXmlInsRangeEnd",
                                                  "customXmlDelRangeStart",
                                                  "customXmlDelRangeEnd",
                                                  "customXmlMoveFromRangeStart",
                                                  "customXmlMoveFromRangeEnd",
                                                  "customXmlMoveToRangeStart",
                                                  "customXmlMoveToRangeEnd"};
  for (std::string_view m : kMarkers) {
    if (local == m) return true;
  }
  return false;
}

// Children of w:tcPr in front of where w:vMerge goes.
bool BeforeVerticalMerge(const xmlNode* node) {
  return InMain(node) && (NameIs(node, "cnfStyle") || NameIs(node, "tcW") ||
                          NameIs(node, "gridSpan") || NameIs(node, "hMerge"));
}

class BodyReader {
 public:
  BodyReader(std::string_view part, doc::Document& document, WordMlSource& source,
             const StyleIds& styles)
      : reader_(part, source.main_part),
        document_(document),
        story_(document.Main()),
        source_(source),
        styles_(styles) {}

  void Read() {
    if (!NextStart()) reader_.Fail("пуста");
    if (reader_.Namespace() == ns::kStrictMain) {
      throw ReadError(ReadFailure::kStrict,
                      "сохранен в формате Strict Open XML, который не поддерживается");
    }
    if (!reader_.Is(ns::kMain, "document")) reader_.Fail("не является документом WordprocessingML");
    const std::string root = reader_.QualifiedName();
    source_.root_start = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<" +
                         root + reader_.RawAttributes() + ">";
    bool have_body = false;
    if (!reader_.IsEmptyElement()) {
      bool more = reader_.Read();
      while (more) {
        if (reader_.IsEnd() && reader_.Depth() == 0) break;
        if (!reader_.IsStart() || reader_.Depth() != 1) {
          more = reader_.Read();
          continue;
        }
        if (!have_body && reader_.Is(ns::kMain, "body")) {
          have_body = true;
          // Appended piece by piece: GCC 12 at -O3 takes `"<" + name` for
          // an overlapping copy (-Wrestrict), which it cannot be.
          source_.body_start.assign(1, '<');
          source_.body_start.append(reader_.QualifiedName()).append(reader_.RawAttributes());
          source_.body_start.push_back('>');
          if (!reader_.IsEmptyElement()) Blocks(1, 0);
          source_.body_end.assign("</");
          source_.body_end.append(reader_.QualifiedName()).push_back('>');
          more = reader_.Read();
          continue;
        }
        std::string& into = have_body ? source_.after_body : source_.root_start;
        into += Markup(reader_.Expand());
        more = reader_.Skip();
      }
    }
    if (!have_body) {
      source_.body_start = "<w:body>";
      source_.body_end = "</w:body>";
    }
    source_.after_body += "</" + root + ">";
    source_.trailing = std::move(pending_);
    if (!body_section_) {
      // No section properties at the end of the body: the last section has
      // the application's defaults.
      source_.sections.emplace_back();
      document_.sections.emplace_back();
    }
    if (story_.empty()) {
      // A body without paragraphs still ends with one.
      story_.EndParagraph(mark::kParagraph, 0, 0, false, doc::kNew);
    }
  }

 private:
  bool NextStart() {
    while (reader_.Read()) {
      if (reader_.IsStart()) return true;
    }
    return false;
  }

  // The blocks of a container (body, cell, ...) whose element is at
  // container_depth, at table depth depth. Stops on the container's end.
  void Blocks(int container_depth, int depth) {
    bool more = reader_.Read();
    while (more) {
      if (reader_.IsEnd() && reader_.Depth() == container_depth) return;
      if (!reader_.IsStart() || reader_.Depth() != container_depth + 1) {
        more = reader_.Read();
        continue;
      }
      const std::string_view local = reader_.LocalName();
      const bool main = reader_.Namespace() == ns::kMain;
      if (main && local == "p") {
        Paragraph(reader_.Expand(), depth);
        more = reader_.Skip();
      } else if (main && local == "tbl") {
        Table(depth + 1);
        more = reader_.Read();
      } else if (main && local == "sectPr" && depth == 0) {
        const xmlNode* sect = reader_.Expand();
        source_.sections.push_back(Markup(sect));
        document_.sections.push_back(doc::Section{ReadSectionProperties(sect)});
        body_section_ = true;
        more = reader_.Skip();
      } else if (main && IsRangeMarker(local)) {
        pending_ += Markup(reader_.Expand());
        more = reader_.Skip();
      } else {
        Opaque(reader_.Expand(), depth);
        more = reader_.Skip();
      }
    }
    reader_.Fail("обрывается");
  }

  std::uint32_t TablePapx(std::uint16_t istd, const std::string& grpprl, int depth, bool cell_end,
                          bool row_end) {
    if (depth == 0) return document_.paragraph_properties.Intern(istd, grpprl);
    return document_.paragraph_properties.Intern(
        istd, grpprl + doc::EncodeParagraphFormat({}, {depth, cell_end, row_end}));
  }

  void AppendText(std::string_view utf8, std::uint32_t chpx) {
    buffer_.clear();
    std::size_t i = 0;
    while (i < utf8.size()) {
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
    AppendChars(buffer_, chpx);
  }

  void AppendChars(std::u16string_view chars, std::uint32_t chpx) {
    story_.Append(chars, chpx, story_.size());
  }

  void AppendChar(char16_t c, std::uint32_t chpx) { AppendChars(std::u16string_view(&c, 1), chpx); }

  // The text a run contributes, and whether it is plain text only.
  bool RunText(const xmlNode* run, std::uint32_t chpx) {
    bool plain = true;
    for (const xmlNode* c = run->children; c != nullptr; c = c->next) {
      if (c->type != XML_ELEMENT_NODE) continue;
      if (!InMain(c)) {
        // Alternate content (a drawing with its fallback) is one object.
        AppendChar(kFloatingObject, chpx);
        plain = false;
        continue;
      }
      if (NameIs(c, "rPr") || NameIs(c, "lastRenderedPageBreak")) continue;
      if (NameIs(c, "t")) {
        AppendText(Content(c), chpx);
      } else if (NameIs(c, "tab")) {
        AppendChar(u'\t', chpx);
      } else if (NameIs(c, "br") || NameIs(c, "cr")) {
        const std::string type = MainAttribute(c, "type").value_or("");
        if (type == "page") {
          AppendChar(mark::kSection, chpx);
          plain = false;
        } else if (type == "column") {
          AppendChar(kColumnBreak, chpx);
          plain = false;
        } else {
          AppendChar(mark::kLineBreak, chpx);
        }
      } else if (NameIs(c, "noBreakHyphen")) {
        AppendChar(kNonBreakingHyphen, chpx);
      } else if (NameIs(c, "softHyphen")) {
        AppendChar(kSoftHyphen, chpx);
      } else {
        plain = false;
        if (NameIs(c, "instrText")) {
          AppendText(Content(c), chpx);
        } else if (NameIs(c, "fldChar")) {
          const std::string type = MainAttribute(c, "fldCharType").value_or("");
          if (type == "begin") AppendChar(mark::kFieldBegin, chpx);
          if (type == "separate") AppendChar(mark::kFieldSeparator, chpx);
          if (type == "end") AppendChar(mark::kFieldEnd, chpx);
        } else if (NameIs(c, "drawing")) {
          AppendChar(Contains(c, kDrawingNamespace, "anchor") ? kFloatingObject : kInlineObject,
                     chpx);
        } else if (NameIs(c, "pict") || NameIs(c, "object")) {
          AppendChar(kInlineObject, chpx);
        } else if (NameIs(c, "footnoteReference") || NameIs(c, "endnoteReference") ||
                   NameIs(c, "footnoteRef") || NameIs(c, "endnoteRef")) {
          AppendChar(kNoteReference, chpx);
        } else if (NameIs(c, "commentReference") || NameIs(c, "annotationRef")) {
          AppendChar(kCommentReference, chpx);
        } else if (NameIs(c, "separator")) {
          AppendChar(kSeparator, chpx);
        } else if (NameIs(c, "continuationSeparator")) {
          AppendChar(kContinuationSeparator, chpx);
        } else if (NameIs(c, "sym")) {
          const std::string code = MainAttribute(c, "char").value_or("");
          const unsigned long value = std::strtoul(code.c_str(), nullptr, 16);
          AppendChar(value >= 0x20 && value <= 0xFFFF ? static_cast<char16_t>(value) : u'?', chpx);
        } else if (NameIs(c, "ptab")) {
          AppendChar(u'\t', chpx);
        }
      }
    }
    return plain;
  }

  // Text of what holds runs (hyperlinks, fields, content controls ...).
  void NestedText(const xmlNode* node) {
    for (const xmlNode* c = node->children; c != nullptr; c = c->next) {
      if (!InMain(c)) continue;
      if (NameIs(c, "r")) {
        RunText(c, document_.character_properties.Intern(
                       ReadRunProperties(MainChild(c, "rPr"), document_.fonts, styles_)));
      } else if (NameIs(c, "del") || NameIs(c, "moveFrom") || NameIs(c, "sdtPr") ||
                 NameIs(c, "sdtEndPr") || NameIs(c, "rPr")) {
        continue;  // deleted text, and properties, are not text
      } else {
        NestedText(c);
      }
    }
  }

  void Paragraph(const xmlNode* p, int depth) {
    SourceParagraph sp;
    sp.start = story_.size();
    sp.before = std::move(pending_);
    pending_.clear();
    sp.xml = Markup(p);
    sp.attributes = reader_.RawAttributes();
    const xmlNode* ppr = MainChild(p, "pPr");
    ParagraphProperties props = ReadParagraphProperties(ppr, styles_);
    std::uint32_t mark_chpx = 0;
    const xmlNode* sect = nullptr;
    if (ppr != nullptr) {
      mark_chpx = document_.character_properties.Intern(
          ReadRunProperties(MainChild(ppr, "rPr"), document_.fonts, styles_));
      for (const xmlNode* c = ppr->children; c != nullptr; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        if (InMain(c) && NameIs(c, "sectPr")) {
          sect = c;
        } else if (InMain(c) && NameIs(c, "pPrChange")) {
          sp.properties_tail += Markup(c);
        } else {
          sp.properties_head += Markup(c);
        }
      }
    }
    sp.first_item = source_.items.size();
    for (const xmlNode* c = p->children; c != nullptr; c = c->next) {
      if (c->type != XML_ELEMENT_NODE) continue;
      if (InMain(c) && NameIs(c, "pPr")) continue;
      Item item;
      item.cp = story_.size();
      item.xml = Markup(c);
      if (InMain(c) && NameIs(c, "r")) {
        const xmlNode* rpr = MainChild(c, "rPr");
        const std::uint32_t chpx =
            document_.character_properties.Intern(ReadRunProperties(rpr, document_.fonts, styles_));
        item.plain = RunText(c, chpx);
        if (item.plain && rpr != nullptr) item.run_properties = Markup(rpr);
      } else if (InMain(c) && (NameIs(c, "del") || NameIs(c, "moveFrom"))) {
        // Deleted text is no text of the document.
      } else if (!(InMain(c) && IsRangeMarker(reinterpret_cast<const char*>(c->name)))) {
        NestedText(c);
      }
      item.length = story_.size() - item.cp;
      source_.items.push_back(std::move(item));
    }
    sp.end_item = source_.items.size();
    char16_t mark_char = mark::kParagraph;
    if (sect != nullptr && depth == 0) {
      mark_char = mark::kSection;
      source_.sections.push_back(Markup(sect));
      document_.sections.push_back(doc::Section{ReadSectionProperties(sect)});
    }
    last_paragraph_ = LastParagraph{story_.paragraphs.size(), props.istd, props.grpprl, depth};
    story_.EndParagraph(mark_char, TablePapx(props.istd, props.grpprl, depth, false, false),
                        mark_chpx, mark_char == mark::kSection, story_.size());
    sp.mark = story_.size() - 1;
    source_.paragraphs.push_back(std::move(sp));
  }

  // A block kept whole: its text for the engine, its markup for the writer.
  void Opaque(const xmlNode* node, int depth) {
    SourceParagraph sp;
    sp.start = story_.size();
    sp.before = std::move(pending_);
    pending_.clear();
    sp.xml = Markup(node);
    sp.opaque = true;
    sp.first_item = sp.end_item = source_.items.size();
    NestedText(node);
    last_paragraph_ = LastParagraph{story_.paragraphs.size(), 0, {}, depth};
    story_.EndParagraph(mark::kParagraph, TablePapx(0, {}, depth, false, false), 0, false,
                        story_.size());
    sp.mark = story_.size() - 1;
    source_.paragraphs.push_back(std::move(sp));
  }

  void Table(int depth) {
    const int table_depth = reader_.Depth();
    const std::size_t index = source_.tables.size();
    source_.tables.push_back(SourceTable{reader_.RawAttributes(), {}, {}});
    TableState state;
    state.index = index;
    state.depth = depth;
    if (reader_.IsEmptyElement()) return;
    TableChildren(table_depth, state);
  }

  struct TableState {
    std::size_t index = 0;
    int depth = 1;
    doc::RowFormat defaults;
    GridColumns grid;
  };

  // Children of a table, or of a content control around rows.
  void TableChildren(int container_depth, TableState& state) {
    bool more = reader_.Read();
    while (more) {
      if (reader_.IsEnd() && reader_.Depth() == container_depth) return;
      if (!reader_.IsStart() || reader_.Depth() != container_depth + 1) {
        more = reader_.Read();
        continue;
      }
      const std::string_view local = reader_.LocalName();
      const bool main = reader_.Namespace() == ns::kMain;
      if (main && local == "tblPr") {
        const xmlNode* node = reader_.Expand();
        source_.tables[state.index].properties = Markup(node);
        state.defaults = ReadTableDefaults(node);
        more = reader_.Skip();
      } else if (main && local == "tblGrid") {
        const xmlNode* node = reader_.Expand();
        source_.tables[state.index].grid = Markup(node);
        for (const xmlNode* c = node->children; c != nullptr; c = c->next) {
          if (IsMain(c, "gridCol")) {
            state.grid.widths.push_back(
                static_cast<int>(std::clamp(NumberAttribute(c, "w").value_or(0), 0L, 31680L)));
          }
        }
        more = reader_.Skip();
      } else if (main && local == "tr") {
        Row(state);
        more = reader_.Read();
      } else if (main && (local == "sdt" || local == "customXml" || local == "sdtContent")) {
        if (!reader_.IsEmptyElement()) TableChildren(reader_.Depth(), state);
        more = reader_.Read();
      } else if (main && IsRangeMarker(local)) {
        pending_ += Markup(reader_.Expand());
        more = reader_.Skip();
      } else {
        more = reader_.Skip();  // w:sdtPr and the like around rows
      }
    }
    reader_.Fail("обрывается");
  }

  struct RowState {
    SourceRow row;
    doc::RowFormat format;
    std::size_t column = 0;
  };

  void Row(TableState& table) {
    RowState state;
    state.row.table = table.index;
    state.row.attributes = reader_.RawAttributes();
    state.format = table.defaults;
    if (!reader_.IsEmptyElement()) RowChildren(reader_.Depth(), table, state);
    const std::string grpprl = doc::EncodeParagraphFormat({}, {table.depth, false, true}) +
                               doc::EncodeRowFormat(state.format);
    state.row.mark = story_.size();
    story_.EndParagraph(table.depth == 1 ? mark::kCell : mark::kParagraph,
                        document_.paragraph_properties.Intern(0, grpprl), 0, false, story_.size());
    source_.rows.push_back(std::move(state.row));
  }

  void RowChildren(int container_depth, TableState& table, RowState& state) {
    bool more = reader_.Read();
    while (more) {
      if (reader_.IsEnd() && reader_.Depth() == container_depth) return;
      if (!reader_.IsStart() || reader_.Depth() != container_depth + 1) {
        more = reader_.Read();
        continue;
      }
      const std::string_view local = reader_.LocalName();
      const bool main = reader_.Namespace() == ns::kMain;
      if (main && (local == "trPr" || local == "tblPrEx")) {
        const xmlNode* node = reader_.Expand();
        state.row.properties += Markup(node);
        if (local == "trPr") ReadRowSettings(node, table.grid, state.format, state.column);
        more = reader_.Skip();
      } else if (main && local == "tc") {
        Cell(table, state);
        more = reader_.Read();
      } else if (main && (local == "sdt" || local == "customXml" || local == "sdtContent")) {
        if (!reader_.IsEmptyElement()) RowChildren(reader_.Depth(), table, state);
        more = reader_.Read();
      } else if (main && IsRangeMarker(local)) {
        pending_ += Markup(reader_.Expand());
        more = reader_.Skip();
      } else {
        more = reader_.Skip();
      }
    }
    reader_.Fail("обрывается");
  }

  void Cell(TableState& table, RowState& state) {
    const int cell_depth = reader_.Depth();
    SourceCell cell;
    cell.attributes = reader_.RawAttributes();
    const std::size_t first_paragraph = story_.paragraphs.size();
    bool formatted = false;
    if (!reader_.IsEmptyElement()) {
      // The cell's properties come first; its blocks follow.
      bool more = reader_.Read();
      while (more && !(reader_.IsEnd() && reader_.Depth() == cell_depth) &&
             !(reader_.IsStart() && reader_.Depth() == cell_depth + 1)) {
        more = reader_.Read();
      }
      if (more && reader_.IsStart() && reader_.Is(ns::kMain, "tcPr")) {
        const xmlNode* node = reader_.Expand();
        cell.had_properties = true;
        for (const xmlNode* c = node->children; c != nullptr; c = c->next) {
          if (c->type != XML_ELEMENT_NODE) continue;
          if (IsMain(c, "vMerge")) continue;
          (BeforeVerticalMerge(c) ? cell.properties_head : cell.properties_tail) += Markup(c);
        }
        if (state.format.cells.size() < doc::kMaxCells) {
          state.format.cells.push_back(ReadCellFormat(node, table.grid, state.column));
        }
        formatted = true;
        reader_.Skip();
        // Skip() stands on the next sibling or the cell's end: the blocks
        // start from there.
        CellBlocksFromCurrent(cell_depth, table.depth);
      } else if (more && reader_.IsStart()) {
        CellBlocksFromCurrent(cell_depth, table.depth);
      }
    }
    if (!formatted && state.format.cells.size() < doc::kMaxCells) {
      state.format.cells.push_back(ReadCellFormat(nullptr, table.grid, state.column));
    }
    EndCell(first_paragraph, table.depth);
    state.row.cells.push_back(std::move(cell));
  }

  // Blocks of a cell when the reader already stands on its first child
  // (or on the cell's end).
  void CellBlocksFromCurrent(int cell_depth, int depth) {
    if (reader_.IsEnd() && reader_.Depth() == cell_depth) return;
    // Blocks() reads first; step back by handling the current node here.
    while (true) {
      if (reader_.IsEnd() && reader_.Depth() == cell_depth) return;
      if (!reader_.IsStart() || reader_.Depth() != cell_depth + 1) {
        if (!reader_.Read()) reader_.Fail("обрывается");
        continue;
      }
      const std::string_view local = reader_.LocalName();
      const bool main = reader_.Namespace() == ns::kMain;
      bool more;
      if (main && local == "p") {
        Paragraph(reader_.Expand(), depth);
        more = reader_.Skip();
      } else if (main && local == "tbl") {
        Table(depth + 1);
        more = reader_.Read();
      } else if (main && IsRangeMarker(local)) {
        pending_ += Markup(reader_.Expand());
        more = reader_.Skip();
      } else {
        Opaque(reader_.Expand(), depth);
        more = reader_.Skip();
      }
      if (!more) reader_.Fail("обрывается");
    }
  }

  // The cell's last paragraph ends it; a cell whose last block is a table
  // (or that has none) gets an empty paragraph to end it.
  void EndCell(std::size_t first_paragraph, int depth) {
    const bool own_last = story_.paragraphs.size() > first_paragraph &&
                          last_paragraph_.index == story_.paragraphs.size() - 1 &&
                          last_paragraph_.depth == depth;
    if (!own_last) {
      story_.EndParagraph(depth == 1 ? mark::kCell : mark::kParagraph,
                          TablePapx(0, {}, depth, true, false), 0, false, doc::kNew);
      return;
    }
    doc::Paragraph& p = story_.paragraphs.back();
    p.papx = TablePapx(last_paragraph_.istd, last_paragraph_.grpprl, depth, true, false);
    if (depth == 1) story_.text.back() = mark::kCell;
  }

  struct LastParagraph {
    std::size_t index = static_cast<std::size_t>(-1);
    std::uint16_t istd = 0;
    std::string grpprl;
    int depth = 0;
  };

  XmlReader reader_;
  doc::Document& document_;
  doc::Story& story_;
  WordMlSource& source_;
  const StyleIds& styles_;
  std::string pending_;
  std::u16string buffer_;
  LastParagraph last_paragraph_;
  bool body_section_ = false;
};

}  // namespace

void ReadBody(std::string_view part, doc::Document& document, WordMlSource& source,
              const StyleIds& styles) {
  BodyReader(part, document, source, styles).Read();
}

}  // namespace quorlex::automation::wordml
