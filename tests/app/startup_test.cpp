// Start-up: command-line paths, the hand-over payload and the single-instance channel,
// in-process and between two real program processes.
#include "app/splash_dialog.h"
#include "app/startup.h"

#include "document/document_file.h"
#include "document/paper_catalogue.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/file_utils.h"
#include "platform/registry.h"
#include "support/test_support.h"
#include "tests/support/test_papers.h"
#include "tests/support/x_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QtEndian>

#include <functional>
#include <memory>
#include <utility>
#include <csignal>
#include <sys/resource.h>

namespace {

template <class Pred>
bool WaitUntil(Pred pred, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

QByteArray Raw(uint32_t tag, uint32_t length, const QByteArray& body)
{
    QByteArray out(8, '\0');
    qToLittleEndian<uint32_t>(tag, out.data());
    qToLittleEndian<uint32_t>(length, out.data() + 4);
    return out + body;
}

} // namespace

TEST(StartupArguments, RelativePathsBecomeAbsoluteAgainstTheStartFolder)
{
    struct Case { QString arg, expected; } cases[] = {
        {QStringLiteral("a.kvo"), QStringLiteral("/home/u/docs/a.kvo")},
        {QStringLiteral("sub/../b.kvo"), QStringLiteral("/home/u/docs/b.kvo")},
        {QStringLiteral("../c.KVO"), QStringLiteral("/home/u/c.KVO")},
        {QStringLiteral("/abs/d.kvo"), QStringLiteral("/abs/d.kvo")},
        {QStringLiteral("with space.kvo"), QStringLiteral("/home/u/docs/with space.kvo")},
        {QString(), QString()},
    };
    QStringList args{QStringLiteral("/opt/korvane/korvane")};
    QStringList expected;
    for (const Case& c : cases) {
        args << c.arg;
        expected << c.expected;
    }
    // The program name is not an argument; none is dropped and the order stays.
    EXPECT_EQ(AbsoluteArguments(args, QStringLiteral("/home/u/docs")), expected);
    EXPECT_TRUE(AbsoluteArguments({QStringLiteral("korvane")}, QStringLiteral("/x")).isEmpty());
}

TEST(StartupArguments, OnlyExistingKvoFilesAreDocuments)
{
    const QString dir = testsupport::freshDir(QStringLiteral("docargs"));
    Touch(dir + QStringLiteral("/a.kvo"));
    Touch(dir + QStringLiteral("/c.KVO"));
    Touch(dir + QStringLiteral("/b.txt"));
    QDir(dir).mkdir(QStringLiteral("folder.kvo"));
    EXPECT_TRUE(IsDocumentArgument(dir + QStringLiteral("/a.kvo")));
    EXPECT_TRUE(IsDocumentArgument(dir + QStringLiteral("/c.KVO")));
    EXPECT_FALSE(IsDocumentArgument(dir + QStringLiteral("/b.txt")));
    EXPECT_FALSE(IsDocumentArgument(dir + QStringLiteral("/missing.kvo")));
    EXPECT_FALSE(IsDocumentArgument(dir + QStringLiteral("/folder.kvo")));
}

TEST(HandOverPayload, RoundTripAndStreamOfSeveralMessages)
{
    const QString first = QStringLiteral("/tmp/Bücher & Co/a.kvo");
    const QString second = QStringLiteral("/b.kvo");
    QByteArray stream = handover::EncodeDocument(first) + handover::EncodeDocument(second);
    HandOverMessage m;
    // Fed one byte at a time, the decoder waits for whole messages.
    QByteArray buffer;
    QStringList got;
    for (char c : stream) {
        buffer.append(c);
        while (handover::Decode(buffer, m) == handover::Step::Message)
            got << QString::fromUtf8(m.Data);
    }
    EXPECT_EQ(got, (QStringList{first, second}));
    EXPECT_TRUE(buffer.isEmpty());
    EXPECT_EQ(m.dwData, handover::DocumentTag);
}

TEST(HandOverPayload, DamagedMessagesAreRejected)
{
    struct Case { const char* what; QByteArray bytes; handover::Step step; } cases[] = {
        {"wrong tag", Raw(2, 5, "a.kvo"), handover::Step::Bad},
        {"tag zero", Raw(0, 5, "a.kvo"), handover::Step::Bad},
        {"empty path", Raw(1, 0, ""), handover::Step::Bad},
        {"just over the bound", Raw(1, handover::MaxPathBytes + 1, QByteArray(10, 'a')), handover::Step::Bad},
        {"huge length", Raw(1, 0xFFFFFFFFu, "a"), handover::Step::Bad},
        {"NUL inside", Raw(1, 7, QByteArray("a\0b.kvo", 7)), handover::Step::Bad},
        {"invalid UTF-8", Raw(1, 6, "\xff\xfe.kvo"), handover::Step::Bad},
        {"truncated header", QByteArray("\x01\x00\x00", 3), handover::Step::NeedMore},
        {"truncated body", Raw(1, 10, "abc"), handover::Step::NeedMore},
        {"at the bound", Raw(1, handover::MaxPathBytes, QByteArray(handover::MaxPathBytes, 'a')), handover::Step::Message},
    };
    for (Case& c : cases) {
        HandOverMessage m;
        QByteArray buffer = c.bytes;
        EXPECT_EQ(handover::Decode(buffer, m), c.step) << c.what;
        if (c.step != handover::Step::Message) {
            EXPECT_TRUE(m.Data.isEmpty()) << c.what;
        }
    }
    // A path the receiver would refuse is never sent.
    EXPECT_TRUE(handover::EncodeDocument(QString(handover::MaxPathBytes + 1, QLatin1Char('a'))).isEmpty());
    EXPECT_TRUE(handover::EncodeDocument(QString()).isEmpty());
}

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(channel.IsFirstInstance({}));
        ASSERT_TRUE(channel.Listening());
        channel.SetReceiver([this](const HandOverMessage& m) { received << QString::fromUtf8(m.Data); });
    }
    // Sends raw bytes on a fresh connection; true when the receiver dropped the connection.
    bool SendRaw(const QByteArray& bytes)
    {
        QLocalSocket client;
        client.connectToServer(path);
        if (!client.waitForConnected(3000))
            return false;
        client.write(bytes);
        client.flush();
        return WaitUntil([&] { return client.state() == QLocalSocket::UnconnectedState; }, 5000);
    }
    QString path = testsupport::freshDir(QStringLiteral("chan")) + QStringLiteral("/instance");
    TInstanceChannel channel{path};
    QStringList received;
};

