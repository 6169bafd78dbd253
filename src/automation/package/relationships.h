#pragma once

// One relationship part (".rels"): the relationships of a source part (or
// of the package) to its targets, in the order written.

#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::package {

// One <Relationship>: an id unique within its part, a type URI, and a target
// that is a URI relative to the source part, or an external address.
struct Relationship {
  std::string id;
  std::string type;
  std::string target;
  bool external = false;  // TargetMode="External"

  bool operator==(const Relationship&) const = default;
};

// The relationships of one part (a .rels part).
class Relationships {
 public:
  // Throws quorlex::Error (errors::kFormat) on a malformed part.
  static Relationships Parse(std::string_view xml, const std::string& part_name);
  std::string Serialize() const;

  bool Empty() const { return items_.empty(); }
  const std::vector<Relationship>& All() const { return items_; }
  std::vector<Relationship>& All() { return items_; }
  const Relationship* ById(std::string_view id) const;
  Relationship* ById(std::string_view id);
  // The first relationship of the type, or nullptr.
  const Relationship* FirstOfType(std::string_view type) const;

  // Adds a relationship under a fresh id ("rId<n>", numbered on from the
  // last one given) and returns the id.
  std::string Add(std::string_view type, std::string_view target, bool external = false);
  // Adds one with the given id, which must not be taken.
  void AddWithId(Relationship relationship);
  void Remove(std::string_view id);

 private:
  std::vector<Relationship> items_;
  std::size_t next_number_ = 1;
};

}  // namespace quorlex::automation::package
