#include "bars/sb_buttons.h"

#include "bars/sb_mouse_manager.h"
#include "bars/sb_panel_draw.h"
#include "platform/window_message.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <map>

// ---- glyph resources: 16 by 15, the corner colour (silver) transparent ----

std::unique_ptr<TBitmap> LoadGlyphResource(const QString& name)
{
    static const std::map<QString, std::vector<const char*>> art = {
        {QStringLiteral("CLOSEBUTTON"),
         {"................", "................", "................", "....XX....XX....", ".....XX..XX.....",
          "......XXXX......", ".......XX.......", "......XXXX......", ".....XX..XX.....", "....XX....XX....",
          "................", "................", "................", "................", "................"}},
        {QStringLiteral("HOTBUTTONPINUP"),
         {"................", "................", "................", "......X.........", "......XXXXXXX...",
          "......X.....X...", "XXXXXXX.....X...", "......XXXXXXX...", "......X.....X...", "......XXXXXXX...",
          "......X.........", "................", "................", "................", "................"}},
        {QStringLiteral("HOTBUTTONPINDOWN"),
         {"................", "................", "................", ".....XXXXX......", ".....X..XX......",
          ".....X..XX......", ".....X..XX......", ".....X..XX......", "....XXXXXXX.....", ".......X........",
          ".......X........", ".......X........", "................", "................", "................"}},
    };
    auto bmp = std::make_unique<TBitmap>();
    const auto it = art.find(name);
    if (it == art.end())
        return bmp;
    bmp->SetSize(GlyphWidth, GlyphHeight);
    TCanvas* c = bmp->Canvas();
    for (int y = 0; y < GlyphHeight; ++y)
        for (int x = 0; x < GlyphWidth; ++x)
            c->SetPixel(x, y, it->second[size_t(y)][x] == 'X' ? clBlack : clSilver);
    return bmp;
}

// ---- hot button ----

TSBCustomHotButton::TSBCustomHotButton(QWidget* parent)
    : QWidget(parent)
    , m_upGlyph(std::make_unique<TBitmap>())
    , m_downGlyph(std::make_unique<TBitmap>())
    , m_close(LoadGlyphResource(QStringLiteral("CLOSEBUTTON")))
    , m_pinUp(LoadGlyphResource(QStringLiteral("HOTBUTTONPINUP")))
    , m_pinDown(LoadGlyphResource(QStringLiteral("HOTBUTTONPINDOWN")))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_upGlyph->OnChange = [this](TGraphic*) { update(); };
    m_downGlyph->OnChange = [this](TGraphic*) { update(); };
    resize(17, 17);
}

TSBCustomHotButton::~TSBCustomHotButton()
{
    m_upGlyph->OnChange = nullptr;
    m_downGlyph->OnChange = nullptr;
}

void TSBCustomHotButton::SetButtonType(TButtonType value)
{
    if (value == m_buttonType)
        return;
    m_buttonType = value;
    update();
}

void TSBCustomHotButton::SetButtonUpGlyph(const TBitmap& value)
{
    m_upGlyph->Assign(value);
    update();
}

void TSBCustomHotButton::SetButtonDownGlyph(const TBitmap& value)
{
    m_downGlyph->Assign(value);
    update();
}

void TSBCustomHotButton::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
}

const TBitmap* TSBCustomHotButton::CurrentGlyph() const
{
    const bool down = m_pressed && m_hot;
    switch (m_buttonType) {
    case btStandard:
        return m_close.get();
    case btPin:
        return down ? m_pinDown.get() : m_pinUp.get();
    default:
        if (down && !m_downGlyph->Empty())
            return m_downGlyph.get();
        return m_upGlyph.get();
    }
}

void TSBCustomHotButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    TCanvas canvas(&p);
    const TRect client(0, 0, width(), height());
    canvas.Brush.Color = m_color;
    canvas.Brush.Style = bsSolid;
    TRect glyph = GlyphRect;
    HCenterRect(glyph, client);
    VCenterRect(glyph, client);
    InflateRect(glyph, -1, -1);
    DrawImage(canvas, nullptr, CurrentGlyph(), m_color, true, 0, glyph);
    canvas.Brush.Color = m_color;
    FillFrame(canvas, client, glyph);
    if (m_hot)
        DrawFrame3D(canvas, client, clBtnShadow, m_pressed);
}

