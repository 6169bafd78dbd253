#include "automation/package/part_name.h"

#include <vector>

namespace quorlex::automation::package {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::vector<std::string> Segments(std::string_view path) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string_view::npos) slash = path.size();
    out.emplace_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return out;
}

}  // namespace

std::string PartKey(std::string_view part_name) {
  std::string key;
  key.reserve(part_name.size());
  for (std::size_t i = 0; i < part_name.size(); ++i) {
    char c = part_name[i];
    if (c == '%' && i + 2 < part_name.size()) {
      const int hi = HexValue(part_name[i + 1]);
      const int lo = HexValue(part_name[i + 2]);
      if (hi >= 0 && lo >= 0) {
        const char decoded = static_cast<char>(hi * 16 + lo);
        // Only characters that need no escaping are decoded, so that "%2F"
        // never becomes a separator.
        const bool unreserved = (decoded >= 'A' && decoded <= 'Z') ||
                                (decoded >= 'a' && decoded <= 'z') ||
                                (decoded >= '0' && decoded <= '9') || decoded == '-' ||
                                decoded == '.' || decoded == '_' || decoded == '~' ||
                                static_cast<unsigned char>(decoded) >= 0x80 || decoded == ' ';
        if (unreserved) {
          key.push_back(LowerAscii(decoded));
          i += 2;
          continue;
        }
      }
    }
    key.push_back(LowerAscii(c));
  }
  return key;
}

std::string ResolveTarget(std::string_view source, std::string_view target) {
  const std::size_t cut = target.find_first_of("#?");
  if (cut != std::string_view::npos) target = target.substr(0, cut);
  std::vector<std::string> path;
  if (target.empty() || target.front() != '/') {
    path = Segments(FolderOf(source));
    path.pop_back();  // the empty segment after the folder's last "/"
  }
  for (const std::string& segment : Segments(target)) {
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (path.size() > 1) path.pop_back();
      continue;
    }
    path.push_back(segment);
  }
  std::string out;
  for (const std::string& segment : path) {
    if (segment.empty()) continue;
    out += "/" + segment;
  }
  return out.empty() ? "/" : out;
}

std::string RelativeTarget(std::string_view source, std::string_view target) {
  std::vector<std::string> from = Segments(FolderOf(source));
  from.pop_back();
  std::vector<std::string> to = Segments(target);
  // Both start with the empty segment of the root.
  std::size_t common = 0;
  while (common < from.size() && common + 1 < to.size() &&
         PartKey(from[common]) == PartKey(to[common])) {
    ++common;
  }
  std::string out;
  for (std::size_t i = common; i < from.size(); ++i)
    out += "../";
  for (std::size_t i = common; i < to.size(); ++i) {
    out += to[i];
    if (i + 1 < to.size()) out += "/";
  }
  return out;
}

std::string RelationshipsPartName(std::string_view source) {
  if (source.empty() || source == "/") return "/_rels/.rels";
  const std::size_t slash = source.rfind('/');
  return std::string(source.substr(0, slash + 1)) + "_rels/" +
         std::string(source.substr(slash + 1)) + ".rels";
}

std::string SourceOfRelationshipsPart(std::string_view rels_part) {
  const std::string key = PartKey(rels_part);
  if (key == "/_rels/.rels") return "/";
  constexpr std::string_view kFolder = "/_rels/";
  constexpr std::string_view kExtension = ".rels";
  const std::size_t slash = key.rfind('/');
  if (slash == std::string::npos || slash < kFolder.size() - 1) return {};
  if (key.compare(slash + 1 - kFolder.size(), kFolder.size(), kFolder) != 0) return {};
  if (key.size() <= slash + 1 + kExtension.size() ||
      key.compare(key.size() - kExtension.size(), kExtension.size(), kExtension) != 0) {
    return {};
  }
  const std::size_t folder_end = slash + 1 - kFolder.size();
  return std::string(rels_part.substr(0, folder_end + 1)) +
         std::string(rels_part.substr(slash + 1, rels_part.size() - slash - 1 - kExtension.size()));
}

std::string FolderOf(std::string_view part_name) {
  const std::size_t slash = part_name.rfind('/');
  if (slash == std::string_view::npos) return "/";
  return std::string(part_name.substr(0, slash + 1));
}

std::string ExtensionOf(std::string_view part_name) {
  const std::size_t slash = part_name.rfind('/');
  const std::size_t dot = part_name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(part_name.substr(dot + 1));
  for (char& c : ext)
    c = LowerAscii(c);
  return ext;
}

}  // namespace quorlex::automation::package
