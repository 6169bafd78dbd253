#include "automation/spreadsheetml/xml_util.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quorlex::automation::spreadsheetml {

void ForEachChild(package::XmlReader& reader,
                  const std::function<void(package::XmlReader&)>& each) {
  if (!reader.IsStart() || reader.IsEmptyElement()) return;
  const int depth = reader.Depth();
  while (reader.Next()) {
    if (reader.IsEnd() && reader.Depth() == depth) return;
    if (reader.IsStart() && reader.Depth() == depth + 1) each(reader);
  }
}

namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "_x" followed by four hex digits and "_".
bool IsEscapeAt(std::string_view text, std::size_t i) {
  return i + 7 <= text.size() && text[i] == '_' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
         IsHex(text[i + 2]) && IsHex(text[i + 3]) && IsHex(text[i + 4]) && IsHex(text[i + 5]) &&
         text[i + 6] == '_';
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"':
        if (attribute)
          out += "&quot;";
        else
          out += c;
        break;
      case '\n':
        if (attribute)
          out += "&#10;";
        else
          out += c;
        break;
      case '\r': out += "&#13;"; break;
      case '\t':
        if (attribute)
          out += "&#9;";
        else
          out += c;
        break;
      case '_':
        if (IsEscapeAt(text, i))
          out += "_x005F_";
        else
          out += c;
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "_x%04X_", static_cast<unsigned>(c));
          out += buffer;
        } else {
          out += c;
        }
    }
  }
}

std::string Unescape(std::string_view text) {
  if (text.find("_x") == std::string_view::npos && text.find("_X") == std::string_view::npos) {
    return std::string(text);
  }
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsEscapeAt(text, i)) {
      unsigned code = 0;
      std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16);
      // As UTF-8; a lone surrogate becomes U+FFFD.
      if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
      i += 6;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ColumnName(std::uint16_t col) {
  char letters[4];
  int n = 0;
  unsigned c = col + 1u;
  while (c > 0 && n < 4) {
    letters[n++] = static_cast<char>('A' + (c - 1) % 26);
    c = (c - 1) / 26;
  }
  std::string out;
  while (n > 0)
    out += letters[--n];
  return out;
}

void AppendCellName(std::string& out, std::uint32_t row, std::uint16_t col) {
  out += ColumnName(col);
  char digits[16];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, row + 1u);
  out.append(digits, end);
}

bool ParseCellName(std::string_view name, std::uint32_t& row, std::uint16_t& col) {
  std::size_t i = 0;
  if (i < name.size() && name[i] == '$') ++i;
  std::uint32_t c = 0;
  std::size_t letters = 0;
  while (i < name.size() &&
         ((name[i] >= 'A' && name[i] <= 'Z') || (name[i] >= 'a' && name[i] <= 'z'))) {
    if (++letters > 3) return false;
    c = c * 26 + static_cast<std::uint32_t>((name[i] | 0x20) - 'a' + 1);
    ++i;
  }
  if (i < name.size() && name[i] == '$') ++i;
  std::uint32_t r = 0;
  std::size_t digits = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9') {
    if (++digits > 7) return false;
    r = r * 10 + static_cast<std::uint32_t>(name[i] - '0');
    ++i;
  }
  if (i != name.size() || letters == 0 || digits == 0 || c > kMaxColumns || r == 0 ||
      r > kMaxRows) {
    return false;
  }
  row = r - 1;
  col = static_cast<std::uint16_t>(c - 1);
  return true;
}

void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    out.append(buffer, end);
    return;
  }
  char buffer[40];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, end);
}

std::optional<double> ParseNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<long long> ParseInteger(std::string_view text) {
  long long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

bool Flag(const std::optional<std::string>& value, bool absent) {
  if (!value) return absent;
  return *value == "1" || *value == "true" || *value == "on";
}

std::string TakeElement(package::XmlReader& reader, std::string_view root_start) {
  std::string xml = reader.TakeOuterXml();
  const std::size_t at = root_start.find(" xmlns=\"");
  if (at == std::string_view::npos) return xml;
  const std::size_t end = root_start.find('"', at + 8);
  if (end == std::string_view::npos) return xml;
  const std::string_view declaration = root_start.substr(at, end + 1 - at);
  const std::size_t tag_end = xml.find('>');
  const std::size_t found = xml.find(declaration);
  if (found != std::string::npos && found < tag_end) xml.erase(found, declaration.size());
  return xml;
}

std::string StartTag(const package::XmlReader& reader) {
  std::string attributes = reader.AttributesXml();
  if (!attributes.empty() && attributes.front() != ' ') attributes.insert(0, 1, ' ');
  // Appended piece by piece: GCC 12 at -O3 takes `"<" + name` for an
  // overlapping copy (-Wrestrict), which it cannot be.
  std::string tag(1, '<');
  tag.append(reader.QualifiedName()).append(attributes).push_back('>');
  return tag;
}

std::string QualifiedNameOf(std::string_view start_tag) {
  std::size_t at = start_tag.find('<');
  if (at == std::string_view::npos) return {};
  std::size_t end = at + 1;
  while (end < start_tag.size() && start_tag[end] != ' ' && start_tag[end] != '>' &&
         start_tag[end] != '/' && start_tag[end] != '\t' && start_tag[end] != '\n' &&
         start_tag[end] != '\r') {
    ++end;
  }
  return std::string(start_tag.substr(at + 1, end - at - 1));
}

namespace {

bool NeedsPreserve(std::string_view text) {
  if (text.empty()) return false;
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return space(text.front()) || space(text.back()) || text.find("  ") != std::string_view::npos ||
         text.find('\n') != std::string_view::npos;
}

}  // namespace

void AppendTextElement(std::string& out, std::string_view text) {
  out += NeedsPreserve(text) ? "<t xml:space=\"preserve\">" : "<t>";
  AppendEscaped(out, text);
  out += "</t>";
}

}  // namespace quorlex::automation::spreadsheetml