void TSBCustomHotButton::DoButtonClick()
{
    if (OnButtonClick)
        OnButtonClick(this);
    if (OnInternalClick)
        OnInternalClick(this);
}

void TSBCustomHotButton::UpdateButton(int x, int y)
{
    const bool oldHot = m_hot, oldPressed = m_pressed;
    if (rect().contains(x, y)) {
        if (m_captured)
            m_pressed = true;
        m_hot = true;
    } else if (m_captured) {
        // Held outside: shown raised (as on leaving) until the pointer comes back.
        m_pressed = false;
    } else {
        m_hot = false;
    }
    if (m_hot != oldHot || m_pressed != oldPressed)
        update();
}

void TSBCustomHotButton::MouseDown(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    UpdateButton(x, y);
    if (m_hot) {
        m_pressed = true;
        update();
    }
    m_captured = true;
}

void TSBCustomHotButton::MouseMove(int x, int y)
{
    UpdateButton(x, y);
}

void TSBCustomHotButton::MouseUp(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    m_captured = false;
    UpdateButton(x, y);
    if (m_hot)
        DoButtonClick();
    m_pressed = false;
    update();
}

void TSBCustomHotButton::MouseLeave()
{
    if (!m_hot)
        return;
    if (m_captured)
        m_pressed = false;
    else
        m_hot = false;
    update();
}

void TSBCustomHotButton::mousePressEvent(QMouseEvent* e)
{
    MouseDown(e->button(), int(e->position().x()), int(e->position().y()));
}

void TSBCustomHotButton::mouseMoveEvent(QMouseEvent* e)
{
    MouseMove(int(e->position().x()), int(e->position().y()));
}

void TSBCustomHotButton::mouseReleaseEvent(QMouseEvent* e)
{
    MouseUp(e->button(), int(e->position().x()), int(e->position().y()));
}

void TSBCustomHotButton::leaveEvent(QEvent*)
{
    MouseLeave();
}

// ---- header button ----

std::function<void(QMenu*, const QPoint&)> TSBCustomHeaderButton::PopupMenu = [](QMenu* menu, const QPoint& at) {
    menu->exec(at);
};

TSBCustomHeaderButton::TSBCustomHeaderButton(QWidget* parent)
    : QWidget(parent)
    , m_bitmap(std::make_unique<TBitmap>())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_bitmap->OnChange = [this](TGraphic*) { Changed(); };
    resize(100, 30);
}

TSBCustomHeaderButton::~TSBCustomHeaderButton()
{
    m_bitmap->OnChange = nullptr;
    SetImageList(nullptr);
    GetMouseManager()->RemoveHandler(this);
}

void TSBCustomHeaderButton::Changed()
{
    if (OnInternalChange)
        OnInternalChange(this);
    update();
}

void TSBCustomHeaderButton::Register(bool down)
{
    if (!m_trackMouse)
        return;
    if (down)
        GetMouseManager()->AddHandler(this);
    else
        GetMouseManager()->RemoveHandler(this);
}

void TSBCustomHeaderButton::SetArrowAlignment(TArrowAlignment value)
{
    if (value != m_arrowAlignment) {
        m_arrowAlignment = value;
        update();
    }
}

void TSBCustomHeaderButton::SetArrowFontSize(int value)
{
    if (value != m_arrowFontSize) {
        m_arrowFontSize = value;
        update();
    }
}

void TSBCustomHeaderButton::SetImageAlignment(TImageAlignment value)
{
    if (value != m_imageAlignment) {
        m_imageAlignment = value;
        update();
    }
}

void TSBCustomHeaderButton::SetImageIndex(int value)
{
    if (value != m_imageIndex) {
        m_imageIndex = value;
        update();
    }
}

