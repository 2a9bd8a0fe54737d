#include "linkhost/mirrored_host.h"

#include <optional>
#include <utility>

namespace vx::linkhost {
namespace {

using namespace automation;

// The two sides of one object. A primary that failed to make its side leaves the mirror's
// alone: every call still reaches the mirror, and answers with the primary's failure.
template <typename T>
class Sides {
 public:
  Sides(std::shared_ptr<T> primary, std::shared_ptr<T> mirror,
        std::optional<AutomationError> primaryError = std::nullopt)
      : primary_(std::move(primary)),
        mirror_(std::move(mirror)),
        primaryError_(std::move(primaryError)) {}
  const std::shared_ptr<T>& Primary() const { return primary_; }
  const std::shared_ptr<T>& Mirror() const { return mirror_; }

 protected:
  // Calls `change` on the mirror (when there is one), then on the primary.
  template <typename Change>
  auto Both(Change change) -> decltype(change(std::declval<T&>())) {
    if (mirror_) change(*mirror_);
    if (!primary_) return *primaryError_;
    return change(*primary_);
  }
  // Reads from the primary.
  template <typename Get>
  auto Read(Get get) -> decltype(get(std::declval<T&>())) {
    if (!primary_) return *primaryError_;
    return get(*primary_);
  }

  std::shared_ptr<T> primary_;
  std::shared_ptr<T> mirror_;
  std::optional<AutomationError> primaryError_;
};

// An object both hosts make: the pair, when the primary made its side; the mirror's side
// alone with the primary's failure, when only the mirror made one.
template <typename Wrapper, typename T>
Result<std::shared_ptr<T>> Pair(Result<std::shared_ptr<T>> primary,
                                Result<std::shared_ptr<T>> mirror) {
  if (primary) {
    return std::shared_ptr<T>(
        std::make_shared<Wrapper>(*primary, mirror ? *mirror : std::shared_ptr<T>()));
  }
  if (!mirror) return primary.error();
  return std::shared_ptr<T>(std::make_shared<Wrapper>(nullptr, *mirror, primary.error()));
}

// Makes the object on both sides, the mirror's first: `make` is called with each side.
template <typename Wrapper, typename Side, typename Make>
auto MakeBoth(const std::shared_ptr<Side>& primary, const std::shared_ptr<Side>& mirror,
              const std::optional<AutomationError>& primaryError, Make make) {
  using Made = decltype(make(*mirror));
  Made fromMirror =
      mirror ? make(*mirror) : Made(AutomationError::Make(ErrorNumber::Failed, "no mirror"));
  Made fromPrimary = primary ? make(*primary) : Made(*primaryError);
  return Pair<Wrapper>(std::move(fromPrimary), std::move(fromMirror));
}

#define VX_MIRROR_MAKE(Wrapper, call) \
  MakeBoth<Wrapper>(primary_, mirror_, primaryError_, [&](auto& side) { return side.call; })

class MirroredFont final : public Font, public Sides<Font> {
 public:
  using Sides::Sides;
  Result<bool> Bold() override {
    return Read([&](auto& side) { return side.Bold(); });
  }
  Status SetBold(bool bold) override {
    return Both([&](Font& side) { return side.SetBold(bold); });
  }
};

class MirroredRange final : public Range, public Sides<Range> {
 public:
  using Sides::Sides;
  Result<automation::Value> Value() override {
    return Read([&](auto& side) { return side.Value(); });
  }
  Status SetValue(const automation::Value& value) override {
    return Both([&](Range& side) { return side.SetValue(value); });
  }
  Result<ValueRows> Values() override {
    return Read([&](auto& side) { return side.Values(); });
  }
  Status SetValues(const ValueRows& rows) override {
    return Both([&](Range& side) { return side.SetValues(rows); });
  }
  Status SetName(std::string_view name) override {
    return Both([&](Range& side) { return side.SetName(name); });
  }
  Result<std::string> NumberFormat() override {
    return Read([&](auto& side) { return side.NumberFormat(); });
  }
  Status SetNumberFormat(std::string_view format) override {
    return Both([&](Range& side) { return side.SetNumberFormat(format); });
  }
  Result<FontPtr> Font() override { return VX_MIRROR_MAKE(MirroredFont, Font()); }
  Result<int> VerticalAlignment() override {
    return Read([&](auto& side) { return side.VerticalAlignment(); });
  }
  Status SetVerticalAlignment(int alignment) override {
    return Both([&](Range& side) { return side.SetVerticalAlignment(alignment); });
  }
  Result<RangePtr> EntireColumn() override { return VX_MIRROR_MAKE(MirroredRange, EntireColumn()); }
  Status AutoFit() override {
    return Both([&](Range& side) { return side.AutoFit(); });
  }
  Result<double> Top() override {
    return Read([&](auto& side) { return side.Top(); });
  }
  Result<double> Left() override {
    return Read([&](auto& side) { return side.Left(); });
  }
  Result<std::string> Address() override {
    return Read([&](auto& side) { return side.Address(); });
  }
  Result<WorksheetPtr> Worksheet() override;
};

class MirroredDefinedName final : public DefinedName, public Sides<DefinedName> {
 public:
  using Sides::Sides;
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Result<std::string> RefersTo() override {
    return Read([&](auto& side) { return side.RefersTo(); });
  }
  Result<std::string> RefersToR1C1() override {
    return Read([&](auto& side) { return side.RefersToR1C1(); });
  }
  Result<RangePtr> RefersToRange() override {
    return VX_MIRROR_MAKE(MirroredRange, RefersToRange());
  }
};

class MirroredNames final : public Names, public Sides<Names> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<NamePtr> Add(std::string_view name, std::string_view refersToR1C1) override {
    return VX_MIRROR_MAKE(MirroredDefinedName, Add(name, refersToR1C1));
  }
  Result<NamePtr> Item(std::string_view name) override {
    return VX_MIRROR_MAKE(MirroredDefinedName, Item(name));
  }
};

class MirroredControlFormat final : public ControlFormat, public Sides<ControlFormat> {
 public:
  using Sides::Sides;
  Result<int> Max() override {
    return Read([&](auto& side) { return side.Max(); });
  }
  Status SetMax(int value) override {
    return Both([&](ControlFormat& side) { return side.SetMax(value); });
  }
  Result<int> Min() override {
    return Read([&](auto& side) { return side.Min(); });
  }
  Status SetMin(int value) override {
    return Both([&](ControlFormat& side) { return side.SetMin(value); });
  }
  Result<int> Value() override {
    return Read([&](auto& side) { return side.Value(); });
  }
  Status SetValue(int value) override {
    return Both([&](ControlFormat& side) { return side.SetValue(value); });
  }
  Result<int> SmallChange() override {
    return Read([&](auto& side) { return side.SmallChange(); });
  }
  Status SetSmallChange(int value) override {
    return Both([&](ControlFormat& side) { return side.SetSmallChange(value); });
  }
  Result<int> LargeChange() override {
    return Read([&](auto& side) { return side.LargeChange(); });
  }
  Status SetLargeChange(int value) override {
    return Both([&](ControlFormat& side) { return side.SetLargeChange(value); });
  }
  Result<std::string> LinkedCell() override {
    return Read([&](auto& side) { return side.LinkedCell(); });
  }
  Status SetLinkedCell(std::string_view cell) override {
    return Both([&](ControlFormat& side) { return side.SetLinkedCell(cell); });
  }
};

class MirroredShape final : public Shape, public Sides<Shape> {
 public:
  using Sides::Sides;
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Status SetName(std::string_view name) override {
    return Both([&](Shape& side) { return side.SetName(name); });
  }
  Result<int> Type() override {
    return Read([&](auto& side) { return side.Type(); });
  }
  Result<double> Top() override {
    return Read([&](auto& side) { return side.Top(); });
  }
  Status SetTop(double points) override {
    return Both([&](Shape& side) { return side.SetTop(points); });
  }
  Result<double> Left() override {
    return Read([&](auto& side) { return side.Left(); });
  }
  Status SetLeft(double points) override {
    return Both([&](Shape& side) { return side.SetLeft(points); });
  }
  Result<ControlFormatPtr> ControlFormat() override {
    return VX_MIRROR_MAKE(MirroredControlFormat, ControlFormat());
  }
};

class MirroredShapes final : public Shapes, public Sides<Shapes> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<ShapePtr> Item(int index) override { return VX_MIRROR_MAKE(MirroredShape, Item(index)); }
  Result<ShapePtr> Item(std::string_view name) override {
    return VX_MIRROR_MAKE(MirroredShape, Item(name));
  }
  Result<ShapePtr> AddFormControl(int type, double left, double top, double width,
                                  double height) override {
    return VX_MIRROR_MAKE(MirroredShape, AddFormControl(type, left, top, width, height));
  }
};

