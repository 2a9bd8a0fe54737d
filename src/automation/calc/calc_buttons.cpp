#include "automation/calc/calc_buttons.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProviderInterception.hpp>
#include <com/sun/star/frame/XDispatchProviderInterceptor.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/frame/status/Visibility.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <com/sun/star/util/URL.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>

#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "automation/calc/add_on_toolbar.h"
#include "automation/calc/calc_objects.h"
#include "extension/extension_names.h"

namespace vx::automation::calc {

namespace {

struct ButtonState {
  bool enabled = true;
  bool visible = true;
};

struct Listener {
  std::string macro;
  css::util::URL url;
  Reference<css::frame::XStatusListener> listener;
  Reference<css::frame::XDispatch> source;
};

}  // namespace

// Shared by the host and the office's side of the bridge: the office calls in on its own
// threads (queryDispatch, addStatusListener, dispatch) while the engine changes states on the
// host's thread. No lock is held while the office is called, as the office may call in at the
// same time while it waits for us.
class ButtonBoard final : public std::enable_shared_from_this<ButtonBoard> {
 public:
  ButtonState State(const std::string& macro) {
    std::lock_guard lock(mutex_);
    return states_[macro];
  }
  void SetState(const std::string& macro, std::optional<bool> enabled, std::optional<bool> visible);
  Reference<css::frame::XDispatch> DispatchFor(const std::string& macro);
  void Listen(const std::string& macro, const css::util::URL& url,
              const Reference<css::frame::XStatusListener>& listener,
              const Reference<css::frame::XDispatch>& source);
  void StopListening(const Reference<css::frame::XStatusListener>& listener,
                     const std::string& macro);
  void Press(const std::string& macro) {
    std::lock_guard lock(handlerMutex_);
    if (handler_) handler_(macro);
  }
  void SetHandler(ToolbarButtons::Handler handler) {
    std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
  }
  // A window the board answers; `interceptor` is what was registered on it.
  void AddWindow(const Reference<css::frame::XFrame>& frame,
                 const Reference<css::frame::XDispatchProviderInterceptor>& interceptor) {
    std::lock_guard lock(mutex_);
    windows_.push_back({frame, interceptor});
  }
  bool Answers(const Reference<css::frame::XFrame>& frame) {
    std::lock_guard lock(mutex_);
    for (const Window& window : windows_) {
      if (window.frame == frame) return true;
    }
    return false;
  }
  // The window closed: when it was the last one, the handler hears of it.
  void WindowGone(const Reference<css::uno::XInterface>& frame);
  // Takes every interceptor off its window and lets go of the office's listeners.
  void Release();

 private:
  struct Window {
    Reference<css::frame::XFrame> frame;
    Reference<css::frame::XDispatchProviderInterceptor> interceptor;
  };
  static void Send(const Listener& listener, ButtonState state);

  std::mutex mutex_;
  std::map<std::string, ButtonState> states_;
  std::map<std::string, Reference<css::frame::XDispatch>> dispatches_;
  std::vector<Listener> listeners_;
  std::vector<Window> windows_;
  std::mutex handlerMutex_;
  ToolbarButtons::Handler handler_;
};

namespace {

std::shared_ptr<ButtonBoard> BoardOf(HostState& host) {
  if (!host.buttons) host.buttons = std::make_shared<ButtonBoard>();
  return host.buttons;
}

// One button's command: pressing it runs the macro on the host's side; its listeners hear
// the button's state.
class MacroDispatch final : public cppu::WeakImplHelper1<css::frame::XDispatch> {
 public:
  MacroDispatch(std::weak_ptr<ButtonBoard> board, std::string macro)
      : board_(std::move(board)), macro_(std::move(macro)) {}

  void SAL_CALL dispatch(const css::util::URL&,
                         const Sequence<css::beans::PropertyValue>&) override {
    if (auto board = board_.lock()) board->Press(macro_);
  }
  void SAL_CALL addStatusListener(const Reference<css::frame::XStatusListener>& listener,
                                  const css::util::URL& url) override {
    if (auto board = board_.lock()) board->Listen(macro_, url, listener, this);
  }
  void SAL_CALL removeStatusListener(const Reference<css::frame::XStatusListener>& listener,
                                     const css::util::URL&) override {
    if (auto board = board_.lock()) board->StopListening(listener, macro_);
  }

