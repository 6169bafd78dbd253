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
  ExpectNumber("1\u202F234", 1234, "#,##0");                        // narrow no-break space
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

}  // namespace
}  // namespace quorlex::automation::page
