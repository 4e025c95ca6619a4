#include "bars/sb_group_bar.h"

#include "bars/dock_bar_common.h"
#include "bars/sb_list_view.h"
#include "platform/cursors.h"

#include <QDragEnterEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

// ---- page ----

TSBOutBarGroup::TSBOutBarGroup(TCustomSBGroupBar* bar)
{
    QWidget::setVisible(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (bar)
        SetOutBar(bar);
}

TSBOutBarGroup::~TSBOutBarGroup()
{
    if (m_bar && !m_bar->m_destroying) {
        // A page going away takes no caption.
        if (m_bar->m_editor)
            m_bar->m_editor->EditorCanceled = true;
        m_bar->CancelEdit();
        m_bar->SafeRemoveGroup(this);
    }
}

void TSBOutBarGroup::SetCaption(const QString& value)
{
    if (value == m_caption || !DoCaptionChanging(value))
        return;
    m_caption = value;
    DoCaptionChanged();
    if (m_bar)
        m_bar->UpdateButton(GetIndex());
}

bool TSBOutBarGroup::DoCaptionChanging(const QString& newCaption)
{
    return !m_bar || m_bar->DoGroupCaptionChanging(this, newCaption);
}

void TSBOutBarGroup::DoCaptionChanged()
{
    if (m_bar)
        m_bar->DoGroupCaptionChanged(this);
}

void TSBOutBarGroup::SetCaptionAlignment(TAlignment value)
{
    if (value == m_captionAlignment)
        return;
    m_captionAlignment = value;
    if (m_bar)
        m_bar->UpdateButton(GetIndex());
}

void TSBOutBarGroup::SetCaptionAutoSize(bool value)
{
    if (value == m_captionAutoSize)
        return;
    m_captionAutoSize = value;
    if (m_bar)
        m_bar->InitGroupSize();
}

void TSBOutBarGroup::SetCaptionHeight(int value)
{
    if (value == m_captionHeight)
        return;
    m_captionHeight = value;
    if (m_bar)
        m_bar->InitGroupSize();
}

void TSBOutBarGroup::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
    if (m_bar)
        m_bar->update();
}

void TSBOutBarGroup::SetOutBar(TCustomSBGroupBar* bar)
{
    if (bar == m_bar)
        return;
    if (m_bar)
        m_bar->SafeRemoveGroup(this);
    m_bar = bar;
    if (!bar) {
        setParent(nullptr);
        return;
    }
    const bool hidden = isHidden();
    setParent(bar);
    setVisible(!hidden);
    bar->InsertGroup(this);
    if (!bar->Loading())
        bar->SetActiveGroup(this);
    bar->InitGroupSize();
}

int TSBOutBarGroup::GetIndex() const
{
    return m_bar ? m_bar->IndexOfGroup(this) : -1;
}

void TSBOutBarGroup::SetIndex(int value)
{
    if (!m_bar)
        return;
    auto& list = m_bar->m_groups;
    const int from = GetIndex();
    value = std::clamp(value, 0, int(list.size()) - 1);
    if (from < 0 || value == from)
        return;
    int& active = m_bar->m_activeIndex;
    if (from == active)
        active = value;
    else if (from < active && value >= active)
        --active;
    else if (from > active && value <= active)
        ++active;
    list.erase(list.begin() + from);
    list.insert(list.begin() + value, this);
    m_bar->InitGroupSize();
}

QString TSBOutBarGroup::InitCaption() const
{
    const QString base = SBString(SNewGroup);
    if (!m_bar || !m_bar->GroupByName(base))
        return base;
    for (int n = 1;; ++n) {
        const QString candidate = base + QString::number(n);
        if (!m_bar->GroupByName(candidate))
            return candidate;
    }
}

TSBVertListView* TSBOutBarGroup::GetListView() const
{
    return GetControlFromType<TSBVertListView>();
}

void TSBOutBarGroup::UpdateRects()
{
    if (m_bar && GetIndex() == m_bar->m_activeIndex)
        m_bar->PlaceGroup(this, m_bar->GetActiveGroupRect());
    if (m_bar)
        m_bar->update();
}

