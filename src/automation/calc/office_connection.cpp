#include "automation/calc/office_connection.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <rtl/bootstrap.hxx>

#include <signal.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

namespace vx::automation::calc {
namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(50);

// UNO's messages end with the source place of the throw (" at ./sc/source/..."): the user
// needs the words before it.
std::string Words(const rtl::OUString& message) {
  std::string text = FromUno(message);
  if (text.rfind("at ./", 0) == 0) return {};
  if (const size_t place = text.find(" at ./"); place != std::string::npos) text.resize(place);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
  return text;
}

// The office's component context by address, one bridge for the process's life: a bridge
// that goes and a new one to the same pipe at once can bring the process down as the first
// one's threads end. Kept, never destroyed, as the UNO runtime may be gone at exit.
std::mutex bridgesMutex;
std::map<std::string, Reference<css::uno::XComponentContext>>& Bridges() {
  static auto* bridges = new std::map<std::string, Reference<css::uno::XComponentContext>>;
  return *bridges;
}

// The context kept for `address`, when its bridge still carries calls.
Reference<css::uno::XComponentContext> KeptContext(const std::string& address) {
  const std::lock_guard lock(bridgesMutex);
  const auto kept = Bridges().find(address);
  if (kept == Bridges().end()) return nullptr;
  try {
    kept->second->getServiceManager();
    return kept->second;
  } catch (const css::uno::Exception&) {
    Bridges().erase(kept);
    return nullptr;
  }
}

void KeepContext(const std::string& address,
                 const Reference<css::uno::XComponentContext>& context) {
  const std::lock_guard lock(bridgesMutex);
  Bridges()[address] = context;
}

// The bridge writes to the office's pipe: an office that has gone must be an error of the
// next call, not a SIGPIPE that ends the program. A program's own handler is kept.
void IgnoreBrokenPipes() {
  struct sigaction current {};
  if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
    ::signal(SIGPIPE, SIG_IGN);
  }
}

// The bridge factory of the process's runtime, made before the exit handler is registered
// (what is made after it goes before it at exit), and never destroyed.
Reference<css::bridge::XBridgeFactory2>* exitFactory = nullptr;

// Disposes every bridge of the process, which closes its pipe and joins its threads.
void EndBridges() {
  try {
    const Sequence<Reference<css::bridge::XBridge>> bridges = (*exitFactory)->getExistingBridges();
    for (sal_Int32 i = 0; i < bridges.getLength(); ++i) {
      const Reference<css::lang::XComponent> bridge(bridges[i], UNO_QUERY);
      if (bridge.is()) bridge->dispose();
    }
  } catch (const css::uno::Exception&) {
    // An office that has gone has taken its bridge with it.
  }
}

}  // namespace

// The process's own UNO runtime, made once: it must know LibreOffice's type libraries before
// the first office type is used, or that use brings the process down.
Result<Reference<css::uno::XComponentContext>> ProcessContext() {
  static std::once_flag once;
  static Reference<css::uno::XComponentContext> context;
  static std::string problem;
  std::call_once(once, [] {
    try {
      if (std::getenv("URE_BOOTSTRAP") == nullptr) {
        rtl::Bootstrap::set("URE_BOOTSTRAP",
                            "vnd.sun.star.pathname:" VX_LIBREOFFICE_PROGRAM "/fundamentalrc");
      }
      context = cppu::defaultBootstrap_InitialComponentContext();
    } catch (const css::uno::Exception& exception) {
      problem = FromUno(exception.Message);
    }
  });
  if (!context.is()) {
    return AutomationError::Make(ErrorNumber::AppNotFound,
                                 "LibreOffice's UNO runtime cannot be started: " + problem);
  }
  return context;
}

void EndBridgesAtExit() {
  static std::once_flag once;
  std::call_once(once, [] {
    const Result<Reference<css::uno::XComponentContext>> local = ProcessContext();
    if (!local) return;
    try {
      exitFactory =
          new Reference<css::bridge::XBridgeFactory2>(css::bridge::BridgeFactory::create(*local));
    } catch (const css::uno::Exception&) {
      return;
    }
    std::atexit(EndBridges);
  });
}

