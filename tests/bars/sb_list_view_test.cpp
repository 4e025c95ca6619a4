// Vertical list view: layout, scrolling, hot item and clicks, dragging items between lists,
// and the drag payload as outside data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMimeData>
#include <QTest>
#include <QWidget>

#include "bars/image_list.h"
#include "bars/sb_list_view.h"
#include "platform/control_classes.h"
#include "platform/cursors.h"
#include "platform/message_box.h"

namespace {

void Fill(TSBVertListView& list, int n, const QString& prefix = QStringLiteral("Item"))
{
    for (int i = 0; i < n; ++i)
        list.Add()->Caption = prefix + QString::number(i);
}

QStringList Captions(const TSBVertListView& list)
{
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out << list.Item(i)->Caption;
    return out;
}

// Two lists side by side in a shown window, for drags between them.
struct TwoLists {
    QWidget window;
    TSBVertListView* left;
    TSBVertListView* right;
    TwoLists()
    {
        window.resize(260, 300);
        left = new TSBVertListView(&window);
        right = new TSBVertListView(&window);
        left->setGeometry(0, 0, 120, 300);
        right->setGeometry(130, 0, 120, 300);
        Fill(*left, 3, QStringLiteral("L"));
        Fill(*right, 2, QStringLiteral("R"));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // A point of the right list, in the left list's coordinates.
    QPoint InRight(int x, int y) const { return left->mapFromGlobal(right->mapToGlobal(QPoint(x, y))); }
    // Starts dragging the left list's item index and holds it over (x, y) of the right list;
    // returns that point in the left list's coordinates.
    QPoint DragOver(int index, int x, int y, Qt::KeyboardModifiers mods)
    {
        const TRect icon = left->IconRect(left->Item(index));
        const QPoint start(icon.Left + 2, icon.Top + 2);
        left->MouseDown(Qt::LeftButton, mods, start.x(), start.y());
        left->MouseMove(mods, start.x() + 10, start.y());
        const QPoint to = InRight(x, y);
        left->MouseMove(mods, to.x(), to.y());
        return to;
    }
    // Drags the left list's item index to (x, y) of the right list.
    void Drag(int index, int x, int y, Qt::KeyboardModifiers mods)
    {
        const QPoint to = DragOver(index, x, y, mods);
        left->MouseUp(Qt::LeftButton, to.x(), to.y());
    }
};

// Straight to the widget: the application delivers drops only inside a drag it runs itself.
void Deliver(QObject* target, QEvent* e)
{
    target->event(e);
}

} // namespace

TEST(SBVertListLayout, ItemsStackWithTheSpacing)
{
    TSBVertListView list;
    EXPECT_EQ(list.size(), QSize(100, 200));
    Fill(list, 3);
    EXPECT_EQ(list.TopMargin(), 5);
    const TRect b0 = list.BoundsRect(list.Item(0));
    const TRect b1 = list.BoundsRect(list.Item(1));
    EXPECT_EQ(b0.Top, 5);
    EXPECT_EQ(b1.Top, b0.Bottom + 10);
    // Icons centred in icon view; fixed at 7 in small-icon view.
    const TRect icon = list.IconRect(list.Item(0));
    EXPECT_EQ(icon.Left, (100 - 32) / 2);
    list.SetViewStyle(vsSmallIcon);
    EXPECT_EQ(list.IconRect(list.Item(0)).Left, 7);
    EXPECT_EQ(list.LabelRect(list.Item(0)).Left, 7 + 16 + 3);
}

TEST(SBVertListLayout, PropertyRulesAndErrors)
{
    TSBVertListView list;
    list.SetItemSpace(3);
    EXPECT_EQ(list.ItemSpace(), 5);
    EXPECT_EQ(list.TopMargin(), 2);
    list.SetItemSpace(20);
    EXPECT_EQ(list.TopMargin(), 10);
    EXPECT_THROW(list.SetViewStyle(vsReport), EKorvaneError);
    EXPECT_THROW(list.SetViewStyle(vsList), EKorvaneError);
    try {
        list.SetWrapLineCount(0);
        FAIL();
    } catch (const EKorvaneError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid property value"));
    }
    EXPECT_EQ(list.WrapLineCount(), 1);
}

TEST(SBVertListLayout, WrapLineCountLimitsTheLabel)
{
    TSBVertListView list;
    list.resize(80, 200);
    TSBVertListItem* item = list.Add();
    item->Caption = QStringLiteral("one two three four five six seven eight nine ten");
    const int oneLine = list.LabelRect(item).Height();
    list.SetWrapLineCount(3);
    EXPECT_EQ(list.LabelRect(item).Height(), oneLine * 3);
    list.SetWrapLineCount(100);
    EXPECT_LT(list.LabelRect(item).Height(), oneLine * 100);
}

TEST(SBVertListLayout, FontObjectIsTheControlsOwnAndItsCharsetRelays)
{
    TSBVertListView list;
    Fill(list, 2);
    const int before = list.ReAlignCount();
    TSBVertListView::TListFont font = list.GetFont();
    EXPECT_EQ(font.Owner(), &list);
    font.SetCharset(128);
    EXPECT_EQ(list.GetFont().Charset(), 128);
    EXPECT_EQ(WidgetCharset(&list), 128);
    EXPECT_GT(list.ReAlignCount(), before);
    // The charset classes: the list and the out-bar's list are found by class.
    EXPECT_EQ(ControlClassOf(&list), ControlClass::TSBVertListView);
}

TEST(SBVertListScroll, ButtonsOnlyWhenItemsDoNotFit)
{
    TSBVertListView empty;
    empty.show();
    EXPECT_FALSE(empty.UpButton()->isVisible());
    EXPECT_FALSE(empty.DownButton()->isVisible());
    TSBVertListView few;
    Fill(few, 2);
    few.show();
    EXPECT_FALSE(few.IsScrollDown());
    EXPECT_FALSE(few.DownButton()->isVisible());

    TSBVertListView many;
    Fill(many, 12);
    many.show();
    EXPECT_TRUE(many.IsScrollDown());
    EXPECT_FALSE(many.IsScrollUp());
    EXPECT_TRUE(many.DownButton()->isVisible());
    EXPECT_FALSE(many.UpButton()->isVisible());
    const QRect down = many.DownButton()->geometry();
    EXPECT_EQ(down.right() + 1, 100 - 5);
    EXPECT_EQ(down.bottom() + 1, 200 - 5);
    many.ScrollDown();
    EXPECT_TRUE(many.IsScrollUp());
    EXPECT_TRUE(many.UpButton()->isVisible());
    EXPECT_EQ(many.UpButton()->geometry().top(), 5);
    EXPECT_EQ(many.GetTopItem(), many.Item(1));
    many.SetScrollButtonsPos(spTop);
    EXPECT_EQ(many.DownButton()->geometry().top(), many.UpButton()->height() + 10);
    many.SetScrollButtonsPos(spBottom);
    EXPECT_EQ(many.UpButton()->geometry().top(), 200 - many.DownButton()->height() - 10 - many.UpButton()->height());
    // Scrolling back never goes past the start; the wheel scrolls up for positive deltas.
    many.ScrollUp();
    many.ScrollUp();
    EXPECT_EQ(many.ScrollOffset(), 0);
    many.WheelDelta(-60);
    EXPECT_EQ(many.ScrollOffset(), 0) << "half a notch is kept";
    many.WheelDelta(-60);
    EXPECT_GT(many.ScrollOffset(), 0);
    many.WheelDelta(240);
    EXPECT_EQ(many.ScrollOffset(), 0);
    // A too-low list shows no buttons at all.
    many.resize(100, 30);
    EXPECT_FALSE(many.DownButton()->isVisible());
}

TEST(SBVertListScroll, EventsAroundAScrollAndEnsureVisible)
{
    TSBVertListView list;
    Fill(list, 12);
    std::vector<std::string> events;
    list.OnBeforeScroll = [&](QObject*) { events.push_back("before"); };
    list.OnAfterScroll = [&](QObject*) { events.push_back("after"); };
    list.EnsureVisible(list.Item(11));
    EXPECT_LE(list.BoundsRect(list.Item(11)).Bottom, 200);
    EXPECT_GE(events.size(), 2u);
    EXPECT_EQ(events.front(), "before");
    EXPECT_EQ(events.back(), "after");
    list.EnsureVisible(list.Item(0));
    EXPECT_EQ(list.ScrollOffset(), 0);
}

TEST(SBVertListMouse, HotItemClickAndSelection)
{
    TSBVertListView list;
    Fill(list, 3);
    std::vector<TSBVertListItem*> hot, clicked;
    list.OnHotTrackItem = [&](QObject*, TSBVertListItem* item) { hot.push_back(item); };
    list.OnButtonClick = [&](QObject*, TSBVertListItem* item) { clicked.push_back(item); };
    const TRect icon = list.IconRect(list.Item(1));
    list.MouseMove(Qt::NoModifier, icon.Left + 3, icon.Top + 3);
    EXPECT_EQ(list.HotItem(), list.Item(1));
    list.MouseMove(Qt::NoModifier, 1, 1); // empty space: no hot item
    EXPECT_EQ(list.HotItem(), nullptr);
    EXPECT_EQ(hot, (std::vector<TSBVertListItem*>{list.Item(1), nullptr}));

    list.MouseDown(Qt::LeftButton, Qt::NoModifier, icon.Left + 3, icon.Top + 3);
    list.MouseMove(Qt::NoModifier, icon.Left + 8, icon.Top + 3); // 5 pixels: no drag
    EXPECT_FALSE(list.Dragging());
    list.MouseUp(Qt::LeftButton, icon.Left + 8, icon.Top + 3);
    EXPECT_EQ(list.GetSelectedItem(), list.Item(1));
    EXPECT_EQ(clicked, std::vector<TSBVertListItem*>{list.Item(1)}) << "one click, not one more for the selection";

    // Selecting from code clicks a newly selected item.
    list.SetSelectedItem(list.Item(2));
    EXPECT_EQ(clicked.size(), 2u);
    EXPECT_FALSE(list.Item(1)->Selected());
}

TEST(SBVertListMouse, HoverFrameGoesWhenThePointerMovesOntoAScrollButton)
{
    TSBVertListView list;
    Fill(list, 12);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    TSBScrollButton* down = list.DownButton();
    ASSERT_TRUE(down->isVisible());
    // The last item that shows above the button, reached from the side of the list.
    TSBVertListItem* item = nullptr;
    for (int i = 0; i < list.Count(); ++i)
        if (list.IconRect(list.Item(i)).Bottom < down->y())
            item = list.Item(i);
    ASSERT_NE(item, nullptr);
    const TRect icon = list.IconRect(item);
    QTest::mouseMove(&list, QPoint(icon.Left + 3, icon.Top + 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.HotItem() == item; }));
    QTest::mouseMove(down, down->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.HotItem() == nullptr; }));
    // Back on the item, it has its frame again.
    QTest::mouseMove(&list, QPoint(icon.Left + 3, icon.Top + 3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.HotItem() == item; }));
}

