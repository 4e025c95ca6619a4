// The page renderer: size cap, grey pass, clipping to the label and its centre hole, outlines,
// mask pictures, and damaged paper records.
#include "document/page_renderer.h"

#include "child_frame_test_support.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "platform/file_utils.h"
#include "platform/guid.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <cstring>

using namespace frametest;

namespace {

constexpr TColor kDesign = clRed;

// An object that fills its box in one colour and remembers how it was asked to draw.
class FillObject : public CDesignObject {
public:
    explicit FillObject(QWidget* owner, TColor color = kDesign) : CDesignObject(owner), color(color) {}
    void Paint() override {}
    void EditProperties() override {}
    void DrawTo(TCanvas& canvas, QPoint position, float scale) override
    {
        calls.push_back({position, scale, canvas.Pen.Style});
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = color;
        canvas.FillRect(TRect(RoundValue(position.x() * scale), RoundValue(position.y() * scale),
                              RoundValue((position.x() + Width()) * scale),
                              RoundValue((position.y() + Height()) * scale)));
    }
    struct Call {
        QPoint position;
        float scale;
        TPenStyle pen;
    };
    TColor color;
    std::vector<Call> calls;
};

// A 20 x 20 picture: white, with black (or colour) in the square [from, to) of both axes.
void WriteSquarePicture(const QString& path, TPixelFormat format, int from, int to, TColor color = clBlack)
{
    TBitmap b(20, 20, format);
    TCanvas* c = b.Canvas();
    c->Brush.Style = bsSolid;
    c->Brush.Color = clWhite;
    c->FillRect(TRect(0, 0, 20, 20));
    c->Brush.Color = color;
    c->FillRect(TRect(from, from, to, to));
    b.SaveToFile(path);
}

// A 20 x 20 outline picture: white, with one horizontal line in row 10.
void WriteLinePicture(const QString& path, TPixelFormat format, TColor color)
{
    TBitmap b(20, 20, format);
    TCanvas* c = b.Canvas();
    c->Brush.Style = bsSolid;
    c->Brush.Color = clWhite;
    c->FillRect(TRect(0, 0, 20, 20));
    c->Brush.Color = color;
    c->FillRect(TRect(0, 10, 20, 11));
    b.SaveToFile(path);
}

class PageRendererTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        program = testsupport::freshDir(QStringLiteral("render-program"));
        QDir(program).mkpath(QStringLiteral("paper/mask"));
        qputenv("KORVANE_PROGRAM_DIR", program.toLocal8Bit());
        // 117 mm disc with a 15 mm hole.
        auto hole = DiscPaper(3);
        hole->ShapeWidth = hole->ShapeHeight = 1170;
        hole->CoreWidth = 150;
        AddPaper(std::move(hole));
        // A disc paper with mask pictures, one other shape and an extra line.
        auto masked = DiscPaper(4);
        masked->HasShapeMask = 1;
        masked->OtherShapes = {{1, 100, 300, 0, 10, 10}};
        masked->OtherShapeCount = 1;
        masked->ExtraLines = {{0, 600, 1200, 600}};
        masked->ExtraLineCount = 1;
        AddPaper(std::move(masked));
    }
    void TearDown() override
    {
        FrameFixture::TearDown();
        qunsetenv("KORVANE_PROGRAM_DIR");
    }

    // Mask table entries: section -> picture name, for paper 4.
    void WriteMaskTable(const std::vector<std::pair<QString, QString>>& entries)
    {
        QByteArray ini;
        for (const auto& [section, name] : entries)
            ini += "[" + section.toLatin1() + "]\r\n" + GUIDToString(Id(4)).toLatin1() + "=" + name.toLatin1() + "\r\n";
        QFile f(program + QStringLiteral("/paper/maskfile.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini);
    }
    QString MaskPath(const QString& name) const { return program + QStringLiteral("/paper/mask/") + name; }

    // A label-mode window of 400 x 400 (paper area 380 x 380 at (10, 10)) with one object
    // covering the whole page.
    TChildFrame* LabelWindow(uint8_t paper, FillObject** cover = nullptr)
    {
        TChildFrame* f = Make(paper, false, 400, 400);
        auto* o = new FillObject(f);
        o->SetBounds(0, 0, f->ClientWidth(), f->ClientHeight());
        if (cover)
            *cover = o;
        return f;
    }

    QString program;
};

TEST(PageSize, LargerSideIsCappedAt2800InProportion)
{
    const struct {
        int w, h, ew, eh;
    } cases[] = {
        {5600, 4000, 2800, 2000}, {3000, 3000, 2800, 2800}, {2800, 2800, 2800, 2800},
        {4000, 5600, 2000, 2800}, {2801, 10, 2800, 10},     {945, 945, 945, 945},
    };
    for (const auto& c : cases) {
        int w = c.w, h = c.h;
        LimitPageSize(w, h);
        EXPECT_EQ(w, c.ew) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.eh) << c.w << "x" << c.h;
    }
}

