#include "controls/color_palette.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>

namespace {

ColorDialogHandler& colorDialogHandler()
{
    static ColorDialogHandler handler;
    return handler;
}

constexpr TColor kDefaultPalette[4][5] = {
    {RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(191, 215, 191)},
    {RGB(0, 0, 0), RGB(127, 0, 0), RGB(0, 127, 0), RGB(0, 0, 127), RGB(159, 191, 239)},
    {RGB(191, 191, 191), RGB(255, 255, 0), RGB(0, 255, 255), RGB(255, 0, 255), RGB(255, 247, 239)},
    {RGB(127, 127, 127), RGB(127, 127, 0), RGB(0, 127, 127), RGB(127, 0, 127), RGB(159, 159, 159)},
};

bool runColorDialog(QWidget* owner, TColor& color, QStringList& lines)
{
    if (colorDialogHandler())
        return colorDialogHandler()(owner, color, lines);
    TColorArrayClass custom(8, 2);
    ReadCustomColorLines(lines, custom);
    for (int i = 1; i <= custom.Count(); ++i)
        QColorDialog::setCustomColor(i - 1, ColorToQColor(custom.SingleColor(i)));
    QColorDialog dialog(ColorToQColor(color), owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    color = QColorToColor(dialog.selectedColor());
    for (int i = 1; i <= custom.Count(); ++i)
        custom.SetSingleColor(i, QColorToColor(QColorDialog::customColor(i - 1)));
    lines = CustomColorLines(custom);
    return true;
}

} // namespace

// --- TColorArrayClass ----------------------------------------------------------------

TColorArrayClass::TColorArrayClass(int xSize, int ySize)
    : m_x(std::max(xSize, 0)), m_y(std::max(ySize, 0)), m_colors(size_t(m_x) * size_t(m_y), clBlack)
{
}

void TColorArrayClass::SetXSize(int value)
{
    m_x = std::max(value, 0);
    m_colors.assign(size_t(m_x) * size_t(m_y), clBlack);
}

void TColorArrayClass::SetYSize(int value)
{
    m_y = std::max(value, 0);
    m_colors.assign(size_t(m_x) * size_t(m_y), clBlack);
}

int TColorArrayClass::index(int x, int y) const
{
    if (x < 1 || y < 1 || x > m_x || y > m_y)
        throw EColorArrayIndexError();
    return (y - 1) * m_x + (x - 1);
}

TColor TColorArrayClass::Color(int x, int y) const
{
    return m_colors[size_t(index(x, y))];
}
void TColorArrayClass::SetColor(int x, int y, TColor color)
{
    m_colors[size_t(index(x, y))] = color;
}

TColor TColorArrayClass::SingleColor(int i) const
{
    if (i < 1 || i > Count())
        throw EColorArrayIndexError();
    return m_colors[size_t(i - 1)];
}

void TColorArrayClass::SetSingleColor(int i, TColor color)
{
    if (i < 1 || i > Count())
        throw EColorArrayIndexError();
    m_colors[size_t(i - 1)] = color;
}

bool TColorArrayClass::IsEqualTo(const TColorArrayClass* other) const
{
    if (other == this)
        return true;
    return other && other->m_x == m_x && other->m_y == m_y && other->m_colors == m_colors;
}

void SetDefaultPaletteColors(TColorArrayClass& colors)
{
    colors.SetXSize(4);
    colors.SetYSize(5);
    for (int x = 1; x <= 4; ++x)
        for (int y = 1; y <= 5; ++y)
            colors.SetColor(x, y, kDefaultPalette[x - 1][y - 1]);
}

QStringList CustomColorLines(const TColorArrayClass& custom)
{
    QStringList lines;
    for (int row = 1; row <= 2; ++row)
        for (int col = 1; col <= 8; ++col) {
            const TColor c =
                col <= custom.XSize() && row <= custom.YSize() ? custom.Color(col, row) : clWhite;
            const QChar letter(char16_t(64 + (row - 1) * 8 + col));
            lines << QStringLiteral("Color") + letter + QLatin1Char('=') +
                         QStringLiteral("%1").arg(c, 8, 16, QLatin1Char('0')).toUpper();
        }
    return lines;
}

void ReadCustomColorLines(const QStringList& lines, TColorArrayClass& custom)
{
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 1)
            continue;
        const int letter = line.at(eq - 1).unicode() - 65;
        if (letter < 0 || letter >= 16)
            continue;
        const int col = letter % 8 + 1, row = letter / 8 + 1;
        if (col > custom.XSize() || row > custom.YSize())
            continue;
        bool ok = false;
        const QString digits = line.mid(eq + 1, 8).trimmed();
        const uint value = digits.isEmpty() ? 0 : digits.toUInt(&ok, 16);
        custom.SetColor(col, row, ok ? TColor(value) : clWhite);
    }
}

void SetColorDialogHandler(ColorDialogHandler handler)
{
    colorDialogHandler() = std::move(handler);
}

