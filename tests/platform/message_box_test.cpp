#include <gtest/gtest.h>

#include "platform/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <vector>

namespace {

class MessageSeam : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxHandler([this](const MessageBoxCall& c) {
            calls.push_back(c);
            return answer;
        });
    }
    void TearDown() override { SetMessageBoxHandler(nullptr); }
    std::vector<MessageBoxCall> calls;
    int answer = IDYES;
};

TEST_F(MessageSeam, BoxesReachTheHandlerWithTheirFlags)
{
    answer = IDNO;
    EXPECT_EQ(MessageBox(nullptr, QStringLiteral("Save current job to file?"), QStringLiteral("Doc1"),
                         MB_YESNOCANCEL | MB_ICONQUESTION),
              IDNO);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, MessageBoxCall::Box);
    EXPECT_EQ(calls[0].text, QStringLiteral("Save current job to file?"));
    EXPECT_EQ(calls[0].caption, QStringLiteral("Doc1"));
    EXPECT_EQ(calls[0].flags, MB_YESNOCANCEL | MB_ICONQUESTION);

    Application->Title = QStringLiteral("Korvane");
    answer = IDOK;
    EXPECT_EQ(Application->MessageBox(QStringLiteral("t"), QString(), MB_OK), IDOK);
    EXPECT_EQ(calls.back().caption, QStringLiteral("Korvane"));
}

TEST_F(MessageSeam, DialogsCarryTypeButtonsAndNearestBoxForm)
{
    struct Case { TMsgDlgType type; unsigned buttons; unsigned flags; const char* caption; };
    Application->Title = QStringLiteral("Korvane");
    const Case cases[] = {
        {mtInformation, mbOK, MB_OK | MB_ICONINFORMATION, "Information"},
        {mtConfirmation, mbYesNoCancel, MB_YESNOCANCEL | MB_ICONQUESTION, "Confirm"},
        {mtWarning, mbYes | mbNo, MB_YESNO | MB_ICONWARNING, "Warning"},
        {mtError, mbOKCancel, MB_OKCANCEL | MB_ICONERROR, "Error"},
        {mtCustom, mbOK, MB_OK, "Korvane"},
    };
    answer = mrOk;
    for (const Case& c : cases) {
        EXPECT_EQ(MessageDlg(QStringLiteral("x"), c.type, c.buttons), mrOk);
        EXPECT_EQ(calls.back().kind, MessageBoxCall::Dialog);
        EXPECT_EQ(calls.back().dlgType, c.type);
        EXPECT_EQ(calls.back().buttons, c.buttons);
        EXPECT_EQ(calls.back().flags, c.flags) << c.caption;
        EXPECT_EQ(calls.back().caption, QString::fromLatin1(c.caption));
    }
    ShowMessage(QStringLiteral("Can't find the Help file!"));
    EXPECT_EQ(calls.back().text, QStringLiteral("Can't find the Help file!"));
    EXPECT_EQ(calls.back().buttons, mbOK);
}

TEST_F(MessageSeam, ExceptionsShownByTheApplicationObject)
{
    Application->Title = QStringLiteral("Korvane");
    Application->ShowException(EKorvaneError(QStringLiteral("Out of memory")));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, MessageBoxCall::Exception);
    EXPECT_EQ(calls[0].text, QStringLiteral("Out of memory."));
    EXPECT_EQ(calls[0].caption, QStringLiteral("Korvane"));
    EXPECT_EQ(calls[0].flags, MB_OK | MB_ICONERROR);

    Application->ShowException(std::runtime_error("Already ends."));
    EXPECT_EQ(calls.back().text, QStringLiteral("Already ends."));

    bool after = false;
    Application->Guard([&] { throw EKorvaneError("Printer error"); });
    Application->Guard([&] { after = true; });
    EXPECT_TRUE(after);
    EXPECT_EQ(calls.back().text, QStringLiteral("Printer error."));
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(EKorvaneError(QStringLiteral("Größe")).Message(), QStringLiteral("Größe"));
}

// Without a handler the real dialog comes up, with the Windows buttons and results.
TEST(MessageBoxDefault, ShowsARealDialog)
{
    SetMessageBoxHandler(nullptr);
    QString seenText, seenTitle;
    int buttons = 0;
    bool onTop = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        // Ownerless boxes open over the splash window, which stays on top.
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        seenText = box->text();
        seenTitle = box->windowTitle();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MessageBox(nullptr, QStringLiteral("Stop printing job?"), QStringLiteral("Doc1"), MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(seenText, QStringLiteral("Stop printing job?"));
    EXPECT_EQ(seenTitle, QStringLiteral("Doc1"));
    EXPECT_EQ(buttons, 2);
    EXPECT_TRUE(onTop);
}

// The captions come from the interface language where one is set.
TEST_F(MessageSeam, CaptionsFromTheLanguage)
{
    SetMessageCaptionLoader([](TMsgDlgType type) { return QStringLiteral("caption %1").arg(int(type)); });
    for (const TMsgDlgType type : {mtWarning, mtError, mtInformation, mtConfirmation}) {
        MessageDlg(QStringLiteral("x"), type, mbOK);
        EXPECT_EQ(calls.back().caption, QStringLiteral("caption %1").arg(int(type)));
    }
    Application->Title = QStringLiteral("Korvane");
    MessageDlg(QStringLiteral("x"), mtCustom, mbOK);
    EXPECT_EQ(calls.back().caption, QStringLiteral("Korvane"));
    // A language without the text falls back to English.
    SetMessageCaptionLoader([](TMsgDlgType) { return QString(); });
    MessageDlg(QStringLiteral("x"), mtConfirmation, mbOK);
    EXPECT_EQ(calls.back().caption, QStringLiteral("Confirm"));
    SetMessageCaptionLoader(nullptr);
}

// A box with a short text is still as wide as its title, so the title bar shows it whole.
TEST(MessageBoxDefault, AtLeastAsWideAsItsTitle)
{
    SetMessageBoxHandler(nullptr);
    const QString title = QStringLiteral("Korvane - a caption a good deal longer than its message");
    int width = 0, need = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        width = box->width();
        need = box->fontMetrics().horizontalAdvance(title);
        box->button(QMessageBox::Ok)->click();
    });
    MessageBox(nullptr, QStringLiteral("x"), title, MB_OK);
    EXPECT_GT(need, 0);
    EXPECT_GE(width, need);
}

// The owner going away while its box is up (the session ends) takes the box with it; the
// call comes back as cancelled instead of freeing the box a second time.
TEST(MessageBoxDefault, OwnerDestroyedWhileTheBoxIsUp)
{
    SetMessageBoxHandler(nullptr);
    auto* owner = new QWidget;
    QTimer::singleShot(0, [&] {
        if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            delete owner;
    });
    EXPECT_EQ(MessageBox(owner, QStringLiteral("Save changes?"), QStringLiteral("Doc1"), MB_YESNO), IDCANCEL);
}

} // namespace
