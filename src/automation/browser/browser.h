#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "automation/browser/renderer.h"
#include "automation/page/page.h"
#include "platform/error.h"

namespace quorlex::automation::browser {

// Browser commands the converters send, with the values callers of such a
// component use.
inline constexpr int OLECMDID_COPY = 12;
inline constexpr int OLECMDID_SELECTALL = 17;
inline constexpr int OLECMDEXECOPT_PROMPTUSER = 1;

// The browser object of a conversion (appIE). Navigation renders the report
// at once; its outcome, document-complete or a rendering failure, waits as
// one pending event until the program's message loop takes it, as a
// browser's events arrive after the call that started the load returned.
class Browser {
 public:
  using DocumentCompleteHandler = std::function<void(const std::string& url)>;
  using NavigateErrorHandler = std::function<void(const Error& error)>;
  using Event = std::function<void()>;

  void OnDocumentComplete(DocumentCompleteHandler handler);
  void OnNavigateError(NavigateErrorHandler handler);

  // Bounds of the renderings that Navigate starts.
  void SetRenderLimits(RenderLimits limits) { limits_ = std::move(limits); }

  void Navigate(const std::string& url);
  void SetVisible(bool visible) { visible_ = visible; }
  bool Visible() const { return visible_; }

  // The pending event, bound to its handler and to copies of what it needs,
  // so that it may run after this browser has been released.
  std::optional<Event> TakePendingEvent();

  // OLECMDID_SELECTALL selects the whole page; OLECMDID_COPY puts the
  // selection on the process clipboard. Raises an error when there is no
  // page, nothing is selected, or the command is unknown.
  void ExecWB(int command, int option);

 private:
  DocumentCompleteHandler on_complete_;
  NavigateErrorHandler on_error_;
  std::optional<Event> pending_;
  std::string url_;
  RenderLimits limits_;
  std::shared_ptr<const page::Page> page_;
  bool selected_ = false;
  bool visible_ = true;
};

}  // namespace quorlex::automation::browser
