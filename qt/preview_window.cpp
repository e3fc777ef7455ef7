// SPDX-License-Identifier: MIT
#include "preview_window.h"

#include "native_paths.h"
#include "plot_painter.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <optional>

namespace scanmill {

namespace {

constexpr char svgFilter[] = "SVG picture (*.svg)";
constexpr char pngFilter[] = "PNG picture (*.png)";

std::optional<PreviewKey> previewKeyOf(int key) {
    switch (key) {
    case Qt::Key_L:
        return PreviewKey::Linear;
    case Qt::Key_S:
        return PreviewKey::SquareRoot;
    case Qt::Key_G:
        return PreviewKey::Log;
    case Qt::Key_Left:
        return PreviewKey::Left;
    case Qt::Key_Right:
        return PreviewKey::Right;
    case Qt::Key_Up:
        return PreviewKey::Up;
    case Qt::Key_Down:
        return PreviewKey::Down;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return PreviewKey::ZoomIn;
    case Qt::Key_Minus:
        return PreviewKey::ZoomOut;
    case Qt::Key_Home:
        return PreviewKey::ShowAll;
    default:
        return std::nullopt;
    }
}

} // namespace

PreviewWindow::PreviewWindow(PreviewPlot plot, QWidget* mainWindow, MessageBoxBackend messageBox)
    : QWidget(mainWindow, Qt::Window), plot_(std::move(plot)), messageBox_(std::move(messageBox)) {
    setObjectName(QStringLiteral("Preview"));
    setWindowTitle(QString::fromUtf8(plot_.caption()));
    // The toolkit's own font, not the main form's.
    setFont(QApplication::font());
    setAttribute(Qt::WA_DeleteOnClose);
    // The program ends when its main window closes, whatever previews are open.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Painted whole on every resize: the plot is laid out for the new size.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // for the read-out
    setFocusPolicy(Qt::StrongFocus);
    resize(800, 500);
    setMinimumSize(240, 180);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    new QShortcut(QKeySequence::Save, this, this, &PreviewWindow::save);
    new QShortcut(QKeySequence::Copy, this, this, &PreviewWindow::copy);
}

void PreviewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const PlacedPlot placed = plot_.place({0, 0, qreal(width()), qreal(height())},
                                          plotFonts(painter), 1, devicePixelRatioF());
    paintPlot(painter, placed, rect());
    if (const std::optional<AxisRange> band = plot_.band()) {
        const QColor shade = QColor::fromRgb(static_cast<QRgb>(patternColour(0)));
        painter.fillRect(
            QRectF(band->low, placed.frame.top, band->high - band->low, placed.frame.height),
            QColor(shade.red(), shade.green(), shade.blue(), 48));
    }
}

QImage PreviewWindow::picture() const {
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    painter.setFont(font());
    // Placed on a copy, so that the window's own frame stays for its events.
    PreviewPlot plot = plot_;
    PlacedPlot placed =
        plot.place({0, 0, qreal(width()), qreal(height())}, plotFonts(painter), 1, ratio);
    placed.readout.clear();
    paintPlot(painter, placed, rect());
    return image;
}

void PreviewWindow::saveTo(const QString& path) {
    const std::string named = nativePath(path);
    std::string bytes;
    if (savesPng(named)) {
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) || !picture().save(&buffer, "PNG")) {
            messageBox_.show(this, QString::fromUtf8(pngFailedText));
            return;
        }
        bytes.assign(png.constData(), static_cast<std::size_t>(png.size()));
    } else {
        bytes = plot_.svg({width(), height()});
    }
    if (const std::optional<std::string> failed = savePicture(named, bytes)) {
        messageBox_.show(this, shown(*failed));
    }
}

void PreviewWindow::save() {
    QString filter = QString::fromLatin1(svgFilter);
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save the plot"), QString::fromUtf8(plot_.pictureName()),
        QString::fromLatin1(svgFilter) + QStringLiteral(";;") + QString::fromLatin1(pngFilter),
        &filter);
    if (path.isEmpty()) {
        return;
    }
    // A name without either extension gets that of the type chosen.
    if (!path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) &&
        !path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        path +=
            filter == QLatin1String(pngFilter) ? QStringLiteral(".png") : QStringLiteral(".svg");
    }
    saveTo(path);
}

void PreviewWindow::copy() {
    QGuiApplication::clipboard()->setImage(picture());
}

void PreviewWindow::repaintIf(bool changed) {
    if (changed) {
        update();
    }
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    const std::optional<PreviewKey> key = previewKeyOf(event->key());
    // + and - zoom with Ctrl too, as they do in other programs.
    const bool zoom = key == PreviewKey::ZoomIn || key == PreviewKey::ZoomOut;
    const Qt::KeyboardModifiers plain =
        Qt::KeypadModifier | Qt::ShiftModifier | (zoom ? Qt::ControlModifier : Qt::NoModifier);
    if (!key || (event->modifiers() & ~plain) != 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    repaintIf(plot_.key(*key));
}

void PreviewWindow::wheelEvent(QWheelEvent* event) {
    const QPoint turned = event->angleDelta();
    // Some systems turn a wheel with Shift held into a sideways one.
    const double notches = (turned.y() != 0 ? turned.y() : turned.x()) / 120.0;
    const QPointF at = event->position();
    repaintIf(plot_.wheel(at.x(), at.y(), notches, event->modifiers() & Qt::ShiftModifier));
}

void PreviewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        repaintIf(plot_.pressed(event->position().x(), event->position().y()));
    }
}

void PreviewWindow::mouseMoveEvent(QMouseEvent* event) {
    repaintIf(plot_.moved(event->position().x(), event->position().y()));
}

void PreviewWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        repaintIf(plot_.released(event->position().x(), event->position().y()));
    }
}

void PreviewWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        repaintIf(plot_.doubleClicked(event->position().x(), event->position().y()));
    }
}

void PreviewWindow::leaveEvent(QEvent*) {
    repaintIf(plot_.left());
}

} // namespace scanmill
