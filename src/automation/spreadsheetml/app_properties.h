#pragma once

// The extended properties part of a workbook package lists the workbook's
// parts by kind (worksheets, charts, named ranges) with their titles;
// a workbook made from a template lists its own sheets and names, under
// the template's (possibly translated) headings.

#include <string>
#include <vector>

namespace quorlex::automation::spreadsheetml {

struct PartTitles {
  std::vector<std::string> worksheets;
  std::vector<std::string> charts;
  std::vector<std::string> names;
  bool template_had_charts = false;  // how the template's headings pair up
};

// `xml` with its HeadingPairs and TitlesOfParts made from `titles`; as it
// was when it has neither.
std::string WithPartTitles(const std::string& xml, const PartTitles& titles);

}  // namespace quorlex::automation::spreadsheetml
