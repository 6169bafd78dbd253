#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "conversion/context.h"

namespace quorlex::shell {

// A read-only multi-line text box of Form1. No event loop runs during a
// conversion, so a change shows only when Refresh repaints the box.
class TextBox {
 public:
  using RepaintHandler = std::function<void(const TextBox&)>;

  explicit TextBox(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  // Adds to the end of the text, as setting it to the text and the addition
  // would; the length is kept up to date, so adding line after line costs
  // only the lines.
  void Append(std::string_view addition);
  // The text's length in characters.
  std::size_t Length() const { return length_; }

  // Caret position in characters; at the end keeps the newest line in view.
  std::size_t SelStart() const { return sel_start_; }
  void SetSelStart(std::size_t position) { sel_start_ = position; }

  void Refresh() const;
  void OnRepaint(RepaintHandler handler) { on_repaint_ = std::move(handler); }

 private:
  std::string name_;
  std::string text_;
  std::size_t length_ = 0;
  std::size_t sel_start_ = 0;
  RepaintHandler on_repaint_;
};

// A text box as the converters' progress sink.
class TextBoxProgress final : public conversion::ProgressSink {
 public:
  explicit TextBoxProgress(TextBox& box) : box_(box) {}

  void SetProgress(std::string_view text) override;
  void AppendProgress(std::string_view text) override;
  void AppendError(std::string_view description) override;

 private:
  TextBox& box_;
};

}  // namespace quorlex::shell
