// Transparent scroll bar and scroll button: button rectangles, stepping, limits, auto-repeat.
#include <gtest/gtest.h>

#include <QTest>

#include "bars/sb_scroll.h"
#include "platform/system_metrics.h"

TEST(SBTranspScrollBar, StartsVerticalAutoSizedAtZero)
{
    TSBTranspScrollBar bar;
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.Kind(), sbVertical);
    EXPECT_EQ(bar.width(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(bar.height(), 100);
    EXPECT_EQ(bar.Color(), 12632256u);
    bar.SetFrequency(0);
    EXPECT_EQ(bar.Frequency(), 100);
}

TEST(SBTranspScrollBar, ButtonRectanglesShareShortLengths)
{
    struct Case {
        TScrollBarKind kind;
        int length, shift;
        TRect first, second;
    } cases[] = {
        // Room for two full 16-pixel buttons.
        {sbVertical, 100, 0, TRect(0, 0, 16, 16), TRect(0, 84, 16, 100)},
        {sbVertical, 100, 3, TRect(0, 3, 16, 19), TRect(0, 81, 16, 97)},
        // Too short: the length is shared equally.
        {sbVertical, 20, 0, TRect(0, 0, 16, 10), TRect(0, 10, 16, 20)},
        {sbVertical, 20, 2, TRect(0, 2, 16, 10), TRect(0, 10, 16, 18)},
        // No room left: no buttons.
        {sbVertical, 6, 3, TRect(), TRect()},
        {sbHorizontal, 50, 0, TRect(0, 0, 16, 16), TRect(34, 0, 50, 16)},
        {sbHorizontal, 30, 1, TRect(1, 0, 15, 16), TRect(15, 0, 29, 16)},
    };
    for (const Case& c : cases) {
        TSBTranspScrollBar bar;
        bar.SetKind(c.kind);
        if (c.kind == sbVertical)
            bar.resize(bar.width(), c.length);
        else
            bar.resize(c.length, bar.height());
        bar.SetShift(c.shift);
        EXPECT_EQ(bar.GetButtonRect(true), c.first) << c.length << "/" << c.shift;
        EXPECT_EQ(bar.GetButtonRect(false), c.second) << c.length << "/" << c.shift;
    }
}

TEST(SBTranspScrollBar, MovedPositionReportsChange)
{
    TSBTranspScrollBar bar;
    std::vector<int> changes;
    bar.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &bar);
        changes.push_back(bar.Position());
    };
    bar.SetPosition(50);
    bar.SetPosition(50);  // same: nothing
    bar.SetPosition(101); // out of range: ignored
    bar.SetMax(30);       // moves the position down and tells
    EXPECT_EQ(bar.Position(), 30);
    bar.SetMin(40); // a Min above Max becomes Max: no move
    EXPECT_EQ(bar.Min(), 30);
    bar.SetMax(80);
    bar.SetMin(10);
    bar.SetPosition(5); // below the new Min: ignored
    bar.SetMax(5);      // Min follows Max down, the position too
    EXPECT_EQ(bar.Min(), 5);
    EXPECT_EQ(bar.Position(), 5);
    bar.SetMax(60);
    bar.SetMin(20); // raises the position and tells
    EXPECT_EQ(bar.Position(), 20);
    EXPECT_EQ(changes, (std::vector<int>{50, 30, 5, 20}));
}

