#include "bars/dock_bar_common.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

TGetToolbarDockPosProc GetToolbarDockPosProc = nullptr;

namespace {
std::function<QString(unsigned)>& StringLookup()
{
    static std::function<QString(unsigned)> lookup;
    return lookup;
}
} // namespace

QString DockBarsString(unsigned id)
{
    if (StringLookup()) {
        const QString text = StringLookup()(id);
        if (!text.isEmpty())
            return text;
    }
    switch (id) {
    case DockParentErrorString:
        return QStringLiteral("A TDockX control cannot be placed inside a tool window or another TDockX");
    case DockPositionErrorString:
        return QStringLiteral("Cannot change Position of a TDockX if it already contains controls");
    case NoNameErrorString:
        return QStringLiteral("Cannot save tool window's position because Name property is not set");
    case NoDockedToNameErrorString:
        return QStringLiteral("Cannot save tool window's position because DockedTo's Name property not set");
    case ToolWindowParentErrorString:
        return QStringLiteral("A tool window can only be placed on a TDockX or directly on the form");
    case NoParentWindowErrorString: return QStringLiteral("Control '%s' has no parent window");
    case SeparatorParentErrorString: return QStringLiteral("TToolbarSepX can only be placed on a TToolbarX");
    default: return QString();
    }
}

void SetDockBarsStringLookup(std::function<QString(unsigned)> lookup)
{
    StringLookup() = std::move(lookup);
}

namespace {

struct THookProcData {
    THookProc Proc;
    int RefCount;
    THookProcCodes Codes;
};

constexpr THookProcCodes CodesOf[3] = {
    HookCode(hpSendActivateApp) | HookCode(hpSendWindowPosChanged),
    HookCode(hpPreDestroy),
    HookCode(hpPostMouseMove),
};

void CallHookProcs(THookProcCode code, QWidget* wnd, uintptr_t wParam, intptr_t lParam);

// One filter per hook type, seeing every event of the application while it is installed.
class THookFilter : public QObject {
public:
    explicit THookFilter(THookType type) : m_type(type) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type t = event->type();
        switch (m_type) {
        case htCallWndProc:
            if (t == QEvent::ApplicationStateChange && watched == qApp) {
                const bool active = static_cast<QApplicationStateChangeEvent*>(event)->applicationState() ==
                                    Qt::ApplicationActive;
                CallHookProcs(hpSendActivateApp, nullptr, active ? 1 : 0, 0);
            } else if (t == QEvent::Show || t == QEvent::Hide || t == QEvent::Move || t == QEvent::Resize ||
                       t == QEvent::WindowStateChange) {
                if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
                    CallHookProcs(hpSendWindowPosChanged, static_cast<QWidget*>(watched), 0, 0);
            }
            break;
        case htCBT:
            if (t == QEvent::DeferredDelete && watched->isWidgetType())
                CallHookProcs(hpPreDestroy, static_cast<QWidget*>(watched), 0, 0);
            break;
        case htGetMessage:
            if (t == QEvent::MouseMove && watched->isWidgetType()) {
                const auto* m = static_cast<QMouseEvent*>(event);
                const QPoint p = m->position().toPoint();
                CallHookProcs(hpPostMouseMove, static_cast<QWidget*>(watched), uintptr_t(m->buttons()),
                              intptr_t((uint32_t(uint16_t(p.y())) << 16) | uint16_t(p.x())));
            }
            break;
        }
        return false; // always passed on
    }

private:
    THookType m_type;
};

struct THookRegistry {
    std::unique_ptr<std::vector<THookProcData>> Procs;
    std::unique_ptr<THookFilter> Filters[3];
    int UseCount[3] = {0, 0, 0};

    ~THookRegistry()
    {
        for (auto& f : Filters)
            Unhook(f);
    }
    static void Unhook(std::unique_ptr<THookFilter>& f)
    {
        if (f && QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(f.get());
        f.reset();
    }
};

THookRegistry& Registry()
{
    static THookRegistry registry;
    return registry;
}

void CallHookProcs(THookProcCode code, QWidget* wnd, uintptr_t wParam, intptr_t lParam)
{
    THookRegistry& r = Registry();
    if (!r.Procs)
        return;
    // A procedure may install or remove procedures: work on a copy, and skip those gone since.
    const std::vector<THookProcData> procs = *r.Procs;
    QPointer<QWidget> target = wnd;
    for (const THookProcData& d : procs) {
        if (!(d.Codes & HookCode(code)) || HookProcCount(d.Proc) == 0)
            continue;
        if (wnd && !target)
            break;
        d.Proc(code, wnd, wParam, lParam);
    }
}

} // namespace

