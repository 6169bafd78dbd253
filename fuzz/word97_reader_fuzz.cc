// The Word 97-2003 reader on arbitrary bytes: it must give a document or a
// quorlex::Error, never crash, hang or allocate by a length field's word.
// What it reads is written back and read again, so that the writer meets
// whatever the reader lets through.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "automation/word97/reader.h"
#include "automation/word97/writer.h"
#include "platform/error.h"

// libgsf leaks a directory entry or two when it gives up on a damaged
// compound file directory: a few hundred bytes per refused file in a
// library we do not build. Its stacks stop at glib's allocator (the
// library has no frame pointers), and nothing else here allocates through
// glib, so glib's allocations are the ones left out of leak reports.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgsf-1.so\nleak:libglib-2.0.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorlex::automation;
  try {
    const auto document =
        word97::ReadDocumentBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    document.Tables();
    const auto again = word97::ReadDocumentBytes(word97::WriteDocumentBytes(document));
    again.Tables();
  } catch (const quorlex::Error&) {
  }
  return 0;
}
