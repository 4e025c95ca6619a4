#include "bars/toolbar.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <climits>

TToolbarLayout LayoutToolbar(const std::vector<TToolbarItem>& items, const TToolbarLayoutInput& input)
{
    TToolbarLayout result;
    result.Bounds.assign(items.size(), TRect());
    const bool floating = input.Floating;
    const bool horizontal = floating || !input.LeftRight;
    const int top = floating ? 2 : 0, bottom = floating ? 1 : 0, left = floating ? 4 : 0,
              right = floating ? 4 : 0;
    int limit = INT_MAX;
    if (floating && input.FloatingWidth != 0) {
        int widest = 0;
        for (const TToolbarItem& i : items)
            if (!i.Separator)
                widest = std::max(widest, i.Width);
        limit = std::max(input.FloatingWidth, widest + 8);
    }
    const int B = input.BarSize, C = input.CrossSize;

    // Groups: a separator closes the group it ends.
    struct Group {
        size_t first, last; // [first, last)
        int length;
        bool members;
        bool endsInSeparator;
    };
    std::vector<Group> groups;
    for (size_t i = 0; i < items.size();) {
        Group g{i, i, 0, false, false};
        while (g.last < items.size()) {
            const TToolbarItem& it = items[g.last++];
            if (it.Separator) {
                g.endsInSeparator = true;
                break;
            }
            g.members = true;
            g.length += horizontal ? it.Width : it.Height;
        }
        groups.push_back(g);
        i = g.last;
    }

    int x = left, y = top, maximum = left, maxBeforeSeparator = left;
    bool previousOverflowed = false;
    const Group* previous = nullptr;
    for (const Group& g : groups) {
        bool overflowed = false;
        if (floating && previous && (previousOverflowed || (long long)x + g.length + right > limit)) {
            x = left;
            if (previous->members)
                y += B + 6;
            if (previous->endsInSeparator) {
                maximum = maxBeforeSeparator;
                const size_t sep = previous->last - 1;
                result.Bounds[sep].Right = result.Bounds[sep].Left;
                result.LineSeparators.push_back({y, items[sep].Blank});
            }
        }
        for (size_t i = g.first; i < g.last; ++i) {
            const TToolbarItem& it = items[i];
            const int length =
                it.Separator ? (horizontal ? it.SizeHorz : it.SizeVert) : (horizontal ? it.Width : it.Height);
            if (floating && !it.Separator && x > left && (long long)x + length + right > limit) {
                x = left;
                y += B;
                overflowed = true;
            }
            if (it.Separator)
                maxBeforeSeparator = maximum;
            if (horizontal) {
                result.Bounds[i] = it.Separator ? Bounds(x, y, it.SizeHorz, C)
                                                : Bounds(x, y + (C - it.Height) / 2, it.Width, it.Height);
            } else {
                result.Bounds[i] = it.Separator ? Bounds(y, x, C, it.SizeVert)
                                                : Bounds(y + (C - it.Width) / 2, x, it.Width, it.Height);
            }
            x += length;
            maximum = std::max(maximum, x);
        }
        previousOverflowed = overflowed;
        previous = &g;
    }
    if (items.empty())
        maximum = left + 8;
    const int length = maximum + right;
    const int thickness = y + B + bottom;
    result.ClientSize = (!horizontal) ? QSize(thickness, length) : QSize(length, thickness);
    return result;
}

std::vector<QSize> ToolbarPotentialSizes(const std::vector<TToolbarItem>& items, int barSize)
{
    TToolbarLayoutInput in;
    in.Floating = true;
    in.BarSize = in.CrossSize = barSize;
    in.FloatingWidth = 0;
    std::vector<QSize> sizes{LayoutToolbar(items, in).ClientSize};
    int x = sizes.front().width() - 1;
    while (x >= 8) {
        in.FloatingWidth = x;
        const QSize s = LayoutToolbar(items, in).ClientSize;
        if (s.width() > x)
            break;
        if (s.width() == x) {
            if (sizes.size() > 1 && s.height() == sizes.back().height())
                sizes.pop_back();
            if (std::find(sizes.begin(), sizes.end(), s) == sizes.end())
                sizes.push_back(s);
            --x;
        } else {
            x = s.width();
        }
    }
    return sizes;
}

