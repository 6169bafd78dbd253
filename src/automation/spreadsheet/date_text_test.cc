#include "automation/spreadsheet/date_text.h"

#include <gtest/gtest.h>

#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheet {
namespace {

TEST(DateText, DatesShowAsARussianLocaleShowsThem) {
  EXPECT_EQ(DateText(46363, "dd.mm.yyyy", false), "07.12.2026");
  EXPECT_EQ(DateText(46363 + 9.5 / 24, "dd.mm.yyyy hh:mm", false), "07.12.2026 09:30");
  EXPECT_EQ(DateText(46363 + 9.5 / 24, "dd.mm.yyyy h:mm:ss", false), "07.12.2026 9:30:00");
  EXPECT_EQ(DateText(46363, "m/d/yy", false), "07.12.2026");  // the built-in short date
  EXPECT_EQ(DateText(46363, "yyyy\\-mm\\-dd", false), "2026-12-07");
  EXPECT_EQ(DateText(46363, "d mmmm yyyy", false), "7 Декабрь 2026");
  EXPECT_EQ(DateText(46363, "dd-mmm-yy", false), "07-дек-26");
  EXPECT_EQ(DateText(46363, "dddd", false), "понедельник");
  EXPECT_EQ(DateText(0.75, "h:mm", false), "18:00");
  EXPECT_EQ(DateText(46363 - 1462, "dd.mm.yyyy", true), "07.12.2026");
}

TEST(DateText, TheDateSystemsOddDays) {
  EXPECT_EQ(DateText(1, "dd.mm.yyyy", false), "01.01.1900");
  EXPECT_EQ(DateText(59, "dd.mm.yyyy", false), "28.02.1900");
  EXPECT_EQ(DateText(60, "dd.mm.yyyy", false), "29.02.1900");
  EXPECT_EQ(DateText(61, "dd.mm.yyyy", false), "01.03.1900");
  EXPECT_EQ(DateText(0, "dd.mm.yyyy", false), "00.01.1900");
}

TEST(DateText, OnlyDateFormatsGiveDates) {
  EXPECT_FALSE(DateText(46363, "General", false));
  EXPECT_FALSE(DateText(46363, "", false));
  EXPECT_FALSE(DateText(46363, "#,##0.00", false));
  EXPECT_FALSE(DateText(46363, "\"d\"0", false));
  EXPECT_FALSE(DateText(-1, "dd.mm.yyyy", false));
  EXPECT_FALSE(DateText(3e6, "dd.mm.yyyy", false));
}

TEST(DateText, TheWorkbooksDateSystem) {
  auto book = workbook::Workbook::CreateBlank();
  EXPECT_FALSE(Uses1904Dates(*book));
  for (workbook::GlobalItem& item : book->Globals()) {
    if (item.record.type == 0x0022) item.record.data = {1, 0};
  }
  EXPECT_TRUE(Uses1904Dates(*book));
}

}  // namespace
}  // namespace quorlex::automation::spreadsheet
