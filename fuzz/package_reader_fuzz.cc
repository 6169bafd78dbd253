// The Office Open XML package reader on arbitrary bytes: whatever it reads
// is written back and read again, and must give the same parts, content
// types and relationships. Malformed input must end in quorlex::Error; a
// crash, a hang or a huge allocation is a bug.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "automation/package/package.h"
#include "platform/error.h"

namespace {

using quorlex::automation::package::Package;

bool SameParts(const Package& a, const Package& b) {
  if (a.PartNames() != b.PartNames()) return false;
  for (const std::string& name : a.PartNames()) {
    if (a.Read(name) != b.Read(name) || a.ContentTypeOf(name) != b.ContentTypeOf(name))
      return false;
    const auto* ra = a.FindRelationships(name);
    const auto* rb = b.FindRelationships(name);
    const bool a_empty = ra == nullptr || ra->Empty();
    const bool b_empty = rb == nullptr || rb->Empty();
    if (a_empty != b_empty || (!a_empty && ra->All() != rb->All())) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quorlex::automation::package::Limits limits;
  limits.max_total_bytes = 64 << 20;
  limits.max_part_bytes = 32 << 20;
  try {
    const Package pkg = Package::FromBytes(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz", limits);
    try {
      (void)pkg.Targets(pkg.MainPart(), "urn:any");
    } catch (const quorlex::Error&) {
    }
    (void)pkg.Inconsistencies();
    bool typed = true;
    for (const std::string& name : pkg.PartNames())
      typed = typed && !pkg.ContentTypeOf(name).empty();
    if (!typed) return 0;  // saving refuses untyped parts, by design
    const Package again =
        Package::FromBytes(pkg.SaveToBytes({.compression_level = 1}), "again", limits);
    if (!SameParts(pkg, again)) std::abort();
  } catch (const quorlex::Error&) {
  }
  return 0;
}
