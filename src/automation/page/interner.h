#pragma once

// Small string interner: equal strings get equal indexes, index 0 is "".

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorlex::automation::page {

// Keeps each distinct string once and hands out its index.
class Interner {
 public:
  Interner() { Intern(""); }

  std::uint32_t Intern(std::string_view s) {
    if (auto it = index_.find(s); it != index_.end()) return it->second;
    const auto id = static_cast<std::uint32_t>(strings_.size());
    strings_.emplace_back(s);
    index_.emplace(std::string_view(strings_.back()), id);
    return id;
  }

  // 0 when s was never interned: lets lookups avoid growing the table.
  std::uint32_t Find(std::string_view s) const {
    auto it = index_.find(s);
    return it == index_.end() ? 0 : it->second;
  }

  const std::string& Get(std::uint32_t id) const { return strings_[id]; }

 private:
  std::deque<std::string> strings_;  // stable addresses for the views below
  std::unordered_map<std::string_view, std::uint32_t> index_;
};

}  // namespace quorlex::automation::page
