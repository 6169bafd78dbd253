#pragma once

#include <string>

#include "platform/error.h"
#include "shell/form1.h"

namespace quorlex::shell {

// The page is rendered: convert it in the requested format, then unload.
void appIE_DocumentComplete(Form1& form, const std::string& url);

// The page could not be rendered: log the failure and end the run.
void appIE_NavigateError(Form1& form, const Error& error);

// Delivers the browser's events until the form is unloaded. The form is
// unloaded in the end even if the browser has nothing more to deliver, so
// the program never waits for ever.
void RunMessageLoop(Form1& form);

}  // namespace quorlex::shell
