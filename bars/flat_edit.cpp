#include "bars/flat_edit.h"

#include "bars/dock_bar_common.h"

#include <QApplication>
#include <QPainter>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<std::vector<const QMetaObject*>> g_classes;
int g_editCount = 0;

} // namespace

void RegisterXControlClass(const QMetaObject* cls)
{
    if (!g_classes)
        g_classes = std::make_unique<std::vector<const QMetaObject*>>();
    g_classes->push_back(cls);
}

void UnregisterXControlClass(const QMetaObject* cls)
{
    if (!g_classes)
        return;
    const auto it = std::find(g_classes->begin(), g_classes->end(), cls);
    if (it != g_classes->end())
        g_classes->erase(it);
    if (g_classes->empty())
        g_classes.reset();
}

bool ControlIsXControl(const QObject* control)
{
    if (!control || !g_classes)
        return false;
    for (const QMetaObject* cls : *g_classes)
        if (control->metaObject()->inherits(cls))
            return true;
    return false;
}

int XControlClassCount()
{
    return g_classes ? int(g_classes->size()) : 0;
}

TEditX::TEditX(QWidget* parent) : QLineEdit(parent)
{
    if (g_editCount++ == 0)
        RegisterXControlClass(&TEditX::staticMetaObject);
    setFrame(false);
    setTextMargins(3, 3, 3, 3);
    setAttribute(Qt::WA_Hover);
    AdjustHeight();
}

TEditX::~TEditX()
{
    if (--g_editCount == 0)
        UnregisterXControlClass(&TEditX::staticMetaObject);
}

void TEditX::AdjustHeight()
{
    setFixedHeight(fontMetrics().height() + 6);
}

bool TEditX::Hot() const
{
    return hasFocus() || (m_mouseInControl && !ControlIsXControl(QApplication::focusWidget()));
}

void TEditX::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter p(this);
    TRect r(0, 0, width(), height());
    if (Hot()) {
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        p.fillRect(QRect(r.Left, r.Top, 1, r.Height() - 1), ColorToQColor(clBtnFace));
        p.fillRect(QRect(r.Left, r.Top, r.Width() - 1, 1), ColorToQColor(clBtnFace));
        DrawEdge(p, r, BDR_SUNKENINNER, BF_BOTTOM | BF_RIGHT);
        InflateRect(r, -1, -1);
        FrameRectIn(p, r, clWindow);
    } else {
        FrameRectIn(p, r, clBtnFace);
        InflateRect(r, -1, -1);
        FrameRectIn(p, r, clBtnFace);
        InflateRect(r, -1, -1);
        FrameRectIn(p, r, clWindow);
    }
}

void TEditX::enterEvent(QEnterEvent* event)
{
    m_mouseInControl = true;
    update();
    QLineEdit::enterEvent(event);
}

void TEditX::leaveEvent(QEvent* event)
{
    m_mouseInControl = false;
    update();
    QLineEdit::leaveEvent(event);
}

void TEditX::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    update();
}

void TEditX::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    update();
}

void TEditX::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        QPalette pal = palette();
        pal.setColor(QPalette::Base, ColorToQColor(isEnabled() ? clWindow : clBtnFace));
        setPalette(pal);
        update();
    } else if (event->type() == QEvent::FontChange) {
        AdjustHeight();
    }
    QLineEdit::changeEvent(event);
}
