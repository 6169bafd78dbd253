#include "automation/word97/plc.h"

#include "automation/word97/byte_reader.h"
#include "automation/word97/word97_error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::word97 {

using platform::Append32;

Plc Plc::Read(std::string_view bytes, std::size_t element_size, const char* what) {
  Plc plc;
  if (bytes.empty()) return plc;
  if (bytes.size() < 4 || (bytes.size() - 4) % (4 + element_size) != 0) ThrowDamaged(what);
  const std::size_t n = (bytes.size() - 4) / (4 + element_size);
  ByteReader in(bytes, what);
  plc.cps.reserve(n + 1);
  for (std::size_t i = 0; i <= n; ++i)
    plc.cps.push_back(in.U32(i * 4));
  plc.data.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    plc.data.emplace_back(in.Slice((n + 1) * 4 + i * element_size, element_size));
  }
  return plc;
}

std::string Plc::Write() const {
  std::string out;
  if (cps.empty()) return out;
  for (std::uint32_t cp : cps)
    Append32(out, cp);
  for (const std::string& d : data)
    out += d;
  return out;
}

}  // namespace quorlex::automation::word97
