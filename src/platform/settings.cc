#include "platform/settings.h"

#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/text.h"

namespace quorlex::platform {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool HasNonAscii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

}  // namespace

std::string DecodeSettingsText(std::string_view bytes) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (platform::StartsWith(bytes, kBom)) return std::string(bytes.substr(kBom.size()));
  if (HasNonAscii(bytes) && platform::IsValidUtf8(bytes)) return std::string(bytes);
  return platform::Cp1251ToUtf8(bytes);
}

SettingsFile SettingsFile::Parse(std::string_view bytes) {
  const std::string decoded = DecodeSettingsText(bytes);
  const std::string_view all(decoded);
  SettingsFile file;
  Section* current = nullptr;
  std::size_t start = 0;
  while (start <= all.size()) {
    auto end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = all.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      if (close != std::string_view::npos) {
        file.sections_.push_back({platform::Upper(TrimBlanks(line.substr(1, close - 1))), {}});
        current = &file.sections_.back();
        continue;
      }
    }
    if (current != nullptr) current->lines.emplace_back(line);
  }
  return file;
}

SettingsFile SettingsFile::Load(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  const auto bytes = ReadFile(path);
  return bytes ? Parse(*bytes) : SettingsFile{};
}

const SettingsFile::Section* SettingsFile::Find(std::string_view section) const {
  const std::string wanted = platform::Upper(section);
  for (const auto& s : sections_) {
    if (s.name == wanted) return &s;
  }
  return nullptr;
}

std::vector<std::string> SettingsFile::SectionLines(std::string_view section) const {
  const Section* s = Find(section);
  return s != nullptr ? s->lines : std::vector<std::string>{};
}

std::optional<std::string> SettingsFile::Value(std::string_view section,
                                               std::string_view key) const {
  const Section* s = Find(section);
  if (s == nullptr) return std::nullopt;
  const std::string wanted = platform::Upper(key);
  for (const auto& line : s->lines) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (platform::Upper(TrimBlanks(std::string_view(line).substr(0, eq))) != wanted) continue;
    std::string_view value = TrimBlanks(std::string_view(line).substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::nullopt;
}

}  // namespace quorlex::platform
