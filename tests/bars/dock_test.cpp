#include "bars/dock.h"
#include "bars/dock_arrangement.h"
#include "bars/tool_window.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"
#include "platform/top_most.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <climits>
#include <gtest/gtest.h>

namespace {

struct BarIn {
    int row, pos, length, size;
    bool fullSize = false;
    bool visible = true;
};
struct BarOut {
    int row, pos;
    TRect bounds;
};

struct ArrangeCase {
    const char* name;
    std::vector<BarIn> bars;
    TDockArrangementInput input;
    std::vector<BarOut> want;
    int thickness;
};

TEST(DockArrangementTest, Table)
{
    TDockArrangementInput top;
    top.FreeLength = 300;
    TDockArrangementInput topCommit = top;
    topCommit.CommitPositions = true;
    TDockArrangementInput left;
    left.LeftRight = true;
    left.FreeLength = 200;
    TDockArrangementInput fix = top;
    fix.FixAlign = true;
    TDockArrangementInput oneRow = topCommit;
    oneRow.LimitToOneRow = true;

    const ArrangeCase cases[] = {
        {"no shown bar: no thickness", {{0, 0, 50, 20, false, false}}, top, {{0, 0, TRect()}}, 0},
        {"no shown bar, fixed alignment", {}, fix, {}, 1},
        {"second bar moves behind the first",
         {{0, 0, 100, 20}, {0, 10, 50, 20}},
         top,
         {{0, 0, Bounds(0, 0, 100, 24)}, {0, 100, Bounds(100, 0, 50, 24)}},
         24},
        {"beyond the far edge: pulled back, stored only on commit",
         {{0, 280, 50, 20}},
         top,
         {{0, 280, Bounds(250, 0, 50, 24)}},
         24},
        {"beyond the far edge, committed",
         {{0, 280, 50, 20}},
         topCommit,
         {{0, 250, Bounds(250, 0, 50, 24)}},
         24},
        {"longer than the dock: first ones win",
         {{0, 0, 200, 20}, {0, 0, 200, 20}},
         topCommit,
         {{0, 0, Bounds(0, 0, 200, 24)}, {0, 200, Bounds(200, 0, 200, 24)}},
         24},
        {"full size pushes the row's others down",
         {{0, 0, 50, 20}, {0, 60, 40, 30, true}, {1, 0, 50, 10}},
         top,
         {{1, 0, Bounds(0, 34, 50, 24)}, {0, 0, Bounds(0, 0, 300, 34)}, {2, 0, Bounds(0, 58, 50, 14)}},
         72},
        {"empty row closed",
         {{0, 0, 50, 20}, {2, 0, 50, 20}},
         top,
         {{0, 0, Bounds(0, 0, 50, 24)}, {1, 0, Bounds(0, 24, 50, 24)}},
         48},
        {"small bar makes an 8 pixel row", {{0, 0, 50, 5}}, top, {{0, 0, Bounds(0, 0, 50, 12)}}, 12},
        {"rows from saved data: negative and huge",
         {{-7, 0, 50, 20}, {INT_MAX, 0, 50, 20}, {1000000, 0, 50, 20}},
         top,
         {{0, 0, Bounds(0, 0, 50, 24)}, {2, 0, Bounds(0, 48, 50, 24)}, {1, 0, Bounds(0, 24, 50, 24)}},
         72},
        {"huge position does not overflow",
         {{0, INT_MAX, 50, 20}, {0, INT_MAX, 50, 20}},
         topCommit,
         {{0, 200, Bounds(200, 0, 50, 24)}, {0, 250, Bounds(250, 0, 50, 24)}},
         24},
        {"one row only",
         {{0, 0, 50, 20}, {3, 0, 50, 20}},
         oneRow,
         {{0, 0, Bounds(0, 0, 50, 24)}, {0, 50, Bounds(50, 0, 50, 24)}},
         24},
        {"left dock: rows run down, bars along",
         {{0, 0, 22, 23}, {0, 5, 30, 10}, {1, 0, 40, 65}},
         left,
         {{0, 0, Bounds(0, 0, 27, 22)}, {0, 22, Bounds(0, 22, 27, 30)}, {1, 0, Bounds(27, 0, 69, 40)}},
         96},
        {"floating bar keeps its row but takes no room",
         {{0, 0, 50, 20, false, false}, {1, 0, 50, 20}},
         top,
         {{0, 0, TRect()}, {1, 0, Bounds(0, 0, 50, 24)}},
         24},
    };
    for (const ArrangeCase& c : cases) {
        std::vector<TDockBarRecord> bars;
        for (const BarIn& b : c.bars)
            bars.push_back({b.row, b.pos, b.length, b.size, b.fullSize, b.visible});
        const TDockArrangement result = ArrangeDockBars(bars, c.input);
        EXPECT_EQ(result.Thickness, c.thickness) << c.name;
        ASSERT_EQ(bars.size(), c.want.size()) << c.name;
        for (size_t i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(bars[i].DockRow, c.want[i].row) << c.name << " bar " << i;
            EXPECT_EQ(bars[i].DockPos, c.want[i].pos) << c.name << " bar " << i;
            EXPECT_EQ(result.Bounds[i], c.want[i].bounds) << c.name << " bar " << i;
        }
    }
}

TEST(DockArrangementTest, RowUnderCoordinate)
{
    const std::vector<int> rows = {20, 0, 30}; // row 1 empty: rows 0 and 2 show, 24 and 34 thick
    const struct {
        int coord;
        TDockRowHit want;
    } cases[] = {
        {0, {0, true}},  {4, {0, true}},  {5, {0, false}},  {18, {0, false}},
        {19, {2, true}}, {28, {2, true}}, {29, {2, false}}, {52, {2, false}},
        {53, {3, true}}, {62, {3, true}}, {63, {3, false}}, {100000, {3, false}},
    };
    for (const auto& c : cases) {
        const TDockRowHit hit = DockRowOf(rows, c.coord);
        EXPECT_EQ(hit.Row, c.want.Row) << c.coord;
        EXPECT_EQ(hit.Before, c.want.Before) << c.coord;
    }
    EXPECT_EQ(DockRowOf({}, 3).Row, 0);
    EXPECT_TRUE(DockRowOf({}, 3).Before);
}

TEST(DockArrangementTest, RowSizesComeFromShownBarsOnly)
{
    // A floating bar that keeps the dock may carry a row number no arrangement has renumbered.
    const std::vector<TDockBarRecord> bars = {{INT_MAX, 0, 50, 20, false, false}, {1, 0, 50, 5}};
    EXPECT_EQ(DockRowSizes(bars), (std::vector<int>{0, 8}));
    EXPECT_TRUE(DockRowSizes({{INT_MAX, 0, 50, 20, false, false}}).empty());
}

class DockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(400, 300);
        layout = new TAlignLayout(&form);
        top = new TDockX(&form, dpTop);
        top->setObjectName(QStringLiteral("TopDock"));
        leftDock = new TDockX(&form, dpLeft);
        leftDock->setObjectName(QStringLiteral("LeftDock"));
        client = new QWidget(&form);
        layout->AddControl(top, TAlignLayout::alTop);
        layout->AddControl(leftDock, TAlignLayout::alLeft);
        layout->AddControl(client, TAlignLayout::alClient);
        form.show();
        layout->Realign();
    }
    QWidget form;
    TAlignLayout* layout;
    TDockX* top;
    TDockX* leftDock;
    QWidget* client;
};

