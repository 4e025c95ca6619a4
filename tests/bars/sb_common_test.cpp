// Side-bar shared pieces: gradient bands, rectangle helpers, drawing routines, the mouse manager.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "bars/sb_common.h"
#include "bars/sb_mouse_manager.h"
#include "bars/sb_panel_draw.h"
#include "platform/bitmap.h"
#include "platform/message_box.h"
#include "platform/window_message.h"

namespace {

std::vector<TColor> Row(TBitmap& bmp, int y)
{
    std::vector<TColor> out;
    for (int x = 0; x < bmp.Width(); ++x)
        out.push_back(bmp.Canvas()->Pixel(x, y));
    return out;
}

// Records the manager's messages; may act on the manager while called.
class Recorder : public QObject {
public:
    std::vector<unsigned> got;
    std::function<void()> onCall;
    bool event(QEvent* e) override
    {
        if (const TMessageEvent* m = AsMessageEvent(e)) {
            got.push_back(m->Msg);
            if (onCall)
                onCall();
            return true;
        }
        return QObject::event(e);
    }
};

} // namespace

TEST(SBGradient, BandsStepThroughTheColours)
{
    TBitmap bmp(10, 2);
    FillGradient(*bmp.Canvas(), 10, 2, RGB(0, 0, 0), RGB(4, 0, 0), false);
    // Steps 5, band 10 div 5 + 1 = 3: red 0, 1 (3*4/10), 2 (6*4/10), 3 (9*4/10).
    const std::vector<TColor> expected = {RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(1, 0, 0), RGB(1, 0, 0),
                                          RGB(1, 0, 0), RGB(2, 0, 0), RGB(2, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0)};
    EXPECT_EQ(Row(bmp, 1), expected);
}

TEST(SBGradient, EqualColoursOneBandAndEmptyLengthNothing)
{
    TBitmap bmp(6, 6);
    FillGradient(*bmp.Canvas(), 6, 6, clRed, clRed, true);
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ(Row(bmp, y), std::vector<TColor>(6, clRed)) << y;
    TBitmap untouched(4, 4);
    FillGradient(*untouched.Canvas(), 4, 0, clRed, clBlue, true);
    FillGradient(*untouched.Canvas(), -3, 4, clRed, clBlue, false);
    EXPECT_EQ(Row(untouched, 0), std::vector<TColor>(4, clWhite));
}

TEST(SBGradient, VerticalGoesDownTheRows)
{
    TBitmap bmp(2, 256);
    FillGradient(*bmp.Canvas(), 2, 256, clBlack, clWhite, true);
    EXPECT_EQ(bmp.Canvas()->Pixel(0, 0), clBlack);
    // Band 2: row 128 starts band 64, 128 * 255 / 256 = 127; the last band 254 * 255 / 256.
    EXPECT_EQ(bmp.Canvas()->Pixel(1, 128), RGB(127, 127, 127));
    EXPECT_EQ(bmp.Canvas()->Pixel(0, 255), RGB(253, 253, 253));
}

TEST(SBRects, CentreAlignAndClip)
{
    TRect r(0, 0, 5, 4);
    HCenterRect(r, TRect(10, 0, 21, 10));
    EXPECT_EQ(r, TRect(13, 0, 18, 4));
    VCenterRect(r, TRect(0, -7, 0, 0)); // rounds toward zero
    EXPECT_EQ(r, TRect(13, -5, 18, -1));
    BottomAlignRect(r, TRect(0, 0, 0, 30));
    EXPECT_EQ(r, TRect(13, 26, 18, 30));
    IntersectInto(r, TRect(15, 0, 40, 28));
    EXPECT_EQ(r, TRect(15, 26, 18, 28));

    TRect placed;
    const TRect source(0, 0, 10, 6);
    const TRect bounds(0, 0, 40, 20);
    struct Case {
        int h, v;
        TRect expected;
    } cases[] = {
        {1, 1, TRect(0, 0, 10, 6)},    {2, 2, TRect(15, 7, 25, 13)}, {3, 3, TRect(30, 14, 40, 20)},
    };
    for (const Case& c : cases) {
        AlignRect(source, bounds, c.h, placed, 0, 0, c.v);
        EXPECT_EQ(placed, c.expected) << c.h << "," << c.v;
    }
    // Larger than the bounds: clipped.
    AlignRect(TRect(0, 0, 50, 30), bounds, 1, placed, 0, 0, 1);
    EXPECT_EQ(placed, bounds);
}

