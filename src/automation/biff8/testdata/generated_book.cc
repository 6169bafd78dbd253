#include "automation/biff8/testdata/generated_book.h"

namespace quorlex::automation::biff8 {

std::unique_ptr<workbook::Workbook> GeneratedBook() {
  using namespace workbook;
  auto book = Workbook::CreateBlank();
  Sheet& sheet = book->SheetAt(0);
  for (std::uint32_t r = 0; r < 200; ++r) {
    sheet.Cells().SetText(r, 0, "Клиент " + std::to_string(r));
    sheet.Cells().SetNumber(r, 1, r * 1.25);
    sheet.Cells().SetNumber(r, 2, -1e20 / (r + 1));
  }
  Styles& styles = book->Formats();
  std::uint16_t fmt = styles.InternFormat("#,##0.00000");
  std::uint16_t xf = styles.Derive(kDefaultXf, [&](Xf& x) {
    x.SetFormatIndex(fmt);
    x.SetBorder(Edge::kBottom, LineStyle::kThin, 64);
    x.SetFill(1, styles.ColorIndexFor(0x123456), 65);
    x.SetWrap(true);
  });
  for (std::uint32_t r = 0; r < 200; ++r)
    sheet.Cells().SetXf(r, 1, xf);
  sheet.Merges().push_back({0, 1, 3, 5});
  auto& note = sheet.Art().AddNote(39, 18, "quorlex");
  note.note->text = "В расчете итогового РРР участвуют только положительные РРР по сделкам";
  sheet.Art().AddNote(5, 2, "").note->text = "second";
  sheet.DeleteRows(2, 3);
  book->RenameSheet(0, "Данные");
  std::size_t copy = book->CopySheet(0, 0);
  book->CopySheetRows(0, 30, 60, copy);
  book->AppendSheet(std::make_unique<Sheet>(SheetKind::kWorksheet, "Пустой"));
  book->SheetAt(book->SheetCount() - 1).Items() = book->SheetAt(0).Items();
  book->SetActiveSheet(0);
  return book;
}

}  // namespace quorlex::automation::biff8
