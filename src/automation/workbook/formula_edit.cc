#include "automation/workbook/formula_edit.h"

#include <algorithm>

#include "automation/workbook/ptg.h"
#include "automation/workbook/ptg_rewrite.h"
#include "automation/workbook/record.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get16;
using platform::Put16;

namespace {

constexpr std::uint8_t k3dShift =
    ptg::kRef3d - ptg::kRef;  // PtgRef -> PtgRef3d, PtgArea -> PtgArea3d
constexpr std::uint16_t kColumnBits = 0x00FF;
constexpr std::uint16_t kFlagBits = ptg::kRowRelative | ptg::kColRelative;

// The shape of a reference token: where its rows and columns sit.
struct RefShape {
  bool area = false;
  bool three_d = false;
  bool relative_n = false;  // PtgRefN, PtgAreaN
  std::size_t loc = 0;      // offset of the first row field from the token's start

  std::size_t Ends() const { return area ? 2 : 1; }
  std::size_t Size() const { return loc + (area ? 8 : 4); }
  std::size_t RowAt(std::size_t k) const { return loc + 2 * k; }
  std::size_t ColAt(std::size_t k) const { return area ? loc + 4 + 2 * k : loc + 2; }
};

std::optional<RefShape> ShapeOf(std::uint8_t base) {
  switch (base) {
    case ptg::kRef: return RefShape{false, false, false, 1};
    case ptg::kArea: return RefShape{true, false, false, 1};
    case ptg::kRefN: return RefShape{false, false, true, 1};
    case ptg::kAreaN: return RefShape{true, false, true, 1};
    case ptg::kRef3d: return RefShape{false, true, false, 3};
    case ptg::kArea3d: return RefShape{true, true, false, 3};
    default: return std::nullopt;
  }
}

// The #REF! form of a reference token, same length, class kept.
std::uint8_t ErrorToken(std::uint8_t token, const RefShape& shape) {
  std::uint8_t base = shape.three_d ? (shape.area ? ptg::kAreaErr3d : ptg::kRefErr3d)
                                    : (shape.area ? ptg::kAreaErr : ptg::kRefErr);
  return static_cast<std::uint8_t>((base & 0x1F) | PtgClass(token));
}

class Editor {
 public:
  Editor(std::vector<std::uint8_t>& rgce, const FormulaSite& site, const RowEdit& edit,
         SheetIndex& sheets)
      : rgce_(rgce), site_(site), edit_(edit), sheets_(sheets) {}

  bool Run() {
    std::vector<std::pair<std::size_t, std::uint8_t>> refs;
    const bool parsed = ForEachPtg(rgce_, [&](std::size_t at, std::size_t, std::uint8_t base) {
      if (ShapeOf(base)) refs.emplace_back(at, base);
    });
    if (!parsed) return false;
    for (const auto& [at, base] : refs)
      Token(at, *ShapeOf(base));
    if (!grown_.empty()) rgce_ = ReplacePtgs(rgce_, grown_);
    return changed_;
  }

 private:
  void Token(std::size_t at, const RefShape& shape) {
    std::size_t sheet = site_.sheet;
    if (shape.three_d) {
      auto named = sheets_.SheetOf(Get16(rgce_, at + 1));
      if (!named) return;
      sheet = *named;
    }
    if (sheet == kNoSheet) return;
    std::uint32_t rows[2] = {0, 0};
    for (std::size_t k = 0; k < shape.Ends(); ++k) {
      const std::uint16_t raw = Get16(rgce_, at + shape.RowAt(k));
      const bool relative = (Get16(rgce_, at + shape.ColAt(k)) & ptg::kRowRelative) != 0;
      if (shape.relative_n && relative) {
        rows[k] = (site_.base_row + raw) & kLastFormulaRow;
      } else if (shape.three_d && site_.relative_offsets && relative) {
        return;  // an offset from wherever the name is used
      } else {
        rows[k] = raw;
      }
    }
    if (!shape.area) rows[1] = rows[0];
    if (rows[0] > rows[1]) return;
    const RowSpan before{sheet, rows[0], rows[1]};
    auto after = edit_.Apply(before, kLastFormulaRow);
    if (!after || after->last > kLastFormulaRow) {
      Lose(at, shape);
      return;
    }
    Rewrite(at, shape, before, *after);
  }

