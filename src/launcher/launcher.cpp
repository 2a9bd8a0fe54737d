#include "launcher/launcher.h"

#include <array>
#include <filesystem>

#include "automation/command_bars.h"
#include "automation/error_text.h"
#include "automation/host_locations.h"
#include "automation/object_registry.h"
#include "common/c_number.h"

namespace vx::launcher {
namespace {

using namespace automation;

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The word processor's toolbar of the template: the five controls' macros and tips, shown,
// and the documents saved so that it lasts.
Status SetUpToolbar(const ApplicationPtr& word) {
  static constexpr std::array<const char*, 5> kMacros = {"DmmAbout", "DmmConnect", "DmmFiles",
                                                         "DmmFuncs", "DmmMeas"};
  const std::array<std::string, 5> tips = {std::string("About ") + kToolbarTitle,
                                           "Connect to Device", "File Access", "Set up Instrument",
                                           "Get Single Reading"};
  VX_ASSIGN_OR_RETURN(CommandBarsPtr bars, word->CommandBars());
  VX_ASSIGN_OR_RETURN(CommandBarPtr bar, bars->Item(kToolbarTitle));
  VX_ASSIGN_OR_RETURN(CommandBarControlsPtr controls, bar->Controls());
  for (int i = 1; i <= 5; ++i) {
    VX_ASSIGN_OR_RETURN(CommandBarControlPtr control, controls->Item(i));
    VX_RETURN_IF_ERROR(control->SetOnAction(kMacros[i - 1]));
    VX_RETURN_IF_ERROR(control->SetToolTipText(tips[i - 1]));
  }
  VX_RETURN_IF_ERROR(bar->SetVisible(true));
  VX_ASSIGN_OR_RETURN(DocumentsPtr documents, word->Documents());
  return documents->Save(true);
}

}  // namespace

int DeleteCachedTypeInformation(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(folder, error)) return 0;
  int deleted = 0;
  for (fs::recursive_directory_iterator
           it(folder, fs::directory_options::skip_permission_denied, error),
       end;
       it != end; it.increment(error)) {
    if (error) break;
    if (it->is_regular_file(error) && it->path().filename() == "Vortica.exd" &&
        fs::remove(it->path(), error)) {
      ++deleted;
    }
  }
  return deleted;
}

void Launcher::ReportError(const std::string& number, const std::string& description) {
  prompter_.Message("Error Num: " + number + "\n" + description + "\n", kCaption,
                    MessageIcon::Stop);
}

bool NamesAddInOrTemplate(const std::string& commandLine) {
  return EndsWith(commandLine, ".dot") || EndsWith(commandLine, ".xla");
}

std::string Launcher::Launch(const std::string& commandLine) {
  DeleteCachedTypeInformation(automation::HostCacheFolder());
  const bool isTemplate = EndsWith(commandLine, ".dot");
  if (!NamesAddInOrTemplate(commandLine)) {
    prompter_.Message("Open File Use *.dot *.xla", kCaption, MessageIcon::Stop);
    return {};
  }
  if (!(isTemplate ? OpenTemplate(commandLine) : OpenAddIn(commandLine))) return {};
  return "Open " + commandLine;
}

bool Launcher::OpenTemplate(const std::string& path) {
  const auto fail = [this](const AutomationError& error) {
    ReportError(ErrorNumberText(error.number), error.description);
    return false;
  };
  auto word = hosts_("Word.Application");
  if (!word) return fail(word.error());
  auto documents = (*word)->Documents();
  if (!documents) return fail(documents.error());
  if (auto added = (*documents)->Add(path); !added) return fail(added.error());
  auto version = (*word)->Version();
  if (!version) return fail(version.error());
  // Newer word processors keep the toolbar of the template themselves.
  if (LeadingNumber(*version) <= 11) {
    if (const Status toolbar = SetUpToolbar(*word); !toolbar) {
      prompter_.Message(toolbar.error().description, "Open Multimeter CommandBars",
                        MessageIcon::None);
    }
  }
  if (const Status shown = (*word)->SetVisible(true); !shown) return fail(shown.error());
  return true;
}

bool Launcher::OpenAddIn(const std::string& path) {
  const auto fail = [this](const AutomationError& error) {
    ReportError(ErrorNumberText(error.number), error.description);
    return false;
  };
  auto excel = hosts_("Excel.Application");
  if (!excel) return fail(excel.error());
  auto books = (*excel)->Workbooks();
  if (!books) return fail(books.error());
  if (auto opened = (*books)->Open(path); !opened) return fail(opened.error());
  auto count = (*books)->Count();
  if (!count) return fail(count.error());
  if (*count == 0) {
    if (auto added = (*books)->Add(); !added) return fail(added.error());
  }
  auto addIns = (*excel)->AddIns();
  if (!addIns) return fail(addIns.error());
  auto addIn = (*addIns)->Add(path, true);
  if (!addIn) return fail(addIn.error());
  if (const Status installed = (*addIn)->SetInstalled(true); !installed)
    return fail(installed.error());
  if (const Status shown = (*excel)->SetVisible(true); !shown) return fail(shown.error());
  return true;
}

}  // namespace vx::launcher
