#include "automation/page/page_builder.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "automation/page/table_grid.h"
#include "platform/text.h"

namespace quorlex::automation::page {
namespace {

using text::IsAsciiSpace;
using text::LowerAsciiInto;

bool IsControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

// White space collapsed and trimmed, as an option or a title shows.
std::string Collapsed(std::string_view s) {
  std::string out;
  bool space = false;
  for (char c : s) {
    if (IsAsciiSpace(c)) {
      space = !out.empty();
    } else if (!IsControl(c)) {
      if (space) out.push_back(' ');
      space = false;
      out.push_back(c);
    }
  }
  return out;
}

// <table border>: no number is 1, border="0" is none.
std::uint32_t BorderAttributeWidth(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsAsciiSpace(value[i])) ++i;
  if (i < value.size() && value[i] == '+') ++i;
  std::uint32_t width = 0;
  bool digits = false;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    digits = true;
    width = std::min<std::uint32_t>(width * 10 + static_cast<std::uint32_t>(value[i] - '0'), 1000);
  }
  return digits ? width : 1;
}

bool MediaIsForScreen(std::string_view media) {
  std::string lower;
  LowerAsciiInto(media, lower);
  if (lower.find_first_not_of(" \t\r\n\f") == std::string::npos) return true;
  return lower.find("screen") != std::string::npos || lower.find("all") != std::string::npos ||
         lower.find("print") == std::string::npos;
}

