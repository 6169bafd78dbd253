#include "automation/wordml/package_xml.h"

#include "automation/wordml/xml_io.h"
#include "platform/text.h"

namespace quorlex::automation::wordml {
namespace {

constexpr std::string_view kContentTypes =
    "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr std::string_view kRelationshipsNs =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// Part names compare without regard to ASCII case.
bool SameName(std::string_view a, std::string_view b) {
  return text::EqualsIgnoringAsciiCase(a, b);
}

std::string WithoutSlash(std::string name) {
  if (!name.empty() && name.front() == '/') name.erase(0, 1);
  return name;
}

}  // namespace

std::string RelationshipsPartOf(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

std::string ResolveTarget(const std::string& source_part, const std::string& target) {
  std::string path;
  if (!target.empty() && target.front() == '/') {
    path = target.substr(1);
  } else {
    const std::size_t slash = source_part.rfind('/');
    path = (slash == std::string::npos ? std::string() : source_part.substr(0, slash + 1)) + target;
  }
  // Dot segments.
  std::vector<std::string> segments;
  std::size_t from = 0;
  while (from <= path.size()) {
    const std::size_t to = std::min(path.find('/', from), path.size());
    const std::string segment = path.substr(from, to - from);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    from = to + 1;
  }
  std::string out;
  for (const std::string& s : segments) {
    if (!out.empty()) out += '/';
    out += s;
  }
  return out;
}

std::vector<Relationship> ReadRelationships(std::string_view bytes, const std::string& what) {
  std::vector<Relationship> result;
  XmlReader reader(bytes, what);
  while (reader.Read()) {
    if (reader.IsStart() && reader.Is(kRelationshipsNs, "Relationship")) {
      result.push_back(Relationship{reader.Attribute("", "Id"), reader.Attribute("", "Type"),
                                    reader.Attribute("", "Target"),
                                    reader.Attribute("", "TargetMode") == "External"});
    }
  }
  return result;
}

std::string ContentTypeOf(std::string_view content_types, const std::string& part) {
  XmlReader reader(content_types, "[Content_Types].xml");
  const std::size_t dot = part.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : part.substr(dot + 1);
  std::string by_default;
  while (reader.Read()) {
    if (!reader.IsStart()) continue;
    if (reader.Is(kContentTypes, "Override") &&
        SameName(WithoutSlash(reader.Attribute("", "PartName")), part)) {
      return reader.Attribute("", "ContentType");
    }
    if (reader.Is(kContentTypes, "Default") && by_default.empty() &&
        SameName(reader.Attribute("", "Extension"), extension)) {
      by_default = reader.Attribute("", "ContentType");
    }
  }
  return by_default;
}

std::string WithContentType(std::string_view content_types, const std::string& part,
                            std::string_view type, const std::set<std::string>& removed) {
  XmlReader reader(content_types, "[Content_Types].xml");
  return Fragment([&](XmlWriter& w) {
    w.Declaration();
    w.Start("Types");
    w.Attribute("xmlns", kContentTypes);
    bool overridden = false;
    while (reader.Read()) {
      if (!reader.IsStart()) continue;
      const bool is_default = reader.Is(kContentTypes, "Default");
      const bool is_override = reader.Is(kContentTypes, "Override");
      if (!is_default && !is_override) continue;
      if (is_override) {
        const std::string name = WithoutSlash(reader.Attribute("", "PartName"));
        bool gone = false;
        for (const std::string& r : removed) gone = gone || SameName(r, name);
        if (gone) continue;
      }
      w.Start(is_default ? "Default" : "Override");
      if (is_default) {
        w.Attribute("Extension", reader.Attribute("", "Extension"));
        w.Attribute("ContentType", reader.Attribute("", "ContentType"));
      } else {
        const std::string name = reader.Attribute("", "PartName");
        w.Attribute("PartName", name);
        if (SameName(WithoutSlash(name), part)) {
          w.Attribute("ContentType", type);
          overridden = true;
        } else {
          w.Attribute("ContentType", reader.Attribute("", "ContentType"));
        }
      }
      w.End();
    }
    if (!overridden) {
      w.Start("Override");
      w.Attribute("PartName", "/" + part);
      w.Attribute("ContentType", type);
      w.End();
    }
    w.End();
  });
}

}  // namespace quorlex::automation::wordml
