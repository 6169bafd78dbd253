#include "automation/workbook/workbook.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "automation/workbook/extern_sheets.h"
#include "automation/workbook/reference_edits.h"
#include "automation/workbook/sheet_copy.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::automation::workbook {

using platform::Append16;

namespace {

constexpr std::uint16_t kTemplateRecord = 0x0060;

Record Make(std::uint16_t type, std::initializer_list<std::uint8_t> bytes) {
  return {type, std::vector<std::uint8_t>(bytes)};
}

Record Make16(std::uint16_t type, std::uint32_t value) {
  Record r{type, {}};
  Append16(r.data, value);
  return r;
}

std::string Quoted(std::string_view name) { return "«" + std::string(name) + "»"; }

std::vector<SheetItem> BlankSheetItems() {
  std::vector<SheetItem> items;
  auto kept = [&](Record r) { items.push_back({Slot::kNone, std::move(r)}); };
  auto slot = [&](Slot s) { items.push_back({s, {}}); };
  kept(Make(0x0809, {0x00, 0x06, 0x10, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0x00, 0x00, 0x00, 0x00, 0x06,
                     0x00, 0x00, 0x00}));
  kept(Make16(0x000D, 1));    // CALCMODE automatic
  kept(Make16(0x000C, 100));  // CALCCOUNT
  kept(Make16(0x000F, 1));    // REFMODE A1
  kept(Make16(0x0011, 0));    // ITERATION off
  Record delta{0x0010, {}};
  std::uint64_t bits = std::bit_cast<std::uint64_t>(0.001);
  for (int i = 0; i < 8; ++i)
    delta.data.push_back(static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFF));
  kept(delta);
  kept(Make16(0x005F, 1));                       // SAVERECALC
  kept(Make16(0x002A, 0));                       // PRINTHEADERS
  kept(Make16(0x002B, 0));                       // PRINTGRIDLINES
  kept(Make16(0x0082, 1));                       // GRIDSET
  kept(Make(0x0080, {0, 0, 0, 0, 0, 0, 0, 0}));  // GUTS
  kept(Make(0x0225, {0x00, 0x00, 0xFF, 0x00}));  // DEFAULTROWHEIGHT 12.75 pt
  kept(Make16(0x0081, 0x04C1));                  // WSBOOL
  kept(Make(0x0014, {}));                        // HEADER
  kept(Make(0x0015, {}));                        // FOOTER
  kept(Make16(0x0083, 0));                       // HCENTER
  kept(Make16(0x0084, 0));                       // VCENTER
  Record setup{0x00A1, {}};
  Append16(setup.data, 9);       // A4
  Append16(setup.data, 100);     // scale
  Append16(setup.data, 1);       // first page number
  Append16(setup.data, 1);       // fit width
  Append16(setup.data, 1);       // fit height
  Append16(setup.data, 0x0006);  // portrait, no printer data
  Append16(setup.data, 600);
  Append16(setup.data, 600);
  bits = std::bit_cast<std::uint64_t>(0.5);
  for (int k = 0; k < 2; ++k)
    for (int i = 0; i < 8; ++i)
      setup.data.push_back(static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFF));
  Append16(setup.data, 1);
  kept(setup);
  slot(Slot::kColumns);
  slot(Slot::kDimensions);
  slot(Slot::kCells);
  slot(Slot::kDrawing);
  kept(Make(0x023E, {0xB6, 0x06, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));  // WINDOW2
  slot(Slot::kSelection);
  slot(Slot::kMerges);
  slot(Slot::kHyperlinks);
  kept(Make(0x000A, {}));
  return items;
}

}  // namespace

void CheckSheetName(std::string_view name) {
  std::size_t length = platform::Utf16Length(name);
  bool bad = length == 0 || length > 31 || !platform::IsValidUtf8(name);
  for (char c : name) {
    if (c == ':' || c == '\\' || c == '/' || c == '?' || c == '*' || c == '[' || c == ']')
      bad = true;
  }
  if (!name.empty() && (name.front() == '\'' || name.back() == '\'')) bad = true;
  if (platform::Upper(name) == "HISTORY") bad = true;
  if (bad) throw Error(errors::kSpreadsheet, "Недопустимое имя листа: " + Quoted(name));
}