std::size_t HashCombine(std::size_t h, std::size_t v) {
  return h ^ (v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

std::size_t HashDouble(double v) { return std::hash<double>{}(v == 0 ? 0.0 : v); }

std::size_t HashBorder(const Border& b) { return static_cast<std::size_t>(b.style) << 32 ^ b.color; }

std::size_t HashLength(const Length& l) {
  return HashCombine(static_cast<std::size_t>(l.unit), HashDouble(l.value));
}

}  // namespace

std::size_t PageBuilder::CharFormatHash::operator()(const CharFormat& f) const noexcept {
  std::size_t h = std::hash<std::string>{}(f.font);
  h = HashCombine(h, HashDouble(f.size));
  h = HashCombine(h, static_cast<std::size_t>(f.bold) | static_cast<std::size_t>(f.italic) << 1 |
                         static_cast<std::size_t>(f.underline) << 2 |
                         static_cast<std::size_t>(f.strike) << 3 | static_cast<std::size_t>(f.position) << 4);
  return HashCombine(h, f.color);
}

std::size_t PageBuilder::CellFormatHash::operator()(const TableCellFormat& f) const noexcept {
  std::size_t h = std::hash<std::string>{}(f.number_format);
  h = HashCombine(h, f.background);
  for (const Border* b : {&f.top, &f.right, &f.bottom, &f.left}) h = HashCombine(h, HashBorder(*b));
  h = HashCombine(h, static_cast<std::size_t>(f.horizontal) | static_cast<std::size_t>(f.vertical) << 4 |
                         static_cast<std::size_t>(f.nowrap) << 8);
  h = HashCombine(h, HashLength(f.width));
  return HashCombine(h, HashLength(f.height));
}

std::size_t PageBuilder::TableFormatHash::operator()(const TableFormat& f) const noexcept {
  std::size_t h = f.background;
  for (const Border* b : {&f.top, &f.right, &f.bottom, &f.left}) h = HashCombine(h, HashBorder(*b));
  h = HashCombine(h, static_cast<std::size_t>(f.alignment));
  return HashCombine(h, HashLength(f.width));
}

std::size_t PageBuilder::ParagraphFormatHash::operator()(const ParagraphFormat& f) const noexcept {
  return HashCombine(std::hash<std::string>{}(f.number_format), static_cast<std::size_t>(f.alignment));
}

PageBuilder::PageBuilder(css::StyleSheet& sheet, Interner& atoms, Interner& strings, bool collect_styles)
    : sheet_(sheet), atoms_(atoms), strings_(strings), collect_styles_(collect_styles) {
  resolver_ = std::make_unique<StyleResolver>(sheet_, strings_);
  page_.char_formats.emplace_back();
  char_formats_.emplace(CharFormat{}, 0);
  page_.paragraph_formats.emplace_back();
  paragraph_formats_.emplace(ParagraphFormat{}, 0);
  page_.cell_formats.emplace_back();
  cell_formats_.emplace(TableCellFormat{}, 0);
  page_.table_formats.emplace_back();
  table_formats_.emplace(TableFormat{}, 0);
  containers_.emplace_back();
  structure_.push_back(Structure::kContainer);
}

PageBuilder::~PageBuilder() = default;

void PageBuilder::Reserve(std::size_t input_bytes) {
  // Reserved memory that is never touched costs no resident memory; what
  // it saves is the copying as the arrays grow. A typical report cell
  // takes 25-40 bytes of markup.
  const std::size_t items = input_bytes / 24;
  page_.text.reserve(input_bytes / 2);
  page_.runs.reserve(items);
  page_.paragraphs.reserve(items);
  page_.blocks.reserve(items);
  page_.cells.reserve(items);
  pending_cells_.reserve(items);
  pending_blocks_.reserve(64);
}

// ---------------------------------------------------------------------------
// Styling

std::uint32_t PageBuilder::ParentStyle() const { return stack_.empty() ? 0 : stack_.back().style; }

void PageBuilder::NameElement(ElementInfo& info, std::string_view name, std::string_view id,
                              std::string_view classes) {
  info.class_begin = static_cast<std::uint32_t>(class_pool_.size());
  info.tag = atoms_.Find(name);
  LowerAsciiInto(id, lower_);
  info.id = lower_.empty() ? 0 : atoms_.Find(lower_);
  std::size_t i = 0;
  while (i < classes.size()) {
    while (i < classes.size() && IsAsciiSpace(classes[i])) ++i;
    std::size_t j = i;
    while (j < classes.size() && !IsAsciiSpace(classes[j])) ++j;
    if (j > i) {
      LowerAsciiInto(classes.substr(i, j - i), lower_);
      if (const std::uint32_t atom = atoms_.Find(lower_); atom != 0) class_pool_.push_back(atom);
    }
    i = j;
  }
  info.class_count = static_cast<std::uint32_t>(class_pool_.size()) - info.class_begin;
}

ElementInfo PageBuilder::MakeElementInfo(Tag tag, std::string_view name,
                                         std::span<const HtmlAttribute> attributes) {
  ElementInfo info;
  info.child_index = stack_.empty() ? ++root_child_count_ : ++stack_.back().child_count;
  info.root = tag == Tag::kHtml && stack_.empty();
  info.link = tag == Tag::kA && HasAttribute(attributes, "href");
  info.class_begin = static_cast<std::uint32_t>(class_pool_.size());
  if (resolver_->HasRules()) {
    NameElement(info, name, AttributeValue(attributes, "id"), AttributeValue(attributes, "class"));
  }
  return info;
}

std::uint32_t PageBuilder::ResolveStyle(Tag tag, std::span<const HtmlAttribute> attributes,
                                        const TableContext* table, OpenElement& entry) {
  presentational_key_.clear();
  ElementContext context;
  context.parent = &StyleOf(ParentStyle());
  context.parent_is_row_group = tag == Tag::kTr && !stack_.empty() && stack_.back().role == Role::kRowGroup;
  context.table = table;
  // The key first; the declarations only for a key not met before.
  PresentationalDeclarations(tag, attributes, context, strings_, nullptr, presentational_key_);
  auto [it, added] = presentational_cache_.try_emplace(presentational_key_);
  if (added) {
    std::string key;
    PresentationalDeclarations(tag, attributes, context, strings_, &it->second, key);
  }
  const std::vector<css::Declaration>& presentational = it->second;
  const std::string_view inline_style = AttributeValue(attributes, "style");
  const std::uint32_t style = resolver_->Resolve(ParentStyle(), path_, class_pool_, presentational_key_,
                                                 presentational, inline_style);
  if (entry.early) {
    entry.early->presentational_key = presentational_key_;
    entry.early->presentational = presentational;
    entry.early->inline_style = std::string(inline_style);
  }
  return style;
}

void PageBuilder::RestyleOpenElements() {
  // Names first: the new rules may name what was unknown before.
  class_pool_.clear();
  for (std::size_t i = 0; i < stack_.size(); ++i) {
    const OpenElement& e = stack_[i];
    // Every element opened before content keeps what restyling needs.
    if (!e.early) return;
    NameElement(path_[i], e.early->name, e.early->id, e.early->classes);
    resolver_->Contextualize(std::span<ElementInfo>(path_.data(), i + 1), class_pool_);
  }
  for (std::size_t i = 0; i < stack_.size(); ++i) {
    OpenElement& e = stack_[i];
    if (!e.early) return;
    const std::uint32_t parent = i == 0 ? 0 : stack_[i - 1].style;
    e.style = resolver_->Resolve(parent, std::span<const ElementInfo>(path_.data(), i + 1), class_pool_,
                                 e.early->presentational_key, e.early->presentational, e.early->inline_style);
    const bool block = e.role != Role::kInline && e.role != Role::kVoid && e.role != Role::kTextarea;
    e.block_style = block || i == 0 ? e.style : stack_[i - 1].block_style;
  }
}

void PageBuilder::AddStyleSheet(std::string_view css_text) {
  const std::size_t before = sheet_.rules.size();
  css::ParseStyleSheet(css_text, atoms_, strings_, sheet_);
  if (sheet_.rules.size() == before) return;
  if (content_started_) {
    // Content already built used the old rules; the page is read again.
    styles_came_late_ = true;
    return;
  }
  // Only open elements carry styles so far: rebuild the index and restyle
  // them. Their selector names were looked up before the new atoms existed,
  // so an element named by the new rules only is restyled imprecisely; such
  // elements (html, head, body) seldom carry classes.
  resolver_ = std::make_unique<StyleResolver>(sheet_, strings_);
  memo_.clear();
  memo_classes_.clear();
  char_format_of_style_.clear();
  paragraph_format_of_style_.clear();
  cell_format_cache_.clear();
  RestyleOpenElements();
}

std::uint32_t PageBuilder::CharFormatOf(std::uint32_t style) {
  if (style < char_format_of_style_.size() && char_format_of_style_[style] != kNone) {
    return char_format_of_style_[style];
  }
  const ComputedStyle& s = StyleOf(style);
  CharFormat f;
  if (s.font_family != 0) f.font = strings_.Get(s.font_family);
  if (s.size_set) f.size = std::round(s.font_size * 20) / 20;
  f.bold = s.bold;
  f.italic = s.italic;
  f.underline = (s.lines & css::kUnderlineLine) != 0;
  f.strike = (s.lines & css::kStrikeLine) != 0;
  f.color = s.color;
  f.position = s.position;
  auto [it, added] = char_formats_.emplace(f, static_cast<std::uint32_t>(page_.char_formats.size()));
  if (added) page_.char_formats.push_back(f);
  if (char_format_of_style_.size() <= style) char_format_of_style_.resize(style + 1, kNone);
  char_format_of_style_[style] = it->second;
  return it->second;
}

std::uint32_t PageBuilder::ParagraphFormatOf(std::uint32_t style) {
  if (style < paragraph_format_of_style_.size() && paragraph_format_of_style_[style] != kNone) {
    return paragraph_format_of_style_[style];
  }
  const ComputedStyle& s = StyleOf(style);
  ParagraphFormat f;
  f.alignment = s.text_align;
  if (s.has_number_format) f.number_format = strings_.Get(s.number_format);
  auto [it, added] =
      paragraph_formats_.emplace(f, static_cast<std::uint32_t>(page_.paragraph_formats.size()));
  if (added) page_.paragraph_formats.push_back(f);
  if (paragraph_format_of_style_.size() <= style) paragraph_format_of_style_.resize(style + 1, kNone);
  paragraph_format_of_style_[style] = it->second;
  return it->second;
}

std::uint32_t PageBuilder::CellFormatOf(std::uint32_t style, Rgb inherited_background) {
  const std::uint64_t key = static_cast<std::uint64_t>(style) << 32 | inherited_background;
  if (auto it = cell_format_cache_.find(key); it != cell_format_cache_.end()) return it->second;
  const ComputedStyle& s = StyleOf(style);
  TableCellFormat f;
  f.background = s.background != kAutoColor ? s.background : inherited_background;
  f.top = s.borders[0];
  f.right = s.borders[1];
  f.bottom = s.borders[2];
  f.left = s.borders[3];
  f.horizontal = s.text_align;
  f.vertical = s.vertical;
  f.width = s.width;
  f.height = s.height;
  f.nowrap = s.white_space == WhiteSpace::kNowrap || s.white_space == WhiteSpace::kPre;
  if (s.has_number_format) f.number_format = strings_.Get(s.number_format);
  auto [it, added] = cell_formats_.emplace(f, static_cast<std::uint32_t>(page_.cell_formats.size()));
  if (added) page_.cell_formats.push_back(f);
  cell_format_cache_.emplace(key, it->second);
  return it->second;
}

std::uint32_t PageBuilder::TableFormatOf(std::uint32_t style, std::span<const HtmlAttribute> attributes) {
  const ComputedStyle& s = StyleOf(style);
  TableFormat f;
  f.top = s.borders[0];
  f.right = s.borders[1];
  f.bottom = s.borders[2];
  f.left = s.borders[3];
  f.background = s.background;
  f.width = s.width;
  std::string align;
  LowerAsciiInto(AttributeValue(attributes, "align"), align);
  if (align == "left") f.alignment = HorizontalAlignment::Left;
  if (align == "right") f.alignment = HorizontalAlignment::Right;
  if (align == "center" || (s.margin_left_auto && s.margin_right_auto))
    f.alignment = HorizontalAlignment::Center;
  auto [it, added] = table_formats_.emplace(f, static_cast<std::uint32_t>(page_.table_formats.size()));
  if (added) page_.table_formats.push_back(f);
  return it->second;
}

// An element whose parent has the same context and style, with the same
// tag, place, table and attributes, gets the same names, context and style:
// repeated rows and cells skip the matching and the cascade.
bool PageBuilder::StyleFromMemo(Tag tag, std::string_view name, Role role, const OpenTable* table,
                                std::span<const HtmlAttribute> attributes, std::uint32_t& style) {
  memo_key_.clear();
  auto append = [this](std::uint32_t v) { memo_key_.append(reinterpret_cast<const char*>(&v), sizeof v); };
  const std::uint32_t child_index = stack_.empty() ? root_child_count_ + 1 : stack_.back().child_count + 1;
  append(path_.empty() ? 0 : path_.back().context);
  append(ParentStyle());
  append(resolver_->StructuralSignature(child_index));
  append(static_cast<std::uint32_t>(tag) | static_cast<std::uint32_t>(role) << 8 |
         static_cast<std::uint32_t>(stack_.empty()) << 16 |
         static_cast<std::uint32_t>(!stack_.empty() && stack_.back().role == Role::kRowGroup) << 17 |
         static_cast<std::uint32_t>(role == Role::kCell && table->context.has_border) << 18);
  memo_key_.append(name);  // tags we do not know all read as Tag::kOther
  memo_key_.push_back('\0');
  if (role == Role::kCell) {
    memo_key_.append(table->border_color);
    memo_key_.push_back('\0');
  }
  for (const HtmlAttribute& a : attributes) {
    memo_key_.append(a.name);
    memo_key_.push_back('=');
    memo_key_.append(a.value);
    memo_key_.push_back('\0');
  }
  auto it = memo_.find(memo_key_);
  if (it == memo_.end()) return false;
  const Memo& m = it->second;
  ElementInfo info = m.info;
  info.child_index = child_index;
  if (stack_.empty()) {
    ++root_child_count_;
  } else {
    ++stack_.back().child_count;
  }
  info.class_begin = static_cast<std::uint32_t>(class_pool_.size());
  class_pool_.insert(class_pool_.end(), memo_classes_.begin() + m.classes_begin,
                     memo_classes_.begin() + m.classes_begin + info.class_count);
  path_.push_back(info);
  style = m.style;
  return true;
}

void PageBuilder::Remember(std::uint32_t style) {
  // Pages whose elements all differ (an id on every row) gain nothing:
  // the memo starts afresh rather than grow without end.
  if (memo_.size() >= 65536) {
    memo_.clear();
    memo_classes_.clear();
  }
  const ElementInfo& info = path_.back();
  Memo m;
  m.info = info;
  m.style = style;
  m.classes_begin = static_cast<std::uint32_t>(memo_classes_.size());
  memo_classes_.insert(memo_classes_.end(), class_pool_.begin() + info.class_begin,
                       class_pool_.begin() + info.class_begin + info.class_count);
  memo_.emplace(memo_key_, m);
}

// ---------------------------------------------------------------------------
// Text

void PageBuilder::OpenParagraph(std::uint32_t format_style) {
  ParagraphState& p = Current().paragraph;
  if (p.open) return;
  content_started_ = true;
  p.open = true;
  p.first_run = static_cast<std::uint32_t>(page_.runs.size());
  p.paragraph = Paragraph{};
  p.paragraph.first_run = p.first_run;
  p.paragraph.format = ParagraphFormatOf(format_style);
  if (stack_.empty()) return;
  const OpenElement& top = stack_.back();
  p.paragraph.heading = top.heading;
  if (top.list_item != kNone) {
    OpenElement& item = stack_[top.list_item];
    p.paragraph.list_level = static_cast<std::uint8_t>(std::min<std::uint32_t>(item.list_depth, 255));
    p.paragraph.list_ordered = item.ordered;
    p.paragraph.list_number = item.item_number;
    p.paragraph.list_item_start = item.marker_pending;
    item.marker_pending = false;
  }
}

void PageBuilder::Append(std::string_view chars, std::uint32_t char_format) {
  ParagraphState& p = Current().paragraph;
  if (!p.open) OpenParagraph(stack_.empty() ? 0 : stack_.back().block_style);
  if (page_.runs.size() > p.first_run && page_.runs.back().format == char_format) {
    page_.runs.back().length += static_cast<std::uint32_t>(chars.size());
  } else {
    page_.runs.push_back(Run{static_cast<std::uint32_t>(page_.text.size()),
                             static_cast<std::uint32_t>(chars.size()), char_format});
  }
  page_.text.append(chars);
}

void PageBuilder::AppendWord(std::string_view word, std::uint32_t char_format) {
  ParagraphState& p = Current().paragraph;
  if (p.pending_space) {
    Append(" ", p.pending_format);
    p.pending_space = false;
  }
  Append(word, char_format);
  Current().paragraph.line_has_content = true;
}

void PageBuilder::EmitText(std::string_view text, std::uint32_t style) {
  const ComputedStyle& s = StyleOf(style);
  if (!s.visible || text.empty()) return;
  const WhiteSpace ws = s.white_space;
  const std::uint32_t format = CharFormatOf(style);
  const std::size_t n = text.size();
  std::size_t i = 0;
  if (ws == WhiteSpace::kPre || ws == WhiteSpace::kPreWrap) {
    while (i < n) {
      const char c = text[i];
      if (c == '\n' || c == '\r') {
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        LineBreak(style);
        ++i;
        continue;
      }
      if (IsControl(c) && c != '\t') {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < n && text[j] != '\n' && text[j] != '\r' && (!IsControl(text[j]) || text[j] == '\t')) ++j;
      AppendWord(text.substr(i, j - i), format);
      i = j;
    }
    return;
  }
  const bool keep_newlines = ws == WhiteSpace::kPreLine;
  while (i < n) {
    const char c = text[i];
    if (keep_newlines && (c == '\n' || c == '\r')) {
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      LineBreak(style);
      ++i;
      continue;
    }
    if (IsAsciiSpace(c)) {
      ParagraphState& p = Current().paragraph;
      if (p.line_has_content && !p.pending_space) {
        p.pending_space = true;
        p.pending_format = format;
      }
      ++i;
      continue;
    }
    if (IsControl(c)) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < n && !IsAsciiSpace(text[j]) && !IsControl(text[j])) ++j;
    AppendWord(text.substr(i, j - i), format);
    i = j;
  }
}

