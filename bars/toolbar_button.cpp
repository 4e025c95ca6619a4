#include "bars/toolbar_button.h"

#include "bars/dock_bar_common.h"
#include "bars/image_list.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>

bool TToolbarButtonX::ButtonsStayDown = true;

namespace {

QPointer<TToolbarButtonX> g_mouseInControl;
QTimer* g_mouseTimer = nullptr;
int g_buttonCount = 0;

// The control under the cursor, windowless ones included.
QWidget* ControlUnderCursor()
{
    return QApplication::widgetAt(QCursor::pos());
}

void ButtonHookProc(THookProcCode code, QWidget*, uintptr_t wParam, intptr_t)
{
    TToolbarButtonX* hot = g_mouseInControl;
    if (!hot)
        return;
    if (code == hpSendActivateApp) {
        if (wParam == 0 && !hot->ShowBorderWhenInactive)
            hot->MouseLeft();
    } else if (code == hpPostMouseMove) {
        if (ControlUnderCursor() != hot)
            hot->MouseLeft();
    }
}

} // namespace

TToolbarButtonX* TToolbarButtonX::ButtonMouseInControl()
{
    return g_mouseInControl;
}

TToolbarButtonX::TToolbarButtonX(QWidget* parent) : QWidget(parent), m_alive(std::make_shared<bool>(true))
{
    resize(23, 22);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_glyph.OnChange = [this] { Redraw(true); };
    if (g_buttonCount++ == 0) {
        g_mouseTimer = new QTimer;
        g_mouseTimer->setInterval(125);
    }
    InstallHookProc(ButtonHookProc, HookCode(hpSendActivateApp) | HookCode(hpPostMouseMove), false);
}

TToolbarButtonX::~TToolbarButtonX()
{
    *m_alive = false;
    if (m_keyWindow)
        m_keyWindow->removeEventFilter(this);
    m_actionLink.reset();
    RemoveButtonMouseTimer();
    UninstallHookProc(ButtonHookProc);
    if (--g_buttonCount == 0) {
        delete g_mouseTimer;
        g_mouseTimer = nullptr;
    }
}

QString TToolbarButtonX::Version() const
{
    return QString::fromLatin1("DockBars version 1.78");
}

void TToolbarButtonX::SetAlignment(TAlignment value)
{
    if (value != m_alignment) {
        m_alignment = value;
        Redraw(true);
    }
}

void TToolbarButtonX::SetAllowAllUp(bool value)
{
    if (value != m_allowAllUp) {
        m_allowAllUp = value;
        UpdateExclusive();
    }
}

void TToolbarButtonX::SetCaption(const QString& caption)
{
    if (caption != m_caption) {
        m_caption = caption;
        UpdateAccelerator();
        Redraw(true);
    }
}

void TToolbarButtonX::UpdateAccelerator()
{
    // Alt and the letter comes before the focused control, which would take it as text: a
    // shortcut of the button's window. The letter alone comes through the window's keys.
    const QKeySequence mnemonic = QKeySequence::mnemonic(m_caption);
    if (mnemonic.isEmpty()) {
        delete m_accelerator;
        m_accelerator = nullptr;
        return;
    }
    if (!m_accelerator) {
        m_accelerator = new QShortcut(this);
        m_accelerator->setContext(Qt::WindowShortcut);
        const auto activated = [this] {
            if (TakesKeys() && m_displayMode != dmGlyphOnly)
                Click();
        };
        connect(m_accelerator, &QShortcut::activated, this, activated);
        connect(m_accelerator, &QShortcut::activatedAmbiguously, this, activated);
    }
    m_accelerator->setKey(mnemonic);
}

void TToolbarButtonX::SetColor(TColor color)
{
    if (color != m_color) {
        m_color = color;
        Redraw(true);
    }
}

void TToolbarButtonX::SetDisplayMode(TButtonDisplayMode mode)
{
    if (mode != m_displayMode) {
        m_displayMode = mode;
        Redraw(true);
    }
}

