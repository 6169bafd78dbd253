#include "automation/spreadsheetml/formula_text.h"

#include <algorithm>
#include <cctype>

#include "automation/spreadsheetml/xml_util.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using Kind = CellReference::Kind;

bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '.' || c == '\\' || c == '?' || c == '$' ||
         c == '\x01' || u >= 0x80;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One side of a reference: "$B$12", "B", "12".
struct Part {
  bool has_col = false;
  bool has_row = false;
  bool fixed_col = false;
  bool fixed_row = false;
  std::uint16_t col = 0;
  std::uint32_t row = 0;
};

std::optional<Part> ReadPart(std::string_view s, std::size_t& at) {
  Part p;
  std::size_t i = at;
  bool fixed = i < s.size() && s[i] == '$';
  if (fixed) ++i;
  std::size_t letters = 0;
  std::uint32_t col = 0;
  while (i < s.size() && IsLetter(s[i]) && letters < 4) {
    col = col * 26 +
          static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
    ++i;
    ++letters;
  }
  if (letters > 0) {
    if (letters > 3 || col > kMaxColumns) return std::nullopt;
    p.has_col = true;
    p.fixed_col = fixed;
    p.col = static_cast<std::uint16_t>(col - 1);
    fixed = i < s.size() && s[i] == '$';
    if (fixed) ++i;
  }
  std::size_t digits = 0;
  std::uint64_t row = 0;
  while (i < s.size() && IsDigit(s[i]) && digits < 8) {
    row = row * 10 + static_cast<std::uint64_t>(s[i] - '0');
    ++i;
    ++digits;
  }
  if (digits > 0) {
    if (row == 0 || row > kMaxRows) return std::nullopt;
    p.has_row = true;
    p.fixed_row = fixed;
    p.row = static_cast<std::uint32_t>(row - 1);
  } else if (fixed) {
    return std::nullopt;  // a "$" with nothing after it
  }
  if (!p.has_col && !p.has_row) return std::nullopt;
  at = i;
  return p;
}

// A reference starting at `at`, which must end where a name would.
std::optional<CellReference> ReadReference(std::string_view s, std::size_t& at) {
  std::size_t i = at;
  auto first = ReadPart(s, i);
  if (!first) return std::nullopt;
  CellReference r;
  std::optional<Part> last;
  if (i < s.size() && s[i] == ':') {
    std::size_t j = i + 1;
    last = ReadPart(s, j);
    if (last) i = j;
  }
  if (i < s.size() && (IsNameChar(s[i]) || s[i] == '(' || s[i] == '!' || s[i] == '[' ||
                       s[i] == '\'' || s[i] == ':'))
    return std::nullopt;
  const Part& a = *first;
  const Part& b = last ? *last : *first;
  if (a.has_col != b.has_col || a.has_row != b.has_row) return std::nullopt;
  if (a.has_col && a.has_row) {
    r.kind = last ? Kind::kArea : Kind::kCell;
  } else if (!last) {
    return std::nullopt;  // "B" or "12" alone is a name or a number
  } else {
    r.kind = a.has_row ? Kind::kRows : Kind::kColumns;
  }
  r.first_row = std::min(a.row, b.row);
  r.last_row = std::max(a.row, b.row);
  r.first_col = std::min(a.col, b.col);
  r.last_col = std::max(a.col, b.col);
  r.fixed[0] = a.fixed_col;
  r.fixed[1] = a.fixed_row;
  r.fixed[2] = b.fixed_col;
  r.fixed[3] = b.fixed_row;
  if (r.kind == Kind::kRows) {
    r.first_col = 0;
    r.last_col = kMaxColumns - 1;
  }
  if (r.kind == Kind::kColumns) {
    r.first_row = 0;
    r.last_row = kMaxRows - 1;
  }
  at = i;
  return r;
}

void AppendPart(std::string& out, bool col, bool row, const CellReference& r, bool last) {
  const int k = last ? 2 : 0;
  if (col) {
    if (r.fixed[k]) out += '$';
    out += ColumnName(last ? r.last_col : r.first_col);
  }
  if (row) {
    if (r.fixed[k + 1]) out += '$';
    out += std::to_string((last ? r.last_row : r.first_row) + 1);
  }
}

void AppendReference(std::string& out, const CellReference& r) {
  if (r.lost) {
    out += "#REF!";
    return;
  }
  switch (r.kind) {
    case Kind::kCell: AppendPart(out, true, true, r, false); break;
    case Kind::kArea:
      AppendPart(out, true, true, r, false);
      out += ':';
      AppendPart(out, true, true, r, true);
      break;
    case Kind::kRows:
      AppendPart(out, false, true, r, false);
      out += ':';
      AppendPart(out, false, true, r, true);
      break;
    case Kind::kColumns:
      AppendPart(out, true, false, r, false);
      out += ':';
      AppendPart(out, true, false, r, true);
      break;
  }
}

