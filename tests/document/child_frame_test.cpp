// The document window: paper layout and zoom, rescaling of the objects on resize, painting of
// the paper, activation, damaged paper records and what the window leaves in the settings.
#include "child_frame_test_support.h"

#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/registry.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <climits>

using namespace frametest;

namespace {

// A landscape rectangle label, twice as wide as high.
std::unique_ptr<PaperType> WidePaper(uint8_t n)
{
    return std::make_unique<PaperType>(testpaper::Rectangles(Id(n), QStringLiteral("Wide %1").arg(n), 1000, 500, {}));
}

class ChildFrameTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        AddPaper(WidePaper(3));
        papers[1]->ShapeHeight = 1000;   // the tall label: 50 x 100 mm
    }
    static bool IsSilver(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(192, 192, 192); }
};

// The label's width in full-page mode is the sheet's; screen lengths round a fraction above
// one half up and anything else down, and damaged sizes stay far inside an int.
TEST(PaperBaseWidth, ScreenWidthOfTheLabelOrSheetAtFullSize)
{
    struct Case {
        const char* what;
        int32_t shapeWidth, paperWidth, pageMode;
        int ppi;
        int32_t baseWidth;
    } cases[] = {
        {"120 mm label at 96 dpi: 453.54", 1200, 2100, PageModeLabel, 96, 454},
        {"210 mm sheet at 96 dpi: 793.70", 1200, 2100, PageModeFull, 96, 794},
        {"100 mm label at 72 dpi: 283.46", 1000, 2100, PageModeLabel, 72, 283},
        {"127 mm label at 100 dpi: 499.999", 1270, 2100, PageModeLabel, 100, 500},
        {"120 mm label at 120 dpi: 566.93", 1200, 2100, PageModeLabel, 120, 567},
        {"damaged negative width: -453.54", -1200, 2100, PageModeLabel, 96, -454},
        {"no width", 0, 2100, PageModeLabel, 96, 0},
        {"damaged huge width", INT32_MAX, 2100, PageModeLabel, 300, 100000000},
        {"unknown page mode shows the label", 1200, 2100, 7, 96, 454},
    };
    for (const Case& k : cases) {
        PaperType p;
        p.ShapeWidth = k.shapeWidth;
        p.PaperWidth = k.paperWidth;
        EXPECT_EQ(PaperBaseWidth(p, k.pageMode, k.ppi), k.baseWidth) << k.what;
    }
}

TEST_F(ChildFrameTest, CreationOnADiscLabel)
{
    TChildFrame* f = Make(1);
    EXPECT_EQ(f->ClientWidth(), 400);
    EXPECT_EQ(f->ClientHeight(), 400);
    EXPECT_EQ(f->MinTrackSize, TPoint(300, 300));
    EXPECT_EQ(f->minimumSize(), QSize(300, 300));
    EXPECT_EQ(f->PaperCentre, TPoint(200, 200));
    EXPECT_EQ(f->HalfWidth, 190);
    EXPECT_EQ(f->HalfHeight, 190);
    EXPECT_EQ(f->PreviousHalfHeight, 190);
    // 120 mm at 96 dpi is 453.5 pixels; the paper area is 380 of them.
    EXPECT_EQ(f->BaseWidth, 454);
    EXPECT_EQ(f->Zoom, 84);
    EXPECT_EQ(f->CoreRadius, 65);   // 190 x 410 / 1200
    EXPECT_FLOAT_EQ(f->PaperScale, 380.0f / 1200.0f);
    EXPECT_EQ(f->Tool, ToolArrow);
    EXPECT_EQ(f->ToolCursor, crDefault);
    EXPECT_EQ(f->CoreColor, clWhite);
    EXPECT_EQ(f->OutlineColor, clSilver);
    EXPECT_FALSE(f->Modified);
    EXPECT_EQ(f->Paper->Name, QStringLiteral("Disc 1"));
    EXPECT_EQ(f->Hint(), BuiltinString(ReadyHintString));
    EXPECT_EQ(link.panels[1], QStringLiteral("84%"));
    EXPECT_EQ(link.panels[2], QStringLiteral("Disc 1"));
    ASSERT_FALSE(link.buttonsDown.empty());
    EXPECT_EQ(link.buttonsDown.back(), ToolArrow);
    ASSERT_FALSE(link.saveEnabled.empty());
    EXPECT_FALSE(link.saveEnabled.back());
    EXPECT_EQ(f->PopupMenu1->actions().size(), 4);
    EXPECT_EQ(f->PasteItem->text(), BuiltinString(PasteItemString));
    EXPECT_EQ(f->SaveDialog->Filter, BuiltinString(LabelFileFilterString));
}

