// Pixel probes of the drawing layer: the GDI rules that drawing code relies on.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "platform/bitmap.h"
#include "platform/graphics.h"

namespace {

std::unique_ptr<TBitmap> WhiteBitmap(int w, int h, TPixelFormat f = pf24bit)
{
    return std::make_unique<TBitmap>(w, h, f);
}

struct Probe {
    int x, y;
    TColor expected;
};

void ExpectPixels(TCanvas* c, const std::vector<Probe>& probes, const char* what)
{
    for (const Probe& p : probes)
        EXPECT_EQ(c->Pixel(p.x, p.y), p.expected) << what << " at (" << p.x << ", " << p.y << ")";
}

} // namespace

TEST(GraphicsColor, ConversionsKeepChannelOrder)
{
    EXPECT_EQ(ColorToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(0xF8C18F), QColor(143, 193, 248));
    EXPECT_EQ(QColorToColor(QColor(112, 176, 224)), 0xE0B070u);
    EXPECT_EQ(ColorToQColor(clNone).alpha(), 0);
    // A system colour resolves to a real colour, never to its raw index.
    EXPECT_EQ(ColorToRGB(clWindowText) & 0xFF000000u, 0u);
    EXPECT_EQ(ColorToRGB(0x02FF0000), 0xFF0000u); // palette-relative flag dropped
}

TEST(GraphicsCanvas, RectangleExcludesRightAndBottomEdge)
{
    struct Case {
        const char* name;
        TPenStyle pen;
        TBrushStyle brush;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        {"pen and brush", psSolid, bsSolid,
         {{2, 2, clBlack}, {9, 7, clBlack}, {9, 2, clBlack}, {5, 5, clRed}, {10, 5, clWhite}, {5, 8, clWhite},
          {1, 1, clWhite}}},
        {"clear pen: one pixel smaller", psClear, bsSolid,
         {{2, 2, clRed}, {8, 6, clRed}, {9, 6, clWhite}, {8, 7, clWhite}, {1, 2, clWhite}}},
        {"clear brush: outline only", psSolid, bsClear,
         {{2, 2, clBlack}, {9, 7, clBlack}, {5, 5, clWhite}, {10, 7, clWhite}}},
    };
    for (const Case& c : cases) {
        auto b = WhiteBitmap(20, 20);
        TCanvas* cv = b->Canvas();
        cv->Pen.Color = clBlack;
        cv->Pen.Style = c.pen;
        cv->Brush.Color = clRed;
        cv->Brush.Style = c.brush;
        cv->Rectangle(2, 2, 10, 8);
        ExpectPixels(cv, c.probes, c.name);
    }
}

TEST(GraphicsCanvas, EllipseFitsInsideItsBoxWithoutRightAndBottomEdge)
{
    auto b = WhiteBitmap(20, 20);
    TCanvas* cv = b->Canvas();
    cv->Pen.Color = clBlack;
    cv->Brush.Color = clRed;
    cv->Ellipse(0, 0, 11, 11);
    ExpectPixels(cv, {{5, 5, clRed}, {0, 5, clBlack}, {10, 5, clBlack}, {5, 0, clBlack}, {5, 10, clBlack},
                      {11, 5, clWhite}, {5, 11, clWhite}, {0, 0, clWhite}, {10, 10, clWhite}},
                 "ellipse");
}

TEST(GraphicsCanvas, FillRectFrameRectAndLineToEndPoint)
{
    auto b = WhiteBitmap(20, 20);
    TCanvas* cv = b->Canvas();
    cv->Brush.Color = clBlue;
    cv->FillRect(TRect(1, 1, 4, 4));
    cv->Brush.Color = clLime;
    cv->FrameRect(TRect(10, 10, 15, 15));
    cv->Pen.Color = clRed;
    cv->MoveTo(0, 18);
    cv->LineTo(10, 18);
    ExpectPixels(cv, {{1, 1, clBlue}, {3, 3, clBlue}, {4, 3, clWhite}, {3, 4, clWhite},
                      {10, 10, clLime}, {14, 14, clLime}, {12, 12, clWhite}, {15, 14, clWhite},
                      {0, 18, clRed}, {9, 18, clRed}, {10, 18, clWhite}},
                 "fill/frame/line");
    EXPECT_EQ(cv->PenPos, TPoint(10, 18));
}

