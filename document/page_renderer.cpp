// The page renderer: the document's objects, the paper's outlines and the label's shape drawn
// into one bitmap for printing, preview, export and the multiple-image wizard.
#include "document/page_renderer.h"

#include "document/child_frame.h"
#include "document/paper_type.h"
#include "document/paper_translations.h"
#include "document/std.h"
#include "platform/ini_file.h"
#include "platform/large_memory.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

const char* const FullShapeMaskSection = "shape_mask_full";
const char* const OutlineMaskSection = "shape_mask_full_out_line";

namespace {

// Damaged paper records can put a coordinate anywhere; the drawing layer only ever sees values
// it can rasterise.
constexpr double kCoordinateLimit = 1.0e6;

int Trunc(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
}

int Round(double v)
{
    if (!std::isfinite(v))
        return 0;
    return RoundValue(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
}

// Record sizes and coordinates are unsigned 32-bit values.
double U(int32_t v)
{
    return double(uint32_t(v));
}

// A pen width of a scale: never below one pixel, never wider than the page.
int PenWidth(double width, int pageSide)
{
    return std::clamp(Round(width), 1, std::max(pageSide, 1));
}

void FillCanvas(TCanvas* canvas, TColor color, int width, int height)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = color;
    canvas->FillRect(TRect(0, 0, width, height));
}

// A fresh target of the given size and format; every pixel white.
void ResetTarget(TBitmap* target, int width, int height, TPixelFormat format)
{
    target->Clear();
    target->SetPixelFormat(format);
    target->SetSize(width, height);
}

// Every pixel that is not pure white becomes black (a 32-bit bitmap).
void ToBlackAndWhite(TBitmap& bitmap)
{
    const int w = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(bitmap.ScanLine(y));
        for (int x = 0; x < w; ++x)
            p[x] = (p[x] & 0xFFFFFFu) == 0xFFFFFFu ? 0xFFFFFFFFu : 0xFF000000u;
    }
}

const std::array<uint8_t, 3 * 255 * 255 + 1>& GreyTable()
{
    static const auto table = [] {
        std::array<uint8_t, 3 * 255 * 255 + 1> t{};
        for (size_t sum = 0; sum < t.size(); ++sum)
            t[sum] = uint8_t(std::min(RoundValue(std::sqrt(double(sum) * (1.0 / 3.0))), 255));
        return t;
    }();
    return table;
}

// The grey of a pixel (B, G, R in its low three bytes) as a pixel with its fourth byte 0. Pages
// are mostly runs of one colour, so the last answer is kept for the next pixel.
class GreyPixel {
public:
    uint32_t operator()(uint32_t c)
    {
        c &= 0xFFFFFFu;
        if (c != m_last) {
            const unsigned b = c & 0xFF, g = (c >> 8) & 0xFF, r = c >> 16;
            m_last = c;
            m_grey = m_table[b * b + g * g + r * r] * 0x010101u;
        }
        return m_grey;
    }

private:
    const std::array<uint8_t, 3 * 255 * 255 + 1>& m_table = GreyTable();
    uint32_t m_last = 0xFFFFFFu, m_grey = 0xFFFFFFu;
};

// The label's page in one pass over its pixels: the design ORed onto the shape mask (black
// where the label is, white elsewhere), so the design shows only inside the shape, then written
// in the page's own format, or as grey. Both bitmaps are 32-bit and of the same size.
void CombineMaskAndDesign(TBitmap& target, const QImage& design, TPixelFormat format, bool grey)
{
    QImage& mask = target.image();
    const int w = mask.width(), h = mask.height();
    if (grey || format != pf24bit) {
        GreyPixel toGrey;
        for (int y = 0; y < h; ++y) {
            auto* d = reinterpret_cast<uint32_t*>(mask.scanLine(y));
            const auto* s = reinterpret_cast<const uint32_t*>(design.constScanLine(y));
            if (grey) {
                for (int x = 0; x < w; ++x)
                    d[x] = toGrey(d[x] | s[x]);
            } else {
                for (int x = 0; x < w; ++x)
                    d[x] = 0xFF000000u | d[x] | s[x];
            }
        }
        return;
    }
    QImage out = NewLargeImage(w, h, QImage::Format_BGR888);
    if (out.isNull())
        throw EInvalidGraphic(SOutOfResources);
    const qsizetype line = out.bytesPerLine();
    for (int y = 0; y < h; ++y) {
        const auto* m = reinterpret_cast<const uint32_t*>(mask.constScanLine(y));
        const auto* s = reinterpret_cast<const uint32_t*>(design.constScanLine(y));
        uchar* const row = out.scanLine(y);
        uchar* d = row;
        for (int x = 0; x < w; ++x, d += 3) {
            const uint32_t c = m[x] | s[x];
            d[0] = uchar(c);
            d[1] = uchar(c >> 8);
            d[2] = uchar(c >> 16);
        }
        std::fill(d, row + line, uchar(0));
    }
    target.SetImage(out);
}

} // namespace

