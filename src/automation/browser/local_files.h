#pragma once

// The one way rendering reads a file. The report, its stylesheets, their
// imports and includes, documents read by document(), DTDs, external
// entities and anything else libxml2 or libxslt would open all come through
// here: a local regular file is read, anything else is refused. Nothing is
// fetched from the network, and a FIFO, a device or a directory is never
// opened for reading, so that rendering can neither block on one nor read
// without end.

#include <optional>
#include <string>

namespace quorlex::automation::browser {

// Why a reference cannot be read.
enum class LocalRefusal {
  kNone,
  kNetwork,     // a URL with a scheme other than file:
  kNotRegular,  // a FIFO, device, socket or directory
  kUnreadable,  // missing, or not readable
};

// The local path a reference names: a plain path, or a file: URL with its
// escapes undone. Nothing when the reference has another scheme.
std::optional<std::string> LocalPath(const std::string& reference);

// Opens the local regular file at path for reading without blocking on it.
// Returns the descriptor, or -1 with the reason in `refusal`.
int OpenLocalFile(const std::string& path, LocalRefusal& refusal);

// Reads the whole local regular file at path.
std::optional<std::string> ReadLocalFile(const std::string& path, LocalRefusal& refusal);

// Makes libxml2 open files only through OpenLocalFile: its own file,
// compressed-file and network readers are replaced, and XML catalogs are
// switched off, both their processing instructions and the system catalog.
// Called once, before any rendering.
void RouteLibraryInputThroughLocalFiles();

}  // namespace quorlex::automation::browser
