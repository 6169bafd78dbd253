#include "automation/biff8/reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "automation/biff8/read_values.h"
#include "automation/biff8/records.h"
#include "automation/biff8/slot_list.h"
#include "automation/biff8/workbook_file.h"
#include "automation/biff8/worksheet_reader.h"
#include "automation/compound/read_error.h"
#include "automation/compound/reader.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::automation::biff8 {

namespace {

using platform::Get16;
using platform::Get32;

using workbook::Record;

struct BoundSheet {
  std::uint32_t offset = 0;
  std::uint8_t state = 0;
  std::uint8_t type = 0;
  std::string name;
};

// BOF records of the versions before BIFF5, refused by name.
constexpr std::uint16_t kBiff2Bof = 0x0009;
constexpr std::uint16_t kBiff3Bof = 0x0209;
constexpr std::uint16_t kBiff4Bof = 0x0409;
// The substream types of a BOF record (dt).
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr std::uint16_t kChartSubstream = 0x0020;
constexpr std::uint16_t kMacroSubstream = 0x0040;
// The sheet types of a BOUNDSHEET record (dt).
constexpr std::uint8_t kBoundWorksheet = 0x00;
constexpr std::uint8_t kBoundMacro = 0x01;
constexpr std::uint8_t kBoundChart = 0x02;

void CheckBof(const Record& bof, bool globals) {
  if (bof.type != rt::kBof) {
    if (bof.type == kBiff2Bof || bof.type == kBiff3Bof || bof.type == kBiff4Bof) {
      throw Error(errors::kFormat,
                  "Книги Excel 4.0 и более ранних версий (BIFF4 и старше) не поддерживаются");
    }
    Damaged("no BOF record");
  }
  std::uint16_t version = Get16(bof.data, 0);
  if (version != 0x0600) {
    throw Error(errors::kFormat,
                "Книги Excel 5.0/95 (BIFF5) и более ранних версий не поддерживаются");
  }
  if (globals && Get16(bof.data, 2) != 0x0005)
    Damaged("the workbook stream does not start with the workbook globals");
}

bool IsUsableSheetName(const std::string& name) {
  try {
    workbook::CheckSheetName(name);
    return true;
  } catch (const Error&) {
    return false;
  }
}

// A sheet name Excel would not save (other programs write names of any
// length and with any character): forbidden characters become "_", the
// name is cut to 31 characters and numbered when another sheet has it.
std::string UsableSheetName(std::string name, std::size_t index,
                            const std::set<std::string>& taken) {
  for (char& c : name) {
    if (std::string_view(":\\/?*[]").find(c) != std::string_view::npos) c = '_';
  }
  if (!name.empty() && name.front() == '\'') name.front() = '_';
  if (!name.empty() && name.back() == '\'') name.back() = '_';
  if (platform::Upper(name) == "HISTORY") name += '_';
  if (name.empty() || !platform::IsValidUtf8(name)) name = "Лист" + std::to_string(index + 1);
  const auto cut = [](std::string s, std::size_t room) {
    while (platform::Utf16Length(s) > room)
      s = platform::Left(s, platform::Length(s) - 1);
    return s;
  };
  std::string usable = cut(name, 31);
  for (int n = 2; taken.count(platform::Upper(usable)) != 0; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    usable = cut(name, 31 - suffix.size()) + suffix;
  }
  return usable;
}

// Reads the workbook globals substream: fonts, number formats, cell
// formats, palette, sheets, drawing group, shared strings, names, window.
// Each family of records has its method; Read only dispatches. The slots of
// the families the engine models are kept in one SlotList.
class GlobalsReader {
 public:
  GlobalsReader(std::span<const std::uint8_t> stream, workbook::Workbook& book,
                std::vector<BoundSheet>& bound)
      : in_(stream), book_(book), bound_(bound), slots_(book.Globals()) {}

  void Read() {
    Record r;
    if (!in_.Next(r)) Damaged("empty workbook stream");
    CheckBof(r, true);
    slots_.Keep(r);
    bool ended = false;
    while (!ended && in_.Next(r)) {
      if (r.type == rt::kContinue) {
        ReadContinue(std::move(r));
        continue;
      }
      continues_ = Continues::kNothing;
      switch (r.type) {
        case rt::kFilePass:
          throw Error(errors::kFormat,
                      "Зашифрованные книги (защищённые паролем на открытие) не поддерживаются");
        case rt::kFont: ReadFont(r); break;
        case rt::kFormat: ReadFormat(r); break;
        case rt::kXf: ReadXf(r); break;
        case rt::kPalette: ReadPalette(r); break;
        case rt::kBoundSheet: ReadBoundSheet(r); break;
        case rt::kMsoDrawingGroup: ReadDrawingGroup(r); break;
        case rt::kSst: ReadSharedStrings(std::move(r)); break;
        case rt::kExtSst: break;  // written anew with the strings
        case rt::kName: ReadName(std::move(r)); break;
        case rt::kWindow1: ReadWindow(std::move(r)); break;
        case rt::kTabId: slots_.Mark(workbook::GlobalSlot::kTabIds); break;
        case rt::kEof:
          slots_.Keep(std::move(r));
          ended = true;
          break;
        default:
          slots_.Keep(std::move(r));
          continues_ = Continues::kKeptRecord;
          break;
      }
    }
    if (!ended) Damaged("the workbook globals have no EOF record");
    Finish();
  }

