#include "linkhost/toolbar_macros.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace vx::linkhost {

ToolbarMacros::ToolbarMacros(std::shared_ptr<automation::ToolbarButtons> buttons, Run run)
    : buttons_(std::move(buttons)), run_(std::make_shared<Run>(std::move(run))) {}

ToolbarMacros::~ToolbarMacros() {
  buttons_->ReleaseButtons();
  run_.reset();  // a macro still queued finds nothing to run
}

automation::Status ToolbarMacros::Answer() {
  // The application object lives on the engine's thread for as long as the program: a call
  // queued on it runs there, and a macro queued after this object went is dropped.
  QObject* const engineThread = QCoreApplication::instance();
  if (engineThread == nullptr) {
    return automation::AutomationError::Make(
        automation::ErrorNumber::Failed, "The toolbar's buttons need the program's event loop.");
  }
  std::weak_ptr<Run> run = run_;
  return buttons_->AnswerButtons([engineThread, run](const std::string& macro) {
    QMetaObject::invokeMethod(
        engineThread,
        [run, macro] {
          if (const std::shared_ptr<Run> alive = run.lock()) (*alive)(macro);
        },
        Qt::QueuedConnection);
  });
}

}  // namespace vx::linkhost
