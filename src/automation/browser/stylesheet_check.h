#pragma once

// What libxslt lets pass in a stylesheet although XSLT 1.0 forbids it. A
// stylesheet whose version is 1.0 is not in forwards-compatible mode, so an
// element in the XSLT namespace that XSLT 1.0 does not define, an attribute
// an XSLT element does not define, or an attribute in the XSLT namespace
// that a literal result element may not carry is an error. libxslt only
// warns about them and drops the instruction, and the page would lose its
// data without a word. An element with another version (xsl:version on a
// literal result element, version on xsl:stylesheet) switches its subtree to
// forwards-compatible processing, where such things are ignored or fall
// back.

#include <libxml/tree.h>

#include <string>

namespace quorlex::automation::browser {

// What checking a stylesheet and its imports found.
struct StylesheetFindings {
  std::string problem;          // the first error found, for the run log; empty when none
  std::string file;             // the file holding it
  bool unescaped_text = false;  // some text is written with disable-output-escaping
};

// Checks the stylesheet (or simplified stylesheet) rooted at `root`, read
// from `file`, and records what it finds; a problem already recorded is kept.
void CheckStylesheet(const xmlNode* root, const std::string& file, StylesheetFindings& findings);

}  // namespace quorlex::automation::browser
