#pragma once

#include <string>

namespace quorlex::automation {

// The clipboard is the process's own: the browser's copy puts the rendered
// page here and the office components' paste reads it back. No other
// program can change it in between.
class Clipboard {
 public:
  static Clipboard& Process();

  // The whole rendered page as an HTML document in UTF-8 (head with its
  // <style> rules, and body).
  void SetHtml(std::string html);
  bool HasHtml() const { return has_html_; }
  // Throws quorlex::Error when the clipboard holds no page.
  const std::string& Html() const;
  void Clear();

 private:
  std::string html_;
  bool has_html_ = false;
};

}  // namespace quorlex::automation
