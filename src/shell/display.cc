#include "shell/display.h"

#include <cstdio>

#include "platform/text.h"
#include "shell/window_display.h"

namespace quorlex::shell {
namespace {

void PrintLines(std::string_view text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    out.append(text.substr(start, end - start));
    out.push_back('\n');
    start = end + 2;
  }
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void StderrDisplay::Repaint(const TextBox& box) {
  std::string& shown = box.Name() == "txtTitle" ? shown_title_ : shown_progress_;
  const std::string& now = box.Text();
  if (now == shown) return;
  if (!shown.empty() && platform::StartsWith(now, shown)) {
    std::string_view added = std::string_view(now).substr(shown.size());
    if (platform::StartsWith(added, "\r\n")) added.remove_prefix(2);
    PrintLines(added);
  } else {
    PrintLines(now);
  }
  shown = now;
}

std::unique_ptr<Display> CreateDisplay(const std::string& caption) {
  if (auto window = WindowDisplay::Open(caption)) return window;
  return std::make_unique<StderrDisplay>();
}

}  // namespace quorlex::shell
