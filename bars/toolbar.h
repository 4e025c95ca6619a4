#pragma once
// TToolbarX: a dockable tool window that lays its child controls out in a line (top to bottom
// on left and right docks), wrapping into several lines at a chosen width while floating, and
// TToolbarSepX, its separator. The layout itself is a pure function over item records.
#include "bars/tool_window_base.h"

#include <QSize>
#include <vector>

// One shown child of a toolbar, in layout order.
struct TToolbarItem {
    bool Separator = false;
    bool Blank = false; // separators: no etched line where it breaks a line
    int Width = 0, Height = 0;
    int SizeHorz = 6, SizeVert = 6; // separators
};

struct TToolbarLayoutInput {
    bool Floating = false;
    bool LeftRight = false; // docked on a left or right dock
    int FloatingWidth = 0;  // client width at which a floating toolbar wraps; 0 = one line
    int BarSize = 8;        // B: the bar's size across
    int CrossSize = 8;      // C: the row's size across (B, or the dock row's size)
};

struct TToolbarLineSeparator {
    int Y = 0;
    bool Blank = false;
};

struct TToolbarLayout {
    std::vector<TRect> Bounds; // per item, in client coordinates
    std::vector<TToolbarLineSeparator> LineSeparators;
    QSize ClientSize;
};

TToolbarLayout LayoutToolbar(const std::vector<TToolbarItem>& items, const TToolbarLayoutInput& input);
// The client sizes a floating toolbar can take (one line first, then every width at which the
// wrapping changes), without the frame.
std::vector<QSize> ToolbarPotentialSizes(const std::vector<TToolbarItem>& items, int barSize);

// Resize snapping: the size a floating toolbar takes while its frame is dragged.
struct TToolbarSizer {
    std::vector<QSize> Sizes; // window sizes, frame included
    bool Vertical = false;    // top or bottom handle: heights count
    QSize Current;
    int Threshold = 12;
    bool LeftBand = false; // the cursor has left the band round the current size once
    // Sorts the sizes and sets the threshold.
    void Begin();
    // distance: the cursor's distance from the fixed edge; returns the size to take.
    QSize Track(int distance);
};

class TToolbarSepX : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarSepX(QWidget* parent = nullptr);
    bool Blank() const { return m_blank; }
    void SetBlank(bool value);
    int SizeHorz() const { return m_sizeHorz; }
    void SetSizeHorz(int value);
    int SizeVert() const { return m_sizeVert; }
    void SetSizeVert(int value);
    // Raises EInvalidOperation for anything but a toolbar.
    void SetParent(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Rearrange();
    bool m_blank = false;
    int m_sizeHorz = 6, m_sizeVert = 6;
};

class TCustomToolbarX : public TCustomToolWindowX {
    Q_OBJECT
public:
    explicit TCustomToolbarX(QWidget* parent = nullptr);

    int FloatingWidth() const { return m_floatingWidth; }
    void SetFloatingWidth(int width);
    // Child controls in layout order (they join at the end when added).
    QList<QWidget*> OrderedControls() const;
    int GetOrderIndex(QWidget* control) const;
    void SetOrderIndex(QWidget* control, int index);
    // Of a pair only the one for the current orientation shows.
    void SetSlaveControl(QWidget* topBottom, QWidget* leftRight);
    const std::vector<TToolbarLineSeparator>& LineSeparators() const { return m_lineSeparators; }

    void GetBarSize(int& size, TDockType dockType) override;
    void GetMinimumSize(int& clientWidth, int& clientHeight) override;
    QSize OrderControls(bool canMoveControls, TDockType previousDockType, TDockX* dockingTo) override;
    void GetParams(TToolWindowParams& params) const override;
    bool ChildControlTransparent(QWidget* child) const override;
    void ResizeBegin(TToolWindowSizeHandle handle) override;
    void ResizeTrack(QRect& rect, const QRect& origRect) override;
    void ResizeEnd(bool accept) override;
    void ReadPositionData(const TReadIntFn& read) override;
    void WritePositionData(const TWriteIntFn& write) override;

protected:
    void childEvent(QChildEvent* event) override;
    void PaintNonClient(QPainter& p) override;

private:
    std::vector<TToolbarItem> Items(TDockType dockType, std::vector<QWidget*>& controls);
    bool ShouldControlBeVisible(QWidget* control, bool leftOrRight) const;

    int m_floatingWidth = 0;
    QList<QWidget*> m_order;
    std::vector<std::pair<QWidget*, QWidget*>> m_slaves; // (left/right, top/bottom)
    std::vector<TToolbarLineSeparator> m_lineSeparators;
    TToolbarSizer m_sizer;
    TToolWindowSizeHandle m_sizeHandle = twshRight;
    int m_newFloatingWidth = 0;
    bool m_sizing = false;
};

class TToolbarX : public TCustomToolbarX {
    Q_OBJECT
public:
    using TCustomToolbarX::TCustomToolbarX;
};
