#include "platform/scaled_picture_cache.h"

#include "platform/bitmap.h"
#include "platform/graphics.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace {

// Every pixel of image opaque: it can be copied as it is, without blending.
bool AllOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) == 255; }))
            return false;
    }
    return true;
}

} // namespace

void TScaledPictureCache::Clear()
{
    m_graphic = nullptr;
    m_kept = QRect();
    m_image = QImage();
}

void TScaledPictureCache::Paint(QPainter& painter, const TGraphic* graphic, QSize size, const QRect& exposed,
                                const QRect& view)
{
    const QRect whole(QPoint(0, 0), size);
    const QRect part = exposed & whole;
    if (!graphic || graphic->Empty() || part.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const bool sameDrawing = graphic == m_graphic && size == m_size && ratio == m_ratio && !m_image.isNull();
    if (!sameDrawing || !m_kept.contains(part)) {
        QRect kept = whole;
        if (qint64(size.width()) * size.height() * ratio * ratio > WholeLimit) {
            const QRect shown = (view & whole) | part;
            kept = shown.adjusted(-shown.width() / 2, -shown.height() / 2, shown.width() / 2,
                                  shown.height() / 2) &
                   whole;
        }
        QImage image((QSizeF(kept.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) {
            Clear();
            return;
        }
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QRegion todo(kept);
        {
            QPainter p(&image);
            p.translate(-kept.topLeft());
            // After a page down half of what is kept is kept already: it is copied, not drawn
            // again (whole device pixels only).
            const QRect overlap = kept & m_kept;
            if (sameDrawing && ratio == std::floor(ratio) && !overlap.isEmpty()) {
                p.setCompositionMode(QPainter::CompositionMode_Source);
                const QPoint from = overlap.topLeft() - m_kept.topLeft();
                p.drawImage(overlap.topLeft(), m_image,
                            QRectF(QPointF(from) * ratio, QSizeF(overlap.size()) * ratio));
                p.setCompositionMode(QPainter::CompositionMode_SourceOver);
                todo -= overlap;
            }
            for (const QRect& r : todo) {
                p.setClipRect(r);
                TCanvas canvas(&p);
                canvas.StretchDraw(TRect(0, 0, size.width(), size.height()), graphic);
            }
        }
        // The screen's own format holds no alpha: an opaque picture is copied, not blended.
        if (AllOpaque(image))
            image.reinterpretAsFormat(QImage::Format_RGB32);
        m_graphic = graphic;
        m_size = size;
        m_ratio = ratio;
        m_kept = kept;
        m_image = std::move(image);
    }
    const QPoint at = part.topLeft() - m_kept.topLeft();
    painter.drawImage(part.topLeft(), m_image, QRectF(QPointF(at) * m_ratio, QSizeF(part.size()) * m_ratio));
}
