#pragma once

// The shared string table, built when saving: every text of every sheet
// once, in order of first use; a text with formatting runs is a string of
// its own. Written as SST with CONTINUE records and its EXTSST index.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/biff8/records.h"

namespace quorlex::automation::biff8 {

// The shared string table (SST) of the workbook being written.
class SharedStrings {
 public:
  // Room for this many texts, so that the index is not rebuilt as it grows.
  void Reserve(std::size_t texts) { index_.reserve(texts); }
  // The text must outlive the table (the cells' own texts do).
  void Add(std::string_view text, std::string_view runs);
  // A plain text the table keeps a copy of.
  void AddOwned(const std::string& text);
  std::uint32_t Find(std::string_view text, std::string_view runs) const;

  void Write(RecordSink& sink) const;

 private:
  // One string and its formatting runs, as the cells hold them.
  struct Entry {
    std::string_view text;
    std::string_view runs;
  };
  std::vector<Entry> strings_;
  std::unordered_map<std::string_view, std::uint32_t> index_;
  std::unordered_map<std::string, std::uint32_t> rich_index_;
  std::uint32_t total_ = 0;
  std::deque<std::string> owned_;
};

}  // namespace quorlex::automation::biff8
