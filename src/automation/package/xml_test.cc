#include <gtest/gtest.h>

#include "automation/package/xml_reader.h"
#include "automation/package/xml_writer.h"
#include "platform/error.h"

namespace quorlex::automation::package {
namespace {

constexpr char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

TEST(XmlWriterTest, EscapesTextsAndAttributesButNotPlainOrRawOnes) {
  std::string out;
  {
    XmlWriter w(out);
    w.StartDocument();
    w.Start("root");
    w.Attribute("a", "x<\"&'>");
    w.PlainAttribute("r", "B12");
    w.Element("t", "1 < 2 & 3");
    w.Raw("<kept x=\"1\"/>");
    w.EndDocument();
  }
  EXPECT_EQ(out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n", 0), 0u)
      << out;
  EXPECT_NE(out.find("<root a=\"x&lt;&quot;&amp;'&gt;\" r=\"B12\">"), std::string::npos) << out;
  EXPECT_NE(out.find("<t>1 &lt; 2 &amp; 3</t>"), std::string::npos) << out;
  EXPECT_NE(out.find("<kept x=\"1\"/></root>"), std::string::npos) << out;
}

TEST(XmlWriterTest, OutputArrivesAsItIsFlushed) {
  std::string out;
  XmlWriter w(out);
  w.Start("a");
  for (int i = 0; i < 10000; ++i)
    w.Element("b", "text");
  // libxml2 hands its buffer over long before the end.
  EXPECT_GT(out.size(), 1000u);
  out.clear();
  w.EndDocument();
  EXPECT_NE(out.find("</a>"), std::string::npos);
}

TEST(XmlReaderTest, ReadsElementsAttributesAndTexts) {
  const std::string xml = std::string("<?xml version=\"1.0\"?><w:sheet xmlns:w=\"") + kMain +
                          "\" xmlns:x=\"urn:x\"><w:c r=\"A1\" x:k=\"v\"><w:v>12</w:v></w:c>"
                          "<w:c r=\"B1\"/><w:t><![CDATA[a<b]]> &amp; c</w:t></w:sheet>";
  XmlReader r(xml, "/xl/worksheets/sheet1.xml");
  ASSERT_TRUE(r.Next());
  EXPECT_TRUE(r.Is(kMain, "sheet"));
  ASSERT_TRUE(r.Next());
  EXPECT_TRUE(r.Is(kMain, "c"));
  EXPECT_EQ(r.Attribute("r").value(), "A1");
  EXPECT_EQ(r.AttributeNs("k", "urn:x").value(), "v");
  EXPECT_FALSE(r.Attribute("s").has_value());
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.ReadText(), "12");
  EXPECT_TRUE(r.IsEnd());  // </w:v>
  ASSERT_TRUE(r.Next());   // </w:c>
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.Attribute("r").value(), "B1");
  EXPECT_TRUE(r.IsEmptyElement());
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.ReadText(), "a<b & c");
}

TEST(XmlReaderTest, OuterXmlDeclaresPrefixesFromAncestorsAndSkipsTheElement) {
  const std::string xml =
      std::string("<r xmlns=\"") + kMain +
      "\" xmlns:mc=\"urn:mc\"><ext mc:a=\"1\"><inner>t</inner></ext><next/></r>";
  XmlReader r(xml, "/p.xml");
  ASSERT_TRUE(r.Next());
  EXPECT_NE(r.AttributesXml().find("xmlns:mc=\"urn:mc\""), std::string::npos);
  ASSERT_TRUE(r.Next());
  const std::string outer = r.TakeOuterXml();
  EXPECT_NE(outer.find("xmlns:mc=\"urn:mc\""), std::string::npos) << outer;
  EXPECT_NE(outer.find("<inner>t</inner>"), std::string::npos) << outer;
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.LocalName(), "next");
  // Skip on an empty element goes on to what follows it.
  r.Skip();
  ASSERT_TRUE(r.Next());
  EXPECT_TRUE(r.IsEnd());
  EXPECT_FALSE(r.Next());
}

TEST(XmlReaderTest, RefusesMalformedXmlAndDocumentTypes) {
  auto read_all = [](const std::string& xml) {
    XmlReader r(xml, "/xl/x.xml");
    while (r.Next()) {
    }
  };
  try {
    read_all("<a><b></a>");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kFormat);
    EXPECT_NE(e.Description().find("/xl/x.xml"), std::string::npos) << e.Description();
  }
  EXPECT_THROW(read_all("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>"), Error);
  EXPECT_THROW(read_all("<!DOCTYPE a SYSTEM \"http://example.com/a.dtd\"><a/>"), Error);
  EXPECT_THROW(read_all(""), Error);
}

}  // namespace
}  // namespace quorlex::automation::package
