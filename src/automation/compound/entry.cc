#include "automation/compound/entry.h"

#include <algorithm>
#include <utility>

namespace quorlex::automation::compound {

Entry Entry::Stream(std::string name, std::string data) {
  Entry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  return entry;
}

Entry Entry::Storage(std::string name, const std::array<std::uint8_t, 16>& class_id) {
  Entry entry;
  entry.name = std::move(name);
  entry.is_storage = true;
  entry.class_id = class_id;
  return entry;
}

const Entry* Entry::Find(std::string_view child) const {
  const auto at = std::find_if(children.begin(), children.end(),
                               [&](const Entry& c) { return c.name == child; });
  return at == children.end() ? nullptr : &*at;
}

Entry* Entry::Find(std::string_view child) {
  const auto at = std::find_if(children.begin(), children.end(),
                               [&](const Entry& c) { return c.name == child; });
  return at == children.end() ? nullptr : &*at;
}

void Entry::Remove(std::string_view child) {
  std::erase_if(children, [&](const Entry& c) { return c.name == child; });
}

}  // namespace quorlex::automation::compound