  // The SST record and its CONTINUE records, or nothing.
  const std::vector<Record>& SharedStringParts() const { return sst_parts_; }

 private:
  // What CONTINUE records extend: the record before them.
  enum class Continues { kNothing, kSharedStrings, kDrawingGroup, kName, kKeptRecord };

  void ReadContinue(Record r) {
    switch (continues_) {
      case Continues::kSharedStrings: sst_parts_.push_back(std::move(r)); break;
      case Continues::kDrawingGroup:
        book_.DrawingGroup().insert(book_.DrawingGroup().end(), r.data.begin(), r.data.end());
        break;
      case Continues::kName: book_.Names().ContinueLast(r.data); break;
      case Continues::kKeptRecord: slots_.Keep(std::move(r)); break;
      case Continues::kNothing: break;
    }
  }

  void ReadFont(const Record& r) {
    slots_.Mark(workbook::GlobalSlot::kFonts);
    workbook::Font f;
    f.height = Get16(r.data, 0);
    f.flags = Get16(r.data, 2);
    f.color = Get16(r.data, 4);
    f.weight = Get16(r.data, 6);
    f.escapement = Get16(r.data, 8);
    f.underline = r.data.size() > 10 ? r.data[10] : 0;
    f.family = r.data.size() > 11 ? r.data[11] : 0;
    f.charset = r.data.size() > 12 ? r.data[12] : 0;
    f.reserved = r.data.size() > 13 ? r.data[13] : 0;
    f.name = ReadUnicodeString(r.data, 14, true);
    book_.Formats().AddFontRaw(f);
  }

  void ReadFormat(const Record& r) {
    slots_.Mark(workbook::GlobalSlot::kFormats);
    book_.Formats().SetFormat(Get16(r.data, 0), ReadUnicodeString(r.data, 2, false));
  }

  void ReadXf(const Record& r) {
    slots_.Mark(workbook::GlobalSlot::kXfs);
    if (r.data.size() < 20) Damaged("short XF record");
    std::array<std::uint8_t, 20> bytes{};
    std::copy_n(r.data.begin(), 20, bytes.begin());
    book_.Formats().AddXfRaw(workbook::Xf(bytes));
  }

  void ReadPalette(const Record& r) {
    slots_.Mark(workbook::GlobalSlot::kPalette);
    workbook::Palette p = workbook::DefaultPalette();
    std::size_t n = std::min<std::size_t>(Get16(r.data, 0), p.size());
    for (std::size_t i = 0; i < n && 2 + i * 4 + 3 <= r.data.size(); ++i) {
      std::size_t at = 2 + i * 4;
      p[i] = (static_cast<std::uint32_t>(r.data[at]) << 16) |
             (static_cast<std::uint32_t>(r.data[at + 1]) << 8) | r.data[at + 2];
    }
    book_.Formats().SetColors(p, true);
  }

  void ReadBoundSheet(const Record& r) {
    slots_.Mark(workbook::GlobalSlot::kBoundSheets);
    BoundSheet bs;
    bs.offset = Get32(r.data, 0);
    bs.state = r.data.size() > 4 ? r.data[4] : 0;
    bs.type = r.data.size() > 5 ? r.data[5] : 0;
    bs.name = ReadUnicodeString(r.data, 6, true);
    bound_.push_back(std::move(bs));
  }

  void ReadDrawingGroup(const Record& r) {
    slots_.Mark(workbook::GlobalSlot::kDrawingGroup);
    book_.DrawingGroup().insert(book_.DrawingGroup().end(), r.data.begin(), r.data.end());
    continues_ = Continues::kDrawingGroup;
  }

  void ReadSharedStrings(Record r) {
    slots_.Mark(workbook::GlobalSlot::kSharedStrings);
    sst_parts_.clear();
    sst_parts_.push_back(std::move(r));
    continues_ = Continues::kSharedStrings;
  }

