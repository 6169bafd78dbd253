#pragma once

#include <memory>
#include <string>

#include "automation/page/page.h"
#include "platform/error.h"

namespace quorlex::automation::clipboard {

// The clipboard is the process's own: the browser's copy puts the rendered
// page here and the office components' paste reads it back. No other
// program can change it in between.
class Clipboard {
 public:
  static constexpr const char* kEmpty = "Буфер обмена пуст: вставлять нечего";

  static Clipboard& Process();

  // The page as an HTML document in UTF-8 (head with its <style> rules, and
  // body); it is read into a page model when first pasted.
  void SetHtml(std::string html);
  // The page already read, as the browser holds it after rendering.
  void SetPage(std::shared_ptr<const page::Page> page);

  bool HasPage() const { return has_html_ || page_ != nullptr; }
  // The page to paste. An empty clipboard is refused with kEmpty, numbered
  // as the component that pastes numbers its refusals.
  const page::Page& Page(int refusal_number = errors::kInvalidArgument) const;
  void Clear();

 private:
  std::string html_;
  bool has_html_ = false;
  mutable std::shared_ptr<const page::Page> page_;
};

}  // namespace quorlex::automation::clipboard
