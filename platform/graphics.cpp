#include "platform/graphics.h"

#include "platform/glyph_cache.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/bitmap.h"

// ---------------------------------------------------------------------------------------------
// Colours

namespace {

// Classic Windows values, used when no application palette exists.
TColor ClassicSystemColor(unsigned index)
{
    static const TColor table[31] = {
        0xC8D0D4, 0x984E00, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
        0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
        0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
        0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0x6A240A, 0xC8D0D4};
    return index < 31 ? table[index] : 0;
}

bool PaletteSystemColor(unsigned index, QColor& out)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case scMenu: case scBtnFace: case sc3DLight: case scMenuBar: case scActiveBorder: case scInactiveBorder:
        out = pal.color(QPalette::Button);
        return true;
    case scWindow: out = pal.color(QPalette::Base); return true;
    case scMenuText: case scWindowText: out = pal.color(QPalette::Text); return true;
    case scAppWorkSpace: out = pal.color(QPalette::Dark); return true;
    case scHighlight: case scMenuHighlight: out = pal.color(QPalette::Highlight); return true;
    case scHighlightText: out = pal.color(QPalette::HighlightedText); return true;
    case scBtnShadow: out = pal.color(QPalette::Dark); return true;
    case scGrayText: out = pal.color(QPalette::Disabled, QPalette::Text); return true;
    case scBtnText: out = pal.color(QPalette::ButtonText); return true;
    case scBtnHighlight: out = pal.color(QPalette::Light); return true;
    case sc3DDkShadow: out = pal.color(QPalette::Shadow); return true;
    case scInfoText: out = pal.color(QPalette::ToolTipText); return true;
    case scInfoBk: out = pal.color(QPalette::ToolTipBase); return true;
    case scHotLight: out = pal.color(QPalette::Link); return true;
    default: return false;
    }
}

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color & clSystemColor) {
        const unsigned index = color & 0xFF;
        QColor c;
        if (PaletteSystemColor(index, c))
            return QColorToColor(c);
        return ClassicSystemColor(index);
    }
    if (color == clNone)
        return clBlack;
    if (color == clDefault)
        return ColorToRGB(clWindowText);
    return color & 0x00FFFFFF;
}

QColor ColorToQColor(TColor color)
{
    if (color == clNone)
        return QColor(0, 0, 0, 0);
    const TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor& color)
{
    return RGB(color.red(), color.green(), color.blue());
}

QRgb ColorToQRgb(TColor color)
{
    const TColor c = ColorToRGB(color);
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QRgbToColor(QRgb rgb)
{
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// ---------------------------------------------------------------------------------------------
// Rectangles

bool IntersectRect(TRect& dst, const TRect& a, const TRect& b)
{
    TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom));
    if (r.IsEmpty()) {
        dst = TRect();
        return false;
    }
    dst = r;
    return true;
}

void InflateRect(TRect& r, int dx, int dy)
{
    r.Left -= dx;
    r.Right += dx;
    r.Top -= dy;
    r.Bottom += dy;
}

void OffsetRect(TRect& r, int dx, int dy)
{
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long p = static_cast<long long>(a) * b;
    long long q = p / c;
    const long long rem = p % c;
    // Round half away from zero.
    if (rem != 0 && 2 * std::llabs(rem) >= std::llabs(static_cast<long long>(c)))
        q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN)
        return -1;
    return static_cast<int>(q);
}

// ---------------------------------------------------------------------------------------------
// Fonts

int TFont::Size() const
{
    return -MulDiv(Height, 72, PixelsPerInch > 0 ? PixelsPerInch : 96);
}

void TFont::SetSize(int points)
{
    Height = -MulDiv(points, PixelsPerInch > 0 ? PixelsPerInch : 96, 72);
}

QFont TFont::ToQFont() const
{
    QFont f(Name);
    int px = 12;
    if (Height < 0) {
        px = -Height;
    } else if (Height > 0) {
        // A positive height is the cell height (ascent + descent); scale it to the em size.
        QFont probe(Name);
        probe.setPixelSize(100);
        probe.setBold(Style & fsBold);
        probe.setItalic(Style & fsItalic);
        const QFontMetricsF fm(probe);
        const qreal cell = fm.ascent() + fm.descent();
        px = cell > 0 ? qRound(Height * 100.0 / cell) : Height;
    }
    f.setPixelSize(std::clamp(px, 1, 10000));
    f.setBold(Style & fsBold);
    f.setItalic(Style & fsItalic);
    f.setUnderline(Style & fsUnderline);
    f.setStrikeOut(Style & fsStrikeOut);
    if (Pitch == fpFixed) {
        f.setFixedPitch(true);
        f.setStyleHint(QFont::TypeWriter);
    }
    f.setKerning(false);
    return f;
}

// ---------------------------------------------------------------------------------------------
// Canvas

struct TCanvas::Impl {
    enum Kind { None, Device, Painter, Bitmap } kind = None;
    QPaintDevice* device = nullptr;
    QPainter* painter = nullptr;
    TBitmap* bitmap = nullptr;
};

