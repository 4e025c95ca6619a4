#include "bars/button_glyph.h"

#include <QPainter>
#include <algorithm>

namespace {

TGlyphCache* g_cache = nullptr;
int g_glyphCount = 0;

constexpr QRgb Transparent = 0x00000000;

QRgb Opaque(TColor c)
{
    return ColorToQRgb(c) | 0xFF000000;
}

bool SameRgb(QRgb a, QRgb b)
{
    return (a & 0xFFFFFF) == (b & 0xFFFFFF);
}

// Cell index of a strip of count cells, as a 32-bit image.
QImage Cell(const TBitmap& strip, int index, int count)
{
    const QImage whole = strip.ToImage().convertToFormat(QImage::Format_RGB32);
    const int w = whole.width() / std::max(count, 1);
    return whole.copy(index * w, 0, w, whole.height());
}

// A mask cell: true where the mask's pixel is set (not black).
bool MaskSet(const QImage& mask, int x, int y)
{
    return !mask.isNull() && x < mask.width() && y < mask.height() && SameRgb(mask.pixel(x, y), 0xFFFFFF);
}

} // namespace

int TCustomImageList::Add(const QImage& image)
{
    m_images.push_back(image.size() == QSize(m_width, m_height)
                           ? image.convertToFormat(QImage::Format_ARGB32)
                           : image.scaled(m_width, m_height).convertToFormat(QImage::Format_ARGB32));
    return int(m_images.size()) - 1;
}

void TCustomImageList::Replace(int index, const QImage& image)
{
    if (index >= 0 && size_t(index) < m_images.size())
        m_images[size_t(index)] = image.convertToFormat(QImage::Format_ARGB32);
}

int TGlyphList::AllocateIndex()
{
    const auto it = std::find(m_used.begin(), m_used.end(), false);
    const int index = int(it - m_used.begin());
    if (size_t(index) >= m_images.size()) {
        QImage empty(m_width, m_height, QImage::Format_ARGB32);
        empty.fill(Transparent);
        m_images.push_back(empty);
    }
    if (size_t(index) >= m_used.size())
        m_used.resize(size_t(index) + 1, false);
    m_used[size_t(index)] = true;
    return index;
}

int TGlyphList::Add(const QImage& image, const QImage& mask)
{
    if (image.width() < m_width || image.height() < m_height)
        throw EInvalidOperation(QStringLiteral("Invalid image size"));
    QImage slot(m_width, m_height, QImage::Format_ARGB32);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            slot.setPixel(x, y, MaskSet(mask, x, y) ? Transparent : (image.pixel(x, y) | 0xFF000000));
    const int index = AllocateIndex();
    m_images[size_t(index)] = slot;
    ++m_count;
    return index;
}

int TGlyphList::AddMasked(const QImage& image, TColor maskColor)
{
    if (image.width() < m_width || image.height() < m_height)
        throw EInvalidOperation(QStringLiteral("Invalid image size"));
    const QRgb key = ColorToQRgb(maskColor);
    QImage slot(m_width, m_height, QImage::Format_ARGB32);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            const QRgb px = image.pixel(x, y);
            slot.setPixel(x, y, SameRgb(px, key) ? Transparent : (px | 0xFF000000));
        }
    const int index = AllocateIndex();
    m_images[size_t(index)] = slot;
    ++m_count;
    return index;
}

void TGlyphList::Delete(int index)
{
    if (!SlotUsed(index))
        return;
    m_used[size_t(index)] = false;
    --m_count;
}

TGlyphList* TGlyphCache::GetList(int width, int height)
{
    for (auto it = m_lists.rbegin(); it != m_lists.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height)
            return it->get();
    m_lists.push_back(std::make_unique<TGlyphList>(width, height));
    return m_lists.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list)
{
    if (!list || list->UsedCount() != 0)
        return;
    m_lists.erase(
        std::remove_if(m_lists.begin(), m_lists.end(), [&](const auto& l) { return l.get() == list; }),
        m_lists.end());
}