TEST(PageSize, PixelsAtAResolution)
{
    auto disc = DiscPaper(1);
    EXPECT_EQ(PagePixelSize(*disc, 0, 200), (TSize{945, 945}));    // 1200 x 0.7874 = 944.9
    EXPECT_EQ(PagePixelSize(*disc, 1, 200), (TSize{1654, 2339}));  // the A4 sheet
    EXPECT_EQ(PagePixelSize(*disc, 0, 360), (TSize{1701, 1701}));
}

TEST(GreyPass, TakesTheRootMeanSquareOfTheThreeChannels)
{
    const struct {
        TColor in;
        int grey;
    } cases[] = {
        {clWhite, 255}, {clBlack, 0}, {clRed, 147}, {clLime, 147}, {clBlue, 147}, {RGB(128, 128, 128), 128},
        {RGB(10, 20, 30), 22},
    };
    TBitmap b(int(std::size(cases)), 1, pf32bit);
    for (size_t i = 0; i < std::size(cases); ++i)
        b.Canvas()->SetPixel(int(i), 0, cases[i].in);
    GreyPagePixels(b);
    ASSERT_EQ(b.PixelFormat(), pf32bit);
    const uint8_t* p = b.ScanLine(0);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(p[4 * i], cases[i].grey) << i;
        EXPECT_EQ(p[4 * i + 1], cases[i].grey) << i;
        EXPECT_EQ(p[4 * i + 2], cases[i].grey) << i;
        EXPECT_EQ(p[4 * i + 3], 0) << i;
    }
}

TEST_F(PageRendererTest, OutputIsCappedAt2800Pixels)
{
    TChildFrame* f = LabelWindow(1);
    for (int mode = 0; mode < 2; ++mode) {
        f->PageMode = mode;
        TBitmap b;
        f->RenderPage(&b, 5600, 4000, true, true, true);
        EXPECT_EQ(b.Width(), 2800) << mode;
        EXPECT_EQ(b.Height(), 2000) << mode;
        EXPECT_EQ(b.PixelFormat(), pf32bit) << mode;
    }
    TBitmap colour;
    f->RenderPage(&colour, 300, 300, false, false, false);
    EXPECT_EQ(colour.PixelFormat(), pf24bit);
}

TEST_F(PageRendererTest, ObjectsDrawAtTheirPlaceOnThePaperWithoutAPen)
{
    TChildFrame* f = Make(1, false, 400, 400);
    ASSERT_EQ(f->HalfWidth, 190);
    auto* o = new FillObject(f);
    o->SetBounds(100, 120, 50, 40);
    TBitmap b;
    f->RenderPage(&b, 760, 760, false, false, false);
    ASSERT_EQ(o->calls.size(), 1u);
    EXPECT_EQ(o->calls[0].position, QPoint(90, 110));   // relative to the paper's corner (10, 10)
    EXPECT_FLOAT_EQ(o->calls[0].scale, 2.0f);           // 760 x 0.5 / 190
    EXPECT_EQ(o->calls[0].pen, psClear);
    TCanvas* c = b.Canvas();
    EXPECT_EQ(c->Pixel(200, 240), kDesign);
    EXPECT_EQ(c->Pixel(279, 299), kDesign);
    EXPECT_EQ(c->Pixel(180, 220), kDesign);
    EXPECT_EQ(c->Pixel(280, 240), clWhite);
    EXPECT_EQ(c->Pixel(179, 240), clWhite);
    EXPECT_EQ(c->Pixel(200, 219), clWhite);
}

