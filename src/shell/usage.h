#pragma once

#include <string>

namespace quorlex::shell {

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 0;

inline constexpr const char* kProductTitle =
    "Конвертер XML-отчетов ВИРЕМ в файлы формата MS-Excel и MS-Word";
inline constexpr const char* kCopyright = "(c) 2026 Разработчики quorlex";

// "версия 1.10": no point between minor and revision.
std::string VersionText();

// The usage text with CR LF line breaks, each line indented by its length
// difference to the title line.
std::string UsageText(const std::string& program_file_name);

// The line that --help and -h print after the usage text: every format "/f:"
// accepts.
std::string FormatsText();

}  // namespace quorlex::shell
