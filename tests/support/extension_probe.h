#pragma once
// Reads, over a UNO bridge of its own, what a LibreOffice knows of an extension and the
// toolbar it brings: whether the user's profile holds it and has it switched on, the toolbar
// items its configuration gives Calc, and the name and visibility Calc's windows give it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

struct ProbedExtension {
  std::string identifier;
  std::string fileName;  // "QVK990LINK.oxt"
  bool enabled = false;
};

struct ProbedAddonItem {
  std::string command;  // "vnd.zemra.vxlink:DmmAbout"
  std::string title;
  std::string context;
};

struct ProbedToolbarState {
  std::string uiName;
  bool visible = false;
};

class ExtensionProbe {
 public:
  explicit ExtensionProbe(const std::string& pipeName);
  ~ExtensionProbe();
  ExtensionProbe(const ExtensionProbe&) = delete;
  ExtensionProbe& operator=(const ExtensionProbe&) = delete;

  bool Connected() const;
  // The extensions of the profile's user repository.
  std::vector<ProbedExtension> Extensions();
  std::optional<ProbedExtension> Extension(const std::string& identifier);
  // Takes the extension out of the profile, so that a test starts without it.
  void Remove(const std::string& identifier);
  // The items of the add-on toolbar `node` in the office's merged configuration, in order;
  // empty when no enabled extension brings it.
  std::vector<ProbedAddonItem> AddonToolbar(const std::string& node);
  // How Calc's windows show the toolbar `url`: its name and whether it is shown, from the
  // window states of the spreadsheet module; nothing when no state names it.
  std::optional<ProbedToolbarState> ToolbarState(const std::string& url);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vx::test
