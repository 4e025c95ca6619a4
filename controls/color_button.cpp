#include "controls/color_button.h"

#include "platform/registry.h"
#include "platform/top_most.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// The 7 x 5 drop-down arrow; its bottom-left pixel is the transparent colour.
QImage makeArrow(const QColor& color)
{
    QImage img(7, 5, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    for (int y = 0; y < 4; ++y)
        for (int x = y; x < 7 - y; ++x)
            img.setPixelColor(x, y, color);
    return img;
}

// Parses the stored custom colours: "$XXXXXXXX" values separated by commas, column 1..8
// outer, row 1..2 inner. Anything unreadable is white; at most 16 values are taken.
void parseCustomColors(const QString& text, TColorArrayClass& custom)
{
    const QStringList values = text.split(QLatin1Char(','));
    int i = 0;
    for (int x = 1; x <= custom.XSize(); ++x)
        for (int y = 1; y <= custom.YSize(); ++y, ++i) {
            TColor c = clWhite;
            if (i < values.size() && i < 16) {
                const QString v = values.at(i).trimmed();
                bool ok = false;
                if (v.size() >= 2 && v.size() <= 9 && v.startsWith(QLatin1Char('$'))) {
                    const uint n = v.mid(1).toUInt(&ok, 16);
                    if (ok)
                        c = TColor(n);
                }
            }
            custom.SetColor(x, y, c);
        }
}

QString customColorsText(const TColorArrayClass& custom)
{
    QStringList values;
    for (int x = 1; x <= custom.XSize(); ++x)
        for (int y = 1; y <= custom.YSize(); ++y)
            values << QStringLiteral("$") +
                          QStringLiteral("%1").arg(custom.Color(x, y), 8, 16, QLatin1Char('0')).toUpper();
    return values.join(QLatin1Char(','));
}

// The 1-based place of color in the palette, 0 when it is not there.
int paletteIndexOf(const TColorArrayClass& palette, TColor color)
{
    for (int i = 1; i <= palette.Count(); ++i)
        if (palette.SingleColor(i) == color)
            return i;
    return 0;
}

} // namespace

TscColorButton::TscColorButton(QWidget* owner) : QPushButton(owner)
{
    m_arrow = makeArrow(Qt::black);
    m_disabledArrow = makeArrow(QColor(128, 128, 128));
    OtherBtnCaption = DefaultOtherBtnCaption();
    ShowColorHints = true;
    m_color = clBlack;
    setText(QString());
    SetDefaultColors();
    m_paletteIndex = paletteIndexOf(PaletteColors, m_color);
    resize(45, 22);
    connect(this, &QPushButton::clicked, this, [this] { ButtonClick(); });
}

TscColorButton::~TscColorButton()
{
    SaveCustomColors();
    if (m_palette) {
        m_palette->OnPaletteClose = nullptr;
        m_palette->OnSetColor = nullptr;
        delete m_palette.data();
        RestoreTopMosts();
    }
}

void TscColorButton::SetDefaultColors()
{
    SetDefaultPaletteColors(PaletteColors);
    for (int i = 1; i <= CustomColors.Count(); ++i)
        CustomColors.SetSingleColor(i, clWhite);
}

void TscColorButton::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    m_paletteIndex = paletteIndexOf(PaletteColors, color);
    update();
    DoColorChange();
}

void TscColorButton::SetPaletteColorIndex(int index)
{
    if (index == m_paletteIndex || index < 0 || index > PaletteColors.Count())
        return;
    m_paletteIndex = index;
    m_color = index == 0 ? OtherColor : PaletteColors.SingleColor(index);
    update();
    DoColorChange();
}

void TscColorButton::SetPaletteColors(const TColorArrayClass& colors)
{
    PaletteColors.Assign(colors);
}
void TscColorButton::SetCustomColors(const TColorArrayClass& colors)
{
    CustomColors.Assign(colors);
}

void TscColorButton::SetFlat(bool value)
{
    if (value != m_flat) {
        m_flat = value;
        update();
    }
}

void TscColorButton::SetStyle(TButtonStyle value)
{
    if (value != m_style) {
        m_style = value;
        update();
    }
}

void TscColorButton::SetArrowBmp(const QImage& bmp)
{
    if (bmp.isNull())
        return;
    m_arrow = bmp;
    update();
}

void TscColorButton::SetDisabledArrowBmp(const QImage& bmp)
{
    if (bmp.isNull())
        return;
    m_disabledArrow = bmp;
    update();
}

void TscColorButton::DoColorChange()
{
    if (OnColorChange)
        OnColorChange(this);
}

QString TscColorButton::GetSectionName() const
{
    const QWidget* parent = parentWidget();
    return parent ? parent->objectName() + QLatin1Char('.') + objectName() : objectName();
}

void TscColorButton::LoadCustomColors()
{
    if (CustomColorsKey.isEmpty())
        return;
    TRegIniFile reg(CustomColorsKey);
    const QString text = reg.ReadString(QStringLiteral("Colors"), GetSectionName(), QString());
    if (!text.isEmpty())
        parseCustomColors(text, CustomColors);
}

void TscColorButton::SaveCustomColors()
{
    if (CustomColorsKey.isEmpty())
        return;
    TRegIniFile reg(CustomColorsKey);
    reg.WriteString(QStringLiteral("Colors"), GetSectionName(), customColorsText(CustomColors));
}

void TscColorButton::showEvent(QShowEvent* event)
{
    if (!m_customLoaded) {
        m_customLoaded = true;
        LoadCustomColors();
    }
    QPushButton::showEvent(event);
}

