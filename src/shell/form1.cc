#include "shell/form1.h"

#include "platform/error.h"
#include "platform/program.h"
#include "tools/run_log.h"
#include "tools/titles.h"

namespace quorlex::shell {

Form1::Form1() : display_factory_([] { return CreateDisplay(kCaption); }) {
  const auto repaint = [this](const TextBox& box) {
    if (visible_ && display_) display_->Repaint(box);
  };
  txtTitle.OnRepaint(repaint);
  txtProgress.OnRepaint(repaint);
}

Form1::~Form1() = default;

void Form1::SetVisible(bool visible) {
  visible_ = visible;
  if (visible_ && !display_ && display_factory_) display_ = display_factory_();
}

std::string Form1::ProgramDirectory() const { return platform::ProgramDirectory(); }

void Form1::WriteLog(std::string_view text, bool with_time) { tools::WriteLog(text, with_time); }

void Form1::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  Form_Unload();
  visible_ = false;
  display_.reset();
}

void Form1::Form_Unload() {
  try {
    if (tools::TitleCount > 0) {
      tools::Titles.clear();
      tools::Titles.shrink_to_fit();
    }
    appIE.reset();
    appExcel.reset();
    appWord.reset();
  } catch (const std::exception& e) {
    tools::WriteLog(std::string("ОШИБКА (Form_Unload) !  ") + e.what(), false);
  }
}

}  // namespace quorlex::shell