TEST_F(DockTest, EmptyDocksTakeNoRoomAndGrowWithABar)
{
    EXPECT_EQ(top->height(), 0);
    EXPECT_EQ(leftDock->width(), 0);
    EXPECT_EQ(client->geometry(), QRect(0, 0, 400, 300));

    auto* window = new TToolWindowX;
    window->setObjectName(QStringLiteral("Panel"));
    window->SetClientAreaSize(60, 80);
    window->SetParent(leftDock);
    window->show();
    // 2 pixels of frame each side and the 9-pixel handle on top.
    EXPECT_EQ(window->size(), QSize(64, 93));
    // The row is as thick as the window: its client width and the frame.
    EXPECT_EQ(leftDock->width(), 64);
    EXPECT_EQ(client->geometry(), QRect(64, 0, 336, 300));
    EXPECT_EQ(leftDock->GetToolbarCount(), 1);

    window->hide();
    EXPECT_EQ(leftDock->GetToolbarCount(), 0);
    EXPECT_EQ(leftDock->width(), 0);
    EXPECT_EQ(client->geometry().left(), 0);
}

TEST_F(DockTest, ABarWiderThanItsFormTakesAtMostHalfOfItWhenDocked)
{
    auto* window = new TToolWindowX;
    window->setObjectName(QStringLiteral("Library"));
    window->SetHideWhenInactive(false);
    window->SetParent(&form);
    window->SetClientAreaSize(700, 120);
    window->show();
    EXPECT_EQ(window->BarWidth(), 700);

    window->SetDockedTo(leftDock);
    EXPECT_LE(leftDock->width(), form.width() / 2);
    EXPECT_GE(client->width(), form.width() / 2);
    EXPECT_LE(layout->minimumSize().width(), form.width() / 2);
    // The form grows: so does the bar, up to what it wants.
    form.resize(1000, 300);
    layout->Realign();
    EXPECT_GT(leftDock->width(), 200);
    EXPECT_LE(leftDock->width(), 500);
    // Floating again it has its own width back.
    window->SetDockedTo(nullptr);
    EXPECT_EQ(window->BarWidth(), 700);
}

