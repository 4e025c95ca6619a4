#include "bars/toolbar_button.h"

#include "bars/dock_bar_common.h"
#include "bars/image_list.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void ClickAt(QWidget* w, QPoint at = QPoint(5, 5))
{
    Send(w, QEvent::MouseButtonPress, at);
    Send(w, QEvent::MouseButtonRelease, at);
}

class ToolbarButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(200, 40);
        for (int i = 0; i < 3; ++i) {
            tools[i] = new TToolbarButtonX(&parent);
            tools[i]->move(23 * i, 0);
            tools[i]->SetGroupIndex(2);
        }
        parent.show();
    }
    // The first tool, auto-repeating with no delay, the cursor on it.
    TToolbarButtonX* RepeatingUnderCursor()
    {
        TToolbarButtonX* b = tools[0];
        QCursor::setPos(b->mapToGlobal(QPoint(5, 5)));
        b->Repeating = true;
        b->RepeatDelay = 0;
        b->RepeatInterval = 0;
        return b;
    }
    // A few passes of the event loop: enough for a repeat of no delay to come.
    static void LetRepeatsCome()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    QWidget parent;
    TToolbarButtonX* tools[3];
};

TEST_F(ToolbarButtonTest, SetDownKeepsOneMemberOfTheGroupDown)
{
    TToolbarButtonX loose(&parent);
    loose.SetDown(true);
    EXPECT_FALSE(loose.Down()); // no group: never down

    tools[0]->SetDown(true);
    EXPECT_TRUE(tools[0]->Down());
    EXPECT_EQ(tools[0]->State(), bsExclusive);
    tools[0]->SetDown(false); // raising the pressed member is refused
    EXPECT_TRUE(tools[0]->Down());

    tools[1]->setEnabled(false);
    tools[1]->SetDown(true); // even a disabled member pushes the others up
    EXPECT_TRUE(tools[1]->Down());
    EXPECT_FALSE(tools[0]->Down());
    EXPECT_EQ(tools[0]->State(), bsUp);
    EXPECT_EQ(tools[1]->State(), bsDisabled);

    tools[0]->setEnabled(false);
    tools[2]->SetDown(true);
    EXPECT_FALSE(tools[1]->Down());
    EXPECT_EQ(tools[1]->State(), bsDisabled);

    // A member of another group is left alone.
    TToolbarButtonX other(&parent);
    other.SetGroupIndex(3);
    other.SetDown(true);
    EXPECT_TRUE(tools[2]->Down());
    EXPECT_TRUE(other.Down());

    // With all-up allowed, a group's pressed member can be raised.
    tools[2]->SetAllowAllUp(true);
    EXPECT_TRUE(tools[0]->AllowAllUp());
    tools[2]->SetDown(false);
    EXPECT_FALSE(tools[2]->Down());
}

TEST_F(ToolbarButtonTest, ClickPushesDownAndReleasesTheGroupBeforeOnClick)
{
    tools[0]->SetDown(true);
    int clicks = 0;
    tools[1]->OnClick = [&](TToolbarButtonX* sender) {
        ++clicks;
        EXPECT_EQ(sender, tools[1]);
        EXPECT_TRUE(tools[1]->Down());
        EXPECT_FALSE(tools[0]->Down());
    };
    ClickAt(tools[1]);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(tools[1]->Down());

    // Clicking the pressed member keeps it pressed and still clicks.
    ClickAt(tools[1]);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(tools[1]->Down());
}

