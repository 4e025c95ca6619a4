// Rectangle and ellipse objects: defaults, the figure on the screen inside the object, and the
// outline on a page at a scale, which has the object's line width as on the screen.
#include <gtest/gtest.h>

#include "child_frame_test_support.h"

#include "document/picture_object.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "platform/bitmap.h"

#include <QImage>

namespace {

constexpr TColor kLine = 0x0000C0;  // dark red
constexpr TColor kCore = 0x00C000;  // green
constexpr QRgb kLineRgb = 0xFFC00000, kCoreRgb = 0xFF00C000, kWhite = 0xFFFFFFFF, kGrey = 0xFF808080;

QRgb PixelAt(const QImage& img, int x, int y)
{
    return img.pixel(x, y) | 0xFF000000;
}

QImage PaintedRectangle(CRectangle& o)
{
    QImage img(o.Width(), o.Height(), QImage::Format_RGB32);
    img.fill(kGrey);
    o.Canvas.Attach(&img);
    o.Paint();
    o.Canvas.Detach();
    return img;
}

// Length of the run of colour c along a row from x, stepping by dx.
int RunLength(const QImage& img, int x, int y, int dx, QRgb c)
{
    int n = 0;
    while (x >= 0 && x < img.width() && PixelAt(img, x, y) == c) {
        ++n;
        x += dx;
    }
    return n;
}

// A page as the renderer draws: white, clear pen.
std::unique_ptr<TBitmap> Page(int w, int h)
{
    auto b = std::make_unique<TBitmap>(w, h, pf24bit);
    b->Canvas()->Pen.Style = psClear;
    return b;
}

} // namespace

TEST(Rectangle, NewShapesAreBlackOnWhiteAndFillTheObject)
{
    CRectangle r;
    EXPECT_EQ(r.size(), QSize(100, 60));
    EXPECT_EQ(r.LineWidth, 1);
    EXPECT_EQ(r.LineColor, clBlack);
    EXPECT_EQ(r.CoreColor, clWhite);
    r.Selected = false;
    const QImage img = PaintedRectangle(r);
    for (QPoint p : {QPoint(0, 0), QPoint(99, 0), QPoint(0, 59), QPoint(99, 59), QPoint(50, 0), QPoint(99, 30)})
        EXPECT_EQ(PixelAt(img, p.x(), p.y()), 0xFF000000u) << p.x() << "," << p.y();
    EXPECT_EQ(PixelAt(img, 1, 1), kWhite);
    EXPECT_EQ(PixelAt(img, 98, 58), kWhite);
}

TEST(Rectangle, ScreenOutlineIsLineWidthPixelsInside)
{
    // Odd widths: the pen centred on the inset figure covers exactly the object's edge pixels
    // (where an even-width pen's middle falls is the drawing layer's rounding).
    for (int lw : {1, 3, 5, 9}) {
        CRectangle r;
        r.Selected = false;
        r.resize(80, 50);
        r.LineWidth = lw;
        r.LineColor = kLine;
        r.CoreColor = kCore;
        const QImage img = PaintedRectangle(r);
        EXPECT_EQ(RunLength(img, 0, 25, 1, kLineRgb), lw) << lw;
        EXPECT_EQ(RunLength(img, 79, 25, -1, kLineRgb), lw) << lw;
        EXPECT_EQ(PixelAt(img, 40, lw), kCoreRgb) << lw;
        EXPECT_EQ(PixelAt(img, 40, 49 - lw), kCoreRgb) << lw;
        EXPECT_EQ(PixelAt(img, 40, 0), kLineRgb) << lw;
        EXPECT_EQ(PixelAt(img, 40, 49), kLineRgb) << lw;
        // The canvas is left as it was.
        EXPECT_EQ(r.Canvas.Pen.Width, 1);
        EXPECT_EQ(r.Canvas.Brush.Style, bsClear);
    }
}

TEST(Rectangle, PrintedOutlineHasTheLineWidthAtTheScale)
{
    struct Case {
        int lineWidth;
        float scale;
        int ring; // target pixels
    } cases[] = {
        {1, 1.0f, 1}, {1, 3.0f, 3}, {5, 1.0f, 5}, {5, 2.0f, 10}, {4, 1.5f, 6},
    };
    for (const Case& k : cases) {
        CRectangle r;
        r.resize(60, 40);
        r.LineWidth = k.lineWidth;
        r.LineColor = kLine;
        r.CoreColor = kCore;
        auto page = Page(300, 200);
        r.DrawTo(*page->Canvas(), QPoint(10, 5), k.scale);
        const QImage img = page->ToImage();
        const int L = RoundValue(10 * k.scale), T = RoundValue(5 * k.scale);
        const int midY = T + RoundValue(20 * k.scale), midX = L + RoundValue(30 * k.scale);
        EXPECT_EQ(PixelAt(img, L - 1, midY), kWhite) << k.lineWidth << " " << k.scale;
        EXPECT_EQ(RunLength(img, L, midY, 1, kLineRgb), k.ring) << k.lineWidth << " " << k.scale;
        int top = 0;
        for (int y = T; y < img.height() && PixelAt(img, midX, y) == kLineRgb; ++y)
            ++top;
        EXPECT_EQ(top, k.ring) << k.lineWidth << " " << k.scale;
        EXPECT_EQ(PixelAt(img, midX, midY), kCoreRgb);
        // The canvas's pen and brush are left as they were.
        EXPECT_EQ(page->Canvas()->Brush.Color, clWhite);
        EXPECT_EQ(page->Canvas()->Brush.Style, bsSolid);
        EXPECT_EQ(page->Canvas()->Pen.Style, psClear);
    }

    // A line wider than half the object: all outline, no inverted core.
    CRectangle thick;
    thick.resize(10, 10);
    thick.LineWidth = 7;
    thick.LineColor = kLine;
    thick.CoreColor = kCore;
    auto page = Page(40, 40);
    thick.DrawTo(*page->Canvas(), QPoint(0, 0), 2.0f);
    const QImage img = page->ToImage();
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x)
            ASSERT_EQ(PixelAt(img, x, y), kLineRgb) << x << "," << y;
}

