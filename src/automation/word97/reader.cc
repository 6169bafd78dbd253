#include "automation/word97/reader.h"

#include <algorithm>
#include <memory>

#include "automation/compound/read_error.h"
#include "automation/compound/reader.h"
#include "automation/document/sprm.h"
#include "automation/word97/byte_reader.h"
#include "automation/word97/fkp.h"
#include "automation/word97/font_table_io.h"
#include "automation/word97/piece_table.h"
#include "automation/word97/plc.h"
#include "automation/word97/source_file.h"
#include "automation/word97/style_sheet_reader.h"
#include "automation/word97/word97_error.h"

namespace quorlex::automation::word97 {
namespace {

using document::Document;
using document::Story;

constexpr std::size_t kSectionDescriptorSize = 12;

class Reader {
 public:
  explicit Reader(compound::Entry root) { source_->root = std::move(root); }

  Document Read() {
    compound::Entry& root = source_->root;
    const compound::Entry* main = root.Find("WordDocument");
    if (main == nullptr || main->is_storage) {
      throw ReadError(ReadFailure::kNotWord, "не является документом Word 97-2003");
    }
    word_document_ = main->data;
    source_->fib = Fib::Parse(word_document_);
    const Fib& fib = source_->fib;
    const compound::Entry* table = root.Find(fib.TableStreamIsOne() ? "1Table" : "0Table");
    if (table == nullptr || table->is_storage) ThrowDamaged("нет потока таблиц");
    source_->table = table->data;
    if (const compound::Entry* data = root.Find("Data"); data != nullptr && !data->is_storage) {
      source_->data = data->data;
    }

    pieces_ = ReadPieceTable(Blob(fib_index::kClx, "таблица фрагментов текста"));
    text_ = ReadPieceText(pieces_, word_document_);
    source_->cp_total = static_cast<std::uint32_t>(text_.size());

    ReadSections();
    ReadProperties();
    BuildStories();

    document_.fonts = ReadFontTable(Blob(fib_index::kSttbfFfn, "таблица шрифтов"));
    document_.styles = ReadStyleSheet(Blob(fib_index::kStshf, "таблица стилей"));
    document_.header_footer_positions =
        Plc::Read(Blob(fib_index::kPlcfHdd, "колонтитулы"), 0, "колонтитулы").cps;

    KeepDelayStream();
    root.Remove("WordDocument");
    root.Remove("0Table");
    root.Remove("1Table");
    root.Remove("Data");
    document_.source = std::move(source_);
    return std::move(document_);
  }

 private:
  std::string_view Blob(std::size_t index, const char* what) const {
    const Fib& fib = source_->fib;
    const std::uint32_t size = fib.Size(index);
    if (size == 0) return {};
    return ByteReader(source_->table, what).Slice(fib.Offset(index), size);
  }

  void ReadSections() {
    const Plc sed =
        Plc::Read(Blob(fib_index::kPlcfSed, "разделы"), kSectionDescriptorSize, "разделы");
    ByteReader stream(word_document_, "свойства раздела");
    for (std::size_t i = 0; i < sed.data.size(); ++i) {
      const std::uint32_t fc_sepx = ByteReader(sed.data[i], "разделы").U32(2);
      document::Section section;
      if (fc_sepx != 0xFFFFFFFFu) {
        const auto cb = static_cast<std::int16_t>(stream.U16(fc_sepx));
        if (cb < 0) ThrowDamaged("свойства раздела");
        section.properties.assign(stream.Slice(fc_sepx + 2, static_cast<std::size_t>(cb)));
        sepx_regions_.push_back({fc_sepx, 2u + static_cast<std::uint32_t>(cb)});
      }
      document_.sections.push_back(std::move(section));
      source_->section_descriptors.push_back(sed.data[i]);
      // Every section but the last ends with a section mark.
      if (i + 1 < sed.data.size() && sed.cps[i + 1] > 0)
        section_ends_.push_back(sed.cps[i + 1] - 1);
    }
    if (document_.sections.empty()) document_.sections.emplace_back();
    std::sort(section_ends_.begin(), section_ends_.end());
  }

