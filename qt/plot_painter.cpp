// SPDX-License-Identifier: MIT
#include "plot_painter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace scanmill {

namespace {

// The colours of the SVG, so that every painter shows the same plot.
const QColor ink(0x22, 0x22, 0x22);
const QColor grid(0xe6, 0xe6, 0xe6);
const QColor lineColour(0x1f, 0x5f, 0xa8);

constexpr qreal tickLength = 5;

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

void paintPlot(QPainter& painter, const ScanPreview& preview, const QRect& area, qreal ratio) {
    painter.fillRect(area, Qt::white);
    const QFont font = painter.font();
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, painter.device());
    const QFontMetricsF boldMetrics(bold, painter.device());
    const qreal margin = metrics.height();
    const qreal line = metrics.lineSpacing();

    // The frame's height decides the intensity ticks, so their labels, and
    // so the room they need at its left.
    const std::vector<std::string> header = preview.layout({1, 1}).headerLines;
    const qreal headerHeight = boldMetrics.lineSpacing() + line * qreal(header.size() - 1);
    const qreal top = area.top() + margin + headerHeight + margin * 0.75;
    const qreal bottom = area.bottom() + 1 - margin - 2 * line - tickLength;
    const int height = std::max(1, int(bottom - top));
    qreal labelWidth = 0;
    for (const Tick& tick : preview.layout({1, height}).intensityTicks) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(text(tick.label)));
    }
    const qreal left = area.left() + margin + line + labelWidth + tickLength + 4;
    const int width = std::max(1, int(area.right() + 1 - 1.5 * margin - left));
    // Ticks as far apart as at 100 %, and the pattern in device pixels.
    const PlotLayout layout = preview.layout({width, height});
    const PlotLayout pattern =
        ratio == 1
            ? layout
            : preview.layout({int(std::lround(width * ratio)), int(std::lround(height * ratio))});
    const qreal xScale = qreal(width) / pattern.frame.width;
    const qreal yScale = qreal(height) / pattern.frame.height;

    painter.setPen(ink);
    qreal baseline = area.top() + margin + boldMetrics.ascent();
    for (std::size_t i = 0; i < layout.headerLines.size(); ++i) {
        painter.setFont(i == 0 ? bold : font);
        painter.drawText(QPointF(area.left() + margin, baseline), text(layout.headerLines[i]));
        baseline += i == 0 ? boldMetrics.descent() + metrics.leading() + metrics.ascent() : line;
    }
    painter.setFont(font);

    painter.save();
    painter.translate(left, top);
    painter.setPen(grid);
    for (const Tick& tick : layout.twoThetaTicks) {
        painter.drawLine(QPointF(tick.pixel, 0), QPointF(tick.pixel, height));
    }
    for (const Tick& tick : layout.intensityTicks) {
        painter.drawLine(QPointF(0, tick.pixel), QPointF(width, tick.pixel));
    }
    painter.setPen(ink);
    for (const Tick& tick : layout.twoThetaTicks) {
        const qreal x = tick.pixel;
        painter.drawLine(QPointF(x, height), QPointF(x, height + tickLength));
        const QString label = text(tick.label);
        painter.drawText(QPointF(x - metrics.horizontalAdvance(label) / 2,
                                 height + tickLength + 2 + metrics.ascent()),
                         label);
    }
    for (const Tick& tick : layout.intensityTicks) {
        const qreal y = tick.pixel;
        painter.drawLine(QPointF(-tickLength, y), QPointF(0, y));
        const QString label = text(tick.label);
        painter.drawText(QPointF(-tickLength - 4 - metrics.horizontalAdvance(label),
                                 y + (metrics.ascent() - metrics.descent()) / 2),
                         label);
    }
    const QString twoThetaTitle = text(layout.twoThetaTitle);
    painter.drawText(QPointF((width - metrics.horizontalAdvance(twoThetaTitle)) / 2,
                             height + tickLength + 2 + line + metrics.ascent()),
                     twoThetaTitle);
    const QString intensityTitle = text(layout.intensityTitle);
    painter.save();
    painter.translate(-(tickLength + 4 + labelWidth + 4 + metrics.descent()), height / 2);
    painter.rotate(-90);
    painter.drawText(QPointF(-metrics.horizontalAdvance(intensityTitle) / 2, 0), intensityTitle);
    painter.restore();

    painter.setRenderHint(QPainter::Antialiasing);
    // The SVG's 1.2 units for the line, 3 for the marks of short runs, so
    // that a lone point shows.
    painter.setClipRect(QRectF(0, 0, width, height).adjusted(-2, -2, 2, 2));
    painter.setPen(QPen(lineColour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const ColumnMark& mark : pattern.marks) {
        const QPointF top(mark.x * xScale, mark.top * yScale);
        if (mark.top == mark.bottom) {
            painter.drawPoint(top);
        } else {
            painter.drawLine(top, QPointF(mark.x * xScale, mark.bottom * yScale));
        }
    }
    painter.setPen(QPen(lineColour, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const std::vector<PlotPoint>& points : pattern.lines) {
        QPolygonF polyline;
        polyline.reserve(qsizetype(points.size()));
        for (const PlotPoint& point : points) {
            polyline << QPointF(point.x * xScale, point.y * yScale);
        }
        painter.drawPolyline(polyline);
    }
    painter.setClipping(false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(ink);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, 0, width, height));
    painter.restore();
}

} // namespace scanmill
