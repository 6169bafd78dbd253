#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorlex::automation::document {

// Interned property lists: a document with hundreds of thousands of runs
// uses a few dozen distinct formats, so runs and paragraphs hold a 32-bit id
// and each list is stored once. Id 0 is the empty list.
class PropertyPool {
 public:
  PropertyPool();
  PropertyPool(const PropertyPool& other);
  PropertyPool& operator=(const PropertyPool& other);
  // Moving keeps the strings where they are, so the index stays valid.
  PropertyPool(PropertyPool&&) noexcept = default;
  PropertyPool& operator=(PropertyPool&&) noexcept = default;

  std::uint32_t Intern(std::string_view list);
  const std::string& Get(std::uint32_t id) const { return values_[id]; }
  std::size_t size() const { return values_.size(); }

 private:
  // A deque never moves its elements, so the index can view them.
  std::deque<std::string> values_;
  std::unordered_map<std::string_view, std::uint32_t> index_;
};

}  // namespace quorlex::automation::document
