// Design objects on a document window: handles and their zones, moving and resizing with the
// mouse, selection by clicks, the lock, the popup commands and the command message.
#include "child_frame_test_support.h"

#include "document/document_file.h"
#include "lang/builtin_strings.h"

#include <QMenu>
#include <cstring>

using namespace frametest;

namespace {

class DesignObjectTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame = Make(1, false, 600, 400);
        frame->SetToolCursor(crArrow);   // the select tool, as the main window sets it
        frame->SetCursor(crArrow);
        a = AddObject(frame, QStringLiteral("A"), 100, 100, 100, 60);
        b = AddObject(frame, QStringLiteral("B"), 300, 100, 80, 40);
        c = AddObject(frame, QStringLiteral("C"), 100, 250, 50, 50);
        frame->SetModified(false);
    }

    // Drags from a point inside o to a point of the page, in one or more steps.
    void Drag(CDesignObject* o, QPoint grab, const std::vector<QPoint>& pageSteps, Qt::KeyboardModifiers m = {})
    {
        Press(o, grab, Qt::LeftButton, m);
        for (QPoint p : pageSteps)
            Move(o, p - o->pos());
        Release(o, pageSteps.empty() ? grab : pageSteps.back() - o->pos());
    }

    QRect Geometry(CDesignObject* o) const { return o->geometry(); }

    TChildFrame* frame = nullptr;
    PlainObject *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(DesignObjectTest, HitZonesFollowTheHandleSquaresStrictlyInside)
{
    struct Case {
        int x, y;
        TDragZone zone;
    } cases[] = {
        {1, 1, DragTopLeft},   {98, 1, DragTopRight}, {98, 58, DragBottomRight}, {1, 58, DragBottomLeft},
        {1, 30, DragLeft},     {98, 30, DragRight},   {50, 1, DragTop},          {50, 58, DragBottom},
        {50, 30, DragMove},    {0, 0, DragMove},      {6, 1, DragMove},          {1, 27, DragMove},
        {1, 28, DragLeft},     {47, 1, DragMove},     {48, 1, DragTop},          {99, 59, DragBottomRight},
        {100, 30, DragMove},
    };
    for (const Case& k : cases)
        EXPECT_EQ(a->HitZone(k.x, k.y), k.zone) << k.x << "," << k.y;
    EXPECT_EQ(CDesignObject::ZoneCursor(DragTopLeft), crSizeNWSE);
    EXPECT_EQ(CDesignObject::ZoneCursor(DragBottomLeft), crSizeNESW);
    EXPECT_EQ(CDesignObject::ZoneCursor(DragRight), crSizeWE);
    EXPECT_EQ(CDesignObject::ZoneCursor(DragBottom), crSizeNS);
    EXPECT_EQ(CDesignObject::ZoneCursor(DragMove), crDefault);
}

TEST_F(DesignObjectTest, HandlesAreDrawnOnlyOnASelectedUnlockedObject)
{
    auto pixel = [](CDesignObject* o, int x, int y) { return o->grab().toImage().pixelColor(x, y); };
    a->SetSelected(true, false);
    EXPECT_EQ(pixel(a, 2, 2), QColor(Qt::blue));
    EXPECT_EQ(pixel(a, 97, 57), QColor(Qt::blue));
    EXPECT_EQ(pixel(a, 50, 30), QColor(128, 128, 128));
    a->SetLocked(true);
    EXPECT_EQ(pixel(a, 2, 2), QColor(128, 128, 128));
    a->SetLocked(false);
    a->SetSelected(false, false);
    EXPECT_EQ(pixel(a, 2, 2), QColor(128, 128, 128));
}

