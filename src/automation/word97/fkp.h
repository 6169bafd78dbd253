#pragma once

// Formatted disk pages: 512-byte pages of the WordDocument stream that give
// the character properties (CHPX pages) and paragraph properties (PAPX
// pages) of stretches of the stream, found through a bin table in the table
// stream.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::word97 {

inline constexpr std::size_t kPageSize = 512;

// A stretch of the stream [fc_start, fc_end) and its properties: a
// character property list, or a paragraph's style index followed by its
// property list.
struct FcRun {
  std::uint32_t fc_start = 0;
  std::uint32_t fc_end = 0;
  std::string properties;
};

// Sorted by fc_start.
std::vector<FcRun> ReadCharacterPages(std::string_view bin_table, std::string_view word_document);
// Paragraph properties too large for a page are fetched from the data
// stream and put in place of their reference.
std::vector<FcRun> ReadParagraphPages(std::string_view bin_table, std::string_view word_document,
                                      std::string_view data_stream);

// The entry covering fc, or nullptr.
const FcRun* FindRun(const std::vector<FcRun>& runs, std::uint32_t fc);

// Pages written for consecutive stretches: appended to a stream whose
// length is a multiple of 512 bytes.
struct PageSet {
  std::vector<std::uint32_t> first_fc;  // of each page
  std::uint32_t end_fc = 0;
};

// One run of a formatted disk page: where it ends and its properties.
struct FkpEntry {
  std::uint32_t fc_end;
  std::string_view properties;
};

// Stretches follow each other from fc_start; each ends at its fc_end.
PageSet WriteCharacterPages(std::uint32_t fc_start, const std::vector<FkpEntry>& entries,
                            std::string& stream);
// Paragraph properties too large for a page go to the data stream (appended
// to data) and the page holds a reference to them.
PageSet WriteParagraphPages(std::uint32_t fc_start, const std::vector<FkpEntry>& entries,
                            std::string& data, std::string& stream);

// The bin table for pages placed from page number first_page on.
std::string WriteBinTable(const PageSet& pages, std::uint32_t first_page);

}  // namespace quorlex::automation::word97
