#include "document/design_object.h"

#include "document/child_frame.h"
#include "document/std.h"
#include "platform/codepage.h"
#include "platform/cursors.h"
#include "platform/message_box.h"

#include <QContextMenuEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <cstring>

namespace {

// The page an object goes on when it is given a document window (or a page) as owner.
TControlHost* PageOf(QWidget* owner)
{
    if (auto* frame = qobject_cast<TChildFrame*>(owner))
        return frame->Page;
    return qobject_cast<TControlHost*>(owner);
}

} // namespace

// ---- the object menu ----

TObjectMenu::TObjectMenu(QWidget* parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("PopupMenu"));
    connect(this, &QMenu::aboutToShow, this, [this] {
        if (m_target)
            Application->Guard([this] { m_target->PopupMenuPopup(); });
    });
}

void TObjectMenu::Prepare(CDesignObject* object)
{
    clear();
    PropertiesItem = BringToFrontItem = SendToBackItem = DeleteItem = MaxSizeItem = CutItem = CopyItem =
        LockedItem = EditItem = SizeItem = nullptr;
    m_target = object;
    if (!object)
        return;
    object->FillPopupMenu(*this);
    object->LoadCaptions();
    object->ShowLockState(*this);
}

QAction* TObjectMenu::AddItem(const char* name, std::function<void()> command, bool freesTarget)
{
    QAction* a = addAction(QString());
    a->setObjectName(QLatin1String(name));
    // Bound to the target: a command of an object that is gone does not run.
    connect(a, &QAction::triggered, m_target.data(), [command] { Application->Guard([&] { command(); }); },
            freesTarget ? Qt::QueuedConnection : Qt::AutoConnection);
    return a;
}

