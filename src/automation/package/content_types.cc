#include "automation/package/content_types.h"

#include "automation/package/part_name.h"
#include "automation/package/xml_reader.h"
#include "automation/package/xml_writer.h"
#include "platform/error.h"

namespace quorlex::automation::package {
namespace {

constexpr char kNamespace[] = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr char kPartName[] = "/[Content_Types].xml";

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

ContentTypes ContentTypes::Parse(std::string_view xml) {
  ContentTypes types;
  XmlReader reader(xml, kPartName);
  bool root_seen = false;
  while (reader.Next()) {
    if (!reader.IsStart()) continue;
    if (!root_seen) {
      if (!reader.Is(kNamespace, "Types")) reader.Fail("корневой элемент не Types");
      root_seen = true;
      continue;
    }
    if (reader.Is(kNamespace, "Default")) {
      auto extension = reader.Attribute("Extension");
      auto type = reader.Attribute("ContentType");
      if (!extension || !type) reader.Fail("элемент Default без Extension или ContentType");
      types.SetDefault(*extension, *type);
    } else if (reader.Is(kNamespace, "Override")) {
      auto part = reader.Attribute("PartName");
      auto type = reader.Attribute("ContentType");
      if (!part || !type || part->empty() || part->front() != '/') {
        reader.Fail("элемент Override без PartName или ContentType");
      }
      types.SetOverride(*part, *type);
    }
    reader.Skip();
  }
  if (!root_seen) reader.Fail("нет корневого элемента");
  return types;
}

std::string ContentTypes::Serialize() const {
  std::string out;
  XmlWriter w(out);
  w.StartDocument();
  w.Start("Types");
  w.Attribute("xmlns", kNamespace);
  for (const auto& [extension, type] : defaults_) {
    w.Start("Default");
    w.Attribute("Extension", extension);
    w.Attribute("ContentType", type);
    w.End();
  }
  for (const auto& [key, entry] : overrides_) {
    w.Start("Override");
    w.Attribute("PartName", entry.first);
    w.Attribute("ContentType", entry.second);
    w.End();
  }
  w.EndDocument();
  return out;
}

std::string ContentTypes::TypeOf(std::string_view part_name) const {
  auto found = overrides_.find(PartKey(part_name));
  if (found != overrides_.end()) return found->second.second;
  auto by_extension = defaults_.find(ExtensionOf(part_name));
  if (by_extension != defaults_.end()) return by_extension->second;
  return {};
}

bool ContentTypes::HasOverride(std::string_view part_name) const {
  return overrides_.contains(PartKey(part_name));
}

void ContentTypes::SetDefault(std::string_view extension, std::string_view type) {
  defaults_[LowerAscii(extension)] = std::string(type);
}

void ContentTypes::SetOverride(std::string_view part_name, std::string_view type) {
  overrides_[PartKey(part_name)] = {std::string(part_name), std::string(type)};
}

void ContentTypes::RemoveOverride(std::string_view part_name) {
  overrides_.erase(PartKey(part_name));
}

}  // namespace quorlex::automation::package
