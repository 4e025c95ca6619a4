// Hot button and header button: glyphs, hover and press, toggling, drop-down menus, and closing
// on clicks elsewhere through the mouse manager.
#include <gtest/gtest.h>

#include <QTest>

#include "bars/sb_buttons.h"
#include "bars/sb_mouse_manager.h"
#include "bars/sb_panel_draw.h"

TEST(SBHotButton, ClickOnlyWhenReleasedInside)
{
    TSBHotButton b;
    EXPECT_EQ(b.size(), QSize(17, 17));
    EXPECT_EQ(b.Color(), clBtnFace);
    int clicks = 0, internal = 0;
    b.OnButtonClick = [&](QObject*) { ++clicks; };
    b.OnInternalClick = [&](QObject*) { ++internal; };
    b.MouseMove(5, 5);
    EXPECT_TRUE(b.Hot());
    b.MouseDown(Qt::LeftButton, 5, 5);
    EXPECT_TRUE(b.Pressed());
    b.MouseMove(40, 40);
    EXPECT_FALSE(b.Pressed());
    b.MouseUp(Qt::LeftButton, 40, 40);
    EXPECT_EQ(clicks, 0) << "released outside";
    EXPECT_FALSE(b.Hot());
    b.MouseMove(5, 5);
    b.MouseDown(Qt::LeftButton, 5, 5);
    b.MouseMove(40, 40);
    b.MouseMove(6, 6); // back inside before release
    EXPECT_TRUE(b.Pressed());
    b.MouseUp(Qt::LeftButton, 6, 6);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(internal, 1);
    EXPECT_FALSE(b.Pressed());
    b.MouseLeave();
    EXPECT_FALSE(b.Hot());
}

TEST(SBHotButton, GlyphsByTypeAndState)
{
    TSBHotButton b;
    const auto close = LoadGlyphResource(QStringLiteral("CLOSEBUTTON"));
    const auto pinUp = LoadGlyphResource(QStringLiteral("HOTBUTTONPINUP"));
    const auto pinDown = LoadGlyphResource(QStringLiteral("HOTBUTTONPINDOWN"));
    EXPECT_EQ(close->Width(), 16);
    EXPECT_EQ(close->Height(), 15);
    EXPECT_TRUE(LoadGlyphResource(QStringLiteral("NONE"))->Empty());
    EXPECT_EQ(b.CurrentGlyph()->ToImage(), close->ToImage());
    b.SetButtonType(btPin);
    EXPECT_EQ(b.CurrentGlyph()->ToImage(), pinUp->ToImage());
    b.MouseMove(3, 3);
    b.MouseDown(Qt::LeftButton, 3, 3);
    EXPECT_EQ(b.CurrentGlyph()->ToImage(), pinDown->ToImage());
    // A custom button with no down glyph keeps showing its up glyph while pressed.
    b.SetButtonType(btCustom);
    TBitmap up(16, 15);
    up.Canvas()->SetPixel(3, 3, clRed);
    b.SetButtonUpGlyph(up);
    EXPECT_EQ(b.CurrentGlyph(), &b.ButtonUpGlyph());
    TBitmap down(16, 15);
    b.SetButtonDownGlyph(down);
    EXPECT_EQ(b.CurrentGlyph(), &b.ButtonDownGlyph());
    b.MouseUp(Qt::LeftButton, 3, 3);
    EXPECT_EQ(b.CurrentGlyph(), &b.ButtonUpGlyph());
}

TEST(SBHeaderButton, PlainCaptionNeverToggles)
{
    TSBHeaderButton b;
    b.SetCaption(QStringLiteral("Folders"));
    int clicks = 0;
    b.OnButtonClick = [&](QObject*) { ++clicks; };
    b.MouseDown(Qt::LeftButton, 10, 10);
    EXPECT_FALSE(b.ButtonDown());
    EXPECT_EQ(b.ButtonRect(), TRect());
    EXPECT_EQ(clicks, 0);
}

TEST(SBHeaderButton, WidthAndButtonRectangle)
{
    TSBHeaderButton b;
    b.resize(200, 30);
    b.SetCaption(QStringLiteral("Inbox"));
    TCanvas measure;
    measure.Font = CanvasFont(b.font());
    const int text = measure.TextWidth(QStringLiteral("Inbox"));
    EXPECT_EQ(b.GetCalcWidth(), 8 + text);
    b.SetButtonInCaption(true);
    EXPECT_EQ(b.GetCalcWidth(), 8 + text + 8 + 8); // arrow glyph of 6 points: 8 pixels
    TImageList images(16, 16);
    b.SetImageList(&images);
    b.SetImageAlignment(iaLeft);
    EXPECT_EQ(b.GetCalcWidth(), 4 + 16 + 4 + text + 8 + 8);
    b.SetImageList(nullptr);
    b.SetImageAlignment(iaRight);
    const TRect button = b.ButtonRect();
    EXPECT_EQ(button.Left, 1);
    EXPECT_EQ(button.Right, 4 + text + 8 + 4);
    EXPECT_EQ(b.ArrowRect(), TRect(button.Right - 12, 0, button.Right, 30));
    EXPECT_FALSE(b.IsOnArrowButton(button.Right - 3, 10)) << "no separate arrow";
    b.SetSeparateArrow(true);
    EXPECT_TRUE(b.IsOnArrowButton(b.ArrowRect().Left + 1, 10));
}

