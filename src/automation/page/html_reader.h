#pragma once

// The page's markup read with libxml2's HTML parser, event by event, so
// that a page of half a million cells never becomes a tree of millions of
// nodes. The parser recovers from any markup as browsers do (implied html,
// head and body, auto-closed elements), fetches nothing, and reads the input
// as UTF-8 whatever the page's <meta charset> says.

#include <span>
#include <string_view>

struct _xmlDoc;

namespace quorlex::automation::page {

// One attribute of an element as the reader hands it on.
struct HtmlAttribute {
  std::string_view name;   // lower case
  std::string_view value;  // empty for an attribute without a value
};

// Receives the elements and text of an HTML document in document order.
class HtmlHandler {
 public:
  virtual ~HtmlHandler() = default;
  // Names are lower case. Every start has its end, in document order.
  virtual void StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) = 0;
  virtual void EndElement(std::string_view name) = 0;
  // Text, entities resolved; the content of <script> and <style> too.
  virtual void Text(std::string_view text) = 0;
};

// Invalid UTF-8 and NUL bytes read as U+FFFD. Throws quorlex::Error when the
// parser cannot be set up or the input is over 2 GB.
void ReadHtml(std::string_view utf8, HtmlHandler& handler);

// The same events from a document libxml2 already holds as a tree (the
// result of a transformation, say), without writing it out and reading it
// again. Comments and processing instructions give nothing.
void ReadHtmlTree(const _xmlDoc& document, HtmlHandler& handler);

}  // namespace quorlex::automation::page