// The sheet name of a quoted qualifier starting at `at` ("'It''s'"), with
// `at` moved past the closing quote; nullopt when the quote is not closed.
std::optional<std::string> ReadQuoted(std::string_view s, std::size_t& at) {
  std::string name;
  std::size_t i = at + 1;
  while (i < s.size()) {
    if (s[i] == '\'') {
      if (i + 1 < s.size() && s[i + 1] == '\'') {
        name += '\'';
        i += 2;
        continue;
      }
      at = i + 1;
      return name;
    }
    name += s[i++];
  }
  return std::nullopt;
}

}  // namespace

std::string FormulaSheetName(std::string_view name) {
  bool plain = !name.empty() && !IsDigit(name[0]);
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (!(std::isalnum(c) || c == '_' || c == '.' || c >= 0x80)) plain = false;
  }
  if (plain) {
    // Something that reads as a cell reference ("A1", "R1C1") must be quoted.
    std::uint32_t r = 0;
    std::uint16_t col = 0;
    if (ParseCellName(name, r, col)) plain = false;
    if (name.size() > 1 && (name[0] == 'R' || name[0] == 'r') &&
        (IsDigit(name[1]) || name[1] == 'C' || name[1] == 'c'))
      plain = false;
  }
  if (plain) return std::string(name);
  std::string out = "'";
  for (char c : name) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

