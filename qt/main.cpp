// SPDX-License-Identifier: MIT
#include "main_window.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    scanmill::Form1 window;
    window.show();
    // Files named on the command line, as "Open with" in a file manager passes them.
    window.openFiles(QCoreApplication::arguments().mid(1));
    return QApplication::exec();
}
