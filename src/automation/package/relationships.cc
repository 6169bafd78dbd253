#include "automation/package/relationships.h"

#include <algorithm>

#include "automation/package/xml_reader.h"
#include "automation/package/xml_writer.h"
#include "platform/error.h"

namespace quorlex::automation::package {
namespace {

constexpr char kNamespace[] = "http://schemas.openxmlformats.org/package/2006/relationships";

}  // namespace

Relationships Relationships::Parse(std::string_view xml, const std::string& part_name) {
  Relationships rels;
  XmlReader reader(xml, part_name);
  bool root_seen = false;
  while (reader.Next()) {
    if (!reader.IsStart()) continue;
    if (!root_seen) {
      if (!reader.Is(kNamespace, "Relationships")) reader.Fail("корневой элемент не Relationships");
      root_seen = true;
      continue;
    }
    if (reader.Is(kNamespace, "Relationship")) {
      Relationship r;
      auto id = reader.Attribute("Id");
      auto type = reader.Attribute("Type");
      auto target = reader.Attribute("Target");
      if (!id || !type || !target || id->empty()) {
        reader.Fail("связь без Id, Type или Target");
      }
      r.id = *id;
      r.type = *type;
      r.target = *target;
      r.external = reader.Attribute("TargetMode").value_or("Internal") == "External";
      if (rels.ById(r.id) != nullptr) reader.Fail("две связи с Id " + r.id);
      rels.items_.push_back(std::move(r));
    }
    reader.Skip();
  }
  if (!root_seen) reader.Fail("нет корневого элемента");
  return rels;
}

std::string Relationships::Serialize() const {
  std::string out;
  XmlWriter w(out);
  w.StartDocument();
  w.Start("Relationships");
  w.Attribute("xmlns", kNamespace);
  for (const Relationship& r : items_) {
    w.Start("Relationship");
    w.Attribute("Id", r.id);
    w.Attribute("Type", r.type);
    w.Attribute("Target", r.target);
    if (r.external) w.Attribute("TargetMode", "External");
    w.End();
  }
  w.EndDocument();
  return out;
}

const Relationship* Relationships::ById(std::string_view id) const {
  auto it =
      std::find_if(items_.begin(), items_.end(), [&](const Relationship& r) { return r.id == id; });
  return it == items_.end() ? nullptr : &*it;
}

Relationship* Relationships::ById(std::string_view id) {
  auto it =
      std::find_if(items_.begin(), items_.end(), [&](const Relationship& r) { return r.id == id; });
  return it == items_.end() ? nullptr : &*it;
}

const Relationship* Relationships::FirstOfType(std::string_view type) const {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const Relationship& r) { return r.type == type; });
  return it == items_.end() ? nullptr : &*it;
}

std::string Relationships::Add(std::string_view type, std::string_view target, bool external) {
  std::string id;
  do {
    id = "rId" + std::to_string(next_number_++);
  } while (ById(id) != nullptr);
  items_.push_back({id, std::string(type), std::string(target), external});
  return id;
}

void Relationships::AddWithId(Relationship relationship) {
  if (ById(relationship.id) != nullptr) {
    throw Error(errors::kFormat, "Связь с Id " + relationship.id + " уже есть");
  }
  items_.push_back(std::move(relationship));
}

void Relationships::Remove(std::string_view id) {
  std::erase_if(items_, [&](const Relationship& r) { return r.id == id; });
}

}  // namespace quorlex::automation::package
