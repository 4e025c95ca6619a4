#include "bars/sb_panels.h"

#include "bars/sb_mouse_manager.h"
#include "bars/sb_panel_draw.h"
#include "platform/control_classes.h"
#include "platform/cursors.h"
#include "platform/system_metrics.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <cmath>

namespace {

int BevelCount(TPanelBevel inner, TPanelBevel outer)
{
    return (inner != bvNone ? 1 : 0) + (outer != bvNone ? 1 : 0);
}

void DrawBevel(TCanvas& c, TRect& r, TPanelBevel bevel, int width, unsigned sides)
{
    if (bevel == bvNone)
        return;
    if (bevel == bvRaised)
        DrawBorderSides(c, r, sides, width, clBtnHighlight, clBtnShadow);
    else if (bevel == bvLowered)
        DrawBorderSides(c, r, sides, width, clBtnShadow, clBtnHighlight);
    if (sides & BorderSide(bdLeft))
        r.Left += width;
    if (sides & BorderSide(bdTop))
        r.Top += width;
    if (sides & BorderSide(bdRight))
        r.Right -= width;
    if (sides & BorderSide(bdBottom))
        r.Bottom -= width;
}

// A font the widget keeps as its own, not following its parent's.
QFont OwnFont(const QFont& f)
{
    QFont own(f);
    own.setFamily(f.family());
    own.setPointSizeF(f.pointSizeF() > 0 ? f.pointSizeF() : 8);
    return own;
}

} // namespace

// ---- panel ----

TCustomPanel::TCustomPanel(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::NoFrame);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCustomPanel::SetBevelInner(TPanelBevel value)
{
    if (StoreChanged(m_bevelInner, value))
        RealignAndRepaint();
}

void TCustomPanel::SetBevelOuter(TPanelBevel value)
{
    if (StoreChanged(m_bevelOuter, value))
        RealignAndRepaint();
}

void TCustomPanel::SetBevelWidth(int value)
{
    if (value >= 1 && StoreChanged(m_bevelWidth, value))
        RealignAndRepaint();
}

void TCustomPanel::SetBorderWidth(int value)
{
    if (value >= 0 && StoreChanged(m_borderWidth, value))
        RealignAndRepaint();
}

void TCustomPanel::SetColor(TColor value)
{
    if (StoreChanged(m_color, value))
        update();
}

void TCustomPanel::SetAlignment(TAlignment value)
{
    if (StoreChanged(m_alignment, value))
        update();
}

void TCustomPanel::SetCaption(const QString& value)
{
    if (StoreChanged(m_caption, value))
        update();
}

void TCustomPanel::RealignAndRepaint()
{
    Realign();
    update();
}

void TCustomPanel::SetAlign(TAlign value)
{
    m_align = value;
    if (auto* p = qobject_cast<TCustomPanel*>(parentWidget()))
        p->Realign();
}

TRect TCustomPanel::ClientRect() const
{
    TRect r(0, 0, width(), height());
    const int inset = m_borderWidth + m_bevelWidth * BevelCount(m_bevelInner, m_bevelOuter);
    InflateRect(r, -inset, -inset);
    return r;
}

void TCustomPanel::resizeEvent(QResizeEvent*)
{
    Realign();
}

// ---- out header ----

TSBCustomOutHeader::TSBCustomOutHeader(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setProperty("sbBackgroundMode", int(bkmNone));
    setFocusPolicy(Qt::ClickFocus);
    m_left = new TSBHeaderButton(this);
    m_right = new TSBHeaderButton(this);
    m_left->SetArrowAlignment(aaBottom);
    m_left->SetArrowFontSize(6);
    m_left->SetImageAlignment(iaLeft);
    m_left->SetSelectionColor(clBlack);
    m_left->OnButtonClick = [this](QObject*) { DoLeftButtonClick(); };
    m_left->OnTrackMouse = [this](QObject*, bool& isClose) { DoTrackMouse(isClose); };
    m_right->SetImageAlignment(iaRight);
    m_right->setFont(OwnFont(font()));
    for (TSBHeaderButton* b : {m_left, m_right}) {
        b->SetColor(m_color);
        b->SetVerticalInset(true);
        b->OnInternalChange = [this](QObject*) { RePositionButtons(); };
    }
    resize(GetSystemMetrics(SM_CXSCREEN) / 4, 2 * m_borderSideSize + 30);
    WatchParent();
}