TEST(SBTranspScrollBar, PressStepsOnlyWhereTheButtonShows)
{
    TSBTranspScrollBar bar;
    // At Min only the second button shows: pressing the first does nothing.
    bar.MouseDown(Qt::LeftButton, 5, 5);
    EXPECT_FALSE(bar.Holding());
    bar.MouseUp(Qt::LeftButton, 5, 5);
    EXPECT_EQ(bar.Position(), 0);

    bar.MouseDown(Qt::LeftButton, 5, 95);
    EXPECT_TRUE(bar.Holding());
    EXPECT_FALSE(bar.HeldFirst());
    EXPECT_TRUE(bar.DrawnPushed());
    EXPECT_TRUE(bar.TimerActive());
    bar.TimerTick();
    bar.TimerTick();
    EXPECT_EQ(bar.Position(), 2);
    bar.MouseMove(5, 50); // off the button: no repeat, drawn raised
    EXPECT_FALSE(bar.DrawnPushed());
    bar.TimerTick();
    EXPECT_EQ(bar.Position(), 2);
    bar.MouseMove(5, 90);
    EXPECT_TRUE(bar.DrawnPushed());
    bar.MouseUp(Qt::LeftButton, 5, 90); // release over it: one more step
    EXPECT_EQ(bar.Position(), 3);
    EXPECT_FALSE(bar.TimerActive());

    bar.MouseDown(Qt::LeftButton, 5, 95);
    bar.MouseUp(Qt::LeftButton, 5, 40); // released elsewhere: no step
    EXPECT_EQ(bar.Position(), 3);

    bar.MouseDown(Qt::LeftButton, 5, 5); // now the first shows
    EXPECT_TRUE(bar.HeldFirst());
    bar.MouseUp(Qt::LeftButton, 5, 5);
    EXPECT_EQ(bar.Position(), 2);

    bar.SetPosition(100);
    bar.MouseDown(Qt::LeftButton, 5, 95);
    EXPECT_FALSE(bar.Holding()) << "at Max the second button is gone";
}

TEST(SBTranspScrollBar, KindWhileLoadingAppliedLater)
{
    TSBTranspScrollBar bar;
    bar.resize(100, 100);
    bar.BeginLoading();
    bar.SetKind(sbHorizontal);
    EXPECT_EQ(bar.height(), 100);
    bar.Loaded();
    EXPECT_EQ(bar.height(), GetSystemMetrics(SM_CYHSCROLL));
    bar.SetAutoSize(false);
    bar.resize(100, 40);
    EXPECT_EQ(bar.height(), 40);
}

TEST(SBScrollButton, HoldingRepeatsWhileInside)
{
    TSBScrollButton button;
    button.resize(20, 20);
    int selects = 0;
    button.OnSelect = [&](QObject*) { ++selects; };
    button.SetFrequency(-5);
    EXPECT_EQ(button.Frequency(), 100);
    button.MouseDown(Qt::LeftButton, 5, 5);
    EXPECT_EQ(selects, 1) << "once at the press";
    EXPECT_TRUE(button.TimerActive());
    button.TimerTick();
    EXPECT_EQ(selects, 2);
    button.MouseMove(40, 40); // out: paused and raised
    EXPECT_FALSE(button.Pressed());
    button.TimerTick();
    EXPECT_EQ(selects, 2);
    button.MouseMove(10, 10);
    EXPECT_TRUE(button.Pressed());
    button.TimerTick();
    EXPECT_EQ(selects, 3);
    button.MouseUp(Qt::LeftButton, 10, 10);
    EXPECT_FALSE(button.TimerActive());
    button.TimerTick();
    EXPECT_EQ(selects, 3);
}

TEST(SBScrollButton, RealTimerFiresAndHidingStopsIt)
{
    TSBScrollButton button;
    button.show();
    button.SetFrequency(5);
    int selects = 0;
    button.OnSelect = [&](QObject*) { ++selects; };
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTRY_VERIFY_WITH_TIMEOUT(selects >= 3, 2000);
    button.hide();
    EXPECT_FALSE(button.TimerActive());
    EXPECT_FALSE(button.Pressed());
}

TEST(SBScrollButton, StylesMapToFramePictures)
{
    TSBScrollButton button;
    struct Case {
        TSBScrollButtonStyle style;
        unsigned type, state;
    } cases[] = {
        {dcsbs_ScrollDown, 3, 0x1},   {dcsbs_ScrollLeft, 3, 0x2},   {dcsbs_ScrollRight, 3, 0x3},
        {dcsbs_ScrollUp, 3, 0x0},     {dcsbs_CaptionClose, 1, 0x0}, {dcsbs_CaptionHelp, 1, 0x4},
        {dcsbs_CaptionMAX, 1, 0x2},   {dcsbs_CaptionMIN, 1, 0x1},   {dcsbs_CaptionRestore, 1, 0x3},
    };
    for (const Case& c : cases) {
        button.SetButtonStyle(c.style);
        unsigned type, state;
        button.FrameControlOf(false, type, state);
        EXPECT_EQ(type, c.type) << c.style;
        EXPECT_EQ(state, c.state) << c.style;
    }
    button.setEnabled(false);
    unsigned type, state;
    button.FrameControlOf(true, type, state);
    EXPECT_EQ(state, 0x3u | 0x200u | 0x100u);
}
