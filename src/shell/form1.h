#pragma once

#include <functional>
#include <memory>
#include <string>

#include "conversion/context.h"
#include "shell/display.h"
#include "shell/text_box.h"

namespace quorlex::shell {

// How a run ends, as its exit status tells the program that started it.
enum class ExitStatus {
  kDone = 0,     // a conversion, or the usage text
  kFailed = 1,   // the conversion failed, or nothing was converted
  kRefused = 2,  // the command line was refused
};

// The program's one window. It owns the conversion context for the whole
// run and hands itself to the converter as that context; the automation
// objects are held by one reference each and released when the window is
// unloaded.
class Form1 final : public conversion::ConversionContext {
 public:
  using DisplayFactory = std::function<std::unique_ptr<Display>()>;

  Form1();
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  TextBox txtTitle{"txtTitle"};
  TextBox txtProgress{"txtProgress"};

  static constexpr const char* kCaption = "Конвертер XML-отчетов ВИРЕМ";

  void SetVisible(bool visible);
  bool Visible() const { return visible_; }

  // Destroys the window and runs Form_Unload, once: unloading a form that is
  // no longer loaded has no effect.
  void Unload() override;
  bool Loaded() const { return loaded_; }

  ExitStatus Status() const { return status_; }
  void SetStatus(ExitStatus status) { status_ = status; }

  // The conversion context's view of the window: the progress box, the run
  // log beside the program, the exit status.
  std::string ProgramDirectory() const override;
  conversion::ProgressSink& Progress() override { return progress_; }
  void WriteLog(std::string_view text, bool with_time) override;
  void SetFailed() override { SetStatus(ExitStatus::kFailed); }

  // Replaces the display used when the form becomes visible.
  void SetDisplayFactory(DisplayFactory factory) { display_factory_ = std::move(factory); }

 private:
  void Form_Unload();

  TextBoxProgress progress_{txtProgress};
  std::unique_ptr<Display> display_;
  DisplayFactory display_factory_;
  bool visible_ = false;
  bool loaded_ = true;
  ExitStatus status_ = ExitStatus::kDone;
};

}  // namespace quorlex::shell