TSBCustomOutHeader::~TSBCustomOutHeader()
{
    if (m_headerPanel) {
        m_headerPanel->m_outHeader = nullptr;
        m_headerPanel->m_pin->OnInternalClick = nullptr;
    }
}

void TSBCustomOutHeader::WatchParent()
{
    if (m_watchedParent == parentWidget())
        return;
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = parentWidget();
    if (m_watchedParent)
        m_watchedParent->installEventFilter(this);
}

bool TSBCustomOutHeader::eventFilter(QObject* watched, QEvent* e)
{
    // The parent's font changed: the right button follows it only with ParentRightFont.
    if (watched == m_watchedParent && e->type() == QEvent::FontChange && m_parentRightFont)
        m_right->setFont(OwnFont(m_watchedParent->font()));
    return false;
}

bool TSBCustomOutHeader::event(QEvent* e)
{
    if (e->type() == QEvent::ParentChange)
        WatchParent();
    else if (e->type() == QEvent::DynamicPropertyChange &&
             static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName() == kWidgetCharsetProperty)
        SetWidgetCharset(m_left, WidgetCharset(this)); // the left button follows the header's font
    return QWidget::event(e);
}

void TSBCustomOutHeader::SetBackgroundMode(TBackgroundPanelMode value)
{
    if (!StoreChanged(m_backgroundMode, value))
        return;
    setProperty("sbBackgroundMode", int(value));
    const bool gradient = value == bkmGradientHorz || value == bkmGradientVert;
    for (TSBHeaderButton* b : {m_left, m_right})
        b->setAttribute(Qt::WA_OpaquePaintEvent, !gradient);
    update();
}

void TSBCustomOutHeader::SetBorderColor(TColor value)
{
    if (StoreChanged(m_borderColor, value))
        update();
}

void TSBCustomOutHeader::SetBorderSides(TBorderSides value)
{
    if (StoreChanged(m_borderSides, value)) {
        RePositionButtons();
        update();
    }
}

void TSBCustomOutHeader::SetBorderSideSize(int value)
{
    if (StoreChanged(m_borderSideSize, value)) {
        RePositionButtons();
        update();
    }
}

void TSBCustomOutHeader::SetGradientBeginColor(TColor value)
{
    if (StoreChanged(m_gradientBegin, value) && m_backgroundMode != bkmNone)
        update();
}

void TSBCustomOutHeader::SetGradientEndColor(TColor value)
{
    if (StoreChanged(m_gradientEnd, value) && m_backgroundMode != bkmNone)
        update();
}

void TSBCustomOutHeader::SetColor(TColor value)
{
    if (!StoreChanged(m_color, value))
        return;
    m_left->SetColor(value);
    m_right->SetColor(value);
    update();
}

void TSBCustomOutHeader::SetImageAlignment(TImageAlignment value)
{
    if (value == m_imageAlignment)
        return;
    TSBHeaderButton* from = ImageButton();
    TSBHeaderButton* to = from == m_right ? m_left : m_right;
    to->SetImageList(from->ImageList());
    to->SetImageIndex(from->ImageIndex());
    from->SetImageList(nullptr);
    m_imageAlignment = value;
    RePositionButtons();
}

void TSBCustomOutHeader::SetRightCaptionFont(const QFont& value)
{
    m_right->setFont(OwnFont(value));
    m_parentRightFont = false;
}

void TSBCustomOutHeader::SetParentRightFont(bool value)
{
    if (StoreChanged(m_parentRightFont, value) && value && parentWidget())
        m_right->setFont(OwnFont(parentWidget()->font()));
}

TRect TSBCustomOutHeader::InnerRect() const
{
    TRect r(0, 0, width(), height());
    InsetSides(r, m_borderSides, m_borderSideSize);
    return r;
}

void TSBCustomOutHeader::RePositionButtons()
{
    if (m_positioning)
        return;
    m_positioning = true;
    const TRect inner = InnerRect();
    const int w = inner.Width();
    const int l = std::min(m_left->GetCalcWidth(), 100);
    int r = m_right->GetCalcWidth();
    if (l > w - r)
        r = w - l;
    m_left->setGeometry(inner.Left, inner.Top, std::max(0, w - r + 1), inner.Height());
    m_right->setGeometry(inner.Left + w - r, inner.Top, std::max(0, r), inner.Height());
    m_positioning = false;
}

