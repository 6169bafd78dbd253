#pragma once

// The CSS tokenizer the declaration parser and the value readers share:
// character classes, escapes and the tokens of a declaration's value.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace quorlex::automation::page::css {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
inline int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// One token of a declaration's value.
struct Token {
  enum class Kind : std::uint8_t {
    kIdent,
    kNumber,
    kHash,
    kString,
    kFunction,
    kComma,
    kSlash,
    kDelim
  };
  Kind kind = Kind::kDelim;
  std::string text;   // ident, hash, string: unescaped; function: lower-case name
  std::string args;   // function: the raw text between its parentheses
  double number = 0;  // number
  std::string unit;   // number: lower-case unit, "%" or ""

  bool IsIdent(std::string_view lower) const {
    if (kind != Kind::kIdent || text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (platform::LowerAscii(text[i]) != lower[i]) return false;
    }
    return true;
  }
  std::string Lower() const { return platform::LowerAscii(text); }
};

// The tokens of a declaration's value; comments and white space give none.
std::vector<Token> Tokenize(std::string_view s);

// Reads the escape at s[i] == '\\' and appends what it stands for; returns
// the index after it. in_string: a backslash before a new line is a line
// continuation and gives nothing.
std::size_t ReadEscape(std::string_view s, std::size_t i, std::string& out, bool in_string);

}  // namespace quorlex::automation::page::css
