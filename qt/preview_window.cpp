// SPDX-License-Identifier: MIT
#include "preview_window.h"

#include "plot_painter.h"

#include <QApplication>
#include <QPainter>
#include <QShortcut>

namespace scanmill {

PreviewWindow::PreviewWindow(ScanPreview preview, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), preview_(std::move(preview)) {
    setObjectName(QStringLiteral("Preview"));
    setWindowTitle(QString::fromUtf8(preview_.caption));
    // The toolkit's own font, not the main form's.
    setFont(QApplication::font());
    setAttribute(Qt::WA_DeleteOnClose);
    // The program ends when its main window closes, whatever previews are open.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Painted whole on every resize: the plot is laid out for the new size.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(800, 500);
    setMinimumSize(240, 180);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
}

void PreviewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintPlot(painter, preview_, rect(), devicePixelRatioF());
}

} // namespace scanmill
