#include "automation/browser/renderer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/error.h"

namespace quorlex::automation::browser {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPage = R"X(<?xml version="1.0" encoding="windows-1251"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="windows-1251"/>
<xsl:template match="/">
<html><head><style>td.num { text-align: right }</style></head>
<body><table><xsl:for-each select="//row"><tr><td><xsl:value-of select="@name"/></td>
<td class="num"><xsl:value-of select="@sum"/></td></tr></xsl:for-each></table></body></html>
</xsl:template>
</xsl:stylesheet>
)X";

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("quorlex render " + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& content) {
    const auto path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  // A report in Windows-1251 naming the given stylesheet.
  std::string Report(const std::string& stylesheet, const std::string& body,
                     const std::string& prolog = "") {
    return Write("DAYRUR~1.xml",
                 codepage::Utf8ToCp1251("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n" +
                                        prolog + "<?xml-stylesheet type=\"text/xsl\" href=\"" +
                                        stylesheet + "\"?>\n" + body));
  }
  std::string Failure(const std::string& xml) {
    try {
      RenderReport(xml);
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), errors::kRendering);
      return e.Description();
    }
    return "rendered";
  }

  fs::path dir_;
};

TEST_F(RendererTest, RendersCyrillicReportAsUtf8Page) {
  Write("page.xsl", kPage);
  const auto page =
      RenderReport(Report("page.xsl", "<report><row name=\"Клиент Один\" sum=\"1 234,50\"/></report>"));
  EXPECT_NE(page.find("<td>Клиент Один</td>"), std::string::npos) << page;
  EXPECT_NE(page.find("<td class=\"num\">1 234,50</td>"), std::string::npos);
  EXPECT_NE(page.find("td.num { text-align: right }"), std::string::npos);
  EXPECT_NE(page.find("charset=UTF-8"), std::string::npos);
}

TEST_F(RendererTest, NodeSetOfBothCommonNamespaces) {
  Write("ns.xsl", R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
 xmlns:msxsl="urn:schemas-microsoft-com:xslt" xmlns:exsl="http://exslt.org/common"
 exclude-result-prefixes="msxsl exsl">
<xsl:output method="html"/>
<xsl:variable name="v"><a>1</a><a>2</a></xsl:variable>
<xsl:template match="/"><p><xsl:value-of select="count(msxsl:node-set($v)/a)"/>-<xsl:value-of
 select="count(exsl:node-set($v)/a)"/></p></xsl:template></xsl:stylesheet>)X");
  const auto page = RenderReport(Report("ns.xsl", "<r/>"));
  EXPECT_NE(page.find("<p>2-2</p>"), std::string::npos) << page;
}

TEST_F(RendererTest, LocalDocumentsMayBeRead) {
  Write("lookup.xml", "<names><n id=\"1\">Один</n></names>");
  Write("doc.xsl", R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><p><xsl:value-of
 select="document('lookup.xml')/names/n[@id='1']"/></p></xsl:template></xsl:stylesheet>)X");
  const auto page = RenderReport(Report("doc.xsl", "<r/>"));
  EXPECT_NE(page.find("<p>Один</p>"), std::string::npos) << page;
}

TEST_F(RendererTest, XhtmlOutput) {
  Write("x.xsl", R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="xml"/><xsl:template match="/"><html xmlns="http://www.w3.org/1999/xhtml"><body><p>x</p></body></html></xsl:template></xsl:stylesheet>)X");
  const auto page = RenderReport(Report("x.xsl", "<r/>"));
  EXPECT_NE(page.find("<p>x</p>"), std::string::npos) << page;
  EXPECT_EQ(page.find("<?xml"), std::string::npos);
}

TEST_F(RendererTest, ReportsThatCannotBeRendered) {
  Write("page.xsl", kPage);
  EXPECT_NE(Failure(Write("a~1.xml", "<r/>")).find("не указана таблица стилей"), std::string::npos);
  EXPECT_NE(Failure(Report("missing.xsl", "<r/>")).find("Не найдена таблица стилей"),
            std::string::npos);
  EXPECT_NE(Failure(Report("page.xsl", "<r><unclosed></r>")).find("Ошибка разбора отчета"),
            std::string::npos);
  Write("bad.xsl", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                   "<xsl:template match=\"/\"><xsl:value-of select=\"(((\"/></xsl:template></xsl:stylesheet>");
  EXPECT_NE(Failure(Report("bad.xsl", "<r/>")).find("Ошибка в таблице стилей"), std::string::npos)
      << Failure(Report("bad.xsl", "<r/>"));
  Write("notxml.xsl", "<xsl:stylesheet");
  EXPECT_NE(Failure(Report("notxml.xsl", "<r/>")).find("таблицы стилей"), std::string::npos);
  Write("stop.xsl", R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><xsl:message terminate="yes">нет данных</xsl:message></xsl:template></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("stop.xsl", "<r/>")).find("Ошибка преобразования"), std::string::npos);
  EXPECT_NE(Failure((dir_ / "none.xml").string()).find("Не удалось прочитать"), std::string::npos);
}

TEST_F(RendererTest, NetworkIsNeverReached) {
  Write("page.xsl", kPage);
  EXPECT_NE(Failure(Report("page.xsl", "<r/>",
                           "<!DOCTYPE r SYSTEM \"http://192.0.2.1/report.dtd\">\n"))
                .find("обращение к сети"),
            std::string::npos);
  EXPECT_NE(Failure(Report("page.xsl", "<r>&ext;</r>",
                           "<!DOCTYPE r [<!ENTITY ext SYSTEM \"http://192.0.2.1/x\">]>\n"))
                .find("обращение к сети"),
            std::string::npos);
  EXPECT_NE(Failure(Report("http://192.0.2.1/page.xsl", "<r/>")).find("обращение к сети"),
            std::string::npos);
  Write("net.xsl", R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><p><xsl:value-of select="document('http://192.0.2.1/x.xml')"/></p></xsl:template></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("net.xsl", "<r/>")).find("обращение к сети"), std::string::npos);
  Write("imp.xsl", R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:import href="http://192.0.2.1/base.xsl"/></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("imp.xsl", "<r/>")).find("сети"), std::string::npos);
}

TEST_F(RendererTest, StylesheetsCannotWriteFiles) {
  const auto target = dir_ / "written.txt";
  Write("write.xsl", R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
 xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl">
<xsl:template match="/"><exsl:document href=")X" + target.string() + R"X(" method="text">x</exsl:document><p/></xsl:template></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("write.xsl", "<r/>")).find("запись файла"), std::string::npos);
  EXPECT_FALSE(fs::exists(target));
  Write("doc.xsl", R"X(<xsl:stylesheet version="1.1" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><xsl:document href=")X" + (dir_ / "sub" / "w.txt").string() + R"X(" method="text">x</xsl:document></xsl:template></xsl:stylesheet>)X");
  Failure(Report("doc.xsl", "<r/>"));
  EXPECT_FALSE(fs::exists(dir_ / "sub"));
}

TEST_F(RendererTest, EntityExpansionIsBounded) {
  Write("page.xsl", kPage);
  std::string prolog = "<!DOCTYPE r [<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
  for (int i = 1; i < 12; ++i) {
    prolog += "<!ENTITY a" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) prolog += "&a" + std::to_string(i - 1) + ";";
    prolog += "\">";
  }
  prolog += "]>\n";
  EXPECT_NE(Failure(Report("page.xsl", "<r>&a11;</r>", prolog)), "rendered");
}

}  // namespace
}  // namespace quorlex::automation::browser
