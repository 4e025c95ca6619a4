// Out header and the panels: button placement, fonts and charsets, the drop-down header panel,
// header panel layout, bordered client areas and splitting.
#include <gtest/gtest.h>

#include <QTest>

#include "bars/sb_mouse_manager.h"
#include "bars/sb_panel_draw.h"
#include "bars/sb_panels.h"
#include "document/std.h"
#include "platform/control_classes.h"
#include "platform/system_metrics.h"

TEST(SBOutHeaderLayout, StartSizeAndButtons)
{
    TSBOutHeader h;
    EXPECT_EQ(h.width(), GetSystemMetrics(SM_CXSCREEN) / 4);
    EXPECT_EQ(h.height(), 30);
    EXPECT_EQ(h.Color(), clBtnShadow);
    EXPECT_EQ(h.BorderColor(), clBtnFace);
    EXPECT_EQ(h.BorderSides(), AllBorderSides);
    EXPECT_EQ(h.ImageButton(), h.RightButton());
    EXPECT_EQ(ControlClassOf(&h), ControlClass::TSBOutHeader);
}

TEST(SBOutHeaderLayout, NarrowHeaderKeepsTheLeftButtonToAHundred)
{
    TSBOutHeader h;
    h.resize(400, 30);
    h.show();
    h.SetCaption(QString(60, QLatin1Char('W'))); // far wider than 100
    h.SetRightCaption(QStringLiteral("Right"));
    const int right = h.RightButton()->GetCalcWidth();
    EXPECT_EQ(h.LeftButton()->geometry(), QRect(0, 0, 400 - right + 1, 30));
    EXPECT_EQ(h.RightButton()->geometry(), QRect(400 - right, 0, right, 30));
    h.resize(150, 30);
    h.SetRightCaption(QString(30, QLatin1Char('W'))); // both want more than there is
    EXPECT_EQ(h.LeftButton()->width(), 150 - (150 - 100) + 1);
    EXPECT_EQ(h.RightButton()->geometry(), QRect(100, 0, 50, 30)) << "the right one gets the rest";
    // Border sides shrink the inner rectangle the buttons share.
    h.SetBorderSideSize(3);
    h.SetBorderSides(BorderSide(bdLeft) | BorderSide(bdBottom));
    EXPECT_EQ(h.InnerRect(), TRect(3, 0, 150, 27));
    EXPECT_EQ(h.LeftButton()->geometry().topLeft(), QPoint(3, 0));
}

TEST(SBOutHeaderLayout, ImageMovesBetweenTheButtons)
{
    TSBOutHeader h;
    TImageList images(16, 16);
    h.SetImageList(&images);
    h.SetImageIndex(2);
    EXPECT_EQ(h.RightButton()->ImageList(), &images);
    h.SetImageAlignment(iaLeft);
    EXPECT_EQ(h.ImageButton(), h.LeftButton());
    EXPECT_EQ(h.LeftButton()->ImageList(), &images);
    EXPECT_EQ(h.LeftButton()->ImageIndex(), 2);
    EXPECT_EQ(h.RightButton()->ImageList(), nullptr);
}

TEST(SBOutHeaderFonts, CharsetReachesTheLeftButtonOnly)
{
    QWidget form;
    auto* h = new TSBOutHeader(&form);
    h->SetParentRightFont(true);
    SetWidgetCharset(h, 128);
    EXPECT_EQ(WidgetCharset(h->LeftButton()), 128);
    EXPECT_EQ(WidgetCharset(h->RightButton()), DEFAULT_CHARSET);
    // The form-language routine finds the header by its class.
    const unsigned saved = CurrentLanguage;
    CurrentLanguage = 17; // Japanese
    ApplyLanguageCharset(&form);
    CurrentLanguage = saved;
    EXPECT_EQ(WidgetCharset(h), 128);
    // A font of the header's own reaches the left button; the right one keeps its font.
    const QFont rightBefore = h->RightButton()->font();
    QFont big = h->font();
    big.setPointSize(20);
    h->setFont(big);
    EXPECT_EQ(h->LeftButton()->font().pointSize(), 20);
    EXPECT_EQ(h->RightButton()->font(), rightBefore);
    // With ParentRightFont the right button follows the header's parent.
    QFont formFont = form.font();
    formFont.setPointSize(14);
    form.setFont(formFont);
    EXPECT_EQ(h->RightButton()->font().pointSize(), 14);
    h->SetRightCaptionFont(big);
    EXPECT_FALSE(h->ParentRightFont());
}

