#include "app/color_property_dlg.h"
#include "controls/color_button.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"
#include "platform/up_down.h"

#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

using testsupport::WhenShown;

class ColorDlgTest : public ::testing::Test {
protected:
    testsupport::MessageRecorder recorder;
    QStringList& boxes = recorder.texts;
};

TColorPropertiesRequest request()
{
    TColorPropertiesRequest r;
    r.LineColor = clBlack;
    r.CoreColor = clWhite;
    r.LineWidth = 1;
    r.Left = 10;
    r.Top = 20;
    r.Width = 265;
    r.Height = 159;
    return r;
}

} // namespace

TEST_F(ColorDlgTest, FormAndCaptions)
{
    TColorPropertyDlg dlg;
    EXPECT_EQ(dlg.size(), QSize(323, 254));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Object Properties - Colors"));
    EXPECT_EQ(dlg.PageControl1->geometry(), QRect(5, 8, 313, 209));
    EXPECT_EQ(dlg.PageControl1->count(), 2);
    EXPECT_EQ(dlg.PageControl1->currentIndex(), 0);
    EXPECT_EQ(dlg.PageControl1->tabText(1), QStringLiteral("Position and Size"));
    // The controls keep their places to one another, all below the group's title and frame line.
    const int down = dlg.Label1->y() - 16;
    EXPECT_GE(down, 0);
    EXPECT_EQ(dlg.TempShape->geometry(), QRect(16, 31 + down, 101, 107));
    EXPECT_EQ(dlg.OutLineBtn->geometry(), QRect(145, 38 + down, 45, 22));
    EXPECT_EQ(dlg.CoreBtn->Color(), clWhite);
    EXPECT_EQ(dlg.CoreBtn->OtherBtnCaption, QStringLiteral("&Other"));
    EXPECT_EQ(dlg.Edit1->geometry(), QRect(68, 28, 69, 21));
    EXPECT_EQ(dlg.Label8->text(), QStringLiteral("Unit : 0.1mm"));
    EXPECT_EQ(HelpContext(dlg.LineWidthEdit), 2072);
    // Every caption lies inside its group, whole and off the frame.
    for (QGroupBox* g : {dlg.GroupBox1, dlg.GroupBox2})
        testsupport::ExpectChildrenInside(g);
    dlg.show();
    for (QWidget* page : {dlg.TabSheet1, dlg.TabSheet2}) {
        dlg.PageControl1->setCurrentWidget(page);
        QCoreApplication::processEvents();
        testsupport::ExpectTextsFit(&dlg);
    }
}

TEST_F(ColorDlgTest, GermanCaptionsStayInsideTheirGroups)
{
    const testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TColorPropertyDlg dlg;
    EXPECT_EQ(dlg.Label8->text(), QString::fromUtf8("Einheit: 0,1 mm"));
    for (QGroupBox* g : {dlg.GroupBox1, dlg.GroupBox2})
        testsupport::ExpectChildrenInside(g);
    for (QPushButton* b : {dlg.OKBtn, dlg.CancelBtn}) {
        testsupport::ExpectCaptionFits(b);
        EXPECT_TRUE(dlg.rect().contains(b->geometry()));
    }
}

TEST_F(ColorDlgTest, LineWidthStaysWithinItsLimits)
{
    TColorPropertyDlg dlg;
    EXPECT_TRUE(dlg.LineWidthEdit->isReadOnly());
    const struct {
        int start;
        int steps; // positive up, negative down
        int width;
    } cases[] = {{1, -1, 1}, {1, -5, 1}, {1, 1, 2}, {99, 1, 100}, {100, 3, 100}, {0, 0, 1}, {500, 0, 100}};
    for (const auto& c : cases) {
        dlg.UpDown->SetPosition(c.start);
        for (int i = 0; i < std::abs(c.steps); ++i)
            dlg.UpDown->Step(c.steps > 0);
        EXPECT_EQ(dlg.LineWidthEdit->text(), QString::number(c.width)) << c.start << " " << c.steps;
        EXPECT_EQ(dlg.TempShape->Pen.Width, c.width);
    }
    // Typing goes nowhere.
    dlg.UpDown->SetPosition(7);
    QTest::keyClicks(dlg.LineWidthEdit, QStringLiteral("99"));
    EXPECT_EQ(dlg.LineWidthEdit->text(), QStringLiteral("7"));
    QTest::keyClick(dlg.LineWidthEdit, Qt::Key_Up);
    EXPECT_EQ(dlg.TempShape->Pen.Width, 8);
}