TEST_F(DesignObjectTest, ResizingByHandles)
{
    // Object A is (100, 100, 100, 60); the steps are page points of the pointer.
    struct Case {
        const char* what;
        QPoint grab;
        std::vector<QPoint> steps;
        QRect expected;
    } cases[] = {
        {"right edge out", {98, 30}, {{250, 130}}, {100, 100, 150, 60}},
        {"right edge past the left edge", {98, 30}, {{60, 130}}, {60, 100, 40, 60}},
        {"left edge past the right edge", {1, 30}, {{250, 130}}, {200, 100, 50, 60}},
        {"left edge flipped in two steps", {1, 30}, {{150, 130}, {260, 130}}, {200, 100, 60, 60}},
        {"right edge back over the anchor", {98, 30}, {{40, 130}, {170, 130}}, {100, 100, 70, 60}},
        {"bottom edge past the top", {50, 58}, {{150, 80}}, {100, 80, 100, 20}},
        {"top edge past the bottom", {50, 1}, {{150, 300}}, {100, 160, 100, 140}},
        {"bottom-right corner in", {98, 58}, {{130, 120}}, {100, 100, 30, 20}},
        {"top-left corner out", {1, 1}, {{90, 95}}, {90, 95, 110, 65}},
        {"never below a handle: right edge", {98, 30}, {{102, 130}}, {100, 100, 6, 60}},
        {"never below a handle: left edge", {1, 30}, {{198, 130}}, {194, 100, 6, 60}},
        {"never below a handle: bottom edge", {50, 58}, {{150, 100}}, {100, 100, 100, 6}},
    };
    for (const Case& k : cases) {
        a->SetBounds(100, 100, 100, 60);
        frame->SetModified(false);
        Drag(a, k.grab, k.steps);
        EXPECT_EQ(Geometry(a), k.expected) << k.what;
        EXPECT_TRUE(frame->Modified) << k.what;
        EXPECT_EQ(a->DragState, DragNone) << k.what;
        EXPECT_FALSE(a->Changed) << k.what;
    }
}

TEST_F(DesignObjectTest, MovingDragsTheWholeSelectionLockedOnesIncluded)
{
    b->SetSelected(true, true);
    c->SetSelected(true, true);
    c->SetLocked(true);
    a->SetSelected(true, true);
    Drag(a, {50, 30}, {{180, 150}, {190, 160}});   // two steps: +30,+20 then +10,+10
    EXPECT_EQ(a->pos(), QPoint(140, 130));
    EXPECT_EQ(b->pos(), QPoint(340, 130));
    EXPECT_EQ(c->pos(), QPoint(140, 280));
    EXPECT_TRUE(a->Selected && b->Selected && c->Selected);
    EXPECT_TRUE(frame->Modified);
    EXPECT_EQ(Screen->ScreenCursor(), crDefault);
}

TEST_F(DesignObjectTest, ALockedObjectCannotBeMovedOrResizedByMouse)
{
    c->SetLocked(true);
    Drag(c, {25, 25}, {{200, 300}});
    Drag(c, {48, 48}, {{300, 350}});
    EXPECT_EQ(Geometry(c), QRect(100, 250, 50, 50));
    EXPECT_FALSE(frame->Modified);
    // Hovering shows the window's cursor, not a sizing cursor.
    Move(c, {1, 1}, Qt::NoButton);
    EXPECT_EQ(c->Cursor(), crArrow);
    Move(a, {1, 1}, Qt::NoButton);
    EXPECT_EQ(a->Cursor(), crSizeNWSE);
}

TEST_F(DesignObjectTest, SelectionByClicks)
{
    // A click selects alone.
    b->SetSelected(true, true);
    Drag(a, {50, 30}, {});
    EXPECT_TRUE(a->Selected);
    EXPECT_FALSE(b->Selected);

    // With two or more selected, a click on another one adds it.
    b->SetSelected(true, true);
    Drag(c, {25, 25}, {});
    EXPECT_TRUE(a->Selected && b->Selected && c->Selected);

    // Shift-click on a selected object deselects it and nothing else happens.
    Drag(b, {40, 20}, {{350, 150}}, Qt::ShiftModifier);
    EXPECT_FALSE(b->Selected);
    EXPECT_EQ(b->pos(), QPoint(300, 100));
    EXPECT_TRUE(a->Selected && c->Selected);

    // Shift-click on an unselected object with one selected adds it.
    c->SetSelected(false, false);
    Drag(b, {40, 20}, {}, Qt::ShiftModifier);
    EXPECT_TRUE(a->Selected && b->Selected);

    // A right press leaves the selection as it is.
    Press(c, {25, 25}, Qt::RightButton);
    Release(c, {25, 25}, Qt::RightButton);
    EXPECT_TRUE(a->Selected && b->Selected);
    EXPECT_FALSE(c->Selected);
    EXPECT_FALSE(frame->Modified);
}

