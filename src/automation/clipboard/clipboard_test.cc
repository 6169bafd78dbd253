#include "automation/clipboard/clipboard.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace quorlex::automation::clipboard {
namespace {

std::shared_ptr<const page::Page> PageOf(const std::string& html) {
  return std::make_shared<const page::Page>(page::ParsePage(html));
}

TEST(Clipboard, AnEmptyClipboardRefusesToGiveAPage) {
  Clipboard clipboard;
  EXPECT_FALSE(clipboard.HasPage());
  try {
    clipboard.Page();
    FAIL() << "an empty clipboard gave a page";
  } catch (const Error& e) {
    EXPECT_EQ(e.Description(), "Буфер обмена пуст: вставлять нечего");
    EXPECT_EQ(e.Number(), errors::kInvalidArgument);
  }
}

// HTML put on the clipboard is read into a page once, when first pasted.
TEST(Clipboard, HtmlIsReadOnceWhenFirstPasted) {
  Clipboard clipboard;
  clipboard.SetHtml("<html><body><p>Выписка</p><table><tr><td>1</td></tr></table></body></html>");
  ASSERT_TRUE(clipboard.HasPage());
  const page::Page& first = clipboard.Page();
  EXPECT_EQ(&clipboard.Page(), &first);
  EXPECT_NE(first.text.find("Выписка"), std::string::npos);
}

// What was put last is what is pasted; Clear leaves nothing.
TEST(Clipboard, TheLastCopyWinsAndClearEmptiesIt) {
  Clipboard clipboard;
  auto rendered = PageOf("<p>страница</p>");
  clipboard.SetHtml("<p>html</p>");
  clipboard.SetPage(rendered);
  EXPECT_EQ(&clipboard.Page(), rendered.get());
  clipboard.SetHtml("<p>снова html</p>");
  EXPECT_NE(&clipboard.Page(), rendered.get());
  EXPECT_NE(clipboard.Page().text.find("снова html"), std::string::npos);
  clipboard.Clear();
  EXPECT_FALSE(clipboard.HasPage());
  try {
    clipboard.Page(errors::kDocument);
    FAIL() << "an emptied clipboard gave a page";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kDocument);  // numbered as the paste's component
  }
}

TEST(Clipboard, TheProcessHasOneClipboard) {
  EXPECT_EQ(&Clipboard::Process(), &Clipboard::Process());
}

}  // namespace
}  // namespace quorlex::automation::clipboard
