#include "bars/sb_panel_draw.h"

#include "bars/sb_common.h"
#include "platform/bitmap.h"
#include "bars/image_list.h"
#include "platform/system_metrics.h"

#include <QFontInfo>
#include <algorithm>
#include <set>

namespace {

TFont MakeGlyphFont()
{
    TFont f;
    f.Name = QStringLiteral("Marlett");
    f.SetSize(6);
    return f;
}

int GlyphPixels(int size)
{
    return std::max(1, (size * 96 + 36) / 72);
}

} // namespace

const TFont& GetGlyphFont()
{
    static const TFont font = MakeGlyphFont();
    return font;
}

void GetGlyphExtent(TCanvas&, int size, TSize& extent)
{
    // The glyph is a square cell of the point size.
    const int px = GlyphPixels(size);
    extent = TSize{px, px};
}

void GetArrowBoxSize(TCanvas&, TSize& size)
{
    const int px = std::max(1, GetSystemMetrics(SM_CYSMSIZE) - 6);
    size = TSize{px + 7, px + 6};
}

void FillFrame(TCanvas& c, const TRect& outer, const TRect& inner)
{
    c.FillRect(TRect(outer.Left, outer.Top, inner.Left, outer.Bottom));
    c.FillRect(TRect(inner.Right, outer.Top, outer.Right, outer.Bottom));
    c.FillRect(TRect(inner.Left, outer.Top, inner.Right, inner.Top));
    c.FillRect(TRect(inner.Left, inner.Bottom, inner.Right, outer.Bottom));
}

void DrawEdges(TCanvas& c, const TRect& r, TColor topLeftColor, TColor bottomRightColor)
{
    const TPen saved = c.Pen;
    c.Pen.Style = psSolid;
    c.Pen.Width = 1;
    c.Pen.Color = topLeftColor;
    c.MoveTo(r.Left, r.Bottom - 1);
    c.LineTo(r.Left, r.Top);
    c.LineTo(r.Right - 1, r.Top);
    c.Pen.Color = bottomRightColor;
    c.LineTo(r.Right - 1, r.Bottom - 1);
    c.LineTo(r.Left - 1, r.Bottom - 1);
    c.Pen = saved;
}

void DrawFrame3D(TCanvas& c, const TRect& r, TColor shadowColor, bool down)
{
    if (down)
        DrawEdges(c, r, shadowColor, clWhite);
    else
        DrawEdges(c, r, clWhite, shadowColor);
}

int ArrowDividerX(TCanvas& c, const TRect& r)
{
    TSize ext;
    GetGlyphExtent(c, 8, ext);
    return r.Right - ext.cx - 6;
}

void DrawArrowButtonFrame(TCanvas& c, const TRect& r, TColor shadowColor, int state)
{
    const int divider = ArrowDividerX(c, r);
    const TRect caption(r.Left, r.Top, divider, r.Bottom);
    const TRect arrow(divider, r.Top, r.Right, r.Bottom);
    switch (state) {
    case 1:
        DrawFrame3D(c, caption, shadowColor, true);
        DrawFrame3D(c, arrow, shadowColor, true);
        break;
    case 2:
        DrawFrame3D(c, caption, shadowColor, false);
        DrawFrame3D(c, arrow, shadowColor, true);
        break;
    default:
        DrawFrame3D(c, caption, shadowColor, false);
        DrawFrame3D(c, arrow, shadowColor, false);
        break;
    }
}

