// Draws the display's text fitted into the free space of the display, in the label's own font and
// colour (pure green, also while the error lockout has disabled it).
#include "forms/qt/DisplayLabel.h"

#include <QFontMetricsF>
#include <QPainter>

#include "forms/DisplayFit.h"
#include "forms/Twips.h"

namespace zarnetcalc::forms::qt {

namespace {

QFont Scaled(const QFont& font, double scale) {
    QFont scaled = font;
    if (font.pointSizeF() > 0)
        scaled.setPointSizeF(font.pointSizeF() * scale);
    else
        scaled.setPixelSize(std::max(1, int(font.pixelSize() * scale)));
    return scaled;
}

}  // namespace

void DisplayLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const int inset = frameWidth() + margin();
    const double left = TwipsToPixels(DisplayArea(0).left) + 2;  // a pixel's gap and then some
    const QRectF area(left, inset, width() - inset - left, height() - 2 * inset);
    const QString shown = text();
    const DisplayFit fit =
        FitDisplayText(shown.toStdString(), area.width(), [this](std::string_view t, double scale) {
            return QFontMetricsF(Scaled(font(), scale))
                .horizontalAdvance(QString::fromUtf8(t.data(), qsizetype(t.size())));
        });
    painter.setFont(Scaled(font(), fit.scale));
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(fit.text));
}

}  // namespace zarnetcalc::forms::qt
