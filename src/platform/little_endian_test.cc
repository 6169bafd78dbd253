#include "platform/little_endian.h"

#include <gtest/gtest.h>

namespace quorlex::platform {
namespace {

TEST(LittleEndian, ValuesReadAndWrittenLowByteFirst) {
  std::vector<std::uint8_t> bytes;
  Append16(bytes, 0x1234);
  Append32(bytes, 0x89ABCDEF);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89}));
  EXPECT_EQ(Get16(bytes, 0), 0x1234);
  EXPECT_EQ(Get32(bytes, 2), 0x89ABCDEFu);
  Put16(bytes, 4, 0xFFFE);
  EXPECT_EQ(Get32(bytes, 2), 0xFFFECDEFu);

  std::string text;
  Append16(text, 0x4241);
  Append32(text, 0x46454443);
  EXPECT_EQ(text, "ABCDEF");
  Put32(text, 1, 0x5A595857);
  EXPECT_EQ(text, "AWXYZF");
  EXPECT_EQ(Get16(std::string_view(text), 4), 0x465A);
}

TEST(LittleEndian, AValueThatDoesNotLieWholeInTheBufferReadsAsZeroAndIsNotWritten) {
  std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03};
  EXPECT_EQ(Get16(bytes, 1), 0x0302);
  EXPECT_EQ(Get16(bytes, 2), 0);
  EXPECT_EQ(Get32(bytes, 0), 0u);
  EXPECT_EQ(Get16(bytes, 7), 0);
  Put16(bytes, 2, 0xFFFF);
  Put32(bytes, 0, 0xFFFFFFFF);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x01, 0x02, 0x03}));
  std::string text = "ab";
  Put32(text, 0, 0x44434241);
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(Get32(std::string_view(text), 0), 0u);
}

}  // namespace
}  // namespace quorlex::platform
