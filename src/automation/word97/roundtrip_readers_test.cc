// Each Word 97-2003 fixture read and written back unchanged must look the
// same to the independent readers: same text, same tables, same headers and
// footers. Starts LibreOffice: labelled slow.

#include <gtest/gtest.h>

#include "automation/testing/doc_readers.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/word97/reader.h"
#include "automation/word97/writer.h"

namespace quorlex::automation::word97 {
namespace {

using testing::Count;
using testing::DocFixture;
using testing::DocTestName;
using testing::Reading;
using testing::Squeeze;

class RoundTrip : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    original_ = DocFixture(GetParam());
    written_ = dir_.File(GetParam());
    WriteDocument(ReadDocument(original_), written_);
  }

  static void ExpectRead(const Reading& r, const std::string& what) {
    EXPECT_TRUE(r.ok) << what;
    EXPECT_EQ(r.problems, "") << what;
  }

  testing::TempDir dir_;
  std::string original_;
  std::string written_;
};

TEST_P(RoundTrip, LibreOfficeReadsTheSameText) {
  const Reading before = testing::LibreOfficeText(original_);
  const Reading after = testing::LibreOfficeText(written_);
  ExpectRead(before, "original");
  ExpectRead(after, "written");
  EXPECT_EQ(after.text, before.text);
}

TEST_P(RoundTrip, LibreOfficeShowsTheSamePagesWithHeadersAndFooters) {
  const Reading before = testing::LibreOfficePdfText(original_);
  const Reading after = testing::LibreOfficePdfText(written_);
  ExpectRead(before, "original");
  ExpectRead(after, "written");
  EXPECT_EQ(Squeeze(after.text), Squeeze(before.text));
}

TEST_P(RoundTrip, LibreOfficeSeesTheSameTables) {
  const Reading before = testing::LibreOfficeHtml(original_);
  const Reading after = testing::LibreOfficeHtml(written_);
  ExpectRead(before, "original");
  ExpectRead(after, "written");
  EXPECT_EQ(Count(after.text, "<table"), Count(before.text, "<table"));
  EXPECT_EQ(Count(after.text, "<tr"), Count(before.text, "<tr"));
  EXPECT_EQ(Count(after.text, "<td"), Count(before.text, "<td"));
  EXPECT_EQ(Count(after.text, "rowspan"), Count(before.text, "rowspan"));
  EXPECT_EQ(Count(after.text, "colspan"), Count(before.text, "colspan"));
}

TEST_P(RoundTrip, AntiwordReadsTheSameText) {
  const Reading before = testing::Antiword(original_);
  const Reading after = testing::Antiword(written_);
  ExpectRead(after, "written");
  // Some fixtures keep their text where antiword does not look (it gives up
  // on them); what we write it reads. Spacing may differ: antiword ignores
  // the style changes a fast save makes, which the written file holds as
  // the paragraphs' own styles.
  if (before.ok && before.problems.empty()) {
    EXPECT_EQ(Squeeze(after.text), Squeeze(before.text));
  }
  EXPECT_FALSE(Squeeze(after.text).empty() && !Squeeze(before.text).empty());
}

TEST_P(RoundTrip, WvTextAndCatdocReadIt) {
  const Reading wv = testing::WvText(written_);
  ExpectRead(wv, "wvText");
  const Reading catdoc = testing::Catdoc(written_);
  ExpectRead(catdoc, "catdoc");
  const Reading lo = testing::LibreOfficeText(written_);
  const std::string first_word = Squeeze(lo.text).substr(0, Squeeze(lo.text).find(' '));
  EXPECT_NE(wv.text.find(first_word), std::string::npos) << first_word;
  EXPECT_NE(catdoc.text.find(first_word), std::string::npos) << first_word;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RoundTrip, ::testing::ValuesIn(testing::kWordFixtures),
                         DocTestName);

}  // namespace
}  // namespace quorlex::automation::word97
