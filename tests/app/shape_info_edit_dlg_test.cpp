// The coordinate editor: one row per table entry, the form fitted to the mode and the rows,
// the digit filter on its fields, and what OK stores.
#include "app/shape_info_edit_dlg.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"
#include "tests/document/paper_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

QLineEdit* entry(const TShapeInfoEditDlg& dlg, const char* name)
{
    return dlg.Rows()->findChild<QLineEdit*>(QString::fromLatin1(name));
}

TEST(ShapeInfoEditDlgTest, TheFormFitsTheModeAndTheRows)
{
    struct Case {
        int mode;
        int shapes;
        int width;       // of the form; the group is 117 narrower
        bool shrinks;    // rows need less than the group's 301 pixels
        const char* lastEntry;
        const char* firstLabel;
    } cases[] = {
        {0, 2, 260, true, "pEY1", "Circle1 : "},       // 240 wide, two rows
        {0, 12, 260, false, "pEY11", "Circle1 : "},    // twelve rows need 340: the group scrolls
        {1, 2, 460, true, "pEYTo0", "Line1 : "},       // one extra line, 440 wide: the form grows
        {2, 2, 560, true, "pCore0", "Shape 1 : "},     // one other shape, 540 wide
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.shapes << " positions");
        auto paper = papertest::Paper(1, c.shapes);
        TShapeInfoEditDlg dlg;
        dlg.Setup(c.mode, paper.get());
        EXPECT_EQ(dlg.width(), c.width);
        EXPECT_EQ(dlg.GroupBox->geometry().topLeft(), QPoint(8, 12));
        EXPECT_EQ(dlg.GroupBox->width(), c.width - 20);
        EXPECT_EQ(dlg.height() < 360, c.shrinks);
        EXPECT_EQ(dlg.GroupBox->height() < 301, c.shrinks);
        // The buttons keep their place at the bottom right.
        EXPECT_EQ(dlg.OkBtn->geometry(), QRect(c.width - 179, dlg.height() - 33, 75, 25));
        EXPECT_EQ(dlg.CancelBtn->pos(), dlg.OkBtn->pos() + QPoint(80, 0));
        // A group that shrank shows every row.
        dlg.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.ScrollBox1->verticalScrollBar()->maximum() == 0, c.shrinks);
        EXPECT_NE(entry(dlg, c.lastEntry), nullptr);
        auto* label = dlg.Rows()->findChild<QLabel*>(c.mode == 0 ? QStringLiteral("pL0") : QStringLiteral("pFrom0"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(c.firstLabel));
        EXPECT_EQ(label->y(), 38);
    }
}