TEST_F(ChildFrameTest, CreationSizesFollowThePaper)
{
    struct Case {
        uint8_t paper;
        bool fullPage;
        QSize client;
        TPoint minTrack;
    } cases[] = {
        {2, false, {400, 800}, {400, 800}},   // 50 x 100 mm label
        {3, false, {400, 200}, {400, 200}},   // 100 x 50 mm label
        {1, true, {400, 566}, {320, 453}},    // A4 sheet
    };
    for (const Case& k : cases) {
        TChildFrame* f = Make(k.paper, k.fullPage);
        EXPECT_EQ(QSize(f->ClientWidth(), f->ClientHeight()), k.client) << int(k.paper);
        EXPECT_EQ(f->MinTrackSize, k.minTrack) << int(k.paper);
    }
}

TEST_F(ChildFrameTest, PaperAreaFitsTheProportionsIntoTheWindow)
{
    struct Case {
        const char* what;
        uint8_t paper;
        bool fullPage;
        QSize client;
        TPoint centre;
        int halfWidth, halfHeight;
        int zoom;   // percent: 2 x halfWidth against BaseWidth (454, 189, 378, 794 at 96 dpi)
    } cases[] = {
        {"disc, wide window", 1, false, {600, 400}, {300, 200}, 190, 190, 84},            // 83.70
        {"disc, tall window", 1, false, {400, 700}, {200, 350}, 190, 190, 84},
        {"tall label, wide window", 2, false, {1200, 900}, {600, 450}, 213, 427, 225},    // 225.40
        {"tall label, tall window", 2, false, {400, 1000}, {200, 500}, 190, 380, 201},    // 201.06
        {"wide label, wide window", 3, false, {500, 400}, {250, 200}, 237, 118, 125},     // 125.40
        {"sheet, wide window", 1, true, {900, 500}, {450, 250}, 168, 237, 42},            // 42.32
        {"sheet, tall window", 1, true, {400, 900}, {200, 450}, 190, 269, 48},            // 47.86
        {"sheet, nearly square window", 1, true, {500, 600}, {250, 300}, 202, 285, 51},   // 50.88
    };
    for (const Case& k : cases) {
        TChildFrame* f = Make(k.paper, k.fullPage, k.client.width(), k.client.height());
        EXPECT_EQ(QSize(f->ClientWidth(), f->ClientHeight()), k.client) << k.what;
        EXPECT_EQ(f->PaperCentre, k.centre) << k.what;
        EXPECT_EQ(f->HalfWidth, k.halfWidth) << k.what;
        EXPECT_EQ(f->HalfHeight, k.halfHeight) << k.what;
        EXPECT_EQ(f->Zoom, k.zoom) << k.what;
    }
}

TEST_F(ChildFrameTest, ObjectsFollowTheCentreAndScaleWithTheHalfHeight)
{
    TChildFrame* f = Make(1);
    PlainObject* o = AddObject(f, QStringLiteral("A"), 150, 150, 100, 50);

    // Only the centre moves: the object moves with it, unscaled.
    f->SetClientSize(600, 400);
    EXPECT_EQ(o->geometry(), QRect(250, 150, 100, 50));
    EXPECT_EQ(f->Zoom, 84);

    // The half-height grows by half: position relative to the centre and size scale by 1.5.
    f->SetClientSize(600, 600);
    EXPECT_EQ(f->HalfHeight, 285);
    EXPECT_EQ(o->geometry(), QRect(225, 225, 150, 75));
    EXPECT_EQ(f->Zoom, 126);
    EXPECT_NEAR(o->Zoom, 570.0f / 454.0f, 1e-5);

    // A new paper in the same window changes only the half-height: the objects still scale.
    CopyPaperType(papers[2], f->Paper.get());
    f->FormResize(nullptr);
    EXPECT_EQ(f->PaperCentre, TPoint(300, 300));
    EXPECT_EQ(f->HalfHeight, 142);
    EXPECT_EQ(o->geometry(), QRect(263, 263, 75, 37));
    EXPECT_EQ(f->PreviousHalfHeight, 142);
}

