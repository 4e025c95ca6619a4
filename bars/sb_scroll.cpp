#include "bars/sb_scroll.h"

#include "bars/frame_control.h"
#include "platform/system_metrics.h"

#include <QMouseEvent>
#include <QPainter>

// ---- transparent scroll bar ----

TCustomSBTranspScrollBar::TCustomSBTranspScrollBar(QWidget* parent)
    : QWidget(parent)
{
    m_timer.setInterval(m_frequency);
    connect(&m_timer, &QTimer::timeout, this, &TCustomSBTranspScrollBar::TimerTick);
    resize(100, 100);
    ApplyAutoSize();
}

void TCustomSBTranspScrollBar::SetPosition(int value)
{
    if (value == m_position || value < m_min || value > m_max)
        return;
    const int old = m_position;
    m_position = value;
    if (OnChange)
        OnChange(this);
    const auto inside = [this](int p) { return p > m_min && p < m_max; };
    // The buttons shown change only when an end is reached or left.
    if (!(inside(old) && inside(value)))
        update();
}

void TCustomSBTranspScrollBar::SetMax(int value)
{
    m_max = value;
    if (m_min > m_max)
        m_min = m_max;
    // Through SetPosition, so that OnChange reports the moved position.
    if (m_position > m_max)
        SetPosition(m_max);
    update();
}

void TCustomSBTranspScrollBar::SetMin(int value)
{
    m_min = std::min(value, m_max);
    if (m_position < m_min)
        SetPosition(m_min);
    update();
}

void TCustomSBTranspScrollBar::SetKind(TScrollBarKind value)
{
    if (value == m_kind)
        return;
    m_kind = value;
    if (m_loading)
        return;
    setGeometry(geometry());
    ApplyAutoSize();
    update();
}

void TCustomSBTranspScrollBar::InternalSetAutoSize(bool value)
{
    if (value == m_autoSize)
        return;
    m_autoSize = value;
    if (m_loading)
        return;
    ApplyAutoSize();
    update();
}

void TCustomSBTranspScrollBar::Loaded()
{
    m_loading = false;
    ApplyAutoSize();
    update();
}

void TCustomSBTranspScrollBar::SetFrequency(int value)
{
    if (value < 1)
        return;
    m_frequency = value;
    m_timer.setInterval(value);
}

void TCustomSBTranspScrollBar::SetShift(int value)
{
    if (value == m_shift)
        return;
    m_shift = value;
    update();
}

void TCustomSBTranspScrollBar::SetTransparent(bool value)
{
    if (value == m_transparent)
        return;
    m_transparent = value;
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    update();
}

void TCustomSBTranspScrollBar::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
}

void TCustomSBTranspScrollBar::ApplyAutoSize()
{
    if (m_kind == sbVertical) {
        m_buttonLength = GetSystemMetrics(SM_CYVSCROLL);
        if (m_autoSize && width() != GetSystemMetrics(SM_CXVSCROLL))
            resize(GetSystemMetrics(SM_CXVSCROLL), height());
    } else {
        m_buttonLength = GetSystemMetrics(SM_CXHSCROLL);
        if (m_autoSize && height() != GetSystemMetrics(SM_CYHSCROLL))
            resize(width(), GetSystemMetrics(SM_CYHSCROLL));
    }
}

TRect TCustomSBTranspScrollBar::GetButtonRect(bool first) const
{
    const int w = width(), h = height();
    const int total = m_kind == sbVertical ? h : w;
    const int rest = total - 2 * m_shift;
    int size;
    if (rest <= 0)
        size = 0;
    else if (rest <= 2 * m_buttonLength)
        size = rest / 2;
    else
        size = m_buttonLength;
    const int extent = size == 0 ? 0 : size + m_shift;
    if (extent == 0)
        return TRect();
    if (m_kind == sbVertical)
        return first ? TRect(0, m_shift, w, extent) : TRect(0, h - extent, w, h - m_shift);
    return first ? TRect(m_shift, 0, extent, h) : TRect(w - extent, 0, w - m_shift, h);
}

bool TCustomSBTranspScrollBar::DoPosition()
{
    if (m_heldFirst) {
        if (m_position <= m_min)
            return false;
        SetPosition(m_position - 1);
    } else {
        if (m_position >= m_max)
            return false;
        SetPosition(m_position + 1);
    }
    return true;
}

bool TCustomSBTranspScrollBar::OverHeld(int x, int y) const
{
    return GetButtonRect(m_heldFirst).Contains(TPoint(x, y));
}

void TCustomSBTranspScrollBar::DrawButton(QPainter& p, bool first, bool pushed)
{
    const TRect r = GetButtonRect(first);
    if (r.IsEmpty())
        return;
    unsigned state;
    if (m_kind == sbVertical)
        state = first ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
    else
        state = first ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT;
    DrawFrameControl(p, r, DFC_SCROLL, state | (pushed ? DFCS_PUSHED : 0));
}

void TCustomSBTranspScrollBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_transparent)
        p.fillRect(rect(), ColorToQColor(m_color));
    if (m_position > m_min)
        DrawButton(p, true, m_holding && m_heldFirst && m_pushed);
    if (m_position < m_max)
        DrawButton(p, false, m_holding && !m_heldFirst && m_pushed);
}

void TCustomSBTranspScrollBar::resizeEvent(QResizeEvent*)
{
    ApplyAutoSize();
}

