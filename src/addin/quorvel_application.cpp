#include "addin/quorvel_application.h"

#include <QApplication>

#include "addin/engine_settings.h"
#include "addin/logging_engine.h"
#include "addin/toolbar.h"
#include "common/c_number.h"
#include "common/desktop_open.h"
#include "common/ini_file.h"
#include "common/qt_prompter.h"
#include "common/terminal_prompter.h"

namespace vx::addin {
namespace {

using automation::AutomationError;
using automation::ErrorNumber;

constexpr size_t kProfileText = 255;

std::string ProfileText(std::string text) {
  if (text.size() > kProfileText) text.resize(kProfileText);
  return text;
}

AutomationError OutOfRange(std::int32_t index, size_t count) {
  return AutomationError::Make(ErrorNumber::BadIndex,
                               "Subscript out of range: there are " + std::to_string(count) +
                                   " languages, and no language " + std::to_string(index) + ".");
}

}  // namespace

std::unique_ptr<Prompter> DefaultEnginePrompter() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    return std::make_unique<QtPrompter>();
  }
  return std::make_unique<TerminalPrompter>();
}

Application::Application(std::unique_ptr<Prompter> prompter, const Clock& clock)
    : state_(ThreadLoggingState()), prompter_(std::move(prompter)), clock_(clock) {
  ResetInstanceFields(state_);
}

Application::~Application() {
  if (state_.timer) state_.timer->stop();
  state_.tick = LoggingState::Tick::None;
  if (state_.prompter == prompter_.get()) state_.prompter = nullptr;
  if (state_.clock == &clock_) state_.clock = nullptr;
  RMClose();
}

void* Application::QueryInterface(std::string_view interfaceId) {
  if (interfaceId == _Application::kInterfaceId) return static_cast<_Application*>(this);
  return nullptr;
}

LoggingState& Application::Bound() {
  state_.prompter = prompter_.get();
  state_.clock = &clock_;
  return state_;
}

// --- Host, sheet and run control -------------------------------------------------------------

Status Application::SetApp(automation::ApplicationPtr& excelApp) {
  LoggingState& state = Bound();
  state.host = excelApp;
  VX_RETURN_IF_ERROR(ProgramToolbar(state));
  VX_ASSIGN_OR_RETURN(std::string version, excelApp->Version());
  state.hostVersion = static_cast<std::int16_t>(LeadingNumber(version));
  state.nextRow = 2;
  return {};
}

Result<Variant> Application::StartTimer(std::int32_t& m_Interval) {
  LoggingEngine(Bound()).StartTimer(m_Interval);
  return Variant{};
}

Result<Variant> Application::PauseTimer() {
  LoggingEngine(Bound()).PauseTimer();
  return Variant{};
}

Result<Variant> Application::Stop_Pause() {
  LoggingEngine(Bound()).StopPause();
  return Variant{};
}

Result<Variant> Application::StopTimer() {
  LoggingEngine(Bound()).StopTimer();
  return Variant{};
}

Result<Variant> Application::ShowHelp(const std::string& sPath) {
  if (!OpenWithDesktop(sPath)) {
    return AutomationError::Make(ErrorNumber::Failed,
                                 "The help file " + sPath +
                                     " cannot be shown: there is no "
                                     "desktop to open it on, or no program that opens it.");
  }
  return Variant{};
}

Result<Variant> Application::SetWorkbooksName(const std::string& sName) {
  Bound().workbookName = sName;
  return Variant{};
}

Result<Variant> Application::SetSheet(automation::WorksheetPtr& ExcelSheet) {
  Bound().sheet = ExcelSheet;
  return Variant{};
}

// --- Setters of a run --------------------------------------------------------------------------

Result<Variant> Application::SetNumberOfReading(std::int32_t m_count) {
  LoggingEngine(Bound()).SetNumberOfReading(m_count);
  return Variant{};
}

Result<std::int16_t> Application::GetExlVersion() {
  return state_.hostVersion;
}

