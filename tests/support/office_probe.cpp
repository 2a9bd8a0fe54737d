#include "office_probe.h"

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/chart2/XChartDocument.hpp>
#include <com/sun/star/chart2/XChartTypeContainer.hpp>
#include <com/sun/star/chart2/XCoordinateSystemContainer.hpp>
#include <com/sun/star/chart2/XDataSeriesContainer.hpp>
#include <com/sun/star/chart2/data/XDataSource.hpp>
#include <com/sun/star/chart2/data/XNumericalDataSequence.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/drawing/XControlShape.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/form/binding/XBindableValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/frame/status/Visibility.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/ui/UIElementType.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/URL.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include <map>
#include <mutex>

#include "automation/calc/uno_support.h"
#include "automation/cell_reference.h"
#include "test_office.h"

namespace vx::test {

using namespace vx::automation::calc;
namespace uno = css::uno;

namespace {

// Hears the states of buttons' commands, as the office's toolbar does.
class ButtonListener final : public cppu::WeakImplHelper1<css::frame::XStatusListener> {
 public:
  void SAL_CALL statusChanged(const css::frame::FeatureStateEvent& event) override {
    std::lock_guard lock(mutex_);
    ProbedButton& button = heard_[FromUno(event.FeatureURL.Complete)];
    button.heard = true;
    button.enabled = event.IsEnabled;
    css::frame::status::Visibility visibility;
    if (event.State >>= visibility) button.visible = visibility.bVisible;
    ++button.events;
  }
  void SAL_CALL disposing(const css::lang::EventObject&) override {}
  ProbedButton Heard(const std::string& command) {
    std::lock_guard lock(mutex_);
    return heard_[command];
  }

 private:
  std::mutex mutex_;
  std::map<std::string, ProbedButton> heard_;
};

css::util::URL CommandUrl(const std::string& command) {
  css::util::URL url;
  url.Complete = ToUno(command);
  const size_t colon = command.find(':');
  url.Protocol = ToUno(command.substr(0, colon + 1));
  url.Path = ToUno(command.substr(colon + 1));
  url.Main = url.Complete;
  return url;
}

}  // namespace

struct OfficeProbe::Impl {
  Reference<css::frame::XDesktop2> desktop;
  Reference<uno::XComponentContext> context;
  rtl::Reference<ButtonListener> listener = new ButtonListener;
  std::vector<std::pair<Reference<css::frame::XDispatch>, css::util::URL>> listening;

  Reference<css::frame::XDispatch> DispatchOf(const std::string& title, const css::util::URL& url) {
    const auto document = Document(title);
    if (!document.is()) return nullptr;
    const auto frame = As<css::frame::XModel>(document)->getCurrentController()->getFrame();
    return As<css::frame::XDispatchProvider>(frame)->queryDispatch(url, "", 0);
  }