TEST_F(ToolbarButtonTest, ReleasingOffTheButtonDoesNotClick)
{
    int clicks = 0;
    tools[0]->OnClick = [&](TToolbarButtonX*) { ++clicks; };
    Send(tools[0], QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_EQ(tools[0]->State(), bsDown);
    QMouseEvent off(QEvent::MouseMove, QPointF(40, 5), QPointF(tools[0]->mapToGlobal(QPoint(40, 5))),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tools[0], &off);
    EXPECT_EQ(tools[0]->State(), bsUp);
    QMouseEvent back(QEvent::MouseMove, QPointF(5, 5), QPointF(tools[0]->mapToGlobal(QPoint(5, 5))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tools[0], &back);
    EXPECT_EQ(tools[0]->State(), bsDown);
    QApplication::sendEvent(tools[0], &off);
    Send(tools[0], QEvent::MouseButtonRelease, QPoint(40, 5));
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(tools[0]->Down());
}

TEST_F(ToolbarButtonTest, DisabledButtonIgnoresMouseEntry)
{
    tools[0]->setEnabled(false);
    tools[0]->MouseEntered();
    EXPECT_FALSE(tools[0]->MouseInControl());
    int clicks = 0;
    tools[0]->OnClick = [&](TToolbarButtonX*) { ++clicks; };
    ClickAt(tools[0]);
    EXPECT_EQ(clicks, 0);
    tools[1]->MouseEntered();
    EXPECT_TRUE(tools[1]->MouseInControl());
    EXPECT_EQ(tools[1]->State(), bsMouseIn);
}

TEST_F(ToolbarButtonTest, MovingOverTheButtonAfterAClickMakesItHotAgain)
{
    // Only an active application shows a hot button.
    parent.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
    QCursor::setPos(tools[0]->mapToGlobal(QPoint(5, 5)));
    Send(tools[0], QEvent::MouseMove, QPoint(5, 5));
    ClickAt(tools[0]);
    // The click ends the hot look though the cursor has not left.
    EXPECT_FALSE(tools[0]->MouseInControl());
    EXPECT_EQ(tools[0]->State(), bsExclusive);
    int enters = 0;
    tools[0]->OnMouseEnter = [&](TToolbarButtonX*) { ++enters; };
    Send(tools[0], QEvent::MouseMove, QPoint(6, 5));
    EXPECT_TRUE(tools[0]->MouseInControl());
    EXPECT_EQ(TToolbarButtonX::ButtonMouseInControl(), tools[0]);
    EXPECT_EQ(enters, 1);

    // Moving on to a neighbour hands the hot look over.
    QCursor::setPos(tools[1]->mapToGlobal(QPoint(5, 5)));
    Send(tools[1], QEvent::MouseMove, QPoint(5, 5));
    EXPECT_FALSE(tools[0]->MouseInControl());
    EXPECT_TRUE(tools[1]->MouseInControl());
    EXPECT_EQ(tools[1]->State(), bsMouseIn);
}

TEST_F(ToolbarButtonTest, RepeatingButtonClicksWhileHeldUntilReleasedOrDisabled)
{
    TToolbarButtonX* b = RepeatingUnderCursor();
    int clicks = 0;
    b->OnClick = [&](TToolbarButtonX*) { ++clicks; };
    Send(b, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);    // the press clicks at once
    EXPECT_FALSE(b->Down()); // a repeating click leaves the group alone
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicks >= 3; }));
    Send(b, QEvent::MouseButtonRelease, QPoint(5, 5)); // no click of its own
    const int released = clicks;
    LetRepeatsCome();
    EXPECT_EQ(clicks, released);

    // A handler that disables the button stops the repeat it runs in.
    clicks = 0;
    b->OnClick = [&](TToolbarButtonX* sender) {
        if (++clicks == 3)
            sender->setEnabled(false);
    };
    Send(b, QEvent::MouseButtonPress, QPoint(5, 5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !b->isEnabled(); }));
    LetRepeatsCome();
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(b->State(), bsDisabled);
}