TSize PagePixelSize(const PaperType& paper, int pageMode, int dpi)
{
    const bool sheet = pageMode == PageModeFull;
    const double w = U(sheet ? paper.PaperWidth : paper.ShapeWidth);
    const double h = U(sheet ? paper.PaperLength : paper.ShapeHeight);
    auto pixels = [dpi](double size) { return Round(size * 0.003937 * dpi); };
    return TSize{pixels(w), pixels(h)};
}

void LimitPageSize(int& width, int& height)
{
    if (width <= PageBitmapLimit && height <= PageBitmapLimit)
        return;
    if (width >= height) {
        const float f = float(PageBitmapLimit) / float(width);
        width = PageBitmapLimit;
        height = RoundValue(double(float(height) * f));
    } else {
        const float f = float(PageBitmapLimit) / float(height);
        height = PageBitmapLimit;
        width = RoundValue(double(float(width) * f));
    }
}

void GreyPagePixels(TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    if (bitmap.PixelFormat() != pf32bit)
        bitmap.SetPixelFormat(pf32bit);
    GreyPixel toGrey;
    const int w = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(bitmap.ScanLine(y));
        for (int x = 0; x < w; ++x)
            p[x] = toGrey(p[x]);
    }
}

std::unique_ptr<TBitmap> LoadPaperMaskPicture(const TGUID& id, const QString& section)
{
    const QString table = PaperMaskTableFileName();
    if (table.isEmpty() || !QFileInfo(table).isFile())
        return nullptr;
    QString name;
    {
        const TIniFile ini(table);
        name = ini.ReadString(section, GUIDToString(id), QString());
    }
    const QString file = PaperMaskPictureFileName(name);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return nullptr;
    auto picture = std::make_unique<TBitmap>();
    picture->LoadFromFile(file);
    return picture;
}

namespace {

// One render of a page: the window's design, its paper and the page's size, and the steps that
// draw them.
class PageRender {
public:
    PageRender(const TChildFrame& frame, int width, int height)
        : m_frame(frame), m_paper(*frame.Paper), m_width(width), m_height(height),
          m_side(std::max(width, height)),
          m_origin(frame.PaperCentre.X - frame.HalfWidth, frame.PaperCentre.Y - frame.HalfHeight),
          // Target pixels per window pixel; a window without a paper area places no objects.
          m_scale(frame.HalfWidth > 0 ? float(width * 0.5) / float(frame.HalfWidth) : 0.0f)
    {
    }

    // Full-page mode: the design and the outlines of every label straight onto the target.
    void RenderSheet(TBitmap* target, TPixelFormat format, bool drawOutLine) const;
    // Label mode: the design cut out by the label's shape (and its centre hole with maskCore).
    // With grey the target comes out already grey.
    void RenderLabel(TBitmap* target, TPixelFormat format, bool drawOutLine, bool maskCore, bool grey) const;

private:
    void drawObjects(TCanvas* canvas) const;
    void drawSheetOutlines(TCanvas* canvas) const;
    void drawLabelOutline(TCanvas* canvas, int holeRadius) const;
    // outlinePen: the width of the hole's outline on the design, 0 for none.
    void drawShapeMask(TBitmap* target, int holeRadius, bool maskCore, int outlinePen) const;
    // Radius of the centre hole in pixels; 0 when the paper has none.
    int holeRadius() const;