void TSBCustomOutHeader::resizeEvent(QResizeEvent*)
{
    RePositionButtons();
}

void TSBCustomOutHeader::DrawBackground(TCanvas& c)
{
    switch (m_backgroundMode) {
    case bkmGradientHorz:
    case bkmGradientVert:
        FillGradient(c, width(), height(), m_gradientBegin, m_gradientEnd, m_backgroundMode == bkmGradientVert);
        break;
    default:
        c.Brush.Color = m_color;
        c.Brush.Style = bsSolid;
        c.FillRect(TRect(0, 0, width(), height()));
        break;
    }
}

void TSBCustomOutHeader::DrawHeader(TCanvas& c)
{
    c.Brush.Color = m_borderColor;
    c.Brush.Style = bsSolid;
    FillFrame(c, TRect(0, 0, width(), height()), InnerRect());
}

void TSBCustomOutHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    TCanvas c(&p);
    DrawBackground(c);
    DrawHeader(c);
}

void TSBCustomOutHeader::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && ButtonDown() && m_headerPanel) {
        SetButtonDown(false);
        return;
    }
    QWidget::keyPressEvent(e);
}

void TSBCustomOutHeader::mousePressEvent(QMouseEvent* e)
{
    if (isVisible())
        setFocus();
    QWidget::mousePressEvent(e);
}

void TSBCustomOutHeader::Loaded()
{
    m_loading = false;
    if (m_loadedPanel) {
        TSBCustomHeaderPanel* panel = m_loadedPanel;
        m_loadedPanel = nullptr;
        SetHeaderPanel(panel);
    }
}

void TSBCustomOutHeader::SetHeaderPanel(TSBCustomHeaderPanel* panel)
{
    if (m_loading) {
        m_loadedPanel = panel;
        return;
    }
    if (panel == m_headerPanel)
        return;
    if (m_headerPanel) {
        if (m_dropped)
            UpdateStateByHeaderPanel(false);
        m_headerPanel->m_pin->OnInternalClick = nullptr;
        m_headerPanel->m_outHeader = nullptr;
        m_headerPanel->m_reportVisibility = false;
    }
    m_headerPanel = panel;
    if (!panel)
        return;
    panel->m_outHeader = this;
    panel->m_reportVisibility = true;
    panel->m_pin->OnInternalClick = [this](QObject*) { HeaderPanelButtonClick(); };
    const bool visible = !panel->isHidden();
    if (!visible)
        UpdateStateByHeaderPanel(true);
    SetButtonInCaption(!visible);
    SetButtonDown(false);
}

void TSBCustomOutHeader::UpdateStateByHeaderPanel(bool dropDown)
{
    TSBCustomHeaderPanel* panel = m_headerPanel;
    // A second call in the same state changes nothing: the panel is widened once.
    if (!panel || dropDown == m_dropped)
        return;
    m_updatingPanel = true;
    if (dropDown) {
        m_savedAlign = panel->Align();
        m_savedBounds = panel->geometry();
        m_savedParent = panel->parentWidget();
        m_savedInner = panel->BevelInner();
        m_savedOuter = panel->BevelOuter();
        m_savedBorderWidth = panel->BorderWidth();
        m_savedButtonType = panel->ButtonType();
        panel->hide();
        panel->SetAlign(TCustomPanel::alNone);
        panel->SetBorderWidth(3);
        panel->SetBevelOuter(bvRaised);
        panel->SetBevelInner(bvLowered);
        panel->resize(panel->width() + 2 * panel->BorderWidth() + 2, panel->height());
        panel->SetButtonType(btPin);
        if (QWidget* form = window(); form && form != panel->parentWidget()) {
            panel->setParent(form);
            panel->hide();
        }
        m_dropped = true;
    } else {
        panel->SetBorderWidth(m_savedBorderWidth);
        panel->SetBevelOuter(m_savedOuter);
        panel->SetBevelInner(m_savedInner);
        if (panel->parentWidget() != m_savedParent) {
            panel->setParent(m_savedParent);
            panel->hide();
        }
        panel->SetAlign(m_savedAlign);
        panel->setGeometry(m_savedBounds);
        panel->SetButtonType(m_savedButtonType);
        if (m_savedParent && m_savedParent->isVisible())
            panel->setFocus();
        m_dropped = false;
    }
    m_updatingPanel = false;
}

