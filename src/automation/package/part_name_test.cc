#include "automation/package/part_name.h"

#include <gtest/gtest.h>

namespace quorlex::automation::package {
namespace {

TEST(PartNameTest, TargetsResolveAgainstTheSourceFolder) {
  EXPECT_EQ(ResolveTarget("/xl/workbook.xml", "worksheets/sheet1.xml"),
            "/xl/worksheets/sheet1.xml");
  EXPECT_EQ(ResolveTarget("/xl/worksheets/sheet1.xml", "../drawings/drawing1.xml"),
            "/xl/drawings/drawing1.xml");
  EXPECT_EQ(ResolveTarget("/xl/worksheets/sheet1.xml", "/xl/styles.xml"), "/xl/styles.xml");
  EXPECT_EQ(ResolveTarget("/", "xl/workbook.xml"), "/xl/workbook.xml");
  EXPECT_EQ(ResolveTarget("/xl/workbook.xml", "./theme/./theme1.xml"), "/xl/theme/theme1.xml");
  EXPECT_EQ(ResolveTarget("/xl/workbook.xml", "sheet.xml#A1"), "/xl/sheet.xml");
  // Climbing above the root stays at the root instead of escaping it.
  EXPECT_EQ(ResolveTarget("/xl/workbook.xml", "../../../../etc/passwd"), "/etc/passwd");
}

TEST(PartNameTest, RelativeTargetsAreTheInverseOfResolution) {
  const char* pairs[][2] = {{"/xl/workbook.xml", "/xl/worksheets/sheet1.xml"},
                            {"/xl/worksheets/sheet1.xml", "/xl/drawings/drawing1.xml"},
                            {"/xl/drawings/drawing1.xml", "/xl/charts/chart1.xml"},
                            {"/", "/docProps/core.xml"},
                            {"/xl/worksheets/sheet1.xml", "/customXml/item1.xml"},
                            {"/word/document.xml", "/word/styles.xml"}};
  for (const auto& [source, target] : pairs) {
    const std::string relative = RelativeTarget(source, target);
    EXPECT_NE(relative.front(), '/') << relative;
    EXPECT_EQ(ResolveTarget(source, relative), target) << source << " -> " << relative;
  }
  EXPECT_EQ(RelativeTarget("/xl/worksheets/sheet1.xml", "/xl/drawings/drawing1.xml"),
            "../drawings/drawing1.xml");
}

TEST(PartNameTest, RelationshipPartsPairWithTheirSources) {
  EXPECT_EQ(RelationshipsPartName("/"), "/_rels/.rels");
  EXPECT_EQ(RelationshipsPartName("/xl/workbook.xml"), "/xl/_rels/workbook.xml.rels");
  EXPECT_EQ(SourceOfRelationshipsPart("/_rels/.rels"), "/");
  EXPECT_EQ(SourceOfRelationshipsPart("/xl/_rels/workbook.xml.rels"), "/xl/workbook.xml");
  EXPECT_EQ(SourceOfRelationshipsPart("/xl/worksheets/_rels/sheet1.xml.rels"),
            "/xl/worksheets/sheet1.xml");
  EXPECT_EQ(SourceOfRelationshipsPart("/xl/_RELS/Workbook.xml.RELS"), "/xl/Workbook.xml");
  EXPECT_EQ(SourceOfRelationshipsPart("/xl/workbook.xml"), "");
  EXPECT_EQ(SourceOfRelationshipsPart("/xl/rels/workbook.xml.rels"), "");
  EXPECT_EQ(SourceOfRelationshipsPart("/_rels/.rels.rels"), "/.rels");
}

TEST(PartNameTest, KeysIgnoreCaseAndUnreservedEscapes) {
  EXPECT_EQ(PartKey("/XL/Workbook.XML"), PartKey("/xl/workbook.xml"));
  EXPECT_EQ(PartKey("/xl/media/image%31.png"), PartKey("/xl/media/image1.png"));
  EXPECT_NE(PartKey("/xl/a%2Fb.xml"), PartKey("/xl/a/b.xml"));
  EXPECT_EQ(ExtensionOf("/xl/media/image1.PNG"), "png");
  EXPECT_EQ(ExtensionOf("/xl.d/noextension"), "");
  EXPECT_EQ(FolderOf("/xl/worksheets/sheet1.xml"), "/xl/worksheets/");
}

}  // namespace
}  // namespace quorlex::automation::package
