#include "automation/word97/writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "automation/compound/reader.h"
#include "automation/document/paragraph_format.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/word97/cp_map.h"
#include "automation/word97/fib.h"
#include "automation/word97/reader.h"
#include "platform/error.h"

namespace quorlex::automation::word97 {
namespace {

namespace fs = std::filesystem;
using document::Document;
using testing::DocFixture;
using testing::TempDir;

// Character formats character by character, and paragraph formats
// paragraph by paragraph: what a reader sees, whatever the run layout.
std::vector<std::string> CharacterFormats(const Document& d, document::StoryKind kind) {
  std::vector<std::string> out;
  const auto& story = d.Part(kind);
  std::uint32_t at = 0;
  for (const auto& run : story.runs) {
    for (; at < run.end; ++at)
      out.push_back(d.character_properties.Get(run.chpx));
  }
  return out;
}

std::vector<std::string> ParagraphFormats(const Document& d, document::StoryKind kind) {
  std::vector<std::string> out;
  for (const auto& p : d.Part(kind).paragraphs) {
    out.push_back(d.paragraph_properties.Raw(p.papx) + (p.section_end ? "|section" : ""));
  }
  return out;
}

void ExpectSameDocument(const Document& a, const Document& b, const std::string& name) {
  for (std::size_t k = 0; k < document::kStoryCount; ++k) {
    const auto kind = static_cast<document::StoryKind>(k);
    EXPECT_EQ(a.Part(kind).text, b.Part(kind).text) << name << " part " << k;
    EXPECT_EQ(CharacterFormats(a, kind), CharacterFormats(b, kind)) << name << " part " << k;
    EXPECT_EQ(ParagraphFormats(a, kind), ParagraphFormats(b, kind)) << name << " part " << k;
  }
  ASSERT_EQ(a.sections.size(), b.sections.size()) << name;
  for (std::size_t i = 0; i < a.sections.size(); ++i) {
    EXPECT_EQ(a.sections[i].properties, b.sections[i].properties) << name;
  }
  EXPECT_EQ(a.header_footer_positions, b.header_footer_positions) << name;
  EXPECT_EQ(a.styles.raw, b.styles.raw) << name;
  ASSERT_EQ(a.fonts.fonts().size(), b.fonts.fonts().size()) << name;
  for (std::size_t i = 0; i < a.fonts.fonts().size(); ++i) {
    EXPECT_EQ(a.fonts.fonts()[i].record, b.fonts.fonts()[i].record) << name;
  }
}

TEST(Writer, EveryFixtureReadsBackAsItWasWritten) {
  for (const char* name : testing::kWordFixtures) {
    const Document original = ReadDocument(DocFixture(name));
    const Document again = ReadDocumentBytes(WriteDocumentBytes(original));
    ExpectSameDocument(original, again, name);
    // A document written by us reads back the same too.
    ExpectSameDocument(again, ReadDocumentBytes(WriteDocumentBytes(again)), name);
  }
}

TEST(Writer, KeepsStreamsItDoesNotModel) {
  const Document d = ReadDocument(DocFixture("ThreeColHeadFoot.doc"));
  const compound::Entry written = compound::ReadCompoundBytes(WriteDocumentBytes(d));
  for (const char* stream : {"WordDocument", "1Table", "Data",
                             "\x01"
                             "CompObj",
                             "\x05SummaryInformation",
                             "\x05"
                             "DocumentSummaryInformation"}) {
    EXPECT_NE(written.Find(stream), nullptr) << stream;
  }
  EXPECT_EQ(written.Find("0Table"), nullptr);
  const compound::Entry original = compound::ReadCompoundFile(DocFixture("ThreeColHeadFoot.doc"));
  EXPECT_TRUE(written.Find("\x05SummaryInformation")->data ==
              original.Find("\x05SummaryInformation")->data);
  EXPECT_TRUE(written.Find("Data")->data == original.Find("Data")->data);
}

TEST(Writer, WritesOnePieceOfUnicodeText) {
  const Document d = ReadDocument(DocFixture("rasp.doc"));  // fast-saved, several pieces
  const compound::Entry written = compound::ReadCompoundBytes(WriteDocumentBytes(d));
  const Fib fib = Fib::Parse(written.Find("WordDocument")->data);
  EXPECT_EQ(fib.Flags() & fib_flag::kComplex, 0);
  EXPECT_EQ(fib.Flags() & fib_flag::kQuickSaves, 0);
  EXPECT_TRUE(fib.TableStreamIsOne());
  EXPECT_EQ(fib.Size(fib_index::kClx), 1u + 4 + 8 + 8);
}

TEST(Writer, ReplacesTheTargetOnlyWhenTheWholeFileIsWritten) {
  TempDir dir;
  const std::string target = dir.File("out.doc");
  const Document d = ReadDocument(DocFixture("simple.doc"));
  WriteDocument(d, target);
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(ReadDocument(target).PlainText(), d.PlainText());
  // Over an existing file.
  WriteDocument(ReadDocument(DocFixture("simple-table.doc")), target);
  EXPECT_EQ(ReadDocument(target).Tables().size(), 1u);
  // Nothing is left behind in the directory but the target.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path()))
    ++files;
  EXPECT_EQ(files, 1);
}

TEST(Writer, AFailedWriteLeavesNoFile) {
  TempDir dir;
  const Document d = ReadDocument(DocFixture("simple.doc"));
  const std::string target = dir.File("missing/out.doc");
  EXPECT_THROW(WriteDocument(d, target), Error);
  EXPECT_FALSE(fs::exists(target));
  Document unsourced;
  EXPECT_THROW(WriteDocument(unsourced, dir.File("x.doc")), Error);
  EXPECT_FALSE(fs::exists(dir.File("x.doc")));
}

TEST(Writer, InsertedTextIsWrittenBeforeTheTemplateText) {
  Document d = ReadDocument(DocFixture("simple-table.doc"));
  document::Story fragment;
  fragment.Append(u"Вставлено", 0);
  fragment.EndParagraph(document::mark::kParagraph, 0, 0);
  d.Main().Insert(0, fragment);
  d.DeleteRow(document::StoryKind::kMain, d.Tables()[0], 0);
  const Document again = ReadDocumentBytes(WriteDocumentBytes(d));
  EXPECT_EQ(again.PlainText().rfind("Вставлено\nThis is a Word document", 0), 0u);
  EXPECT_EQ(again.PlainText().find("Cell 1,1"), std::string::npos);
  ASSERT_EQ(again.Tables().size(), 1u);
  EXPECT_EQ(again.Tables()[0].rows.size(), 1u);
}

TEST(CpMap, MovesPositionsWithTheTextAroundThem) {
  Document d;
  auto& main = d.Main();
  main.Append(u"new", 0);        // inserted: no origin
  main.Append(u"abcdef", 0, 0);  // was at 0..5
  main.Append(u"ghi", 0, 9);     // was at 9..11: 6..8 were deleted
  main.EndParagraph(document::mark::kParagraph, 0, 0, false, 12);
  const CpMap map(d, {0, 13, 13, 13, 13, 13, 13, 13, 13}, 13, 13);
  EXPECT_EQ(map.Map(0).cp, 3u);
  EXPECT_TRUE(map.Map(0).kept);
  EXPECT_EQ(map.Map(5).cp, 8u);
  EXPECT_FALSE(map.Map(7).kept);
  EXPECT_EQ(map.Map(7).cp, 9u) << "a deleted character maps to where it was";
  EXPECT_EQ(map.Map(9).cp, 9u);
  EXPECT_EQ(map.Map(12).cp, 12u);
  EXPECT_EQ(map.Map(13).cp, 13u) << "the end stays the end";
  EXPECT_EQ(map.Map(15).cp, 15u);
}

}  // namespace
}  // namespace quorlex::automation::word97