class MirroredSeries final : public Series, public Sides<Series> {
 public:
  using Sides::Sides;
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Status SetName(std::string_view name) override {
    return Both([&](Series& side) { return side.SetName(name); });
  }
  Result<std::string> Values() override {
    return Read([&](auto& side) { return side.Values(); });
  }
  Status SetValues(std::string_view reference) override {
    return Both([&](Series& side) { return side.SetValues(reference); });
  }
  Result<int> AxisGroup() override {
    return Read([&](auto& side) { return side.AxisGroup(); });
  }
  Status SetAxisGroup(int group) override {
    return Both([&](Series& side) { return side.SetAxisGroup(group); });
  }
  Result<int> ChartType() override {
    return Read([&](auto& side) { return side.ChartType(); });
  }
  Status SetChartType(int type) override {
    return Both([&](Series& side) { return side.SetChartType(type); });
  }
};

class MirroredSeriesCollection final : public SeriesCollection, public Sides<SeriesCollection> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<SeriesPtr> Item(int index) override { return VX_MIRROR_MAKE(MirroredSeries, Item(index)); }
  Result<SeriesPtr> NewSeries() override { return VX_MIRROR_MAKE(MirroredSeries, NewSeries()); }
};

class MirroredAxis final : public Axis, public Sides<Axis> {
 public:
  using Sides::Sides;
  Result<int> CategoryType() override {
    return Read([&](auto& side) { return side.CategoryType(); });
  }
  Status SetCategoryType(int type) override {
    return Both([&](Axis& side) { return side.SetCategoryType(type); });
  }
  Result<int> TickLabelPosition() override {
    return Read([&](auto& side) { return side.TickLabelPosition(); });
  }
  Status SetTickLabelPosition(int position) override {
    return Both([&](Axis& side) { return side.SetTickLabelPosition(position); });
  }
};

