#include "shell/form1.h"

#include <gtest/gtest.h>

#include "tools/titles.h"

namespace quorlex::shell {
namespace {

class RecordingDisplay : public Display {
 public:
  explicit RecordingDisplay(std::vector<std::string>* log) : log_(log) {}
  void Repaint(const TextBox& box) override { log_->push_back(box.Name() + ":" + box.Text()); }

 private:
  std::vector<std::string>* log_;
};

TEST(Form1Test, UnloadRunsOnceAndReleasesEverything) {
  Form1 form;
  form.appIE = nullptr;
  tools::Titles = {{"A", "B"}};
  tools::TitleCount = 1;
  form.Unload();
  EXPECT_FALSE(form.Loaded());
  EXPECT_TRUE(tools::Titles.empty());
  tools::Titles = {{"C", "D"}};
  form.Unload();  // no effect the second time
  EXPECT_EQ(tools::Titles.size(), 1u);
  tools::Titles.clear();
  tools::TitleCount = 0;
}

TEST(Form1Test, TitlesAreKeptWhenNoneWereCounted) {
  Form1 form;
  tools::Titles = {{"A", "B"}};
  tools::TitleCount = 0;
  form.Unload();
  EXPECT_EQ(tools::Titles.size(), 1u);
  tools::Titles.clear();
}

TEST(Form1Test, OnlyAVisibleFormRepaints) {
  std::vector<std::string> painted;
  Form1 form;
  form.SetDisplayFactory([&] { return std::make_unique<RecordingDisplay>(&painted); });
  form.txtTitle.SetText("hidden");
  form.txtTitle.Refresh();
  EXPECT_TRUE(painted.empty());
  form.SetVisible(true);
  form.txtProgress.SetText("загрузка файла...");
  form.txtProgress.Refresh();
  EXPECT_EQ(painted, std::vector<std::string>{"txtProgress:загрузка файла..."});
  form.Unload();
  form.txtProgress.Refresh();
  EXPECT_EQ(painted.size(), 1u);
}

}  // namespace
}  // namespace quorlex::shell

namespace quorlex::shell {
namespace {

TEST(TextBoxTest, AppendingKeepsTheLengthInCharacters) {
  TextBox box("txtProgress");
  box.SetText("Клиент: А");
  box.Append("\r\nКлиент: Б");
  EXPECT_EQ(box.Text(), "Клиент: А\r\nКлиент: Б");
  EXPECT_EQ(box.Length(), 20u);
  box.SetText("x");
  EXPECT_EQ(box.Length(), 1u);
}

}  // namespace
}  // namespace quorlex::shell
