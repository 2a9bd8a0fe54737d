// Shapes of a worksheet's drawing layer: embedded charts and form controls, the scroll bars
// being live controls bound to their linked cells.
#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/ScrollBarOrientation.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/awt/XControlModel.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XControlShape.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/form/binding/XBindableValue.hpp>
#include <com/sun/star/form/binding/XValueBinding.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>

#include <algorithm>
#include <optional>

#include "automation/calc/calc_objects.h"
#include "common/c_number.h"

namespace vx::automation::calc {
namespace {

constexpr const char* kChartClassId = "12dcae26-281f-416f-a234-c3086127382e";
constexpr int msoEmbeddedOleObject = 7;
constexpr int msoAutoShape = 1;

Reference<css::drawing::XDrawPage> PageOf(const SheetState& sheet) {
  return As<css::drawing::XDrawPageSupplier>(sheet.sheet)->getDrawPage();
}

// The index of the column (or row) of `lines` whose span holds `at`, walking their `size`
// ("Width" or "Height") from the sheet's edge. A place given in points comes back a unit
// short of the edge it was taken from: a point that close to an edge is taken as on it.
sal_Int32 LineHolding(const Reference<css::container::XIndexAccess>& lines, const char* size,
                      sal_Int32 at) {
  constexpr sal_Int32 kRounding = 5;
  const sal_Int32 count = lines->getCount();
  sal_Int32 edge = 0;
  for (sal_Int32 index = 0; index + 1 < count; ++index) {
    sal_Int32 extent = 0;
    As<css::beans::XPropertySet>(lines->getByIndex(index))
        ->getPropertyValue(rtl::OUString::createFromAscii(size)) >>= extent;
    if (edge + extent > at + kRounding) return index;
    edge += extent;
  }
  return count - 1;
}

// The cell whose area holds the point `at` (1/100 mm from the sheet's corner).
Reference<css::table::XCell> CellAt(const SheetState& sheet, const css::awt::Point& at) {
  const auto ranges = As<css::table::XColumnRowRange>(sheet.sheet);
  return sheet.sheet->getCellByPosition(
      LineHolding(As<css::container::XIndexAccess>(ranges->getColumns()), "Width", at.X),
      LineHolding(As<css::container::XIndexAccess>(ranges->getRows()), "Height", at.Y));
}

std::string NameOf(const Reference<css::drawing::XShape>& shape) {
  return FromUno(As<css::container::XNamed>(shape)->getName());
}

// The scroll bar model of a control shape, or nothing for another shape.
Reference<css::beans::XPropertySet> ScrollBarOf(const Reference<css::drawing::XShape>& shape) {
  const Reference<css::drawing::XControlShape> control(shape, UNO_QUERY);
  if (!control.is()) return nullptr;
  const Reference<css::lang::XServiceInfo> model(control->getControl(), UNO_QUERY);
  if (!model.is() || !model->supportsService("com.sun.star.form.component.ScrollBar")) {
    return nullptr;
  }
  return As<css::beans::XPropertySet>(model);
}

class CalcControlFormat final : public ControlFormat {
 public:
  CalcControlFormat(HostPtr host, BookPtr book, SheetPtr sheet,
                    Reference<css::beans::XPropertySet> model)
      : host_(std::move(host)),
        book_(std::move(book)),
        sheet_(std::move(sheet)),
        model_(std::move(model)) {}

  Result<int> Max() override { return Get("ScrollValueMax"); }
  Status SetMax(int value) override { return Set("ScrollValueMax", value); }
  Result<int> Min() override { return Get("ScrollValueMin"); }
  Status SetMin(int value) override { return Set("ScrollValueMin", value); }
  // Calc's control keeps a value outside its limits; the control shows it within them.
  Result<int> Value() override {
    VX_ASSIGN_OR_RETURN(int value, Get("ScrollValue"));
    VX_ASSIGN_OR_RETURN(int min, Min());
    VX_ASSIGN_OR_RETURN(int max, Max());
    return std::clamp(value, min, std::max(min, max));
  }
  // A new value, within the limits, goes into the linked cell as the control's binding
  // writes it; the value the control already shows changes nothing.
  Status SetValue(int value) override {
    VX_ASSIGN_OR_RETURN(int shown, Value());
    VX_ASSIGN_OR_RETURN(int min, Min());
    VX_ASSIGN_OR_RETURN(int max, Max());
    const int bounded = std::clamp(value, min, std::max(min, max));
    if (bounded == shown) return {};
    VX_RETURN_IF_ERROR(Set("ScrollValue", bounded));
    return Call(*host_->office, [&]() -> Status {
      const std::optional<CellBlock> cell = Linked();
      if (!cell) return {};
      return book_->CellsWritten(*sheet_, *cell, {});
    });
  }
  Result<int> SmallChange() override { return Get("LineIncrement"); }
  Status SetSmallChange(int value) override { return Set("LineIncrement", value); }
  Result<int> LargeChange() override { return Get("BlockIncrement"); }
  Status SetLargeChange(int value) override { return Set("BlockIncrement", value); }

