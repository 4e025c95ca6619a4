#include "document/paper_sample.h"

#include "document/paper_type.h"
#include "document/std.h"
#include "platform/bitmap.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr TColor kShadowColor = 0x808080;
constexpr TColor kSheetColor = 0xFCFCFC;
constexpr TColor kLabelColor = 0xF8C18F;
constexpr TColor kOutlineColor = 0xE0B070;
constexpr TColor kHoleColor = 0xF9F9F9;

// Stored lengths are read as unsigned 32-bit values.
double len(int32_t v) { return double(uint32_t(v)); }

// RoundValue(x) <= limit, without rounding values that do not fit an int.
bool roundFits(double x, int limit)
{
    if (x > double(limit) + 1.0)
        return false;
    return RoundValue(x) <= limit;
}

// Pixels of a length at scale n; damaged records cannot push a coordinate out of int range.
int px(double length, int64_t n)
{
    return RoundValue(std::clamp(length / double(n), -1e7, 1e7));
}

int truncPx(int64_t sum, int64_t n)
{
    return int(std::clamp<int64_t>(sum / n, -10000000, 10000000));
}

struct Geometry {
    TRect sample;   // on the work bitmap
    int64_t n = 1;
    TRect rectOf(int32_t x, int32_t y, int32_t width, int32_t height) const
    {
        const int x0 = sample.Left + px(len(x), n);
        const int y0 = sample.Top + px(len(y), n);
        return TRect(x0, y0, x0 + px(len(width), n), y0 + px(len(height), n));
    }
    TRect holeOf(const TRect& r, int32_t core) const
    {
        const int wp = r.Width(), hp = r.Height(), cp = px(len(core), n);
        return TRect(r.Left + (wp - cp) / 2, r.Top + (hp - cp) / 2, r.Left + (wp + cp) / 2,
                     r.Top + (hp + cp) / 2);
    }
};

void drawVectorLabels(TCanvas* c, const PaperType* paper, const Geometry& g)
{
    c->Brush.Style = bsSolid;
    c->Pen.Style = psSolid;
    c->Pen.Color = kOutlineColor;
    c->Pen.Width = 1;
    for (const PaperShape& s : paper->Shapes) {
        const TRect r = g.rectOf(s.X, s.Y, paper->ShapeWidth, paper->ShapeHeight);
        c->Brush.Color = kLabelColor;
        if (paper->ShapeStyle == ShapeCircle) {
            c->Ellipse(r);
            c->Brush.Color = kHoleColor;
            c->Ellipse(g.holeOf(r, paper->CoreWidth));
        } else if (paper->ShapeStyle == ShapeRectangle) {
            c->Rectangle(r);
            if (paper->CoreWidth != 0)
                c->Ellipse(g.holeOf(r, paper->CoreWidth));
        }
        for (const PaperExtraLine& l : paper->ExtraLines) {
            c->MoveTo(g.sample.Left + truncPx(int64_t(s.X) + l.XFrom, g.n),
                      g.sample.Top + truncPx(int64_t(s.Y) + l.YFrom, g.n));
            c->LineTo(g.sample.Left + truncPx(int64_t(s.X) + l.XTo, g.n),
                      g.sample.Top + truncPx(int64_t(s.Y) + l.YTo, g.n));
        }
    }
    const TBrushStyle oldStyle = c->Brush.Style;
    c->Brush.Style = bsClear;
    for (const PaperOtherShape& o : paper->OtherShapes) {
        const TRect r = g.rectOf(o.X, o.Y, o.Width, o.Height);
        if (o.Style == ShapeCircle) {
            c->Ellipse(r);
            c->Ellipse(g.holeOf(r, o.CoreWidth));
        } else if (o.Style == ShapeRectangle) {
            c->Rectangle(r);
            if (o.CoreWidth != 0)
                c->Ellipse(g.holeOf(r, o.CoreWidth));
        }
    }
    c->Brush.Style = oldStyle;
}

void drawMaskedLabels(TBitmap& work, const PaperType* paper, const Geometry& g)
{
    TCanvas* c = work.Canvas();
    const int wp = px(len(paper->ShapeWidth), g.n);
    const int hp = px(len(paper->ShapeHeight), g.n);
    if (wp > 0 && hp > 0 && !paper->Shapes.empty()) {
        TBitmap mask(wp, hp, pf32bit);   // white unless the paper has a picture
        if (paper->ShapeMaskBitmap && !paper->ShapeMaskBitmap->Empty())
            mask.Canvas()->StretchDraw(TRect(0, 0, wp, hp), paper->ShapeMaskBitmap.get());
        for (const PaperShape& s : paper->Shapes) {
            const TRect r = g.rectOf(s.X, s.Y, paper->ShapeWidth, paper->ShapeHeight);
            const TCopyMode old = c->CopyMode;
            c->CopyMode = cmSrcAnd;
            c->CopyRect(r, mask.Canvas(), TRect(0, 0, wp, hp));
            c->CopyMode = old;
        }
    }
    // Black mask pixels become the label colour, white ones a tinted sheet.
    TBitmap tint(work.Width(), work.Height(), pf32bit);
    tint.Canvas()->Brush.Color = kLabelColor;
    tint.Canvas()->Brush.Style = bsSolid;
    tint.Canvas()->FillRect(g.sample);
    const TCopyMode old = c->CopyMode;
    c->CopyMode = cmSrcPaint;
    c->CopyRect(g.sample, tint.Canvas(), g.sample);
    c->CopyMode = old;

    const TBrushStyle oldBrush = c->Brush.Style;
    const TPenStyle oldPen = c->Pen.Style;
    const TColor oldColor = c->Pen.Color;
    c->Brush.Style = bsClear;
    c->Pen.Style = psSolid;
    c->Pen.Color = kLabelColor;
    for (const PaperOtherShape& o : paper->OtherShapes) {
        const TRect r = g.rectOf(o.X, o.Y, o.Width, o.Height);
        if (o.Style == ShapeCircle) {
            c->Ellipse(r);
            c->Ellipse(g.holeOf(r, o.CoreWidth));
        } else if (o.Style == ShapeRectangle) {
            c->Rectangle(r);
        }
    }
    c->Brush.Style = oldBrush;
    c->Pen.Style = oldPen;
    c->Pen.Color = oldColor;
}

} // namespace

