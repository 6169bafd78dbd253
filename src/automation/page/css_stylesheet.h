#pragma once

// The page's <style> blocks: rules with their selectors and declarations.
//
// Selectors supported: element, class, id and universal selectors, the
// descendant and child combinators, selector groups, and the pseudo-classes
// :first-child, :nth-child(an+b), :link, :any-link and :root. A selector with
// anything else (attributes, sibling combinators, other pseudo-classes,
// pseudo-elements) is kept but never matches, as for a page element that is
// never hovered. Names are compared without regard to case, as browsers do
// for pages without a doctype (which is what an XSLT html output gives).

#include <cstdint>
#include <string_view>
#include <vector>

#include "automation/page/css_value.h"
#include "automation/page/interner.h"

namespace quorlex::automation::page::css {

enum class Combinator : std::uint8_t { kDescendant, kChild };

// One compound selector: tag, id and classes of one element.
struct Compound {
  std::uint32_t tag = 0;  // atom of the lower-case name; 0: any element
  std::uint32_t id = 0;   // atom; 0: none
  std::vector<std::uint32_t> classes;
  bool never = false;  // holds something never matched here
  bool first_child = false;
  bool link = false;  // :link / :any-link: an <a> with href
  bool root = false;
  bool nth = false;  // :nth-child(nth_a * n + nth_b)
  int nth_a = 0;
  int nth_b = 0;
};

// A complex selector: compounds joined by combinators.
struct Selector {
  std::vector<Compound> compounds;      // the subject first, then leftwards
  std::vector<Combinator> combinators;  // [i] joins compounds[i] and [i + 1]
  std::uint32_t specificity = 0;        // ids << 16 | classes << 8 | types
};

// A style rule: its selectors and its declarations.
struct Rule {
  std::vector<Selector> selectors;
  std::vector<Declaration> declarations;
};

// The rules of the page's style sheets, in source order.
struct StyleSheet {
  std::vector<Rule> rules;  // in source order
};

// Appends the rules of a style sheet. @media blocks for the screen (or for
// all media) are read; print-only ones and other at-rules are skipped.
// Rules with a selector that does not parse are dropped whole.
void ParseStyleSheet(std::string_view css_text, Interner& atoms, Interner& strings,
                     StyleSheet& sheet);

}  // namespace quorlex::automation::page::css