  Result<std::string> LinkedCell() override {
    return Call(*host_->office, [&]() -> Result<std::string> {
      const std::optional<CellBlock> cell = Linked();
      return cell ? AbsoluteA1(*cell) : std::string();
    });
  }
  Status SetLinkedCell(std::string_view cell) override {
    const ParsedBlock parsed = ParseA1(cell);
    if (!parsed.block || !parsed.block->IsSingleCell()) {
      return CalcError("\"" + std::string(cell) + "\" is not one cell to link the control to.");
    }
    return Call(*host_->office, [&]() -> Status {
      css::table::CellAddress address;
      address.Sheet = As<css::sheet::XCellRangeAddressable>(sheet_->sheet)->getRangeAddress().Sheet;
      address.Column = parsed.block->firstColumn - 1;
      address.Row = parsed.block->firstRow - 1;
      Sequence<Any> arguments(1);
      css::beans::NamedValue bound;
      bound.Name = "BoundCell";
      bound.Value <<= address;
      arguments[0] <<= bound;
      const Reference<css::form::binding::XValueBinding> binding(
          As<css::lang::XMultiServiceFactory>(book_->document)
              ->createInstanceWithArguments("com.sun.star.table.CellValueBinding", arguments),
          UNO_QUERY_THROW);
      As<css::form::binding::XBindableValue>(model_)->setValueBinding(binding);
      return {};
    });
  }

 private:
  Result<int> Get(const char* property) {
    return Call(*host_->office, [&]() -> Result<int> {
      sal_Int32 value = 0;
      model_->getPropertyValue(rtl::OUString::createFromAscii(property)) >>= value;
      return static_cast<int>(value);
    });
  }
  Status Set(const char* property, int value) {
    return Call(*host_->office, [&]() -> Status {
      model_->setPropertyValue(rtl::OUString::createFromAscii(property),
                               AnyOf(static_cast<sal_Int32>(value)));
      return {};
    });
  }
  std::optional<CellBlock> Linked() {
    const Reference<css::form::binding::XValueBinding> binding =
        As<css::form::binding::XBindableValue>(model_)->getValueBinding();
    if (!binding.is()) return std::nullopt;
    css::table::CellAddress address;
    As<css::beans::XPropertySet>(binding)->getPropertyValue("BoundCell") >>= address;
    return CellBlock{address.Row + 1, address.Column + 1, address.Row + 1, address.Column + 1};
  }

  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
  Reference<css::beans::XPropertySet> model_;
};

class CalcShape final : public Shape {
 public:
  CalcShape(HostPtr host, BookPtr book, SheetPtr sheet, Reference<css::drawing::XShape> shape)
      : host_(std::move(host)),
        book_(std::move(book)),
        sheet_(std::move(sheet)),
        shape_(std::move(shape)) {}

  Result<std::string> Name() override {
    return Call(*host_->office, [&]() -> Result<std::string> { return NameOf(shape_); });
  }
  Status SetName(std::string_view name) override {
    return Call(*host_->office, [&]() -> Status {
      As<css::container::XNamed>(shape_)->setName(ToUno(name));
      return {};
    });
  }
  Result<int> Type() override {
    return Call(*host_->office, [&]() -> Result<int> {
      const std::string type = FromUno(shape_->getShapeType());
      if (type == "com.sun.star.drawing.ControlShape") return msoFormControl;
      if (type == "com.sun.star.drawing.OLE2Shape") {
        rtl::OUString classId;
        As<css::beans::XPropertySet>(shape_)->getPropertyValue("CLSID") >>= classId;
        return EqualsNoCase(FromUno(classId), kChartClassId) ? msoChart : msoEmbeddedOleObject;
      }
      return msoAutoShape;
    });
  }
  Result<double> Top() override {
    return Call(*host_->office,
                [&]() -> Result<double> { return ToPoints(shape_->getPosition().Y); });
  }
  Status SetTop(double points) override {
    return Call(*host_->office, [&]() -> Status {
      css::awt::Point position = shape_->getPosition();
      position.Y = ToHundredthMm(points);
      shape_->setPosition(position);
      return {};
    });
  }
  Result<double> Left() override {
    return Call(*host_->office,
                [&]() -> Result<double> { return ToPoints(shape_->getPosition().X); });
  }
  Status SetLeft(double points) override {
    return Call(*host_->office, [&]() -> Status {
      css::awt::Point position = shape_->getPosition();
      position.X = ToHundredthMm(points);
      shape_->setPosition(position);
      return {};
    });
  }
  Result<ControlFormatPtr> ControlFormat() override {
    return Call(*host_->office, [&]() -> Result<ControlFormatPtr> {
      const Reference<css::beans::XPropertySet> model = ScrollBarOf(shape_);
      if (!model.is()) return CalcError("The shape " + NameOf(shape_) + " is not a form control.");
      return ControlFormatPtr(std::make_shared<CalcControlFormat>(host_, book_, sheet_, model));
    });
  }

