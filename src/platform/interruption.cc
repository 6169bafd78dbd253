#include "platform/interruption.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace quorlex::platform {
namespace {

// Everything the handler reads lives in static storage of fixed size, written
// before the flag that makes it visible is set.
constexpr std::size_t kPathBytes = 4096;
constexpr std::size_t kMessageBytes = 512;
constexpr int kTemporarySlots = 8;
constexpr std::array<int, 3> kTerminationSignals = {SIGTERM, SIGINT, SIGHUP};

struct PathSlot {
  volatile sig_atomic_t used = 0;
  char path[kPathBytes] = {};
};

struct PreparedMessage {
  int signal = 0;
  std::size_t log_length = 0;
  std::size_t stderr_length = 0;
  char log[kMessageBytes] = {};
  char err[kMessageBytes] = {};
};

PathSlot output_slot;
PathSlot log_slot;
std::array<PathSlot, kTemporarySlots> temporary_slots;
std::array<PreparedMessage, kTerminationSignals.size()> prepared;

bool Store(PathSlot& slot, const std::string& path) {
  slot.used = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (path.empty() || path.size() >= kPathBytes) return false;
  std::memcpy(slot.path, path.c_str(), path.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  slot.used = 1;
  return true;
}

void WriteAll(int fd, const char* bytes, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, bytes, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    length -= static_cast<std::size_t>(written);
  }
}

extern "C" void OnTerminationSignal(int signal) {
  for (const PathSlot& slot : temporary_slots) {
    if (slot.used) ::unlink(slot.path);
  }
  if (output_slot.used) ::unlink(output_slot.path);
  for (const PreparedMessage& message : prepared) {
    if (message.signal != signal) continue;
    if (log_slot.used && message.log_length > 0) {
      const int fd = ::open(log_slot.path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
      if (fd >= 0) {
        WriteAll(fd, message.log, message.log_length);
        ::close(fd);
      }
    }
    WriteAll(STDERR_FILENO, message.err, message.stderr_length);
  }
  ::_exit(1);
}

void CopyMessage(const std::string& from, char* to, std::size_t& length) {
  length = from.size() < kMessageBytes ? from.size() : kMessageBytes;
  std::memcpy(to, from.data(), length);
}

}  // namespace

void ArmInterruption(const std::string& log_path, const std::string& output_path,
                     const std::vector<InterruptionMessage>& messages) {
  const SignalsHeld held;
  Store(log_slot, log_path);
  Store(output_slot, output_path);
  for (std::size_t i = 0; i < prepared.size(); ++i) {
    PreparedMessage& slot = prepared[i];
    slot = PreparedMessage{};
    if (i >= messages.size()) continue;
    slot.signal = messages[i].signal;
    CopyMessage(messages[i].log_bytes, slot.log, slot.log_length);
    CopyMessage(messages[i].stderr_bytes, slot.err, slot.stderr_length);
  }
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : kTerminationSignals)
    sigaddset(&action.sa_mask, signal);
  for (std::size_t i = 0; i < messages.size() && i < prepared.size(); ++i) {
    sigaction(messages[i].signal, &action, nullptr);
  }
}

std::string RegisteredOutputPath() { return output_slot.used ? output_slot.path : std::string(); }

bool RemoveRegisteredOutput() {
  if (!output_slot.used) return true;
  return ::unlink(output_slot.path) == 0 || errno == ENOENT;
}

bool TemporaryFileRegistration::Register(const std::string& path) {
  Release();
  for (std::size_t i = 0; i < temporary_slots.size(); ++i) {
    if (temporary_slots[i].used) continue;
    if (!Store(temporary_slots[i], path)) return false;
    slot_ = static_cast<int>(i);
    return true;
  }
  return false;
}

void TemporaryFileRegistration::Release() {
  if (slot_ < 0) return;
  temporary_slots[static_cast<std::size_t>(slot_)].used = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  slot_ = -1;
}

SignalsHeld::SignalsHeld() {
  sigset_t block;
  sigemptyset(&block);
  for (const int signal : kTerminationSignals)
    sigaddset(&block, signal);
  pthread_sigmask(SIG_BLOCK, &block, &saved_);
}

SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

}  // namespace quorlex::platform
