#include "automation/word97/file_properties.h"

#include <ctime>
#include <memory>
#include <string>

#include "automation/word97/source_file.h"

namespace quorlex::automation::word97 {

namespace {

// Fields of the DOP (Word 97 layout) that describe the file rather than
// the document's look.
namespace dop {
constexpr std::size_t kCreated = 0x14;      // DTTM
constexpr std::size_t kRevised = 0x18;      // DTTM
constexpr std::size_t kRevision = 0x20;     // 16 bits
constexpr std::size_t kEditMinutes = 0x22;  // 32 bits
constexpr std::size_t kWords = 0x26;        // 32 bits
constexpr std::size_t kCharacters = 0x2A;   // 32 bits
constexpr std::size_t kPages = 0x2E;        // 16 bits
constexpr std::size_t kParagraphs = 0x30;   // 32 bits
constexpr std::size_t kLines = 0x38;        // 32 bits
// The same counts for footnotes and endnotes, 0x3C to 0x4E.
constexpr std::size_t kNotesCountsFrom = 0x3C;
constexpr std::size_t kNotesCountsTo = 0x4E;
}  // namespace dop

void Put(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A DTTM: minutes, hours, day, month, year since 1900 and weekday, packed,
// in local time as Word keeps it.
std::uint32_t Dttm(properties::Clock::time_point when) {
  const std::time_t seconds = properties::Clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  return static_cast<std::uint32_t>(local.tm_min) |
         (static_cast<std::uint32_t>(local.tm_hour) << 6) |
         (static_cast<std::uint32_t>(local.tm_mday) << 11) |
         (static_cast<std::uint32_t>(local.tm_mon + 1) << 16) |
         (static_cast<std::uint32_t>(local.tm_year) << 20) |
         (static_cast<std::uint32_t>(local.tm_wday) << 29);
}

void SetStream(compound::Entry& root, std::string_view name, std::string bytes) {
  compound::Entry* stream = root.Find(name);
  if (bytes.empty()) {
    root.Remove(name);
  } else if (stream != nullptr && !stream->is_storage) {
    stream->data = std::move(bytes);
  } else if (stream == nullptr) {
    root.children.push_back(compound::Entry::Stream(std::string(name), std::move(bytes)));
  }
}

}  // namespace

void GiveNewFileProperties(document::Document& document, properties::Clock::time_point created,
                           properties::Clock::time_point saved) {
  const auto* source = dynamic_cast<const Word97Source*>(document.source.get());
  if (source == nullptr) return;
  auto fresh = std::make_shared<Word97Source>(*source);
  const compound::Entry* summary = fresh->root.Find(properties::kSummaryStream);
  const compound::Entry* more = fresh->root.Find(properties::kDocumentSummaryStream);
  SetStream(fresh->root, properties::kSummaryStream,
            properties::FreshSummary(summary == nullptr ? "" : summary->data, created, saved));
  SetStream(fresh->root, properties::kDocumentSummaryStream,
            properties::FreshDocumentSummary(more == nullptr ? "" : more->data));

  const std::size_t at = fresh->fib.Offset(fib_index::kDop);
  const std::size_t size = fresh->fib.Size(fib_index::kDop);
  if (size >= dop::kNotesCountsTo && at + size <= fresh->table.size()) {
    std::string& table = fresh->table;
    Put(table, at + dop::kCreated, Dttm(created), 4);
    Put(table, at + dop::kRevised, Dttm(saved), 4);
    Put(table, at + dop::kRevision, 1, 2);
    Put(table, at + dop::kEditMinutes, 0, 4);
    Put(table, at + dop::kWords, 0, 4);
    Put(table, at + dop::kCharacters, 0, 4);
    Put(table, at + dop::kPages, 0, 2);
    Put(table, at + dop::kParagraphs, 0, 4);
    Put(table, at + dop::kLines, 0, 4);
    for (std::size_t i = dop::kNotesCountsFrom; i < dop::kNotesCountsTo; ++i)
      table[at + i] = '\0';
  }
  document.source = std::move(fresh);
}

}  // namespace quorlex::automation::word97
