#pragma once

// The summary properties of a file made from a template, as Word and Excel
// give a new file its own: created and last saved when it was made and
// saved, revision 1, no editing time, nobody as the last to save it, and no
// page, word, character, line, paragraph or byte counts (absent rather than
// those of the template). Title, subject, author, company and the rest stay
// the template's.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorlex::automation::properties {

// Names of the two streams in the root of a compound file.
inline constexpr std::string_view kSummaryStream = "\x05SummaryInformation";
inline constexpr std::string_view kDocumentSummaryStream =
    "\x05"
    "DocumentSummaryInformation";

using Clock = std::chrono::system_clock;

// A point in time as a FILETIME (100-nanosecond intervals since 1601, UTC).
std::uint64_t Filetime(Clock::time_point when);

// The template's summary information stream made the new file's. An empty
// stream (the template had none) or one that does not hold together gives a
// stream of the new file's own properties alone.
std::string FreshSummary(std::string_view template_stream, Clock::time_point created,
                         Clock::time_point saved);

// The template's document summary information without its statistics; an
// empty stream stays empty, and one that does not hold together is dropped
// (empty).
std::string FreshDocumentSummary(std::string_view template_stream);

}  // namespace quorlex::automation::properties