void TToolbarButtonX::SetDropdownAlways(bool value)
{
    const bool before = UsesDropdown();
    m_dropdownAlways = value;
    if (before != UsesDropdown() && (m_dropdownArrow || m_dropdownCombo))
        Redraw(true);
}

void TToolbarButtonX::SetDropdownArrow(bool value)
{
    if (value != m_dropdownArrow) {
        m_dropdownArrow = value;
        Redraw(true);
    }
}

void TToolbarButtonX::SetDropdownArrowWidth(int value)
{
    value = std::max(value, 7);
    if (value == m_dropdownArrowWidth)
        return;
    const int diff = value - m_dropdownArrowWidth;
    m_dropdownArrowWidth = value;
    if (m_dropdownCombo)
        resize(std::max(width() + diff, 1), height());
    Redraw(true);
}

void TToolbarButtonX::SetDropdownCombo(bool value)
{
    if (value == m_dropdownCombo)
        return;
    m_dropdownCombo = value;
    const int extra = m_dropdownArrowWidth + 2;
    resize(std::max(value ? width() + extra : width() - extra, 1), height());
    Redraw(true);
}

void TToolbarButtonX::SetDropdownMenu(QMenu* menu)
{
    const bool before = UsesDropdown();
    m_dropdownMenu = menu;
    if (before != UsesDropdown() && (m_dropdownArrow || m_dropdownCombo))
        Redraw(true);
}

void TToolbarButtonX::SetFlat(bool value)
{
    if (value != m_flat) {
        m_flat = value;
        setAttribute(Qt::WA_OpaquePaintEvent, !(m_flat && !m_opaque));
        Redraw(true);
    }
}

void TToolbarButtonX::SetGroupIndex(int value)
{
    if (value != m_groupIndex) {
        m_groupIndex = value;
        UpdateExclusive();
    }
}

void TToolbarButtonX::SetHighlightWhenDown(bool value)
{
    if (value != m_highlightWhenDown) {
        m_highlightWhenDown = value;
        if (m_down)
            Redraw(true);
    }
}

void TToolbarButtonX::SetImages(TCustomImageList* list)
{
    if (list == Images())
        return;
    QObject::disconnect(m_imagesGone);
    QObject::disconnect(m_imagesChanged);
    m_glyph.SetImageList(list);
    if (auto* owned = dynamic_cast<TImageList*>(list)) {
        m_imagesGone = connect(owned, &QObject::destroyed, this, [this] { SetImages(nullptr); });
        // The drawn picture is kept: a changed image list makes it be drawn again.
        m_imagesChanged = connect(owned, &TImageList::Change, this, [this] {
            m_glyph.Invalidate();
            Redraw(true);
        });
    }
}

void TToolbarButtonX::SetLayout(TButtonLayout layout)
{
    if (layout != m_layout) {
        m_layout = layout;
        Redraw(true);
    }
}

void TToolbarButtonX::SetMargin(int margin)
{
    if (margin != m_margin && margin >= -1) {
        m_margin = margin;
        Redraw(true);
    }
}

void TToolbarButtonX::SetNoBorder(bool value)
{
    if (value != m_noBorder) {
        m_noBorder = value;
        update();
    }
}

void TToolbarButtonX::SetOpaque(bool value)
{
    if (value != m_opaque) {
        m_opaque = value;
        setAttribute(Qt::WA_OpaquePaintEvent, !(m_flat && !m_opaque));
        update();
    }
}

void TToolbarButtonX::SetSpacing(int spacing)
{
    if (spacing != m_spacing) {
        m_spacing = spacing;
        Redraw(true);
    }
}

void TToolbarButtonX::SetWordWrap(bool value)
{
    if (value != m_wordWrap) {
        m_wordWrap = value;
        Redraw(true);
    }
}

void TToolbarButtonX::SetDown(bool value)
{
    if (m_groupIndex == 0)
        value = false;
    if (value == m_down)
        return;
    // A pressed member is raised only by another member going down.
    if (m_down && !m_allowAllUp)
        return;
    m_down = value;
    m_state = !isEnabled() ? bsDisabled : value ? bsExclusive : bsUp;
    Redraw(true);
    if (value)
        UpdateExclusive();
}

