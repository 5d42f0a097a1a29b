#include "core/cards/CardDrawing.h"

#include "core/cards/CardUnits.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

QFont cardFont(const QString& name, int points, bool bold, bool italic)
{
    QFont font(name);
    // Points, never pixels: a 12-point text must measure 12 points on paper whatever the device.
    font.setPointSize(points);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

void drawTextMm(QPainter& painter, const QString& text, double xMm, double yMm, const QFont& font)
{
    QPaintDevice* device = painter.device();
    const double dotsPerMmX = CardUnits::dotsPerMm(device->logicalDpiX());
    const double dotsPerMmY = CardUnits::dotsPerMm(device->logicalDpiY());
    const QFontMetricsF metrics(font, device);

    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const double x = xMm * dotsPerMmX;
    double baseline = yMm * dotsPerMmY + metrics.ascent();
    const QStringList lines = CardUnits::lines(text);
    for (const QString& line : lines) {
        if (!line.isEmpty())
            painter.drawText(QPointF(x, baseline), line);
        baseline += metrics.lineSpacing();
    }
    painter.restore();
}
