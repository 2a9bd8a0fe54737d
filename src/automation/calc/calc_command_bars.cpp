// Toolbars: Calc's own, from the configuration of its spreadsheet windows. A lasting toolbar
// is stored in the user's LibreOffice profile, where Calc keeps the toolbars the user makes;
// a temporary one is stored too (Calc cannot store its configuration again once a toolbar
// it never stored was removed) and removed when the host goes.
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/ui/ItemType.hpp>
#include <com/sun/star/ui/UIElementType.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/XUIConfigurationPersistence.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/ui/theWindowStateConfiguration.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>

#include "automation/calc/calc_buttons.h"
#include "automation/calc/calc_objects.h"
#include "common/c_number.h"
#include "extension/extension_names.h"

namespace vx::automation::calc {
namespace {

constexpr const char* kSpreadsheetModule = "com.sun.star.sheet.SpreadsheetDocument";
// Toolbars the user makes in Calc carry this prefix; the others are Calc's own.
constexpr const char* kCustomPrefix = "private:resource/toolbar/custom_";

Reference<css::ui::XUIConfigurationManager> Toolbars(HostState& host) {
  return css::ui::theModuleUIConfigurationManagerSupplier::get(host.office->Context())
      ->getUIConfigurationManager(rtl::OUString::createFromAscii(kSpreadsheetModule));
}

Reference<css::container::XNameContainer> WindowStates(HostState& host) {
  return Reference<css::container::XNameContainer>(
      css::ui::theWindowStateConfiguration::get(host.office->Context())
          ->getByName(rtl::OUString::createFromAscii(kSpreadsheetModule)),
      UNO_QUERY_THROW);
}

// Keeps a change of a toolbar in the profile.
void Keep(const Reference<css::ui::XUIConfigurationManager>& toolbars) {
  As<css::ui::XUIConfigurationPersistence>(toolbars)->store();
}

template <typename T>
T PropertyOf(const Sequence<css::beans::PropertyValue>& properties, const char* name, T fallback) {
  for (const css::beans::PropertyValue& property : properties) {
    if (property.Name.equalsAscii(name)) {
      T value = fallback;
      property.Value >>= value;
      return value;
    }
  }
  return fallback;
}

void SetProperty(Sequence<css::beans::PropertyValue>& properties, const char* name,
                 const Any& value) {
  for (sal_Int32 i = 0; i < properties.getLength(); ++i) {
    if (properties[i].Name.equalsAscii(name)) {
      properties.getArray()[i].Value = value;
      return;
    }
  }
  const sal_Int32 size = properties.getLength();
  properties.realloc(size + 1);
  properties.getArray()[size].Name = rtl::OUString::createFromAscii(name);
  properties.getArray()[size].Value = value;
}

// The name Calc's windows show for the toolbar `url`, from its window state.
std::string ToolbarName(HostState& host, const std::string& url) {
  const Reference<css::container::XNameContainer> states = WindowStates(host);
  if (!states->hasByName(ToUno(url))) return {};
  Sequence<css::beans::PropertyValue> state;
  states->getByName(ToUno(url)) >>= state;
  return FromUno(PropertyOf(state, "UIName", rtl::OUString()));
}

struct ToolbarInfo {
  std::string url;
  std::string name;
};

// Every toolbar of Calc's spreadsheet windows, with the name it shows.
std::vector<ToolbarInfo> AllToolbars(HostState& host) {
  const Reference<css::ui::XUIConfigurationManager> toolbars = Toolbars(host);
  std::vector<ToolbarInfo> all;
  const auto infos = toolbars->getUIElementsInfo(css::ui::UIElementType::TOOLBAR);
  for (const auto& info : infos) {
    ToolbarInfo toolbar;
    toolbar.url = FromUno(PropertyOf(info, "ResourceURL", rtl::OUString()));
    toolbar.name = FromUno(PropertyOf(info, "UIName", rtl::OUString()));
    if (toolbar.name.empty()) toolbar.name = ToolbarName(host, toolbar.url);
    all.push_back(toolbar);
  }
  return all;
}

// The windows of Calc documents: each shows or hides the toolbar itself.
void ShowInWindows(HostState& host, const std::string& url, bool visible) {
  for (const BookPtr& book : host.books) {
    if (book->addIn || !book->model.is()) continue;
    try {
      const Reference<css::beans::XPropertySet> frame(
          book->model->getCurrentController()->getFrame(), UNO_QUERY_THROW);
      Reference<css::frame::XLayoutManager> layout;
      frame->getPropertyValue("LayoutManager") >>= layout;
      if (!layout.is()) continue;
      if (visible) {
        layout->createElement(ToUno(url));
        layout->showElement(ToUno(url));
      } else {
        layout->hideElement(ToUno(url));
      }
    } catch (const css::uno::RuntimeException&) {
      // A document closed meanwhile has no window to show the toolbar in.
    }
  }
}

class CalcControl final : public CommandBarControl {
 public:
  CalcControl(HostPtr host, std::string url, sal_Int32 index)
      : host_(std::move(host)), url_(std::move(url)), index_(index) {}

