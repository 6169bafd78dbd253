#pragma once

// The workbook's XTI table (the EXTERNSHEET record) and its own SUPBOOK:
// how 3-D references and names say which sheets they mean. Read from the
// kept global records when first asked, written back when it changed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "automation/workbook/formula_edit.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::workbook {

// One XTI: a SUPBOOK and a range of its sheets.
struct Xti {
  std::uint16_t supbook = 0;
  std::uint16_t first = 0;
  std::uint16_t last = 0;

  bool operator==(const Xti&) const = default;
};

// The workbook's EXTERNSHEET references to its own sheets.
class ExternSheets : public SheetIndex {
 public:
  explicit ExternSheets(Workbook& book) : book_(book) {}
  ExternSheets(const ExternSheets&) = delete;
  ExternSheets& operator=(const ExternSheets&) = delete;
  // Writes back what changed.
  ~ExternSheets() override;

  std::optional<std::size_t> SheetOf(std::uint16_t ixti) const override;
  std::uint16_t XtiOf(std::size_t sheet) override;

  // A sheet was inserted at `index`: XTIs of this workbook's sheets at or
  // after it shift by one, and the own SUPBOOK counts one more sheet.
  void SheetInserted(std::size_t index);

  // Writes the table into the globals now (when it changed).
  void Store();

  const std::vector<Xti>& Entries() const;

 private:
  void Load() const;

  Workbook& book_;
  mutable bool loaded_ = false;
  mutable std::vector<Xti> xtis_;
  mutable std::optional<std::uint16_t> own_supbook_;  // index among SUPBOOK records
  mutable std::uint16_t supbooks_ = 0;
  bool dirty_ = false;
};

}  // namespace quorlex::automation::workbook