namespace {

bool IsIndexed(TBitmap* b)
{
    const TPixelFormat f = b->PixelFormat();
    return f == pf1bit || f == pf4bit || f == pf8bit;
}

// One drawing operation: a painter ready on the canvas's surface with its transform applied.
void DrawTextLine(QPainter& p, const QPoint& baseline, const QString& text)
{
    if (!DrawLargeText(p, baseline, text))
        p.drawText(baseline, text);
}

class Session {
public:
    Session(TCanvas::Impl* d, const QTransform& t)
    {
        switch (d->kind) {
        case TCanvas::Impl::None:
            return;
        case TCanvas::Impl::Bitmap: {
            QImage& img = d->bitmap->Surface();
            if (img.isNull())
                return;
            if (!m_own.begin(&img))
                return;
            m_p = &m_own;
            m_mono = IsIndexed(d->bitmap);
            break;
        }
        case TCanvas::Impl::Device:
            if (!d->device || !m_own.begin(d->device))
                return;
            m_p = &m_own;
            break;
        case TCanvas::Impl::Painter:
            if (!d->painter || !d->painter->isActive())
                return;
            m_p = d->painter;
            m_p->save();
            break;
        }
        if (!t.isIdentity())
            m_p->setTransform(t, true);
        m_p->setRenderHint(QPainter::Antialiasing, false);
        m_p->setRenderHint(QPainter::SmoothPixmapTransform, false);
        m_p->setRenderHint(QPainter::TextAntialiasing, !m_mono);
    }
    ~Session()
    {
        if (!m_p)
            return;
        if (m_p == &m_own)
            m_own.end();
        else
            m_p->restore();
    }
    QPainter* operator->() const { return m_p; }
    QPainter* get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    bool indexedTarget() const { return m_mono; }

private:
    QPainter m_own;
    QPainter* m_p = nullptr;
    bool m_mono = false;
};

QPainter::CompositionMode PenModeComposition(TPenMode mode)
{
    switch (mode) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

QPen MakeQPen(const TPen& pen)
{
    if (pen.Style == psClear || pen.Mode == pmNop)
        return QPen(Qt::NoPen);
    QColor c = ColorToQColor(pen.Color);
    if (pen.Mode == pmBlack)
        c = Qt::black;
    else if (pen.Mode == pmWhite)
        c = Qt::white;
    c.setAlpha(255);
    QPen p(c);
    const int w = std::max(1, pen.Width);
    p.setWidth(w == 1 ? 0 : w);
    switch (pen.Style) {
    case psDash: p.setStyle(Qt::DashLine); break;
    case psDot: p.setStyle(Qt::DotLine); break;
    case psDashDot: p.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
    }
    p.setCapStyle(w == 1 ? Qt::FlatCap : Qt::RoundCap);
    p.setJoinStyle(w == 1 ? Qt::MiterJoin : Qt::RoundJoin);
    return p;
}

QBrush MakeQBrush(const TBrush& brush)
{
    if (brush.Style == bsClear || brush.Color == clNone)
        return QBrush(Qt::NoBrush);
    QColor c = ColorToQColor(brush.Color);
    c.setAlpha(255);
    switch (brush.Style) {
    case bsHorizontal: return QBrush(c, Qt::HorPattern);
    case bsVertical: return QBrush(c, Qt::VerPattern);
    case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
    case bsCross: return QBrush(c, Qt::CrossPattern);
    case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    default: return QBrush(c);
    }
}

// ROP3: bit i of code is the result for pattern/source/destination bits (P<<2 | S<<1 | D).
inline uint32_t Rop3(uint8_t code, uint32_t P, uint32_t S, uint32_t D)
{
    switch (code) {
    case 0xCC: return S;
    case 0x88: return S & D;
    case 0xEE: return S | D;
    case 0x66: return S ^ D;
    case 0x44: return S & ~D;
    case 0x33: return ~S;
    case 0x11: return ~(S | D);
    case 0xC0: return P & S;
    case 0xBB: return ~S | D;
    case 0xF0: return P;
    case 0x5A: return P ^ D;
    case 0x55: return ~D;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFFFF;
    default: break;
    }
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (code >> i & 1)
            r |= ((i & 4) ? P : ~P) & ((i & 2) ? S : ~S) & ((i & 1) ? D : ~D);
    }
    return r;
}

bool RopUsesSource(uint8_t code)
{
    return ((code >> 2) & 0x33) != (code & 0x33);
}

// The part visible (target coordinates) of source's srcRect drawn into dest, nearest-neighbour,
// as ARGB32 (RGB32 without a key): pixelSize pixels when the device's resolution is known (its pixels on screen),
// else the source's own resolution of that part. Pixels of colour key (0xRRGGBB, or none when
// above 24 bits) are transparent; the others are opaque unless the key is set.
QImage SampleSource(const QImage& source, const TRect& srcRect, const TRect& dest, const QRect& visible,
                    QSize pixelSize, uint32_t key)
{
    const int aw = std::abs(dest.Width()), ah = std::abs(dest.Height());
    const int asw = std::abs(srcRect.Width()), ash = std::abs(srcRect.Height());
    const bool mirrorX = (dest.Width() < 0) != (srcRect.Width() < 0);
    const bool mirrorY = (dest.Height() < 0) != (srcRect.Height() < 0);
    const int x0 = std::min(dest.Left, dest.Right), y0 = std::min(dest.Top, dest.Bottom);
    const int sx0 = std::min(srcRect.Left, srcRect.Right), sy0 = std::min(srcRect.Top, srcRect.Bottom);
    if (pixelSize.isEmpty())
        pixelSize = QSize(std::max(1, int(std::ceil(double(visible.width()) * asw / aw))),
                          std::max(1, int(std::ceil(double(visible.height()) * ash / ah))));
    // Without a key every pixel is opaque: the screen's own format, copied without blending.
    QImage out(pixelSize, key <= 0xFFFFFFu ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.isNull())
        return out;
    // Source column or row k of output pixel i along one axis; -1 outside the source.
    auto axis = [](int outCount, int visStart, int visLength, int destLength, int srcLength, int srcStart,
                   bool mirror, int limit) {
        std::vector<int> map(static_cast<size_t>(outCount));
        for (int i = 0; i < outCount; ++i) {
            const double u = visStart + (i + 0.5) * visLength / outCount;
            int k = std::clamp(int(std::floor(u * srcLength / destLength)), 0, srcLength - 1);
            if (mirror)
                k = srcLength - 1 - k;
            const int s = srcStart + k;
            map[size_t(i)] = s >= 0 && s < limit ? s : -1;
        }
        return map;
    };
    const std::vector<int> cols =
        axis(out.width(), visible.x() - x0, visible.width(), aw, asw, sx0, mirrorX, source.width());
    const std::vector<int> rows =
        axis(out.height(), visible.y() - y0, visible.height(), ah, ash, sy0, mirrorY, source.height());
    const QList<QRgb> table = source.colorTable();
    auto indexed = [&table](int i) { return i < table.size() ? table[i] : 0xFF000000u; };
    const bool keyed = key <= 0xFFFFFFu;
    // One loop per source format, so the format is not looked at again for every pixel.
    const int outW = out.width(), outH = out.height();
    auto sample = [&](auto pixelOf) {
        for (int y = 0; y < outH; ++y) {
            QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
            const int sy = rows[size_t(y)];
            if (sy < 0) {
                std::fill(o, o + outW, 0xFF000000u);
                continue;
            }
            const uchar* r = source.constScanLine(sy);
            for (int x = 0; x < outW; ++x) {
                const int sx = cols[size_t(x)];
                const QRgb c = sx >= 0 ? pixelOf(r, sx, sy) : 0xFF000000u;
                if (keyed)
                    o[x] = (c & 0xFFFFFF) == key ? 0 : c;
                else
                    o[x] = c | 0xFF000000u;
            }
        }
    };
    switch (source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        sample([](const uchar* r, int sx, int) { return reinterpret_cast<const QRgb*>(r)[sx]; });
        break;
    case QImage::Format_Indexed8: sample([&](const uchar* r, int sx, int) { return indexed(r[sx]); }); break;
    case QImage::Format_Mono:
        sample([&](const uchar* r, int sx, int) { return indexed((r[sx >> 3] >> (7 - (sx & 7))) & 1); });
        break;
    case QImage::Format_Grayscale8:
        sample([](const uchar* r, int sx, int) { return qRgb(r[sx], r[sx], r[sx]); });
        break;
    case QImage::Format_RGB888:
        sample([](const uchar* r, int sx, int) { return qRgb(r[3 * sx], r[3 * sx + 1], r[3 * sx + 2]); });
        break;
    case QImage::Format_BGR888:
        sample([](const uchar* r, int sx, int) { return qRgb(r[3 * sx + 2], r[3 * sx + 1], r[3 * sx]); });
        break;
    default: sample([&source](const uchar*, int sx, int sy) { return source.pixel(sx, sy); }); break;
    }
    return out;
}

QPainter::CompositionMode RopComposition(uint32_t rop, bool& supported)
{
    supported = true;
    switch ((rop >> 16) & 0xFF) {
    case 0xCC: return QPainter::CompositionMode_SourceOver;
    case 0x88: return QPainter::RasterOp_SourceAndDestination;
    case 0xEE: return QPainter::RasterOp_SourceOrDestination;
    case 0x66: return QPainter::RasterOp_SourceXorDestination;
    case 0x44: return QPainter::RasterOp_SourceAndNotDestination;
    case 0x33: return QPainter::RasterOp_NotSource;
    case 0x11: return QPainter::RasterOp_NotSourceAndNotDestination;
    case 0xBB: return QPainter::RasterOp_NotSourceOrDestination;
    case 0x55: return QPainter::RasterOp_NotDestination;
    default: supported = false; return QPainter::CompositionMode_SourceOver;
    }
}

struct TextLine {
    QString text;    // what is drawn
    int underline = -1; // index of the prefixed character, -1 none
};

// Removes prefix characters: "&&" -> "&", "&x" -> x marked for underlining.
TextLine StripPrefix(const QString& s, bool hide)
{
    TextLine out;
    out.text.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char('&')) {
            if (i + 1 < s.size()) {
                ++i;
                if (s[i] != QLatin1Char('&') && !hide)
                    out.underline = int(out.text.size());
                out.text += s[i];
            }
            continue; // a trailing '&' draws nothing
        }
        out.text += c;
    }
    return out;
}