 private:
  std::weak_ptr<ButtonBoard> board_;
  std::string macro_;
};

// Sits in front of a window's own dispatch provider: the add-in's commands are the board's,
// every other command goes on to the window.
class ButtonInterceptor final
    : public cppu::WeakImplHelper2<css::frame::XDispatchProviderInterceptor,
                                   css::lang::XEventListener> {
 public:
  explicit ButtonInterceptor(std::weak_ptr<ButtonBoard> board) : board_(std::move(board)) {}

  Reference<css::frame::XDispatch> SAL_CALL queryDispatch(const css::util::URL& url,
                                                          const rtl::OUString& target,
                                                          sal_Int32 flags) override {
    const std::string macro = MacroOfCommand(FromUno(url.Complete));
    if (!macro.empty() || FromUno(url.Complete) == extension::kCommandProtocol) {
      if (auto board = board_.lock()) return board->DispatchFor(macro);
      return Reference<css::frame::XDispatch>();
    }
    const Reference<css::frame::XDispatchProvider> slave = Slave();
    if (!slave.is()) return Reference<css::frame::XDispatch>();
    return slave->queryDispatch(url, target, flags);
  }
  Sequence<Reference<css::frame::XDispatch>> SAL_CALL
  queryDispatches(const Sequence<css::frame::DispatchDescriptor>& requests) override {
    Sequence<Reference<css::frame::XDispatch>> answers(requests.getLength());
    for (sal_Int32 i = 0; i < requests.getLength(); ++i) {
      answers.getArray()[i] =
          queryDispatch(requests[i].FeatureURL, requests[i].FrameName, requests[i].SearchFlags);
    }
    return answers;
  }
  Reference<css::frame::XDispatchProvider> SAL_CALL getSlaveDispatchProvider() override {
    return Slave();
  }
  void SAL_CALL
  setSlaveDispatchProvider(const Reference<css::frame::XDispatchProvider>& slave) override {
    std::lock_guard lock(mutex_);
    slave_ = slave;
  }
  Reference<css::frame::XDispatchProvider> SAL_CALL getMasterDispatchProvider() override {
    std::lock_guard lock(mutex_);
    return master_;
  }
  void SAL_CALL
  setMasterDispatchProvider(const Reference<css::frame::XDispatchProvider>& master) override {
    std::lock_guard lock(mutex_);
    master_ = master;
  }
  // The window is going: it lets go of its providers, and the board of the window.
  void SAL_CALL disposing(const css::lang::EventObject& event) override {
    {
      std::lock_guard lock(mutex_);
      slave_.clear();
      master_.clear();
    }
    if (auto board = board_.lock()) board->WindowGone(event.Source);
  }

 private:
  Reference<css::frame::XDispatchProvider> Slave() {
    std::lock_guard lock(mutex_);
    return slave_;
  }

  std::weak_ptr<ButtonBoard> board_;
  std::mutex mutex_;
  Reference<css::frame::XDispatchProvider> slave_;
  Reference<css::frame::XDispatchProvider> master_;
};

}  // namespace

void ButtonBoard::Send(const Listener& listener, ButtonState state) {
  css::frame::FeatureStateEvent event;
  event.Source = listener.source;
  event.FeatureURL = listener.url;
  event.IsEnabled = state.enabled;
  event.Requery = false;
  // The office's toolbar shows or hides a button whose state carries its visibility.
  event.State <<= css::frame::status::Visibility(state.visible);
  listener.listener->statusChanged(event);
}

void ButtonBoard::SetState(const std::string& macro, std::optional<bool> enabled,
                           std::optional<bool> visible) {
  std::vector<Listener> told;
  ButtonState state;
  {
    std::lock_guard lock(mutex_);
    ButtonState& kept = states_[macro];
    if (enabled) kept.enabled = *enabled;
    if (visible) kept.visible = *visible;
    state = kept;
    for (const Listener& listener : listeners_) {
      if (listener.macro == macro) told.push_back(listener);
    }
  }
  for (const Listener& listener : told) {
    try {
      Send(listener, state);
    } catch (const css::uno::RuntimeException&) {
      // A listener of a window gone, or of an office gone: it hears nothing more.
      StopListening(listener.listener, macro);
    }
  }
}

Reference<css::frame::XDispatch> ButtonBoard::DispatchFor(const std::string& macro) {
  std::lock_guard lock(mutex_);
  Reference<css::frame::XDispatch>& dispatch = dispatches_[macro];
  if (!dispatch.is()) dispatch = new MacroDispatch(weak_from_this(), macro);
  return dispatch;
}

void ButtonBoard::Listen(const std::string& macro, const css::util::URL& url,
                         const Reference<css::frame::XStatusListener>& listener,
                         const Reference<css::frame::XDispatch>& source) {
  Listener added{macro, url, listener, source};
  ButtonState state;
  {
    std::lock_guard lock(mutex_);
    listeners_.push_back(added);
    state = states_[macro];
  }
  // A listener hears the button's state at once, as the office's own commands tell theirs.
  try {
    Send(added, state);
  } catch (const css::uno::RuntimeException&) {
    StopListening(listener, macro);  // gone already
  }
}

void ButtonBoard::StopListening(const Reference<css::frame::XStatusListener>& listener,
                                const std::string& macro) {
  std::lock_guard lock(mutex_);
  std::erase_if(listeners_, [&](const Listener& kept) {
    return kept.macro == macro && kept.listener == listener;
  });
}

void ButtonBoard::WindowGone(const Reference<css::uno::XInterface>& frame) {
  bool last = false;
  {
    std::lock_guard lock(mutex_);
    const size_t before = windows_.size();
    std::erase_if(windows_, [&](const Window& window) { return window.frame == frame; });
    last = before > 0 && windows_.empty();
  }
  if (last) Press("");
}

void ButtonBoard::Release() {
  SetHandler(nullptr);
  std::vector<Window> windows;
  {
    std::lock_guard lock(mutex_);
    windows.swap(windows_);
    listeners_.clear();
  }
  for (const Window& window : windows) {
    try {
      As<css::frame::XDispatchProviderInterception>(window.frame)
          ->releaseDispatchProviderInterceptor(window.interceptor);
      window.frame->removeEventListener(
          Reference<css::lang::XEventListener>(window.interceptor, UNO_QUERY));
    } catch (const css::uno::RuntimeException&) {
      // The window, or the office, has gone: nothing is left to take back.
    }
  }
}

std::string MacroOfCommand(std::string_view command) {
  for (const std::string_view protocol :
       {std::string_view(extension::kCommandProtocol), std::string_view(kMacroProtocol)}) {
    if (command.size() > protocol.size() && command.substr(0, protocol.size()) == protocol) {
      return std::string(command.substr(protocol.size()));
    }
  }
  return {};
}

Status AnswerButtons(HostState& host, ToolbarButtons::Handler handler) {
  const std::shared_ptr<ButtonBoard> board = BoardOf(host);
  board->SetHandler(std::move(handler));
  return Call(*host.office, [&]() -> Status {
    for (const BookPtr& book : host.books) {
      if (book->addIn || !book->own || book->closed->load() || !book->model.is()) continue;
      const Reference<css::frame::XFrame> frame = book->model->getCurrentController()->getFrame();
      if (!frame.is() || board->Answers(frame)) continue;
      const Reference<css::frame::XDispatchProviderInterceptor> interceptor =
          new ButtonInterceptor(board);
      As<css::frame::XDispatchProviderInterception>(frame)->registerDispatchProviderInterceptor(
          interceptor);
      frame->addEventListener(Reference<css::lang::XEventListener>(interceptor, UNO_QUERY));
      board->AddWindow(frame, interceptor);
    }
    return {};
  });
}

void ShowButtonState(HostState& host, const std::string& macro, std::optional<bool> enabled,
                     std::optional<bool> visible) {
  if (!macro.empty()) BoardOf(host)->SetState(macro, enabled, visible);
}

void ReleaseButtons(HostState& host) {
  if (host.buttons) host.buttons->Release();
}

bool IsExtensionToolbar(const std::string& url) {
  return url == extension::kToolbarUrl;
}

namespace {

struct ExtensionItem {
  std::string command;
  std::string title;
};

rtl::OUString ExtensionNode() {
  return ToUno(AddOnToolbarNode(extension::kToolbarUrl));
}

// The items the office took from the extension, in order; none when it is not installed or
// switched off.
std::vector<ExtensionItem> ExtensionItems(HostState& host) {
  const Reference<css::container::XNameAccess> toolbars = AddOnToolbars(host.office->Context());
  std::vector<ExtensionItem> items;
  if (!toolbars->hasByName(ExtensionNode())) return items;
  const Reference<css::container::XNameAccess> toolbar(toolbars->getByName(ExtensionNode()),
                                                       UNO_QUERY_THROW);
  for (const rtl::OUString& name : toolbar->getElementNames()) {  // in the items' order
    const Reference<css::container::XNameAccess> item(toolbar->getByName(name), UNO_QUERY_THROW);
    rtl::OUString command;
    rtl::OUString title;
    item->getByName("URL") >>= command;
    item->getByName("Title") >>= title;
    items.push_back({FromUno(command), FromUno(title)});
  }
  return items;
}

// A button of the extension's toolbar. Its command and title are the extension's; its state
// is the board's, which the office's toolbar shows.
class ExtensionControl final : public CommandBarControl {
 public:
  ExtensionControl(std::shared_ptr<ButtonBoard> board, ExtensionItem item)
      : board_(std::move(board)), item_(std::move(item)), macro_(MacroOfCommand(item_.command)) {}