void PageBuilder::LineBreak(std::uint32_t style) {
  if (!StyleOf(style).visible) return;
  Append("\n", CharFormatOf(style));
  ParagraphState& p = Current().paragraph;
  p.pending_space = false;
  p.line_has_content = false;
  p.has_break = true;
}

void PageBuilder::FlushParagraph() {
  ParagraphState& p = Current().paragraph;
  if (p.open) {
    // A browser shows no empty line for the last line break of a block.
    if (page_.runs.size() > p.first_run && page_.text.back() == '\n') {
      page_.text.pop_back();
      if (--page_.runs.back().length == 0) page_.runs.pop_back();
    }
    p.paragraph.run_count = static_cast<std::uint32_t>(page_.runs.size()) - p.first_run;
    if (p.paragraph.run_count > 0 || p.has_break) {
      pending_blocks_.push_back(
          Block{Block::Kind::Paragraph, static_cast<std::uint32_t>(page_.paragraphs.size())});
      page_.paragraphs.push_back(p.paragraph);
    }
  }
  p = ParagraphState{};
}

// ---------------------------------------------------------------------------
// Tables

PageBuilder::OpenTable* PageBuilder::InnermostTable() {
  return structure_.back() == Structure::kTable ? &tables_.back() : nullptr;
}

void PageBuilder::StartTable(std::uint32_t style, std::span<const HtmlAttribute> attributes) {
  FlushParagraph();
  content_started_ = true;
  OpenTable t;
  t.style = style;
  t.format = TableFormatOf(style, attributes);
  if (HasAttribute(attributes, "border")) {
    std::string rules;
    LowerAsciiInto(AttributeValue(attributes, "rules"), rules);
    t.context.has_border = BorderAttributeWidth(AttributeValue(attributes, "border")) > 0 && rules != "none";
  }
  t.border_color = std::string(AttributeValue(attributes, "bordercolor"));
  t.rows_begin = static_cast<std::uint32_t>(pending_rows_.size());
  t.cells_begin = static_cast<std::uint32_t>(pending_cells_.size());
  tables_.push_back(std::move(t));
  structure_.push_back(Structure::kTable);
  ++table_depth_;
}