void InstallHookProc(THookProc proc, THookProcCodes codes, bool onlyIncrementCount)
{
    THookRegistry& r = Registry();
    if (!r.Procs)
        r.Procs = std::make_unique<std::vector<THookProcData>>();
    auto it = std::find_if(r.Procs->begin(), r.Procs->end(),
                           [&](const THookProcData& d) { return d.Proc == proc; });
    if (it != r.Procs->end())
        ++it->RefCount;
    else
        r.Procs->push_back({proc, 1, codes});
    if (onlyIncrementCount)
        return;
    for (int t = 0; t < 3; ++t) {
        if (!(codes & CodesOf[t]))
            continue;
        ++r.UseCount[t];
        if (!r.Filters[t] && QCoreApplication::instance()) {
            r.Filters[t] = std::make_unique<THookFilter>(THookType(t));
            QCoreApplication::instance()->installEventFilter(r.Filters[t].get());
        }
    }
}

void UninstallHookProc(THookProc proc)
{
    THookRegistry& r = Registry();
    if (!r.Procs)
        return;
    auto it = std::find_if(r.Procs->begin(), r.Procs->end(),
                           [&](const THookProcData& d) { return d.Proc == proc; });
    if (it == r.Procs->end())
        return;
    const THookProcCodes codes = it->Codes;
    if (--it->RefCount <= 0)
        r.Procs->erase(it);
    for (int t = 0; t < 3; ++t) {
        if (!(codes & CodesOf[t]) || r.UseCount[t] == 0)
            continue;
        if (--r.UseCount[t] == 0)
            THookRegistry::Unhook(r.Filters[t]);
    }
    if (r.Procs->empty())
        r.Procs.reset();
}

int HookProcCount(THookProc proc)
{
    const THookRegistry& r = Registry();
    if (!r.Procs)
        return 0;
    for (const THookProcData& d : *r.Procs)
        if (d.Proc == proc)
            return d.RefCount;
    return 0;
}

int HookUseCount(THookType type)
{
    return Registry().UseCount[type];
}

bool HookInstalled(THookType type)
{
    return Registry().Filters[type] != nullptr;
}

bool ApplicationIsActive()
{
    // The state changes before the active window is set: either tells.
    return QGuiApplication::applicationState() == Qt::ApplicationActive ||
           QApplication::activeWindow() != nullptr;
}

int HandleWMPrint(QWidget* wnd, QPainter& dc, unsigned flags, TNCPaintFunc ncPaint, void* appData,
                  const QRect& clientRect)
{
    if (!wnd)
        return 1;
    if ((flags & PRF_CHECKVISIBLE) && !wnd->isVisible())
        return 1;
    const QRect client = clientRect.isEmpty() ? wnd->rect() : clientRect;
    if ((flags & PRF_NONCLIENT) && ncPaint) {
        dc.save();
        ncPaint(wnd, dc, appData);
        dc.restore();
    }
    if (flags & PRF_CLIENT) {
        dc.save();
        const QWidget::RenderFlags render =
            (flags & PRF_ERASEBKGND) ? QWidget::DrawWindowBackground : QWidget::RenderFlags();
        QWidget::RenderFlags with = render;
        if (flags & PRF_CHILDREN)
            with |= QWidget::DrawChildren;
        wnd->render(dc.device(), dc.deviceTransform().map(client.topLeft()), QRegion(client), with);
        dc.restore();
        if (flags & PRF_OWNED) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w == wnd || !w->isVisible() || w->parentWidget() != wnd)
                    continue;
                dc.save();
                const QPoint at = w->pos() - wnd->mapToGlobal(QPoint(0, 0));
                w->render(dc.device(), dc.deviceTransform().map(at), QRegion(), QWidget::DrawChildren);
                dc.restore();
            }
        }
    }
    return 1;
}

void HandleWMPrintClient(QWidget* control, QPainter& dc)
{
    if (!control)
        return;
    dc.save();
    control->render(dc.device(), dc.deviceTransform().map(QPoint(0, 0)), QRegion(),
                    QWidget::DrawWindowBackground);
    dc.restore();
}

int GetSmallCaptionHeight()
{
    return 16;
}

QRect GetDesktopAreaRect()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QRect(0, 0, 640, 480);
    const QRect work = screen->availableGeometry();
    return work.isEmpty() ? screen->geometry() : work;
}

bool UsingMultipleMonitors()
{
    return QGuiApplication::screens().size() > 1;
}

QRect GetRectOfMonitorContaining(const QRect& r)
{
    if (!UsingMultipleMonitors())
        return GetDesktopAreaRect();
    QScreen* best = nullptr;
    qint64 bestArea = -1;
    qint64 bestDistance = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->geometry().intersected(r);
        const qint64 area = qint64(common.width()) * common.height();
        const QPoint d = s->geometry().center() - r.center();
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (area > bestArea || (area == bestArea && area == 0 && distance < bestDistance)) {
            best = s;
            bestArea = area;
            bestDistance = distance;
        }
    }
    return best ? best->availableGeometry() : GetDesktopAreaRect();
}

QRect GetRectOfMonitorContainingPoint(const QPoint& p)
{
    return GetRectOfMonitorContaining(QRect(p, QSize(1, 1)));
}

