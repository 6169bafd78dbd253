#include "automation/word97/writer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "automation/compound/writer.h"
#include "automation/word97/byte_reader.h"
#include "automation/word97/cp_map.h"
#include "automation/word97/fkp.h"
#include "automation/word97/font_table_io.h"
#include "automation/word97/piece_table.h"
#include "automation/word97/plc.h"
#include "automation/word97/source_file.h"
#include "platform/error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::word97 {

using platform::Append16;
using platform::Put32;

namespace {

using document::Document;

// What the writer does with each structure of the table stream.
enum class Action {
  kDrop,       // a cache the reader recomputes, or something tied to a layout
  kCopy,       // no positions in the main text: written back as read
  kRebuild,    // made from the model
  kMove,       // positions of characters: moved with the text
  kMoveField,  // field characters: moved, and dropped with deleted text
  kKeep,       // not an offset at all (a time stamp)
  kLists,      // list definitions, followed by their levels outside the size
};

struct Handling {
  Action action;
  std::size_t element_size = 0;  // for kMove and kMoveField
};

Handling HandlingOf(std::size_t index) {
  using namespace fib_index;
  // clang-format off
  switch (index) {
    case kStshfOrig: case kStshf: case kPlcfSed: case kPlcfHdd: case kPlcfBteChpx:
    case kPlcfBtePapx: case kSttbfFfn: case kClx:
      return {Action::kRebuild};
    case kPlcffndRef: case kPlcfendRef: return {Action::kMove, 2};  // footnote and endnote references
    case kPlcfandRef: return {Action::kMove, 30};                     // comment references
    case kPlcfFldMom: return {Action::kMoveField, 2};                 // fields of the main text
    case kPlcfBkf: case kPlcfAtnBkf: return {Action::kMove, 4};       // bookmark starts
    case kPlcfBkl: case kPlcfAtnBkl: return {Action::kMove, 0};       // bookmark ends
    case kPlcSpaMom: return {Action::kMove, 26};                      // drawings anchored in the main text
    case kPlfLst: return {Action::kLists};
    case kModifiedTime: return {Action::kKeep};
    // Structures of the other parts (positions relative to their part, which
    // is not edited) and structures without positions.
    case kPlcffndTxt: case kPlcfandTxt: case kSttbfGlsy: case kPlcfGlsy: case kPlcfFldHdr:
    case kPlcfFldFtn: case kPlcfFldAtn: case kPlcfFldMcr: case kSttbfBkmk: case kCmds:
    case kSttbfMcr: case kPrDrvr: case kPrEnvPort: case kPrEnvLand: case kWss: case kDop:
    case kSttbfAssoc: case kAutosaveSource: case kGrpXstAtnOwners: case kSttbfAtnBkmk:
    case kPlcSpaHdr: case kPms: case kFormFldSttbs: case kPlcfendTxt: case kPlcfFldEdn:
    case kDggInfo: case kSttbfRMark: case kSttbCaption: case kSttbAutoCaption:
    case kPlcftxbxTxt: case kPlcfFldTxbx: case kPlcfHdrtxbxTxt: case kPlcffldHdrTxbx:
    case kStwUser: case kSttbTtmbd: case kCookieData: case kSttbfIntlFld: case kRouteSlip:
    case kSttbSavedBy: case kSttbFnm: case kPlfLfo: case kPlcfTxbxBkd: case kPlcfTxbxHdrBkd:
    case kSttbGlsyStyle: case kPlgosl: case kSttbListNames: case kSttbfUssr:
    // Later versions: mail threading, list gallery, envelope, frames, user
    // interface, comment extras, revision ids, mail merge, schemas,
    // protection users, theme and colour mapping.
    case kRmdThreading: case kMid: case kSttbRgtplc: case kMsoEnvelope: case kRgDofr:
    case kPlfguidUim: case kAtrdExtra: case kPlrsid: case kPmsNew: case kOdso: case kHplxsdr:
    case kCustomXForm: case kSttbProtUser: case kOssTheme: case kColorSchemeMapping:
      return {Action::kCopy};
    default:
      return {Action::kDrop};
  }
  // clang-format on
}

constexpr std::size_t kMinimumStream = 4096;

// UTF-16 little-endian, as the file keeps its text.
void AppendUtf16(std::string& out, std::u16string_view text) {
  const std::size_t at = out.size();
  out.resize(at + text.size() * 2);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out.data() + at, text.data(), text.size() * 2);
  } else {
    for (std::size_t i = 0; i < text.size(); ++i) {
      out[at + 2 * i] = static_cast<char>(text[i] & 0xFF);
      out[at + 2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
  }
}

std::uint32_t Align(std::uint32_t value, std::uint32_t to) { return (value + to - 1) / to * to; }

class Writer {
 public:
  explicit Writer(const Document& document) : document_(document) {
    source_ = dynamic_cast<const Word97Source*>(document.source.get());
    if (source_ == nullptr) {
      throw Error(errors::kDocument, "Документ не создан из файла Word: его нельзя сохранить");
    }
    for (const auto& story : document.stories) {
      if (!story.Consistent()) {
        throw Error(errors::kDocument, "Внутренняя ошибка: текст документа не согласован");
      }
    }
  }

  compound::Entry Build() {
    std::uint32_t total = 0;
    for (std::size_t part = 0; part < document::kStoryCount; ++part) {
      story_starts_.push_back(total);
      total += document_.stories[part].size();
    }
    total_ = total;
    Fib fib = source_->fib;
    data_ = source_->data;

    // The WordDocument stream: the header (and the pictures of drawings
    // where they were), the text, the property pages, the section
    // properties.
    std::string stream = source_->delay_stream;
    if (stream.size() < fib.bytes().size()) stream.resize(fib.bytes().size(), '\0');
    stream.resize(Align(static_cast<std::uint32_t>(stream.size()), kPageSize), '\0');
    fc_text_ = static_cast<std::uint32_t>(stream.size());
    stream.reserve(fc_text_ + total * 2 + total / 2);
    for (const auto& story : document_.stories)
      AppendUtf16(stream, story.text);
    const auto fc_mac = static_cast<std::uint32_t>(stream.size());
    stream.resize(Align(fc_mac, kPageSize), '\0');

    const auto chpx_first = static_cast<std::uint32_t>(stream.size() / kPageSize);
    const PageSet chpx = WriteCharacterPages(fc_text_, CharacterEntries(), stream);
    const auto papx_first = static_cast<std::uint32_t>(stream.size() / kPageSize);
    const PageSet papx = WriteParagraphPages(fc_text_, ParagraphEntries(), data_, stream);
    const std::string sections = SectionTable(stream);

    // The table stream, structure by structure in the header's order.
    const CpMap map(document_, story_starts_, source_->cp_total, total_);
    std::string table;
    const std::string stsh = document_.styles.raw;
    for (std::size_t i = 0; i < fib.PairCount(); ++i) {
      const Handling handling = HandlingOf(i);
      std::string blob;
      switch (handling.action) {
        case Action::kKeep: continue;
        case Action::kDrop: break;
        case Action::kCopy: blob = std::string(SourceBlob(i)); break;
        case Action::kLists: blob = ListDefinitions(); break;
        case Action::kMove:
        case Action::kMoveField: blob = MovePositions(SourceBlob(i), handling, map); break;
        case Action::kRebuild:
          switch (i) {
            case fib_index::kStshfOrig:
            case fib_index::kStshf: blob = stsh; break;
            case fib_index::kPlcfSed: blob = sections; break;
            case fib_index::kPlcfHdd: blob = HeaderTable(); break;
            case fib_index::kPlcfBteChpx: blob = WriteBinTable(chpx, chpx_first); break;
            case fib_index::kPlcfBtePapx: blob = WriteBinTable(papx, papx_first); break;
            case fib_index::kSttbfFfn: blob = WriteFontTable(document_.fonts); break;
            case fib_index::kClx: blob = WritePieceTable(total_, fc_text_); break;
            default: break;
          }
          break;
      }
      if (i == fib_index::kStshfOrig && !blob.empty()) {
        // The original style sheet is the same sheet, written once: the
        // next entry, the style sheet itself, goes right here.
        fib.SetPair(i, static_cast<std::uint32_t>(table.size()),
                    static_cast<std::uint32_t>(blob.size()));
        continue;
      }
      // The levels after the list definitions are not counted in their size.
      const std::uint32_t size = handling.action == Action::kLists && !blob.empty()
                                     ? source_->fib.Size(i)
                                     : static_cast<std::uint32_t>(blob.size());
      fib.SetPair(i, static_cast<std::uint32_t>(table.size()), size);
      table += blob;
    }

    for (std::size_t part = 0; part < kPartCount; ++part) {
      fib.SetPartLength(part, static_cast<std::int32_t>(document_.stories[part].size()));
    }
    std::uint16_t flags = fib.Flags();
    flags &= static_cast<std::uint16_t>(~(fib_flag::kComplex | fib_flag::kQuickSaves |
                                          fib_flag::kEncrypted | fib_flag::kObfuscated |
                                          fib_flag::kDot | fib_flag::kWriteReservation));
    flags |= fib_flag::kWhichTblStm | fib_flag::kExtChar;
    fib.SetFlags(flags);
    fib.SetTextBounds(fc_text_, fc_mac);
    fib.SetPropertyPages(chpx_first, static_cast<std::uint32_t>(chpx.first_fc.size()), papx_first,
                         static_cast<std::uint32_t>(papx.first_fc.size()));
    // Streams under 4096 bytes would go to the compound file's small-block
    // area, which some readers of Word files do not look in.
    if (stream.size() < kMinimumStream) stream.resize(kMinimumStream, '\0');
    if (table.size() < kMinimumStream) table.resize(kMinimumStream, '\0');
    fib.SetStreamLength(static_cast<std::uint32_t>(stream.size()));
    stream.replace(0, fib.bytes().size(), fib.bytes());

    compound::Entry root = source_->root;
    root.children.push_back(compound::Entry::Stream("WordDocument", std::move(stream)));
    root.children.push_back(compound::Entry::Stream("1Table", std::move(table)));
    if (!data_.empty()) root.children.push_back(compound::Entry::Stream("Data", std::move(data_)));
    return root;
  }

 private:
  std::uint32_t Fc(std::size_t part, std::uint32_t offset) const {
    return fc_text_ + 2 * (story_starts_[part] + offset);
  }

  // Character runs, cut at every paragraph end: readers find the cells of
  // nested tables by runs that stop at their marks, as the word processor
  // writes them.
  std::vector<FkpEntry> CharacterEntries() const {
    std::vector<FkpEntry> entries;
    for (std::size_t part = 0; part < document::kStoryCount; ++part) {
      const document::Story& story = document_.stories[part];
      std::size_t p = 0;
      for (const document::Run& run : story.runs) {
        const std::string_view props = document_.character_properties.Get(run.chpx);
        while (p < story.paragraphs.size() && story.paragraphs[p].end < run.end) {
          entries.push_back({Fc(part, story.paragraphs[p].end), props});
          ++p;
        }
        entries.push_back({Fc(part, run.end), props});
        if (p < story.paragraphs.size() && story.paragraphs[p].end == run.end) ++p;
      }
    }
    return entries;
  }

  std::vector<FkpEntry> ParagraphEntries() const {
    static const std::string kNormal(2, '\0');
    std::vector<FkpEntry> entries;
    for (std::size_t part = 0; part < document::kStoryCount; ++part) {
      for (const document::Paragraph& p : document_.stories[part].paragraphs) {
        const std::string& raw = document_.paragraph_properties.Raw(p.papx);
        entries.push_back({Fc(part, p.end), raw.size() >= 2 ? std::string_view(raw) : kNormal});
      }
    }
    return entries;
  }

  // Section properties go to the stream; the section table points at them.
  std::string SectionTable(std::string& stream) const {
    Plc sed;
    sed.cps.push_back(0);
    const document::Story& main = document_.Main();
    std::vector<std::uint32_t> ends;
    for (const document::Paragraph& p : main.paragraphs) {
      if (p.section_end) ends.push_back(p.end);
    }
    if (ends.empty() || ends.back() != main.size()) ends.push_back(main.size());
    for (std::size_t i = 0; i < ends.size(); ++i) {
      const std::size_t s = std::min(i, document_.sections.size() - 1);
      const std::string& props =
          document_.sections.empty() ? std::string() : document_.sections[s].properties;
      if (stream.size() % 2) stream.push_back('\0');
      const auto fc = static_cast<std::uint32_t>(stream.size());
      Append16(stream, static_cast<std::uint16_t>(props.size()));
      stream += props;
      std::string descriptor = i < source_->section_descriptors.size()
                                   ? source_->section_descriptors[i]
                                   : std::string("\0\0\0\0\0\0\0\0\xff\xff\xff\xff", 12);
      Put32(descriptor, 2, fc);
      sed.cps.push_back(ends[i]);
      sed.data.push_back(std::move(descriptor));
    }
    return sed.Write();
  }

  std::string HeaderTable() const {
    Plc hdd;
    hdd.cps = document_.header_footer_positions;
    return hdd.Write();
  }

  std::string_view SourceBlob(std::size_t index) const {
    const std::uint32_t size = source_->fib.Size(index);
    const std::uint32_t offset = source_->fib.Offset(index);
    if (size == 0 || offset > source_->table.size() || size > source_->table.size() - offset) {
      return {};
    }
    return std::string_view(source_->table).substr(offset, size);
  }

  // The list definitions with the levels that follow them: the size in the
  // header counts the definitions only, so the levels are measured.
  std::string ListDefinitions() const {
    const std::uint32_t offset = source_->fib.Offset(fib_index::kPlfLst);
    const std::uint32_t size = source_->fib.Size(fib_index::kPlfLst);
    if (size == 0) return {};
    try {
      const ByteReader in(source_->table, "списки");
      in.Need(offset, size);
      const auto lists = static_cast<std::int16_t>(in.U16(offset));
      if (lists < 0) return {};
      std::size_t at = std::size_t{offset} + size;
      for (int i = 0; i < lists; ++i) {
        const std::uint8_t flags = in.U8(offset + 2 + static_cast<std::size_t>(i) * 28 + 26);
        const int levels = (flags & 1) ? 1 : 9;
        for (int level = 0; level < levels; ++level) {
          const std::size_t chpx = in.U8(at + 24);
          const std::size_t papx = in.U8(at + 25);
          at += 28 + papx + chpx;
          at += 2 + std::size_t{in.U16(at)} * 2;
        }
      }
      in.Need(offset, at - offset);
      return std::string(source_->table.substr(offset, at - offset));
    } catch (const Error&) {
      return {};  // list definitions that do not hold are not carried over
    }
  }

  std::string MovePositions(std::string_view bytes, const Handling& handling,
                            const CpMap& map) const {
    if (bytes.empty()) return {};
    Plc plc;
    try {
      plc = Plc::Read(bytes, handling.element_size, "позиции");
    } catch (const Error&) {
      return {};  // a structure that does not hold is not carried over
    }
    Plc moved;
    for (std::size_t i = 0; i < plc.data.size(); ++i) {
      const CpMap::Result r = map.Map(plc.cps[i]);
      if (handling.action == Action::kMoveField && !r.kept) continue;
      moved.cps.push_back(r.cp);
      moved.data.push_back(plc.data[i]);
    }
    if (moved.data.empty() && handling.action == Action::kMoveField) return {};
    moved.cps.push_back(map.Map(plc.cps.back()).cp);
    // Positions stay in order even where deleted ones collapse.
    for (std::size_t i = 1; i < moved.cps.size(); ++i) {
      moved.cps[i] = std::max(moved.cps[i], moved.cps[i - 1]);
    }
    return moved.Write();
  }

  const Document& document_;
  const Word97Source* source_ = nullptr;
  std::vector<std::uint32_t> story_starts_;
  std::uint32_t total_ = 0;
  std::uint32_t fc_text_ = 0;
  std::string data_;
};

}  // namespace

std::string WriteDocumentBytes(const Document& document) {
  return compound::WriteCompoundBytes(Writer(document).Build());
}

void WriteDocument(const Document& document, const std::string& path) {
  compound::WriteCompoundFile(Writer(document).Build(), path);
}

}  // namespace quorlex::automation::word97
