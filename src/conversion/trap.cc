#include "conversion/trap.h"

#include <new>
#include <string>

#include "platform/files.h"
#include "platform/interruption.h"

namespace quorlex::conversion {
namespace {

template <typename Step>
void Attempt(const Step& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

std::string FailureDescription(const std::exception& failure) {
  if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) return "Недостаточно памяти";
  return failure.what();
}

void Trap(ConversionContext& context, std::string_view converter, const std::exception& failure,
          std::initializer_list<std::function<void()>> release_steps) {
  const std::string description = FailureDescription(failure);
  Attempt([&] { context.Progress().AppendError(description); });
  context.WriteLog("ОШИБКА! (" + std::string(converter) + ") " + description, false);
  Attempt([&] {
    if (!context.output_path.empty() && platform::Exists(context.output_path)) {
      platform::DeleteFile(context.output_path);
    }
    // The path start-up registered for the run, should identification have
    // stopped before setting the output path.
    platform::RemoveRegisteredOutput();
  });
  for (const auto& step : release_steps)
    Attempt(step);
  context.SetFailed();
  context.Unload();
}

}  // namespace quorlex::conversion
