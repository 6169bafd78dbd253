#pragma once

// Text rules of the program. Strings are UTF-8 throughout; counts, positions
// and case mapping work on Unicode characters, never on bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorlex::platform {

// Removes U+0020 at both ends and nothing else: tabs and no-break spaces stay.
std::string Trim(std::string_view s);

// Unicode simple case mapping, Cyrillic included.
std::string Upper(std::string_view s);
std::string Lower(std::string_view s);

// Number of Unicode characters. Invalid bytes count one each.
std::size_t Length(std::string_view s);

// The first n characters, and the characters from the 1-based position on.
std::string Left(std::string_view s, std::size_t n);
std::string MidFrom(std::string_view s, std::size_t position);

// 1-based character position of the first occurrence of needle, 0 if none.
std::size_t Find(std::string_view haystack, std::string_view needle);

bool Contains(std::string_view haystack, std::string_view needle);

// A count as messages print it: digits in groups of three ("1 048 577").
std::string Thousands(std::uint64_t n);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);

std::string Spaces(std::size_t n);

// The ASCII rules of markup and style sheets: white space is space, tab,
// line feed, carriage return and form feed, and only A-Z change case.
constexpr bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline void LowerAsciiInto(std::string_view s, std::string& out) {
  out.assign(s);
  for (char& c : out)
    c = LowerAscii(c);
}
inline std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = LowerAscii(c);
  return out;
}
constexpr std::string_view TrimAsciiSpace(std::string_view s) {
  while (!s.empty() && IsAsciiSpace(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsAsciiSpace(s.back()))
    s.remove_suffix(1);
  return s;
}
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// True when s is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view s);

// Decodes one character at byte offset i and advances i. Invalid bytes
// decode as U+FFFD one byte at a time.
char32_t DecodeNext(std::string_view s, std::size_t& i);
void AppendUtf8(std::string& out, char32_t c);

}  // namespace quorlex::platform
