#include "automation/compound/writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "automation/compound/reader.h"
#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "platform/error.h"

namespace quorlex::automation::compound {
namespace {

namespace fs = std::filesystem;
using testing::DocFixture;
using testing::Quote;
using testing::RunCommand;
using testing::TempDir;
using testing::XlsFixture;

// The same tree: names, kinds, classes, bytes and order.
void ExpectSameTree(const Entry& a, const Entry& b, const std::string& where) {
  EXPECT_EQ(a.is_storage, b.is_storage) << where;
  if (a.is_storage) {
    EXPECT_EQ(a.class_id, b.class_id) << where;
  } else {
    EXPECT_TRUE(a.data == b.data) << where << ": " << a.data.size() << " and " << b.data.size()
                                  << " bytes";
  }
  ASSERT_EQ(a.children.size(), b.children.size()) << where;
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    EXPECT_EQ(a.children[i].name, b.children[i].name) << where;
    ExpectSameTree(a.children[i], b.children[i], where + "/" + a.children[i].name);
  }
}

std::array<std::uint8_t, 16> Class(std::uint8_t first) {
  std::array<std::uint8_t, 16> id{};
  for (std::size_t i = 0; i < id.size(); ++i)
    id[i] = static_cast<std::uint8_t>(first + i);
  return id;
}

// Streams of both sizes the format stores apart (under and over 4096
// bytes), an empty one, and storages two deep with classes of their own.
// Each storage lists its entries in the order the directory keeps them (by
// the length of the name, then by the name regardless of case), which is
// the order they are read back in.
Entry HandMadeTree() {
  Entry root = Entry::Storage("", Class(0x10));
  root.children.push_back(Entry::Stream("Big", std::string(10000, 'b')));
  root.children.push_back(Entry::Stream("Empty", ""));
  Entry outer = Entry::Storage("Outer", Class(0x20));
  Entry inner = Entry::Storage("Inner", Class(0x30));
  inner.children.push_back(Entry::Stream("Deep", std::string(5000, 'd')));
  outer.children.push_back(std::move(inner));
  outer.children.push_back(
      Entry::Stream("\x05"
                    "Properties",
                    std::string(300, 'p')));
  root.children.push_back(std::move(outer));
  root.children.push_back(Entry::Stream("Small", "small stream"));
  return root;
}

TEST(CompoundWriter, EveryFixtureWrittenBackReadsTheSame) {
  std::vector<std::string> paths;
  for (const auto& dir : {"xls", "doc"}) {
    for (const auto& file : fs::directory_iterator(fs::path(QUORLEX_FIXTURES_DIR) / dir)) {
      if (file.path().filename() != "xlrd-biff4_no_format_no_window2.xls")
        paths.push_back(file.path().string());
    }
  }
  ASSERT_GE(paths.size(), 25u);
  for (const std::string& path : paths) {
    const Entry original = ReadCompoundFile(path);
    const Entry again = ReadCompoundBytes(WriteCompoundBytes(original));
    ExpectSameTree(original, again, path);
  }
}

TEST(CompoundWriter, AHandMadeTreeReadsBackTheSame) {
  const Entry tree = HandMadeTree();
  ExpectSameTree(tree, ReadCompoundBytes(WriteCompoundBytes(tree)), "");
}

// Another program's reader of compound files finds the streams, nested
// ones included, with their bytes.
TEST(CompoundWriter, XlrdReadsTheStreamsWeWrite) {
  TempDir dir;
  const std::string path = dir.File("tree.bin");
  WriteCompoundFile(HandMadeTree(), path);
  const auto lengths = RunCommand(
      "/usr/bin/python3 -c " +
      Quote("import sys, xlrd.compdoc as c\n"
            "d = c.CompDoc(open(sys.argv[1], 'rb').read(), logfile=sys.stderr)\n"
            "for name in ('Big', 'Small', 'Outer/Inner/Deep', 'Outer/\\x05Properties'):\n"
            "    s = d.get_named_stream(name)\n"
            "    print(name, len(s), s[:1].decode())\n") +
      " " + Quote(path));
  ASSERT_EQ(lengths.status, 0) << lengths.output;
  EXPECT_EQ(lengths.output,
            "Big 10000 b\nSmall 12 s\nOuter/Inner/Deep 5000 d\nOuter/\x05Properties 300 p\n");
}

TEST(CompoundWriter, AFileTakesTheTargetsPlaceWithTheUsualPermissions) {
  TempDir dir;
  const std::string target = dir.File("out.doc");
  { std::ofstream(target) << "old"; }
  const Entry tree = ReadCompoundFile(DocFixture("simple.doc"));
  WriteCompoundFile(tree, target);
  ExpectSameTree(tree, ReadCompoundFile(target), target);
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path()))
    ++files;
  EXPECT_EQ(files, 1) << "a temporary file was left behind";
  const mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat status {};
  ASSERT_EQ(::stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

TEST(CompoundWriter, AFailedWriteIsAFileErrorAndLeavesNoFile) {
  TempDir dir;
  const std::string target = dir.File("missing/out.xls");
  try {
    WriteCompoundFile(ReadCompoundFile(XlsFixture("xlrd-ragged.xls")), target);
    ADD_FAILURE() << "written into a missing directory";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kFile);
    EXPECT_NE(e.Description().find(target), std::string::npos) << e.Description();
  }
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

}  // namespace
}  // namespace quorlex::automation::compound
