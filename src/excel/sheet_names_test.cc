#include "excel/sheet_names.h"

#include <gtest/gtest.h>

#include <set>

#include "automation/workbook/workbook.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::excel {
namespace {

// The names the spreadsheet engine itself accepts are the measure.
void ExpectValid(const std::string& name) {
  EXPECT_NO_THROW(automation::workbook::CheckSheetName(name)) << name;
}

std::string Name(std::string_view client, std::set<std::string> taken = {}, int position = 3) {
  const std::string name = ClientSheetName(
      client, position, [&](const std::string& n) { return taken.count(platform::Upper(n)) > 0; });
  ExpectValid(name);
  return name;
}

TEST(ClientSheetName, ValidNamesStayAsTheyAre) {
  EXPECT_EQ(Name("ООО «Вектор»"), "ООО «Вектор»");
  EXPECT_EQ(Name("ИП Соколов А. Н."), "ИП Соколов А. Н.");
  EXPECT_EQ(Name("O'Brien"), "O'Brien");
}

TEST(ClientSheetName, ForbiddenCharactersAndOuterApostrophes) {
  EXPECT_EQ(Name("ИП Соколов А/Н [филиал]"), "ИП Соколов А_Н _филиал_");
  EXPECT_EQ(Name("a:b\\c?d*e"), "a_b_c_d_e");
  EXPECT_EQ(Name("''Альфа''"), "Альфа");
  EXPECT_EQ(Name("'"), "Клиент 3");
  EXPECT_EQ(Name("", {}, 7), "Клиент 7");
}

TEST(ClientSheetName, CutTo31CharactersAsTheSpreadsheetCountsThem) {
  const std::string legal = "Общество с ограниченной ответственностью «Ромашка»";
  EXPECT_EQ(Name(legal), "Общество с ограниченной ответст");
  EXPECT_EQ(platform::Utf16Length(Name(legal)), 31u);
  // A character outside the basic plane counts two and is never split.
  EXPECT_EQ(Name(std::string(30, 'x') + "\U0001F600"), std::string(30, 'x'));
  // An apostrophe the cut brings to the end is dropped as well.
  EXPECT_EQ(Name(std::string(30, 'x') + "'yz"), std::string(30, 'x'));
}

TEST(ClientSheetName, ReservedName) {
  EXPECT_EQ(Name("History"), "History_");
  EXPECT_EQ(Name("HISTORY"), "HISTORY_");
  EXPECT_EQ(Name("history'"), "history_");
}

TEST(ClientSheetName, TakenNamesAreNumberedWithin31Characters) {
  const std::string legal = "Общество с ограниченной ответственностью «Ромашка»";
  const std::string first = "Общество с ограниченной ответст";
  EXPECT_EQ(Name(legal, {platform::Upper(first)}), "Общество с ограниченной отв (2)");
  EXPECT_EQ(
      Name(legal, {platform::Upper(first), platform::Upper("Общество с ограниченной отв (2)")}),
      "Общество с ограниченной отв (3)");
  EXPECT_EQ(Name("Лист1", {"ЛИСТ1"}), "Лист1 (2)");
}

}  // namespace
}  // namespace quorlex::excel
