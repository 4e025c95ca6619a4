#include "bars/frame_control.h"

#include "bars/dock_bar_common.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace {

void Arrow(QPainter& p, const TRect& r, unsigned dir, int dx, int dy, TColor color)
{
    const int size = std::max(2, std::min(r.Width(), r.Height()) / 4);
    const int cx = (r.Left + r.Right) / 2 + dx;
    const int cy = (r.Top + r.Bottom) / 2 + dy;
    QPolygon pts;
    switch (dir) {
    case DFCS_SCROLLUP:
        pts << QPoint(cx - size, cy + size / 2) << QPoint(cx + size, cy + size / 2) << QPoint(cx, cy - size / 2 - 1);
        break;
    case DFCS_SCROLLDOWN:
        pts << QPoint(cx - size, cy - size / 2) << QPoint(cx + size, cy - size / 2) << QPoint(cx, cy + size / 2 + 1);
        break;
    case DFCS_SCROLLLEFT:
        pts << QPoint(cx + size / 2, cy - size) << QPoint(cx + size / 2, cy + size) << QPoint(cx - size / 2 - 1, cy);
        break;
    default:
        pts << QPoint(cx - size / 2, cy - size) << QPoint(cx - size / 2, cy + size) << QPoint(cx + size / 2 + 1, cy);
        break;
    }
    p.setPen(ColorToQColor(color));
    p.setBrush(ColorToQColor(color));
    p.drawPolygon(pts);
}

void CaptionGlyph(QPainter& p, const TRect& r, unsigned kind, int dx, int dy, TColor color)
{
    const int s = std::max(3, std::min(r.Width(), r.Height()) / 2 - 1);
    const int l = (r.Left + r.Right - s) / 2 + dx;
    const int t = (r.Top + r.Bottom - s) / 2 + dy;
    const QColor c = ColorToQColor(color);
    p.setPen(c);
    p.setBrush(Qt::NoBrush);
    switch (kind) {
    case DFCS_CAPTIONMIN:
        p.fillRect(QRect(l, t + s - 2, s - 1, 2), c);
        break;
    case DFCS_CAPTIONMAX:
        p.fillRect(QRect(l, t, s, 2), c);
        p.drawRect(QRect(l, t, s - 1, s - 1));
        break;
    case DFCS_CAPTIONRESTORE:
        p.drawRect(QRect(l + 2, t, s - 3, s - 3));
        p.drawRect(QRect(l, t + 2, s - 3, s - 3));
        break;
    default: { // help: a question mark
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(std::max(6, s + 2));
        p.setFont(f);
        p.drawText(QRect(l - 1, t - 1, s + 2, s + 2), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
}

} // namespace

void DrawFrameControl(QPainter& p, const TRect& r, unsigned type, unsigned state)
{
    const unsigned kind = state & 0xFF;
    const bool pushed = state & DFCS_PUSHED;
    if (type == DFC_CAPTION && kind == DFCS_CAPTIONCLOSE && !(state & DFCS_INACTIVE)) {
        DrawCaptionCloseButton(p, r, pushed);
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (pushed) {
        FrameRectIn(p, r, clBtnShadow);
        p.fillRect(QRect(r.Left + 1, r.Top + 1, r.Width() - 2, r.Height() - 2), ColorToQColor(clBtnFace));
    } else {
        TRect face = r;
        DrawEdge(p, face, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    }
    const int shift = pushed ? 1 : 0;
    auto glyph = [&](int dx, int dy, TColor color) {
        if (type == DFC_SCROLL)
            Arrow(p, r, kind, dx + shift, dy + shift, color);
        else
            CaptionGlyph(p, r, kind, dx + shift, dy + shift, color);
    };
    if (state & DFCS_INACTIVE) {
        glyph(1, 1, clBtnHighlight);
        glyph(0, 0, clBtnShadow);
    } else {
        glyph(0, 0, clBtnText);
    }
    p.restore();
}