TEST(Ellipse, SameCornersAsTheRectangleWithAnEllipticFigure)
{
    CEllipse e;
    e.Selected = false;
    e.resize(100, 60);
    e.LineWidth = 5;
    e.LineColor = kLine;
    e.CoreColor = kCore;
    QImage img = PaintedRectangle(e);
    EXPECT_EQ(PixelAt(img, 0, 0), kGrey); // corners stay untouched
    EXPECT_EQ(PixelAt(img, 99, 59), kGrey);
    EXPECT_EQ(PixelAt(img, 0, 30), kLineRgb); // the figure reaches every edge
    EXPECT_EQ(PixelAt(img, 99, 30), kLineRgb);
    EXPECT_EQ(PixelAt(img, 50, 0), kLineRgb);
    EXPECT_EQ(PixelAt(img, 50, 59), kLineRgb);
    EXPECT_EQ(RunLength(img, 0, 30, 1, kLineRgb), 5);
    EXPECT_EQ(PixelAt(img, 50, 30), kCoreRgb);

    auto page = Page(300, 200);
    e.DrawTo(*page->Canvas(), QPoint(20, 10), 2.0f); // box (40, 20) - (240, 140)
    img = page->ToImage();
    EXPECT_EQ(PixelAt(img, 41, 21), kWhite);
    EXPECT_EQ(PixelAt(img, 40, 80), kLineRgb);
    EXPECT_EQ(RunLength(img, 40, 80, 1, kLineRgb), 10);
    EXPECT_EQ(PixelAt(img, 140, 80), kCoreRgb);
    EXPECT_EQ(PixelAt(img, 39, 80), kWhite);

    // Selected: the base object's eight blue handles over the figure.
    e.Selected = true;
    img = PaintedRectangle(e);
    EXPECT_EQ(PixelAt(img, 1, 1), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(img, 50, 1), 0xFF0000FFu);
}

using frametest::FrameFixture;

class ShapeOnPage : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame = Make(1, false, 600, 400);
        shape = new CRectangle(frame);
        shape->SetName(QStringLiteral("CRectangle1"));
        shape->SetBounds(150, 120, 100, 60);
        shape->Zoom = 1.0f;
        frame->SetModified(false);
    }
    TChildFrame* frame = nullptr;
    CRectangle* shape = nullptr;
};

TEST_F(ShapeOnPage, PropertyDialogChangesColoursWidthAndOnlyTheBoxesTyped)
{
    const TObjectBoxes shown = ObjectBoxesOf(*shape);

    // Cancel changes nothing.
    shape->DblClick();
    ASSERT_EQ(link.colorRequests.size(), 1u);
    const TColorPropertiesRequest seen = link.colorRequests.back();
    EXPECT_EQ(link.dialogOwner, frame->Page);
    EXPECT_FALSE(seen.Ellipse);
    EXPECT_EQ(seen.LineColor, clBlack);
    EXPECT_EQ(seen.CoreColor, clWhite);
    EXPECT_EQ(seen.LineWidth, 1);
    EXPECT_EQ(TObjectBoxes({seen.Left, seen.Top, seen.Width, seen.Height}), shown);
    EXPECT_FALSE(frame->Modified);

    // OK untouched: modified, neither moved nor resized.
    link.colorAnswer = [](TColorPropertiesRequest&) {};
    shape->PropertiesItemClick();
    EXPECT_EQ(shape->geometry(), QRect(150, 120, 100, 60));
    EXPECT_TRUE(frame->Modified);

    // A thick blue outline on yellow, and a width of 200 tenths of a millimetre (76 pixels at
    // 96 pixels per inch).
    frame->SetModified(false);
    link.colorAnswer = [](TColorPropertiesRequest& r) {
        r.LineColor = clBlue;
        r.CoreColor = clYellow;
        r.LineWidth = 8;
        r.Width = 200;
    };
    shape->EditProperties();
    EXPECT_EQ(shape->LineColor, clBlue);
    EXPECT_EQ(shape->CoreColor, clYellow);
    EXPECT_EQ(shape->LineWidth, 8);
    EXPECT_EQ(shape->geometry(), QRect(150, 120, 76, 60));
    EXPECT_TRUE(frame->Modified);

    auto* ellipse = new CEllipse(frame);
    ellipse->EditProperties();
    EXPECT_TRUE(link.colorRequests.back().Ellipse);
}
