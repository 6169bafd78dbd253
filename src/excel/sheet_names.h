#pragma once

// Sheet names made from client names. A client's name is whatever the
// report's bank wrote: legal names run past 31 characters and may hold
// characters a sheet name may not, and a report must not fail for that.

#include <functional>
#include <string>
#include <string_view>

namespace quorlex::excel {

// Tells whether a sheet name is already taken, compared as the spreadsheet
// compares names (without regard to letter case).
using NameTaken = std::function<bool(const std::string& name)>;

// A valid sheet name made from `client`: ":", "\", "/", "?", "*", "[" and
// "]" become "_", apostrophes at either end are dropped, the rest is cut to
// 31 characters (UTF-16 code units, as the spreadsheet counts them), the
// reserved name "History" in any case gets "_" appended, and an empty name
// becomes "Клиент <position>". A name already taken gets " (2)", " (3)", ...
// within the 31 characters.
std::string ClientSheetName(std::string_view client, int position, const NameTaken& taken);

}  // namespace quorlex::excel
