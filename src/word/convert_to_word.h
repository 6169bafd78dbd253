#pragma once

#include <optional>

#include "automation/wordprocessor/application.h"
#include "conversion/context.h"

namespace quorlex::word {

// What the document conversion writes: the extensions of the output and of
// the template it is made from, and the format given to SaveAs (none: the
// word processor's default).
struct DocumentFormat {
  const char* output_extension;
  const char* template_extension;
  std::optional<int> file_format;
};

// Word 97-2003 from <CODE>.doc; a Word document package (.docx) from
// <CODE>.dotx.
inline constexpr DocumentFormat kWord97{".doc", ".doc", std::nullopt};
inline constexpr DocumentFormat kWordXml{".docx", ".dotx",
                                         automation::wordprocessor::wdFormatXMLDocument};

// Turns the rendered page into a document saved at the output path, then
// ends the run. Every failure ends in the converter's trap.
void ConvertToWord(conversion::ConversionContext& context, const DocumentFormat& format = kWord97);

}  // namespace quorlex::word