QString ExpandTabs(const QString& s, const QFontMetrics& fm)
{
    if (!s.contains(QLatin1Char('\t')))
        return s;
    const int stop = std::max(1, fm.averageCharWidth() * 8);
    QString out;
    for (QChar c : s) {
        if (c == QLatin1Char('\t')) {
            const int w = fm.horizontalAdvance(out);
            const int target = (w / stop + 1) * stop;
            while (fm.horizontalAdvance(out) < target)
                out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

TCanvas::TCanvas() : d(std::make_unique<Impl>()) {}

TCanvas::TCanvas(QPaintDevice* device) : d(std::make_unique<Impl>())
{
    Attach(device);
}

TCanvas::TCanvas(QPainter* painter) : d(std::make_unique<Impl>())
{
    Attach(painter);
}

TCanvas::TCanvas(TBitmap* owner) : d(std::make_unique<Impl>())
{
    d->kind = Impl::Bitmap;
    d->bitmap = owner;
    // A bitmap's canvas starts with a black font, as a memory device context does.
    Font.Color = clBlack;
}

TCanvas::~TCanvas() = default;

void TCanvas::Attach(QPaintDevice* device)
{
    d->kind = device ? Impl::Device : Impl::None;
    d->device = device;
    d->painter = nullptr;
    d->bitmap = nullptr;
}

void TCanvas::Attach(QPainter* painter)
{
    d->kind = painter ? Impl::Painter : Impl::None;
    d->painter = painter;
    d->device = nullptr;
    d->bitmap = nullptr;
}

void TCanvas::Detach()
{
    if (d->kind == Impl::Bitmap)
        return; // a bitmap's own canvas stays with it
    Attach(static_cast<QPaintDevice*>(nullptr));
}

bool TCanvas::HandleAllocated() const
{
    return d->kind != Impl::None;
}

QPaintDevice* TCanvas::Device() const
{
    switch (d->kind) {
    case Impl::Device: return d->device;
    case Impl::Painter: return d->painter ? d->painter->device() : nullptr;
    default: return nullptr;
    }
}

TSize TCanvas::SurfaceSize() const
{
    if (d->kind == Impl::Bitmap)
        return {d->bitmap->Width(), d->bitmap->Height()};
    if (QPaintDevice* dev = Device())
        return {dev->width(), dev->height()};
    return {};
}

void TCanvas::MoveTo(int x, int y)
{
    PenPos = {x, y};
}

void TCanvas::LineTo(int x, int y)
{
    const TPoint from = PenPos;
    PenPos = {x, y};
    Session p(d.get(), Transform);
    if (!p || Pen.Style == psClear)
        return;
    p->setPen(MakeQPen(Pen));
    p->setCompositionMode(PenModeComposition(Pen.Mode));
    // A flat-capped Qt line leaves out its end point, as GDI does.
    p->drawLine(QPoint(from.X, from.Y), QPoint(x, y));
}

void TCanvas::Polyline(const std::vector<TPoint>& points)
{
    if (points.empty())
        return;
    MoveTo(points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].X, points[i].Y);
}

void TCanvas::Polygon(const std::vector<TPoint>& points)
{
    if (points.size() < 2)
        return;
    Session p(d.get(), Transform);
    if (!p)
        return;
    QPolygon poly;
    for (const TPoint& pt : points)
        poly << QPoint(pt.X, pt.Y);
    p->setPen(MakeQPen(Pen));
    p->setBrush(MakeQBrush(Brush));
    p->setCompositionMode(PenModeComposition(Pen.Mode));
    p->drawPolygon(poly);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 - x1 < 2 || y2 - y1 < 2) {
        if (x2 - x1 < 1 || y2 - y1 < 1)
            return;
    }
    Session p(d.get(), Transform);
    if (!p)
        return;
    p->setCompositionMode(PenModeComposition(Pen.Mode));
    // Interior: [x1, x2-1) x [y1, y2-1); a clear pen leaves the figure one pixel smaller.
    const QBrush brush = MakeQBrush(Brush);
    if (brush.style() != Qt::NoBrush && x2 - x1 > 1 && y2 - y1 > 1)
        p->fillRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), brush);
    const QPen pen = MakeQPen(Pen);
    if (pen.style() != Qt::NoPen) {
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        if (Pen.Style == psInsideFrame && Pen.Width > 1) {
            const double h = Pen.Width / 2.0;
            p->drawRect(QRectF(x1 + h, y1 + h, x2 - x1 - Pen.Width, y2 - y1 - Pen.Width));
        } else if (Pen.Width > 1) {
            p->drawRect(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
        } else {
            p->drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
        }
    }
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1)
        return;
    Session p(d.get(), Transform);
    if (!p)
        return;
    p->setCompositionMode(PenModeComposition(Pen.Mode));
    const QBrush brush = MakeQBrush(Brush);
    const QPen pen = MakeQPen(Pen);
    if (brush.style() != Qt::NoBrush) {
        // Pixel centres inside the ellipse of [x1, x2-1) x [y1, y2-1).
        QPainterPath path;
        path.addEllipse(QRectF(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
        p->fillPath(path, brush);
    }
    if (pen.style() != Qt::NoPen) {
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        if (Pen.Width > 1)
            p->drawEllipse(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
        else
            p->drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    }
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1)
        return;
    Session p(d.get(), Transform);
    if (!p)
        return;
    p->setCompositionMode(PenModeComposition(Pen.Mode));
    p->setPen(MakeQPen(Pen));
    p->setBrush(MakeQBrush(Brush));
    p->drawRoundedRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), x3 / 2.0, y3 / 2.0);
}

