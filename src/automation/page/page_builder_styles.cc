// Styling the elements of the page and interning the formats their styles
// give: each distinct format is kept once in the page.

#include <algorithm>
#include <cmath>
#include <functional>

#include "automation/page/page_builder.h"
#include "platform/text.h"

namespace quorlex::automation::page {
namespace {

using platform::IsAsciiSpace;
using platform::LowerAsciiInto;

std::size_t HashCombine(std::size_t h, std::size_t v) {
  return h ^ (v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

std::size_t HashDouble(double v) { return std::hash<double>{}(v == 0 ? 0.0 : v); }

std::size_t HashBorder(const Border& b) {
  return static_cast<std::size_t>(b.style) << 32 ^ b.color;
}

std::size_t HashLength(const Length& l) {
  return HashCombine(static_cast<std::size_t>(l.unit), HashDouble(l.value));
}

}  // namespace

std::size_t PageBuilder::CharFormatHash::operator()(const CharFormat& f) const noexcept {
  std::size_t h = std::hash<std::string>{}(f.font);
  h = HashCombine(h, HashDouble(f.size));
  h = HashCombine(h, static_cast<std::size_t>(f.bold) | static_cast<std::size_t>(f.italic) << 1 |
                         static_cast<std::size_t>(f.underline) << 2 |
                         static_cast<std::size_t>(f.strike) << 3 |
                         static_cast<std::size_t>(f.position) << 4);
  return HashCombine(h, f.color);
}

std::size_t PageBuilder::CellFormatHash::operator()(const TableCellFormat& f) const noexcept {
  std::size_t h = std::hash<std::string>{}(f.number_format);
  h = HashCombine(h, f.background);
  for (const Border* b : {&f.top, &f.right, &f.bottom, &f.left})
    h = HashCombine(h, HashBorder(*b));
  h = HashCombine(h, static_cast<std::size_t>(f.horizontal) |
                         static_cast<std::size_t>(f.vertical) << 4 |
                         static_cast<std::size_t>(f.nowrap) << 8);
  h = HashCombine(h, HashLength(f.width));
  return HashCombine(h, HashLength(f.height));
}

std::size_t PageBuilder::TableFormatHash::operator()(const TableFormat& f) const noexcept {
  std::size_t h = f.background;
  for (const Border* b : {&f.top, &f.right, &f.bottom, &f.left})
    h = HashCombine(h, HashBorder(*b));
  h = HashCombine(h, static_cast<std::size_t>(f.alignment));
  return HashCombine(h, HashLength(f.width));
}

std::size_t PageBuilder::ParagraphFormatHash::operator()(const ParagraphFormat& f) const noexcept {
  return HashCombine(std::hash<std::string>{}(f.number_format),
                     static_cast<std::size_t>(f.alignment));
}

std::uint32_t PageBuilder::ParentStyle() const { return stack_.empty() ? 0 : stack_.back().style; }

void PageBuilder::NameElement(ElementInfo& info, std::string_view name, std::string_view id,
                              std::string_view classes) {
  info.class_begin = static_cast<std::uint32_t>(class_pool_.size());
  info.tag = atoms_.Find(name);
  LowerAsciiInto(id, lower_);
  info.id = lower_.empty() ? 0 : atoms_.Find(lower_);
  std::size_t i = 0;
  while (i < classes.size()) {
    while (i < classes.size() && IsAsciiSpace(classes[i]))
      ++i;
    std::size_t j = i;
    while (j < classes.size() && !IsAsciiSpace(classes[j]))
      ++j;
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
  context.parent_is_row_group =
      tag == Tag::kTr && !stack_.empty() && stack_.back().role == Role::kRowGroup;
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
  const std::uint32_t style = resolver_->Resolve(ParentStyle(), path_, class_pool_,
                                                 presentational_key_, presentational, inline_style);
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
    e.style = resolver_->Resolve(parent, std::span<const ElementInfo>(path_.data(), i + 1),
                                 class_pool_, e.early->presentational_key, e.early->presentational,
                                 e.early->inline_style);
    const bool block =
        e.role != Role::kInline && e.role != Role::kVoid && e.role != Role::kTextarea;
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
  auto [it, added] =
      char_formats_.emplace(f, static_cast<std::uint32_t>(page_.char_formats.size()));
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
  if (paragraph_format_of_style_.size() <= style)
    paragraph_format_of_style_.resize(style + 1, kNone);
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
  auto [it, added] =
      cell_formats_.emplace(f, static_cast<std::uint32_t>(page_.cell_formats.size()));
  if (added) page_.cell_formats.push_back(f);
  cell_format_cache_.emplace(key, it->second);
  return it->second;
}

std::uint32_t PageBuilder::TableFormatOf(std::uint32_t style,
                                         std::span<const HtmlAttribute> attributes) {
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
  if (align == "left") f.alignment = HorizontalAlignment::kLeft;
  if (align == "right") f.alignment = HorizontalAlignment::kRight;
  if (align == "center" || (s.margin_left_auto && s.margin_right_auto))
    f.alignment = HorizontalAlignment::kCenter;
  auto [it, added] =
      table_formats_.emplace(f, static_cast<std::uint32_t>(page_.table_formats.size()));
  if (added) page_.table_formats.push_back(f);
  return it->second;
}

// An element whose parent has the same context and style, with the same
// tag, place, table and attributes, gets the same names, context and style:
// repeated rows and cells skip the matching and the cascade.
bool PageBuilder::StyleFromMemo(Tag tag, std::string_view name, Role role, const OpenTable* table,
                                std::span<const HtmlAttribute> attributes, std::uint32_t& style) {
  memo_key_.clear();
  auto append = [this](std::uint32_t v) {
    memo_key_.append(reinterpret_cast<const char*>(&v), sizeof v);
  };
  const std::uint32_t child_index =
      stack_.empty() ? root_child_count_ + 1 : stack_.back().child_count + 1;
  append(path_.empty() ? 0 : path_.back().context);
  append(ParentStyle());
  append(resolver_->StructuralSignature(child_index));
  append(static_cast<std::uint32_t>(tag) | static_cast<std::uint32_t>(role) << 8 |
         static_cast<std::uint32_t>(stack_.empty()) << 16 |
         static_cast<std::uint32_t>(!stack_.empty() && stack_.back().role == Role::kRowGroup)
             << 17 |
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

}  // namespace quorlex::automation::page