TEST(SBVertListMouse, ExecuteItemRunsTheFileUnlessProcessed)
{
    TSBVertListView list;
    TSBVertListItem* item = list.Add();
    item->FileName = QStringLiteral("/tmp/nothing.txt");
    item->Parameters = QStringLiteral("-x");
    std::vector<QString> opened;
    auto saved = TSBVertListView::ShellOpen;
    TSBVertListView::ShellOpen = [&](const QString& f, const QString& p) {
        opened.push_back(f + "|" + p);
        return true;
    };
    list.DoButtonClick(item);
    EXPECT_EQ(opened, std::vector<QString>{QStringLiteral("/tmp/nothing.txt|-x")});
    list.OnExecuteItem = [](QObject*, TSBVertListItem*, bool& processed) { processed = true; };
    list.DoButtonClick(item);
    EXPECT_EQ(opened.size(), 1u);
    // With UseDblClick a click does not execute; a double click on the hot item does.
    list.OnExecuteItem = nullptr;
    list.SetUseDblClick(true);
    list.DoButtonClick(item);
    EXPECT_EQ(opened.size(), 1u);
    const TRect icon = list.IconRect(item);
    list.MouseMove(Qt::NoModifier, icon.Left + 2, icon.Top + 2);
    list.DblClick(Qt::LeftButton, icon.Left + 2, icon.Top + 2);
    EXPECT_EQ(opened.size(), 2u);
    TSBVertListView::ShellOpen = saved;
}

