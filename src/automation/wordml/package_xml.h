#pragma once

// The package's own XML parts, content types and relationships, read into
// plain lists.

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::wordml {

struct Relationship {
  std::string id;
  std::string type;
  std::string target;
  bool external = false;
};

// The relationships part of a part ("word/document.xml" gives
// "word/_rels/document.xml.rels"), and the name a target refers to.
std::string RelationshipsPartOf(const std::string& part);
std::string ResolveTarget(const std::string& source_part, const std::string& target);
std::vector<Relationship> ReadRelationships(std::string_view bytes, const std::string& what);

// The content type of a part by the [Content_Types].xml rules: an override
// for its name, else the default for its extension.
std::string ContentTypeOf(std::string_view content_types, const std::string& part);
// The content types part with one part's type replaced and the overrides
// of removed parts left out.
std::string WithContentType(std::string_view content_types, const std::string& part,
                            std::string_view type, const std::set<std::string>& removed = {});

}  // namespace quorlex::automation::wordml
