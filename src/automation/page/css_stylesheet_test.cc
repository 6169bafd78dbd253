#include "automation/page/css_stylesheet.h"

#include <gtest/gtest.h>

namespace quorlex::automation::page::css {
namespace {

class StyleSheetTest : public ::testing::Test {
 protected:
  StyleSheet Parse(std::string_view text) {
    StyleSheet sheet;
    ParseStyleSheet(text, atoms, strings, sheet);
    return sheet;
  }
  std::uint32_t Atom(std::string_view s) { return atoms.Find(s); }
  Interner atoms;
  Interner strings;
};

TEST_F(StyleSheetTest, ReadsCompoundsCombinatorsAndSpecificity) {
  const StyleSheet sheet = Parse("table.report > tr td#total.Num, H1 { color: red }");
  ASSERT_EQ(sheet.rules.size(), 1u);
  const auto& selectors = sheet.rules[0].selectors;
  ASSERT_EQ(selectors.size(), 2u);

  const Selector& s = selectors[0];
  ASSERT_EQ(s.compounds.size(), 3u);
  EXPECT_EQ(s.compounds[0].tag, Atom("td"));
  EXPECT_EQ(s.compounds[0].id, Atom("total"));
  ASSERT_EQ(s.compounds[0].classes.size(), 1u);
  EXPECT_EQ(s.compounds[0].classes[0], Atom("num"));  // names compare without case
  EXPECT_EQ(s.compounds[1].tag, Atom("tr"));
  EXPECT_EQ(s.compounds[2].tag, Atom("table"));
  EXPECT_EQ(s.combinators[0], Combinator::kDescendant);
  EXPECT_EQ(s.combinators[1], Combinator::kChild);
  EXPECT_EQ(s.specificity, (1u << 16) | (2u << 8) | 3u);

  EXPECT_EQ(selectors[1].compounds[0].tag, Atom("h1"));
  EXPECT_EQ(selectors[1].specificity, 1u);
}

TEST_F(StyleSheetTest, UnsupportedSelectorsNeverMatchButStayValid) {
  const StyleSheet sheet = Parse(
      "a:hover, td[colspan], p + p, p::first-line, tr:nth-child(2n+1), li:first-child {color:red}");
  ASSERT_EQ(sheet.rules.size(), 1u);
  const auto& s = sheet.rules[0].selectors;
  ASSERT_EQ(s.size(), 6u);
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(s[static_cast<std::size_t>(i)].compounds[0].never) << i;
  EXPECT_FALSE(s[4].compounds[0].never);
  EXPECT_TRUE(s[4].compounds[0].nth);
  EXPECT_EQ(s[4].compounds[0].nth_a, 2);
  EXPECT_EQ(s[4].compounds[0].nth_b, 1);
  EXPECT_TRUE(s[5].compounds[0].first_child);
}

TEST_F(StyleSheetTest, DropsRulesWithBrokenSelectors) {
  const StyleSheet sheet =
      Parse("td, { color: red } p > { color: blue } .a..b {color: red} div { color: green }");
  ASSERT_EQ(sheet.rules.size(), 1u);
  EXPECT_EQ(sheet.rules[0].selectors[0].compounds[0].tag, Atom("div"));
}

TEST_F(StyleSheetTest, SkipsCommentsPrintMediaAndOtherAtRules) {
  const StyleSheet sheet = Parse(R"(
    <!-- @charset "utf-8";
    @import url(x.css);
    /* td { color: red } */
    @media print { td { color: blue } }
    @media screen, print { th { color: green } }
    @font-face { font-family: x; src: url(y) }
    @page { margin: 1cm }
    p { color: "a;}b" ; font-weight: bold }
    -->)");
  ASSERT_EQ(sheet.rules.size(), 2u);
  EXPECT_EQ(sheet.rules[0].selectors[0].compounds[0].tag, Atom("th"));
  EXPECT_EQ(sheet.rules[1].selectors[0].compounds[0].tag, Atom("p"));
  ASSERT_EQ(sheet.rules[1].declarations.size(), 1u);  // the string colour is dropped
  EXPECT_EQ(sheet.rules[1].declarations[0].property, Property::kFontWeight);
}

TEST_F(StyleSheetTest, SurvivesUnterminatedText) {
  for (std::string_view text : {"td { color: red", "td {", "@media screen {", "\"", "/*", "a[",
                                "{}}}{{", "td:nth-child("}) {
    EXPECT_NO_THROW(Parse(text)) << text;
  }
  EXPECT_EQ(Parse("td { color: red").rules.size(), 1u);
}

}  // namespace
}  // namespace quorlex::automation::page::css