Result<std::unique_ptr<OfficeConnection>> OfficeConnection::Open(const OfficeOptions& options) {
  IgnoreBrokenPipes();
  EndBridgesAtExit();
  VX_ASSIGN_OR_RETURN(Reference<css::uno::XComponentContext> local, ProcessContext());
  std::unique_ptr<OfficeConnection> connection(new OfficeConnection);
  connection->options_ = options;
  try {
    Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(local);
    const rtl::OUString address = ToUno(options.ContextAddress());
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    Reference<css::uno::XInterface> remote(KeptContext(options.ContextAddress()).get());
    for (bool started = false; !remote.is();) {
      // No office on the pipe yet, or one that is still starting (or ending) and drops the
      // bridge it accepted: both are waited out until the deadline.
      bool notThereYet = false;
      try {
        remote = resolver->resolve(address);
      } catch (const css::connection::NoConnectException&) {
        notThereYet = true;
      } catch (const css::lang::DisposedException&) {
        notThereYet = true;
      }
      if (notThereYet) {
        if (!started && options.mayStart) {
          // Where an office already runs on the same profile, the one started here hands it
          // the pipe and ends; then that office answers.
          VX_ASSIGN_OR_RETURN(connection->process_,
                              OfficeProcess::Start(options, /*tied=*/options.headless));
          if (!options.headless) connection->process_.reset();
          started = true;
          connection->started_ = true;
        } else if (std::chrono::steady_clock::now() >= deadline) {
          // An office that never came (or was started elsewhere and is not there yet).
          if (connection->process_) connection->process_->End();
          const long seconds = static_cast<long>(
              std::chrono::duration_cast<std::chrono::seconds>(options.timeout).count());
          return AutomationError::Make(
              ErrorNumber::Failed, "LibreOffice did not accept a connection on the pipe \"" +
                                       options.pipeName + "\" within " + std::to_string(seconds) +
                                       " s.");
        }
        std::this_thread::sleep_for(kRetryEvery);
      }
    }
    connection->context_ = Reference<css::uno::XComponentContext>(remote, UNO_QUERY_THROW);
    KeepContext(options.ContextAddress(), connection->context_);
    connection->desktop_ = css::frame::Desktop::create(connection->context_);
  } catch (const css::uno::Exception& exception) {
    if (connection->process_) connection->process_->End();
    return AutomationError::Make(ErrorNumber::Failed,
                                 "LibreOffice cannot be reached: " + Words(exception.Message));
  }
  return connection;
}

OfficeConnection::~OfficeConnection() {
  // A write still on its way may ask the desktop whether the office is alive.
  lanes_.Drain();
  desktop_.clear();
  context_.clear();
}

bool OfficeConnection::Alive() {
  if (lost_) return false;
  try {
    desktop_->getComponents();
    return true;
  } catch (const css::uno::Exception&) {
    lost_ = true;
    return false;
  }
}

void OfficeConnection::EndStartedOffice() {
  if (!started_) return;
  started_ = false;
  bool ending = false;
  try {
    if (!lost_ &&
        (process_ || !desktop_->getComponents()->createEnumeration()->hasMoreElements())) {
      ending = desktop_->terminate();
    }
  } catch (const css::uno::Exception&) {
    // An office that is going away ends the bridge before it answers.
    ending = true;
  }
  if (process_) process_->End();
  process_.reset();
  // An office on the desktop ends on its own after it agreed to: until its bridge has gone, a
  // host made next would take the kept bridge of an office that is ending, and lose it in the
  // middle of its work.
  if (ending) WaitForTheBridgeToEnd();
  lost_ = true;
}

void OfficeConnection::WaitForTheBridgeToEnd() {
  const auto deadline = std::chrono::steady_clock::now() + options_.timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    try {
      context_->getServiceManager();
    } catch (const css::uno::Exception&) {
      return;
    }
    std::this_thread::sleep_for(kRetryEvery);
  }
}

void OfficeConnection::LeaveOfficeRunning() {
  if (process_) process_->Release();
  started_ = false;
}

Reference<css::container::XNameAccess> ConfigurationNode(
    const Reference<css::uno::XComponentContext>& context, const char* path) {
  Sequence<Any> arguments(1);
  css::beans::NamedValue node;
  node.Name = "nodepath";
  node.Value <<= rtl::OUString::createFromAscii(path);
  arguments[0] <<= node;
  return Reference<css::container::XNameAccess>(
      css::configuration::theDefaultProvider::get(context)->createInstanceWithArguments(
          "com.sun.star.configuration.ConfigurationAccess", arguments),
      UNO_QUERY_THROW);
}

std::string CaughtTypeName() {
  return FromUno(cppu::getCaughtException().getValueTypeName());
}

Status OfficeConnection::EndBatch() {
  if (batchDepth_ > 0) --batchDepth_;
  return lanes_.Drain();
}

AutomationError OfficeConnection::ErrorOf(Thrown kind, const css::uno::Exception& exception,
                                          const std::string& typeName) {
  std::string words = Words(exception.Message);
  if (kind == Thrown::Disposed || (kind == Thrown::Runtime && !Alive())) {
    if (!Alive()) {
      return AutomationError::Make(ErrorNumber::Disconnected,
                                   "LibreOffice is no longer reachable: the connection to it was "
                                   "lost" +
                                       (words.empty() ? "" : " (" + words + ")") + ".");
    }
    return AutomationError::Make(ErrorNumber::Disconnected,
                                 "The workbook is no longer open in LibreOffice: it was closed.");
  }
  if (words.empty()) {
    // The type says what went wrong where LibreOffice gives no words for it.
    const std::string type = typeName.substr(typeName.rfind('.') + 1);
    words = type.empty() ? "an error without a description" : type;
  }
  if (kind == Thrown::NoSuchItem) {
    return AutomationError::Make(ErrorNumber::BadIndex, "LibreOffice holds no such item: " + words);
  }
  return AutomationError::Make(ErrorNumber::ObjectDefined,
                               "LibreOffice refused the call: " + words);
}

}  // namespace vx::automation::calc
