#pragma once
// The record chart's logic, free of widgets: the record list, the count of the chosen record,
// the scale, the drawing of all readings or a range of them, and the marker's readout. The
// dialog paints what this computes and forwards the user's actions; every message goes
// through the Prompter.
//
// A drawing is reduced to the screen's pixel columns while the readings are read (see
// TraceColumns), so drawing a million readings costs about as much as reading them.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/prompt.h"
#include "records/chart/chart_geometry.h"
#include "records/chart/chart_range.h"
#include "records/chart/trace_columns.h"
#include "records/store_status.h"

namespace vx::records {

// What the marker shows for a slider position.
struct ChartMarker {
  std::string number;  // the reading number, "%d"
  std::string value;   // "OVLD" or "%.15f"
  std::string stamp;   // the record's start stamp, "26 / 12 / 06 -- 22 : 45 : 07"
  // The marker's rectangle: centre and half sizes in pixels.
  int x = 0;
  int y = 0;
  int halfWidth = 1;
  int halfHeight = 1;
};

class RecordChart {
 public:
  // Called while a drawing reads: `done` readings of `total`.
  using Progress = std::function<void(long long done, long long total)>;

  explicit RecordChart(Prompter& prompter);

  // Lines "Record %d            ( %s )" of the records with a start stamp, and of those that
  // cannot be read, with the reason.
  const std::vector<std::string>& Labels() const { return labels_; }
  // What the record list says before a record is chosen.
  std::string ListPrompt() const;
  // Chooses line `line`: counts its readings, or says why its record cannot be read.
  void Choose(int line);
  int Chosen() const { return chosen_; }
  // The count of the chosen record, "%d"; empty until a record is chosen.
  const std::string& CountText() const { return countText_; }
  bool CanDraw() const { return count_ >= 0; }

  void SetMode(DrawMode mode) { mode_ = mode; }
  DrawMode Mode() const { return mode_; }
  // A row of the division table: the value per division, used from the next drawing or
  // marker move on.
  void SetDivision(int row);
  int Division() const { return division_; }
  double Factor() const { return factor_; }

  // Draws the chosen record, all of it or readings m to n of it, on a screen of `width` by
  // `height` pixels: the columns to paint, or none when the drawing was refused (with its
  // message shown).
  std::optional<TraceColumns> Draw(std::string_view m, std::string_view n, int width, int height,
                                   const Progress& progress);
  // Erases the screen: the marker stops until the next drawing.
  void Clear() { drawn_ = false; }
  bool Drawn() const { return drawn_; }
  // The slider runs from 0 to this: the span of the last drawing.
  long long SliderMaximum() const { return drawing_ ? drawing_->span.span : 0; }

  // The marker at slider position `position` on the last drawing; none when nothing is
  // drawn or there is no reading to show.
  std::optional<ChartMarker> MarkerAt(long long position);

 private:
  // The last drawing: which record, which readings, on which screen.
  struct Drawing {
    int record = 0;
    DrawSpan span;
    ChartGeometry geometry;
  };

  bool FolderReady(const char* caption);
  void ShowStoreFailure(const std::string& message);

  Prompter& prompter_;
  std::optional<std::string> folder_;
  std::vector<std::string> labels_;
  // Per line, why its record cannot be read; success for a readable one.
  std::vector<Status> problems_;
  int chosen_ = -1;
  int record_ = 0;
  long long count_ = -1;
  std::string countText_;
  DrawMode mode_ = DrawMode::All;
  int division_;
  double factor_;
  bool drawn_ = false;
  std::optional<Drawing> drawing_;
};

}  // namespace vx::records