class MirroredChartTitle final : public ChartTitle, public Sides<ChartTitle> {
 public:
  using Sides::Sides;
  Result<std::string> Text() override {
    return Read([&](auto& side) { return side.Text(); });
  }
  Status SetText(std::string_view text) override {
    return Both([&](ChartTitle& side) { return side.SetText(text); });
  }
};

class MirroredChart final : public Chart, public Sides<Chart> {
 public:
  using Sides::Sides;
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Result<int> ChartType() override {
    return Read([&](auto& side) { return side.ChartType(); });
  }
  Status SetChartType(int type) override {
    return Both([&](Chart& side) { return side.SetChartType(type); });
  }
  // Each side takes its own side of the range.
  Status SetSourceData(const RangePtr& source) override;
  Result<SeriesCollectionPtr> SeriesCollection() override {
    return VX_MIRROR_MAKE(MirroredSeriesCollection, SeriesCollection());
  }
  Result<bool> HasAxis(int type, int group) override {
    return Read([&](auto& side) { return side.HasAxis(type, group); });
  }
  Status SetHasAxis(int type, int group, bool hasAxis) override {
    return Both([&](Chart& side) { return side.SetHasAxis(type, group, hasAxis); });
  }
  Result<bool> HasTitle() override {
    return Read([&](auto& side) { return side.HasTitle(); });
  }
  Status SetHasTitle(bool hasTitle) override {
    return Both([&](Chart& side) { return side.SetHasTitle(hasTitle); });
  }
  Result<AxisPtr> Axes(int type, int group) override {
    return VX_MIRROR_MAKE(MirroredAxis, Axes(type, group));
  }
  Result<ChartTitlePtr> ChartTitle() override {
    return VX_MIRROR_MAKE(MirroredChartTitle, ChartTitle());
  }
  Result<ChartPtr> Location(int where, std::string_view name) override {
    return VX_MIRROR_MAKE(MirroredChart, Location(where, name));
  }
};

Status MirroredChart::SetSourceData(const RangePtr& source) {
  const auto* sides = dynamic_cast<const Sides<Range>*>(source.get());
  if (mirror_ && sides && sides->Mirror()) mirror_->SetSourceData(sides->Mirror());
  return Read([&](auto& side) { return side.SetSourceData(sides ? sides->Primary() : source); });
}

class MirroredCharts final : public Charts, public Sides<Charts> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<ChartPtr> Item(int index) override { return VX_MIRROR_MAKE(MirroredChart, Item(index)); }
  Result<ChartPtr> Add() override { return VX_MIRROR_MAKE(MirroredChart, Add()); }
};

