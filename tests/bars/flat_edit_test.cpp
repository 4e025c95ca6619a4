#include "bars/flat_edit.h"
#include "platform/graphics.h"

#include <QApplication>
#include <QEnterEvent>
#include <gtest/gtest.h>

namespace {

TEST(FlatEditTest, HotOnlyWhenNoOtherFlatControlHasTheFocus)
{
    EXPECT_EQ(XControlClassCount(), 0);
    EXPECT_FALSE(ControlIsXControl(nullptr));
    {
        QWidget form;
        auto* first = new TEditX(&form);
        auto* second = new TEditX(&form);
        auto* plain = new QLineEdit(&form);
        second->move(0, 30);
        plain->move(0, 60);
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_EQ(XControlClassCount(), 1);
        EXPECT_TRUE(ControlIsXControl(first));
        EXPECT_FALSE(ControlIsXControl(plain));
        EXPECT_EQ(first->height(), first->fontMetrics().height() + 6);

        first->setFocus();
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(second, &enter);
        EXPECT_TRUE(second->MouseInControl());
        if (QApplication::focusWidget() == first) {
            EXPECT_TRUE(first->Hot());
            EXPECT_FALSE(second->Hot()); // the focus is on another flat control
            plain->setFocus();
            EXPECT_TRUE(second->Hot());
        }
        second->setEnabled(false);
        EXPECT_EQ(second->palette().color(QPalette::Base), ColorToQColor(clBtnFace));
    }
    EXPECT_EQ(XControlClassCount(), 0); // the last edit took its class out
}

} // namespace