void TCustomSBTranspScrollBar::MouseDown(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    m_mouse = QPoint(x, y);
    const TPoint p(x, y);
    if (GetButtonRect(true).Contains(p) && m_position > m_min)
        m_heldFirst = true;
    else if (GetButtonRect(false).Contains(p) && m_position < m_max)
        m_heldFirst = false;
    else
        return;
    m_holding = true;
    m_pushed = true;
    update();
    m_timer.start(m_frequency);
}

void TCustomSBTranspScrollBar::MouseMove(int x, int y)
{
    m_mouse = QPoint(x, y);
    if (!m_holding)
        return;
    const bool over = OverHeld(x, y);
    if (over != m_pushed) {
        m_pushed = over;
        update();
    }
}

void TCustomSBTranspScrollBar::MouseUp(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton || !m_holding)
        return;
    m_mouse = QPoint(x, y);
    m_timer.stop();
    if (OverHeld(x, y))
        DoPosition();
    m_holding = false;
    m_pushed = false;
    update();
}

void TCustomSBTranspScrollBar::TimerTick()
{
    if (m_holding && OverHeld(m_mouse.x(), m_mouse.y()))
        DoPosition();
}

void TCustomSBTranspScrollBar::mousePressEvent(QMouseEvent* e)
{
    MouseDown(e->button(), e->position().toPoint().x(), e->position().toPoint().y());
}

void TCustomSBTranspScrollBar::mouseMoveEvent(QMouseEvent* e)
{
    MouseMove(e->position().toPoint().x(), e->position().toPoint().y());
}

void TCustomSBTranspScrollBar::mouseReleaseEvent(QMouseEvent* e)
{
    MouseUp(e->button(), e->position().toPoint().x(), e->position().toPoint().y());
}

// ---- scroll button ----

TCustomSBScrollButton::TCustomSBScrollButton(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setInterval(m_frequency);
    connect(&m_timer, &QTimer::timeout, this, &TCustomSBScrollButton::TimerTick);
    const int side = GetSystemMetrics(SM_CXVSCROLL);
    resize(side, side);
}

void TCustomSBScrollButton::SetButtonStyle(TSBScrollButtonStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    update();
}

void TCustomSBScrollButton::SetAutoSize(bool value)
{
    if (value == m_autoSize)
        return;
    m_autoSize = value;
    if (value) {
        const int side = GetSystemMetrics(SM_CXVSCROLL);
        resize(side, side);
    }
}

void TCustomSBScrollButton::SetFrequency(int value)
{
    if (value < 1)
        return;
    m_frequency = value;
    m_timer.setInterval(value);
}

void TCustomSBScrollButton::FrameControlOf(bool pushed, unsigned& type, unsigned& state) const
{
    static const unsigned kStates[] = {DFCS_SCROLLDOWN,   DFCS_SCROLLLEFT,  DFCS_SCROLLRIGHT,
                                       DFCS_SCROLLUP,     DFCS_CAPTIONCLOSE, DFCS_CAPTIONHELP,
                                       DFCS_CAPTIONMAX,   DFCS_CAPTIONMIN,  DFCS_CAPTIONRESTORE};
    type = m_style <= dcsbs_ScrollUp ? DFC_SCROLL : DFC_CAPTION;
    state = kStates[m_style];
    if (pushed)
        state |= DFCS_PUSHED;
    if (!isEnabled())
        state |= DFCS_INACTIVE;
}

void TCustomSBScrollButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    unsigned type, state;
    FrameControlOf(m_drawnPushed, type, state);
    DrawFrameControl(p, TRect(0, 0, width(), height()), type, state);
}

void TCustomSBScrollButton::DoOnSelect()
{
    if (m_pressed && OnSelect)
        OnSelect(this);
}

void TCustomSBScrollButton::MouseDown(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    m_mouse = QPoint(x, y);
    m_drawnPushed = true;
    m_pressed = true;
    m_captured = true;
    update();
    m_timer.start(m_frequency);
    DoOnSelect();
}

void TCustomSBScrollButton::MouseMove(int x, int y)
{
    m_mouse = QPoint(x, y);
    if (!m_captured)
        return;
    const bool inside = rect().contains(m_mouse);
    if (inside != m_pressed) {
        m_pressed = inside;
        m_drawnPushed = inside;
        update();
    }
}

void TCustomSBScrollButton::MouseUp(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    m_mouse = QPoint(x, y);
    StopRepeat();
}

void TCustomSBScrollButton::StopRepeat()
{
    m_timer.stop();
    m_pressed = false;
    m_captured = false;
    if (m_drawnPushed) {
        m_drawnPushed = false;
        update();
    }
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

void TCustomSBScrollButton::TimerTick()
{
    if (m_captured && rect().contains(m_mouse) && OnSelect)
        OnSelect(this);
}

void TCustomSBScrollButton::mousePressEvent(QMouseEvent* e)
{
    MouseDown(e->button(), e->position().toPoint().x(), e->position().toPoint().y());
}

void TCustomSBScrollButton::mouseMoveEvent(QMouseEvent* e)
{
    MouseMove(e->position().toPoint().x(), e->position().toPoint().y());
}

void TCustomSBScrollButton::mouseReleaseEvent(QMouseEvent* e)
{
    MouseUp(e->button(), e->position().toPoint().x(), e->position().toPoint().y());
}

void TCustomSBScrollButton::showEvent(QShowEvent*)
{
    StopRepeat();
}

void TCustomSBScrollButton::hideEvent(QHideEvent*)
{
    StopRepeat();
}