TEST_F(ColorDlgTest, ColoursShowOnTheSampleAtOnce)
{
    TColorPropertyDlg dlg;
    dlg.OutLineBtn->SetColor(clBlue);
    EXPECT_EQ(dlg.TempShape->Pen.Color, clBlue);
    dlg.CoreBtn->SetColor(clYellow);
    EXPECT_EQ(dlg.TempShape->Brush.Color, clYellow);

    // Drawn: a 5-pixel blue ring round a yellow fill.
    dlg.UpDown->SetPosition(5);
    const QImage img = dlg.TempShape->grab().toImage();
    EXPECT_EQ(img.pixelColor(3, 50), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(50, 50), QColor(255, 255, 0));
    EXPECT_EQ(img.pixelColor(8, 50), QColor(255, 255, 0));
}

TEST_F(ColorDlgTest, OkHandsBackSampleAndBoxes)
{
    TColorPropertiesRequest r = request();
    r.Ellipse = true;
    WhenShown<TColorPropertyDlg>([](TColorPropertyDlg* dlg) {
        EXPECT_EQ(dlg->TempShape->Shape, stEllipse);
        EXPECT_EQ(dlg->Edit3->text(), QStringLiteral("265"));
        dlg->OutLineBtn->SetColor(clBlue);
        dlg->CoreBtn->SetColor(clYellow);
        for (int i = 0; i < 7; ++i)
            QTest::mouseClick(dlg->UpDown, Qt::LeftButton, {}, QPoint(5, 2));
        dlg->Edit3->setText(QStringLiteral("200"));
        QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
    });
    ASSERT_TRUE(RunColorPropertyDlg(nullptr, r));
    EXPECT_EQ(r.LineColor, clBlue);
    EXPECT_EQ(r.CoreColor, clYellow);
    EXPECT_EQ(r.LineWidth, 8);
    EXPECT_EQ(r.Width, 200);
    EXPECT_EQ(r.Left, 10);
    EXPECT_EQ(r.Height, 159);
}

TEST_F(ColorDlgTest, BoxWithoutANumberKeepsTheDialogOpen)
{
    TColorPropertiesRequest r = request();
    WhenShown<TColorPropertyDlg>([this](TColorPropertyDlg* dlg) {
        dlg->OutLineBtn->SetColor(clRed);
        dlg->Edit2->setText(QStringLiteral("-"));
        QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(boxes, QStringList{QStringLiteral(
                             "Position and size must be whole numbers of tenths of a millimetre.")});
        EXPECT_EQ(dlg->PageControl1->currentWidget(), dlg->TabSheet2);
        // Cancel then leaves everything as it was.
        QTest::mouseClick(dlg->CancelBtn, Qt::LeftButton);
    });
    EXPECT_FALSE(RunColorPropertyDlg(nullptr, r));
    EXPECT_EQ(r.LineColor, clBlack);
    EXPECT_EQ(r.Top, 20);
}

TEST_F(ColorDlgTest, SizesTooSmallToSeeAreRefusedAndWhatTheBoxesShowIsTakenBack)
{
    // A size too small to see or click is refused with the sizes' range; a place beyond the
    // positions' range with theirs.
    const char* const sizes = "Sizes must be whole numbers from 10 to 99999 tenths of a millimetre.";
    const struct {
        QLineEdit* TColorPropertyDlg::*edit;
        const char* text;
        const char* message;
    } cases[] = {
        {&TColorPropertyDlg::Edit4, "0", sizes},
        {&TColorPropertyDlg::Edit4, "9", sizes},
        {&TColorPropertyDlg::Edit2, "100000",
         "Positions must be whole numbers from -99999 to 99999 tenths of a "
         "millimetre."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TColorPropertiesRequest r = request();
        boxes.clear();
        WhenShown<TColorPropertyDlg>([&](TColorPropertyDlg* dlg) {
            (dlg->*c.edit)->setText(QString::fromLatin1(c.text));
            QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
            EXPECT_TRUE(dlg->isVisible());
            EXPECT_EQ(boxes, QStringList{QString::fromLatin1(c.message)});
            QTest::mouseClick(dlg->CancelBtn, Qt::LeftButton);
        });
        EXPECT_FALSE(RunColorPropertyDlg(nullptr, r));
        EXPECT_EQ(r.Height, 159);
    }

    // An object whose size lies beyond the boxes' range shows the nearest size they take, and
    // OK on the untouched page is never refused; a size box takes no sign.
    TColorPropertiesRequest r = request();
    r.Width = 100000;
    r.Height = 3;
    boxes.clear();
    WhenShown<TColorPropertyDlg>([](TColorPropertyDlg* dlg) {
        EXPECT_EQ(dlg->Edit3->text(), QStringLiteral("99999"));
        EXPECT_EQ(dlg->Edit4->text(), QStringLiteral("10"));
        dlg->Edit4->clear();
        QTest::keyClicks(dlg->Edit4, QStringLiteral("-25"));
        EXPECT_EQ(dlg->Edit4->text(), QStringLiteral("25"));
        QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
    });
    ASSERT_TRUE(RunColorPropertyDlg(nullptr, r));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(r.Width, 99999);
    EXPECT_EQ(r.Height, 25);
}
