#pragma once

#include <memory>
#include <string>

#include "shell/display.h"

namespace quorlex::shell {

// Form1 as a real window: caption, fixed border without minimise and
// maximise buttons, centred, its own icon, and the two read-only text boxes.
// Nothing runs an event loop during a conversion, so every repaint draws at
// once.
class WindowDisplay final : public Display {
 public:
  // Nothing when no screen can be opened.
  static std::unique_ptr<WindowDisplay> Open(const std::string& caption);
  ~WindowDisplay() override;

  void Repaint(const TextBox& box) override;

 private:
  struct Widgets;
  explicit WindowDisplay(std::unique_ptr<Widgets> widgets);
  std::unique_ptr<Widgets> widgets_;
};

}  // namespace quorlex::shell
