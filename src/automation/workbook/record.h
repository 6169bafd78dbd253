#pragma once

// A BIFF record kept as it was read: its type and body. Records the engine
// does not model travel through a workbook in these, in their original order.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

// A BIFF record: its type and body.
struct Record {
  std::uint16_t type = 0;
  std::vector<std::uint8_t> data;

  bool operator==(const Record&) const = default;
};

// Reads the character of a BIFF8 string at `at`, two bytes when wide, one
// byte otherwise, and moves past it. False, and nothing read, where the body
// ends before it.
inline bool ReadStringChar(const std::vector<std::uint8_t>& d, std::size_t& at, bool wide,
                           std::u16string& chars) {
  if (wide) {
    if (at + 2 > d.size()) return false;
    chars.push_back(static_cast<char16_t>(platform::Get16(d, at)));
    at += 2;
  } else {
    if (at >= d.size()) return false;
    chars.push_back(static_cast<char16_t>(d[at]));
    at += 1;
  }
  return true;
}

}  // namespace quorlex::automation::workbook
