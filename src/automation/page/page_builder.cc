// The builder's life and the parser's events: each element is skipped,
// styled and given its role, then opens what its role asks for.

#include "automation/page/page_builder.h"

#include <memory>
#include <utility>

#include "automation/page/table_grid.h"
#include "automation/page/white_space.h"
#include "platform/text.h"

namespace quorlex::automation::page {
namespace {

using platform::LowerAsciiInto;

bool MediaIsForScreen(std::string_view media) {
  std::string lower;
  LowerAsciiInto(media, lower);
  if (lower.find_first_not_of(" \t\r\n\f") == std::string::npos) return true;
  return lower.find("screen") != std::string::npos || lower.find("all") != std::string::npos ||
         lower.find("print") == std::string::npos;
}

}  // namespace

PageBuilder::PageBuilder(css::StyleSheet& sheet, Interner& atoms, Interner& strings,
                         bool collect_styles)
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

void PageBuilder::StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) {
  const Tag tag = TagOf(name);
  if (StartUnbuiltElement(tag, attributes)) return;

  OpenTable* table = InnermostTable();
  Role role = RoleOf(tag, table);
  OpenElement entry;
  entry.tag = tag;
  const std::uint32_t style = StyleElement(tag, name, role, table, attributes, entry);
  const ComputedStyle& computed = StyleOf(style);
  if (computed.display == Display::kNone ||
      (tag == Tag::kInput && AttributeValue(attributes, "type") == "hidden")) {
    class_pool_.resize(path_.back().class_begin);
    path_.pop_back();
    ++skip_depth_;
    return;
  }
  role = DisplayedRole(role, tag, computed);

  if (tag == Tag::kSelect) {
    class_pool_.resize(path_.back().class_begin);
    path_.pop_back();
    SelectStart(style);
    return;
  }

  entry.role = role;
  entry.style = style;
  InheritFromParent(entry);
  if (role == Role::kBlock) NumberList(entry, attributes);
  OpenStructure(role, tag, style, attributes);
  stack_.push_back(std::move(entry));
  skip_newline_ = tag == Tag::kPre || tag == Tag::kListing || tag == Tag::kTextarea;
  if (role == Role::kVoid) StartVoidElement(tag, style, attributes);
}

bool PageBuilder::StartUnbuiltElement(Tag tag, std::span<const HtmlAttribute> attributes) {
  if (tag == Tag::kStyle && style_level_ == 0) {
    in_style_ = collect_styles_ && MediaIsForScreen(AttributeValue(attributes, "media"));
    style_level_ = ++skip_depth_;
    style_text_.clear();
    return true;
  }
  if (tag == Tag::kTitle && title_level_ == 0 && page_.title.empty() && skip_depth_ > 0) {
    in_title_ = true;
    title_level_ = ++skip_depth_;
    title_text_.clear();
    return true;
  }
  if (skip_depth_ > 0) {
    ++skip_depth_;
    return true;
  }
  if (select_.active) {
    SelectElementStart(tag, attributes);
    return true;
  }
  if (stack_.size() >= kMaxElementDepth || flat_depth_ > 0) {
    ++flat_depth_;
    if (tag == Tag::kBr) LineBreak(stack_.back().style);
    return true;
  }
  if (IsHiddenTag(tag)) {
    ++skip_depth_;
    return true;
  }
  return false;
}

PageBuilder::Role PageBuilder::RoleOf(Tag tag, const OpenTable* table) const {
  if (tag == Tag::kTable && table_depth_ < kMaxTableNesting) return Role::kTable;
  if (table != nullptr && (tag == Tag::kThead || tag == Tag::kTbody || tag == Tag::kTfoot)) {
    return Role::kRowGroup;
  }
  if (table != nullptr && tag == Tag::kTr) return Role::kRow;
  if (table != nullptr && (tag == Tag::kTd || tag == Tag::kTh)) return Role::kCell;
  if (IsTableTag(tag) || IsBlockTag(tag)) return Role::kBlock;
  if (tag == Tag::kBr || tag == Tag::kWbr || tag == Tag::kImg || tag == Tag::kInput ||
      tag == Tag::kHr) {
    return Role::kVoid;
  }
  if (tag == Tag::kTextarea) return Role::kTextarea;
  return Role::kInline;
}