TEST(GraphicsCanvas, NotXorPenDrawsAndErases)
{
    auto b = WhiteBitmap(20, 20);
    TCanvas* cv = b->Canvas();
    cv->Pen.Mode = pmNotXor;
    cv->Pen.Color = clBlack;
    cv->Brush.Style = bsClear;
    cv->Rectangle(2, 2, 12, 12);
    EXPECT_EQ(cv->Pixel(2, 2), clBlack);
    cv->Rectangle(2, 2, 12, 12);
    EXPECT_EQ(cv->Pixel(2, 2), clWhite);
}

TEST(GraphicsCanvas, CopyModesAndOrBetweenBitmaps)
{
    // The renderer's combine: AND with a mask, then OR with the design.
    auto target = WhiteBitmap(4, 1);
    auto mask = WhiteBitmap(4, 1, pf1bit);
    mask->Canvas()->SetPixel(0, 0, clBlack);
    mask->Canvas()->SetPixel(1, 0, clBlack);
    auto design = WhiteBitmap(4, 1);
    design->Canvas()->SetPixel(0, 0, 0x123456);
    design->Canvas()->SetPixel(2, 0, 0x123456);

    TCanvas* t = target->Canvas();
    t->CopyMode = cmSrcAnd;
    t->CopyRect(TRect(0, 0, 4, 1), mask->Canvas(), TRect(0, 0, 4, 1));
    ExpectPixels(t, {{0, 0, clBlack}, {1, 0, clBlack}, {2, 0, clWhite}, {3, 0, clWhite}}, "after AND");
    t->CopyMode = cmSrcPaint;
    t->CopyRect(TRect(0, 0, 4, 1), design->Canvas(), TRect(0, 0, 4, 1));
    ExpectPixels(t, {{0, 0, 0x123456}, {1, 0, clWhite}, {2, 0, clWhite}, {3, 0, clWhite}}, "after OR");

    // OR is bitwise: the sheet colour ORed with the label colour.
    auto a = WhiteBitmap(1, 1);
    auto s = WhiteBitmap(1, 1);
    a->Canvas()->SetPixel(0, 0, 0xFCFCFC);
    s->Canvas()->SetPixel(0, 0, 0xF8C18F);
    a->Canvas()->CopyMode = SRCPAINT;
    a->Canvas()->Draw(0, 0, s.get());
    EXPECT_EQ(a->Canvas()->Pixel(0, 0), 0xFCFDFFu);
    // SRCINVERT twice gives the original back.
    a->Canvas()->CopyMode = SRCINVERT;
    a->Canvas()->Draw(0, 0, s.get());
    a->Canvas()->Draw(0, 0, s.get());
    EXPECT_EQ(a->Canvas()->Pixel(0, 0), 0xFCFDFFu);
}

TEST(GraphicsCanvas, ColourToMonoKeepsOnlyWhiteWhite)
{
    const std::vector<std::pair<TColor, TColor>> cases = {
        {clWhite, clWhite}, {0xFEFFFF, clBlack}, {0xC0C0C0, clBlack}, {clRed, clBlack}, {clBlack, clBlack}};
    auto src = WhiteBitmap(int(cases.size()), 1);
    for (size_t i = 0; i < cases.size(); ++i)
        src->Canvas()->SetPixel(int(i), 0, cases[i].first);

    // Stretched onto a 1-bit bitmap.
    auto mono = WhiteBitmap(int(cases.size()) * 2, 2, pf1bit);
    mono->Canvas()->StretchDraw(TRect(0, 0, int(cases.size()) * 2, 2), src.get());
    // Converted by changing the pixel format.
    TBitmap converted(*src);
    converted.SetPixelFormat(pf1bit);
    ASSERT_TRUE(converted.Monochrome());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(mono->Canvas()->Pixel(int(2 * i + 1), 1), cases[i].second) << "stretch, case " << i;
        EXPECT_EQ(converted.Canvas()->Pixel(int(i), 0), cases[i].second) << "format, case " << i;
    }
    // The 1-bit scan line holds the leftmost pixel in the top bit.
    EXPECT_EQ(converted.ScanLine(0)[0] & 0xF8, 0x80);
}

