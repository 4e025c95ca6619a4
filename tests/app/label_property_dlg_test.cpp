#include "app/label_property_dlg.h"
#include "controls/color_button.h"
#include "controls/font_combo_box.h"
#include "document/child_frame.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"
#include "platform/up_down.h"

#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

using testsupport::WhenShown;

class LabelDlgTest : public ::testing::Test {
protected:
    void TearDown() override { SetFontEnumerator(nullptr); }
    static void pickFont(TLabelPropertyDlg* dlg, const QString& name)
    {
        const int i = dlg->FontName->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        dlg->FontName->setCurrentIndex(i);
        emit dlg->FontName->activated(i);
    }
    testsupport::MessageRecorder recorder;
    QStringList& boxes = recorder.texts;
};

TLabelPropertiesRequest labelRequest(const char* text = "")
{
    TLabelPropertiesRequest r;
    r.Text = QString::fromLatin1(text);
    r.SampleFont.Name = QStringLiteral("Times New Roman");
    r.SampleFont.SetSize(10);
    r.SampleFont.Color = clBlack;
    return r;
}

} // namespace

// The sample's reference point puts the rotated text box in the middle of the sample box.
TEST(LabelSample, ReferencePointByAngle)
{
    const struct {
        int angle;
        QPoint origin;
    } cases[] = {
        {0, {127, 19}},    {360, {127, 19}},  {-5, {127, 19}},  // level, centred
        {1, {127, 20}},    {45, {135, 58}},                     // box 85 x 85
        {90, {167, 79}},                                        // box 21 x 101, upward from the left
        {91, {168, 80}},   {135, {206, 73}},  {180, {227, 40}}, // upside down from the right
        {181, {228, 38}},  {270, {187, -20}},                   // downward from the top right
        {271, {186, -20}}, {300, {161, -19}}, {359, {128, 18}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SampleTextOrigin(c.angle, 100, 20, 355, 59), c.origin) << "angle " << c.angle;
}

TEST_F(LabelDlgTest, FormAndCaptions)
{
    TLabelPropertyDlg dlg;
    EXPECT_EQ(dlg.size(), QSize(409, 306));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Object Properties - Font"));
    EXPECT_EQ(dlg.GroupBox1->geometry(), QRect(7, 0, 394, 265));
    EXPECT_EQ(dlg.FontName->geometry().topLeft(), QPoint(13, 136));
    EXPECT_EQ(dlg.FontColor->geometry(), QRect(280, 136, 45, 22));
    EXPECT_EQ(dlg.Edit->geometry(), QRect(13, 182, 249, 71));
    EXPECT_EQ(dlg.FontColor->OtherBtnCaption, QStringLiteral("&Other"));
    EXPECT_FALSE(dlg.FontName->ShowSample());
    EXPECT_EQ(dlg.FontName->FontSize(), dlg.FontSize);
    EXPECT_EQ(dlg.Angle->maxLength(), 3);
    EXPECT_EQ(dlg.AngleUpDown->Max(), 360);
    EXPECT_EQ(HelpContext(dlg.Edit), 2084);
    EXPECT_EQ(HelpContext(dlg.Angle), 2085);
}

TEST_F(LabelDlgTest, SizeBoxChecksWhatIsTyped)
{
    TLabelPropertyDlg dlg;
    dlg.FontName->SetFontName(QStringLiteral("Liberation Serif"));
    const struct {
        const char* typed;
        bool message;
        const char* shown;
        int size;
    } cases[] = {
        {"", false, "18", 18}, // an empty box is refilled
        {"24", false, "24", 24},       {"0", true, "1", 1},         {"-5", true, "1", 1},
        {"99999", true, "1638", 1638}, {"abc", true, "1638", 1638}, // no number: the sample keeps its size
        {"12", false, "12", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        dlg.FontSize->SetText(QString::fromLatin1(c.typed));
        dlg.FontNameChange(dlg.FontSize);
        EXPECT_EQ(dlg.FontSize->Text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(dlg.SampleFont->Size(), c.size);
        ASSERT_EQ(boxes.size(), c.message ? 1 : 0);
        if (c.message) {
            EXPECT_EQ(boxes.first(), QStringLiteral("The font size must be a whole number from 1 to 1638."));
        }
    }
}

TEST_F(LabelDlgTest, SampleTextAndAngle)
{
    SetFontEnumerator([] {
        TFontEnumeration e;
        e.Families = {{QStringLiteral("DejaVu Sans"), ANSI_CHARSET, TRUETYPE_FONTTYPE, {}},
                      {QStringLiteral("Sym"), SYMBOL_CHARSET, TRUETYPE_FONTTYPE, {}},
                      {QStringLiteral("Ming"), CHINESEBIG5_CHARSET, TRUETYPE_FONTTYPE, {}}};
        return e;
    });
    TLabelPropertyDlg dlg;
    auto sample = [&] {
        dlg.FontNameChange(&dlg);
        dlg.PaintBox->grab();
        return dlg.SampleText();
    };
    dlg.FontName->SetFontName(QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(sample(), QStringLiteral("AaBbYyZz"));
    dlg.FontName->SetFontName(QStringLiteral("Sym"));
    EXPECT_EQ(sample(), QStringLiteral("Symbol"));
    dlg.FontName->SetFontName(QStringLiteral("Ming"));
    EXPECT_EQ(sample(), QString::fromUtf8("中文字形範例"));
    dlg.Edit->setPlainText(QStringLiteral("A&B\nsecond\nthird"));
    EXPECT_EQ(sample(), QStringLiteral("A&B")); // the first line, "&" as it is

    const struct {
        const char* angle;
        int orientation;
    } angles[] = {{"90", 900}, {"360", 0}, {"0", 0}, {"30", 300}, {"999", 300}};
    for (const auto& a : angles) {
        dlg.Angle->setText(QString::fromLatin1(a.angle));
        EXPECT_EQ(dlg.SampleFont->Orientation, a.orientation) << a.angle;
    }
    dlg.Angle->setText(QStringLiteral("90"));
    dlg.PaintBox->grab();
    const int tw = QFontMetrics(dlg.SampleFont->ToQFont()).horizontalAdvance(QStringLiteral("A&B"));
    EXPECT_LT(dlg.SampleOrigin().x(), dlg.PaintBox->width() / 2); // runs upward from the left
    EXPECT_GT(dlg.SampleOrigin().y(), dlg.PaintBox->height() / 2 - tw / 2 - 2);
}

TEST_F(LabelDlgTest, EscapeInTheMemoCancels)
{
    TLabelPropertiesRequest r = labelRequest("keep");
    WhenShown<TLabelPropertyDlg>([](TLabelPropertyDlg* dlg) {
        dlg->Edit->setPlainText(QStringLiteral("changed"));
        QTest::keyClick(dlg->Edit, Qt::Key_Escape);
    });
    EXPECT_FALSE(RunLabelPropertyDlg(nullptr, r));
    EXPECT_EQ(r.Text, QStringLiteral("keep"));
}

TEST_F(LabelDlgTest, OkHandsBackTextFontColourAndAngle)
{
    TLabelPropertiesRequest r = labelRequest("Old");
    r.SampleFont.Style = fsItalic;
    r.Angle = 0;
    WhenShown<TLabelPropertyDlg>([](TLabelPropertyDlg* dlg) {
        // Filled from the request.
        EXPECT_EQ(dlg->Edit->toPlainText(), QStringLiteral("Old"));
        EXPECT_EQ(dlg->FontName->GetFontName(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(dlg->FontSize->Text(), QStringLiteral("10"));
        EXPECT_TRUE(dlg->FontItalic->isChecked());
        EXPECT_FALSE(dlg->FontBold->isChecked());

        dlg->Edit->selectAll();
        QTest::keyClicks(dlg->Edit, QStringLiteral("Two"));
        QTest::keyClick(dlg->Edit, Qt::Key_Return);
        QTest::keyClicks(dlg->Edit, QStringLiteral("lines"));
        pickFont(dlg, QStringLiteral("Liberation Sans"));
        dlg->FontSize->SetText(QString());
        QTest::keyClicks(dlg->FontSize->lineEdit(), QStringLiteral("24"));
        dlg->FontColor->SetColor(clRed);
        QTest::mouseClick(dlg->FontBold, Qt::LeftButton);
        dlg->Angle->selectAll();
        QTest::keyClicks(dlg->Angle, QStringLiteral("30"));
        QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
    });
    ASSERT_TRUE(RunLabelPropertyDlg(nullptr, r));
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(r.Text, QStringLiteral("Two\r\nlines"));
    EXPECT_EQ(r.Angle, 30);
    EXPECT_EQ(r.SampleFont.Name, QStringLiteral("Liberation Sans"));
    EXPECT_EQ(r.SampleFont.Size(), 24);
    EXPECT_EQ(r.SampleFont.Color, clRed);
    EXPECT_EQ(r.SampleFont.Orientation, 0); // the label turns the text itself
    EXPECT_TRUE(r.Bold);
    EXPECT_TRUE(r.Italic);
}

TEST_F(LabelDlgTest, AnAngleOutOfRangeIsRefusedNotQuietlyReplaced)
{
    for (const char* typed : {"999", "-1", "x"}) {
        SCOPED_TRACE(typed);
        TLabelPropertiesRequest r = labelRequest("Text");
        r.Angle = 45;
        boxes.clear();
        WhenShown<TLabelPropertyDlg>([&](TLabelPropertyDlg* dlg) {
            // "99" is on its way to "999": valid on the way, then not.
            dlg->Angle->setText(QStringLiteral("99"));
            dlg->Angle->setText(QString::fromLatin1(typed));
            QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
            EXPECT_TRUE(dlg->isVisible());
            EXPECT_EQ(
                boxes,
                QStringList{LoadLangStr(AngleRangeString).arg(QStringLiteral("0"), QStringLiteral("360"))});
            QTest::mouseClick(dlg->CancelBtn, Qt::LeftButton);
        });
        EXPECT_FALSE(RunLabelPropertyDlg(nullptr, r));
        EXPECT_EQ(r.Angle, 45);
    }
}

TEST_F(LabelDlgTest, FontsTheListLacksKeepTheirName)
{
    TLabelPropertiesRequest r = labelRequest("x");
    r.SampleFont.Name = QStringLiteral("No Such Font 123");
    r.SampleFont.SetSize(5000); // from a damaged document
    WhenShown<TLabelPropertyDlg>([](TLabelPropertyDlg* dlg) {
        EXPECT_EQ(dlg->FontName->GetFontName(), QString());
        EXPECT_EQ(dlg->FontSize->Text(), QString::number(MaxLabelFontSize));
        QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
    });
    ASSERT_TRUE(RunLabelPropertyDlg(nullptr, r));
    EXPECT_EQ(r.SampleFont.Name, QStringLiteral("No Such Font 123"));
    EXPECT_EQ(r.SampleFont.Size(), MaxLabelFontSize);
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(LabelDlgTest, GermanCaptionsFit)
{
    const testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TLabelPropertyDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Objekteigenschaften - Schrift"));
    EXPECT_EQ(dlg.FontColor->OtherBtnCaption, QStringLiteral("&Andere"));
    testsupport::ExpectChildrenInside(dlg.GroupBox1);
    for (QPushButton* b : {dlg.OKBtn, dlg.CancelBtn}) {
        testsupport::ExpectCaptionFits(b);
        EXPECT_TRUE(dlg.rect().contains(b->geometry()));
    }
    EXPECT_FALSE(dlg.OKBtn->geometry().intersects(dlg.CancelBtn->geometry()));
}
