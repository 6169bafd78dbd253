#pragma once

// What one conversion run hands to a converter. The window that owns the run
// (shell::Form1) is such a context; tests make their own. Converters see the
// run through it only, so they link no window and no toolkit.

#include <memory>
#include <string>
#include <string_view>

namespace quorlex::automation::browser {
class Browser;
}
namespace quorlex::automation::spreadsheet {
class Application;
}
namespace quorlex::automation::wordprocessor {
class Application;
}

namespace quorlex::conversion {

// Where a converter shows how far it has come: the window's progress box.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;

  // Replaces the text shown and repaints it at once.
  virtual void SetProgress(std::string_view text) = 0;
  // Adds a line below the text, repaints, and keeps the new line in view.
  virtual void AppendProgress(std::string_view text) = 0;
  // Adds the error description as a line and keeps it in view; the box is
  // not repainted for it.
  virtual void AppendError(std::string_view description) = 0;
};

// The conversion context of one run: its paths, its automation objects
// (each held by one reference, released when the run ends), where progress
// shows and where the run log goes.
class ConversionContext {
 public:
  ConversionContext() = default;
  virtual ~ConversionContext();
  ConversionContext(const ConversionContext&) = delete;
  ConversionContext& operator=(const ConversionContext&) = delete;

  std::string input_path;     // the input file; its bare name after identification
  std::string output_path;    // empty until a converter sets it
  std::string output_format;  // the "/f:" value, trimmed, case as typed
  std::shared_ptr<automation::browser::Browser> appIE;
  std::shared_ptr<automation::spreadsheet::Application> appExcel;
  std::shared_ptr<automation::wordprocessor::Application> appWord;

  // The directory that holds the settings file, and against which a
  // template directory given as "./..." is resolved.
  virtual std::string ProgramDirectory() const = 0;
  virtual ProgressSink& Progress() = 0;
  // Writes one line of the run log, as tools::WriteLog does.
  virtual void WriteLog(std::string_view text, bool with_time) = 0;
  // The run has failed: its exit status will say so.
  virtual void SetFailed() = 0;
  // Ends the run: the window goes away and the automation objects are
  // released. Only the first call has an effect.
  virtual void Unload() = 0;
};

}  // namespace quorlex::conversion