void TToolbarButtonX::UpdateExclusive()
{
    if (m_groupIndex == 0 || !parentWidget())
        return;
    for (QObject* o : parentWidget()->children()) {
        auto* other = qobject_cast<TToolbarButtonX*>(o);
        if (!other || other == this || other->m_groupIndex != m_groupIndex)
            continue;
        other->m_allowAllUp = m_allowAllUp;
        if (m_down && other->m_down) {
            other->m_down = false;
            other->m_state = other->isEnabled() ? bsUp : bsDisabled;
            other->Redraw(true);
        }
    }
}

void TToolbarButtonX::Redraw(bool)
{
    update();
}

bool TToolbarButtonX::PointInButton(int x, int y) const
{
    const int right = (m_dropdownCombo && UsesDropdown()) ? width() - (m_dropdownArrowWidth + 2) : width();
    return x >= 0 && y >= 0 && y < height() && x < right;
}

void TToolbarButtonX::MouseEntered()
{
    if (!isEnabled() || m_mouseInControl)
        return;
    m_mouseInControl = true;
    if (m_state == bsUp)
        m_state = bsMouseIn;
    if (m_flat || NumGlyphs() >= 5)
        Redraw(m_down || NumGlyphs() >= 5);
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TToolbarButtonX::MouseLeft()
{
    if (!isEnabled() || !m_mouseInControl || m_mouseIsDown)
        return;
    m_mouseInControl = false;
    RemoveButtonMouseTimer();
    const TButtonStateX old = m_state;
    if (m_state == bsMouseIn || (m_state == bsDown && !m_inClick))
        m_state = (m_down && m_groupIndex != 0) ? bsExclusive : bsUp;
    if (m_flat || NumGlyphs() >= 5 || ((old == bsMouseIn) != (old != m_state)))
        Redraw(true);
    if (OnMouseExit)
        OnMouseExit(this);
}

void TToolbarButtonX::RemoveButtonMouseTimer()
{
    if (g_mouseInControl == this) {
        if (g_mouseTimer) {
            g_mouseTimer->stop();
            g_mouseTimer->disconnect();
        }
        g_mouseInControl = nullptr;
    }
}

void TToolbarButtonX::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    BecomeHot();
}

void TToolbarButtonX::BecomeHot()
{
    if (g_mouseInControl == this)
        return;
    if (g_mouseInControl)
        g_mouseInControl->MouseLeft();
    // An inactive program shows no hot border unless the button asks to.
    if (!ShowBorderWhenInactive && !ApplicationIsActive())
        return;
    g_mouseInControl = this;
    if (g_mouseTimer) {
        g_mouseTimer->disconnect();
        QObject::connect(g_mouseTimer, &QTimer::timeout, this, [this] {
            if (ControlUnderCursor() != this)
                MouseLeft();
        });
        g_mouseTimer->start();
    }
    MouseEntered();
}

void TToolbarButtonX::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    MouseLeft();
}

void TToolbarButtonX::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled())
        return;
    if (m_swallowPress) {
        // The press that closed this button's own menu.
        m_swallowPress = false;
        return;
    }
    const int x = int(event->position().x());
    if (event->button() != Qt::LeftButton) {
        MouseEntered();
        return;
    }
    MouseEntered();
    m_menuIsDown = UsesDropdown() && (!m_dropdownCombo || x >= width() - (m_dropdownArrowWidth + 2));
    if (!m_down) {
        m_state = bsDown;
        Redraw(true);
    } else if (m_allowAllUp) {
        Redraw(true);
    }
    if (!m_menuIsDown)
        m_mouseIsDown = true;
    const std::shared_ptr<bool> alive = m_alive;
    if (m_menuIsDown) {
        Click();
    } else if (Repeating) {
        Click();
        if (!*alive)
            return;
        if (!m_repeatTimer) {
            m_repeatTimer = std::make_unique<QTimer>();
            QObject::connect(m_repeatTimer.get(), &QTimer::timeout, this, [this] { RepeatTimerHandler(); });
        }
        m_repeatTimer->start(RepeatDelay);
    }
    if (*alive)
        m_menuIsDown = false;
}

