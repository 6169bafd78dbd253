#pragma once

// The package's [Content_Types].xml: a content type for every extension
// (Default) and for single parts (Override).

#include <map>
#include <string>
#include <string_view>

namespace quorlex::automation::package {

// The [Content_Types].xml part: default and override content types.
class ContentTypes {
 public:
  // Throws quorlex::Error (errors::kFormat) on a malformed part.
  static ContentTypes Parse(std::string_view xml);
  std::string Serialize() const;

  // The part's override, else the default of its extension, else "".
  std::string TypeOf(std::string_view part_name) const;
  bool HasOverride(std::string_view part_name) const;

  void SetDefault(std::string_view extension, std::string_view type);
  void SetOverride(std::string_view part_name, std::string_view type);
  void RemoveOverride(std::string_view part_name);

  const std::map<std::string, std::string>& Defaults() const { return defaults_; }
  // By part key (see PartKey): the part name as written, and its type.
  const std::map<std::string, std::pair<std::string, std::string>>& Overrides() const {
    return overrides_;
  }

 private:
  std::map<std::string, std::string> defaults_;  // lower-cased extension -> type
  std::map<std::string, std::pair<std::string, std::string>> overrides_;
};

}  // namespace quorlex::automation::package