// The tab key walks along a row, left to right, before it goes down to the next.
TEST(ShapeInfoEditDlgTest, TheTabKeyWalksEachRowBeforeTheNext)
{
    const struct {
        int mode;
        QStringList row0, row1;
    } cases[] = {
        {TShapeInfoEditDlg::LabelPositions, {"pEX0", "pEY0"}, {"pEX1", "pEY1"}},
        {TShapeInfoEditDlg::ExtraLines, {"pEXFrom0", "pEYFrom0", "pEXTo0", "pEYTo0"},
         {"pEXFrom1", "pEYFrom1", "pEXTo1", "pEYTo1"}},
        {TShapeInfoEditDlg::OtherShapes, {"pStyle0", "pW0", "pH0", "pX0", "pY0", "pCore0"},
         {"pStyle1", "pW1", "pH1", "pX1", "pY1", "pCore1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        auto paper = papertest::Paper(1, 2);
        paper->ExtraLines.resize(2);
        paper->OtherShapes.resize(2);
        TShapeInfoEditDlg dlg;
        dlg.Setup(c.mode, paper.get());
        QWidget* first = dlg.Rows()->findChild<QWidget*>(c.row0.first());
        ASSERT_NE(first, nullptr);
        QStringList order;
        for (QWidget* w = first; order.size() < 2 * c.row0.size(); w = w->nextInFocusChain()) {
            if (w->parentWidget() == dlg.Rows() && (w->focusPolicy() & Qt::TabFocus))
                order << w->objectName();
            if (w->nextInFocusChain() == first)
                break;
        }
        EXPECT_EQ(order, c.row0 + c.row1);
    }
}

TEST(ShapeInfoEditDlgTest, RowsSitAtTheirStepsAndShowTheTable)
{
    auto paper = papertest::Paper(1, 12);
    paper->ShapeStyle = ShapeRectangle;
    TShapeInfoEditDlg dlg;
    dlg.Setup(TShapeInfoEditDlg::LabelPositions, paper.get());
    QLineEdit* last = entry(dlg, "pEY11");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->geometry(), QRect(150, 24 * 11 + 35, 50, 21));
    EXPECT_EQ(last->text(), QString::number(214 + 1384 * 11));
    EXPECT_EQ(dlg.Rows()->findChild<QLabel*>(QStringLiteral("pL11"))->text(), QStringLiteral("Rectangle12 : "));
    EXPECT_EQ(entry(dlg, "pEY12"), nullptr);
    // The rows are taller than the group, so the box scrolls.
    dlg.show();
    QCoreApplication::processEvents();
    EXPECT_GT(dlg.ScrollBox1->verticalScrollBar()->maximum(), 0);

    TShapeInfoEditDlg other;
    other.Setup(TShapeInfoEditDlg::OtherShapes, paper.get());
    auto* style = other.Rows()->findChild<QComboBox*>(QStringLiteral("pStyle0"));
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->currentText(), QStringLiteral("Rectangle"));
    EXPECT_EQ(entry(other, "pW0")->text(), QStringLiteral("60"));
    EXPECT_EQ(entry(other, "pH0")->text(), QStringLiteral("50"));
    paper->OtherShapes[0].Style = ShapeCircle;
    TShapeInfoEditDlg circle;
    circle.Setup(TShapeInfoEditDlg::OtherShapes, paper.get());
    EXPECT_EQ(circle.Rows()->findChild<QComboBox*>(QStringLiteral("pStyle0"))->currentText(), QStringLiteral("Circle"));
}