  Reference<css::sheet::XSpreadsheetDocument> Document(const std::string& title) {
    const auto components = desktop->getComponents()->createEnumeration();
    while (components->hasMoreElements()) {
      Reference<css::sheet::XSpreadsheetDocument> document(components->nextElement(), UNO_QUERY);
      if (!document.is()) continue;
      if (TitleOf(document) == title) return document;
      const std::string url = FromUno(As<css::frame::XModel>(document)->getURL());
      if (!url.empty() && PathOfFileUrl(url) == title) return document;
    }
    return nullptr;
  }
  static std::string TitleOf(const Reference<css::sheet::XSpreadsheetDocument>& document) {
    return FromUno(As<css::document::XDocumentPropertiesSupplier>(document)
                       ->getDocumentProperties()
                       ->getTitle());
  }
  // The column of the cell `a1`, or null.
  Reference<css::beans::XPropertySet> Column(const std::string& title, const std::string& sheet,
                                             const std::string& a1) {
    const auto found = Sheet(title, sheet);
    const automation::ParsedBlock parsed = automation::ParseA1(a1);
    if (!found.is() || !parsed.block) return nullptr;
    return As<css::beans::XPropertySet>(
        As<css::table::XColumnRowRange>(found->getCellByPosition(parsed.block->firstColumn - 1, 0))
            ->getColumns()
            ->getByIndex(0));
  }
  Reference<css::sheet::XSpreadsheet> Sheet(const std::string& title, const std::string& sheet) {
    const auto document = Document(title);
    if (!document.is() || !document->getSheets()->hasByName(ToUno(sheet))) return nullptr;
    return As<css::sheet::XSpreadsheet>(document->getSheets()->getByName(ToUno(sheet)));
  }
};

OfficeProbe::OfficeProbe(const std::string& pipeName) : impl_(std::make_unique<Impl>()) {
  try {
    impl_->context = OfficeContext(pipeName);
    if (impl_->context.is()) impl_->desktop = css::frame::Desktop::create(impl_->context);
  } catch (const uno::Exception&) {
    impl_->desktop.clear();
  }
}

OfficeProbe::~OfficeProbe() {
  for (const auto& [dispatch, url] : impl_->listening) {
    try {
      dispatch->removeStatusListener(impl_->listener.get(), url);
    } catch (const uno::Exception&) {
      // The program that answered the command has gone, and its listeners with it.
    }
  }
}

bool OfficeProbe::Connected() const {
  if (!impl_->desktop.is()) return false;
  try {
    impl_->desktop->getComponents();
    return true;
  } catch (const uno::Exception&) {
    return false;
  }
}

std::vector<std::string> OfficeProbe::Titles() {
  std::vector<std::string> titles;
  const auto components = impl_->desktop->getComponents()->createEnumeration();
  while (components->hasMoreElements()) {
    Reference<css::sheet::XSpreadsheetDocument> document(components->nextElement(), UNO_QUERY);
    if (document.is()) titles.push_back(Impl::TitleOf(document));
  }
  return titles;
}

bool OfficeProbe::Has(const std::string& title) {
  return impl_->Document(title).is();
}

std::vector<std::string> OfficeProbe::SheetNames(const std::string& title) {
  std::vector<std::string> names;
  const auto document = impl_->Document(title);
  if (!document.is()) return names;
  for (const rtl::OUString& name : document->getSheets()->getElementNames()) {
    names.push_back(FromUno(name));
  }
  return names;
}

void OfficeProbe::SetCell(const std::string& title, const std::string& sheetName,
                          const std::string& a1, double number) {
  const auto sheet = impl_->Sheet(title, sheetName);
  const automation::ParsedBlock parsed = automation::ParseA1(a1);
  if (!sheet.is() || !parsed.block) return;
  sheet->getCellByPosition(parsed.block->firstColumn - 1, parsed.block->firstRow - 1)
      ->setValue(number);
}

int OfficeProbe::ColumnWidth(const std::string& title, const std::string& sheetName,
                             const std::string& a1) {
  sal_Int32 width = 0;
  if (const auto column = impl_->Column(title, sheetName, a1); column.is()) {
    column->getPropertyValue("Width") >>= width;
  }
  return width;
}

int OfficeProbe::ColumnLeft(const std::string& title, const std::string& sheetName,
                            const std::string& a1) {
  css::awt::Point position;
  if (const auto column = impl_->Column(title, sheetName, a1); column.is()) {
    column->getPropertyValue("Position") >>= position;
  }
  return position.X;
}

ProbedCell OfficeProbe::Cell(const std::string& title, const std::string& sheetName,
                             const std::string& a1) {
  ProbedCell probed;
  const auto sheet = impl_->Sheet(title, sheetName);
  const automation::ParsedBlock parsed = automation::ParseA1(a1);
  if (!sheet.is() || !parsed.block) return probed;
  const auto cell =
      sheet->getCellByPosition(parsed.block->firstColumn - 1, parsed.block->firstRow - 1);
  switch (cell->getType()) {
    case css::table::CellContentType_VALUE:
      probed.kind = ProbedCell::Kind::Number;
      probed.number = cell->getValue();
      break;
    case css::table::CellContentType_TEXT:
      probed.kind = ProbedCell::Kind::Text;
      probed.text = FromUno(As<css::text::XTextRange>(cell)->getString());
      break;
    case css::table::CellContentType_FORMULA:
      probed.kind = ProbedCell::Kind::Formula;
      probed.number = cell->getValue();
      probed.text = FromUno(cell->getFormula());
      break;
    default:
      break;
  }
  const auto properties = As<css::beans::XPropertySet>(cell);
  sal_Int32 key = 0;
  properties->getPropertyValue("NumberFormat") >>= key;
  float weight = 0;
  properties->getPropertyValue("CharWeight") >>= weight;
  probed.bold = weight >= 150;
  const auto document = impl_->Document(title);
  const auto formats = As<css::util::XNumberFormatsSupplier>(document)->getNumberFormats();
  const auto format = formats->getByKey(key);
  rtl::OUString code;
  sal_Int16 type = 0;
  css::lang::Locale locale;
  format->getPropertyValue("FormatString") >>= code;
  format->getPropertyValue("Type") >>= type;
  format->getPropertyValue("Locale") >>= locale;
  const bool general = As<css::util::XNumberFormatTypes>(formats)->getStandardIndex(locale) == key;
  probed.format = general ? "General" : FromUno(code);
  probed.dateFormat = (type & (css::util::NumberFormat::DATE | css::util::NumberFormat::TIME)) != 0;
  return probed;
}

std::vector<ProbedChart> OfficeProbe::Charts(const std::string& title,
                                             const std::string& sheetName) {
  std::vector<ProbedChart> charts;
  const auto sheet = impl_->Sheet(title, sheetName);
  if (!sheet.is()) return charts;
  const auto all = As<css::table::XTableChartsSupplier>(sheet)->getCharts();
  for (const rtl::OUString& name : all->getElementNames()) {
    ProbedChart probed;
    probed.name = FromUno(name);
    const auto page = As<css::drawing::XDrawPageSupplier>(sheet)->getDrawPage();
    for (sal_Int32 i = 0; i < page->getCount(); ++i) {
      const auto shape = As<css::drawing::XShape>(page->getByIndex(i));
      rtl::OUString persistName;
      const Reference<css::beans::XPropertySet> properties(shape, UNO_QUERY);
      if (properties.is() && properties->getPropertySetInfo()->hasPropertyByName("PersistName")) {
        properties->getPropertyValue("PersistName") >>= persistName;
      }
      if (persistName == name) probed.left = shape->getPosition().X;
    }
    const auto table = As<css::table::XTableChart>(all->getByName(name));
    for (const auto& range : table->getRanges()) {
      probed.ranges.push_back(
          FromUno(As<css::container::XNamed>(sheet)->getName()) + "." +
          automation::AbsoluteA1(automation::CellBlock{range.StartRow + 1, range.StartColumn + 1,
                                                       range.EndRow + 1, range.EndColumn + 1}));
    }
    const auto embedded = As<css::document::XEmbeddedObjectSupplier>(table)->getEmbeddedObject();
    const auto document = As<css::chart2::XChartDocument>(embedded);
    const auto systems = As<css::chart2::XCoordinateSystemContainer>(document->getFirstDiagram())
                             ->getCoordinateSystems();
    for (const auto& system : systems) {
      for (const auto& type : As<css::chart2::XChartTypeContainer>(system)->getChartTypes()) {
        for (const auto& series : As<css::chart2::XDataSeriesContainer>(type)->getDataSeries()) {
          for (const auto& sequence :
               As<css::chart2::data::XDataSource>(series)->getDataSequences()) {
            if (sequence->getValues().is()) {
              probed.seriesValues.push_back(
                  FromUno(sequence->getValues()->getSourceRangeRepresentation()));
              rtl::OUString role;
              As<css::beans::XPropertySet>(sequence->getValues())->getPropertyValue("Role") >>=
                  role;
              probed.seriesRoles.push_back(FromUno(role));
              const auto numbers =
                  As<css::chart2::data::XNumericalDataSequence>(sequence->getValues())
                      ->getNumericalData();
              probed.seriesNumbers.emplace_back(numbers.begin(), numbers.end());
            }
            probed.seriesLabels.push_back(
                sequence->getLabel().is()
                    ? FromUno(sequence->getLabel()->getSourceRangeRepresentation())
                    : std::string());
          }
          sal_Int32 axis = 0;
          As<css::beans::XPropertySet>(series)->getPropertyValue("AttachedAxisIndex") >>= axis;
          probed.seriesAxes.push_back(axis);
        }
      }
    }
    const auto old = As<css::chart::XChartDocument>(embedded);
    As<css::beans::XPropertySet>(old)->getPropertyValue("HasMainTitle") >>= probed.hasMainTitle;
    if (probed.hasMainTitle) {
      rtl::OUString text;
      As<css::beans::XPropertySet>(old->getTitle())->getPropertyValue("String") >>= text;
      probed.title = FromUno(text);
    }
    charts.push_back(probed);
  }
  return charts;
}

std::vector<ProbedScrollBar> OfficeProbe::ScrollBars(const std::string& title,
                                                     const std::string& sheetName) {
  std::vector<ProbedScrollBar> bars;
  const auto sheet = impl_->Sheet(title, sheetName);
  if (!sheet.is()) return bars;
  const auto page = As<css::drawing::XDrawPageSupplier>(sheet)->getDrawPage();
  for (sal_Int32 i = 0; i < page->getCount(); ++i) {
    const Reference<css::drawing::XControlShape> shape(page->getByIndex(i), UNO_QUERY);
    if (!shape.is()) continue;
    const Reference<css::lang::XServiceInfo> info(shape->getControl(), UNO_QUERY);
    if (!info.is() || !info->supportsService("com.sun.star.form.component.ScrollBar")) continue;
    ProbedScrollBar bar;
    bar.name = FromUno(As<css::container::XNamed>(shape)->getName());
    bar.left = As<css::drawing::XShape>(shape)->getPosition().X;
    const auto model = As<css::beans::XPropertySet>(shape->getControl());
    sal_Int32 value = 0;
    model->getPropertyValue("ScrollValue") >>= value;
    bar.value = value;
    model->getPropertyValue("ScrollValueMin") >>= value;
    bar.min = value;
    model->getPropertyValue("ScrollValueMax") >>= value;
    bar.max = value;
    const auto binding = As<css::form::binding::XBindableValue>(model)->getValueBinding();
    if (binding.is()) {
      css::table::CellAddress address;
      As<css::beans::XPropertySet>(binding)->getPropertyValue("BoundCell") >>= address;
      bar.boundCell =
          automation::ColumnLetters(address.Column + 1) + std::to_string(address.Row + 1);
    }
    bars.push_back(bar);
  }
  return bars;
}

std::optional<std::string> OfficeProbe::Name(const std::string& title, const std::string& sheetName,
                                             const std::string& name) {
  Reference<css::beans::XPropertySet> owner;
  if (sheetName.empty()) {
    owner = As<css::beans::XPropertySet>(impl_->Document(title));
  } else {
    owner = As<css::beans::XPropertySet>(impl_->Sheet(title, sheetName));
  }
  Reference<css::sheet::XNamedRanges> ranges;
  owner->getPropertyValue("NamedRanges") >>= ranges;
  if (!ranges.is() || !ranges->hasByName(ToUno(name))) return std::nullopt;
  return FromUno(As<css::sheet::XNamedRange>(ranges->getByName(ToUno(name)))->getContent());
}

std::optional<ProbedToolbar> OfficeProbe::Toolbar(const std::string& uiName) {
  const auto toolbars = css::ui::theModuleUIConfigurationManagerSupplier::get(impl_->context)
                            ->getUIConfigurationManager("com.sun.star.sheet.SpreadsheetDocument");
  for (const auto& info : toolbars->getUIElementsInfo(css::ui::UIElementType::TOOLBAR)) {
    rtl::OUString url;
    rtl::OUString name;
    for (const auto& property : info) {
      if (property.Name == "ResourceURL") property.Value >>= url;
      if (property.Name == "UIName") property.Value >>= name;
    }
    if (FromUno(name) != uiName) continue;
    ProbedToolbar probed;
    probed.url = FromUno(url);
    const auto settings = toolbars->getSettings(url, false);
    for (sal_Int32 i = 0; i < settings->getCount(); ++i) {
      Sequence<css::beans::PropertyValue> item;
      settings->getByIndex(i) >>= item;
      rtl::OUString command;
      rtl::OUString label;
      bool visible = true;
      for (const auto& property : item) {
        if (property.Name == "CommandURL") property.Value >>= command;
        if (property.Name == "Label") property.Value >>= label;
        if (property.Name == "IsVisible") property.Value >>= visible;
      }
      probed.commands.push_back(FromUno(command));
      probed.labels.push_back(FromUno(label));
      probed.visible.push_back(visible);
    }
    return probed;
  }
  return std::nullopt;
}

void OfficeProbe::Close(const std::string& title) {
  const auto document = impl_->Document(title);
  if (document.is()) As<css::util::XCloseable>(document)->close(true);
}

bool OfficeProbe::Press(const std::string& title, const std::string& command) {
  const css::util::URL url = CommandUrl(command);
  const auto dispatch = impl_->DispatchOf(title, url);
  if (!dispatch.is()) return false;
  dispatch->dispatch(url, {});
  return true;
}

bool OfficeProbe::Listen(const std::string& title, const std::vector<std::string>& commands) {
  for (const std::string& command : commands) {
    const css::util::URL url = CommandUrl(command);
    const auto dispatch = impl_->DispatchOf(title, url);
    if (!dispatch.is()) return false;
    dispatch->addStatusListener(impl_->listener.get(), url);
    impl_->listening.emplace_back(dispatch, url);
  }
  return true;
}

ProbedButton OfficeProbe::Button(const std::string& command) {
  return impl_->listener->Heard(command);
}

}  // namespace vx::test