TGlyphCache* GlyphCache()
{
    return g_cache;
}

TButtonGlyph::TButtonGlyph()
{
    if (!g_cache)
        g_cache = new TGlyphCache;
    ++g_glyphCount;
    for (auto& row : m_indexes)
        std::fill(std::begin(row), std::end(row), -1);
}

TButtonGlyph::~TButtonGlyph()
{
    Invalidate();
    if (--g_glyphCount == 0 && g_cache && g_cache->Empty()) {
        delete g_cache;
        g_cache = nullptr;
    }
}

void TButtonGlyph::SetGlyph(const TBitmap& bitmap)
{
    Invalidate();
    m_glyph = bitmap;
    UpdateNumGlyphs();
    GlyphChanged(true);
}

void TButtonGlyph::SetGlyphMask(const TBitmap& bitmap)
{
    Invalidate();
    m_mask = bitmap;
    GlyphChanged(false);
}

void TButtonGlyph::SetNumGlyphs(int n)
{
    Invalidate();
    m_numGlyphs = (n >= 1 && n <= 5 && !m_imageList) ? n : 1;
    GlyphChanged(false);
}

void TButtonGlyph::SetImageList(TCustomImageList* list)
{
    if (list == m_imageList)
        return;
    m_imageList = list;
    if (m_imageList)
        m_numGlyphs = 1;
    GlyphChanged(false);
}

void TButtonGlyph::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    GlyphChanged(false);
}

void TButtonGlyph::SetOldDisabledStyle(bool value)
{
    if (value == m_oldDisabledStyle)
        return;
    m_oldDisabledStyle = value;
    GlyphChanged(false);
}

void TButtonGlyph::UpdateNumGlyphs()
{
    const int w = m_glyph.Width(), h = m_glyph.Height();
    if (w != 0 && h != 0 && w % h == 0 && w / h < 6)
        m_numGlyphs = m_imageList ? 1 : w / h;
    else
        m_numGlyphs = 1;
}

void TButtonGlyph::GlyphChanged(bool fromGlyph)
{
    if (fromGlyph && !m_glyph.Empty())
        m_transparentColor = QRgbToColor(m_glyph.ToImage().pixel(0, m_glyph.Height() - 1)) | 0x02000000;
    Invalidate();
    if (OnChange)
        OnChange();
}

void TButtonGlyph::Invalidate()
{
    for (int list = 0; list < 2; ++list) {
        for (int& index : m_indexes[list]) {
            if (index != -1 && m_lists[list])
                m_lists[list]->Delete(index);
            index = -1;
        }
        if (m_lists[list] && g_cache)
            g_cache->ReturnList(m_lists[list]);
        m_lists[list] = nullptr;
    }
}

QSize TButtonGlyph::ImageSize() const
{
    if (m_imageList)
        return QSize(m_imageList->Width(), m_imageList->Height());
    return QSize(m_glyph.Width() / std::max(m_numGlyphs, 1), m_glyph.Height());
}

