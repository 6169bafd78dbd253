#pragma once

// File functions the shell and the converters rely on.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorlex::platform {

// True for a readable regular file whose name does not mark it hidden (a
// leading "."). Directories, devices, sockets, unreadable files and names
// holding wildcards that match nothing literally are not ordinary files.
bool IsOrdinaryFile(const std::string& path);

// True when anything at all exists at path (following symbolic links).
bool Exists(const std::string& path);

// Removes the file; false when it could not be removed.
bool DeleteFile(const std::string& path);

// Appends bytes with one write on a descriptor opened for appending, so that
// lines written by concurrent processes never tear. False on any failure.
bool AppendToFile(const std::string& path, std::string_view bytes);

// The same, and when the disk takes only part of the bytes, the rest is
// written by further writes as far as the disk allows. Returns the number of
// bytes written.
std::size_t AppendAsFarAsPossible(const std::string& path, std::string_view bytes);

// The last `count` bytes of the file (fewer when it is shorter), or nothing
// when it cannot be read.
std::optional<std::string> ReadFileTail(const std::string& path, std::size_t count);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path);

}  // namespace quorlex::platform