  Result<std::string> Caption() override { return Text("Label"); }
  Status SetCaption(std::string_view caption) override { return SetText("Label", caption); }
  Result<std::string> OnAction() override {
    VX_ASSIGN_OR_RETURN(std::string command, Text("CommandURL"));
    if (command.rfind(kMacroProtocol, 0) == 0) command.erase(0, std::string(kMacroProtocol).size());
    return command;
  }
  Status SetOnAction(std::string_view macro) override {
    return SetText("CommandURL",
                   macro.empty() ? std::string() : kMacroProtocol + std::string(macro));
  }
  Result<std::string> ToolTipText() override { return Text("Tooltip"); }
  Status SetToolTipText(std::string_view text) override { return SetText("Tooltip", text); }
  Result<bool> Visible() override {
    return Call(*host_->office,
                [&]() -> Result<bool> { return PropertyOf(Item(), "IsVisible", true); });
  }
  // The windows whose buttons the host answers hear the new state as well.
  Status SetVisible(bool visible) override {
    VX_RETURN_IF_ERROR(Change("IsVisible", AnyOf(visible)));
    return Tell(std::nullopt, visible);
  }
  // Calc's toolbar items have no such setting: the host keeps it in the item, where every
  // client of the office sees it (the add-in's extension shows it), for as long as the office
  // runs.
  Result<bool> Enabled() override {
    return Call(*host_->office,
                [&]() -> Result<bool> { return PropertyOf(Item(), "IsEnabled", true); });
  }
  Status SetEnabled(bool enabled) override {
    VX_RETURN_IF_ERROR(Change("IsEnabled", AnyOf(enabled)));
    return Tell(enabled, std::nullopt);
  }

 private:
  Sequence<css::beans::PropertyValue> Item() {
    Sequence<css::beans::PropertyValue> item;
    Toolbars(*host_)->getSettings(ToUno(url_), false)->getByIndex(index_) >>= item;
    return item;
  }
  Status Tell(std::optional<bool> enabled, std::optional<bool> visible) {
    VX_ASSIGN_OR_RETURN(std::string macro, OnAction());
    ShowButtonState(*host_, macro, enabled, visible);
    return {};
  }
  Result<std::string> Text(const char* property) {
    return Call(*host_->office, [&]() -> Result<std::string> {
      return FromUno(PropertyOf(Item(), property, rtl::OUString()));
    });
  }
  Status SetText(const char* property, std::string_view text) {
    return Change(property, AnyOf(ToUno(text)));
  }
  Status Change(const char* property, const Any& value) {
    return Call(*host_->office, [&]() -> Status {
      const Reference<css::ui::XUIConfigurationManager> toolbars = Toolbars(*host_);
      const Reference<css::container::XIndexContainer> settings(
          toolbars->getSettings(ToUno(url_), true), UNO_QUERY_THROW);
      Sequence<css::beans::PropertyValue> item;
      settings->getByIndex(index_) >>= item;
      SetProperty(item, property, value);
      settings->replaceByIndex(index_, AnyOf(item));
      toolbars->replaceSettings(ToUno(url_), Up<css::container::XIndexAccess>(settings));
      Keep(toolbars);
      return {};
    });
  }

  HostPtr host_;
  std::string url_;
  sal_Int32 index_;
};

class CalcControls final : public CommandBarControls {
 public:
  CalcControls(HostPtr host, std::string url) : host_(std::move(host)), url_(std::move(url)) {}