std::pair<bool, int> TButtonGlyph::CreateButtonGlyph(TButtonStateX state)
{
    if (state != bsDisabled && int(state) >= m_numGlyphs)
        state = bsUp;
    if (m_indexes[1][state] != -1)
        return {true, m_indexes[1][state]};
    if (m_indexes[0][state] != -1)
        return {false, m_indexes[0][state]};

    if ((!m_imageList && m_glyph.Empty()) ||
        (m_imageList && (m_imageIndex < 0 || m_imageIndex >= m_imageList->Count())))
        return {state != bsDisabled, -1};
    const bool hasMask = !m_imageList && !m_mask.Empty();

    const QSize size = ImageSize();
    if (size.isEmpty())
        return {state != bsDisabled, -1};
    const int extra = state == bsDisabled ? 1 : 0;
    const bool listIndex = state != bsDisabled;
    if (!g_cache)
        g_cache = new TGlyphCache;
    TGlyphList*& list = m_lists[listIndex ? 1 : 0];
    if (!list)
        list = g_cache->GetList(size.width() + extra, size.height() + extra);

    const int w = size.width(), h = size.height();
    const QRgb face = Opaque(clBtnFace);
    QImage work(w + extra, h + extra, QImage::Format_RGB32);
    work.fill(face);

    // The source: a cell of the strip (its mask cell beside it), or the image list's image.
    const int cellIndex = int(state) < m_numGlyphs ? int(state) : 0;
    QImage source, maskCell;
    if (m_imageList) {
        source = m_imageList->Image(m_imageIndex);
    } else {
        source = Cell(m_glyph, cellIndex, m_numGlyphs);
        if (hasMask)
            maskCell = Cell(m_mask, cellIndex, m_numGlyphs);
    }
    // Pixels the picture leaves out.
    const QRgb key = ColorToQRgb(m_transparentColor & ~0x02000000u);
    auto maskedOut = [&](int x, int y) {
        if (m_imageList)
            return qAlpha(source.pixel(x, y)) < 128;
        if (hasMask)
            return MaskSet(maskCell, x, y);
        return false;
    };

    int index = -1;
    if (state != bsDisabled) {
        if (m_imageList) {
            QImage mask(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool out = maskedOut(x, y);
                    mask.setPixel(x, y, out ? 0xFFFFFFFF : 0xFF000000);
                    if (!out)
                        work.setPixel(x, y, source.pixel(x, y) | 0xFF000000);
                }
            index = list->Add(work, mask);
        } else {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    work.setPixel(x, y, source.pixel(x, y));
            if (hasMask)
                index = list->Add(work, maskCell);
            else
                index = list->AddMasked(work, QRgbToColor(work.pixel(0, h - 1)));
        }
    } else if (m_numGlyphs > 1 && !m_imageList) {
        // A disabled cell of its own: its white and grey take the system's light and shadow.
        const QRgb hi = Opaque(clBtnHighlight), shadow = Opaque(clBtnShadow);
        const QRgb cellKey = source.pixel(0, h - 1);
        QImage mask(w + 1, h + 1, QImage::Format_RGB32);
        mask.fill(0xFFFFFFFF);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                QRgb px = source.pixel(x, y);
                const bool out =
                    hasMask ? MaskSet(maskCell, x, y) : (SameRgb(px, key) || SameRgb(px, cellKey));
                if (SameRgb(px, 0xFFFFFF))
                    px = hi;
                else if (SameRgb(px, 0x808080))
                    px = shadow;
                work.setPixel(x, y, px | 0xFF000000);
                mask.setPixel(x, y, out ? 0xFFFFFFFF : 0xFF000000);
            }
        index = list->Add(work, mask);
    } else {
        // An embossed silhouette: light one pixel right and down, shadow over it.
        std::vector<bool> shape(size_t(w) * size_t(h), false);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb px = source.pixel(x, y);
                bool set;
                if (m_oldDisabledStyle) {
                    set = !maskedOut(x, y) && SameRgb(px, 0x000000);
                } else {
                    set = !SameRgb(px, 0xFFFFFF) && !SameRgb(px, 0xC0C0C0);
                    if (m_imageList || hasMask)
                        set = set && !maskedOut(x, y);
                    else
                        set = set && !SameRgb(px, key);
                }
                shape[size_t(y) * size_t(w) + size_t(x)] = set;
            }
        const QRgb hi = Opaque(clBtnHighlight), shadow = Opaque(clBtnShadow);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (shape[size_t(y) * size_t(w) + size_t(x)])
                    work.setPixel(x + 1, y + 1, hi);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (shape[size_t(y) * size_t(w) + size_t(x)])
                    work.setPixel(x, y, shadow);
        index = list->AddMasked(work, clBtnFace);
    }
    m_indexes[listIndex ? 1 : 0][state] = index;
    return {listIndex, index};
}

