// SPDX-License-Identifier: MIT
#pragma once

#include "message_box.h"
#include "preview_plot.h"

#include <QImage>
#include <QWidget>

namespace scanmill {

// A window of its own showing the plot of one scan or of several, which
// fills it and follows its size. The mouse and keys zoom and move it as
// PreviewPlot says; Ctrl+S saves the view as SVG or PNG, Ctrl+C copies it
// as an image, Esc closes it. It belongs to the main window and goes with
// it; several can be open at once.
class PreviewWindow : public QWidget {
    Q_OBJECT

public:
    PreviewWindow(PreviewPlot plot, QWidget* mainWindow,
                  MessageBoxBackend messageBox = qtMessageBox());

    const PreviewPlot& plot() const { return plot_; }

    // The view as a picture of the window's size, without the read-out line.
    QImage picture() const;
    // Saves the view to path, as SVG or PNG by its extension; a failure is
    // shown in a message box. Ctrl+S asks for the path first.
    void saveTo(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void save();
    void copy();
    void repaintIf(bool changed);

    PreviewPlot plot_;
    MessageBoxBackend messageBox_;
};

} // namespace scanmill