void TSBCustomOutHeader::DoLeftButtonClick()
{
    UpdateHeaderPanel();
    if (OnButtonClick)
        OnButtonClick(this);
}

void TSBCustomOutHeader::UpdateHeaderPanel()
{
    TSBCustomHeaderPanel* panel = m_headerPanel;
    if (!panel)
        return;
    m_updatingPanel = true;
    if (ButtonDown()) {
        // Below the header, the panel's interior lined up with the header's left edge.
        QPoint pos(x() - panel->BorderWidth() - 1, y() + height());
        if (m_borderSides & BorderSide(bdBottom))
            pos.ry() -= m_borderSideSize;
        if (OnDropHeaderPanel)
            OnDropHeaderPanel(this, pos);
        const QPoint global = parentWidget() ? parentWidget()->mapToGlobal(pos) : pos;
        const QPoint local = panel->parentWidget() ? panel->parentWidget()->mapFromGlobal(global) : global;
        panel->move(local);
        panel->show();
        panel->raise();
    } else if (m_dropped) {
        panel->hide();
    }
    m_updatingPanel = false;
}

void TSBCustomOutHeader::DoTrackMouse(bool& isClose)
{
    if (m_headerPanel) {
        const QPoint at = m_headerPanel->mapFromGlobal(GetMouseManager()->PressPos());
        isClose = !m_headerPanel->rect().contains(at);
    }
    if (OnTrackMouse)
        OnTrackMouse(this, isClose);
}

void TSBCustomOutHeader::HeaderPanelButtonClick()
{
    TSBCustomHeaderPanel* panel = m_headerPanel;
    if (!panel)
        return;
    if (ButtonInCaption()) {
        UpdateStateByHeaderPanel(false);
        m_updatingPanel = true;
        panel->show();
        m_updatingPanel = false;
        SetButtonInCaption(false);
        SetButtonDown(false);
    } else {
        panel->hide();
    }
}

void TSBCustomOutHeader::PanelVisibilityChanged(bool visible)
{
    if (m_updatingPanel)
        return;
    UpdateStateByHeaderPanel(!visible);
    SetButtonInCaption(!visible);
}

// ---- header panel ----

TSBCustomHeaderPanel::TSBCustomHeaderPanel(QWidget* parent)
    : TCustomPanel(parent)
{
    m_bevelOuter = bvLowered;
    m_pin = new TSBHotButton(this);
    m_header = new TSBHeaderButton(this);
    m_pin->SetColor(m_color);
    m_header->SetColor(m_color);
    m_header->SetArrowAlignment(aaCenter);
    m_header->SetArrowFontSize(8);
    m_header->SetSelectionColor(clBtnShadow);
    m_header->OnInternalChange = [this](QObject*) {
        LayoutHeader();
        update();
    };
    resize(185, 100);
    m_pin->setGeometry(width() - GlyphWidth - 2, m_borderWidth + 3, GlyphWidth, GlyphHeight);
    m_header->setGeometry(1, m_borderWidth + 1, m_pin->x() - 1, height() - 2);
    LayoutHeader();
}

TSBCustomHeaderPanel::~TSBCustomHeaderPanel()
{
    if (m_outHeader && m_outHeader->m_headerPanel == this)
        m_outHeader->m_headerPanel = nullptr;
}

void TSBCustomHeaderPanel::ShowCaption()
{
    m_header->SetCaption(ButtonType() == btPin && !m_pinCaption.isEmpty() ? m_pinCaption : m_caption);
}

void TSBCustomHeaderPanel::SetCaption(const QString& value)
{
    m_caption = value;
    ShowCaption();
    update();
}

void TSBCustomHeaderPanel::SetPinCaption(const QString& value)
{
    m_pinCaption = value.trimmed();
    ShowCaption();
}

void TSBCustomHeaderPanel::SetButtonType(TButtonType value)
{
    m_pin->SetButtonType(value);
    ShowCaption();
}

void TSBCustomHeaderPanel::SetHeaderHeight(int value)
{
    if (!StoreChanged(m_headerHeight, value))
        return;
    LayoutHeader();
    update();
}

void TSBCustomHeaderPanel::SetHeaderVisible(bool value)
{
    if (!StoreChanged(m_headerVisible, value))
        return;
    m_header->setVisible(value);
    m_pin->setVisible(value);
    update();
}

