#pragma once

// A PLC: n+1 ascending character positions followed by n data elements of
// a fixed size, the i-th belonging to the span [cp[i], cp[i+1]).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::word97 {

// A PLC: character positions with one data element between each two.
struct Plc {
  std::vector<std::uint32_t> cps;
  std::vector<std::string> data;

  // Reads a PLC whose elements are element_size bytes long. Throws a
  // damaged-file error naming what when the size does not fit.
  static Plc Read(std::string_view bytes, std::size_t element_size, const char* what);
  std::string Write() const;
};

}  // namespace quorlex::automation::word97
