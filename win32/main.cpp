// SPDX-License-Identifier: MIT
#include "command_line.h"
#include "main_window.h"
#include "platform.h"

#include <objbase.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    scanmill::platform::markProgramRunning();
    // The folder chooser is a COM object.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    scanmill::win32::Form1 window;
    ShowWindow(window.handle(), show);
    UpdateWindow(window.handle());
    // Files named on the command line, as "Open with" and a drop on the
    // program's icon pass them, and the tube, as a shortcut may.
    window.openCommandLine(scanmill::win32::commandLineArguments(GetCommandLineW()));
    const int code = scanmill::win32::runMessageLoop(window);
    CoUninitialize();
    return code;
}
