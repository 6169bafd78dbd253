#pragma once

// The word processor as the converters drive it: an application object with
// its document collection, a selection and an alert level. Every call is
// synchronous; a refusal is a quorlex::Error numbered errors::kDocument whose
// description says what was refused.
//
//   auto app = Application::Create();
//   app->Documents().Add(templatePath);
//   Document& doc = app->Documents().Item(1);
//   doc.Activate();
//   app->Selection().Paste();              // the page from the clipboard
//   doc.Range(1, 1).Select();
//   if (auto table = doc.Tables().Item(1)) table->Rows().Item(1).Delete();
//   doc.SaveAs(outputPath);                // in the template's format
//   doc.Close();

#include <memory>

#include "automation/wordprocessor/documents.h"
#include "automation/wordprocessor/selection.h"

namespace quorlex::automation::wordprocessor {

// File formats of Document::SaveAs.
inline constexpr int wdFormatDocument = 0;
inline constexpr int wdFormatXMLDocument = 12;

// Alert levels of SetDisplayAlerts.
inline constexpr int wdAlertsNone = 0;
inline constexpr int wdAlertsAll = -1;
inline constexpr int wdAlertsMessageBox = -2;

// The word processor application: its documents and the clipboard it pastes from.
class Application {
 public:
  // A new instance with no document. It is never visible and never asks
  // anything: the alert level only decides whether a failing call may
  // prompt, and this component never prompts.
  static std::unique_ptr<Application> Create();

  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  ~Application();

  wordprocessor::Documents& Documents();

  // The insertion point of the active document (the document last added or
  // activated). Calling a member of it while no document is open is an
  // error.
  wordprocessor::Selection& Selection();

  // wdAlertsNone, wdAlertsAll or wdAlertsMessageBox; any other value is
  // refused.
  void SetDisplayAlerts(int level);
  int DisplayAlerts() const;

 private:
  Application();

  wordprocessor::Selection selection_;  // before the documents, which refer to it
  wordprocessor::Documents documents_;
  int display_alerts_ = wdAlertsAll;
};

}  // namespace quorlex::automation::wordprocessor
