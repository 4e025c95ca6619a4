#pragma once
// Windowless controls (TGraphicControl): lightweight children that are not widgets. Their parent
// (TControlHost) keeps them in one list, whose order is the z-order, paints them in that order,
// each clipped to its bounds and only where the paint region needs it, and routes the mouse to
// the topmost one under the pointer: capture while a button is held, its cursor, its hint.
// Controls wholly hidden behind opaque ones above them are not painted, so that piles of objects
// cost what shows rather than their number.
// A widget per control would cost Qt work per sibling on every paint, quadratic in their number.
#include <QCursor>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

class QContextMenuEvent;
class QMouseEvent;
class QPainter;
class TControlHost;

class TGraphicControl : public QObject {
    Q_OBJECT
public:
    // host: the parent that shows the control at once, or nullptr for one placed later.
    explicit TGraphicControl(TControlHost* host = nullptr);
    // Leaves its host.
    ~TGraphicControl() override;

    TControlHost* Host() const { return m_host; }
    // Moves the control to host, on top of its controls (nullptr: on none).
    void SetHost(TControlHost* host);
    QWidget* parentWidget() const;

    // ---- geometry in the parent's pixels (the part of QWidget's the controls use) ----
    int x() const { return m_rect.x(); }
    int y() const { return m_rect.y(); }
    int width() const { return m_rect.width(); }
    int height() const { return m_rect.height(); }
    QPoint pos() const { return m_rect.topLeft(); }
    QSize size() const { return m_rect.size(); }
    QRect rect() const { return QRect(QPoint(0, 0), m_rect.size()); }
    QRect geometry() const { return m_rect; }
    void move(int x, int y) { setGeometry(QRect(QPoint(x, y), m_rect.size())); }
    void move(QPoint p) { move(p.x(), p.y()); }
    void resize(int w, int h) { setGeometry(QRect(m_rect.topLeft(), QSize(w, h))); }
    void resize(QSize s) { resize(s.width(), s.height()); }
    void setGeometry(int x, int y, int w, int h) { setGeometry(QRect(x, y, w, h)); }
    void setGeometry(const QRect& r);
    QPoint mapToParent(QPoint p) const { return p + m_rect.topLeft(); }
    QPoint mapToGlobal(QPoint p) const;

    bool isVisible() const { return m_visible && m_host; }
    bool isHidden() const { return !m_visible; }
    void setVisible(bool visible);
    void show() { setVisible(true); }
    void hide() { setVisible(false); }

    // Repaints the control's area of the parent (all of it, or r in control pixels).
    void update();
    void update(const QRect& r);
    // Top or bottom of the parent's z-order.
    void raise();
    void lower();

    // The cursor over the control; without one the parent's own shows.
    void setCursor(const QCursor& cursor);
    void unsetCursor();
    const std::optional<QCursor>& ControlCursor() const { return m_cursor; }
    // The hint shown over the control.
    QString toolTip() const { return m_toolTip; }
    void setToolTip(const QString& hint) { m_toolTip = hint; }

    // The control drawn alone on the parent's background.
    QPixmap grab();

protected:
    friend class TControlHost;
    // Draws the control; painter's origin is the control's top-left, clipped to its bounds.
    virtual void PaintControl(QPainter& painter) = 0;
    // Mouse events, positions in control pixels.
    virtual void mousePressEvent(QMouseEvent*) {}
    virtual void mouseMoveEvent(QMouseEvent*) {}
    virtual void mouseReleaseEvent(QMouseEvent*) {}
    virtual void mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }
    // False passes the request on to the parent.
    virtual bool contextMenuEvent(QContextMenuEvent*) { return false; }
    // The pointer left the control.
    virtual void leaveEvent() {}
    // The control's bounds changed.
    virtual void GeometryChanged() {}
    // True when the control covers every pixel of its bounds whatever lies below: the parent
    // then leaves out the controls it hides wholly.
    virtual bool PaintsOpaque() const { return false; }

private:
    TControlHost* m_host = nullptr;
    size_t m_slot = 0; // index in the host's list
    QRect m_rect{0, 0, 100, 30};
    bool m_visible = true;
    std::optional<QCursor> m_cursor;
    QString m_toolTip;
};

// A widget holding windowless controls. It owns them: those still held when it goes are freed.
class TControlHost : public QWidget {
    Q_OBJECT
public:
    explicit TControlHost(QWidget* parent = nullptr);
    ~TControlHost() override;

    // The controls, back to front.
    const std::vector<TGraphicControl*>& Controls() const;
    int ControlCount() const { return int(m_controls.size() - m_holes); }
    // The topmost visible control containing p, or nullptr.
    TGraphicControl* ControlAt(QPoint p) const;
    // The control the mouse is captured by, or under the pointer.
    TGraphicControl* MouseControl() const;
    // The widget's own cursor, shown where no control has one.
    void SetOwnCursor(const QCursor& cursor);
    void UnsetOwnCursor();
    // Frees every control at once (the order of destruction is front to back).
    void DeleteControls();

protected:
    bool event(QEvent* event) override;
    // The control has just arrived, or is about to leave.
    virtual void ControlAdded(TGraphicControl*) {}
    virtual void ControlRemoved(TGraphicControl*) {}
    // Paints the controls that the region touches.
    void PaintControls(const QRegion& region);

private:
    friend class TGraphicControl;
    void Insert(TGraphicControl* control);
    void Remove(TGraphicControl* control);
    void Compact() const;
    void Invalidate(const QRect& r);
    bool RouteMouse(QMouseEvent* event);
    void ShowCursorOf(TGraphicControl* control);
    void ControlGone(TGraphicControl* control);

    // Holes (nullptr) stand where controls left until the next compaction.
    mutable std::vector<TGraphicControl*> m_controls;
    mutable size_t m_holes = 0;
    TGraphicControl* m_capture = nullptr;
    // The control that had the mouse went while a button was held.
    bool m_captureLost = false;
    // A button went down on the parent itself.
    bool m_ownCapture = false;
    TGraphicControl* m_hover = nullptr;
    std::optional<QCursor> m_ownCursor;
    // The controls of the paint under way and of any paint it runs inside; a control that goes
    // meanwhile becomes nullptr there.
    struct TPaintPass {
        std::vector<TGraphicControl*> controls;
        TPaintPass* outer = nullptr;
    };
    TPaintPass* m_paintPass = nullptr;
    // Areas made dirty since the last paint: many become one bounding rectangle, so that Qt's
    // dirty region never gathers thousands of rectangles.
    QRect m_dirtyBound;
    int m_dirtyCount = 0;
};