TEST_F(ChildFrameTest, AWindowShrunkToNothingLeavesTheObjectsAlone)
{
    TChildFrame* f = Make(1, false, 600, 600);
    PlainObject* o = AddObject(f, QStringLiteral("A"), 225, 225, 150, 75);
    f->setMinimumSize(0, 0);
    for (QSize tiny : {QSize(0, 0), QSize(1, 1), QSize(600, 0)}) {
        f->SetClientSize(tiny.width(), tiny.height());
        EXPECT_EQ(o->geometry(), QRect(225, 225, 150, 75)) << tiny.width() << "x" << tiny.height();
        EXPECT_EQ(f->PreviousHalfHeight, 285);
    }
    f->SetClientSize(600, 600);
    EXPECT_EQ(o->geometry(), QRect(225, 225, 150, 75));
    f->SetClientSize(400, 400);
    EXPECT_EQ(o->geometry(), QRect(150, 150, 100, 50));
}

TEST_F(ChildFrameTest, DamagedPaperSizesNeverDivideByZero)
{
    struct Case {
        const char* what;
        bool fullPage;
        int32_t style, shapeWidth, shapeHeight, coreWidth, paperWidth, paperLength;
    } cases[] = {
        {"rectangle without width", false, 1, 0, 500, 0, 2100, 2970},
        {"rectangle without height", false, 1, 500, 0, 0, 2100, 2970},
        {"circle without width but with a core", false, 0, 0, 0, 410, 2100, 2970},
        {"sheet without width", true, 0, 1200, 1200, 410, 0, 2970},
        {"sheet without length", true, 0, 1200, 1200, 410, 2100, 0},
        {"everything zero", true, 1, 0, 0, 0, 0, 0},
        {"absurd ratio", false, 1, 1, INT32_MAX, 0, 2100, 2970},
        {"negative sizes", true, 0, -1200, -5, -410, -2100, -2970},
        {"unknown style", false, 7, 1200, 1200, 410, 2100, 2970},
    };
    for (const Case& k : cases) {
        auto p = DiscPaper(50);
        p->ShapeStyle = k.style;
        p->ShapeWidth = k.shapeWidth;
        p->ShapeHeight = k.shapeHeight;
        p->CoreWidth = k.coreWidth;
        p->PaperWidth = k.paperWidth;
        p->PaperLength = k.paperLength;
        p->OtherShapes = {{0, 100, 100, 50, 10, 10}};
        // Each case's paper replaces the one before, or every case would open the first.
        auto& cat = PaperCatalogue();
        if (PaperType* before = FindPaperType(Id(50))) {
            papers.erase(std::find(papers.begin(), papers.end(), before));
            cat.erase(std::find(cat.begin(), cat.end(), before));
        }
        const PaperType* mine = AddPaper(std::move(p));
        TChildFrame* f = Make(50, k.fullPage);
        ASSERT_EQ(f->Paper->ShapeStyle, mine->ShapeStyle) << k.what;
        AddObject(f, QStringLiteral("A"), 10, 10, 50, 50);
        f->SetClientSize(500, 450);
        f->SetClientSize(450, 500);
        EXPECT_LE(f->ClientHeight(), 10000) << k.what;
        EXPECT_FALSE(f->grab().isNull()) << k.what;
        EXPECT_EQ(f->ObjectCount(), 1) << k.what;
    }
}