TEST_F(DockTest, AFormWithAWideDockedBarCanBeMadeNarrowerAgain)
{
    // Docked while the form is wide, the bar takes half of it; the form's least width must not
    // be that half, or the form could never be narrower than it was when the bar docked.
    form.resize(1000, 300);
    layout->Realign();
    auto* window = new TToolWindowX;
    window->SetHideWhenInactive(false);
    window->MinClientWidth = 60;
    window->SetParent(&form);
    window->SetClientAreaSize(800, 120);
    window->show();
    window->SetDockedTo(leftDock);
    ASSERT_GT(leftDock->width(), 400);
    const QMargins nc = window->NonClient();
    EXPECT_LE(layout->minimumSize().width(), 60 + nc.left() + nc.right() + 2);
    EXPECT_GE(layout->minimumSize().width(), 60 + nc.left() + nc.right());
    form.resize(300, 300);
    layout->Realign();
    EXPECT_LE(leftDock->width(), 150);
    // A bar that keeps its size counts whole.
    auto* tools = new TToolbarX;
    for (int i = 0; i < 3; ++i)
        new TToolbarButtonX(tools);
    tools->SetParent(top);
    tools->SetDockRow(0);
    window->SetDockedTo(nullptr);
    EXPECT_EQ(leftDock->LeastThickness(), leftDock->width());
    tools->SetParent(leftDock);
    EXPECT_EQ(leftDock->LeastThickness(), leftDock->width());
}

TEST_F(DockTest, NoSizeBeyondTheScreen)
{
    const QRect work = GetDesktopAreaRect();
    auto* window = new TToolWindowX;
    window->SetHideWhenInactive(false);
    window->SetParent(&form);
    window->SetClientAreaSize(100000, 100000);
    window->show();
    // Floating, frame and caption included.
    EXPECT_LE(window->width(), work.width());
    EXPECT_LE(window->height(), work.height());

    // Side docks of a form whose bars are wider than the screen never ask for more than it.
    auto* wide = new QWidget(&form);
    wide->resize(work.width() * 2, 10);
    layout->AddControl(wide, TAlignLayout::alRight);
    const QSize around = form.frameGeometry().size() - form.size();
    EXPECT_LE(layout->minimumSize().width() + around.width(), work.width());
}

