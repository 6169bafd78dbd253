#pragma once

// The cell formats (XF records) as a workbook is written. Cells, rows and
// columns refer to cell formats only: one that points at a style format (a
// template written by another program may do that) is written on a cell
// format of that style, added after the workbook's own. The XFCRC record,
// which Excel 2007 and later check before they trust the extended formats
// (XFEXT), counts the formats as written.

#include <cstdint>
#include <vector>

#include "automation/workbook/record.h"
#include "automation/workbook/styles.h"

namespace quorlex::automation::biff8 {

// The cell formats (XF records) as written: those in use, and the twins
// the writer must add.
class CellFormats {
 public:
  // `used` has an entry for each format index a cell, row or column refers
  // to (indexes past the formats included).
  CellFormats(const workbook::Styles& styles, const std::vector<bool>& used);

  // The index written for a cell, row or column that refers to `xf`.
  std::uint16_t Written(std::uint16_t xf) const {
    return map_.empty() || xf >= map_.size() ? xf : map_[xf];
  }

  // Every XF record body, in order: the workbook's formats, then the added ones.
  const std::vector<workbook::Xf>& Added() const { return added_; }
  std::size_t Count() const { return styles_.XfCount() + added_.size(); }

  // The XFCRC record updated to count and check the formats as written.
  workbook::Record UpdatedChecksum(const workbook::Record& xfcrc) const;

 private:
  const workbook::Styles& styles_;
  std::vector<std::uint16_t> map_;  // empty when every format is written as referred to
  std::vector<workbook::Xf> added_;
};

// The checksum of [MS-OSHARED] 2.4.3 (polynomial 0xAF, most significant bit
// first) over the XF record bodies, as XFCRC holds it.
std::uint32_t XfChecksum(const std::vector<workbook::Xf>& first,
                         const std::vector<workbook::Xf>& then);

}  // namespace quorlex::automation::biff8