  void ReadProperties() {
    character_runs_ = ReadCharacterPages(Blob(fib_index::kPlcfBteChpx, "страницы свойств символов"),
                                         word_document_);
    paragraph_runs_ = ReadParagraphPages(Blob(fib_index::kPlcfBtePapx, "страницы свойств абзацев"),
                                         word_document_, source_->data);
  }

  const Piece& PieceAt(std::uint32_t cp) const {
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), cp,
                               [](std::uint32_t c, const Piece& p) { return c < p.cp_end; });
    if (it == pieces_.end()) return pieces_.back();
    return *it;
  }

  // Character format ids for the whole text, as (end, id) pairs.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> CharacterFormats() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> formats;
    for (const Piece& piece : pieces_) {
      const std::uint32_t step = piece.compressed ? 1 : 2;
      std::uint32_t cp = piece.cp_start;
      while (cp < piece.cp_end) {
        const std::uint32_t fc = piece.FcOf(cp);
        const FcRun* run = FindRun(character_runs_, fc);
        std::uint32_t end = piece.cp_end;
        std::string_view props;
        if (run != nullptr) {
          props = run->properties;
          const std::uint32_t run_chars = (run->fc_end - fc + step - 1) / step;
          end = std::min<std::uint32_t>(end, cp + std::max<std::uint32_t>(run_chars, 1));
        } else {
          // Up to the next run that starts inside the piece.
          auto next =
              std::upper_bound(character_runs_.begin(), character_runs_.end(), fc,
                               [](std::uint32_t f, const FcRun& r) { return f < r.fc_start; });
          if (next != character_runs_.end() && next->fc_start < piece.FcEnd()) {
            end = std::min<std::uint32_t>(
                end, cp + std::max<std::uint32_t>((next->fc_start - fc) / step, 1));
          }
        }
        std::uint32_t id;
        if (piece.character_sprms.empty()) {
          id = document_.character_properties.Intern(props);
        } else {
          id = document_.character_properties.Intern(std::string(props) + piece.character_sprms);
        }
        if (!formats.empty() && formats.back().second == id) {
          formats.back().first = end;
        } else {
          formats.emplace_back(end, id);
        }
        cp = end;
      }
    }
    return formats;
  }

  std::uint32_t ParagraphFormat(std::uint32_t mark_cp) {
    const Piece& piece = PieceAt(mark_cp);
    const FcRun* run = FindRun(paragraph_runs_, piece.FcOf(mark_cp));
    std::string raw =
        run != nullptr && run->properties.size() >= 2 ? run->properties : std::string(2, '\0');
    // A fast save's paragraph changes go after the paragraph's own; a
    // change of style changes the style index itself.
    document::SprmIterator it(piece.paragraph_sprms);
    while (auto s = it.Next()) {
      if (s->code == document::sprm::kPIstd) {
        const std::uint16_t istd = s->Word();
        raw[0] = static_cast<char>(istd & 0xFF);
        raw[1] = static_cast<char>(istd >> 8);
      } else {
        raw.append(piece.paragraph_sprms, s->offset, s->size);
      }
    }
    return document_.paragraph_properties.InternRaw(raw);
  }

  void BuildStories() {
    const Fib& fib = source_->fib;
    std::uint32_t start = 0;
    const auto formats = CharacterFormats();
    std::size_t format_index = 0;
    std::size_t section_index = 0;
    for (std::size_t part = 0; part < document::kStoryCount; ++part) {
      std::uint32_t length;
      if (part < kPartCount) {
        length = static_cast<std::uint32_t>(fib.PartLength(part));
        if (length > text_.size() - start) ThrowDamaged("длины частей текста больше самого текста");
      } else {
        length = static_cast<std::uint32_t>(text_.size()) - start;
      }
      Story& story = document_.stories[part];
      const std::uint32_t end = start + length;
      story.text = text_.substr(start, length);
      // Runs, cut at the ends of the part.
      while (format_index < formats.size() && formats[format_index].first <= start)
        ++format_index;
      std::uint32_t cp = start;
      for (std::size_t k = format_index; cp < end && k < formats.size(); ++k) {
        const std::uint32_t run_end = std::min(formats[k].first, end);
        if (run_end > cp) story.runs.push_back({run_end - start, formats[k].second, cp});
        cp = run_end;
      }
      // Paragraphs: ended by paragraph and cell marks, and by the section
      // marks where the section table says a section ends.
      for (std::uint32_t i = start; i < end; ++i) {
        const char16_t c = text_[i];
        bool section_end = false;
        if (part == 0) {
          while (section_index < section_ends_.size() && section_ends_[section_index] < i) {
            ++section_index;
          }
          section_end = section_index < section_ends_.size() && section_ends_[section_index] == i;
        }
        if (c == document::mark::kParagraph || c == document::mark::kCell || section_end) {
          story.paragraphs.push_back({i + 1 - start, ParagraphFormat(i), section_end});
        }
      }
      if (length > 0 && (story.paragraphs.empty() || story.paragraphs.back().end != length)) {
        story.paragraphs.push_back({length, ParagraphFormat(end - 1), false});
      }
      start = end;
    }
  }

  // Drawings keep their pictures in the WordDocument stream; the writer
  // keeps that stream (cleared of what it rewrites) so the offsets hold.
  void KeepDelayStream() {
    const Fib& fib = source_->fib;
    if (fib.Size(fib_index::kDggInfo) == 0) return;
    std::string stream = word_document_;
    auto clear = [&](std::size_t at, std::size_t length) {
      if (at >= stream.size()) return;
      length = std::min(length, stream.size() - at);
      std::fill_n(stream.begin() + static_cast<std::ptrdiff_t>(at), length, '\0');
    };
    clear(0, fib.bytes().size());
    for (const Piece& p : pieces_)
      clear(p.fc, p.FcEnd() - p.fc);
    for (const auto& [at, length] : sepx_regions_)
      clear(at, length);
    for (std::size_t index : {fib_index::kPlcfBteChpx, fib_index::kPlcfBtePapx}) {
      const std::string_view bin = Blob(index, "страницы свойств");
      if (bin.size() < 4 || (bin.size() - 4) % 8 != 0) continue;
      const std::size_t count = (bin.size() - 4) / 8;
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t pn = ByteReader(bin, "").U32((count + 1) * 4 + i * 4) & 0x3FFFFFu;
        clear(std::size_t{pn} * kPageSize, kPageSize);
      }
    }
    source_->delay_stream = std::move(stream);
  }

  std::unique_ptr<Word97Source> source_ = std::make_unique<Word97Source>();
  Document document_;
  std::string word_document_;
  std::vector<Piece> pieces_;
  std::u16string text_;
  std::vector<FcRun> character_runs_;
  std::vector<FcRun> paragraph_runs_;
  std::vector<std::uint32_t> section_ends_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sepx_regions_;
};

