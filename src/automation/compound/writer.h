#pragma once

// Writing a compound file from a tree held in memory: every storage with its
// class identifier, every stream, in the tree's order.

#include <string>

#include "automation/compound/entry.h"

namespace quorlex::automation::compound {

// The compound file as bytes. Throws quorlex::Error (errors::kFile).
std::string WriteCompoundBytes(const Entry& root);

// Writes the compound file at path, through a temporary file beside it that
// takes the path's name only once complete. Throws quorlex::Error
// (errors::kFile); a failed write leaves no file behind and an existing one
// as it was.
void WriteCompoundFile(const Entry& root, const std::string& path);

}  // namespace quorlex::automation::compound
