#include "automation/word97/fkp.h"

#include <algorithm>
#include <unordered_map>

#include "automation/document/sprm.h"
#include "automation/word97/byte_reader.h"
#include "automation/word97/word97_error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::word97 {

using platform::Append16;
using platform::Append32;
using platform::Put32;

namespace {

std::vector<std::uint32_t> ReadBinPages(std::string_view bin_table, const char* what) {
  ByteReader in(bin_table, what);
  if (bin_table.size() < 4 || (bin_table.size() - 4) % 8 != 0) ThrowDamaged(what);
  const std::size_t count = (bin_table.size() - 4) / 8;
  std::vector<std::uint32_t> pages;
  pages.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    pages.push_back(in.U32((count + 1) * 4 + i * 4) & 0x3FFFFFu);
  }
  // The same page listed twice would be read twice: a damaged table.
  std::vector<std::uint32_t> sorted = pages;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) ThrowDamaged(what);
  return pages;
}

void SortAndCheck(std::vector<FcRun>& runs) {
  std::stable_sort(runs.begin(), runs.end(),
                   [](const FcRun& a, const FcRun& b) { return a.fc_start < b.fc_start; });
}

// Replaces a reference to properties kept in the data stream by the
// properties themselves.
std::string ResolveHuge(std::string properties, std::string_view data_stream) {
  if (properties.size() < 2) return properties;
  const std::string_view list = std::string_view(properties).substr(2);
  auto huge = document::FindLast(list, document::sprm::kPHugePapx);
  if (!huge) return properties;
  ByteReader data(data_stream, "свойства абзаца в потоке данных");
  const std::uint32_t at = huge->Long();
  const auto cb = static_cast<std::int16_t>(data.U16(at));
  if (cb < 0) ThrowDamaged("свойства абзаца в потоке данных");
  std::string resolved = properties.substr(0, 2);
  resolved.append(list.substr(0, huge->offset));
  resolved.append(data.Slice(at + 2, static_cast<std::size_t>(cb)));
  resolved.append(list.substr(huge->offset + huge->size));
  return resolved;
}

// The runs of the formatted disk pages the bin table names. A page ends
// with its entry count; it starts with count + 1 stream offsets, then one
// entry of entry_size bytes a run, whose first byte is the word offset of
// the run's properties in the page (0: none), which `properties` reads.
template <typename ReadProperties>
std::vector<FcRun> ReadPages(std::string_view bin_table, std::string_view word_document,
                             const char* what, std::size_t entry_size,
                             ReadProperties&& properties) {
  ByteReader stream(word_document, what);
  std::vector<FcRun> runs;
  for (std::uint32_t pn : ReadBinPages(bin_table, what)) {
    const std::string_view page = stream.Slice(std::size_t{pn} * kPageSize, kPageSize);
    ByteReader in(page, what);
    const std::size_t count = in.U8(511);
    if ((count + 1) * 4 + count * entry_size > 511) ThrowDamaged(what);
    for (std::size_t i = 0; i < count; ++i) {
      FcRun run;
      run.fc_start = in.U32(i * 4);
      run.fc_end = in.U32((i + 1) * 4);
      if (run.fc_end <= run.fc_start) continue;
      const std::size_t offset = std::size_t{in.U8((count + 1) * 4 + i * entry_size)} * 2;
      if (offset != 0) run.properties = properties(in, offset);
      runs.push_back(std::move(run));
    }
  }
  SortAndCheck(runs);
  return runs;
}

}  // namespace

std::vector<FcRun> ReadCharacterPages(std::string_view bin_table, std::string_view word_document) {
  // An entry is the word offset of its property record: a byte count, then
  // the properties.
  return ReadPages(bin_table, word_document, "страницы свойств символов", 1,
                   [](const ByteReader& in, std::size_t offset) {
                     return std::string(in.Slice(offset + 1, in.U8(offset)));
                   });
}

std::vector<FcRun> ReadParagraphPages(std::string_view bin_table, std::string_view word_document,
                                      std::string_view data_stream) {
  // An entry is the word offset of its property record, then the
  // paragraph's height: the record is a size in words (or 0, and the size
  // in the next byte), then the properties.
  return ReadPages(bin_table, word_document, "страницы свойств абзацев", 13,
                   [&](const ByteReader& in, std::size_t offset) {
                     std::size_t cb = in.U8(offset);
                     std::size_t at = offset + 1;
                     if (cb == 0) {
                       cb = std::size_t{in.U8(at)} * 2;
                       at += 1;
                     } else {
                       cb = cb * 2 - 1;
                     }
                     return ResolveHuge(std::string(in.Slice(at, cb)), data_stream);
                   });
}

const FcRun* FindRun(const std::vector<FcRun>& runs, std::uint32_t fc) {
  auto it = std::upper_bound(runs.begin(), runs.end(), fc,
                             [](std::uint32_t f, const FcRun& r) { return f < r.fc_start; });
  if (it == runs.begin()) return nullptr;
  --it;
  return fc < it->fc_end ? &*it : nullptr;
}

namespace {

// Lays out one kind of page: a header that grows from the front (the
// stream offsets, then one slot per entry) and property records that grow
// from the back, shared between entries with equal properties.
class PageWriter {
 public:
  PageWriter(std::size_t slot_size, bool paragraph)
      : slot_size_(slot_size), paragraph_(paragraph) {}

