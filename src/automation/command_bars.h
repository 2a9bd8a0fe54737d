#pragma once
// Toolbars (command bars) and add-ins of the host program, and the word processor's
// documents. Toolbars and add-ins outlive the process that changed them, as they do in the
// program itself.

#include <memory>
#include <string>
#include <string_view>

#include "automation/spreadsheet.h"

namespace vx::automation {

class CommandBar;
class CommandBarControls;
class CommandBarControl;
class AddIn;
class Document;
using CommandBarPtr = std::shared_ptr<CommandBar>;
using CommandBarControlsPtr = std::shared_ptr<CommandBarControls>;
using CommandBarControlPtr = std::shared_ptr<CommandBarControl>;
using AddInPtr = std::shared_ptr<AddIn>;
using DocumentPtr = std::shared_ptr<Document>;

inline constexpr int msoControlButton = 1;

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  virtual Result<int> Count() = 0;
  virtual Result<CommandBarPtr> Item(int index) = 0;
  // Names are compared without regard to letter case.
  virtual Result<CommandBarPtr> Item(std::string_view name) = 0;
  // A new toolbar; a temporary one is gone when the program ends.
  virtual Result<CommandBarPtr> Add(std::string_view name, bool temporary) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual Result<std::string> Name() = 0;
  virtual Result<bool> Visible() = 0;
  virtual Status SetVisible(bool visible) = 0;
  // Removes the toolbar; the program's built-in bars cannot be deleted.
  virtual Status Delete() = 0;
  virtual Result<CommandBarControlsPtr> Controls() = 0;
};

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  virtual Result<int> Count() = 0;
  virtual Result<CommandBarControlPtr> Item(int index) = 0;
  // A new control of `type` (msoControlButton) at the end of the bar.
  virtual Result<CommandBarControlPtr> Add(int type) = 0;
};

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
  virtual Result<std::string> Caption() = 0;
  virtual Status SetCaption(std::string_view caption) = 0;
  // The macro the control runs.
  virtual Result<std::string> OnAction() = 0;
  virtual Status SetOnAction(std::string_view macro) = 0;
  virtual Result<std::string> ToolTipText() = 0;
  virtual Status SetToolTipText(std::string_view text) = 0;
  virtual Result<bool> Visible() = 0;
  virtual Status SetVisible(bool visible) = 0;
  virtual Result<bool> Enabled() = 0;
  virtual Status SetEnabled(bool enabled) = 0;
};

class AddIns {
 public:
  virtual ~AddIns() = default;
  virtual Result<int> Count() = 0;
  virtual Result<AddInPtr> Item(int index) = 0;
  // Registers the add-in file at `path` (switched off until Installed is set). `copyFile`
  // allows the program to copy the file into its own add-in folder.
  virtual Result<AddInPtr> Add(std::string_view path, bool copyFile) = 0;
};

class AddIn {
 public:
  virtual ~AddIn() = default;
  // The file name, "QVK990LINK.XLA".
  virtual Result<std::string> Name() = 0;
  virtual Result<std::string> FullName() = 0;
  virtual Result<bool> Installed() = 0;
  virtual Status SetInstalled(bool installed) = 0;
};

class Documents {
 public:
  virtual ~Documents() = default;
  virtual Result<int> Count() = 0;
  // A new document based on the template at `templatePath`.
  virtual Result<DocumentPtr> Add(std::string_view templatePath) = 0;
  // Saves every open document (and the templates they changed) without asking.
  virtual Status Save(bool noPrompt) = 0;
};

class Document {
 public:
  virtual ~Document() = default;
  virtual Result<std::string> Name() = 0;
  virtual Result<std::string> FullName() = 0;
};

}  // namespace vx::automation
