// Group bar: caption-button geometry, activation and its guards, page removal, captions and
// their editor, clicks and drags over the captions.
#include <functional>
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QTest>

#include "bars/sb_group_bar.h"
#include "bars/sb_list_view.h"
#include "platform/message_box.h"

namespace {

struct Bar {
    TSBGroupBar bar;
    std::vector<int> changes;
    explicit Bar(int pages)
    {
        bar.resize(150, 300);
        bar.OnChange = [this](QObject*) { changes.push_back(bar.ActiveGroupIndex()); };
        for (int i = 0; i < pages; ++i)
            bar.NewGroup();
        changes.clear();
    }
    int H() const { return bar.ButtonHeight(0); }
    // A point on page i's caption button.
    QPoint On(int i) const
    {
        const TRect r = bar.GetButtonRect(i);
        return QPoint(r.Left + 5, r.Top + 3);
    }
};

} // namespace

TEST(SBGroupBarGeometry, ButtonsAboveAndBelowTheActivePage)
{
    Bar f(3);
    const int h = f.H();
    EXPECT_EQ(h, 2 * QFontInfo(f.bar.Groups(0)->font()).pixelSize() + 1);
    EXPECT_EQ(f.bar.LayoutRect(), TRect(1, 1, 149, 299));
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0) << "the first page became active";
    // Page 0 at the top; pages 1 and 2 stacked from the bottom.
    EXPECT_EQ(f.bar.GetButtonRect(0), TRect(1, 1, 149, 1 + h - 1));
    EXPECT_EQ(f.bar.GetButtonRect(2), TRect(1, 299 - h + 1, 149, 299));
    EXPECT_EQ(f.bar.GetButtonRect(1), TRect(1, 299 - 2 * h + 1, 149, 299 - h));
    EXPECT_EQ(f.bar.GetActiveGroupRect(), TRect(1, 1 + h - 1, 149, 299 - 2 * h + 1));
    EXPECT_EQ(f.bar.Groups(0)->geometry(), QRect(1, h, 148, 299 - 2 * h + 1 - h));
    f.bar.SetActiveGroupIndex(2);
    EXPECT_EQ(f.bar.GetButtonRect(2), TRect(1, 1 + 2 * h, 149, 1 + 3 * h - 1));
    EXPECT_EQ(f.bar.GetActiveGroupRect(), TRect(1, 1 + 3 * h - 1, 149, 299));
    EXPECT_THROW(f.bar.GetButtonRect(3), EKorvaneError);
    f.bar.SetBorderStyle(bsNone);
    EXPECT_EQ(f.bar.LayoutRect(), TRect(0, 0, 150, 300));
    EXPECT_THROW(f.bar.SetButtonSpace(-1), EKorvaneError);
}

TEST(SBGroupBarGeometry, PageUnderThePoint)
{
    Bar f(3);
    const int h = f.H();
    EXPECT_EQ(f.bar.GetNGroupFromXY(10, 3), 0);
    EXPECT_EQ(f.bar.GetNGroupFromXY(10, 100), -1) << "the active area";
    EXPECT_EQ(f.bar.GetNGroupFromXY(10, 299 - 2 * h + 2), 1);
    EXPECT_EQ(f.bar.GetNGroupFromXY(10, 299 - h + 2), 2);
    EXPECT_EQ(f.bar.GetNGroupFromXY(0, 3), -1) << "outside the layout";
    Bar one(1);
    EXPECT_EQ(one.bar.GetNGroupFromXY(10, 3), -1) << "one page has no clickable caption";
}

TEST(SBGroupBarActive, RangeIsCheckedBeforeEnabledAndGuardsHold)
{
    Bar f(3);
    try {
        f.bar.SetActiveGroupIndex(7);
        FAIL();
    } catch (const EKorvaneError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid ActiveGroupIndex value. Value must be between 0 and 2"));
    }
    f.bar.SetActiveGroupIndex(-1);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
    f.bar.Groups(1)->setEnabled(false);
    f.bar.SetActiveGroupIndex(1);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0) << "a disabled page is not shown";
    f.bar.OnChanging = [](QObject*, int newGroup, bool& allow) { allow = newGroup != 2; };
    f.bar.SetActiveGroupIndex(2);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
    f.bar.OnChanging = nullptr;
    f.bar.SetActiveGroupIndex(2);
    EXPECT_EQ(f.changes, std::vector<int>{2});
    EXPECT_TRUE(f.bar.Groups(2)->isVisibleTo(&f.bar));
    EXPECT_FALSE(f.bar.Groups(0)->isVisibleTo(&f.bar));
    // While loading the index is only remembered.
    f.bar.BeginLoading();
    f.bar.SetActiveGroupIndex(0);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 2);
    f.bar.Loaded();
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
}