  Result<std::string> Caption() override { return item_.title; }
  Status SetCaption(std::string_view caption) override {
    return Keep("caption", caption, item_.title);
  }
  Result<std::string> OnAction() override { return macro_; }
  Status SetOnAction(std::string_view macro) override { return Keep("macro", macro, macro_); }
  // The office shows an add-on button's title as its tool tip.
  Result<std::string> ToolTipText() override { return item_.title; }
  Status SetToolTipText(std::string_view text) override {
    return Keep("tool tip", text, item_.title);
  }
  Result<bool> Visible() override { return board_->State(macro_).visible; }
  Status SetVisible(bool visible) override {
    board_->SetState(macro_, std::nullopt, visible);
    return {};
  }
  Result<bool> Enabled() override { return board_->State(macro_).enabled; }
  Status SetEnabled(bool enabled) override {
    board_->SetState(macro_, enabled, std::nullopt);
    return {};
  }

 private:
  // The extension fixes what its buttons say and run: setting the same is accepted, another
  // is refused.
  Status Keep(const char* what, std::string_view wanted, const std::string& fixed) {
    if (wanted == fixed) return {};
    return CalcError(std::string("The VX-Link extension's button keeps its ") + what + " \"" +
                     fixed + "\"; it cannot be changed to \"" + std::string(wanted) + "\".");
  }