TEST_F(PageRendererTest, CentreHoleIsWhiteToItsRimOnlyWhenMaskCoreIsAsked)
{
    TChildFrame* f = LabelWindow(3);
    for (bool maskCore : {true, false}) {
        TBitmap b;
        f->RenderPage(&b, 1170, 1170, true, false, maskCore);
        ASSERT_EQ(b.Width(), 1170);
        TCanvas* c = b.Canvas();
        EXPECT_EQ(c->Pixel(585, 585), maskCore ? clWhite : kDesign);
        // r = RoundValue(1170 / ((1170 / 150) x 2)) = 75 around (585, 585): nothing of the design
        // shows inside, not even a rim; the hole's outline stays whole.
        int designInHole = 0, whiteAroundHole = 0;
        std::set<int> outlined;
        for (int y = 500; y < 670; ++y) {
            for (int x = 500; x < 670; ++x) {
                const double d = std::hypot(x + 0.5 - 585, y + 0.5 - 585);
                if (d < 74.8 && c->Pixel(x, y) == kDesign)
                    ++designInHole;
                if (d > 73 && d < 77 && c->Pixel(x, y) != clWhite && c->Pixel(x, y) != kDesign)
                    outlined.insert(int(std::atan2(y + 0.5 - 585, x + 0.5 - 585) * 180 / M_PI + 180) / 2);
                if (d > 76.5 && d < 84 && c->Pixel(x, y) == clWhite)
                    ++whiteAroundHole;
            }
        }
        if (maskCore) {
            EXPECT_EQ(designInHole, 0);
        }
        EXPECT_GE(outlined.size(), 180u) << maskCore; // every 2 degrees
        EXPECT_EQ(whiteAroundHole, 0) << maskCore;
        EXPECT_EQ(c->Pixel(300, 585), kDesign);
        EXPECT_EQ(c->Pixel(3, 3), clWhite);      // outside the disc
    }
}

TEST_F(PageRendererTest, NoHoleWithoutACoreWidth)
{
    papers[0]->CoreWidth = 0;
    TChildFrame* f = LabelWindow(1);
    ASSERT_EQ(f->Paper->CoreWidth, 0);
    TBitmap b;
    f->RenderPage(&b, 600, 600, true, false, true);
    TCanvas* c = b.Canvas();
    for (int d = -3; d <= 3; ++d)
        EXPECT_EQ(c->Pixel(300 + d, 300 + d), kDesign) << d;
}

TEST_F(PageRendererTest, LabelIsClippedWithOrWithoutItsOutline)
{
    const struct {
        uint8_t paper;
        bool outline;
        TColor corner;   // the page's corner pixel
        TColor edgeTop;  // the middle of the top edge, 1 pixel in
    } cases[] = {
        {1, false, clWhite, kDesign},  // circle: the corner is outside
        {1, true, clWhite, clSilver},  // its outline is drawn over the design
        {2, false, kDesign, kDesign},  // rectangle: nothing is clipped
        {2, true, clSilver, clSilver},
    };
    for (const auto& t : cases) {
        TChildFrame* f = LabelWindow(t.paper);
        const int w = 600, h = t.paper == 1 ? 600 : 1800;
        TBitmap b;
        f->RenderPage(&b, w, h, t.outline, false, false);
        TCanvas* c = b.Canvas();
        EXPECT_EQ(c->Pixel(1, 1), t.corner) << int(t.paper) << t.outline;
        EXPECT_EQ(c->Pixel(w / 2, 1), t.edgeTop) << int(t.paper) << t.outline;
        EXPECT_EQ(c->Pixel(w / 2, h / 3), kDesign) << int(t.paper) << t.outline;
    }
}

TEST_F(PageRendererTest, BarePaperWithoutObjects)
{
    TChildFrame* f = Make(1, false, 400, 400);
    f->CoreColor = clYellow;
    TBitmap b;
    f->RenderPage(&b, 400, 400, false, false, true);
    EXPECT_EQ(b.Canvas()->Pixel(200, 100), clYellow);
    EXPECT_EQ(b.Canvas()->Pixel(200, 200), clWhite);  // the hole
    EXPECT_EQ(b.Canvas()->Pixel(2, 2), clWhite);      // outside the label

    f->PageMode = PageModeFull;
    f->RenderPage(&b, 400, 400, false, false, false);
    EXPECT_EQ(b.Canvas()->Pixel(2, 2), clYellow);
    EXPECT_EQ(b.Canvas()->Pixel(200, 200), clYellow);
}

TEST_F(PageRendererTest, ObjectsPartlyOutsideAreCutAtTheBitmap)
{
    TChildFrame* f = Make(2, true);
    auto* o = new FillObject(f);
    o->SetBounds(f->PaperCentre.X - f->HalfWidth - 50, f->PaperCentre.Y - f->HalfHeight - 50, 100, 100);
    TBitmap b;
    f->RenderPage(&b, 2 * f->HalfWidth, 2 * f->HalfHeight, false, false, false);
    EXPECT_EQ(b.Canvas()->Pixel(0, 0), kDesign);
    EXPECT_EQ(b.Canvas()->Pixel(49, 49), kDesign);
    EXPECT_EQ(b.Canvas()->Pixel(51, 51), clWhite);
}

