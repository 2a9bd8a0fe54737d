#include "automation/calc/add_on_toolbar.h"

#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>

#include <string_view>
#include <vector>

#include "automation/calc/calc_objects.h"

namespace vx::automation::calc {
namespace {

constexpr std::string_view kAddOnPrefix = "private:resource/toolbar/addon_";

bool IsCalcWindow(const Reference<css::frame::XFrame>& frame) {
  if (!frame.is() || !frame->getController().is()) return false;
  const Reference<css::lang::XServiceInfo> model(frame->getController()->getModel(), UNO_QUERY);
  return model.is() && model->supportsService("com.sun.star.sheet.SpreadsheetDocument");
}

Reference<css::frame::XLayoutManager> LayoutManagerOf(const Reference<css::frame::XFrame>& frame) {
  Reference<css::frame::XLayoutManager> layout;
  As<css::beans::XPropertySet>(frame)->getPropertyValue("LayoutManager") >>= layout;
  return layout;
}

std::vector<Reference<css::frame::XFrame>> CalcWindows(OfficeConnection& office) {
  std::vector<Reference<css::frame::XFrame>> windows;
  const Reference<css::frame::XFramesSupplier> desktop(office.Desktop(), UNO_QUERY_THROW);
  const Reference<css::frame::XFrames> frames = desktop->getFrames();
  for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
    Reference<css::frame::XFrame> frame;
    frames->getByIndex(i) >>= frame;
    if (IsCalcWindow(frame)) windows.push_back(frame);
  }
  return windows;
}

}  // namespace

Reference<css::container::XNameAccess> AddOnToolbars(
    const Reference<css::uno::XComponentContext>& context) {
  return ConfigurationNode(context, "/org.openoffice.Office.Addons/AddonUI/OfficeToolBar");
}

std::string AddOnToolbarNode(const std::string& url) {
  return url.starts_with(kAddOnPrefix) ? url.substr(kAddOnPrefix.size()) : std::string();
}

bool AddOnToolbarConfigured(OfficeConnection& office, const std::string& url) {
  const std::string node = AddOnToolbarNode(url);
  return !node.empty() && AddOnToolbars(office.Context())->hasByName(ToUno(node));
}

void ShowAddOnToolbar(const Reference<css::frame::XFrame>& frame, const std::string& url) {
  const Reference<css::awt::XWindow2> window(frame->getContainerWindow(), UNO_QUERY);
  if (!window.is() || !window->isVisible()) return;
  const Reference<css::frame::XLayoutManager> layout = LayoutManagerOf(frame);
  if (!layout.is()) return;
  if (!layout->getElement(ToUno(url)).is()) {
    layout->lock();
    layout->reset();
    layout->unlock();
    window->setVisible(false);
    window->setVisible(true);
  }
  layout->showElement(ToUno(url));
}

void PrepareAddOnToolbar(const Reference<css::frame::XFrame>& frame, const std::string& url) {
  const Reference<css::frame::XLayoutManager> layout = LayoutManagerOf(frame);
  if (!layout.is() || layout->getElement(ToUno(url)).is()) return;
  layout->lock();
  layout->reset();
  layout->unlock();
}

void ShowAddOnToolbarInCalcWindows(OfficeConnection& office, const std::string& url) {
  for (const Reference<css::frame::XFrame>& frame : CalcWindows(office))
    ShowAddOnToolbar(frame, url);
}

void RemoveAddOnToolbarFromCalcWindows(OfficeConnection& office, const std::string& url) {
  for (const Reference<css::frame::XFrame>& frame : CalcWindows(office)) {
    const Reference<css::frame::XLayoutManager> layout = LayoutManagerOf(frame);
    if (layout.is() && layout->getElement(ToUno(url)).is()) layout->destroyElement(ToUno(url));
  }
}

}  // namespace vx::automation::calc
