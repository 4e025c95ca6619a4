#pragma once
// A picture shown at one size in a scrolled view. The part around what the view shows is drawn
// once into an image of the screen's pixel format, so a repaint copies the pixels it exposes
// without scaling or converting them; how much of the view the picture covers costs no more
// than the background under it.
#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;
class TGraphic;

class TScaledPictureCache {
public:
    // Paints the part exposed of graphic drawn at size (both in the painter's coordinates, the
    // picture's corner at 0,0). view is what the view shows of it: a picture too large to keep
    // whole at that size is kept for the view and half of it around each side.
    void Paint(QPainter& painter, const TGraphic* graphic, QSize size, const QRect& exposed,
               const QRect& view);
    // Forgets what is kept: the picture changed.
    void Clear();
    // The picture kept has no transparent pixel: a paint covers all it exposes.
    bool Opaque() const { return m_image.format() == QImage::Format_RGB32; }
    // The part of the drawn picture kept, empty when nothing is.
    QRect Kept() const { return m_kept; }

    // Drawn pictures up to this many pixels are kept whole.
    static constexpr qint64 WholeLimit = qint64(8) << 20;

private:
    const TGraphic* m_graphic = nullptr;
    QSize m_size;
    qreal m_ratio = 0;
    QRect m_kept;
    QImage m_image;
};
