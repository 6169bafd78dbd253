// The compound-file reader on arbitrary bytes: whatever it reads is written
// back and read again, and must give the same tree. Malformed input must end
// in quorlex::Error; a crash, a hang or a huge allocation is a bug.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "automation/compound/reader.h"
#include "automation/compound/writer.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace compound = quorlex::automation::compound;
  try {
    const compound::Entry tree =
        compound::ReadCompoundBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    const compound::Entry again = compound::ReadCompoundBytes(compound::WriteCompoundBytes(tree));
    if (!(again == tree)) std::abort();
  } catch (const quorlex::Error&) {
  }
  return 0;
}