void PageBuilder::EndTable() {
  if (structure_.back() != Structure::kTable) return;
  if (tables_.back().in_row) EndRow();
  FlushParagraph();  // text that stood loose in the table comes before it
  OpenTable& t = tables_.back();

  // Display order: the first head group on top, the first foot group at
  // the bottom, the rest as they come.
  const std::span<const PendingRow> rows(pending_rows_.data() + t.rows_begin,
                                         pending_rows_.size() - t.rows_begin);
  std::uint32_t head = kNone, foot = kNone;
  for (std::uint32_t g = 0; g < t.group_kinds.size(); ++g) {
    if (head == kNone && t.group_kinds[g] == static_cast<std::uint8_t>(Tag::kThead)) head = g;
    if (foot == kNone && t.group_kinds[g] == static_cast<std::uint8_t>(Tag::kTfoot)) foot = g;
  }
  std::vector<std::uint32_t> order;
  order.reserve(rows.size());
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    if (rows[r].group == head) order.push_back(r);
  }
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    if (rows[r].group != head && rows[r].group != foot) order.push_back(r);
  }
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    if (rows[r].group == foot) order.push_back(r);
  }
  std::vector<RowSlice> slices(order.size());
  for (std::size_t i = order.size(); i-- > 0;) {
    const PendingRow& row = rows[order[i]];
    slices[i].first_cell = row.cells_begin - t.cells_begin;
    slices[i].cell_count = row.cell_count;
    const bool same_group_next = i + 1 < order.size() && rows[order[i + 1]].group == row.group;
    slices[i].group_end = same_group_next ? slices[i + 1].group_end : static_cast<std::uint32_t>(i + 1);
  }
  const std::span<Cell> cells(pending_cells_.data() + t.cells_begin, pending_cells_.size() - t.cells_begin);
  const std::uint32_t columns = PlaceCells(slices, cells);

  Table table;
  table.first_row = static_cast<std::uint32_t>(page_.rows.size());
  table.row_count = static_cast<std::uint32_t>(order.size());
  table.column_count = columns;
  table.format = t.format;
  for (std::size_t i = 0; i < order.size(); ++i) {
    Row row;
    row.first_cell = static_cast<std::uint32_t>(page_.cells.size());
    row.header = rows[order[i]].header;
    for (std::uint32_t c = 0; c < slices[i].cell_count; ++c) {
      const Cell& cell = cells[slices[i].first_cell + c];
      if (cell.colspan == 0) continue;  // beyond the widest table we keep
      page_.cells.push_back(cell);
    }
    row.cell_count = static_cast<std::uint32_t>(page_.cells.size()) - row.first_cell;
    page_.rows.push_back(row);
  }
  const std::uint32_t rows_begin = t.rows_begin;
  const std::uint32_t cells_begin = t.cells_begin;
  pending_rows_.resize(rows_begin);
  pending_cells_.resize(cells_begin);
  tables_.pop_back();
  structure_.pop_back();
  --table_depth_;
  pending_blocks_.push_back(Block{Block::Kind::Table, static_cast<std::uint32_t>(page_.tables.size())});
  page_.tables.push_back(table);
}