TEST(SBHeaderPanelLayout, HeaderStripAndPinCaption)
{
    TSBHeaderPanel p;
    p.resize(200, 120);
    p.show();
    EXPECT_EQ(p.BevelOuter(), bvLowered);
    EXPECT_EQ(p.ButtonType(), btStandard);
    const int ih = p.InternalHeaderHeight();
    EXPECT_GE(ih, GlyphHeight + 5);
    EXPECT_EQ(p.HeaderRect(), TRect(0, 0, 200, ih));
    EXPECT_EQ(p.PinButton()->geometry(), QRect(200 - 16 - 1, (ih - 15) / 2 + 1, 16, 15));
    EXPECT_EQ(p.HeaderButton()->geometry(), QRect(1, 2, 200 - 16 - 1 - 4, ih - 3));
    EXPECT_EQ(p.ClientRect().Top, 1 + ih - 1);
    p.SetHeaderHeight(40);
    EXPECT_EQ(p.InternalHeaderHeight(), 40);
    p.SetHeaderHeight(3);
    EXPECT_EQ(p.InternalHeaderHeight(), GlyphHeight + 5) << "never below the pin";
    p.SetCaption(QStringLiteral("Folders"));
    p.SetPinCaption(QStringLiteral("  Pinned  "));
    EXPECT_EQ(p.PinCaption(), QStringLiteral("Pinned"));
    EXPECT_EQ(p.HeaderButton()->Caption(), QStringLiteral("Folders"));
    p.SetButtonType(btPin);
    EXPECT_EQ(p.HeaderButton()->Caption(), QStringLiteral("Pinned"));
    p.SetButtonType(btStandard);
    EXPECT_EQ(p.HeaderButton()->Caption(), QStringLiteral("Folders"));
    p.SetPinCaption(QString());
    p.SetButtonType(btPin);
    EXPECT_EQ(p.HeaderButton()->Caption(), QStringLiteral("Folders"));
}

TEST(SBOutHeaderDropDown, HiddenPanelDropsBelowTheHeader)
{
    QWidget form;
    form.resize(400, 400);
    auto* h = new TSBOutHeader(&form);
    h->setGeometry(20, 10, 300, 30);
    auto* dock = new QWidget(&form);
    dock->setGeometry(0, 200, 300, 150);
    auto* panel = new TSBHeaderPanel(dock);
    panel->setGeometry(0, 0, 200, 120);
    panel->hide();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    h->SetHeaderPanel(panel);
    EXPECT_TRUE(h->ButtonInCaption()) << "a hidden panel makes the left button a toggle";
    EXPECT_TRUE(h->PanelDropped());
    EXPECT_EQ(panel->parentWidget(), &form);
    EXPECT_EQ(panel->BorderWidth(), 3);
    EXPECT_EQ(panel->width(), 200 + 2 * 3 + 2);
    EXPECT_EQ(panel->ButtonType(), btPin);
    // The same state again does not widen it twice.
    h->UpdateStateByHeaderPanel(true);
    EXPECT_EQ(panel->width(), 208);
    h->SetButtonDown(true);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), QPoint(20 - 3 - 1, 10 + 30)) << "interior under the header's left edge";
    h->SetButtonDown(false);
    EXPECT_FALSE(panel->isVisible());
    // The pin docks it back where it was.
    h->SetButtonDown(true);
    panel->PinButton()->OnInternalClick(panel->PinButton());
    EXPECT_FALSE(h->PanelDropped());
    EXPECT_FALSE(h->ButtonInCaption());
    EXPECT_EQ(panel->parentWidget(), dock);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 200, 120));
    EXPECT_EQ(panel->BorderWidth(), 0);
    EXPECT_EQ(panel->ButtonType(), btStandard);
    EXPECT_TRUE(panel->isVisible());
    // Hidden by the user: a drop-down again.
    panel->hide();
    EXPECT_TRUE(h->PanelDropped());
    EXPECT_TRUE(h->ButtonInCaption());
    EXPECT_EQ(panel->width(), 208);
    FreeMouseManager();
}