void TCanvas::FillRect(const TRect& r)
{
    if (r.IsEmpty())
        return;
    Session p(d.get(), Transform);
    if (!p)
        return;
    const QBrush brush = MakeQBrush(Brush);
    if (brush.style() != Qt::NoBrush)
        p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), brush);
}

void TCanvas::FrameRect(const TRect& r)
{
    if (r.IsEmpty() || Brush.Style == bsClear)
        return;
    Session p(d.get(), Transform);
    if (!p)
        return;
    QColor c = ColorToQColor(Brush.Color);
    c.setAlpha(255);
    p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TCanvas::DrawFocusRect(const TRect& r)
{
    if (r.IsEmpty())
        return;
    Session p(d.get(), Transform);
    if (!p)
        return;
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white);
    pen.setWidth(0);
    pen.setStyle(Qt::DotLine);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    const QFont f = Font.ToQFont();
    const QFontMetrics fm(f);
    const int w = fm.horizontalAdvance(text);
    {
        Session p(d.get(), Transform);
        if (p) {
            QFont pf = f;
            if (p.indexedTarget())
                pf.setStyleStrategy(QFont::NoAntialias);
            p->setFont(pf);
            p->translate(x, y);
            if (Font.Orientation % 3600 != 0)
                p->rotate(-Font.Orientation / 10.0);
            if (Brush.Style == bsSolid && Brush.Color != clNone) {
                QColor bg = ColorToQColor(Brush.Color);
                bg.setAlpha(255);
                p->fillRect(QRect(0, 0, w, fm.height()), bg);
            }
            QColor c = ColorToQColor(Font.Color);
            c.setAlpha(255);
            p->setPen(c);
            DrawTextLine(*p.get(), QPoint(0, fm.ascent()), text);
        }
    }
    PenPos = {x + w, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    if (r.IsEmpty())
        return;
    const QFont f = Font.ToQFont();
    const QFontMetrics fm(f);
    Session p(d.get(), Transform);
    if (!p)
        return;
    QFont pf = f;
    if (p.indexedTarget())
        pf.setStyleStrategy(QFont::NoAntialias);
    const QRect clip(r.Left, r.Top, r.Width(), r.Height());
    if (Brush.Style == bsSolid && Brush.Color != clNone) {
        QColor bg = ColorToQColor(Brush.Color);
        bg.setAlpha(255);
        p->fillRect(clip, bg);
    }
    p->setClipRect(clip, Qt::IntersectClip);
    p->setFont(pf);
    QColor c = ColorToQColor(Font.Color);
    c.setAlpha(255);
    p->setPen(c);
    DrawTextLine(*p.get(), QPoint(x, y + fm.ascent()), text);
}

int TCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(Font.ToQFont()).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString& text) const
{
    return QFontMetrics(Font.ToQFont()).height();
}

