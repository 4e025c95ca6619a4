#include "bars/toolbar_button.h"
#include "platform/action.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace toolbarbuttonactiontest {

void ClickButton(TToolbarButtonX* b)
{
    const QPoint at(5, 5);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(at), QPointF(b->mapToGlobal(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(b, &e);
    }
}

// Sends a key as the focus widget gets it: unused, it goes on to the window.
bool PressKey(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &e);
    return e.isAccepted();
}

// A form with a line edit and two buttons.
class ToolbarButtonKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(200, 60);
        edit = new QLineEdit(&form);
        edit->setGeometry(0, 30, 100, 20);
        ok = new TToolbarButtonX(&form);
        ok->SetCaption(QStringLiteral("&Open"));
        ok->OnClick = [this](TToolbarButtonX*) { ++okClicks; };
        cancel = new TToolbarButtonX(&form);
        cancel->move(30, 0);
        cancel->SetCaption(QStringLiteral("Clo&se"));
        cancel->OnClick = [this](TToolbarButtonX*) { ++cancelClicks; };
        form.show();
    }
    QWidget form;
    QLineEdit* edit;
    TToolbarButtonX *ok, *cancel;
    int okClicks = 0, cancelClicks = 0;
};

TEST_F(ToolbarButtonKeysTest, EnterAndEscapeClickTheDefaultAndCancelButtons)
{
    // Neither flag: the keys do nothing.
    PressKey(&form, Qt::Key_Return);
    PressKey(&form, Qt::Key_Escape);
    EXPECT_EQ(okClicks + cancelClicks, 0);

    ok->Default = true;
    cancel->Cancel = true;
    struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers mods;
        int ok, cancel;
    };
    const Case cases[] = {
        {"Enter", Qt::Key_Return, Qt::NoModifier, 1, 0},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 1, 0},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, 0, 1},
        {"Shift+Enter", Qt::Key_Return, Qt::ShiftModifier, 0, 0},
        {"Ctrl+Escape", Qt::Key_Escape, Qt::ControlModifier, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        okClicks = cancelClicks = 0;
        // From a control that does not use the key, as from the form itself.
        EXPECT_EQ(PressKey(edit, c.key, c.mods), c.ok + c.cancel > 0);
        EXPECT_EQ(okClicks, c.ok);
        EXPECT_EQ(cancelClicks, c.cancel);
    }

    // Disabled or hidden buttons, or a disabled form, take no key.
    okClicks = 0;
    ok->setEnabled(false);
    PressKey(&form, Qt::Key_Return);
    ok->setEnabled(true);
    ok->hide();
    PressKey(&form, Qt::Key_Return);
    ok->show();
    EXPECT_EQ(okClicks, 0);
    PressKey(&form, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
}