TEST_F(PageRendererTest, FullPageDrawsEveryLabelOutlineAndTheOtherShapes)
{
    papers[0]->OtherShapes = {{1, 200, 400, 0, 100, 2600}};  // rectangle 40 x 20 mm at (10, 260) mm
    papers[0]->OtherShapeCount = 1;
    papers[0]->ExtraLines = {{0, 600, 1200, 600}};            // across each label's middle
    papers[0]->ExtraLineCount = 1;
    TChildFrame* f = Make(1, true);
    TBitmap b;
    // 0.5 pixels per tenth of a millimetre.
    f->RenderPage(&b, 1050, 1485, true, false, false);
    ASSERT_EQ(b.Height(), 1485);
    TCanvas* c = b.Canvas();
    auto columnHas = [&](int x, int y0, int y1, TColor colour) {
        for (int y = y0; y <= y1; ++y)
            if (c->Pixel(x, y) == colour)
                return true;
        return false;
    };
    // Label 1: ellipse (225, 100)-(825, 700), hole 205 wide around (525, 400).
    EXPECT_TRUE(columnHas(525, 97, 104, clSilver));
    EXPECT_TRUE(columnHas(525, 294, 301, clSilver));
    EXPECT_TRUE(columnHas(525, 746, 754, clSilver));    // label 2's top at 1500 x 0.5
    EXPECT_TRUE(columnHas(300, 397, 403, clSilver));    // the extra line of label 1
    EXPECT_TRUE(columnHas(70, 1296, 1303, clSilver));   // the other shape's top edge at y 1300
    EXPECT_EQ(c->Pixel(525, 200), clWhite);
    EXPECT_EQ(c->Pixel(10, 10), clWhite);
}

TEST_F(PageRendererTest, FullShapePictureClipsTheLabel)
{
    // Every colour but white counts as the label, as on a black-and-white bitmap.
    const struct {
        TPixelFormat format;
        TColor label;
    } cases[] = {{pf1bit, clBlack}, {pf24bit, clSilver}, {pf24bit, RGB(254, 255, 255)}};
    for (const auto& t : cases) {
        WriteSquarePicture(MaskPath(QStringLiteral("full.bmp")), t.format, 5, 15, t.label);
        WriteMaskTable({{QStringLiteral("shape_mask_full"), QStringLiteral("full.bmp")}});
        TChildFrame* f = LabelWindow(4);
        TBitmap b;
        f->RenderPage(&b, 1200, 1200, false, false, false);
        TCanvas* c = b.Canvas();
        EXPECT_EQ(c->Pixel(600, 600), kDesign) << t.format;
        EXPECT_EQ(c->Pixel(301, 301), kDesign) << t.format;
        EXPECT_EQ(c->Pixel(600, 100), clWhite) << t.format;  // inside the circle, outside the picture's label
        EXPECT_EQ(c->Pixel(298, 600), clWhite) << t.format;
    }
}

TEST_F(PageRendererTest, MissingFullShapePictureFallsBackToTheShape)
{
    const struct {
        bool table;
        QString name;
    } cases[] = {
        {false, QString()},                       // no mask table
        {true, QString()},                        // no entry for the paper
        {true, QStringLiteral("missing.bmp")},    // entry, but no file
    };
    for (const auto& t : cases) {
        QFile::remove(program + QStringLiteral("/paper/maskfile.ini"));
        if (t.table)
            WriteMaskTable(t.name.isEmpty() ? std::vector<std::pair<QString, QString>>{{QStringLiteral("other"), QStringLiteral("x.bmp")}}
                                            : std::vector<std::pair<QString, QString>>{{QStringLiteral("shape_mask_full"), t.name}});
        TChildFrame* f = LabelWindow(4);
        TBitmap b;
        f->RenderPage(&b, 1200, 1200, true, false, true);
        TCanvas* c = b.Canvas();
        EXPECT_EQ(c->Pixel(600, 100), kDesign) << t.table << qPrintable(t.name);
        EXPECT_EQ(c->Pixel(3, 3), clWhite) << t.table << qPrintable(t.name);
        EXPECT_EQ(c->Pixel(600, 600), clWhite) << "hole " << t.table;
    }
}