TEST_F(ToolbarButtonTest, AModalFormOpenedByARepeatingClickEndsThePress)
{
    TToolbarButtonX* b = RepeatingUnderCursor();
    int clicks = 0;
    TButtonStateX whileShown = bsDown;
    b->OnClick = [&](TToolbarButtonX*) {
        if (++clicks > 1)
            return;
        QDialog box;
        QTimer::singleShot(0, &box, [&] {
            whileShown = b->State();
            box.accept();
        });
        box.exec();
    };
    // The release goes to the modal form: the button never sees it.
    Send(b, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_NE(whileShown, bsDown); // up, or hot when the cursor counts as entering again
    LetRepeatsCome();
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(b->State(), bsDown);
}

TEST_F(ToolbarButtonTest, ComboArrowOpensTheMenuWithoutClickOrToggle)
{
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    tools[0]->SetDropdownMenu(&menu);
    tools[0]->SetDropdownCombo(true);
    EXPECT_EQ(tools[0]->width(), 23 + 11);
    EXPECT_TRUE(tools[0]->PointInButton(22, 5));
    EXPECT_FALSE(tools[0]->PointInButton(23, 5));
    int clicks = 0, dropdowns = 0;
    tools[0]->OnClick = [&](TToolbarButtonX*) { ++clicks; };
    tools[0]->OnDropdown = [&](TToolbarButtonX*, bool& show, bool&) {
        ++dropdowns;
        show = false; // the test does not open the menu for real
    };
    Send(tools[0], QEvent::MouseButtonPress, QPoint(30, 5));
    Send(tools[0], QEvent::MouseButtonRelease, QPoint(30, 5));
    EXPECT_EQ(dropdowns, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(tools[0]->Down());
    ClickAt(tools[0], QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(dropdowns, 1);
}

TEST_F(ToolbarButtonTest, FreedMenuAndImageListAreForgotten)
{
    TToolbarButtonX* b = tools[0];
    b->SetGroupIndex(0);
    auto* menu = new QMenu;
    menu->addAction(QStringLiteral("One"));
    b->SetDropdownMenu(menu);
    auto* images = new TImageList(16, 16);
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    images->Add(red);
    b->SetImages(images);
    b->SetImageIndex(0);
    const QRgb face = ColorToQRgb(clBtnFace) | 0xFF000000;
    EXPECT_EQ(b->grab().toImage().pixel(11, 11), QColor(Qt::red).rgb());

    delete menu;
    EXPECT_EQ(b->DropdownMenu(), nullptr);
    delete images;
    EXPECT_EQ(b->Images(), nullptr);
    EXPECT_EQ(b->grab().toImage().pixel(11, 11), face);
    // No menu left: a plain click.
    int clicks = 0;
    b->OnClick = [&](TToolbarButtonX*) { ++clicks; };
    b->OnDropdown = [&](TToolbarButtonX*, bool&, bool&) { ADD_FAILURE() << "no menu to drop down"; };
    ClickAt(b);
    EXPECT_EQ(clicks, 1);

    // A list given again after another one went is followed afresh.
    TImageList kept(16, 16);
    kept.Add(red);
    b->SetImages(&kept);
    EXPECT_EQ(b->grab().toImage().pixel(11, 11), QColor(Qt::red).rgb());
    b->SetImages(nullptr);
}

TEST_F(ToolbarButtonTest, MenuHandlerMayFreeTheButton)
{
    QMenu menu;
    QAction* item = menu.addAction(QStringLiteral("Remove"));
    QPointer<TToolbarButtonX> button = new TToolbarButtonX(&parent);
    button->SetDropdownMenu(&menu);
    int clicks = 0;
    button->OnClick = [&](TToolbarButtonX*) { ++clicks; };
    QObject::connect(item, &QAction::triggered, [&] { delete button.data(); });
    QTimer::singleShot(0, &menu, [&] {
        item->trigger();
        menu.close();
    });
    Send(button, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_TRUE(button.isNull());
    EXPECT_EQ(clicks, 1); // a plain drop-down button clicks on the press, then opens its menu
}

TEST(ToolbarButtonInactiveTest, InactiveProgramShowsAHotBorderOnlyWhereAsked)
{
    // A fresh process, where no window has been activated yet: the program is inactive.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto hover = [] {
        QWidget form;
        form.resize(60, 30);
        TToolbarButtonX plain(&form), keeps(&form);
        keeps.move(30, 0);
        keeps.ShowBorderWhenInactive = true;
        form.show(); // its activation waits in a queue this test never runs
        if (ApplicationIsActive())
            std::_Exit(2);
        for (TToolbarButtonX* b : {&plain, &keeps}) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(b->mapToGlobal(QPoint(5, 5))));
            QApplication::sendEvent(b, &enter);
        }
        const bool plainCold = !plain.MouseInControl() && plain.State() == bsUp;
        const bool keepsHot = keeps.MouseInControl() && keeps.State() == bsMouseIn &&
                              TToolbarButtonX::ButtonMouseInControl() == &keeps;
        std::_Exit(plainCold && keepsHot ? 0 : 1);
    };
    EXPECT_EXIT(hover(), ::testing::ExitedWithCode(0), "");
}

TEST(ToolbarButtonModalResultTest, ClickClosesAModalFormWithTheButtonsResult)
{
    QDialog form;
    form.resize(120, 40);
    auto* plain = new TToolbarButtonX(&form);
    auto* ok = new TToolbarButtonX(&form);
    ok->move(30, 0);
    ok->ModalResult = mrOk;
    auto* checked = new TToolbarButtonX(&form);
    checked->move(60, 0);
    checked->ModalResult = mrCancel;
    bool refuse = true;
    checked->OnClick = [&](TToolbarButtonX*) {
        EXPECT_TRUE(form.isVisible()); // the handler runs before the form closes
        EXPECT_EQ(form.result(), mrCancel);
        if (refuse)
            form.setResult(0); // takes the result back: the form stays
    };
    int plainClicks = 0;
    plain->OnClick = [&](TToolbarButtonX*) { ++plainClicks; };
    bool stillOpen = false;
    QTimer::singleShot(0, &form, [&] {
        ClickAt(plain);
        ClickAt(checked);
        stillOpen = form.isVisible();
        ClickAt(ok);
        if (form.isVisible())
            form.done(-1); // the click failed to close it: end the test's loop
    });
    EXPECT_EQ(form.exec(), mrOk);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(plainClicks, 1);

    // A form that is not modal only takes the result.
    form.show();
    refuse = false;
    ClickAt(checked);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), mrCancel);
}