    const TChildFrame& m_frame;
    const PaperType& m_paper;
    const int m_width, m_height, m_side;
    const TPoint m_origin;
    const float m_scale;
};

void PageRender::drawObjects(TCanvas* canvas) const
{
    if (m_scale <= 0.0f || !std::isfinite(m_scale))
        return;
    for (CDesignObject* o : m_frame.Objects()) {
        // Shapes draw their figures with the canvas's pen: none on paper.
        canvas->Pen.Style = psClear;
        canvas->CopyMode = cmSrcCopy;
        o->DrawTo(*canvas, QPoint(o->Left() - m_origin.X, o->Top() - m_origin.Y), m_scale);
    }
}

void PageRender::drawSheetOutlines(TCanvas* canvas) const
{
    const PaperType& paper = m_paper;
    const float s = float(m_width) / float(uint32_t(paper.PaperWidth));
    const double sw = U(paper.ShapeWidth), sh = U(paper.ShapeHeight), cw = U(paper.CoreWidth);
    canvas->CopyMode = cmSrcCopy;
    if (paper.HasShapeMask) {
        if (m_frame.MaskBitmap && !m_frame.MaskBitmap->Empty()) {
            for (const PaperShape& shape : paper.Shapes) {
                const double x = U(shape.X) * s, y = U(shape.Y) * s;
                canvas->StretchDraw(TRect(Trunc(x), Trunc(y), Trunc(x + sw * s), Trunc(y + sh * s)),
                                    m_frame.MaskBitmap.get());
            }
        }
        return;
    }
    canvas->Pen.Style = psSolid;
    canvas->Pen.Mode = pmCopy;
    canvas->Pen.Color = m_frame.OutlineColor;
    canvas->Pen.Width = PenWidth(1.0 * m_scale, m_side);
    canvas->Brush.Style = bsClear;
    for (const PaperShape& shape : paper.Shapes) {
        const double x = U(shape.X) * s, y = U(shape.Y) * s;
        if (paper.ShapeStyle == ShapeCircle) {
            canvas->Ellipse(Trunc(x), Trunc(y), Trunc(x + sw * s), Trunc(y + sh * s));
            if (paper.CoreWidth != 0)
                canvas->Ellipse(Trunc(x + double(int64_t(sw - cw) / 2) * s),
                                Trunc(y + double(int64_t(sh - cw) / 2) * s),
                                Trunc(x + double(int64_t(sw + cw) / 2) * s),
                                Trunc(y + double(int64_t(sh + cw) / 2) * s));
        } else if (paper.ShapeStyle == ShapeRectangle) {
            canvas->Rectangle(Trunc(x), Trunc(y), Trunc(x + sw * s), Trunc(y + sh * s));
        }
        for (const PaperExtraLine& line : paper.ExtraLines) {
            // The sums are taken in 32 bits, as the record holds them.
            canvas->MoveTo(Trunc(double(uint32_t(shape.X) + uint32_t(line.XFrom)) * s),
                           Trunc(double(uint32_t(shape.Y) + uint32_t(line.YFrom)) * s));
            canvas->LineTo(Trunc(double(uint32_t(shape.X) + uint32_t(line.XTo)) * s),
                           Trunc(double(uint32_t(shape.Y) + uint32_t(line.YTo)) * s));
        }
    }
    canvas->Brush.Style = bsClear;
    for (const PaperOtherShape& other : paper.OtherShapes) {
        const double x = U(other.X), y = U(other.Y), w = U(other.Width), h = U(other.Height), c = U(other.CoreWidth);
        if (other.Style == ShapeCircle) {
            canvas->Ellipse(Trunc(x * s), Trunc(y * s), Trunc((x + w) * s), Trunc((y + h) * s));
            if (other.CoreWidth != 0)
                canvas->Ellipse(Trunc((x + double(int64_t(w - c) / 2)) * s),
                                Trunc((y + double(int64_t(h - c) / 2)) * s),
                                Trunc((x + double(int64_t(w + c) / 2)) * s),
                                Trunc((y + double(int64_t(h + c) / 2)) * s));
        } else if (other.Style == ShapeRectangle) {
            canvas->Rectangle(Trunc(x * s), Trunc(y * s), Trunc((x + w) * s), Trunc((y + h) * s));
        }
    }
}

void PageRender::RenderSheet(TBitmap* target, TPixelFormat format, bool drawOutLine) const
{
    ResetTarget(target, m_width, m_height, format);
    TCanvas* canvas = target->Canvas();
    FillCanvas(canvas, m_frame.CoreColor, m_width, m_height);
    drawObjects(canvas);
    if (drawOutLine && m_paper.PaperWidth != 0)
        drawSheetOutlines(canvas);
    canvas->Pen = TPen();
    canvas->Brush = TBrush();
}

int PageRender::holeRadius() const
{
    if (m_paper.CoreWidth == 0 || m_paper.ShapeWidth == 0)
        return 0;
    const float ratio = float(uint32_t(m_paper.ShapeWidth)) / float(uint32_t(m_paper.CoreWidth));
    return std::max(Round(double(m_width) / (double(ratio) * 2.0)), 0);
}

void PageRender::drawLabelOutline(TCanvas* canvas, int r) const
{
    const PaperType& paper = m_paper;
    canvas->CopyMode = cmSrcCopy;
    if (paper.HasShapeMask) {
        if (std::unique_ptr<TBitmap> outline = LoadPaperMaskPicture(paper.ID, QLatin1String(OutlineMaskSection))) {
            outline->SetTransparent(true);
            if (outline->PixelFormat() == pf1bit)
                outline->SetTransparentColor(clWhite);
            else
                outline->SetTransparentMode(tmAuto);
            canvas->StretchDraw(TRect(0, 0, m_width, m_height), outline.get());
        }
        return;
    }
    const int cx = m_width / 2, cy = m_height / 2;
    canvas->Pen.Style = psSolid;
    canvas->Pen.Mode = pmCopy;
    canvas->Pen.Color = m_frame.OutlineColor;
    canvas->Pen.Width = PenWidth(2.0 * m_scale, m_side);
    canvas->Brush.Style = bsClear;
    if (paper.ShapeStyle == ShapeCircle) {
        canvas->Ellipse(0, 0, m_width, m_height);
        canvas->Pen.Width = PenWidth(1.0 * m_scale, m_side);
        if (r > 0)
            canvas->Ellipse(cx - r, cy - r, cx + r, cy + r);
    } else if (paper.ShapeStyle == ShapeRectangle) {
        canvas->Rectangle(0, 0, m_width, m_height);
    }
    if (!paper.ExtraLines.empty() && paper.ShapeWidth != 0) {
        const float k = float(m_width) / float(uint32_t(paper.ShapeWidth));
        for (const PaperExtraLine& line : paper.ExtraLines) {
            canvas->MoveTo(Round(U(line.XFrom) * k), Round(U(line.YFrom) * k));
            canvas->LineTo(Round(U(line.XTo) * k), Round(U(line.YTo) * k));
        }
    }
}

// The shape mask, black where the label is and white elsewhere (only white stays white, as on
// a one-bit bitmap), is drawn straight onto the white target: ANDing a white page with the mask
// gives the mask itself.
void PageRender::drawShapeMask(TBitmap* target, int r, bool maskCore, int outlinePen) const
{
    TCanvas* tc = target->Canvas();
    tc->Brush.Style = bsSolid;
    tc->Brush.Color = clBlack;
    tc->Pen = TPen();
    tc->CopyMode = cmSrcCopy;
    std::unique_ptr<TBitmap> full;
    if (m_paper.HasShapeMask)
        full = LoadPaperMaskPicture(m_paper.ID, QLatin1String(FullShapeMaskSection));
    if (full) {
        full->SetTransparent(false);
        tc->StretchDraw(TRect(0, 0, m_width, m_height), full.get());
        ToBlackAndWhite(*target);
    } else if (m_paper.ShapeStyle == ShapeCircle) {
        // Also a paper whose full-shape picture is missing: its geometric shape, not a blank page.
        tc->Ellipse(0, 0, m_width, m_height);
    } else {
        tc->Rectangle(0, 0, m_width, m_height);
    }
    if (maskCore && r > 0) {
        // The hole is cleared to its rim: no outline of the design shows around it.
        const int cx = m_width / 2, cy = m_height / 2;
        tc->Brush.Color = clWhite;
        tc->Pen.Style = psClear;
        tc->Ellipse(cx - r, cy - r, cx + r + 1, cy + r + 1);
        // The hole's outline, drawn on the design with the same pen, shows through whole.
        if (outlinePen > 0) {
            tc->Brush.Style = bsClear;
            tc->Pen.Style = psSolid;
            tc->Pen.Color = clBlack;
            tc->Pen.Width = outlinePen;
            tc->Ellipse(cx - r, cy - r, cx + r, cy + r);
        }
    }
}

void PageRender::RenderLabel(TBitmap* target, TPixelFormat format, bool drawOutLine, bool maskCore, bool grey) const
{
    // The design on a work bitmap, then the label's shape and the design onto the target. Both
    // are drawn in 32 bits, so no drawing step converts a whole page between pixel formats; the
    // target takes its own format at the end.
    TBitmap work(m_width, m_height, pf32bit);
    TCanvas* wc = work.Canvas();
    FillCanvas(wc, m_frame.CoreColor, m_width, m_height);
    drawObjects(wc);
    const int r = holeRadius();
    if (drawOutLine)
        drawLabelOutline(wc, r);

    ResetTarget(target, m_width, m_height, pf32bit);
    const int holePen = drawOutLine && !m_paper.HasShapeMask && m_paper.ShapeStyle == ShapeCircle
                            ? PenWidth(1.0 * m_scale, m_side)
                            : 0;
    drawShapeMask(target, r, maskCore, holePen);
    TCanvas* tc = target->Canvas();
    tc->Pen = TPen();
    tc->Brush = TBrush();
    CombineMaskAndDesign(*target, work.image(), format, grey);
}

} // namespace

void TChildFrame::RenderPage(TBitmap* target, int width, int height, bool drawOutLine, bool greyscale,
                             bool maskCore)
{
    if (!target || !Paper)
        return;
    // A page always has at least one pixel, so nothing below divides by zero.
    width = std::max(width, 1);
    height = std::max(height, 1);
    LimitPageSize(width, height);
    width = std::max(width, 1);
    height = std::max(height, 1);

    const TPixelFormat format = greyscale ? pf32bit : pf24bit;
    const PageRender render(*this, width, height);
    if (PageMode == PageModeFull) {
        render.RenderSheet(target, format, drawOutLine);
        if (greyscale)
            GreyPagePixels(*target);
    } else {
        render.RenderLabel(target, format, drawOutLine, maskCore, greyscale);
    }
}
