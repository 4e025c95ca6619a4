#pragma once
// The side-bar list controls: TCustomSBListViewEx paints a background (colour, gradient, or a
// bitmap centred, stretched or tiled); TSBVertListView stacks its items in one column with a
// fixed spacing, tracks the item under the mouse, scrolls with two scroll buttons and the
// wheel, and lets items be dragged within and between such lists (move, or copy with Ctrl).
#include "bars/image_list.h"
#include "bars/sb_common.h"
#include "bars/sb_scroll.h"
#include "platform/bitmap.h"

#include <QByteArray>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>


class TSBVertListView;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TScrollButtonsPos { spTopAndBottom, spTop, spBottom };
enum TSelectionType { stStandard, stExpanded };

class TCustomSBListViewEx : public QWidget {
    Q_OBJECT
public:
    explicit TCustomSBListViewEx(QWidget* parent = nullptr);
    ~TCustomSBListViewEx() override;

    const TBitmap& Background() const { return *m_background; }
    virtual void SetBackground(const TBitmap& value);
    TBackgroundModeGlobal BackgroundMode() const { return m_backgroundMode; }
    virtual void SetBackgroundMode(TBackgroundModeGlobal value);
    TColor GradientBeginColor() const { return m_gradientBegin; }
    virtual void SetGradientBeginColor(TColor value);
    TColor GradientEndColor() const { return m_gradientEnd; }
    virtual void SetGradientEndColor(TColor value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    bool BorderSingle() const { return m_borderSingle; }
    void SetBorderSingle(bool value);

    // Paints the background into r (grown by one pixel right and bottom).
    virtual void DrawBackGround(TCanvas& canvas, const TRect& r);

protected:
    // Drawn after the items (the drop-place marker of the vertical list).
    virtual void LastPaint(TCanvas& canvas);
    virtual void PaintItems(TCanvas& canvas, const TRect& update);
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool m_destroying = false;

private:
    std::unique_ptr<TBitmap> m_background;
    TBackgroundModeGlobal m_backgroundMode = bkmNone;
    TColor m_gradientBegin = clBlue;
    TColor m_gradientEnd = clBlack;
    TColor m_color = clWindow;
    bool m_borderSingle = true;
};

class TSBVertListItem {
public:
    explicit TSBVertListItem(TSBVertListView* owner) : m_owner(owner) {}
    ~TSBVertListItem();
    TSBVertListView* Owner() const { return m_owner; }
    int Index() const;

    QString Caption;
    QVariant Data;
    int ImageIndex = -1;
    int OverlayIndex = -1;
    int StateIndex = -1;
    QStringList SubItems;
    QString FileName;
    QString Parameters;
    TNotifyEvent OnClick;

    int HotTrackIndex() const { return m_hotTrackIndex; }
    void SetHotTrackIndex(int value);
    int SelectedIndex() const { return m_selectedIndex; }
    void SetSelectedIndex(int value);
    bool Selected() const;
    void SetSelected(bool value);
    void MakeVisible(bool partialOK);
    // Calls OnClick with the list as sender.
    void DoClick();

private:
    friend class TSBVertListView;
    TSBVertListView* m_owner;
    int m_hotTrackIndex = -1;
    int m_selectedIndex = -1;
    int m_layoutY = 0; // top in the unscrolled column
};

using TListItemEvent = std::function<void(QObject* sender, TSBVertListItem* item)>;
using TExecuteItemEvent = std::function<void(QObject* sender, TSBVertListItem* item, bool& processed)>;
using TPopupMenuEvent = std::function<void(QObject* sender, TSBVertListItem* item, QMenu*& popupMenu)>;
using TBeforeMouseDownEvent = std::function<void(QObject* sender, int x, int y)>;

// What an item drag carries to the list it is dropped on: the source list and item, named by
// this process's id, the list's serial number and the item's index.
struct TSBItemDragData {
    qint64 processId = 0;
    quint32 listSerial = 0;
    qint32 itemIndex = -1;
    bool copy = false;
};
// The private MIME type of an item drag.
QString SBItemDragMimeType();
QByteArray EncodeItemDragData(const TSBItemDragData& data);
// A drag payload is outside data (another program may offer the same type): none for anything
// that is not exactly one well-formed record.
std::optional<TSBItemDragData> DecodeItemDragData(const QByteArray& bytes);

class TSBVertListView : public TCustomSBListViewEx {
    Q_OBJECT
public:
    explicit TSBVertListView(QWidget* parent = nullptr);
    ~TSBVertListView() override;