void TSBOutBarGroup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(m_color));
}

void TSBOutBarGroup::FitList()
{
    // Its list fills the page.
    for (QObject* o : children())
        if (auto* list = qobject_cast<TSBVertListView*>(o))
            list->setGeometry(rect());
}

void TSBOutBarGroup::resizeEvent(QResizeEvent*)
{
    FitList();
}

void TSBOutBarGroup::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange && m_bar)
        m_bar->UpdateButton(GetIndex());
    else if (e->type() == QEvent::FontChange)
        UpdateRects();
    QWidget::changeEvent(e);
}

void TSBOutBarGroup::showEvent(QShowEvent*)
{
    FitList();
    if (m_bar && !m_bar->Loading() && GetIndex() != m_bar->m_activeIndex)
        m_bar->SetActiveGroup(this);
}

void TSBOutBarGroup::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton && m_bar)
        m_bar->CancelEdit();
}

// ---- caption editor ----

TSBOutBarGroupEdit::TSBOutBarGroupEdit(TCustomSBGroupBar* bar)
    : QLineEdit(bar)
    , m_bar(bar)
{
    hide();
    setFrame(true);
}

void TSBOutBarGroupEdit::Show()
{
    EditorCanceled = false;
    show();
    raise();
    setFocus();
    selectAll();
}

void TSBOutBarGroupEdit::Store()
{
    if (TSBOutBarGroup* group = m_bar->Groups(GroupIndex))
        group->SetCaption(text());
}

void TSBOutBarGroupEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        Store();
        EditorCanceled = true;
        hide();
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        EditorCanceled = true;
        hide();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TSBOutBarGroupEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    if (!isVisible())
        return;
    if (!EditorCanceled)
        Store();
    hide();
}

// ---- bar ----

TCustomSBGroupBar::TCustomSBGroupBar(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAcceptDrops(true);
    m_dragTimer.setInterval(500);
    m_dragTimer.setSingleShot(false);
    connect(&m_dragTimer, &QTimer::timeout, this, &TCustomSBGroupBar::DragTimerTick);
    m_editor = new TSBOutBarGroupEdit(this);
    resize(150, 200);
}

TCustomSBGroupBar::~TCustomSBGroupBar()
{
    m_destroying = true;
    // The editor goes first: losing the focus as the bar's widgets go must not store a caption.
    m_editor->EditorCanceled = true;
    delete m_editor;
    m_editor = nullptr;
    // Every page is detached and freed first.
    const std::vector<TSBOutBarGroup*> groups = m_groups;
    m_groups.clear();
    for (TSBOutBarGroup* g : groups) {
        g->m_bar = nullptr;
        delete g;
    }
}

TSBOutBarGroup* TCustomSBGroupBar::Groups(int index) const
{
    return index >= 0 && index < GroupCount() ? m_groups[size_t(index)] : nullptr;
}

int TCustomSBGroupBar::IndexOfGroup(const TSBOutBarGroup* group) const
{
    const auto it = std::find(m_groups.begin(), m_groups.end(), group);
    return it == m_groups.end() ? -1 : int(it - m_groups.begin());
}

void TCustomSBGroupBar::SetActiveGroup(TSBOutBarGroup* group)
{
    SetActiveGroupIndex(IndexOfGroup(group));
}

TSBOutBarGroup* TCustomSBGroupBar::GroupByName(const QString& caption) const
{
    for (TSBOutBarGroup* g : m_groups)
        if (g->Caption() == caption)
            return g;
    return nullptr;
}

void TCustomSBGroupBar::InsertGroup(TSBOutBarGroup* group)
{
    if (!group || IndexOfGroup(group) >= 0)
        return;
    m_groups.push_back(group);
    group->m_bar = this;
    if (group->parentWidget() != this) {
        group->setParent(this);
        group->hide();
    }
    group->update();
}

