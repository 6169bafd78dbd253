#pragma once

// A compound file (structured storage) as a tree held in memory: storages
// are folders of entries, streams hold bytes. The root storage is an Entry
// too, with an empty name.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::compound {

// A stream or storage of a compound file, with its children.
struct Entry {
  std::string name;
  bool is_storage = false;
  // The class identifier of a storage (the root's tells which application
  // made the file); streams have none.
  std::array<std::uint8_t, 16> class_id{};
  std::string data;             // a stream's bytes
  std::vector<Entry> children;  // a storage's entries, in the order read or made

  static Entry Stream(std::string name, std::string data);
  static Entry Storage(std::string name, const std::array<std::uint8_t, 16>& class_id = {});

  // The first direct child of this name, or nullptr.
  const Entry* Find(std::string_view child) const;
  Entry* Find(std::string_view child);
  // Removes every direct child of this name.
  void Remove(std::string_view child);

  // The same tree: names, kinds, classes, bytes and order.
  bool operator==(const Entry&) const = default;
};

}  // namespace quorlex::automation::compound
