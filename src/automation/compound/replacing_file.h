#pragma once

// The compound-file writer saves through the platform's replacing file.

#include "platform/replacing_file.h"

namespace quorlex::automation::compound {

using platform::ReplacingFile;

}  // namespace quorlex::automation::compound