QImage TButtonGlyph::StateImage(TButtonStateX state)
{
    const auto [listIndex, index] = CreateButtonGlyph(state);
    TGlyphList* list = m_lists[listIndex ? 1 : 0];
    if (index < 0 || !list)
        return QImage();
    return list->Image(index);
}

void TButtonGlyph::CalcButtonLayout(const TFont& font, const TRect& client, TPoint offset,
                                    const QString& caption, TButtonLayout layout, int margin, int spacing,
                                    bool wordWrap, bool arrowShown, int arrowWidth, bool showGlyph,
                                    bool showCaption, TPoint& glyphPos, TRect& textBounds,
                                    TPoint& arrowPos) const
{
    const int W = client.Width(), H = client.Height();
    QSize glyph = showGlyph ? ImageSize() : QSize(0, 0);
    if (m_imageList ? (m_imageIndex < 0 || m_imageIndex >= m_imageList->Count()) : m_glyph.Empty())
        glyph = QSize(0, 0);
    const bool hasGlyph = glyph.width() != 0 && glyph.height() != 0;
    if (!hasGlyph)
        glyph = QSize(0, 0);
    const int aw = arrowShown ? arrowWidth : 0;
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (!horizontal && !hasGlyph) {
        layout = blGlyphLeft;
    }
    const bool leftRight = layout == blGlyphLeft || layout == blGlyphRight;

    TSize text{0, 0};
    if (showCaption && !caption.isEmpty()) {
        TRect r(0, 0, W - (leftRight ? aw : 0), 0);
        if (wordWrap) {
            int textMargin = 4;
            if (leftRight && hasGlyph) {
                r.Right -= glyph.width() + (spacing == -1 ? 4 : spacing);
                textMargin = margin != -1 ? margin : (spacing != -1 ? spacing : 4);
            }
            r.Right -= 2 * textMargin;
        }
        QImage scratch(1, 1, QImage::Format_RGB32);
        TCanvas canvas(&scratch);
        canvas.Font = font;
        canvas.DrawText(caption, r, DT_CALCRECT | (wordWrap ? DT_WORDBREAK : 0));
        text = TSize{r.Right - r.Left, r.Bottom - r.Top};
    }

    TPoint gp, tp, ap;
    if (leftRight) {
        gp.Y = (H - glyph.height() + 1) / 2;
        tp.Y = (H - text.cy + 1) / 2;
    } else {
        gp.X = (W - glyph.width() - aw + 1) / 2;
        tp.X = (W - text.cx + 1) / 2;
        ap.X = hasGlyph ? gp.X + glyph.width() : tp.X + text.cx;
    }
    if (text.cx == 0 || !hasGlyph)
        spacing = 0;
    if (margin == -1) {
        if (spacing != -1) {
            if (leftRight)
                margin = (W - (glyph.width() + spacing + text.cx + aw) + 1) / 2;
            else
                margin = (H - (glyph.height() + spacing + text.cy) + 1) / 2;
        } else {
            if (leftRight)
                spacing = (W - (glyph.width() + text.cx + aw)) / 3;
            else
                spacing = (H - (glyph.height() + text.cy)) / 3;
            margin = spacing;
        }
    } else if (spacing == -1) {
        if (leftRight)
            spacing = (W - (margin + glyph.width() + aw) - text.cx) / 2;
        else
            spacing = (H - (margin + glyph.height()) - text.cy) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        gp.X = margin;
        tp.X = gp.X + glyph.width() + spacing;
        ap.X = tp.X + text.cx;
        break;
    case blGlyphRight:
        ap.X = W - margin - aw;
        gp.X = ap.X - glyph.width();
        tp.X = gp.X - spacing - text.cx;
        break;
    case blGlyphTop:
        gp.Y = margin;
        tp.Y = gp.Y + glyph.height() + spacing;
        break;
    case blGlyphBottom:
        gp.Y = H - margin - glyph.height();
        tp.Y = gp.Y - spacing - text.cy;
        break;
    }
    ap.X += 1;
    ap.Y = hasGlyph ? gp.Y + (glyph.height() - 3) / 2 : tp.Y + (text.cy - 3) / 2;

    const int dx = client.Left + offset.X, dy = client.Top + offset.Y;
    glyphPos = TPoint(gp.X + dx, gp.Y + dy);
    arrowPos = TPoint(ap.X + dx, ap.Y + dy);
    textBounds = TRect(tp.X + dx, tp.Y + dy, tp.X + dx + text.cx, tp.Y + dy + text.cy);
}

