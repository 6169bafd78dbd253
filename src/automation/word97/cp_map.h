#pragma once

// Where the characters of the file read have gone in the document written:
// built from the runs of the document, which remember the position each of
// their characters had. Structures of the file that point at characters
// (fields, bookmarks, notes, drawings) are moved with it.

#include <cstdint>
#include <vector>

#include "automation/document/document.h"

namespace quorlex::automation::word97 {

// Maps character positions of the file read to those of the file written.
class CpMap {
 public:
  // old_total: characters of the file read; story_starts: where each part
  // of the document begins in the file written.
  CpMap(const document::Document& document, const std::vector<std::uint32_t>& story_starts,
        std::uint32_t old_total, std::uint32_t new_total);

  // Where an old position went.
  struct Result {
    std::uint32_t cp;
    bool kept;  // the character is still there (false: it was deleted, and
                // cp is where it was)
  };
  Result Map(std::uint32_t old_cp) const;

 private:
  // A stretch of characters that moved as one.
  struct Segment {
    std::uint32_t old_start;
    std::uint32_t new_start;
    std::uint32_t length;
  };
  std::vector<Segment> segments_;
  std::uint32_t old_total_;
  std::uint32_t new_total_;
};

}  // namespace quorlex::automation::word97