TEST_F(ToolbarButtonKeysTest, TheCaptionsAcceleratorClicksWhenNoControlTakesTheLetter)
{
    // Plain and Alt+letter, either case, reach the buttons when the focused control leaves them.
    EXPECT_TRUE(PressKey(&form, Qt::Key_O, Qt::NoModifier, QStringLiteral("o")));
    EXPECT_EQ(okClicks, 1);
    EXPECT_TRUE(PressKey(&form, Qt::Key_O, Qt::AltModifier));
    EXPECT_EQ(okClicks, 2);
    EXPECT_TRUE(PressKey(&form, Qt::Key_S, Qt::ShiftModifier, QStringLiteral("S")));
    EXPECT_EQ(cancelClicks, 1);
    // Ctrl+O is no accelerator; a letter without a marker clicks nothing.
    EXPECT_FALSE(PressKey(&form, Qt::Key_O, Qt::ControlModifier));
    EXPECT_FALSE(PressKey(&form, Qt::Key_P, Qt::NoModifier, QStringLiteral("p")));
    EXPECT_EQ(okClicks, 2);

    // A line edit takes its letters, but not with Alt: that goes to the button first.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_O);
    EXPECT_EQ(edit->text(), QStringLiteral("o"));
    EXPECT_EQ(okClicks, 2);
    QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("o"));
    EXPECT_EQ(okClicks, 3);
    okClicks = 2;

    // "&&" is a plain ampersand, and a glyph-only button shows no caption to take a key from.
    ok->SetCaption(QStringLiteral("Save && &Quit"));
    EXPECT_TRUE(PressKey(&form, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q")));
    EXPECT_EQ(okClicks, 3);
    ok->SetDisplayMode(dmGlyphOnly);
    EXPECT_FALSE(PressKey(&form, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q")));
    EXPECT_EQ(okClicks, 3);
}

TEST_F(ToolbarButtonKeysTest, KeysFollowTheButtonToAnotherWindowAndStopWhenItIsFreed)
{
    ok->Default = true;
    QWidget other;
    ok->setParent(&other);
    other.show();
    ok->show();
    PressKey(&form, Qt::Key_Return);
    EXPECT_EQ(okClicks, 0);
    PressKey(&other, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    delete ok;
    EXPECT_FALSE(PressKey(&other, Qt::Key_Return));
}

// ---------------------------------------------------------------------------------------------

class ToolbarButtonActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(100, 30);
        button = new TToolbarButtonX(&parent);
        button->SetGroupIndex(3);
        button->SetAllowAllUp(true);
        parent.show();
        action.SetCaption(QStringLiteral("&Label"));
        action.SetHint(QStringLiteral("Draws a label"));
        action.SetImageIndex(4);
        action.SetHelpContext(120);
        action.SetChecked(true);
        action.OnExecute = [this](TCustomAction* sender) {
            EXPECT_EQ(sender, &action);
            ++executed;
        };
    }
    QWidget parent;
    TToolbarButtonX* button;
    TCustomAction action;
    int executed = 0;
};

TEST_F(ToolbarButtonActionTest, AssignedActionGivesItsValuesAndTheClickExecutesIt)
{
    button->SetAction(&action);
    EXPECT_EQ(button->Action(), &action);
    EXPECT_EQ(button->Caption(), QStringLiteral("&Label"));
    EXPECT_EQ(button->Hint(), QStringLiteral("Draws a label"));
    EXPECT_EQ(button->ImageIndex(), 4);
    EXPECT_EQ(button->HelpContext(), 120);
    EXPECT_TRUE(button->Down());
    EXPECT_TRUE(button->isEnabled());

    // Without an OnClick of its own the click executes the action; with one, only that runs.
    ClickButton(button);
    EXPECT_EQ(executed, 1);
    int own = 0;
    button->OnClick = [&](TToolbarButtonX*) { ++own; };
    ClickButton(button);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(executed, 1);
    button->OnClick = nullptr;

    // Unlinked, the button keeps what it has and clicks run nothing.
    button->SetAction(nullptr);
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(button->Caption(), QStringLiteral("&Label"));
    ClickButton(button);
    EXPECT_EQ(executed, 1);
}

TEST_F(ToolbarButtonActionTest, ChangesOfTheActionReachTheButtonWhileItsValuesAreTheActions)
{
    button->SetAction(&action);
    struct Case {
        const char* name;
        std::function<void()> change;
        std::function<bool()> followed;
    };
    const Case cases[] = {
        {"caption", [&] { action.SetCaption(QStringLiteral("&Text")); },
         [&] { return button->Caption() == QStringLiteral("&Text"); }},
        {"hint", [&] { action.SetHint(QStringLiteral("Other")); },
         [&] { return button->Hint() == QStringLiteral("Other"); }},
        {"checked", [&] { action.SetChecked(false); }, [&] { return !button->Down(); }},
        {"image", [&] { action.SetImageIndex(7); }, [&] { return button->ImageIndex() == 7; }},
        {"help context", [&] { action.SetHelpContext(130); }, [&] { return button->HelpContext() == 130; }},
        {"enabled", [&] { action.SetEnabled(false); }, [&] { return !button->isEnabled(); }},
        {"visible", [&] { action.SetVisible(false); }, [&] { return button->isHidden(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        EXPECT_TRUE(c.followed());
    }
    // A hidden action that is enabled again makes its button enabled too.
    action.SetEnabled(true);
    EXPECT_TRUE(button->isEnabled());
    action.SetVisible(true);
    EXPECT_FALSE(button->isHidden());
    EXPECT_TRUE(button->isEnabled());

    // Values set on the button itself stop following; the others still do.
    button->SetCaption(QStringLiteral("Mine"));
    button->SetImageIndex(2);
    action.SetCaption(QStringLiteral("&Picture"));
    action.SetImageIndex(9);
    action.SetHint(QStringLiteral("Draws a picture"));
    EXPECT_EQ(button->Caption(), QStringLiteral("Mine"));
    EXPECT_EQ(button->ImageIndex(), 2);
    EXPECT_EQ(button->Hint(), QStringLiteral("Draws a picture"));

    // Freed, the action leaves the button as it was.
    {
        auto* gone = new TCustomAction;
        gone->SetCaption(QStringLiteral("Gone"));
        button->SetAction(gone);
        delete gone;
    }
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(button->Caption(), QStringLiteral("Gone"));
    ClickButton(button);
}

// A checkable action executed by its button toggles with the button's Down.
TEST_F(ToolbarButtonActionTest, DownAndCheckedStayTogetherThroughClicks)
{
    button->SetAction(&action);
    ASSERT_TRUE(button->Down());
    ClickButton(button);
    EXPECT_FALSE(button->Down());
    EXPECT_FALSE(action.Checked());
    ClickButton(button);
    EXPECT_TRUE(button->Down());
    EXPECT_TRUE(action.Checked());
    EXPECT_EQ(executed, 2);

    // A menu item of the same action moves the button too.
    QMenu menu;
    menu.addAction(&action);
    action.trigger();
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(executed, 3);
}

TEST_F(ToolbarButtonActionTest, LoadedTakesOnlyWhatTheButtonLeftAtItsDefaults)
{
    button->SetAction(&action);
    // As read from a form: the button's stored values came after the action.
    button->SetCaption(QStringLiteral("Kept"));
    button->SetImageIndex(1);
    button->SetHelpContext(0);
    button->SetHint(QString());
    button->Loaded();
    EXPECT_EQ(button->Caption(), QStringLiteral("Kept"));
    EXPECT_EQ(button->ImageIndex(), 1);
    EXPECT_EQ(button->HelpContext(), 120);
    EXPECT_EQ(button->Hint(), QStringLiteral("Draws a label"));
}

TEST_F(ToolbarButtonActionTest, AssignToGivesTheActionTheButtonsValuesAndClick)
{
    button->SetCaption(QStringLiteral("&Rectangle"));
    button->SetHint(QStringLiteral("Draws a rectangle"));
    button->SetDown(true);
    int clicks = 0;
    TToolbarButtonX* clicked = nullptr;
    button->OnClick = [&](TToolbarButtonX* sender) {
        ++clicks;
        clicked = sender;
    };
    button->setEnabled(false);
    TCustomAction dest;
    button->AssignTo(&dest);
    EXPECT_EQ(dest.Caption(), QStringLiteral("&Rectangle"));
    EXPECT_EQ(dest.Hint(), QStringLiteral("Draws a rectangle"));
    EXPECT_FALSE(dest.Enabled());
    EXPECT_TRUE(dest.Visible());
    EXPECT_TRUE(dest.Checked());
    dest.SetEnabled(true);
    dest.Execute();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(clicked, button);

    // A button without a handler gives none; a freed button is never called.
    TToolbarButtonX plain(&parent);
    plain.AssignTo(&dest);
    EXPECT_FALSE(dest.OnExecute);
    button->AssignTo(&dest);
    delete button;
    dest.Execute();
    EXPECT_EQ(clicks, 1);
}

} // namespace toolbarbuttonactiontest