TEST_F(DesignObjectTest, APressWithACreationToolStartsTheBandInTheWindow)
{
    frame->Tool = ToolRect;
    frame->SetToolCursor(CreationToolCursor);
    frame->FormMouseMove(nullptr, 0, 10, 10);   // the window takes the tool's cursor
    EXPECT_EQ(frame->Cursor(), CreationToolCursor);
    Move(a, {10, 10}, Qt::NoButton);
    EXPECT_EQ(a->Cursor(), CreationToolCursor);
    Press(a, {10, 20});
    EXPECT_TRUE(frame->Dragging);
    EXPECT_EQ(frame->BandStart, TPoint(110, 120));
    EXPECT_EQ(a->DragState, DragNone);
    EXPECT_FALSE(a->Selected);
    Move(a, {60, 50});
    EXPECT_EQ(frame->BandCurrent, TPoint(160, 150));
    Release(a, {20, 20});   // a band of (110,120)-(120,120): no height, nothing made
    EXPECT_FALSE(frame->Dragging);
    EXPECT_EQ(frame->ObjectCount(), 3);
}

TEST_F(DesignObjectTest, LockingDisablesAllButPropertiesAndLocked)
{
    a->LockedItemClick();
    EXPECT_TRUE(a->Locked);
    TObjectMenu* menu = a->PopupMenu();
    EXPECT_TRUE(menu->LockedItem->isChecked());
    for (QAction* item : menu->actions()) {
        const bool keep = item == menu->PropertiesItem || item == menu->LockedItem;
        EXPECT_EQ(item->isEnabled(), keep) << item->text().toStdString();
    }
    // The menu shows each object's own state; unlocking through the open menu updates it.
    EXPECT_TRUE(b->PopupMenu()->CutItem->isEnabled());
    EXPECT_FALSE(b->PopupMenu()->LockedItem->isChecked());
    menu = a->PopupMenu();
    menu->LockedItem->trigger();
    EXPECT_FALSE(a->Locked);
    EXPECT_FALSE(menu->LockedItem->isChecked());
    for (QAction* item : menu->actions())
        EXPECT_TRUE(item->isEnabled());
}

TEST_F(DesignObjectTest, OneMenuForTheWindowMadeWhenFirstAskedFor)
{
    // Objects carry no menu of their own, and the window makes its menu only when asked.
    EXPECT_EQ(frame->ObjectPopupMenu(false), nullptr);
    EXPECT_TRUE(a->findChildren<QMenu*>().isEmpty());
    TObjectMenu* menu = a->PopupMenu();
    EXPECT_EQ(b->PopupMenu(), menu);
    EXPECT_EQ(frame->ObjectPopupMenu(false), menu);
    EXPECT_EQ(menu->Target(), b);

    // Its commands act on the object it was filled for.
    frame->SetModified(false);
    a->PopupMenu()->MaxSizeItem->trigger();
    EXPECT_EQ(Geometry(a).width(), 2 * frame->HalfWidth);
    EXPECT_NE(Geometry(b).width(), 2 * frame->HalfWidth);
    b->PopupMenu()->SendToBackItem->trigger();
    EXPECT_EQ(frame->Objects().front(), b);

    // An object that is gone leaves the menu without a target, and its items do nothing.
    menu = c->PopupMenu();
    QAction* front = menu->BringToFrontItem;
    delete c;
    c = nullptr;
    EXPECT_EQ(menu->Target(), nullptr);
    front->trigger();
    EXPECT_EQ(frame->ObjectCount(), 2);
}