std::uint32_t PageBuilder::StyleElement(Tag tag, std::string_view name, Role role,
                                        const OpenTable* table,
                                        std::span<const HtmlAttribute> attributes,
                                        OpenElement& entry) {
  std::uint32_t style = ParentStyle();
  if (content_started_ && tag != Tag::kBr && tag != Tag::kWbr &&
      StyleFromMemo(tag, name, role, table, attributes, style)) {
    return style;
  }
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
  return style;
}

// CSS may make an inline element a block and a block element inline;
// tables keep their structure whatever their display.
PageBuilder::Role PageBuilder::DisplayedRole(Role role, Tag tag, const ComputedStyle& computed) {
  if (role == Role::kInline &&
      (computed.display == Display::kBlock || computed.display == Display::kListItem)) {
    return Role::kBlock;
  }
  if (role == Role::kBlock && !IsTableTag(tag) && computed.display == Display::kInline &&
      tag != Tag::kHr) {
    return Role::kInline;
  }
  return role;
}

void PageBuilder::InheritFromParent(OpenElement& entry) const {
  const Role role = entry.role;
  const OpenElement* parent = stack_.empty() ? nullptr : &stack_.back();
  entry.block_style = parent != nullptr ? parent->block_style : entry.style;
  entry.heading = parent != nullptr ? parent->heading : 0;
  entry.list_depth = parent != nullptr ? parent->list_depth : 0;
  entry.list_entry = parent != nullptr ? parent->list_entry : kNone;
  entry.list_item = parent != nullptr ? parent->list_item : kNone;
  if (role == Role::kBlock || role == Role::kTable || role == Role::kRowGroup ||
      role == Role::kRow || role == Role::kCell) {
    entry.block_style = entry.style;
  }
  if (const int level = HeadingLevel(entry.tag); level > 0)
    entry.heading = static_cast<std::uint8_t>(level);
  if (role == Role::kCell) {
    // A cell starts afresh: no heading or list reaches into it.
    entry.heading = 0;
    entry.list_depth = 0;
    entry.list_entry = kNone;
    entry.list_item = kNone;
  }
}

// A list counts its items from its start; an item takes the next number of
// its list, or its own value, from which the count goes on.
void PageBuilder::NumberList(OpenElement& entry, std::span<const HtmlAttribute> attributes) {
  const auto index = static_cast<std::uint32_t>(stack_.size());
  if (IsListTag(entry.tag)) {
    entry.is_list = true;
    entry.ordered = entry.tag == Tag::kOl;
    entry.list_depth = entry.list_depth + 1;
    entry.list_entry = index;
    if (entry.ordered && HasAttribute(attributes, "start")) {
      std::string_view start = AttributeValue(attributes, "start");
      entry.next_number = ParseColspan(start);  // a positive number
    }
  }
  if (entry.tag == Tag::kLi) {
    if (entry.list_entry != kNone) {
      OpenElement& list = stack_[entry.list_entry];
      std::uint32_t number = list.next_number;
      if (HasAttribute(attributes, "value"))
        number = ParseColspan(AttributeValue(attributes, "value"));
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
}

void PageBuilder::OpenStructure(Role role, Tag tag, std::uint32_t style,
                                std::span<const HtmlAttribute> attributes) {
  switch (role) {
    case Role::kTable: StartTable(style, attributes); break;
    case Role::kRowGroup: StartRowGroup(tag, style); break;
    case Role::kRow: StartRow(style, false); break;
    case Role::kCell: StartCell(tag, style, attributes); break;
    case Role::kBlock: FlushParagraph(); break;
    default: break;
  }
}

// Elements without content show as what stands in for them: a line break,
// an image's alternative text, an input's value.
void PageBuilder::StartVoidElement(Tag tag, std::uint32_t style,
                                   std::span<const HtmlAttribute> attributes) {
  switch (tag) {
    case Tag::kBr: LineBreak(style); break;
    case Tag::kImg: EmitText(AttributeValue(attributes, "alt"), style); break;
    case Tag::kInput: {
      std::string type;
      LowerAsciiInto(AttributeValue(attributes, "type"), type);
      if (type == "checkbox" || type == "radio" || type == "file" || type == "image" ||
          type == "range" || type == "color") {
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
    default: break;
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
    case Role::kTable: EndTable(); break;
    case Role::kRowGroup: EndRowGroup(); break;
    case Role::kRow:
      if (OpenTable* t = InnermostTable(); t != nullptr && t->in_row && !t->row_implicit) EndRow();
      break;
    case Role::kCell: EndCell(); break;
    case Role::kBlock: FlushParagraph(); break;
    default: break;
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