void TButtonGlyph::Draw(QPainter& p, const TFont& font, const TRect& client, TPoint offset,
                        const QString& caption, TButtonLayout layout, int margin, int spacing,
                        bool arrowShown, int arrowWidth, TButtonStateX state, TAlignment alignment,
                        bool wordWrap, bool showGlyph, bool showCaption)
{
    TPoint glyphPos, arrowPos;
    TRect textBounds;
    CalcButtonLayout(font, client, offset, caption, layout, margin, spacing, wordWrap, arrowShown, arrowWidth,
                     showGlyph, showCaption, glyphPos, textBounds, arrowPos);
    if (showGlyph)
        DrawButtonGlyph(p, glyphPos, state);
    if (showCaption)
        DrawButtonText(p, font, caption, textBounds, state, alignment, wordWrap);
    if (arrowShown)
        DrawButtonDropArrow(p, font, arrowPos.X, arrowPos.Y, state, arrowWidth);
}

void TButtonGlyph::DrawButtonGlyph(QPainter& p, TPoint pos, TButtonStateX state)
{
    const QImage image = StateImage(state);
    if (!image.isNull())
        p.drawImage(QPoint(pos.X, pos.Y), image);
}

void TButtonGlyph::DrawButtonText(QPainter& p, const TFont& font, const QString& caption, const TRect& bounds,
                                  TButtonStateX state, TAlignment alignment, bool wordWrap)
{
    if (caption.isEmpty())
        return;
    unsigned format = alignment == taLeftJustify    ? DT_LEFT
                      : alignment == taRightJustify ? DT_RIGHT
                                                    : DT_CENTER;
    format |= DT_VCENTER | (wordWrap ? DT_WORDBREAK : DT_SINGLELINE);
    TCanvas canvas(&p);
    canvas.Font = font;
    canvas.Brush.Style = bsClear;
    if (state == bsDisabled) {
        TRect r = bounds;
        OffsetRect(r, 1, 1);
        canvas.Font.Color = clBtnHighlight;
        canvas.DrawText(caption, r, format);
        r = bounds;
        canvas.Font.Color = clBtnShadow;
        canvas.DrawText(caption, r, format);
    } else {
        TRect r = bounds;
        canvas.DrawText(caption, r, format);
    }
}

void TButtonGlyph::DrawButtonDropArrow(QPainter& p, const TFont& font, int x, int y, TButtonStateX state,
                                       int arrowWidth)
{
    const int cx = x + arrowWidth / 2;
    TCanvas canvas(&p);
    auto triangle = [&](TPoint a, TPoint b, TPoint c, TColor color) {
        canvas.Pen.Color = color;
        canvas.Brush.Color = color;
        canvas.Brush.Style = bsSolid;
        canvas.Polygon({a, b, c});
    };
    if (state == bsDisabled) {
        triangle({cx - 1, y + 1}, {cx + 3, y + 1}, {cx + 1, y + 3}, clBtnHighlight);
        triangle({cx - 2, y}, {cx + 2, y}, {cx, y + 2}, clBtnShadow);
    } else {
        triangle({cx - 2, y}, {cx + 2, y}, {cx, y + 2}, font.Color);
    }
}
