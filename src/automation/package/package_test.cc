#include "automation/package/package.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "platform/error.h"
#include "platform/files.h"

namespace quorlex::automation::package {
namespace {

using testing::Quote;
using testing::RunCommand;
using testing::TempDir;

constexpr char kSheetType[] =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

const char* const kPackages[] = {"xlsx/45540_classic_Header.xlsx",
                                 "xlsx/62629_toMerge.xlsx",
                                 "xlsx/DataValidations-49244.xlsx",
                                 "xlsx/SampleSS.xlsx",
                                 "xlsx/SimpleWithComments.xlsx",
                                 "xlsx/Themes.xlsx",
                                 "xlsx/WithChart.xlsx",
                                 "xlsx/WithConditionalFormatting.xlsx",
                                 "xlsx/WithVariousData.xlsx",
                                 "xlsx/chart_sheet.xlsx",
                                 "xlsx/headerFooterTest.xlsx",
                                 "docx/EmptyDocumentWithHeaderFooter.docx",
                                 "docx/FieldCodes.docx",
                                 "docx/SampleDoc.docx",
                                 "docx/SimpleHeadThreeColFoot.docx",
                                 "docx/Styles.docx",
                                 "docx/TestTableColumns.docx",
                                 "docx/footnotes.docx",
                                 "docx/headerFooter.docx",
                                 "docx/headerPic.docx",
                                 "docx/sample.docx"};

std::string Fixture(const char* name) { return std::string(QUORLEX_FIXTURES_DIR) + "/" + name; }

std::string TestName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name;
  for (const char* c = info.param; *c != '\0'; ++c)
    name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name;
}

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Description();
  }
  return {};
}

// Everything a package says, for comparing two of them.
struct Summary {
  std::vector<std::string> names;
  std::map<std::string, std::string> bytes;
  std::map<std::string, std::string> types;
  std::map<std::string, std::vector<Relationship>> rels;
  bool operator==(const Summary&) const = default;
};

Summary Summarize(const Package& pkg) {
  Summary s;
  s.names = pkg.PartNames();
  for (const std::string& name : s.names) {
    s.bytes[name] = pkg.Read(name);
    s.types[name] = pkg.ContentTypeOf(name);
    if (const Relationships* r = pkg.FindRelationships(name)) s.rels[name] = r->All();
  }
  if (const Relationships* r = pkg.FindRelationships("/")) s.rels["/"] = r->All();
  return s;
}

class PackageFixtureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(PackageFixtureTest, ReadsTheMainPartAndEveryPartHasAType) {
  const Package pkg = Package::Open(Fixture(GetParam()));
  const std::string main = pkg.MainPart();
  EXPECT_TRUE(pkg.Has(main)) << main;
  EXPECT_TRUE(pkg.Inconsistencies().empty()) << pkg.Inconsistencies().front();
  for (const std::string& name : pkg.PartNames())
    EXPECT_FALSE(pkg.ContentTypeOf(name).empty()) << name;
}

TEST_P(PackageFixtureTest, WritingBackKeepsEveryPartTypeAndRelationship) {
  const Package pkg = Package::Open(Fixture(GetParam()));
  const std::string bytes = pkg.SaveToBytes();
  const Package again = Package::FromBytes(bytes, "again");
  EXPECT_TRUE(Summarize(pkg) == Summarize(again));
  // A second round gives the same file: nothing depends on the clock.
  EXPECT_EQ(again.SaveToBytes(), bytes);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PackageFixtureTest, ::testing::ValuesIn(kPackages), TestName);

TEST(PackageTest, PythonsZipReaderAcceptsWhatWeWrite) {
  TempDir dir;
  Package pkg = Package::Open(Fixture("xlsx/WithChart.xlsx"));
  pkg.Save(dir.File("out.xlsx"), {.compression_level = 1});
  const auto result = RunCommand(
      "/usr/bin/python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
      "bad = z.testzip(); print(bad or \"ok\", z.namelist()[0], "
      "any(i.extra for i in z.infolist()))' " +
      Quote(dir.File("out.xlsx")));
  // Every entry checks out, the content types come first, and no entry
  // carries extra fields (no Zip64 records an old reader would trip on).
  EXPECT_EQ(result.output, "ok [Content_Types].xml False\n");
}

