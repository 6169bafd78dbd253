// Paste and save of a long report page, beside xsltproc rendering the same
// report; memory of a large sheet; the per-client split primitive.
//
//   xls_paste_bench [rows]      (default 50,000 rows of 10 columns)
//
// Everything runs in one process run, so the figures compare like with like.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "automation/clipboard/clipboard.h"
#include "automation/page/grid.h"
#include "automation/page/page.h"
#include "automation/spreadsheet/application.h"
#include "automation/spreadsheet/page_paste.h"
#include "automation/workbook/workbook.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace ss = quorlex::automation::spreadsheet;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

long PeakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

std::string Account(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "40702810%012d", i);
  return buf;
}

std::string Amount(int i, int k) {
  long cents = (static_cast<long>(i) * 7919 + k * 104729) % 987654321;
  std::string whole = std::to_string(cents / 100);
  std::string grouped;
  for (std::size_t j = 0; j < whole.size(); ++j) {
    if (j > 0 && (whole.size() - j) % 3 == 0) grouped += ' ';
    grouped += whole[j];
  }
  char frac[8];
  std::snprintf(frac, sizeof frac, ",%02ld", cents % 100);
  return grouped + frac;
}

void WriteReport(const std::string& dir, int rows) {
  std::ofstream xml(dir + "/report.xml");
  xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<?xml-stylesheet type=\"text/xsl\" href=\"report.xsl\"?>\n<report title=\"Обороты по "
         "счетам\">\n";
  for (int i = 0; i < rows; ++i) {
    xml << "<op acc=\"" << Account(i) << "\" client=\"ООО Клиент " << (i % 997) << "\" date=\"0"
        << (1 + i % 9) << ".12.2026\">";
    for (int k = 0; k < 7; ++k)
      xml << "<a>" << Amount(i, k) << "</a>";
    xml << "</op>\n";
  }
  xml << "</report>\n";
  std::ofstream xsl(dir + "/report.xsl");
  xsl << R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/report">
<html><head><style>
td { border: 1px solid black; font-family: Arial; font-size: 9pt }
td.n { text-align: right }
th { background-color: #C0C0C0; font-weight: bold }
.acc { mso-number-format: "\@" }
</style></head><body>
<h1><xsl:value-of select="@title"/></h1>
<table>
<tr><th>Счёт</th><th>Клиент</th><th>Дата</th><th>A1</th><th>A2</th><th>A3</th><th>A4</th><th>A5</th><th>A6</th><th>A7</th></tr>
<xsl:for-each select="op">
<tr><td class="acc"><xsl:value-of select="@acc"/></td><td><xsl:value-of select="@client"/></td><td><xsl:value-of select="@date"/></td>
<xsl:for-each select="a"><td class="n"><xsl:value-of select="."/></td></xsl:for-each></tr>
</xsl:for-each>
</table></body></html>
</xsl:template>
</xsl:stylesheet>
)";
}

// Runs xsltproc; returns seconds and its peak memory in KB.
std::pair<double, long> RunXsltproc(const std::string& dir) {
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    std::string out = dir + "/page.html";
    execlp("xsltproc", "xsltproc", "-o", out.c_str(), (dir + "/report.xsl").c_str(),
           (dir + "/report.xml").c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage u{};
  wait4(pid, &status, 0, &u);
  double s = Seconds(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "xsltproc failed\n");
    std::exit(1);
  }
  return {s, u.ru_maxrss};
}

void SheetMemory() {
  auto book = quorlex::automation::workbook::Workbook::CreateBlank();
  auto& cells = book->SheetAt(0).Cells();
  std::size_t text = 0;
  for (std::uint32_t r = 0; r < 100000; ++r) {
    for (std::uint16_t c = 0; c < 20; ++c) {
      if (c % 2 == 0) {
        std::string t = "Клиент " + std::to_string(r * 20 + c);
        text += t.size();
        cells.SetText(r, c, t);
      } else {
        std::string t = Amount(static_cast<int>(r), c);
        text += t.size();
        cells.SetNumber(r, c, static_cast<double>(r) * 1.5 + c);
      }
    }
  }
  std::printf("sheet 100,000 x 20: %.1f MB held for %.1f MB of text shown (%.2fx)\n",
              static_cast<double>(cells.MemoryBytes()) / 1e6, static_cast<double>(text) / 1e6,
              static_cast<double>(cells.MemoryBytes()) / static_cast<double>(text));
}

