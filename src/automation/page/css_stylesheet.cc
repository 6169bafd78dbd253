#include "automation/page/css_stylesheet.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/text.h"

namespace quorlex::automation::page::css {
namespace {

using platform::IsAsciiSpace;
using platform::LowerAscii;
using platform::TrimAsciiSpace;

// The text without comments; strings are kept as they are.
std::string StripComments(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const std::size_t end = s.find("*/", i + 2);
      i = end == std::string_view::npos ? s.size() : end + 2;
      out.push_back(' ');
      continue;
    }
    if (c == '\\' && i + 1 < s.size()) {
      out.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    if (c == '"' || c == '\'') {
      const std::size_t start = i++;
      while (i < s.size() && s[i] != c && s[i] != '\n')
        i += (s[i] == '\\') ? 2u : 1u;
      i = std::min(i + 1, s.size());
      out.append(s.substr(start, i - start));
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

// Index of the first top-level character of `stops` from i, or s.size().
std::size_t FindTopLevel(std::string_view s, std::size_t i, std::string_view stops) {
  int depth = 0;
  while (i < s.size()) {
    if (const std::size_t past = SkipEscapeOrString(s, i); past != i) {
      i = past;
      continue;
    }
    const char c = s[i];
    if (depth == 0 && stops.find(c) != std::string_view::npos) return i;
    if (c == '(' || c == '[') ++depth;
    if ((c == ')' || c == ']') && depth > 0) --depth;
    ++i;
  }
  return s.size();
}

// Index of the '}' closing the block whose '{' is at open, or s.size().
std::size_t BlockEnd(std::string_view s, std::size_t open) {
  int depth = 0;
  std::size_t i = open;
  while (i < s.size()) {
    if (const std::size_t past = SkipEscapeOrString(s, i); past != i) {
      i = past;
      continue;
    }
    const char c = s[i];
    if (c == '{') ++depth;
    if (c == '}' && --depth == 0) return i;
    ++i;
  }
  return s.size();
}

bool MediaApplies(std::string_view condition) {
  const std::string lower = LowerAscii(TrimAsciiSpace(condition));
  if (lower.empty()) return true;
  std::size_t start = 0;
  while (start <= lower.size()) {
    std::size_t comma = lower.find(',', start);
    if (comma == std::string::npos) comma = lower.size();
    const std::string_view query =
        TrimAsciiSpace(std::string_view(lower).substr(start, comma - start));
    const bool negated = query.starts_with("not ");
    const bool print = query.find("print") != std::string_view::npos;
    const bool screen = query.find("screen") != std::string_view::npos ||
                        query.find("all") != std::string_view::npos;
    bool applies;
    if (negated) {
      applies = print && !screen;
    } else {
      applies = !print || screen;
    }
    if (applies) return true;
    start = comma + 1;
  }
  return false;
}

std::optional<std::pair<int, int>> ParseNth(std::string_view arg) {
  std::string s;
  for (char c : arg) {
    if (!IsAsciiSpace(c)) s.push_back(LowerAscii(c));
  }
  if (s == "odd") return std::make_pair(2, 1);
  if (s == "even") return std::make_pair(2, 0);
  auto parse_int = [](std::string_view t, int& out) {
    if (t.empty() || t.size() > 6) return false;
    int sign = 1;
    if (t.front() == '+' || t.front() == '-') {
      sign = t.front() == '-' ? -1 : 1;
      t.remove_prefix(1);
    }
    if (t.empty()) return false;
    int v = 0;
    for (char c : t) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + (c - '0');
    }
    out = sign * v;
    return true;
  };
  const std::size_t n = s.find('n');
  if (n == std::string::npos) {
    int b = 0;
    if (!parse_int(s, b)) return std::nullopt;
    return std::make_pair(0, b);
  }
  const std::string_view a_text = std::string_view(s).substr(0, n);
  int a = 0;
  if (a_text.empty() || a_text == "+")
    a = 1;
  else if (a_text == "-")
    a = -1;
  else if (!parse_int(a_text, a))
    return std::nullopt;
  int b = 0;
  const std::string_view b_text = std::string_view(s).substr(n + 1);
  if (!b_text.empty() && !parse_int(b_text, b)) return std::nullopt;
  return std::make_pair(a, b);
}

class SelectorParser {
 public:
  SelectorParser(std::string_view text, Interner& atoms) : s_(text), atoms_(atoms) {}

  std::optional<Selector> Parse() {
    Selector selector;
    std::vector<Compound> compounds;
    std::vector<Combinator> combinators;
    bool never = false;
    unsigned ids = 0, classes = 0, types = 0;
    SkipSpaces();
    while (true) {
      Compound compound;
      if (!ParseCompound(compound, ids, classes, types)) return std::nullopt;
      compounds.push_back(std::move(compound));
      const bool had_space = SkipSpaces();
      if (i_ >= s_.size()) break;
      const char c = s_[i_];
      if (c == '>' || c == '+' || c == '~') {
        ++i_;
        SkipSpaces();
        if (c != '>') never = true;
        combinators.push_back(c == '>' ? Combinator::kChild : Combinator::kDescendant);
      } else if (had_space) {
        combinators.push_back(Combinator::kDescendant);
      } else {
        return std::nullopt;
      }
      if (i_ >= s_.size()) return std::nullopt;  // a combinator with nothing after it
    }
    if (compounds.size() > 32) never = true;
    std::reverse(compounds.begin(), compounds.end());
    std::reverse(combinators.begin(), combinators.end());
    if (never) compounds.front().never = true;
    selector.compounds = std::move(compounds);
    selector.combinators = std::move(combinators);
    selector.specificity =
        std::min(ids, 255u) << 16 | std::min(classes, 255u) << 8 | std::min(types, 255u);
    return selector;
  }

 private:
  bool SkipSpaces() {
    const std::size_t start = i_;
    while (i_ < s_.size() && IsAsciiSpace(s_[i_]))
      ++i_;
    return i_ > start;
  }

  bool ReadName(std::string& out) {
    const std::size_t next = ReadIdentifier(s_, i_, out);
    if (next == i_) return false;
    i_ = next;
    return true;
  }

  bool ParseCompound(Compound& c, unsigned& ids, unsigned& classes, unsigned& types) {
    bool any = false;
    if (i_ < s_.size() && s_[i_] == '*') {
      ++i_;
      any = true;
    } else {
      std::string name;
      if (ReadName(name)) {
        c.tag = atoms_.Intern(LowerAscii(name));
        ++types;
        any = true;
      }
    }
    if (i_ < s_.size() && s_[i_] == '|') return false;  // namespaces: not in HTML pages
    while (i_ < s_.size()) {
      const char ch = s_[i_];
      if (ch == '#') {
        ++i_;
        std::string name;
        if (!ReadHashName(name)) return false;
        const std::uint32_t id = atoms_.Intern(LowerAscii(name));
        if (c.id != 0 && c.id != id) c.never = true;
        c.id = id;
        ++ids;
      } else if (ch == '.') {
        ++i_;
        std::string name;
        if (!ReadName(name)) return false;
        c.classes.push_back(atoms_.Intern(LowerAscii(name)));
        ++classes;
      } else if (ch == '[') {
        const std::size_t end = FindTopLevel(s_, i_ + 1, "]");
        if (end >= s_.size()) return false;
        i_ = end + 1;
        c.never = true;
        ++classes;
      } else if (ch == ':') {
        if (!ParsePseudo(c, classes, types)) return false;
      } else {
        break;
      }
      any = true;
    }
    return any;
  }

  // Ids may start with a digit.
  bool ReadHashName(std::string& out) {
    const std::size_t start = i_;
    while (i_ < s_.size()) {
      const char ch = s_[i_];
      const bool name_char = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                             (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' ||
                             static_cast<unsigned char>(ch) >= 0x80;
      if (name_char) {
        out.push_back(ch);
        ++i_;
      } else if (ch == '\\' && i_ + 1 < s_.size()) {
        std::string escaped;
        const std::size_t next = ReadIdentifier(s_, i_, escaped);
        if (next == i_) break;
        out += escaped;
        i_ = next;
      } else {
        break;
      }
    }
    return i_ > start;
  }

  bool ParsePseudo(Compound& c, unsigned& classes, unsigned& types) {
    ++i_;
    bool element = false;
    if (i_ < s_.size() && s_[i_] == ':') {
      element = true;
      ++i_;
    }
    std::string name;
    if (!ReadName(name)) return false;
    name = LowerAscii(name);
    std::string_view argument;
    bool function = false;
    if (i_ < s_.size() && s_[i_] == '(') {
      const std::size_t close = FindTopLevel(s_, i_ + 1, ")");
      if (close >= s_.size()) return false;
      argument = s_.substr(i_ + 1, close - i_ - 1);
      i_ = close + 1;
      function = true;
    }
    if (element || name == "before" || name == "after" || name == "first-line" ||
        name == "first-letter") {
      ++types;
      c.never = true;
      return true;
    }
    ++classes;
    if (!function && name == "first-child") {
      c.first_child = true;
    } else if (!function && (name == "link" || name == "any-link")) {
      c.link = true;
    } else if (!function && name == "root") {
      c.root = true;
    } else if (function && name == "nth-child") {
      const auto nth = ParseNth(argument);
      if (!nth) return false;
      c.nth = true;
      c.nth_a = nth->first;
      c.nth_b = nth->second;
    } else {
      c.never = true;
    }
    return true;
  }

  std::string_view s_;
  Interner& atoms_;
  std::size_t i_ = 0;
};

class SheetParser {
 public:
  SheetParser(Interner& atoms, Interner& strings, StyleSheet& sheet)
      : atoms_(atoms), strings_(strings), sheet_(sheet) {}

  void ParseRules(std::string_view s, int nesting) {
    std::size_t i = 0;
    while (i < s.size()) {
      const char c = s[i];
      if (IsAsciiSpace(c) || c == '}' || c == ';') {
        ++i;
        continue;
      }
      if (s.substr(i, 4) == "<!--") {
        i += 4;
        continue;
      }
      if (s.substr(i, 3) == "-->") {
        i += 3;
        continue;
      }
      const std::size_t stop = FindTopLevel(s, i, c == '@' ? "{;" : "{");
      if (stop >= s.size()) return;
      if (s[stop] == ';') {
        i = stop + 1;
        continue;
      }
      const std::size_t end = BlockEnd(s, stop);
      const std::string_view prelude = s.substr(i, stop - i);
      const std::string_view body = s.substr(stop + 1, std::min(end, s.size()) - stop - 1);
      if (c == '@') {
        AtRule(prelude, body, nesting);
      } else {
        StyleRule(prelude, body);
      }
      i = end + 1;
    }
  }

 private:
  void AtRule(std::string_view prelude, std::string_view body, int nesting) {
    std::string name;
    const std::size_t after = ReadIdentifier(prelude, 1, name);
    name = LowerAscii(name);
    if (nesting >= 8) return;
    if (name == "media") {
      if (MediaApplies(prelude.substr(after))) ParseRules(body, nesting + 1);
    } else if (name == "supports") {
      ParseRules(body, nesting + 1);
    }
  }

  void StyleRule(std::string_view prelude, std::string_view body) {
    Rule rule;
    std::size_t start = 0;
    while (start <= prelude.size()) {
      const std::size_t comma = FindTopLevel(prelude, start, ",");
      const std::string_view one = TrimAsciiSpace(prelude.substr(start, comma - start));
      if (one.empty()) return;
      auto selector = SelectorParser(one, atoms_).Parse();
      if (!selector) return;
      rule.selectors.push_back(std::move(*selector));
      start = comma + 1;
    }
    ParseDeclarations(body, strings_, rule.declarations);
    if (rule.declarations.empty()) return;
    sheet_.rules.push_back(std::move(rule));
  }

  Interner& atoms_;
  Interner& strings_;
  StyleSheet& sheet_;
};

}  // namespace

void ParseStyleSheet(std::string_view css_text, Interner& atoms, Interner& strings,
                     StyleSheet& sheet) {
  const std::string text = StripComments(css_text);
  SheetParser(atoms, strings, sheet).ParseRules(text, 0);
}

}  // namespace quorlex::automation::page::css
