// Out bar: pages with lists, the look handed to the lists, item events, one selection across
// pages, item drags opening pages, and the cursors the side-bar start-up installs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDrag>
#include <QTest>

#include "bars/image_list.h"
#include "bars/sb_out_bar.h"
#include "platform/control_classes.h"
#include "platform/cursors.h"
#include "platform/message_box.h"

namespace {

TSBOutBarVertListView* ListOf(TSBOutBar& bar, int page)
{
    return qobject_cast<TSBOutBarVertListView*>(bar.Groups(page)->GetListView());
}

struct OutBar {
    TSBOutBar bar;
    explicit OutBar(int pages, int items = 2)
    {
        bar.resize(160, 320);
        for (int p = 0; p < pages; ++p) {
            bar.NewGroup();
            for (int i = 0; i < items; ++i)
                ListOf(bar, p)->Add()->Caption = QStringLiteral("P%1-%2").arg(p).arg(i);
        }
    }
};

} // namespace

TEST(SBOutBarPages, EachPageHoldsAListFillingIt)
{
    OutBar f(2);
    EXPECT_EQ(f.bar.ButtonSpaceColor(), clGray);
    for (int p = 0; p < 2; ++p) {
        TSBOutBarVertListView* list = ListOf(f.bar, p);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->OutBar(), &f.bar);
        EXPECT_EQ(list->Color(), clAppWorkSpace);
        EXPECT_EQ(list->palette().color(QPalette::WindowText), QColor(Qt::white));
        f.bar.SetActiveGroupIndex(p);
        EXPECT_EQ(list->geometry(), f.bar.Groups(p)->rect());
        EXPECT_EQ(ControlClassOf(list), ControlClass::TSBVertListView);
    }
    EXPECT_EQ(f.bar.GetActiveListView(), ListOf(f.bar, 1));
    TSBOutBarVertListView loose;
    EXPECT_EQ(loose.OutBar(), nullptr);
}

TEST(SBOutBarLook, BarValuesReachListsWithoutTheirOwn)
{
    OutBar f(2);
    TSBOutBarVertListView* own = ListOf(f.bar, 1);
    own->SetHighlightColor(clRed); // a value of its own clears the flag
    EXPECT_FALSE(own->ParentHighlightColor());
    own->SetDragPlaceColor(own->DragPlaceColor()); // the same value keeps it
    EXPECT_TRUE(own->ParentDragPlaceColor());
    f.bar.SetHighlightColor(clLime);
    EXPECT_EQ(ListOf(f.bar, 0)->HighlightColor(), clLime);
    EXPECT_TRUE(ListOf(f.bar, 0)->ParentHighlightColor()) << "the bar's value keeps the flag";
    EXPECT_EQ(own->HighlightColor(), clRed);
    own->SetParentHighlightColor(true);
    EXPECT_EQ(own->HighlightColor(), clLime) << "the bar's value at once";
    f.bar.SetWrapLineCount(3);
    f.bar.SetSelectionType(stExpanded);
    f.bar.SetGradientBeginColor(clYellow);
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(ListOf(f.bar, p)->WrapLineCount(), 3);
        EXPECT_EQ(ListOf(f.bar, p)->SelectionType(), stExpanded);
        EXPECT_EQ(ListOf(f.bar, p)->GradientBeginColor(), clYellow);
    }
    EXPECT_THROW(f.bar.SetWrapLineCount(0), EKorvaneError);
    // A page made later starts with the bar's look.
    f.bar.NewGroup();
    EXPECT_EQ(ListOf(f.bar, 2)->HighlightColor(), clLime);
    EXPECT_EQ(ListOf(f.bar, 2)->WrapLineCount(), 3);
}

TEST(SBOutBarLook, BackgroundAndImagesFollowTheBar)
{
    OutBar f(2);
    TBitmap bmp(4, 4);
    bmp.Canvas()->Brush.Color = clRed;
    bmp.Canvas()->FillRect(TRect(0, 0, 4, 4));
    f.bar.SetBackground(bmp);
    EXPECT_EQ(ListOf(f.bar, 1)->Background().ToImage(), bmp.ToImage());
    auto large = std::make_unique<TImageList>(32, 32);
    TImageList small(16, 16);
    f.bar.SetLargeImages(large.get());
    EXPECT_EQ(ListOf(f.bar, 0)->LargeImages(), large.get());
    TImageList own(32, 32);
    ListOf(f.bar, 1)->SetOwnLargeImages(&own);
    EXPECT_EQ(ListOf(f.bar, 1)->LargeImages(), &own);
    large.reset(); // removing the bar's list leaves it with none
    EXPECT_EQ(f.bar.LargeImages(), nullptr);
    EXPECT_EQ(ListOf(f.bar, 0)->LargeImages(), nullptr);
    EXPECT_EQ(ListOf(f.bar, 1)->LargeImages(), &own);
}

