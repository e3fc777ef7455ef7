// SPDX-License-Identifier: MIT
#include "main_window.h"

#include <QApplication>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    scanmill::Form1 window;
    window.show();
    // Files named on the command line, as "Open with" in a file manager
    // passes them, and the tube. QApplication has taken its own options out
    // of argv; the rest are read as bytes, which names that are not UTF-8
    // need.
    window.openCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    return QApplication::exec();
}