TEST_F(InstanceChannelTest, MalformedOrOversizedPayloadIsIgnoredAndTheChannelStaysUsable)
{
    const QByteArray bad[] = {
        Raw(2, 5, "a.kvo"),
        Raw(1, 0x7FFFFFFF, QByteArray(64, 'a')),
        Raw(1, handover::MaxPathBytes + 1, QByteArray(handover::MaxPathBytes + 1, 'a')),
        Raw(1, 7, QByteArray("a\0b.kvo", 7)),
        // A good message after a bad one in the same stream is not trusted either.
        Raw(1, 2, "\xc3\x28") + handover::EncodeDocument(QStringLiteral("/x.kvo")),
    };
    for (const QByteArray& b : bad)
        EXPECT_TRUE(SendRaw(b)) << b.left(16).toHex().constData();
    EXPECT_TRUE(received.isEmpty());

    // Two documents from one sender arrive in order, each answered.
    QLocalSocket client;
    client.connectToServer(path);
    ASSERT_TRUE(client.waitForConnected(3000));
    client.write(handover::EncodeDocument(QStringLiteral("/d/1.kvo")) + handover::EncodeDocument(QStringLiteral("/d/2.kvo")));
    client.flush();
    ASSERT_TRUE(WaitUntil([&] { return client.bytesAvailable() >= 2 && received.size() >= 2; }));
    EXPECT_EQ(client.readAll(), QByteArray(2, handover::Ack));
    EXPECT_EQ(received, (QStringList{QStringLiteral("/d/1.kvo"), QStringLiteral("/d/2.kvo")}));
}