void TCustomSBGroupBar::SafeRemoveGroup(TSBOutBarGroup* group)
{
    const int index = IndexOfGroup(group);
    if (index < 0)
        return;
    if (!m_destroying && GroupCount() > 1 && index == m_activeIndex) {
        // The active page goes: the next one (the previous one for the last) takes its place.
        const int next = index == GroupCount() - 1 ? index - 1 : index + 1;
        TSBOutBarGroup* nextGroup = m_groups[size_t(next)];
        m_groups.erase(m_groups.begin() + index);
        m_activeIndex = IndexOfGroup(nextGroup);
        group->hide();
        PlaceGroup(nextGroup, GetActiveGroupRect());
        nextGroup->show();
        if (OnChange)
            OnChange(this);
    } else {
        // Another page goes: the active one stays active.
        m_groups.erase(m_groups.begin() + index);
        if (m_groups.empty())
            m_activeIndex = -1;
        else if (index < m_activeIndex)
            --m_activeIndex;
        update();
    }
    if (m_hotGroup >= GroupCount())
        m_hotGroup = -1;
    if (m_pressedGroup >= GroupCount())
        m_pressedGroup = -1;
    group->m_bar = nullptr;
    if (!m_groups.empty())
        InitGroupSize();
}

void TCustomSBGroupBar::RemoveGroup(TSBOutBarGroup* group)
{
    if (IndexOfGroup(group) < 0)
        return;
    SafeRemoveGroup(group);
    delete group;
}

TSBOutBarGroup* TCustomSBGroupBar::NewGroup()
{
    auto* group = new TSBOutBarGroup();
    group->setParent(this);
    group->hide();
    group->m_bar = this;
    group->m_caption = group->InitCaption();
    InsertGroup(group);
    if (GroupCount() == 1)
        SetActiveGroupIndex(0);
    InitGroupSize();
    return group;
}

void TCustomSBGroupBar::AddNewGroup()
{
    CancelEdit();
    NewGroup();
    EditGroupCaption(GroupCount() - 1);
}

void TCustomSBGroupBar::ExchangeGroup(int i, int j)
{
    if (!Groups(i) || !Groups(j) || i == j)
        return;
    TSBOutBarGroup* active = ActiveGroup();
    std::swap(m_groups[size_t(i)], m_groups[size_t(j)]);
    m_activeIndex = IndexOfGroup(active);
    InitGroupSize();
}

void TCustomSBGroupBar::SelectNextGroup(bool forward)
{
    if (m_groups.empty())
        return;
    const int n = GroupCount();
    SetActiveGroupIndex(((m_activeIndex + (forward ? 1 : -1)) % n + n) % n);
}

void TCustomSBGroupBar::SetActiveGroupIndex(int value)
{
    if (value == m_activeIndex || value < 0)
        return;
    if (m_loading) {
        m_loadedActive = value;
        return;
    }
    // The range first: an index past the pages has no page to ask whether it is enabled.
    if (value > GroupCount() - 1)
        RaiseErrorFmt(SBString(SErrInvalidActiveGroupIndex), 0, GroupCount() - 1);
    if (!GroupEnabled(value))
        return;
    if (Editing()) {
        CancelEdit();
        return;
    }
    if (!m_suppressChanging && OnChanging) {
        bool allow = true;
        OnChanging(this, value, allow);
        if (!allow)
            return;
    }
    TSBOutBarGroup* oldGroup = ActiveGroup();
    const TRect oldArea = GetActiveGroupRect();
    const bool down = value > m_activeIndex;
    m_activeIndex = value;
    TSBOutBarGroup* newGroup = m_groups[size_t(value)];
    if (m_frequency < 2 || !oldGroup || !isVisible()) {
        PlaceGroup(newGroup, GetActiveGroupRect());
        newGroup->show();
    } else {
        Animate(newGroup, oldArea, down);
    }
    if (oldGroup && oldGroup != newGroup) {
        const TRect a = GetActiveGroupRect();
        oldGroup->QWidget::setGeometry(a.Left, a.Top, a.Width(), 0);
        oldGroup->hide();
    }
    PlaceGroup(newGroup, GetActiveGroupRect());
    update();
    if (OnChange)
        OnChange(this);
    if (TSBVertListView* list = newGroup->GetListView())
        if (list->isVisible())
            list->setFocus();
}

