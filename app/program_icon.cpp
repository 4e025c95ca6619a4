#include "app/program_icon.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <algorithm>

namespace {

// A disc with a printed label and its centre hole, drawn for one size so that the small
// ones stay sharp rather than shrunk.
QPixmap DiscPicture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QPointF c(s / 2, s / 2);
    const qreal outer = s * 0.47, label = s * 0.40, ring = s * 0.17, hole = s * 0.08;

    QRadialGradient silver(c, outer);
    silver.setColorAt(0.0, QColor(0xF4, 0xF6, 0xF8));
    silver.setColorAt(0.7, QColor(0xC9, 0xD0, 0xD8));
    silver.setColorAt(1.0, QColor(0x9A, 0xA4, 0xB0));
    p.setPen(QPen(QColor(0x55, 0x5E, 0x6A), std::max(1.0, s / 32)));
    p.setBrush(silver);
    p.drawEllipse(c, outer, outer);

    // The printed label: a blue face with a light band, as a designed label would look.
    QPainterPath face;
    face.addEllipse(c, label, label);
    QPainterPath inner;
    inner.addEllipse(c, ring, ring);
    face = face.subtracted(inner);
    QLinearGradient blue(QPointF(0, s * 0.1), QPointF(0, s * 0.9));
    blue.setColorAt(0.0, QColor(0x3A, 0x7B, 0xD5));
    blue.setColorAt(1.0, QColor(0x1D, 0x3F, 0x8C));
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPath(face);
    if (size >= 24) {
        QPainterPath band;
        band.addRect(QRectF(0, s * 0.58, s, s * 0.10));
        p.setBrush(QColor(0xF2, 0xC9, 0x4C));
        p.drawPath(band.intersected(face));
    }

    // The centre: a clear ring round a hole that lets the background through.
    p.setBrush(QColor(0xE8, 0xEC, 0xF0));
    p.setPen(QPen(QColor(0x55, 0x5E, 0x6A), std::max(1.0, s / 48)));
    p.drawEllipse(c, ring, ring);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(c, hole, hole);
    return pm;
}

} // namespace

QIcon ProgramIcon()
{
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            i.addPixmap(DiscPicture(size));
        return i;
    }();
    return icon;
}

void SetProgramIcon()
{
    QApplication::setWindowIcon(ProgramIcon());
}
