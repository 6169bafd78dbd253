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

Page ParsePage(std::string_view utf8_html) {
  Interner atoms;
  Interner strings;
  css::StyleSheet sheet;
  {
    PageBuilder builder(sheet, atoms, strings, /*collect_styles=*/true);
    builder.Reserve(utf8_html.size());
    ReadHtml(utf8_html, builder);
    if (!builder.StylesCameLate()) return builder.Finish();
  }
  // A <style> block after content: every rule applies to the whole page,
  // so the page is read again with all of them known from the start.
  PageBuilder builder(sheet, atoms, strings, /*collect_styles=*/false);
  builder.Reserve(utf8_html.size());
  ReadHtml(utf8_html, builder);
  return builder.Finish();
}

}  // namespace quorlex::automation::page