void TSBCustomHeaderButton::SetButtonDown(bool value)
{
    if (value == m_buttonDown)
        return;
    m_buttonDown = value;
    update();
    if (!m_buttonInCaption)
        return;
    if (value)
        Register(true);
    DoButtonClick();
    if (!value)
        Register(false);
}

void TSBCustomHeaderButton::SetArrowButtonDown(bool value)
{
    if (value == m_arrowButtonDown)
        return;
    m_arrowButtonDown = value;
    if (m_buttonInCaption) {
        if (value)
            Register(true);
        m_buttonDown = value;
        DoButtonClick();
        if (!value)
            Register(false);
    }
    update();
}

void TSBCustomHeaderButton::SetButtonInCaption(bool value)
{
    if (value == m_buttonInCaption)
        return;
    m_buttonInCaption = value;
    SetArrowButtonDown(false);
    update();
}

void TSBCustomHeaderButton::SetSeparateArrow(bool value)
{
    if (value != m_separateArrow) {
        m_separateArrow = value;
        update();
    }
}

void TSBCustomHeaderButton::SetTrackMouse(bool value)
{
    if (value == m_trackMouse)
        return;
    m_trackMouse = value;
    if (value && (m_buttonDown || m_arrowButtonDown))
        GetMouseManager()->AddHandler(this);
}

void TSBCustomHeaderButton::SetBitmap(const TBitmap& value)
{
    m_bitmap->Assign(value);
    Changed();
}

void TSBCustomHeaderButton::SetImageList(TImageList* value)
{
    if (value == m_imageList)
        return;
    if (m_imageList)
        disconnect(m_imageList, nullptr, this, nullptr);
    m_imageList = value;
    if (value) {
        connect(value, &TImageList::Change, this, [this] { Changed(); });
        connect(value, &QObject::destroyed, this, [this] { Changed(); });
    }
    update();
}

void TSBCustomHeaderButton::SetCaption(const QString& value)
{
    if (value == m_caption)
        return;
    m_caption = value;
    Changed();
}

void TSBCustomHeaderButton::SetColor(TColor value)
{
    if (value != m_color) {
        m_color = value;
        update();
    }
}

void TSBCustomHeaderButton::SetSelectionColor(TColor value)
{
    if (value != m_selectionColor) {
        m_selectionColor = value;
        update();
    }
}

void TSBCustomHeaderButton::SetVerticalInset(bool value)
{
    if (value != m_verticalInset) {
        m_verticalInset = value;
        update();
    }
}

QSize TSBCustomHeaderButton::ImageSize() const
{
    if (m_imageList)
        return QSize(m_imageList->Width(), m_imageList->Height());
    if (!m_bitmap->Empty())
        return QSize(m_bitmap->Width(), m_bitmap->Height());
    return QSize();
}

bool TSBCustomHeaderButton::Opaque() const
{
    // Inside an out header with a gradient the header's background shows through.
    const QVariant mode = parentWidget() ? parentWidget()->property("sbBackgroundMode") : QVariant();
    return !mode.isValid() || (mode.toInt() != bkmGradientHorz && mode.toInt() != bkmGradientVert);
}

int TSBCustomHeaderButton::GetCalcWidth() const
{
    const QSize img = ImageSize();
    TSize glyph;
    TCanvas none;
    GetGlyphExtent(none, m_arrowFontSize, glyph);
    int w = (m_imageAlignment == iaLeft && m_buttonInCaption) ? 4 : 8;
    if (!img.isEmpty())
        w += img.width() + 4;
    TCanvas measure;
    measure.Font = CanvasFont(font());
    TRect text(0, 0, 0, 0);
    if (!m_caption.isEmpty())
        measure.DrawText(m_caption, text, DT_CALCRECT | DT_SINGLELINE);
    w += text.Width();
    if (m_buttonInCaption)
        w += glyph.cx + 8;
    return w;
}

