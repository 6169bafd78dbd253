#pragma once

// Part names of an Office Open XML package and the relationship arithmetic
// on them. A part name is absolute and "/"-separated ("/xl/workbook.xml");
// the zip entry holding it is the name without its leading "/". Names
// compare without regard to ASCII case, as the packaging rules require.

#include <string>
#include <string_view>

namespace quorlex::automation::package {

// The name a part is found by: ASCII-lower-cased, percent escapes of
// unreserved characters decoded.
std::string PartKey(std::string_view part_name);

// The part a relationship target names, seen from `source` (a part name, or
// "/" for the package's own relationships): "worksheets/sheet1.xml" from
// "/xl/workbook.xml" is "/xl/worksheets/sheet1.xml"; "../media/a.png" and
// absolute targets ("/xl/styles.xml") resolve as URIs do. A fragment or
// query is dropped. Segments that would climb above the root stay at it.
std::string ResolveTarget(std::string_view source, std::string_view target);

// The target by which `source` refers to part `target`: relative to the
// source's folder ("../drawings/drawing1.xml"), as Office writes them.
std::string RelativeTarget(std::string_view source, std::string_view target);

// The relationship part of `source`: "/xl/_rels/workbook.xml.rels", or
// "/_rels/.rels" for the package ("/").
std::string RelationshipsPartName(std::string_view source);

// The part whose relationships `rels_part` holds ("/" for "/_rels/.rels"),
// or empty when the name is not that of a relationship part.
std::string SourceOfRelationshipsPart(std::string_view rels_part);

// The folder ("/xl/worksheets/") and the extension ("xml", lower-cased) of a
// part name.
std::string FolderOf(std::string_view part_name);
std::string ExtensionOf(std::string_view part_name);

}  // namespace quorlex::automation::package