TEST_F(PageRendererTest, OutlinePictureIsDrawnTransparentlyInLabelMode)
{
    const struct {
        TPixelFormat format;
        TColor line;
    } cases[] = {{pf1bit, clBlack}, {pf24bit, clBlue}};
    for (const auto& t : cases) {
        WriteLinePicture(MaskPath(QStringLiteral("outline.bmp")), t.format, t.line);
        WriteMaskTable({{QStringLiteral("shape_mask_full_out_line"), QStringLiteral("outline.bmp")}});
        TChildFrame* f = LabelWindow(4);
        TBitmap b;
        f->RenderPage(&b, 1200, 1200, true, false, false);
        TCanvas* c = b.Canvas();
        EXPECT_EQ(c->Pixel(600, 630), t.line) << t.format;   // row 10 of 20 -> 600..659
        EXPECT_EQ(c->Pixel(600, 500), kDesign) << t.format;  // white of the picture is see-through
        // No geometric outline and no extra line with mask pictures.
        EXPECT_EQ(c->Pixel(600, 3), kDesign) << t.format;
        f->RenderPage(&b, 1200, 1200, false, false, false);
        EXPECT_EQ(b.Canvas()->Pixel(600, 630), kDesign) << t.format;
    }
}

TEST_F(PageRendererTest, FullPageWithMaskPicturesDrawsOnlyTheOutlinePicture)
{
    WriteSquarePicture(MaskPath(QStringLiteral("outline.bmp")), pf24bit, 2, 18, clGreen);
    WriteMaskTable({{QStringLiteral("shape_mask_full_out_line"), QStringLiteral("outline.bmp")}});
    TChildFrame* f = Make(4, true);
    ASSERT_FALSE(f->MaskBitmap->Empty());
    TBitmap b;
    f->RenderPage(&b, 1050, 1485, true, false, false);
    TCanvas* c = b.Canvas();
    EXPECT_EQ(c->Pixel(525, 400), clGreen);   // label 1
    EXPECT_EQ(c->Pixel(525, 1050), clGreen);  // label 2
    EXPECT_EQ(c->Pixel(100, 400), clWhite);
    EXPECT_EQ(c->Pixel(80, 5), clWhite);      // the other shape (5, 5)-(155, 55) is not drawn
    EXPECT_EQ(c->Pixel(5, 30), clWhite);

    // Without the outline picture nothing is drawn over the labels.
    QFile::remove(MaskPath(QStringLiteral("outline.bmp")));
    f->LoadPaperMask();
    EXPECT_TRUE(f->MaskBitmap->Empty());
    f->RenderPage(&b, 1050, 1485, true, false, false);
    EXPECT_EQ(b.Canvas()->Pixel(525, 400), clWhite);
}