void TSBCustomHeaderButton::PaintButton(TCanvas& c, bool draw)
{
    const bool opaque = Opaque();
    const bool fill = draw && opaque;
    const TRect client(0, 0, width(), height());
    TRect r = client;
    c.Brush.Color = m_color;
    c.Brush.Style = bsSolid;
    c.Font = CanvasFont(font());
    c.Font.Color = QColorToColor(palette().color(QPalette::WindowText));
    CutRect(c, r, 4, fill, false, 0);
    if (!(m_imageAlignment == iaLeft && m_buttonInCaption))
        CutRect(c, r, 4, fill, true, 0);
    const QSize img = ImageSize();
    if (!img.isEmpty()) {
        TRect bounds = r;
        if (m_verticalInset) {
            ++bounds.Top;
            --bounds.Bottom;
        }
        TRect place;
        AlignRect(TRect(0, 0, img.width(), img.height()), bounds, m_imageAlignment == iaLeft ? 1 : 3, place, 0, 0, 2);
        if (draw) {
            if (fill) {
                c.FillRect(TRect(place.Left, r.Top, place.Right, place.Top));
                c.FillRect(TRect(place.Left, place.Bottom, place.Right, r.Bottom));
            }
            DrawImage(c, m_imageList, m_imageList ? nullptr : m_bitmap.get(), m_color, fill, m_imageList ? m_imageIndex : 0,
                      place);
        }
        if (m_imageAlignment == iaLeft)
            CutRect(c, r, place.Right - r.Left + 4, fill, false, 0);
        else
            CutRect(c, r, r.Right - place.Left + 4, fill, true, 0);
    }
    TSize glyph;
    GetGlyphExtent(c, m_arrowFontSize, glyph);
    TRect text;
    CalcTextRect(c, r, m_caption, text);
    if (m_separateArrow)
        text.Right += 4;
    m_buttonRect = TRect();
    m_arrowRect = TRect();
    if (m_buttonInCaption) {
        const int arrowWidth = glyph.cx + 4 + (m_separateArrow ? 2 : 0);
        text.Right += arrowWidth;
        IntersectInto(text, r);
        m_buttonRect = TRect(client.Left + 1, m_verticalInset ? 1 : 0, text.Right, m_verticalInset ? height() - 1 : height());
        m_arrowRect = TRect(std::max(m_buttonRect.Left, m_buttonRect.Right - arrowWidth), m_buttonRect.Top,
                            m_buttonRect.Right, m_buttonRect.Bottom);
        CutRect(c, r, r.Right - text.Right, fill, true, 0);
        if (draw) {
            TRect arrowOut;
            unsigned flags = DT_SINGLELINE | DT_CENTER | (m_arrowAlignment == aaBottom ? DT_BOTTOM : DT_VCENTER);
            if (!opaque)
                flags |= DTR_TRANSPARENT;
            DrawDropDownArrow(c, m_arrowRect, arrowOut, flags, m_arrowFontSize);
        }
        r.Right = m_arrowRect.Left;
    }
    if (!draw)
        return;
    DrawTextInRect(c, m_caption, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | (opaque ? 0 : DTR_TRANSPARENT), r);
    if (m_buttonInCaption && (m_buttonDown || m_arrowButtonDown || m_mouseOver)) {
        if (m_separateArrow)
            DrawArrowButtonFrame(c, m_buttonRect, m_selectionColor, m_arrowButtonDown ? 2 : m_buttonDown ? 1 : 0);
        else
            DrawFrame3D(c, m_buttonRect, m_selectionColor, m_buttonDown);
    }
}

void TSBCustomHeaderButton::Layout() const
{
    QImage scratch(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    QPainter p(&scratch);
    TCanvas c(&p);
    const_cast<TSBCustomHeaderButton*>(this)->PaintButton(c, false);
}

TRect TSBCustomHeaderButton::ButtonRect() const
{
    Layout();
    return m_buttonRect;
}

TRect TSBCustomHeaderButton::ArrowRect() const
{
    Layout();
    return m_arrowRect;
}

bool TSBCustomHeaderButton::IsOnArrowButton(int x, int y) const
{
    return m_separateArrow && ArrowRect().Contains(TPoint(x, y));
}

void TSBCustomHeaderButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (Opaque())
        p.fillRect(rect(), ColorToQColor(m_color));
    TCanvas c(&p);
    PaintButton(c, true);
}

