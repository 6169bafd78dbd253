#include "automation/page/css_value.h"

#include <gtest/gtest.h>

#include "automation/page/number_format.h"

namespace quorlex::automation::page::css {
namespace {

TEST(CssColor, ReadsNamesHexAndFunctions) {
  EXPECT_EQ(ParseColor("red"), 0xFF0000u);
  EXPECT_EQ(ParseColor("Navy"), 0x000080u);
  EXPECT_EQ(ParseColor("lightgoldenrodyellow"), 0xFAFAD2u);
  EXPECT_EQ(ParseColor("#abc"), 0xAABBCCu);
  EXPECT_EQ(ParseColor("#A0b1C2"), 0xA0B1C2u);
  EXPECT_EQ(ParseColor("#11223380"), 0x112233u);  // alpha ignored
  EXPECT_EQ(ParseColor("rgb(255, 128, 0)"), 0xFF8000u);
  EXPECT_EQ(ParseColor("rgb(100%,0%,50%)"), 0xFF0080u);
  EXPECT_EQ(ParseColor("rgba(1,2,3,0.5)"), 0x010203u);
  EXPECT_EQ(ParseColor("rgb(300,-5,0)"), 0xFF0000u);
  EXPECT_EQ(ParseColor("hsl(120, 100%, 50%)"), 0x00FF00u);
  EXPECT_FALSE(ParseColor("#12"));
  EXPECT_FALSE(ParseColor("reddish"));
  EXPECT_FALSE(ParseColor("transparent"));
  EXPECT_FALSE(ParseColor("rgb(1,2)"));
}

TEST(CssColor, AttributeColoursTakeHexWithoutHash) {
  EXPECT_EQ(ParseAttributeColor("#FFCC00"), 0xFFCC00u);
  EXPECT_EQ(ParseAttributeColor("ffcc00"), 0xFFCC00u);
  EXPECT_EQ(ParseAttributeColor(" Silver "), 0xC0C0C0u);
  EXPECT_FALSE(ParseAttributeColor("chucknorris"));
  EXPECT_FALSE(ParseAttributeColor(""));
}

TEST(CssUnescape, ResolvesCharacterAndHexEscapes) {
  EXPECT_EQ(Unescape(R"(0\.00)"), "0.00");
  EXPECT_EQ(Unescape(R"(\@)"), "@");
  EXPECT_EQ(Unescape(R"(\#\,\#\#0\.00)"), "#,##0.00");
  EXPECT_EQ(Unescape(R"(\0022$\0022)"), "\"$\"");  // hex escape, one space eaten
  EXPECT_EQ(Unescape(R"(\\-0)"), R"(\-0)");
  EXPECT_EQ(Unescape("\\41 B"), "AB");
}

TEST(CssScan, StepsOverEscapesAndStrings) {
  const std::string_view s = R"(a\;b "x;}" 'y\'z' "open
next)";
  EXPECT_EQ(SkipEscapeOrString(s, 0), 0u);    // a plain character
  EXPECT_EQ(SkipEscapeOrString(s, 1), 3u);    // \; is one character
  EXPECT_EQ(SkipEscapeOrString(s, 5), 10u);   // "x;}" with what it holds
  EXPECT_EQ(SkipEscapeOrString(s, 11), 17u);  // an escaped quote inside
  EXPECT_EQ(SkipEscapeOrString(s, 18), 24u);  // a string left open ends with its line
  EXPECT_EQ(SkipEscapeOrString(s, s.size()), s.size());
}

