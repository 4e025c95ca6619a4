#include "document/dialog_form.h"

#include "document/child_frame.h"
#include "document/std.h"
#include "platform/message_box.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <algorithm>

void SetUpFixedDialog(QDialog* dialog, const char* name, int width, int height)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(12);
    dialog->setFont(formFont);
    dialog->setFixedSize(width, height);
}

TFont SetUpObjectDialog(QDialog* dialog, const char* name, int width, int height)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    TFont formFont;
    formFont.Name = QStringLiteral("MS Sans Serif");
    formFont.Height = -12;
    dialog->setFont(formFont.ToQFont());
    dialog->setFixedSize(width, height);
    return formFont;
}

QToolButton* FontStyleButton(QWidget* parent, const char* name, bool bold)
{
    auto* b = Named(new QToolButton(parent), name);
    b->setCheckable(true);
    QFont f(QStringLiteral("Liberation Serif"));
    f.setPixelSize(14);
    f.setBold(bold);
    f.setItalic(!bold);
    b->setFont(f);
    b->setText(bold ? QStringLiteral("B") : QStringLiteral("I"));
    return b;
}

void ShowFontInMemo(QPlainTextEdit* memo, const QString& fontName, const QString& sizeText, TColor color)
{
    QFont f = memo->font();
    if (!fontName.isEmpty())
        f.setFamily(fontName);
    int size = 0;
    if (FontSizeFromText(sizeText, size))
        f.setPointSize(size);
    memo->setFont(f);
    QPalette p = memo->palette();
    p.setColor(QPalette::Text, ColorToQColor(color));
    memo->setPalette(p);
}

QString MemoLinesText(const QPlainTextEdit* memo)
{
    const QString text = memo->toPlainText();
    if (text.isEmpty())
        return QString();
    QString out;
    for (const QString& line : text.split(QLatin1Char('\n')))
        out += line + QStringLiteral("\r\n");
    return out;
}

int CaptionWidth(const QAbstractButton* button)
{
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    return button->fontMetrics().horizontalAdvance(text);
}

namespace {

int CaptionNeed(const QAbstractButton* button)
{
    if (qobject_cast<const QPushButton*>(button))
        return CaptionWidth(button) + 16;
    return button->sizeHint().width();
}

} // namespace

void GrowToCaption(QAbstractButton* button)
{
    button->resize(std::max(button->width(), CaptionNeed(button)), button->height());
}

void GrowToCaptionCentred(QPushButton* button)
{
    const int w = std::max(button->width(), CaptionNeed(button));
    button->setGeometry(button->x() - (w - button->width()) / 2, button->y(), w, button->height());
}

void FitButtonRow(std::initializer_list<QPushButton*> rightToLeft)
{
    if (rightToLeft.size() == 0)
        return;
    int right = (*rightToLeft.begin())->geometry().right() + 1;
    for (QPushButton* b : rightToLeft) {
        const int w = std::max(b->width(), CaptionWidth(b) + 16);
        b->setGeometry(right - w, b->y(), w, b->height());
        right = b->x() - 9;
    }
}

int FitGroupFrame(QGroupBox* group)
{
    const QList<QWidget*> controls = group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (controls.isEmpty() || group->title().isEmpty())
        return 0;
    int top = group->height(), bottom = 0, right = 0;
    for (const QWidget* c : controls) {
        top = std::min(top, c->y());
        bottom = std::max(bottom, c->geometry().bottom());
        right = std::max(right, c->geometry().right());
    }
    const QRect room = group->contentsRect();
    const int down = std::max(0, room.top() - top);
    for (QWidget* c : controls)
        c->move(c->x(), c->y() + down);
    // As much room beside the outermost controls as the group's contents keep.
    const int grow = std::max(0, bottom + down - room.bottom());
    group->resize(group->width() + std::max(0, right - room.right()), group->height() + grow);
    return grow;
}

bool TakeBoxNumber(QLineEdit* edit, int least, int most, const QString& refusal, int& value)
{
    bool ok = false;
    const int typed = edit->text().trimmed().toInt(&ok);
    if (ok && typed >= least && typed <= most) {
        value = typed;
        return true;
    }
    QWidget* dialog = edit->window();
    MessageBox(dialog, refusal, dialog->windowTitle(), MB_OK | MB_ICONWARNING);
    edit->setFocus();
    edit->selectAll();
    return false;
}

void CentreOnScreen(QWidget* dialog, QWidget* owner)
{
    if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
}

void SetHelpContexts(std::initializer_list<std::pair<QWidget*, int>> contexts)
{
    for (const auto& [w, context] : contexts)
        SetHelpContext(w, context);
}