void TCustomSBGroupBar::Animate(TSBOutBarGroup* newGroup, const TRect& oldArea, bool down)
{
    // The new page slides in over the swept area, one step per frame.
    const TRect target = GetActiveGroupRect();
    const int h = target.Height();
    newGroup->show();
    newGroup->raise();
    for (int step = 0; step < m_frequency; ++step) {
        const int offset = int(std::lround(double(step) * h / m_frequency));
        const int shownHeight = std::max(0, offset);
        if (down)
            newGroup->QWidget::setGeometry(target.Left, target.Bottom - shownHeight, target.Width(), shownHeight);
        else
            newGroup->QWidget::setGeometry(target.Left, target.Top, target.Width(), shownHeight);
        repaint();
        newGroup->repaint();
    }
    Q_UNUSED(oldArea);
}

void TCustomSBGroupBar::PlaceGroup(TSBOutBarGroup* group, const TRect& r)
{
    group->QWidget::setGeometry(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
    // A page not shown yet gets its resize only when shown: fit its list now.
    group->FitList();
}

void TCustomSBGroupBar::Loaded()
{
    m_loading = false;
    if (m_loadedActive >= 0) {
        m_suppressChanging = true;
        const int value = m_loadedActive;
        m_loadedActive = -1;
        SetActiveGroupIndex(value);
        m_suppressChanging = false;
    }
    InitGroupSize();
}

// ---- properties ----

void TCustomSBGroupBar::SetBorderStyle(TBorderStyle value)
{
    if (value == m_borderStyle)
        return;
    m_borderStyle = value;
    InitGroupSize();
}

void TCustomSBGroupBar::SetFlatGroups(bool value)
{
    if (value == m_flatGroups)
        return;
    m_flatGroups = value;
    update();
}

void TCustomSBGroupBar::SetHotTrack(bool value)
{
    if (value == m_hotTrack)
        return;
    m_hotTrack = value;
    update();
}

void TCustomSBGroupBar::SetButtonSpace(int value)
{
    if (value < 0)
        RaiseError(SBString(SErrInvalidPropValue));
    if (value == m_buttonSpace)
        return;
    m_buttonSpace = value;
    InitGroupSize();
}

void TCustomSBGroupBar::SetHotColor(TColor value)
{
    if (value == m_hotColor)
        return;
    m_hotColor = value;
    update();
}

void TCustomSBGroupBar::SetFrequency(int value)
{
    if (value < 0)
        return;
    m_frequency = value;
}

void TCustomSBGroupBar::SetButtonSpaceColor(TColor value)
{
    if (value == m_buttonSpaceColor)
        return;
    m_buttonSpaceColor = value;
    update();
}

void TCustomSBGroupBar::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
}

// ---- geometry ----

TRect TCustomSBGroupBar::LayoutRect() const
{
    TRect r(0, 0, width(), height());
    if (m_borderStyle == bsSingle)
        InflateRect(r, -1, -1);
    return r;
}

int TCustomSBGroupBar::ButtonHeight(int index) const
{
    const TSBOutBarGroup* g = Groups(index);
    if (!g)
        return 0;
    const int caption = g->CaptionAutoSize() ? 2 * QFontInfo(g->font()).pixelSize() : g->CaptionHeight();
    return caption + m_buttonSpace;
}

TRect TCustomSBGroupBar::GetButtonRect(int index) const
{
    if (index < 0 || index >= GroupCount())
        RaiseError(QStringLiteral("List index out of bounds (%1)").arg(index));
    const TRect layout = LayoutRect();
    TRect r(layout.Left, 0, layout.Right, 0);
    if (index > m_activeIndex) {
        int below = 0;
        for (int i = index + 1; i < GroupCount(); ++i)
            below += ButtonHeight(i);
        r.Bottom = layout.Bottom - below;
        r.Top = r.Bottom - ButtonHeight(index) + m_buttonSpace;
    } else {
        int above = 0;
        for (int i = 0; i < index; ++i)
            above += ButtonHeight(i);
        r.Top = layout.Top + above;
        r.Bottom = r.Top + ButtonHeight(index) - m_buttonSpace;
    }
    return r;
}