void TSBCustomHeaderPanel::SetColor(TColor value)
{
    TCustomPanel::SetColor(value);
    m_pin->SetColor(value);
    m_header->SetColor(value);
}

int TSBCustomHeaderPanel::InternalHeaderHeight() const
{
    const int h = m_headerHeight != 0 ? m_headerHeight : QFontMetrics(m_header->font()).height() + 3;
    return std::max(h, GlyphHeight + 5);
}

TRect TSBCustomHeaderPanel::HeaderRect() const
{
    TRect r(0, 0, width(), InternalHeaderHeight());
    if (m_borderWidth != 0) {
        if (m_bevelOuter == bvNone) {
            r.Left += 1;
        } else {
            r.Left += 2;
            r.Right -= 1;
            if (!(m_bevelInner == bvLowered && m_bevelOuter == bvSpace)) {
                r.Top += 1;
                r.Bottom += 1;
            }
        }
    }
    r.Bottom = std::min(r.Bottom, height());
    return r;
}

TRect TSBCustomHeaderPanel::ClientRect() const
{
    TRect r = TCustomPanel::ClientRect();
    if (!m_headerVisible)
        return r;
    int top = r.Top + InternalHeaderHeight();
    if (m_bevelInner == bvNone && m_bevelOuter != bvNone && m_borderWidth == 0)
        --top;
    if (m_bevelInner != bvNone && m_bevelOuter == bvNone)
        --top;
    if (m_bevelInner != bvNone && m_bevelOuter != bvNone) {
        --top;
        if (m_borderWidth == 0)
            --top;
    }
    r.Top = std::min(top, r.Bottom);
    return r;
}

void TSBCustomHeaderPanel::LayoutHeader()
{
    const TRect h = HeaderRect();
    const int pinLeft = h.Right - GlyphWidth - 1 - m_borderWidth;
    const int pinTop = (h.Top + h.Bottom - GlyphHeight) / 2 + m_borderWidth + 1;
    m_pin->setGeometry(pinLeft, pinTop, GlyphWidth, GlyphHeight);
    const int left = h.Left + m_borderWidth + 1 - (m_borderWidth != 0 ? 1 : 0);
    m_header->setGeometry(left, h.Top + m_borderWidth + 2, std::max(0, pinLeft - m_borderWidth - 4),
                          std::max(0, InternalHeaderHeight() - 3));
}

void TSBCustomHeaderPanel::resizeEvent(QResizeEvent* e)
{
    LayoutHeader();
    TCustomPanel::resizeEvent(e);
}

void TSBCustomHeaderPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    TCanvas c(&p);
    c.Brush.Color = m_color;
    c.Brush.Style = bsSolid;
    c.FillRect(TRect(0, 0, width(), height()));
    TRect r(0, 0, width(), height());
    DrawBevel(c, r, m_bevelOuter, m_bevelWidth, AllBorderSides);
    InflateRect(r, -m_borderWidth, -m_borderWidth);
    DrawBevel(c, r, m_bevelInner, m_bevelWidth, AllBorderSides);
    if (m_headerVisible) {
        TRect h = HeaderRect();
        h.Left += m_borderWidth - (m_borderWidth != 0 ? 1 : 0);
        h.Top += m_borderWidth;
        h.Right -= m_borderWidth;
        h.Bottom += m_borderWidth;
        DrawEdges(c, TRect(h.Left, h.Top, h.Right, h.Bottom), clBtnShadow, clBtnHighlight);
        DrawEdges(c, TRect(h.Left + 1, h.Top + 1, h.Right - 1, h.Bottom - 1), clBtnHighlight, clBtnShadow);
    }
}

void TSBCustomHeaderPanel::showEvent(QShowEvent*)
{
    LayoutHeader();
    if (m_reportVisibility && m_outHeader)
        m_outHeader->PanelVisibilityChanged(true);
}

void TSBCustomHeaderPanel::hideEvent(QHideEvent*)
{
    if (m_reportVisibility && m_outHeader)
        m_outHeader->PanelVisibilityChanged(false);
}

// ---- bordered panel ----

TSBCustomBorderedPanel::TSBCustomBorderedPanel(QWidget* parent)
    : TCustomPanel(parent)
{
    m_bevelInner = bvLowered;
    m_bevelOuter = bvNone;
}

void TSBCustomBorderedPanel::SetBorderSides(TBorderSides value)
{
    if (StoreChanged(m_borderSides, value))
        RealignAndRepaint();
}

