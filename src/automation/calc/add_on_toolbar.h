#pragma once
// The toolbar an enabled extension brings into Calc's windows.
//
// A window's layout manager makes the add-on toolbars when a document is put into the
// window, from the extensions enabled at that moment, and only for a window that is shown.
// A window opened before its extension was enabled (or opened hidden and shown later) gets
// the toolbar only once its layout manager is reset, and draws the toolbars it made again
// only when the window is shown anew.

#include <com/sun/star/frame/XFrame.hpp>

#include <string>

#include "automation/calc/office_connection.h"

namespace vx::automation::calc {

// The add-on toolbars of the office's configuration, merged from its enabled extensions, by
// node name.
Reference<css::container::XNameAccess> AddOnToolbars(
    const Reference<css::uno::XComponentContext>& context);

// The node of the add-on toolbar `url` among them: `url` after "private:resource/toolbar/addon_";
// "" for another toolbar.
std::string AddOnToolbarNode(const std::string& url);

// Whether an enabled extension brings the toolbar `url` ("private:resource/toolbar/addon_…")
// into the office's configuration.
bool AddOnToolbarConfigured(OfficeConnection& office, const std::string& url);

// Shows the add-on toolbar `url` in `frame` when the frame is shown; a hidden frame is left
// as it is (it gets the toolbar when it is shown).
void ShowAddOnToolbar(const Reference<css::frame::XFrame>& frame, const std::string& url);

// Makes a hidden frame's layout manager take up the add-on toolbar `url`, so that the frame
// shows it when it is shown.
void PrepareAddOnToolbar(const Reference<css::frame::XFrame>& frame, const std::string& url);

// Shows it in every shown Calc window.
void ShowAddOnToolbarInCalcWindows(OfficeConnection& office, const std::string& url);

// Takes it out of every Calc window: the office leaves a switched-off extension's toolbar in
// the windows that show it.
void RemoveAddOnToolbarFromCalcWindows(OfficeConnection& office, const std::string& url);

}  // namespace vx::automation::calc