  std::shared_ptr<ButtonBoard> board_;
  ExtensionItem item_;
  std::string macro_;
};

class ExtensionControls final : public CommandBarControls {
 public:
  ExtensionControls(std::shared_ptr<ButtonBoard> board, std::vector<ExtensionItem> items)
      : board_(std::move(board)), items_(std::move(items)) {}

  Result<int> Count() override { return static_cast<int>(items_.size()); }
  Result<CommandBarControlPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(items_.size())) {
      return NoItem("Controls", std::to_string(index));
    }
    return CommandBarControlPtr(
        std::make_shared<ExtensionControl>(board_, items_[static_cast<size_t>(index - 1)]));
  }
  Result<CommandBarControlPtr> Add(int) override {
    return CalcError("The VX-Link extension's toolbar has the buttons the extension gives it.");
  }

 private:
  std::shared_ptr<ButtonBoard> board_;
  std::vector<ExtensionItem> items_;
};

}  // namespace

Result<CommandBarControlsPtr> ExtensionToolbarControls(HostState& host) {
  return Call(*host.office, [&]() -> Result<CommandBarControlsPtr> {
    return CommandBarControlsPtr(
        std::make_shared<ExtensionControls>(BoardOf(host), ExtensionItems(host)));
  });
}

bool HasExtensionToolbar(HostState& host) {
  return AddOnToolbarConfigured(*host.office, extension::kToolbarUrl);
}

}  // namespace vx::automation::calc
