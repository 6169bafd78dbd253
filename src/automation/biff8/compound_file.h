#pragma once

// The compound file around the workbook stream, through libgsf.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "automation/workbook/workbook.h"

namespace quorlex::biff8 {

struct CompoundContents {
  std::vector<std::uint8_t> workbook;  // the "Workbook" stream
  bool has_biff5_book = false;         // a "Book" stream instead (Excel 5/95)
  std::vector<workbook::StoredStream> others;
  std::array<std::uint8_t, 16> root_clsid{};
};

// True when the bytes start with the compound-file signature.
bool IsCompoundFile(std::span<const std::uint8_t> bytes);

// Throws quorlex::Error (errors::kFormat) for a damaged compound file.
CompoundContents ReadCompound(std::span<const std::uint8_t> bytes);

// Writes a compound file holding the workbook stream and the other streams.
// Throws quorlex::Error (errors::kFile) when it cannot be written.
void WriteCompound(const std::string& path, const std::vector<std::uint8_t>& workbook,
                   const std::vector<workbook::StoredStream>& others, const std::array<std::uint8_t, 16>& root_clsid);

}  // namespace quorlex::biff8
