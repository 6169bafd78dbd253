#include "automation/page/style_resolver.h"

#include <gtest/gtest.h>

#include <vector>

#include "automation/page/css_stylesheet.h"

namespace quorlex::automation::page {
namespace {

// Styles a chain of elements, each given as (tag, classes, style attribute),
// root first, and returns the computed style of the last.
class Resolver : public ::testing::Test {
 protected:
  struct Element {
    std::string tag;
    std::vector<std::string> classes;
    std::string inline_style;
    std::uint32_t child_index = 1;
  };

  void Sheet(std::string_view css) { css::ParseStyleSheet(css, atoms, strings, sheet); }

  const ComputedStyle& Style(const std::vector<Element>& chain) {
    resolver = std::make_unique<StyleResolver>(sheet, strings);
    std::vector<ElementInfo> path;
    std::vector<std::uint32_t> classes;
    std::uint32_t style = 0;
    for (const Element& e : chain) {
      ElementInfo info;
      info.tag = atoms.Find(e.tag);
      info.child_index = e.child_index;
      info.class_begin = static_cast<std::uint32_t>(classes.size());
      for (const std::string& c : e.classes)
        classes.push_back(atoms.Find(c));
      info.class_count = static_cast<std::uint32_t>(e.classes.size());
      path.push_back(info);
      resolver->Contextualize(path, classes);
      style = resolver->Resolve(style, path, classes, "", {}, e.inline_style);
    }
    return resolver->Style(style);
  }

  Interner atoms;
  Interner strings;
  css::StyleSheet sheet;
  std::unique_ptr<StyleResolver> resolver;
};

TEST_F(Resolver, InheritsWhatInheritsAndNotTheRest) {
  Sheet(
      "div { color: red; background: blue; border: 1px solid; font-size: 20px; vertical-align: top "
      "}");
  const ComputedStyle& s = Style({{"div", {}, ""}, {"span", {}, ""}});
  EXPECT_EQ(s.color, 0xFF0000u);
  EXPECT_EQ(s.font_size, 15);
  EXPECT_TRUE(s.size_set);
  EXPECT_EQ(s.background, kAutoColor);
  EXPECT_EQ(s.borders[0].style, BorderStyle::kNone);
  EXPECT_EQ(s.vertical, VerticalAlignment::kDefault);
}

TEST_F(Resolver, InheritInitialAndUnset) {
  Sheet(
      "div { color: red; background: blue; font-weight: bold } "
      ".i { background: inherit } .n { color: initial } .u { color: unset; background: unset; "
      "font-weight: "
      "initial }");
  EXPECT_EQ(Style({{"div", {}, ""}, {"p", {"i"}, ""}}).background, 0x0000FFu);
  EXPECT_EQ(Style({{"div", {}, ""}, {"p", {"n"}, ""}}).color, kAutoColor);
  const ComputedStyle& u = Style({{"div", {}, ""}, {"p", {"u"}, ""}});
  EXPECT_EQ(u.color, 0xFF0000u);        // unset inherits an inherited property
  EXPECT_EQ(u.background, kAutoColor);  // and resets the others
  EXPECT_FALSE(u.bold);
}

TEST_F(Resolver, RelativeFontSizesAndWeights) {
  Sheet(
      ".a { font-size: 10pt } .b { font-size: 150% } .c { font-size: 2em } .d { font-size: larger "
      "} "
      ".e { font-size: x-large } .w { font-weight: 700 } .l { font-weight: lighter } .r { "
      "font-size: 1.5rem "
      "}");
  EXPECT_EQ(Style({{"p", {"a"}, ""}, {"span", {"b"}, ""}}).font_size, 15);
  EXPECT_EQ(Style({{"p", {"a"}, ""}, {"span", {"c"}, ""}}).font_size, 20);
  EXPECT_DOUBLE_EQ(Style({{"p", {"a"}, ""}, {"span", {"d"}, ""}}).font_size, 12);
  EXPECT_EQ(Style({{"p", {"a"}, ""}, {"span", {"e"}, ""}}).font_size, 18);
  EXPECT_EQ(Style({{"p", {"a"}, ""}, {"span", {"r"}, ""}}).font_size, 18);
  EXPECT_TRUE(Style({{"p", {"w"}, ""}}).bold);
  EXPECT_FALSE(Style({{"p", {"w"}, ""}, {"span", {"l"}, ""}}).bold);
}

TEST_F(Resolver, ImportanceBeatsSpecificityAndStyleAttributes) {
  Sheet("#x { color: red } p { color: green !important } p.c { color: blue !important }");
  EXPECT_EQ(Style({{"p", {}, "color: yellow"}}).color, 0x008000u);
  EXPECT_EQ(Style({{"p", {"c"}, ""}}).color, 0x0000FFu);
  EXPECT_EQ(Style({{"p", {}, "color: yellow !important"}}).color, 0xFFFF00u);
}

TEST_F(Resolver, ChildAndDescendantCombinatorsBacktrack) {
  Sheet("a > b c { color: red } x b > c { color: blue }");
  // "c" under "b" under "a", with other elements in between.
  EXPECT_EQ(Style({{"a", {}, ""}, {"b", {}, ""}, {"d", {}, ""}, {"c", {}, ""}}).color, 0xFF0000u);
  EXPECT_EQ(Style({{"a", {}, ""}, {"d", {}, ""}, {"b", {}, ""}, {"c", {}, ""}}).color, kAutoColor);
  EXPECT_EQ(Style({{"x", {}, ""}, {"a", {}, ""}, {"b", {}, ""}, {"c", {}, ""}}).color, 0x0000FFu);
}

TEST_F(Resolver, PositionsMatterOnlyThroughTheTestsTheSheetMakes) {
  Sheet(
      "li:nth-child(2n+1) { color: red } li:first-child { font-weight: bold } :root { font-style: "
      "italic }");
  EXPECT_EQ(Style({{"li", {}, "", 1}}).color, 0xFF0000u);
  EXPECT_TRUE(Style({{"li", {}, "", 1}}).bold);
  EXPECT_EQ(Style({{"li", {}, "", 2}}).color, kAutoColor);
  EXPECT_EQ(Style({{"li", {}, "", 5}}).color, 0xFF0000u);
  EXPECT_FALSE(Style({{"li", {}, "", 5}}).bold);
  EXPECT_EQ(resolver->StructuralSignature(3), resolver->StructuralSignature(5));
  EXPECT_NE(resolver->StructuralSignature(1), resolver->StructuralSignature(3));
}

TEST_F(Resolver, EqualElementsShareOneStyle) {
  Sheet("td.n { text-align: right }");
  resolver = std::make_unique<StyleResolver>(sheet, strings);
  std::vector<ElementInfo> path(2);
  std::vector<std::uint32_t> classes = {atoms.Find("n")};
  path[0].tag = atoms.Find("tr");
  path[1].tag = atoms.Find("td");
  path[1].class_count = 1;
  resolver->Contextualize(std::span<ElementInfo>(path.data(), 1), classes);
  resolver->Contextualize(path, classes);
  const std::uint32_t a = resolver->Resolve(0, path, classes, "", {}, "");
  const std::uint32_t b = resolver->Resolve(0, path, classes, "", {}, "");
  EXPECT_EQ(a, b);
  EXPECT_EQ(resolver->Style(a).text_align, HorizontalAlignment::kRight);
  EXPECT_EQ(resolver->StyleCount(), 2u);  // the initial style and this one
}

}  // namespace
}  // namespace quorlex::automation::page
