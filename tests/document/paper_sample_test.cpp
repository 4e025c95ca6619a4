#include "document/paper_sample.h"
#include "document/paper_type.h"
#include "platform/bitmap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>

namespace {

constexpr TColor kBackground = 0x123456;
constexpr TColor kShadow = 0x808080;
constexpr TColor kSheet = 0xFCFCFC;
constexpr TColor kLabel = 0xF8C18F;
constexpr TColor kOutline = 0xE0B070;
constexpr TColor kHole = 0xF9F9F9;
constexpr TColor kTintedSheet = 0xFCFCFC | 0xF8C18F;

// A QImage canvas, as a paint box's surface would be.
struct Surface {
    QImage image;
    explicit Surface(int w, int h) : image(w, h, QImage::Format_RGB32)
    {
        image.fill(ColorToQRgb(kBackground));
    }
    TColor at(int x, int y) const { return QRgbToColor(image.pixel(x, y)); }
    void draw(const PaperType& paper, TRect rect, int d = 20)
    {
        TCanvas canvas(&image);
        DrawPaperSample(&canvas, &paper, d, rect);
    }
    int countInRow(int y, int x0, int x1, TColor c) const
    {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            n += at(x, y) == c;
        return n;
    }
};

PaperType sheet(int width, int length)
{
    PaperType p;
    p.PaperWidth = width;
    p.PaperLength = length;
    return p;
}

void addShape(PaperType& p, int x, int y)
{
    p.Shapes.push_back(PaperShape{1, x, y});
    p.ShapeCount = int32_t(p.Shapes.size());
}

std::shared_ptr<TBitmap> filledBitmap(int w, int h, TColor color)
{
    auto b = std::make_shared<TBitmap>(w, h, pf24bit);
    b->Canvas()->Brush.Color = color;
    b->Canvas()->FillRect(TRect(0, 0, w, h));
    return b;
}

} // namespace

TEST(PaperSample, FitTable)
{
    struct Case {
        double w, h;
        int64_t start;
        TRect rect;
        int64_t n;
        TRect sample;
    };
    const Case cases[] = {
        // A4 in a 200 x 200 paint box.
        {2100, 2970, 21, {0, 0, 200, 200}, 21, {50, 29, 150, 170}},
        // 4210 / 21 = 200.48 rounds to 200 and still fits; 4221 / 21 = 201 does not.
        {4210, 100, 21, {0, 0, 200, 200}, 21, {0, 97, 200, 102}},
        {4221, 100, 21, {0, 0, 200, 200}, 22, {4, 97, 196, 102}},
        // An exact half rounds down: 201 / 2 = 100.5 -> 100.
        {201, 10, 1, {0, 0, 100, 100}, 2, {0, 47, 100, 52}},
        // Preview picture 600 x 400 from n = 1.
        {600, 400, 1, {0, 0, 200, 200}, 3, {0, 33, 200, 166}},
        // The rectangle's offset carries over.
        {2100, 2970, 21, {10, 20, 210, 220}, 21, {60, 49, 160, 190}},
        // Zero sizes never divide anything: the first n fits with an empty sample.
        {0, 0, 21, {0, 0, 200, 200}, 21, {100, 100, 100, 100}},
        // A damaged record (a negative length read unsigned) is fitted without a long search.
        {4294967295.0, 2970, 21, {0, 0, 200, 200}, 21421284, {0, 100, 200, 100}},
    };
    for (const Case& c : cases) {
        int64_t n = 0;
        TRect s;
        ASSERT_TRUE(FitPaperSample(c.w, c.h, c.start, c.rect, n, s)) << c.w;
        EXPECT_EQ(n, c.n) << c.w << " x " << c.h;
        EXPECT_EQ(s, c.sample) << c.w << " x " << c.h << ": " << s.Left << "," << s.Top << ","
                               << s.Right << "," << s.Bottom;
    }
    int64_t n = 0;
    TRect s;
    EXPECT_FALSE(FitPaperSample(2100, 2970, 21, TRect(0, 0, 0, 0), n, s));
    EXPECT_FALSE(FitPaperSample(2100, 2970, 21, TRect(0, 0, 200, 0), n, s));
    EXPECT_FALSE(FitPaperSample(2100, 2970, 21, TRect(50, 50, 10, 100), n, s));
}