void TToolbarSizer::Begin()
{
    const bool vertical = Vertical;
    std::sort(Sizes.begin(), Sizes.end(), [vertical](const QSize& a, const QSize& b) {
        return vertical ? a.height() > b.height() : a.width() > b.width();
    });
    Threshold = 12;
    LeftBand = false;
    if (Sizes.empty())
        return;
    const auto measure = [vertical](const QSize& s) { return vertical ? s.height() : s.width(); };
    auto it = std::find(Sizes.begin(), Sizes.end(), Current);
    if (it == Sizes.end()) {
        // A size the list does not hold (set from outside): the nearest listed one stands for it.
        it = std::min_element(Sizes.begin(), Sizes.end(), [&](const QSize& a, const QSize& b) {
            return std::abs(measure(a) - measure(Current)) < std::abs(measure(b) - measure(Current));
        });
        Current = *it;
    }
    {
        const int here = measure(*it);
        if (it != Sizes.begin())
            Threshold = std::min(Threshold, std::abs(measure(*(it - 1)) - here) - 1);
        if (it + 1 != Sizes.end())
            Threshold = std::min(Threshold, std::abs(measure(*(it + 1)) - here) - 1);
        Threshold = std::max(Threshold, 0);
    }
}

QSize TToolbarSizer::Track(int distance)
{
    if (Sizes.empty())
        return Current;
    const auto measure = [this](const QSize& s) { return Vertical ? s.height() : s.width(); };
    const int current = measure(Current);
    if (!LeftBand && distance >= current - Threshold && distance <= current + Threshold)
        return Current;
    LeftBand = true;
    // Sizes run from the largest to the smallest.
    QSize chosen;
    if (distance > current) {
        chosen = Sizes.front();
        for (const QSize& s : Sizes)
            if (measure(s) > distance)
                chosen = s;
    } else {
        chosen = Sizes.back();
        for (auto it = Sizes.rbegin(); it != Sizes.rend(); ++it)
            if (measure(*it) <= distance)
                chosen = *it;
    }
    return chosen;
}

// ---------------------------------------------------------------------------------------------
TToolbarSepX::TToolbarSepX(QWidget* parent) : QWidget(nullptr)
{
    resize(6, 6);
    if (parent)
        SetParent(parent);
}

void TToolbarSepX::SetParent(QWidget* parent)
{
    if (parent && !qobject_cast<TCustomToolbarX*>(parent))
        throw EInvalidOperation(DockBarsString(SeparatorParentErrorString));
    QWidget::setParent(parent);
    if (parent)
        show();
}

void TToolbarSepX::SetBlank(bool value)
{
    m_blank = value;
    update();
}

void TToolbarSepX::SetSizeHorz(int value)
{
    m_sizeHorz = value;
    Rearrange();
}

void TToolbarSepX::SetSizeVert(int value)
{
    m_sizeVert = value;
    Rearrange();
}

void TToolbarSepX::Rearrange()
{
    if (auto* bar = qobject_cast<TCustomToolbarX*>(parentWidget()))
        bar->ArrangeControls();
}

void TToolbarSepX::paintEvent(QPaintEvent*)
{
    auto* bar = qobject_cast<TCustomToolbarX*>(parentWidget());
    if (!bar || m_blank || width() == 0)
        return;
    QPainter p(this);
    const QColor shadow = ColorToQColor(clBtnShadow), light = ColorToQColor(clBtnHighlight);
    if (GetDockTypeOf(bar->DockedTo()) == dtLeftRight) {
        const int y = height() / 2;
        p.fillRect(QRect(0, y - 1, width(), 1), shadow);
        p.fillRect(QRect(0, y, width(), 1), light);
    } else {
        const int x = width() / 2;
        p.fillRect(QRect(x - 1, 0, 1, height()), shadow);
        p.fillRect(QRect(x, 0, 1, height()), light);
    }
}

void TToolbarSepX::mousePressEvent(QMouseEvent* event)
{
    // A press on a separator drags the toolbar.
    event->ignore();
}

// ---------------------------------------------------------------------------------------------
TCustomToolbarX::TCustomToolbarX(QWidget* parent) : TCustomToolWindowX(parent)
{
    SetResizable(true);
}

