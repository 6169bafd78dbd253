#pragma once

// A conversion context for tests: it records the run log, the progress box
// and how the run ended, and finds its settings in a directory of its own.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "conversion/context.h"

namespace quorlex::conversion {

// A progress box kept as its text, as the window's box would hold it.
class RecordingProgress final : public ProgressSink {
 public:
  void SetProgress(std::string_view text) override {
    text_ = std::string(text);
    ++repaints_;
  }
  void AppendProgress(std::string_view text) override {
    text_ += "\r\n" + std::string(text);
    ++repaints_;
  }
  void AppendError(std::string_view description) override {
    text_ += "\r\n" + std::string(description);
  }

  const std::string& Text() const { return text_; }
  int Repaints() const { return repaints_; }

 private:
  std::string text_;
  int repaints_ = 0;
};

// The context of a run whose program directory is `directory`.
class RecordingContext final : public ConversionContext {
 public:
  explicit RecordingContext(std::string directory = "/nonexistent")
      : directory_(std::move(directory)) {}

  std::string ProgramDirectory() const override { return directory_; }
  ProgressSink& Progress() override { return progress_; }
  void WriteLog(std::string_view text, bool with_time) override {
    log_.push_back((with_time ? "[t] " : "") + std::string(text));
  }
  void SetFailed() override { failed_ = true; }
  void Unload() override {
    if (unloaded_) return;
    unloaded_ = true;
    appIE.reset();
    appExcel.reset();
    appWord.reset();
  }

  // Run-log lines, a time-stamped one prefixed "[t] ".
  const std::vector<std::string>& Log() const { return log_; }
  const RecordingProgress& ProgressBox() const { return progress_; }
  bool Failed() const { return failed_; }
  bool Unloaded() const { return unloaded_; }

 private:
  std::string directory_;
  RecordingProgress progress_;
  std::vector<std::string> log_;
  bool failed_ = false;
  bool unloaded_ = false;
};

}  // namespace quorlex::conversion
