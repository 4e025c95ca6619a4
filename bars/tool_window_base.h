#pragma once
// TCustomToolWindowX: the common base of toolbars and tool windows. Docked on a TDockX it draws a
// raised frame with a drag handle round its client area; floating it lives in a frameless
// top-level TFloatingWindowParent and draws its own frame, small caption and close button. The
// frame is a margin painted by the control, and presses on it start the drag and sizing loops.
#include "bars/dock.h"
#include "bars/dock_bar_common.h"

#include <QPointer>
#include <QWidget>
#include <functional>

enum TDragHandleStyle { dhDouble, dhNone, dhSingle };
enum TToolWindowDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TToolWindowFloatingMode { fmOnTopOfParentForm, fmOnTopOfAllForms };
enum TToolWindowSizeHandle {
    twshLeft,
    twshRight,
    twshTop,
    twshTopLeft,
    twshTopRight,
    twshBottom,
    twshBottomLeft,
    twshBottomRight
};
enum TToolWindowBorderStyle { bsNone, bsSingle };
using TDockableTo = unsigned; // bit (1 << TDockPosition) per position
constexpr TDockableTo DockableToAll = 0xF;
constexpr TDockableTo DockableBit(TDockPosition p)
{
    return 1u << unsigned(p);
}

struct TToolWindowParams {
    bool CallAlignControls = true; // lay children out with the framework's alignment
    bool ResizeEightCorner = true; // corners of the floating frame size both ways
    bool ResizeClipCursor = true;  // keep the cursor in the work area while sizing
};

// Position data of one window: read and write by value name.
using TReadIntFn = std::function<int(const QString& value, int def)>;
using TWriteIntFn = std::function<void(const QString& value, int data)>;

class TCustomToolWindowX;

// The frameless top-level window a floating tool window lives in.
class TFloatingWindowParent : public QWidget {
    Q_OBJECT
public:
    explicit TFloatingWindowParent(QWidget* parentForm);
    QWidget* ParentForm() const { return m_parentForm; }
    bool ShouldShow = false;
    // Shows the window when ShouldShow, hides it otherwise, never activating it.
    void ApplyShowing();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QWidget> m_parentForm;
};

// The outermost form of a tool window (the floating parent's form while floating); none when
// there is none, or EInvalidOperation "Control '%s' has no parent window" from the Valid one.
QWidget* GetToolWindowParentForm(const TCustomToolWindowX* toolWindow);
QWidget* ValidToolWindowParentForm(const TCustomToolWindowX* toolWindow);

class TCustomToolWindowX : public QWidget {
    Q_OBJECT
public:
    explicit TCustomToolWindowX(QWidget* parent = nullptr);
    ~TCustomToolWindowX() override;

