// Feeds arbitrary argument text through the start-up parsing: usage test,
// split at the switches, name resolution and display quoting.
#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  using namespace quorlex::shell;
  (void)IsUsageRequest(text);
  if (const auto s = SplitArguments(text)) {
    const std::string name = ResolveName(s->name, "/opt/quorlex");
    (void)DisplayName(name);
  }
  return 0;
}
