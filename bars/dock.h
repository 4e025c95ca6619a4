#pragma once
// TDockX: the strip along one edge of a form that holds docked toolbars and tool windows in rows,
// and TAlignLayout, which lines a form's docks up along its edges round the client control.
#include "bars/dock_arrangement.h"
#include "platform/bitmap.h"
#include "platform/graphics.h"

#include <QImage>
#include <QLayout>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class TCustomToolWindowX;

enum TDockPosition { dpTop, dpBottom, dpLeft, dpRight };
enum TDockType { dtNotDocked, dtTopBottom, dtLeftRight };
enum TDockBoundLinesValues { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
using TDockBoundLines = unsigned;

inline constexpr char DockBarsVersion[] = "DockBars version 1.78";

class TDockX;
TDockType GetDockTypeOf(const TDockX* dock);

// Framework-style alignment of a form's controls: top ones first, then bottom, left, right, and
// the client control in the room that is left. Top and bottom controls keep their height, left
// and right ones their width.
class TAlignLayout : public QLayout {
public:
    enum TAlign { alTop, alBottom, alLeft, alRight, alClient };
    explicit TAlignLayout(QWidget* parent);
    ~TAlignLayout() override;
    void AddControl(QWidget* w, TAlign align);
    void SetAlign(QWidget* w, TAlign align);
    // Lays the controls out now.
    void Realign();

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& r) override;

private:
    std::vector<std::pair<QLayoutItem*, TAlign>> m_items;
};

class TDockX : public QWidget {
    Q_OBJECT
public:
    // A parent that is a tool window or another dock raises EInvalidOperation.
    explicit TDockX(QWidget* parent = nullptr, TDockPosition position = dpTop);
    ~TDockX() override;

    // Raises EInvalidOperation for a tool window or another dock.
    void SetParent(QWidget* parent);

    bool AllowDrag() const { return m_allowDrag; }
    void SetAllowDrag(bool value);
    // Tiled under the dock (and its bars, with BackgroundOnToolbars); assigning copies it.
    const TBitmap& Background() const { return m_background; }
    void SetBackground(const TBitmap& bitmap);
    bool BackgroundOnToolbars() const { return m_backgroundOnToolbars; }
    void SetBackgroundOnToolbars(bool value);
    // The background's colour at its bottom-left pixel shows as Color.
    bool BackgroundTransparent() const { return m_backgroundTransparent; }
    void SetBackgroundTransparent(bool value);
    QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }
    TDockBoundLines BoundLines() const { return m_boundLines; }
    void SetBoundLines(TDockBoundLines lines);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    bool FixAlign() const { return m_fixAlign; }
    void SetFixAlign(bool value);
    bool LimitToOneRow() const { return m_limitToOneRow; }
    void SetLimitToOneRow(bool value);
    TDockPosition Position() const { return m_position; }
    // Raises EInvalidOperation when the dock already holds controls.
    void SetPosition(TDockPosition position);
    QString Version() const { return QString::fromLatin1(DockBarsVersion); }

    std::function<void(TDockX* sender, bool inserting, TCustomToolWindowX* bar)> OnInsertRemoveBar;
    std::function<void(TDockX* sender, TCustomToolWindowX* bar, bool& accept)> OnRequestDock;
    std::function<void(TDockX* sender)> OnResize;

    void BeginUpdate();
    void EndUpdate();
    // Lays the bars out; with clipPositions their DockPos takes the clipped positions.
    void ArrangeToolbars(bool clipPositions = false);
    // The shown bars (backs GetToolbarCount/GetToolbars).
    int GetToolbarCount() const { return int(m_visibleList.size()); }
    TCustomToolWindowX* GetToolbars(int index) const { return m_visibleList.at(size_t(index)); }
    // Every bar that belongs to the dock, docked or floating with the dock as its last one.
    const std::vector<TCustomToolWindowX*>& DockList() const { return m_dockList; }

    // Row helpers used by the bars and the drag loop.
    std::vector<int> BuildRowInfo() const;
    // The thickness across the dock were every bar as narrow as a small form would make it.
    int LeastThickness() const;
    int GetRowSize(int row, TCustomToolWindowX* defaultBar) const;
    TDockRowHit GetRowOf(int coord) const;
    void InsertRowBefore(int row);
    int GetNumberOfToolbarsOnRow(int row, const TCustomToolWindowX* notIncluding) const;
    int GetHighestRow() const;

    // The background has pixels.
    bool UsingBackground() const;
    // Tiles the background from drawRect's top-left until drawRect is covered, inside
    // intersectClip and outside excludeClip (when not empty).
    void DrawBackground(QPainter& p, const QRect& intersectClip, const QRect& excludeClip,
                        const QRect& drawRect) const;
    // The rectangle to tile w (the dock or one of its bars) with, in w's coordinates: it starts
    // where the dock's parent starts, give or take whole tiles, and covers w.
    QRect BackgroundRectFor(const QWidget* w) const;
    // Repaints the dock and every bar shown on it.
    void InvalidateBackgrounds();

    // Pixels taken by bound lines: left/top, and the sums across and along.
    QMargins NonClient() const;
    QRect ClientRect() const { return rect().marginsRemoved(NonClient()); }

    // Bar bookkeeping, called by the bars.
    void AddToDockList(TCustomToolWindowX* bar);
    void RemoveFromDockList(TCustomToolWindowX* bar);
    void UpdateVisibleList();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BackgroundChanged();
    const QImage& BackgroundTiles() const;
    void ChangeWidthHeight(int thickness);
    std::vector<int> RowSizes(bool least) const;
    bool BarShownHere(const TCustomToolWindowX* bar) const;

    TDockPosition m_position = dpTop;
    bool m_allowDrag = true;
    TBitmap m_background;
    bool m_backgroundOnToolbars = true;
    bool m_backgroundTransparent = false;
    // The background as drawn: with BackgroundTransparent, its transparent colour replaced by
    // Color. Made on demand.
    mutable QImage m_tiles;
    QPointer<QMenu> m_popupMenu;
    TDockBoundLines m_boundLines = 0;
    TColor m_color = clBtnFace;
    bool m_fixAlign = false;
    bool m_limitToOneRow = false;
    std::vector<TCustomToolWindowX*> m_dockList;
    std::vector<TCustomToolWindowX*> m_visibleList;
    int m_updateCount = 0;
    bool m_arrangeNeeded = false;
    bool m_commitPositions = false;
    bool m_arranging = false;
};
