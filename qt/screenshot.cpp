// SPDX-License-Identifier: MIT
// Renders the window as it opens into the PNG file given as the first
// argument, and with a second, a preview window of a made-up quartz scan,
// opened as a double-click on its status line opens it.
#include "main_window.h"
#include "preview_window.h"
#include "rigaku_scan_bytes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

// Quartz's strongest reflections over a background, in counts.
std::string quartzScan() {
    scanmill::testing::RigakuFields fields;
    fields.title = "Quartz standard, Cu tube";
    fields.start = 15.0F;
    fields.step = 0.02F;
    const float peaks[][2] = {{20.86F, 2200}, {26.64F, 10000}, {36.54F, 800}, {39.46F, 750},
                              {40.29F, 400},  {42.45F, 600},   {45.79F, 450}, {50.14F, 1400},
                              {54.87F, 400},  {59.96F, 900},   {64.04F, 250}, {67.74F, 700},
                              {68.14F, 900},  {68.31F, 600}};
    fields.intensities.resize(3001);
    for (std::size_t i = 0; i < fields.intensities.size(); ++i) {
        const float angle = fields.start + fields.step * static_cast<float>(i);
        float counts = 60.0F + 900.0F / angle + static_cast<float>((i * 7919) % 23);
        for (const auto& [at, height] : peaks) {
            const float x = (angle - at) / 0.06F;
            counts += height / (1.0F + x * x);
        }
        fields.intensities[i] = std::round(counts);
    }
    return scanmill::testing::rigakuBytes(fields);
}

bool savePreview(const QString& picture) {
    QTemporaryDir directory;
    const QString scan = directory.filePath(QStringLiteral("quartz.raw"));
    QFile file(scan);
    const std::string bytes = quartzScan();
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size())) {
        return false;
    }
    file.close();
    scanmill::WindowCore core;
    core.filesOpened({QFile::encodeName(scan).toStdString()});
    core.convert(scanmill::OutputFormat::TwoColumnAscii);
    scanmill::PreviewOpening opening = core.openPreview(0);
    if (!opening.preview) {
        return false;
    }
    scanmill::PreviewWindow preview(std::move(*opening.preview), nullptr);
    preview.show();
    QApplication::processEvents();
    return preview.grab().save(picture);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s window.png [preview.png]\n", argv[0]);
        return 2;
    }
    scanmill::Form1 window;
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        return 1;
    }
    return argc == 2 || savePreview(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
