#pragma once
// The remote bridge to one LibreOffice: reached on its pipe when it runs there, else started
// (see OfficeProcess) and waited for within the time-out. Every automation call of the Calc
// host runs through Call(), which turns what UNO throws into the automation error callers
// report: a closed document, a lost connection, a refused argument.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "automation/automation_error.h"
#include "automation/calc/office_process.h"
#include "automation/calc/uno_support.h"
#include "automation/calc/write_lanes.h"

#include <com/sun/star/container/NoSuchElementException.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IndexOutOfBoundsException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

namespace vx::automation::calc {

class OfficeConnection {
 public:
  ~OfficeConnection();

  // Connects to the office on the options' pipe, starting one when none answers there.
  static Result<std::unique_ptr<OfficeConnection>> Open(const OfficeOptions& options);

  const Reference<css::uno::XComponentContext>& Context() const { return context_; }
  const Reference<css::frame::XDesktop2>& Desktop() const { return desktop_; }
  const OfficeOptions& Options() const { return options_; }
  // True when this process started the office (and so ends it when it is done with it).
  bool StartedHere() const { return started_; }
  // Whether the office still answers; a call that fails with a disposed object asks this to
  // tell a closed document from a lost office.
  bool Alive();
  // Ends an office this process started: a headless one always, one on the desktop only
  // when no document is open in it (the user may have opened some since).
  void EndStartedOffice();
  // Leaves an office this process started to the user.
  void LeaveOfficeRunning();

  // Between BeginBatch and EndBatch, cell values are written behind the caller (see
  // WriteLanes): a write returns once it is queued, and its failure is reported by the next
  // call. EndBatch returns once every write has reached the office, with the first failure.
  void BeginBatch() { ++batchDepth_; }
  Status EndBatch();
  bool Batching() const { return batchDepth_ > 0; }
  WriteLanes& Lanes() { return lanes_; }

  // The automation error for what a UNO call threw.
  enum class Thrown { Disposed, NoSuchItem, Runtime, Other };
  AutomationError ErrorOf(Thrown kind, const css::uno::Exception& exception,
                          const std::string& typeName = "");

 private:
  OfficeConnection() = default;
  void WaitForTheBridgeToEnd();

  OfficeOptions options_;
  std::unique_ptr<OfficeProcess> process_;  // a tied office's processes
  bool started_ = false;
  Reference<css::uno::XComponentContext> context_;
  Reference<css::frame::XDesktop2> desktop_;
  // Two lanes and the caller: the caller's own calls (a chart's new ranges) overlap the
  // writes; more lanes gained nothing on two cores.
  static constexpr int kWriteLanes = 2;

  std::atomic<bool> lost_ = false;  // also set by the lanes' threads
  int batchDepth_ = 0;
  // Last, so that it goes first: its writes still need the bridge.
  WriteLanes lanes_{kWriteLanes};
};

// The process's own UNO runtime, made once, with LibreOffice's type libraries: every bridge
// of the process is made from it.
Result<Reference<css::uno::XComponentContext>> ProcessContext();

// Ends the bridges that Open made when the process exits, before the UNO runtime's own
// statics go: a bridge thread that still serves a call from the office (a listener's event)
// while the runtime is torn down brings the process down at its very end. Called by Open.
void EndBridgesAtExit();

// The office's configuration at `path` ("/org.openoffice.Setup/Product"), to read.
Reference<css::container::XNameAccess> ConfigurationNode(
    const Reference<css::uno::XComponentContext>& context, const char* path);

// The UNO type of the exception being handled ("com.sun.star.lang.IllegalArgumentException").
std::string CaughtTypeName();

// Runs `body` (which returns a Result or a Status) and turns an exception it throws into
// the automation error of the call. It does not wait for writes behind the caller: for the
// lanes' own work and the writes that go behind.
template <typename Body>
auto CallNow(OfficeConnection& office, Body body) -> decltype(body()) {
  using Thrown = OfficeConnection::Thrown;
  try {
    return body();
  } catch (const css::lang::DisposedException& exception) {
    return office.ErrorOf(Thrown::Disposed, exception);
  } catch (const css::lang::IndexOutOfBoundsException& exception) {
    return office.ErrorOf(Thrown::NoSuchItem, exception);
  } catch (const css::container::NoSuchElementException& exception) {
    return office.ErrorOf(Thrown::NoSuchItem, exception);
  } catch (const css::uno::RuntimeException& exception) {
    return office.ErrorOf(Thrown::Runtime, exception);
  } catch (const css::uno::Exception& exception) {
    return office.ErrorOf(Thrown::Other, exception, CaughtTypeName());
  } catch (const std::exception& exception) {
    return AutomationError::Make(ErrorNumber::Failed, exception.what());
  }
}

// Runs `body` as CallNow does, once every write behind the caller has reached the office;
// a write that failed is reported instead, and `body` does not run.
template <typename Body>
auto Call(OfficeConnection& office, Body body) -> decltype(body()) {
  if (Status written = office.Lanes().Drain(); !written) return written.error();
  return CallNow(office, std::move(body));
}

}  // namespace vx::automation::calc
