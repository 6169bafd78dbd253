#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "automation/compound/entry.h"
#include "automation/document/document.h"
#include "automation/word97/fib.h"

namespace quorlex::automation::word97 {

// What a document read from a Word 97-2003 file keeps of that file, for the
// writer: every stream and storage the engine does not model, the table
// stream with the structures it does not model, and where the text of each
// part began, so that positions in those structures can be moved along with
// the text.
class Word97Source : public document::SourceFile {
 public:
  compound::Entry root;  // without the streams the writer makes anew
  Fib fib;
  std::string table;  // the table stream in effect
  std::string data;   // the data stream (pictures, large properties)
  // The WordDocument stream with the text, property pages, section
  // properties and header cleared: it still holds the pictures of drawing
  // objects at their offsets. Empty when the file has no drawings.
  std::string delay_stream;
  std::uint32_t cp_total = 0;                    // characters of the text, all parts together
  std::vector<std::string> section_descriptors;  // 12 bytes each, as read
};

}  // namespace quorlex::automation::word97