TEST(GraphicsCanvas, StretchDrawWithTransparentColour)
{
    auto src = WhiteBitmap(2, 2);
    src->Canvas()->SetPixel(0, 0, clRed);
    src->Canvas()->SetPixel(1, 1, clRed);
    src->Canvas()->SetPixel(0, 1, clLime); // bottom-left: the automatic transparent colour
    src->Canvas()->SetPixel(1, 0, clLime);
    src->SetTransparent(true);
    EXPECT_EQ(src->TransparentColor(), clLime);

    auto dst = WhiteBitmap(8, 8);
    dst->Canvas()->Brush.Color = clBlue;
    dst->Canvas()->FillRect(TRect(0, 0, 8, 8));
    dst->Canvas()->StretchDraw(TRect(0, 0, 8, 8), src.get());
    ExpectPixels(dst->Canvas(), {{0, 0, clRed}, {3, 3, clRed}, {7, 7, clRed}, {7, 0, clBlue}, {0, 7, clBlue},
                                 {4, 3, clBlue}},
                 "transparent stretch");

    // A fixed transparent colour wins over the automatic one.
    src->SetTransparentColor(clRed);
    dst->Canvas()->FillRect(TRect(0, 0, 8, 8));
    dst->Canvas()->StretchDraw(TRect(0, 0, 8, 8), src.get());
    ExpectPixels(dst->Canvas(), {{0, 0, clBlue}, {7, 0, clLime}}, "fixed transparent colour");
}

// Nearest-neighbour stretching, where target rows repeat one source row: every pixel of a box
// cut by the target's edges, upright and upside down, and a source rectangle that reaches past
// the picture, whose columns leave the target as it was.
TEST(GraphicsCanvas, StretchedCopyPlacesEveryPixel)
{
    auto src = WhiteBitmap(3, 2);
    const TColor colours[2][3] = {{clRed, clLime, 0x123456}, {clNavy, clYellow, 0x654321}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            src->Canvas()->SetPixel(x, y, colours[y][x]);
    for (TPixelFormat format : {pf32bit, pf24bit}) {
        for (bool upsideDown : {false, true}) {
            auto dst = WhiteBitmap(10, 10, format);
            TCanvas* c = dst->Canvas();
            c->Brush.Color = clBlue;
            c->FillRect(TRect(0, 0, 10, 10));
            c->StretchDraw(upsideDown ? TRect(-2, 9, 10, -3) : TRect(-2, -3, 10, 9), src.get());
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 10; ++x) {
                    const int row = y == 9 ? -1 : (y + 3) * 2 / 12;
                    const TColor want = row < 0 ? clBlue : colours[upsideDown ? 1 - row : row][(x + 2) * 3 / 12];
                    EXPECT_EQ(c->Pixel(x, y), want) << format << (upsideDown ? " upside down" : "") << " at " << x << "," << y;
                }
        }
        auto dst = WhiteBitmap(8, 8, format);
        TCanvas* c = dst->Canvas();
        c->Brush.Color = clBlue;
        c->FillRect(TRect(0, 0, 8, 8));
        c->CopyRect(TRect(0, 0, 8, 8), src->Canvas(), TRect(1, 0, 5, 2));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const int sx = 1 + x * 4 / 8;
                EXPECT_EQ(c->Pixel(x, y), sx < 3 ? colours[y * 2 / 8][sx] : clBlue) << format << " at " << x << "," << y;
            }
    }
}

TEST(GraphicsCanvas, DrawingOnIndexedBitmapsKeepsTheirFormat)
{
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        TBitmap b(10, 10, f);
        EXPECT_EQ(b.Canvas()->Pixel(5, 5), clWhite) << "new bitmap white, format " << f;
        b.Canvas()->Brush.Color = clBlack;
        b.Canvas()->FillRect(TRect(0, 0, 5, 10));
        EXPECT_EQ(b.PixelFormat(), f);
        EXPECT_EQ(b.Canvas()->Pixel(4, 4), clBlack) << "format " << f;
        EXPECT_EQ(b.Canvas()->Pixel(5, 4), clWhite) << "format " << f;
        // Scan lines see what the canvas drew.
        const uint8_t* row = b.ScanLine(4);
        if (f == pf24bit) {
            EXPECT_EQ(row[0] | row[1] | row[2], 0);
        }
        if (f == pf1bit) {
            EXPECT_EQ(row[0] >> 3, 0); // first five pixels black (index 0)
        }
    }
}