TEST(SBHeaderButton, TogglesAndEveryChangeClicks)
{
    TSBHeaderButton b;
    b.resize(200, 30);
    b.SetCaption(QStringLiteral("Inbox"));
    b.SetButtonInCaption(true);
    int clicks = 0;
    b.OnButtonClick = [&](QObject*) { ++clicks; };
    b.MouseDown(Qt::LeftButton, 5, 10);
    EXPECT_TRUE(b.ButtonDown());
    b.MouseDown(Qt::LeftButton, 5, 10);
    EXPECT_FALSE(b.ButtonDown());
    EXPECT_EQ(clicks, 2);
    b.MouseDown(Qt::LeftButton, 190, 10); // beside the caption
    EXPECT_FALSE(b.ButtonDown());
}

TEST(SBHeaderButton, SeparateArrowOpensTheMenuCaptionOnlyToggles)
{
    TSBHeaderButton b;
    b.resize(200, 30);
    b.SetCaption(QStringLiteral("View"));
    b.SetButtonInCaption(true);
    b.SetSeparateArrow(true);
    QMenu menu;
    b.SetDropDownMenu(&menu);
    int popups = 0, clicks = 0;
    QPoint at;
    auto saved = TSBCustomHeaderButton::PopupMenu;
    TSBCustomHeaderButton::PopupMenu = [&](QMenu*, const QPoint& p) {
        ++popups;
        at = p;
        EXPECT_TRUE(b.MenuShowing());
    };
    b.OnButtonClick = [&](QObject*) { ++clicks; };
    b.MouseDown(Qt::LeftButton, 5, 10);
    EXPECT_TRUE(b.ButtonDown());
    EXPECT_EQ(popups, 0);
    EXPECT_EQ(clicks, 0) << "caption down with a separate arrow runs nothing";
    b.MouseDown(Qt::LeftButton, 5, 10);
    EXPECT_FALSE(b.ButtonDown());
    EXPECT_EQ(clicks, 1);
    const TRect arrow = b.ArrowRect();
    b.MouseDown(Qt::LeftButton, arrow.Left + 2, 10);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(at, b.mapToGlobal(QPoint(0, 30)));
    EXPECT_FALSE(b.ButtonDown());
    EXPECT_FALSE(b.ArrowButtonDown()) << "both up after the menu";
    EXPECT_EQ(clicks, 2);
    TSBCustomHeaderButton::PopupMenu = saved;
}

TEST(SBHeaderButton, TrackMouseClosesOnOutsideClicksAndDeactivation)
{
    QWidget window;
    window.resize(300, 200);
    auto* b = new TSBHeaderButton(&window);
    b->setGeometry(20, 20, 200, 30);
    auto* elsewhere = new QWidget(&window);
    elsewhere->setGeometry(20, 100, 100, 50);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    b->SetCaption(QStringLiteral("Tasks"));
    b->SetButtonInCaption(true);
    b->SetTrackMouse(true);
    b->MouseDown(Qt::LeftButton, 5, 10);
    ASSERT_TRUE(b->ButtonDown());
    EXPECT_TRUE(GetMouseManager()->HasHandler(b));
    // The handler may keep it open.
    bool keep = true;
    b->OnTrackMouse = [&](QObject*, bool& isClose) { isClose = !keep; };
    QTest::mouseClick(elsewhere, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(b->ButtonDown());
    keep = false;
    QTest::mouseClick(elsewhere, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    EXPECT_FALSE(b->ButtonDown());
    EXPECT_FALSE(GetMouseManager()->HasHandler(b)) << "unregistered while being called";
    // Leaving the program raises it too.
    b->MouseDown(Qt::LeftButton, 5, 10);
    ASSERT_TRUE(b->ButtonDown());
    GetMouseManager()->CallHandlers(WM_SBAPPLOSTFOCUS);
    EXPECT_FALSE(b->ButtonDown());
    // A click on its own caption toggles it as usual.
    b->MouseDown(Qt::LeftButton, 5, 10);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
    EXPECT_FALSE(b->ButtonDown());
    delete b;
    GetMouseManager()->CallHandlers(WM_SBMOUSEDOWN); // nothing left behind
    FreeMouseManager();
}
