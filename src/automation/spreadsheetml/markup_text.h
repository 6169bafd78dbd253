#pragma once

// Small edits of kept markup as text: finding an element or an attribute
// by its local name, editing the text of elements, and the five entities
// XML predefines. Markup here is what libxml2 wrote when the part was read
// (a start tag's attribute values hold no '>').

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quorlex::automation::spreadsheetml::markup {

// Text of markup with the five predefined entities read, and the reverse.
std::string Decoded(std::string_view text);
std::string Encoded(std::string_view text);

// Just past the '>' of the start tag at `at`.
std::size_t TagEnd(std::string_view xml, std::size_t at);
// Where the next element with local name `name` starts at or after `from`;
// npos when there is none.
std::size_t FindElement(std::string_view xml, std::string_view name, std::size_t from);
// Past the end of the element `name` starting at `at` (its start tag
// self-closed, or its end tag).
std::size_t ElementEnd(std::string_view xml, std::size_t at, std::string_view name);
// Where the value of an attribute of the start tag at `at` lies.
std::optional<std::pair<std::size_t, std::size_t>> FindAttribute(std::string_view xml,
                                                                 std::size_t at,
                                                                 std::string_view name);
// The text of each element `name` (between its tags) replaced by what
// `edit` returns for it; nullopt leaves it.
std::string EditElementTexts(
    const std::string& xml, std::string_view name,
    const std::function<std::optional<std::string>(std::string_view)>& edit);

// The value of attribute `attribute` of each element `element` replaced by
// what `edit` returns for it; nullopt leaves it.
std::string EditAttributes(std::string xml, std::string_view element, std::string_view attribute,
                           const std::function<std::optional<std::string>(std::string_view)>& edit);

}  // namespace quorlex::automation::spreadsheetml::markup
