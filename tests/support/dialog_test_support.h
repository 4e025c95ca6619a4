#pragma once
// Helpers of the dialog tests: acting on a modal dialog once its loop runs, the German language
// library for the length of a test, and the checks that translated captions fit.
#include "document/std.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace testsupport {

// Runs f on the modal dialog of type D once it shows.
template <class D, class F>
void WhenShown(F f)
{
    QTimer::singleShot(0, [f] {
        auto* dlg = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        f(dlg);
    });
}

// A language library of the build while it lives (with Qt's own texts in that language); the
// language before comes back after, also when the test stops early.
class InterfaceLanguage {
public:
    explicit InterfaceLanguage(unsigned code) : m_saved(CurrentLanguage)
    {
        // The libraries come from the build; the test's own program folder stays.
        const QByteArray programDir = qgetenv("KORVANE_PROGRAM_DIR");
        qputenv("KORVANE_PROGRAM_DIR", QByteArray(KORVANE_BIN_DIR));
        CurrentLanguage = code;
        LoadLanguageDll();
        if (programDir.isEmpty())
            qunsetenv("KORVANE_PROGRAM_DIR");
        else
            qputenv("KORVANE_PROGRAM_DIR", programDir);
    }
    ~InterfaceLanguage()
    {
        FreeLanguageDll();
        CurrentLanguage = m_saved;
    }
    InterfaceLanguage(const InterfaceLanguage&) = delete;
    InterfaceLanguage& operator=(const InterfaceLanguage&) = delete;
    bool Loaded() const { return LanguageDll != nullptr; }

private:
    unsigned m_saved;
};

class GermanLanguage : public InterfaceLanguage {
public:
    GermanLanguage() : InterfaceLanguage(0x00010007) {}
};

// Every direct child of w lies inside it.
inline void ExpectChildrenInside(const QWidget* w)
{
    for (const QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(QRect(QPoint(), w->size()).contains(c->geometry())) << c->objectName().toStdString();
}

// The button shows its whole caption (mnemonic marker aside).
inline void ExpectCaptionFits(const QAbstractButton* b)
{
    QString text = b->text();
    text.remove(QLatin1Char('&'));
    EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(text)) << b->objectName().toStdString();
}

// The row of a group box's top frame line, drawn as the style draws it: the first row that is
// not background at the right end, where no title is.
inline int GroupFrameTop(const QGroupBox* group)
{
    QImage shot(group->size(), QImage::Format_ARGB32);
    shot.fill(group->palette().color(group->backgroundRole()));
    const_cast<QGroupBox*>(group)->render(&shot, QPoint(), QRegion(), QWidget::RenderFlags());
    const int x = group->width() - 8;
    for (int y = 0; y < shot.height(); ++y)
        if (shot.pixel(x, y) != shot.pixel(x, 0))
            return y;
    return -1;
}

// The whole caption of every label, button, check box, radio button, group box and the
// longest choice of every drop-down list under w
// shows, and each lies inside its parent: nothing a translation made longer is cut off.
inline void ExpectTextsFit(const QWidget* w)
{
    auto plain = [](QString text) { return text.remove(QLatin1Char('&')); };
    for (const QWidget* c : w->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(w) || !c->parentWidget())
            continue;
        const std::string name = c->objectName().toStdString();
        int need = 0;
        if (auto* l = qobject_cast<const QLabel*>(c)) {
            if (l->text().isEmpty() || l->wordWrap() || !l->pixmap().isNull())
                continue;
            need = l->sizeHint().width();
        } else if (qobject_cast<const QCheckBox*>(c) || qobject_cast<const QRadioButton*>(c)) {
            need = c->sizeHint().width();
        } else if (auto* b = qobject_cast<const QPushButton*>(c)) {
            if (b->text().isEmpty())
                continue;
            need = b->fontMetrics().horizontalAdvance(plain(b->text())) + 8;
        } else if (auto* box = qobject_cast<const QComboBox*>(c)) {
            // Font names, folders and file types are the system's, not captions.
            bool data = box->isEditable() || box->count() == 0 || box->inherits("TscFontComboBox");
            for (const QWidget* up = box->parentWidget(); up && !data; up = up->parentWidget())
                data = up->inherits("QFileDialog");
            if (data)
                continue;
            need = box->sizeHint().width();
        } else if (auto* g = qobject_cast<const QGroupBox*>(c)) {
            if (g->title().isEmpty())
                continue;
            need = g->fontMetrics().horizontalAdvance(plain(g->title())) + 8;
        } else if (auto* bar = qobject_cast<const QTabBar*>(c)) {
            // Every tab shows at once: none hides behind the scroll buttons.
            EXPECT_LE(bar->sizeHint().width(), bar->parentWidget()->width())
                << "tabs of " << bar->parentWidget()->objectName().toStdString();
            continue;
        } else {
            continue;
        }
        EXPECT_GE(c->width(), need) << name << " '" << c->property("text").toString().toStdString() << "'";
        const QRect inside(QPoint(), c->parentWidget()->size());
        EXPECT_TRUE(inside.contains(c->geometry())) << name << " outside " << c->parentWidget()->objectName().toStdString();
        // No other control of the same parent covers the text.
        const int lineHeight = std::min(c->fontMetrics().height(), c->height());
        const QRect text(c->x(), c->y() + (c->height() - lineHeight) / 2, std::min(need, c->width()), lineHeight);
        // Nor does its group's frame line run through it: the text lies below the top line's row
        // and left of the right line.
        if (auto* group = qobject_cast<const QGroupBox*>(c->parentWidget()); group && !group->isFlat()) {
            const int line = GroupFrameTop(group);
            EXPECT_TRUE(text.top() > line && text.right() < group->width() - 1)
                << name << " '" << c->property("text").toString().toStdString() << "' on the frame line of "
                << group->objectName().toStdString();
        }
        // A backdrop beneath the whole control (a hosted panel lowered under the form's own
        // controls) does not count.
        const QObjectList& siblings = c->parentWidget()->children();
        const qsizetype at = siblings.indexOf(const_cast<QWidget*>(c));
        for (const QWidget* other :
             c->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (other != c && other->isVisibleTo(w) &&
                !other->testAttribute(Qt::WA_TransparentForMouseEvents) &&
                !(siblings.indexOf(const_cast<QWidget*>(other)) < at &&
                  other->geometry().contains(c->geometry()))) {
                EXPECT_FALSE(text.intersects(other->geometry()))
                    << name << " '" << c->property("text").toString().toStdString() << "' under "
                    << other->objectName().toStdString();
            }
        }
    }
}

} // namespace testsupport