TEST(PaperSample, A4SheetWithBorderAndShadow)
{
    Surface img(200, 200);
    img.draw(sheet(2100, 2970), TRect(0, 0, 200, 200));
    // Sample (50, 29) - (150, 170): black border, the sheet inside.
    for (auto [x, y] : {std::pair{50, 100}, {149, 100}, {100, 29}, {100, 169}})
        EXPECT_EQ(img.at(x, y), clBlack) << x << "," << y;
    EXPECT_EQ(img.at(100, 100), kSheet);
    EXPECT_EQ(img.at(51, 30), kSheet);
    EXPECT_EQ(img.at(49, 100), kBackground);
    EXPECT_EQ(img.at(100, 28), kBackground);
    // Shadow: 4 pixels right and below, shifted down and right by 4.
    EXPECT_EQ(img.at(150, 33), kShadow);
    EXPECT_EQ(img.at(153, 173), kShadow);
    EXPECT_EQ(img.at(54, 170), kShadow);
    EXPECT_EQ(img.at(150, 32), kBackground);
    EXPECT_EQ(img.at(53, 171), kBackground);
    EXPECT_EQ(img.at(154, 100), kBackground);
    EXPECT_EQ(img.at(100, 174), kBackground);
}

TEST(PaperSample, DiscLabelWithHoleAndExtraLine)
{
    PaperType p = sheet(2100, 2970);
    p.ShapeStyle = ShapeCircle;
    p.ShapeWidth = p.ShapeHeight = 1150;
    p.CoreWidth = 440;
    addShape(p, 40, 50);
    // A guide line across the label's top edge area, relative to its corner.
    p.ExtraLines.push_back(PaperExtraLine{0, 1300, 1150, 1300});
    p.ExtraLineCount = 1;
    Surface img(200, 200);
    img.draw(p, TRect(0, 0, 200, 200));
    // Label (52, 31) - (107, 86), hole (69, 48) - (90, 69).
    EXPECT_EQ(img.at(79, 58), kHole);
    EXPECT_EQ(img.at(60, 58), kLabel);
    EXPECT_EQ(img.at(53, 32), kSheet);   // bounding-box corner, outside the disc
    EXPECT_GT(img.countInRow(58, 50, 62, kOutline), 0);
    // The line at y = 29 + trunc((50 + 1300) / 21) = 93, from x = 50 + 1 = 51 to 50 + 56 = 106.
    EXPECT_EQ(img.at(80, 93), kOutline);
    EXPECT_EQ(img.at(80, 94), kSheet);
}

TEST(PaperSample, RectangularLabelCoreCircle)
{
    for (int core : {0, 300}) {
        PaperType p = sheet(1000, 1000);
        p.ShapeStyle = ShapeRectangle;
        p.ShapeWidth = p.ShapeHeight = 600;
        p.CoreWidth = core;
        addShape(p, 200, 200);
        Surface img(100, 100);
        img.draw(p, TRect(0, 0, 100, 100), 9);   // n = 10: label (20, 20) - (80, 80)
        SCOPED_TRACE(core);
        EXPECT_EQ(img.at(20, 50), kOutline);
        EXPECT_EQ(img.at(50, 50), kLabel);   // the circle is filled with the label colour
        EXPECT_EQ(img.at(25, 25), kLabel);
        const int rings = img.countInRow(50, 22, 78, kOutline);
        if (core == 0)
            EXPECT_EQ(rings, 0);
        else
            EXPECT_GE(rings, 2);
    }
}

TEST(PaperSample, OtherShapesAreHollow)
{
    PaperType p = sheet(1000, 1000);
    p.OtherShapes.push_back(PaperOtherShape{1, 400, 400, 0, 300, 300});   // rectangle (30,30)-(70,70)
    p.OtherShapes.push_back(PaperOtherShape{7, 400, 400, 0, 0, 0});       // unknown style: nothing
    p.OtherShapeCount = 2;
    Surface img(100, 100);
    img.draw(p, TRect(0, 0, 100, 100), 9);
    EXPECT_EQ(img.at(30, 50), kOutline);
    EXPECT_EQ(img.at(50, 50), kSheet);
    EXPECT_EQ(img.at(10, 10), kSheet);
}