TEST(SBRects, CutRectTakesStripsAndKeepsTheMargin)
{
    TBitmap bmp(20, 4);
    TCanvas& c = *bmp.Canvas();
    c.Brush.Color = clRed;
    TRect r(0, 0, 20, 4);
    CutRect(c, r, 4, true, false, 0);
    EXPECT_EQ(r, TRect(4, 0, 20, 4));
    EXPECT_EQ(c.Pixel(3, 1), clRed);
    EXPECT_EQ(c.Pixel(4, 1), clWhite);
    CutRect(c, r, 4, false, true, 0);
    EXPECT_EQ(r, TRect(4, 0, 16, 4));
    EXPECT_EQ(c.Pixel(17, 1), clWhite) << "no fill";
    CutRect(c, r, 100, false, false, 5); // leaves the margin
    EXPECT_EQ(r, TRect(11, 0, 16, 4));
    CutRect(c, r, -1, true, false, 0);
    EXPECT_EQ(r, TRect(11, 0, 16, 4));
}

TEST(SBDraw, EmptyTextClearsUnlessTransparent)
{
    TBitmap bmp(10, 10);
    TCanvas& c = *bmp.Canvas();
    c.Brush.Color = clBlue;
    DrawTextInRect(c, QString(), DT_SINGLELINE, TRect(0, 0, 5, 5));
    EXPECT_EQ(c.Pixel(2, 2), clBlue);
    DrawTextInRect(c, QString(), DT_SINGLELINE | DTR_TRANSPARENT, TRect(5, 5, 10, 10));
    EXPECT_EQ(c.Pixel(7, 7), clWhite);
}

TEST(SBDraw, TextIsPlacedAndTheRestFilled)
{
    TBitmap bmp(80, 30);
    TCanvas& c = *bmp.Canvas();
    c.Brush.Color = clYellow;
    c.Font.Color = clBlack;
    DrawTextInRect(c, QStringLiteral("II"), DT_SINGLELINE | DT_CENTER | DT_BOTTOM, TRect(0, 0, 80, 30));
    EXPECT_EQ(c.Pixel(1, 1), clYellow);
    EXPECT_EQ(c.Pixel(78, 28), clYellow);
    // Text pixels in the bottom half, centred; none at the top.
    bool bottom = false, top = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 30; x < 50; ++x)
            if (c.Pixel(x, y) != clYellow)
                (y >= 15 ? bottom : top) = true;
    EXPECT_TRUE(bottom);
    EXPECT_FALSE(top);
}

TEST(SBDraw, FrameEdgesAndBorderSides)
{
    TBitmap bmp(10, 10);
    TCanvas& c = *bmp.Canvas();
    c.Brush.Color = clRed;
    FillFrame(c, TRect(0, 0, 10, 10), TRect(2, 2, 8, 8));
    EXPECT_EQ(c.Pixel(0, 0), clRed);
    EXPECT_EQ(c.Pixel(9, 5), clRed);
    EXPECT_EQ(c.Pixel(5, 9), clRed);
    EXPECT_EQ(c.Pixel(5, 5), clWhite);
    DrawFrame3D(c, TRect(2, 2, 8, 8), clGray, true);
    EXPECT_EQ(c.Pixel(2, 5), clGray);
    EXPECT_EQ(c.Pixel(7, 5), clWhite);

    TBitmap sides(10, 10);
    DrawBorderSides(*sides.Canvas(), TRect(0, 0, 10, 10), BorderSide(bdLeft) | BorderSide(bdBottom), 2, clRed, clBlue);
    EXPECT_EQ(sides.Canvas()->Pixel(0, 3), clRed);
    EXPECT_EQ(sides.Canvas()->Pixel(1, 3), clRed);
    EXPECT_EQ(sides.Canvas()->Pixel(5, 9), clBlue);
    EXPECT_EQ(sides.Canvas()->Pixel(5, 8), clBlue);
    EXPECT_EQ(sides.Canvas()->Pixel(9, 3), clWhite);
    EXPECT_EQ(sides.Canvas()->Pixel(5, 0), clWhite);
}

