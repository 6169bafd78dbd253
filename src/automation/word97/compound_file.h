#pragma once

// The compound file (structured storage) that holds a Word document's
// streams, read whole into memory and written whole, through libgsf.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::word97 {

struct StorageEntry {
  std::string name;
  bool is_storage = false;
  std::array<std::uint8_t, 16> class_id{};  // storages only
  std::string data;                          // streams only
  std::vector<StorageEntry> children;        // storages only

  // The direct child stream or storage with this name, or nullptr.
  const StorageEntry* Find(std::string_view child) const;
  StorageEntry* Find(std::string_view child);
  void Remove(std::string_view child);
};

// Reads a compound file. Throws ReadError (kUnreadable or kNotWord).
StorageEntry ReadCompoundFile(const std::string& path);
StorageEntry ReadCompoundBytes(std::string_view bytes);

// The compound file as bytes (throws quorlex::Error on failure).
std::string WriteCompoundBytes(const StorageEntry& root);

}  // namespace quorlex::automation::word97
