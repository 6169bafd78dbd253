#pragma once

// The defined names of a workbook (NAME records): print areas, print
// titles, filter databases and the user's names, each with its formula and
// the sheet it belongs to, if any. Kept as read; the engine rewrites their
// formulas when rows or sheets change and adds the names of sheet copies.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorlex::automation::workbook {

class SheetIndex;

// Codes of the names Excel defines itself.
namespace builtin_name {
inline constexpr std::uint8_t kPrintArea = 0x06;
inline constexpr std::uint8_t kPrintTitles = 0x07;
inline constexpr std::uint8_t kFilterDatabase = 0x0D;
}  // namespace builtin_name

// One NAME record body.
class DefinedName {
 public:
  DefinedName() = default;
  explicit DefinedName(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

  const std::vector<std::uint8_t>& Data() const { return data_; }
  std::vector<std::uint8_t>& MutableData() { return data_; }

  bool IsBuiltin() const;
  // The built-in code (builtin_name::k...), 0 for a user's name.
  std::uint8_t BuiltinCode() const;
  // The name as UTF-16 code units (one unit, the code, for a built-in one).
  std::u16string Text() const;
  // 0 for a workbook-level name, otherwise the 1-based sheet number.
  std::uint16_t SheetNumber() const;
  void SetSheetNumber(std::uint16_t n);

  std::vector<std::uint8_t> Formula() const;
  // Replaces the formula's tokens; what follows them stays.
  void SetFormula(const std::vector<std::uint8_t>& rgce);

 private:
  std::size_t FormulaAt() const;

  std::vector<std::uint8_t> data_;
};

// The defined names of the workbook.
class DefinedNames {
 public:
  std::size_t Count() const { return names_.size(); }
  const DefinedName& At(std::size_t i) const { return names_.at(i); }
  void Add(DefinedName name);
  // CONTINUE bytes of the last name read.
  void ContinueLast(const std::vector<std::uint8_t>& bytes);
  // A new formula for name i; the index still counts it under the sheets
  // it named (row edits keep a reference on its sheet).
  void SetFormula(std::size_t i, const std::vector<std::uint8_t>& rgce);
  void SetSheetNumber(std::size_t i, std::uint16_t n);

  // The names whose formulas name `sheet` through a 3-D token. Kept in an
  // index, so that a workbook of many sheets and names stays linear.
  const std::vector<std::size_t>& NamingSheet(std::size_t sheet, const SheetIndex& sheets);
  // The sheets names refer to changed (a sheet inserted, names moved).
  void ForgetSheets() { indexed_ = false; }
  // The name `text` of sheet number `sheet_number` (0: the workbook's), or npos.
  std::size_t Find(const std::u16string& text, std::uint16_t sheet_number) const;

 private:
  std::vector<DefinedName> names_;
  bool indexed_ = false;
  std::size_t indexed_count_ = 0;  // names [0, indexed_count_) are in by_sheet_
  std::unordered_map<std::size_t, std::vector<std::size_t>> by_sheet_;
};

}  // namespace quorlex::automation::workbook
