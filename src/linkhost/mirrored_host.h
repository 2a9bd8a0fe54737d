#pragma once
// A spreadsheet host that keeps a copy: every call goes to the mirror first, then to the
// primary, and the primary's answer is the answer; readings go to the primary only. vxlink
// logs into LibreOffice Calc through it with an in-memory host as the mirror, so that when
// Calc goes away (the user closes the document, the office is killed) every reading of the
// run is still held, and saved, by the mirror. The mirror's objects stay reachable for
// whoever wants to read or save the copy without a round trip to the primary.

#include <memory>

#include "automation/charts.h"
#include "automation/command_bars.h"
#include "automation/spreadsheet.h"

namespace vx::linkhost {

automation::ApplicationPtr MirroredHost(automation::ApplicationPtr primary,
                                        automation::ApplicationPtr mirror);

// The mirror's side of an object of a mirrored host; nullptr for an object of another host,
// or one the mirror could not make.
automation::ApplicationPtr MirrorOf(const automation::ApplicationPtr& object);
automation::WorkbookPtr MirrorOf(const automation::WorkbookPtr& object);
automation::WorksheetPtr MirrorOf(const automation::WorksheetPtr& object);

}  // namespace vx::linkhost
