// The main window's docking bars under a real window manager, driven with the mouse: the paint
// tools go from the left dock to the right one and on to floating, the graphics library floats
// and is made wider, and at the next start both are where they were left.
// The program runs on an X server of its own with openbox; without them the test is skipped.
#include "document/paper_catalogue.h"
#include "document/std.h"
#include "platform/bitmap.h"
#include "platform/file_utils.h"
#include "platform/registry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"
#include "tests/support/x_session.h"

#include <QDir>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <memory>

namespace {

QString DockedTo(const QString& bar)
{
    TRegIniFile reg(ProductKey() + QStringLiteral("Toolbars"));
    return reg.ReadString(bar, QStringLiteral("DockedTo"), QString());
}

class DockingBars : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = session.Start();
        if (display.isEmpty())
            GTEST_SKIP() << "no Xvfb, openbox and xdotool to run under";
        program = testsupport::freshDir(QStringLiteral("docking-program"));
        QDir(program).mkdir(QStringLiteral("Paper"));
        QDir(program).mkdir(QStringLiteral("BackGrnd"));
        const PaperType paper =
            testpaper::Discs(NameGUID("docking-test"), QStringLiteral("Disc"), 1170, {{1, 465, 175}});
        ASSERT_TRUE(
            WriteFileAtomic(program + QStringLiteral("/Paper/test.def"), WritePaperDefinitionData({&paper})));
        // A picture, so the graphics library shows.
        TBitmap picture(40, 30);
        picture.SaveToFile(program + QStringLiteral("/BackGrnd/tile.bmp"));
        TRegIniFile reg(ProductKey());
        reg.WriteBool(BasicInfo(), QStringLiteral("Startup"), false);
        reg.WriteInteger(BasicInfo(), QStringLiteral("WindowState"), 0);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Left"), 100);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Top"), 100);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Width"), 800);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Height"), 600);
    }
    void TearDown() override { Stop(); }

    QByteArray X(const QStringList& args) { return testsupport::XDoTool(display, args); }

    // The window's place and size as xdotool gives them; empty when there is no such window.
    QRect Geometry(const QString& window)
    {
        const QByteArray out = X({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
        int x = 0, y = 0, w = 0, h = 0;
        for (const QByteArray& line : out.split('\n')) {
            const QList<QByteArray> kv = line.split('=');
            if (kv.size() != 2)
                continue;
            const int v = kv[1].toInt();
            if (kv[0] == "X")
                x = v;
            if (kv[0] == "Y")
                y = v;
            if (kv[0] == "WIDTH")
                w = v;
            if (kv[0] == "HEIGHT")
                h = v;
        }
        return w > 0 ? QRect(x, y, w, h) : QRect();
    }

    // The program's windows the server shows (mapped and viewable).
    QStringList Shown()
    {
        if (!korvane)
            return {};
        const QByteArray out = X({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--pid"), QString::number(korvane->processId())});
        return QString::fromLatin1(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Waits until the program shows a window of this title, or none of it; true when it came to be.
    bool WaitForShown(const QString& pattern, bool shown)
    {
        const QRegularExpression title(pattern);
        return QTest::qWaitFor(
            [&] {
                bool found = false;
                for (const QString& w : Shown())
                    found =
                        found ||
                        title.match(QString::fromUtf8(X({QStringLiteral("getwindowname"), w}))).hasMatch();
                return found == shown;
            },
            20000);
    }

    // Waits until the window of this title shows and keeps its place; its geometry.
    QRect Steady(const QString& title)
    {
        const QStringList found = testsupport::FindVisibleWindows(display, title);
        if (found.isEmpty())
            return QRect();
        QRect last;
        int same = 0;
        (void)QTest::qWaitFor(
            [&] {
                const QRect now = Geometry(found.last());
                same = now.isValid() && now == last ? same + 1 : 0;
                last = now;
                return same >= 3;
            },
            15000);
        return last;
    }

    void Start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("KORVANE_PROGRAM_DIR"), program);
        korvane = std::make_unique<QProcess>();
        korvane->setProcessEnvironment(env);
        korvane->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        korvane->start(QStringLiteral(KORVANE_BIN_DIR) + QStringLiteral("/korvane"), {});
        ASSERT_TRUE(korvane->waitForStarted(10000));
        main = Steady(QStringLiteral("^Korvane"));
        ASSERT_TRUE(main.isValid()) << "the main window never showed";
    }

    // Closes the program as the session would; it saves its settings on the way.
    void Stop()
    {
        if (!korvane || korvane->state() == QProcess::NotRunning)
            return;
        korvane->terminate();
        EXPECT_TRUE(korvane->waitForFinished(30000));
        EXPECT_EQ(korvane->exitCode(), 0);
        korvane.reset();
    }

    // Presses at from, moves to to in steps, and lets go; waits until the program's drag loop
    // showed its outline and ended, having done what the drag asked for.
    void Drag(QPoint from, QPoint to)
    {
        auto n = [](int v) { return QString::number(v); };
        X({QStringLiteral("mousemove"), QStringLiteral("--sync"), n(from.x()), n(from.y())});
        const QStringList before = Shown();
        X({QStringLiteral("mousedown"), QStringLiteral("1")});
        QStringList outline;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (const QString& w : Shown())
                    if (!before.contains(w))
                        outline << w;
                return !outline.isEmpty();
            },
            20000))
            << "no drag began at " << from.x() << "," << from.y();
        for (int i = 1; i <= 8; ++i) {
            const QPoint p = from + (to - from) * i / 8;
            X({QStringLiteral("mousemove"), QStringLiteral("--sync"), n(p.x()), n(p.y())});
        }
        X({QStringLiteral("mouseup"), QStringLiteral("1")});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const QStringList now = Shown();
                return std::none_of(outline.begin(), outline.end(),
                                    [&](const QString& w) { return now.contains(w); });
            },
            20000))
            << "the drag never ended";
    }

    testsupport::XSession session;
    QString display, program;
    std::unique_ptr<QProcess> korvane;
    QRect main;
};

} // namespace

