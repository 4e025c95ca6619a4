#include "platform/up_down.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

TEST(UpDown, StepsStopAtTheEndsOrWrap)
{
    QWidget form;
    auto* edit = new QLineEdit(&form);
    auto* ud = new TUpDown(&form);
    ud->SetAssociate(edit);
    ud->SetMin(1);
    ud->SetMax(100);
    ud->SetPosition(1);
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    int clicks = 0;
    ud->OnClick = [&](QObject*) { ++clicks; };

    const struct {
        int from;
        bool up, wrap;
        int to;
    } cases[] = {
        {1, false, false, 1},  {100, true, false, 100}, {50, true, false, 51},
        {1, false, true, 100}, {100, true, true, 1},
    };
    for (const auto& c : cases) {
        ud->Wrap = c.wrap;
        ud->SetPosition(c.from);
        ud->Step(c.up);
        EXPECT_EQ(ud->Position(), c.to) << c.from;
        EXPECT_EQ(edit->text(), QString::number(c.to));
    }
    EXPECT_EQ(clicks, 5);
    ud->Wrap = false;

    // The arrows and the associate's Up and Down keys step too.
    ud->resize(11, 20);
    ud->SetPosition(10);
    QTest::mouseClick(ud, Qt::LeftButton, {}, QPoint(5, 3));
    EXPECT_EQ(ud->Position(), 11);
    QTest::mouseClick(ud, Qt::LeftButton, {}, QPoint(5, 17));
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(ud->Position(), 9);
}

TEST(UpDown, TypedTextsOutsideTheRangeKeepTheLastPosition)
{
    QLineEdit edit;
    TUpDown ud;
    ud.SetAssociate(&edit);
    ud.SetMax(360);
    ud.SetPosition(30);
    const struct {
        const char* typed;
        int position;
    } cases[] = {{"45", 45}, {"999", 45}, {"abc", 45}, {"-1", 45}, {"", 45}, {"360", 360}, {"0", 0}};
    for (const auto& c : cases) {
        edit.setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(ud.Position(), c.position) << c.typed;
    }
    ud.SetPosition(500);
    EXPECT_EQ(ud.Position(), 360);
}
