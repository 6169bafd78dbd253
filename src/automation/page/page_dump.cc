#include "automation/page/page_dump.h"

namespace quorlex::automation::page {
namespace {

const char* AlignmentName(HorizontalAlignment a) {
  switch (a) {
    case HorizontalAlignment::kLeft: return "left";
    case HorizontalAlignment::kCenter: return "center";
    case HorizontalAlignment::kRight: return "right";
    case HorizontalAlignment::kJustify: return "justify";
    default: return "";
  }
}

void Quote(std::string_view s, std::string& out) {
  out.push_back('"');
  for (char c : s) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void DumpBlocks(const Page& page, std::span<const Block> blocks, int depth, std::string& out) {
  const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
  for (const Block& block : blocks) {
    if (block.kind == Block::Kind::kParagraph) {
      const Paragraph& p = page.ParagraphOf(block);
      out += indent + "P";
      if (p.heading > 0) out += " [h" + std::to_string(p.heading) + "]";
      if (p.list_level > 0) {
        out += " [" + std::string(p.list_ordered ? "ol " : "ul ") + std::to_string(p.list_level) +
               "." + std::to_string(p.list_number) + (p.list_item_start ? "*" : "") + "]";
      }
      const char* align = AlignmentName(page.paragraph_formats[p.format].alignment);
      if (*align != '\0') out += std::string(" [") + align + "]";
      out.push_back(' ');
      Quote(page.Text(p), out);
      out.push_back('\n');
    } else {
      const Table& t = page.TableOf(block);
      out += indent + "T columns=" + std::to_string(t.column_count) + "\n";
      for (const Row& row : page.Rows(t)) {
        out += indent + "  R" + (row.header ? " head" : "") + "\n";
        for (const Cell& cell : page.Cells(row)) {
          out += indent + "    C column=" + std::to_string(cell.column);
          if (cell.colspan != 1) out += " colspan=" + std::to_string(cell.colspan);
          if (cell.rowspan != 1) out += " rowspan=" + std::to_string(cell.rowspan);
          if (cell.header) out += " th";
          out.push_back('\n');
          DumpBlocks(page, page.Blocks(cell), depth + 3, out);
        }
      }
    }
  }
}

}  // namespace

std::string DumpPage(const Page& page) {
  std::string out;
  DumpBlocks(page, page.Body(), 0, out);
  return out;
}

}  // namespace quorlex::automation::page