class MirroredWorksheet final : public Worksheet, public Sides<Worksheet> {
 public:
  using Sides::Sides;
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Status SetName(std::string_view name) override {
    return Both([&](Worksheet& side) { return side.SetName(name); });
  }
  Result<RangePtr> Range(std::string_view cell) override {
    return VX_MIRROR_MAKE(MirroredRange, Range(cell));
  }
  Result<RangePtr> Range(std::string_view first, std::string_view last) override {
    return VX_MIRROR_MAKE(MirroredRange, Range(first, last));
  }
  Result<RangePtr> Cells(int row, int column) override {
    return VX_MIRROR_MAKE(MirroredRange, Cells(row, column));
  }
  Result<NamesPtr> Names() override { return VX_MIRROR_MAKE(MirroredNames, Names()); }
  Result<ShapesPtr> Shapes() override { return VX_MIRROR_MAKE(MirroredShapes, Shapes()); }
  Result<RangePtr> Rows(int row) override { return VX_MIRROR_MAKE(MirroredRange, Rows(row)); }
  Result<RangePtr> Columns(int column) override {
    return VX_MIRROR_MAKE(MirroredRange, Columns(column));
  }
  Result<WorkbookPtr> Parent() override;
  Status Select() override {
    return Both([&](Worksheet& side) { return side.Select(); });
  }
};

Result<WorksheetPtr> MirroredRange::Worksheet() {
  return VX_MIRROR_MAKE(MirroredWorksheet, Worksheet());
}

class MirroredSheets final : public Sheets, public Sides<Sheets> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<WorksheetPtr> Item(int index) override {
    return VX_MIRROR_MAKE(MirroredWorksheet, Item(index));
  }
  Result<WorksheetPtr> Item(std::string_view name) override {
    return VX_MIRROR_MAKE(MirroredWorksheet, Item(name));
  }
};

class MirroredWorkbook final : public Workbook, public Sides<Workbook> {
 public:
  using Sides::Sides;
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Result<std::string> FullName() override {
    return Read([&](auto& side) { return side.FullName(); });
  }
  Result<std::string> Title() override {
    return Read([&](auto& side) { return side.Title(); });
  }
  Status SetTitle(std::string_view title) override {
    return Both([&](Workbook& side) { return side.SetTitle(title); });
  }
  Result<SheetsPtr> Sheets() override { return VX_MIRROR_MAKE(MirroredSheets, Sheets()); }
  Result<SheetsPtr> Worksheets() override { return VX_MIRROR_MAKE(MirroredSheets, Worksheets()); }
  Result<ChartsPtr> Charts() override { return VX_MIRROR_MAKE(MirroredCharts, Charts()); }
  Result<NamesPtr> Names() override { return VX_MIRROR_MAKE(MirroredNames, Names()); }
  // Saving is the primary's: the copy is saved through the mirror's own objects.
  Status SaveAs(std::string_view path) override {
    return Read([&](auto& side) { return side.SaveAs(path); });
  }
  // A copy is saved from the mirror, which holds everything the primary was given even when
  // the primary has gone, and writes it on another thread.
  Result<PendingSavePtr> SaveCopyAsInBackground(std::string_view path) override {
    if (mirror_) return mirror_->SaveCopyAsInBackground(path);
    return Read([&](auto& side) { return side.SaveCopyAsInBackground(path); });
  }
};

Result<WorkbookPtr> MirroredWorksheet::Parent() {
  return VX_MIRROR_MAKE(MirroredWorkbook, Parent());
}

class MirroredWorkbooks final : public Workbooks, public Sides<Workbooks> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<WorkbookPtr> Item(int index) override {
    return VX_MIRROR_MAKE(MirroredWorkbook, Item(index));
  }
  Result<WorkbookPtr> Add() override { return VX_MIRROR_MAKE(MirroredWorkbook, Add()); }
  Result<WorkbookPtr> Open(std::string_view path) override {
    return VX_MIRROR_MAKE(MirroredWorkbook, Open(path));
  }
};

class MirroredControl final : public CommandBarControl, public Sides<CommandBarControl> {
 public:
  using Sides::Sides;
  Result<std::string> Caption() override {
    return Read([&](auto& side) { return side.Caption(); });
  }
  Status SetCaption(std::string_view caption) override {
    return Both([&](CommandBarControl& side) { return side.SetCaption(caption); });
  }
  Result<std::string> OnAction() override {
    return Read([&](auto& side) { return side.OnAction(); });
  }
  Status SetOnAction(std::string_view macro) override {
    return Both([&](CommandBarControl& side) { return side.SetOnAction(macro); });
  }
  Result<std::string> ToolTipText() override {
    return Read([&](auto& side) { return side.ToolTipText(); });
  }
  Status SetToolTipText(std::string_view text) override {
    return Both([&](CommandBarControl& side) { return side.SetToolTipText(text); });
  }
  Result<bool> Visible() override {
    return Read([&](auto& side) { return side.Visible(); });
  }
  Status SetVisible(bool visible) override {
    return Both([&](CommandBarControl& side) { return side.SetVisible(visible); });
  }
  Result<bool> Enabled() override {
    return Read([&](auto& side) { return side.Enabled(); });
  }
  Status SetEnabled(bool enabled) override {
    return Both([&](CommandBarControl& side) { return side.SetEnabled(enabled); });
  }
};