    // Properties.
    bool ActivateParent = true;
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    bool CloseButton() const { return m_closeButton; }
    void SetCloseButton(bool value);
    bool CloseButtonWhenDocked() const { return m_closeButtonWhenDocked; }
    void SetCloseButtonWhenDocked(bool value);
    TToolWindowBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TToolWindowBorderStyle style);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TDockX* DefaultDock() const { return m_defaultDock; }
    void SetDefaultDock(TDockX* dock) { m_defaultDock = dock; }
    TDockableTo DockableTo = DockableToAll;
    TDockX* DockedTo() const { return m_docked ? m_dockedTo.data() : nullptr; }
    // nullptr floats the window on its form.
    void SetDockedTo(TDockX* dock);
    TToolWindowDockMode DockMode = dmCanFloat;
    int DockPos() const { return m_dockPos; }
    void SetDockPos(int pos);
    int DockRow() const { return m_dockRow; }
    void SetDockRow(int row);
    TDragHandleStyle DragHandleStyle() const { return m_dragHandleStyle; }
    void SetDragHandleStyle(TDragHandleStyle style);
    TToolWindowFloatingMode FloatingMode() const { return m_floatingMode; }
    void SetFloatingMode(TToolWindowFloatingMode mode);
    bool FullSize() const { return m_fullSize; }
    void SetFullSize(bool value);
    bool HideWhenInactive() const { return m_hideWhenInactive; }
    void SetHideWhenInactive(bool value);
    TDockX* LastDock() const { return m_lastDock; }
    void SetLastDock(TDockX* dock);
    bool ShowCaption() const { return m_showCaption; }
    void SetShowCaption(bool value);
    bool UseLastDock() const { return m_useLastDock; }
    void SetUseLastDock(bool value);
    bool Resizable() const { return m_resizable; }
    void SetResizable(bool value);
    QString Version() const { return QString::fromLatin1(DockBarsVersion); }

    // Events.
    std::function<void(TCustomToolWindowX*)> OnClose;
    std::function<void(TCustomToolWindowX*, bool& canClose)> OnCloseQuery;
    std::function<void(TCustomToolWindowX*)> OnDockChanged;
    std::function<void(TCustomToolWindowX*)> OnDockChanging;
    std::function<void(TCustomToolWindowX*, TDockX* dockingTo)> OnDockChangingEx;
    std::function<void(TCustomToolWindowX*)> OnMove;
    std::function<void(TCustomToolWindowX*)> OnResize;
    std::function<void(TCustomToolWindowX*)> OnVisibleChanged;

    // The docking switch: a TDockX docks, a form floats; anything else raises EInvalidOperation.
    void SetParent(QWidget* parent);
    bool Docked() const { return m_docked; }
    TFloatingWindowParent* FloatingParent() const { return m_floatParent; }
    // Floating top-left corner in screen coordinates.
    QPoint FloatingPosition() const { return m_floatingPosition; }
    void SetFloatingPosition(const QPoint& p);
    // Floating only: pulls the window into the work area of its monitor (only when no part of it
    // shows, with onlyIfFullyOffscreen).
    void MoveOnScreen(bool onlyIfFullyOffscreen);
    // Whether the window would show now (floating: its form shown, the application active...).
    // applicationActive: whether the program is active, when the caller knows it better than
    // the application's state does (during the change itself); -1 asks.
    bool ShouldBeShown(int applicationActive = -1) const;
    void UpdateVisibility(int applicationActive = -1);

    void BeginUpdate();
    void EndUpdate();
    void ArrangeControls();
    void CustomArrangeControls(TDockType previousDockType, TDockX* dockingTo, bool resize);
    // Bounds set by the dock or the window itself: no SizeChanging.
    void SetBoundsQuiet(const QRect& r);
    // Bounds as a user or caller sets them.
    void SetBounds(const QRect& r);
    int GetDockRowSize();

    // The frame: margins of the client area, docked on dock or floating (dock nullptr).
    QMargins NonClientFor(const TDockX* dock) const;
    QMargins NonClient() const { return NonClientFor(DockedTo()); }
    QRect ClientRect() const { return rect().marginsRemoved(NonClient()); }
    int DragHandleSize() const;
    static int FloatingFrameSize(bool resizable) { return resizable ? 4 : 3; }
    // Parts of the frame, in the window's coordinates.
    QRect CaptionRect() const;
    QRect CloseButtonRect() const;
    // A press there, floating: the size handle of the frame, or -1.
    int SizeHandleAt(const QPoint& p) const;

    // What the descendants supply.
    virtual void GetBarSize(int& size, TDockType dockType) = 0;
    // The size across a dock the bar keeps however small its form: its size unless it shares
    // the form's room.
    virtual void GetLeastBarSize(int& size, TDockType dockType) { GetBarSize(size, dockType); }
    virtual void GetMinimumSize(int& clientWidth, int& clientHeight) = 0;
    // Client size for the target; children are placed only with canMoveControls.
    virtual QSize OrderControls(bool canMoveControls, TDockType previousDockType, TDockX* dockingTo) = 0;
    virtual void SizeChanging(int width, int height) {}
    virtual void GetParams(TToolWindowParams& params) const {}
    virtual bool ChildControlTransparent(QWidget* child) const { return false; }
    virtual void InitializeOrdering() {}
    virtual void ResizeBegin(TToolWindowSizeHandle handle) {}
    virtual void ResizeTrack(QRect& rect, const QRect& origRect) {}
    virtual void ResizeEnd(bool accept) {}
    virtual void ReadPositionData(const TReadIntFn& read) {}
    virtual void WritePositionData(const TWriteIntFn& write) {}
    virtual void DoneReadingPositionData() {}

    // Other forms whose docks take this window in the drag loop, after its own form's.
    void AddDockForm(QWidget* form);
    void RemoveDockForm(QWidget* form);
    // The registered forms that still live, in the order they were added.
    std::vector<QWidget*> DockForms() const;

    // The loops (run by presses on the frame); true when the user accepted.
    bool BeginMoving(const QPoint& grabGlobal);
    bool BeginSizing(TToolWindowSizeHandle handle, const QPoint& startGlobal);

    // Every floating tool window of the process.
    static const std::vector<TCustomToolWindowX*>& FloatingToolWindows();
    // Creation order of tool windows, the order positions are saved and loaded in.
    quint64 CreationSerial() const { return m_serial; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    // Paints the frame and the client background; descendants paint on top.
    virtual void PaintNonClient(QPainter& p);
    void FrameChanged();

private:
    friend class TDockX;
    void DockedPaint(QPainter& p);
    void FloatingPaint(QPainter& p);
    void EnterFloatingList(bool floating);
    void DoubleClickToggle();

    QString m_caption;
    bool m_closeButton = true;
    bool m_closeButtonWhenDocked = false;
    TToolWindowBorderStyle m_borderStyle = bsSingle;
    TColor m_color = clBtnFace;
    QPointer<TDockX> m_defaultDock;
    QPointer<TDockX> m_dockedTo;
    QPointer<TDockX> m_lastDock;
    bool m_docked = false;
    int m_dockPos = -1;
    int m_dockRow = 0;
    TDragHandleStyle m_dragHandleStyle = dhDouble;
    TToolWindowFloatingMode m_floatingMode = fmOnTopOfParentForm;
    bool m_fullSize = false;
    bool m_hideWhenInactive = true;
    bool m_showCaption = true;
    bool m_useLastDock = true;
    bool m_resizable = true;
    TFloatingWindowParent* m_floatParent = nullptr;
    QPoint m_floatingPosition;
    int m_updateCount = 0;
    bool m_arrangeNeeded = false;
    int m_disableSizeChanging = 0;
    int m_hidden = 0; // re-parenting in progress
    bool m_lastDockTypeSet = false;
    TDockType m_lastDockType = dtNotDocked;
    bool m_closePressed = false;
    bool m_closeTracking = false;
    bool m_destroying = false;
    quint64 m_serial = 0;
    std::vector<QPointer<QWidget>> m_dockForms;
};