  Result<int> Count() override {
    return Call(*host_->office, [&]() -> Result<int> {
      return static_cast<int>(Toolbars(*host_)->getSettings(ToUno(url_), false)->getCount());
    });
  }
  Result<CommandBarControlPtr> Item(int index) override {
    VX_ASSIGN_OR_RETURN(int count, Count());
    if (index < 1 || index > count) return NoItem("Controls", std::to_string(index));
    return CommandBarControlPtr(std::make_shared<CalcControl>(host_, url_, index - 1));
  }
  Result<CommandBarControlPtr> Add(int type) override {
    if (type != msoControlButton) {
      return CalcError("The control type " + std::to_string(type) +
                       " is not one the LibreOffice Calc host makes (buttons only).");
    }
    return Call(*host_->office, [&]() -> Result<CommandBarControlPtr> {
      const Reference<css::ui::XUIConfigurationManager> toolbars = Toolbars(*host_);
      const Reference<css::container::XIndexContainer> settings(
          toolbars->getSettings(ToUno(url_), true), UNO_QUERY_THROW);
      Sequence<css::beans::PropertyValue> item(4);
      item.getArray()[0].Name = "CommandURL";
      item.getArray()[0].Value <<= rtl::OUString();
      item.getArray()[1].Name = "Label";
      item.getArray()[1].Value <<= rtl::OUString();
      item.getArray()[2].Name = "Type";
      item.getArray()[2].Value <<= css::ui::ItemType::DEFAULT;
      item.getArray()[3].Name = "IsVisible";
      item.getArray()[3].Value <<= true;
      const sal_Int32 index = settings->getCount();
      settings->insertByIndex(index, AnyOf(item));
      toolbars->replaceSettings(ToUno(url_), Up<css::container::XIndexAccess>(settings));
      Keep(toolbars);
      return CommandBarControlPtr(std::make_shared<CalcControl>(host_, url_, index));
    });
  }

 private:
  HostPtr host_;
  std::string url_;
};

class CalcCommandBar final : public CommandBar {
 public:
  CalcCommandBar(HostPtr host, ToolbarInfo info) : host_(std::move(host)), info_(std::move(info)) {}

  Result<std::string> Name() override { return info_.name; }
  Result<bool> Visible() override {
    return Call(*host_->office, [&]() -> Result<bool> {
      const Reference<css::container::XNameContainer> states = WindowStates(*host_);
      if (!states->hasByName(ToUno(info_.url))) return false;
      Sequence<css::beans::PropertyValue> state;
      states->getByName(ToUno(info_.url)) >>= state;
      return PropertyOf(state, "Visible", false);
    });
  }
  Status SetVisible(bool visible) override {
    return Call(*host_->office, [&]() -> Status {
      const Reference<css::container::XNameContainer> states = WindowStates(*host_);
      const rtl::OUString url = ToUno(info_.url);
      Sequence<css::beans::PropertyValue> state;
      if (states->hasByName(url)) states->getByName(url) >>= state;
      SetProperty(state, "Visible", AnyOf(visible));
      SetProperty(state, "UIName", AnyOf(ToUno(info_.name)));
      if (states->hasByName(url)) {
        states->replaceByName(url, AnyOf(state));
      } else {
        states->insertByName(url, AnyOf(state));
      }
      ShowInWindows(*host_, info_.url, visible);
      return {};
    });
  }
  Status Delete() override {
    if (IsExtensionToolbar(info_.url)) {
      return CalcError("The toolbar \"" + info_.name +
                       "\" is the VX-Link extension's: it goes when the add-in is switched off.");
    }
    if (info_.url.rfind(kCustomPrefix, 0) != 0) {
      return CalcError("The toolbar \"" + info_.name +
                       "\" is LibreOffice Calc's own and cannot "
                       "be deleted.");
    }
    return Call(*host_->office, [&]() -> Status {
      const Reference<css::ui::XUIConfigurationManager> toolbars = Toolbars(*host_);
      const rtl::OUString url = ToUno(info_.url);
      if (toolbars->hasSettings(url)) toolbars->removeSettings(url);
      Keep(toolbars);
      std::erase(host_->temporaryToolbars, info_.url);
      const Reference<css::container::XNameContainer> states = WindowStates(*host_);
      if (states->hasByName(url)) states->removeByName(url);
      return {};
    });
  }
  Result<CommandBarControlsPtr> Controls() override {
    if (IsExtensionToolbar(info_.url)) return ExtensionToolbarControls(*host_);
    return CommandBarControlsPtr(std::make_shared<CalcControls>(host_, info_.url));
  }

