#pragma once

// A workbook with Excel's semantics: sheets in tab order, interned cell
// formats, and every record of the workbook globals that the engine does not
// model, kept in place so that a template survives a round trip.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/workbook/record.h"
#include "automation/workbook/sheet.h"
#include "automation/workbook/styles.h"

namespace quorlex::workbook {

// Where the writer puts what the engine models among the kept globals.
enum class GlobalSlot : std::uint8_t {
  kNone,          // a kept record
  kFonts,         // FONT records
  kFormats,       // FORMAT records
  kXfs,           // XF records
  kPalette,       // PALETTE
  kBoundSheets,   // BOUNDSHEET records
  kDrawingGroup,  // MSODRAWINGGROUP
  kSharedStrings, // SST and EXTSST
  kWindow,        // WINDOW1
  kTabIds,        // TABID
};

// A stream or storage of the compound file other than the workbook stream
// (document properties, a VBA project...), copied through unchanged.
struct StoredStream {
  std::string path;  // "/"-separated inside the compound file
  bool is_storage = false;
  std::vector<std::uint8_t> data;
  std::array<std::uint8_t, 16> clsid{};  // storages only
};

struct GlobalItem {
  GlobalSlot slot = GlobalSlot::kNone;
  Record record;
};

class Workbook {
 public:
  // A workbook of one empty worksheet named "Лист1", with the default
  // fonts, formats and styles.
  static std::unique_ptr<Workbook> CreateBlank();

  Styles& Formats() { return styles_; }
  const Styles& Formats() const { return styles_; }

  std::vector<GlobalItem>& Globals() { return globals_; }
  const std::vector<GlobalItem>& Globals() const { return globals_; }

  // The drawing group (MSODRAWINGGROUP body, CONTINUEs joined), or empty.
  std::vector<std::uint8_t>& DrawingGroup() { return drawing_group_; }
  const std::vector<std::uint8_t>& DrawingGroup() const { return drawing_group_; }

  std::vector<StoredStream>& OtherStreams() { return other_streams_; }
  const std::vector<StoredStream>& OtherStreams() const { return other_streams_; }
  std::array<std::uint8_t, 16>& RootClsid() { return root_clsid_; }
  const std::array<std::uint8_t, 16>& RootClsid() const { return root_clsid_; }

  std::size_t SheetCount() const { return sheets_.size(); }
  Sheet& SheetAt(std::size_t index) { return *sheets_.at(index); }
  const Sheet& SheetAt(std::size_t index) const { return *sheets_.at(index); }
  void AppendSheet(std::unique_ptr<Sheet> sheet) { sheets_.push_back(std::move(sheet)); }
  // Index of the sheet named `name` (case-insensitive, as Excel compares), or npos.
  std::size_t FindSheet(std::string_view name) const;
  std::size_t IndexOf(const Sheet& sheet) const;

  std::size_t ActiveSheet() const { return active_sheet_; }
  void SetActiveSheet(std::size_t index) { active_sheet_ = index; }

  // Renames a sheet by Excel's rules; throws quorlex::Error with a clear
  // description when Excel would refuse the name.
  void RenameSheet(std::size_t index, std::string_view name);
  // "<name> (2)", "(3)"... the first free one, cut to fit 31 characters.
  std::string CopyName(std::string_view name) const;

  // Copy of sheet `source` inserted after sheet `after`, named as Excel
  // names copies, made active. Returns the new sheet's index.
  std::size_t CopySheet(std::size_t source, std::size_t after);
  // Like CopySheet followed by deleting every row but [first_row, last_row]
  // (0-based) on the copy, in time linear in the band: the copy holds that
  // band at row 0, its merges, comments and row properties, and every
  // sheet-level setting of the source.
  std::size_t CopySheetRows(std::size_t source, std::uint32_t first_row, std::uint32_t last_row, std::size_t after);

  // True for a template (.xlt): the TEMPLATE record is kept.
  bool IsTemplate() const;
  void SetTemplate(bool is_template);

 private:
  std::size_t InsertSheet(std::unique_ptr<Sheet> sheet, std::size_t after);

  Styles styles_;
  std::vector<GlobalItem> globals_;
  std::vector<std::uint8_t> drawing_group_;
  std::vector<StoredStream> other_streams_;
  std::array<std::uint8_t, 16> root_clsid_{};
  std::vector<std::unique_ptr<Sheet>> sheets_;
  std::size_t active_sheet_ = 0;
};

// Throws quorlex::Error when Excel would refuse `name` as a sheet name.
void CheckSheetName(std::string_view name);

}  // namespace quorlex::workbook
