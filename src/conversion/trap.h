#pragma once

#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "conversion/context.h"

namespace quorlex::conversion {

// The error trap both converters end in when a step fails: the description
// is added to the progress box and written to the run log as
// "ОШИБКА! (<converter>) <description>" without a time stamp, any file at
// the output path is deleted, the converter's release steps run in order,
// and the run ends as failed. Each clean-up step runs even when one before it
// fails, so that the run always ends with its error line logged, no file
// left at the output path and the window unloaded.
void Trap(ConversionContext& context, std::string_view converter, const std::exception& failure,
          std::initializer_list<std::function<void()>> release_steps);

// What the run log says of a failure: its description, or the out-of-memory
// text for an allocation failure.
std::string FailureDescription(const std::exception& failure);

}  // namespace quorlex::conversion