void TToolbarButtonX::RepeatTimerHandler()
{
    m_repeatTimer->setInterval(RepeatInterval);
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (Repeating && m_mouseIsDown && PointInButton(p.x(), p.y()))
        Click();
    else
        m_repeatTimer->stop();
}

void TToolbarButtonX::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    // A click or a closed menu ends the hot look with the cursor still on the button.
    if (g_mouseInControl != this && ControlUnderCursor() == this)
        BecomeHot();
    if (!m_mouseIsDown)
        return;
    const QPoint p = event->position().toPoint();
    const TButtonStateX state = m_down ? bsExclusive : PointInButton(p.x(), p.y()) ? bsDown : bsUp;
    if (m_repeatTimer && PointInButton(p.x(), p.y()) && !m_repeatTimer->isActive())
        m_repeatTimer->start();
    if (state != m_state) {
        m_state = state;
        Redraw(true);
    }
}

void TToolbarButtonX::mouseReleaseEvent(QMouseEvent* event)
{
    m_repeatTimer.reset();
    m_swallowPress = false;
    if (event->button() == Qt::RightButton && isEnabled()) {
        m_mouseIsDown = false;
        MouseLeft();
        return;
    }
    if (event->button() == Qt::LeftButton && m_mouseIsDown) {
        m_mouseIsDown = false;
        const QPoint p = event->position().toPoint();
        if (PointInButton(p.x(), p.y()) && !Repeating)
            Click();
        else
            MouseLeft();
    }
}

void TToolbarButtonX::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like the first.
    mousePressEvent(event);
    if (m_down && OnDblClick)
        OnDblClick(this);
}

void TToolbarButtonX::Click()
{
    const std::shared_ptr<bool> alive = m_alive;
    if (Repeating && !m_menuIsDown) {
        ClickHandler();
        return;
    }
    m_inClick = true;
    if (m_groupIndex != 0 && !m_menuIsDown)
        SetDown(!m_down);
    const bool popup = UsesDropdown() && (!m_dropdownCombo || m_menuIsDown);
    if (ButtonsStayDown || popup) {
        if (m_state == bsUp || m_state == bsMouseIn) {
            m_state = bsDown;
            Redraw(true);
        }
    } else if (m_state == bsDown) {
        m_state = (m_down && m_groupIndex != 0) ? bsExclusive : bsUp;
        Redraw(true);
    }
    MouseLeft();
    if (!popup) {
        ClickAndSetModalResult();
    } else {
        if (!m_dropdownCombo)
            ClickHandler();
        if (!*alive)
            return;
        QMenu* menu = m_dropdownMenu;
        bool showMenu = menu != nullptr;
        bool removeClicks = true;
        if (OnDropdown)
            OnDropdown(this, showMenu, removeClicks);
        if (!*alive)
            return;
        menu = m_dropdownMenu;
        if (menu && showMenu) {
            QPoint at(0, height());
            const TGetToolbarDockPosType where =
                GetToolbarDockPosProc ? GetToolbarDockPosProc(parentWidget()) : gtpNone;
            bool alignRight = false;
            if (where == gtpLeft)
                at = QPoint(width(), 0);
            else if (where == gtpRight) {
                at = QPoint(0, 0);
                alignRight = true;
            }
            QPoint global = mapToGlobal(at);
            if (alignRight)
                global.rx() -= menu->sizeHint().width();
            // The handler of a menu item may free this button: nothing of it is touched after
            // the menu unless it still lives.
            menu->exec(global);
            if (!*alive)
                return;
            if (removeClicks && rect().contains(mapFromGlobal(QCursor::pos())) &&
                (QGuiApplication::mouseButtons() & Qt::LeftButton))
                m_swallowPress = true;
        }
    }
    if (!*alive)
        return;
    m_inClick = false;
    if (m_state == bsDown)
        m_state = bsUp;
    Redraw(true);
    MouseLeft();
}

