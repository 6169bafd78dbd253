#include "automation/page/html_defaults.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorlex::automation::page {
namespace {

TEST(HtmlDefaults, ClassifiesTags) {
  EXPECT_EQ(TagOf("td"), Tag::kTd);
  EXPECT_EQ(TagOf("x-custom"), Tag::kOther);
  EXPECT_TRUE(IsHiddenTag(Tag::kScript));
  EXPECT_TRUE(IsHiddenTag(Tag::kTitle));
  EXPECT_FALSE(IsHiddenTag(Tag::kSpan));
  EXPECT_TRUE(IsBlockTag(Tag::kLi));
  EXPECT_FALSE(IsBlockTag(Tag::kB));
  EXPECT_EQ(HeadingLevel(Tag::kH4), 4);
}

TEST(HtmlDefaults, SpansFollowHtmlRules) {
  EXPECT_EQ(ParseColspan(""), 1u);
  EXPECT_EQ(ParseColspan("0"), 1u);
  EXPECT_EQ(ParseColspan(" 3px"), 3u);
  EXPECT_EQ(ParseColspan("+2"), 2u);
  EXPECT_EQ(ParseColspan("-2"), 1u);
  EXPECT_EQ(ParseColspan("99999999999999"), 1000u);
  EXPECT_EQ(ParseRowspan("0"), 0u);
  EXPECT_EQ(ParseRowspan("x"), 1u);
  EXPECT_EQ(ParseRowspan("70000"), 65534u);
}

// The declarations an element's tag and attributes give, and their key.
struct Presentational {
  std::vector<css::Declaration> declarations;
  std::string key;
};

Presentational Of(Tag tag, std::vector<HtmlAttribute> attributes,
                  const ElementContext& context = {}) {
  static Interner strings;
  Presentational p;
  PresentationalDeclarations(tag, attributes, context, strings, &p.declarations, p.key);
  std::string key_only;
  PresentationalDeclarations(tag, attributes, context, strings, nullptr, key_only);
  EXPECT_EQ(key_only, p.key);
  return p;
}

// The last declaration of a property, as the cascade would take it.
std::optional<css::Declaration> Find(const Presentational& p, css::Property property) {
  std::optional<css::Declaration> found;
  for (const css::Declaration& d : p.declarations) {
    if (d.property == property) found = d;
  }
  return found;
}

TEST(HtmlDefaults, FontAttributesGiveSizesFacesAndColours) {
  const Presentational p =
      Of(Tag::kFont, {{"size", "-1"}, {"face", "Verdana, sans-serif"}, {"color", "#00FF00"}});
  EXPECT_EQ(Find(p, css::Property::kFontSize).value().value.number, 13);  // size 2
  EXPECT_EQ(Find(p, css::Property::kColor).value().value.color, 0x00FF00u);
  EXPECT_EQ(Of(Tag::kFont, {{"size", "9"}}).declarations.back().value.number, 48);  // clamped to 7
}

TEST(HtmlDefaults, TableBordersReachTheCells) {
  TableContext table;
  table.has_border = true;
  table.border_color = "red";
  ElementContext context;
  context.table = &table;
  const Presentational cell = Of(Tag::kTd, {}, context);
  EXPECT_TRUE(Find(cell, css::Property::kBorderLeftStyle).has_value());
  EXPECT_EQ(Find(cell, css::Property::kBorderLeftWidth).value().value.number, 1);
  EXPECT_EQ(Find(cell, css::Property::kBorderLeftColor).value().value.color, 0xFF0000u);
  EXPECT_FALSE(Find(Of(Tag::kTd, {}), css::Property::kBorderLeftStyle).has_value());
  EXPECT_NE(Of(Tag::kTd, {}).key, cell.key);

  EXPECT_TRUE(Find(Of(Tag::kTable, {{"border", ""}}), css::Property::kBorderTopStyle).has_value());
  EXPECT_FALSE(
      Find(Of(Tag::kTable, {{"border", "0"}}), css::Property::kBorderTopStyle).has_value());
}

TEST(HtmlDefaults, KeysTellApartWhatDiffers) {
  EXPECT_EQ(Of(Tag::kTd, {{"class", "x"}}).key,
            Of(Tag::kTd, {{"id", "y"}}).key);  // no look of their own
  EXPECT_NE(Of(Tag::kTd, {{"bgcolor", "red"}}).key, Of(Tag::kTd, {{"bgcolor", "blue"}}).key);
  EXPECT_NE(Of(Tag::kTd, {{"align", "left"}}).key, Of(Tag::kTh, {{"align", "left"}}).key);
  ComputedStyle centred;
  centred.text_align = HorizontalAlignment::kCenter;
  ElementContext in_centred_row;
  in_centred_row.parent = &centred;
  ElementContext in_plain_row;
  ComputedStyle plain;
  in_plain_row.parent = &plain;
  EXPECT_NE(Of(Tag::kTh, {}, in_centred_row).key, Of(Tag::kTh, {}, in_plain_row).key);
  EXPECT_FALSE(Find(Of(Tag::kTh, {}, in_centred_row), css::Property::kTextAlign).has_value());
}

}  // namespace
}  // namespace quorlex::automation::page