void PageBuilder::StartRowGroup(Tag tag, std::uint32_t style) {
  OpenTable& t = tables_.back();
  if (t.in_row) EndRow();
  FlushParagraph();
  t.in_group = true;
  t.group = static_cast<std::uint32_t>(t.group_kinds.size());
  t.group_kinds.push_back(static_cast<std::uint8_t>(tag));
  t.group_style = style;
  t.direct_group = kNone;
}

void PageBuilder::EndRowGroup() {
  OpenTable* t = InnermostTable();
  if (t == nullptr) return;
  if (t->in_row) EndRow();
  FlushParagraph();
  t->in_group = false;
}

void PageBuilder::StartRow(std::uint32_t style, bool implicit) {
  OpenTable& t = tables_.back();
  if (t.in_row) EndRow();
  FlushParagraph();
  std::uint32_t group = t.group;
  if (!t.in_group) {
    if (t.direct_group == kNone) {
      t.direct_group = static_cast<std::uint32_t>(t.group_kinds.size());
      t.group_kinds.push_back(static_cast<std::uint8_t>(Tag::kOther));
    }
    group = t.direct_group;
  }
  t.in_row = true;
  t.row_implicit = implicit;
  t.row_cells_begin = static_cast<std::uint32_t>(pending_cells_.size());
  t.row_group = group;
  t.row_style = style;
  t.row_header = t.group_kinds[group] == static_cast<std::uint8_t>(Tag::kThead);
}

