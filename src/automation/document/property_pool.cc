#include "automation/document/property_pool.h"

namespace quorlex::automation::document {

PropertyPool::PropertyPool() { Intern(std::string_view()); }

PropertyPool::PropertyPool(const PropertyPool& other) : values_(other.values_) {
  for (std::uint32_t i = 0; i < values_.size(); ++i)
    index_.emplace(values_[i], i);
}

PropertyPool& PropertyPool::operator=(const PropertyPool& other) {
  if (this != &other) {
    index_.clear();
    values_ = other.values_;
    for (std::uint32_t i = 0; i < values_.size(); ++i)
      index_.emplace(values_[i], i);
  }
  return *this;
}

std::uint32_t PropertyPool::Intern(std::string_view list) {
  if (auto it = index_.find(list); it != index_.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(values_.size());
  values_.emplace_back(list);
  index_.emplace(values_.back(), id);
  return id;
}

}  // namespace quorlex::automation::document
