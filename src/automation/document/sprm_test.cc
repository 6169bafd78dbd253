#include "automation/document/sprm.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/little_endian.h"

namespace quorlex::automation::document {

using platform::Append16;

namespace {

std::vector<std::uint16_t> Codes(std::string_view list) {
  std::vector<std::uint16_t> codes;
  SprmIterator it(list);
  while (auto s = it.Next())
    codes.push_back(s->code);
  return codes;
}

TEST(Sprm, OperandSizesFollowTheCode) {
  PropertyWriter w;
  w.Byte(sprm::kCFBold, 1)                            // one byte
      .Word(sprm::kCHps, 24)                          // two bytes
      .Long(sprm::kCCv, 0x00112233)                   // four bytes
      .Bytes(0xC60D, std::string(3, 'x'))             // counted
      .Bytes(sprm::kTDefTable, std::string(5, 'y'));  // counted in two bytes
  const std::string list = w.Take();
  EXPECT_EQ(Codes(list), (std::vector<std::uint16_t>{sprm::kCFBold, sprm::kCHps, sprm::kCCv, 0xC60D,
                                                     sprm::kTDefTable}));
  const auto def = FindLast(list, sprm::kTDefTable);
  ASSERT_TRUE(def);
  EXPECT_EQ(def->operand, "yyyyy");
  EXPECT_EQ(FindLast(list, sprm::kCCv)->Long(), 0x00112233u);
}

TEST(Sprm, TheLastOccurrenceWins) {
  PropertyWriter w;
  w.Byte(sprm::kCFBold, 1).Byte(sprm::kCFBold, 0);
  EXPECT_EQ(FindLast(w.str(), sprm::kCFBold)->Byte(), 0);
}

TEST(Sprm, ALongTabChangeIsMeasuredFromItsContent) {
  // Size byte 255: one deletion (4 bytes), two additions (3 bytes each).
  std::string list;
  Append16(list, 0xC615);
  list += '\xff';
  list += '\x01';
  list += std::string(4, 'd');
  list += '\x02';
  list += std::string(6, 'a');
  Append16(list, sprm::kPFInTable);
  list += '\x01';
  EXPECT_EQ(Codes(list), (std::vector<std::uint16_t>{0xC615, sprm::kPFInTable}));
}

TEST(Sprm, ATruncatedListStopsWithoutReadingPastIt) {
  std::string list;
  Append16(list, sprm::kCCv);
  list += "\x01\x02";  // two of four operand bytes
  EXPECT_TRUE(Codes(list).empty());
  EXPECT_TRUE(Codes(std::string("\x35")).empty());
}

TEST(Sprm, WithoutSprmsDropsOnlyThoseCodes) {
  PropertyWriter w;
  w.Byte(sprm::kPFInTable, 1).Byte(sprm::kPFTtp, 1).Long(sprm::kPItap, 1);
  EXPECT_EQ(Codes(WithoutSprms(w.str(), {sprm::kPFTtp})),
            (std::vector<std::uint16_t>{sprm::kPFInTable, sprm::kPItap}));
}

}  // namespace
}  // namespace quorlex::automation::document
