#include "automation/spreadsheetml/anchors.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "automation/spreadsheetml/markup_text.h"
#include "automation/spreadsheetml/xml_util.h"

namespace quorlex::automation::spreadsheetml {

using markup::ElementEnd;
using markup::FindElement;
using markup::TagEnd;

// The rows of a drawing's anchors after rows [first, first + count) are
// deleted, as the engine moves shapes: one inside the rows goes, one
// reaching into them shrinks to their edge.
std::string DeleteAnchorRows(const std::string& xml, std::uint32_t first, std::uint32_t count) {
  const std::uint64_t end_band = static_cast<std::uint64_t>(first) + count;
  struct Marker {
    std::size_t row_at = 0, row_end = 0, off_at = 0, off_end = 0;
    std::uint32_t row = 0;
    bool found = false;
  };
  const auto marker = [&](std::size_t from, std::size_t to, std::string_view tag) {
    Marker m;
    const std::size_t at = FindElement(xml, tag, from);
    if (at == std::string::npos || at >= to) return m;
    const std::size_t end = ElementEnd(xml, at, tag);
    const std::size_t row = FindElement(xml, "row", at);
    if (row == std::string::npos || row >= end) return m;
    m.row_at = TagEnd(xml, row);
    m.row_end = xml.find('<', m.row_at);
    const auto value = ParseInteger(std::string_view(xml).substr(m.row_at, m.row_end - m.row_at));
    if (!value || *value < 0) return m;
    m.row = static_cast<std::uint32_t>(*value);
    const std::size_t off = FindElement(xml, "rowOff", at);
    if (off != std::string::npos && off < end) {
      m.off_at = TagEnd(xml, off);
      m.off_end = xml.find('<', m.off_at);
    }
    m.found = true;
    return m;
  };
  std::string out;
  std::size_t copied = 0;
  std::size_t at = 0;
  while (true) {
    const std::size_t two = FindElement(xml, "twoCellAnchor", at);
    const std::size_t one = FindElement(xml, "oneCellAnchor", at);
    const std::size_t start = std::min(two, one);
    if (start == std::string::npos) break;
    const std::string_view name = start == two ? "twoCellAnchor" : "oneCellAnchor";
    const std::size_t end = ElementEnd(xml, start, name);
    const Marker from = marker(start, end, "from");
    const Marker to = name == "twoCellAnchor" ? marker(start, end, "to") : from;
    if (!from.found || !to.found) {
      at = end;
      continue;
    }
    const bool top_in = from.row >= first && from.row < end_band;
    const bool bottom_in = to.row >= first && to.row < end_band;
    out.append(xml, copied, start - copied);
    copied = end;
    at = end;
    if (top_in && bottom_in) continue;
    // The anchor with its rows changed, pieces in text order.
    std::string anchor;
    std::size_t piece = start;
    const auto replace = [&](std::size_t from_at, std::size_t to_at, const std::string& text) {
      anchor.append(xml, piece, from_at - piece);
      anchor += text;
      piece = to_at;
    };
    const auto moved = [&](const Marker& m, bool in) {
      const std::uint32_t row =
          m.row >= end_band ? static_cast<std::uint32_t>(m.row - count) : (in ? first : m.row);
      replace(m.row_at, m.row_end, std::to_string(row));
      if (in && m.off_at != 0) replace(m.off_at, m.off_end, "0");
    };
    moved(from, top_in);
    if (name == "twoCellAnchor") moved(to, bottom_in);
    anchor.append(xml, piece, end - piece);
    out += anchor;
  }
  out.append(xml, copied, std::string::npos);
  return out;
}

// The same for the shapes of a VML drawing (form controls and the like),
// whose <x:Anchor> reads "left column, offset, top row, offset, right
// column, offset, bottom row, offset".
std::string DeleteVmlAnchorRows(const std::string& xml, std::uint32_t first, std::uint32_t count) {
  const std::uint64_t end_band = static_cast<std::uint64_t>(first) + count;
  std::string out;
  std::size_t copied = 0;
  std::size_t at = 0;
  while ((at = FindElement(xml, "shape", at)) != std::string::npos) {
    const std::size_t end = ElementEnd(xml, at, "shape");
    const std::size_t anchor = FindElement(xml, "Anchor", at);
    if (anchor == std::string::npos || anchor >= end) {
      at = end;
      continue;
    }
    const std::size_t text_at = TagEnd(xml, anchor);
    const std::size_t text_end = xml.find('<', text_at);
    std::vector<std::string> fields;
    std::string_view text(xml.data() + text_at, text_end - text_at);
    for (std::size_t from = 0;;) {
      const std::size_t comma = text.find(',', from);
      std::string_view field = text.substr(from, comma - from);
      while (!field.empty() && std::isspace(static_cast<unsigned char>(field.front())))
        field.remove_prefix(1);
      while (!field.empty() && std::isspace(static_cast<unsigned char>(field.back())))
        field.remove_suffix(1);
      fields.emplace_back(field);
      if (comma == std::string_view::npos) break;
      from = comma + 1;
    }
    const auto top = fields.size() == 8 ? ParseInteger(fields[2]) : std::nullopt;
    const auto bottom = fields.size() == 8 ? ParseInteger(fields[6]) : std::nullopt;
    if (!top || !bottom || *top < 0 || *bottom < 0) {
      at = end;
      continue;
    }
    const auto in_band = [&](long long row) {
      return row >= first && static_cast<std::uint64_t>(row) < end_band;
    };
    const std::size_t start = at;
    out.append(xml, copied, start - copied);
    copied = end;
    at = end;
    if (in_band(*top) && in_band(*bottom)) continue;
    const auto moved = [&](long long row, std::string& offset) {
      if (static_cast<std::uint64_t>(row) >= end_band) return std::to_string(row - count);
      if (in_band(row)) {
        offset.clear();
        offset.push_back('0');  // GCC 12 -O3 takes assigning "0" for an overlapping copy
        return std::to_string(first);
      }
      return std::to_string(row);
    };
    fields[2] = moved(*top, fields[3]);
    fields[6] = moved(*bottom, fields[7]);
    out.append(xml, start, text_at - start);
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (k > 0) out += ", ";
      out += fields[k];
    }
    out.append(xml, text_end, end - text_end);
  }
  out.append(xml, copied, std::string::npos);
  return out;
}

}  // namespace quorlex::automation::spreadsheetml
