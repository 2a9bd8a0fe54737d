#pragma once
// The fixed facts of a record file that every reader and writer shares.

namespace vx::records {

inline constexpr int kFirstRecord = 1;
inline constexpr int kLastRecord = 10;
inline constexpr int kRecordCount = kLastRecord - kFirstRecord + 1;

// The meter answers an overload as +9.90000000E+37 and a record keeps it as this double.
// Readers compare for exact equality: 9.8E+37 is an ordinary (if huge) reading.
inline constexpr double kOverloadValue = 9.9E+37;
inline bool IsOverloadValue(double value) {
  return value == kOverloadValue;
}

inline bool IsRecordNumber(int record) {
  return record >= kFirstRecord && record <= kLastRecord;
}

// One stored reading: the value and its local time of day as an OLE date on day zero.
struct Reading {
  double value = 0;
  double time = 0;
  bool operator==(const Reading&) const = default;
};

// A reading together with the start stamp (an OLE date) of the record that holds it.
struct StampedReading {
  double value = 0;
  double time = 0;
  double stamp = 0;
  bool operator==(const StampedReading&) const = default;
};

}  // namespace vx::records
