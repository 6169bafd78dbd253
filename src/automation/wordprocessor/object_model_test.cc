#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "automation/clipboard/clipboard.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/word97/reader.h"
#include "automation/wordprocessor/wordprocessor.h"
#include "platform/error.h"

namespace quorlex::automation::wordprocessor {
namespace {

namespace fs = std::filesystem;
using automation::testing::DocFixture;
using automation::testing::TempDir;

// The description of the refusal a call raises.
template <typename F>
std::string Refusal(F&& call) {
  try {
    call();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kDocument) << e.Description();
    return e.Description();
  }
  ADD_FAILURE() << "not refused";
  return {};
}

TEST(Documents, AddMakesTheTemplateTheActiveFirstItem) {
  auto app = Application::Create();
  EXPECT_EQ(app->Documents().Count(), 0);
  Document& added = app->Documents().Add(DocFixture("simple-table.doc"));
  EXPECT_EQ(app->Documents().Count(), 1);
  EXPECT_EQ(&app->Documents().Item(1), &added);
  EXPECT_EQ(app->Selection().Start(), 0);
  EXPECT_EQ(app->Selection().End(), 0);
  EXPECT_TRUE(added.Saved());
  EXPECT_EQ(added.FullName(), "");
}

TEST(Documents, ItemsOutsideTheCollectionAreRefused) {
  auto app = Application::Create();
  app->Documents().Add(DocFixture("simple.doc"));
  EXPECT_NE(Refusal([&] { app->Documents().Item(2); }).find("не существует"), std::string::npos);
  Refusal([&] { app->Documents().Item(0); });
}

TEST(Documents, TemplatesThatCannotBeUsedAreRefusedWithTheReason) {
  auto app = Application::Create();
  const std::string word6 = DocFixture("Word6.doc");
  EXPECT_EQ(Refusal([&] { app->Documents().Add(word6); }),
            "Шаблон " + word6 + " сохранен в формате Word 6.0/95, который не поддерживается");
  const std::string locked = DocFixture("PasswordProtected.doc");
  EXPECT_EQ(Refusal([&] { app->Documents().Add(locked); }), "Шаблон " + locked + " зашифрован");
  const std::string missing = DocFixture("missing.doc");
  EXPECT_EQ(Refusal([&] { app->Documents().Add(missing); }), "Шаблон " + missing + " не найден");
  const std::string text = std::string(QUORLEX_SOURCE_DIR) + "/CMakeLists.txt";
  EXPECT_EQ(Refusal([&] { app->Documents().Add(text); }),
            "Шаблон " + text + " не является документом Word 97-2003");
  EXPECT_EQ(app->Documents().Count(), 0);
}

TEST(Tables, ADocumentWithoutTablesGivesAnEmptyReference) {
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("simple.doc"));
  EXPECT_EQ(d.Tables().Count(), 0);
  EXPECT_FALSE(d.Tables().Item(1).has_value());
  Refusal([&] { d.Tables().Item(0); });
}

TEST(Tables, DeletingTheFirstRowOfTheFirstTable) {
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("simple-table.doc"));
  ASSERT_EQ(d.Tables().Count(), 1);
  auto table = d.Tables().Item(1);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Rows().Count(), 2);
  table->Rows().Item(1).Delete();
  EXPECT_FALSE(d.Saved());
  auto again = d.Tables().Item(1);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Rows().Count(), 1);
  // The handle taken before the deletion no longer answers.
  EXPECT_NE(Refusal([&] { table->Rows(); }).find("заново"), std::string::npos);
  Refusal([&] { again->Rows().Item(2); });
  Refusal([&] { again->Rows().Item(0); });
  again->Rows().Item(1).Delete();
  EXPECT_EQ(d.Tables().Count(), 0) << "deleting the only row removes the table";
}

TEST(Range, SelectsAnInsertionPointAndRefusesBadPositions) {
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("simple.doc"));
  d.Activate();
  d.Range(1, 1).Select();
  EXPECT_EQ(app->Selection().Start(), 1);
  EXPECT_EQ(app->Selection().End(), 1);
  const Range past = d.Range(1000, 2000);
  EXPECT_EQ(past.Start(), 48);  // the end of the text
  Refusal([&] { d.Range(-1, 1); });
  Refusal([&] { d.Range(5, 2); });
}