TEST(SBVertListDrag, PlacesBetweenItemsOnly)
{
    TSBVertListView list;
    EXPECT_EQ(list.GetDragPlace(10, 10), 0) << "an empty list takes a drop at 0";
    EXPECT_EQ(list.GetDragPlace(-1, 10), -1);
    Fill(list, 3);
    const TRect b0 = list.BoundsRect(list.Item(0));
    const TRect b1 = list.BoundsRect(list.Item(1));
    const TRect b2 = list.BoundsRect(list.Item(2));
    EXPECT_EQ(list.GetDragPlace(10, 1), 0);
    EXPECT_EQ(list.GetDragPlace(10, b0.Top + 2), -1) << "on an item";
    EXPECT_EQ(list.GetDragPlace(10, b0.Bottom + 2), 1);
    EXPECT_EQ(list.GetDragPlace(10, b1.Bottom + 2), 2);
    EXPECT_EQ(list.GetDragPlace(10, b2.Bottom + 2), 3) << "after a last item shown whole";
    EXPECT_EQ(list.GetDragPlace(10, 250), -1) << "outside";
    // A last item cut off takes no drop after it.
    list.resize(100, b2.Bottom - 4);
    EXPECT_EQ(list.GetDragPlace(10, b2.Bottom - 5), -1);
}

