#pragma once

// Namespaces, relationship types and content types of WordprocessingML
// (ECMA-376, transitional) that the reader and writer name.

#include <string_view>

#include "automation/package/names.h"

namespace quorlex::automation::wordml {

namespace ns {
inline constexpr std::string_view kMain =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
using package::ns::kRelationships;
inline constexpr std::string_view kMarkupCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";
inline constexpr std::string_view kXml = "http://www.w3.org/XML/1998/namespace";
// Strict Open XML names its main namespace differently; such files are
// refused, not misread.
inline constexpr std::string_view kStrictMain = "http://purl.oclc.org/ooxml/wordprocessingml/main";
}  // namespace ns

namespace relationship {
using package::relationship::kOfficeDocument;
using package::relationship::kStrictOfficeDocument;
using package::relationship::kStyles;
inline constexpr std::string_view kFontTable =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/fontTable";
inline constexpr std::string_view kHeader =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/header";
inline constexpr std::string_view kFooter =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer";
using package::relationship::kCoreProperties;
using package::relationship::kExtendedProperties;
}  // namespace relationship

namespace content_type {
inline constexpr std::string_view kDocument =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
inline constexpr std::string_view kTemplate =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml";
inline constexpr std::string_view kMacroDocument =
    "application/vnd.ms-word.document.macroEnabled.main+xml";
inline constexpr std::string_view kMacroTemplate =
    "application/vnd.ms-word.template.macroEnabledTemplate.main+xml";
}  // namespace content_type

}  // namespace quorlex::automation::wordml
