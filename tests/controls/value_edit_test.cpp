#include "controls/value_edit.h"
#include "platform/message_box.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

namespace {

struct Edit : TValueEdit {
    using TValueEdit::DoEnter;
    using TValueEdit::DoExit;
};

} // namespace

TEST(ValueEdit, KeyFilterTable)
{
    Edit e;
    const QString sep(e.DecimalSeparator());
    auto t = [&](const char* s) { return QString::fromLatin1(s).replace(QLatin1Char('.'), sep.at(0)); };
    struct Case {
        int digits;
        long double min;
        const char* text;
        int selStart, selLength, cursor;
        char key;
        bool accepted;
        const char* newText;
        int newSelStart, newSelLength;
    } cases[] = {
        {0, 0, "", 0, 0, 0, '-', false, "", 0, 0},     // no minus above zero
        {0, -10, "", 0, 0, 0, '-', true, "-0", 1, 1},  // "-" becomes "-0", the zero selected
        {0, -10, "-5", 0, 0, 2, '-', false, "", 0, 0}, // one minus only
        {0, -10, "5", 0, 0, 1, '-', false, "", 0, 0},  // a minus only in front
        {2, 0, "1.23", 0, 0, 4, '4', false, "", 0, 0}, // no third decimal
        {2, 0, "1.2", 0, 0, 3, '3', true, "1.23", 4, 0},
        {2, 0, "1.23", 0, 0, 0, '9', true, "91.23", 1, 0},           // digits in front of the separator
        {0, 0, "12", 0, 0, 2, '.', false, "", 0, 0},                 // no separator without decimals
        {2, 0, "1.2", 0, 0, 3, '.', false, "", 0, 0},                // one separator only
        {2, 0, "", 0, 0, 0, '.', true, "0.0", 2, 1},                 // lone separator becomes 0.0
        {2, 0, "1.23", 2, 2, 4, '5', true, "1.5", 3, 0},             // the selection is replaced
        {0, 0, "12", 0, 0, 1, 'a', false, "", 0, 0},                 // letters never
        {0, 0, "12345678901234567", 0, 0, 17, '1', false, "", 0, 0}, // 17 characters at most
        {0, 0, "12345678901234567", 16, 1, 17, '9', true, "12345678901234569", 17, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " + " + c.key);
        e.SetMin(-1000);
        e.SetDigits(c.digits);
        e.SetMin(c.min);
        QString out;
        int s = -1, l = -1;
        const bool ok = e.FilterKey(QLatin1Char(c.key == '.' ? sep.at(0).toLatin1() : c.key), t(c.text),
                                    c.selStart, c.selLength, c.cursor, out, s, l);
        EXPECT_EQ(ok, c.accepted);
        if (ok && c.accepted) {
            EXPECT_EQ(out, t(c.newText));
            EXPECT_EQ(s, c.newSelStart);
            EXPECT_EQ(l, c.newSelLength);
        }
    }
}

TEST(ValueEdit, TypingAndControlKeys)
{
    Edit e;
    e.SetMin(-10);
    e.setText(QString());
    QTest::keyClicks(&e, QStringLiteral("-"));
    EXPECT_EQ(e.text(), QStringLiteral("-0"));
    EXPECT_EQ(e.selectedText(), QStringLiteral("0"));
    QTest::keyClicks(&e, QStringLiteral("7x"));
    EXPECT_EQ(e.text(), QStringLiteral("-7"));

    // A full field still takes Backspace: the limit holds only what a key would add.
    e.SetMin(0);
    e.setMaxLength(5);
    e.setText(QStringLiteral("12345"));
    e.setCursorPosition(5);
    QTest::keyClick(&e, '6');
    EXPECT_EQ(e.text(), QStringLiteral("12345"));
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(e.text(), QStringLiteral("1234"));
    e.setMaxLength(32767);

    // Overwrite mode types over the character under the caret.
    e.setText(QStringLiteral("123"));
    e.setCursorPosition(0);
    TValueEdit::SetInsertKeyState(true);
    QTest::keyClick(&e, '9');
    TValueEdit::SetInsertKeyState(false);
    EXPECT_EQ(e.text(), QStringLiteral("923"));
}

TEST(ValueEdit, BoundsAndDigits)
{
    Edit e;
    e.SetDigits(25);
    EXPECT_EQ(e.Digits(), 18);
    e.SetDigits(2);
    e.SetMax(50);
    e.SetValue(75);
    EXPECT_EQ(double(e.GetValue()), 50.0);
    EXPECT_EQ(e.text(), QStringLiteral("50") + e.DecimalSeparator() + QStringLiteral("00"));
    e.SetMin(80); // a minimum above the maximum becomes the maximum
    EXPECT_EQ(double(e.Min()), 50.0);
    e.SetMin(10);
    e.SetMax(5); // a maximum below the minimum becomes the minimum
    EXPECT_EQ(double(e.Max()), 10.0);
    EXPECT_EQ(double(e.GetValue()), 10.0);

    e.SetMin(-5);
    e.SetMax(100);
    for (const char* s : {"", "-"}) {
        e.setText(QString::fromLatin1(s));
        EXPECT_EQ(double(e.GetValue()), 0.0) << s;
    }
    e.setText(QString(e.DecimalSeparator()));
    EXPECT_EQ(double(e.GetValue()), 0.0);
}

TEST(ValueEdit, LeavingWithBadTextRestoresTheValueOnEntry)
{
    testsupport::MessageRecorder boxes;
    Edit e;
    e.SetDigits(0);
    e.SetMax(100);
    e.ErrorMessage = QStringLiteral("Out of range");
    struct Case {
        const char* typed;
        bool error;
        const char* after;
    } cases[] = {
        {"abc", true, "42"},                                        // pasted letters
        {"4x2", true, "42"}, {"", true, "42"}, {"101", true, "42"}, // above Max
        {"77", false, "77"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.texts.clear();
        e.SetValue(42);
        e.DoEnter();
        e.setText(QString::fromLatin1(c.typed));
        // While the field holds letters its value is the one it had on entry.
        if (c.error && QString::fromLatin1(c.typed).contains(QLatin1Char('x'))) {
            EXPECT_EQ(double(e.GetValue()), 42.0);
        }
        e.DoExit();
        EXPECT_EQ(e.text(), QString::fromLatin1(c.after));
        EXPECT_EQ(boxes.texts, c.error ? QStringList{QStringLiteral("Out of range")} : QStringList{});
    }

    // No text, no box; the value still comes back.
    boxes.texts.clear();
    e.ErrorMessage.clear();
    e.SetValue(42);
    e.DoEnter();
    e.setText(QStringLiteral("zz"));
    e.DoExit();
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(e.text(), QStringLiteral("42"));
}

TEST(ValueEdit, EscapeRestoresTheValueOnEntry)
{
    QWidget form;
    auto* e = new Edit;
    e->setParent(&form);
    e->SetValue(12);
    e->DoEnter();
    e->setText(QStringLiteral("99"));
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_EQ(e->text(), QStringLiteral("12"));
    EXPECT_EQ(e->selectedText(), QStringLiteral("12"));
}