TEST_F(DockTest, PositionOfADockWithControlsIsFixed)
{
    auto* bar = new TToolbarX;
    bar->SetParent(top);
    EXPECT_THROW(top->SetPosition(dpBottom), EInvalidOperation);
    EXPECT_EQ(top->Position(), dpTop);
    auto* spare = new TDockX(&form, dpTop);
    layout->AddControl(spare, TAlignLayout::alTop);
    spare->SetPosition(dpBottom);
    EXPECT_EQ(spare->Position(), dpBottom);
    EXPECT_EQ(GetDockTypeOf(spare), dtTopBottom);
    EXPECT_EQ(GetDockTypeOf(leftDock), dtLeftRight);
    EXPECT_EQ(GetDockTypeOf(nullptr), dtNotDocked);
}

TEST_F(DockTest, ToolWindowOnlyOnADockOrAForm)
{
    TToolWindowX window;
    EXPECT_THROW(window.SetParent(client), EInvalidOperation);
    EXPECT_FALSE(window.Docked());
}

TEST_F(DockTest, FloatingAndDockingBackKeepsRowAndPosition)
{
    auto* a = new TToolWindowX;
    a->SetClientAreaSize(40, 40);
    a->SetParent(top);
    auto* b = new TToolWindowX;
    b->setObjectName(QStringLiteral("B"));
    b->SetClientAreaSize(40, 40);
    b->SetHideWhenInactive(false);
    b->SetParent(top);
    a->show();
    b->show();
    b->SetDockPos(120);
    top->ArrangeToolbars(true);
    EXPECT_EQ(b->DockPos(), 120);
    EXPECT_EQ(b->x(), 120);

    b->SetFloatingPosition(QPoint(50, 60));
    b->SetDockedTo(nullptr);
    EXPECT_FALSE(b->Docked());
    ASSERT_NE(b->FloatingParent(), nullptr);
    EXPECT_TRUE(b->FloatingParent()->isWindow());
    EXPECT_EQ(b->FloatingParent()->geometry().topLeft(), QPoint(50, 60));
    // Floating: the frame and the small caption.
    EXPECT_EQ(b->NonClient(), QMargins(4, 4 + GetSmallCaptionHeight(), 4, 4));
    EXPECT_EQ(b->LastDock(), top);
    EXPECT_EQ(top->GetToolbarCount(), 1);

    // A double click docks it where it was.
    b->SetDockedTo(b->LastDock());
    EXPECT_TRUE(b->Docked());
    EXPECT_EQ(b->DockPos(), 120);
    EXPECT_EQ(b->DockRow(), 0);
}

TEST_F(DockTest, FloatingBarWithAHugeRowKeepsAnEmptyDockCheap)
{
    auto* b = new TToolWindowX;
    b->SetClientAreaSize(40, 40);
    b->SetHideWhenInactive(false);
    b->SetParent(top);
    b->show();
    b->SetFloatingPosition(QPoint(50, 60));
    b->SetDockedTo(nullptr);
    ASSERT_EQ(b->LastDock(), top);
    b->SetDockRow(1 << 20); // as a loaded position may leave it
    EXPECT_EQ(top->GetToolbarCount(), 0);
    EXPECT_EQ(top->GetRowSize(0, nullptr), 0);
    const TDockRowHit hit = top->GetRowOf(3);
    EXPECT_EQ(hit.Row, 0);
    EXPECT_TRUE(hit.Before);
    // Docked back, its row is renumbered.
    b->SetDockedTo(b->LastDock());
    EXPECT_EQ(b->DockRow(), 0);
}