TEST(ShapeInfoEditDlgTest, FieldsTakeDigitsAndCtrlKeys)
{
    auto paper = papertest::Paper(1, 2);
    TShapeInfoEditDlg dlg;
    dlg.Setup(TShapeInfoEditDlg::LabelPositions, paper.get());
    QLineEdit* x = entry(dlg, "pEX0");
    x->clear();
    QTest::keyClicks(x, QStringLiteral("1a-2 .3"));
    EXPECT_EQ(x->text(), QStringLiteral("123"));
    QTest::keyClick(x, Qt::Key_Backspace);
    EXPECT_EQ(x->text(), QStringLiteral("12"));
    // Ctrl passes every key: Ctrl+V pastes.
    QGuiApplication::clipboard()->setText(QStringLiteral("45"));
    QTest::keyClick(x, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(x->text(), QStringLiteral("1245"));
    EXPECT_FALSE(dlg.LastShift);
}

TEST(ShapeInfoEditDlgTest, OkStoresTheFieldsEmptyOnesKeepTheirValue)
{
    auto paper = papertest::Paper(1, 2);
    TShapeInfoEditDlg dlg;
    dlg.Setup(TShapeInfoEditDlg::LabelPositions, paper.get());
    entry(dlg, "pEX1")->setText(QStringLiteral("500"));
    entry(dlg, "pEY1")->clear();
    dlg.OkBtn->click();
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(paper->Shapes[1].X, 500);
    EXPECT_EQ(paper->Shapes[1].Y, 1598);
    EXPECT_EQ(entry(dlg, "pEY1")->text(), QStringLiteral("1598"));

    // Enter stores the fields, then the default button accepts them.
    auto lines = papertest::Paper(1, 2);
    TShapeInfoEditDlg edit;
    edit.Setup(TShapeInfoEditDlg::ExtraLines, lines.get());
    edit.show();
    entry(edit, "pEYTo0")->setText(QStringLiteral("40"));
    QTest::keyClick(entry(edit, "pEYTo0"), Qt::Key_Return);
    EXPECT_EQ(edit.EditPaper->ExtraLines[0].YTo, 40);
    EXPECT_EQ(edit.result(), 1);
    EXPECT_EQ(lines->ExtraLines[0].YTo, 40);

    // The least a shape takes: a tenth of a millimetre each way, and no core hole.
    auto shapes = papertest::Paper(1, 2);
    TShapeInfoEditDlg least;
    least.Setup(TShapeInfoEditDlg::OtherShapes, shapes.get());
    entry(least, "pW0")->setText(QStringLiteral("1"));
    entry(least, "pH0")->setText(QStringLiteral("1"));
    entry(least, "pCore0")->setText(QStringLiteral("0"));
    least.OkBtn->click();
    EXPECT_EQ(least.result(), 1);
    EXPECT_EQ(shapes->OtherShapes[0], (PaperOtherShape{1, 1, 1, 0, 70, 80}));
}

TEST(ShapeInfoEditDlgTest, ValuesOffTheSheetAreReportedAndTheDialogStaysOpenTakingNothing)
{
    std::vector<MessageBoxCall> boxes;
    SetMessageBoxHandler([&](const MessageBoxCall& c) {
        boxes.push_back(c);
        return IDOK;
    });
    // The message names what the refusing box holds: a shape's size or a place on the sheet.
    // A shape needs some width and height; no core hole is a core width of 0.
    const char* const sizes = "Sizes must be whole numbers from 1 to 10000 tenths of a millimetre.";
    const char* const cores = "Sizes must be whole numbers from 0 to 10000 tenths of a millimetre.";
    const char* const positions = "Positions must be whole numbers from 0 to 10000 tenths of a millimetre.";
    const struct {
        int mode;
        const char* field;
        const char* text;
        const char* message;
    } cases[] = {
        {TShapeInfoEditDlg::OtherShapes, "pH0", "x5", sizes},
        {TShapeInfoEditDlg::OtherShapes, "pH0", "-5", sizes},
        {TShapeInfoEditDlg::OtherShapes, "pH0", "0", sizes},
        {TShapeInfoEditDlg::OtherShapes, "pW0", "0", sizes},
        {TShapeInfoEditDlg::OtherShapes, "pCore0", "10001", cores},
        {TShapeInfoEditDlg::OtherShapes, "pCore0", "-1", cores},
        {TShapeInfoEditDlg::OtherShapes, "pX0", "-1", positions},
        {TShapeInfoEditDlg::LabelPositions, "pEY1", "99999999", positions},
        {TShapeInfoEditDlg::LabelPositions, "pEY1", "10001", positions},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        boxes.clear();
        auto paper = papertest::Paper(1, 2);
        const auto before = papertest::Paper(1, 2);
        TShapeInfoEditDlg dlg;
        dlg.Setup(c.mode, paper.get());
        // A good field before the bad one is not taken either.
        entry(dlg, c.mode == TShapeInfoEditDlg::OtherShapes ? "pW0" : "pEX0")->setText(QStringLiteral("61"));
        entry(dlg, c.field)->setText(QString::fromLatin1(c.text));
        dlg.OkBtn->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.toStdString(), c.message);
        EXPECT_EQ(dlg.result(), 0);
        for (const PaperType* p : {static_cast<const PaperType*>(dlg.EditPaper.get()),
                                   static_cast<const PaperType*>(paper.get())}) {
            EXPECT_EQ(p->OtherShapes[0].Width, before->OtherShapes[0].Width);
            EXPECT_EQ(p->OtherShapes[0].Height, before->OtherShapes[0].Height);
            EXPECT_EQ(p->Shapes[0].X, before->Shapes[0].X);
            EXPECT_EQ(p->Shapes[1].Y, before->Shapes[1].Y);
        }
    }
    SetMessageBoxHandler(nullptr);
}

} // namespace
