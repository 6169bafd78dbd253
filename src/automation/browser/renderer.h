#pragma once

#include <string>

#include "automation/page/page.h"

namespace quorlex::automation::browser {

// Renders an XML report through the stylesheet its xml-stylesheet processing
// instruction names and returns the page as an HTML document in UTF-8.
//
// Stylesheets run sandboxed: they may read local files (imports, includes,
// document()) but never write files, create directories or reach the
// network; the XML parser fetches nothing from the network and bounds entity
// expansion. Any failure (unreadable XML, no stylesheet named, stylesheet
// missing or broken, a run-time error, a forbidden access) raises
// quorlex::Error with number errors::kRendering and a description for the
// run log.
std::string RenderReport(const std::string& xmlPath);

// The same rendering, read straight into the page model without writing the
// page out: what the browser keeps and copies.
page::Page RenderReportPage(const std::string& xmlPath);

}  // namespace quorlex::automation::browser