std::unique_ptr<Workbook> Workbook::CreateBlank() {
  auto book = std::make_unique<Workbook>();
  // The class of an Excel workbook, as Excel marks the compound file.
  book->root_clsid_ = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                       0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  Styles& s = book->styles_;
  Font arial;
  for (int i = 0; i < 4; ++i)
    s.AddFontRaw(arial);
  // Style formats 0..14 and the Normal cell format 15.
  for (int i = 0; i < 16; ++i) {
    Xf xf;
    if (i < 15) {
      std::array<std::uint8_t, 20> b = xf.Bytes();
      b[4] = 0xF5;
      b[5] = 0xFF;
      b[9] = i == 0 ? 0x00 : 0xF4;
      if (i == 1 || i == 2) b[0] = 1;
      if (i == 3 || i == 4) b[0] = 2;
      xf = Xf(b);
    }
    s.AddXfRaw(xf);
  }
  auto& g = book->globals_;
  auto kept = [&](Record r) { g.push_back({GlobalSlot::kNone, std::move(r)}); };
  auto slot = [&](GlobalSlot sl, Record r = {}) { g.push_back({sl, std::move(r)}); };
  kept(Make(0x0809, {0x00, 0x06, 0x05, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0x00, 0x00, 0x00, 0x00, 0x06,
                     0x00, 0x00, 0x00}));
  kept(Make16(0x00E1, 0x04B0));  // INTERFACEHDR
  kept(Make16(0x00C1, 0));       // MMS
  kept(Make(0x00E2, {}));        // INTERFACEEND
  // WRITEACCESS: the user name as a compressed string, padded with spaces.
  // Made at its full size and filled in, not grown byte by byte, which GCC
  // 12 at -O3 takes for a write past the end (-Wstringop-overflow).
  const std::string who = "quorlex";
  Record access{0x005C, std::vector<std::uint8_t>(112, 0x20)};
  access.data[0] = static_cast<std::uint8_t>(who.size());
  access.data[1] = 0;
  access.data[2] = 0;  // compressed characters
  std::copy(who.begin(), who.end(), access.data.begin() + 3);
  kept(access);
  kept(Make16(0x0042, 0x04B0));  // CODEPAGE UTF-16
  kept(Make16(0x0161, 0));       // DSF
  slot(GlobalSlot::kTabIds);
  kept(Make16(0x009C, 0x0E));  // FNGROUPCOUNT
  kept(Make16(0x0019, 0));     // WINDOWPROTECT
  kept(Make16(0x0012, 0));     // PROTECT
  kept(Make16(0x0013, 0));     // PASSWORD
  kept(Make16(0x01AF, 0));     // PROT4REV
  kept(Make16(0x01BC, 0));     // PROT4REVPASS
  slot(GlobalSlot::kWindow, Make(0x003D, {0x68, 0x01, 0x0E, 0x01, 0x5C, 0x3A, 0xBE, 0x23, 0x38, 0,
                                          0, 0, 0, 0, 1, 0, 0x58, 0x02}));
  kept(Make16(0x0040, 0));  // BACKUP
  kept(Make16(0x008D, 0));  // HIDEOBJ
  kept(Make16(0x0022, 0));  // DATEMODE 1900
  kept(Make16(0x000E, 1));  // PRECISION as displayed off
  kept(Make16(0x01B7, 0));  // REFRESHALL
  kept(Make16(0x00DA, 0));  // BOOKBOOL
  slot(GlobalSlot::kFonts);
  slot(GlobalSlot::kFormats);
  slot(GlobalSlot::kXfs);
  kept(Make(0x0293, {0x00, 0x80, 0x00, 0xFF}));  // STYLE Normal
  slot(GlobalSlot::kPalette);
  kept(Make16(0x0160, 1));  // USESELFS
  slot(GlobalSlot::kBoundSheets);
  kept(Make(0x008C, {0x07, 0x00, 0x07, 0x00}));  // COUNTRY
  slot(GlobalSlot::kDrawingGroup);
  slot(GlobalSlot::kSharedStrings);
  kept(Make(0x000A, {}));

  auto sheet = std::make_unique<Sheet>(SheetKind::kWorksheet, "Лист1");
  sheet->Items() = BlankSheetItems();
  book->sheets_.push_back(std::move(sheet));
  return book;
}

std::size_t Workbook::FindSheet(std::string_view name) const {
  std::string wanted = platform::Upper(name);
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    if (sheets_[i]->NameKey() == wanted) return i;
  }
  return std::string::npos;
}

std::size_t Workbook::IndexOf(const Sheet& sheet) const {
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    if (sheets_[i].get() == &sheet) return i;
  }
  return std::string::npos;
}

void Workbook::RenameSheet(std::size_t index, std::string_view name) {
  CheckSheetName(name);
  std::size_t other = FindSheet(name);
  if (other != std::string::npos && other != index) {
    throw Error(errors::kSpreadsheet, "Лист с именем " + Quoted(name) + " уже существует");
  }
  sheets_.at(index)->SetNameUnchecked(std::string(name));
}

std::string Workbook::CopyName(std::string_view name) const {
  std::string base(name);
  // "Name (2)" copied again gives "Name (3)", not "Name (2) (2)".
  if (base.size() > 4 && base.back() == ')') {
    std::size_t open = base.rfind(" (");
    if (open != std::string::npos && open + 2 < base.size() - 1 &&
        std::all_of(base.begin() + static_cast<std::ptrdiff_t>(open + 2), base.end() - 1,
                    [](char c) { return c >= '0' && c <= '9'; })) {
      base.resize(open);
    }
  }
  for (int n = 2;; ++n) {
    std::string suffix = " (" + std::to_string(n) + ")";
    std::string stem = base;
    while (!stem.empty() && platform::Utf16Length(stem) + suffix.size() > 31) {
      stem = platform::Left(stem, platform::Length(stem) - 1);
    }
    std::string candidate = stem + suffix;
    if (FindSheet(candidate) == std::string::npos) return candidate;
  }
}