TEST(PackageTest, ContentTypesOverridesAndRemoval) {
  Package pkg = Package::Open(Fixture("xlsx/SampleSS.xlsx"));
  const std::string main = pkg.MainPart();
  EXPECT_EQ(main, "/xl/workbook.xml");
  const std::string sheet = pkg.FreeName("/xl/worksheets/sheet#.xml");
  EXPECT_FALSE(pkg.Has(sheet));
  pkg.Write(sheet, "<worksheet/>", kSheetType);
  EXPECT_EQ(pkg.ContentTypeOf(sheet), kSheetType);
  EXPECT_EQ(pkg.ContentTypeOf("/XL/WORKSHEETS/" + sheet.substr(15)), kSheetType);
  pkg.RelationshipsOf(sheet).Add("urn:t", "../media/none.png");
  EXPECT_FALSE(pkg.Inconsistencies().empty());  // the target is missing
  pkg.Remove(sheet);
  EXPECT_FALSE(pkg.Has(sheet));
  EXPECT_EQ(pkg.FindRelationships(sheet), nullptr);
  EXPECT_FALSE(pkg.Types().HasOverride(sheet));
  EXPECT_TRUE(pkg.Inconsistencies().empty());
  // A type given by the extension's default needs no override.
  pkg.Write("/xl/extra.xml", "<x/>", pkg.Types().Defaults().at("xml"));
  EXPECT_FALSE(pkg.Types().HasOverride("/xl/extra.xml"));
}

TEST(PackageTest, RelationshipIdsStayUnique) {
  Relationships rels;
  rels.AddWithId({"rId2", "t", "a.xml", false});
  std::set<std::string> ids{"rId2"};
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(ids.insert(rels.Add("t", "b.xml")).second);
  EXPECT_THROW(rels.AddWithId({"rId1", "t", "c.xml", false}), Error);
  const Relationships back = Relationships::Parse(rels.Serialize(), "/x.rels");
  EXPECT_EQ(back.All(), rels.All());
}

TEST(PackageTest, SaveReplacesTheTargetAtomically) {
  TempDir dir;
  const std::string out = dir.File("book.xlsx");
  ASSERT_TRUE(std::ofstream(out) << "an older file");
  const Package pkg = Package::Open(Fixture("xlsx/SampleSS.xlsx"));
  pkg.Save(out);
  EXPECT_NO_THROW(Package::Open(out));

  // A part that fails while the archive is being written leaves the older
  // file as it was and no temporary file behind.
  struct Failing : PartProducer {
    int given = 0;
    void Start() override { given = 0; }
    bool Next(std::string& chunk) override {
      if (++given > 3) throw Error(errors::kSpreadsheet, "the producer gave up");
      chunk.assign(100000, 'x');
      return true;
    }
  };
  Package broken = Package::Open(Fixture("xlsx/SampleSS.xlsx"));
  broken.WriteStreamed("/xl/worksheets/sheet1.xml", kSheetType, std::make_shared<Failing>());
  const std::string before = platform::ReadFile(out).value();
  EXPECT_EQ(ErrorOf([&] { broken.Save(out); }), "the producer gave up");
  EXPECT_EQ(platform::ReadFile(out).value(), before);
  std::vector<std::string> left;
  DIR* d = opendir(dir.Path().c_str());
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] != '.' || (std::string(e->d_name) != "." && std::string(e->d_name) != "..")) {
      left.push_back(e->d_name);
    }
  }
  closedir(d);
  EXPECT_EQ(left, std::vector<std::string>{"book.xlsx"});
  EXPECT_EQ(ErrorNumberOf([&] { pkg.Save(dir.File("missing/book.xlsx")); }), errors::kFile);
}

