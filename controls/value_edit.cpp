#include "controls/value_edit.h"

#include "platform/message_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <algorithm>

namespace {

bool& insertKeyState()
{
    static bool on = false;
    return on;
}

} // namespace

TValueEdit::TValueEdit(QWidget* owner) : QLineEdit(owner)
{
    m_separator = QLocale().decimalPoint().isEmpty() ? QLatin1Char('.') : QLocale().decimalPoint().at(0);
    m_min = 0;
    m_max = 99999999;
    ErrorMessage = QStringLiteral("[No Text]");
    TabOnEnter = true;
    SetValue(0);
}

TValueEdit::~TValueEdit() = default;

bool TValueEdit::GetInsertKeyState()
{
    return insertKeyState();
}
void TValueEdit::SetInsertKeyState(bool on)
{
    insertKeyState() = on;
}

void TValueEdit::SetDigits(int n)
{
    if (n > MaxDigits && n != m_digits)
        n = MaxDigits;
    m_digits = std::clamp(n, 0, MaxDigits);
}

void TValueEdit::SetMin(long double v)
{
    if (v == m_min)
        return;
    m_min = v > m_max ? m_max : v;
    SetValue(GetValue());
}

void TValueEdit::SetMax(long double v)
{
    if (v == m_max)
        return;
    m_max = v < m_min ? m_min : v;
    SetValue(GetValue());
}

long double TValueEdit::clampValue(long double v) const
{
    return std::clamp(v, m_min, m_max);
}

QString TValueEdit::format(long double v) const
{
    QString s = QString::number(double(v), 'f', m_digits);
    if (m_separator != QLatin1Char('.'))
        s.replace(QLatin1Char('.'), m_separator);
    return s;
}

bool TValueEdit::convert(const QString& text, long double& value) const
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 64)
        return false;
    // Digits, at most one separator, a minus only in front: nothing else reads as a number.
    QString plain;
    bool separator = false, digit = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digit = true;
            plain += c;
        } else if (c == m_separator && !separator) {
            separator = true;
            plain += QLatin1Char('.');
        } else if (c == QLatin1Char('-') && i == 0) {
            plain += c;
        } else {
            return false;
        }
    }
    if (!digit)
        return false;
    bool ok = false;
    const double d = QLocale::c().toDouble(plain, &ok);
    if (!ok)
        return false;
    value = d;
    return true;
}

long double TValueEdit::GetValue() const
{
    const QString t = text();
    if (t.isEmpty() || t == QStringLiteral("-") || t == QString(m_separator))
        return clampValue(0);
    long double v = 0;
    if (!convert(t, v))
        return clampValue(m_entryValue);
    return clampValue(v);
}

void TValueEdit::SetValue(long double v)
{
    setText(format(clampValue(v)));
}

int TValueEdit::typedLimit() const
{
    const int max = maxLength();
    return max > 0 && max < 32767 ? max : MaxTypedLength;
}

bool TValueEdit::FilterKey(QChar key, const QString& text, int selStart, int selLength, int cursor,
                           QString& newText, int& newSelStart, int& newSelLength) const
{
    QString base = text;
    int pos = std::clamp(cursor, 0, int(text.size()));
    if (selLength > 0 && selStart >= 0 && selStart < text.size()) {
        base.remove(selStart, selLength);
        pos = selStart;
    }
    if (base.size() + 1 > typedLimit())
        return false;
    const bool isDigit = key >= QLatin1Char('0') && key <= QLatin1Char('9');
    const bool isMinus = key == QLatin1Char('-');
    const bool isSeparator = key == m_separator;
    if (!isDigit && !isMinus && !isSeparator)
        return false;
    if (isMinus && (base.contains(QLatin1Char('-')) || !(m_min < 0)))
        return false;
    if (isSeparator && (base.contains(m_separator) || m_digits == 0))
        return false;

    QString t = base;
    t.insert(pos, key);
    const qsizetype sep = t.indexOf(m_separator);
    if (sep >= 0 && t.size() - sep - 1 > m_digits)
        return false;
    const qsizetype minus = t.lastIndexOf(QLatin1Char('-'));
    if (minus > 0)
        return false;

    if (t == QStringLiteral("-")) {
        newText = QStringLiteral("-0");
        newSelStart = 1;
        newSelLength = 1;
    } else if (t == QString(m_separator)) {
        newText = QStringLiteral("0") + m_separator + QStringLiteral("0");
        newSelStart = 2;
        newSelLength = 1;
    } else {
        newText = t;
        newSelStart = pos + 1;
        newSelLength = 0;
    }
    return true;
}

void TValueEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (TabOnEnter && plain && (key == Qt::Key_Down || key == Qt::Key_Up)) {
        focusNextPrevChild(key == Qt::Key_Down);
        event->accept();
        return;
    }
    if (key == Qt::Key_Insert && plain) {
        SetInsertKeyState(!GetInsertKeyState());
        event->accept();
        return;
    }
    const QString t = event->text();
    if (t.isEmpty()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QChar c = t.at(0);
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
        if (TabOnEnter && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            focusNextPrevChild(true);
            event->accept();
            return;
        }
        if (key == Qt::Key_Escape) {
            SetValue(m_entryValue);
            selectAll();
        }
        // Other control characters (backspace, the clipboard keys) as the edit handles them.
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (!plain) {
        QLineEdit::keyPressEvent(event);
        return;
    }

    // Overwrite mode: the typed character takes the place of the one under the caret.
    if (GetInsertKeyState() && !hasSelectedText() && cursorPosition() < text().size())
        setSelection(cursorPosition(), 1);

    QString newText;
    int selStart = 0, selLength = 0;
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = hasSelectedText() ? int(selectedText().size()) : 0;
    event->accept();
    if (!FilterKey(c, text(), start, length, cursorPosition(), newText, selStart, selLength))
        return;
    setText(newText);
    if (selLength > 0)
        setSelection(selStart, selLength);
    else
        setCursorPosition(selStart);
}

void TValueEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    DoEnter();
}

void TValueEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Another window taking the focus is no leaving of the field.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        DoExit();
}

void TValueEdit::DoEnter()
{
    long double v = 0;
    m_entryValue = convert(text(), v) ? clampValue(v) : clampValue(0);
}

void TValueEdit::DoExit()
{
    long double v = 0;
    if (!convert(text(), v) || v < m_min || v > m_max) {
        if (!ErrorMessage.isEmpty())
            MessageDlg(ErrorMessage, mtError, mbOK);
        SetValue(m_entryValue);
        selectAll();
        setFocus(Qt::OtherFocusReason);
        return;
    }
    SetValue(v);
}