Result<Variant> Application::AddChart(std::int16_t& val1, bool& val2) {
  VX_RETURN_IF_ERROR(LoggingEngine(Bound()).AddChart(val1, val2, wkSesn_));
  return Variant{};
}

Result<Variant> Application::SetAtTime(const std::string& var) {
  VX_RETURN_IF_ERROR(LoggingEngine(Bound()).SetAtTime(var));
  return Variant{};
}

Result<Variant> Application::SetBegin(std::int32_t iVal) {
  VX_RETURN_IF_ERROR(LoggingEngine(Bound()).SetBegin(iVal));
  return Variant{};
}

Result<Variant> Application::SetTerimnatingUpon(std::int32_t iVal) {
  LoggingEngine(Bound()).SetTerminatingUpon(iVal);
  return Variant{};
}

Result<Variant> Application::SetStopTime(const std::string& StopHour, const std::string& StopMin,
                                         const std::string& StopSec) {
  VX_RETURN_IF_ERROR(LoggingEngine(Bound()).SetStopTime(StopHour, StopMin, StopSec));
  return Variant{};
}

// --- Settings file and languages ---------------------------------------------------------------

Result<std::string> Application::GetINI() {
  return GetSettingsPath(*prompter_, state_.title2);
}

Result<std::vector<std::string>> Application::Languages() {
  const std::string path = GetSettingsPath(*prompter_, state_.title2);
  if (path.empty()) return std::vector<std::string>{};
  state_.languages = SplitLanguages(
      ProfileText(GetPrivateProfileString(kInformation, "Language", "English(U.S)", path)));
  return state_.languages;
}

Result<std::int32_t> Application::GetLanguageCount() {
  VX_ASSIGN_OR_RETURN(std::vector<std::string> languages, Languages());
  return languages.empty() ? 0 : static_cast<std::int32_t>(languages.size()) - 1;
}

Result<std::string> Application::GetLanguage(std::int32_t m_Index) {
  VX_ASSIGN_OR_RETURN(std::vector<std::string> languages, Languages());
  if (languages.empty()) return std::string();
  if (m_Index < 0 || m_Index >= static_cast<std::int32_t>(languages.size())) {
    return OutOfRange(m_Index, languages.size());
  }
  return languages[m_Index];
}

Result<Variant> Application::SetLanguage(std::int32_t m_Index) {
  VX_ASSIGN_OR_RETURN(std::vector<std::string> languages, Languages());
  if (languages.empty()) return Variant{};
  if (m_Index < 0 || m_Index >= static_cast<std::int32_t>(languages.size())) {
    return OutOfRange(m_Index, languages.size());
  }
  state_.language = languages[m_Index];
  return Variant{};
}

Result<std::string> Application::GetIdText(const std::string& id) {
  const std::string path = GetSettingsPath(*prompter_, state_.title2);
  if (path.empty()) return std::string();
  return ProfileText(GetPrivateProfileString(state_.language, id, id, path));
}

Result<std::string> Application::LoadSetting(std::string& val1, std::string& val2) {
  const std::string path = GetSettingsPath(*prompter_, state_.title2);
  if (path.empty()) return std::string();
  return ProfileText(GetPrivateProfileString(kInformation, val1, val2, path));
}

Result<Variant> Application::SaveSetting1(std::string& val1, std::string& val2) {
  const std::string path = GetSettingsPath(*prompter_, state_.title2);
  if (std::string why;
      !path.empty() && !WritePrivateProfileString(kInformation, val1, val2, path, &why)) {
    return AutomationError::Make(ErrorNumber::PermissionDenied, SettingsNotSaved(path, why));
  }
  return Variant{};
}

// Without its settings file the engine writes nothing anywhere: the keys belong in that
// file only.
Result<Variant> Application::SaveSetting() {
  const std::string path = GetSettingsPath(*prompter_, state_.title2);
  if (std::string why; !path.empty() && !SaveLoggingSettings(state_, path, &why)) {
    return AutomationError::Make(ErrorNumber::PermissionDenied, SettingsNotSaved(path, why));
  }
  return Variant{};
}

}  // namespace vx::addin
