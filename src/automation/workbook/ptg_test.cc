#include "automation/workbook/ptg.h"

#include <gtest/gtest.h>

#include <vector>

#include "automation/workbook/ptg_rewrite.h"

namespace quorlex::automation::workbook {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::size_t> Sizes(const Bytes& rgce) {
  std::vector<std::size_t> sizes;
  if (!ForEachPtg(rgce,
                  [&](std::size_t, std::size_t size, std::uint8_t) { sizes.push_back(size); }))
    sizes.push_back(0);
  return sizes;
}

TEST(Ptg, SizesOfEveryKind) {
  // =IF(A1>1,"ab",SUM(Sheet2!B1:B3)) as Excel writes it, with its attributes.
  const Bytes rgce = {
      0x44, 0x00, 0x00, 0x00, 0xC0,                                      // A1 (value class)
      0x1E, 0x01, 0x00,                                                  // 1
      0x0D,                                                              // >
      0x19, 0x02, 0x08, 0x00,                                            // IF jump
      0x17, 0x02, 0x00, 'a',  'b',                                       // "ab"
      0x19, 0x08, 0x10, 0x00,                                            // skip
      0x3B, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0xC0, 0x01, 0xC0,  // Sheet2!B1:B3
      0x19, 0x10, 0x00, 0x00,                                            // SUM attribute
      0x19, 0x08, 0x03, 0x00,                                            // skip
      0x42, 0x03, 0x01, 0x00,                                            // IF
  };
  EXPECT_EQ(Sizes(rgce), (std::vector<std::size_t>{5, 3, 1, 4, 5, 4, 11, 4, 4, 4}));
  EXPECT_TRUE(NamesSheets(rgce));
}

TEST(Ptg, WideStringsChooseAndExtendedTokens) {
  EXPECT_EQ(Sizes({0x17, 0x02, 0x01, 'a', 0, 'b', 0}), (std::vector<std::size_t>{7}));
  // CHOOSE with two cases: a table of three offsets.
  EXPECT_EQ(Sizes({0x19, 0x04, 0x02, 0x00, 1, 0, 2, 0, 3, 0}), (std::vector<std::size_t>{10}));
  EXPECT_EQ(Sizes({0x18, 0x01, 0, 0, 0, 0, 0x1F, 0, 0, 0, 0, 0, 0, 0, 0}),
            (std::vector<std::size_t>{6, 9}));
  EXPECT_EQ(Sizes({0x39, 1, 0, 2, 0, 0, 0, 0x26, 0, 0, 0, 0, 5, 0}),
            (std::vector<std::size_t>{7, 7}));
  EXPECT_FALSE(NamesSheets(Bytes{0x24, 0, 0, 0, 0}));
}

TEST(Ptg, UnknownOrCutShortTokensStopTheWalk) {
  EXPECT_EQ(Sizes({0x24, 0, 0}), (std::vector<std::size_t>{0}));
  EXPECT_EQ(Sizes({0x1E, 1, 0, 0x2F}), (std::vector<std::size_t>{3, 0}));
  EXPECT_EQ(Sizes({0x00}), (std::vector<std::size_t>{0}));
  EXPECT_TRUE(NamesSheets(Bytes{0x2F}));  // what cannot be read may name anything
}

TEST(PtgRewrite, LongerTokensKeepJumpsRight) {
  // =IF(A1,B1,C1): IF jumps over B1 and its skip; the skips jump to the end.
  Bytes rgce = {0x44, 0,    0,    0,    0xC0,  // A1       0..4
                0x19, 0x02, 0x09, 0x00,        // IF       5..8 -> 18
                0x44, 0,    0,    1,    0xC0,  // B1       9..13
                0x19, 0x08, 0x08, 0x00,        // skip    14..17 -> 27
                0x44, 0,    0,    2,    0xC0,  // C1      18..22
                0x19, 0x08, 0x03, 0x00,        // skip    23..26 -> 30
                0x42, 0x03, 0x01, 0x00};       // IF      27..30
  // B1 becomes a 3-D reference, two bytes longer.
  Bytes out = ReplacePtgs(rgce, {{9, {0x5A, 0x02, 0x00, 0, 0, 1, 0xC0}}});
  ASSERT_EQ(out.size(), rgce.size() + 2);
  EXPECT_EQ(out[7], 0x0B);   // IF now jumps 11 bytes
  EXPECT_EQ(out[18], 0x08);  // the first skip still lands on the function
  EXPECT_EQ(out[27], 0x03);
  EXPECT_EQ(out[9], 0x5A);
  // C1 grows instead: the first skip jumps further, IF does not.
  out = ReplacePtgs(rgce, {{18, {0x5A, 0x02, 0x00, 0, 0, 2, 0xC0}}});
  EXPECT_EQ(out[7], 0x09);
  EXPECT_EQ(out[16], 0x0A);
  EXPECT_EQ(out[27], 0x03);
}

TEST(PtgRewrite, ChooseTablesAndMemoryLengthsFollow) {
  // CHOOSE(1, A1, B1): offsets from the start of the table.
  Bytes choose = {0x1E, 0x01, 0x00,                                      // 1        0..2
                  0x19, 0x04, 0x02, 0x00, 6,    0,    15,   0,   24, 0,  // table at 7
                  0x44, 0,    0,    0,    0xC0,                          // A1      13..17
                  0x19, 0x08, 0x09, 0x00,                                // skip
                  0x44, 0,    0,    1,    0xC0,                          // B1      22..26
                  0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x64, 0x00};
  Bytes out = ReplacePtgs(choose, {{13, {0x5A, 0x01, 0x00, 0, 0, 0, 0xC0}}});
  EXPECT_EQ(out[9], 17);  // the second case starts two bytes later
  EXPECT_EQ(out[11], 26);
  // A memory area around a growing reference counts it.
  Bytes mem = {0x26, 0, 0, 0, 0, 5, 0, 0x24, 0, 0, 0, 0xC0};
  out = ReplacePtgs(mem, {{7, {0x3A, 0x01, 0x00, 0, 0, 0, 0xC0}}});
  EXPECT_EQ(out[5], 7);
}

}  // namespace
}  // namespace quorlex::automation::workbook