  void ReadName(Record r) {
    slots_.Mark(workbook::GlobalSlot::kNames);
    book_.Names().Add(workbook::DefinedName(std::move(r.data)));
    continues_ = Continues::kName;
  }

  // The first WINDOW1 is the workbook's window; any further one is kept.
  void ReadWindow(Record r) {
    if (slots_.Has(workbook::GlobalSlot::kWindow)) return slots_.Keep(std::move(r));
    book_.SetActiveSheet(Get16(r.data, 10));
    slots_.Place(workbook::GlobalSlot::kWindow, std::move(r));
  }

  // Slots the writer may need although the template had no such records.
  void Finish() {
    using S = workbook::GlobalSlot;
    auto& g = slots_.Items();
    if (!slots_.Has(S::kXfs) || !slots_.Has(S::kFonts)) Damaged("no fonts or cell formats");
    auto find_slot = [&](S s) {
      return std::find_if(g.begin(), g.end(),
                          [s](const workbook::GlobalItem& i) { return i.slot == s; });
    };
    if (!slots_.Has(S::kPalette)) {
      auto at = std::find_if(g.begin(), g.end(), [](const workbook::GlobalItem& i) {
        return i.slot == S::kBoundSheets || (i.slot == S::kNone && i.record.type == rt::kUsesElfs);
      });
      g.insert(at, {S::kPalette, {}});
    }
    if (!slots_.Has(S::kSharedStrings)) g.insert(g.end() - 1, {S::kSharedStrings, {}});
    if (!slots_.Has(S::kDrawingGroup))
      g.insert(find_slot(S::kSharedStrings), {S::kDrawingGroup, {}});
    if (!slots_.Has(S::kBoundSheets)) Damaged("no sheets");
  }

  RecordReader in_;
  workbook::Workbook& book_;
  std::vector<BoundSheet>& bound_;
  SlotList<workbook::GlobalItem> slots_;
  std::vector<Record> sst_parts_;
  Continues continues_ = Continues::kNothing;
};

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> stream) : stream_(stream) {}

  std::unique_ptr<workbook::Workbook> Read() {
    book_ = std::make_unique<workbook::Workbook>();
    ReadGlobals();
    // Sheets follow one another in the stream. Refusing overlaps keeps the
    // work linear in the stream, whatever the offsets claim.
    std::vector<std::pair<std::uint32_t, std::size_t>> order;
    for (std::size_t i = 0; i < bound_.size(); ++i)
      order.emplace_back(bound_[i].offset, i);
    std::sort(order.begin(), order.end());
    std::vector<std::unique_ptr<workbook::Sheet>> sheets(bound_.size());
    std::size_t end = 0;
    for (const auto& [offset, i] : order) {
      if (offset < end) Damaged("two sheets overlap in the stream");
      sheets[i] = ReadSheet(bound_[i], end);
    }
    std::set<std::string> taken;
    for (const auto& sheet : sheets) {
      if (IsUsableSheetName(sheet->Name())) taken.insert(sheet->NameKey());
    }
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      if (IsUsableSheetName(sheets[i]->Name())) continue;
      sheets[i]->SetNameUnchecked(UsableSheetName(sheets[i]->Name(), i, taken));
      taken.insert(sheets[i]->NameKey());
    }
    for (auto& sheet : sheets)
      book_->AppendSheet(std::move(sheet));
    if (book_->SheetCount() == 0) Damaged("no sheets");
    if (book_->ActiveSheet() >= book_->SheetCount()) book_->SetActiveSheet(0);
    // Some writers leave out the style formats Excel always has; the engine
    // counts on format 15 being the Normal cell format.
    while (book_->Formats().XfCount() <= workbook::kDefaultXf)
      book_->Formats().AddXfRaw(workbook::Xf());
    if (book_->Formats().FontCount() == 0) Damaged("no fonts");
    return std::move(book_);
  }

 private:
  void ReadGlobals() {
    GlobalsReader globals(stream_, *book_, bound_);
    globals.Read();
    if (!globals.SharedStringParts().empty()) ReadSst(globals.SharedStringParts());
  }

  void ReadSst(const std::vector<Record>& parts) {
    ContinuedBytes s;
    for (const Record& p : parts)
      s.Add(&p.data);
    s.U32();
    std::uint32_t unique = s.U32();
    // The count comes from the file: trust only what the bytes can hold.
    strings_.reserve(std::min<std::size_t>(unique, stream_.size() / 3));
    for (std::uint32_t i = 0; i < unique && !s.AtEnd(); ++i)
      strings_.push_back(s.RichString());
  }

  std::unique_ptr<workbook::Sheet> ReadSheet(const BoundSheet& bs, std::size_t& end) {
    if (bs.offset >= stream_.size()) Damaged("sheet offset past the end of the stream");
    RecordReader in(stream_, bs.offset);
    Record bof;
    if (!in.Next(bof)) Damaged("missing sheet");
    CheckBof(bof, false);
    std::uint16_t dt = Get16(bof.data, 2);
    workbook::SheetKind kind = workbook::SheetKind::kOther;
    if (bs.type == kBoundWorksheet && dt == kWorksheetSubstream)
      kind = workbook::SheetKind::kWorksheet;
    else if (bs.type == kBoundChart || dt == kChartSubstream)
      kind = workbook::SheetKind::kChart;
    else if (bs.type == kBoundMacro || dt == kMacroSubstream)
      kind = workbook::SheetKind::kMacro;
    auto sheet = std::make_unique<workbook::Sheet>(kind, bs.name);
    sheet->SetBoundSheetFlags(static_cast<std::uint16_t>(bs.state | (bs.type << 8)));
    sheet->Items().push_back({workbook::Slot::kNone, bof});
    if (kind == workbook::SheetKind::kWorksheet) {
      ReadWorksheet(in, *sheet, strings_);
    } else {
      ReadRawSubstream(in, sheet->Items());
    }
    end = in.Offset();
    return sheet;
  }

  // Records up to the EOF that closes the substream, nested ones included.
  static void ReadRawSubstream(RecordReader& in, std::vector<workbook::SheetItem>& items) {
    int depth = 1;
    Record r;
    while (depth > 0) {
      if (!in.Next(r)) Damaged("sheet without EOF record");
      if (r.type == rt::kBof) ++depth;
      if (r.type == rt::kEof) --depth;
      items.push_back({workbook::Slot::kNone, std::move(r)});
    }
  }

  std::span<const std::uint8_t> stream_;
  std::unique_ptr<workbook::Workbook> book_;
  std::vector<BoundSheet> bound_;
  SharedStringList strings_;
};

