// The main window's place under a real window manager: what is saved at close comes back at
// the next start without drifting, and a place off every screen is brought back onto one.
// The program runs on an X server of its own with openbox; without them the test is skipped.
#include "document/paper_catalogue.h"
#include "document/std.h"
#include "platform/file_utils.h"
#include "platform/registry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"
#include "tests/support/x_session.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <functional>

namespace {

using testsupport::ScreenHeight;
using testsupport::ScreenWidth;

using testsupport::Settings;

QRect StoredPlace()
{
    TRegIniFile reg = Settings();
    return QRect(reg.ReadInteger(BasicInfo(), QStringLiteral("Left"), -1), reg.ReadInteger(BasicInfo(), QStringLiteral("Top"), -1),
                 reg.ReadInteger(BasicInfo(), QStringLiteral("Width"), -1),
                 reg.ReadInteger(BasicInfo(), QStringLiteral("Height"), -1));
}

std::string Text(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

void StorePlace(const QRect& r)
{
    TRegIniFile reg = Settings();
    reg.WriteInteger(BasicInfo(), QStringLiteral("Left"), r.x());
    reg.WriteInteger(BasicInfo(), QStringLiteral("Top"), r.y());
    reg.WriteInteger(BasicInfo(), QStringLiteral("Width"), r.width());
    reg.WriteInteger(BasicInfo(), QStringLiteral("Height"), r.height());
}

class WindowPlacement : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = session.Start();
        if (display.isEmpty())
            GTEST_SKIP() << "no Xvfb, openbox and xdotool to run under";
        program = testsupport::freshDir(QStringLiteral("placement-program"));
        QDir(program).mkdir(QStringLiteral("Paper"));
        const PaperType paper = testpaper::Discs(NameGUID("placement-test"), QStringLiteral("Disc"), 1170, {{1, 465, 175}});
        ASSERT_TRUE(WriteFileAtomic(program + QStringLiteral("/Paper/test.def"), WritePaperDefinitionData({&paper})));
        TRegIniFile reg = Settings();
        // Straight to a blank document, in the normal window state.
        reg.WriteBool(BasicInfo(), QStringLiteral("Startup"), false);
        reg.WriteInteger(BasicInfo(), QStringLiteral("WindowState"), 0);
    }

    // Starts the program, waits for its main window to be shown and placed, runs beforeEnd on
    // it, and closes it as the session would.
    void RunOnce(const std::function<void(const QString& window)>& beforeEnd = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("KORVANE_PROGRAM_DIR"), program);
        QProcess korvane;
        korvane.setProcessEnvironment(env);
        korvane.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        korvane.start(QStringLiteral(KORVANE_BIN_DIR) + QStringLiteral("/korvane"), {});
        ASSERT_TRUE(korvane.waitForStarted(10000));

        const QStringList found = testsupport::FindVisibleWindows(display, QStringLiteral("^Korvane"));
        const QString window = found.isEmpty() ? QString() : found.first();
        // Let the window manager finish framing and placing it: the same place four times
        // running, since on a busy machine it can pause between framing and placing.
        QByteArray last;
        int same = 0;
        for (int i = 0; i < 100 && !window.isEmpty() && same < 3; ++i) {
            korvane.waitForFinished(200);
            const QByteArray now =
                testsupport::XDoTool(display, {QStringLiteral("getwindowgeometry"), window});
            same = !now.isEmpty() && now == last ? same + 1 : 0;
            last = now;
        }
        korvane.waitForFinished(300);
        if (beforeEnd && !window.isEmpty())
            beforeEnd(window);
        korvane.terminate();
        ASSERT_TRUE(korvane.waitForFinished(30000));
        ASSERT_FALSE(window.isEmpty()) << "the main window never showed";
        EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(korvane.exitCode(), 0);
    }

    testsupport::XSession session;
    QString display, program;
};

} // namespace

TEST_F(WindowPlacement, TheWindowComesBackWhereItWasAtEveryStart)
{
    const QRect place(200, 150, 700, 500);
    StorePlace(place);
    for (int run = 1; run <= 2; ++run) {
        RunOnce();
        EXPECT_EQ(Text(StoredPlace()), Text(place)) << "after run " << run;
    }
}

TEST_F(WindowPlacement, APlaceOffEveryScreenIsBroughtBackOntoOne)
{
    const QRect screen(0, 0, ScreenWidth, ScreenHeight);
    for (const QRect& stored : {QRect(32767, 32767, 32767, 32767), QRect(3000, -2000, 640, 480)}) {
        StorePlace(stored);
        RunOnce();
        const QRect place = StoredPlace();
        EXPECT_TRUE(screen.contains(place)) << Text(place);
        // Room above for the title bar, so the window can still be moved.
        EXPECT_GT(place.top(), 0);
        // And it stays there at the next start.
        RunOnce();
        EXPECT_EQ(Text(StoredPlace()), Text(place));
    }
}

TEST_F(WindowPlacement, TheSessionEndingWhileMinimisedKeepsTheStateShown)
{
    const QRect place(150, 120, 640, 480);
    for (const int shown : {0, 2}) {
        SCOPED_TRACE(shown);
        StorePlace(place);
        Settings().WriteInteger(BasicInfo(), QStringLiteral("WindowState"), shown);
        RunOnce([&](const QString& window) {
            testsupport::XDoTool(display,
                                 {QStringLiteral("windowminimize"), QStringLiteral("--sync"), window});
        });
        EXPECT_EQ(Settings().ReadInteger(BasicInfo(), QStringLiteral("WindowState"), -1), shown);
        EXPECT_EQ(Text(StoredPlace()), Text(place));
    }
}