TRect TCustomSBGroupBar::GetActiveGroupRect() const
{
    TRect r = LayoutRect();
    if (m_activeIndex < 0)
        return r;
    for (int i = 0; i <= m_activeIndex; ++i)
        r.Top += ButtonHeight(i);
    r.Top -= m_buttonSpace;
    for (int i = m_activeIndex + 1; i < GroupCount(); ++i)
        r.Bottom -= ButtonHeight(i);
    if (m_activeIndex < GroupCount() - 1)
        r.Bottom += m_buttonSpace;
    return r;
}

int TCustomSBGroupBar::GetNGroupFromXY(int x, int y) const
{
    const TRect layout = LayoutRect();
    if (GroupCount() <= 1 || x < layout.Left || x >= layout.Right)
        return -1;
    const TRect active = GetActiveGroupRect();
    int found = -1;
    if (y >= layout.Top && y < active.Top) {
        int cum = layout.Top;
        for (int i = 0; i <= m_activeIndex && i < GroupCount(); ++i) {
            cum += ButtonHeight(i);
            if (y < cum) {
                found = i;
                break;
            }
        }
    } else if (y >= active.Bottom && y < layout.Bottom - 1) {
        int cum = layout.Bottom;
        for (int i = m_activeIndex + 1; i < GroupCount(); ++i)
            cum -= ButtonHeight(i);
        for (int i = m_activeIndex + 1; i < GroupCount(); ++i) {
            cum += ButtonHeight(i);
            if (y < cum) {
                found = i;
                break;
            }
        }
    }
    if (found >= GroupCount())
        RaiseError(SBString(SErrAssertFailed));
    return found;
}

bool TCustomSBGroupBar::GroupEnabled(int index) const
{
    if (index < 0 || m_loading)
        return true;
    const TSBOutBarGroup* g = Groups(index);
    return g && !g->testAttribute(Qt::WA_Disabled);
}

void TCustomSBGroupBar::InitGroupSize()
{
    if (TSBOutBarGroup* g = ActiveGroup())
        PlaceGroup(g, GetActiveGroupRect());
    if (m_editor && m_editor->isVisible() && Groups(m_editor->GroupIndex)) {
        const TRect b = GetButtonRect(m_editor->GroupIndex);
        m_editor->setGeometry(b.Left, b.Top, b.Width(), b.Height());
    }
    update();
}

void TCustomSBGroupBar::UpdateButton(int index)
{
    if (!Groups(index))
        return;
    const TRect r = GetButtonRect(index);
    update(QRect(r.Left, r.Top, r.Width(), r.Height() + m_buttonSpace));
}

// ---- caption editor ----

void TCustomSBGroupBar::EditGroupCaption(int index)
{
    TSBOutBarGroup* g = Groups(index);
    if (!g)
        return;
    if (m_editor->isVisible()) {
        CancelEdit();
        return;
    }
    const TRect b = GetButtonRect(index);
    m_editor->setGeometry(b.Left, b.Top, b.Width(), b.Height());
    m_editor->setText(g->Caption());
    m_editor->GroupIndex = index;
    m_editor->Show();
}

void TCustomSBGroupBar::EditActiveGroupCaption()
{
    EditGroupCaption(m_activeIndex);
}

void TCustomSBGroupBar::CancelEdit()
{
    // Closing the editor keeps what was typed, as its losing the focus does; only Escape drops it.
    if (m_editor && m_editor->isVisible()) {
        if (!m_editor->EditorCanceled)
            m_editor->Store();
        m_editor->EditorCanceled = true;
        m_editor->hide();
    }
}

bool TCustomSBGroupBar::DoGroupCaptionChanging(TSBOutBarGroup* group, const QString& newCaption)
{
    bool can = true;
    if (OnGroupCaptionChanging)
        OnGroupCaptionChanging(this, group, newCaption, can);
    return can;
}

void TCustomSBGroupBar::DoGroupCaptionChanged(TSBOutBarGroup* group)
{
    if (OnGroupCaptionChanged)
        OnGroupCaptionChanged(this, group);
}

