#include "automation/workbook/ptg_rewrite.h"

#include <algorithm>

#include "automation/workbook/ptg.h"
#include "automation/workbook/record.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Get16;
using platform::Put16;

namespace {

struct Token {
  std::size_t at = 0;
  std::size_t size = 0;
  std::uint8_t base = 0;
  std::size_t new_at = 0;
  std::size_t new_size = 0;
};

// New offset of an old one: inside a token the distance from its start is
// kept (clamped to the new length); the end maps to the new end.
std::size_t MapOffset(const std::vector<Token>& tokens, std::size_t old_size, std::size_t new_size,
                      std::size_t at) {
  if (at >= old_size) return new_size + (at - old_size);
  auto it = std::upper_bound(tokens.begin(), tokens.end(), at,
                             [](std::size_t v, const Token& t) { return v < t.at; });
  const Token& t = *(it - 1);
  return t.new_at + std::min(at - t.at, t.new_size);
}

}  // namespace

std::vector<std::uint8_t> ReplacePtgs(std::span<const std::uint8_t> rgce,
                                      const std::vector<PtgReplacement>& replacements) {
  std::vector<Token> tokens;
  const bool parsed = ForEachPtg(rgce, [&](std::size_t at, std::size_t size, std::uint8_t base) {
    tokens.push_back({at, size, base, 0, size});
  });
  std::vector<std::uint8_t> old(rgce.begin(), rgce.end());
  if (!parsed || tokens.empty()) return old;

  std::vector<std::uint8_t> out;
  out.reserve(rgce.size() + 2 * replacements.size());
  auto next = replacements.begin();
  for (Token& t : tokens) {
    t.new_at = out.size();
    if (next != replacements.end() && next->at == t.at) {
      out.insert(out.end(), next->bytes.begin(), next->bytes.end());
      t.new_size = next->bytes.size();
      ++next;
    } else {
      out.insert(out.end(), rgce.begin() + static_cast<std::ptrdiff_t>(t.at),
                 rgce.begin() + static_cast<std::ptrdiff_t>(t.at + t.size));
    }
  }
  auto map = [&](std::size_t at) { return MapOffset(tokens, rgce.size(), out.size(), at); };
  // A distance counted from `origin` to `target` in the old formula, counted again in the new one.
  auto recount = [&](std::size_t field, std::size_t origin, std::size_t distance,
                     std::size_t extra) {
    const std::size_t target = origin + distance + extra;
    const std::size_t moved = map(target) - map(origin) - extra;
    Put16(out, map(field), static_cast<std::uint32_t>(moved));
  };
  for (const Token& t : tokens) {
    const std::size_t end = t.at + t.size;
    if (t.base == ptg::kAttr) {
      const std::uint8_t kind = rgce[t.at + 1];
      if ((kind & ptg::kAttrChoose) != 0) {
        // Offsets from the start of the jump table.
        const std::size_t cases = Get16(old, t.at + 2);
        const std::size_t table = t.at + 4;
        for (std::size_t k = 0; k <= cases; ++k)
          recount(table + 2 * k, table, Get16(old, table + 2 * k), 0);
      } else if ((kind & ptg::kAttrIf) != 0) {
        recount(t.at + 2, end, Get16(old, t.at + 2), 0);
      } else if ((kind & ptg::kAttrGoto) != 0) {
        // A skip counts one byte less than it jumps.
        recount(t.at + 2, end, Get16(old, t.at + 2), 1);
      }
    } else if (t.base == ptg::kMemArea || t.base == ptg::kMemErr || t.base == ptg::kMemNoMem) {
      recount(t.at + 5, end, Get16(old, t.at + 5), 0);
    } else if (t.base == ptg::kMemFunc) {
      recount(t.at + 1, end, Get16(old, t.at + 1), 0);
    }
  }
  return out;
}

}  // namespace quorlex::automation::workbook