TEST(NumberFormat, UnescapesAndSpellsOutNamedFormats) {
  EXPECT_EQ(NumberFormatCode(R"("\@")"), "@");
  EXPECT_EQ(NumberFormatCode(R"(\@)"), "@");
  EXPECT_EQ(NumberFormatCode("'0\\.00'"), "0.00");
  EXPECT_EQ(NumberFormatCode(R"("#\,##0\.00")"), "#,##0.00");
  EXPECT_EQ(NumberFormatCode("Standard"), "#,##0.00");
  EXPECT_EQ(NumberFormatCode("Percent"), "0.00%");
  EXPECT_EQ(NumberFormatCode("\"Short Date\""), "dd.mm.yyyy");
  EXPECT_EQ(NumberFormatCode("general"), "General");
  EXPECT_EQ(NumberFormatCode(R"("\#\,\#\#0\.00_ \;\[Red\]\\-\#\,\#\#0\.00\\ ")"),
            R"(#,##0.00_ ;[Red]\-#,##0.00\ )");
}

class Declarations : public ::testing::Test {
 protected:
  std::vector<Declaration> Parse(std::string_view block) {
    std::vector<Declaration> out;
    ParseDeclarations(block, strings, out);
    return out;
  }
  // The last declaration of a property (as the cascade would take it).
  Declaration Find(const std::vector<Declaration>& d, Property p) {
    for (auto it = d.rbegin(); it != d.rend(); ++it) {
      if (it->property == p) return *it;
    }
    ADD_FAILURE() << "no declaration of property " << static_cast<int>(p);
    return Declaration{};
  }
  Interner strings;
};

TEST_F(Declarations, ExpandsBorderShorthands) {
  auto d = Parse("border: 1px solid #FF0000; border-bottom: thick double");
  ASSERT_EQ(d.size(), 15u);
  EXPECT_EQ(Find(d, Property::kBorderTopStyle).value.keyword, Keyword::kSolid);
  EXPECT_EQ(Find(d, Property::kBorderLeftWidth).value.number, 1);
  EXPECT_EQ(Find(d, Property::kBorderRightColor).value.color, 0xFF0000u);
  EXPECT_EQ(Find(d, Property::kBorderBottomStyle).value.keyword, Keyword::kDouble);
  EXPECT_EQ(Find(d, Property::kBorderBottomWidth).value.keyword, Keyword::kThick);
  EXPECT_EQ(Find(d, Property::kBorderBottomColor).value.keyword, Keyword::kCurrentColor);

  d = Parse("border-style: solid none; border-color: red green blue");
  EXPECT_EQ(Find(d, Property::kBorderRightStyle).value.keyword, Keyword::kNone);
  EXPECT_EQ(Find(d, Property::kBorderBottomStyle).value.keyword, Keyword::kSolid);
  EXPECT_EQ(Find(d, Property::kBorderLeftColor).value.color, 0x008000u);
  EXPECT_EQ(Find(d, Property::kBorderBottomColor).value.color, 0x0000FFu);
}

TEST_F(Declarations, ExpandsFontShorthand) {
  auto d = Parse("font: italic bold 10pt/12pt \"Times New Roman\", serif");
  EXPECT_EQ(Find(d, Property::kFontStyle).value.keyword, Keyword::kItalic);
  EXPECT_EQ(Find(d, Property::kFontWeight).value.keyword, Keyword::kBold);
  EXPECT_EQ(Find(d, Property::kFontSize).value.number, 10);
  EXPECT_EQ(Find(d, Property::kFontSize).value.unit, Unit::kPt);
  EXPECT_EQ(strings.Get(Find(d, Property::kFontFamily).value.string), "Times New Roman");
  // No family: not a font shorthand.
  EXPECT_TRUE(Parse("font: bold 10pt").empty());
}

TEST_F(Declarations, MapsGenericFamiliesAndTakesTheFirst) {
  auto d = Parse("font-family: sans-serif");
  EXPECT_EQ(strings.Get(Find(d, Property::kFontFamily).value.string), "Arial");
  d = Parse("font-family: Courier New, monospace");
  EXPECT_EQ(strings.Get(Find(d, Property::kFontFamily).value.string), "Courier New");
}

TEST_F(Declarations, ReadsImportantAndDropsWhatDoesNotParse) {
  auto d =
      Parse("color: blue ! important; color: nonsense; width: -5px; text-align: middle; foo: bar");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_TRUE(d[0].important);
  EXPECT_EQ(d[0].value.color, 0x0000FFu);
}

TEST_F(Declarations, BackgroundTakesItsColour) {
  auto d = Parse("background: url(a.png) no-repeat #eee");
  EXPECT_EQ(Find(d, Property::kBackgroundColor).value.color, 0xEEEEEEu);
  d = Parse("background: none");
  EXPECT_EQ(Find(d, Property::kBackgroundColor).value.keyword, Keyword::kTransparent);
}

TEST_F(Declarations, KeepsNumberFormatTextAsWritten) {
  auto d = Parse(R"(mso-number-format:"0\.000"; mso-number-format:"\;")");
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(strings.Get(d[0].value.string), "0.000");
  EXPECT_EQ(strings.Get(d[1].value.string), ";");
}

TEST_F(Declarations, ReadsTextDecorationLines) {
  auto d = Parse("text-decoration: underline line-through red");
  EXPECT_EQ(d.at(0).value.lines, kUnderlineLine | kStrikeLine);
  d = Parse("text-decoration: none");
  EXPECT_EQ(d.at(0).value.lines, 0);
}

}  // namespace
}  // namespace quorlex::automation::page::css
