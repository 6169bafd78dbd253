#pragma once

#include <optional>
#include <string>

#include "platform/error.h"
#include "shell/form1.h"

namespace quorlex::shell {

// The extension of the file the format converts to (trimmed and upper-cased
// "XLS", "DOC", "XLSX" or "DOCX"), or nothing when it names no conversion.
std::optional<std::string> OutputExtension(const std::string& format);

// From here on the run converts the input to a file with the extension:
// whatever ends it early (a rendering failure, exhausted memory, SIGTERM,
// SIGINT or SIGHUP) leaves no file at its output path, which is never the
// input. A signal also logs "ОШИБКА! Конвертация прервана сигналом <имя>".
void PrepareForFailure(const std::string& input_path, const std::string& extension);

// Ends a run that failed before or outside a converter: logs the line (an
// error line), removes the file at the output path, and unloads the form.
void FailRun(Form1& form, const std::string& line);

// The page is rendered: convert it in the requested format, then unload.
void appIE_DocumentComplete(Form1& form, const std::string& url);

// The page could not be rendered: log the failure and end the run.
void appIE_NavigateError(Form1& form, const Error& error);

// Delivers the browser's events until the form is unloaded. The form is
// unloaded in the end even if the browser has nothing more to deliver, so
// the program never waits for ever.
void RunMessageLoop(Form1& form);

}  // namespace quorlex::shell
