// The Word 97-2003 reader on arbitrary bytes: it must give a document or a
// quorlex::Error, never crash, hang or allocate by a length field's word.
// What it reads is written back and read again, so that the writer meets
// whatever the reader lets through.
//
// Input is a compound file, or (so that mutations reach the Word structures
// without having to keep a compound file whole) the streams themselves: a
// 32-bit length and the WordDocument stream, a 32-bit length and the table
// stream, then the data stream.

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

namespace {

using namespace quorlex::automation;

std::string_view Take(std::string_view& input) {
  if (input.size() < 4) {
    const std::string_view all = input;
    input = {};
    return all;
  }
  std::size_t length = 0;
  for (int i = 3; i >= 0; --i) {
    length = length << 8 | static_cast<unsigned char>(input[static_cast<std::size_t>(i)]);
  }
  input.remove_prefix(4);
  length = std::min(length, input.size());
  const std::string_view part = input.substr(0, length);
  input.remove_prefix(length);
  return part;
}

document::Document Read(std::string_view input) {
  if (input.substr(0, 4) == "\xD0\xCF\x11\xE0") return word97::ReadDocumentBytes(input);
  const std::string_view main = Take(input);
  const std::string_view table = Take(input);
  return word97::ReadDocumentStreams(main, table, input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto document = Read(std::string_view(reinterpret_cast<const char*>(data), size));
    document.Tables();
    const auto again = word97::ReadDocumentBytes(word97::WriteDocumentBytes(document));
    again.Tables();
  } catch (const quorlex::Error&) {
  }
  return 0;
}