TEST(SBVertListDrag, MoveWithoutCtrlCopyWithCtrl)
{
    TwoLists f;
    const int gapAfterR0 = f.right->BoundsRect(f.right->Item(0)).Bottom + 2;
    // Move: L1 goes between R0 and R1 and leaves the left list.
    f.Drag(1, 20, gapAfterR0, Qt::NoModifier);
    EXPECT_EQ(Captions(*f.left), (QStringList{"L0", "L2"}));
    EXPECT_EQ(Captions(*f.right), (QStringList{"R0", "L1", "R1"}));
    EXPECT_FALSE(f.left->Dragging());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the cursor is given back";
    // Copy: with Ctrl the source keeps its item.
    const int afterLast = f.right->BoundsRect(f.right->Item(2)).Bottom + 3;
    f.Drag(0, 20, afterLast, Qt::ControlModifier);
    EXPECT_EQ(Captions(*f.left), (QStringList{"L0", "L2"}));
    EXPECT_EQ(Captions(*f.right), (QStringList{"R0", "L1", "R1", "L0"}));
}

TEST(SBVertListDrag, TheDraggedItemHasNoHoverFrameOnItsWay)
{
    struct Case {
        const char* name;
        bool otherList; // dropped on the right list, else back on its own list's first item
    };
    for (const Case c : {Case{"onto the other list", true}, Case{"within its own list", false}}) {
        TwoLists f;
        const TRect icon = f.left->IconRect(f.left->Item(2));
        f.left->MouseDown(Qt::LeftButton, Qt::NoModifier, icon.Left + 2, icon.Top + 2);
        EXPECT_EQ(f.left->HotItem(), f.left->Item(2)) << c.name << ": pressed";
        f.left->MouseMove(Qt::NoModifier, icon.Left + 2, icon.Top + 12);
        ASSERT_TRUE(f.left->Dragging()) << c.name;
        EXPECT_EQ(f.left->HotItem(), nullptr) << c.name << ": on its way";
        const TRect first = f.left->IconRect(f.left->Item(0));
        const QPoint to = c.otherList ? f.InRight(20, f.right->BoundsRect(f.right->Item(1)).Bottom + 3)
                                      : QPoint(first.Left + 2, first.Top + 2);
        f.left->MouseMove(Qt::NoModifier, to.x(), to.y());
        EXPECT_EQ(f.left->HotItem(), nullptr) << c.name << ": held over the target";
        f.left->MouseUp(Qt::LeftButton, to.x(), to.y());
        EXPECT_FALSE(f.left->Dragging()) << c.name;
        // Where the pointer rests afterwards the hover frame follows it again.
        EXPECT_EQ(f.left->HotItem(), c.otherList ? nullptr : f.left->Item(0)) << c.name << ": after";
    }
}

