#include "automation/wordprocessor/application.h"

#include "automation/wordprocessor/document_state.h"

namespace quorlex::automation::wordprocessor {

std::unique_ptr<Application> Application::Create() {
  return std::unique_ptr<Application>(new Application());
}

Application::Application() : documents_(selection_) {}

Application::~Application() = default;

wordprocessor::Documents& Application::Documents() { return documents_; }

wordprocessor::Selection& Application::Selection() { return selection_; }

void Application::SetDisplayAlerts(int level) {
  if (level != wdAlertsNone && level != wdAlertsAll && level != wdAlertsMessageBox) {
    Refuse("Недопустимое значение DisplayAlerts: " + std::to_string(level));
  }
  display_alerts_ = level;
}

int Application::DisplayAlerts() const { return display_alerts_; }

}  // namespace quorlex::automation::wordprocessor