// The receiver may wait for the user (a message box with its own event loop) while senders come
// and go: every hand-over is answered at once, none is handed over inside another, and the one
// whose sender has gone is still delivered.
TEST_F(InstanceChannelTest, ReceiverRunsOneAtATimeOutsideTheSocketHandlers)
{
    int depth = 0, deepest = 0;
    bool connectionsGoneWhileOpen = false;
    QStringList got;
    QByteArray secondAcks;
    QLocalSocket first;
    channel.SetReceiver([&](const HandOverMessage& m) {
        ++depth;
        deepest = std::max(deepest, depth);
        got << QString::fromUtf8(m.Data);
        if (got.size() == 1) {
            first.abort();   // the sender goes away before its document has been opened
            // "The box is open": a second sender hands over two documents and goes.
            QLocalSocket second;
            second.connectToServer(path);
            if (second.waitForConnected(3000)) {
                second.write(handover::EncodeDocument(QStringLiteral("/d/2.kvo")) +
                             handover::EncodeDocument(QStringLiteral("/d/3.kvo")));
                WaitUntil([&] { return second.bytesAvailable() >= 2; }, 5000);
                secondAcks = second.readAll();
                second.abort();
            }
            // Time passes with the box open (an event loop of its own); the connections are
            // gone meanwhile.
            QEventLoop box;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &box, [&] {
                if (channel.ConnectionCount() == 0)
                    box.quit();
            });
            poll.start(10);
            QTimer::singleShot(5000, &box, &QEventLoop::quit);
            box.exec();
            connectionsGoneWhileOpen = channel.ConnectionCount() == 0;
        }
        --depth;
    });
    first.connectToServer(path);
    ASSERT_TRUE(first.waitForConnected(3000));
    first.write(handover::EncodeDocument(QStringLiteral("/d/1.kvo")));
    ASSERT_TRUE(WaitUntil([&] { return got.size() == 3; }));
    EXPECT_EQ(got, (QStringList{QStringLiteral("/d/1.kvo"), QStringLiteral("/d/2.kvo"), QStringLiteral("/d/3.kvo")}));
    EXPECT_EQ(secondAcks, QByteArray(2, handover::Ack));
    EXPECT_EQ(deepest, 1);
    EXPECT_TRUE(connectionsGoneWhileOpen);
    EXPECT_EQ(channel.QueuedCount(), 0);
}

TEST_F(InstanceChannelTest, HoldsOnlySoManyConnectionsAndTakesTheRestLater)
{
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < TInstanceChannel::MaxConnections + 4; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(path);
        ASSERT_TRUE(idle.back()->waitForConnected(3000));
    }
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitUntil([&] { return channel.ConnectionCount() == TInstanceChannel::MaxConnections; }));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(channel.ConnectionCount(), TInstanceChannel::MaxConnections);
    // The held ones go; those waiting in the backlog are served, in turn.
    QLocalSocket& late = *idle.back();
    late.write(handover::EncodeDocument(QStringLiteral("/late.kvo")));
    late.flush();
    for (int i = 0; i < TInstanceChannel::MaxConnections; ++i)
        idle[size_t(i)]->abort();
    ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received, QStringList{QStringLiteral("/late.kvo")});
    EXPECT_LE(channel.ConnectionCount(), TInstanceChannel::MaxConnections);
}