void PageBuilder::EndRow() {
  OpenTable* t = InnermostTable();
  if (t == nullptr || !t->in_row) return;
  PendingRow row;
  row.cells_begin = t->row_cells_begin;
  row.cell_count = static_cast<std::uint32_t>(pending_cells_.size()) - t->row_cells_begin;
  row.group = t->row_group;
  row.header = t->row_header;
  pending_rows_.push_back(row);
  t->in_row = false;
  FlushParagraph();
}

void PageBuilder::StartCell(Tag tag, std::uint32_t style, std::span<const HtmlAttribute> attributes) {
  OpenTable& t = tables_.back();
  if (!t.in_row) StartRow(0, true);
  FlushParagraph();
  content_started_ = true;
  // What shows through a cell without a background of its own.
  Rgb behind = StyleOf(t.row_style).background;
  if (behind == kAutoColor && t.in_group) behind = StyleOf(t.group_style).background;
  if (behind == kAutoColor) behind = StyleOf(t.style).background;

  Container c;
  c.is_cell = true;
  c.blocks_begin = static_cast<std::uint32_t>(pending_blocks_.size());
  c.cell.colspan = ParseColspan(AttributeValue(attributes, "colspan"));
  c.cell.rowspan =
      HasAttribute(attributes, "rowspan") ? ParseRowspan(AttributeValue(attributes, "rowspan")) : 1;
  c.cell.format = CellFormatOf(style, behind);
  c.cell.char_format = CharFormatOf(style);
  c.cell.header = tag == Tag::kTh;
  containers_.push_back(std::move(c));
  structure_.push_back(Structure::kContainer);
}

void PageBuilder::EndCell() {
  if (structure_.back() != Structure::kContainer || containers_.size() < 2) return;
  FlushParagraph();
  Container& c = containers_.back();
  Cell cell = c.cell;
  cell.first_block = static_cast<std::uint32_t>(page_.blocks.size());
  cell.block_count = static_cast<std::uint32_t>(pending_blocks_.size()) - c.blocks_begin;
  page_.blocks.insert(page_.blocks.end(), pending_blocks_.begin() + c.blocks_begin, pending_blocks_.end());
  pending_blocks_.resize(c.blocks_begin);
  containers_.pop_back();
  structure_.pop_back();
  pending_cells_.push_back(cell);
}

// ---------------------------------------------------------------------------
// Select boxes

void PageBuilder::SelectStart(std::uint32_t style) {
  // The select keeps its style until it ends: styles may no longer be
  // rebuilt in place.
  content_started_ = true;
  select_ = SelectState{};
  select_.active = true;
  select_.style = style;
  select_.depth = 1;
}

void PageBuilder::SelectElementStart(Tag tag, std::span<const HtmlAttribute> attributes) {
  ++select_.depth;
  if (tag == Tag::kOption && select_.option_depth == 0) {
    select_.option_depth = select_.depth;
    select_.option_selected = HasAttribute(attributes, "selected");
    select_.option_text.clear();
    // An option with a label shows the label, not its content.
    select_.option_labelled = HasAttribute(attributes, "label");
    if (select_.option_labelled) select_.option_text = std::string(AttributeValue(attributes, "label"));
  }
}

void PageBuilder::SelectElementEnd() {
  if (select_.depth == select_.option_depth) {
    std::string text = Collapsed(select_.option_text);
    if (select_.option_selected && !select_.have_chosen) {
      select_.have_chosen = true;
      select_.chosen = text;
    }
    if (!select_.have_first) {
      select_.have_first = true;
      select_.first = std::move(text);
    }
    select_.option_depth = 0;
  }
  if (--select_.depth > 0) return;
  select_.active = false;
  EmitText(select_.have_chosen ? select_.chosen : select_.first, select_.style);
}