std::size_t Workbook::InsertSheet(std::unique_ptr<Sheet> sheet, std::size_t after) {
  if (after >= sheets_.size()) after = sheets_.size() - 1;
  std::size_t index = after + 1;
  sheets_.insert(sheets_.begin() + static_cast<std::ptrdiff_t>(index), std::move(sheet));
  if (active_sheet_ >= index && active_sheet_ + 1 < sheets_.size()) ++active_sheet_;
  active_sheet_ = index;
  // Sheet numbers of names and of the XTI table count the new sheet.
  ExternSheets(*this).SheetInserted(index);
  if (index + 1 < sheets_.size()) {
    for (std::size_t i = 0; i < names_.Count(); ++i) {
      const std::uint16_t number = names_.At(i).SheetNumber();
      if (number > index) names_.SetSheetNumber(i, static_cast<std::uint16_t>(number + 1));
    }
    names_.ForgetSheets();
  }
  return index;
}

std::size_t Workbook::CopySheet(std::size_t source, std::size_t after) {
  const Sheet& from = SheetAt(source);
  auto copy = from.Clone();
  copy->SetNameUnchecked(CopyName(from.Name()));
  std::size_t index = InsertSheet(std::move(copy), after);
  ExternSheets sheets(*this);
  source = source >= index ? source + 1 : source;
  CarryToCopy(*this, source, index, {}, sheets);
  if (editor_) editor_->SheetCopied(*this, source, index, {});
  return index;
}

void Workbook::DeleteRows(std::size_t sheet, std::uint32_t first, std::uint32_t count) {
  if (count == 0) return;
  SheetAt(sheet).DeleteRows(first, count);
  const RowEdit edit = RowEdit::Deletion(sheet, first, count);
  ApplyRowEdit(*this, edit);
  if (editor_) editor_->RowsEdited(*this, edit);
}

void Workbook::MoveRows(std::size_t from, std::uint32_t first, std::uint32_t last, std::size_t to,
                        std::uint32_t to_row) {
  SheetAt(to).MoveRowsFrom(SheetAt(from), first, last, to_row);
  const RowEdit edit = RowEdit::Move(from, first, last, to, to_row);
  ApplyRowEdit(*this, edit);
  if (editor_) editor_->RowsEdited(*this, edit);
}

std::size_t Workbook::CopySheetRows(std::size_t source, std::uint32_t first_row,
                                    std::uint32_t last_row, std::size_t after) {
  const Sheet& from = SheetAt(source);
  if (!from.IsWorksheet()) {
    throw Error(errors::kSpreadsheet,
                "Лист " + Quoted(from.Name()) + " не является рабочим листом");
  }
  if (last_row < first_row) {
    throw Error(errors::kSpreadsheet, "Неверная полоса строк для копирования листа");
  }
  // The rows Excel's copy would lose: those after the band up to the last
  // used row, then those before it.
  Area used;
  const std::uint32_t used_last = from.Cells().UsedArea(used) ? used.last_row : 0;
  auto copy = from.CloneRows(first_row, last_row);
  copy->SetNameUnchecked(CopyName(from.Name()));
  std::size_t index = InsertSheet(std::move(copy), after);
  std::vector<RowEdit> cuts;
  if (used_last > last_row)
    cuts.push_back(RowEdit::Deletion(index, last_row + 1, used_last - last_row));
  if (first_row > 0) cuts.push_back(RowEdit::Deletion(index, 0, first_row));
  ExternSheets sheets(*this);
  const std::size_t moved_source = source >= index ? source + 1 : source;
  CarryToCopy(*this, moved_source, index, cuts, sheets);
  if (editor_) editor_->SheetCopied(*this, moved_source, index, cuts);
  return index;
}

bool Workbook::IsTemplate() const {
  return std::any_of(globals_.begin(), globals_.end(), [](const GlobalItem& g) {
    return g.slot == GlobalSlot::kNone && g.record.type == kTemplateRecord;
  });
}

void Workbook::SetTemplate(bool is_template) {
  if (is_template == IsTemplate()) return;
  if (!is_template) {
    std::erase_if(globals_, [](const GlobalItem& g) {
      return g.slot == GlobalSlot::kNone && g.record.type == kTemplateRecord;
    });
    return;
  }
  // Right after the BOF, where Excel writes it.
  globals_.insert(globals_.begin() + (globals_.empty() ? 0 : 1),
                  GlobalItem{GlobalSlot::kNone, Record{kTemplateRecord, {}}});
}

}  // namespace quorlex::automation::workbook
