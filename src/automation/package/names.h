#pragma once

// Names of Office Open XML that every kind of package uses: the namespace
// of relationship ids and the relationship types of the package level and
// of parts common to workbooks and documents.

#include <string_view>

namespace quorlex::automation::package {

namespace ns {
inline constexpr std::string_view kRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
}  // namespace ns

namespace relationship {
inline constexpr std::string_view kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
// Strict Open XML names its relationships differently; such files are
// refused, not misread.
inline constexpr std::string_view kStrictOfficeDocument =
    "http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument";
inline constexpr std::string_view kStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view kCoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr std::string_view kExtendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
}  // namespace relationship

}  // namespace quorlex::automation::package
