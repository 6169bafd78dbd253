#include "automation/page/number_reader.h"

#include <gtest/gtest.h>

namespace quorlex::automation::page {
namespace {

void ExpectNumber(std::string_view text, double value, std::string_view format = "") {
  const auto n = ReadNumber(text);
  ASSERT_TRUE(n.has_value()) << text;
  EXPECT_DOUBLE_EQ(n->value, value) << text;
  EXPECT_EQ(n->format, format) << text;
}

void ExpectText(std::string_view text) { EXPECT_FALSE(ReadNumber(text).has_value()) << text; }

// The implied number format keeps the number's look: its digit groups and
// its decimals, trailing zeros included.
TEST(ReadNumber, ReadsTheNumbersOfABackOffice) {
  ExpectNumber("1 234 567,89", 1234567.89, "#,##0.00");
  ExpectNumber("1\u00A0234\u00A0567,89", 1234567.89, "#,##0.00");  // no-break spaces
  ExpectNumber("1\u202F234", 1234, "#,##0");                       // narrow no-break space
  ExpectNumber("1 574 439,90", 1574439.9, "#,##0.00");
  ExpectNumber("1234.5", 1234.5, "0.0");
  ExpectNumber("0,12500", 0.125, "0.00000");
  ExpectNumber("-0,5", -0.5, "0.0");
  ExpectNumber("\u22120,5", -0.5, "0.0");  // minus sign
  ExpectNumber("0", 0);
  ExpectNumber("-0", 0);
  ExpectNumber("42", 42);
  ExpectNumber("1,5E+3", 1500, "0.0E+00");
  ExpectNumber("2e-2", 0.02, "0E+00");
  ExpectNumber("  42\u00A0", 42);
  ExpectNumber("123456789012345", 123456789012345.0);
}

TEST(ReadNumber, AGroupOfThreeAfterASingleCommaIsTheFraction) {
  ExpectNumber("1,234", 1.234, "0.000");
  ExpectNumber("1.234", 1.234, "0.000");
}

TEST(ReadNumber, ReadsPercentagesWithTheirDecimals) {
  ExpectNumber("12,5%", 0.125, "0.0%");
  ExpectNumber("50%", 0.5, "0%");
  ExpectNumber("3,25 %", 0.0325, "0.00%");
  ExpectNumber("-1 000%", -10, "0%");
}

TEST(ReadNumber, LeavesCodesDatesAndTheLikeAsText) {
  ExpectText("40817810099910004312");  // an account number
  ExpectText("1234567890123456");      // 16 significant digits
  ExpectText("007");
  ExpectText("00,5");
  ExpectText("0 123");
  ExpectText("01.02.2026");
  ExpectText("12:30");
  ExpectText("1,2,3");
  ExpectText("1,234.5");
  ExpectText("1 23");
  ExpectText("1234 567");
  ExpectText("12 3456");
  ExpectText("");
  ExpectText(" ");
  ExpectText("\u00A0");
  ExpectText("+7 916 123-45-67");
  ExpectText("+5");
  ExpectText("1.");
  ExpectText(",5");
  ExpectText("5 %%");
  ExpectText("1e5%");
  ExpectText("1e1000");
  ExpectText("1e");
  ExpectText("12 руб.");
  ExpectText("- 5");
  ExpectText("1\n2");
  ExpectText("№5");
}

// Accounting negatives keep their parentheses through the format's second
// section.
TEST(ReadNumber, ParenthesesMakeANegative) {
  ExpectNumber("(1 234,56)", -1234.56, "#,##0.00;(#,##0.00)");
  ExpectNumber("(1234)", -1234, "0;(0)");
  ExpectNumber("(0,5)", -0.5, "0.0;(0.0)");
  ExpectNumber(" (12,5%) ", -0.125, "0.0%;(0.0%)");
  ExpectText("(-5)");
  ExpectText("( 5 )");
  ExpectText("(007)");
  ExpectText("(5");
  ExpectText("5)");
  ExpectText("()");
  ExpectText("(код 5)");
}

void ExpectDate(std::string_view text, double serial, std::string_view format) {
  const auto d = ReadDate(text);
  ASSERT_TRUE(d.has_value()) << text;
  EXPECT_NEAR(d->value, serial, 1e-9) << text;
  EXPECT_EQ(d->format, format) << text;
  EXPECT_TRUE(IsDateShape(d->shape)) << text;
}

void ExpectNoDate(std::string_view text) { EXPECT_FALSE(ReadDate(text).has_value()) << text; }

// Serials as Excel's 1900 date system numbers them: 07.12.2026 is 46363.
TEST(ReadDate, FullDatesAndDateTimes) {
  ExpectDate("07.12.2026", 46363, "dd.mm.yyyy");
  ExpectDate(" 07.12.2026\u00A0", 46363, "dd.mm.yyyy");
  ExpectDate("01.01.1900", 1, "dd.mm.yyyy");
  ExpectDate("28.02.1900", 59, "dd.mm.yyyy");
  ExpectDate("01.03.1900", 61, "dd.mm.yyyy");
  ExpectDate("29.02.2024", 45351, "dd.mm.yyyy");
  ExpectDate("31.12.9999", 2958465, "dd.mm.yyyy");
  ExpectDate("07.12.2026 09:30", 46363 + 9.5 / 24, "dd.mm.yyyy hh:mm");
  ExpectDate("07.12.2026 9:30", 46363 + 9.5 / 24, "dd.mm.yyyy h:mm");
  ExpectDate("07.12.2026 23:59:59", 46363 + 86399.0 / 86400, "dd.mm.yyyy hh:mm:ss");
}

TEST(ReadDate, EverythingElseStaysText) {
  ExpectNoDate("12:30");
  ExpectNoDate("12:30:15");
  ExpectNoDate("7.12.2026");
  ExpectNoDate("07.12.26");
  ExpectNoDate("07/12/2026");
  ExpectNoDate("2026-12-07");
  ExpectNoDate("31.04.2026");
  ExpectNoDate("29.02.2025");
  ExpectNoDate("29.02.1900");
  ExpectNoDate("00.12.2026");
  ExpectNoDate("07.13.2026");
  ExpectNoDate("31.12.1899");
  ExpectNoDate("07.12.2026 24:00");
  ExpectNoDate("07.12.2026 10:60");
  ExpectNoDate("07.12.2026 10:30:5");
  ExpectNoDate("07.12.2026  10:30");
  ExpectNoDate("07.12.2026г.");
  ExpectNoDate("07.12.20261");
  ExpectNoDate("с 07.12.2026");
}

}  // namespace
}  // namespace quorlex::automation::page
