#pragma once

#include <functional>
#include <memory>
#include <string>

#include "shell/display.h"
#include "shell/text_box.h"

namespace quorlex::automation::browser {
class Browser;
}
namespace quorlex::automation::spreadsheet {
class Application;
}
namespace quorlex::automation::wordprocessor {
class Application;
}

namespace quorlex::shell {

// How a run ends, as its exit status tells the program that started it.
enum class ExitStatus {
  kDone = 0,      // a conversion, or the usage text
  kFailed = 1,    // the conversion failed, or nothing was converted
  kRefused = 2,   // the command line was refused
};

// The program's one window. It owns the conversion context for the whole
// run; the automation objects are held by one reference each and released
// when the window is unloaded.
class Form1 {
 public:
  using DisplayFactory = std::function<std::unique_ptr<Display>()>;

  Form1();
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Conversion context.
  std::string InputPath;     // the input file; its bare name after identification
  std::string OutputPath;    // empty until a converter sets it
  std::string OutputFormat;  // the "/f:" value, trimmed, case as typed
  std::shared_ptr<automation::browser::Browser> appIE;
  std::shared_ptr<automation::spreadsheet::Application> appExcel;
  std::shared_ptr<automation::wordprocessor::Application> appWord;

  TextBox txtTitle{"txtTitle"};
  TextBox txtProgress{"txtProgress"};

  static constexpr const char* kCaption = "Конвертер XML-отчетов ВИРЕМ";

  void SetVisible(bool visible);
  bool Visible() const { return visible_; }

  // Destroys the window and runs Form_Unload, once: unloading a form that is
  // no longer loaded has no effect.
  void Unload();
  bool Loaded() const { return loaded_; }

  ExitStatus Status() const { return status_; }
  void SetStatus(ExitStatus status) { status_ = status; }

  // Replaces the display used when the form becomes visible.
  void SetDisplayFactory(DisplayFactory factory) { display_factory_ = std::move(factory); }

 private:
  void Form_Unload();

  std::unique_ptr<Display> display_;
  DisplayFactory display_factory_;
  bool visible_ = false;
  bool loaded_ = true;
  ExitStatus status_ = ExitStatus::kDone;
};

}  // namespace quorlex::shell
