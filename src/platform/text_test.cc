#include "platform/text.h"

#include <gtest/gtest.h>

namespace quorlex::platform {
namespace {

TEST(TextTest, TrimRemovesOnlySpaces) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break spaces stay
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(Trim(""), "");
}

TEST(TextTest, CaseMappingCoversCyrillic) {
  EXPECT_EQ(Upper("Ежедневный отчёт abc"), "ЕЖЕДНЕВНЫЙ ОТЧЁТ ABC");
  EXPECT_EQ(Lower("ВИРЕМ Y"), "вирем y");
  EXPECT_EQ(Upper("straße"), "STRAßE");  // simple mapping: one character stays one
}

TEST(TextTest, AsciiRulesLeaveOtherCharactersAlone) {
  EXPECT_EQ(TrimAsciiSpace(" \t\r\n\fa b\f\n"), "a b");
  EXPECT_EQ(TrimAsciiSpace("\xC2\xA0x\v"), "\xC2\xA0x\v");  // no-break space and vertical tab stay
  EXPECT_EQ(TrimAsciiSpace(" \t "), "");
  EXPECT_EQ(LowerAscii("Times NEW Roman ПРИВЕТ"), "times new roman ПРИВЕТ");
  EXPECT_TRUE(EqualsIgnoringAsciiCase("ARIAL", "arial"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ПРИВЕТ", "привет"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("Arial", "Arial "));
}

TEST(TextTest, UndecodableBytesSurviveCaseMapping) {
  const std::string bad =
      "a\xFF"
      "b";
  EXPECT_EQ(Upper(bad),
            "A\xFF"
            "B");
}

TEST(TextTest, CountsAndPositionsAreInCharacters) {
  EXPECT_EQ(Length("версия 1.10"), 11u);
  EXPECT_EQ(Find("отчёт /f:xls", "/f:"), 7u);
  EXPECT_EQ(Find("abc", "x"), 0u);
  EXPECT_EQ(Left("привет", 3), "при");
  EXPECT_EQ(MidFrom("привет", 4), "вет");
  EXPECT_EQ(MidFrom("abc", 10), "");
}

TEST(TextTest, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8("Привет, мир"));
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));
  EXPECT_FALSE(IsValidUtf8("\xCF\xF0\xE8"));  // Windows-1251 bytes
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));      // cut short
}

}  // namespace
}  // namespace quorlex::platform

#include "platform/utf16.h"

namespace quorlex::platform {
namespace {

TEST(Utf16Test, RoundTripWithSurrogates) {
  const std::string s = "Отчёт 𝄞 ok";
  const std::u16string u = Utf8ToUtf16(s);
  EXPECT_EQ(u.size(), 11u);  // the clef takes two code units
  EXPECT_EQ(Utf16ToUtf8(u), s);
  EXPECT_EQ(Utf16Length(s), 11u);
}

TEST(Utf16Test, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800"
                        u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00"), "\xEF\xBF\xBD");
}

TEST(ThousandsTest, GroupsOfThreeFromTheRight) {
  EXPECT_EQ(Thousands(0), "0");
  EXPECT_EQ(Thousands(999), "999");
  EXPECT_EQ(Thousands(65536), "65 536");
  EXPECT_EQ(Thousands(1048577), "1 048 577");
}

}  // namespace
}  // namespace quorlex::platform
