// SPDX-License-Identifier: MIT
// Renders the window as it opens into the PNG file given as the first
// argument, and with a second, the preview window of a made-up quartz scan.
#include "main_window.h"
#include "preview_window.h"

#include <QApplication>
#include <cmath>
#include <cstdio>

namespace {

// Quartz's strongest reflections over a background, in counts.
scanmill::ScanRecord quartzScan() {
    scanmill::ScanRecord scan;
    scan.dateText = "14-FEB-05   ";
    scan.timeText = "10:32:07";
    scan.title = "Quartz standard, Cu tube";
    scan.startTwoTheta = 15.0F;
    scan.stepSize = 0.02F;
    scan.stepTime = {0x00, 0x00, 0xC0, 0x3F}; // 1.5 s
    const float peaks[][2] = {{20.86F, 2200}, {26.64F, 10000}, {36.54F, 800}, {39.46F, 750},
                              {40.29F, 400},  {42.45F, 600},   {45.79F, 450}, {50.14F, 1400},
                              {54.87F, 400},  {59.96F, 900},   {64.04F, 250}, {67.74F, 700},
                              {68.14F, 900},  {68.31F, 600}};
    scan.intensities.resize(3001);
    scan.pointCount = static_cast<std::int16_t>(scan.intensities.size());
    for (std::size_t i = 0; i < scan.intensities.size(); ++i) {
        const float angle = scan.startTwoTheta + scan.stepSize * static_cast<float>(i);
        float counts = 60.0F + 900.0F / angle + static_cast<float>((i * 7919) % 23);
        for (const auto& [at, height] : peaks) {
            const float x = (angle - at) / 0.06F;
            counts += height / (1.0F + x * x);
        }
        scan.intensities[i] = std::round(counts);
    }
    return scan;
}

bool savePreview(const QString& picture) {
    scanmill::ScanPreview quartz;
    quartz.sourceName = "quartz.raw";
    quartz.caption = quartz.sourceName + " - " + scanmill::messageTitle;
    quartz.scan = quartzScan();
    scanmill::PreviewWindow preview(std::move(quartz), nullptr);
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