QPoint UncoveredPlaceFor(const QPoint& wanted, const QSize& size, const QRect& work,
                         const std::vector<QRect>& taken)
{
    // A free place slid left and then up stops at the work area's edge or at a taken window's
    // far edge, so these lines hold a free place whenever there is one.
    std::vector<int> xs{wanted.x(), work.left(), work.right() + 1 - size.width()};
    std::vector<int> ys{wanted.y(), work.top(), work.bottom() + 1 - size.height()};
    for (const QRect& t : taken) {
        xs.insert(xs.end(), {t.right() + 1, t.left() - size.width()});
        ys.insert(ys.end(), {t.bottom() + 1, t.top() - size.height()});
    }
    QPoint best = wanted;
    qint64 bestDistance = -1;
    for (int x : xs)
        for (int y : ys) {
            const QRect r(QPoint(x, y), size);
            if (!work.contains(r))
                continue;
            if (std::any_of(taken.begin(), taken.end(), [&](const QRect& t) { return t.intersects(r); }))
                continue;
            const qint64 dx = qint64(x) - wanted.x(), dy = qint64(y) - wanted.y();
            const qint64 distance = dx * dx + dy * dy;
            if (bestDistance < 0 || distance < bestDistance) {
                best = r.topLeft();
                bestDistance = distance;
            }
        }
    return best;
}

bool AreGradientCaptionsOn()
{
    return false;
}

namespace {
void Line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& c)
{
    p.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
               c);
}

// One ring of an edge: top-left in tl, bottom-right in br, on the sides asked for.
void Ring(QPainter& p, TRect& r, unsigned flags, const QColor& tl, const QColor& br)
{
    if (r.IsEmpty())
        return;
    if (flags & BF_TOP)
        Line(p, r.Left, r.Top, r.Right - 1, r.Top, tl);
    if (flags & BF_LEFT)
        Line(p, r.Left, r.Top, r.Left, r.Bottom - 1, tl);
    if (flags & BF_BOTTOM)
        Line(p, r.Left, r.Bottom - 1, r.Right - 1, r.Bottom - 1, br);
    if (flags & BF_RIGHT)
        Line(p, r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1, br);
    if (flags & BF_LEFT)
        ++r.Left;
    if (flags & BF_TOP)
        ++r.Top;
    if (flags & BF_RIGHT)
        --r.Right;
    if (flags & BF_BOTTOM)
        --r.Bottom;
}
} // namespace

void DrawEdge(QPainter& p, TRect& r, unsigned edge, unsigned flags)
{
    TRect inner = r;
    const bool soft = flags & BF_SOFT;
    const QColor hi = ColorToQColor(clBtnHighlight), light = ColorToQColor(cl3DLight),
                 shadow = ColorToQColor(clBtnShadow), dark = ColorToQColor(cl3DDkShadow);
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (edge & BDR_RAISEDOUTER)
            Ring(p, inner, flags, soft ? hi : light, dark);
        else
            Ring(p, inner, flags, soft ? shadow : shadow, hi);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        if (edge & BDR_RAISEDINNER)
            Ring(p, inner, flags, soft ? light : hi, shadow);
        else
            Ring(p, inner, flags, soft ? dark : dark, light);
    }
    if ((flags & BF_MIDDLE) && !inner.IsEmpty())
        p.fillRect(QRect(inner.Left, inner.Top, inner.Width(), inner.Height()), ColorToQColor(clBtnFace));
    if (flags & BF_ADJUST)
        r = inner;
}

void FrameRectIn(QPainter& p, const TRect& r, TColor color)
{
    TRect ring = r;
    const QColor c = ColorToQColor(color);
    Ring(p, ring, BF_RECT, c, c);
}

void DrawCaptionCloseButton(QPainter& p, const TRect& r, bool pushed)
{
    if (r.IsEmpty())
        return;
    TRect box = r;
    DrawEdge(p, box, pushed ? EDGE_SUNKEN : EDGE_RAISED,
             BF_RECT | BF_MIDDLE | BF_ADJUST | (pushed ? 0 : BF_SOFT));
    // The X, a little off centre while pushed.
    const int side = std::min(r.Width(), r.Height());
    const int inset = std::max(2, side / 4);
    const int off = pushed ? 1 : 0;
    const int x1 = r.Left + inset + off, y1 = r.Top + inset + off;
    const int x2 = r.Left + side - inset - 1 + off, y2 = r.Top + side - inset - 1 + off;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(ColorToQColor(clBtnText), 1));
    for (int d = 0; d < 2; ++d) {
        p.drawLine(x1 + d, y1, x2 - 1 + d, y2);
        p.drawLine(x2 - 1 + d, y1, x1 + d, y2);
    }
    p.restore();
}

QBrush HalftoneBrush()
{
    QImage image(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        const uint8_t bits = (y % 2 == 0) ? 0x55 : 0xAA;
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, (bits & (0x80 >> x)) ? 0xFFFFFFFF : 0xFF000000);
    }
    return QBrush(QPixmap::fromImage(image));
}

QBrush ButtonDownPattern()
{
    QImage image(8, 8, QImage::Format_RGB32);
    const QRgb face = ColorToQRgb(clBtnFace), hi = ColorToQRgb(clBtnHighlight);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, ((x % 2) == (y % 2)) ? hi : face);
    return QBrush(QPixmap::fromImage(image));
}
