#pragma once
// The spreadsheet program over a running LibreOffice Calc ("Excel.Application.Calc"):
// workbooks are Calc documents, cells are Calc's cells, the toolbars Calc's own. Programs
// reach it through the object registry; tests may also make one directly.

#include <memory>
#include <string>

#include "automation/automation_error.h"
#include "automation/calc/office_process.h"
#include "automation/unknown.h"

namespace vx::automation::calc {

// A new host connected to the office the options name (started when none answers there).
// What lasts beyond the process lives in LibreOffice itself: the toolbars in the user's
// profile, the add-ins as its extensions. An office that is not installed is AppNotFound;
// one that does not answer in time, Failed.
Result<std::unique_ptr<Unknown>> NewCalcHost(const OfficeOptions& options);

// Whether LibreOffice is installed where the options look for it: AppNotFound otherwise.
Status CheckOfficeInstalled(const OfficeOptions& options);

}  // namespace vx::automation::calc