TEST(ToolbarButtonPaintTest, PressedGroupMemberShowsTheDitherAndShiftedGlyph)
{
    QWidget parent;
    TToolbarButtonX b(&parent);
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(0xFF008080);
    glyph.setPixel(0, 0, 0xFF000000);
    TBitmap bmp;
    bmp.SetImage(glyph);
    b.SetGlyph(bmp);
    b.SetGroupIndex(1);
    const QImage up = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Flat and not hot: no border, face colour round the glyph; the glyph's dot at (4, 3).
    EXPECT_EQ(up.pixel(0, 0), ColorToQRgb(clBtnFace) | 0xFF000000);
    EXPECT_EQ(up.pixel(4, 3), 0xFF000000u);
    b.SetDown(true);
    const QImage down = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(down.pixel(0, 0), ColorToQRgb(clBtnShadow) | 0xFF000000);    // sunken edge
    EXPECT_EQ(down.pixel(5, 4), 0xFF000000u);                              // glyph one pixel down and right
    EXPECT_EQ(down.pixel(2, 2), ColorToQRgb(clBtnHighlight) | 0xFF000000); // dither: both even
    EXPECT_EQ(down.pixel(3, 2), ColorToQRgb(clBtnFace) | 0xFF000000);
}

TEST(ToolbarButtonPaintTest, HotComboButtonFramesItsArrowPartApart)
{
    QWidget parent;
    TToolbarButtonX b(&parent);
    QMenu menu;
    b.SetDropdownMenu(&menu);
    b.SetDropdownCombo(true);
    ASSERT_EQ(b.width(), 34);
    b.MouseEntered();
    const QImage hot = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto colour = [](TColor c) { return ColorToQRgb(c) | 0xFF000000; };
    const int y = 10;
    EXPECT_EQ(hot.pixel(0, y), colour(clBtnHighlight)); // main part: 0 to 22
    EXPECT_EQ(hot.pixel(22, y), colour(clBtnShadow));
    EXPECT_EQ(hot.pixel(23, y), colour(clBtnHighlight)); // arrow part: 23 to 31
    EXPECT_EQ(hot.pixel(31, y), colour(clBtnShadow));
    EXPECT_EQ(hot.pixel(32, y), colour(clBtnFace)); // the last two columns stay bare
    EXPECT_EQ(hot.pixel(33, y), colour(clBtnFace));
    // The arrow sits in the middle of its part, its tip under the centre column.
    const int tipY = [&] {
        for (int row = hot.height() - 1; row >= 0; --row)
            if (hot.pixel(27, row) == colour(clBtnText))
                return row;
        return -1;
    }();
    ASSERT_GT(tipY, 0);
    EXPECT_NE(hot.pixel(27, tipY - 1), colour(clBtnFace));
    EXPECT_EQ(hot.pixel(26, tipY), colour(clBtnFace));
    EXPECT_EQ(hot.pixel(28, tipY), colour(clBtnFace));
}

} // namespace