TEST_F(DockingBars, DraggedAndSizedBarsComeBackWhereTheyWereLeft)
{
    // The paint tools fill the left dock from the top to the bottom: its lower part is free of
    // buttons. The right dock holds the graphics library.
    Start();
    Drag(QPoint(main.left() + 12, main.bottom() - 60), QPoint(main.right() - 20, main.center().y()));
    Stop();
    EXPECT_EQ(DockedTo(QStringLiteral("PaintToolBar")), QStringLiteral("RDock"));

    // Next start: still on the right, from where it floats; then the library floats (by its
    // handle under the standard bar) and is made wider.
    Start();
    Drag(QPoint(main.right() - 14, main.bottom() - 60), QPoint(main.center().x(), main.center().y() + 100));
    const QRect tools = Steady(QStringLiteral("^Paint Tool"));
    ASSERT_TRUE(tools.isValid()) << "the paint tools did not float";
    Drag(QPoint(main.right() - 40, main.top() + 47), QPoint(main.left() + 150, main.top() + 120));
    const QRect library = Steady(QStringLiteral("^Graphics Library"));
    ASSERT_TRUE(library.isValid()) << "the graphics library did not float";
    Drag(QPoint(library.right() - 1, library.center().y()),
         QPoint(library.right() + 120, library.center().y()));
    const QRect wider = Steady(QStringLiteral("^Graphics Library"));
    EXPECT_GT(wider.width(), library.width() + 100);
    EXPECT_EQ(wider.topLeft(), library.topLeft());
    Stop();
    EXPECT_EQ(DockedTo(QStringLiteral("PaintToolBar")), QStringLiteral("+"));
    EXPECT_EQ(DockedTo(QStringLiteral("GraphicsLibraryBar")), QStringLiteral("+"));

    // And at the start after that, both float where they were, the library as wide as it was made.
    Start();
    EXPECT_EQ(Steady(QStringLiteral("^Paint Tool")), tools);
    EXPECT_EQ(Steady(QStringLiteral("^Graphics Library")), wider);
    Stop();
}