// --- TSCColorButtonPalette -----------------------------------------------------------

TSCColorButtonPalette::TSCColorButtonPalette(QWidget* owner)
    : QWidget(owner ? owner->window() : nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("SCColorButtonPalette"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    m_closedByKey = false;
    m_showHints = true;
    m_current = QPoint(-1, -1);
    SetDefaultPaletteColors(PaletteColors);
    for (int i = 1; i <= CustomColors.Count(); ++i)
        CustomColors.SetSingleColor(i, clWhite);
    OtherColor = clBtnFace;
    m_startColor = clBlack;

    btnOther = new QPushButton(QStringLiteral("&Other"), this);
    btnOther->setObjectName(QStringLiteral("btnOther"));
    btnOther->setFocusPolicy(Qt::NoFocus);
    btnOther->setGeometry(Border + 1, Border + OtherTop, ClientWidth - 22, OtherHeight);
    connect(btnOther, &QPushButton::clicked, this, [this] { btnOtherClick(); });
    setFixedSize(ClientWidth + 2 * Border, ClientHeight + 2 * Border);

    // The palette goes when the application loses the focus, unless the colour dialog is open.
    connect(qApp, &QApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive && !m_inOtherDialog && isVisible())
            close();
    });
}

TSCColorButtonPalette::~TSCColorButtonPalette() = default;

bool TSCColorButtonPalette::ValidSquare(QPoint s)
{
    return (s.x() >= 1 && s.x() <= 4 && s.y() >= 1 && s.y() <= 5) || s.y() == 0;
}

QRect TSCColorButtonPalette::SquareRect(QPoint s) const
{
    int left, top;
    if (s.y() == 0) {
        left = ClientWidth - 18;
        top = OtherTop + (OtherHeight - 16) / 2;
    } else {
        left = (s.x() - 1) * CellSize + 1;
        top = (s.y() - 1) * CellSize + 1;
    }
    return QRect(Border + left - 1, Border + top - 1, 18, 18);
}

QPoint TSCColorButtonPalette::SquareAt(QPoint pos) const
{
    const int x = pos.x() - Border, y = pos.y() - Border;
    if (x >= ClientWidth - 19 && x <= ClientWidth - 1 && y >= 96 && y <= 113)
        return QPoint(0, 0);
    if (x < 0 || y < 0)
        return QPoint(-1, -1);
    const QPoint s(x / CellSize + 1, y / CellSize + 1);
    return s.x() >= 1 && s.x() <= 4 && s.y() >= 1 && s.y() <= 5 ? s : QPoint(-1, -1);
}

TColor TSCColorButtonPalette::SquareColor(QPoint s) const
{
    if (s.y() == 0)
        return OtherColor;
    return PaletteColors.Color(s.x(), s.y());
}

void TSCColorButtonPalette::SetShowColorHints(bool value)
{
    m_showHints = value;
    setAttribute(Qt::WA_AlwaysShowToolTips, value);
}

void TSCColorButtonPalette::SetStartColor(TColor color)
{
    m_startColor = color;
    const TColor rgb = ColorToRGB(color);
    for (int x = 1; x <= 4; ++x)
        for (int y = 1; y <= 5; ++y)
            if (ColorToRGB(PaletteColors.Color(x, y)) == rgb) {
                selectSquare(QPoint(x, y));
                return;
            }
    OtherColor = color;
    update();
}

void TSCColorButtonPalette::selectSquare(QPoint s)
{
    if (s == m_current || !ValidSquare(s))
        return;
    m_current = s;
    update();
}

void TSCColorButtonPalette::drawSquare(QPainter& p, QPoint s, bool selected)
{
    const QColor color = ColorToQColor(SquareColor(s));
    QRect r = SquareRect(s);
    auto frame = [&](const QColor& topLeft, const QColor& bottomRight) {
        const QRect f = r.adjusted(0, 0, -1, -1);
        p.setPen(topLeft);
        p.drawLine(f.topLeft(), f.topRight());
        p.drawLine(f.topLeft(), f.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(f.bottomLeft(), f.bottomRight());
        p.drawLine(f.topRight(), f.bottomRight());
        r.adjust(1, 1, -1, -1);
    };
    const QColor dark = ColorToQColor(cl3DDkShadow), light = ColorToQColor(clBtnHighlight);
    if (selected) {
        frame(dark, dark);
        frame(light, light);
        frame(dark, dark);
    } else {
        const QColor face = palette().color(QPalette::Window);
        frame(face, face);
        frame(ColorToQColor(clBtnShadow), light);
        frame(dark, ColorToQColor(cl3DLight));
    }
    p.fillRect(r, color);
}

void TSCColorButtonPalette::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // Raised dialog frame.
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    p.setPen(ColorToQColor(cl3DLight));
    p.drawLine(outer.topLeft(), outer.topRight());
    p.drawLine(outer.topLeft(), outer.bottomLeft());
    p.setPen(ColorToQColor(cl3DDkShadow));
    p.drawLine(outer.bottomLeft(), outer.bottomRight());
    p.drawLine(outer.topRight(), outer.bottomRight());

    for (int x = 1; x <= 4; ++x)
        for (int y = 1; y <= 5; ++y)
            drawSquare(p, QPoint(x, y), false);
    p.setPen(ColorToQColor(clBtnShadow));
    p.drawLine(Border + 2, Border + 93, Border + ClientWidth - 2, Border + 93);
    p.setPen(ColorToQColor(clBtnHighlight));
    p.drawLine(Border + 2, Border + 94, Border + ClientWidth - 2, Border + 94);
    drawSquare(p, QPoint(0, 0), false);
    if (ValidSquare(m_current))
        drawSquare(p, m_current, true);
}