TEST_F(DesignObjectTest, PopupCommands)
{
    // Opening the menu selects the object alone.
    b->SetSelected(true, false);
    a->PopupMenuPopup();
    EXPECT_TRUE(a->Selected);
    EXPECT_FALSE(b->Selected);

    // Copy changes nothing in the document.
    a->CopyItemClick();
    EXPECT_FALSE(frame->Modified);

    // Max Size: the paper area, centred on the paper.
    a->MaxSizeItemClick();
    EXPECT_EQ(Geometry(a), QRect(frame->PaperCentre.X - frame->HalfWidth, frame->PaperCentre.Y - frame->HalfHeight,
                                 2 * frame->HalfWidth, 2 * frame->HalfHeight));
    EXPECT_TRUE(frame->Modified);

    // Order.
    a->BringToFrontItemClick();
    EXPECT_EQ(frame->Objects().back(), a);
    a->SendToBackItemClick();
    EXPECT_EQ(frame->Objects().front(), a);

    // Properties and double click open the kind's dialog.
    a->PropertiesItemClick();
    a->DblClick();
    EXPECT_EQ(a->propertyRuns, 2);

    // Delete takes the selected unlocked objects.
    frame->SetModified(false);
    c->SetSelected(true, true);
    c->SetLocked(true);
    a->DeleteItemClick();
    EXPECT_EQ(frame->ObjectCount(), 2);
    EXPECT_TRUE(frame->Modified);
    EXPECT_EQ(frame->Objects().front(), b);
}

TEST_F(DesignObjectTest, CaptionsComeFromTheStringTable)
{
    TObjectMenu* menu = a->PopupMenu();
    EXPECT_EQ(menu->PropertiesItem->text(), BuiltinString(ObjectPropertiesItemString));
    EXPECT_EQ(menu->MaxSizeItem->statusTip(), BuiltinString(1008));
    EXPECT_EQ(menu->CutItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    EXPECT_EQ(menu->DeleteItem->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(menu->LockedItem->text(), BuiltinString(ObjectLockedItemString));
    EXPECT_EQ(menu->actions().size(), 11);
}

TEST_F(DesignObjectTest, NameFieldNeverOverflowsAndLongNamesStayWhole)
{
    const QString longName = QStringLiteral("CElips_1234_23_59_59_extra");
    const QByteArray field = ObjectNameField(longName);
    ASSERT_EQ(field.size(), 20);
    EXPECT_EQ(QByteArray(field.constData()), longName.toLatin1().left(19));
    EXPECT_EQ(field.at(19), '\0');

    // Two objects whose names agree in their first 19 characters are still told apart.
    a->SetName(longName);
    b->SetName(longName.left(19) + QStringLiteral("_other"));
    EXPECT_EQ(a->Name(), longName);
    b->SetSelected(true, true);
    a->SetSelected(true, false);
    EXPECT_TRUE(a->Selected);
    EXPECT_FALSE(b->Selected);
}

TEST_F(DesignObjectTest, CommandBlocksWithoutSenderMatchByName)
{
    a->SetSelected(true, true);
    b->SetSelected(true, true);
    char block[28] = {};
    std::strcpy(block, "A");
    const int32_t d[2] = {5, -7};
    std::memcpy(block + 20, d, 8);
    COPYDATASTRUCT cds;
    cds.dwData = ocMoveSelection;
    cds.cbData = 28;
    cds.lpData = block;
    frame->Dispatch(WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&cds));
    EXPECT_EQ(a->pos(), QPoint(100, 100));
    EXPECT_EQ(b->pos(), QPoint(305, 93));
    EXPECT_TRUE(frame->Modified);

    // A short block for code 6 and a block shorter than the name field are ignored.
    frame->SetModified(false);
    cds.cbData = 20;
    frame->Dispatch(WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&cds));
    cds.dwData = ocChanged;
    cds.cbData = 4;
    frame->Dispatch(WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&cds));
    EXPECT_EQ(b->pos(), QPoint(305, 93));
    EXPECT_FALSE(frame->Modified);
}

