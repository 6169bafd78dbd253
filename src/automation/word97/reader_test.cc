#include "automation/word97/reader.h"

#include <gtest/gtest.h>

#include "automation/compound/reader.h"
#include "automation/testing/fixtures.h"
#include "automation/word97/word97_error.h"
#include "platform/files.h"
#include "platform/utf16.h"

namespace quorlex::automation::word97 {
namespace {

using document::StoryKind;
using testing::DocFixture;

ReadFailure FailureOf(const std::string& path) {
  try {
    ReadDocument(path);
  } catch (const ReadError& e) {
    return e.Failure();
  }
  ADD_FAILURE() << path << " was read";
  return ReadFailure::kDamaged;
}

TEST(Reader, ReadsTheTextOfASimpleDocument) {
  const auto d = ReadDocument(DocFixture("simple.doc"));
  EXPECT_EQ(d.PlainText(), "This is a simple file created with Word 97-SR2.\n");
  ASSERT_EQ(d.sections.size(), 1u);
  EXPECT_EQ(d.sections[0].Page().width, 12240);
  EXPECT_TRUE(d.Tables().empty());
  EXPECT_TRUE(d.fonts.Find("Times New Roman"));
}

TEST(Reader, ReadsAFastSavedDocumentThroughItsPieces) {
  const auto d = ReadDocument(DocFixture("rasp.doc"));
  const std::string text = d.PlainText();
  EXPECT_EQ(text.rfind("Распоряжение на выдачу информации из реестра", 0), 0u) << text;
  // Text deleted before the fast save is not part of the document.
  EXPECT_EQ(text.find("наименоваие эмитента"), std::string::npos);
  EXPECT_NE(text.find("Прошу выдать выписку из реестра акционеров"), std::string::npos);
  EXPECT_EQ(d.Tables().size(), 2u);
  EXPECT_TRUE(d.Main().Consistent());
}

TEST(Reader, ReadsTablesWithTheirRows) {
  const auto d = ReadDocument(DocFixture("simple-table.doc"));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(tables[0].rows.size(), 2u);
  const std::string text = d.PlainText();
  EXPECT_NE(text.find("Cell 1,1\tCell 1,2\tCell 1,3\t\t"), std::string::npos) << text;
}

TEST(Reader, ReadsMergedCellsAsRowsOfTheirOwnShape) {
  const auto d = ReadDocument(DocFixture("table-merges.doc"));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows.size(), 4u);  // cells spanning rows belong to the first
}

TEST(Reader, NestedTablesBelongToTheCellThatHoldsThem) {
  const auto d = ReadDocument(DocFixture("innertable.doc"));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows.size(), 3u);
  int deepest = 0;
  for (const auto& p : d.Main().paragraphs) {
    deepest = std::max(deepest, d.paragraph_properties.Marks(p.papx).depth);
  }
  EXPECT_EQ(deepest, 2);
}

TEST(Reader, ReadsHeadersAndFootersOfEachSection) {
  const auto d = ReadDocument(DocFixture("ThreeColHeadFoot.doc"));
  const std::string headers = d.PlainText(StoryKind::kHeaders);
  EXPECT_NE(headers.find("First header column!"), std::string::npos) << headers;
  EXPECT_NE(headers.find("Footer Left"), std::string::npos) << headers;
  std::string all;
  for (int kind = 0; kind < 6; ++kind) {
    all +=
        platform::Utf16ToUtf8(d.HeaderFooterText(0, static_cast<document::HeaderFooterKind>(kind)));
  }
  EXPECT_NE(all.find("Mid header"), std::string::npos) << all;
}

TEST(Reader, ReadsStyleNamesAndBuiltInIdentities) {
  const auto d = ReadDocument(DocFixture("Lists.doc"));
  ASSERT_TRUE(d.styles.FindBuiltin(0));
  const auto heading = d.styles.FindBuiltin(1);
  ASSERT_TRUE(heading);
  bool named = false;
  for (const auto& s : d.styles.styles)
    named = named || (s.istd == *heading && s.name == "Heading 1");
  EXPECT_TRUE(named);
}

TEST(Reader, ReadsTheStreamsWithoutTheirCompoundFile) {
  const compound::Entry file =
      compound::ReadCompoundFile(DocFixture("rasp.doc"));  // table stream 0Table
  const auto d =
      ReadDocumentStreams(file.Find("WordDocument")->data, file.Find("0Table")->data, "");
  EXPECT_EQ(d.PlainText(), ReadDocument(DocFixture("rasp.doc")).PlainText());
}

TEST(Reader, RefusesWord6AndOlder) {
  EXPECT_EQ(FailureOf(DocFixture("Word6.doc")), ReadFailure::kOldVersion);
  try {
    ReadDocument(DocFixture("Word6.doc"));
  } catch (const Error& e) {
    EXPECT_NE(e.Description().find("Word 6.0/95"), std::string::npos) << e.Description();
  }
}

TEST(Reader, RefusesEncryptedDocuments) {
  EXPECT_EQ(FailureOf(DocFixture("PasswordProtected.doc")), ReadFailure::kEncrypted);
}

TEST(Reader, RefusesWhatIsNotAWordDocument) {
  EXPECT_EQ(FailureOf(std::string(QUORLEX_SOURCE_DIR) + "/CMakeLists.txt"), ReadFailure::kNotWord);
  EXPECT_EQ(FailureOf(DocFixture("no-such-file.doc")), ReadFailure::kUnreadable);
}

TEST(Reader, ADamagedFileIsAnErrorNotACrash) {
  const std::string bytes = platform::ReadFile(DocFixture("simple-table.doc")).value_or("");
  // Cut the file short, and scribble over the text and tables.
  for (std::size_t cut : {512u, 1536u, 3000u, 8000u}) {
    EXPECT_THROW(ReadDocumentBytes(std::string_view(bytes).substr(0, cut)), Error) << cut;
  }
  std::string scribbled = bytes;
  for (std::size_t i = 1024; i < scribbled.size(); i += 7)
    scribbled[i] = static_cast<char>(i * 31);
  try {
    ReadDocumentBytes(scribbled);
  } catch (const Error&) {
  }
}

}  // namespace
}  // namespace quorlex::automation::word97
