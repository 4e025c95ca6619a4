#pragma once
// The base of every object a label document holds. Objects are windowless controls of their
// document window's page (TChildFrame::Page); the page's list of controls is the z-order and the
// only list of a document's objects.
#include "platform/graphic_control.h"
#include "platform/graphics.h"

#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class TChildFrame;
class TPageWidget;
class CDesignObject;

// The popup menu of the design objects: one per document window, made the first time an object
// of the window asks for it and filled for that object each time, so that objects carry no menu
// and no shortcuts of their own. Objects outside a window make one of their own when asked.
class TObjectMenu : public QMenu {
    Q_OBJECT
public:
    explicit TObjectMenu(QWidget* parent);

    // Fills the menu for object: its kind's items, captions in the current language and its
    // lock state. The previous object's items go.
    void Prepare(CDesignObject* object);
    // The object the menu is filled for; nullptr once that object is gone.
    CDesignObject* Target() const { return m_target; }
    // Adds an item that runs command. freesTarget: the command may free the object with the
    // menu's item, so it runs after the menu has finished with the click.
    QAction* AddItem(const char* name, std::function<void()> command, bool freesTarget = false);

    // The common items, and the picture's own two (nullptr for other kinds).
    QAction *PropertiesItem = nullptr, *BringToFrontItem = nullptr, *SendToBackItem = nullptr,
            *DeleteItem = nullptr, *MaxSizeItem = nullptr, *CutItem = nullptr, *CopyItem = nullptr,
            *LockedItem = nullptr;
    QAction *EditItem = nullptr, *SizeItem = nullptr;

private:
    QPointer<CDesignObject> m_target;
};

// Mouse buttons and shift state of the mouse and key events.
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
constexpr TShiftState ssShift = 0x01;
constexpr TShiftState ssAlt = 0x02;
constexpr TShiftState ssCtrl = 0x04;
constexpr TShiftState ssLeft = 0x08;
constexpr TShiftState ssRight = 0x10;
constexpr TShiftState ssMiddle = 0x20;
constexpr TShiftState ssDouble = 0x40;

// Cursor number 2, registered by the main window from "SELECTION": the cursor of every
// creation tool.
constexpr int CreationToolCursor = 2;

// Object command codes of ObjectNotify (dwData of the WM_COPYDATA to the document window).
enum TObjectCommand : int {
    ocSelectAlone = 0,
    ocNone = 1,
    ocMaxSize = 2,
    ocCut = 3,
    ocCopy = 4,
    ocDelete = 5,
    ocMoveSelection = 6,
    ocChanged = 7,
};

// Size of the name field of the command block; the block is 20 bytes, 28 for code 6.
constexpr int ObjectNameFieldSize = 20;
constexpr int ObjectCommandBlockSize = 20;
constexpr int ObjectMoveBlockSize = 28;

// The name as the command block carries it: code-page bytes, cut to at most 19 bytes without
// splitting a character, then NUL-filled to 20 bytes.
QByteArray ObjectNameField(const QString& name);

// What a press on an object grabbed: nothing, its body (move) or one of its eight handles.
// The values are stored in DragState.
enum TDragZone : uint8_t {
    DragNone = 0,
    DragMove = 1,
    DragLeft = 2,
    DragRight = 3,
    DragTop = 4,
    DragBottom = 5,
    DragTopLeft = 6,
    DragTopRight = 7,
    DragBottomLeft = 8,
    DragBottomRight = 9,
};

// Position and size of an object as the property dialogs show them, in tenths of a millimetre
// relative to the paper's top-left corner.
struct TObjectBoxes {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    friend bool operator==(const TObjectBoxes&, const TObjectBoxes&) = default;
};

class CDesignObject : public TGraphicControl {
    Q_OBJECT
public:
    // owner: the document window or its page (the object becomes a child of the page), or
    // nullptr for an object that is placed later with SetParent.
    explicit CDesignObject(QWidget* owner = nullptr);
    ~CDesignObject() override;

