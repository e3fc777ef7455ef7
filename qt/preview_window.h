// SPDX-License-Identifier: MIT
#pragma once

#include "scan_preview.h"

#include <QWidget>

namespace scanmill {

// A window of its own showing one scan's plot, which fills it and follows
// its size. Esc closes it. It belongs to the main window and goes with it;
// several can be open at once.
class PreviewWindow : public QWidget {
    Q_OBJECT

public:
    PreviewWindow(ScanPreview preview, QWidget* mainWindow);

    const ScanPreview& preview() const { return preview_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ScanPreview preview_;
};

} // namespace scanmill
