#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "automation/page/page.h"

namespace quorlex::automation::browser {

// Bounds of one rendering.
struct RenderLimits {
  // Wall-clock time for parsing and transforming the report; 0: none.
  std::chrono::milliseconds time{0};
  // How the time bound is named in the message when it is passed.
  std::string time_name = "ограничение времени на разбор и преобразование отчета";
  // Memory libxml2 and libxslt may take for the rendering; 0: none.
  std::size_t memory_bytes = 0;
};

// Renders an XML report through the stylesheet its xml-stylesheet processing
// instruction names and returns the page as an HTML document in UTF-8.
//
// Stylesheets run sandboxed: they may read local regular files (imports,
// includes, document()) but never write files, create directories or reach
// the network; every file is read through one loader (local_files.h), XML
// catalogs are off, and the XML parser bounds entity expansion. A stylesheet
// of version 1.0 holding what XSLT 1.0 does not define, or one libxslt
// compiles with errors, is refused. Text written with
// disable-output-escaping is parsed as the HTML it stands for. Any failure
// (unreadable XML, no stylesheet named, stylesheet missing or broken, a
// run-time error, a forbidden access, a bound passed) raises quorlex::Error
// with number errors::kRendering and a description for the run log; when
// the libraries run out of memory the description is "Недостаточно памяти".
std::string RenderReport(const std::string& xml_path, const RenderLimits& limits = {});

// The same rendering, read straight into the page model without writing the
// page out: what the browser keeps and copies.
page::Page RenderReportPage(const std::string& xml_path, const RenderLimits& limits = {});

}  // namespace quorlex::automation::browser