TEST(SBVertListDrag, CopyCarriesTheItemsData)
{
    TwoLists f;
    TSBVertListItem* src = f.left->Item(0);
    src->FileName = QStringLiteral("/bin/true");
    src->Parameters = QStringLiteral("--x");
    src->SubItems = QStringList{"a", "b"};
    src->SetSelectedIndex(4);
    src->SetHotTrackIndex(7);
    src->ImageIndex = 2;
    src->Data = 42;
    f.Drag(0, 20, 1, Qt::ControlModifier);
    TSBVertListItem* copy = f.right->Item(0);
    EXPECT_EQ(copy->Caption, QStringLiteral("L0"));
    EXPECT_EQ(copy->FileName, src->FileName);
    EXPECT_EQ(copy->Parameters, src->Parameters);
    EXPECT_EQ(copy->SubItems, src->SubItems);
    EXPECT_EQ(copy->SelectedIndex(), 4);
    EXPECT_EQ(copy->HotTrackIndex(), -1);
    EXPECT_EQ(copy->ImageIndex, 2);
    EXPECT_EQ(copy->Data.toInt(), 42);
}

TEST(SBVertListDrag, RefusedPlacesLoseNothing)
{
    TwoLists f;
    // Dropped onto an item: refused, both lists unchanged, the no-drop cursor was shown.
    const TRect r0 = f.right->BoundsRect(f.right->Item(0));
    const QPoint onItem = f.DragOver(0, 20, r0.Top + 3, Qt::NoModifier);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Screen->Cursor(crNoDrop).shape());
    f.left->MouseUp(Qt::LeftButton, onItem.x(), onItem.y());
    EXPECT_EQ(Captions(*f.left), (QStringList{"L0", "L1", "L2"}));
    EXPECT_EQ(Captions(*f.right), (QStringList{"R0", "R1"}));
    // A target whose dragging is off... still takes drops; a source whose dragging is off starts none.
    f.left->SetDragEnabled(false);
    f.Drag(0, 20, 1, Qt::NoModifier);
    EXPECT_EQ(Captions(*f.left), (QStringList{"L0", "L1", "L2"}));
    EXPECT_EQ(f.right->Count(), 2);
}

TEST(SBVertListDrag, EscapeCancelsWithoutDrop)
{
    TwoLists f;
    const QPoint to = f.DragOver(0, 20, 1, Qt::NoModifier);
    ASSERT_TRUE(f.left->Dragging());
    EXPECT_EQ(f.right->DropPlace(), 0);
    QTest::keyClick(&f.window, Qt::Key_Escape);
    EXPECT_FALSE(f.left->Dragging());
    EXPECT_EQ(f.right->DropPlace(), -1) << "the marker is taken away";
    f.left->MouseUp(Qt::LeftButton, to.x(), to.y());
    EXPECT_EQ(f.left->Count(), 3);
    EXPECT_EQ(f.right->Count(), 2);
}

TEST(SBVertListDrag, CtrlDuringTheDragSwitchesToCopy)
{
    TwoLists f;
    const QPoint to = f.DragOver(2, 20, 1, Qt::NoModifier);
    EXPECT_FALSE(f.left->CopyDrag());
    QTest::keyPress(&f.window, Qt::Key_Control);
    EXPECT_TRUE(f.left->CopyDrag());
    EXPECT_EQ(QGuiApplication::overrideCursor()->pixmap().cacheKey(), Screen->Cursor(101).pixmap().cacheKey());
    f.left->MouseUp(Qt::LeftButton, to.x(), to.y());
    QTest::keyRelease(&f.window, Qt::Key_Control);
    EXPECT_EQ(f.left->Count(), 3);
    EXPECT_EQ(Captions(*f.right), (QStringList{"L2", "R0", "R1"}));
}

