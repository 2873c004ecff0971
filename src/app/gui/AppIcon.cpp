#include "app/gui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pv::gui {

namespace {

// A weather vane on a round dial, drawn rather than loaded, so the program
// carries no image files.
QPixmap VanePixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x4e, 0x8c));
    painter.drawEllipse(QRectF(1, 1, 30, 30));
    QPainterPath vane;
    vane.moveTo(5, 17);
    vane.lineTo(20, 17);
    vane.lineTo(20, 12);
    vane.lineTo(28, 16);
    vane.lineTo(20, 20);
    vane.lineTo(20, 18.5);
    vane.lineTo(9, 18.5);
    vane.lineTo(5, 23);
    vane.closeSubpath();
    painter.setBrush(QColor(0xf2, 0xb7, 0x05));
    painter.drawPath(vane);
    return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) icon.addPixmap(VanePixmap(size));
    return icon;
}

}  // namespace pv::gui
