#pragma once

// The cascade: which rules of the page's style sheet match an element, in
// what order its declarations apply, and the computed style that results.
//
// Cheap on pages of half a million cells: rules are indexed by the id,
// class or tag of their rightmost compound, so an element only tries the
// rules that could match it; and computed styles are interned and shared
// between elements whose parent style, presentational attributes, matched
// rules and style attribute are the same, so most elements cost one hash
// lookup.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/page/computed_style.h"
#include "automation/page/css_stylesheet.h"
#include "automation/page/interner.h"

namespace quorlex::automation::page {

// What selectors see of an element. Names are atoms of the style sheet
// (0 when the sheet never names them).
struct ElementInfo {
  std::uint32_t tag = 0;
  std::uint32_t id = 0;
  std::uint32_t class_begin = 0;  // range in the class pool
  std::uint32_t class_count = 0;
  std::uint32_t child_index = 1;  // 1-based among the parent's elements
  bool link = false;              // an <a> with href
  bool root = false;              // the <html> element
  // What selectors can see of the element and its ancestors, interned:
  // elements with equal contexts match the same rules. Set by
  // StyleResolver::Contextualize.
  std::uint32_t context = 0;
};

// Matches elements against the style sheet and keeps each distinct computed style once.
class StyleResolver {
 public:
  // Index 0 of the style table is the initial style (the root's parent).
  StyleResolver(const css::StyleSheet& sheet, Interner& strings);

  // Sets path.back().context from its parent's (the element before it on
  // the path; none for the root).
  void Contextualize(std::span<ElementInfo> path, std::span<const std::uint32_t> class_pool);

  // The style of the last element of `path` (the element and its
  // ancestors, root first). `presentational` are the browser's defaults for
  // the element and its presentational attributes, in that order;
  // `presentational_key` identifies them (equal keys, equal declarations).
  std::uint32_t Resolve(std::uint32_t parent_style, std::span<const ElementInfo> path,
                        std::span<const std::uint32_t> class_pool,
                        std::string_view presentational_key,
                        std::span<const css::Declaration> presentational,
                        std::string_view inline_style);

  // What of an element's position its context holds: which :first-child
  // and :nth-child tests of the sheet it passes (or the position itself).
  std::uint32_t StructuralSignature(std::uint32_t child_index) const;

  const ComputedStyle& Style(std::uint32_t index) const { return styles_[index]; }
  std::size_t StyleCount() const { return styles_.size(); }

  // True when the sheet has rules at all (elements may skip the matching).
  bool HasRules() const { return !entries_.empty(); }

 private:
  // A selector of the sheet indexed by its subject's tag, id or class.
  struct Entry {
    std::uint32_t rule = 0;
    std::uint32_t selector = 0;
    std::uint32_t specificity = 0;
  };

  void Match(std::span<const ElementInfo> path, std::span<const std::uint32_t> class_pool);
  std::uint32_t MatchedSet(std::span<const ElementInfo> path,
                           std::span<const std::uint32_t> class_pool);
  void Candidates(const std::vector<std::vector<std::uint32_t>>& index, std::uint32_t atom,
                  std::span<const ElementInfo> path, std::span<const std::uint32_t> class_pool);
  bool MatchSelector(const css::Selector& s, std::span<const ElementInfo> path,
                     std::span<const std::uint32_t> class_pool) const;
  bool MatchFrom(const css::Selector& s, std::size_t k, std::size_t pos,
                 std::span<const ElementInfo> path, std::span<const std::uint32_t> class_pool,
                 int& budget) const;
  const std::vector<css::Declaration>& InlineDeclarations(std::string_view inline_style);
  std::uint32_t Intern(const ComputedStyle& style);

  const css::StyleSheet& sheet_;
  Interner& strings_;
  std::vector<Entry> entries_;  // every selector, in source order
  std::vector<std::vector<std::uint32_t>> by_id_, by_class_, by_tag_;  // atom -> entries
  std::vector<std::uint32_t> universal_;
  std::vector<std::uint32_t> matched_;  // scratch: matched entries
  // :first-child and :nth-child tests the sheet makes: an element's context
  // holds which of them it passes, not its position.
  std::vector<std::pair<int, int>> structural_tests_;
  bool position_in_context_ = false;  // too many tests: the position itself
  std::unordered_map<std::string, std::uint32_t> contexts_;
  std::vector<std::uint32_t> matched_set_of_context_;  // context -> matched set, or none
  std::unordered_map<std::string, std::uint32_t> matched_sets_;
  std::vector<std::vector<std::uint32_t>> matched_set_entries_;

  std::vector<ComputedStyle> styles_;
  std::unordered_map<ComputedStyle, std::uint32_t, ComputedStyleHash> style_index_;
  std::unordered_map<std::string, std::uint32_t> cache_;  // element key -> style
  std::unordered_map<std::string, std::vector<css::Declaration>> inline_cache_;
  std::string key_;  // scratch
};

}  // namespace quorlex::automation::page