TEST(SBVertListDrag, FollowsThePointerAfterItsListIsHidden)
{
    // An out-bar page opened by hovering hides the page the drag started on.
    TwoLists f;
    const TRect icon = f.left->IconRect(f.left->Item(1));
    const QPoint start(icon.Left + 2, icon.Top + 2);
    auto send = [](QWidget* to, QEvent::Type type, const QPoint& local, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(local), QPointF(to->mapToGlobal(local)), button, held, Qt::NoModifier);
        QApplication::sendEvent(to, &e);
    };
    send(f.left, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    send(f.left, QEvent::MouseMove, start + QPoint(0, 10), Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(f.left->Dragging());
    f.left->hide();
    send(f.right, QEvent::MouseMove, QPoint(20, 1), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.right->DropPlace(), 0);
    send(f.right, QEvent::MouseButtonRelease, QPoint(20, 1), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(f.left->Dragging());
    EXPECT_EQ(Captions(*f.left), (QStringList{"L0", "L2"}));
    EXPECT_EQ(Captions(*f.right), (QStringList{"L1", "R0", "R1"}));
}

TEST(SBVertListDrag, MoveWithinOneList)
{
    TwoLists f;
    const TRect icon = f.left->IconRect(f.left->Item(0));
    const int afterLast = f.left->BoundsRect(f.left->Item(2)).Bottom + 3;
    f.left->MouseDown(Qt::LeftButton, Qt::NoModifier, icon.Left + 2, icon.Top + 2);
    f.left->MouseMove(Qt::NoModifier, 20, afterLast);
    f.left->MouseUp(Qt::LeftButton, 20, afterLast);
    EXPECT_EQ(Captions(*f.left), (QStringList{"L1", "L2", "L0"}));
}

TEST(SBVertListDragData, RoundTripAndDamagedRecords)
{
    TSBItemDragData good{1234, 7, 2, true};
    const QByteArray bytes = EncodeItemDragData(good);
    const auto back = DecodeItemDragData(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->processId, 1234);
    EXPECT_EQ(back->listSerial, 7u);
    EXPECT_EQ(back->itemIndex, 2);
    EXPECT_TRUE(back->copy);

    auto with = [&](int offset, std::initializer_list<uint8_t> patch) {
        QByteArray b = bytes;
        int i = offset;
        for (uint8_t v : patch)
            b[i++] = char(v);
        return b;
    };
    struct Case {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"empty", QByteArray()},
        {"truncated", bytes.left(bytes.size() - 1)},
        {"trailing byte", bytes + '\0'},
        {"wrong magic", with(0, {0, 0, 0, 0})},
        {"wrong version", with(4, {9, 0})},
        {"negative index", with(18, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"serial zero", with(14, {0, 0, 0, 0})},
        {"copy flag 2", with(22, {2})},
        {"text", QByteArray("L0 from somewhere else")},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(DecodeItemDragData(c.data)) << c.what;
}

TEST(SBVertListDragData, OutsideDropsAreCheckedAndLoseNothing)
{
    TwoLists f;
    const qint64 pid = QCoreApplication::applicationPid();
    struct Case {
        const char* what;
        TSBItemDragData data;
    } cases[] = {
        {"another process", {pid + 1, f.left->Serial(), 0, false}},
        {"no such list", {pid, 999999, 0, false}},
        {"index past the end", {pid, f.left->Serial(), 3, false}},
        {"huge index", {pid, f.left->Serial(), 0x7FFFFFFF, false}},
    };
    for (const Case& c : cases) {
        QMimeData mime;
        mime.setData(SBItemDragMimeType(), EncodeItemDragData(c.data));
        QDropEvent drop(QPointF(20, 2), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        Deliver(f.right, &drop);
        EXPECT_FALSE(drop.isAccepted()) << c.what;
        EXPECT_EQ(f.right->Count(), 2) << c.what;
        EXPECT_EQ(f.left->Count(), 3) << c.what;
    }
    // Garbage bytes of the right type, and another type altogether.
    for (const QByteArray& junk : {QByteArray("\x01\x02"), QByteArray(4096, 'x')}) {
        QMimeData mime;
        mime.setData(SBItemDragMimeType(), junk);
        QDropEvent drop(QPointF(20, 2), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        Deliver(f.right, &drop);
        EXPECT_FALSE(drop.isAccepted());
    }
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDropEvent drop(QPointF(20, 2), Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
    Deliver(f.right, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(f.right->Count(), 2);
    // A well-formed record of this process goes through the same path: one move.
    QMimeData mime;
    mime.setData(SBItemDragMimeType(), EncodeItemDragData({pid, f.left->Serial(), 1, false}));
    QDropEvent ok(QPointF(20, 2), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    Deliver(f.right, &ok);
    EXPECT_TRUE(ok.isAccepted());
    EXPECT_EQ(Captions(*f.right), (QStringList{"L1", "R0", "R1"}));
    EXPECT_EQ(Captions(*f.left), (QStringList{"L0", "L2"}));
}

TEST(SBVertListDragData, DeletedSourceListIsNoLongerFound)
{
    quint32 serial;
    {
        TSBVertListView gone;
        serial = gone.Serial();
        EXPECT_EQ(TSBVertListView::ListBySerial(serial), &gone);
    }
    EXPECT_EQ(TSBVertListView::ListBySerial(serial), nullptr);
}
