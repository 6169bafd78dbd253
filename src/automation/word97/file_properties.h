#pragma once

// A document made from a template gets the properties of a new file, as Word
// gives them: the summary streams of the compound file (see
// automation/properties/summary.h) and the document's own copy of them in
// its document properties (DOP): created and revised at the given times,
// revision 1, no editing time, no statistics.

#include "automation/document/document.h"
#include "automation/properties/summary.h"

namespace quorlex::automation::word97 {

// Does nothing for a document not read from a Word 97-2003 file.
void GiveNewFileProperties(document::Document& document, properties::Clock::time_point created,
                           properties::Clock::time_point saved);

}  // namespace quorlex::automation::word97