TEST(SBDraw, ImageFromBitmapIsTransparentByItsCorner)
{
    TBitmap glyph(4, 4);
    glyph.Canvas()->Brush.Color = clLime;
    glyph.Canvas()->FillRect(TRect(0, 0, 4, 4));
    glyph.Canvas()->Brush.Color = clRed;
    glyph.Canvas()->FillRect(TRect(1, 1, 3, 3));
    TBitmap target(8, 8);
    target.Canvas()->Brush.Color = clBlue;
    target.Canvas()->FillRect(TRect(0, 0, 8, 8));
    DrawImage(*target.Canvas(), nullptr, &glyph, clBlue, false, 0, TRect(0, 0, 8, 8));
    EXPECT_EQ(target.Canvas()->Pixel(2, 2), clBlue); // the lime corner colour is left out
    EXPECT_EQ(target.Canvas()->Pixel(3, 3), clRed);
    EXPECT_EQ(target.Canvas()->Pixel(4, 4), clRed);
    EXPECT_EQ(target.Canvas()->Pixel(5, 5), clBlue);
}

TEST(SBStrings, LibraryTextsAndErrors)
{
    EXPECT_EQ(SBString(SNewGroup), QStringLiteral("New Group"));
    EXPECT_EQ(SBString(SErrInvalidPropValue), QStringLiteral("Invalid property value"));
    try {
        RaiseErrorFmt(SBString(SErrInvalidActiveGroupIndex), 0, 3);
        FAIL();
    } catch (const EKorvaneError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid ActiveGroupIndex value. Value must be between 0 and 3"));
    }
}

TEST(SBMouseManager, HandlersOnceEachLastFirst)
{
    TMouseManager mm;
    Recorder a, b;
    std::vector<QObject*> order;
    a.onCall = [&] { order.push_back(&a); };
    b.onCall = [&] { order.push_back(&b); };
    mm.CallHandlers(WM_SBMOUSEDOWN); // empty list: nothing
    mm.AddHandler(&a);
    mm.AddHandler(&a);
    mm.AddHandler(&b);
    EXPECT_EQ(mm.HandlerCount(), 2);
    mm.CallHandlers(WM_SBMOUSEDOWN);
    EXPECT_EQ(order, (std::vector<QObject*>{&b, &a}));
    EXPECT_EQ(a.got, std::vector<unsigned>{WM_SBMOUSEDOWN});
    mm.RemoveHandler(&b);
    mm.CallHandlers(WM_SBAPPLOSTFOCUS);
    EXPECT_EQ(b.got.size(), 1u);
    EXPECT_EQ(a.got.back(), WM_SBAPPLOSTFOCUS);
}

TEST(SBMouseManager, HandlersLeavingWhileCalledAreSafe)
{
    TMouseManager mm;
    Recorder first, second, third;
    auto doomed = std::make_unique<Recorder>();
    // Called first (added last): removes itself, deletes one handler and removes another.
    third.onCall = [&] {
        mm.RemoveHandler(&third);
        doomed.reset();
        mm.RemoveHandler(&first);
    };
    mm.AddHandler(&first);
    mm.AddHandler(doomed.get());
    mm.AddHandler(&second);
    mm.AddHandler(&third);
    mm.CallHandlers(WM_SBMOUSEDOWN);
    EXPECT_EQ(third.got.size(), 1u);
    EXPECT_EQ(second.got.size(), 1u);
    EXPECT_TRUE(first.got.empty());
    EXPECT_EQ(mm.HandlerCount(), 1); // second; the deleted one is gone too
}

TEST(SBMouseManager, PressAnywhereCountsOnce)
{
    QWidget window;
    QWidget child(&window);
    child.setGeometry(10, 10, 50, 50);
    window.resize(100, 100);
    window.show();
    Recorder r;
    GetMouseManager()->AddHandler(&r);
    QTest::mouseClick(&child, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseClick(&window, Qt::RightButton, Qt::NoModifier, QPoint(80, 80));
    QTest::mouseClick(&window, Qt::MiddleButton, Qt::NoModifier, QPoint(80, 80));
    EXPECT_EQ(r.got, (std::vector<unsigned>{WM_SBMOUSEDOWN, WM_SBMOUSEDOWN}));
    FreeMouseManager();
    QTest::mouseClick(&child, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(r.got.size(), 2u) << "no manager, no messages";
}