TSize TCanvas::TextExtent(const QString& text) const
{
    const QFontMetrics fm(Font.ToQFont());
    return {fm.horizontalAdvance(text), fm.height()};
}

int TCanvas::DrawText(const QString& text, TRect& rect, unsigned flags)
{
    const QFont f = Font.ToQFont();
    const QFontMetrics fm(f);
    const bool prefix = !(flags & DT_NOPREFIX);
    const int lineHeight = fm.height() + ((flags & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    const int boxWidth = std::max(0, rect.Width());

    // Split into source lines.
    QStringList source;
    if (flags & DT_SINGLELINE) {
        QString s = text;
        s.remove(QLatin1Char('\r'));
        s.remove(QLatin1Char('\n'));
        source << s;
    } else {
        QString s = text;
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        source = s.split(QLatin1Char('\n'));
    }

    // Prefix handling, tabs and word breaking give the drawn lines.
    std::vector<TextLine> lines;
    for (const QString& src : source) {
        TextLine line = prefix ? StripPrefix(src, flags & DT_HIDEPREFIX) : TextLine{src, -1};
        if (flags & DT_EXPANDTABS)
            line.text = ExpandTabs(line.text, fm);
        if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE) && fm.horizontalAdvance(line.text) > boxWidth) {
            // Break at spaces; a word wider than the box stays whole on its own line.
            const QString& t = line.text;
            qsizetype start = 0;
            while (start < t.size()) {
                qsizetype lastBreak = -1;
                qsizetype i = start;
                qsizetype end = t.size();
                while (i < t.size()) {
                    qsizetype j = i;
                    while (j < t.size() && t[j] == QLatin1Char(' '))
                        ++j;
                    while (j < t.size() && t[j] != QLatin1Char(' '))
                        ++j;
                    const QString candidate = t.mid(start, j - start);
                    if (fm.horizontalAdvance(candidate.trimmed()) > boxWidth && lastBreak >= 0) {
                        end = lastBreak;
                        break;
                    }
                    lastBreak = j;
                    i = j;
                }
                if (i >= t.size())
                    end = t.size();
                TextLine part;
                part.text = t.mid(start, end - start);
                while (part.text.endsWith(QLatin1Char(' ')))
                    part.text.chop(1);
                if (line.underline >= start && line.underline < end)
                    part.underline = int(line.underline - start);
                lines.push_back(part);
                start = end;
                while (start < t.size() && t[start] == QLatin1Char(' '))
                    ++start;
            }
            if (t.isEmpty())
                lines.push_back(line);
        } else {
            lines.push_back(line);
        }
    }
    if (lines.empty())
        lines.push_back(TextLine{});

    // Ellipses for lines wider than the box.
    if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
        const Qt::TextElideMode mode = (flags & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight;
        for (TextLine& l : lines) {
            if (fm.horizontalAdvance(l.text) > boxWidth) {
                l.text = fm.elidedText(l.text, mode, boxWidth);
                if (l.underline >= l.text.size() - 1)
                    l.underline = -1;
            }
        }
    }

    const int totalHeight = lineHeight * int(lines.size());

    if (flags & DT_CALCRECT) {
        int maxWidth = 0;
        for (const TextLine& l : lines)
            maxWidth = std::max(maxWidth, fm.horizontalAdvance(l.text));
        rect.Right = rect.Left + maxWidth;
        rect.Bottom = rect.Top + totalHeight;
        return totalHeight;
    }

    int y = rect.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = rect.Top + (rect.Height() - lineHeight) / 2;
        else if (flags & DT_BOTTOM)
            y = rect.Bottom - lineHeight;
    }

    Session p(d.get(), Transform);
    if (!p)
        return totalHeight;
    QFont pf = f;
    if (p.indexedTarget())
        pf.setStyleStrategy(QFont::NoAntialias);
    p->setFont(pf);
    if (!(flags & DT_NOCLIP))
        p->setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), Qt::IntersectClip);
    QColor c = ColorToQColor(Font.Color);
    c.setAlpha(255);
    QColor bg = ColorToQColor(Brush.Color);
    bg.setAlpha(255);
    const bool opaque = Brush.Style == bsSolid && Brush.Color != clNone;
    // Measuring a line shapes it as drawing does: only for what needs its width.
    const bool measured = opaque || (flags & (DT_CENTER | DT_RIGHT));
    for (const TextLine& l : lines) {
        const int w = measured ? fm.horizontalAdvance(l.text) : 0;
        int x = rect.Left;
        if (flags & DT_CENTER)
            x = rect.Left + (rect.Width() - w) / 2;
        else if (flags & DT_RIGHT)
            x = rect.Right - w;
        if (opaque)
            p->fillRect(QRect(x, y, w, lineHeight), bg);
        p->setPen(c);
        DrawTextLine(*p.get(), QPoint(x, y + fm.ascent()), l.text);
        if (l.underline >= 0 && l.underline < l.text.size()) {
            const int ux = x + fm.horizontalAdvance(l.text.left(l.underline));
            const int uw = fm.horizontalAdvance(l.text.mid(l.underline, 1));
            const int uy = y + fm.ascent() + std::max(1, fm.underlinePos());
            const int thick = std::max(1, fm.lineWidth());
            p->fillRect(QRect(ux, uy, uw, thick), c);
        }
        y += lineHeight;
    }
    return totalHeight;
}

