#include "automation/document/story.h"

#include <gtest/gtest.h>

namespace quorlex::automation::document {
namespace {

// "ab¶" "cd¶" read from a file at positions 0..5, in two formats.
Story TwoParagraphs() {
  Story s;
  s.Append(u"ab", 1, 0);
  s.EndParagraph(mark::kParagraph, 7, 1, false, 2);
  s.Append(u"cd", 2, 3);
  s.EndParagraph(mark::kParagraph, 8, 2, false, 5);
  return s;
}

TEST(Story, AppendMergesRunsOfOneFormatThatFollowEachOther) {
  const Story s = TwoParagraphs();
  ASSERT_EQ(s.runs.size(), 2u);
  EXPECT_EQ(s.runs[0].end, 3u);
  EXPECT_EQ(s.runs[0].origin, 0u);
  EXPECT_EQ(s.runs[1].origin, 3u);
  ASSERT_EQ(s.paragraphs.size(), 2u);
  EXPECT_EQ(s.paragraphs[1].end, 6u);
  EXPECT_TRUE(s.Consistent());
}

TEST(Story, NewTextIsNeverMergedWithTextFromTheFile) {
  Story s;
  s.Append(u"ab", 1, 0);
  s.Append(u"cd", 1);  // same format, but new
  EXPECT_EQ(s.runs.size(), 2u);
  s.Append(u"ef", 1, 9);  // from the file, but not where "ab" continues
  EXPECT_EQ(s.runs.size(), 3u);
}

TEST(Story, InsertShiftsWhatFollowsAndKeepsOrigins) {
  Story s = TwoParagraphs();
  Story fragment;
  fragment.Append(u"XY", 5);
  fragment.EndParagraph(mark::kParagraph, 9, 5);
  s.Insert(3, fragment);  // between the paragraphs
  EXPECT_EQ(s.text, u"ab\rXY\rcd\r");
  ASSERT_TRUE(s.Consistent());
  ASSERT_EQ(s.paragraphs.size(), 3u);
  EXPECT_EQ(s.paragraphs[1].papx, 9u);
  EXPECT_EQ(s.paragraphs[2].end, 9u);
  const document::Run& moved = s.runs[s.RunAt(6)];
  EXPECT_EQ(moved.origin, 3u);
  EXPECT_EQ(s.runs[s.RunAt(3)].origin, kNew);
}

TEST(Story, InsertInsideARunSplitsItWithTheRightOrigin) {
  Story s;
  s.Append(u"abcd", 1, 10);
  s.EndParagraph(mark::kParagraph, 0, 1, false, 14);
  Story fragment;
  fragment.EndParagraph(mark::kParagraph, 0, 2);
  s.Insert(2, fragment);
  EXPECT_EQ(s.text, u"ab\rcd\r");
  ASSERT_EQ(s.runs.size(), 3u);
  EXPECT_EQ(s.runs[0].origin, 10u);
  EXPECT_EQ(s.runs[2].origin, 12u);
  EXPECT_TRUE(s.Consistent());
}

TEST(Story, EraseRemovesWholeParagraphsAndTrimsRuns) {
  Story s = TwoParagraphs();
  s.Erase(0, 3);
  EXPECT_EQ(s.text, u"cd\r");
  ASSERT_EQ(s.paragraphs.size(), 1u);
  EXPECT_EQ(s.paragraphs[0].papx, 8u);
  ASSERT_EQ(s.runs.size(), 1u);
  EXPECT_EQ(s.runs[0].origin, 3u);
  EXPECT_TRUE(s.Consistent());
}

TEST(Story, FindsTheParagraphAndRunOfAPosition) {
  const Story s = TwoParagraphs();
  EXPECT_EQ(s.ParagraphAt(0), 0u);
  EXPECT_EQ(s.ParagraphAt(2), 0u);
  EXPECT_EQ(s.ParagraphAt(3), 1u);
  EXPECT_EQ(s.ParagraphAt(6), 1u);  // the end counts as the last paragraph
  EXPECT_EQ(s.ParagraphStart(1), 3u);
  EXPECT_EQ(s.RunAt(4), 1u);
}

}  // namespace
}  // namespace quorlex::automation::document
