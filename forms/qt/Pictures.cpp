// The dialogs' pictures, drawn with QPainter at the sizes high-DPI screens ask for: the About
// key's yellow question mark and the About box's icon.
#include "forms/qt/Pictures.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVariant>

namespace zarnetcalc::forms::qt {

namespace {

// A yellow question mark with a dark outline, drawn at 16x16 and at the sizes high-DPI
// screens ask for, so it is sharp at 150 % and 200 %.
QIcon DrawQuestionMarkIcon() {
    QIcon icon;
    for (int scale : {1, 2, 3}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        QFont font;
        font.setBold(true);
        font.setPixelSize(15);
        QPainterPath path;
        path.addText(0, 0, font, QStringLiteral("?"));
        const QRectF bounds = path.boundingRect();
        path.translate(8 - bounds.center().x(), 8 - bounds.center().y());
        painter.setPen(QPen(QColor(64, 64, 0), 1.0));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawPath(path);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

// Drawn once per application (text shaping is the dearest part of building the dialog) and kept
// on the application object, so the pixmaps go before the application does.
QIcon QuestionMarkPicture() {
    static constexpr char kKey[] = "zarnetcalc.questionMarkIcon";
    QVariant cached = qApp->property(kKey);
    if (cached.canConvert<QIcon>()) {
        return cached.value<QIcon>();
    }
    QIcon icon = DrawQuestionMarkIcon();
    qApp->setProperty(kKey, QVariant::fromValue(icon));
    return icon;
}

// A white question mark on a dark green disc.
QIcon AboutIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 100, 0));
        p.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        QFont font;
        font.setBold(true);
        font.setPixelSize(size * 3 / 4);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace zarnetcalc::forms::qt
