#pragma once

// Reading Excel 97-2003 workbooks and templates (BIFF8 in a compound file).

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "automation/workbook/workbook.h"

namespace quorlex::automation::biff8 {

// Throws quorlex::Error (errors::kFile when the file cannot be read,
// errors::kFormat for a file that is not a BIFF8 workbook: BIFF5 and older,
// encrypted, or malformed).
std::unique_ptr<workbook::Workbook> ReadWorkbook(const std::string& path);
std::unique_ptr<workbook::Workbook> ReadWorkbookBytes(std::span<const std::uint8_t> bytes,
                                                      const std::string& display_name = "книга");
// The workbook stream alone (no compound file around it).
std::unique_ptr<workbook::Workbook> ReadWorkbookStream(std::span<const std::uint8_t> stream);

}  // namespace quorlex::automation::biff8
