// SPDX-License-Identifier: MIT
#include "plot_painter.h"

#include "plot_frame.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace scanmill {

namespace {

QColor colour(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

PlotFonts plotFonts(const QPainter& painter) {
    QFont bold = painter.font();
    bold.setBold(true);
    const QFontMetricsF metrics(painter.font(), painter.device());
    return {metrics.lineSpacing(), QFontMetricsF(bold, painter.device()).lineSpacing(),
            [metrics](std::string_view shown) {
                return metrics.horizontalAdvance(text(std::string(shown)));
            }};
}

void paintPlot(QPainter& painter, const PlacedPlot& placed, const QRect& area) {
    painter.fillRect(area, colour(plotStyle.paper));
    const QFont font = painter.font();
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, painter.device());
    const QFontMetricsF boldMetrics(bold, painter.device());
    const PlotLayout& layout = placed.layout;
    const qreal width = placed.frame.width;
    const qreal height = placed.frame.height;
    const qreal xScale = width / layout.frame.width;
    const qreal yScale = height / layout.frame.height;
    const qreal tick = plotStyle.tickLength;

    painter.setPen(colour(plotStyle.ink));
    for (std::size_t i = 0; i < layout.headerLines.size(); ++i) {
        const std::optional<std::size_t> legend = layout.legendOf(i);
        const qreal top = placed.headerTops[i];
        painter.setFont(i == 0 ? bold : font);
        painter.drawText(QPointF(legend ? placed.legendTextLeft : placed.headerLeft,
                                 top + (i == 0 ? boldMetrics : metrics).ascent()),
                         text(layout.headerLines[i]));
        if (legend) {
            const qreal middle = top + metrics.ascent() * 0.6;
            painter.save();
            painter.setPen(QPen(colour(patternColour(*legend)), plotStyle.markWidth, Qt::SolidLine,
                                Qt::RoundCap));
            painter.drawLine(
                QPointF(placed.headerLeft + plotStyle.labelGap, middle),
                QPointF(placed.headerLeft + plotStyle.labelGap + plotStyle.swatchWidth, middle));
            painter.restore();
        }
    }
    painter.setFont(font);
    if (!placed.readout.empty()) {
        painter.drawText(QPointF(placed.headerLeft, placed.readoutTop + metrics.ascent()),
                         text(placed.readout));
    }
    for (const Tick& each : layout.twoThetaTicks) {
        const QString label = text(each.label);
        painter.drawText(
            QPointF(placed.frame.left + each.pixel * xScale - metrics.horizontalAdvance(label) / 2,
                    placed.twoThetaLabelTop + metrics.ascent()),
            label);
    }
    for (const Tick& each : layout.intensityTicks) {
        const QString label = text(each.label);
        painter.drawText(QPointF(placed.intensityLabelRight - metrics.horizontalAdvance(label),
                                 placed.frame.top + each.pixel * yScale +
                                     (metrics.ascent() - metrics.descent()) / 2),
                         label);
    }
    const QString twoThetaTitle = text(layout.twoThetaTitle);
    painter.drawText(
        QPointF(placed.frame.left + (width - metrics.horizontalAdvance(twoThetaTitle)) / 2,
                placed.twoThetaTitleTop + metrics.ascent()),
        twoThetaTitle);
    const QString intensityTitle = text(layout.intensityTitle);
    painter.save();
    painter.translate(placed.intensityTitleLeft + metrics.ascent(), placed.frame.top + height / 2);
    painter.rotate(-90);
    painter.drawText(QPointF(-metrics.horizontalAdvance(intensityTitle) / 2, 0), intensityTitle);
    painter.restore();

    painter.save();
    painter.translate(placed.frame.left, placed.frame.top);
    painter.setPen(colour(plotStyle.grid));
    for (const Tick& each : layout.twoThetaTicks) {
        painter.drawLine(QPointF(each.pixel * xScale, 0), QPointF(each.pixel * xScale, height));
    }
    for (const Tick& each : layout.intensityTicks) {
        if (!each.label.empty()) {
            painter.drawLine(QPointF(0, each.pixel * yScale), QPointF(width, each.pixel * yScale));
        }
    }
    painter.setPen(QPen(colour(plotStyle.ink), plotStyle.frameWidth));
    for (const Tick& each : layout.twoThetaTicks) {
        painter.drawLine(QPointF(each.pixel * xScale, height),
                         QPointF(each.pixel * xScale, height + tick));
    }
    for (const Tick& each : layout.intensityTicks) {
        painter.drawLine(QPointF(-tick, each.pixel * yScale), QPointF(0, each.pixel * yScale));
    }

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRectF(0, 0, width, height)
                            .adjusted(-patternReach, -patternReach, patternReach, patternReach));
    for (std::size_t p = 0; p < layout.patterns.size(); ++p) {
        const Pattern& pattern = layout.patterns[p];
        const QColor ink = colour(patternColour(p));
        painter.setPen(QPen(ink, plotStyle.markWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const ColumnMark& mark : pattern.marks) {
            const QPointF top(mark.x * xScale, mark.top * yScale);
            if (mark.top == mark.bottom) {
                painter.drawPoint(top);
            } else {
                painter.drawLine(top, QPointF(mark.x * xScale, mark.bottom * yScale));
            }
        }
        painter.setPen(
            QPen(ink, plotStyle.patternWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const std::vector<PlotPoint>& points : pattern.lines) {
            QPolygonF polyline;
            polyline.reserve(qsizetype(points.size()));
            for (const PlotPoint& point : points) {
                polyline << QPointF(point.x * xScale, point.y * yScale);
            }
            painter.drawPolyline(polyline);
        }
        painter.setPen(QPen(ink, plotStyle.dotWidth, Qt::SolidLine, Qt::RoundCap));
        for (const PlotPoint& dot : pattern.dots) {
            painter.drawPoint(QPointF(dot.x * xScale, dot.y * yScale));
        }
    }
    painter.setClipping(false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour(plotStyle.ink), plotStyle.frameWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, 0, width, height));
    // The gaps of points that are not finite, as notches up from the axis.
    painter.setPen(QPen(colour(plotStyle.ink), 2));
    for (const double gap : layout.gaps) {
        painter.drawLine(QPointF(gap * xScale, height), QPointF(gap * xScale, height - tick));
    }
    painter.restore();
}

} // namespace scanmill
