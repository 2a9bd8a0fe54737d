#pragma once
// How readings and the figures of a record are written wherever the system shows or exports
// them: the viewer's grid and figures, its CSV output and vxrecord. One set of rules, so that
// a file and the window it was written from always agree.

#include <string>
#include <string_view>

#include "records/record_reader.h"

namespace vx::records {

// A stored value as pages and CSV lines show it: "OVLD" for the overload marker, otherwise
// "%.14f" (0.01234500000000).
std::string ValueText(double value);
// A value as filter results show it: always "%.14f", an overload as the number it is.
std::string NumberText(double value);
// Appends what ValueText gives, without building a string per value.
void AppendValueText(std::string& out, double value);

// The time of day of a stored reading (an OLE date): "14 : 03 : 27".
std::string TimeOfDayText(double oleTime);
void AppendTimeOfDayText(std::string& out, double oleTime);

// The four figures of the viewer: the count as "%d", maximum, minimum and average as
// "%.15f". A record without readings has no maximum, minimum or average, and their texts
// are left empty rather than showing a number that was never measured.
struct RecordFigures {
  std::string count;
  std::string maximum;
  std::string minimum;
  std::string average;
};
RecordFigures FiguresOf(const RecordStatistics& statistics);

}  // namespace vx::records