QByteArray ObjectNameField(const QString& name)
{
    QByteArray field(ObjectNameFieldSize, '\0');
    WriteFixedField(field.data(), size_t(ObjectNameFieldSize), name);
    return field;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool MouseButtonOf(Qt::MouseButton qtButton, TMouseButton& button)
{
    switch (qtButton) {
    case Qt::LeftButton: button = mbLeft; return true;
    case Qt::RightButton: button = mbRight; return true;
    case Qt::MiddleButton: button = mbMiddle; return true;
    default: return false;
    }
}

CDesignObject::CDesignObject(QWidget* owner) : TGraphicControl(nullptr)
{
    resize(100, 60);
    Selected = true;
    Locked = false;
    HandleSize = 6;
    Canvas.Brush.Style = bsClear;
    connect(this, &QObject::objectNameChanged, this, [this] {
        if (TPageWidget* page = Page())
            page->ObjectRenamed(this);
    });
    // Placed once whole, so that the page counts a design object.
    SetHost(PageOf(owner));
}

CDesignObject::~CDesignObject()
{
    // The page forgets the object while it still is one.
    if (TPageWidget* page = Page())
        page->ObjectRemoved(this);
}

TPageWidget* CDesignObject::Page() const
{
    return qobject_cast<TPageWidget*>(Host());
}

TObjectMenu* CDesignObject::MenuHost(bool make) const
{
    if (TChildFrame* f = Frame())
        return f->ObjectPopupMenu(make);
    if (!m_ownMenu && make)
        m_ownMenu = std::make_unique<TObjectMenu>(nullptr);
    return m_ownMenu.get();
}

TObjectMenu* CDesignObject::PopupMenu()
{
    TObjectMenu* menu = MenuHost(true);
    menu->Prepare(this);
    return menu;
}

TObjectMenu* CDesignObject::ShownMenu() const
{
    TObjectMenu* menu = MenuHost(false);
    return menu && menu->Target() == this ? menu : nullptr;
}

void CDesignObject::FillPopupMenu(TObjectMenu& menu)
{
    menu.PropertiesItem = menu.AddItem("PropertiesItem", [this] { PropertiesItemClick(); });
    menu.addSeparator();
    menu.BringToFrontItem = menu.AddItem("BringToFrontItem", [this] { BringToFrontItemClick(); });
    menu.SendToBackItem = menu.AddItem("SendToBackItem", [this] { SendToBackItemClick(); });
    menu.addSeparator();
    menu.CutItem = menu.AddItem("CutItem", [this] { CutItemClick(); }, true);
    menu.CopyItem = menu.AddItem("CopyItem", [this] { CopyItemClick(); });
    menu.DeleteItem = menu.AddItem("DeleteItem", [this] { DeleteItemClick(); }, true);
    menu.addSeparator();
    menu.LockedItem = menu.AddItem("LockedItem", [this] { LockedItemClick(); });
    menu.LockedItem->setCheckable(true);
    menu.MaxSizeItem = menu.AddItem("MaxSizeItem", [this] { MaxSizeItemClick(); });
}

void CDesignObject::ShowLockState(TObjectMenu& menu) const
{
    if (menu.LockedItem)
        menu.LockedItem->setChecked(Locked);
    const QString keep1 = LoadLangStr(ObjectPropertiesItemString), keep2 = LoadLangStr(ObjectLockedItemString);
    for (QAction* a : menu.actions()) {
        if (Locked)
            a->setEnabled(!a->isSeparator() && (a->text() == keep1 || a->text() == keep2));
        else
            a->setEnabled(true);
    }
}

void CDesignObject::SetSize(int width, int height)
{
    resize(width, height);
}

void CDesignObject::LoadCaptions()
{
    TObjectMenu* menu = ShownMenu();
    if (!menu)
        return;
    struct Row {
        QAction* item;
        int caption, hint, shortcut;
    };
    const Row rows[] = {
        {menu->PropertiesItem, 1000, 1001, 1002}, {menu->BringToFrontItem, 1003, 1006, 0},
        {menu->SendToBackItem, 1004, 1007, 0},    {menu->CutItem, 706, 715, 707},
        {menu->CopyItem, 704, 714, 705},          {menu->DeleteItem, 708, 716, 709},
        {menu->LockedItem, 507, 0, 0},            {menu->MaxSizeItem, 1005, 1008, 0},
    };
    for (const Row& r : rows) {
        if (!r.item)
            continue;
        r.item->setText(LoadLangStr(r.caption));
        r.item->setStatusTip(r.hint ? LoadLangStr(r.hint) : QString());
        if (r.shortcut) {
            // Shown in the menu only: the window's own commands answer the keys.
            r.item->setShortcut(QKeySequence(LoadLangStr(r.shortcut)));
            r.item->setShortcutContext(Qt::WidgetShortcut);
        }
    }
}

void CDesignObject::DrawHandles()
{
    if (!Selected || Locked)
        return;
    const TBrush saved = Canvas.Brush;
    Canvas.Brush.Style = bsSolid;
    Canvas.Brush.Color = clBlue;
    const int h = HandleSize, W = width(), H = height();
    const TRect squares[] = {
        {0, 0, h, h},
        {0, (H - h) / 2, h, (H + h) / 2},
        {0, H - h, h, H},
        {(W - h) / 2, 0, (W + h) / 2, h},
        {(W - h) / 2, H - h, (W + h) / 2, H},
        {W - h, 0, W, h},
        {W - h, (H - h) / 2, W, (H + h) / 2},
        {W - h, H - h, W, H},
    };
    for (const TRect& r : squares)
        Canvas.FillRect(r);
    Canvas.Brush = saved;
}

TDragZone CDesignObject::HitZone(int x, int y) const
{
    const int h = HandleSize, W = width(), H = height();
    const bool left = 0 < x && x < h;
    const bool right = W - h < x && x < W;
    const bool top = 0 < y && y < h;
    const bool bottom = H - h < y && y < H;
    const bool midX = (W - h) / 2 < x && x < (W + h) / 2;
    const bool midY = (H - h) / 2 < y && y < (H + h) / 2;
    if (left && top)
        return DragTopLeft;
    if (right && top)
        return DragTopRight;
    if (right && bottom)
        return DragBottomRight;
    if (left && bottom)
        return DragBottomLeft;
    if (left && midY)
        return DragLeft;
    if (right && midY)
        return DragRight;
    if (midX && top)
        return DragTop;
    if (midX && bottom)
        return DragBottom;
    return DragMove;
}

int CDesignObject::ZoneCursor(TDragZone zone)
{
    switch (zone) {
    case DragTopLeft: case DragBottomRight: return crSizeNWSE;
    case DragTopRight: case DragBottomLeft: return crSizeNESW;
    case DragLeft: case DragRight: return crSizeWE;
    case DragTop: case DragBottom: return crSizeNS;
    default: return crDefault;
    }
}

TChildFrame* CDesignObject::Frame() const
{
    TPageWidget* page = Page();
    return page ? page->Frame() : nullptr;
}

int CDesignObject::ParentCursor() const
{
    if (TChildFrame* f = Frame())
        return f->Cursor();
    return crDefault;
}

void CDesignObject::SetCursor(int cursor)
{
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    if (cursor == crDefault)
        unsetCursor();
    else
        setCursor(Screen->Cursor(cursor));
}

void CDesignObject::SetLeft(int left) { move(left, y()); }
void CDesignObject::SetTop(int top) { move(x(), top); }
void CDesignObject::SetWidth(int w) { resize(w, height()); }
void CDesignObject::SetHeight(int h) { resize(width(), h); }

void CDesignObject::SetBounds(int left, int top, int w, int h)
{
    setGeometry(left, top, std::max(w, 0), std::max(h, 0));
}

void CDesignObject::SetParent(QWidget* parent)
{
    SetHost(PageOf(parent));
}

void CDesignObject::SetSelected(bool select, bool extend)
{
    update();
    if (select) {
        Selected = true;
        if (TPageWidget* page = Page())
            page->ObjectSelected(this);
        if (!extend)
            ObjectNotify(ocSelectAlone);
    } else {
        Selected = false;
    }
}

void CDesignObject::SetLocked(bool locked)
{
    Locked = locked;
    // A menu filled later shows the state when it is filled.
    if (TObjectMenu* menu = ShownMenu())
        ShowLockState(*menu);
    update();
}

void CDesignObject::ObjectNotify(int code, int dx, int dy)
{
    TChildFrame* frame = Frame();
    if (!frame)
        return;
    char block[ObjectMoveBlockSize] = {};
    const QByteArray name = ObjectNameField(objectName());
    std::memcpy(block, name.constData(), ObjectNameFieldSize);
    COPYDATASTRUCT cds;
    cds.dwData = uintptr_t(code);
    cds.cbData = ObjectCommandBlockSize;
    if (code == ocMoveSelection) {
        const int32_t d[2] = {int32_t(dx), int32_t(dy)};
        for (int i = 0; i < 2; ++i)
            for (int b = 0; b < 4; ++b)
                block[ObjectNameFieldSize + 4 * i + b] = char((uint32_t(d[i]) >> (8 * b)) & 0xFF);
        cds.cbData = ObjectMoveBlockSize;
    }
    cds.lpData = block;
    frame->Dispatch(WM_COPYDATA, reinterpret_cast<uintptr_t>(this), reinterpret_cast<intptr_t>(&cds));
}

// ---- menu handlers ----

void CDesignObject::PopupMenuPopup() { SetSelected(true, false); }

void CDesignObject::LockedItemClick()
{
    SetLocked(!Locked);
}

void CDesignObject::MaxSizeItemClick() { ObjectNotify(ocMaxSize); }
void CDesignObject::DeleteItemClick() { ObjectNotify(ocDelete); }
void CDesignObject::CutItemClick() { ObjectNotify(ocCut); }
void CDesignObject::CopyItemClick() { ObjectNotify(ocCopy); }
void CDesignObject::BringToFrontItemClick() { raise(); }
void CDesignObject::SendToBackItemClick() { lower(); }
void CDesignObject::PropertiesItemClick() { EditProperties(); }

// ---- mouse ----

void CDesignObject::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    int selectedCount = 0;
    if (TPageWidget* page = Page())
        selectedCount = int(page->SelectedObjects().size());
    else if (TControlHost* host = Host())
        for (TGraphicControl* c : host->Controls())
            if (auto* o = qobject_cast<CDesignObject*>(c); o && o->Selected)
                ++selectedCount;

    if (Selected && (shift & ssShift)) {
        SetSelected(false, false);
        return;
    }
    const bool dbl = shift & ssDouble;
    if (button == mbLeft && !dbl && ParentCursor() == crArrow && !Locked) {
        if (selectedCount > 1)
            SetSelected(true, true);
        else
            SetSelected(true, shift & ssShift);
        GrabPoint = TPoint(x, y);
        AnchorRight = Left() + Width();
        AnchorLeft = Left();
        AnchorTop = Top();
        AnchorBottom = Top() + Height();
        DragState = HitZone(x, y);
        if (DragState == DragMove)
            Screen->SetScreenCursor(crDrag);
    }
    if (m_cursor == CreationToolCursor && !dbl)
        if (TChildFrame* f = Frame())
            f->FormMouseDown(nullptr, button, shift, x + Left(), y + Top());
}