TEST(GraphicsCanvas, CanvasOverAPainterKeepsItsTransform)
{
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.translate(5, 5);
    {
        TCanvas c(&p);
        c.Brush.Color = clRed;
        c.Pen.Style = psClear;
        c.Rectangle(0, 0, 4, 4);
    }
    p.end();
    EXPECT_EQ(QRgbToColor(img.pixel(5, 5)), clRed);
    EXPECT_EQ(QRgbToColor(img.pixel(7, 7)), clRed);
    EXPECT_EQ(QRgbToColor(img.pixel(8, 7)), clWhite);
    EXPECT_EQ(QRgbToColor(img.pixel(4, 4)), clWhite);

    // And a canvas over the device itself applies the same rules.
    TCanvas d(&img);
    d.Brush.Color = clBlue;
    d.Pen.Color = clBlack;
    d.Rectangle(10, 10, 15, 15);
    EXPECT_EQ(QRgbToColor(img.pixel(14, 14)), clBlack);
    EXPECT_EQ(QRgbToColor(img.pixel(15, 14)), clWhite);
    EXPECT_EQ(QRgbToColor(img.pixel(12, 12)), clBlue);
}

// A picture drawn on a device (a window, an image) is sampled only where it can show: each
// target pixel shows the source pixel under its centre, mirrored where the rectangles say so,
// inside the painter's clip, with the transparent colour left out, whatever the source format.
TEST(GraphicsCanvas, DrawingOnADeviceSamplesOnlyWhatShows)
{
    QImage rgb(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgb(x * 8, y * 12, 77));
    QImage indexed(30, 20, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table << qRgb(i, 255 - i, (i * 7) & 0xFF);
    indexed.setColorTable(table);
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            indexed.scanLine(y)[x] = uchar(x + y * 8);
    const QImage grey = rgb.convertToFormat(QImage::Format_Grayscale8);
    const QImage packed = rgb.convertToFormat(QImage::Format_RGB888);

    const struct {
        const char* what;
        TRect dest, src;
        QRect clip; // empty: none
        bool keyed;
    } cases[] = {
        {"shrunk", TRect(3, 2, 10, 7), TRect(0, 0, 30, 20), {}, false},
        {"grown past the edges", TRect(-5, -5, 25, 19), TRect(2, 3, 8, 9), {}, false},
        {"mirrored both ways", TRect(17, 13, 2, 1), TRect(0, 0, 30, 20), {}, false},
        {"clipped", TRect(0, 0, 20, 15), TRect(0, 0, 30, 20), QRect(4, 5, 6, 3), false},
        {"keyed", TRect(0, 0, 20, 15), TRect(0, 0, 30, 20), {}, true},
    };
    for (const QImage& source : {rgb, indexed, grey, packed}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << ", format " << source.format());
            const TColor key = QRgbToColor(source.pixel(15, 10));
            QImage device(20, 15, QImage::Format_RGB32);
            device.fill(qRgb(1, 2, 3));
            {
                QPainter p(&device);
                if (!c.clip.isEmpty())
                    p.setClipRect(c.clip);
                TCanvas canvas(&p);
                canvas.BlitImage(c.dest, source, c.src, SRCCOPY, c.keyed ? key : clNone);
            }
            const int aw = std::abs(c.dest.Width()), ah = std::abs(c.dest.Height());
            const int asw = std::abs(c.src.Width()), ash = std::abs(c.src.Height());
            const int x0 = std::min(c.dest.Left, c.dest.Right), y0 = std::min(c.dest.Top, c.dest.Bottom);
            const bool mirrorX = c.dest.Width() < 0, mirrorY = c.dest.Height() < 0;
            int wrong = 0;
            for (int y = 0; y < device.height(); ++y)
                for (int x = 0; x < device.width(); ++x) {
                    QRgb want = qRgb(1, 2, 3);
                    const bool inside = x >= x0 && x < x0 + aw && y >= y0 && y < y0 + ah &&
                                        (c.clip.isEmpty() || c.clip.contains(x, y));
                    if (inside) {
                        int kx = int(std::floor((x - x0 + 0.5) * asw / aw));
                        int ky = int(std::floor((y - y0 + 0.5) * ash / ah));
                        if (mirrorX)
                            kx = asw - 1 - kx;
                        if (mirrorY)
                            ky = ash - 1 - ky;
                        const QRgb s = source.pixel(std::min(c.src.Left, c.src.Right) + kx,
                                                    std::min(c.src.Top, c.src.Bottom) + ky);
                        if (!(c.keyed && QRgbToColor(s) == key))
                            want = s;
                    }
                    if ((device.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF) && ++wrong <= 3)
                        ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << device.pixel(x, y)
                                      << " wanted " << want;
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}
