#pragma once

// Small pieces shared by the SpreadsheetML reader and writer: walking the
// children of an element, escaping text the way the parts need it, cell
// references, numbers.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "automation/package/xml_reader.h"

namespace quorlex::automation::spreadsheetml {

// Calls `each` on every child element of the current element; `each` may
// consume the child (Skip, ReadText, TakeOuterXml, ForEachChild) or leave it.
// Returns with the reader on the element's end.
void ForEachChild(package::XmlReader& reader, const std::function<void(package::XmlReader&)>& each);

// Text escaped for element content or an attribute value. Characters XML
// cannot hold (controls other than tab and line breaks) are written as
// SpreadsheetML's _xHHHH_ escapes, and a literal "_x" that would read as
// one is escaped itself.
void AppendEscaped(std::string& out, std::string_view text, bool attribute = false);
// The reverse of the _xHHHH_ escapes.
std::string Unescape(std::string_view text);

// "A1" notation, 0-based in.
void AppendCellName(std::string& out, std::uint32_t row, std::uint16_t col);
std::string ColumnName(std::uint16_t col);
// Parses "B12" (a "$" anywhere ignored); false when it is not a cell name
// within the sheet limits.
bool ParseCellName(std::string_view name, std::uint32_t& row, std::uint16_t& col);

// Shortest text that reads back as the same double.
void AppendNumber(std::string& out, double value);
std::optional<double> ParseNumber(std::string_view text);
// An attribute that is "1"/"true" (or absent, when `absent` says so).
bool Flag(const std::optional<std::string>& value, bool absent = false);
std::optional<long long> ParseInteger(std::string_view text);

// An element taken out of a part (XmlReader::TakeOuterXml) without the
// declaration of the default namespace that the part's root start tag
// already makes, so that it goes back under that root as it was written.
std::string TakeElement(package::XmlReader& reader, std::string_view root_start);

// The start tag of the current element as written, from its name and
// attributes.
std::string StartTag(const package::XmlReader& reader);

// The qualified name of an element's start tag as written ("<x:worksheet ..." ->
// "x:worksheet").
std::string QualifiedNameOf(std::string_view start_tag);

inline constexpr char kDeclaration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
// A part streamed to the package is handed over in pieces of about this size.
inline constexpr std::size_t kPieceBytes = 1 << 16;

// <t>text</t>, with xml:space="preserve" where spaces at its ends or runs
// of them would otherwise be lost.
void AppendTextElement(std::string& out, std::string_view text);

inline constexpr std::uint32_t kMaxRows = 1048576;
inline constexpr std::uint16_t kMaxColumns = 16384;
inline constexpr std::size_t kMaxCellChars = 32767;

}  // namespace quorlex::automation::spreadsheetml
