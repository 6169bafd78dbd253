#include "automation/browser/renderer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "automation/browser/local_files.h"
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
                 platform::Utf8ToCp1251("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n" +
                                        prolog + "<?xml-stylesheet type=\"text/xsl\" href=\"" +
                                        stylesheet + "\"?>\n" + body));
  }
  std::string Failure(const std::string& xml, const RenderLimits& limits = {}) {
    try {
      RenderReport(xml, limits);
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
  const auto page = RenderReport(
      Report("page.xsl", "<report><row name=\"Клиент Один\" sum=\"1 234,50\"/></report>"));
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
  Write("doc.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
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
  Write("bad.xsl",
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:template match=\"/\"><xsl:value-of select=\"(((\"/></xsl:template></xsl:stylesheet>");
  EXPECT_NE(Failure(Report("bad.xsl", "<r/>")).find("Ошибка в таблице стилей"), std::string::npos)
      << Failure(Report("bad.xsl", "<r/>"));
  Write("notxml.xsl", "<xsl:stylesheet");
  EXPECT_NE(Failure(Report("notxml.xsl", "<r/>")).find("таблицы стилей"), std::string::npos);
  Write("stop.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><xsl:message terminate="yes">нет данных</xsl:message></xsl:template></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("stop.xsl", "<r/>")).find("Ошибка преобразования"), std::string::npos);
  EXPECT_NE(Failure((dir_ / "none.xml").string()).find("Не удалось прочитать"), std::string::npos);
}

TEST_F(RendererTest, NetworkIsNeverReached) {
  Write("page.xsl", kPage);
  EXPECT_NE(
      Failure(Report("page.xsl", "<r/>", "<!DOCTYPE r SYSTEM \"http://192.0.2.1/report.dtd\">\n"))
          .find("обращение к сети"),
      std::string::npos);
  EXPECT_NE(Failure(Report("page.xsl", "<r>&ext;</r>",
                           "<!DOCTYPE r [<!ENTITY ext SYSTEM \"http://192.0.2.1/x\">]>\n"))
                .find("обращение к сети"),
            std::string::npos);
  EXPECT_NE(Failure(Report("http://192.0.2.1/page.xsl", "<r/>")).find("обращение к сети"),
            std::string::npos);
  Write("net.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><p><xsl:value-of select="document('http://192.0.2.1/x.xml')"/></p></xsl:template></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("net.xsl", "<r/>")).find("обращение к сети"), std::string::npos);
  Write("imp.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:import href="http://192.0.2.1/base.xsl"/></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("imp.xsl", "<r/>")).find("сети"), std::string::npos);
}

TEST_F(RendererTest, StylesheetsCannotWriteFiles) {
  const auto target = dir_ / "written.txt";
  Write("write.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
 xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl">
<xsl:template match="/"><exsl:document href=")X" +
            target.string() +
            R"X(" method="text">x</exsl:document><p/></xsl:template></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("write.xsl", "<r/>")).find("запись файла"), std::string::npos);
  EXPECT_FALSE(fs::exists(target));
  Write("doc.xsl",
        R"X(<xsl:stylesheet version="1.1" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><xsl:document href=")X" +
            (dir_ / "sub" / "w.txt").string() +
            R"X(" method="text">x</xsl:document></xsl:template></xsl:stylesheet>)X");
  Failure(Report("doc.xsl", "<r/>"));
  EXPECT_FALSE(fs::exists(dir_ / "sub"));
}

TEST_F(RendererTest, EntityExpansionIsBounded) {
  Write("page.xsl", kPage);
  std::string prolog = "<!DOCTYPE r [<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
  for (int i = 1; i < 12; ++i) {
    prolog += "<!ENTITY a" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k)
      prolog += "&a" + std::to_string(i - 1) + ";";
    prolog += "\">";
  }
  prolog += "]>\n";
  EXPECT_NE(Failure(Report("page.xsl", "<r>&a11;</r>", prolog)), "rendered");
}

std::string Escaped(std::string path) {
  for (std::size_t at = 0; (at = path.find(' ', at)) != std::string::npos;)
    path.replace(at, 1, "%20");
  return path;
}

TEST_F(RendererTest, OnlyLocalRegularFilesAreRead) {
  ASSERT_EQ(mkfifo((dir_ / "fifo.xsl").c_str(), 0600), 0);
  EXPECT_EQ(Failure(Report("fifo.xsl", "<r/>")),
            "Таблица стилей " + (dir_ / "fifo.xsl").string() + " не является обычным файлом");
  Write("zero.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><p><xsl:value-of select="document('/dev/zero')"/></p></xsl:template></xsl:stylesheet>)X");
  EXPECT_NE(Failure(Report("zero.xsl", "<r/>"))
                .find("запрещено чтение файла, не являющегося обычным (/dev/zero)"),
            std::string::npos);
  Write("page.xsl", kPage);
  EXPECT_NE(
      Failure(Report("page.xsl", "<r>&e;</r>", "<!DOCTYPE r [<!ENTITY e SYSTEM \"/dev/zero\">]>\n"))
          .find("В отчете "),
      std::string::npos);
  // A file: URL and an escaped name are local files like any other.
  Write("a b.xml", "<n>с пробелом</n>");
  Write("url.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><p><xsl:value-of select="document('a%20b.xml')"/>|<xsl:value-of
 select="document('file://)X" +
            Escaped((dir_ / "a b.xml").string()) +
            R"X(')"/></p></xsl:template></xsl:stylesheet>)X");
  const auto page = RenderReport(Report("url.xsl", "<r/>"));
  EXPECT_NE(page.find("<p>с пробелом|с пробелом</p>"), std::string::npos)
      << page << Failure(Report("url.xsl", "<r/>"));
}

TEST_F(RendererTest, LocalPaths) {
  EXPECT_EQ(LocalPath("/a/b.xml"), "/a/b.xml");
  EXPECT_EQ(LocalPath("file:///a/b.xml"), "/a/b.xml");
  EXPECT_EQ(LocalPath("file://localhost/a/b.xml"), "/a/b.xml");
  EXPECT_EQ(LocalPath("file:/a/b%20c.xml"), "/a/b c.xml");
  EXPECT_EQ(LocalPath("file://server/a.xml"), std::nullopt);
  EXPECT_EQ(LocalPath("http://127.0.0.1/a.xml"), std::nullopt);
  EXPECT_EQ(LocalPath("ftp://x/a.xml"), std::nullopt);
}

constexpr const char* kForever =
    R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template name="t"><xsl:param name="n"/><xsl:if test="$n &gt; 0">
<xsl:call-template name="t"><xsl:with-param name="n" select="$n - 1"/></xsl:call-template>
<xsl:call-template name="t"><xsl:with-param name="n" select="$n - 1"/></xsl:call-template></xsl:if></xsl:template>
<xsl:template match="/"><p><xsl:call-template name="t"><xsl:with-param name="n" select="60"/></xsl:call-template></p></xsl:template>
</xsl:stylesheet>)X";

TEST_F(RendererTest, TimeAndMemoryBounds) {
  Write("forever.xsl", kForever);
  RenderLimits limits;
  limits.time = std::chrono::milliseconds(200);
  limits.time_name = "ограничение в 0,2 с";
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Failure(Report("forever.xsl", "<r/>"), limits),
            "Преобразование отчета " + (dir_ / "DAYRUR~1.xml").string() +
                " прервано: превышено ограничение в 0,2 с");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  // A bound of one rendering does not reach the next.
  Write("page.xsl", kPage);
  EXPECT_NO_THROW(RenderReport(Report("page.xsl", "<r/>")));

  Write("huge.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template name="t"><xsl:param name="n"/><xsl:if test="$n &gt; 0"></xsl:if></xsl:template>
<xsl:template match="/"><div><xsl:for-each select="//a"><xsl:for-each select="//a"><xsl:for-each select="//a">
<p>строка текста</p></xsl:for-each></xsl:for-each></xsl:for-each></div></xsl:template></xsl:stylesheet>)X");
  RenderLimits memory;
  memory.memory_bytes = 8u << 20;
  std::string hundred;
  for (int i = 0; i < 100; ++i)
    hundred += "<a/>";
  EXPECT_NE(
      Failure(Report("huge.xsl", "<r>" + hundred + "</r>"), memory).find("больше 8 МБ памяти"),
      std::string::npos);
}