TEST_F(PageRendererTest, DamagedMaskPictureReachesTheCaller)
{
    QFile bad(MaskPath(QStringLiteral("full.bmp")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM this is not a bitmap");
    bad.close();
    WriteMaskTable({{QStringLiteral("shape_mask_full"), QStringLiteral("full.bmp")}});
    TChildFrame* f = LabelWindow(4);
    TBitmap b;
    EXPECT_THROW(f->RenderPage(&b, 100, 100, false, false, false), EInvalidGraphic);
}

TEST_F(PageRendererTest, GreyscalePageIsGreyEverywhere)
{
    TChildFrame* f = LabelWindow(1);
    TBitmap b;
    f->RenderPage(&b, 300, 300, true, true, true);
    ASSERT_EQ(b.PixelFormat(), pf32bit);
    EXPECT_EQ(b.Canvas()->Pixel(150, 60), RGB(147, 147, 147));
    EXPECT_EQ(b.Canvas()->Pixel(1, 1), clWhite);
    const uint8_t* row = b.ScanLine(60);
    EXPECT_EQ(row[150 * 4 + 3], 0);
}

// The grey label page is made in the same pass that cuts the design to the label: it must hold
// exactly what the colour page turned grey holds, at every pixel, in and around the shape.
TEST_F(PageRendererTest, GreyLabelPageIsTheColourPageTurnedGrey)
{
    TChildFrame* f = LabelWindow(3);
    const TColor colours[] = {RGB(10, 20, 30), clYellow, RGB(200, 100, 50), clNavy, RGB(128, 128, 128)};
    for (int i = 0; i < int(std::size(colours)); ++i)
        (new FillObject(f, colours[i]))->SetBounds(20 + 70 * i, 30 + 60 * i, 90, 120);
    for (bool maskCore : {true, false}) {
        TBitmap colour, grey;
        f->RenderPage(&colour, 301, 299, true, false, maskCore);
        f->RenderPage(&grey, 301, 299, true, true, maskCore);
        ASSERT_EQ(colour.PixelFormat(), pf24bit);
        ASSERT_EQ(grey.PixelFormat(), pf32bit);
        TBitmap expected;
        expected.Assign(colour);
        GreyPagePixels(expected);
        ASSERT_EQ(grey.Width(), expected.Width());
        ASSERT_EQ(grey.Height(), expected.Height());
        int differ = 0;
        for (int y = 0; y < grey.Height(); ++y)
            differ += std::memcmp(grey.ScanLine(y), expected.ScanLine(y), size_t(grey.Width()) * 4) != 0;
        EXPECT_EQ(differ, 0) << maskCore;
        EXPECT_EQ(grey.Canvas()->Pixel(1, 1), clWhite);
        EXPECT_EQ(colour.Canvas()->Pixel(50, 60), RGB(10, 20, 30));
    }
}

TEST_F(PageRendererTest, DamagedOrEmptyPaperValuesNeverDivideByZero)
{
    const struct {
        const char* what;
        void (*change)(PaperType&);
    } cases[] = {
        {"shape width 0", [](PaperType& p) { p.ShapeWidth = 0; }},
        {"all sizes 0", [](PaperType& p) { p.ShapeWidth = p.ShapeHeight = p.CoreWidth = p.PaperWidth = p.PaperLength = 0; }},
        {"core wider than shape", [](PaperType& p) { p.CoreWidth = 5000; }},
        {"negative sizes", [](PaperType& p) { p.ShapeWidth = -1200; p.CoreWidth = -1; p.PaperWidth = -5; }},
        {"far positions", [](PaperType& p) { p.Shapes = {{1, INT32_MIN, INT32_MAX}, {1, -1, -1}}; }},
        {"far lines", [](PaperType& p) { p.ExtraLines = {{INT32_MIN, 0, INT32_MAX, -1}}; }},
        {"far other shapes", [](PaperType& p) { p.OtherShapes = {{0, INT32_MAX, INT32_MIN, INT32_MAX, -7, 3}}; }},
        {"unknown style", [](PaperType& p) { p.ShapeStyle = 9; }},
    };
    for (const auto& t : cases) {
        TChildFrame* f = LabelWindow(1);
        t.change(*f->Paper);
        for (int mode = 0; mode < 2; ++mode) {
            f->PageMode = mode;
            TBitmap b;
            f->RenderPage(&b, 200, 150, true, true, true);
            EXPECT_EQ(b.Width(), 200) << t.what << mode;
            EXPECT_EQ(b.Height(), 150) << t.what << mode;
        }
    }
}

TEST_F(PageRendererTest, ZeroSizesAndAWindowWithoutPaperArea)
{
    TChildFrame* f = LabelWindow(1);
    TBitmap b;
    f->RenderPage(&b, 0, -5, true, true, true);
    EXPECT_EQ(b.Width(), 1);
    EXPECT_EQ(b.Height(), 1);
    f->HalfWidth = 0;
    f->RenderPage(&b, 100, 100, true, false, false);
    EXPECT_EQ(b.Width(), 100);
    EXPECT_EQ(b.Canvas()->Pixel(50, 20), clWhite);  // no object placed, only the paper
}

TEST_F(PageRendererTest, ShapeObjectsPrintWithoutThePensOutline)
{
    TChildFrame* f = Make(2, false, 400, 400);
    auto* r = new CRectangle(f);
    r->SetBounds(f->PaperCentre.X - 50, f->PaperCentre.Y - 50, 100, 100);
    r->LineWidth = 3;
    r->LineColor = clBlue;
    r->CoreColor = clYellow;
    TBitmap b;
    const int w = 2 * f->HalfWidth, h = 2 * f->HalfHeight;
    f->RenderPage(&b, w, h, false, false, false);
    TCanvas* c = b.Canvas();
    const int x0 = f->HalfWidth - 50, y0 = f->HalfHeight - 50;
    // The figure's edge is its line colour, never the black of a default pen.
    EXPECT_EQ(c->Pixel(x0, y0 + 50), clBlue);
    EXPECT_EQ(c->Pixel(x0 + 50, y0), clBlue);
    EXPECT_EQ(c->Pixel(x0 + 50, y0 + 50), clYellow);
    EXPECT_EQ(c->Pixel(x0 - 1, y0 + 50), clWhite);
}

} // namespace