void CDesignObject::MouseMove(TShiftState shift, int x, int y)
{
    TChildFrame* f = Frame();
    if (f)
        f->FormMouseMove(nullptr, shift, x + Left(), y + Top());

    if (DragState == DragNone) {
        const int parentCursor = ParentCursor();
        int cursor = parentCursor;
        if (parentCursor == crArrow && !Locked) {
            const int zone = ZoneCursor(HitZone(x, y));
            if (zone != crDefault)
                cursor = zone;
        }
        SetCursor(cursor);
        return;
    }
    if (DragState == DragMove) {
        const int dx = x - GrabPoint.X, dy = y - GrabPoint.Y;
        move(Left() + dx, Top() + dy);
        ObjectNotify(ocMoveSelection, dx, dy);
        Changed = true;
        return;
    }

    // Resizing: the dragged edge follows the pointer, the opposite edge stays at its anchor;
    // past the anchor the object flips to its other side. Never smaller than one handle.
    const int h = std::max(HandleSize, 1);
    int left = Left(), top = Top(), w = Width(), ht = Height();
    const int px = Left() + x, py = Top() + y;
    const TDragZone zone = DragState;
    const bool leftEdge = zone == DragLeft || zone == DragTopLeft || zone == DragBottomLeft;
    const bool rightEdge = zone == DragRight || zone == DragTopRight || zone == DragBottomRight;
    const bool topEdge = zone == DragTop || zone == DragTopLeft || zone == DragTopRight;
    const bool bottomEdge = zone == DragBottom || zone == DragBottomLeft || zone == DragBottomRight;
    if (leftEdge) {
        if (px > AnchorRight) {
            left = AnchorRight;
            w = std::max(px - AnchorRight, h);
        } else {
            w = std::max(AnchorRight - px, h);
            left = AnchorRight - w;
        }
    } else if (rightEdge) {
        if (px >= AnchorLeft) {
            left = AnchorLeft;
            w = std::max(px - AnchorLeft, h);
        } else {
            w = std::max(AnchorLeft - px, h);
            left = AnchorLeft - w;
        }
    }
    if (topEdge) {
        if (py > AnchorBottom) {
            top = AnchorBottom;
            ht = std::max(py - AnchorBottom, h);
        } else {
            ht = std::max(AnchorBottom - py, h);
            top = AnchorBottom - ht;
        }
    } else if (bottomEdge) {
        if (py < AnchorTop) {
            ht = std::max(AnchorTop - py, h);
            top = AnchorTop - ht;
        } else {
            top = AnchorTop;
            ht = std::max(py - AnchorTop, h);
        }
    }
    setGeometry(left, top, w, ht);
    Changed = true;
}

