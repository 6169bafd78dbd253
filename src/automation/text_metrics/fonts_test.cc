#include "automation/text_metrics/fonts.h"

#include <gtest/gtest.h>

namespace quorlex::automation::text_metrics {
namespace {

// The published advance widths of the Office fonts, in units of a 2048-unit
// em; the metric-compatible faces must give exactly these.
constexpr double kEm = 2048;

TEST(FontsTest, OfficeFamiliesAreMeasuredWithMetricCompatibleFaces) {
  Fonts& fonts = Fonts::Shared();
  const Face& arial = fonts.Find("Arial", false, false);
  EXPECT_EQ(arial.Family(), "Liberation Sans");
  EXPECT_DOUBLE_EQ(arial.Advance(U'0'), 1139 / kEm);
  EXPECT_DOUBLE_EQ(arial.Advance(U' '), 569 / kEm);
  EXPECT_DOUBLE_EQ(arial.Advance(U'W'), 1933 / kEm);
  EXPECT_NEAR(arial.Ascent(), 1854 / kEm, 1e-9);
  EXPECT_NEAR(arial.Descent(), 434 / kEm, 1e-9);

  const Face& times = fonts.Find("Times New Roman", false, false);
  EXPECT_EQ(times.Family(), "Liberation Serif");
  EXPECT_DOUBLE_EQ(times.Advance(U'0'), 1024 / kEm);

  const Face& courier = fonts.Find("Courier New", false, false);
  EXPECT_EQ(courier.Family(), "Liberation Mono");
  for (char32_t c : {U'i', U'W', U'Ж', U'1'})
    EXPECT_DOUBLE_EQ(courier.Advance(c), 1229 / kEm);

  EXPECT_EQ(fonts.Find("Calibri", false, false).Family(), "Carlito");
  EXPECT_EQ(fonts.Find("Cambria", false, false).Family(), "Caladea");
}

TEST(FontsTest, StylesAndNamesPickTheRightFace) {
  Fonts& fonts = Fonts::Shared();
  const Face& regular = fonts.Find("Arial", false, false);
  const Face& bold = fonts.Find("Arial", true, false);
  EXPECT_DOUBLE_EQ(regular.Advance(U'b'), 1139 / kEm);
  EXPECT_DOUBLE_EQ(bold.Advance(U'b'), 1251 / kEm);
  EXPECT_EQ(&fonts.Find("ARIAL", false, false), &regular);
  // A family no font provides is measured as Arial, and so is no family.
  EXPECT_EQ(&fonts.Find("Шрифт, которого нет", true, false), &bold);
  EXPECT_EQ(&fonts.Find("", false, false), &regular);
}

TEST(FontsTest, TextWidths) {
  const Face& arial = Fonts::Shared().Find("Arial", false, false);
  EXPECT_DOUBLE_EQ(arial.Width("Итого\n10"), arial.Width("Итого") + 2 * 1139 / kEm);
  EXPECT_DOUBLE_EQ(arial.Width("Ж"), arial.Advance(U'Ж'));
  // A 10-point font on a 96-dpi screen: 13 pixels to the em, digits 7
  // pixels wide and full stops 4.
  EXPECT_EQ(arial.Pixels("07.12.2026", 13), 8 * 7 + 2 * 4);
  // A character no face has still takes room.
  EXPECT_GT(arial.Advance(U'\U0001F600'), 0.5);
}

TEST(FontsTest, EstimateWithoutFontFiles) {
  const Face estimate;
  EXPECT_TRUE(estimate.Family().empty());
  EXPECT_NEAR(estimate.Width("abcd"), 4 * 0.55, 1e-6);
  EXPECT_GT(estimate.Ascent() + estimate.Descent(), 1.0);
}

}  // namespace
}  // namespace quorlex::automation::text_metrics
