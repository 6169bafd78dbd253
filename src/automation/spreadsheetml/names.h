#pragma once

// Namespaces, relationship types and content types of SpreadsheetML
// (ECMA-376, transitional) that the reader and writer name.

#include <string_view>

#include "automation/package/names.h"

namespace quorlex::automation::spreadsheetml {

namespace ns {
inline constexpr std::string_view kMain =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
using package::ns::kRelationships;
inline constexpr std::string_view kDrawingMain =
    "http://schemas.openxmlformats.org/drawingml/2006/main";
}  // namespace ns

namespace relationship {
using package::relationship::kOfficeDocument;
using package::relationship::kStrictOfficeDocument;
inline constexpr std::string_view kWorksheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr std::string_view kChartsheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet";
inline constexpr std::string_view kSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
using package::relationship::kStyles;
inline constexpr std::string_view kTheme =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";
inline constexpr std::string_view kComments =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments";
inline constexpr std::string_view kVmlDrawing =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/vmlDrawing";
inline constexpr std::string_view kDrawing =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
inline constexpr std::string_view kChart =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart";
inline constexpr std::string_view kTable =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/table";
using package::relationship::kExtendedProperties;
inline constexpr std::string_view kCalcChain =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain";
inline constexpr std::string_view kVbaProject =
    "http://schemas.microsoft.com/office/2006/relationships/vbaProject";
using package::relationship::kCoreProperties;
}  // namespace relationship

namespace content_type {
inline constexpr std::string_view kWorkbook =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr std::string_view kTemplate =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";
inline constexpr std::string_view kMacroWorkbook =
    "application/vnd.ms-excel.sheet.macroEnabled.main+xml";
inline constexpr std::string_view kMacroTemplate =
    "application/vnd.ms-excel.template.macroEnabled.main+xml";
inline constexpr std::string_view kWorksheet =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr std::string_view kSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
using package::relationship::kStyles;
inline constexpr std::string_view kComments =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml";
inline constexpr std::string_view kVmlDrawing =
    "application/vnd.openxmlformats-officedocument.vmlDrawing";
inline constexpr std::string_view kChart =
    "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
}  // namespace content_type

}  // namespace quorlex::automation::spreadsheetml