    // ---- items ----
    int Count() const { return int(m_items.size()); }
    TSBVertListItem* Item(int index) const;
    int IndexOf(const TSBVertListItem* item) const;
    TSBVertListItem* Add();
    TSBVertListItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TSBVertListItem* AddShortcut(const QString& caption, const QString& fileName, const QString& parameters);
    static void AssignItem(TSBVertListItem* dest, const TSBVertListItem* source);

    // ---- properties ----
    // The control's own font object: changing its character set re-lays out the items.
    class TListFont {
    public:
        explicit TListFont(TSBVertListView* owner) : m_owner(owner) {}
        int Charset() const;
        void SetCharset(int charset);
        QFont Font() const;
        TSBVertListView* Owner() const { return m_owner; }

    private:
        TSBVertListView* m_owner;
    };
    TListFont GetFont() { return TListFont(this); }
    void SetFont(const QFont& value);
    int ReAlignCount() const { return m_reAlignCount; }

    bool DragEnabled() const { return m_dragEnabled; }
    virtual void SetDragEnabled(bool value);
    TColor DragPlaceColor() const { return m_dragPlaceColor; }
    virtual void SetDragPlaceColor(TColor value);
    TColor HighlightColor() const { return m_highlightColor; }
    virtual void SetHighlightColor(TColor value);
    TColor HighlightFontColor() const { return m_highlightFontColor; }
    virtual void SetHighlightFontColor(TColor value);
    bool HighlightSelection() const { return m_highlightSelection; }
    virtual void SetHighlightSelection(bool value);
    int ItemSpace() const { return m_itemSpace; }
    void SetItemSpace(int value);
    TScrollButtonsPos ScrollButtonsPos() const { return m_scrollButtonsPos; }
    virtual void SetScrollButtonsPos(TScrollButtonsPos value);
    TSelectionType SelectionType() const { return m_selectionType; }
    virtual void SetSelectionType(TSelectionType value);
    bool SunkSelected() const { return m_sunkSelected; }
    virtual void SetSunkSelected(bool value);
    bool UseDblClick() const { return m_useDblClick; }
    virtual void SetUseDblClick(bool value);
    TViewStyle GetViewStyle() const { return m_viewStyle; }
    void SetViewStyle(TViewStyle value);
    int WrapLineCount() const { return m_wrapLineCount; }
    virtual void SetWrapLineCount(int value);
    TImageList* LargeImages() const { return m_largeImages; }
    void SetLargeImages(TImageList* value);
    TImageList* SmallImages() const { return m_smallImages; }
    void SetSmallImages(TImageList* value);
    QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* value) { m_popupMenu = value; }
    TSBVersion Version() const { return SideBarVersion(); }

    TSBVertListItem* GetSelectedItem() const;
    void SetSelectedItem(TSBVertListItem* item);
    TSBVertListItem* GetTopItem() const;
    TSBVertListItem* HotItem() const { return m_hotItem; }
    TSBVertListItem* PressedItem() const { return m_pressedItem; }
    QMenu* GetPopupMenu();

    // ---- geometry (client coordinates, after scrolling) ----
    TRect IconRect(const TSBVertListItem* item) const;
    TRect LabelRect(const TSBVertListItem* item) const;
    TRect BoundsRect(const TSBVertListItem* item) const;
    // The rectangle the hover and selection frames are drawn on.
    TRect GrowItemRect(const TSBVertListItem* item) const;
    TSBVertListItem* HitTest(int x, int y) const;
    int TopMargin() const { return m_itemSpace / 2; }
    int ScrollOffset() const { return m_scrollY; }
    void ReAlignItems();

    // ---- scrolling ----
    bool IsScrollUp() const;
    bool IsScrollDown() const;
    void ScrollUp();
    void ScrollDown();
    void ScrollBy(int lines);
    // Scrolls the items by dy pixels (positive: the content moves up).
    void Scroll(int dx, int dy);
    void EnsureVisible(TSBVertListItem* item);
    TSBScrollButton* UpButton() const { return m_upButton; }
    TSBScrollButton* DownButton() const { return m_downButton; }

