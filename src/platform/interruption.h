#pragma once

// What a run leaves behind when it fails or is ended from outside: nothing
// at its output path and no temporary file.
//
// The output path is registered once the run knows it will convert; files
// being written are registered while they exist under a temporary name.
// SIGTERM, SIGINT and SIGHUP then remove both, append a line prepared in
// advance to the run log, print a text prepared in advance on standard error
// and end the process with status 1. The handler does only what a signal
// handler may (unlink, open, write, close, _exit): every path and every byte
// it needs is stored beforehand.

#include <signal.h>

#include <string>
#include <vector>

namespace quorlex::platform {

// The prepared output of one signal.
struct InterruptionMessage {
  int signal = 0;
  std::string log_bytes;     // appended to the run log as they are
  std::string stderr_bytes;  // written to standard error as they are
};

// Registers the output path (an empty path registers none) and installs the
// handlers of the signals named in `messages`. Paths longer than the system
// allows are not registered. May be called again to replace the settings.
void ArmInterruption(const std::string& log_path, const std::string& output_path,
                     const std::vector<InterruptionMessage>& messages);

// The registered output path, or the empty text.
std::string RegisteredOutputPath();

// Removes the file at the registered output path (a failed run leaves no
// file there); the registration stays. True when nothing is left there.
bool RemoveRegisteredOutput();

// While one exists, a temporary file is removed when the run is interrupted.
// The registration and the file's creation or renaming happen with the
// signals held, so that no signal can fall between them.
class TemporaryFileRegistration {
 public:
  TemporaryFileRegistration() = default;
  ~TemporaryFileRegistration() { Release(); }
  TemporaryFileRegistration(const TemporaryFileRegistration&) = delete;
  TemporaryFileRegistration& operator=(const TemporaryFileRegistration&) = delete;

  // Registers the path; false when every slot is taken or it is too long.
  bool Register(const std::string& path);
  // Forgets the path (the file was renamed or removed).
  void Release();

 private:
  int slot_ = -1;
};

// Holds SIGTERM, SIGINT and SIGHUP for its lifetime; one that arrives
// meanwhile is handled when the holder ends.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_{};
};

}  // namespace quorlex::platform
