#include "automation/workbook/sqref.h"

#include <algorithm>

#include "automation/workbook/record.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get16;
using platform::Put16;

namespace {
constexpr std::size_t kRef8Size = 8;
}  // namespace

Area ReadRef8(const std::vector<std::uint8_t>& data, std::size_t at) {
  return Area{Get16(data, at), Get16(data, at + 2), Get16(data, at + 4), Get16(data, at + 6)};
}

void PutRef8(std::vector<std::uint8_t>& data, std::size_t at, const Area& area) {
  Put16(data, at, area.first_row);
  Put16(data, at + 2, area.last_row);
  Put16(data, at + 4, area.first_col);
  Put16(data, at + 6, area.last_col);
}

std::vector<Area> ReadSqref(const std::vector<std::uint8_t>& data, std::size_t at,
                            std::size_t* end) {
  std::vector<Area> areas;
  const std::size_t count = Get16(data, at);
  at += 2;
  for (std::size_t i = 0; i < count && at + kRef8Size <= data.size(); ++i, at += kRef8Size) {
    areas.push_back(ReadRef8(data, at));
  }
  if (end != nullptr) *end = std::min(at, data.size());
  return areas;
}

void AppendSqref(std::vector<std::uint8_t>& out, const std::vector<Area>& areas) {
  Append16(out, static_cast<std::uint32_t>(areas.size()));
  for (const Area& a : areas) {
    const std::size_t at = out.size();
    out.resize(at + kRef8Size);
    PutRef8(out, at, a);
  }
}

Area BoundingArea(const std::vector<Area>& areas) {
  if (areas.empty()) return {};
  Area box = areas.front();
  for (const Area& a : areas) {
    box.first_row = std::min(box.first_row, a.first_row);
    box.last_row = std::max(box.last_row, a.last_row);
    box.first_col = std::min(box.first_col, a.first_col);
    box.last_col = std::max(box.last_col, a.last_col);
  }
  return box;
}

}  // namespace quorlex::automation::workbook