// ---------------------------------------------------------------------------
// Events

void PageBuilder::StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) {
  const Tag tag = TagOf(name);
  if (tag == Tag::kStyle && style_level_ == 0) {
    in_style_ = collect_styles_ && MediaIsForScreen(AttributeValue(attributes, "media"));
    style_level_ = ++skip_depth_;
    style_text_.clear();
    return;
  }
  if (tag == Tag::kTitle && title_level_ == 0 && page_.title.empty() && skip_depth_ > 0) {
    in_title_ = true;
    title_level_ = ++skip_depth_;
    title_text_.clear();
    return;
  }
  if (skip_depth_ > 0) {
    ++skip_depth_;
    return;
  }
  if (select_.active) {
    SelectElementStart(tag, attributes);
    return;
  }
  if (stack_.size() >= kMaxElementDepth || flat_depth_ > 0) {
    ++flat_depth_;
    if (tag == Tag::kBr) LineBreak(stack_.back().style);
    return;
  }
  if (IsHiddenTag(tag)) {
    ++skip_depth_;
    return;
  }

  // The element's role, from where it stands.
  OpenTable* table = InnermostTable();
  Role role = Role::kInline;
  if (tag == Tag::kTable && table_depth_ < kMaxTableNesting) {
    role = Role::kTable;
  } else if (table != nullptr && (tag == Tag::kThead || tag == Tag::kTbody || tag == Tag::kTfoot)) {
    role = Role::kRowGroup;
  } else if (table != nullptr && tag == Tag::kTr) {
    role = Role::kRow;
  } else if (table != nullptr && (tag == Tag::kTd || tag == Tag::kTh)) {
    role = Role::kCell;
  } else if (IsTableTag(tag) || IsBlockTag(tag)) {
    role = Role::kBlock;
  } else if (tag == Tag::kBr || tag == Tag::kWbr || tag == Tag::kImg || tag == Tag::kInput ||
             tag == Tag::kHr) {
    role = Role::kVoid;
  } else if (tag == Tag::kTextarea) {
    role = Role::kTextarea;
  }

  OpenElement entry;
  entry.tag = tag;
  std::uint32_t style = ParentStyle();
  if (!content_started_ || tag == Tag::kBr || tag == Tag::kWbr ||
      !StyleFromMemo(tag, name, role, table, attributes, style)) {
    path_.push_back(MakeElementInfo(tag, name, attributes));
    if (resolver_->HasRules()) resolver_->Contextualize(path_, class_pool_);
    if (!content_started_) {
      entry.early = std::make_unique<EarlyElement>();
      entry.early->name = std::string(name);
      entry.early->id = std::string(AttributeValue(attributes, "id"));
      entry.early->classes = std::string(AttributeValue(attributes, "class"));
    }
    if (tag != Tag::kBr && tag != Tag::kWbr) {
      TableContext context;
      if (role == Role::kCell) {
        context = table->context;
        context.border_color = table->border_color;
      }
      style = ResolveStyle(tag, attributes, role == Role::kCell ? &context : nullptr, entry);
      if (content_started_) Remember(style);
    }
  }
  const ComputedStyle& computed = StyleOf(style);
  if (computed.display == Display::kNone ||
      (tag == Tag::kInput && AttributeValue(attributes, "type") == "hidden")) {
    class_pool_.resize(path_.back().class_begin);
    path_.pop_back();
    ++skip_depth_;
    return;
  }
  // CSS may make an inline element a block and a block element inline;
  // tables keep their structure whatever their display.
  if (role == Role::kInline &&
      (computed.display == Display::kBlock || computed.display == Display::kListItem)) {
    role = Role::kBlock;
  } else if (role == Role::kBlock && !IsTableTag(tag) && computed.display == Display::kInline &&
             tag != Tag::kHr) {
    role = Role::kInline;
  }

  if (tag == Tag::kSelect) {
    class_pool_.resize(path_.back().class_begin);
    path_.pop_back();
    SelectStart(style);
    return;
  }

  entry.role = role;
  entry.style = style;
  const OpenElement* parent = stack_.empty() ? nullptr : &stack_.back();
  entry.block_style = parent != nullptr ? parent->block_style : style;
  entry.heading = parent != nullptr ? parent->heading : 0;
  entry.list_depth = parent != nullptr ? parent->list_depth : 0;
  entry.list_entry = parent != nullptr ? parent->list_entry : kNone;
  entry.list_item = parent != nullptr ? parent->list_item : kNone;
  if (role == Role::kBlock || role == Role::kTable || role == Role::kRowGroup || role == Role::kRow ||
      role == Role::kCell) {
    entry.block_style = style;
  }
  if (const int level = HeadingLevel(tag); level > 0) entry.heading = static_cast<std::uint8_t>(level);
  if (role == Role::kCell) {
    entry.heading = 0;
    entry.list_depth = 0;
    entry.list_entry = kNone;
    entry.list_item = kNone;
  }
  const auto index = static_cast<std::uint32_t>(stack_.size());
  if (IsListTag(tag) && role == Role::kBlock) {
    entry.is_list = true;
    entry.ordered = tag == Tag::kOl;
    entry.list_depth = entry.list_depth + 1;
    entry.list_entry = index;
    if (entry.ordered && HasAttribute(attributes, "start")) {
      std::string_view start = AttributeValue(attributes, "start");
      entry.next_number = ParseColspan(start);  // a positive number
    }
  }
  if (tag == Tag::kLi && role == Role::kBlock) {
    if (entry.list_entry != kNone) {
      OpenElement& list = stack_[entry.list_entry];
      std::uint32_t number = list.next_number;
      if (HasAttribute(attributes, "value")) number = ParseColspan(AttributeValue(attributes, "value"));
      list.next_number = number + 1;
      entry.item_number = number;
      entry.ordered = list.ordered;
      entry.list_depth = list.list_depth;
    } else {
      entry.item_number = 1;
      entry.list_depth = 1;
    }
    entry.list_item = index;
    entry.marker_pending = true;
  }

  switch (role) {
    case Role::kTable:
      StartTable(style, attributes);
      break;
    case Role::kRowGroup:
      StartRowGroup(tag, style);
      break;
    case Role::kRow:
      StartRow(style, false);
      break;
    case Role::kCell:
      StartCell(tag, style, attributes);
      break;
    case Role::kBlock:
      FlushParagraph();
      break;
    default:
      break;
  }
  stack_.push_back(std::move(entry));
  skip_newline_ = tag == Tag::kPre || tag == Tag::kListing || tag == Tag::kTextarea;

  if (role == Role::kVoid) {
    switch (tag) {
      case Tag::kBr:
        LineBreak(style);
        break;
      case Tag::kImg:
        EmitText(AttributeValue(attributes, "alt"), style);
        break;
      case Tag::kInput: {
        std::string type;
        LowerAsciiInto(AttributeValue(attributes, "type"), type);
        if (type == "checkbox" || type == "radio" || type == "file" || type == "image" || type == "range" ||
            type == "color") {
          break;
        }
        const std::string_view value = AttributeValue(attributes, "value");
        if (type == "password") {
          std::string dots;
          for (std::size_t i = 0; i < value.size(); ++i) {
            if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80) dots += "\u2022";
          }
          EmitText(dots, style);
        } else {
          EmitText(value, style);
        }
        break;
      }
      default:
        break;
    }
  }
}

