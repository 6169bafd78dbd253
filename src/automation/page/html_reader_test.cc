#include "automation/page/html_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace quorlex::automation::page {
namespace {

// The parser's events as text: <name a=v> </name> "text".
class Recorder : public HtmlHandler {
 public:
  void StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) override {
    out += "<" + std::string(name);
    for (const HtmlAttribute& a : attributes)
      out += " " + std::string(a.name) + "=" + std::string(a.value);
    out += ">";
  }
  void EndElement(std::string_view name) override { out += "</" + std::string(name) + ">"; }
  void Text(std::string_view text) override { out += "\"" + std::string(text) + "\""; }
  std::string out;
};

std::string Events(std::string_view html) {
  Recorder r;
  ReadHtml(html, r);
  return r.out;
}

TEST(HtmlReader, ImpliesTheStructureAndClosesWhatIsLeftOpen) {
  EXPECT_EQ(Events("<p>a<p>b"), "<html><body><p>\"a\"</p><p>\"b\"</p></body></html>");
  EXPECT_EQ(
      Events("<TABLE><TR><TD Class=X>1<td>2</table>"),
      "<html><body><table><tr><td class=X>\"1\"</td><td>\"2\"</td></tr></table></body></html>");
}

TEST(HtmlReader, GivesAttributesWithoutValuesAndResolvesEntities) {
  EXPECT_EQ(Events("<td nowrap colspan=2>&lt;&amp;&nbsp;&#1046;</td>"),
            "<html><body><td nowrap= colspan=2>\"<\"\"&\"\"\u00A0\"\"Ж\"</td></body></html>");
}

TEST(HtmlReader, PassesScriptAndStyleContentAsText) {
  EXPECT_EQ(
      Events("<style>a < b {}</style><script>if (a<b) x();</script>"),
      "<html><head><style>\"a < b {}\"</style><script>\"if (a<b) x();\"</script></head></html>");
}

TEST(HtmlReader, ReadsUtf8WhateverTheMetaSays) {
  EXPECT_EQ(
      Events("<meta charset=\"windows-1251\"><p>Ёлка</p>"),
      "<html><head><meta charset=windows-1251></meta></head><body><p>\"Ёлка\"</p></body></html>");
}

TEST(HtmlReader, RepairsBytesThatAreNotUtf8) {
  const std::string html =
      std::string("<p>\xC3(") + '\0' + "\xE2\x82\xAC\xF0\x9F\x98\x80\xED\xA0\x80</p>";
  EXPECT_EQ(Events(html), "<html><body><p>\"\uFFFD(\uFFFD€😀\uFFFD\uFFFD\uFFFD\"</p></body></html>");
  EXPECT_EQ(Events(""), "");
}

class Throwing : public HtmlHandler {
 public:
  void StartElement(std::string_view, std::span<const HtmlAttribute>) override {
    throw std::runtime_error("stop");
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
};

TEST(HtmlReader, AHandlerExceptionComesOutOfTheParser) {
  Throwing handler;
  EXPECT_THROW(ReadHtml("<p>x</p><p>y</p>", handler), std::runtime_error);
}

}  // namespace
}  // namespace quorlex::automation::page