TEST_F(ChildFrameTest, AnUnknownPaperFallsBackToTheFirstOfTheCatalogue)
{
    TChildFrame* f = Make(99);
    EXPECT_EQ(f->Paper->ID, Id(1));
    EXPECT_EQ(f->Paper->Name, QStringLiteral("Disc 1"));
    EXPECT_EQ(f->HalfHeight, 190);

    // With no catalogue at all the window still opens, on an empty paper.
    PaperCatalogue().clear();
    papers.clear();
    TChildFrame* g = Make(7);
    EXPECT_EQ(g->Paper->ID, Id(7));
    EXPECT_FALSE(g->grab().isNull());
}

TEST_F(ChildFrameTest, PaintsTheLabelOutlineAndItsHole)
{
    TChildFrame* f = Make(1);   // paper area (10, 10) - (390, 390), hole radius 65
    const QImage img = f->grab().toImage();
    EXPECT_TRUE(IsSilver(img, 200, 10));
    EXPECT_TRUE(IsSilver(img, 10, 200));
    EXPECT_TRUE(IsSilver(img, 200, 135));
    EXPECT_EQ(img.pixelColor(200, 200), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(100, 200), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(20, 20), QColor(Qt::white));   // outside the circle

    // A new outline colour and window colour.
    f->OutlineColor = clRed;
    f->SetColor(clYellow);
    const QImage red = f->grab().toImage();
    EXPECT_EQ(red.pixelColor(200, 10), QColor(Qt::red));
    EXPECT_EQ(red.pixelColor(200, 200), QColor(Qt::yellow));
}

TEST_F(ChildFrameTest, FullPageShowsEveryPositionAndTheOtherShapes)
{
    papers[0]->OtherShapes = {{1, 200, 300, 0, 1700, 2700}};
    papers[0]->ExtraLines = {{0, 700, 1200, 700}};
    // Sheet (10, 14) - (390, 552) at s = 380 / 2100; position 1 box (91, 50) - (308, 267),
    // position 2 box (91, 285) - (308, 502); the other shape (317, 502) - (371, 538).
    TChildFrame* f = Make(1, true);
    ASSERT_EQ(f->HalfHeight, 269);
    const QImage img = f->grab().toImage();
    EXPECT_TRUE(IsSilver(img, 10, 14));
    EXPECT_TRUE(IsSilver(img, 200, 14));
    EXPECT_TRUE(IsSilver(img, 91, 158));
    EXPECT_TRUE(IsSilver(img, 91, 393));
    EXPECT_TRUE(IsSilver(img, 317, 502));
    EXPECT_TRUE(IsSilver(img, 340, 502));
    EXPECT_TRUE(IsSilver(img, 100, 176));   // the extra line, on position 1
    EXPECT_TRUE(IsSilver(img, 100, 412));   // and on position 2
    EXPECT_EQ(img.pixelColor(200, 400), QColor(Qt::white));

    // In label mode the other shapes are not drawn: nothing outside the circle.
    papers[0]->ExtraLines.clear();
    TChildFrame* g = Make(1);
    const QImage label = g->grab().toImage();
    int silverOutside = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            const double dx = x - 199.5, dy = y - 199.5;
            if (dx * dx + dy * dy > 192.0 * 192.0 && IsSilver(label, x, y))
                ++silverOutside;
        }
    EXPECT_EQ(silverOutside, 0);
}

