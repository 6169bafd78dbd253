// quorlex: converts an XML report into an Excel or Word file.

#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/program.h"
#include "shell/dispatch.h"
#include "shell/form1.h"
#include "shell/start_up.h"
#include "shell/usage.h"

int main(int argc, char** argv) {
  using namespace quorlex::shell;
  quorlex::platform::TuneAllocatorForOneRun();
  const std::vector<std::string> arguments(argv + 1, argv + argc);

  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    Form1 form;
    Form_Load(form, {});
    std::printf("%s\n", FormatsText().c_str());
    return static_cast<int>(form.Status());
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    std::printf("%s %s\n", quorlex::platform::ProgramFileName().c_str(), VersionText().c_str());
    return 0;
  }

  // A file-size limit makes a write fail like a full disk, instead of ending
  // the process with a temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  Form1 form;
  try {
    Form_Load(form, arguments);
    RunMessageLoop(form);
  } catch (const std::bad_alloc&) {
    FailRun(form, "ОШИБКА! Недостаточно памяти");
  } catch (const std::exception& e) {
    FailRun(form, std::string("ОШИБКА! ") + e.what());
  }
  return static_cast<int>(form.Status());
}
