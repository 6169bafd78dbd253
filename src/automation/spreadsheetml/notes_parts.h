#pragma once

// A sheet's notes as Excel writes them in a workbook package: the comments
// part, and the VML drawing of their boxes (a hidden note a hidden shape).

#include <cstddef>
#include <string>
#include <vector>

#include "automation/workbook/sheet.h"

namespace quorlex::automation::spreadsheetml {

// The sheet's notes, by row and column.
std::vector<const workbook::Shape*> NotesOf(const workbook::Sheet& sheet);
std::string CommentsXml(const std::vector<const workbook::Shape*>& notes);
// `block` numbers the drawing's shapes apart from other sheets'.
std::string VmlXml(const std::vector<const workbook::Shape*>& notes, std::size_t block);

}  // namespace quorlex::automation::spreadsheetml