TEST_F(DockTest, FloatingWindowHidesWhileTheProgramIsInactive)
{
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; }));
    TToolWindowX w;
    w.SetClientAreaSize(40, 40);
    w.SetParent(&form);
    w.show();
    ASSERT_TRUE(w.HideWhenInactive());
    ASSERT_NE(w.FloatingParent(), nullptr);
    EXPECT_TRUE(w.FloatingParent()->isVisible());

    // Another program takes the focus: the change is told while this one still counts as active.
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QCoreApplication::sendEvent(qApp, &inactive);
    EXPECT_FALSE(w.FloatingParent()->isVisible());

    QApplicationStateChangeEvent active(Qt::ApplicationActive);
    QCoreApplication::sendEvent(qApp, &active);
    EXPECT_TRUE(w.FloatingParent()->isVisible());
}

TEST_F(DockTest, FloatingParentsAreNamedByACounter)
{
    TToolWindowX a, b;
    a.SetHideWhenInactive(false);
    b.SetHideWhenInactive(false);
    a.SetParent(&form);
    b.SetParent(&form);
    ASSERT_TRUE(a.FloatingParent() && b.FloatingParent());
    const QString na = a.FloatingParent()->objectName(), nb = b.FloatingParent()->objectName();
    EXPECT_TRUE(na.startsWith(QStringLiteral("DockBarFloatingParent_")));
    EXPECT_EQ(na.size(), int(strlen("DockBarFloatingParent_")) + 8);
    EXPECT_NE(na, nb);
}

TEST_F(DockTest, DockedFrameFollowsTheHandle)
{
    auto* bar = new TToolbarX;
    bar->SetParent(top);
    bar->SetDragHandleStyle(dhNone);
    EXPECT_EQ(bar->NonClient(), QMargins(2, 2, 2, 2));
    bar->SetCloseButtonWhenDocked(true);
    EXPECT_EQ(bar->NonClient(), QMargins(16, 2, 2, 2));
    bar->SetDragHandleStyle(dhSingle);
    EXPECT_EQ(bar->DragHandleSize(), 14);
    bar->SetCloseButtonWhenDocked(false);
    EXPECT_EQ(bar->DragHandleSize(), 6);
    top->SetAllowDrag(false);
    EXPECT_EQ(bar->NonClient(), QMargins(2, 2, 2, 2));
}

TEST_F(DockTest, FloatingWindowOfAHiddenFormHides)
{
    TToolWindowX w;
    w.SetHideWhenInactive(false);
    w.SetParent(&form);
    w.show();
    ASSERT_NE(w.FloatingParent(), nullptr);
    EXPECT_TRUE(w.ShouldBeShown());
    form.hide();
    EXPECT_FALSE(w.ShouldBeShown());
    EXPECT_FALSE(w.FloatingParent()->isVisible());
    form.show();
    EXPECT_TRUE(w.FloatingParent()->isVisible());
}

} // namespace

