// Formulas of a workbook package on arbitrary text: read into references,
// moved by a deletion, a cut to another sheet and a copy, and written
// again. Whatever the text, this must not crash, and text with no
// reference in it must come back unchanged.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "automation/spreadsheetml/formula_text.h"
#include "automation/workbook/sheet.h"

namespace {

using namespace quorlex::automation;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  workbook::Sheet first(workbook::SheetKind::kWorksheet, "Лист1");
  workbook::Sheet second(workbook::SheetKind::kWorksheet, "It's");
  workbook::Sheet copy(workbook::SheetKind::kWorksheet, "Лист1 (2)");
  const spreadsheetml::SheetKey sheets[] = {&first, &second, &copy};
  const auto named = [&](std::string_view name) -> spreadsheetml::SheetKey {
    for (spreadsheetml::SheetKey s : sheets) {
      if (s->Name() == name) return s;
    }
    return nullptr;
  };
  const spreadsheetml::SheetLookup lookup{
      [&](spreadsheetml::SheetKey s) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < 3; ++i) {
          if (sheets[i] == s) return i;
        }
        return std::nullopt;
      },
      [&](std::size_t i) { return sheets[i % 3]; }};
  const auto qualifier = [](spreadsheetml::SheetKey s) {
    return spreadsheetml::FormulaSheetName(s->Name());
  };
  auto formula = spreadsheetml::FormulaText::Parse(text, named);
  if (formula.Empty() && formula.Print(qualifier) != text) __builtin_trap();
  formula.EditRows(workbook::RowEdit::Deletion(0, 2, 3), 0, 0, lookup);
  formula.EditRows(workbook::RowEdit::Move(0, 0, 4, 1, 10), 0, 1, lookup, -1);
  formula.Retarget(&first, &copy);
  (void)formula.Print(qualifier);
  (void)spreadsheetml::ParseAreas(text);
  return 0;
}