void TscColorButton::ButtonClick()
{
    if (m_ignoreNextClick) {
        m_ignoreNextClick = false;
        return;
    }
    // A click while the palette is open only closes it.
    if (m_palette) {
        m_palette->close();
        return;
    }
    if (CycleColors && mapFromGlobal(QCursor::pos()).x() <= width() - 13) {
        SetPaletteColorIndex(m_paletteIndex >= PaletteColors.Count() ? 0 : m_paletteIndex + 1);
        return;
    }

    // Windows that stay on top of all others would hide the drop-down.
    NormalizeTopMosts();
    auto* palette = new TSCColorButtonPalette(this);
    const QRect buttonRect(mapToGlobal(QPoint(0, 0)), size());
    // The work area of the screen the button is on.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(buttonRect.topLeft(), QSize(4096, 4096));
    palette->move(TSCColorButtonPalette::PalettePosition(buttonRect, work, palette->size()));
    palette->SetShowColorHints(ShowColorHints);
    palette->btnOther->setText(OtherBtnCaption);
    palette->OtherColor = OtherColor;
    palette->SetPaletteColors(PaletteColors);
    palette->SetCustomColors(CustomColors);
    palette->SetStartColor(m_color);
    palette->OnSetColor = [this](QObject* sender, bool isOther, TColor color) {
        PaletteSetColor(sender, isOther, color);
    };
    palette->OnPaletteClose = [this](QObject* sender) { PaletteClose(sender); };
    palette->OnGetColorHintText = OnGetColorHintText;
    m_palette = palette;
    m_paletteShown = true;
    update();
    palette->show();
    palette->raise();
    palette->activateWindow();
    palette->setFocus(Qt::PopupFocusReason);
}

void TscColorButton::PaletteSetColor(QObject*, bool isOther, TColor color)
{
    SetColor(color);
    if (isOther)
        OtherColor = color;
}

void TscColorButton::PaletteClose(QObject* sender)
{
    auto* palette = qobject_cast<TSCColorButtonPalette*>(sender);
    // The click that closed the palette must not open it again.
    if (palette && !palette->ClosedByKey() && rect().contains(mapFromGlobal(QCursor::pos())))
        m_ignoreNextClick = true;
    if (palette)
        CustomColors.Assign(palette->CustomColors);
    const bool wasShown = m_paletteShown;
    m_paletteShown = false;
    m_palette = nullptr;
    if (wasShown)
        RestoreTopMosts();
    update();
    // The form the button is on takes the activation back from the palette.
    if (isVisible())
        window()->activateWindow();
}

void TscColorButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click is a second press.
    mousePressEvent(event);
}

void TscColorButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    if (m_flat)
        update();
}

void TscColorButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    if (m_flat)
        update();
}

QRect TscColorButton::SwatchRect() const
{
    // Inside the button frame (2), the focus margin (3), one more pixel, then 2 across and 1
    // down; the arrow takes the last 10 pixels.
    QRect r = rect().adjusted(2, 2, -2, -2);
    r.adjust(3, 3, -3, -3);
    r.adjust(1, 1, -1, -1);
    r.adjust(2, 1, -2, -1);
    r.setRight(r.right() - 10);
    return r;
}

void TscColorButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    const bool down = isDown() || m_paletteShown;
    const bool mouseOver = rect().contains(mapFromGlobal(QCursor::pos()));
    const bool enabled = isEnabled();
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    QRect r = rect();
    if (down) {
        p.setPen(ColorToQColor(clWindowFrame));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(ColorToQColor(clBtnShadow));
        p.setBrush(ColorToQColor(clBtnFace));
        p.drawRect(r.adjusted(1, 1, -2, -2));
    } else if (!m_flat || mouseOver || hasFocus()) {
        opt.state &= ~QStyle::State_Sunken;
        p.drawControl(QStyle::CE_PushButtonBevel, opt);
    } else {
        p.fillRect(r, ColorToQColor(clBtnFace));
    }

    const QPoint shift = down ? QPoint(1, 1) : QPoint(0, 0);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(5, 5, -5, -5).translated(shift);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }

    const QRect swatch = SwatchRect().translated(shift);
    p.setPen(ColorToQColor(clWindowFrame));
    if (enabled) {
        p.setBrush(ColorToQColor(m_color));
        p.drawRect(swatch.adjusted(0, 0, -1, -1));
    } else {
        p.setBrush(Qt::NoBrush);
        p.drawRect(swatch.adjusted(0, 0, -1, -1));
        p.fillRect(swatch.adjusted(1, 1, -1, -1), QBrush(ColorToQColor(clBtnShadow), Qt::BDiagPattern));
    }

    const int sepX = swatch.right() + 3;
    p.setPen(ColorToQColor(clBtnShadow));
    p.drawLine(sepX, swatch.top(), sepX, swatch.bottom());
    p.setPen(ColorToQColor(clBtnHighlight));
    p.drawLine(sepX + 1, swatch.top(), sepX + 1, swatch.bottom());

    QImage arrow = enabled ? m_arrow : m_disabledArrow;
    if (!arrow.isNull()) {
        // The bottom-left pixel's colour is left out.
        const QRgb transparent = arrow.pixel(0, arrow.height() - 1);
        arrow = arrow.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < arrow.height(); ++y)
            for (int x = 0; x < arrow.width(); ++x)
                if ((arrow.pixel(x, y) & 0xFFFFFF) == (transparent & 0xFFFFFF))
                    arrow.setPixel(x, y, 0);
        const int ax = sepX + 2 + 2;
        const int ay = (height() - arrow.height()) / 2 + shift.y();
        p.drawImage(ax, ay, arrow);
    }
}
