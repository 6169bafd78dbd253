// Pastes a large report page (a table of 47,000 rows by 8 columns by
// default, the size of a 1,000-client daily report) into a document made
// from a template, deletes the first row of the first table and saves the
// document, as the document conversion does. Prints the time of each step
// and the peak memory of the process.
//
//   word_paste_bench TEMPLATE.doc OUTPUT.doc [ROWS] [COLUMNS]

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/page/page.h"
#include "automation/word97/reader.h"
#include "automation/word97/writer.h"
#include "automation/wordprocessor/page_paste.h"
#include "platform/error.h"

namespace {

using namespace quorlex::automation;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The values a bank's daily report holds, in the order of its columns.
std::string Value(std::size_t row, std::size_t column) {
  static const char* const kParties[] = {"ПАО «Ростелеком»", "ООО «Энергосбыт»",
                                         "АО «Мосводоканал»", "ИП Иванов Петр Сергеевич",
                                         "УФК по г. Москве (ИФНС России № 7)"};
  static const char* const kPurposes[] = {
      "Оплата по счету № 4711 от 12.11.2026. В т.ч. НДС 20% - 1 234-56 руб.",
      "Налог на доходы физических лиц за ноябрь 2026 г.",
      "Заработная плата за первую половину декабря 2026 г. Без НДС"};
  char buffer[64];
  switch (column % 8) {
    case 0: return std::to_string(row + 1);
    case 1: return "07.12.2026";
    case 2: std::snprintf(buffer, sizeof buffer, "%06zu", (row * 7919) % 1000000); return buffer;
    case 3: std::snprintf(buffer, sizeof buffer, "4070281%013zu", row * 104729); return buffer;
    case 4: return kParties[row % 5];
    case 5:
      std::snprintf(buffer, sizeof buffer, "%zu %03zu,%02zu", row % 900 + 1, row % 1000, row % 100);
      return buffer;
    case 6: return row % 3 == 0 ? "" : "12 500,00";
    default: return kPurposes[row % 3];
  }
}

// The page as the page parser would give it: one table with a header row,
// every cell a paragraph in thin borders.
page::Page ReportPage(std::size_t rows, std::size_t columns) {
  page::Page p;
  p.char_formats.resize(2);
  p.char_formats[1].bold = true;
  p.paragraph_formats.resize(1);
  page::TableCellFormat cell;
  cell.top = cell.bottom = cell.left = cell.right = {page::BorderStyle::kThin, page::kAutoColor};
  p.cell_formats = {page::TableCellFormat{}, cell};
  cell.background = 0xDDDDDD;
  cell.horizontal = page::HorizontalAlignment::kCenter;
  p.cell_formats.push_back(cell);
  p.table_formats.resize(1);
  p.runs.reserve(rows * columns);
  p.paragraphs.reserve(rows * columns + 1);
  p.cells.reserve(rows * columns);
  p.blocks.reserve(rows * columns + 2);
  for (std::size_t r = 0; r <= rows; ++r) {  // row 0 is the header
    page::Row row;
    row.first_cell = static_cast<std::uint32_t>(p.cells.size());
    row.header = r == 0;
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string text = r == 0 ? "Графа " + std::to_string(c + 1) : Value(r - 1, c);
      page::Cell out;
      out.column = static_cast<std::uint32_t>(c);
      out.format = r == 0 ? 2 : 1;
      out.first_block = static_cast<std::uint32_t>(p.blocks.size());
      if (!text.empty()) {
        page::Paragraph para;
        para.first_run = static_cast<std::uint32_t>(p.runs.size());
        para.run_count = 1;
        p.runs.push_back({static_cast<std::uint32_t>(p.text.size()),
                          static_cast<std::uint32_t>(text.size()), r == 0 ? 1u : 0u});
        p.text += text;
        p.blocks.push_back(
            {page::Block::Kind::kParagraph, static_cast<std::uint32_t>(p.paragraphs.size())});
        p.paragraphs.push_back(para);
        out.block_count = 1;
      }
      p.cells.push_back(out);
    }
    row.cell_count = static_cast<std::uint32_t>(columns);
    p.rows.push_back(row);
  }
  p.tables.push_back(
      {0, static_cast<std::uint32_t>(rows + 1), static_cast<std::uint32_t>(columns), 0});
  p.body_first_block = static_cast<std::uint32_t>(p.blocks.size());
  p.blocks.push_back({page::Block::Kind::kTable, 0});
  p.body_block_count = 1;
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s TEMPLATE.doc OUTPUT.doc [ROWS] [COLUMNS]\n", argv[0]);
    return 2;
  }
  const std::size_t rows = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 47000;
  const std::size_t columns = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 8;
  try {
    auto start = Clock::now();
    const page::Page page = ReportPage(rows, columns);
    const double build = Seconds(start);
    const long before = PeakKilobytes();

    const auto all = Clock::now();
    start = Clock::now();
    auto document = word97::ReadDocument(argv[1]);
    const double open = Seconds(start);
    start = Clock::now();
    wordprocessor::InsertPage(document, 0, page);
    const double paste = Seconds(start);
    start = Clock::now();
    document.DeleteRow(document::StoryKind::kMain, document.Tables().at(0), 0);
    const double remove = Seconds(start);
    start = Clock::now();
    word97::WriteDocument(document, argv[2]);
    const double save = Seconds(start);
    const double total = Seconds(all);

    struct stat info {};
    stat(argv[2], &info);
    std::printf("page: %zu rows x %zu columns, %zu bytes of text (model built in %.3f s)\n", rows,
                columns, page.text.size(), build);
    std::printf("open template %.3f s, paste %.3f s, delete row %.3f s, save %.3f s\n", open, paste,
                remove, save);
    std::printf(
        "total %.3f s; document %.1f MB; peak memory %.1f MB (%.1f MB with the page "
        "model alone)\n",
        total, static_cast<double>(info.st_size) / 1e6, static_cast<double>(PeakKilobytes()) / 1024,
        static_cast<double>(before) / 1024);
  } catch (const quorlex::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