TEST_F(RendererTest, Version10StylesheetsMayHoldOnlyWhatXslt10Defines) {
  const auto sheet = [](const std::string& version, const std::string& body) {
    return "<xsl:stylesheet version=\"" + version +
           "\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n<xsl:template match=\"/\">" +
           body + "</xsl:template><xsl:output method=\"html\"/></xsl:stylesheet>";
  };
  const std::string path = (dir_ / "s.xsl").string();
  Write("s.xsl", sheet("1.0", "<p><xsl:valueof select=\"1\"/></p>"));
  EXPECT_EQ(Failure(Report("s.xsl", "<r/>")),
            "Ошибка в таблице стилей " + path + ": неизвестный элемент xsl:valueof (строка 2)");
  Write("s.xsl", sheet("1.0", "<p><xsl:value-of select=\"1\" mode=\"x\"/></p>"));
  EXPECT_EQ(Failure(Report("s.xsl", "<r/>")),
            "Ошибка в таблице стилей " + path +
                ": неизвестный атрибут mode элемента xsl:value-of (строка 2)");
  Write("s.xsl", sheet("1.0", "<p xsl:use-attribute-sets=\"\" xsl:colour=\"red\">x</p>"));
  EXPECT_EQ(
      Failure(Report("s.xsl", "<r/>")),
      "Ошибка в таблице стилей " + path + ": неизвестный атрибут xsl:colour элемента p (строка 2)");
  // Attributes of other namespaces, xml:space and data elements are free.
  Write("s.xsl",
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" "
        "xmlns:d=\"urn:data\"><xsl:output method=\"html\"/><d:months><d:m "
        "n=\"1\">январь</d:m></d:months>"
        "<xsl:template match=\"/\" d:note=\"x\" xml:space=\"preserve\"><p>"
        "<xsl:value-of select=\"document('')//d:m[@n=1]\"/></p></xsl:template></xsl:stylesheet>");
  EXPECT_NE(RenderReport(Report("s.xsl", "<r/>")).find("\">январь</p>"), std::string::npos)
      << RenderReport(Report("s.xsl", "<r/>"));
  // Another version, or xsl:version on a literal result element, is forwards-compatible.
  Write("s.xsl", sheet("1.1", "<p><xsl:later><xsl:fallback>запас</xsl:fallback></xsl:later></p>"));
  EXPECT_NE(RenderReport(Report("s.xsl", "<r/>")).find("<p>запас</p>"), std::string::npos);
  Write(
      "s.xsl",
      sheet(
          "1.0",
          "<p xsl:version=\"2.0\"><xsl:later><xsl:fallback>запас</xsl:fallback></xsl:later></p>"));
  EXPECT_NE(RenderReport(Report("s.xsl", "<r/>")).find("<p>запас</p>"), std::string::npos);
}

