// Shapes of a worksheet: embedded charts and form controls with their settings.
#include <algorithm>
#include <optional>

#include "automation/host/memory_objects.h"

namespace vx::automation::host {
namespace {

class ShapeRef {
 public:
  ShapeRef(BookPtr book, SheetPtr sheet, int id)
      : book_(std::move(book)), sheet_(std::move(sheet)), id_(id) {}

  Result<ShapeData*> Get() const {
    ShapeData* shape = sheet_->FindShape(id_);
    if (shape == nullptr) return HostError("The shape no longer exists.");
    return shape;
  }
  // A control and its linked cell move together: a new value of the control is written
  // into the cell, and a newly linked cell gives the control its value.
  void UpdateLinkedCell(const ShapeData& shape) const {
    if (const auto cell = LinkedCell(shape)) {
      sheet_->At(cell->firstRow, cell->firstColumn).value =
          static_cast<double>(shape.control.value);
    }
  }
  void TakeLinkedCellValue(ShapeData& shape) const {
    const auto cell = LinkedCell(shape);
    if (!cell) return;
    const auto number = NumberOf(sheet_->ValueAt(cell->firstRow, cell->firstColumn));
    if (!number) return;
    ControlData& c = shape.control;
    c.value = static_cast<int>(std::clamp(*number, double(std::min(c.min, c.max)), double(c.max)));
  }
  const BookPtr& Book() const { return book_; }
  static std::optional<CellBlock> LinkedCell(const ShapeData& shape) {
    if (shape.control.linkedCell.empty()) return std::nullopt;
    return ParseA1(shape.control.linkedCell).block;
  }
  const SheetPtr& Sheet() const { return sheet_; }

 private:
  BookPtr book_;
  SheetPtr sheet_;
  int id_;
};

class MemoryControlFormat final : public ControlFormat {
 public:
  explicit MemoryControlFormat(ShapeRef shape) : shape_(std::move(shape)) {}

  Result<int> Max() override { return Read(&ControlData::max); }
  Status SetMax(int value) override {
    return Change([&](ControlData& c) {
      c.max = value;
      c.value = std::min(c.value, value);
    });
  }
  Result<int> Min() override { return Read(&ControlData::min); }
  Status SetMin(int value) override {
    return Change([&](ControlData& c) {
      c.min = value;
      c.value = std::max(c.value, value);
    });
  }
  Result<int> Value() override { return Read(&ControlData::value); }
  // A value within the limits goes into the linked cell; one outside them only moves the
  // control to its nearest limit, and the cell keeps what it holds.
  Status SetValue(int value) override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    ControlData& c = shape->control;
    c.value = std::clamp(value, std::min(c.min, c.max), c.max);
    if (value == c.value) shape_.UpdateLinkedCell(*shape);
    return {};
  }
  Result<int> SmallChange() override { return Read(&ControlData::smallChange); }
  Status SetSmallChange(int value) override {
    return Change([&](ControlData& c) { c.smallChange = value; });
  }
  Result<int> LargeChange() override { return Read(&ControlData::largeChange); }
  Status SetLargeChange(int value) override {
    return Change([&](ControlData& c) { c.largeChange = value; });
  }
  Result<std::string> LinkedCell() override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    return shape->control.linkedCell;
  }
  Status SetLinkedCell(std::string_view cell) override {
    if (!cell.empty()) {
      const ParsedBlock parsed = ParseA1(cell);
      if (!parsed.block) return HostError(parsed.error);
      if (!parsed.block->IsSingleCell()) {
        return HostError("A control is linked to one cell, not to " + std::string(cell) + ".");
      }
    }
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    shape->control.linkedCell = std::string(cell);
    shape_.TakeLinkedCellValue(*shape);
    return {};
  }

 private:
  Result<int> Read(int ControlData::*field) {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    return shape->control.*field;
  }
  template <typename Edit>
  Status Change(Edit edit) {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    edit(shape->control);
    return {};
  }

  ShapeRef shape_;
};

class MemoryShape final : public Shape {
 public:
  explicit MemoryShape(ShapeRef shape) : shape_(std::move(shape)) {}

  Result<std::string> Name() override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    return shape->name;
  }
  Status SetName(std::string_view name) override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    const std::string old = shape->name;
    shape->name = std::string(name);
    // An embedded chart is found through its shape's name.
    for (const auto& chart : shape_.Book()->Charts()) {
      if (chart->place == ChartData::Place::InSheet && chart->shapeName == old &&
          chart->sheetName == shape_.Sheet()->Name()) {
        chart->shapeName = shape->name;
      }
    }
    return {};
  }
  Result<int> Type() override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    return shape->type;
  }
  Result<double> Top() override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    return shape->top;
  }
  Status SetTop(double points) override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    shape->top = std::max(0.0, points);
    return {};
  }
  Result<double> Left() override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    return shape->left;
  }
  Status SetLeft(double points) override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    shape->left = std::max(0.0, points);
    return {};
  }
  Result<ControlFormatPtr> ControlFormat() override {
    VX_ASSIGN_OR_RETURN(ShapeData * shape, shape_.Get());
    if (shape->type != msoFormControl) {
      return HostError("The shape \"" + shape->name + "\" is not a form control.");
    }
    return ControlFormatPtr(std::make_shared<MemoryControlFormat>(shape_));
  }

 private:
  ShapeRef shape_;
};

class MemoryShapes final : public Shapes {
 public:
  MemoryShapes(BookPtr book, SheetPtr sheet) : book_(std::move(book)), sheet_(std::move(sheet)) {}

  Result<int> Count() override { return static_cast<int>(sheet_->Shapes().size()); }
  Result<ShapePtr> Item(int index) override {
    if (index < 1 || index > static_cast<int>(sheet_->Shapes().size())) {
      return BadIndex("Shapes", std::to_string(index));
    }
    return Wrap(sheet_->Shapes()[index - 1].id);
  }
  Result<ShapePtr> Item(std::string_view name) override {
    const ShapeData* shape = sheet_->FindShape(name);
    if (shape == nullptr) return BadIndex("Shapes", "\"" + std::string(name) + "\"");
    return Wrap(shape->id);
  }
  Result<ShapePtr> AddFormControl(int type, double left, double top, double width,
                                  double height) override {
    if (type != xlScrollBar) {
      return HostError("The host offers scroll bars (type " + std::to_string(xlScrollBar) +
                       ") only, not form controls of type " + std::to_string(type) + ".");
    }
    ShapeData shape;
    shape.id = sheet_->NextShapeNumber();
    shape.name = "Scroll Bar " + std::to_string(shape.id);
    shape.type = msoFormControl;
    shape.left = std::max(0.0, left);
    shape.top = std::max(0.0, top);
    shape.width = std::max(0.0, width);
    shape.height = std::max(0.0, height);
    sheet_->Shapes().push_back(shape);
    return Wrap(shape.id);
  }

 private:
  ShapePtr Wrap(int id) { return std::make_shared<MemoryShape>(ShapeRef(book_, sheet_, id)); }

  BookPtr book_;
  SheetPtr sheet_;
};

}  // namespace

ShapesPtr MakeShapes(BookPtr book, SheetPtr sheet) {
  return std::make_shared<MemoryShapes>(std::move(book), std::move(sheet));
}

}  // namespace vx::automation::host