    // ---- fields ----
    float Zoom = 1.0f;             // the window's zoom percent x 0.01
    TDragZone DragState = DragNone; // what the current drag moves or resizes
    TPoint GrabPoint;              // press position inside the object
    bool Selected = true;
    bool Changed = false;          // moved or resized during the current drag
    bool Locked = false;           // published property; set through SetLocked
    int32_t AnchorRight = 0, AnchorLeft = 0, AnchorTop = 0, AnchorBottom = 0;
    int32_t HandleSize = 6;
    // Drawing surface of Paint and DrawHandles, attached during a paint event. Its pen, brush
    // and font persist between paints; the brush starts clear.
    TCanvas Canvas;

    // ---- virtual operations ----
    // Draws the object on Canvas at the window's zoom.
    virtual void Paint() = 0;
    virtual void SetSize(int width, int height);
    // Opens the kind's property dialog.
    virtual void EditProperties() = 0;
    // Draws the object for printing, preview and export at position, scaled by scale.
    virtual void DrawTo(TCanvas& canvas, QPoint position, float scale) = 0;
    // Popup-menu captions and hints in the current interface language, when the menu is filled
    // for this object.
    virtual void LoadCaptions();
    // Adds the kind's items to an emptied popup menu.
    virtual void FillPopupMenu(TObjectMenu& menu);
    // The eight blue handles, when selected and not locked.
    virtual void DrawHandles();
    // The four corner handles in one colour (labels and pictures in ratio mode use them).
    void DrawCornerHandles(TColor color);

    // ---- framework event methods ----
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DblClick();

    // ---- popup menu ----
    // The window's object menu, filled for this object.
    TObjectMenu* PopupMenu();
    // The menu when it is filled for this object, else nullptr (nothing is made).
    TObjectMenu* ShownMenu() const;
    // The check mark of LockedItem and the items a lock disables.
    void ShowLockState(TObjectMenu& menu) const;

    // ---- selection and lock ----
    void SetSelected(bool select, bool extend);
    bool IsSelected() const { return Selected; }
    void SetLocked(bool locked);

    // ---- command message ----
    // Sends command code to the document window synchronously (wParam = this object, block
    // = the name field, and for code 6 dx, dy). Without a document window nothing happens.
    void ObjectNotify(int code, int dx = 0, int dy = 0);

    // ---- menu handlers ----
    void PopupMenuPopup();
    void LockedItemClick();
    void MaxSizeItemClick();
    void DeleteItemClick();
    void CutItemClick();
    void CopyItemClick();
    void BringToFrontItemClick();
    void SendToBackItemClick();
    void PropertiesItemClick();

    // ---- geometry in the page's pixels ----
    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    void SetBounds(int left, int top, int width, int height);
    // Puts the object on the page of a document window (or on a page widget) and shows it.
    void SetParent(QWidget* parent);
    // The page of the document window the object lies on, nullptr when none.
    TPageWidget* Page() const;

    // Cursor numbers of the screen's cursor table (platform/cursors.h).
    int Cursor() const { return m_cursor; }
    void SetCursor(int cursor);

    // Position and size as last typed in a property dialog; kept beside the pixels, neither
    // stored nor copied.
    const std::optional<TObjectBoxes>& TypedBoxes() const { return m_typedBoxes; }
    void SetTypedBoxes(const TObjectBoxes& boxes) { m_typedBoxes = boxes; }

    // The object's component name.
    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    // The document window the object lies on, nullptr when none.
    TChildFrame* Frame() const;

    // Hit zone of a point in object coordinates: a handle, or DragMove elsewhere.
    TDragZone HitZone(int x, int y) const;
    // Cursor number the handle of a zone shows (crSizeNWSE ...), crDefault for the move zone.
    static int ZoneCursor(TDragZone zone);

protected:
    void PaintControl(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The parent window's cursor number (crDefault without a window).
    int ParentCursor() const;
    void Press(QMouseEvent* event, TShiftState extra);
    // The menu this object uses: its window's, or one of its own outside a window.
    TObjectMenu* MenuHost(bool make) const;
    int m_cursor = 0;
    mutable std::unique_ptr<TObjectMenu> m_ownMenu;
    std::optional<TObjectBoxes> m_typedBoxes;
};

// Helpers for the events of the object and the window.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
bool MouseButtonOf(Qt::MouseButton qtButton, TMouseButton& button);