// The tree of the compound file; a file that is not one, or does not hold
// together, is refused as a Word file.
template <typename Read>
compound::Entry ReadTree(Read&& read) {
  try {
    return read();
  } catch (const compound::ReadError& e) {
    switch (e.Failure()) {
      case compound::ReadFailure::kUnreadable:
        throw ReadError(ReadFailure::kUnreadable, "не читается: " + e.Detail());
      case compound::ReadFailure::kNotCompound:
        throw ReadError(ReadFailure::kNotWord, "не является документом Word 97-2003");
      case compound::ReadFailure::kDamaged: break;
    }
    ThrowDamaged(e.Detail());
  }
}

}  // namespace

Document ReadDocument(const std::string& path) {
  return Reader(ReadTree([&] { return compound::ReadCompoundFile(path); })).Read();
}

Document ReadDocumentBytes(std::string_view bytes) {
  return Reader(ReadTree([&] { return compound::ReadCompoundBytes(bytes); })).Read();
}

Document ReadDocumentStreams(std::string_view word_document, std::string_view table,
                             std::string_view data) {
  compound::Entry root;
  root.is_storage = true;
  root.children.push_back(compound::Entry::Stream("WordDocument", std::string(word_document)));
  // Whichever table stream the header names, it is this one.
  root.children.push_back(compound::Entry::Stream("0Table", std::string(table)));
  root.children.push_back(compound::Entry::Stream("1Table", std::string(table)));
  if (!data.empty()) root.children.push_back(compound::Entry::Stream("Data", std::string(data)));
  return Reader(std::move(root)).Read();
}

}  // namespace quorlex::automation::word97