void TSBCustomHeaderButton::MouseDown(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton || !m_buttonInCaption)
        return;
    const TPoint pt(x, y);
    const TRect button_ = ButtonRect();
    if (IsOnArrowButton(x, y)) {
        SetArrowButtonDown(!m_arrowButtonDown);
    } else if (button_.Contains(pt)) {
        SetArrowButtonDown(false);
        SetButtonDown(m_menuShowing ? false : !m_buttonDown);
    }
}

void TSBCustomHeaderButton::MouseMove(int x, int y)
{
    if (!m_buttonInCaption)
        return;
    const bool over = ButtonRect().Contains(TPoint(x, y));
    if (over && !m_buttonDown) {
        if (!m_mouseOver) {
            m_mouseOver = true;
            update();
        }
    } else if (!over && m_mouseOver) {
        m_mouseOver = false;
        update();
    }
}

void TSBCustomHeaderButton::MouseLeave()
{
    if (m_mouseOver) {
        m_mouseOver = false;
        update();
    }
}

void TSBCustomHeaderButton::UpdateButton()
{
    if (!parentWidget())
        return;
    const QPoint p = mapFromGlobal(QCursor::pos());
    MouseMove(p.x(), p.y());
}

void TSBCustomHeaderButton::Loaded()
{
    if (m_buttonDown && m_buttonInCaption)
        DoButtonClick();
}

void TSBCustomHeaderButton::DoButtonClick()
{
    if (m_dropDownMenu) {
        const bool menuWanted = m_buttonDown || (m_arrowButtonDown && m_separateArrow);
        if (!menuWanted) {
            if (OnButtonClick)
                OnButtonClick(this);
            return;
        }
        if (m_buttonDown && !m_arrowButtonDown && m_separateArrow)
            return;
        QPointer<TSBCustomHeaderButton> self = this;
        m_menuShowing = true;
        PopupMenu(m_dropDownMenu, mapToGlobal(QPoint(0, height())));
        if (!self)
            return;
        m_menuShowing = false;
        QCoreApplication::processEvents();
        if (!self)
            return;
        // Both parts are up once the menu has closed.
        m_buttonDown = false;
        m_arrowButtonDown = false;
        Register(false);
        update();
    }
    if (OnButtonClick)
        OnButtonClick(this);
}

bool TSBCustomHeaderButton::CloseOnMessage(bool mouseDown)
{
    bool close = true;
    if (mouseDown) {
        const QPoint at = mapFromGlobal(GetMouseManager()->PressPos());
        close = !(m_buttonDown && ButtonRect().Contains(TPoint(at.x(), at.y())));
        if (close && OnTrackMouse)
            OnTrackMouse(this, close);
    }
    if (m_menuShowing)
        close = false;
    if (close) {
        SetButtonDown(false);
        SetArrowButtonDown(false);
        if (QWidget* form = window())
            form->repaint();
    }
    UpdateButton();
    return close;
}

bool TSBCustomHeaderButton::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        if ((m->Msg == WM_SBMOUSEDOWN || m->Msg == WM_SBAPPLOSTFOCUS) && (m_buttonDown || m_arrowButtonDown)) {
            CloseOnMessage(m->Msg == WM_SBMOUSEDOWN);
            return true;
        }
    }
    return QWidget::event(e);
}

void TSBCustomHeaderButton::mousePressEvent(QMouseEvent* e)
{
    MouseDown(e->button(), int(e->position().x()), int(e->position().y()));
    e->ignore(); // the parent sees the press too
}

void TSBCustomHeaderButton::mouseMoveEvent(QMouseEvent* e)
{
    MouseMove(int(e->position().x()), int(e->position().y()));
}

void TSBCustomHeaderButton::leaveEvent(QEvent*)
{
    MouseLeave();
}

void TSBCustomHeaderButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        Changed();
    QWidget::changeEvent(e);
}

void TSBCustomHeaderButton::resizeEvent(QResizeEvent*)
{
    UpdateButton();
}
