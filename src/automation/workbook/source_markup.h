#pragma once

// What the reader of a file format other than BIFF keeps of a workbook or
// of one of its sheets for the writer of that format: markup the engine
// does not model. The engine carries it along (a sheet copy shares its
// source's) without looking inside.

#include <memory>

namespace quorlex::automation::workbook {

// Markup of a file read that the engine carries along unread.
class SourceMarkup {
 public:
  virtual ~SourceMarkup() = default;
};

using SourceMarkupPtr = std::shared_ptr<const SourceMarkup>;

}  // namespace quorlex::automation::workbook