void TCustomToolbarX::GetParams(TToolWindowParams& params) const
{
    params.CallAlignControls = false;
    params.ResizeEightCorner = false;
    params.ResizeClipCursor = false;
}

bool TCustomToolbarX::ChildControlTransparent(QWidget* child) const
{
    return qobject_cast<TToolbarSepX*>(child) != nullptr;
}

void TCustomToolbarX::childEvent(QChildEvent* event)
{
    if (event->child()->isWidgetType()) {
        auto* w = static_cast<QWidget*>(event->child());
        if (event->added() && !m_order.contains(w))
            m_order.append(w);
        else if (event->removed())
            m_order.removeAll(w);
    }
    TCustomToolWindowX::childEvent(event);
}

QList<QWidget*> TCustomToolbarX::OrderedControls() const
{
    QList<QWidget*> list;
    for (QWidget* w : m_order)
        if (w->parentWidget() == this)
            list << w;
    return list;
}

int TCustomToolbarX::GetOrderIndex(QWidget* control) const
{
    const int index = OrderedControls().indexOf(control);
    if (index < 0)
        throw EInvalidOperation(QStringLiteral("Control '%1' is not a child of the toolbar")
                                    .arg(control ? control->objectName() : QString()));
    return index;
}

void TCustomToolbarX::SetOrderIndex(QWidget* control, int index)
{
    GetOrderIndex(control);
    m_order.removeAll(control);
    index = std::clamp(index, 0, int(m_order.size()));
    m_order.insert(index, control);
    ArrangeControls();
}

void TCustomToolbarX::SetSlaveControl(QWidget* topBottom, QWidget* leftRight)
{
    m_slaves.emplace_back(leftRight, topBottom);
    ArrangeControls();
}

void TCustomToolbarX::SetFloatingWidth(int width)
{
    if (width == m_floatingWidth)
        return;
    m_floatingWidth = width;
    ArrangeControls();
}

bool TCustomToolbarX::ShouldControlBeVisible(QWidget* control, bool leftOrRight) const
{
    for (const auto& [lr, tb] : m_slaves) {
        if (control == lr)
            return leftOrRight;
        if (control == tb)
            return !leftOrRight;
    }
    return !control->isHidden();
}

std::vector<TToolbarItem> TCustomToolbarX::Items(TDockType dockType, std::vector<QWidget*>& controls)
{
    std::vector<TToolbarItem> items;
    controls.clear();
    const bool leftRight = dockType == dtLeftRight;
    for (QWidget* w : OrderedControls()) {
        if (!ShouldControlBeVisible(w, leftRight))
            continue;
        TToolbarItem item;
        if (auto* sep = qobject_cast<TToolbarSepX*>(w)) {
            item.Separator = true;
            item.Blank = sep->Blank();
            item.SizeHorz = sep->SizeHorz();
            item.SizeVert = sep->SizeVert();
        } else {
            item.Width = w->width();
            item.Height = w->height();
        }
        items.push_back(item);
        controls.push_back(w);
    }
    return items;
}

void TCustomToolbarX::GetBarSize(int& size, TDockType dockType)
{
    size = 8;
    for (QWidget* w : OrderedControls()) {
        if (qobject_cast<TToolbarSepX*>(w) || !ShouldControlBeVisible(w, dockType == dtLeftRight))
            continue;
        size = std::max(size, dockType == dtLeftRight ? w->width() : w->height());
    }
}

void TCustomToolbarX::GetMinimumSize(int& clientWidth, int& clientHeight)
{
    clientWidth = 0;
    clientHeight = 0;
}

