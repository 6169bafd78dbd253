#include "automation/browser/local_files.h"

#include <fcntl.h>
#include <libxml/catalog.h>
#include <libxml/uri.h>
#include <libxml/xmlIO.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string_view>

namespace quorlex::automation::browser {
namespace {

struct XmlCharFree {
  void operator()(char* p) const { xmlFree(p); }
};

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// References reach us escaped as URIs ("a%20b.xml" for "a b.xml"); a file
// whose name really holds the escape is taken first.
std::string Unescaped(const std::string& path) {
  if (path.find('%') == std::string::npos) return path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return path;
  const std::unique_ptr<char, XmlCharFree> unescaped(
      xmlURIUnescapeString(path.c_str(), 0, nullptr));
  return unescaped ? std::string(unescaped.get()) : path;
}

// ---- libxml2's input callbacks --------------------------------------------
// The context libxml2 keeps for an open file is its descriptor plus one, so
// that descriptor 0 is not taken for a null context.

void* ContextOf(int fd) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(fd) + 1); }
int DescriptorOf(void* context) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(context) - 1);
}

int MatchEverything(const char*) { return 1; }

void* OpenForLibrary(const char* reference) {
  const auto path = LocalPath(reference != nullptr ? reference : "");
  if (!path) return nullptr;
  LocalRefusal refusal = LocalRefusal::kNone;
  const int fd = OpenLocalFile(*path, refusal);
  return fd < 0 ? nullptr : ContextOf(fd);
}

int ReadForLibrary(void* context, char* buffer, int length) {
  for (;;) {
    const ssize_t n = ::read(DescriptorOf(context), buffer, static_cast<std::size_t>(length));
    if (n < 0 && errno == EINTR) continue;
    return static_cast<int>(n);
  }
}

int CloseForLibrary(void* context) { return ::close(DescriptorOf(context)); }

}  // namespace

std::optional<std::string> LocalPath(const std::string& reference) {
  // A scheme is a letter followed by letters, digits, "+", "-" or "." and a
  // colon; one letter is a Windows drive, which names no network either.
  std::size_t colon = 0;
  while (colon < reference.size() &&
         (std::isalnum(static_cast<unsigned char>(reference[colon])) != 0 ||
          (colon > 0 &&
           (reference[colon] == '+' || reference[colon] == '-' || reference[colon] == '.')))) {
    ++colon;
  }
  const bool has_scheme = colon >= 2 && colon < reference.size() && reference[colon] == ':' &&
                          std::isalpha(static_cast<unsigned char>(reference[0])) != 0;
  if (!has_scheme) return Unescaped(reference);
  std::string scheme = reference.substr(0, colon);
  for (char& c : scheme)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (scheme != "file") return std::nullopt;
  std::string path = reference.substr(colon + 1);
  if (StartsWith(path, "//localhost/")) {
    path = path.substr(11);
  } else if (StartsWith(path, "///")) {
    path = path.substr(2);
  } else if (StartsWith(path, "//")) {
    return std::nullopt;  // a file on another host is on the network
  }
  return Unescaped(path);
}

int OpenLocalFile(const std::string& path, LocalRefusal& refusal) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    refusal = errno == ENXIO ? LocalRefusal::kNotRegular : LocalRefusal::kUnreadable;
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    refusal = LocalRefusal::kNotRegular;
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  refusal = LocalRefusal::kNone;
  return fd;
}

std::optional<std::string> ReadLocalFile(const std::string& path, LocalRefusal& refusal) {
  const int fd = OpenLocalFile(path, refusal);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  ::fstat(fd, &st);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      refusal = LocalRefusal::kUnreadable;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

void RouteLibraryInputThroughLocalFiles() {
  // A catalog could send a reference anywhere, the network included.
  xmlCatalogSetDefaults(XML_CATA_ALLOW_NONE);
  xmlCleanupInputCallbacks();
  xmlRegisterInputCallbacks(MatchEverything, OpenForLibrary, ReadForLibrary, CloseForLibrary);
}

}  // namespace quorlex::automation::browser