TEST(SBGroupBarRemove, OnlyTheActivePagesRemovalMovesTheActivation)
{
    Bar f(4);
    f.bar.SetActiveGroupIndex(2);
    f.changes.clear();
    TSBOutBarGroup* active = f.bar.ActiveGroup();
    // A page after the active one: nothing moves.
    f.bar.RemoveGroup(f.bar.Groups(3));
    EXPECT_EQ(f.bar.ActiveGroup(), active);
    EXPECT_TRUE(f.changes.empty());
    // A page before it: the index follows, the page stays.
    f.bar.RemoveGroup(f.bar.Groups(0));
    EXPECT_EQ(f.bar.ActiveGroup(), active);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 1);
    EXPECT_TRUE(f.changes.empty());
    // The active last page: the previous one takes over.
    f.bar.RemoveGroup(active);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
    EXPECT_EQ(f.changes, std::vector<int>{0});
    EXPECT_TRUE(f.bar.ActiveGroup()->isVisibleTo(&f.bar));
    // The only page: no active index left.
    f.bar.RemoveGroup(f.bar.Groups(0));
    EXPECT_EQ(f.bar.GroupCount(), 0);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), -1);
}

TEST(SBGroupBarRemove, ActiveMiddlePageHandsOverToTheNext)
{
    Bar f(3);
    f.bar.SetActiveGroupIndex(1);
    TSBOutBarGroup* next = f.bar.Groups(2);
    delete f.bar.Groups(1); // a freed page leaves its bar too
    EXPECT_EQ(f.bar.GroupCount(), 2);
    EXPECT_EQ(f.bar.ActiveGroup(), next);
}

TEST(SBGroupBarPages, CaptionsIndexesAndExchange)
{
    Bar f(3);
    EXPECT_EQ(f.bar.Groups(0)->Caption(), QStringLiteral("New Group"));
    EXPECT_EQ(f.bar.Groups(1)->Caption(), QStringLiteral("New Group1"));
    EXPECT_EQ(f.bar.Groups(2)->Caption(), QStringLiteral("New Group2"));
    EXPECT_EQ(f.bar.GroupByName(QStringLiteral("New Group1")), f.bar.Groups(1));
    EXPECT_EQ(f.bar.GroupByName(QStringLiteral("new group1")), nullptr);
    TSBOutBarGroup* g0 = f.bar.Groups(0);
    // Moving the active page keeps it active.
    g0->SetGroupIndex(2);
    EXPECT_EQ(f.bar.Groups(2), g0);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 2);
    // A page moved from below to above the active one pushes its index down.
    f.bar.Groups(1)->SetGroupIndex(9); // clamped to the last place
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 1);
    EXPECT_EQ(f.bar.ActiveGroup(), g0);
    f.bar.ExchangeGroup(0, 1);
    EXPECT_EQ(f.bar.ActiveGroup(), g0);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
    f.bar.SelectNextGroup(false); // wraps round
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 2);
    f.bar.SelectNextGroup(true);
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
    // Caption change events; a refused change keeps the caption.
    std::vector<QString> changed;
    f.bar.OnGroupCaptionChanging = [](QObject*, TSBOutBarGroup*, const QString& c, bool& can) { can = c != "no"; };
    f.bar.OnGroupCaptionChanged = [&](QObject*, TSBOutBarGroup* g) { changed.push_back(g->Caption()); };
    g0->SetCaption(QStringLiteral("no"));
    g0->SetCaption(QStringLiteral("Mail"));
    EXPECT_EQ(changed, std::vector<QString>{QStringLiteral("Mail")});
}

TEST(SBGroupBarMouse, ClickActivatesAndPressFollowsThePointer)
{
    Bar f(3);
    const QPoint on2 = f.On(2);
    f.bar.MouseDown(Qt::LeftButton, on2.x(), on2.y());
    EXPECT_EQ(f.bar.PressedGroup(), 2);
    EXPECT_TRUE(f.bar.ButtonShownPressed());
    f.bar.MouseMove(on2.x(), 100);
    EXPECT_FALSE(f.bar.ButtonShownPressed());
    f.bar.MouseUp(Qt::LeftButton, on2.x(), 100); // released elsewhere: no change
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
    f.bar.MouseDown(Qt::LeftButton, on2.x(), on2.y());
    f.bar.MouseUp(Qt::LeftButton, on2.x(), on2.y());
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 2);
    EXPECT_EQ(f.changes, std::vector<int>{2});
    // Hot tracking over a caption, none over the page.
    const QPoint on1 = f.On(1);
    f.bar.MouseMove(on1.x(), on1.y());
    EXPECT_EQ(f.bar.HotGroup(), 1);
    f.bar.MouseMove(on1.x(), 290);
    EXPECT_EQ(f.bar.HotGroup(), -1);
    EXPECT_EQ(f.bar.cursor().shape(), Qt::ArrowCursor);
    f.bar.MouseMove(on1.x(), on1.y());
    EXPECT_EQ(f.bar.cursor().shape(), Qt::PointingHandCursor);
}

