// A start that cannot go on says why in a box the user closes, and then ends with exit code 2:
// without a paper catalogue, and without a private folder for the temporary files (where a
// shared one would do for the others but not for us). The program runs on an X server of the
// test's own with openbox; without them the test is skipped.
#include "document/paper_catalogue.h"
#include "platform/file_utils.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"
#include "tests/support/x_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <unistd.h>

namespace {

struct RefusalCase {
    const char* name;
    bool catalogue;       // the program folder holds a paper catalogue
    bool privateFolder;   // a private temporary folder can be made
    const char* title;    // of the box that says why
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class StartRefused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(StartRefused, SaysWhyAndEndsWithExitCodeTwo)
{
    const RefusalCase& c = GetParam();
    testsupport::XSession session;
    const QString display = session.Start();
    if (display.isEmpty())
        GTEST_SKIP() << "no Xvfb, openbox and xdotool to run under";

    const QString root = testsupport::freshDir(QStringLiteral("refused-%1").arg(QLatin1String(c.name)));
    const QString program = root + QStringLiteral("/program");
    QDir().mkpath(program + QStringLiteral("/Paper"));
    if (c.catalogue) {
        const PaperType paper = testpaper::Discs(testpaper::Id(1), QStringLiteral("Disc"), 1170, {{1, 465, 175}});
        ASSERT_TRUE(WriteFileAtomic(program + QStringLiteral("/Paper/test.def"), WritePaperDefinitionData({&paper})));
    }
    // The shared folder's own name for us is taken by someone else, and every other private
    // place the program may take is a plain file.
    const QString shared = root + QStringLiteral("/shared");
    QDir().mkpath(shared);
    const QString taken = shared + QStringLiteral("/korvane-%1").arg(::getuid());
    if (!c.privateFolder)
        QFile(taken).open(QIODevice::WriteOnly);
    const QString blocked = root + QStringLiteral("/not-a-folder");
    QFile(blocked).open(QIODevice::WriteOnly);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("KORVANE_PROGRAM_DIR"), program);
    env.insert(QStringLiteral("TMPDIR"), shared);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), blocked);
    env.insert(QStringLiteral("HOME"), blocked);

    QProcess korvane;
    korvane.setProcessEnvironment(env);
    korvane.start(QStringLiteral(KORVANE_BIN_DIR) + QStringLiteral("/korvane"), {});
    ASSERT_TRUE(korvane.waitForStarted(10000));
    // The box waits for the user; nothing ends the program before it is answered.
    const QStringList windows =
        testsupport::FindVisibleWindows(display, QStringLiteral("^%1$").arg(QLatin1String(c.title)));
    EXPECT_FALSE(windows.isEmpty()) << "no box titled " << c.title;
    EXPECT_FALSE(korvane.waitForFinished(1000)) << "ended before the box was answered";
    // The box is the newest of the windows found (the splash may share its title).
    for (int i = 0; i < 20 && korvane.state() != QProcess::NotRunning && !windows.isEmpty(); ++i) {
        testsupport::XDoTool(display, {QStringLiteral("windowactivate"), QStringLiteral("--sync"), windows.last(),
                                       QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Return")});
        korvane.waitForFinished(1000);
    }
    if (korvane.state() != QProcess::NotRunning) {
        korvane.kill();
        korvane.waitForFinished(10000);
        FAIL() << "the program did not end once its box was answered";
    }
    EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(korvane.exitCode(), 2);
    // Nothing of the program went into the shared folder it was denied a place in (the
    // toolkit makes its own private runtime folder there when the session names none).
    if (!c.privateFolder) {
        QStringList left = QDir(shared).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.removeIf([](const QString& name) { return name.startsWith(QLatin1String("runtime-")); });
        EXPECT_EQ(left, QStringList{QFileInfo(taken).fileName()});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Starts, StartRefused,
    testing::Values(RefusalCase{"NoCatalogue", false, true, "Korvane"},
                    RefusalCase{"NoPrivateTemporaryFolder", true, false, "Error"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
