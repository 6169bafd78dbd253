#include "automation/properties/summary.h"

#include <optional>

#include "automation/properties/property_set.h"

namespace quorlex::automation::properties {

namespace {

// [MS-OLEPS] 2.25: the formats and the properties of the two sets.
constexpr FormatId kSummaryFormat = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                     0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr FormatId kDocumentSummaryFormat = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                             0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

namespace summary {
constexpr std::uint32_t kLastAuthor = 8;
constexpr std::uint32_t kRevision = 9;
constexpr std::uint32_t kEditTime = 10;
constexpr std::uint32_t kCreated = 12;
constexpr std::uint32_t kLastSaved = 13;
constexpr std::uint32_t kPages = 14;
constexpr std::uint32_t kWords = 15;
constexpr std::uint32_t kCharacters = 16;
}  // namespace summary

namespace document_summary {
constexpr std::uint32_t kBytes = 4;
constexpr std::uint32_t kLines = 5;
constexpr std::uint32_t kParagraphs = 6;
constexpr std::uint32_t kCharactersWithSpaces = 17;
}  // namespace document_summary

// Windows' code page of western European text: what a set of no strings
// but the revision number says it is in.
constexpr std::int16_t kDefaultCodePage = 1252;

// From 1601 to 1970, in 100-nanosecond intervals.
constexpr std::uint64_t kFiletimeOfUnixEpoch = 116444736000000000ull;

}  // namespace

std::uint64_t Filetime(Clock::time_point when) {
  const auto since_epoch =
      std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
  return kFiletimeOfUnixEpoch + static_cast<std::uint64_t>(since_epoch < 0 ? 0 : since_epoch) * 10u;
}

std::string FreshSummary(std::string_view template_stream, Clock::time_point created,
                         Clock::time_point saved) {
  std::optional<PropertySet> parsed = PropertySet::Parse(template_stream);
  if (!parsed || parsed->Format() != kSummaryFormat) {
    parsed.emplace(kSummaryFormat);
    parsed->SetInt16(kCodePageId, kDefaultCodePage);
  }
  PropertySet& set = *parsed;
  for (std::uint32_t id :
       {summary::kLastAuthor, summary::kPages, summary::kWords, summary::kCharacters})
    set.Remove(id);
  set.SetAsciiString(summary::kRevision, "1");
  set.SetFiletime(summary::kEditTime, 0);
  set.SetFiletime(summary::kCreated, Filetime(created));
  set.SetFiletime(summary::kLastSaved, Filetime(saved));
  return set.Serialize();
}

std::string FreshDocumentSummary(std::string_view template_stream) {
  if (template_stream.empty()) return {};
  std::optional<PropertySet> parsed = PropertySet::Parse(template_stream);
  if (!parsed || parsed->Format() != kDocumentSummaryFormat) return {};
  for (std::uint32_t id :
       {document_summary::kBytes, document_summary::kLines, document_summary::kParagraphs,
        document_summary::kCharactersWithSpaces}) {
    parsed->Remove(id);
  }
  return parsed->Serialize();
}

}  // namespace quorlex::automation::properties
