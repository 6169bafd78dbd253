// The BIFF8 reader on arbitrary bytes: a compound file, or a bare workbook
// stream so that mutations reach the record parser directly. Whatever is
// read is written back and read again. Malformed input must end in
// quorlex::Error; anything else (a crash, another exception, a hang, a huge
// allocation) is a bug.

#include <cstddef>
#include <cstdint>
#include <span>

#include "automation/biff8/reader.h"
#include "automation/biff8/writer.h"
#include "automation/compound/reader.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  try {
    auto book = quorlex::automation::compound::IsCompoundFile(bytes)
                    ? quorlex::automation::biff8::ReadWorkbookBytes(bytes)
                    : quorlex::automation::biff8::ReadWorkbookStream(bytes);
    auto stream = quorlex::automation::biff8::WriteWorkbookStream(*book);
    quorlex::automation::biff8::ReadWorkbookStream(stream);
  } catch (const quorlex::Error&) {
  }
  return 0;
}
