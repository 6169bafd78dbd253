#include "automation/page/page.h"

#include "automation/page/css_stylesheet.h"
#include "automation/page/html_reader.h"
#include "automation/page/interner.h"
#include "automation/page/page_builder.h"

namespace quorlex::automation::page {

std::string_view Page::Text(const Paragraph& p) const {
  if (p.run_count == 0) return {};
  const Run& first = runs[p.first_run];
  const Run& last = runs[p.first_run + p.run_count - 1];
  return std::string_view(text).substr(first.offset, last.offset + last.length - first.offset);
}

namespace {

// Reads the page once, collecting its style rules as they come; a <style>
// block after content means every rule applies to the whole page, so the
// page is read again with all of them known from the start.
template <typename Read>
Page BuildPage(std::size_t input_bytes, Read read) {
  Interner atoms;
  Interner strings;
  css::StyleSheet sheet;
  {
    PageBuilder builder(sheet, atoms, strings, /*collect_styles=*/true);
    builder.Reserve(input_bytes);
    read(builder);
    if (!builder.StylesCameLate()) return builder.Finish();
  }
  PageBuilder builder(sheet, atoms, strings, /*collect_styles=*/false);
  builder.Reserve(input_bytes);
  read(builder);
  return builder.Finish();
}

}  // namespace

Page ParsePage(std::string_view utf8_html) {
  return BuildPage(utf8_html.size(), [&](HtmlHandler& h) { ReadHtml(utf8_html, h); });
}

Page ReadPage(const _xmlDoc& tree) {
  // The tree's size is not known up front; reserve for a modest page.
  return BuildPage(0, [&](HtmlHandler& h) { ReadHtmlTree(tree, h); });
}

}  // namespace quorlex::automation::page