void Split(int clients) {
  auto book = quorlex::automation::workbook::Workbook::CreateBlank();
  auto& sheet = book->SheetAt(0);
  const std::uint32_t rows_per_client = 47;
  for (std::uint32_t r = 0; r < static_cast<std::uint32_t>(clients) * rows_per_client; ++r) {
    for (std::uint16_t c = 0; c < 10; ++c) {
      if (c < 3)
        sheet.Cells().SetText(r, c, "Клиент " + std::to_string(r / rows_per_client));
      else
        sheet.Cells().SetNumber(r, c, r + c * 0.25);
    }
  }
  auto start = Clock::now();
  for (int k = 1; k < clients; ++k) {
    std::uint32_t first = static_cast<std::uint32_t>(k) * rows_per_client;
    std::size_t index =
        book->CopySheetRows(0, first, first + rows_per_client - 1, book->SheetCount() - 1);
    book->RenameSheet(index, "Клиент " + std::to_string(k));
  }
  sheet.DeleteRows(rows_per_client, static_cast<std::uint32_t>(clients) * rows_per_client);
  std::printf("per-client split, %d clients x %u rows: %.3f s\n", clients, rows_per_client,
              Seconds(start));
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 50000;
  std::string dir =
      (std::filesystem::temp_directory_path() / ("quorlex-bench-" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(dir);
  WriteReport(dir, rows);
  auto [xslt_seconds, xslt_kb] = RunXsltproc(dir);
  std::printf("xsltproc rendering (%d rows x 10 columns): %.2f s, peak %.0f MB\n", rows,
              xslt_seconds, static_cast<double>(xslt_kb) / 1024.0);

  std::ifstream page_file(dir + "/page.html");
  std::stringstream html;
  html << page_file.rdbuf();
  long before_kb = PeakKb();
  ss::Application app;
  ss::Workbook& book = app.Workbooks().Add();
  ss::Worksheet sheet = book.Worksheets(1);
  sheet.Select();
  sheet.Cells(1, 1).Select();
  auto start = Clock::now();
  // The same steps as Worksheet::Paste, timed one by one.
  quorlex::automation::clipboard::Clipboard::Process().SetHtml(html.str());
  const auto& page = quorlex::automation::clipboard::Clipboard::Process().Page();
  double parse_seconds = Seconds(start);
  auto step = Clock::now();
  auto grid = quorlex::automation::page::LayOutGrid(page);
  double layout_seconds = Seconds(step);
  step = Clock::now();
  ss::PasteGrid(book.Model(), sheet.Model(), 0, 0, grid);
  std::printf("paste steps: page parsed %.2f s, laid out %.2f s, written into the sheet %.2f s\n",
              parse_seconds, layout_seconds, Seconds(step));
  const char* how = "page parsed and laid out";
  double paste_seconds = Seconds(start);
  start = Clock::now();
  app.SetDisplayAlerts(false);
  book.SaveAs(dir + "/page.xls");
  double save_seconds = Seconds(start);
  std::printf("paste (%s): %.2f s; save: %.2f s; paste + save: %.2f s (%.0f%% of the rendering)\n",
              how, paste_seconds, save_seconds, paste_seconds + save_seconds,
              100.0 * (paste_seconds + save_seconds) / xslt_seconds);
  std::printf(
      "peak memory of this process: %.0f MB (%.0f MB before the paste), file %.1f MB, used rows "
      "%d\n",
      static_cast<double>(PeakKb()) / 1024.0, static_cast<double>(before_kb) / 1024.0,
      static_cast<double>(std::filesystem::file_size(dir + "/page.xls")) / 1e6,
      sheet.UsedRange().Rows().Count());
  book.Close();
  SheetMemory();
  Split(1000);
  Split(2000);
  std::filesystem::remove_all(dir);
  return 0;
}
