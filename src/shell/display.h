#pragma once

#include <memory>
#include <string>

#include "shell/text_box.h"

namespace quorlex::shell {

// What shows Form1 to a person while it is visible.
class Display {
 public:
  virtual ~Display() = default;
  virtual void Repaint(const TextBox& box) = 0;
};

// Without a screen, the boxes' texts go to standard error as lines: each
// repaint prints the lines the box did not show before.
class StderrDisplay final : public Display {
 public:
  void Repaint(const TextBox& box) override;

 private:
  std::string shown_title_;
  std::string shown_progress_;
};

// The display for a visible window with this caption: a real window when a
// screen can be opened, standard error otherwise.
std::unique_ptr<Display> CreateDisplay(const std::string& caption);

}  // namespace quorlex::shell