// Out of descriptors, accept() fails: the server keeps listening and serves the waiting senders
// once descriptors are free again. In a child process, as the limit is process-wide.
TEST(InstanceChannelDeathTest, KeepsListeningWhenAcceptFails)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString path = testsupport::freshDir(QStringLiteral("chan-nofile")) + QStringLiteral("/instance");
    EXPECT_EXIT(
        {
            TInstanceChannel channel(path);
            if (!channel.IsFirstInstance({}))
                std::_Exit(10);
            QStringList got;
            channel.SetReceiver([&](const HandOverMessage& m) { got << QString::fromUtf8(m.Data); });
            // Senders that are in the backlog before the limit bites.
            std::vector<std::unique_ptr<QLocalSocket>> senders;
            for (int i = 0; i < 3; ++i) {
                senders.push_back(std::make_unique<QLocalSocket>());
                senders.back()->connectToServer(path);
                if (!senders.back()->waitForConnected(3000))
                    std::_Exit(11);
                senders.back()->write(handover::EncodeDocument(QStringLiteral("/doc%1.kvo").arg(i)));
                senders.back()->flush();
            }
            // No descriptor left for the server to accept with.
            struct rlimit saved;
            struct rlimit none;
            ::getrlimit(RLIMIT_NOFILE, &saved);
            none = saved;
            none.rlim_cur = 0;
            ::setrlimit(RLIMIT_NOFILE, &none);
            for (int i = 0; i < 30; ++i)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            const int acceptedWhileLimited = channel.ConnectionCount();
            ::setrlimit(RLIMIT_NOFILE, &saved);
            if (!channel.Listening() || acceptedWhileLimited != 0)
                std::_Exit(12);
            if (!WaitUntil([&] { return got.size() == 3; }))
                std::_Exit(13);
            // And a later start is still a second instance.
            TInstanceChannel later(path);
            std::_Exit(later.IsFirstInstance({}) ? 14 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(InstanceChannel, StaleSocketFileDoesNotBlockTheFirstInstance)
{
    const QString path = testsupport::freshDir(QStringLiteral("stale")) + QStringLiteral("/instance");
    {
        // A listener that went away without cleaning up leaves its socket file behind.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TInstanceChannel channel(path);
    EXPECT_TRUE(channel.IsFirstInstance({}));
    EXPECT_TRUE(channel.Listening());
    TInstanceChannel second(path);
    EXPECT_FALSE(second.IsFirstInstance({}));
}

// A program folder of our own with a one-paper catalogue, and the environment to run it in.
struct ProgramUnderTest {
    QString exe = QStringLiteral(KORVANE_BIN_DIR) + QStringLiteral("/korvane");
    QString program;
    QProcessEnvironment env;

    explicit ProgramUnderTest(const QString& name)
    {
        program = testsupport::freshDir(name);
        QDir(program).mkdir(QStringLiteral("Paper"));
        const PaperType paper = testpaper::WithCatalogueTexts(
            testpaper::Discs(NameGUID("startup-test"), QStringLiteral("Test CD"), 1170, {{1, 465, 175}}));
        WriteFileAtomic(program + QStringLiteral("/Paper/test.def"), WritePaperDefinitionData({&paper}));
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KORVANE_PROGRAM_DIR"), program);
        // No new-document dialog at start: the first instance opens a blank document instead.
        TRegIniFile reg(ProductKey());
        reg.WriteBool(BasicInfo(), QStringLiteral("Startup"), false);
        reg.DeleteKey(BasicInfo(), QStringLiteral("App Name"));
        reg.EraseSection(QStringLiteral("History File List"));
    }
    // Starts the first instance; true once it has shown its main window, which stores its title.
    bool StartFirst(QProcess& first)
    {
        first.setProcessEnvironment(env);
        first.setProcessChannelMode(QProcess::ForwardedChannels);
        first.start(exe, {});
        if (!first.waitForStarted())
            return false;
        return WaitUntil([] {
            return !TRegIniFile(ProductKey()).ReadString(BasicInfo(), QStringLiteral("App Name"), QString()).isEmpty();
        }, 30000);
    }
    // A later start with these arguments: its exit code once it has ended within ms, else -1.
    int Run(const QStringList& arguments, const QString& folder = QString(), int ms = 60000)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        if (!folder.isEmpty())
            p.setWorkingDirectory(folder);
        p.start(exe, arguments);
        if (!p.waitForFinished(ms)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

// An empty document on the test paper, or on the paper named.
void WriteEmptyDocument(const QString& path, const char* paper = "startup-test")
{
    DocumentHeader header;
    header.HalfHeight = 190;
    header.PaperID = NameGUID(paper);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header.Encode());
}

QStringList RecentFiles()
{
    TRegIniFile reg(ProductKey());
    QStringList out;
    for (int i = 0; i < 20; ++i)
        out << reg.ReadString(QStringLiteral("History File List"), QStringLiteral("F%1").arg(i), QString());
    out.removeAll(QString());
    return out;
}

// Two real program processes: the second hands its documents to the first and ends.
TEST(SingleInstance, SecondProcessHandsItsDocumentsToTheFirst)
{
    ProgramUnderTest korvane(QStringLiteral("program"));
    ASSERT_TRUE(QFileInfo(korvane.exe).isExecutable()) << korvane.exe.toStdString();
    const QString docs = testsupport::freshDir(QStringLiteral("handover-docs"));
    Touch(docs + QStringLiteral("/b.txt"));
    for (const char* name : {"a.kvo", "c.KVO"})
        WriteEmptyDocument(docs + QLatin1Char('/') + QLatin1String(name));

    QProcess first;
    ASSERT_TRUE(korvane.StartFirst(first));
    // A write past a file-size limit must fail like a full disk, not end the program.
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(first.processId()));
        ASSERT_TRUE(status.open(QIODevice::ReadOnly));
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf("SigIgn:");
        ASSERT_GE(at, 0);
        const quint64 ignored = text.mid(at + 7, text.indexOf('\n', at) - at - 7).trimmed().toULongLong(nullptr, 16);
        EXPECT_TRUE(ignored & (quint64(1) << (SIGXFSZ - 1)));
    }

    // Relative names, resolved against the second instance's own start folder.
    EXPECT_EQ(korvane.Run({QStringLiteral("a.kvo"), QStringLiteral("b.txt"), QStringLiteral("c.KVO")}, docs), 1);
    // Nothing to hand over: ends at once all the same.
    EXPECT_EQ(korvane.Run({}), 1);
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    // The handed-over documents were opened in argument order; the text file was not.
    EXPECT_EQ(RecentFiles(), (QStringList{docs + QStringLiteral("/c.KVO"), docs + QStringLiteral("/a.kvo")}));
    // The channel's socket went with the first instance.
    EXPECT_FALSE(QFileInfo::exists(TInstanceChannel::DefaultServerPath()));
}

// A handed-over damaged document shows its message in the running instance; the box stays open
// past the time after which an idle connection is dropped (shortened here), and a burst of
// damaged documents arrives meanwhile. Every sender is answered without waiting for the box, the
// boxes come one after the other, and the instance ends normally with the good document opened.
TEST(SingleInstance, MessageBoxOfAHandedOverDocumentOutlivesTheConnection)
{
    ProgramUnderTest korvane(QStringLiteral("program-boxes"));
    korvane.env.insert(QStringLiteral("KORVANE_IDLE_CONNECTION_MS"), QStringLiteral("2000"));
    const QString docs = testsupport::freshDir(QStringLiteral("handover-damaged"));
    QStringList burst{docs + QStringLiteral("/good.kvo")};
    WriteEmptyDocument(burst.front());
    for (int i = 0; i < 100; ++i) {
        const QString path = docs + QStringLiteral("/bad%1.kvo").arg(i);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("KVX_2") + QByteArray(43 + i, char(i)));
        burst << path;
    }

    QProcess first;
    ASSERT_TRUE(korvane.StartFirst(first));
    EXPECT_EQ(korvane.Run({burst.at(1)}), 1);   // its box opens in the first instance
    // Past the idle time of a connection, with the box still open: a peer that connects and
    // says nothing is dropped.
    QLocalSocket stalled;
    stalled.connectToServer(TInstanceChannel::DefaultServerPath());
    ASSERT_TRUE(stalled.waitForConnected(10000));
    EXPECT_TRUE(stalled.waitForDisconnected(30000));
    EXPECT_EQ(first.state(), QProcess::Running);
    // Answered while the box is open: a sender that had to wait for it would time out here.
    EXPECT_EQ(korvane.Run(burst, QString(), 20000), 1);

    // Ending the session closes the boxes one by one, then the window.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(RecentFiles(), QStringList{burst.front()});
}

// Two displays of one user are two sessions: a start on the second runs there instead of
// handing over to the program on the first and ending unseen, and a start on the first still
// finds the program there. Both share the user's temporary folder, as any two starts do.
TEST(SingleInstance, EachDisplayRunsAProgramOfItsOwn)
{
    testsupport::XSession firstSession, secondSession;
    const QString one = firstSession.Start();
    const QString two = one.isEmpty() ? QString() : secondSession.Start();
    if (two.isEmpty())
        GTEST_SKIP() << "no Xvfb, openbox and xdotool to run under";
    ProgramUnderTest korvane(QStringLiteral("program-displays"));
    const auto start = [&](QProcess& p, const QString& display) {
        QProcessEnvironment env = korvane.env;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(korvane.exe, {});
        return p.waitForStarted(10000);
    };
    QProcess first, second;
    ASSERT_TRUE(start(first, one));
    ASSERT_FALSE(testsupport::FindVisibleWindows(one, QStringLiteral("^Korvane")).isEmpty());
    ASSERT_TRUE(start(second, two));
    // Its window shows on its own display, and it does not end meanwhile.
    bool shown = false;
    for (int i = 0; i < 150 && !shown && second.state() != QProcess::NotRunning; ++i) {
        shown = !testsupport::XDoTool(two, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--name"), QStringLiteral("^Korvane")})
                     .trimmed()
                     .isEmpty();
        if (!shown)
            second.waitForFinished(200);
    }
    ASSERT_EQ(second.state(), QProcess::Running) << "ended with " << second.exitCode();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(second.waitForFinished(1000)) << "ended with " << second.exitCode();

    QProcess later;
    ASSERT_TRUE(start(later, one));
    ASSERT_TRUE(later.waitForFinished(60000));
    EXPECT_EQ(later.exitCode(), 1);

    for (QProcess* p : {&first, &second}) {
        p->terminate();
        ASSERT_TRUE(p->waitForFinished(30000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
    }
}

// Closing the splash early, however and whenever, shows the main window at once: the timer that
// would have shown it is gone with the splash.
TEST(Splash, ClosedEarlyShowsTheMainWindowAtOnce)
{
    struct Case { const char* what; bool escape; bool formFirst; } cases[] = {
        {"Escape, main window already made", true, true},
        {"Escape while the main window is still being made", true, false},
        {"window manager close, main window already made", false, true},
        {"window manager close while the main window is still being made", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget main;
        QPointer<TSplashDialog> splash = new TSplashDialog();
        splash->show();
        if (c.formFirst)
            splash->SetMainForm(&main);
        if (c.escape) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(splash, &press);
        } else {
            splash->close();
        }
        // The start-up hands the main window over only when the splash is still there.
        if (!c.formFirst && splash)
            splash->SetMainForm(&main);
        EXPECT_TRUE(main.isVisible());
        if (splash) {
            EXPECT_FALSE(splash->isVisible());
            EXPECT_FALSE(splash->SplashTimer->isActive());
        }
        delete splash.data();
    }
    // Left alone, the splash shows the main window at its tick and not before.
    QWidget main;
    QPointer<TSplashDialog> splash = new TSplashDialog();
    splash->show();
    splash->SetMainForm(&main);
    EXPECT_FALSE(main.isVisible());
    splash->SplashTimerTimer();
    EXPECT_TRUE(main.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

namespace startup_test {

// The client windows on display from bottom to top, as the window manager stacks them, each with
// its window type ("NORMAL", "DIALOG", "SPLASH", ...).
struct StackedWindow {
    QString id, type;
};
QList<StackedWindow> StackedWindows(const QString& display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    const auto xprop = [&](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xprop"), args);
        return p.waitForFinished(10000) ? QString::fromLatin1(p.readAllStandardOutput()) : QString();
    };
    QList<StackedWindow> out;
    const QString list = xprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    const qsizetype hash = list.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return out;
    for (QString id : list.mid(hash + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        id = id.trimmed();
        const QString type = xprop({QStringLiteral("-id"), id, QStringLiteral("_NET_WM_WINDOW_TYPE")});
        const qsizetype at = type.indexOf(QStringLiteral("_NET_WM_WINDOW_TYPE_"));
        out.append({id, at < 0 ? QString() : type.mid(at + 20).section(QLatin1Char(','), 0, 0).trimmed()});
    }
    return out;
}

} // namespace startup_test

// A document opened from the command line whose paper is not in the catalogue asks about its
// paper while the program starts. The question, and the paper dialog after it, must come above
// the splash window, which stays on top, so that the user can see and answer them.
TEST(Splash, MessagesShownWhileStartingComeAboveIt)
{
    testsupport::XSession session;
    const QString display = session.Start();
    if (display.isEmpty())
        GTEST_SKIP() << "no Xvfb, openbox and xdotool to run under";
    if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        GTEST_SKIP() << "no xprop";
    ProgramUnderTest korvane(QStringLiteral("program-splash"));
    const QString docs = testsupport::freshDir(QStringLiteral("splash-docs"));
    const QString document = docs + QStringLiteral("/strange paper.kvo");
    WriteEmptyDocument(document, "not-in-the-catalogue");
    QProcessEnvironment env = korvane.env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(korvane.exe, {document});
    ASSERT_TRUE(program.waitForStarted(10000));

    // Waits for a dialog on top of every window; the splash, if still there, below it.
    const auto dialogOnTop = [&] {
        QList<startup_test::StackedWindow> windows;
        const bool found = WaitUntil(
            [&] {
                windows = startup_test::StackedWindows(display);
                return !windows.isEmpty() && windows.back().type == QStringLiteral("DIALOG");
            },
            30000);
        QStringList seen;
        for (const auto& w : windows)
            seen << w.id + QLatin1Char(' ') + w.type;
        return found ? testing::AssertionSuccess()
                     : testing::AssertionFailure() << seen.join(QStringLiteral(", ")).toStdString();
    };
    // The unknown-paper question, answered with Enter.
    ASSERT_TRUE(dialogOnTop());
    testsupport::XDoTool(display, {QStringLiteral("key"), QStringLiteral("Return")});
    // Then the paper dialog, left with Escape.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto windows = startup_test::StackedWindows(display);
            return windows.size() >= 1 && windows.back().type == QStringLiteral("DIALOG");
        },
        30000));
    EXPECT_TRUE(dialogOnTop());
    testsupport::XDoTool(display, {QStringLiteral("key"), QStringLiteral("Escape")});
    // The main window follows, and the splash is gone.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto windows = startup_test::StackedWindows(display);
            return windows.size() == 1 && windows.front().type == QStringLiteral("NORMAL");
        },
        30000));
    // The document's paper changed, so a regular end would ask about saving it.
    program.kill();
    program.waitForFinished(30000);
}

namespace startup_test {

// A main window that opens a window of its own when it is first shown, as the main window does
// with a message about a document named on the command line.
class WindowOpeningOnShow : public QWidget {
public:
    std::function<void()> OnShow;

protected:
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        if (auto f = std::exchange(OnShow, nullptr))
            f();
    }
};

} // namespace startup_test

// A modal window opened while the program starts, whether the main window is being made or is
// being shown at the splash's tick, finds the splash gone and, once answered, the main window
// shown and the splash freed. A window that is not modal leaves the splash as it is.
TEST(Splash, GoesOutOfTheWayOfAModalWindowWhileStarting)
{
    struct Case {
        const char* what;
        bool modal;
        bool whileMaking;
    } cases[] = {
        {"modal, main window shown at the tick", true, false},
        {"modal, main window still being made", true, true},
        {"not modal", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        startup_test::WindowOpeningOnShow main;
        QPointer<TSplashDialog> splash = new TSplashDialog();
        splash->show();
        bool splashShownUnderIt = true;
        bool mainShownUnderIt = true;
        std::unique_ptr<QDialog> nonModal;
        const auto open = [&] {
            if (!c.modal) {
                nonModal = std::make_unique<QDialog>();
                nonModal->show();
                splashShownUnderIt = splash && splash->isVisible();
                return;
            }
            QDialog box;
            QTimer::singleShot(0, &box, [&] {
                splashShownUnderIt = splash && splash->isVisible();
                mainShownUnderIt = main.isVisible();
                box.accept();
            });
            box.exec();
        };
        if (c.whileMaking) {
            open();
            ASSERT_TRUE(splash);
            splash->SetMainForm(&main);
            // Shown at once: no timer left to wait for.
            EXPECT_TRUE(main.isVisible());
        } else {
            main.OnShow = open;
            splash->SetMainForm(&main);
            splash->SplashTimerTimer();
            EXPECT_TRUE(main.isVisible());
        }
        EXPECT_EQ(splashShownUnderIt, !c.modal);
        if (c.whileMaking) {
            EXPECT_FALSE(mainShownUnderIt);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(splash.isNull());
        delete splash.data();
    }
}