bool TCustomSBGroupBar::DoDrawGroup(TSBOutBarGroup* group, const TRect& rect)
{
    bool ownerDraw = false;
    if (OnGroupDraw)
        OnGroupDraw(this, group, rect, ownerDraw);
    return ownerDraw;
}

// ---- mouse ----

void TCustomSBGroupBar::SetHotGroup(int index)
{
    if (index == m_hotGroup)
        return;
    const int old = m_hotGroup;
    m_hotGroup = index;
    if (!Editing() || old != m_editor->GroupIndex)
        UpdateButton(old);
    if (!Editing() || index != m_editor->GroupIndex)
        UpdateButton(index);
    if (TSBOutBarGroup* g = Groups(index)) {
        QToolTip::hideText();
        setToolTip(g->toolTip());
    }
}

void TCustomSBGroupBar::UpdateHotGroup()
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    SetHotGroup(rect().contains(p) ? GetNGroupFromXY(p.x(), p.y()) : -1);
}

void TCustomSBGroupBar::UpdateCursor(int x, int y)
{
    const int over = GetNGroupFromXY(x, y);
    if (over >= 0 && !(Editing() && over == m_editor->GroupIndex))
        setCursor(Screen->Cursor(crHandPoint));
    else
        unsetCursor();
}

void TCustomSBGroupBar::MouseDown(Qt::MouseButton button, int x, int y)
{
    if (button == Qt::RightButton) {
        CancelEdit();
        return;
    }
    if (button != Qt::LeftButton)
        return;
    const int over = GetNGroupFromXY(x, y);
    if (over < 0 || !GroupEnabled(over))
        return;
    m_pressedGroup = over;
    m_buttonPressed = true;
    UpdateButton(over);
}

void TCustomSBGroupBar::MouseMove(int x, int y)
{
    UpdateCursor(x, y);
    const int over = GetNGroupFromXY(x, y);
    if (m_pressedGroup >= 0) {
        // The pressed look follows the pointer in and out of the pressed button.
        const bool on = over == m_pressedGroup;
        if (on != m_buttonPressed) {
            m_buttonPressed = on;
            UpdateButton(m_pressedGroup);
        }
        return;
    }
    if (over >= 0 && (!GroupEnabled(over) || (Editing() && over == m_editor->GroupIndex)))
        return;
    SetHotGroup(over);
}

void TCustomSBGroupBar::MouseUp(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    const int pressed = m_pressedGroup;
    m_pressedGroup = -1;
    m_buttonPressed = false;
    if (pressed < 0)
        return;
    if (GetNGroupFromXY(x, y) == pressed) {
        SetActiveGroupIndex(pressed);
        m_hotGroup = -1;
        SetHotGroup(GetNGroupFromXY(x, y));
    }
    update();
}

void TCustomSBGroupBar::mousePressEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseDown(e->button(), p.x(), p.y());
}

void TCustomSBGroupBar::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseMove(p.x(), p.y());
}

void TCustomSBGroupBar::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseUp(e->button(), p.x(), p.y());
}

void TCustomSBGroupBar::leaveEvent(QEvent*)
{
    if (m_pressedGroup < 0)
        SetHotGroup(-1);
}

// ---- dragging over the captions ----

bool TCustomSBGroupBar::SBDragOver(const QPoint& p)
{
    if (p.x() < 0 || p.y() < 0 || p.x() >= width() - 1 || p.y() >= height() - 1)
        return false;
    const int over = GetNGroupFromXY(p.x(), p.y());
    if (over != m_dragGroup || !m_dragTimer.isActive()) {
        m_dragGroup = over;
        if (over >= 0)
            m_dragTimer.start();
        else
            m_dragTimer.stop();
    }
    return true;
}

void TCustomSBGroupBar::SBDragLeave()
{
    m_dragTimer.stop();
    m_dragGroup = -1;
}

void TCustomSBGroupBar::DragTimerTick()
{
    m_dragTimer.stop();
    const QPoint p = mapFromGlobal(QCursor::pos());
    const int over = GetNGroupFromXY(p.x(), p.y());
    if (m_dragGroup >= 0 && over == m_dragGroup)
        SetActiveGroupIndex(m_dragGroup);
    m_dragGroup = -1;
}

