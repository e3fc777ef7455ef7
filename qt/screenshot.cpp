// SPDX-License-Identifier: MIT
// Renders the window as it opens into the PNG file given as the first
// argument, and with a second and a scan, that scan's preview window.
#include "main_window.h"
#include "preview_window.h"
#include "rigaku_reader.h"

#include <QApplication>
#include <cstdio>

namespace {

bool savePreview(const QString& picture, const std::string& scanPath) {
    scanmill::ScanPreview preview;
    preview.sourceName =
        scanmill::platform::fromPath(scanmill::platform::toPath(scanPath).filename());
    try {
        preview.scan = scanmill::readRigakuRaw(scanPath);
    } catch (const scanmill::FileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return false;
    }
    scanmill::PreviewWindow window(scanmill::PreviewPlot({std::move(preview)}), nullptr);
    window.show();
    QApplication::processEvents();
    return window.grab().save(picture);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s window.png [preview.png scan.raw]\n", argv[0]);
        return 2;
    }
    scanmill::Form1 window;
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        return 1;
    }
    return argc == 2 || savePreview(QString::fromLocal8Bit(argv[2]), argv[3]) ? 0 : 1;
}