 private:
  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
  Reference<css::drawing::XShape> shape_;
};

class CalcShapes final : public Shapes {
 public:
  CalcShapes(HostPtr host, BookPtr book, SheetPtr sheet)
      : host_(std::move(host)), book_(std::move(book)), sheet_(std::move(sheet)) {}

  Result<int> Count() override {
    return Call(*host_->office,
                [&]() -> Result<int> { return static_cast<int>(PageOf(*sheet_)->getCount()); });
  }
  Result<ShapePtr> Item(int index) override {
    return Call(*host_->office, [&]() -> Result<ShapePtr> {
      const Reference<css::drawing::XDrawPage> page = PageOf(*sheet_);
      if (index < 1 || index > page->getCount()) return NoItem("Shapes", std::to_string(index));
      return Make(As<css::drawing::XShape>(page->getByIndex(index - 1)));
    });
  }
  Result<ShapePtr> Item(std::string_view name) override {
    return Call(*host_->office, [&]() -> Result<ShapePtr> {
      const Reference<css::drawing::XDrawPage> page = PageOf(*sheet_);
      const sal_Int32 count = page->getCount();
      for (sal_Int32 i = 0; i < count; ++i) {
        const Reference<css::drawing::XShape> shape = As<css::drawing::XShape>(page->getByIndex(i));
        if (EqualsNoCase(NameOf(shape), name)) return Make(shape);
      }
      return NoItem("Shapes", "\"" + std::string(name) + "\"");
    });
  }
  Result<ShapePtr> AddFormControl(int type, double left, double top, double width,
                                  double height) override {
    if (type != xlScrollBar) {
      return CalcError("The form control type " + std::to_string(type) +
                       " is not one the LibreOffice Calc host makes (scroll bars only).");
    }
    return Call(*host_->office, [&]() -> Result<ShapePtr> {
      const Reference<css::lang::XMultiServiceFactory> factory =
          As<css::lang::XMultiServiceFactory>(book_->document);
      const Reference<css::drawing::XControlShape> control(
          factory->createInstance("com.sun.star.drawing.ControlShape"), UNO_QUERY_THROW);
      const Reference<css::awt::XControlModel> model(
          factory->createInstance("com.sun.star.form.component.ScrollBar"), UNO_QUERY_THROW);
      As<css::beans::XPropertySet>(model)->setPropertyValue(
          "Orientation", AnyOf(width >= height ? css::awt::ScrollBarOrientation::HORIZONTAL
                                               : css::awt::ScrollBarOrientation::VERTICAL));
      control->setControl(model);
      const Reference<css::drawing::XShape> shape = As<css::drawing::XShape>(control);
      shape->setPosition(css::awt::Point(ToHundredthMm(left), ToHundredthMm(top)));
      shape->setSize(css::awt::Size(ToHundredthMm(width), ToHundredthMm(height)));
      const Reference<css::drawing::XDrawPage> page = PageOf(*sheet_);
      page->add(shape);
      // Anchored to the cell it starts in, the control moves with that cell when the columns
      // before it are fitted to their contents later, instead of covering them.
      As<css::beans::XPropertySet>(shape)->setPropertyValue(
          "Anchor", Any(CellAt(*sheet_, shape->getPosition())));
      As<css::container::XNamed>(shape)->setName(ToUno(FreeName(page, "Scroll Bar ")));
      return Make(shape);
    });
  }

 private:
  ShapePtr Make(const Reference<css::drawing::XShape>& shape) {
    return std::make_shared<CalcShape>(host_, book_, sheet_, shape);
  }
  // "Scroll Bar N", numbered after the shapes of the sheet as the program numbers them.
  static std::string FreeName(const Reference<css::drawing::XDrawPage>& page,
                              const std::string& stem) {
    std::vector<std::string> names;
    const sal_Int32 count = page->getCount();
    for (sal_Int32 i = 0; i < count; ++i) {
      names.push_back(NameOf(As<css::drawing::XShape>(page->getByIndex(i))));
    }
    for (sal_Int32 number = count;; ++number) {
      const std::string name = stem + std::to_string(number);
      if (std::find(names.begin(), names.end(), name) == names.end()) return name;
    }
  }

  HostPtr host_;
  BookPtr book_;
  SheetPtr sheet_;
};

}  // namespace

ShapesPtr MakeShapes(HostPtr host, BookPtr book, SheetPtr sheet) {
  return std::make_shared<CalcShapes>(std::move(host), std::move(book), std::move(sheet));
}

}  // namespace vx::automation::calc