class MirroredControls final : public CommandBarControls, public Sides<CommandBarControls> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<CommandBarControlPtr> Item(int index) override {
    return VX_MIRROR_MAKE(MirroredControl, Item(index));
  }
  Result<CommandBarControlPtr> Add(int type) override {
    return VX_MIRROR_MAKE(MirroredControl, Add(type));
  }
};

class MirroredCommandBar final : public CommandBar, public Sides<CommandBar> {
 public:
  using Sides::Sides;
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Result<bool> Visible() override {
    return Read([&](auto& side) { return side.Visible(); });
  }
  Status SetVisible(bool visible) override {
    return Both([&](CommandBar& side) { return side.SetVisible(visible); });
  }
  Status Delete() override {
    return Both([&](CommandBar& side) { return side.Delete(); });
  }
  Result<CommandBarControlsPtr> Controls() override {
    return VX_MIRROR_MAKE(MirroredControls, Controls());
  }
};

class MirroredCommandBars final : public CommandBars, public Sides<CommandBars> {
 public:
  using Sides::Sides;
  Result<int> Count() override {
    return Read([&](auto& side) { return side.Count(); });
  }
  Result<CommandBarPtr> Item(int index) override {
    return VX_MIRROR_MAKE(MirroredCommandBar, Item(index));
  }
  Result<CommandBarPtr> Item(std::string_view name) override {
    return VX_MIRROR_MAKE(MirroredCommandBar, Item(name));
  }
  Result<CommandBarPtr> Add(std::string_view name, bool temporary) override {
    return VX_MIRROR_MAKE(MirroredCommandBar, Add(name, temporary));
  }
};

class MirroredApplication final : public Application, public Sides<Application> {
 public:
  using Sides::Sides;
  Result<WorkbooksPtr> Workbooks() override {
    return VX_MIRROR_MAKE(MirroredWorkbooks, Workbooks());
  }
  // Add-ins and documents are the primary's alone: they are no part of a logging run.
  Result<AddInsPtr> AddIns() override {
    return Read([&](auto& side) { return side.AddIns(); });
  }
  Result<CommandBarsPtr> CommandBars() override {
    return VX_MIRROR_MAKE(MirroredCommandBars, CommandBars());
  }
  Result<DocumentsPtr> Documents() override {
    return Read([&](auto& side) { return side.Documents(); });
  }
  Result<std::string> Name() override {
    return Read([&](auto& side) { return side.Name(); });
  }
  Result<std::string> Version() override {
    return Read([&](auto& side) { return side.Version(); });
  }
  Result<bool> Visible() override {
    return Read([&](auto& side) { return side.Visible(); });
  }
  Status SetVisible(bool visible) override {
    return Both([&](Application& side) { return side.SetVisible(visible); });
  }
  Result<bool> UserControl() override {
    return Read([&](auto& side) { return side.UserControl(); });
  }
  // Handing over is the primary's: the mirror's copy is no workbook for the user.
  Status SetUserControl(bool userControl) override {
    return Read([&](auto& side) { return side.SetUserControl(userControl); });
  }
  Result<std::string> StatusBar() override {
    return Read([&](auto& side) { return side.StatusBar(); });
  }
  Status SetStatusBar(std::string_view text) override {
    return Both([&](Application& side) { return side.SetStatusBar(text); });
  }
  Status BeginBatch() override {
    return Both([&](Application& side) { return side.BeginBatch(); });
  }
  Status EndBatch() override {
    return Both([&](Application& side) { return side.EndBatch(); });
  }
};

template <typename T>
std::shared_ptr<T> MirrorSide(const std::shared_ptr<T>& object) {
  const auto* sides = dynamic_cast<const Sides<T>*>(object.get());
  return sides ? sides->Mirror() : nullptr;
}

}  // namespace

ApplicationPtr MirroredHost(ApplicationPtr primary, ApplicationPtr mirror) {
  return std::make_shared<MirroredApplication>(std::move(primary), std::move(mirror));
}

ApplicationPtr MirrorOf(const ApplicationPtr& object) {
  return MirrorSide<Application>(object);
}
WorkbookPtr MirrorOf(const WorkbookPtr& object) {
  return MirrorSide<Workbook>(object);
}
WorksheetPtr MirrorOf(const WorksheetPtr& object) {
  return MirrorSide<Worksheet>(object);
}

}  // namespace vx::linkhost