TEST_F(DockingBars, MainWindowComesBackFromMinimisedWhileABarFloats)
{
    // The paint tools float; the main window is minimised and asked back, as the window list or
    // a pager does. It comes back with the tools beside it, and stays.
    {
        TRegIniFile reg(ProductKey() + QStringLiteral("Toolbars"));
        reg.WriteInteger(QStringLiteral("PaintToolBar"), QStringLiteral("Rev"), 3);
        reg.WriteString(QStringLiteral("PaintToolBar"), QStringLiteral("DockedTo"), QStringLiteral("+"));
        reg.WriteInteger(QStringLiteral("PaintToolBar"), QStringLiteral("FloatLeft"), 300);
        reg.WriteInteger(QStringLiteral("PaintToolBar"), QStringLiteral("FloatTop"), 300);
    }
    Start();
    ASSERT_TRUE(Steady(QStringLiteral("^Paint Tool")).isValid()) << "the paint tools do not float";
    const QString window = testsupport::FindVisibleWindows(display, QStringLiteral("^Korvane")).last();
    for (int round = 0; round < 2; ++round) {
        X({QStringLiteral("windowminimize"), QStringLiteral("--sync"), window});
        ASSERT_TRUE(WaitForShown(QStringLiteral("^Paint Tool"), false)) << "the tools stay while minimised";
        X({QStringLiteral("windowactivate"), window});
        // Shown minimised, the tools would take their whole group back to the task bar.
        ASSERT_TRUE(WaitForShown(QStringLiteral("^Paint Tool"), true)) << "the tools never came back";
        EXPECT_TRUE(Shown().contains(window)) << "the main window did not stay restored";
    }
    Stop();
}

TEST_F(DockingBars, AWideLibraryDockedOnTheRightLetsTheWindowComeBackNarrow)
{
    // The library was made wide while floating and docked again; the window was left narrow.
    {
        TRegIniFile reg(ProductKey() + QStringLiteral("Toolbars"));
        reg.WriteInteger(QStringLiteral("GraphicsLibraryBar"), QStringLiteral("Rev"), 3);
        reg.WriteString(QStringLiteral("GraphicsLibraryBar"), QStringLiteral("DockedTo"),
                        QStringLiteral("RDock"));
        reg.WriteInteger(QStringLiteral("GraphicsLibraryBar"), QStringLiteral("ClientWidth"), 823);
        reg.WriteInteger(QStringLiteral("GraphicsLibraryBar"), QStringLiteral("ClientHeight"), 346);
        TRegIniFile basic(ProductKey());
        basic.WriteInteger(BasicInfo(), QStringLiteral("Width"), 320);
        basic.WriteInteger(BasicInfo(), QStringLiteral("Height"), 400);
    }
    Start();
    EXPECT_EQ(main.width(), 320) << "the docked library held the window wider";
    // Widened, the window gives the library its share again.
    const QString window = testsupport::FindVisibleWindows(display, QStringLiteral("^Korvane")).last();
    X({QStringLiteral("windowsize"), QStringLiteral("--sync"), window, QStringLiteral("1000"),
       QStringLiteral("400")});
    EXPECT_EQ(Steady(QStringLiteral("^Korvane")).width(), 1000);
    X({QStringLiteral("windowsize"), QStringLiteral("--sync"), window, QStringLiteral("300"),
       QStringLiteral("400")});
    EXPECT_EQ(Steady(QStringLiteral("^Korvane")).width(), 300) << "the window could not be made narrow again";
    Stop();
}