 private:
  HostPtr host_;
  ToolbarInfo info_;
};

class CalcCommandBars final : public CommandBars {
 public:
  explicit CalcCommandBars(HostPtr host) : host_(std::move(host)) {}

  Result<int> Count() override {
    return Call(*host_->office,
                [&]() -> Result<int> { return static_cast<int>(AllToolbars(*host_).size()); });
  }
  Result<CommandBarPtr> Item(int index) override {
    return Call(*host_->office, [&]() -> Result<CommandBarPtr> {
      const std::vector<ToolbarInfo> all = AllToolbars(*host_);
      if (index < 1 || index > static_cast<int>(all.size())) {
        return NoItem("CommandBars", std::to_string(index));
      }
      return Make(all[static_cast<size_t>(index - 1)]);
    });
  }
  // The extension's toolbar, while the add-in is switched on, before any of Calc's of the
  // same name: the engine drives the toolbar the user sees.
  Result<CommandBarPtr> Item(std::string_view name) override {
    return Call(*host_->office, [&]() -> Result<CommandBarPtr> {
      if (HasExtensionToolbar(*host_)) {
        const std::string extensionName = ToolbarName(*host_, extension::kToolbarUrl);
        if (EqualsNoCase(extensionName, name)) {
          return Make(ToolbarInfo{extension::kToolbarUrl, extensionName});
        }
      }
      for (const ToolbarInfo& toolbar : AllToolbars(*host_)) {
        if (EqualsNoCase(toolbar.name, name)) return Make(toolbar);
      }
      return NoItem("CommandBars", "\"" + std::string(name) + "\"");
    });
  }
  Result<CommandBarPtr> Add(std::string_view name, bool temporary) override {
    if (name.empty()) return CalcError("A toolbar needs a name.");
    return Call(*host_->office, [&]() -> Result<CommandBarPtr> {
      const std::vector<ToolbarInfo> all = AllToolbars(*host_);
      for (const ToolbarInfo& toolbar : all) {
        if (EqualsNoCase(toolbar.name, name)) {
          return CalcError("A toolbar called \"" + std::string(name) + "\" already exists.");
        }
      }
      if (HasExtensionToolbar(*host_) &&
          EqualsNoCase(ToolbarName(*host_, extension::kToolbarUrl), name)) {
        return CalcError("A toolbar called \"" + std::string(name) +
                         "\" already exists: the VX-Link extension's.");
      }
      const std::string url = FreeUrl(all, name);
      const Reference<css::ui::XUIConfigurationManager> toolbars = Toolbars(*host_);
      const Reference<css::container::XIndexContainer> settings(toolbars->createSettings(),
                                                                UNO_QUERY_THROW);
      As<css::beans::XPropertySet>(settings)->setPropertyValue("UIName", AnyOf(ToUno(name)));
      toolbars->insertSettings(ToUno(url), Up<css::container::XIndexAccess>(settings));
      Keep(toolbars);
      if (temporary) host_->temporaryToolbars.push_back(url);
      return Make(ToolbarInfo{url, std::string(name)});
    });
  }

 private:
  CommandBarPtr Make(ToolbarInfo info) {
    return std::make_shared<CalcCommandBar>(host_, std::move(info));
  }
  // "private:resource/toolbar/custom_zemra_k9_90_1_vx_link_18c2f0a3b41": named after the
  // toolbar and made unique, as Calc takes no toolbar again under the resource of one removed
  // while it runs.
  static std::string FreeUrl(const std::vector<ToolbarInfo>& all, std::string_view name) {
    std::string stem = kCustomPrefix;
    for (const char c : name) {
      const auto u = static_cast<unsigned char>(c);
      stem += std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '_';
    }
    auto token = static_cast<unsigned long long>(
        std::chrono::system_clock::now().time_since_epoch().count());
    for (;; ++token) {
      const std::string url = stem + "_" + FormatC("%llx", token);
      const bool taken = std::any_of(
          all.begin(), all.end(), [&](const ToolbarInfo& toolbar) { return toolbar.url == url; });
      if (!taken) return url;
    }
  }

  HostPtr host_;
};

}  // namespace

CommandBarsPtr MakeCommandBars(HostPtr host) {
  return std::make_shared<CalcCommandBars>(std::move(host));
}

}  // namespace vx::automation::calc