TEST(PackageTest, StreamedPartsArriveWholeWithoutZip64) {
  struct Counting : PartProducer {
    int next = 0;
    void Start() override { next = 0; }
    bool Next(std::string& chunk) override {
      if (next == 200000) return false;
      chunk += "<row r=\"" + std::to_string(++next) + "\"/>";
      return true;
    }
  };
  Package pkg = Package::Open(Fixture("xlsx/SampleSS.xlsx"));
  pkg.WriteStreamed("/xl/worksheets/sheet1.xml", kSheetType, std::make_shared<Counting>());
  TempDir dir;
  pkg.Save(dir.File("streamed.xlsx"), {.compression_level = 1});
  const auto result = RunCommand(
      "/usr/bin/python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
      "print(z.testzip() or \"ok\", any(i.extra for i in z.infolist()))' " +
      Quote(dir.File("streamed.xlsx")));
  EXPECT_EQ(result.output, "ok False\n");
  // Nor do the local headers, which libzip writes before it knows the size.
  const std::string file = platform::ReadFile(dir.File("streamed.xlsx")).value();
  const std::string signature("PK\x03\x04", 4);
  for (std::size_t at = file.find(signature); at != std::string::npos;
       at = file.find(signature, at + 4)) {
    EXPECT_EQ(file[at + 28], 0);
    EXPECT_EQ(file[at + 29], 0);
  }
  const Package back = Package::Open(dir.File("streamed.xlsx"));
  std::string expected;
  Counting c;
  while (c.Next(expected)) {
  }
  EXPECT_EQ(back.Read("/xl/worksheets/sheet1.xml"), expected);
}

// A package of one part, written by us, for the hostile-input cases.
std::string OnePartPackage(const std::string& part) {
  Package pkg = Package::FromBytes(Package::Open(Fixture("xlsx/SampleSS.xlsx")).SaveToBytes(), "x");
  pkg.Write("/xl/big.bin", part, "application/octet-stream");
  return pkg.SaveToBytes();
}

TEST(PackageTest, HostilePackagesAreRefusedClearly) {
  // Not a zip at all, a compound file, a zip without content types.
  EXPECT_EQ(ErrorNumberOf([] { Package::FromBytes("not a zip", "x"); }), errors::kFormat);
  EXPECT_NE(ErrorOf([] {
              Package::Open(std::string(QUORLEX_FIXTURES_DIR) + "/xls/24207.xls");
            }).find("не является пакетом Office Open XML"),
            std::string::npos);
  EXPECT_EQ(ErrorNumberOf([] { Package::Open("/nonexistent/book.xlsx"); }), errors::kFile);

  // Something that inflates a thousandfold.
  const std::string bomb = OnePartPackage(std::string(4 << 20, '\0'));
  EXPECT_NE(
      ErrorOf([&] { Package::FromBytes(bomb, "bomb.xlsx"); }).find("сжата более чем в 100 раз"),
      std::string::npos);
  Limits small;
  small.max_part_bytes = 1 << 20;
  EXPECT_NE(ErrorOf([&] { Package::FromBytes(bomb, "bomb.xlsx", small); }).find("больше 1 МБ"),
            std::string::npos);
  Limits few;
  few.max_entries = 3;
  EXPECT_NE(ErrorOf([&] { Package::FromBytes(bomb, "bomb.xlsx", few); }).find("больше 3 частей"),
            std::string::npos);

  // A directory that lies about a part's size: the uncompressed size of
  // the last entry in the central directory made larger than it is.
  std::string lying = OnePartPackage("<a>some text</a>");
  const std::size_t central = lying.rfind(std::string("PK\x01\x02", 4));
  ASSERT_NE(central, std::string::npos);
  lying[central + 24] = static_cast<char>(lying[central + 24] + 7);
  EXPECT_EQ(ErrorNumberOf([&] { Package::FromBytes(lying, "lying.xlsx"); }), errors::kFormat);

  // A flipped byte in compressed data fails its check, not the program.
  std::string flipped = OnePartPackage(std::string(5000, 'a') + "end");
  const std::size_t local = flipped.rfind(std::string("PK\x03\x04", 4), central);
  flipped[local + 40] = static_cast<char>(flipped[local + 40] ^ 0x55);
  EXPECT_EQ(ErrorNumberOf([&] { Package::FromBytes(flipped, "flipped.xlsx"); }), errors::kFormat);
}

TEST(PackageTest, MalformedRelationshipsNameTheirPart) {
  Package pkg = Package::Open(Fixture("xlsx/SampleSS.xlsx"));
  std::string bytes = pkg.SaveToBytes({.compression_level = 0});
  // Stored, not deflated: the relationship part's text can be damaged in place.
  const std::size_t at = bytes.find("<Relationship ");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 1] = '!';
  const std::string error = ErrorOf([&] { Package::FromBytes(bytes, "bad.xlsx"); });
  EXPECT_NE(error.find("_rels/"), std::string::npos) << error;
}

}  // namespace
}  // namespace quorlex::automation::package
