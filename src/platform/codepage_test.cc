#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace quorlex::platform {
namespace {

TEST(CodepageTest, CyrillicIsOneBytePerCharacter) {
  EXPECT_EQ(Utf8ToCp1251("ОШИБКА! ё№"), "\xCE\xD8\xC8\xC1\xCA\xC0! \xB8\xB9");
}

TEST(CodepageTest, MissingCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("a€b中"),
            "a\x88"
            "b?");
  EXPECT_EQ(Utf8ToCp1251("\xFF"), "?");
}

TEST(CodepageTest, RoundTripOfEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    all.push_back(static_cast<char>(b));
  const std::string back = Utf8ToCp1251(Cp1251ToUtf8(all));
  ASSERT_EQ(back.size(), all.size());
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;  // unassigned in Windows-1251
    EXPECT_EQ(back[static_cast<std::size_t>(b)], all[static_cast<std::size_t>(b)]) << b;
  }
}

}  // namespace
}  // namespace quorlex::platform
