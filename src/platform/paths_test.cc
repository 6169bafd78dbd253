#include "platform/paths.h"

#include <gtest/gtest.h>

namespace quorlex::platform {
namespace {

TEST(PathsTest, RenameExtension) {
  EXPECT_EQ(RenameExtension("/in/DAYRUR~1.xml", ".xls"), "/in/DAYRUR~1.xls");
  EXPECT_EQ(RenameExtension("/in/a.b.c", ".doc"), "/in/a.b.doc");
  EXPECT_EQ(RenameExtension("/in.dir/report", ".xls"), "/in.dir/report.xls");
  // A space after the last dot means it does not start an extension.
  EXPECT_EQ(RenameExtension("/in/a. b", ".xls"), "/in/a. b.xls");
  EXPECT_EQ(RenameExtension("/in/my report.xml", ".xls"), "/in/my report.xls");
  EXPECT_EQ(RenameExtension("/in/a~1.xml.xls", ".xls"), "/in/a~1.xml.xls");
}

TEST(PathsTest, FileNamePart) {
  EXPECT_EQ(FileNamePart("/dir/sub/DAYRUR~1.xml"), "DAYRUR~1.xml");
  EXPECT_EQ(FileNamePart("/DAYRUR~1.xml"), "DAYRUR~1.xml");
  EXPECT_EQ(FileNamePart("C:DAYRUR~1.xml"), "DAYRUR~1.xml");
  EXPECT_EQ(FileNamePart("DAYRUR~1.xml"), "DAYRUR~1.xml");
  EXPECT_EQ(FileNamePart("/dir/"), "");
}

TEST(PathsTest, BackslashesReadAsSlashes) { EXPECT_EQ(ToSlashes(".\\template\\"), "./template/"); }

}  // namespace
}  // namespace quorlex::platform

namespace quorlex::platform {
namespace {

TEST(PathsTest, JoinPathInsideADirectoryAndInTheRoot) {
  EXPECT_EQ(JoinPath("/opt/quorlex", "quorlex.ini"), "/opt/quorlex/quorlex.ini");
  EXPECT_EQ(JoinPath("/", "quorlex.log"), "/quorlex.log");
  EXPECT_EQ(JoinPath("/opt/quorlex", "template/"), "/opt/quorlex/template/");
}

}  // namespace
}  // namespace quorlex::platform