TEST(PaperSample, MaskPaperUsesPaperColoursWithoutBorderOrLines)
{
    PaperType p = sheet(1000, 1000);
    p.HasShapeMask = 1;
    p.ShapeStyle = ShapeCircle;
    p.ShapeWidth = p.ShapeHeight = 400;
    // Mask: black left half (label), white right half.
    auto mask = filledBitmap(40, 40, clWhite);
    mask->Canvas()->Brush.Color = clBlack;
    mask->Canvas()->FillRect(TRect(0, 0, 20, 40));
    p.ShapeMaskBitmap = mask;
    addShape(p, 100, 100);   // label (10, 10) - (50, 50)
    p.ExtraLines.push_back(PaperExtraLine{0, 600, 800, 600});
    p.ExtraLineCount = 1;
    p.OtherShapes.push_back(PaperOtherShape{1, 200, 200, 0, 600, 600});   // (60,60)-(80,80)
    p.OtherShapeCount = 1;
    Surface img(100, 100);
    img.draw(p, TRect(0, 0, 100, 100), 9);
    EXPECT_EQ(img.at(15, 30), kLabel);
    EXPECT_EQ(img.at(40, 30), kTintedSheet);
    EXPECT_EQ(img.at(55, 30), kTintedSheet);
    EXPECT_EQ(img.at(30, 70), kTintedSheet);   // where the guide line would be
    EXPECT_EQ(img.at(60, 70), kLabel);          // other shape outlined in the label colour
    EXPECT_EQ(img.at(70, 70), kTintedSheet);
    EXPECT_NE(img.at(0, 50), clBlack);          // no border
    EXPECT_NE(img.at(50, 0), clBlack);

    // Without a picture object the mask is white: the label vanishes into the sheet.
    p.ShapeMaskBitmap.reset();
    Surface plain(100, 100);
    plain.draw(p, TRect(0, 0, 100, 100), 9);
    EXPECT_EQ(plain.at(15, 30), kTintedSheet);
}

TEST(PaperSample, PreviewPictureIsStretchedWithoutShadow)
{
    PaperType p = sheet(2100, 2970);
    p.HasPreview = 1;
    p.PreviewBitmap = filledBitmap(600, 400, clRed);
    Surface img(200, 200);
    img.draw(p, TRect(0, 0, 200, 200));
    EXPECT_EQ(img.at(0, 33), clRed);
    EXPECT_EQ(img.at(199, 165), clRed);
    EXPECT_EQ(img.at(100, 100), clRed);
    EXPECT_EQ(img.at(100, 32), kBackground);
    EXPECT_EQ(img.at(100, 166), kBackground);
    EXPECT_EQ(img.at(100, 169), kBackground);   // no shadow

    // The flag without a picture leaves the rectangle as it was.
    p.PreviewBitmap.reset();
    Surface untouched(200, 200);
    const QImage before = untouched.image;
    untouched.draw(p, TRect(0, 0, 200, 200));
    EXPECT_EQ(untouched.image, before);
}

TEST(PaperSample, EmptyRectangleOrSheetDrawsNothing)
{
    PaperType a4 = sheet(2100, 2970);
    addShape(a4, 0, 0);
    const struct {
        PaperType paper;
        TRect rect;
    } cases[] = {
        {a4, TRect(0, 0, 0, 0)},
        {a4, TRect(100, 100, 100, 180)},
        {a4, TRect(120, 120, 20, 20)},
        {sheet(0, 0), TRect(0, 0, 200, 200)},
        {sheet(2100, 0), TRect(0, 0, 200, 200)},
    };
    for (const auto& c : cases) {
        Surface img(200, 200);
        const QImage before = img.image;
        img.draw(c.paper, c.rect);
        EXPECT_EQ(img.image, before) << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right
                                     << "," << c.rect.Bottom;
    }
}

