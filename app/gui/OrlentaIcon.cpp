// Icons drawn with QPainter, so the program needs no image files.
#include "app/gui/OrlentaIcon.h"

#include <QPainter>
#include <QPixmap>

namespace orlenta {

namespace {
QPixmap canvas(int size) {
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    return p;
}
} // namespace

QIcon OrlentaIcon() {
    QPixmap p = canvas(64);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setBrush(QColor(240, 244, 255));
    g.setPen(QPen(QColor(0, 0, 160), 3));
    g.drawRoundedRect(4, 4, 56, 56, 8, 8);
    g.setBrush(Qt::NoBrush);
    g.setPen(QPen(QColor(0, 0, 255), 5));
    g.drawEllipse(QRectF(16, 12, 32, 32));
    g.setPen(QPen(QColor(0, 0, 255), 2, Qt::DashLine));
    g.drawLine(10, 52, 54, 52);
    return QIcon(p);
}

QIcon CreateCommandIcon() {
    QPixmap p = canvas(24);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0, 0, 255), 2));
    // A "T" cut by a tool: the letter and the tool above it.
    g.drawLine(4, 6, 16, 6);
    g.drawLine(10, 6, 10, 20);
    g.setPen(QPen(QColor(90, 90, 90), 2));
    g.drawLine(19, 2, 19, 12);
    g.drawLine(17, 12, 21, 12);
    return QIcon(p);
}

} // namespace orlenta
