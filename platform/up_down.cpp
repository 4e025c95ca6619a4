#include "platform/up_down.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QStyleOption>
#include <QStylePainter>
#include <algorithm>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

TUpDown::~TUpDown() = default;

void TUpDown::SetAssociate(QLineEdit* edit)
{
    if (m_associate) {
        m_associate->removeEventFilter(this);
        disconnect(m_associate, nullptr, this, nullptr);
    }
    m_associate = edit;
    if (edit) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this] { textChanged(); });
        showPosition();
    }
}

void TUpDown::SetMin(int value)
{
    m_min = value;
    if (m_max < m_min)
        m_max = m_min;
    SetPosition(m_position);
}

void TUpDown::SetMax(int value)
{
    m_max = value;
    if (m_min > m_max)
        m_min = m_max;
    SetPosition(m_position);
}

int TUpDown::Position() const
{
    if (m_associate) {
        QString t = m_associate->text().trimmed();
        if (Thousands)
            t.remove(QLocale().groupSeparator());
        bool ok = false;
        const int v = t.toInt(&ok);
        if (ok && v >= m_min && v <= m_max)
            return v;
    }
    return m_position;
}

void TUpDown::SetPosition(int value)
{
    m_position = std::clamp(value, m_min, m_max);
    showPosition();
}

void TUpDown::showPosition()
{
    if (!m_associate)
        return;
    const QString text = Thousands ? QLocale().toString(m_position) : QString::number(m_position);
    if (m_associate->text() != text)
        m_associate->setText(text);
}

void TUpDown::textChanged()
{
    // A valid number typed into the associate becomes the position.
    m_position = Position();
}

void TUpDown::Step(bool up)
{
    const int from = Position();
    long long next = (long long)from + (up ? Increment : -Increment);
    if (next > m_max)
        next = Wrap ? m_min : m_max;
    if (next < m_min)
        next = Wrap ? m_max : m_min;
    m_position = int(next);
    showPosition();
    if (OnClick)
        OnClick(this);
}

void TUpDown::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    const int half = height() / 2;
    const QRect parts[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton b;
        b.initFrom(this);
        b.rect = parts[i];
        if (m_pressed == (i == 0 ? 1 : -1))
            b.state |= QStyle::State_Sunken;
        else
            b.state |= QStyle::State_Raised;
        p.drawPrimitive(QStyle::PE_PanelButtonBevel, b);
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = parts[i].adjusted(1, 1, -1, -1);
        p.drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, arrow);
    }
}

void TUpDown::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_pressed = event->position().y() < height() / 2 ? 1 : -1;
    update();
    Step(m_pressed > 0);
}

void TUpDown::mouseReleaseEvent(QMouseEvent*)
{
    m_pressed = 0;
    update();
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event)
{
    // The type test comes first: the associate also sends events while it is being destroyed,
    // when reading the guarded pointer would cast a half-destroyed widget.
    if (event->type() == QEvent::KeyPress && watched == m_associate && isEnabled()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            Step(key->key() == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
