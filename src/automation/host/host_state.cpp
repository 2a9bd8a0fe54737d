#include "automation/host/host_state.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "common/c_number.h"
#include "common/file_lock.h"
#include "common/ini_file.h"

namespace vx::automation::host {
namespace {

std::string Bool(bool value) {
  return value ? "True" : "False";
}

bool ParseBool(const std::string& text, bool fallback) {
  if (EqualsNoCase(text, "True") || text == "1") return true;
  if (EqualsNoCase(text, "False") || text == "0") return false;
  return fallback;
}

int Count(const IniDocument& document, std::string_view section, std::string_view key) {
  const long value = LeadingInteger(document.Get(section, key, "0"));
  return static_cast<int>(std::clamp(value, 0L, 10000L));
}

AutomationError StateError(std::string text) {
  return AutomationError::Make(ErrorNumber::PermissionDenied, std::move(text));
}

Result<IniDocument> ReadDocument(const std::string& path) {
  CheckedIni checked = LoadCheckedIni(path, "host state file");
  if (!checked.document) return StateError(checked.problem);
  return *std::move(checked.document);
}

CommandBarData ReadBar(const IniDocument& document, const std::string& section) {
  CommandBarData bar;
  bar.name = document.Get(section, "Name", "");
  bar.visible = ParseBool(document.Get(section, "Visible", "True"), true);
  const int controls = Count(document, section, "Controls");
  for (int i = 1; i <= controls; ++i) {
    const std::string prefix = "Control" + std::to_string(i) + ".";
    CommandBarControlData control;
    control.caption = document.Get(section, prefix + "Caption", "");
    control.onAction = document.Get(section, prefix + "OnAction", "");
    control.toolTipText = document.Get(section, prefix + "ToolTipText", "");
    control.visible = ParseBool(document.Get(section, prefix + "Visible", "True"), true);
    control.enabled = ParseBool(document.Get(section, prefix + "Enabled", "True"), true);
    bar.controls.push_back(std::move(control));
  }
  return bar;
}

void WriteBar(IniDocument& document, const std::string& section, const CommandBarData& bar) {
  document.Set(section, "Name", bar.name);
  document.Set(section, "Visible", Bool(bar.visible));
  document.Set(section, "Controls", std::to_string(bar.controls.size()));
  for (size_t i = 0; i < bar.controls.size(); ++i) {
    const std::string prefix = "Control" + std::to_string(i + 1) + ".";
    const CommandBarControlData& control = bar.controls[i];
    document.Set(section, prefix + "Caption", control.caption);
    document.Set(section, prefix + "OnAction", control.onAction);
    document.Set(section, prefix + "ToolTipText", control.toolTipText);
    document.Set(section, prefix + "Visible", Bool(control.visible));
    document.Set(section, prefix + "Enabled", Bool(control.enabled));
  }
}

}  // namespace

Result<LastingState> ReadHostState(const std::string& path, std::string_view host) {
  VX_ASSIGN_OR_RETURN(IniDocument document, ReadDocument(path));
  const std::string prefix = std::string(host) + ".";
  LastingState state;
  state.version = document.Get(host, "Version", "");
  for (int i = 1, n = Count(document, host, "AddIns"); i <= n; ++i) {
    const std::string section = prefix + "AddIn" + std::to_string(i);
    AddInData addIn;
    addIn.name = document.Get(section, "Name", "");
    addIn.fullName = document.Get(section, "FullName", "");
    addIn.installed = ParseBool(document.Get(section, "Installed", "False"), false);
    if (!addIn.name.empty()) state.addIns.push_back(std::move(addIn));
  }
  for (int i = 1, n = Count(document, host, "CommandBars"); i <= n; ++i) {
    CommandBarData bar = ReadBar(document, prefix + "CommandBar" + std::to_string(i));
    if (!bar.name.empty()) state.commandBars.push_back(std::move(bar));
  }
  return state;
}

Status WriteHostState(const std::string& path, std::string_view host, const LastingState& state) {
  std::error_code error;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, error);
  FileLock lock(path);
  VX_ASSIGN_OR_RETURN(IniDocument document, ReadDocument(path));
  const std::string prefix = std::string(host) + ".";
  for (const std::string& section : document.SectionNames()) {
    if (EqualsNoCase(section, host) || (section.size() > prefix.size() &&
                                        EqualsNoCase(section.substr(0, prefix.size()), prefix))) {
      document.RemoveSection(section);
    }
  }
  if (!state.version.empty()) document.Set(host, "Version", state.version);
  document.Set(host, "AddIns", std::to_string(state.addIns.size()));
  document.Set(host, "CommandBars", std::to_string(state.commandBars.size()));
  for (size_t i = 0; i < state.addIns.size(); ++i) {
    const std::string section = prefix + "AddIn" + std::to_string(i + 1);
    document.Set(section, "Name", state.addIns[i].name);
    document.Set(section, "FullName", state.addIns[i].fullName);
    document.Set(section, "Installed", Bool(state.addIns[i].installed));
  }
  for (size_t i = 0; i < state.commandBars.size(); ++i) {
    WriteBar(document, prefix + "CommandBar" + std::to_string(i + 1), state.commandBars[i]);
  }
  if (std::string why; !document.Save(path, &why)) {
    return StateError("The host state file " + path + " cannot be written: " + why + ".");
  }
  return {};
}

}  // namespace vx::automation::host
