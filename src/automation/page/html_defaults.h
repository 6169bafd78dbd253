#pragma once

// What a browser gives each HTML element before the page's own CSS: its
// default look (b is bold, th bold and centred, h1 twice the size, pre keeps
// white space, ...) and the look its presentational attributes ask for
// (bgcolor, align, valign, border, width, <font face size color>, ...).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/page/computed_style.h"
#include "automation/page/css_value.h"
#include "automation/page/html_reader.h"
#include "automation/page/interner.h"

namespace quorlex::automation::page {

// clang-format off
enum class Tag : std::uint8_t {
  kOther,
  kHtml, kHead, kBody, kTitle, kStyle, kScript, kNoscript, kTemplate, kMeta, kLink, kBase,
  kDiv, kP, kH1, kH2, kH3, kH4, kH5, kH6, kUl, kOl, kLi, kDl, kDt, kDd, kMenu, kDir,
  kPre, kListing, kXmp, kPlaintext, kBlockquote, kAddress, kCenter, kForm, kFieldset, kLegend,
  kSection, kArticle, kHeader, kFooter, kNav, kAside, kMain, kFigure, kFigcaption, kHr,
  kDetails, kSummary, kHgroup,
  kTable, kCaption, kThead, kTbody, kTfoot, kTr, kTd, kTh, kColgroup, kCol,
  kSpan, kA, kB, kStrong, kI, kEm, kCite, kVar, kDfn, kU, kIns, kS, kStrike, kDel,
  kTt, kCode, kKbd, kSamp, kBig, kSmall, kSub, kSup, kFont, kNobr,
  kBr, kWbr, kImg, kInput, kButton, kSelect, kOption, kOptgroup, kTextarea,
  kIframe, kObject, kEmbed, kApplet, kVideo, kAudio, kCanvas, kSvg, kMath, kMap, kArea, kParam,
  kDatalist, kRp, kNoembed, kNoframes, kFrameset, kFrame, kDialog, kSource, kTrack,
};
// clang-format on

Tag TagOf(std::string_view lower_name);

// Elements whose content a browser never shows (head, script, style,
// template, iframe, ...).
bool IsHiddenTag(Tag tag);
// Elements that start and end a block (div, p, h1, li, ...), table
// elements aside.
bool IsBlockTag(Tag tag);
bool IsTableTag(Tag tag);   // table, caption, thead, tbody, tfoot, tr, td, th
bool IsListTag(Tag tag);    // ul, ol, menu, dir
int HeadingLevel(Tag tag);  // 1..6 for h1..h6, else 0

std::string_view AttributeValue(std::span<const HtmlAttribute> attributes, std::string_view name);
bool HasAttribute(std::span<const HtmlAttribute> attributes, std::string_view name);

// The table an element sits in, as its cells' presentational look needs it.
struct TableContext {
  bool has_border = false;        // <table border> with a non-zero width
  std::string_view border_color;  // <table bordercolor>
};

// What an element's presentational style depends on beyond its own tag and attributes.
struct ElementContext {
  const ComputedStyle* parent = nullptr;
  bool parent_is_row_group = false;     // for tr: the parent is thead/tbody/tfoot
  const TableContext* table = nullptr;  // for td/th
};

// Appends a key to `key` that is equal for two elements exactly when their
// declarations are, and (unless `out` is null) the browser's default
// declarations and then those of the presentational attributes to `out`.
void PresentationalDeclarations(Tag tag, std::span<const HtmlAttribute> attributes,
                                const ElementContext& context, Interner& strings,
                                std::vector<css::Declaration>* out, std::string& key);

// HTML's rules for colspan and rowspan: colspan 1..1000 (default 1),
// rowspan 0..65534 (default 1; 0 reaches the end of the row group).
std::uint32_t ParseColspan(std::string_view value);
std::uint32_t ParseRowspan(std::string_view value);

}  // namespace quorlex::automation::page
