#include "automation/biff8/workbook_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "automation/compound/reader.h"
#include "automation/compound/writer.h"
#include "automation/testing/fixtures.h"

namespace quorlex::automation::biff8 {
namespace {

using automation::compound::Entry;
using automation::compound::ReadCompoundBytes;
using automation::compound::ReadCompoundFile;
using automation::compound::WriteCompoundBytes;
using automation::testing::XlsFixture;

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A workbook with a macro project: storages two deep, each with its class.
TEST(WorkbookFile, StoragesComeBeforeWhatTheyHold) {
  const Entry tree = ReadCompoundFile(XlsFixture("44010-SingleChart.xls"));
  const WorkbookFile file = SplitWorkbookFile(tree);
  EXPECT_EQ(file.workbook, tree.Find("Workbook")->data);
  EXPECT_FALSE(file.has_biff5_book);
  EXPECT_EQ(file.root_clsid, tree.class_id);
  std::vector<std::string> paths;
  for (const auto& stored : file.others) {
    EXPECT_NE(stored.path, "Workbook");
    paths.push_back(stored.path);
  }
  const auto at = [&](const std::string& path) {
    return std::find(paths.begin(), paths.end(), path) - paths.begin();
  };
  ASSERT_LT(at("_VBA_PROJECT_CUR/VBA/dir"), static_cast<std::ptrdiff_t>(paths.size()));
  EXPECT_LT(at("_VBA_PROJECT_CUR"), at("_VBA_PROJECT_CUR/VBA"));
  EXPECT_LT(at("_VBA_PROJECT_CUR/VBA"), at("_VBA_PROJECT_CUR/VBA/dir"));
  const auto& project = file.others[static_cast<std::size_t>(at("_VBA_PROJECT_CUR"))];
  EXPECT_TRUE(project.is_storage);
  EXPECT_EQ(project.clsid, tree.Find("_VBA_PROJECT_CUR")->class_id);
}

// Taken apart and put together again, every fixture's compound file is the
// one it was, once written.
TEST(WorkbookFile, JoinedAgainTheTreeIsTheSame) {
  for (const char* name :
       {"44010-SingleChart.xls", "SimpleWithComments.xls", "xlrd-namesdemo.xls", "27394.xls"}) {
    const Entry tree = ReadCompoundFile(XlsFixture(name));
    const WorkbookFile file = SplitWorkbookFile(tree);
    const Entry joined = JoinWorkbookFile(Bytes(file.workbook), file.others, file.root_clsid);
    EXPECT_EQ(joined.children.front().name, "Workbook") << name;
    EXPECT_TRUE(ReadCompoundBytes(WriteCompoundBytes(joined)) == tree) << name;
  }
}

TEST(WorkbookFile, AnExcel95BookStreamIsNotedAndLeftOut) {
  Entry tree = Entry::Storage("");
  tree.children.push_back(Entry::Stream("Book", "BIFF5"));
  tree.children.push_back(Entry::Stream("\x05SummaryInformation", "properties"));
  const WorkbookFile file = SplitWorkbookFile(tree);
  EXPECT_TRUE(file.has_biff5_book);
  EXPECT_TRUE(file.workbook.empty());
  ASSERT_EQ(file.others.size(), 1u);
  EXPECT_EQ(file.others[0].path, "\x05SummaryInformation");
}

// Stream names compare without regard to case, and BIFF8 may sit in a
// stream named "Book": Excel opens both, and so do we.
TEST(WorkbookFile, TheWorkbookStreamIsFoundWhateverItsCaseOrName) {
  for (const char* name : {"BOOK_in_capitals.xls", "WORKBOOK_in_capitals.xls", "NoGutsRecords.xls",
                           "OddStyleRecord.xls"}) {
    const Entry tree = ReadCompoundFile(XlsFixture(name));
    ASSERT_EQ(tree.Find("Workbook"), nullptr) << name;
    const WorkbookFile file = SplitWorkbookFile(tree);
    EXPECT_FALSE(file.has_biff5_book) << name;
    ASSERT_GT(file.workbook.size(), 8u) << name;
    EXPECT_EQ(file.workbook.substr(0, 2), "\x09\x08") << name;
    for (const auto& stored : file.others) {
      EXPECT_NE(stored.path, "WORKBOOK") << name;
      EXPECT_NE(stored.path, "BOOK") << name;
    }
    const Entry joined = JoinWorkbookFile(Bytes(file.workbook), file.others, file.root_clsid);
    EXPECT_EQ(joined.children.front().name, "Workbook") << name;
  }
  // Excel's dual format holds both: the BIFF8 one is taken, the other left out.
  Entry dual = Entry::Storage("");
  dual.children.push_back(
      Entry::Stream("Book", std::string("\x09\x08\x08\x00\x00\x05\x05\x00", 8)));
  dual.children.push_back(
      Entry::Stream("workbook", std::string("\x09\x08\x08\x00\x00\x06\x05\x00", 8)));
  const WorkbookFile file = SplitWorkbookFile(dual);
  EXPECT_EQ(static_cast<int>(file.workbook[5]), 6);
  EXPECT_TRUE(file.others.empty());
}

TEST(WorkbookFile, AnEntryWhoseStorageIsNotListedIsLeftOut) {
  std::vector<workbook::StoredStream> others(3);
  others[0].path = "Kept";
  others[0].is_storage = true;
  others[0].clsid[0] = 7;
  others[1].path = "Kept/Inside";
  others[1].data = {1, 2, 3};
  others[2].path = "Missing/Inside";
  const std::uint8_t stream[] = {9};
  const Entry joined = JoinWorkbookFile(stream, others, {});
  ASSERT_EQ(joined.children.size(), 2u);
  EXPECT_EQ(joined.children[0].data, "\x09");
  const Entry* kept = joined.Find("Kept");
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->class_id[0], 7);
  ASSERT_EQ(kept->children.size(), 1u);
  EXPECT_EQ(kept->children[0].data, std::string("\x01\x02\x03"));
}

}  // namespace
}  // namespace quorlex::automation::biff8
