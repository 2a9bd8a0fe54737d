#pragma once
// The command environment the office's extension manager is called with. What the manager
// asks while it works (replace an installed version, accept a licence) is approved, as the
// user asked for the add-in; its progress is not shown. The office needs a real environment:
// a null one takes soffice down on some calls.

#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/ucb/XCommandEnvironment.hpp>
#include <com/sun/star/ucb/XProgressHandler.hpp>
#include <cppuhelper/implbase3.hxx>

#include "automation/calc/uno_support.h"

namespace vx::automation::calc {

class QuietCommandEnvironment final
    : public cppu::WeakImplHelper3<css::ucb::XCommandEnvironment, css::task::XInteractionHandler,
                                   css::ucb::XProgressHandler> {
 public:
  Reference<css::task::XInteractionHandler> SAL_CALL getInteractionHandler() override {
    return this;
  }
  Reference<css::ucb::XProgressHandler> SAL_CALL getProgressHandler() override { return this; }

  void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
    const auto continuations = request->getContinuations();
    Reference<css::task::XInteractionContinuation> abort;
    for (const auto& continuation : continuations) {
      if (Reference<css::task::XInteractionApprove>(continuation, UNO_QUERY).is()) {
        continuation->select();
        return;
      }
      if (Reference<css::task::XInteractionAbort>(continuation, UNO_QUERY).is()) {
        abort = continuation;
      }
    }
    if (abort.is()) abort->select();
  }

  void SAL_CALL push(const Any&) override {}
  void SAL_CALL update(const Any&) override {}
  void SAL_CALL pop() override {}
};

// The process's one environment. The office holds on to it for a while after a call and
// lets it go over the bridge when it likes, possibly while the process ends; made once and
// never destroyed, it is still there for that last release.
inline const Reference<css::ucb::XCommandEnvironment>& CommandEnvironment() {
  static const auto* const environment = new Reference<css::ucb::XCommandEnvironment>(
      static_cast<css::ucb::XCommandEnvironment*>(new QuietCommandEnvironment));
  return *environment;
}

}  // namespace vx::automation::calc