  // Writes the token of a reference that moved from `before` to `after`.
  void Rewrite(std::size_t at, const RefShape& shape, const RowSpan& before, const RowSpan& after) {
    std::vector<std::uint8_t> token(rgce_.begin() + static_cast<std::ptrdiff_t>(at),
                                    rgce_.begin() + static_cast<std::ptrdiff_t>(at + shape.Size()));
    for (std::size_t k = 0; k < shape.Ends(); ++k) {
      const std::uint16_t word = Get16(token, shape.ColAt(k));
      std::uint32_t row = k == 0 ? after.first : after.last;
      if (shape.relative_n && (word & ptg::kRowRelative) != 0)
        row = (row - site_.new_base_row) & kLastFormulaRow;
      Put16(token, shape.RowAt(k), row);
      if (shape.relative_n && (word & ptg::kColRelative) != 0 &&
          site_.base_col != site_.new_base_col) {
        // Another cell is now the one the offsets count from.
        const auto offset = static_cast<std::int8_t>(word & kColumnBits);
        const int col = (site_.base_col + offset) & kColumnBits;
        const int moved = (col - site_.new_base_col) & kColumnBits;
        Put16(token, shape.ColAt(k), static_cast<std::uint16_t>((word & kFlagBits) | moved));
      }
    }
    if (shape.three_d) {
      if (after.sheet != before.sheet) Put16(token, 1, sheets_.XtiOf(after.sheet));
    } else if (after.sheet != site_.new_sheet) {
      if (shape.relative_n || !site_.can_name_sheets) {
        Lose(at, shape);
        return;
      }
      // The reference now names another sheet: a 3-D token, two bytes longer.
      std::vector<std::uint8_t> three_d;
      three_d.push_back(static_cast<std::uint8_t>(token[0] + k3dShift));
      Append16(three_d, sheets_.XtiOf(after.sheet));
      three_d.insert(three_d.end(), token.begin() + 1, token.end());
      grown_.push_back({at, std::move(three_d)});
      changed_ = true;
      return;
    }
    if (!std::equal(token.begin(), token.end(), rgce_.begin() + static_cast<std::ptrdiff_t>(at))) {
      std::copy(token.begin(), token.end(), rgce_.begin() + static_cast<std::ptrdiff_t>(at));
      changed_ = true;
    }
  }

  void Lose(std::size_t at, const RefShape& shape) {
    rgce_[at] = ErrorToken(rgce_[at], shape);
    // The location of a lost reference means nothing; the sheet of a 3-D one stays.
    std::fill(rgce_.begin() + static_cast<std::ptrdiff_t>(at + shape.loc),
              rgce_.begin() + static_cast<std::ptrdiff_t>(at + shape.Size()), 0);
    changed_ = true;
  }

  std::vector<std::uint8_t>& rgce_;
  const FormulaSite& site_;
  const RowEdit& edit_;
  SheetIndex& sheets_;
  std::vector<PtgReplacement> grown_;
  bool changed_ = false;
};

bool IsSheetToken(std::uint8_t base) { return base >= ptg::kRef3d && base <= ptg::kAreaErr3d; }

}  // namespace

bool EditFormulaRows(std::vector<std::uint8_t>& rgce, const FormulaSite& site, const RowEdit& edit,
                     SheetIndex& sheets) {
  return Editor(rgce, site, edit, sheets).Run();
}

bool RetargetFormulaSheet(std::vector<std::uint8_t>& rgce, std::size_t from, std::size_t to,
                          SheetIndex& sheets) {
  std::vector<std::size_t> at;
  const bool parsed = ForEachPtg(rgce, [&](std::size_t a, std::size_t, std::uint8_t base) {
    if (IsSheetToken(base)) at.push_back(a);
  });
  if (!parsed) return false;
  bool changed = false;
  for (std::size_t a : at) {
    if (sheets.SheetOf(Get16(rgce, a + 1)) != from) continue;
    Put16(rgce, a + 1, sheets.XtiOf(to));
    changed = true;
  }
  return changed;
}

std::optional<std::vector<std::size_t>> FormulaSheets(const std::vector<std::uint8_t>& rgce,
                                                      const SheetIndex& sheets) {
  std::vector<std::size_t> out;
  bool whole = true;
  const bool parsed = ForEachPtg(rgce, [&](std::size_t at, std::size_t, std::uint8_t base) {
    if (!IsSheetToken(base)) return;
    auto sheet = sheets.SheetOf(Get16(rgce, at + 1));
    if (sheet) {
      out.push_back(*sheet);
    } else {
      whole = false;
    }
  });
  if (!parsed || !whole) return std::nullopt;
  return out;
}

}  // namespace quorlex::automation::workbook
