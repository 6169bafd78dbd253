#include "automation/browser/browser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "automation/clipboard/clipboard.h"

namespace quorlex::automation::browser {
namespace {

namespace fs = std::filesystem;

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorlex-browser-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "p.xsl")
        << R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/><xsl:template match="/"><html><body><p>page</p></body></html></xsl:template></xsl:stylesheet>)X";
    std::ofstream(dir_ / "a~1.xml") << "<?xml-stylesheet type=\"text/xsl\" href=\"p.xsl\"?><r/>";
    std::ofstream(dir_ / "bad~1.xml") << "<r";
    clipboard::Clipboard::Process().Clear();
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(BrowserTest, CompletionArrivesAsAPendingEvent) {
  std::string completed;
  auto browser = std::make_shared<Browser>();
  browser->OnDocumentComplete([&](const std::string& url) { completed = url; });
  browser->Navigate((dir_ / "a~1.xml").string());
  EXPECT_TRUE(completed.empty());
  auto event = browser->TakePendingEvent();
  ASSERT_TRUE(event);
  browser.reset();  // the handler may release the browser; the event survives
  (*event)();
  EXPECT_EQ(completed, (dir_ / "a~1.xml").string());
}

TEST_F(BrowserTest, FailureArrivesAsAnErrorEvent) {
  std::string failure;
  Browser browser;
  browser.OnNavigateError([&](const Error& e) { failure = e.Description(); });
  browser.Navigate((dir_ / "bad~1.xml").string());
  (*browser.TakePendingEvent())();
  EXPECT_NE(failure.find("Ошибка разбора"), std::string::npos);
  EXPECT_FALSE(browser.TakePendingEvent());
  EXPECT_THROW(browser.ExecWB(OLECMDID_SELECTALL, OLECMDEXECOPT_PROMPTUSER), Error);
}

TEST_F(BrowserTest, SelectAllThenCopyPutsThePageOnTheClipboard) {
  Browser browser;
  browser.Navigate((dir_ / "a~1.xml").string());
  EXPECT_THROW(browser.ExecWB(OLECMDID_COPY, OLECMDEXECOPT_PROMPTUSER), Error);
  EXPECT_FALSE(clipboard::Clipboard::Process().HasPage());
  browser.ExecWB(OLECMDID_SELECTALL, OLECMDEXECOPT_PROMPTUSER);
  browser.ExecWB(OLECMDID_COPY, OLECMDEXECOPT_PROMPTUSER);
  const page::Page& page = clipboard::Clipboard::Process().Page();
  ASSERT_EQ(page.Body().size(), 1u);
  EXPECT_EQ(page.Text(page.ParagraphOf(page.Body()[0])), "page");
  EXPECT_THROW(browser.ExecWB(99, 1), Error);
}

}  // namespace
}  // namespace quorlex::automation::browser