bool FitPaperSample(double width, double height, int64_t start, const TRect& rect, int64_t& n,
                    TRect& sample)
{
    if (rect.IsEmpty())
        return false;
    const int rw = rect.Width(), rh = rect.Height();
    width = std::max(width, 0.0);
    height = std::max(height, 0.0);
    start = std::max<int64_t>(start, 1);
    auto fits = [&](int64_t k) {
        return roundFits(width / double(k), rw) && roundFits(height / double(k), rh);
    };
    // At this scale both extents are at most half a pixel, so it always fits.
    const int64_t hi = std::max<int64_t>(start, int64_t(std::ceil(2.0 * std::max(width, height))) + 1);
    // RoundValue(x) <= r exactly when x <= r + 0.5.
    const double estimate = std::max({double(start), std::ceil(width / (rw + 0.5)),
                                      std::ceil(height / (rh + 0.5))});
    int64_t c = estimate >= double(hi) ? hi : int64_t(estimate);
    for (int i = 0; i < 3 && c > start && fits(c - 1); ++i)
        --c;
    for (int i = 0; i < 3 && c < hi && !fits(c); ++i)
        ++c;
    if (!fits(c) || (c > start && fits(c - 1))) {
        // Rounding fooled the estimate: settle it by bisection (fits() grows with k).
        int64_t lo = start, up = hi;
        while (lo < up) {
            const int64_t mid = lo + (up - lo) / 2;
            if (fits(mid))
                up = mid;
            else
                lo = mid + 1;
        }
        c = lo;
    }
    n = c;
    const int w = RoundValue(width / double(n));
    const int h = RoundValue(height / double(n));
    sample.Left = rect.Left + (rw - w) / 2;
    sample.Top = rect.Top + (rh - h) / 2;
    sample.Right = sample.Left + w;
    sample.Bottom = sample.Top + h;
    return true;
}

void DrawPaperSample(TCanvas* canvas, const PaperType* paper, int d, TRect rect)
{
    if (!canvas || !paper || rect.IsEmpty())
        return;
    int64_t n = 1;
    TRect s;

    if (paper->HasPreview) {
        const TBitmap* preview = paper->PreviewBitmap.get();
        if (!preview || preview->Empty())
            return;
        if (!FitPaperSample(preview->Width(), preview->Height(), 1, rect, n, s) || s.IsEmpty())
            return;
        canvas->StretchDraw(s, preview);
        return;
    }

    if (!FitPaperSample(len(paper->PaperWidth), len(paper->PaperLength), int64_t(d) + 1, rect, n, s)
        || s.IsEmpty())
        return;

    const TPen oldPen = canvas->Pen;
    const TBrush oldBrush = canvas->Brush;

    canvas->Brush.Color = kShadowColor;
    canvas->Brush.Style = bsSolid;
    canvas->FillRect(TRect(s.Right, s.Top + 4, s.Right + 4, s.Bottom + 4));
    canvas->FillRect(TRect(s.Left + 4, s.Bottom, s.Right + 4, s.Bottom + 4));

    // The sheet is drawn on a bitmap of its own size and copied in one step.
    TBitmap work(s.Width(), s.Height(), pf32bit);
    TCanvas* wc = work.Canvas();
    Geometry g;
    g.sample = TRect(0, 0, s.Width(), s.Height());
    g.n = n;
    wc->Pen.Style = psClear;
    wc->Brush.Color = kSheetColor;
    wc->Brush.Style = bsSolid;
    wc->Rectangle(g.sample);

    if (!paper->HasShapeMask)
        drawVectorLabels(wc, paper, g);
    else
        drawMaskedLabels(work, paper, g);

    // With the clear pen still set (mask papers) this draws no border.
    wc->Pen.Color = clBlack;
    wc->Brush.Style = bsClear;
    wc->Rectangle(g.sample);

    const TCopyMode oldMode = canvas->CopyMode;
    canvas->CopyMode = cmSrcCopy;
    canvas->CopyRect(s, wc, g.sample);
    canvas->CopyMode = oldMode;

    canvas->Brush = oldBrush;
    canvas->Pen = oldPen;
}