void TCustomSBGroupBar::dragEnterEvent(QDragEnterEvent* e)
{
    if (SBDragOver(e->position().toPoint()))
        e->acceptProposedAction();
}

void TCustomSBGroupBar::dragMoveEvent(QDragMoveEvent* e)
{
    if (SBDragOver(e->position().toPoint()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void TCustomSBGroupBar::dragLeaveEvent(QDragLeaveEvent*)
{
    SBDragLeave();
}

// ---- painting ----

void TCustomSBGroupBar::DrawButton(QPainter& p, int index)
{
    TSBOutBarGroup* g = m_groups[size_t(index)];
    const TRect r = GetButtonRect(index);
    if (DoDrawGroup(g, r))
        return;
    const bool pressed = m_buttonPressed && index == m_pressedGroup;
    const bool hot = index == m_hotGroup;
    p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ColorToQColor(g->Color()));
    TRect edge = r;
    DrawEdge(p, edge, pressed ? EDGE_ETCHED : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    QColor text = ColorToQColor(clBtnText);
    if (!GroupEnabled(index))
        text = ColorToQColor(clGrayText);
    else if (m_hotTrack && hot)
        text = ColorToQColor(m_hotColor);
    p.setPen(text);
    p.setFont(g->font());
    QRect textRect(edge.Left + 3, edge.Top, edge.Width() - 6, edge.Height());
    if (pressed)
        textRect.translate(1, 1);
    const Qt::Alignment align = g->CaptionAlignment() == taLeftJustify    ? Qt::AlignLeft
                                : g->CaptionAlignment() == taRightJustify ? Qt::AlignRight
                                                                          : Qt::AlignHCenter;
    p.drawText(textRect, int(align | Qt::AlignVCenter | Qt::TextSingleLine),
               p.fontMetrics().elidedText(g->Caption(), Qt::ElideRight, textRect.width()));
    const QColor black = ColorToQColor(clBlack), grey = ColorToQColor(clBtnShadow);
    if (pressed) {
        p.setPen(black);
        p.drawLine(r.Left, r.Top, r.Right - 1, r.Top);
        p.drawLine(r.Left, r.Top, r.Left, r.Bottom - 1);
        p.setPen(grey);
        p.drawLine(r.Left + 1, r.Top + 1, r.Right - 2, r.Top + 1);
        p.drawLine(r.Left + 1, r.Top + 1, r.Left + 1, r.Bottom - 2);
    } else if (!m_flatGroups || hot) {
        p.setPen(grey);
        p.drawLine(r.Right - 2, r.Top + 1, r.Right - 2, r.Bottom - 2);
        p.drawLine(r.Left + 1, r.Bottom - 2, r.Right - 2, r.Bottom - 2);
        p.setPen(black);
        p.drawLine(r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1);
        p.drawLine(r.Left, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
    } else if (index == m_activeIndex) {
        p.setPen(black);
        p.drawLine(r.Left, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
    }
    if (m_buttonSpace > 0)
        p.fillRect(QRect(r.Left, r.Bottom, r.Width(), m_buttonSpace), ColorToQColor(m_buttonSpaceColor));
}

void TCustomSBGroupBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_groups.empty() || m_activeIndex < 0)
        p.fillRect(rect(), ColorToQColor(m_color));
    if (m_borderStyle == bsSingle) {
        p.setPen(ColorToQColor(clBtnShadow));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        if (m_activeIndex >= 0) {
            const TRect a = GetActiveGroupRect();
            p.setPen(ColorToQColor(clBlack));
            p.drawLine(a.Left, GetButtonRect(m_activeIndex).Top, a.Left, a.Bottom - 1);
        }
    }
    for (int i = 0; i < GroupCount(); ++i)
        DrawButton(p, i);
}

void TCustomSBGroupBar::resizeEvent(QResizeEvent*)
{
    InitGroupSize();
}

void TCustomSBGroupBar::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        InitGroupSize();
    QWidget::changeEvent(e);
}