TEST(SBOutBarEvents, ListEventsReachTheBar)
{
    OutBar f(2);
    std::vector<std::string> seen;
    f.bar.OnButtonClick = [&](QObject* sender, TSBVertListItem* item) {
        EXPECT_EQ(sender, ListOf(f.bar, 0));
        seen.push_back("click " + item->Caption.toStdString());
    };
    f.bar.OnHotTrackItem = [&](QObject*, TSBVertListItem* item) {
        seen.push_back(item ? "hot " + item->Caption.toStdString() : "hot none");
    };
    f.bar.OnExecuteItem = [&](QObject*, TSBVertListItem*, bool& processed) {
        seen.push_back("execute");
        processed = true;
    };
    TSBOutBarVertListView* list = ListOf(f.bar, 0);
    list->Item(0)->FileName = QStringLiteral("/nonexistent/never-run");
    auto saved = TSBVertListView::ShellOpen;
    bool ran = false;
    TSBVertListView::ShellOpen = [&](const QString&, const QString&) { return ran = true; };
    list->DoButtonClick(list->Item(0));
    TSBVertListView::ShellOpen = saved;
    EXPECT_FALSE(ran) << "the bar processed it";
    EXPECT_EQ(seen, (std::vector<std::string>{"execute", "click P0-0"}));
    QMenu barMenu;
    f.bar.OnPopupMenu = [&](QObject*, TSBVertListItem*, QMenu*& menu) { menu = &barMenu; };
    EXPECT_EQ(list->DoPopupMenu(nullptr), &barMenu);
}

TEST(SBOutBarSelection, OneSelectedClearsTheOtherPages)
{
    OutBar f(3);
    ListOf(f.bar, 1)->SetSelectedItem(ListOf(f.bar, 1)->Item(0));
    ListOf(f.bar, 2)->SetSelectedItem(ListOf(f.bar, 2)->Item(1));
    f.bar.SetOneSelected(true); // the active page's selection is the one kept
    EXPECT_EQ(ListOf(f.bar, 1)->GetSelectedItem(), nullptr);
    EXPECT_EQ(ListOf(f.bar, 2)->GetSelectedItem(), nullptr);
    ListOf(f.bar, 0)->SetSelectedItem(ListOf(f.bar, 0)->Item(1));
    ListOf(f.bar, 2)->SetSelectedItem(ListOf(f.bar, 2)->Item(0));
    EXPECT_EQ(ListOf(f.bar, 0)->GetSelectedItem(), nullptr);
    EXPECT_EQ(ListOf(f.bar, 2)->GetSelectedItem(), ListOf(f.bar, 2)->Item(0));
}

TEST(SBOutBarDrag, ItemMovesToAnotherPageOpenedByHovering)
{
    OutBar f(2);
    f.bar.SetFrequency(0);
    f.bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.bar));
    TSBOutBarVertListView* first = ListOf(f.bar, 0);
    const TRect icon = first->IconRect(first->Item(0));
    first->MouseDown(Qt::LeftButton, Qt::NoModifier, icon.Left + 2, icon.Top + 2);
    first->MouseMove(Qt::NoModifier, icon.Left + 2, icon.Top + 10);
    ASSERT_TRUE(first->Dragging());
    // Over page 1's caption the bar takes the drag and starts its timer.
    const TRect caption = f.bar.GetButtonRect(1);
    const QPoint over = first->mapFromGlobal(f.bar.mapToGlobal(QPoint(caption.Left + 5, caption.Top + 3)));
    first->MouseMove(Qt::NoModifier, over.x(), over.y());
    EXPECT_TRUE(f.bar.DragTimerActive());
    EXPECT_EQ(f.bar.DragGroup(), 1);
    f.bar.SetActiveGroupIndex(1); // what the timer does with the pointer still there
    TSBOutBarVertListView* second = ListOf(f.bar, 1);
    const QPoint drop = first->mapFromGlobal(second->mapToGlobal(QPoint(20, 1)));
    first->MouseMove(Qt::NoModifier, drop.x(), drop.y());
    first->MouseUp(Qt::LeftButton, drop.x(), drop.y());
    EXPECT_EQ(first->Count(), 1);
    EXPECT_EQ(second->Count(), 3);
    EXPECT_EQ(second->Item(0)->Caption, QStringLiteral("P0-0"));
}

TEST(SBOutBarStartUp, CursorTableAfterStartUp)
{
    InitSideBarUnit();
    struct Case {
        int number;
        QPoint hotSpot;
    } cases[] = {{100, QPoint(16, 8)}, {101, QPoint(16, 8)}, {crNoDrop, QPoint(8, 8)}};
    for (const Case& c : cases) {
        const QCursor cursor = Screen->Cursor(c.number);
        EXPECT_TRUE(Screen->HasCursor(c.number)) << c.number;
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << c.number;
        EXPECT_EQ(cursor.hotSpot(), c.hotSpot) << c.number;
        const QImage img = cursor.pixmap().toImage();
        EXPECT_EQ(img.size(), QSize(32, 32)) << c.number;
        // Monochrome: every pixel black, white or transparent.
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb px = img.pixel(x, y);
                ASSERT_TRUE(qAlpha(px) == 0 || (px & 0xFFFFFF) == 0 || (px & 0xFFFFFF) == 0xFFFFFF)
                    << c.number << " at " << x << "," << y;
            }
    }
    EXPECT_NE(Screen->Cursor(100).pixmap().toImage(), Screen->Cursor(101).pixmap().toImage());
    // Every drag of the program shows it where it may not drop.
    QObject source;
    QDrag drag(&source);
    UseScreenDragCursors(&drag);
    EXPECT_EQ(drag.dragCursor(Qt::IgnoreAction).toImage(), Screen->Cursor(crNoDrop).pixmap().toImage());
    try {
        LoadCursorChecked(QStringLiteral("NOSUCHCURSOR"));
        FAIL();
    } catch (const EKorvaneError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Error loading cursor"));
    }
}