void CalcTextRect(TCanvas& c, const TRect& r, const QString& text, TRect& textRect)
{
    textRect = r;
    if (text.isEmpty()) {
        textRect.Right = textRect.Left;
        return;
    }
    TRect m = r;
    c.DrawText(text, m, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    textRect.Right = std::min(m.Right, r.Right);
}

void CutRect(TCanvas& c, TRect& r, int width, bool fill, bool fromRight, int margin)
{
    if (width < 0)
        return;
    TRect strip = r;
    if (fromRight) {
        strip.Left = std::max(r.Right - width, r.Left + margin);
        strip.Left = std::min(strip.Left, r.Right);
    } else {
        strip.Right = std::min(r.Left + width, r.Right - margin);
        strip.Right = std::max(strip.Right, r.Left);
    }
    if (strip.IsEmpty())
        return;
    if (fill)
        c.FillRect(strip);
    if (fromRight)
        r.Right = strip.Left;
    else
        r.Left = strip.Right;
}

namespace {

// Places the text box of extent inside r by the DrawTextInRect bits, clipped to r.
TRect PlaceInRect(const TRect& r, int w, int h, unsigned flags)
{
    TRect t(r.Left, r.Top, r.Left + w, r.Top + h);
    t.Right = std::min(t.Right, r.Right);
    if (flags & DT_CENTER)
        HCenterRect(t, r);
    if (flags & DT_BOTTOM)
        BottomAlignRect(t, r);
    else if (flags & DT_VCENTER)
        VCenterRect(t, r);
    IntersectInto(t, r);
    return t;
}

} // namespace

void DrawTextInRect(TCanvas& c, const QString& text, unsigned flags, const TRect& r)
{
    const bool transparent = flags & DTR_TRANSPARENT;
    const unsigned rest = flags & ~(DT_CENTER | DT_VCENTER | DT_BOTTOM | DTR_TRANSPARENT);
    if (text.isEmpty()) {
        if (!transparent)
            c.FillRect(r);
        return;
    }
    TRect m = r;
    c.DrawText(text, m, rest | DT_CALCRECT);
    m.Right = std::min(m.Right, r.Right);
    if (m.IsEmpty())
        return;
    TRect t = PlaceInRect(r, m.Width(), m.Height(), flags);
    if (!transparent)
        FillFrame(c, r, t);
    const TBrush saved = c.Brush;
    if (transparent)
        c.Brush.Style = bsClear;
    c.DrawText(text, t, rest);
    c.Brush = saved;
}

void DrawDropDownArrow(TCanvas& c, const TRect& r, TRect& arrowRect, unsigned flags, int size)
{
    TRect box = r;
    if (flags & DT_BOTTOM)
        box.Bottom = std::max(box.Top, box.Bottom - 4);
    TSize ext;
    GetGlyphExtent(c, size, ext);
    arrowRect = PlaceInRect(box, ext.cx, ext.cy, flags | DT_CENTER);
    if (!(flags & DTR_TRANSPARENT))
        FillFrame(c, TRect(r.Left, r.Top, r.Right, r.Bottom), arrowRect);
    // The down triangle of the glyph cell: full width on top, point at the middle below.
    const int w = arrowRect.Width();
    const int half = std::max(1, w / 4);
    const int cx = arrowRect.Left + w / 2;
    const int cy = (arrowRect.Top + arrowRect.Bottom) / 2;
    const TPen savedPen = c.Pen;
    const TBrush savedBrush = c.Brush;
    c.Pen.Color = c.Font.Color;
    c.Pen.Style = psSolid;
    c.Brush.Color = c.Font.Color;
    c.Brush.Style = bsSolid;
    c.Polygon({{cx - half * 2 + 1, cy - half / 2 - 1}, {cx + half * 2 - 1, cy - half / 2 - 1}, {cx, cy + half}});
    c.Pen = savedPen;
    c.Brush = savedBrush;
}

namespace {

// One axis of AlignRect: where a length starts between lo and hi (mode 0 keeps lo).
int AlignedStart(int lo, int hi, int length, int mode, int margin, int minPos)
{
    switch (mode) {
    case 1: return std::max(std::min(lo, hi - margin - length), lo);
    case 2: return (lo + hi - length) / 2;
    case 3: return std::max(hi - length, lo + minPos);
    }
    return lo;
}

} // namespace

void AlignRect(const TRect& source, const TRect& bounds, int hAlign, TRect& r, int margin, int minPos,
               int vAlign)
{
    const int w = source.Width(), h = source.Height();
    r.Left = AlignedStart(bounds.Left, bounds.Right, w, hAlign, margin, minPos);
    r.Top = AlignedStart(bounds.Top, bounds.Bottom, h, vAlign, margin, minPos);
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
    IntersectInto(r, bounds);
}

void DrawImage(TCanvas& c, const TImageList* list, const TBitmap* bitmap, TColor color, bool fill, int index,
               const TRect& r)
{
    if (!list && !bitmap)
        return;
    if (fill) {
        const TBrush saved = c.Brush;
        c.Brush.Color = color;
        c.Brush.Style = bsSolid;
        c.FillRect(r);
        c.Brush = saved;
    }
    if (list) {
        TRect place(0, 0, list->Width(), list->Height());
        HCenterRect(place, r);
        VCenterRect(place, r);
        const QImage img = list->ImageAt(index);
        if (img.isNull())
            return;
        // Clipped to r.
        TRect shown = place;
        IntersectInto(shown, r);
        if (shown.IsEmpty())
            return;
        DrawAlphaImage(c, shown.Left, shown.Top,
                       img.copy(shown.Left - place.Left, shown.Top - place.Top, shown.Width(), shown.Height()));
        return;
    }
    if (bitmap->Empty())
        return;
    const QImage img = bitmap->ToImage();
    TRect place(0, 0, img.width(), img.height());
    HCenterRect(place, r);
    VCenterRect(place, r);
    c.BlitImage(place, img, TRect(0, 0, img.width(), img.height()), SRCCOPY, QRgbToColor(img.pixel(0, 0)));
}

void DrawAlphaImage(TCanvas& c, int x, int y, const QImage& image)
{
    if (image.isNull())
        return;
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    // The canvas leaves out one colour: give the transparent pixels one that no drawn pixel has.
    std::set<QRgb> used;
    bool anyTransparent = false;
    for (int yy = 0; yy < src.height(); ++yy) {
        const QRgb* row = reinterpret_cast<const QRgb*>(src.constScanLine(yy));
        for (int xx = 0; xx < src.width(); ++xx) {
            if (qAlpha(row[xx]) == 0)
                anyTransparent = true;
            else
                used.insert(row[xx] & 0xFFFFFF);
        }
    }
    QRgb key = 0xFF00FF;
    while (anyTransparent && used.count(key))
        key = (key + 0x010203) & 0xFFFFFF;
    QImage flat(src.size(), QImage::Format_RGB32);
    for (int yy = 0; yy < src.height(); ++yy) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(yy));
        QRgb* out = reinterpret_cast<QRgb*>(flat.scanLine(yy));
        for (int xx = 0; xx < src.width(); ++xx)
            out[xx] = 0xFF000000u | (qAlpha(in[xx]) == 0 ? key : (in[xx] & 0xFFFFFF));
    }
    c.BlitImage(Bounds(x, y, flat.width(), flat.height()), flat, TRect(0, 0, flat.width(), flat.height()), SRCCOPY,
                anyTransparent ? QRgbToColor(0xFF000000u | key) : clNone);
}