  PageSet Write(std::uint32_t fc_start, const std::vector<FkpEntry>& entries, std::string* data,
                std::string& stream) {
    PageSet set;
    std::uint32_t fc = fc_start;
    std::size_t i = 0;
    std::string page(kPageSize, '\0');
    while (i < entries.size()) {
      std::fill(page.begin(), page.end(), '\0');
      placed_.clear();
      std::vector<std::uint32_t> fcs{fc};
      std::vector<std::uint8_t> slots;
      std::size_t records_start = 511;  // the count byte is last
      while (i < entries.size() && slots.size() < 255) {
        std::string_view props = entries[i].properties;
        if (paragraph_ && props.size() > kLargest) props = MovedToData(props, *data);
        const std::size_t header = (fcs.size() + 1) * 4 + (slots.size() + 1) * slot_size_;
        std::uint8_t slot = 0;
        std::size_t new_start = records_start;
        if (!props.empty() || paragraph_) {
          if (const std::uint8_t* found = Placed(props)) {
            slot = *found;
          } else {
            const std::size_t size = RecordSize(props);
            if (size > records_start) break;
            new_start = (records_start - size) & ~std::size_t{1};
            if (new_start < header) break;
            slot = static_cast<std::uint8_t>(new_start / 2);
          }
        }
        if (header > new_start) break;
        if (new_start != records_start) {
          WriteRecord(page, new_start, props);
          placed_.emplace_back(props, slot);
          records_start = new_start;
        }
        fc = entries[i].fc_end;
        fcs.push_back(fc);
        slots.push_back(slot);
        ++i;
      }
      if (slots.empty()) ThrowDamaged("свойства не помещаются на страницу");
      for (std::size_t k = 0; k < fcs.size(); ++k)
        Put32(page, k * 4, fcs[k]);
      for (std::size_t k = 0; k < slots.size(); ++k) {
        page[fcs.size() * 4 + k * slot_size_] = static_cast<char>(slots[k]);
      }
      page[511] = static_cast<char>(slots.size());
      set.first_fc.push_back(fcs.front());
      stream += page;
    }
    set.end_fc = fc;
    return set;
  }

 private:
  // Records already on the page. A page holds a handful of distinct ones,
  // and equal ones usually share their storage.
  const std::uint8_t* Placed(std::string_view props) const {
    for (const auto& [placed, slot] : placed_) {
      if ((placed.data() == props.data() && placed.size() == props.size()) || placed == props) {
        return &slot;
      }
    }
    return nullptr;
  }

  // The largest paragraph record kept on a page; larger ones go to the
  // data stream.
  static constexpr std::size_t kLargest = 480;

  std::size_t RecordSize(std::string_view props) const {
    if (!paragraph_) return 1 + std::min<std::size_t>(props.size(), 255);
    return (props.size() % 2 == 1 ? 1 : 2) + props.size();
  }

  void WriteRecord(std::string& page, std::size_t at, std::string_view props) const {
    if (!paragraph_) {
      const std::size_t n = std::min<std::size_t>(props.size(), 255);
      page[at] = static_cast<char>(n);
      page.replace(at + 1, n, props.substr(0, n));
      return;
    }
    if (props.size() % 2 == 1) {
      page[at] = static_cast<char>((props.size() + 1) / 2);
      page.replace(at + 1, props.size(), props);
    } else {
      page[at] = '\0';
      page[at + 1] = static_cast<char>(props.size() / 2);
      page.replace(at + 2, props.size(), props);
    }
  }

  // The page record for properties kept in the data stream; each distinct
  // list goes there once.
  std::string_view MovedToData(std::string_view props, std::string& data) {
    auto [it, added] = moved_.try_emplace(std::string(props));
    if (added) it->second = MoveToData(props, data);
    return it->second;
  }

  static std::string MoveToData(std::string_view props, std::string& data) {
    const auto at = static_cast<std::uint32_t>(data.size());
    const std::string_view list = props.substr(2);
    Append16(data, static_cast<std::uint16_t>(std::min<std::size_t>(list.size(), 0x7FFF)));
    data.append(list.substr(0, 0x7FFF));
    std::string record(props.substr(0, 2));
    Append16(record, document::sprm::kPHugePapx);
    Append32(record, at);
    return record;
  }

  std::size_t slot_size_;
  bool paragraph_;
  std::unordered_map<std::string, std::string> moved_;  // node-based: values stay put
  std::vector<std::pair<std::string_view, std::uint8_t>> placed_;
};

}  // namespace

PageSet WriteCharacterPages(std::uint32_t fc_start, const std::vector<FkpEntry>& entries,
                            std::string& stream) {
  return PageWriter(1, false).Write(fc_start, entries, nullptr, stream);
}

PageSet WriteParagraphPages(std::uint32_t fc_start, const std::vector<FkpEntry>& entries,
                            std::string& data, std::string& stream) {
  return PageWriter(13, true).Write(fc_start, entries, &data, stream);
}

std::string WriteBinTable(const PageSet& pages, std::uint32_t first_page) {
  std::string out;
  for (std::uint32_t fc : pages.first_fc)
    Append32(out, fc);
  Append32(out, pages.end_fc);
  for (std::size_t i = 0; i < pages.first_fc.size(); ++i) {
    Append32(out, first_page + static_cast<std::uint32_t>(i));
  }
  return out;
}

}  // namespace quorlex::automation::word97
