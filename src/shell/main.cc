// quorlex: converts an XML report into an Excel or Word file.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/program.h"
#include "shell/dispatch.h"
#include "shell/form1.h"
#include "shell/start_up.h"
#include "shell/usage.h"

int main(int argc, char** argv) {
  using namespace quorlex::shell;
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

  Form1 form;
  Form_Load(form, arguments);
  RunMessageLoop(form);
  return static_cast<int>(form.Status());
}
