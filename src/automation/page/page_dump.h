#pragma once

// A page model as indented text, one block a line, for tests and for
// looking at what a page gives.

#include <string>

#include "automation/page/page.h"

namespace quorlex::automation::page {

// Paragraphs as  P "text"  with [h2], [li 1.3] (level, number; * marks the
// item's first paragraph), [center]; a line break shows as "\n". Tables as
// T columns=N, rows as R, cells as C column=..., with their blocks below.
std::string DumpPage(const Page& page);

}  // namespace quorlex::automation::page
