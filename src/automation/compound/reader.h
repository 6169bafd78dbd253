#pragma once

// Reading a compound file whole into memory. A damaged file is a ReadError,
// whatever its directory and length fields claim: the reader allocates no
// more than the file could hold and follows storages only so deep.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "automation/compound/entry.h"

namespace quorlex::automation::compound {

// True when the bytes start with the compound-file signature.
bool IsCompoundFile(std::span<const std::uint8_t> bytes);

// The root storage with everything below it, in directory order. Throws
// ReadError: kUnreadable (the file only), kNotCompound or kDamaged.
Entry ReadCompoundFile(const std::string& path);
Entry ReadCompoundBytes(std::string_view bytes);

}  // namespace quorlex::automation::compound