void TToolbarButtonX::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_state = bsDisabled;
            m_mouseInControl = false;
            m_mouseIsDown = false;
            RemoveButtonMouseTimer();
            m_repeatTimer.reset();
        } else if (m_state == bsDisabled) {
            m_state = (m_down && m_groupIndex != 0) ? bsExclusive : bsUp;
        }
        Redraw(true);
    } else if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        if (event->type() == QEvent::PaletteChange)
            m_glyph.Invalidate();
        Redraw(true);
    }
    QWidget::changeEvent(event);
}

void TToolbarButtonX::Loaded()
{
    if (TCustomAction* action = Action())
        ActionChange(action, true);
    m_glyph.CreateButtonGlyph(isEnabled() ? bsUp : bsDisabled);
}

void TToolbarButtonX::ClickAndSetModalResult()
{
    // As with the form's own buttons, the result is the form's before OnClick runs, which may
    // take it back; a modal form closes with what is left once the handler is done.
    const QPointer<QDialog> form = qobject_cast<QDialog*>(window());
    const int result = ModalResult;
    if (form)
        form->setResult(result);
    ClickHandler();
    if (result != 0 && form && form->isVisible() && form->isModal() && form->result() != 0)
        form->done(form->result());
}

void TToolbarButtonX::ClickHandler()
{
    if (OnClick)
        OnClick(this);
    else if (m_actionLink)
        m_actionLink->Execute();
}

// ---------------------------------------------------------------------------------------------
// The action.

