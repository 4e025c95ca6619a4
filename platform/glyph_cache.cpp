#include "platform/glyph_cache.h"

#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>

namespace {

// Glyphs up to this size in device pixels come from the painter's own cache.
constexpr double kPainterGlyphLimit = 64.0;
// Larger glyphs are few on a page and would make masks of megabytes each.
constexpr double kLargestGlyph = 512.0;
// Cached masks are dropped together once they pass this many bytes.
constexpr qsizetype kCacheBudget = qsizetype(48) << 20;

struct GlyphKey {
    quint32 font = 0;
    quint32 glyph = 0;
    QRgb colour = 0;
    qint32 matrix[4] = {}; // the linear part of the device transform, in 1/65536

    bool operator==(const GlyphKey& o) const
    {
        return font == o.font && glyph == o.glyph && colour == o.colour && matrix[0] == o.matrix[0] &&
               matrix[1] == o.matrix[1] && matrix[2] == o.matrix[2] && matrix[3] == o.matrix[3];
    }
};

size_t qHash(const GlyphKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.font, k.glyph, k.colour, k.matrix[0], k.matrix[1], k.matrix[2], k.matrix[3]);
}

struct GlyphMask {
    QImage image; // premultiplied, in the text's colour; null for blank glyphs
    QPoint offset; // of the image's top left from the glyph's origin
};

struct Cache {
    QMutex mutex;
    QHash<QString, quint32> fonts;
    QHash<GlyphKey, GlyphMask> glyphs;
    qsizetype bytes = 0;
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

quint32 FontId(Cache& cache, const QRawFont& font)
{
    const QString name = font.familyName() + QLatin1Char('\n') + font.styleName() + QLatin1Char('\n') +
                         QString::number(font.pixelSize(), 'g', 10) + QLatin1Char('\n') +
                         QString::number(font.weight()) + QLatin1Char('\n') + QString::number(int(font.style())) +
                         QLatin1Char('\n') + QString::number(int(font.hintingPreference()));
    auto it = cache.fonts.constFind(name);
    if (it != cache.fonts.constEnd())
        return *it;
    const quint32 id = quint32(cache.fonts.size()) + 1;
    cache.fonts.insert(name, id);
    return id;
}

GlyphMask Rasterise(const QRawFont& font, quint32 glyph, const QTransform& linear, const QColor& colour)
{
    const QPainterPath path = linear.map(font.pathForGlyph(glyph));
    const QRectF box = path.boundingRect();
    if (path.isEmpty() || box.isEmpty())
        return {};
    // One pixel round the box for the antialiased edge.
    const QRect area = box.toAlignedRect().adjusted(-1, -1, 1, 1);
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter q(&image);
    q.setRenderHint(QPainter::Antialiasing, true);
    q.translate(-area.topLeft());
    q.fillPath(path, colour);
    q.end();
    return {image, area.topLeft()};
}

bool Suitable(const QPainter& p, const QFont& font)
{
    const QPaintDevice* device = p.device();
    if (!device || device->devType() != QInternal::Image || !p.paintEngine() ||
        p.paintEngine()->type() != QPaintEngine::Raster)
        return false;
    if (p.compositionMode() != QPainter::CompositionMode_SourceOver || p.opacity() < 1.0)
        return false;
    if (!p.testRenderHint(QPainter::TextAntialiasing) || (font.styleStrategy() & QFont::NoAntialias))
        return false;
    if (font.underline() || font.strikeOut() || font.overline())
        return false;
    const QBrush& pen = p.pen().brush();
    return p.pen().style() != Qt::NoPen && pen.style() == Qt::SolidPattern && pen.color().alpha() == 255;
}

} // namespace

bool DrawLargeText(QPainter& p, const QPointF& baseline, const QString& text)
{
    if (text.isEmpty())
        return true;
    const QFont font = p.font();
    if (!Suitable(p, font))
        return false;
    const QTransform device = p.combinedTransform();
    if (device.type() >= QTransform::TxProject)
        return false;
    const double scale = std::sqrt(std::abs(device.determinant()));
    const int pixelSize = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    const double devicePixels = pixelSize * scale;
    if (!(devicePixels > kPainterGlyphLimit) || devicePixels > kLargestGlyph)
        return false;
    // CR and LF lay out as nothing on one line, as the painter draws them; tabs and the Unicode
    // separators the layout would treat otherwise.
    for (const QChar c : text)
        if (c == QLatin1Char('\t') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;

    QTextLayout layout(text, font, p.device());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(p.layoutDirection());
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return false;
    }
    line.setPosition(QPointF(0, 0));
    // No second line: the first holds the whole text.
    const bool oneLine = !layout.createLine().isValid();
    layout.endLayout();
    if (!oneLine)
        return false;
    const QPointF origin = baseline - QPointF(0, line.ascent());

    const QTransform linear(device.m11(), device.m12(), device.m21(), device.m22(), 0, 0);
    GlyphKey key;
    key.colour = p.pen().color().rgba();
    const double m[4] = {device.m11(), device.m12(), device.m21(), device.m22()};
    for (int i = 0; i < 4; ++i)
        key.matrix[i] = qint32(std::lround(m[i] * 65536.0));

    Cache& cache = TheCache();
    p.save();
    p.setWorldMatrixEnabled(false);
    p.setViewTransformEnabled(false);
    for (const QGlyphRun& run : line.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        {
            QMutexLocker lock(&cache.mutex);
            key.font = FontId(cache, raw);
        }
        for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
            key.glyph = indexes[i];
            GlyphMask mask;
            bool found = false;
            {
                QMutexLocker lock(&cache.mutex);
                auto it = cache.glyphs.constFind(key);
                if (it != cache.glyphs.constEnd()) {
                    mask = *it;
                    found = true;
                }
            }
            if (!found) {
                mask = Rasterise(raw, key.glyph, linear, p.pen().color());
                QMutexLocker lock(&cache.mutex);
                if (cache.bytes + mask.image.sizeInBytes() > kCacheBudget) {
                    cache.glyphs.clear();
                    cache.bytes = 0;
                }
                cache.glyphs.insert(key, mask);
                cache.bytes += mask.image.sizeInBytes() + qsizetype(sizeof(GlyphMask));
            }
            if (mask.image.isNull())
                continue;
            const QPointF at = device.map(origin + positions[i]);
            p.drawImage(QPoint(int(std::lround(at.x())), int(std::lround(at.y()))) + mask.offset, mask.image);
        }
    }
    p.restore();
    return true;
}

void ClearGlyphCache()
{
    Cache& cache = TheCache();
    QMutexLocker lock(&cache.mutex);
    cache.glyphs.clear();
    cache.fonts.clear();
    cache.bytes = 0;
}