TEST(SBBorderedPanel, ClientAreaShrinksOnChosenSides)
{
    TSBBorderedPanel p;
    p.resize(100, 80);
    EXPECT_EQ(p.BevelInner(), bvLowered);
    EXPECT_EQ(p.BevelOuter(), bvNone);
    EXPECT_EQ(p.ClientRect(), TRect(2, 2, 98, 78));
    p.SetBorderSides(BorderSide(bdTop));
    EXPECT_EQ(p.ClientRect(), TRect(1, 2, 99, 79));
    p.SetBorderWidth(2);
    EXPECT_EQ(p.ClientRect(), TRect(3, 6, 97, 77));
}

TEST(SBSplitterPanel, SplitsAndKeepsMinSizes)
{
    TSBSplitterPanel p;
    p.resize(200, 100);
    p.SetBorderSides(0);
    p.SetBevelInner(bvNone);
    auto* content = new QWidget(&p);
    TCustomSBSplitterPanel* second = p.SplitVert();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(p.GetPanelCount(), 2);
    TCustomSBSplitterPanel *first, *other;
    p.GetControls(first, other);
    EXPECT_EQ(other, second);
    EXPECT_EQ(content->parentWidget(), first) << "the first panel takes over the controls";
    EXPECT_TRUE(p.IsVerticalSplitter());
    EXPECT_EQ(first->geometry(), QRect(0, 0, 100, 100));
    EXPECT_EQ(p.GetSplitterRect(), TRect(100, 0, 103, 100));
    EXPECT_EQ(second->geometry(), QRect(103, 0, 97, 100));
    // Dragging the bar, kept MinSize from both edges.
    p.MouseDown(Qt::LeftButton, 101, 50);
    ASSERT_TRUE(p.SplitterDragging());
    p.MouseMove(5, 50);
    EXPECT_EQ(p.DragLine(), 31) << "MinSize, bevel and border width from the edge";
    p.MouseMove(150, 50);
    p.MouseUp(Qt::LeftButton, 150, 50);
    EXPECT_EQ(first->width(), 149);
    p.resize(200, 100);
    p.MouseDown(Qt::LeftButton, 150, 50);
    p.MouseMove(199, 50);
    p.MouseUp(Qt::LeftButton, 199, 50);
    EXPECT_GE(second->width(), 30) << "the second keeps MinSize";
    // Splitting the only panel of a parent splits the parent.
    TSBSplitterPanel outer;
    outer.resize(200, 200);
    auto* only = new TSBSplitterPanel(&outer);
    only->show();
    EXPECT_EQ(outer.GetPanelCount(), 1);
    only->SplitHorz();
    EXPECT_EQ(outer.GetPanelCount(), 2);
    EXPECT_FALSE(outer.Empty());
}

TEST(SBSplitterPanel, SmoothHidingStepsAndEndsAtTheSavedSize)
{
    TSBSplitterPanel p;
    p.resize(200, 100);
    p.SetBorderSides(0);
    p.SetBevelInner(bvNone);
    p.SetSmoothVisible(true);
    p.SetSmoothStepCount(4);
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    TCustomSBSplitterPanel* second = p.SplitVert();
    TCustomSBSplitterPanel *first, *other;
    p.GetControls(first, other);
    first->resize(80, 100);
    p.AlignControls();
    std::vector<std::pair<bool, int>> events;
    first->OnSmoothVisible = [&](QObject*, bool v) { events.push_back({v, first->width()}); };
    first->hide();
    EXPECT_EQ(events.size(), 1u);
    EXPECT_FALSE(events[0].first);
    EXPECT_EQ(events[0].second, 80) << "told before it shrinks";
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->width(), 80) << "its size is put back once hidden";
    EXPECT_EQ(second->geometry(), QRect(0, 0, 200, 100)) << "the other panel takes the room";
    first->show();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[1].first);
    EXPECT_EQ(events[1].second, 80) << "told after it has grown back";
    EXPECT_EQ(first->geometry(), QRect(0, 0, 80, 100));
}
