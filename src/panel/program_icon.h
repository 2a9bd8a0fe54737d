#pragma once

#include <QIcon>

namespace vx::panel {

// The program's icon, drawn at start: a bench meter's face with a reading and a trace.
QIcon ProgramIcon();

}  // namespace vx::panel
