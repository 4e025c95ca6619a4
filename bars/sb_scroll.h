#pragma once
// Two auto-repeating arrow controls: the transparent scroll bar (two arrow buttons, each shown
// only while the position can move its way) and the scroll button (one arrow or caption
// picture that fires OnSelect while held).
#include "bars/sb_common.h"

#include <QTimer>

class QPainter;
#include <QWidget>

enum TScrollBarKind { sbHorizontal, sbVertical };

class TCustomSBTranspScrollBar : public QWidget {
    Q_OBJECT
public:
    explicit TCustomSBTranspScrollBar(QWidget* parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);
    TScrollBarKind Kind() const { return m_kind; }
    void SetKind(TScrollBarKind value);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value) { InternalSetAutoSize(value); }
    int Frequency() const { return m_frequency; }
    void SetFrequency(int value);
    int Shift() const { return m_shift; }
    void SetShift(int value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TSBVersion Version() const { return SideBarVersion(); }

    // While loading, Kind and AutoSize are only stored; Loaded applies them.
    void BeginLoading() { m_loading = true; }
    void Loaded();

    TRect GetButtonRect(bool first) const;
    // One step of the held button; whether it stepped.
    bool DoPosition();
    int ButtonLength() const { return m_buttonLength; }
    bool HeldFirst() const { return m_heldFirst; }
    bool Holding() const { return m_holding; }
    bool DrawnPushed() const { return m_pushed; }
    bool TimerActive() const { return m_timer.isActive(); }
    // What a timer tick does (tests run it without waiting).
    void TimerTick();

    TNotifyEvent OnChange;

    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);

protected:
    void InternalSetAutoSize(bool value);
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    void ApplyAutoSize();
    bool OverHeld(int x, int y) const;
    void DrawButton(QPainter& p, bool first, bool pushed);

    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    TScrollBarKind m_kind = sbVertical;
    bool m_autoSize = true;
    int m_frequency = 100;
    int m_shift = 0;
    bool m_transparent = false;
    TColor m_color = clSilver;
    bool m_loading = false;
    int m_buttonLength = 16;
    QTimer m_timer;
    bool m_holding = false;
    bool m_heldFirst = true;
    bool m_pushed = false;
    QPoint m_mouse;
};

class TSBTranspScrollBar : public TCustomSBTranspScrollBar {
    Q_OBJECT
public:
    using TCustomSBTranspScrollBar::TCustomSBTranspScrollBar;
};

enum TSBScrollButtonStyle {
    dcsbs_ScrollDown,
    dcsbs_ScrollLeft,
    dcsbs_ScrollRight,
    dcsbs_ScrollUp,
    dcsbs_CaptionClose,
    dcsbs_CaptionHelp,
    dcsbs_CaptionMAX,
    dcsbs_CaptionMIN,
    dcsbs_CaptionRestore,
};

class TCustomSBScrollButton : public QWidget {
    Q_OBJECT
public:
    explicit TCustomSBScrollButton(QWidget* parent = nullptr);

    TSBScrollButtonStyle ButtonStyle() const { return m_style; }
    void SetButtonStyle(TSBScrollButtonStyle value);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value);
    int Frequency() const { return m_frequency; }
    void SetFrequency(int value);
    TSBVersion Version() const { return SideBarVersion(); }

    bool Pressed() const { return m_pressed; }
    bool TimerActive() const { return m_timer.isActive(); }
    // DrawFrameControl type and state for the style.
    void FrameControlOf(bool pushed, unsigned& type, unsigned& state) const;
    void TimerTick();

    TNotifyEvent OnSelect;

    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);

protected:
    virtual void DoOnSelect();
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    void StopRepeat();

    TSBScrollButtonStyle m_style = dcsbs_ScrollDown;
    bool m_autoSize = true;
    int m_frequency = 100;
    QTimer m_timer;
    bool m_pressed = false;
    bool m_captured = false;
    bool m_drawnPushed = false;
    QPoint m_mouse;
};

class TSBScrollButton : public TCustomSBScrollButton {
    Q_OBJECT
public:
    using TCustomSBScrollButton::TCustomSBScrollButton;
};