    // ---- mouse (client coordinates); the Qt events come here ----
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y);
    void MouseMove(Qt::KeyboardModifiers mods, int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);
    void DblClick(Qt::MouseButton button, int x, int y);
    void WheelDelta(int delta);
    void MouseLeave();
    // Escape, the right button, deactivation and cancel-mode end a drag without a drop.
    void CancelDrag();

    // ---- dragging ----
    bool Dragging() const { return m_dragging; }
    bool CopyDrag() const { return m_copyDrag; }
    void SetCopyDrag(bool copy);
    TSBVertListView* DropTarget() const { return m_dropTarget; }
    int DropPlace() const { return m_dropPlace; }
    // -1 outside the client area; 0 without items; the index of the first item that starts
    // below y; -1 on an item; after the last item the count when that item shows whole.
    int GetDragPlace(int x, int y) const;
    // As a target: whether a drag of data, with the pointer at (x, y), may drop here; notes the
    // drop place.
    bool AcceptItemDrag(const TSBItemDragData& data, int x, int y);
    // Drops data at the noted place: the copy is inserted there, and on a move the source item
    // leaves its list only once its copy exists. false when nothing was dropped.
    bool DropItem(const TSBItemDragData& data);
    void ClearDropPlace();
    // The y of the drop-place line for place.
    int DropPlaceY(int place) const;
    // The list of this process with that serial, if it still exists.
    static TSBVertListView* ListBySerial(quint32 serial);
    quint32 Serial() const { return m_serial; }

    // ---- events ----
    TNotifyEvent OnAfterScroll;
    TNotifyEvent OnBeforeScroll;
    TBeforeMouseDownEvent OnBeforeMouseDown;
    TListItemEvent OnButtonClick;
    TListItemEvent OnHotTrackItem;
    TExecuteItemEvent OnExecuteItem;
    TPopupMenuEvent OnPopupMenu;
    TNotifyEvent OnDblClick;
    std::function<void(QObject* sender, QObject* target)> OnEndDrag;
    std::function<void(QObject* sender, TSBVertListItem* item, bool selected)> OnSelectItem;

    virtual bool DoExecuteItem(TSBVertListItem* item);
    virtual void DoButtonClick(TSBVertListItem* item);
    virtual void DoHotTrackItem(TSBVertListItem* item);
    virtual QMenu* DoPopupMenu(TSBVertListItem* item);
    virtual void SelectedItemChanged() {}

    // Runs a shortcut item's file; tests replace it.
    static std::function<bool(const QString& file, const QString& parameters)> ShellOpen;

protected:
    void LastPaint(TCanvas& canvas) override;
    void PaintItems(TCanvas& canvas, const TRect& update) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void leaveEvent(QEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void changeEvent(QEvent*) override;
    bool event(QEvent*) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dragLeaveEvent(QDragLeaveEvent*) override;
    void dropEvent(QDropEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

private:
    friend class TSBVertListItem;
    friend class TSBDragKeyFilter;
    QSize ImageSize() const;
    int LineHeight() const;
    int LabelHeight(const TSBVertListItem* item) const;
    void UpdateScrollButtons();
    void SetHotItem(TSBVertListItem* item);
    void UpdateHotItem(int x, int y);
    void ItemRemoved(TSBVertListItem* item);
    void SelectionChanged(TSBVertListItem* item, bool selected);
    void StartDrag(Qt::KeyboardModifiers mods);
    void DragTo(const QPoint& global);
    void EndDrag(bool cancelled);
    void DoEndDrag(TSBVertListView* target);
    TSBVertListView* ListAt(const QPoint& global) const;
    void DragScrollTick();
    void HoverCheck();

    std::vector<std::unique_ptr<TSBVertListItem>> m_items;
    QFont m_fontCache;
    TSBScrollButton* m_downButton = nullptr;
    TSBScrollButton* m_upButton = nullptr;
    QTimer m_scrollTimer;
    QTimer m_hoverTimer;

    bool m_dragEnabled = true;
    TColor m_dragPlaceColor = clBlack;
    TColor m_highlightColor = clBtnFace;
    TColor m_highlightFontColor = clBlack;
    bool m_highlightSelection = false;
    int m_itemSpace = 10;
    TScrollButtonsPos m_scrollButtonsPos = spTopAndBottom;
    TSelectionType m_selectionType = stStandard;
    bool m_sunkSelected = false;
    bool m_useDblClick = false;
    TViewStyle m_viewStyle = vsIcon;
    int m_wrapLineCount = 1;
    QPointer<TImageList> m_largeImages;
    QPointer<TImageList> m_smallImages;
    QPointer<QMenu> m_popupMenu;

    TSBVertListItem* m_hotItem = nullptr;
    TSBVertListItem* m_pressedItem = nullptr;
    TSBVertListItem* m_selectedItem = nullptr;
    TSBVertListItem* m_previousSelected = nullptr;
    bool m_mouseDown = false;
    bool m_dragging = false;
    bool m_copyDrag = false;
    bool m_dragAccepted = false;
    bool m_cancelled = false;
    QPointer<TSBVertListView> m_dropTarget;
    int m_dropPlace = -1;
    QPoint m_dragStart;
    QPoint m_lastGlobal;
    int m_editCount = 0;
    int m_wheelRemainder = 0;
    int m_scrollY = 0;
    int m_reAlignCount = 0;
    quint32 m_serial;
    QPointer<QWidget> m_overTarget;
    QPointer<TSBVertListView> m_scrollSource; // the list whose drag scrolls this target
};
