#pragma once

#include <string>
#include <string_view>

namespace quorlex::platform {

// Reads "\" as "/", so that names and settings written for Windows work
// unchanged.
std::string ToSlashes(std::string_view path);

// `name` inside `directory` (a directory without a trailing separator, as
// the program directory is): "<directory>/<name>", or "/<name>" in the root.
std::string JoinPath(std::string_view directory, std::string_view name);

// Replaces the extension of the last path component: the part from its last
// "." to the end, unless a space follows that "." within the component. A
// component without such an extension gets the new one appended.
std::string RenameExtension(std::string_view path, std::string_view extension);

// The last path component: what follows the last "/"; without one, what
// follows a drive colon in the second place; otherwise the whole path.
std::string FileNamePart(std::string_view path);

}  // namespace quorlex::platform
