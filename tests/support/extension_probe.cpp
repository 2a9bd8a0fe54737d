#include "extension_probe.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/deployment/ExtensionManager.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/ui/theWindowStateConfiguration.hpp>

#include "automation/calc/add_on_toolbar.h"
#include "automation/calc/command_environment.h"
#include "automation/calc/office_connection.h"
#include "test_office.h"

namespace vx::test {

using namespace vx::automation::calc;
namespace uno = css::uno;

struct ExtensionProbe::Impl {
  Reference<css::frame::XDesktop2> desktop;
  Reference<uno::XComponentContext> context;
};

ExtensionProbe::ExtensionProbe(const std::string& pipeName) : impl_(std::make_unique<Impl>()) {
  try {
    impl_->context = OfficeContext(pipeName);
    if (impl_->context.is()) impl_->desktop = css::frame::Desktop::create(impl_->context);
  } catch (const uno::Exception&) {
    impl_->desktop.clear();
  }
}

ExtensionProbe::~ExtensionProbe() = default;

bool ExtensionProbe::Connected() const {
  return impl_->desktop.is();
}

std::vector<ProbedExtension> ExtensionProbe::Extensions() {
  std::vector<ProbedExtension> extensions;
  const auto manager = css::deployment::ExtensionManager::get(impl_->context);
  const auto packages =
      manager->getDeployedExtensions("user", manager->createAbortChannel(), CommandEnvironment());
  for (const auto& package : packages) {
    if (!package.is()) continue;
    ProbedExtension extension;
    const auto identifier = package->getIdentifier();
    extension.identifier = FromUno(identifier.IsPresent ? identifier.Value : package->getName());
    extension.fileName = FromUno(package->getName());
    const auto registered =
        package->isRegistered(manager->createAbortChannel(), CommandEnvironment());
    extension.enabled =
        registered.IsPresent && !registered.Value.IsAmbiguous && registered.Value.Value;
    extensions.push_back(extension);
  }
  return extensions;
}

std::optional<ProbedExtension> ExtensionProbe::Extension(const std::string& identifier) {
  for (const ProbedExtension& extension : Extensions()) {
    if (extension.identifier == identifier) return extension;
  }
  return std::nullopt;
}

void ExtensionProbe::Remove(const std::string& identifier) {
  const std::optional<ProbedExtension> extension = Extension(identifier);
  if (!extension) return;
  const auto manager = css::deployment::ExtensionManager::get(impl_->context);
  manager->removeExtension(ToUno(identifier), ToUno(extension->fileName), "user",
                           manager->createAbortChannel(), CommandEnvironment());
}

std::vector<ProbedAddonItem> ExtensionProbe::AddonToolbar(const std::string& node) {
  const Reference<css::container::XNameAccess> toolbars = AddOnToolbars(impl_->context);
  std::vector<ProbedAddonItem> items;
  if (!toolbars->hasByName(ToUno(node))) return items;
  const Reference<css::container::XNameAccess> toolbar(toolbars->getByName(ToUno(node)),
                                                       UNO_QUERY_THROW);
  for (const rtl::OUString& name : toolbar->getElementNames()) {  // m01, m02, ... in order
    const Reference<css::container::XNameAccess> item(toolbar->getByName(name), UNO_QUERY_THROW);
    ProbedAddonItem probed;
    rtl::OUString text;
    item->getByName("URL") >>= text;
    probed.command = FromUno(text);
    item->getByName("Title") >>= text;
    probed.title = FromUno(text);
    item->getByName("Context") >>= text;
    probed.context = FromUno(text);
    items.push_back(probed);
  }
  return items;
}

std::optional<ProbedToolbarState> ExtensionProbe::ToolbarState(const std::string& url) {
  const Reference<css::container::XNameAccess> states(
      css::ui::theWindowStateConfiguration::get(impl_->context)
          ->getByName("com.sun.star.sheet.SpreadsheetDocument"),
      UNO_QUERY_THROW);
  if (!states->hasByName(ToUno(url))) return std::nullopt;
  Sequence<css::beans::PropertyValue> properties;
  states->getByName(ToUno(url)) >>= properties;
  ProbedToolbarState state;
  for (const css::beans::PropertyValue& property : properties) {
    if (property.Name == "UIName") {
      rtl::OUString name;
      property.Value >>= name;
      state.uiName = FromUno(name);
    } else if (property.Name == "Visible") {
      property.Value >>= state.visible;
    }
  }
  return state;
}

}  // namespace vx::test
