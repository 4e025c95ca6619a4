#include "bars/drag_loops.h"
#include "bars/tool_window.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(DragGeometryTest, GrabKeepsItsShareAndOnePixelWindowsNeverDivide)
{
    EXPECT_EQ(ScaledGrab(100, 10, 20), 52);
    EXPECT_EQ(ScaledGrab(23, 50, 100), 11);
    EXPECT_EQ(ScaledGrab(50, 0, 1), 0); // a one-pixel window
    EXPECT_EQ(ScaledGrab(50, 3, 0), 0); // no window at all
    EXPECT_EQ(ScaledGrab(3, 1, 3), 1);  // 2 * 1 / 2
    EXPECT_EQ(ScaledGrab(4, 1, 2), 3);  // 3 * 1 / 1
    // A bar grabbed in its middle keeps the cursor in its middle when its shape turns.
    const QRect turned = DragOutlineRect(QPoint(500, 300), QPoint(40, 13), QSize(81, 27), QSize(27, 81));
    EXPECT_EQ(turned, QRect(500 - 13, 300 - 40, 27, 81));
}

TEST(DragGeometryTest, DockingZone)
{
    const QSize bar(27, 100);
    const QPoint grab(13, 50);
    struct Case {
        const char* name;
        QRect dock;
        bool leftRight;
        QPoint cursor;
        bool want;
    };
    const Case cases[] = {
        {"inside a left dock", QRect(0, 50, 30, 400), true, QPoint(15, 200), true},
        {"left of it, its shape still meets the dock", QRect(100, 50, 30, 400), true, QPoint(87, 200), true},
        {"left of it, its shape misses the dock", QRect(100, 50, 30, 400), true, QPoint(86, 200), false},
        {"a left dock needs the cursor within its height", QRect(0, 50, 30, 400), true, QPoint(15, 460),
         false},
        {"empty left dock, on its edge", QRect(600, 50, 0, 400), true, QPoint(600, 200), true},
        {"empty top dock, just above", QRect(0, 40, 600, 0), false, QPoint(300, 35), true},
        {"empty top dock, far below", QRect(0, 40, 600, 0), false, QPoint(300, 200), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InDockingZone(c.dock, c.leftRight, c.cursor, grab, bar, bar), c.want) << c.name;
    // A wider shape on the dock reaches back: the tolerance right of the dock decides.
    EXPECT_TRUE(
        InDockingZone(QRect(100, 50, 30, 400), true, QPoint(129 + 16, 200), grab, bar, QSize(60, 100)));
    EXPECT_FALSE(
        InDockingZone(QRect(100, 50, 30, 400), true, QPoint(130 + 16, 200), grab, bar, QSize(60, 100)));
    // A window one pixel tall still works.
    EXPECT_TRUE(
        InDockingZone(QRect(0, 0, 600, 30), false, QPoint(10, 10), QPoint(0, 0), QSize(1, 1), QSize(50, 26)));
}

TEST(DragGeometryTest, FloatingOutlineStaysReachable)
{
    const QRect work(0, 0, 1280, 1000);
    const struct {
        QRect in, want;
    } cases[] = {
        {QRect(100, 100, 80, 60), QRect(100, 100, 80, 60)},
        {QRect(-500, 100, 80, 60), QRect(8 - 79, 100, 80, 60)}, // keeps a band on screen
        {QRect(2000, 100, 80, 60), QRect(1280 - 8 - 1, 100, 80, 60)},
        {QRect(100, -10, 80, 60), QRect(100, -10, 80, 60)}, // the caption still shows
        {QRect(100, -30, 80, 60),
         QRect(100, 4 - 4 - 16, 80, 60)}, // the caption's lower edge stays below the top
        {QRect(100, 2000, 80, 60), QRect(100, 1000 - 8 - 1, 80, 60)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepFloatingOutline(c.in, work, 4, 16), c.want) << c.in.x() << "," << c.in.y();
}

TEST(DragGeometryTest, SizingStopsAtTheMinimum)
{
    const QRect start(100, 100, 200, 150);
    const QSize min(73, 60);
    EXPECT_EQ(SizedRect(start, twshRight, QPoint(30, 99), min), QRect(100, 100, 230, 150));
    EXPECT_EQ(SizedRect(start, twshRight, QPoint(-1000, 0), min), QRect(100, 100, 73, 150));
    EXPECT_EQ(SizedRect(start, twshLeft, QPoint(1000, 0), min), QRect(300 - 73, 100, 73, 150));
    EXPECT_EQ(SizedRect(start, twshTopLeft, QPoint(-10, -20), min), QRect(90, 80, 210, 170));
    EXPECT_EQ(SizedRect(start, twshBottom, QPoint(50, -1000), min), QRect(100, 100, 200, 60));
}

// A form with a toolbar on its left dock, a tool window on its right one and an empty bottom dock.
class DragLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(800, 600);
        form.move(0, 0);
        auto* layout = new TAlignLayout(&form);
        left = new TDockX(&form, dpLeft);
        right = new TDockX(&form, dpRight);
        bottom = new TDockX(&form, dpBottom);
        layout->AddControl(bottom, TAlignLayout::alBottom);
        layout->AddControl(left, TAlignLayout::alLeft);
        layout->AddControl(right, TAlignLayout::alRight);
        layout->AddControl(new QWidget(&form), TAlignLayout::alClient);
        tools = new TToolbarX;
        tools->setObjectName(QStringLiteral("Tools"));
        for (int i = 0; i < 4; ++i)
            new TToolbarButtonX(tools);
        tools->SetHideWhenInactive(false);
        tools->SetParent(left);
        library = new TToolWindowX;
        library->MinClientWidth = 65;
        library->SetHideWhenInactive(false);
        library->SetClientAreaSize(78, 200);
        library->SetParent(right);
        form.show();
        layout->Realign();
    }

    // Runs loop with the events queued first; each event goes to the loop's window.
    void RunWith(const std::function<bool()>& loop, const std::vector<std::function<void()>>& events)
    {
        QTimer::singleShot(0, [events] {
            for (const auto& e : events)
                e();
        });
        accepted = loop();
    }
    static std::function<void()> Move(QWidget* w, QPoint global, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        return [w, global, mods] {
            QMouseEvent e(QEvent::MouseMove, QPointF(w->mapFromGlobal(global)), QPointF(global), Qt::NoButton,
                          Qt::LeftButton, mods);
            QApplication::sendEvent(w, &e);
        };
    }
    static std::function<void()> Release(QWidget* w, QPoint global)
    {
        return [w, global] {
            QMouseEvent e(QEvent::MouseButtonRelease, QPointF(w->mapFromGlobal(global)), QPointF(global),
                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(w, &e);
        };
    }
    static std::function<void()> Key(QWidget* w, int key)
    {
        return [w, key] {
            QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(w, &e);
        };
    }

    QWidget form;
    TDockX *left, *right, *bottom;
    TToolbarX* tools;
    TToolWindowX* library;
    bool accepted = false;
};

TEST_F(DragLoopTest, BarMovesFromTheLeftDockToTheRightOneAndToFloating)
{
    const QPoint grab = tools->mapToGlobal(QPoint(10, 4));
    const QPoint onRight = right->mapToGlobal(QPoint(right->width() / 2, 250));
    RunWith([&] { return tools->BeginMoving(grab); }, {Move(tools, onRight), Release(tools, onRight)});
    EXPECT_TRUE(accepted);
    EXPECT_EQ(tools->DockedTo(), right);
    EXPECT_EQ(left->GetToolbarCount(), 0);
    EXPECT_EQ(left->width(), 0);

    const QPoint middle = form.mapToGlobal(QPoint(400, 300));
    const QPoint grab2 = tools->mapToGlobal(QPoint(10, 4));
    RunWith([&] { return tools->BeginMoving(grab2); }, {Move(tools, middle), Release(tools, middle)});
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(tools->Docked());
    EXPECT_EQ(tools->LastDock(), right);
    // The grab point stays under the cursor, in proportion to the floating shape.
    const QPoint corner = tools->FloatingPosition();
    EXPECT_TRUE(QRect(corner, tools->size()).contains(middle));
}

TEST_F(DragLoopTest, CtrlNeverDocksAndEscapeCancels)
{
    const QPoint grab = tools->mapToGlobal(QPoint(10, 4));
    const QPoint onRight = right->mapToGlobal(QPoint(right->width() / 2, 250));
    RunWith([&] { return tools->BeginMoving(grab); }, {Move(tools, onRight), Key(tools, Qt::Key_Escape)});
    EXPECT_FALSE(accepted);
    EXPECT_EQ(tools->DockedTo(), left);

    RunWith([&] { return tools->BeginMoving(grab); },
            {Move(tools, onRight, Qt::ControlModifier), Release(tools, onRight)});
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(tools->Docked());
}

TEST_F(DragLoopTest, BarThatCannotFloatStaysWhenDroppedAwayFromDocks)
{
    tools->DockMode = dmCannotFloat;
    const QPoint grab = tools->mapToGlobal(QPoint(10, 4));
    const QPoint middle = form.mapToGlobal(QPoint(400, 300));
    RunWith([&] { return tools->BeginMoving(grab); }, {Move(tools, middle), Release(tools, middle)});
    EXPECT_FALSE(accepted);
    EXPECT_EQ(tools->DockedTo(), left);
}

TEST_F(DragLoopTest, EmptyBottomDockTakesABarDraggedOntoItsEdge)
{
    const QPoint grab = tools->mapToGlobal(QPoint(10, 4));
    const QPoint edge = form.mapToGlobal(QPoint(400, 599));
    RunWith([&] { return tools->BeginMoving(grab); }, {Move(tools, edge), Release(tools, edge)});
    EXPECT_TRUE(accepted);
    EXPECT_EQ(tools->DockedTo(), bottom);
    EXPECT_GT(bottom->height(), 0);
}

// Another form's docks take the bar only while that form is registered with AddDockForm.
TEST_F(DragLoopTest, DocksOfAddedFormsAreDropTargets)
{
    QWidget other;
    other.setGeometry(100, 100, 300, 200);
    auto* otherLayout = new TAlignLayout(&other);
    auto* otherTop = new TDockX(&other, dpTop);
    otherLayout->AddControl(otherTop, TAlignLayout::alTop);
    otherLayout->AddControl(new QWidget(&other), TAlignLayout::alClient);
    other.show();
    otherLayout->Realign();
    const auto dragTo = [&](QPoint target) {
        const QPoint grab = tools->mapToGlobal(QPoint(10, 4));
        RunWith([&] { return tools->BeginMoving(grab); }, {Move(tools, target), Release(tools, target)});
    };
    const QPoint otherEdge = other.mapToGlobal(QPoint(150, 0));
    const QPoint leftEdge = form.mapToGlobal(QPoint(0, 300));

    dragTo(otherEdge);
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(tools->Docked());
    tools->SetDockedTo(left);

    tools->AddDockForm(&other);
    tools->AddDockForm(&other);
    tools->AddDockForm(nullptr);
    EXPECT_EQ(tools->DockForms(), std::vector<QWidget*>{&other});
    dragTo(otherEdge);
    EXPECT_EQ(tools->DockedTo(), otherTop);
    EXPECT_GT(otherTop->height(), 0);
    EXPECT_EQ(left->GetToolbarCount(), 0);
    EXPECT_EQ(GetToolWindowParentForm(tools), &other);

    // Now on the other form, its first form's docks are candidates only when added too.
    dragTo(leftEdge);
    EXPECT_FALSE(tools->Docked());
    tools->SetDockedTo(otherTop);
    tools->AddDockForm(&form);
    dragTo(leftEdge);
    EXPECT_EQ(tools->DockedTo(), left);
    EXPECT_EQ(otherTop->height(), 0);

    tools->RemoveDockForm(&other);
    EXPECT_EQ(tools->DockForms(), std::vector<QWidget*>{&form});
    dragTo(otherEdge);
    EXPECT_FALSE(tools->Docked());
    tools->SetDockedTo(left);

    // A freed form is forgotten.
    auto* gone = new QWidget;
    tools->AddDockForm(gone);
    delete gone;
    EXPECT_EQ(tools->DockForms(), std::vector<QWidget*>{&form});
    dragTo(otherEdge);
    EXPECT_FALSE(tools->Docked());
}

TEST_F(DragLoopTest, FloatingWindowIsSizedDownToItsMinimum)
{
    library->SetFloatingPosition(QPoint(200, 150));
    library->SetDockedTo(nullptr);
    ASSERT_FALSE(library->Docked());
    const QMargins nc = library->NonClient();
    const QPoint start = library->mapToGlobal(QPoint(library->width() - 1, 60));
    const QPoint far = start - QPoint(1000, 0);
    RunWith([&] { return library->BeginSizing(twshRight, start); },
            {Move(library, far), Release(library, far)});
    EXPECT_TRUE(accepted);
    EXPECT_EQ(library->BarWidth(), 65);
    EXPECT_EQ(library->width(), 65 + nc.left() + nc.right());
    EXPECT_EQ(library->FloatingPosition(), QPoint(200, 150));

    const QPoint start2 = library->mapToGlobal(QPoint(library->width() - 1, library->height() - 1));
    const QPoint grown = start2 + QPoint(40, 30);
    RunWith([&] { return library->BeginSizing(twshBottomRight, start2); },
            {Move(library, grown), Release(library, grown)});
    EXPECT_EQ(library->BarWidth(), 105);
    EXPECT_EQ(library->BarHeight(), 230);
}

} // namespace
