#include "automation/spreadsheet/value_text.h"

#include <gtest/gtest.h>

namespace quorlex::automation::spreadsheet {
namespace {

// A cell's number converted to text, in an English locale.
TEST(NumberText, ShowsFifteenSignificantDigits) {
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(1234.5), "1234.5");
  EXPECT_EQ(NumberText(-0.5), "-0.5");
  EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumberText(100), "100");
  EXPECT_EQ(NumberText(123456789012345.0), "123456789012345");
  EXPECT_EQ(NumberText(1e15), "1E+15");
  EXPECT_EQ(NumberText(1234567890123456789.0), "1.23456789012346E+18");
  EXPECT_EQ(NumberText(0.0001), "0.0001");
  EXPECT_EQ(NumberText(0.00001), "1E-05");
  EXPECT_EQ(NumberText(-1.5e-7), "-1.5E-07");
  EXPECT_EQ(NumberText(1e100), "1E+100");
  EXPECT_EQ(NumberText(2.0 / 3.0), "0.666666666666667");
}

TEST(ParseTypedNumber, ReadsWhatExcelTakesAsANumber) {
  EXPECT_EQ(ParseTypedNumber("12"), 12.0);
  EXPECT_EQ(ParseTypedNumber(" -1.5 "), -1.5);
  EXPECT_EQ(ParseTypedNumber("2E3"), 2000.0);
  EXPECT_EQ(ParseTypedNumber(".5"), 0.5);
  EXPECT_FALSE(ParseTypedNumber(""));
  EXPECT_FALSE(ParseTypedNumber("1,5"));
  EXPECT_FALSE(ParseTypedNumber("12 345"));
  EXPECT_FALSE(ParseTypedNumber("abc"));
  EXPECT_FALSE(ParseTypedNumber("1e"));
  EXPECT_FALSE(ParseTypedNumber("-"));
}

TEST(CellName, NamesColumnsLikeExcel) {
  EXPECT_EQ(CellName(40, 19), "S40");
  EXPECT_EQ(CellName(1, 26), "Z1");
  EXPECT_EQ(CellName(1, 27), "AA1");
  EXPECT_EQ(CellName(7, 256), "IV7");
}

}  // namespace
}  // namespace quorlex::automation::spreadsheet
