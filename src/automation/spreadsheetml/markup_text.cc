#include "automation/spreadsheetml/markup_text.h"

namespace quorlex::automation::spreadsheetml::markup {

// Text of markup with the five entities XML predefines read.
std::string Decoded(std::string_view text) {
  if (text.find('&') == std::string_view::npos) return std::string(text);
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool matched = false;
    for (const auto& [entity, c] : kEntities) {
      if (text.substr(i, entity.size()) == entity) {
        out += c;
        i += entity.size();
        matched = true;
        break;
      }
    }
    if (!matched) out += text[i++];
  }
  return out;
}

std::string Encoded(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// The start tag of the element at `at` ends at the returned position (just
// past its '>').
std::size_t TagEnd(std::string_view xml, std::size_t at) {
  const std::size_t end = xml.find('>', at);
  return end == std::string_view::npos ? xml.size() : end + 1;
}

// Where the next element with local name `name` starts at or after `from`.
std::size_t FindElement(std::string_view xml, std::string_view name, std::size_t from) {
  while (true) {
    const std::size_t at = xml.find(name, from);
    if (at == std::string_view::npos || at == 0) return std::string_view::npos;
    const std::size_t after = at + name.size();
    const bool ends =
        after < xml.size() && (xml[after] == ' ' || xml[after] == '>' || xml[after] == '/' ||
                               xml[after] == '\r' || xml[after] == '\n' || xml[after] == '\t');
    std::size_t start = at;
    if (xml[at - 1] == ':') {
      start = at - 1;
      while (start > 0 && xml[start - 1] != '<' && xml[start - 1] != '/' && xml[start - 1] != ' ')
        --start;
      if (start > 0) --start;
    } else {
      start = at - 1;
    }
    if (ends && xml[start] == '<') return start;
    from = after;
  }
}

// Past the end of the element starting at `at` (its start tag self-closed
// or its end tag).
std::size_t ElementEnd(std::string_view xml, std::size_t at, std::string_view name) {
  const std::size_t tag_end = TagEnd(xml, at);
  if (tag_end >= 2 && xml[tag_end - 2] == '/') return tag_end;
  std::size_t close = xml.find(std::string("</"), tag_end);
  while (close != std::string_view::npos) {
    const std::size_t end = xml.find('>', close);
    if (end == std::string_view::npos) return xml.size();
    std::string_view tag = xml.substr(close + 2, end - close - 2);
    const std::size_t colon = tag.find(':');
    if (colon != std::string_view::npos) tag = tag.substr(colon + 1);
    if (tag == name) return end + 1;
    close = xml.find("</", end);
  }
  return xml.size();
}

// The value of an attribute in the start tag at `at`, with where it lies.
std::optional<std::pair<std::size_t, std::size_t>> FindAttribute(std::string_view xml,
                                                                 std::size_t at,
                                                                 std::string_view name) {
  const std::size_t end = TagEnd(xml, at);
  // Built by appending: GCC 12 -O3 takes " " + name for an overlapping copy.
  std::string key(1, ' ');
  key.append(name);
  key.append("=\"");
  const std::size_t found = xml.substr(at, end - at).find(key);
  if (found == std::string_view::npos) return std::nullopt;
  const std::size_t value = at + found + key.size();
  const std::size_t close = xml.find('"', value);
  if (close == std::string_view::npos || close > end) return std::nullopt;
  return std::make_pair(value, close);
}

// The text of each element `name` in `xml` (between its tags), edited by
// `edit`, which returns the new text or nullopt to leave it.
std::string EditElementTexts(
    const std::string& xml, std::string_view name,
    const std::function<std::optional<std::string>(std::string_view)>& edit) {
  std::string out;
  std::size_t copied = 0;
  std::size_t at = 0;
  while ((at = FindElement(xml, name, at)) != std::string::npos) {
    const std::size_t open_end = TagEnd(xml, at);
    const std::size_t end = ElementEnd(xml, at, name);
    if (xml[open_end - 2] == '/') {
      at = end;
      continue;
    }
    const std::size_t close = xml.rfind("</", end);
    if (close == std::string::npos || close < open_end) break;
    if (auto text = edit(std::string_view(xml).substr(open_end, close - open_end))) {
      out.append(xml, copied, open_end - copied);
      out += *text;
      copied = close;
    }
    at = end;
  }
  out.append(xml, copied, std::string::npos);
  return out;
}

std::string EditAttributes(
    std::string xml, std::string_view element, std::string_view attribute,
    const std::function<std::optional<std::string>(std::string_view)>& edit) {
  std::size_t at = 0;
  while ((at = FindElement(xml, element, at)) != std::string::npos) {
    if (auto value = FindAttribute(xml, at, attribute)) {
      if (auto text =
              edit(std::string_view(xml).substr(value->first, value->second - value->first)))
        xml.replace(value->first, value->second - value->first, *text);
    }
    at = TagEnd(xml, at);
  }
  return xml;
}

}  // namespace quorlex::automation::spreadsheetml::markup
