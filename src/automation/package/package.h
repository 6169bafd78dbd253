#pragma once

// An Office Open XML package (ECMA-376 Part 2): the zip file behind .xlsx,
// .xltx, .docx and .dotx files, read through libzip into memory and written
// anew. The workbook and document engines read their parts from it and
// write theirs into it; every part they do not understand stays as it was.
//
//   Package pkg = Package::Open(template_path);       // whole, bounded
//   std::string main = pkg.MainPart();                // "/xl/workbook.xml"
//   const std::string& xml = pkg.Read(main);
//   for (const Relationship& r : pkg.RelationshipsOf(main).All()) {
//     if (!r.external) std::string part = ResolveTarget(main, r.target);
//   }
//   pkg.SetContentType(main, kWorkbookType);          // a template becomes a workbook
//   pkg.Write("/xl/worksheets/sheet2.xml", bytes, kWorksheetType);
//   pkg.WriteStreamed("/xl/worksheets/sheet1.xml", kWorksheetType, producer);
//   pkg.Save(output_path, {.compression_level = 1});  // temporary file renamed into place
//
// Part names are absolute ("/xl/workbook.xml") and compare without regard
// to ASCII case. [Content_Types].xml and the relationship parts are not
// parts here: they are the ContentTypes and Relationships objects, written
// from those at save. A part removed takes its relationships and its
// content-type override with it; relationships that point at it are the
// caller's to remove.
//
// Errors are quorlex::Error: errors::kFile when the file cannot be read or
// written, errors::kFormat when it is not a package, is damaged, or claims
// more than the limits below allow (a template may come from anywhere).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/package/content_types.h"
#include "automation/package/part_name.h"
#include "automation/package/relationships.h"

struct zip;  // libzip's archive

namespace quorlex::automation::package {

// What a package read from a file may claim. A part's size is its size
// unpacked; the ratio is unpacked to packed size, checked for parts over
// `ratio_grace_bytes`.
struct Limits {
  std::size_t max_entries = 10'000;
  std::uint64_t max_part_bytes = 256ull << 20;
  std::uint64_t max_total_bytes = 512ull << 20;
  std::uint64_t max_ratio = 100;
  std::uint64_t ratio_grace_bytes = 1ull << 20;
  std::size_t max_name_bytes = 1024;
};

// Produces a part's bytes piece by piece while the package is saved, so
// that a large part never exists as one string.
class PartProducer {
 public:
  virtual ~PartProducer() = default;
  // Starts (again) from the beginning.
  virtual void Start() = 0;
  // Appends the next piece to `out`; false, with nothing appended, once all
  // has been given. Errors thrown here fail the save.
  virtual bool Next(std::string& out) = 0;

  // A producer that deflates its bytes itself (raw deflate, as a zip entry
  // holds them; several threads can do that faster than the save) gives
  // what the entry records of them; Next() then gives the deflated bytes.
  // Asked before Start(), so a producer may do all its work here. Nothing
  // (the default): the package deflates what Next() gives.
  struct Deflated {
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0;             // before deflating
    std::uint64_t compressed_size = 0;  // as Next() gives it
  };
  virtual std::optional<Deflated> AlreadyDeflated() { return std::nullopt; }
};

// How a package is written.
struct SaveOptions {
  // zlib's deflate level, 1 (fastest) to 9 (smallest); 0 stores the parts
  // as they are.
  int compression_level = 6;
};

// An Office Open XML package: its parts, read from and written to a zip file.
class Package {
 public:
  Package();
  ~Package();
  Package(Package&&) noexcept;
  Package& operator=(Package&&) noexcept;

  // Reads the package at `path` whole. `path` names the file in errors.
  static Package Open(const std::string& path, const Limits& limits = {});
  // The same from bytes in memory (tests, fuzzing).
  static Package FromBytes(std::string_view bytes, const std::string& name,
                           const Limits& limits = {});

  // Parts in the order they were read or added, relationship parts and
  // [Content_Types].xml excluded.
  std::vector<std::string> PartNames() const;
  bool Has(std::string_view part_name) const;
  // The part's bytes; throws quorlex::Error (errors::kFormat) when missing.
  const std::string& Read(std::string_view part_name) const;
  // Adds or replaces a part; a non-empty `content_type` becomes its
  // override unless the extension's default already gives it.
  void Write(std::string_view part_name, std::string bytes, std::string_view content_type = {});
  // The same, with the bytes produced while saving.
  void WriteStreamed(std::string_view part_name, std::string_view content_type,
                     std::shared_ptr<PartProducer> producer);
  // Removes a part with its relationships and its override.
  void Remove(std::string_view part_name);
  // The first name of the pattern, with "#" standing for 1, 2, 3..., that no
  // part has ("/xl/worksheets/sheet#.xml").
  std::string FreeName(std::string_view pattern) const;

  ContentTypes& Types() { return types_; }
  const ContentTypes& Types() const { return types_; }
  std::string ContentTypeOf(std::string_view part_name) const { return types_.TypeOf(part_name); }
  void SetContentType(std::string_view part_name, std::string_view type);

  // The relationships of a part ("/" for the package's own); empty ones
  // are made on first use and not written while empty.
  Relationships& RelationshipsOf(std::string_view source);
  const Relationships* FindRelationships(std::string_view source) const;

  // The part the package's officeDocument relationship names.
  std::string MainPart() const;
  // The parts that `source` refers to by relationships of `type`, resolved.
  std::vector<std::string> Targets(std::string_view source, std::string_view type) const;

  // Problems that a consumer would reject: parts without a content type,
  // overrides of missing parts, internal relationships to missing parts.
  // Empty for a consistent package; Save refuses an inconsistent one.
  std::vector<std::string> Inconsistencies() const;

  // Writes the package to a temporary file beside `path` and renames it into
  // place; on failure nothing is left at `path` from this save.
  void Save(const std::string& path, const SaveOptions& options = {}) const;
  // The same into memory.
  std::string SaveToBytes(const SaveOptions& options = {}) const;

 private:
  // One part of the package, held or produced when written.
  struct Part {
    std::string name;
    std::string bytes;
    std::shared_ptr<PartProducer> producer;  // when set, the bytes come from it
  };

  Part& Put(std::string_view part_name, std::string bytes, std::string_view content_type);
  Part* FindPart(std::string_view part_name);
  const Part* FindPart(std::string_view part_name) const;
  void Load(::zip* archive, const std::string& name, const Limits& limits);
  // Adds every entry to `archive` and closes it (libzip writes it then);
  // the archive is freed either way.
  void Finish(::zip* archive, const SaveOptions& options) const;

  std::vector<Part> parts_;
  std::map<std::string, std::size_t> index_;  // part key -> position in parts_
  ContentTypes types_;
  std::map<std::string, std::pair<std::string, Relationships>>
      rels_;  // source key -> (source, rels)
};

}  // namespace quorlex::automation::package
