#include "automation/page/style_resolver.h"

#include <algorithm>
#include <cstring>

namespace quorlex::automation::page {
namespace {

// Work allowed for matching one selector against one element; a selector
// that needs more (a long chain of descendant combinators over a deep
// page) does not match rather than stall the paste.
constexpr int kMatchBudget = 4096;
constexpr std::uint32_t kNoSet = 0xFFFFFFFFu;

void Append(std::string& key, std::uint32_t v) {
  char bytes[4];
  std::memcpy(bytes, &v, 4);
  key.append(bytes, 4);
}

bool NthMatches(int a, int b, std::uint32_t index) {
  const long long i = static_cast<long long>(index);
  if (a == 0) return i == b;
  const long long diff = i - b;
  if (diff % a != 0) return false;
  return diff / a >= 0;
}

bool MatchCompound(const css::Compound& c, const ElementInfo& e,
                   std::span<const std::uint32_t> class_pool) {
  if (c.never) return false;
  if (c.tag != 0 && c.tag != e.tag) return false;
  if (c.id != 0 && c.id != e.id) return false;
  for (std::uint32_t cls : c.classes) {
    const auto classes = class_pool.subspan(e.class_begin, e.class_count);
    if (std::find(classes.begin(), classes.end(), cls) == classes.end()) return false;
  }
  if (c.first_child && e.child_index != 1) return false;
  if (c.nth && !NthMatches(c.nth_a, c.nth_b, e.child_index)) return false;
  if (c.link && !e.link) return false;
  if (c.root && !e.root) return false;
  return true;
}

}  // namespace

StyleResolver::StyleResolver(const css::StyleSheet& sheet, Interner& strings)
    : sheet_(sheet), strings_(strings) {
  Intern(ComputedStyle{});
  contexts_.emplace(std::string(), 0);  // context 0: no element
  matched_set_of_context_.push_back(kNoSet);
  matched_sets_.emplace(std::string(), 0);  // set 0: no rule
  matched_set_entries_.emplace_back();
  for (const css::Rule& rule : sheet.rules) {
    for (const css::Selector& selector : rule.selectors) {
      for (const css::Compound& c : selector.compounds) {
        std::vector<std::pair<int, int>> tests;
        if (c.first_child) tests.emplace_back(0, 1);
        if (c.nth) tests.emplace_back(c.nth_a, c.nth_b);
        for (const auto& t : tests) {
          if (std::find(structural_tests_.begin(), structural_tests_.end(), t) ==
              structural_tests_.end()) {
            structural_tests_.push_back(t);
          }
        }
      }
    }
  }
  position_in_context_ = structural_tests_.size() > 32;
  auto add = [](std::vector<std::vector<std::uint32_t>>& index, std::uint32_t atom,
                std::uint32_t entry) {
    if (index.size() <= atom) index.resize(atom + 1);
    index[atom].push_back(entry);
  };
  for (std::uint32_t r = 0; r < sheet.rules.size(); ++r) {
    const auto& selectors = sheet.rules[r].selectors;
    for (std::uint32_t s = 0; s < selectors.size(); ++s) {
      const css::Selector& selector = selectors[s];
      const css::Compound& subject = selector.compounds.front();
      if (subject.never) continue;
      const auto entry = static_cast<std::uint32_t>(entries_.size());
      entries_.push_back(Entry{r, s, selector.specificity});
      if (subject.id != 0) {
        add(by_id_, subject.id, entry);
      } else if (!subject.classes.empty()) {
        add(by_class_, subject.classes.front(), entry);
      } else if (subject.tag != 0) {
        add(by_tag_, subject.tag, entry);
      } else {
        universal_.push_back(entry);
      }
    }
  }
}

bool StyleResolver::MatchFrom(const css::Selector& s, std::size_t k, std::size_t pos,
                              std::span<const ElementInfo> path,
                              std::span<const std::uint32_t> class_pool, int& budget) const {
  if (k + 1 == s.compounds.size()) return true;
  const css::Compound& next = s.compounds[k + 1];
  if (s.combinators[k] == css::Combinator::kChild) {
    if (pos == 0 || --budget < 0) return false;
    return MatchCompound(next, path[pos - 1], class_pool) &&
           MatchFrom(s, k + 1, pos - 1, path, class_pool, budget);
  }
  for (std::size_t p = pos; p-- > 0;) {
    if (--budget < 0) return false;
    if (MatchCompound(next, path[p], class_pool) &&
        MatchFrom(s, k + 1, p, path, class_pool, budget))
      return true;
  }
  return false;
}

bool StyleResolver::MatchSelector(const css::Selector& s, std::span<const ElementInfo> path,
                                  std::span<const std::uint32_t> class_pool) const {
  if (!MatchCompound(s.compounds.front(), path.back(), class_pool)) return false;
  int budget = kMatchBudget;
  return MatchFrom(s, 0, path.size() - 1, path, class_pool, budget);
}

void StyleResolver::Candidates(const std::vector<std::vector<std::uint32_t>>& index,
                               std::uint32_t atom, std::span<const ElementInfo> path,
                               std::span<const std::uint32_t> class_pool) {
  if (atom == 0 || atom >= index.size()) return;
  for (std::uint32_t e : index[atom]) {
    const Entry& entry = entries_[e];
    if (MatchSelector(sheet_.rules[entry.rule].selectors[entry.selector], path, class_pool))
      matched_.push_back(e);
  }
}

void StyleResolver::Match(std::span<const ElementInfo> path,
                          std::span<const std::uint32_t> class_pool) {
  matched_.clear();
  if (entries_.empty()) return;
  const ElementInfo& e = path.back();
  Candidates(by_id_, e.id, path, class_pool);
  const auto classes = class_pool.subspan(e.class_begin, e.class_count);
  for (std::size_t i = 0; i < classes.size(); ++i) {
    // A class named twice on the element is looked up once.
    if (std::find(classes.begin(), classes.begin() + static_cast<std::ptrdiff_t>(i), classes[i]) !=
        classes.begin() + static_cast<std::ptrdiff_t>(i)) {
      continue;
    }
    Candidates(by_class_, classes[i], path, class_pool);
  }
  Candidates(by_tag_, e.tag, path, class_pool);
  for (std::uint32_t u : universal_) {
    const Entry& entry = entries_[u];
    if (MatchSelector(sheet_.rules[entry.rule].selectors[entry.selector], path, class_pool))
      matched_.push_back(u);
  }
  // Cascade order: specificity, then source order (entries are numbered in
  // source order).
  std::sort(matched_.begin(), matched_.end(), [this](std::uint32_t a, std::uint32_t b) {
    if (entries_[a].specificity != entries_[b].specificity)
      return entries_[a].specificity < entries_[b].specificity;
    return a < b;
  });
}

std::uint32_t StyleResolver::StructuralSignature(std::uint32_t child_index) const {
  if (position_in_context_) return child_index;
  std::uint32_t passed = 0;
  for (std::size_t t = 0; t < structural_tests_.size(); ++t) {
    if (NthMatches(structural_tests_[t].first, structural_tests_[t].second, child_index))
      passed |= 1u << t;
  }
  return passed;
}

void StyleResolver::Contextualize(std::span<ElementInfo> path,
                                  std::span<const std::uint32_t> class_pool) {
  ElementInfo& e = path.back();
  key_.clear();
  Append(key_, path.size() > 1 ? path[path.size() - 2].context : 0);
  Append(key_, e.tag);
  Append(key_, e.id);
  Append(key_, static_cast<std::uint32_t>(e.link) | static_cast<std::uint32_t>(e.root) << 1);
  if (position_in_context_ || !structural_tests_.empty())
    Append(key_, StructuralSignature(e.child_index));
  for (std::uint32_t cls : class_pool.subspan(e.class_begin, e.class_count))
    Append(key_, cls);
  if (auto it = contexts_.find(key_); it != contexts_.end()) {
    e.context = it->second;
    return;
  }
  e.context = static_cast<std::uint32_t>(matched_set_of_context_.size());
  contexts_.emplace(key_, e.context);
  matched_set_of_context_.push_back(kNoSet);
}

std::uint32_t StyleResolver::MatchedSet(std::span<const ElementInfo> path,
                                        std::span<const std::uint32_t> class_pool) {
  if (entries_.empty()) return 0;
  const std::uint32_t context = path.back().context;
  if (context != 0 && context < matched_set_of_context_.size() &&
      matched_set_of_context_[context] != kNoSet) {
    return matched_set_of_context_[context];
  }
  Match(path, class_pool);
  std::string key;
  for (std::uint32_t m : matched_)
    Append(key, m);
  auto [it, added] = matched_sets_.emplace(std::move(key),
                                           static_cast<std::uint32_t>(matched_set_entries_.size()));
  if (added) matched_set_entries_.push_back(matched_);
  if (context != 0 && context < matched_set_of_context_.size())
    matched_set_of_context_[context] = it->second;
  return it->second;
}

const std::vector<css::Declaration>& StyleResolver::InlineDeclarations(
    std::string_view inline_style) {
  auto it = inline_cache_.find(std::string(inline_style));
  if (it != inline_cache_.end()) return it->second;
  std::vector<css::Declaration> declarations;
  css::ParseDeclarations(inline_style, strings_, declarations);
  return inline_cache_.emplace(std::string(inline_style), std::move(declarations)).first->second;
}

std::uint32_t StyleResolver::Intern(const ComputedStyle& style) {
  auto it = style_index_.find(style);
  if (it != style_index_.end()) return it->second;
  const auto index = static_cast<std::uint32_t>(styles_.size());
  styles_.push_back(style);
  style_index_.emplace(style, index);
  return index;
}

std::uint32_t StyleResolver::Resolve(std::uint32_t parent_style, std::span<const ElementInfo> path,
                                     std::span<const std::uint32_t> class_pool,
                                     std::string_view presentational_key,
                                     std::span<const css::Declaration> presentational,
                                     std::string_view inline_style) {
  const std::uint32_t matched_set = MatchedSet(path, class_pool);
  const std::vector<std::uint32_t>& matched = matched_set_entries_[matched_set];

  key_.clear();
  Append(key_, parent_style);
  Append(key_, matched_set);
  Append(key_, static_cast<std::uint32_t>(presentational_key.size()));
  key_.append(presentational_key);
  key_.append(inline_style);
  if (auto it = cache_.find(key_); it != cache_.end()) return it->second;

  std::array<const css::Declaration*, css::kPropertyCount> winners{};
  auto apply = [&winners](const css::Declaration& d, bool important) {
    if (d.important == important) winners[static_cast<std::size_t>(d.property)] = &d;
  };
  for (const css::Declaration& d : presentational)
    apply(d, false);
  for (std::uint32_t m : matched) {
    for (const css::Declaration& d : sheet_.rules[entries_[m].rule].declarations)
      apply(d, false);
  }
  const std::vector<css::Declaration>* inline_declarations = nullptr;
  if (!inline_style.empty()) {
    inline_declarations = &InlineDeclarations(inline_style);
    for (const css::Declaration& d : *inline_declarations)
      apply(d, false);
  }
  for (std::uint32_t m : matched) {
    for (const css::Declaration& d : sheet_.rules[entries_[m].rule].declarations)
      apply(d, true);
  }
  if (inline_declarations != nullptr) {
    for (const css::Declaration& d : *inline_declarations)
      apply(d, true);
  }

  const ComputedStyle parent = styles_[parent_style];  // copy: Intern may grow styles_
  const std::uint32_t index = Intern(ComputeStyle(parent, winners));
  cache_.emplace(key_, index);
  return index;
}

}  // namespace quorlex::automation::page