FormulaText FormulaText::Parse(std::string_view s,
                               const std::function<SheetKey(std::string_view)>& sheet_named) {
  FormulaText f;
  f.texts_.emplace_back();
  std::size_t i = 0;
  const auto literal = [&](std::size_t from, std::size_t to) {
    f.texts_.back().append(s.substr(from, to - from));
  };
  const auto add = [&](const CellReference& r) {
    f.references_.push_back(r);
    f.texts_.emplace_back();
  };
  // Text of a reference that is kept as it was, after a qualifier.
  const auto skip_reference = [&](std::size_t& at) {
    while (at < s.size() && (IsNameChar(s[at]) || s[at] == ':' || s[at] == '#' || s[at] == '!'))
      ++at;
  };
  bool other_book = false;  // after "[1]": the next qualifier is another workbook's
  // The reference after a sheet's name (from `at`, its '!' at `bang`);
  // returns where it ends. One to a sheet the workbook does not have is
  // kept as text.
  const auto qualified = [&](std::size_t at, std::size_t bang, std::string_view name) {
    std::size_t k = bang + 1;
    SheetKey sheet = other_book ? nullptr : sheet_named(name);
    auto ref = sheet != nullptr ? ReadReference(s, k) : std::nullopt;
    if (ref) {
      ref->sheet = sheet;
      add(*ref);
    } else {
      k = bang + 1;
      skip_reference(k);
      literal(at, k);
    }
    other_book = false;
    return k;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"') {
      std::size_t j = i + 1;
      while (j < s.size()) {
        if (s[j] == '"') {
          if (j + 1 < s.size() && s[j + 1] == '"') {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      literal(i, j);
      i = j;
      continue;
    }
    if (c == '[') {
      // Another workbook ("[1]Sheet1!A1") or a table's columns: kept.
      std::size_t j = i;
      int depth = 0;
      do {
        if (s[j] == '[') ++depth;
        if (s[j] == ']') --depth;
        ++j;
      } while (j < s.size() && depth > 0);
      other_book = true;
      literal(i, j);
      i = j;
      continue;
    }
    const bool at_start = i == 0 || !(IsNameChar(s[i - 1]) || s[i - 1] == ']');
    if (c == '\'' && at_start) {
      std::size_t j = i;
      auto name = ReadQuoted(s, j);
      if (name && j < s.size() && s[j] == '!') {
        i = qualified(i, j, *name);
        continue;
      }
      const std::size_t stop = name ? j : s.size();
      literal(i, stop);
      i = stop;
      continue;
    }
    if (IsNameChar(c) && at_start) {
      std::size_t j = i;
      if (c == '\x01') {
        const std::size_t close = s.find('\x01', i + 1);
        j = close == std::string_view::npos ? s.size() : close + 1;
      } else {
        while (j < s.size() && IsNameChar(s[j]))
          ++j;
      }
      if (j < s.size() && s[j] == '!') {
        i = qualified(i, j, s.substr(i, j - i));
        continue;
      }
      if (j < s.size() && s[j] == ':' && !other_book) {
        // "Sheet1:Sheet3!A1" spans sheets: kept as it is.
        std::size_t k = j + 1;
        while (k < s.size() && IsNameChar(s[k]))
          ++k;
        if (k < s.size() && s[k] == '!') {
          ++k;
          skip_reference(k);
          literal(i, k);
          i = k;
          continue;
        }
      }
      std::size_t k = i;
      auto ref = other_book ? std::nullopt : ReadReference(s, k);
      if (ref) {
        add(*ref);
        i = k;
      } else {
        literal(i, j);
        i = j;
      }
      other_book = false;
      continue;
    }
    literal(i, i + 1);
    ++i;
  }
  return f;
}

bool FormulaText::NamesSheets() const {
  return std::any_of(references_.begin(), references_.end(),
                     [](const CellReference& r) { return r.sheet != nullptr; });
}

bool FormulaText::NamesOnly(SheetKey sheet) const {
  return !references_.empty() &&
         std::all_of(references_.begin(), references_.end(),
                     [&](const CellReference& r) { return r.sheet == sheet; });
}

bool FormulaText::EditRows(const workbook::RowEdit& edit, std::optional<std::size_t> written_on,
                           std::optional<std::size_t> now_on, const SheetLookup& sheets,
                           std::optional<std::int64_t> relative_shift) {
  bool changed = false;
  for (CellReference& r : references_) {
    if (r.lost || r.kind == Kind::kColumns) continue;
    if (relative_shift && r.sheet == nullptr && !(r.fixed[1] && r.fixed[3])) {
      if (*relative_shift == 0) continue;
      const std::int64_t first = static_cast<std::int64_t>(r.first_row) + *relative_shift;
      const std::int64_t last = static_cast<std::int64_t>(r.last_row) + *relative_shift;
      if (first < 0 || last >= kMaxRows) {
        r.lost = true;
      } else {
        r.first_row = static_cast<std::uint32_t>(first);
        r.last_row = static_cast<std::uint32_t>(last);
      }
      changed = true;
      continue;
    }
    const std::optional<std::size_t> on =
        r.sheet != nullptr ? sheets.index_of(r.sheet) : written_on;
    if (!on) continue;
    if (!edit.Touches(*on) && r.sheet != nullptr) continue;
    const auto after = edit.Apply(workbook::RowSpan{*on, r.first_row, r.last_row}, kMaxRows - 1);
    if (!after) {
      r.lost = true;
      changed = true;
      continue;
    }
    if (after->first != r.first_row || after->last != r.last_row) changed = true;
    r.first_row = after->first;
    r.last_row = after->last;
    // A reference that names no sheet names one when what it points at is
    // no longer on the formula's own sheet.
    if (r.sheet != nullptr) {
      if (after->sheet != *on) {
        r.sheet = sheets.sheet_at(after->sheet);
        changed = true;
      }
    } else if (!now_on || after->sheet != *now_on) {
      r.sheet = sheets.sheet_at(after->sheet);
      changed = true;
    }
  }
  return changed;
}

bool FormulaText::Retarget(SheetKey from, SheetKey to) {
  bool changed = false;
  for (CellReference& r : references_) {
    if (r.sheet == from) {
      r.sheet = to;
      changed = true;
    }
  }
  return changed;
}

std::string FormulaText::Print(const std::function<std::string(SheetKey)>& qualifier) const {
  std::string out = texts_.front();
  for (std::size_t k = 0; k < references_.size(); ++k) {
    const CellReference& r = references_[k];
    if (r.sheet != nullptr) {
      out += qualifier(r.sheet);
      out += '!';
    }
    AppendReference(out, r);
    out += texts_[k + 1];
  }
  return out;
}

std::optional<std::vector<workbook::Area>> ParseAreas(std::string_view text) {
  std::vector<workbook::Area> areas;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    std::size_t j = i;
    auto ref = ReadReference(text, j);
    if (!ref || (j < text.size() && text[j] != ' ') ||
        (ref->kind != Kind::kCell && ref->kind != Kind::kArea))
      return std::nullopt;
    areas.push_back({ref->first_row, ref->last_row, ref->first_col, ref->last_col});
    i = j;
  }
  return areas;
}

std::string AreasText(const std::vector<workbook::Area>& areas) {
  std::string out;
  for (const workbook::Area& a : areas) {
    if (!out.empty()) out += ' ';
    AppendCellName(out, a.first_row, a.first_col);
    if (a.first_row != a.last_row || a.first_col != a.last_col) {
      out += ':';
      AppendCellName(out, a.last_row, a.last_col);
    }
  }
  return out;
}

}  // namespace quorlex::automation::spreadsheetml
