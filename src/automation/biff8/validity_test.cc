// The records we write are shaped as Excel shapes them, checked against
// Excel-made fixtures where one holds the same record.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "automation/biff8/reader.h"
#include "automation/biff8/records.h"
#include "automation/biff8/writer.h"
#include "automation/compound/reader.h"
#include "automation/testing/fixtures.h"
#include "platform/error.h"

namespace quorlex::biff8 {
namespace {

using automation::testing::XlsFixture;
using workbook::Get16;
using workbook::Record;

std::vector<Record> Records(const std::vector<std::uint8_t>& stream) {
  std::vector<Record> out;
  RecordReader in(stream);
  Record r;
  while (in.Next(r)) out.push_back(r);
  return out;
}

std::vector<std::uint8_t> FixtureStream(const std::string& name) {
  const auto root = automation::compound::ReadCompoundFile(XlsFixture(name));
  const auto* stream = root.Find("Workbook");
  if (stream == nullptr) throw std::runtime_error(name + " has no Workbook stream");
  return {stream->data.begin(), stream->data.end()};
}

std::vector<const Record*> OfType(const std::vector<Record>& records, std::uint16_t type) {
  std::vector<const Record*> out;
  for (const Record& r : records) {
    if (r.type == type) out.push_back(&r);
  }
  return out;
}

// A comment's text box: an 18-byte TXO as in Excel's own files, then the
// text and the two formatting runs in CONTINUE records.
TEST(TextBox, CommentTextObjectIsShapedAsExcelWritesIt) {
  const auto excel = Records(FixtureStream("SimpleWithComments.xls"));
  ASSERT_FALSE(OfType(excel, rt::kTxo).empty());
  for (const Record* txo : OfType(excel, rt::kTxo)) EXPECT_EQ(txo->data.size(), 18u);

  auto book = workbook::Workbook::CreateBlank();
  workbook::Shape& note = book->SheetAt(0).Art().AddNote(3, 2, "Автор");
  note.note->text = "Примечание";
  const auto ours = Records(WriteWorkbookStream(*book));
  const auto txos = OfType(ours, rt::kTxo);
  ASSERT_EQ(txos.size(), 1u);
  const Record& txo = *txos.front();
  ASSERT_EQ(txo.data.size(), 18u);
  EXPECT_EQ(Get16(txo.data, 10), 10u);  // characters
  EXPECT_EQ(Get16(txo.data, 12), 16u);  // two runs of 8 bytes
  EXPECT_EQ(Get16(txo.data, 16), 0u);   // no formula
  const auto at = static_cast<std::size_t>(std::find_if(ours.begin(), ours.end(), [](const Record& r) {
                                            return r.type == rt::kTxo;
                                          }) - ours.begin());
  ASSERT_LT(at + 2, ours.size());
  EXPECT_EQ(ours[at + 1].type, rt::kContinue);
  EXPECT_EQ(ours[at + 1].data.size(), 1u + 2 * 10);  // wide text behind its option byte
  EXPECT_EQ(ours[at + 2].type, rt::kContinue);
  ASSERT_EQ(ours[at + 2].data.size(), 16u);
  EXPECT_EQ(Get16(ours[at + 2].data, 8), 10u);  // the last run starts after the text
}

// The drawing group goes with the last drawing: a workbook without
// drawings has none, whatever its template had.
TEST(DrawingGroup, OnlyWorkbooksWithDrawingsHaveOne) {
  EXPECT_TRUE(OfType(Records(WriteWorkbookStream(*workbook::Workbook::CreateBlank())), rt::kMsoDrawingGroup).empty());

  auto book = ReadWorkbook(XlsFixture("SimpleWithComments.xls"));
  auto kept = Records(WriteWorkbookStream(*book));
  EXPECT_EQ(OfType(kept, rt::kMsoDrawingGroup).size(), 1u);
  ASSERT_FALSE(OfType(kept, rt::kMsoDrawing).empty());
  for (std::size_t i = 0; i < book->SheetCount(); ++i) book->SheetAt(i).DeleteRows(0, 65536);
  auto emptied = Records(WriteWorkbookStream(*book));
  EXPECT_TRUE(OfType(emptied, rt::kMsoDrawing).empty());
  EXPECT_TRUE(OfType(emptied, rt::kMsoDrawingGroup).empty());
  EXPECT_TRUE(OfType(emptied, rt::kNote).empty());
}

}  // namespace
}  // namespace quorlex::biff8