TEST(PaperSample, DamagedRecordDrawsWithinTheRectangle)
{
    struct Case {
        const char* what;
        int width, length;           // the sheet
        bool drawsSheet;             // false: too far out of proportion to show anything
        void (*damage)(PaperType&);
    } cases[] = {
        {"everything out of range", -1, 2970, false, [](PaperType& p) {
             p.ShapeWidth = p.ShapeHeight = -5;
             p.ShapeStyle = ShapeRectangle;
             p.CoreWidth = 2000000000;
             addShape(p, -100, 2000000000);
             p.ExtraLines.push_back(PaperExtraLine{INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN});
             p.ExtraLineCount = 1;
         }},
        {"huge disc far off the sheet", 2100, 2970, true, [](PaperType& p) {
             p.ShapeWidth = p.ShapeHeight = INT32_MAX;
             p.CoreWidth = INT32_MAX;
             addShape(p, INT32_MIN, INT32_MAX);
         }},
        {"negative rectangle", 2100, 2970, true, [](PaperType& p) {
             p.ShapeStyle = ShapeRectangle;
             p.ShapeWidth = -3000;
             p.ShapeHeight = -3000;
             addShape(p, 50, 50);
         }},
        {"lines and other shapes beyond the sheet", 2100, 2970, true, [](PaperType& p) {
             p.ExtraLines.push_back(PaperExtraLine{-5000, -5000, 9000, 9000});
             p.ExtraLineCount = 1;
             p.OtherShapes.push_back(PaperOtherShape{ShapeCircle, 9000, 9000, 4000, -2000, -2000});
             p.OtherShapes.push_back(PaperOtherShape{ShapeRectangle, INT32_MAX, INT32_MAX, 0, 100, 100});
             p.OtherShapeCount = 2;
         }},
    };
    // The paint box's rectangle lies inside a larger surface: nothing around it may change.
    const TRect rect(50, 60, 250, 240);
    for (const Case& k : cases) {
        PaperType p = sheet(k.width, k.length);
        k.damage(p);
        Surface img(300, 300);
        img.draw(p, rect);
        int changedOutside = 0, changedInside = 0;
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 300; ++x) {
                const bool inside = x >= rect.Left && x < rect.Right && y >= rect.Top && y < rect.Bottom;
                if (img.at(x, y) != kBackground)
                    ++(inside ? changedInside : changedOutside);
            }
        }
        EXPECT_EQ(changedOutside, 0) << k.what;
        EXPECT_EQ(changedInside > 0, k.drawsSheet) << k.what;
    }
}

TEST(PaperSample, CanvasPenAndBrushRestored)
{
    for (int mask : {0, 1}) {
        PaperType p = sheet(2100, 2970);
        p.HasShapeMask = uint8_t(mask);
        p.ShapeWidth = p.ShapeHeight = 1150;
        p.CoreWidth = 440;
        addShape(p, 40, 50);
        QImage image(200, 200, QImage::Format_RGB32);
        TCanvas canvas(&image);
        canvas.Pen.Color = 0x00112233;
        canvas.Pen.Width = 3;
        canvas.Pen.Style = psDash;
        canvas.Brush.Color = 0x00445566;
        canvas.Brush.Style = bsDiagCross;
        canvas.CopyMode = cmSrcInvert;
        const TPen pen = canvas.Pen;
        const TBrush brush = canvas.Brush;
        DrawPaperSample(&canvas, &p, 20, TRect(0, 0, 200, 200));
        EXPECT_EQ(canvas.Pen, pen);
        EXPECT_EQ(canvas.Brush, brush);
        EXPECT_EQ(canvas.CopyMode, cmSrcInvert);
        // Drawn with a plain copy, whatever the canvas's copy mode.
        EXPECT_EQ(QRgbToColor(image.pixel(100, 100)), mask ? kTintedSheet : kSheet);
    }
}

TEST(PaperSample, DrawsOnABitmapCanvasAtAnOffset)
{
    TBitmap bmp(220, 230, pf24bit);
    const PaperType a4 = sheet(2100, 2970);
    DrawPaperSample(bmp.Canvas(), &a4, 20, TRect(10, 20, 210, 220));
    TCanvas* c = bmp.Canvas();
    EXPECT_EQ(c->Pixel(60, 100), clBlack);    // left border at 10 + 50
    EXPECT_EQ(c->Pixel(100, 49), clBlack);    // top border at 20 + 29
    EXPECT_EQ(c->Pixel(100, 100), kSheet);
    EXPECT_EQ(c->Pixel(161, 100), kShadow);
    EXPECT_EQ(c->Pixel(59, 100), clWhite);
}