namespace {

// The button's own Enabled and Visible, whatever its parents are.
bool OwnEnabled(const QWidget* w)
{
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

bool OwnVisible(const QWidget* w)
{
    return !w->isHidden() || !w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

} // namespace

void TToolbarButtonX::SetAction(TCustomAction* action)
{
    if (action == Action())
        return;
    if (!action) {
        m_actionLink.reset();
        return;
    }
    if (!m_actionLink)
        m_actionLink = std::make_unique<TToolbarButtonXActionLink>(this);
    m_actionLink->SetAction(action);
    ActionChange(action, false);
}

void TToolbarButtonX::ActionChange(TCustomAction* sender, bool checkDefaults)
{
    if (!sender)
        return;
    if (!checkDefaults || m_caption.isEmpty())
        SetCaption(sender->Caption());
    if (!checkDefaults || OwnEnabled(this))
        setEnabled(sender->Enabled());
    if (!checkDefaults || Hint().isEmpty())
        SetHint(sender->Hint());
    if (!checkDefaults || OwnVisible(this))
        setVisible(sender->Visible());
    if (!checkDefaults || !m_down)
        SetDown(sender->Checked());
    if (!checkDefaults || m_helpContext == 0)
        SetHelpContext(sender->HelpContext());
    if (!checkDefaults || ImageIndex() == -1)
        SetImageIndex(sender->ImageIndex());
}

void TToolbarButtonX::AssignTo(TCustomAction* dest) const
{
    if (!dest)
        return;
    dest->SetEnabled(OwnEnabled(this));
    dest->SetHint(Hint());
    dest->SetCaption(m_caption);
    dest->SetVisible(OwnVisible(this));
    dest->OnExecute = nullptr;
    if (OnClick)
        dest->OnExecute = [handler = OnClick, button = QPointer<TToolbarButtonX>(
                                                  const_cast<TToolbarButtonX*>(this))](TCustomAction*) {
            if (button)
                handler(button);
        };
    dest->SetChecked(m_down);
}

TToolbarButtonXActionLink::~TToolbarButtonXActionLink()
{
    QObject::disconnect(m_changed);
}

TToolbarButtonXActionLink::TActionValues TToolbarButtonXActionLink::ValuesOf(const TCustomAction& action)
{
    TActionValues v;
    v.Caption = action.Caption();
    v.Hint = action.Hint();
    v.Checked = action.Checked();
    v.Enabled = action.Enabled();
    v.Visible = action.Visible();
    v.HelpContext = action.HelpContext();
    v.ImageIndex = action.ImageIndex();
    return v;
}

void TToolbarButtonXActionLink::SetAction(TCustomAction* action)
{
    QObject::disconnect(m_changed);
    m_action = action;
    if (!action)
        return;
    m_values = ValuesOf(*action);
    m_changed = QObject::connect(action, &QAction::changed, m_client, [this] { ActionChanged(); });
}

bool TToolbarButtonXActionLink::IsCaptionLinked() const
{
    return m_action && m_client->Caption() == m_values.Caption;
}

bool TToolbarButtonXActionLink::IsCheckedLinked() const
{
    return m_action && m_client->Down() == m_values.Checked;
}

bool TToolbarButtonXActionLink::IsEnabledLinked() const
{
    return m_action && OwnEnabled(m_client) == m_values.Enabled;
}

bool TToolbarButtonXActionLink::IsHelpContextLinked() const
{
    return m_action && m_client->HelpContext() == m_values.HelpContext;
}

bool TToolbarButtonXActionLink::IsHintLinked() const
{
    return m_action && m_client->Hint() == m_values.Hint;
}

bool TToolbarButtonXActionLink::IsImageIndexLinked() const
{
    return m_action && m_client->ImageIndex() == m_values.ImageIndex;
}

bool TToolbarButtonXActionLink::IsVisibleLinked() const
{
    return m_action && OwnVisible(m_client) == m_values.Visible;
}

bool TToolbarButtonXActionLink::Execute()
{
    if (!m_action)
        return false;
    m_action->Execute();
    return true;
}

void TToolbarButtonXActionLink::ActionChanged()
{
    if (!m_action)
        return;
    // The tests compare with the values before the change: they still hold in m_values.
    const TActionValues now = ValuesOf(*m_action);
    const TActionValues& was = m_values;
    TToolbarButtonX* client = m_client;
    if (now.Caption != was.Caption && IsCaptionLinked())
        client->SetCaption(now.Caption);
    if (now.Enabled != was.Enabled && IsEnabledLinked())
        client->setEnabled(now.Enabled);
    if (now.Hint != was.Hint && IsHintLinked())
        client->SetHint(now.Hint);
    if (now.Checked != was.Checked && IsCheckedLinked())
        client->SetDown(now.Checked);
    if (now.HelpContext != was.HelpContext && IsHelpContextLinked())
        client->SetHelpContext(now.HelpContext);
    if (now.ImageIndex != was.ImageIndex && IsImageIndexLinked())
        client->SetImageIndex(now.ImageIndex);
    if (now.Visible != was.Visible && IsVisibleLinked())
        client->setVisible(now.Visible);
    m_values = now;
}

// ---------------------------------------------------------------------------------------------
// Keys: Escape and Enter for Cancel and Default, the caption's accelerator.

void TToolbarButtonX::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    WatchWindowKeys();
}

void TToolbarButtonX::WatchWindowKeys()
{
    QWidget* w = window();
    if (w == m_keyWindow)
        return;
    if (m_keyWindow)
        m_keyWindow->removeEventFilter(this);
    m_keyWindow = w;
    if (w && w != this)
        w->installEventFilter(this);
}

bool TToolbarButtonX::TakesKeys() const
{
    // Shown, enabled and on a form that may take the focus.
    return isVisible() && isEnabled() && window()->isEnabled() && window()->isVisible();
}

bool TToolbarButtonX::TakesDialogKey(const QKeyEvent& key) const
{
    if (!TakesKeys())
        return false;
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && ((Default && (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)) ||
                                   (Cancel && key.key() == Qt::Key_Escape)))
        return true;
    return IsAccelerator(key);
}