namespace {

void MouseAt(QWidget* w, QEvent::Type type, QPoint at)
{
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST_F(DockTest, DockedCloseButtonHidesTheWindowUnlessVetoed)
{
    auto* w = new TToolWindowX;
    w->SetCloseButtonWhenDocked(true);
    w->SetClientAreaSize(60, 80);
    w->SetParent(leftDock);
    w->show();
    const QRect close = w->CloseButtonRect();
    ASSERT_FALSE(close.isEmpty());
    // On a left dock: right-aligned in the handle at the top.
    EXPECT_EQ(close, QRect(60 + 2 - 11, 3, 11, 11));
    int closes = 0;
    bool allow = false;
    w->OnClose = [&](TCustomToolWindowX*) { ++closes; };
    w->OnCloseQuery = [&](TCustomToolWindowX*, bool& canClose) { canClose = allow; };
    MouseAt(w, QEvent::MouseButtonPress, close.center());
    MouseAt(w, QEvent::MouseButtonRelease, close.center());
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(w->isHidden());
    // Released off the button: nothing.
    allow = true;
    MouseAt(w, QEvent::MouseButtonPress, close.center());
    MouseAt(w, QEvent::MouseButtonRelease, QPoint(2, 40));
    EXPECT_EQ(closes, 0);
    MouseAt(w, QEvent::MouseButtonPress, close.center());
    MouseAt(w, QEvent::MouseButtonRelease, close.center());
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(w->isHidden());
    EXPECT_EQ(leftDock->width(), 0);
}

TEST_F(DockTest, DoubleClickFloatsAndDocksBack)
{
    auto* bar = new TToolbarX;
    new TToolbarButtonX(bar);
    bar->SetHideWhenInactive(false);
    bar->SetParent(top);
    bar->show();
    bar->SetDockPos(40);
    MouseAt(bar, QEvent::MouseButtonDblClick, QPoint(3, 5));
    EXPECT_FALSE(bar->Docked());
    EXPECT_EQ(bar->LastDock(), top);
    MouseAt(bar, QEvent::MouseButtonDblClick, QPoint(30, 30));
    EXPECT_EQ(bar->DockedTo(), top);
    EXPECT_EQ(bar->DockPos(), 40);

    // Without a last dock, the default dock takes it before every bar of its first row.
    auto* other = new TToolbarX;
    new TToolbarButtonX(other);
    other->SetHideWhenInactive(false);
    other->SetParent(top);
    other->show();
    top->ArrangeToolbars(true);
    auto* lone = new TToolbarX;
    new TToolbarButtonX(lone);
    lone->SetHideWhenInactive(false);
    lone->SetUseLastDock(false);
    lone->SetDefaultDock(top);
    lone->SetParent(&form);
    lone->show();
    MouseAt(lone, QEvent::MouseButtonDblClick, QPoint(30, 30));
    EXPECT_EQ(lone->DockedTo(), top);
    EXPECT_EQ(lone->DockRow(), 0);
    EXPECT_EQ(lone->x(), 0);
    EXPECT_LT(lone->x(), other->x());
}

} // namespace

namespace {

TEST_F(DockTest, OnTopOfAllFormsStaysVisibleWithoutItsForm)
{
    TToolWindowX w;
    w.SetHideWhenInactive(false);
    w.SetParent(&form);
    w.show();
    ASSERT_NE(w.FloatingParent(), nullptr);
    EXPECT_FALSE(w.FloatingParent()->windowFlags() & Qt::WindowStaysOnTopHint);
    w.SetFloatingMode(fmOnTopOfAllForms);
    EXPECT_TRUE(w.FloatingParent()->windowFlags() & Qt::WindowStaysOnTopHint);
    form.hide();
    EXPECT_TRUE(w.FloatingParent()->isVisible());
    w.SetFloatingMode(fmOnTopOfParentForm);
    EXPECT_FALSE(w.FloatingParent()->isVisible());
}

TEST_F(DockTest, OnTopOfAllFormsStepsBackWhileADropDownIsDown)
{
    TToolWindowX w;
    w.SetHideWhenInactive(false);
    w.SetFloatingMode(fmOnTopOfAllForms);
    w.SetParent(&form);
    w.show();
    ASSERT_NE(w.FloatingParent(), nullptr);
    const auto onTop = [&] { return bool(w.FloatingParent()->windowFlags() & Qt::WindowStaysOnTopHint); };
    ASSERT_TRUE(onTop());
    NormalizeTopMosts();
    EXPECT_FALSE(onTop());
    EXPECT_TRUE(w.FloatingParent()->isVisible());
    // Anything that brings the window up to date meanwhile keeps it back: activation, its form
    // shown again, a change of mode, floating anew.
    w.UpdateVisibility(1);
    EXPECT_FALSE(onTop()) << "updated";
    w.SetFloatingMode(fmOnTopOfParentForm);
    w.SetFloatingMode(fmOnTopOfAllForms);
    EXPECT_FALSE(onTop()) << "mode changed";
    w.SetParent(leftDock);
    w.SetParent(&form);
    EXPECT_FALSE(onTop()) << "floated anew";
    RestoreTopMosts();
    EXPECT_TRUE(onTop());
    EXPECT_TRUE(w.FloatingParent()->isVisible());
}

} // namespace
