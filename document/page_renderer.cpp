// The page renderer: the document's objects, the paper's outlines and the label's shape drawn
// into one bitmap for printing, preview, export and the multiple-image wizard.
#include "document/page_renderer.h"

#include "document/child_frame.h"
#include "document/paper_type.h"
#include "document/paper_translations.h"
#include "document/std.h"
#include "platform/ini_file.h"

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
    const auto& table = GreyTable();
    const int w = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            const unsigned b = p[0], g = p[1], r = p[2];
            const uint8_t v = table[b * b + g * g + r * r];
            p[0] = p[1] = p[2] = v;
            p[3] = 0;
        }
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

    const TPoint origin(PaperCentre.X - HalfWidth, PaperCentre.Y - HalfHeight);
    // Target pixels per window pixel; a window without a paper area places no objects.
    const float scale = HalfWidth > 0 ? float(width * 0.5) / float(HalfWidth) : 0.0f;
    const TPixelFormat format = greyscale ? pf32bit : pf24bit;
    const int side = std::max(width, height);

    auto drawObjects = [&](TCanvas* canvas) {
        if (scale <= 0.0f || !std::isfinite(scale))
            return;
        for (CDesignObject* o : Objects()) {
            // Shapes draw their figures with the canvas's pen: none on paper.
            canvas->Pen.Style = psClear;
            canvas->CopyMode = cmSrcCopy;
            o->DrawTo(*canvas, QPoint(o->Left() - origin.X, o->Top() - origin.Y), scale);
        }
    };

    if (PageMode == PageModeFull) {
        ResetTarget(target, width, height, format);
        TCanvas* canvas = target->Canvas();
        FillCanvas(canvas, CoreColor, width, height);
        drawObjects(canvas);
        if (drawOutLine && Paper->PaperWidth != 0) {
            const float s = float(width) / float(uint32_t(Paper->PaperWidth));
            const double sw = U(Paper->ShapeWidth), sh = U(Paper->ShapeHeight), cw = U(Paper->CoreWidth);
            canvas->CopyMode = cmSrcCopy;
            if (!Paper->HasShapeMask) {
                canvas->Pen.Style = psSolid;
                canvas->Pen.Mode = pmCopy;
                canvas->Pen.Color = OutlineColor;
                canvas->Pen.Width = PenWidth(1.0 * scale, side);
                canvas->Brush.Style = bsClear;
                for (const PaperShape& shape : Paper->Shapes) {
                    const double x = U(shape.X) * s, y = U(shape.Y) * s;
                    if (Paper->ShapeStyle == ShapeCircle) {
                        canvas->Ellipse(Trunc(x), Trunc(y), Trunc(x + sw * s), Trunc(y + sh * s));
                        if (Paper->CoreWidth != 0)
                            canvas->Ellipse(Trunc(x + double(int64_t(sw - cw) / 2) * s),
                                            Trunc(y + double(int64_t(sh - cw) / 2) * s),
                                            Trunc(x + double(int64_t(sw + cw) / 2) * s),
                                            Trunc(y + double(int64_t(sh + cw) / 2) * s));
                    } else if (Paper->ShapeStyle == ShapeRectangle) {
                        canvas->Rectangle(Trunc(x), Trunc(y), Trunc(x + sw * s), Trunc(y + sh * s));
                    }
                    for (const PaperExtraLine& line : Paper->ExtraLines) {
                        // The sums are taken in 32 bits, as the record holds them.
                        canvas->MoveTo(Trunc(double(uint32_t(shape.X) + uint32_t(line.XFrom)) * s),
                                       Trunc(double(uint32_t(shape.Y) + uint32_t(line.YFrom)) * s));
                        canvas->LineTo(Trunc(double(uint32_t(shape.X) + uint32_t(line.XTo)) * s),
                                       Trunc(double(uint32_t(shape.Y) + uint32_t(line.YTo)) * s));
                    }
                }
                canvas->Brush.Style = bsClear;
                for (const PaperOtherShape& other : Paper->OtherShapes) {
                    const double x = U(other.X), y = U(other.Y), w = U(other.Width), h = U(other.Height),
                                 c = U(other.CoreWidth);
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
            } else if (MaskBitmap && !MaskBitmap->Empty()) {
                for (const PaperShape& shape : Paper->Shapes) {
                    const double x = U(shape.X) * s, y = U(shape.Y) * s;
                    canvas->StretchDraw(TRect(Trunc(x), Trunc(y), Trunc(x + sw * s), Trunc(y + sh * s)),
                                        MaskBitmap.get());
                }
            }
        }
        canvas->Pen = TPen();
        canvas->Brush = TBrush();
    } else {
        // The design on a work bitmap, then the label's shape and the design onto the target.
        // Both are drawn in 32 bits, so no drawing step converts a whole page between pixel
        // formats; the target takes its own format at the end.
        TBitmap work(width, height, pf32bit);
        TCanvas* wc = work.Canvas();
        FillCanvas(wc, CoreColor, width, height);
        drawObjects(wc);

        ResetTarget(target, width, height, pf32bit);

        const int cx = width / 2, cy = height / 2;
        // Radius of the centre hole in pixels; 0 when the paper has none.
        int r = 0;
        if (Paper->CoreWidth != 0 && Paper->ShapeWidth != 0) {
            const float ratio = float(uint32_t(Paper->ShapeWidth)) / float(uint32_t(Paper->CoreWidth));
            r = std::max(Round(double(width) / (double(ratio) * 2.0)), 0);
        }

        if (drawOutLine) {
            wc->CopyMode = cmSrcCopy;
            if (!Paper->HasShapeMask) {
                wc->Pen.Style = psSolid;
                wc->Pen.Mode = pmCopy;
                wc->Pen.Color = OutlineColor;
                wc->Pen.Width = PenWidth(2.0 * scale, side);
                wc->Brush.Style = bsClear;
                if (Paper->ShapeStyle == ShapeCircle) {
                    wc->Ellipse(0, 0, width, height);
                    wc->Pen.Width = PenWidth(1.0 * scale, side);
                    if (r > 0)
                        wc->Ellipse(cx - r, cy - r, cx + r, cy + r);
                } else if (Paper->ShapeStyle == ShapeRectangle) {
                    wc->Rectangle(0, 0, width, height);
                }
                if (!Paper->ExtraLines.empty() && Paper->ShapeWidth != 0) {
                    const float k = float(width) / float(uint32_t(Paper->ShapeWidth));
                    for (const PaperExtraLine& line : Paper->ExtraLines) {
                        wc->MoveTo(Round(U(line.XFrom) * k), Round(U(line.YFrom) * k));
                        wc->LineTo(Round(U(line.XTo) * k), Round(U(line.YTo) * k));
                    }
                }
            } else if (std::unique_ptr<TBitmap> outline = LoadPaperMaskPicture(Paper->ID, QLatin1String(OutlineMaskSection))) {
                outline->SetTransparent(true);
                if (outline->PixelFormat() == pf1bit)
                    outline->SetTransparentColor(clWhite);
                else
                    outline->SetTransparentMode(tmAuto);
                wc->StretchDraw(TRect(0, 0, width, height), outline.get());
            }
        }

        // The shape mask, black where the label is and white elsewhere (only white stays
        // white, as on a one-bit bitmap), is drawn straight onto the white target: ANDing a
        // white page with the mask gives the mask itself. ORing the design then leaves it
        // where the mask is black and white everywhere else.
        TCanvas* tc = target->Canvas();
        tc->Brush.Style = bsSolid;
        tc->Brush.Color = clBlack;
        tc->Pen = TPen();
        tc->CopyMode = cmSrcCopy;
        std::unique_ptr<TBitmap> full;
        if (Paper->HasShapeMask)
            full = LoadPaperMaskPicture(Paper->ID, QLatin1String(FullShapeMaskSection));
        if (full) {
            full->SetTransparent(false);
            tc->StretchDraw(TRect(0, 0, width, height), full.get());
            ToBlackAndWhite(*target);
        } else if (Paper->ShapeStyle == ShapeCircle) {
            // Also a paper whose full-shape picture is missing: its geometric shape, not a
            // blank page.
            tc->Ellipse(0, 0, width, height);
        } else {
            tc->Rectangle(0, 0, width, height);
        }
        if (maskCore && r > 0) {
            // The hole is cleared to its rim: no outline of the design shows around it.
            tc->Brush.Color = clWhite;
            tc->Pen.Style = psClear;
            tc->Ellipse(cx - r, cy - r, cx + r + 1, cy + r + 1);
        }

        const TRect all(0, 0, width, height);
        tc->CopyMode = cmSrcPaint;
        tc->CopyRect(all, wc, all);
        tc->CopyMode = cmSrcCopy;
        tc->Pen = TPen();
        tc->Brush = TBrush();
        if (format != pf32bit)
            target->SetImage(target->image().convertToFormat(QImage::Format_BGR888));
    }

    if (greyscale)
        GreyPagePixels(*target);
}
