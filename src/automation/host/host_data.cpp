#include "automation/host/host_data.h"

namespace vx::automation::host {
namespace {

std::vector<std::string> BuiltInBars(HostKind kind) {
  if (kind == HostKind::Spreadsheet) {
    return {"Worksheet Menu Bar", "Chart Menu Bar", "Standard", "Formatting"};
  }
  return {"Menu Bar", "Standard", "Formatting"};
}

}  // namespace

HostData::HostData(HostKind kind, std::string statePath)
    : kind_(kind), statePath_(std::move(statePath)) {
  for (const std::string& name : BuiltInBars(kind)) {
    auto bar = std::make_shared<CommandBarData>();
    bar->name = name;
    bar->builtIn = true;
    commandBars.push_back(std::move(bar));
  }
  LoadLastingState();
}

std::string_view HostData::StateKey() const {
  return kind_ == HostKind::Spreadsheet ? "Excel" : "Word";
}

void HostData::LoadLastingState() {
  Result<LastingState> state = ReadHostState(statePath_, StateKey());
  if (!state) {
    stateError_ = state.error().description;
    return;
  }
  if (!state->version.empty()) version = state->version;
  for (AddInData& addIn : state->addIns) {
    addIns.push_back(std::make_shared<AddInData>(std::move(addIn)));
  }
  for (CommandBarData& bar : state->commandBars) {
    commandBars.push_back(std::make_shared<CommandBarData>(std::move(bar)));
  }
}

std::shared_ptr<WorkbookData> HostData::NewWorkbook(std::string name) {
  ++workbookCounter_;
  if (name.empty()) name = "Book" + std::to_string(workbookCounter_);
  auto workbook = std::make_shared<WorkbookData>(std::move(name));
  workbooks.push_back(workbook);
  return workbook;
}

Status HostData::CheckLastingWritable() const {
  if (stateError_.empty()) return {};
  return AutomationError::Make(ErrorNumber::PermissionDenied,
                               stateError_ + " Changes to toolbars and add-ins are not kept.");
}

Status HostData::CheckLastingReadable() const {
  if (stateError_.empty()) return {};
  return AutomationError::Make(ErrorNumber::PermissionDenied, stateError_);
}

Status HostData::KeepLastingState() {
  VX_RETURN_IF_ERROR(CheckLastingWritable());
  LastingState state;
  state.version = version;
  for (const auto& addIn : addIns) state.addIns.push_back(*addIn);
  for (const auto& bar : commandBars) {
    if (!bar->builtIn && !bar->temporary && !bar->deleted) state.commandBars.push_back(*bar);
  }
  return WriteHostState(statePath_, StateKey(), state);
}

Status HostData::LastingChanged() {
  if (!KeepsChangesAtOnce()) return {};
  return KeepLastingState();
}

}  // namespace vx::automation::host