void TCanvas::Draw(int x, int y, const TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    graphic->Draw(this, TRect(x, y, x + graphic->Width(), y + graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& srcRect)
{
    if (!source)
        return;
    QImage src;
    if (source->d->kind == Impl::Bitmap)
        src = source->d->bitmap->SurfaceForRead();
    else
        src = source->Snapshot();
    if (src.isNull())
        return;
    BlitImage(dest, src, srcRect, CopyMode);
}

void TCanvas::BlitImage(const TRect& dest, const QImage& source, const TRect& srcRect, uint32_t rop,
                        TColor transparentColor)
{
    const uint8_t code = uint8_t((rop >> 16) & 0xFF);
    const bool useSource = RopUsesSource(code);
    if (dest.Width() == 0 || dest.Height() == 0)
        return;
    if (useSource && (source.isNull() || srcRect.Width() == 0 || srcRect.Height() == 0))
        return;

    if (d->kind == Impl::Bitmap && Transform.isIdentity()) {
        // Exact raster operation on the bitmap's pixels, nearest-neighbour stretch.
        // 8-bit and 24-bit sources are read a row at a time: a large picture is never copied
        // whole into 32 bits just to be drawn.
        const QImage::Format sf = source.format();
        const bool rowWise = sf == QImage::Format_Indexed8 || sf == QImage::Format_Mono || sf == QImage::Format_Grayscale8 ||
                             sf == QImage::Format_BGR888 || sf == QImage::Format_RGB888;
        const QImage src = sf == QImage::Format_RGB32 || sf == QImage::Format_ARGB32 || rowWise
                               ? source
                               : source.convertToFormat(QImage::Format_ARGB32);
        const bool monoTarget = d->bitmap->PixelFormat() == pf1bit;
        QImage& dst = d->bitmap->Surface();
        if (dst.isNull())
            return;
        const int dW = dest.Width(), dH = dest.Height();
        const int x0 = std::min(dest.Left, dest.Right), y0 = std::min(dest.Top, dest.Bottom);
        const int aw = std::abs(dW), ah = std::abs(dH);
        const int cx0 = std::max(0, x0), cy0 = std::max(0, y0);
        const int cx1 = std::min(dst.width(), x0 + aw), cy1 = std::min(dst.height(), y0 + ah);
        if (cx0 >= cx1 || cy0 >= cy1)
            return;
        const int sW = srcRect.Width(), sH = srcRect.Height();
        const bool mirrorX = (dW < 0) != (sW < 0), mirrorY = (dH < 0) != (sH < 0);
        const int sx0 = std::min(srcRect.Left, srcRect.Right), sy0 = std::min(srcRect.Top, srcRect.Bottom);
        const int asw = std::abs(sW), ash = std::abs(sH);
        std::vector<int> colMap(size_t(cx1 - cx0));
        for (int tx = cx0; tx < cx1; ++tx) {
            long long i = tx - x0;
            if (mirrorX)
                i = aw - 1 - i;
            colMap[size_t(tx - cx0)] = useSource ? sx0 + int((i * asw) / aw) : 0;
        }
        const uint32_t pattern = ColorToQRgb(Brush.Color) & 0xFFFFFF;
        const uint32_t trans = transparentColor == clNone ? 0xFFFFFFFFu : (ColorToQRgb(transparentColor) & 0xFFFFFF);
        const int srcW = src.width(), srcH = src.height();
        const qsizetype dstLine = dst.bytesPerLine();
        uchar* const dstBits = dst.bits();
        std::vector<QRgb> rowBuffer(rowWise ? size_t(srcW) : 0);
        const QList<QRgb> table = sf == QImage::Format_Indexed8 || sf == QImage::Format_Mono ? src.colorTable() : QList<QRgb>();
        int bufferedRow = -1;
        auto sourceRow = [&](int sy) -> const QRgb* {
            if (!rowWise)
                return reinterpret_cast<const QRgb*>(src.constScanLine(sy));
            if (sy != bufferedRow) {
                const uchar* r = src.constScanLine(sy);
                QRgb* out = rowBuffer.data();
                if (sf == QImage::Format_Indexed8) {
                    for (int x = 0; x < srcW; ++x)
                        out[x] = r[x] < table.size() ? table[r[x]] : 0;
                } else if (sf == QImage::Format_Mono) {
                    for (int x = 0; x < srcW; ++x) {
                        const int i = (r[x >> 3] >> (7 - (x & 7))) & 1;
                        out[x] = i < table.size() ? table[i] : 0;
                    }
                } else if (sf == QImage::Format_Grayscale8) {
                    for (int x = 0; x < srcW; ++x)
                        out[x] = qRgb(r[x], r[x], r[x]);
                } else if (sf == QImage::Format_BGR888) {
                    for (int x = 0; x < srcW; ++x, r += 3)
                        out[x] = qRgb(r[2], r[1], r[0]);
                } else {
                    for (int x = 0; x < srcW; ++x, r += 3)
                        out[x] = qRgb(r[0], r[1], r[2]);
                }
                bufferedRow = sy;
            }
            return rowBuffer.data();
        };
        // One loop per operation, so the common block copies do not decode the raster
        // operation pixel by pixel.
        auto blit = [&](auto op) {
            for (int ty = cy0; ty < cy1; ++ty) {
                long long j = ty - y0;
                if (mirrorY)
                    j = ah - 1 - j;
                const int sy = sy0 + int((j * ash) / ah);
                const QRgb* srow = nullptr;
                if (useSource) {
                    if (sy < 0 || sy >= srcH)
                        continue;
                    srow = sourceRow(sy);
                }
                QRgb* drow = reinterpret_cast<QRgb*>(dstBits + dstLine * ty);
                for (int tx = cx0; tx < cx1; ++tx) {
                    uint32_t s = 0;
                    if (useSource) {
                        const int sx = colMap[size_t(tx - cx0)];
                        if (sx < 0 || sx >= srcW)
                            continue;
                        s = srow[sx] & 0xFFFFFF;
                        if (s == trans)
                            continue;
                        if (monoTarget)
                            s = s == 0xFFFFFF ? 0xFFFFFF : 0;
                    }
                    const uint32_t dpx = drow[tx] & 0xFFFFFF;
                    drow[tx] = 0xFF000000u | (op(s, dpx) & 0xFFFFFF);
                }
            }
        };
        const bool columnsInSource = std::all_of(colMap.begin(), colMap.end(), [srcW](int sx) { return sx >= 0 && sx < srcW; });
        if (code == 0xCC && useSource && trans == 0xFFFFFFFFu && !monoTarget && columnsInSource) {
            // A plain stretched copy: a target row depends only on its source row, so rows that
            // repeat one source row (a picture drawn larger) are copied from the row above.
            int lastSy = -1;
            const QRgb* lastRow = nullptr;
            const size_t span = size_t(cx1 - cx0);
            for (int ty = cy0; ty < cy1; ++ty) {
                long long j = ty - y0;
                if (mirrorY)
                    j = ah - 1 - j;
                const int sy = sy0 + int((j * ash) / ah);
                if (sy < 0 || sy >= srcH)
                    continue;
                QRgb* drow = reinterpret_cast<QRgb*>(dstBits + dstLine * ty) + cx0;
                if (sy == lastSy) {
                    std::memcpy(drow, lastRow, span * sizeof(QRgb));
                    continue;
                }
                const QRgb* srow = sourceRow(sy);
                for (size_t i = 0; i < span; ++i)
                    drow[i] = 0xFF000000u | srow[colMap[i]];
                lastSy = sy;
                lastRow = drow;
            }
            return;
        }
        switch (code) {
        case 0xCC: blit([](uint32_t s, uint32_t) { return s; }); break;         // SRCCOPY
        case 0xEE: blit([](uint32_t s, uint32_t t) { return s | t; }); break;   // SRCPAINT
        case 0x88: blit([](uint32_t s, uint32_t t) { return s & t; }); break;   // SRCAND
        default: blit([&](uint32_t s, uint32_t t) { return Rop3(code, pattern, s, t); }); break;
        }
        return;
    }

    Session p(d.get(), Transform);
    if (!p)
        return;
    const QRect target(std::min(dest.Left, dest.Right), std::min(dest.Top, dest.Bottom), std::abs(dest.Width()),
                       std::abs(dest.Height()));
    if (code == 0x00 || code == 0xFF) {
        p->fillRect(target, code ? Qt::white : Qt::black);
        return;
    }
    if (code == 0xF0) {
        p->fillRect(target, MakeQBrush(Brush));
        return;
    }
    // Only the part of the target that can show is made, sampled straight from the source: a
    // paint costs the pixels shown, never a copy of the whole picture.
    QRect visible = target;
    if (p->hasClipping())
        visible &= p->clipBoundingRect().toAlignedRect();
    const QTransform toDevice = p->deviceTransform();
    QPaintDevice* device = p->device();
    QRect deviceArea;
    if (QPaintEngine* engine = p->paintEngine(); engine && !engine->systemClip().isEmpty())
        deviceArea = engine->systemClip().boundingRect();
    else if (device && device->devType() == QInternal::Image)
        deviceArea = QRect(QPoint(0, 0), static_cast<QImage*>(device)->size());
    if (!deviceArea.isEmpty() && toDevice.isInvertible())
        visible &= toDevice.inverted().mapRect(QRectF(deviceArea)).toAlignedRect();
    if (visible.isEmpty())
        return;
    const QImage img = SampleSource(
        source, srcRect, dest, visible,
        deviceArea.isEmpty() ? QSize() : toDevice.mapRect(QRectF(visible)).toAlignedRect().size(),
        transparentColor == clNone ? 0xFFFFFFFFu : (ColorToQRgb(transparentColor) & 0xFFFFFF));
    bool supported = true;
    QPainter::CompositionMode mode = RopComposition(rop, supported);
    QPaintEngine* engine = p->paintEngine();
    if (mode != QPainter::CompositionMode_SourceOver && engine && !engine->hasFeature(QPaintEngine::RasterOpModes)) {
        // Devices without raster operations (printers, PDF): the closest blend.
        if (code == 0x88)
            mode = engine->hasFeature(QPaintEngine::BlendModes) ? QPainter::CompositionMode_Multiply
                                                                : QPainter::CompositionMode_SourceOver;
        else if (code == 0xEE)
            mode = engine->hasFeature(QPaintEngine::BlendModes) ? QPainter::CompositionMode_Lighten
                                                                : QPainter::CompositionMode_SourceOver;
        else
            mode = QPainter::CompositionMode_SourceOver;
    }
    p->setCompositionMode(mode);
    p->drawImage(QRectF(visible), img);
}

TColor TCanvas::Pixel(int x, int y) const
{
    QImage img;
    if (d->kind == Impl::Bitmap)
        img = d->bitmap->SurfaceForRead();
    else if (d->kind == Impl::Device && d->device && d->device->devType() == QInternal::Image)
        img = *static_cast<QImage*>(d->device);
    if (img.isNull() || x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return clNone;
    return QRgbToColor(img.pixel(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (d->kind == Impl::Bitmap) {
        QImage& img = d->bitmap->Surface();
        if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
            reinterpret_cast<QRgb*>(img.scanLine(y))[x] = ColorToQRgb(color);
        return;
    }
    Session p(d.get(), Transform);
    if (!p)
        return;
    p->fillRect(QRect(x, y, 1, 1), ColorToQColor(color));
}

QImage TCanvas::Snapshot() const
{
    if (d->kind == Impl::Bitmap)
        return d->bitmap->SurfaceForRead().copy();
    if (d->kind == Impl::Device && d->device && d->device->devType() == QInternal::Image)
        return static_cast<QImage*>(d->device)->convertToFormat(QImage::Format_RGB32);
    return QImage();
}