TEST_F(ChildFrameTest, AShapeMaskReplacesTheOutline)
{
    const QString dir = testsupport::freshDir(QStringLiteral("mask-program"));
    QDir(dir).mkpath(QStringLiteral("paper/mask"));
    qputenv("KORVANE_PROGRAM_DIR", dir.toLocal8Bit());
    TBitmap mask;
    mask.SetSize(8, 8);
    mask.Canvas()->Brush.Color = clBlue;
    mask.Canvas()->FillRect(TRect(0, 0, 8, 8));
    mask.Canvas()->SetPixel(0, 7, clWhite);   // the corner that says which colour is clear
    mask.SaveToFile(dir + QStringLiteral("/paper/mask/m1.bmp"));
    QFile ini(dir + QStringLiteral("/paper/maskfile.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[shape_mask_full_out_line]\r\n" + GUIDToString(Id(1)).toLatin1() + "=m1.bmp\r\n");
    ini.close();
    papers[0]->HasShapeMask = 1;

    TChildFrame* f = Make(1);
    EXPECT_EQ(f->MaskBitmap->Width(), 8);
    const QImage label = f->grab().toImage();
    EXPECT_EQ(label.pixelColor(200, 200), QColor(Qt::blue));   // the hole is not drawn
    EXPECT_EQ(label.pixelColor(15, 15), QColor(Qt::blue));     // the mask fills the paper area
    EXPECT_EQ(label.pixelColor(5, 5), QColor(Qt::white));

    TChildFrame* g = Make(1, true);
    const QImage page = g->grab().toImage();
    EXPECT_EQ(page.pixelColor(200, 158), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(200, 393), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(200, 275), QColor(Qt::white));   // between the positions
    qunsetenv("KORVANE_PROGRAM_DIR");
}

TEST_F(ChildFrameTest, ActivationPushesTheToolButtonAndFollowsTheDocument)
{
    TChildFrame* f = Make(1);
    link.buttonsDown.clear();
    f->Tool = ToolEllipse;
    f->SetModified(true);
    link.panels.clear();
    f->FormActivate(f);
    EXPECT_EQ(link.buttonsDown, std::vector<int>{ToolEllipse});
    EXPECT_TRUE(link.saveEnabled.back());
    EXPECT_EQ(link.panels[1], QStringLiteral("84%"));
    EXPECT_EQ(link.panels[2], QStringLiteral("Disc 1"));

    f->Tool = ToolBarCode;   // no button
    f->FormActivate(f);
    EXPECT_EQ(link.buttonsDown, std::vector<int>{ToolEllipse});
}

TEST_F(ChildFrameTest, SelectAllSelectsEveryObjectWithoutDeselectingAny)
{
    TChildFrame* f = Make(1);
    PlainObject* a = AddObject(f, QStringLiteral("A"), 10, 10, 20, 20);
    PlainObject* b = AddObject(f, QStringLiteral("B"), 50, 10, 20, 20);
    b->SetLocked(true);
    f->SelectAll();
    EXPECT_TRUE(a->Selected);
    EXPECT_TRUE(b->Selected);
    EXPECT_FALSE(f->Modified);

    // A click on the empty page deselects them all.
    Press(f->Page, {300, 300});
    Release(f->Page, {300, 300});
    EXPECT_FALSE(a->Selected || b->Selected);
}

TEST_F(ChildFrameTest, DestructionStoresTheWindowState)
{
    auto readState = [] {
        TRegIniFile reg(ProductKey());
        return reg.ReadInteger(BasicInfo(), QStringLiteral("ChildWindowState"), -1);
    };
    TChildFrame* f = Make(1);
    f->SetWindowState(wsMaximized);
    windows.clear();
    EXPECT_EQ(readState(), wsMaximized);

    // In an MDI area, the sub-window's state counts.
    QMdiArea area;
    area.resize(1000, 800);
    area.show();
    auto* g = new TChildFrame(nullptr, &area);
    ASSERT_NE(g->SubWindow(), nullptr);
    EXPECT_EQ(g->ClientWidth(), 400);
    EXPECT_EQ(g->ClientHeight(), 400);
    g->SubWindow()->show();
    EXPECT_EQ(g->HalfHeight, 190);
    g->SetWindowState(wsNormal);
    delete g->SubWindow();
    EXPECT_EQ(readState(), wsNormal);
}

TEST_F(ChildFrameTest, RelabelMessageAndObjectCommandsArriveAsPostedMessages)
{
    TChildFrame* f = Make(1);
    PlainObject* a = AddObject(f, QStringLiteral("A"), 10, 10, 20, 20);
    a->SetSelected(true, false);
    char block[20] = "A";
    COPYDATASTRUCT cds;
    cds.dwData = ocChanged;
    cds.cbData = 20;
    cds.lpData = block;
    EXPECT_TRUE(f->Dispatch(WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&cds)));
    EXPECT_TRUE(f->Modified);
    EXPECT_TRUE(f->Dispatch(WM_RELABEL, 0, 0));
    EXPECT_FALSE(f->Dispatch(WM_CLOSE, 0, 0));
}

} // namespace