TRect TSBCustomBorderedPanel::ClientRect() const
{
    TRect r = TCustomPanel::ClientRect();
    InsetSides(r, m_borderSides, m_borderWidth + m_bevelWidth * BevelCount(m_bevelInner, m_bevelOuter));
    return r;
}

void TSBCustomBorderedPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    TCanvas c(&p);
    c.Brush.Color = m_color;
    c.Brush.Style = bsSolid;
    c.FillRect(TRect(0, 0, width(), height()));
    TRect r(0, 0, width(), height());
    DrawBevel(c, r, m_bevelOuter, m_bevelWidth, m_borderSides);
    DrawBevel(c, r, m_bevelInner, m_bevelWidth, m_borderSides);
    if (!Caption().isEmpty()) {
        c.Font = CanvasFont(font());
        c.Brush.Style = bsClear;
        const TRect client = ClientRect();
        const int h = c.TextHeight(QStringLiteral("W"));
        TRect band(client.Left, (client.Top + client.Bottom - h) / 2, client.Right, (client.Top + client.Bottom - h) / 2 + h);
        const unsigned align = m_alignment == taLeftJustify ? DT_LEFT : m_alignment == taRightJustify ? DT_RIGHT : DT_CENTER;
        c.DrawText(Caption(), band, align | DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE);
    }
}

// ---- splitter panel ----

TCustomSBSplitterPanel::TCustomSBSplitterPanel(QWidget* parent)
    : TSBCustomBorderedPanel(parent)
{
    setMouseTracking(true);
}

void TCustomSBSplitterPanel::SetAlignmentType(TAlignmentType value)
{
    if (StoreChanged(m_alignmentType, value))
        AlignControls();
}

void TCustomSBSplitterPanel::SetMinSize(int value)
{
    if (value >= 0 && StoreChanged(m_minSize, value))
        AlignControls();
}

void TCustomSBSplitterPanel::SetSplitterSize(int value)
{
    if (value >= 0 && StoreChanged(m_splitterSize, value))
        AlignControls();
}

void TCustomSBSplitterPanel::SetAlign(TAlign value)
{
    m_align = value;
    if (auto* p = qobject_cast<TCustomSBSplitterPanel*>(parentWidget()))
        p->AlignControls();
}

int TCustomSBSplitterPanel::GetPanelCount() const
{
    int n = 0;
    for (QObject* o : children())
        if (auto* p = qobject_cast<TCustomSBSplitterPanel*>(o); p && !p->isHidden())
            ++n;
    return n;
}

TCustomSBSplitterPanel* TCustomSBSplitterPanel::GetPanel(int index) const
{
    for (QObject* o : children())
        if (auto* p = qobject_cast<TCustomSBSplitterPanel*>(o); p && !p->isHidden())
            if (index-- == 0)
                return p;
    return nullptr;
}

void TCustomSBSplitterPanel::GetControls(TCustomSBSplitterPanel*& first, TCustomSBSplitterPanel*& second) const
{
    first = second = nullptr;
    TCustomSBSplitterPanel* a = GetPanel(0);
    TCustomSBSplitterPanel* b = GetPanel(1);
    // The side-aligned one is the first.
    if (a && b && a->Align() == alClient && b->Align() != alClient)
        std::swap(a, b);
    first = a;
    second = b;
}

bool TCustomSBSplitterPanel::IsVerticalSplitter() const
{
    TCustomSBSplitterPanel *first, *second;
    GetControls(first, second);
    return first && (first->Align() == alLeft || first->Align() == alRight);
}

TCustomSBSplitterPanel* TCustomSBSplitterPanel::Split(TAlign align)
{
    // The only panel of a split parent: the parent splits instead.
    if (auto* parent = qobject_cast<TCustomSBSplitterPanel*>(parentWidget()); parent && parent->GetPanelCount() == 1)
        return parent->Split(align == alTop || align == alBottom ? alTop : alLeft);
    m_empty = false;
    if (GetPanelCount() > 1) {
        TCustomSBSplitterPanel *first, *second;
        GetControls(first, second);
        return second;
    }
    const TRect area = ClientRect();
    TCustomSBSplitterPanel* first = GetPanel(0);
    if (!first) {
        first = new TSBSplitterPanel(this);
        first->m_splitChild = true;
        // The first panel takes over the controls this panel held.
        for (QObject* o : children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && w != first && !qobject_cast<TCustomSBSplitterPanel*>(w))
                w->setParent(first);
        }
    }
    first->m_align = align;
    auto* second = new TSBSplitterPanel(this);
    second->m_splitChild = true;
    second->m_align = alClient;
    if (align == alTop || align == alBottom)
        first->resize(area.Width(), area.Height() / 2);
    else
        first->resize(area.Width() / 2, area.Height());
    first->show();
    second->show();
    AlignControls();
    return second;
}

