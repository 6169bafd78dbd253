#pragma once

#include <stdexcept>
#include <string>

namespace quorlex {

// The error number of every refusal the converter raises itself. Failures
// of the components carry numbers of their own.
inline constexpr int kRefusalError = 514;

// The one exception type of the program. Each top-level handler traps it and
// writes its description to the run log, so the description is a complete,
// user-facing sentence (Russian for the program's own refusals).
class Error : public std::runtime_error {
 public:
  Error(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  int Number() const noexcept { return number_; }
  std::string Description() const { return what(); }

 private:
  int number_;
};

// Error numbers of the components, so that a trap can tell them apart.
namespace errors {
inline constexpr int kFile = 53;  // a file could not be read or written
inline constexpr int kInvalidArgument = 5;
inline constexpr int kRendering = 1004;    // the page could not be rendered
inline constexpr int kSpreadsheet = 1005;  // refused by the spreadsheet component
inline constexpr int kDocument = 1006;     // refused by the document component
inline constexpr int kFormat = 1007;       // a file in a format we cannot read
}  // namespace errors

}  // namespace quorlex
