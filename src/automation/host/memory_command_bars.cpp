// Toolbars with their controls, add-ins, and the word processor's documents.
#include <filesystem>

#include "automation/host/memory_objects.h"
#include "common/c_number.h"

namespace vx::automation::host {
namespace {

using BarPtr = std::shared_ptr<CommandBarData>;

// A change to a toolbar that outlives the session goes to the host's lasting state.
Status Kept(HostData& host, const CommandBarData& bar) {
  if (bar.builtIn || bar.temporary) return {};
  return host.LastingChanged();
}

Status CheckWritable(HostData& host, const CommandBarData& bar) {
  if (bar.builtIn || bar.temporary) return {};
  return host.CheckLastingWritable();
}

class MemoryControl final : public CommandBarControl {
 public:
  MemoryControl(HostPtr host, BarPtr bar, size_t index)
      : host_(std::move(host)), bar_(std::move(bar)), index_(index) {}

  Result<std::string> Caption() override { return Read(&CommandBarControlData::caption); }
  Status SetCaption(std::string_view text) override {
    return Write(&CommandBarControlData::caption, text);
  }
  Result<std::string> OnAction() override { return Read(&CommandBarControlData::onAction); }
  Status SetOnAction(std::string_view macro) override {
    return Write(&CommandBarControlData::onAction, macro);
  }
  Result<std::string> ToolTipText() override { return Read(&CommandBarControlData::toolTipText); }
  Status SetToolTipText(std::string_view text) override {
    return Write(&CommandBarControlData::toolTipText, text);
  }
  Result<bool> Visible() override { return Read(&CommandBarControlData::visible); }
  Status SetVisible(bool visible) override {
    return Write(&CommandBarControlData::visible, visible);
  }
  Result<bool> Enabled() override { return Read(&CommandBarControlData::enabled); }
  Status SetEnabled(bool enabled) override {
    return Write(&CommandBarControlData::enabled, enabled);
  }

 private:
  Result<CommandBarControlData*> Get() {
    if (bar_->deleted) return HostError("The toolbar \"" + bar_->name + "\" was deleted.");
    if (index_ >= bar_->controls.size()) return HostError("The control no longer exists.");
    return &bar_->controls[index_];
  }
  template <typename T>
  Result<T> Read(T CommandBarControlData::*field) {
    VX_ASSIGN_OR_RETURN(CommandBarControlData * control, Get());
    return control->*field;
  }
  template <typename T, typename V>
  Status Write(T CommandBarControlData::*field, const V& value) {
    VX_ASSIGN_OR_RETURN(CommandBarControlData * control, Get());
    VX_RETURN_IF_ERROR(CheckWritable(*host_, *bar_));
    control->*field = T(value);
    return Kept(*host_, *bar_);
  }

  HostPtr host_;
  BarPtr bar_;
  size_t index_;
};

class MemoryControls final : public CommandBarControls {
 public:
  MemoryControls(HostPtr host, BarPtr bar) : host_(std::move(host)), bar_(std::move(bar)) {}

  Result<int> Count() override { return static_cast<int>(bar_->controls.size()); }
  Result<CommandBarControlPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(bar_->controls.size())) {
      return BadIndex("Controls", std::to_string(index));
    }
    return CommandBarControlPtr(
        std::make_shared<MemoryControl>(host_, bar_, static_cast<size_t>(index - 1)));
  }
  Result<CommandBarControlPtr> Add(int type) override {
    if (type != msoControlButton) {
      return HostError("The host adds buttons (type 1) only, not controls of type " +
                       std::to_string(type) + ".");
    }
    if (bar_->deleted) return HostError("The toolbar \"" + bar_->name + "\" was deleted.");
    VX_RETURN_IF_ERROR(CheckWritable(*host_, *bar_));
    bar_->controls.emplace_back();
    VX_RETURN_IF_ERROR(Kept(*host_, *bar_));
    return Item(static_cast<int>(bar_->controls.size()));
  }

 private:
  HostPtr host_;
  BarPtr bar_;
};

class MemoryCommandBar final : public CommandBar {
 public:
  MemoryCommandBar(HostPtr host, BarPtr bar) : host_(std::move(host)), bar_(std::move(bar)) {}

  Result<std::string> Name() override { return bar_->name; }
  Result<bool> Visible() override { return bar_->visible; }
  Status SetVisible(bool visible) override {
    if (bar_->deleted) return Deleted();
    VX_RETURN_IF_ERROR(CheckWritable(*host_, *bar_));
    bar_->visible = visible;
    return Kept(*host_, *bar_);
  }
  Status Delete() override {
    if (bar_->deleted) return Deleted();
    if (bar_->builtIn) {
      return HostError("The built-in toolbar \"" + bar_->name + "\" cannot be deleted.");
    }
    VX_RETURN_IF_ERROR(CheckWritable(*host_, *bar_));
    bar_->deleted = true;
    std::erase(host_->commandBars, bar_);
    if (bar_->temporary) return {};
    return host_->LastingChanged();
  }
  Result<CommandBarControlsPtr> Controls() override {
    if (bar_->deleted) return Deleted();
    return CommandBarControlsPtr(std::make_shared<MemoryControls>(host_, bar_));
  }

 private:
  AutomationError Deleted() const {
    return HostError("The toolbar \"" + bar_->name + "\" was deleted.");
  }
  HostPtr host_;
  BarPtr bar_;
};

class MemoryCommandBars final : public CommandBars {
 public:
  explicit MemoryCommandBars(HostPtr host) : host_(std::move(host)) {}

