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

#include "automation/workbook/code_names.h"
#include "automation/workbook/defined_names.h"
#include "automation/workbook/markup_editor.h"
#include "automation/workbook/record.h"
#include "automation/workbook/sheet.h"
#include "automation/workbook/source_markup.h"
#include "automation/workbook/styles.h"

namespace quorlex::automation::workbook {

// Where the writer puts what the engine models among the kept globals.
enum class GlobalSlot : std::uint8_t {
  kNone,           // a kept record
  kFonts,          // FONT records
  kFormats,        // FORMAT records
  kXfs,            // XF records
  kPalette,        // PALETTE
  kBoundSheets,    // BOUNDSHEET records
  kDrawingGroup,   // MSODRAWINGGROUP
  kSharedStrings,  // SST and EXTSST
  kWindow,         // WINDOW1
  kTabIds,         // TABID
  kNames,          // NAME records
};

// A stream or storage of the compound file other than the workbook stream
// (document properties, a VBA project...), copied through unchanged.
struct StoredStream {
  std::string path;  // "/"-separated inside the compound file
  bool is_storage = false;
  std::vector<std::uint8_t> data;
  std::array<std::uint8_t, 16> clsid{};  // storages only
};

// One record of the globals, or the slot where the model writes its own.
struct GlobalItem {
  GlobalSlot slot = GlobalSlot::kNone;
  Record record;
};

// A workbook as the engine models it: its sheets, styles, names and the records kept as read.
class Workbook {
 public:
  // A workbook of one empty worksheet named "Лист1", with the default
  // fonts, formats and styles.
  static std::unique_ptr<Workbook> CreateBlank();

  Styles& Formats() { return styles_; }
  const Styles& Formats() const { return styles_; }

  std::vector<GlobalItem>& Globals() { return globals_; }
  const std::vector<GlobalItem>& Globals() const { return globals_; }

  // The defined names, written at the kNames slot of the globals.
  DefinedNames& Names() { return names_; }
  const DefinedNames& Names() const { return names_; }
  CodeNames& CodeNameRegistry() { return code_names_; }

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
  // names copies, made active, with what Excel's copy carries (the sheet's
  // names, formulas naming the copy, a code name of its own). Returns the
  // new sheet's index.
  std::size_t CopySheet(std::size_t source, std::size_t after);
  // Like CopySheet followed by deleting, on the copy, the rows after
  // `last_row` up to the source's last used row and then the rows before
  // `first_row` (0-based), in time linear in the band: the copy holds that
  // band at row 0, its merges, comments and row properties, every
  // sheet-level setting of the source, and its names and references cut as
  // those deletions cut them.
  std::size_t CopySheetRows(std::size_t source, std::uint32_t first_row, std::uint32_t last_row,
                            std::size_t after);

  // Deletes rows [first, first + count) of a sheet as Excel does: the rows
  // below move up, and every reference of the workbook to them follows.
  void DeleteRows(std::size_t sheet, std::uint32_t first, std::uint32_t count);
  // Cuts rows [first, last] of sheet `from` and pastes them at row `to_row`
  // of another sheet `to`: references to the cut cells follow them, those
  // to the cells pasted over are lost.
  void MoveRows(std::size_t from, std::uint32_t first, std::uint32_t last, std::size_t to,
                std::uint32_t to_row);

  // Markup of another format's reader for its writer (the package a
  // workbook was read from); null for a workbook read from BIFF.
  const SourceMarkupPtr& Markup() const { return markup_; }
  void SetMarkup(SourceMarkupPtr markup) { markup_ = std::move(markup); }
  // What edits that markup as rows and sheets change; null when nothing does.
  const MarkupEditor* Editor() const { return editor_.get(); }
  void SetEditor(std::shared_ptr<MarkupEditor> editor) { editor_ = std::move(editor); }

  // True for a template (.xlt): the TEMPLATE record is kept.
  bool IsTemplate() const;
  void SetTemplate(bool is_template);

 private:
  std::size_t InsertSheet(std::unique_ptr<Sheet> sheet, std::size_t after);

  Styles styles_;
  std::vector<GlobalItem> globals_;
  DefinedNames names_;
  CodeNames code_names_;
  std::vector<std::uint8_t> drawing_group_;
  std::vector<StoredStream> other_streams_;
  std::array<std::uint8_t, 16> root_clsid_{};
  std::vector<std::unique_ptr<Sheet>> sheets_;
  std::size_t active_sheet_ = 0;
  SourceMarkupPtr markup_;
  std::shared_ptr<MarkupEditor> editor_;
};

// Throws quorlex::Error when Excel would refuse `name` as a sheet name.
void CheckSheetName(std::string_view name);

}  // namespace quorlex::automation::workbook
