#include "excel/sheet_names.h"

#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::excel {
namespace {

constexpr std::size_t kMaxSheetName = 31;  // UTF-16 code units

bool IsForbidden(char32_t c) {
  return c == U':' || c == U'\\' || c == U'/' || c == U'?' || c == U'*' || c == U'[' || c == U']';
}

std::string WithoutOuterApostrophes(std::string name) {
  const auto first = name.find_first_not_of('\'');
  if (first == std::string::npos) return {};
  const auto last = name.find_last_not_of('\'');
  return name.substr(first, last - first + 1);
}

// The longest start of `name` that takes at most `units` UTF-16 code units,
// never splitting a character.
std::string CutTo(std::string_view name, std::size_t units) {
  std::string cut;
  std::size_t used = 0;
  for (std::size_t i = 0; i < name.size();) {
    const char32_t c = platform::DecodeNext(name, i);
    const std::size_t width = c > 0xFFFF ? 2 : 1;
    if (used + width > units) break;
    used += width;
    platform::AppendUtf8(cut, c);
  }
  return cut;
}

}  // namespace

std::string ClientSheetName(std::string_view client, int position, const NameTaken& taken) {
  std::string name;
  for (std::size_t i = 0; i < client.size();) {
    const char32_t c = platform::DecodeNext(client, i);
    platform::AppendUtf8(name, IsForbidden(c) ? U'_' : c);
  }
  name = WithoutOuterApostrophes(std::move(name));
  // Cutting may bring an apostrophe to the end.
  name = WithoutOuterApostrophes(CutTo(name, kMaxSheetName));
  if (platform::Upper(name) == "HISTORY") name += "_";
  if (name.empty()) name = "Клиент " + std::to_string(position);
  if (!taken(name)) return name;
  for (int n = 2;; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    std::string numbered = CutTo(name, kMaxSheetName - suffix.size()) + suffix;
    if (!taken(numbered)) return numbered;
  }
}

}  // namespace quorlex::excel