  Result<int> Count() override { return static_cast<int>(host_->commandBars.size()); }
  Result<CommandBarPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(host_->commandBars.size())) {
      return BadIndex("CommandBars", std::to_string(index));
    }
    return Wrap(host_->commandBars[index - 1]);
  }
  Result<CommandBarPtr> Item(std::string_view name) override {
    for (const BarPtr& bar : host_->commandBars) {
      if (EqualsNoCase(bar->name, name)) return Wrap(bar);
    }
    return BadIndex("CommandBars", "\"" + std::string(name) + "\"");
  }
  Result<CommandBarPtr> Add(std::string_view name, bool temporary) override {
    if (name.empty()) return HostError("A toolbar needs a name.");
    for (const BarPtr& bar : host_->commandBars) {
      if (EqualsNoCase(bar->name, name)) {
        return HostError("A toolbar called \"" + std::string(name) + "\" already exists.");
      }
    }
    auto bar = std::make_shared<CommandBarData>();
    bar->name = std::string(name);
    bar->temporary = temporary;
    VX_RETURN_IF_ERROR(CheckWritable(*host_, *bar));
    host_->commandBars.push_back(bar);
    VX_RETURN_IF_ERROR(Kept(*host_, *bar));
    return Wrap(bar);
  }

 private:
  CommandBarPtr Wrap(const BarPtr& bar) { return std::make_shared<MemoryCommandBar>(host_, bar); }
  HostPtr host_;
};

class MemoryAddIn final : public AddIn {
 public:
  MemoryAddIn(HostPtr host, std::shared_ptr<AddInData> addIn)
      : host_(std::move(host)), addIn_(std::move(addIn)) {}

  Result<std::string> Name() override { return addIn_->name; }
  Result<std::string> FullName() override { return addIn_->fullName; }
  Result<bool> Installed() override { return addIn_->installed; }
  Status SetInstalled(bool installed) override {
    VX_RETURN_IF_ERROR(host_->CheckLastingWritable());
    addIn_->installed = installed;
    return host_->LastingChanged();
  }

 private:
  HostPtr host_;
  std::shared_ptr<AddInData> addIn_;
};

class MemoryAddIns final : public AddIns {
 public:
  explicit MemoryAddIns(HostPtr host) : host_(std::move(host)) {}

  Result<int> Count() override {
    VX_RETURN_IF_ERROR(host_->CheckLastingReadable());
    return static_cast<int>(host_->addIns.size());
  }
  Result<AddInPtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(host_->addIns.size())) {
      return BadIndex("AddIns", std::to_string(index));
    }
    return AddInPtr(std::make_shared<MemoryAddIn>(host_, host_->addIns[index - 1]));
  }
  // The file is used where it lies: it is on a local disk, where the program does not copy.
  Result<AddInPtr> Add(std::string_view path, bool /*copyFile*/) override {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::absolute(std::string(path), error);
    if (!std::filesystem::is_regular_file(file, error)) {
      return AutomationError::Make(ErrorNumber::FileNotFound,
                                   "The add-in file '" + std::string(path) + "' was not found.");
    }
    for (const auto& addIn : host_->addIns) {
      if (EqualsNoCase(addIn->name, file.filename().string())) {
        addIn->fullName = file.string();
        return AddInPtr(std::make_shared<MemoryAddIn>(host_, addIn));
      }
    }
    VX_RETURN_IF_ERROR(host_->CheckLastingWritable());
    auto addIn = std::make_shared<AddInData>();
    addIn->name = file.filename().string();
    addIn->fullName = file.string();
    host_->addIns.push_back(addIn);
    VX_RETURN_IF_ERROR(host_->LastingChanged());
    return AddInPtr(std::make_shared<MemoryAddIn>(host_, addIn));
  }

 private:
  HostPtr host_;
};

class MemoryDocument final : public Document {
 public:
  explicit MemoryDocument(std::shared_ptr<DocumentData> document)
      : document_(std::move(document)) {}
  Result<std::string> Name() override { return document_->name; }
  Result<std::string> FullName() override { return document_->name; }

 private:
  std::shared_ptr<DocumentData> document_;
};

class MemoryDocuments final : public Documents {
 public:
  explicit MemoryDocuments(HostPtr host) : host_(std::move(host)) {}

  Result<int> Count() override { return static_cast<int>(host_->documents.size()); }
  Result<DocumentPtr> Add(std::string_view templatePath) override {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::string(templatePath), error)) {
      return AutomationError::Make(
          ErrorNumber::FileNotFound,
          "The template '" + std::string(templatePath) + "' was not found.");
    }
    auto document = std::make_shared<DocumentData>();
    document->name = "Document" + std::to_string(host_->NextDocumentNumber());
    document->templatePath = std::string(templatePath);
    host_->documents.push_back(document);
    return DocumentPtr(std::make_shared<MemoryDocument>(document));
  }
  // The documents hold nothing of their own yet; saving keeps what changed in their
  // templates, which is where the word processor keeps its toolbars.
  Status Save(bool /*noPrompt*/) override { return host_->KeepLastingState(); }

 private:
  HostPtr host_;
};

}  // namespace

CommandBarsPtr MakeCommandBars(HostPtr host) {
  return std::make_shared<MemoryCommandBars>(std::move(host));
}
AddInsPtr MakeAddIns(HostPtr host) {
  return std::make_shared<MemoryAddIns>(std::move(host));
}
DocumentsPtr MakeDocuments(HostPtr host) {
  return std::make_shared<MemoryDocuments>(std::move(host));
}

}  // namespace vx::automation::host
