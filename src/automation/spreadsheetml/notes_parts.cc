#include "automation/spreadsheetml/notes_parts.h"

#include <algorithm>

#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/xml_util.h"

namespace quorlex::automation::spreadsheetml {

std::vector<const workbook::Shape*> NotesOf(const workbook::Sheet& sheet) {
  std::vector<const workbook::Shape*> notes;
  for (const workbook::Shape& s : sheet.Art().Shapes()) {
    if (s.note) notes.push_back(&s);
  }
  std::sort(notes.begin(), notes.end(), [](const workbook::Shape* a, const workbook::Shape* b) {
    return std::make_pair(a->note->row, a->note->col) < std::make_pair(b->note->row, b->note->col);
  });
  return notes;
}

std::string CommentsXml(const std::vector<const workbook::Shape*>& notes) {
  std::vector<std::string> authors;
  for (const workbook::Shape* s : notes) {
    if (std::find(authors.begin(), authors.end(), s->note->author) == authors.end())
      authors.push_back(s->note->author);
  }
  std::string out = kDeclaration;
  out += "<comments xmlns=\"" + std::string(ns::kMain) + "\"><authors>";
  for (const std::string& a : authors) {
    out += "<author>";
    AppendEscaped(out, a);
    out += "</author>";
  }
  out += "</authors><commentList>";
  for (const workbook::Shape* s : notes) {
    const auto author =
        std::find(authors.begin(), authors.end(), s->note->author) - authors.begin();
    out += "<comment ref=\"";
    AppendCellName(out, s->note->row, s->note->col);
    out += "\" authorId=\"" + std::to_string(author) + "\"><text>";
    AppendTextElement(out, s->note->text);
    out += "</text></comment>";
  }
  out += "</commentList></comments>";
  return out;
}

// The comment boxes as Excel draws them: a yellow text box beside the
// cell, hidden unless the note is shown.
std::string VmlXml(const std::vector<const workbook::Shape*>& notes, std::size_t block) {
  std::string out =
      "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" "
      "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
      "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">\r\n"
      " <o:shapelayout v:ext=\"edit\">\r\n  <o:idmap v:ext=\"edit\" data=\"" +
      std::to_string(block) +
      "\"/>\r\n </o:shapelayout><v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" "
      "o:spt=\"202\"\r\n"
      "  path=\"m,l,21600r21600,l21600,xe\">\r\n  <v:stroke joinstyle=\"miter\"/>\r\n"
      "  <v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/>\r\n </v:shapetype>";
  std::size_t n = 0;
  for (const workbook::Shape* s : notes) {
    const workbook::Note& note = *s->note;
    const std::uint32_t top = note.row == 0 ? 0 : note.row - 1;
    ++n;
    out +=
        "<v:shape id=\"_x0000_s" + std::to_string(block * 1024 + n) +
        "\" type=\"#_x0000_t202\" style='position:absolute;margin-left:59.25pt;margin-top:1.5pt;"
        "width:108pt;height:59.25pt;z-index:" +
        std::to_string(n) + (note.visible ? "" : ";visibility:hidden") +
        "' fillcolor=\"#ffffe1\" o:insetmode=\"auto\">\r\n  <v:fill color2=\"#ffffe1\"/>\r\n"
        "  <v:shadow on=\"t\" color=\"black\" obscured=\"t\"/>\r\n  <v:path "
        "o:connecttype=\"none\"/>\r\n"
        "  <v:textbox style='mso-direction-alt:auto'>\r\n   <div style='text-align:left'></div>\r\n"
        "  </v:textbox>\r\n  <x:ClientData ObjectType=\"Note\">\r\n   <x:MoveWithCells/>\r\n"
        "   <x:SizeWithCells/>\r\n   <x:Anchor>\r\n    " +
        std::to_string(note.col + 1u) + ", 15, " + std::to_string(top) + ", 10, " +
        std::to_string(note.col + 3u) + ", 15, " + std::to_string(top + 4) +
        ", 4</x:Anchor>\r\n   <x:AutoFill>False</x:AutoFill>\r\n   <x:Row>" +
        std::to_string(note.row) + "</x:Row>\r\n   <x:Column>" + std::to_string(note.col) +
        "</x:Column>\r\n" + (note.visible ? "   <x:Visible/>\r\n" : "") +
        "  </x:ClientData>\r\n </v:shape>";
  }
  out += "</xml>";
  return out;
}

}  // namespace quorlex::automation::spreadsheetml
