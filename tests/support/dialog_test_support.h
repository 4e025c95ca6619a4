#pragma once
// Helpers of the dialog tests: acting on a modal dialog once its loop runs, the German language
// library for the length of a test, and the checks that translated captions fit.
#include "document/std.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

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

// The German language library of the build while it lives; the language before comes back
// after, also when the test stops early.
class GermanLanguage {
public:
    GermanLanguage() : m_saved(CurrentLanguage)
    {
        setenv("KORVANE_PROGRAM_DIR", KORVANE_BIN_DIR, 1);
        CurrentLanguage = 0x00010007;
        LoadLanguageDll();
    }
    ~GermanLanguage()
    {
        FreeLanguageDll();
        CurrentLanguage = m_saved;
        unsetenv("KORVANE_PROGRAM_DIR");
    }
    GermanLanguage(const GermanLanguage&) = delete;
    GermanLanguage& operator=(const GermanLanguage&) = delete;
    bool Loaded() const { return LanguageDll != nullptr; }

private:
    unsigned m_saved;
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

} // namespace testsupport