void CDesignObject::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button != mbLeft)
        return;
    const bool dbl = shift & ssDouble;
    if (m_cursor == CreationToolCursor && !dbl)
        if (TChildFrame* f = Frame())
            f->FormMouseUp(nullptr, button, shift, x + Left(), y + Top());
    DragState = DragNone;
    if (!dbl)
        update();
    if (Changed) {
        Changed = false;
        ObjectNotify(ocChanged);
    }
    Screen->SetScreenCursor(crDefault);
}

void CDesignObject::DblClick()
{
    EditProperties();
}

// ---- Qt events ----

void CDesignObject::PaintControl(QPainter& painter)
{
    Canvas.Attach(&painter);
    Application->Guard([this] { Paint(); });
    Canvas.Detach();
}

void CDesignObject::mousePressEvent(QMouseEvent* event)
{
    Press(event, 0);
}

void CDesignObject::Press(QMouseEvent* event, TShiftState extra)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons()) | extra;
    Application->Guard([&] { MouseDown(button, shift, p.x(), p.y()); });
}

void CDesignObject::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    Application->Guard([&] { MouseMove(shift, p.x(), p.y()); });
}

void CDesignObject::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    Application->Guard([&] { MouseUp(button, shift, p.x(), p.y()); });
}

void CDesignObject::mouseDoubleClickEvent(QMouseEvent* event)
{
    // As the framework does: the double click first, then a press marked as double.
    QPointer<CDesignObject> self(this);
    if (event->button() == Qt::LeftButton)
        Application->Guard([this] { DblClick(); });
    if (self)
        Press(event, ssDouble);
}

bool CDesignObject::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu()->popup(event->globalPos());
    return true;
}

void CDesignObject::DrawCornerHandles(TColor color)
{
    const TBrush saved = Canvas.Brush;
    Canvas.Brush.Style = bsSolid;
    Canvas.Brush.Color = color;
    const int s = HandleSize, W = Width(), H = Height();
    Canvas.FillRect(TRect(0, 0, s, s));
    Canvas.FillRect(TRect(0, H - s, s, H));
    Canvas.FillRect(TRect(W - s, 0, W, s));
    Canvas.FillRect(TRect(W - s, H - s, W, H));
    Canvas.Brush = saved;
}
