#include "automation/page/css_tokenizer.h"

#include <charconv>
#include <cmath>

#include "automation/page/css_value.h"

namespace quorlex::automation::page::css {
namespace {

using platform::IsAsciiSpace;
using platform::LowerAscii;

bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '-'; }

}  // namespace

std::size_t ReadEscape(std::string_view s, std::size_t i, std::string& out, bool in_string) {
  ++i;  // the backslash
  if (i >= s.size()) return i;
  if (s[i] == '\n' || s[i] == '\r' || s[i] == '\f') {
    if (!in_string) out.push_back(s[i]);
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    return i + 1;
  }
  if (IsHex(s[i])) {
    std::uint32_t code = 0;
    std::size_t digits = 0;
    while (i < s.size() && digits < 6 && IsHex(s[i])) {
      code = code * 16 + static_cast<std::uint32_t>(HexValue(s[i]));
      ++i;
      ++digits;
    }
    if (i < s.size() && IsAsciiSpace(s[i])) {
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      ++i;
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
    platform::AppendUtf8(out, static_cast<char32_t>(code));
    return i;
  }
  out.push_back(s[i]);
  return i + 1;
}

namespace {

std::size_t ReadName(std::string_view s, std::size_t i, std::string& out) {
  while (i < s.size()) {
    if (s[i] == '\\') {
      if (i + 1 >= s.size() || s[i + 1] == '\n') break;
      i = ReadEscape(s, i, out, false);
    } else if (IsNameChar(s[i])) {
      out.push_back(s[i++]);
    } else {
      break;
    }
  }
  return i;
}

bool StartsNumber(std::string_view s, std::size_t i) {
  if (i >= s.size()) return false;
  if (IsDigit(s[i])) return true;
  if (s[i] == '.') return i + 1 < s.size() && IsDigit(s[i + 1]);
  if (s[i] == '+' || s[i] == '-')
    return StartsNumber(s, i + 1) && s[i + 1] != '+' && s[i + 1] != '-';
  return false;
}

bool StartsIdent(std::string_view s, std::size_t i) {
  if (i >= s.size()) return false;
  const char c = s[i];
  if (IsNameStart(c)) return true;
  if (c == '\\') return i + 1 < s.size() && s[i + 1] != '\n';
  if (c == '-') {
    if (i + 1 >= s.size()) return false;
    const char d = s[i + 1];
    return IsNameStart(d) || d == '-' || (d == '\\' && i + 2 < s.size());
  }
  return false;
}

// Finds the ')' that closes the '(' before i, honouring nesting and strings.
std::size_t MatchParen(std::string_view s, std::size_t i) {
  int depth = 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\\') {
      i += 2;
      continue;
    }
    if (c == '"' || c == '\'') {
      ++i;
      while (i < s.size() && s[i] != c)
        i += (s[i] == '\\') ? 2u : 1u;
      ++i;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i;
    ++i;
  }
  return s.size();
}

}  // namespace

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (IsAsciiSpace(c)) {
      ++i;
      continue;
    }
    // The token's strings start empty and are appended to: assigning a
    // literal here makes GCC 12 at -O3 warn of an overlapping copy that
    // cannot happen (-Wrestrict).
    Token t;
    if (c == '"' || c == '\'') {
      t.kind = Token::Kind::kString;
      ++i;
      while (i < s.size() && s[i] != c) {
        if (s[i] == '\\') {
          i = ReadEscape(s, i, t.text, true);
        } else {
          t.text.push_back(s[i++]);
        }
      }
      ++i;
    } else if (c == '#') {
      t.kind = Token::Kind::kHash;
      i = ReadName(s, i + 1, t.text);
      if (t.text.empty()) {
        t.kind = Token::Kind::kDelim;
        t.text.push_back('#');
      }
    } else if (StartsNumber(s, i)) {
      t.kind = Token::Kind::kNumber;
      const std::size_t start = i;
      if (s[i] == '+' || s[i] == '-') ++i;
      while (i < s.size() && IsDigit(s[i]))
        ++i;
      if (i + 1 < s.size() && s[i] == '.' && IsDigit(s[i + 1])) {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
          ++i;
      }
      if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
          i = j;
          while (i < s.size() && IsDigit(s[i]))
            ++i;
        }
      }
      std::string_view digits = s.substr(start, i - start);
      if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
      double value = 0;
      const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      t.number = (result.ec == std::errc() && std::isfinite(value)) ? value : 0;
      if (i < s.size() && s[i] == '%') {
        t.unit.push_back('%');
        ++i;
      } else if (StartsIdent(s, i)) {
        std::string unit;
        i = ReadName(s, i, unit);
        t.unit = LowerAscii(unit);
      }
    } else if (StartsIdent(s, i)) {
      if (s[i] == '-') {
        t.text.push_back('-');
        ++i;
      }
      i = ReadName(s, i, t.text);
      t.kind = Token::Kind::kIdent;
      if (i < s.size() && s[i] == '(') {
        t.kind = Token::Kind::kFunction;
        t.text = LowerAscii(t.text);
        const std::size_t close = MatchParen(s, i + 1);
        t.args = std::string(s.substr(i + 1, close - (i + 1)));
        i = close + 1;
      }
    } else if (c == ',') {
      t.kind = Token::Kind::kComma;
      ++i;
    } else if (c == '/') {
      t.kind = Token::Kind::kSlash;
      ++i;
    } else if (c == '(') {
      // A bare parenthesis group carries nothing we use.
      i = MatchParen(s, i + 1) + 1;
      t.kind = Token::Kind::kDelim;
      t.text.append("()");
    } else {
      t.kind = Token::Kind::kDelim;
      t.text = std::string(1, c);
      ++i;
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\\') {
      i = ReadEscape(text, i, out, true);
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

std::size_t SkipEscapeOrString(std::string_view s, std::size_t i) {
  if (i >= s.size()) return i;
  const char c = s[i];
  if (c == '\\') return i + 2;
  if (c != '"' && c != '\'') return i;
  ++i;
  while (i < s.size() && s[i] != c && s[i] != '\n')
    i += (s[i] == '\\') ? 2u : 1u;
  return i + 1;
}

std::size_t ReadIdentifier(std::string_view s, std::size_t i, std::string& out) {
  if (!StartsIdent(s, i)) return i;
  if (s[i] == '-') {
    out.push_back('-');
    ++i;
  }
  return ReadName(s, i, out);
}

}  // namespace quorlex::automation::page::css