void DrawBorderSides(TCanvas& c, TRect r, unsigned sides, int size, TColor lightColor, TColor darkColor)
{
    const TPen saved = c.Pen;
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    for (int i = 0; i < size; ++i) {
        if (sides & BorderSide(bdLeft)) {
            c.Pen.Color = lightColor;
            c.MoveTo(r.Left, r.Top);
            c.LineTo(r.Left, r.Bottom);
        }
        if (sides & BorderSide(bdTop)) {
            c.Pen.Color = lightColor;
            c.MoveTo(r.Left, r.Top);
            c.LineTo(r.Right, r.Top);
        }
        if (sides & BorderSide(bdRight)) {
            c.Pen.Color = darkColor;
            c.MoveTo(r.Right - 1, r.Top);
            c.LineTo(r.Right - 1, r.Bottom);
        }
        if (sides & BorderSide(bdBottom)) {
            c.Pen.Color = darkColor;
            c.MoveTo(r.Left, r.Bottom - 1);
            c.LineTo(r.Right, r.Bottom - 1);
        }
        if (sides & BorderSide(bdLeft))
            ++r.Left;
        if (sides & BorderSide(bdTop))
            ++r.Top;
        if (sides & BorderSide(bdRight))
            --r.Right;
        if (sides & BorderSide(bdBottom))
            --r.Bottom;
    }
    c.Pen = saved;
}

TFont CanvasFont(const QFont& f)
{
    TFont out;
    out.Name = f.family();
    out.Height = -QFontInfo(f).pixelSize();
    out.Style = (f.bold() ? fsBold : 0) | (f.italic() ? fsItalic : 0) | (f.underline() ? fsUnderline : 0);
    return out;
}
