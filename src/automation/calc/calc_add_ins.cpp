// Add-ins: the extensions of the user's LibreOffice, through the running office's extension
// manager. An add-in file "NAME.xla" is shipped on this platform as the extension file
// "NAME.oxt" beside it; the extension answers to the add-in's name, so that callers find the
// add-in they installed. Switching it off disables the extension, which takes its toolbar
// out of every Calc window at once; the extension stays registered and its file where it is.
#include <com/sun/star/beans/Ambiguous.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/Optional.hpp>
#include <com/sun/star/deployment/ExtensionManager.hpp>
#include <com/sun/star/deployment/XExtensionManager.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/task/XAbortChannel.hpp>

#include <filesystem>

#include "automation/calc/add_on_toolbar.h"
#include "automation/calc/calc_objects.h"
#include "automation/calc/command_environment.h"
#include "common/c_number.h"
#include "extension/extension_names.h"

namespace vx::automation::calc {
namespace {

namespace deployment = css::deployment;
constexpr const char* kUserRepository = "user";

// "NAME.oxt" answers as the add-in "NAME.xla"; another file name as it is.
std::string AddInNameOf(const std::string& packageName) {
  const std::filesystem::path name(packageName);
  if (ToLowerAscii(name.extension().string()) != ".oxt") return packageName;
  return name.stem().string() + ".xla";
}

// The extension file that stands for the add-in at `path`: the file itself when it is an
// extension, else the ".oxt" of the same name beside it.
std::filesystem::path ExtensionFileOf(std::string_view path) {
  std::filesystem::path file(path);
  if (ToLowerAscii(file.extension().string()) == ".oxt") return file;
  return file.replace_extension(".oxt");
}

struct ExtensionManager {
  Reference<deployment::XExtensionManager> manager;
  Reference<css::ucb::XCommandEnvironment> environment;

  explicit ExtensionManager(OfficeConnection& office)
      : manager(deployment::ExtensionManager::get(office.Context())),
        environment(CommandEnvironment()) {}

  Reference<css::task::XAbortChannel> Abort() { return manager->createAbortChannel(); }

  std::vector<Reference<deployment::XPackage>> Installed() {
    std::vector<Reference<deployment::XPackage>> packages;
    const auto deployed =
        manager->getDeployedExtensions(ToUno(kUserRepository), Abort(), environment);
    for (const auto& package : deployed) {
      if (package.is()) packages.push_back(package);
    }
    return packages;
  }

  Reference<deployment::XPackage> Find(const std::string& identifier) {
    for (const auto& package : Installed()) {
      if (IdentifierOf(package) == identifier) return package;
    }
    return {};
  }

  static std::string IdentifierOf(const Reference<deployment::XPackage>& package) {
    const css::beans::Optional<rtl::OUString> identifier = package->getIdentifier();
    return FromUno(identifier.IsPresent ? identifier.Value : package->getName());
  }
};

class ExtensionAddIn final : public AddIn {
 public:
  ExtensionAddIn(HostPtr host, std::string identifier, std::string packageName,
                 std::string location)
      : host_(std::move(host)),
        identifier_(std::move(identifier)),
        packageName_(std::move(packageName)),
        location_(std::move(location)) {}

  Result<std::string> Name() override { return AddInNameOf(packageName_); }
  Result<std::string> FullName() override { return location_; }
  Result<bool> Installed() override {
    return Call(Office(), [&]() -> Result<bool> {
      ExtensionManager extensions(Office());
      const auto package = Package(extensions);
      if (!package.is()) return false;
      const auto registered = package->isRegistered(extensions.Abort(), extensions.environment);
      return registered.IsPresent && !registered.Value.IsAmbiguous && registered.Value.Value;
    });
  }
  Status SetInstalled(bool installed) override {
    return Call(Office(), [&]() -> Status {
      ExtensionManager extensions(Office());
      const auto package = Package(extensions);
      if (!package.is()) {
        return CalcError("The add-in " + AddInNameOf(packageName_) +
                         " is no longer among LibreOffice's extensions.");
      }
      if (installed) {
        extensions.manager->enableExtension(package, extensions.Abort(), extensions.environment);
        if (identifier_ == extension::kIdentifier) {
          ShowAddOnToolbarInCalcWindows(Office(), extension::kToolbarUrl);
        }
      } else {
        extensions.manager->disableExtension(package, extensions.Abort(), extensions.environment);
        if (identifier_ == extension::kIdentifier) {
          RemoveAddOnToolbarFromCalcWindows(Office(), extension::kToolbarUrl);
        }
      }
      return {};
    });
  }

 private:
  OfficeConnection& Office() { return *host_->office; }
  Reference<deployment::XPackage> Package(ExtensionManager& extensions) {
    return extensions.Find(identifier_);
  }

  HostPtr host_;
  std::string identifier_;
  std::string packageName_;
  std::string location_;
};

class ExtensionAddIns final : public AddIns {
 public:
  explicit ExtensionAddIns(HostPtr host) : host_(std::move(host)) {}

  Result<int> Count() override {
    return Call(Office(), [&]() -> Result<int> {
      return static_cast<int>(ExtensionManager(Office()).Installed().size());
    });
  }
  Result<AddInPtr> Item(int index) override {
    return Call(Office(), [&]() -> Result<AddInPtr> {
      const auto packages = ExtensionManager(Office()).Installed();
      if (index < 1 || index > static_cast<int>(packages.size())) {
        return NoItem("AddIns", std::to_string(index));
      }
      return Make(packages[static_cast<size_t>(index - 1)]);
    });
  }
  // The extension is added for the user; the office keeps its own copy, and the file stays.
  Result<AddInPtr> Add(std::string_view path,
                       bool /*copyFile: the office always copies*/) override {
    const std::filesystem::path file = ExtensionFileOf(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
      return AutomationError::Make(ErrorNumber::FileNotFound,
                                   "The add-in '" + std::string(path) + "' has no extension file " +
                                       file.string() + " beside it for LibreOffice.");
    }
    return Call(Office(), [&]() -> Result<AddInPtr> {
      ExtensionManager extensions(Office());
      const auto package = extensions.manager->addExtension(
          ToUno(FileUrlOf(file.string())), Sequence<css::beans::NamedValue>(),
          ToUno(kUserRepository), extensions.Abort(), extensions.environment);
      if (!package.is()) {
        return CalcError("LibreOffice did not take " + file.string() + " as an extension.");
      }
      return Make(package);
    });
  }

 private:
  OfficeConnection& Office() { return *host_->office; }
  AddInPtr Make(const Reference<deployment::XPackage>& package) {
    return std::make_shared<ExtensionAddIn>(host_, ExtensionManager::IdentifierOf(package),
                                            FromUno(package->getName()),
                                            FromUno(package->getURL()));
  }

  HostPtr host_;
};

}  // namespace

AddInsPtr MakeAddIns(HostPtr host) {
  return std::make_shared<ExtensionAddIns>(std::move(host));
}

bool AddInFileExists(std::string_view path) {
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(path), error) ||
         std::filesystem::is_regular_file(ExtensionFileOf(path), error);
}

}  // namespace vx::automation::calc