TEST_F(RendererTest, UnescapedTextIsParsedAsTheMarkupItIs) {
  Write("doe.xsl",
        R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="xml"/><xsl:template match="/"><html><body>
<p>a<xsl:text disable-output-escaping="yes">&amp;nbsp;&lt;b&gt;</xsl:text>b<xsl:text disable-output-escaping="yes">&lt;/b&gt;</xsl:text></p>
<p>&lt;i&gt;escaped&lt;/i&gt;</p><style><xsl:text disable-output-escaping="yes">p &gt; b {}</xsl:text></style>
</body></html></xsl:template></xsl:stylesheet>)X");
  const page::Page page = RenderReportPage(Report("doe.xsl", "<r/>"));
  std::vector<std::pair<std::string, bool>> runs;
  for (const page::Block& block : page.Body()) {
    if (block.kind != page::Block::Kind::kParagraph) continue;
    for (const page::Run& run : page.Runs(page.ParagraphOf(block))) {
      runs.emplace_back(std::string(page.Text(run)), page.char_formats[run.format].bold);
    }
  }
  const std::vector<std::pair<std::string, bool>> expected = {
      {"a\u00a0", false}, {"b", true}, {"<i>escaped</i>", false}};
  EXPECT_EQ(runs, expected);
}

}  // namespace
}  // namespace quorlex::automation::browser