TEST(SBGroupBarEditor, EditingAndClickingWhileEditing)
{
    Bar f(3);
    f.bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.bar));
    f.bar.EditGroupCaption(1);
    ASSERT_TRUE(f.bar.Editing());
    const TRect b = f.bar.GetButtonRect(1);
    EXPECT_EQ(f.bar.Editor()->geometry(), QRect(b.Left, b.Top, b.Width(), b.Height()));
    EXPECT_EQ(f.bar.Editor()->text(), QStringLiteral("New Group1"));
    // A click on another caption only closes the editor, keeping what was typed.
    f.bar.Editor()->setText(QStringLiteral("Typed"));
    const QPoint on2 = f.On(2);
    f.bar.MouseDown(Qt::LeftButton, on2.x(), on2.y());
    f.bar.MouseUp(Qt::LeftButton, on2.x(), on2.y());
    EXPECT_FALSE(f.bar.Editing());
    EXPECT_EQ(f.bar.ActiveGroupIndex(), 0);
    EXPECT_EQ(f.bar.Groups(1)->Caption(), QStringLiteral("Typed"));
    // So do a right click and the edit toggle.
    const std::function<void()> closers[] = {
        [&] { f.bar.MouseDown(Qt::RightButton, on2.x(), on2.y()); },
        [&] { f.bar.EditGroupCaption(1); },
    };
    int n = 0;
    for (const auto& close : closers) {
        f.bar.EditGroupCaption(1);
        const QString typed = QStringLiteral("Typed %1").arg(++n);
        f.bar.Editor()->setText(typed);
        close();
        EXPECT_FALSE(f.bar.Editing()) << n;
        EXPECT_EQ(f.bar.Groups(1)->Caption(), typed);
    }
    // Enter stores the text; Escape drops it.
    f.bar.EditGroupCaption(1);
    f.bar.Editor()->setText(QStringLiteral("Inbox"));
    QTest::keyClick(f.bar.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.bar.Groups(1)->Caption(), QStringLiteral("Inbox"));
    EXPECT_FALSE(f.bar.Editing());
    f.bar.EditGroupCaption(1);
    f.bar.Editor()->setText(QStringLiteral("Lost"));
    QTest::keyClick(f.bar.Editor(), Qt::Key_Escape);
    EXPECT_EQ(f.bar.Groups(1)->Caption(), QStringLiteral("Inbox"));
    // AddNewGroup appends a page and edits its caption.
    f.bar.AddNewGroup();
    EXPECT_EQ(f.bar.GroupCount(), 4);
    EXPECT_TRUE(f.bar.Editing());
    EXPECT_EQ(f.bar.Editor()->GroupIndex, 3);
}

TEST(SBGroupBarDrag, HoverOverACaptionOpensItsPage)
{
    Bar f(3);
    const QPoint on1 = f.On(1);
    EXPECT_TRUE(f.bar.SBDragOver(on1));
    EXPECT_TRUE(f.bar.DragTimerActive());
    EXPECT_EQ(f.bar.DragGroup(), 1);
    EXPECT_FALSE(f.bar.SBDragOver(QPoint(149, 10))) << "the last column refuses";
    EXPECT_TRUE(f.bar.SBDragOver(QPoint(10, 100)));
    EXPECT_FALSE(f.bar.DragTimerActive()) << "over the page nothing opens";
    f.bar.SBDragOver(on1);
    QCursor::setPos(f.bar.mapToGlobal(on1));
    f.bar.DragTimerTick();
    // Where the platform moves the pointer, the page under it opens.
    if (f.bar.mapFromGlobal(QCursor::pos()) == on1) {
        EXPECT_EQ(f.bar.ActiveGroupIndex(), 1);
    }
    f.bar.SBDragLeave();
    EXPECT_FALSE(f.bar.DragTimerActive());
}

TEST(SBGroupBarLife, DestroyingTheBarFreesItsPages)
{
    auto bar = std::make_unique<TSBGroupBar>();
    bar->NewGroup();
    QPointer<TSBOutBarGroup> page = bar->NewGroup();
    bar.reset();
    EXPECT_TRUE(page.isNull());
}

TEST(SBGroupBarLife, BarFreedWhileItsCaptionEditorIsOpen)
{
    auto bar = std::make_unique<TSBGroupBar>();
    bar->NewGroup();
    bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    bar->EditGroupCaption(0);
    ASSERT_TRUE(bar->Editing());
    QPointer<QLineEdit> editor = bar->Editor();
    bar->Editor()->setText(QStringLiteral("Changed"));
    bar.reset();
    EXPECT_TRUE(editor.isNull());
}