void PageBuilder::EndElement(std::string_view /*name*/) {
  if (skip_depth_ > 0) {
    if (skip_depth_ == style_level_) {
      if (in_style_) AddStyleSheet(style_text_);
      in_style_ = false;
      style_level_ = 0;
      style_text_.clear();
    } else if (skip_depth_ == title_level_) {
      page_.title = Collapsed(title_text_);
      in_title_ = false;
      title_level_ = 0;
    }
    --skip_depth_;
    return;
  }
  if (select_.active) {
    SelectElementEnd();
    return;
  }
  if (flat_depth_ > 0) {
    --flat_depth_;
    return;
  }
  if (stack_.empty()) return;
  skip_newline_ = false;
  const Role role = stack_.back().role;
  switch (role) {
    case Role::kTable:
      EndTable();
      break;
    case Role::kRowGroup:
      EndRowGroup();
      break;
    case Role::kRow:
      if (OpenTable* t = InnermostTable(); t != nullptr && t->in_row && !t->row_implicit) EndRow();
      break;
    case Role::kCell:
      EndCell();
      break;
    case Role::kBlock:
      FlushParagraph();
      break;
    default:
      break;
  }
  stack_.pop_back();
  class_pool_.resize(path_.back().class_begin);
  path_.pop_back();
}

void PageBuilder::Text(std::string_view text) {
  if (in_style_) {
    style_text_.append(text);
    return;
  }
  if (in_title_) {
    title_text_.append(text);
    return;
  }
  if (skip_depth_ > 0) return;
  if (select_.active) {
    if (select_.option_depth != 0 && !select_.option_labelled) select_.option_text.append(text);
    return;
  }
  if (skip_newline_) {
    skip_newline_ = false;
    if (text.starts_with("\r\n")) {
      text.remove_prefix(2);
    } else if (text.starts_with("\n") || text.starts_with("\r")) {
      text.remove_prefix(1);
    }
  }
  EmitText(text, ParentStyle());
}

Page PageBuilder::Finish() {
  if (select_.active) {
    select_.depth = 1;
    select_.option_depth = select_.option_depth != 0 ? 1 : 0;
    SelectElementEnd();
  }
  // The parser closes every element; this only guards against a stream
  // that ends inside a table.
  while (structure_.size() > 1) {
    const std::size_t before = structure_.size();
    if (structure_.back() == Structure::kTable) {
      EndTable();
    } else {
      EndCell();
    }
    if (structure_.size() == before) break;
  }
  FlushParagraph();
  page_.body_first_block = static_cast<std::uint32_t>(page_.blocks.size());
  page_.body_block_count = static_cast<std::uint32_t>(pending_blocks_.size());
  page_.blocks.insert(page_.blocks.end(), pending_blocks_.begin(), pending_blocks_.end());
  pending_blocks_.clear();
  return std::move(page_);
}

}  // namespace quorlex::automation::page