// The tree of a file that has the compound-file signature; one that does
// not hold together is a damaged workbook.
automation::compound::Entry ReadCompound(std::span<const std::uint8_t> bytes,
                                         const std::string& display_name) {
  try {
    return automation::compound::ReadCompoundBytes(
        {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  } catch (const automation::compound::ReadError& e) {
    throw Error(errors::kFormat, "Файл " + display_name + " поврежден: " + e.Detail());
  }
}

}  // namespace

std::unique_ptr<workbook::Workbook> ReadWorkbookStream(std::span<const std::uint8_t> stream) {
  return Reader(stream).Read();
}

std::unique_ptr<workbook::Workbook> ReadWorkbookBytes(std::span<const std::uint8_t> bytes,
                                                      const std::string& display_name) {
  if (!automation::compound::IsCompoundFile(bytes)) {
    // A bare BIFF stream: Excel 2, 3 and 4 wrote these.
    if (bytes.size() >= 2 && bytes[1] < 0x10 && (bytes[0] == 0x09) &&
        (bytes[1] == 0x00 || bytes[1] == 0x02 || bytes[1] == 0x04 || bytes[1] == 0x08)) {
      throw Error(errors::kFormat,
                  "Книги Excel 4.0 и более ранних версий (BIFF4 и старше) не поддерживаются: " +
                      display_name);
    }
    throw Error(errors::kFormat, "Файл " + display_name + " не является книгой Excel 97-2003");
  }
  WorkbookFile contents = SplitWorkbookFile(ReadCompound(bytes, display_name));
  if (contents.workbook.empty()) {
    if (contents.has_biff5_book) {
      throw Error(errors::kFormat, "Книги Excel 5.0/95 (BIFF5) не поддерживаются: " + display_name);
    }
    throw Error(errors::kFormat, "Файл " + display_name + " не является книгой Excel 97-2003");
  }
  std::unique_ptr<workbook::Workbook> book;
  try {
    book = ReadWorkbookStream({reinterpret_cast<const std::uint8_t*>(contents.workbook.data()),
                               contents.workbook.size()});
  } catch (const DamagedWorkbook& e) {
    throw Error(errors::kFormat, "Файл " + display_name + " поврежден (" + e.Detail() + ")");
  }
  book->OtherStreams() = std::move(contents.others);
  book->RootClsid() = contents.root_clsid;
  return book;
}

std::unique_ptr<workbook::Workbook> ReadWorkbook(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(errors::kFile, "Не удалось открыть файл " + path);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) throw Error(errors::kFile, "Не удалось прочитать файл " + path);
  return ReadWorkbookBytes(bytes, path);
}

}  // namespace quorlex::automation::biff8
