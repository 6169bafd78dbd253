// A stylesheet and a report through the real rendering into the page model,
// with the sandbox on: RenderReportPage must neither crash nor hang, and may
// only refuse with a description. The input is the stylesheet, a line
// "----", and the report; the report names the stylesheet unless it names
// one itself.
//
// Each rendering is bounded well inside libFuzzer's own limits (scripts/fuzz
// gives -timeout=10 and -rss_limit_mb=2048): one second for parsing and
// transforming, and 64 MB of libxml2 and libxslt memory, which bounds the
// result tree and so the page read from it.

#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <string_view>

#include "automation/browser/renderer.h"
#include "platform/error.h"

namespace {

namespace fs = std::filesystem;
namespace browser = quorlex::automation::browser;

constexpr std::string_view kSeparator = "\n----\n";
constexpr std::string_view kStylesheetInstruction =
    "<?xml-stylesheet type=\"text/xsl\" href=\"page.xsl\"?>";

// The files of the current input, in a directory of this process that goes
// when the process ends.
struct WorkDirectory {
  fs::path path = fs::temp_directory_path() / ("quorlex-render-fuzz-" + std::to_string(getpid()));
  WorkDirectory() { fs::create_directories(path); }
  ~WorkDirectory() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

const fs::path& Directory() {
  static const WorkDirectory directory;
  return directory.path;
}

void Write(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The report as the fuzzer gave it, naming the stylesheet after its XML
// declaration when it does not name one itself.
std::string Report(std::string_view report) {
  std::string xml(report);
  if (xml.find("xml-stylesheet") != std::string::npos) return xml;
  std::size_t at = 0;
  if (xml.rfind("<?xml ", 0) == 0) {
    const auto end = xml.find("?>");
    at = end == std::string::npos ? xml.size() : end + 2;
  }
  xml.insert(at, kStylesheetInstruction);
  return xml;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto separator = input.find(kSeparator);
  const std::string_view stylesheet = input.substr(0, separator);
  const std::string_view report =
      separator == std::string_view::npos ? "<r/>" : input.substr(separator + kSeparator.size());
  Write(Directory() / "page.xsl", stylesheet);
  const fs::path report_path = Directory() / "DAYRUR~1.xml";
  Write(report_path, Report(report));

  browser::RenderLimits limits;
  limits.time = std::chrono::seconds(1);
  limits.memory_bytes = std::size_t{64} << 20;
  try {
    (void)browser::RenderReportPage(report_path.string(), limits);
  } catch (const quorlex::Error&) {
    // A refusal with a description is a proper answer.
  } catch (const std::bad_alloc&) {
    // So is running out of memory: the program reports it as such.
  }
  return 0;
}