TEST(Selection, PasteWithAnEmptyClipboardIsRefused) {
  auto app = Application::Create();
  clipboard::Clipboard::Process().Clear();
  Refusal([&] { app->Selection().Paste(); });  // no document either
  app->Documents().Add(DocFixture("simple.doc"));
  EXPECT_NE(Refusal([&] { app->Selection().Paste(); }).find("Буфер обмена пуст"),
            std::string::npos);
}

TEST(Selection, PasteInsertsTheClipboardPageAtTheSelection) {
  TempDir dir;
  auto app = Application::Create();
  app->Documents().Add(DocFixture("simple.doc"));
  Document& d = app->Documents().Item(1);
  clipboard::Clipboard::Process().SetHtml(
      "<html><head><style>td { border: 1px solid black }</style></head><body>"
      "<table><tr><td>Кнопки</td></tr><tr><td>a</td><td>b</td></tr></table>"
      "<p>после</p></body></html>");
  d.Activate();
  app->Selection().Paste();
  EXPECT_EQ(app->Selection().Start(), app->Selection().End());
  EXPECT_GT(app->Selection().Start(), 0);
  d.Range(1, 1).Select();
  EXPECT_EQ(app->Selection().Start(), 1);
  auto table = d.Tables().Item(1);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Rows().Count(), 2);
  table->Rows().Item(1).Delete();
  const std::string path = dir.File("out.doc");
  d.SaveAs(path);
  d.Close();
  EXPECT_EQ(word97::ReadDocument(path).PlainText(),
            "a\tb\t\tпосле\nThis is a simple file created with Word 97-SR2.\n");
}

TEST(Document, SaveAsWritesAWordFileUnderThatName) {
  TempDir dir;
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("simple-table.doc"));
  d.Tables().Item(1)->Rows().Item(1).Delete();
  const std::string path = dir.File("out.doc");
  d.SaveAs(path);
  EXPECT_TRUE(d.Saved());
  EXPECT_EQ(d.FullName(), path);
  const auto written = word97::ReadDocument(path);
  EXPECT_EQ(written.Tables().size(), 1u);
  EXPECT_EQ(written.PlainText().find("Cell 1,1"), std::string::npos);
}

TEST(Document, ASaveThatFailsIsRefusedAndLeavesNoFile) {
  TempDir dir;
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("simple.doc"));
  const std::string path = dir.File("no/such/dir/out.doc");
  Refusal([&] { d.SaveAs(path); });
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(d.Saved() && d.FullName() == path);
}

TEST(Document, CloseWithoutSavingLeavesNoFileAndEndsTheDocument) {
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("simple-table.doc"));
  d.Tables().Item(1)->Rows().Item(1).Delete();
  d.Close(false);
  EXPECT_EQ(app->Documents().Count(), 0);
  EXPECT_NE(Refusal([&] { d.Tables(); }).find("закрыт"), std::string::npos);
  Refusal([&] { d.Close(); });
  Refusal([&] { app->Selection().Start(); });
}

TEST(Document, CloseSavingChangesNeedsAName) {
  TempDir dir;
  auto app = Application::Create();
  Document& d = app->Documents().Add(DocFixture("simple-table.doc"));
  d.Tables().Item(1)->Rows().Item(1).Delete();
  Refusal([&] { d.Close(true); });
  const std::string path = dir.File("out.doc");
  d.SaveAs(path);
  d.Tables().Item(1)->Rows().Item(1).Delete();  // a change after the save
  d.Close(true);
  EXPECT_TRUE(word97::ReadDocument(path).Tables().empty());
}

TEST(Application, AlertLevelsAreTheThreeWordKnows) {
  auto app = Application::Create();
  EXPECT_EQ(app->DisplayAlerts(), wdAlertsAll);
  app->SetDisplayAlerts(wdAlertsNone);
  EXPECT_EQ(app->DisplayAlerts(), 0);
  app->SetDisplayAlerts(wdAlertsMessageBox);
  Refusal([&] { app->SetDisplayAlerts(7); });
}

}  // namespace
}  // namespace quorlex::automation::wordprocessor