void TSCColorButtonPalette::mouseMoveEvent(QMouseEvent* event)
{
    selectSquare(SquareAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void TSCColorButtonPalette::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint s = SquareAt(event->position().toPoint());
    if (ValidSquare(s) && OnSetColor)
        OnSetColor(this, s.y() == 0, SquareColor(s));
    close();
}

void TSCColorButtonPalette::pick(QPoint s)
{
    if (ValidSquare(s) && OnSetColor)
        OnSetColor(this, s.y() == 0, SquareColor(s));
}

void TSCColorButtonPalette::keyPressEvent(QKeyEvent* event)
{
    QPoint s = m_current;
    const bool valid = ValidSquare(s);
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!valid) {
            selectSquare(QPoint(1, 1));
        } else if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
            if (s.y() != 0) {
                const int step = event->key() == Qt::Key_Left ? -1 : 1;
                s.setX((s.x() - 1 + step + 4) % 4 + 1);
                selectSquare(s);
            }
        } else {
            // Rows run 5, 4, ..., 1, 0 (the other square), 5 going up.
            int row = s.y() + (event->key() == Qt::Key_Up ? -1 : 1);
            if (row < 0)
                row = 5;
            if (row > 5)
                row = 0;
            if (s.x() < 1 || s.x() > 4)
                s.setX(1);
            s.setY(row);
            selectSquare(s);
        }
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pick(s);
        m_closedByKey = true;
        close();
        event->accept();
        return;
    case Qt::Key_Escape:
        m_closedByKey = true;
        close();
        event->accept();
        return;
    default: QWidget::keyPressEvent(event);
    }
}

void TSCColorButtonPalette::btnOtherClick()
{
    TColor color = OtherColor;
    QStringList lines = CustomColorLines(CustomColors);
    m_inOtherDialog = true;
    const bool accepted = runColorDialog(this, color, lines);
    m_inOtherDialog = false;
    if (accepted) {
        OtherColor = color;
        ReadCustomColorLines(lines, CustomColors);
        if (OnSetColor)
            OnSetColor(this, true, OtherColor);
        close();
    } else if (isVisible()) {
        activateWindow();
    }
}

void TSCColorButtonPalette::closeEvent(QCloseEvent* event)
{
    if (m_inOtherDialog) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_closing) {
        m_closing = true;
        if (OnPaletteClose)
            OnPaletteClose(this);
    }
}

void TSCColorButtonPalette::BuildHintText(TColor color, int x, int y, QString& text)
{
    const TColor rgb = ColorToRGB(color);
    auto three = [](int v) { return QStringLiteral("%1").arg(v, 3, 10, QLatin1Char('0')); };
    text = QStringLiteral("RGB = ") + three(GetRValue(rgb)) + QLatin1Char(' ') + three(GetGValue(rgb)) +
           QLatin1Char(' ') + three(GetBValue(rgb));
    GetColorHintText(color, x, y, text);
}

void TSCColorButtonPalette::GetColorHintText(TColor color, int x, int y, QString& text)
{
    if (OnGetColorHintText)
        OnGetColorHintText(this, color, x, y, text);
}

bool TSCColorButtonPalette::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
        if (!m_inOtherDialog && isVisible())
            close();
        break;
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint s = SquareAt(help->pos());
        QString text;
        if (m_showHints && ValidSquare(s))
            BuildHintText(SquareColor(s), s.x(), s.y(), text);
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            const QRect r = SquareRect(s);
            QToolTip::showText(mapToGlobal(r.bottomLeft() + QPoint(0, 8)), text, this, r);
        }
        return true;
    }
    default: break;
    }
    return QWidget::event(event);
}

QPoint TSCColorButtonPalette::PalettePosition(const QRect& button, const QRect& work, const QSize& size)
{
    QPoint p(button.left(), button.bottom() + 1);
    if (p.y() + size.height() > work.bottom() + 1)
        p.setY(button.top() - size.height());
    if (p.x() < work.left())
        p.setX(work.left());
    if (p.x() + size.width() > work.right() + 1)
        p.setX(work.right() + 1 - size.width());
    return p;
}