TEST_F(DesignObjectTest, DeleteSelectsTheObjectBelowTheLowestDeleted)
{
    auto* d = AddObject(frame, QStringLiteral("D"), 10, 10, 20, 20);
    auto* e = AddObject(frame, QStringLiteral("E"), 40, 10, 20, 20);
    auto* f = AddObject(frame, QStringLiteral("F"), 70, 10, 20, 20);
    // Indices 2 and 4 of a, b, c, d, e, f.
    c->SetSelected(true, true);
    e->SetSelected(true, true);
    frame->DeleteSelected();
    EXPECT_EQ(frame->Objects(), (std::vector<CDesignObject*>{a, b, d, f}));
    EXPECT_TRUE(b->Selected);
    EXPECT_FALSE(a->Selected || d->Selected || f->Selected);

    // With index 0 among them, the new first object is selected.
    a->SetSelected(true, true);
    frame->DeleteSelected();
    EXPECT_EQ(frame->Objects().front(), d);
    EXPECT_TRUE(d->Selected);

    // Only locked ones selected: nothing goes and the selection stays.
    f->SetLocked(true);
    f->SetSelected(true, false);
    frame->DeleteSelected();
    EXPECT_EQ(frame->ObjectCount(), 2);
    EXPECT_TRUE(f->Selected);
}

} // namespace

TEST_F(DesignObjectTest, ThePageKeepsCountNamesAndSelectionAsObjectsChange)
{
    TPageWidget* page = frame->Page;
    auto names = [&](std::initializer_list<const char*> list) {
        std::vector<bool> found;
        for (const char* n : list)
            found.push_back(HasObjectNamed(*frame, QString::fromLatin1(n)));
        return found;
    };
    EXPECT_EQ(frame->ObjectCount(), 3);
    EXPECT_EQ(names({"A", "B", "C", "D"}), (std::vector<bool>{true, true, true, false}));

    // Renaming, two objects of one name, and an object leaving for another window.
    a->SetName(QStringLiteral("D"));
    b->setObjectName(QStringLiteral("D"));
    EXPECT_EQ(names({"A", "B", "C", "D"}), (std::vector<bool>{false, false, true, true}));
    b->SetName(QStringLiteral("B"));
    EXPECT_TRUE(HasObjectNamed(*frame, QStringLiteral("D")));   // a still has it
    TChildFrame* other = Make(1);
    c->SetParent(other);
    EXPECT_EQ(frame->ObjectCount(), 2);
    EXPECT_EQ(other->ObjectCount(), 1);
    EXPECT_FALSE(HasObjectNamed(*frame, QStringLiteral("C")));
    EXPECT_TRUE(HasObjectNamed(*other, QStringLiteral("C")));

    // An object made on the page counts from its construction, and is selected as made.
    auto* e = new PlainObject(frame);
    EXPECT_EQ(frame->ObjectCount(), 3);
    EXPECT_EQ(page->SelectedObjects(), std::vector<CDesignObject*>{e});
    a->SetSelected(true, true);
    b->SetSelected(true, false);   // alone: the others go
    EXPECT_EQ(page->SelectedObjects(), std::vector<CDesignObject*>{b});
    EXPECT_FALSE(a->Selected);
    EXPECT_FALSE(e->Selected);

    delete b;
    EXPECT_TRUE(page->SelectedObjects().empty());
    EXPECT_EQ(frame->ObjectCount(), 2);
    frame->SelectAll();
    EXPECT_EQ(page->SelectedObjects().size(), 2u);
}

TEST_F(DesignObjectTest, TensOfThousandsOfObjectsPaintAndTakeTheMouseInTheirOrder)
{
    // Far more objects than nested widgets could ever be painted with.
    constexpr int count = 30000;
    std::vector<PlainObject*> many;
    for (int i = 0; i < count; ++i)
        many.push_back(
            AddObject(frame, QStringLiteral("M%1").arg(i), 400 + i % 150, 20 + (i / 150) % 150, 20, 20));
    const QImage shot = frame->Page->grab().toImage();
    EXPECT_EQ(shot.pixelColor(410, 30), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(60, 60), ColorToQColor(frame->Color()));

    // The last one made lies on top and takes the click; the window selects it alone.
    PlainObject* top = many.back();
    b->SetSelected(true, false);
    Press(frame->Page, top->pos() + QPoint(10, 10));
    Release(frame->Page, top->pos() + QPoint(10, 10));
    EXPECT_TRUE(top->Selected);
    EXPECT_FALSE(b->Selected);
    EXPECT_EQ(frame->ObjectCount(), count + 3);
}