bool TToolbarButtonX::IsAccelerator(const QKeyEvent& key) const
{
    if (m_displayMode == dmGlyphOnly || (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    const QKeySequence mnemonic = QKeySequence::mnemonic(m_caption);
    return !mnemonic.isEmpty() && mnemonic[0].key() == Qt::Key(key.key());
}

void TToolbarButtonX::CancelMode()
{
    if (m_repeatTimer)
        m_repeatTimer->stop();
    if (m_mouseIsDown) {
        m_mouseIsDown = false;
        MouseLeft();
    }
}

bool TToolbarButtonX::eventFilter(QObject* watched, QEvent* event)
{
    // A modal form takes the mouse: the press held on the button never sees its release.
    if (watched == m_keyWindow && event->type() == QEvent::WindowBlocked)
        CancelMode();
    // The window sees a key only when no control of it took the key first.
    if (watched == m_keyWindow && watched == window() && event->type() == QEvent::KeyPress &&
        TakesDialogKey(*static_cast<QKeyEvent*>(event))) {
        Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

TFont TToolbarButtonX::ButtonFont() const
{
    TFont f;
    const QFont qf = font();
    f.Name = qf.family();
    f.Height = qf.pixelSize() > 0 ? -qf.pixelSize() : -int(qf.pointSizeF() * 96.0 / 72.0 + 0.5);
    f.Style = (qf.bold() ? fsBold : 0) | (qf.italic() ? fsItalic : 0);
    f.Color = clBtnText;
    return f;
}

void TToolbarButtonX::paintEvent(QPaintEvent*)
{
    const bool offscreen = m_opaque || !m_flat;
    QImage buffer;
    QPainter direct;
    QPainter* p;
    QPainter bufferPainter;
    if (offscreen) {
        buffer = QImage(size(), QImage::Format_RGB32);
        buffer.fill(ColorToQColor(m_color));
        bufferPainter.begin(&buffer);
        p = &bufferPainter;
    } else {
        direct.begin(this);
        p = &direct;
    }
    const bool designTime = false;
    const bool pushed = m_state == bsDown || m_state == bsExclusive;
    const bool comboShown = m_dropdownCombo && UsesDropdown();
    const bool highlighted = m_state == bsExclusive || (m_state == bsDown && (!comboShown || !m_menuIsDown));
    bool drawBorder;
    if (designTime)
        drawBorder = true;
    else if (m_noBorder)
        drawBorder = false;
    else if (!m_flat || pushed)
        drawBorder = true;
    else
        drawBorder = m_mouseInControl && m_state != bsDisabled;

    TRect r(0, 0, width(), height());
    const unsigned raised = m_flat ? BDR_RAISEDINNER : EDGE_RAISED;
    const unsigned sunken = m_flat ? BDR_SUNKENOUTER : EDGE_SUNKEN;
    const unsigned flags = m_flat ? BF_RECT : (BF_RECT | BF_SOFT | BF_MIDDLE);
    if (comboShown && drawBorder) {
        TRect arrow(r.Right - (2 + m_dropdownArrowWidth), r.Top, r.Right - 2, r.Bottom);
        DrawEdge(*p, arrow, (pushed && m_menuIsDown) ? sunken : raised, flags);
    }
    if (comboShown)
        r.Right -= m_dropdownArrowWidth + 2;
    if (drawBorder) {
        TRect edge = r;
        DrawEdge(*p, edge, highlighted ? sunken : raised, flags);
    }
    if (!m_noBorder)
        InflateRect(r, m_flat ? -1 : -2, m_flat ? -1 : -2);
    TPoint offset(0, 0);
    if (highlighted) {
        if (m_state == bsExclusive && !(m_flat && m_mouseInControl) && !m_menuIsDown && m_highlightWhenDown)
            p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ButtonDownPattern());
        offset = TPoint(1, 1);
    }
    const bool arrow = !m_dropdownCombo && UsesDropdown() && m_dropdownArrow;
    m_glyph.CallDormant = CallDormant;
    const TFont font = ButtonFont();
    m_glyph.Draw(*p, font, r, offset, m_caption, m_layout, m_margin, m_spacing, arrow, m_dropdownArrowWidth,
                 m_state, m_alignment, m_wordWrap, m_displayMode != dmTextOnly, m_displayMode != dmGlyphOnly);
    if (comboShown)
        TButtonGlyph::DrawButtonDropArrow(*p, font, width() - m_dropdownArrowWidth - 2, height() / 2 - 1,
                                          m_state, m_dropdownArrowWidth);
    if (offscreen) {
        bufferPainter.end();
        QPainter out(this);
        out.drawImage(0, 0, buffer);
    }
}
