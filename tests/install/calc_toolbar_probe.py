#!/usr/bin/env python3
"""Says, over the office's UNO pipe, which Calc windows show the VX-Link toolbar.

    calc_toolbar_probe.py PIPE     prints "TITLE<TAB>shown" or "TITLE<TAB>absent" per window

Run on the desktop check of the packages, against the office that Load started.
"""
import sys
import time

import uno  # noqa: F401  (python3-uno: brings the com.sun.star modules)
from com.sun.star.connection import NoConnectException

TOOLBAR = "private:resource/toolbar/addon_com.zemra.k9_90_1.vxlink.toolbar"


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(100):
        try:
            return resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except NoConnectException:
            time.sleep(0.2)
    sys.exit(f"calc_toolbar_probe: no office on the pipe {pipe}")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    context = connect(sys.argv[1])
    desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop",
                                                              context)
    frames = desktop.getFrames()
    for index in range(frames.getCount()):
        frame = frames.getByIndex(index)
        model = frame.getController().getModel() if frame.getController() else None
        if model is None or not model.supportsService("com.sun.star.sheet.SpreadsheetDocument"):
            continue
        layout = frame.LayoutManager
        shown = layout.getElement(TOOLBAR) is not None and layout.isElementVisible(TOOLBAR)
        print(f"{frame.Title}\t{'shown' if shown else 'absent'}")


if __name__ == "__main__":
    main()