QSize TCustomToolbarX::OrderControls(bool canMoveControls, TDockType previousDockType, TDockX* dockingTo)
{
    const TDockType type = GetDockTypeOf(dockingTo);
    if (canMoveControls) {
        for (const auto& [lr, tb] : m_slaves) {
            lr->setVisible(type == dtLeftRight);
            tb->setVisible(type != dtLeftRight);
        }
    }
    std::vector<QWidget*> controls;
    const std::vector<TToolbarItem> items = Items(type, controls);
    TToolbarLayoutInput in;
    in.Floating = dockingTo == nullptr;
    in.LeftRight = type == dtLeftRight;
    in.FloatingWidth = m_floatingWidth;
    GetBarSize(in.BarSize, type);
    in.CrossSize = in.BarSize;
    if (dockingTo && dockingTo == DockedTo())
        in.CrossSize = std::max(in.BarSize, dockingTo->GetRowSize(DockRow(), this));
    const TToolbarLayout layout = LayoutToolbar(items, in);
    if (canMoveControls) {
        const QMargins nc = NonClientFor(dockingTo);
        for (size_t i = 0; i < controls.size(); ++i) {
            const TRect& b = layout.Bounds[i];
            controls[i]->setGeometry(b.Left + nc.left(), b.Top + nc.top(), b.Width(), b.Height());
        }
        m_lineSeparators = layout.LineSeparators;
        update();
    }
    return layout.ClientSize;
}

void TCustomToolbarX::PaintNonClient(QPainter& p)
{
    TCustomToolWindowX::PaintNonClient(p);
    if (Docked())
        return;
    const QRect client = ClientRect();
    for (const TToolbarLineSeparator& line : m_lineSeparators) {
        if (line.Blank)
            continue;
        p.fillRect(QRect(client.left() + 1, client.top() + line.Y - 4, client.width() - 2, 1),
                   ColorToQColor(clBtnShadow));
        p.fillRect(QRect(client.left() + 1, client.top() + line.Y - 3, client.width() - 2, 1),
                   ColorToQColor(clBtnHighlight));
    }
}

void TCustomToolbarX::ResizeBegin(TToolWindowSizeHandle handle)
{
    m_sizeHandle = handle;
    std::vector<QWidget*> controls;
    const std::vector<TToolbarItem> items = Items(dtNotDocked, controls);
    int bar = 8;
    GetBarSize(bar, dtNotDocked);
    const QMargins nc = NonClientFor(nullptr);
    m_sizer = TToolbarSizer();
    for (const QSize& s : ToolbarPotentialSizes(items, bar))
        m_sizer.Sizes.push_back(s + QSize(nc.left() + nc.right(), nc.top() + nc.bottom()));
    m_sizer.Vertical = handle == twshTop || handle == twshBottom;
    m_sizer.Current = size();
    m_sizer.Begin();
    m_newFloatingWidth = m_floatingWidth;
    m_sizing = true;
}

void TCustomToolbarX::ResizeTrack(QRect& rect, const QRect& origRect)
{
    if (!m_sizing)
        return;
    int distance;
    switch (m_sizeHandle) {
    case twshLeft: distance = origRect.right() + 1 - rect.left(); break;
    case twshTop: distance = origRect.bottom() + 1 - rect.top(); break;
    case twshBottom: distance = rect.bottom() + 1 - origRect.top(); break;
    default: distance = rect.right() + 1 - origRect.left(); break;
    }
    const QSize s = m_sizer.Track(distance);
    // The fixed edge stays.
    QRect r(origRect.topLeft(), s);
    if (m_sizeHandle == twshLeft)
        r.moveRight(origRect.right());
    if (m_sizeHandle == twshTop)
        r.moveBottom(origRect.bottom());
    rect = r;
    const bool oneLine =
        !m_sizer.Sizes.empty() &&
        s == *std::max_element(m_sizer.Sizes.begin(), m_sizer.Sizes.end(),
                               [](const QSize& a, const QSize& b) { return a.width() < b.width(); });
    m_newFloatingWidth = oneLine ? 0 : s.width() - 2 * FloatingFrameSize(Resizable());
}

void TCustomToolbarX::ResizeEnd(bool accept)
{
    if (accept && m_sizing)
        SetFloatingWidth(m_newFloatingWidth);
    m_sizing = false;
    m_sizer = TToolbarSizer();
}

void TCustomToolbarX::ReadPositionData(const TReadIntFn& read)
{
    m_floatingWidth = std::max(0, read(QStringLiteral("FloatRightX"), m_floatingWidth));
}

void TCustomToolbarX::WritePositionData(const TWriteIntFn& write)
{
    write(QStringLiteral("FloatRightX"), m_floatingWidth);
}
