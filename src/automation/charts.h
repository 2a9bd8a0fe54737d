#pragma once
// Charts of the spreadsheet program's object model: a workbook's charts, their series, axes
// and title, and where a chart lives (a chart sheet of its own, or an object in a sheet).

#include <memory>
#include <string>
#include <string_view>

#include "automation/spreadsheet.h"

namespace vx::automation {

class SeriesCollection;
class Series;
class Axis;
class ChartTitle;
using SeriesCollectionPtr = std::shared_ptr<SeriesCollection>;
using SeriesPtr = std::shared_ptr<Series>;
using AxisPtr = std::shared_ptr<Axis>;
using ChartTitlePtr = std::shared_ptr<ChartTitle>;

class Charts {
 public:
  virtual ~Charts() = default;
  virtual Result<int> Count() = 0;
  virtual Result<ChartPtr> Item(int index) = 0;
  // A new chart on a chart sheet of its own.
  virtual Result<ChartPtr> Add() = 0;
};

class Chart {
 public:
  virtual ~Chart() = default;
  virtual Result<std::string> Name() = 0;
  virtual Result<int> ChartType() = 0;
  virtual Status SetChartType(int type) = 0;
  // One series per column of `source`.
  virtual Status SetSourceData(const RangePtr& source) = 0;
  virtual Result<SeriesCollectionPtr> SeriesCollection() = 0;
  virtual Result<bool> HasAxis(int axisType, int axisGroup) = 0;
  virtual Status SetHasAxis(int axisType, int axisGroup, bool hasAxis) = 0;
  virtual Result<bool> HasTitle() = 0;
  virtual Status SetHasTitle(bool hasTitle) = 0;
  virtual Result<AxisPtr> Axes(int axisType, int axisGroup) = 0;
  virtual Result<ChartTitlePtr> ChartTitle() = 0;
  // Moves the chart: xlLocationAsNewSheet onto a new chart sheet called `name`,
  // xlLocationAsObject into the worksheet called `name`. Gives the chart at its new place.
  virtual Result<ChartPtr> Location(int where, std::string_view name) = 0;
};

class SeriesCollection {
 public:
  virtual ~SeriesCollection() = default;
  virtual Result<int> Count() = 0;
  virtual Result<SeriesPtr> Item(int index) = 0;
  virtual Result<SeriesPtr> NewSeries() = 0;
};

class Series {
 public:
  virtual ~Series() = default;
  // A literal name, or a reference "=Sheet1!R1C2" to the cell that holds it.
  virtual Result<std::string> Name() = 0;
  virtual Status SetName(std::string_view name) = 0;
  // A reference formula: "=Sheet1!DmmyAxis", "=Sheet1!R2C2:R21C2" or "=Sheet1!$B$2:$B$21".
  virtual Result<std::string> Values() = 0;
  virtual Status SetValues(std::string_view reference) = 0;
  virtual Result<int> AxisGroup() = 0;
  virtual Status SetAxisGroup(int group) = 0;
  virtual Result<int> ChartType() = 0;
  virtual Status SetChartType(int type) = 0;
};

class Axis {
 public:
  virtual ~Axis() = default;
  virtual Result<int> CategoryType() = 0;
  virtual Status SetCategoryType(int type) = 0;
  virtual Result<int> TickLabelPosition() = 0;
  virtual Status SetTickLabelPosition(int position) = 0;
};

class ChartTitle {
 public:
  virtual ~ChartTitle() = default;
  virtual Result<std::string> Text() = 0;
  virtual Status SetText(std::string_view text) = 0;
};

}  // namespace vx::automation