void TCustomSBSplitterPanel::AlignControls()
{
    const TRect area = ClientRect();
    m_splitterOn = false;
    if (m_empty)
        return;
    TCustomSBSplitterPanel *first, *second;
    GetControls(first, second);
    if (!first)
        return;
    const auto place = [](QWidget* w, const TRect& r) {
        w->setGeometry(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
    };
    const bool plain = !second || (first->Align() == alNone || first->Align() == alClient);
    if (plain) {
        if (!second) {
            place(first, area);
            return;
        }
        if (m_alignmentType == atHorizontal) {
            const int w = area.Width() / 2;
            place(first, TRect(area.Left, area.Top, area.Left + w, area.Bottom));
            place(second, TRect(area.Left + w, area.Top, area.Left + 2 * w, area.Bottom));
        } else {
            const int h = (area.Height() - m_splitterSize) / 2;
            place(first, TRect(area.Left, area.Top, area.Right, area.Top + h));
            place(second, TRect(area.Left, area.Top + h + m_splitterSize, area.Right, area.Top + 2 * h + m_splitterSize));
        }
        return;
    }
    m_splitterOn = true;
    const bool vertical = first->Align() == alLeft || first->Align() == alRight;
    const int room = vertical ? area.Width() : area.Height();
    int size = vertical ? first->width() : first->height();
    if (room >= 2 * m_minSize && !m_stepping)
        size = std::clamp(size, m_minSize, room - m_minSize);
    size = std::clamp(size, 0, std::max(0, room));
    TRect f = area, s = area;
    switch (first->Align()) {
    case alLeft:
        f.Right = area.Left + size;
        s.Left = f.Right + m_splitterSize;
        break;
    case alRight:
        f.Left = area.Right - size;
        s.Right = f.Left - m_splitterSize;
        break;
    case alTop:
        f.Bottom = area.Top + size;
        s.Top = f.Bottom + m_splitterSize;
        break;
    default: // bottom
        f.Top = area.Bottom - size;
        s.Bottom = f.Top - m_splitterSize;
        break;
    }
    place(first, f);
    place(second, s);
    update();
}

TRect TCustomSBSplitterPanel::GetSplitterRect() const
{
    TCustomSBSplitterPanel *first, *second;
    GetControls(first, second);
    if (!m_splitterOn || !first)
        return TRect();
    const QRect f = first->geometry();
    switch (first->Align()) {
    case alLeft:
        return TRect(f.right() + 1, f.top(), f.right() + 1 + m_splitterSize, f.bottom() + 1);
    case alRight:
        return TRect(f.left() - m_splitterSize, f.top(), f.left(), f.bottom() + 1);
    case alTop:
        return TRect(f.left(), f.bottom() + 1, f.right() + 1, f.bottom() + 1 + m_splitterSize);
    default:
        return TRect(f.left(), f.top() - m_splitterSize, f.right() + 1, f.top());
    }
}

void TCustomSBSplitterPanel::MouseDown(Qt::MouseButton button, int x, int y)
{
    if (button == Qt::RightButton && m_dragging) {
        m_dragging = false;
        update();
        return;
    }
    const TRect bar = GetSplitterRect();
    if (button != Qt::LeftButton || !bar.Contains(TPoint(x, y)))
        return;
    m_dragging = true;
    const bool vertical = IsVerticalSplitter();
    m_dragLine = vertical ? bar.Left : bar.Top;
    m_dragOffset = (vertical ? x : y) - m_dragLine;
    update();
}

void TCustomSBSplitterPanel::MouseMove(int x, int y)
{
    const bool vertical = IsVerticalSplitter();
    if (!m_dragging) {
        if (GetSplitterRect().Contains(TPoint(x, y)))
            setCursor(Screen->Cursor(vertical ? crHSplit : crVSplit));
        else
            unsetCursor();
        return;
    }
    const int inset = m_minSize + m_bevelWidth + m_borderWidth;
    const int total = vertical ? width() : height();
    const int line = (vertical ? x : y) - m_dragOffset;
    m_dragLine = std::clamp(line, inset, std::max(inset, total - inset - m_splitterSize));
    update();
}

void TCustomSBSplitterPanel::MouseUp(Qt::MouseButton button, int, int)
{
    if (button != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    TCustomSBSplitterPanel *first, *second;
    GetControls(first, second);
    if (first) {
        const TRect area = ClientRect();
        switch (first->Align()) {
        case alLeft:
            first->resize(m_dragLine - area.Left, first->height());
            break;
        case alRight:
            first->resize(area.Right - m_dragLine - m_splitterSize, first->height());
            break;
        case alTop:
            first->resize(first->width(), m_dragLine - area.Top);
            break;
        default:
            first->resize(first->width(), area.Bottom - m_dragLine - m_splitterSize);
            break;
        }
        AlignControls();
    }
    update();
}

void TCustomSBSplitterPanel::keyPressEvent(QKeyEvent* e)
{
    if (m_dragging && (e->key() == Qt::Key_Escape || (e->key() == Qt::Key_Tab && (e->modifiers() & Qt::AltModifier)))) {
        m_dragging = false;
        update();
        return;
    }
    TSBCustomBorderedPanel::keyPressEvent(e);
}

void TCustomSBSplitterPanel::paintEvent(QPaintEvent* e)
{
    TSBCustomBorderedPanel::paintEvent(e);
    QPainter p(this);
    const TRect bar = GetSplitterRect();
    if (!bar.IsEmpty())
        p.fillRect(QRect(bar.Left, bar.Top, bar.Width(), bar.Height()), ColorToQColor(clBtnFace));
    if (m_dragging) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        const QColor line(Qt::white);
        if (IsVerticalSplitter())
            p.fillRect(QRect(m_dragLine, 0, m_splitterSize, height()), line);
        else
            p.fillRect(QRect(0, m_dragLine, width(), m_splitterSize), line);
    }
}

void TCustomSBSplitterPanel::mousePressEvent(QMouseEvent* e)
{
    MouseDown(e->button(), int(e->position().x()), int(e->position().y()));
}

void TCustomSBSplitterPanel::mouseMoveEvent(QMouseEvent* e)
{
    MouseMove(int(e->position().x()), int(e->position().y()));
}

void TCustomSBSplitterPanel::mouseReleaseEvent(QMouseEvent* e)
{
    MouseUp(e->button(), int(e->position().x()), int(e->position().y()));
}

void TCustomSBSplitterPanel::StepSize(const QSize& from, const QSize& to)
{
    auto* parent = qobject_cast<TCustomSBSplitterPanel*>(parentWidget());
    const bool sideBySide = parent->IsVerticalSplitter();
    parent->m_stepping = true;
    for (int i = 1; i <= parent->m_smoothStepCount; ++i) {
        const double t = double(i) / parent->m_smoothStepCount;
        if (sideBySide)
            resize(int(std::lround(from.width() + (to.width() - from.width()) * t)), height());
        else
            resize(width(), int(std::lround(from.height() + (to.height() - from.height()) * t)));
        parent->AlignControls();
        parent->repaint();
        if (parent->m_smoothStepDelay > 0)
            QThread::msleep(parent->m_smoothStepDelay);
    }
    parent->m_stepping = false;
}

void TCustomSBSplitterPanel::setVisible(bool visible)
{
    auto* parent = qobject_cast<TCustomSBSplitterPanel*>(parentWidget());
    if (!parent || visible == !isHidden()) {
        TSBCustomBorderedPanel::setVisible(visible);
        return;
    }
    const QSize saved = size();
    const bool smooth = parent->m_smoothVisible && parent->isVisible();
    if (!visible) {
        if (OnSmoothVisible)
            OnSmoothVisible(this, false);
        if (smooth)
            StepSize(saved, QSize(0, 0));
        TSBCustomBorderedPanel::setVisible(false);
        resize(saved);
    } else {
        TSBCustomBorderedPanel::setVisible(true);
        if (smooth)
            StepSize(QSize(0, 0), saved);
        resize(saved);
    }
    parent->AlignControls();
    if (visible && OnSmoothVisible)
        OnSmoothVisible(this, true);
}
