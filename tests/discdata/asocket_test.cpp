// The socket component: send chunks, names and error texts, the connection's events against a
// peer on loopback, line mode, the blocking line read and the inactivity watchdog.
#include "discdata/asocket/asock_buf.h"
#include "discdata/asocket/line_asocket.h"
#include "discdata/asocket/winsock.h"
#include "discdata/uasocket.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <cerrno>
#include <future>
#include <netdb.h>

using namespace scriptserver;

namespace {

// Resolvers of the test's own: one that knows no name and keeps the names asked, one that
// answers loopback once the test opens its gate.
QStringList g_askedNames;
std::shared_future<void> g_lookupGate;

int UnknownNames(const QString& host, std::vector<uint32_t>&)
{
    g_askedNames << host;
    return 11001;
}

int GatedResolver(const QString&, std::vector<uint32_t>& addresses)
{
    g_lookupGate.wait();
    addresses.push_back(htonl(INADDR_LOOPBACK));
    return 0;
}

} // namespace

namespace {

// What a socket reported, in order.
struct Events {
    QStringList log;
    QList<QByteArray> lines;
    int closed = 0, connected = 0, errors = 0, sent = 0;
    int closeError = -1, connectError = -1;

    void Watch(TCustomASocket* s, bool read = true)
    {
        s->OnSessionConnected = [this](TCustomASocket*, int e) {
            ++connected;
            connectError = e;
            log << QStringLiteral("connected %1").arg(e);
        };
        s->OnSessionClosed = [this](TCustomASocket*, int e) {
            ++closed;
            closeError = e;
            log << QStringLiteral("closed %1").arg(e);
        };
        s->OnError = [this](TCustomASocket* s) {
            ++errors;
            log << QStringLiteral("error %1").arg(s->LastError());
        };
        s->OnDataSent = [this](TCustomASocket*, int) { ++sent; };
        if (read)
            s->OnDataAvailable = [this](TCustomASocket* s, int) { lines << s->ReceiveStr(); };
    }
    QByteArray All() const
    {
        QByteArray all;
        for (const QByteArray& l : lines)
            all += l;
        return all;
    }
};

// A loopback port that refuses connections: bound, never listening, held until the test ends
// so that no other program can take it meanwhile.
class TClosedPort {
public:
    TClosedPort()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~TClosedPort() { ::close(m_fd); }
    TClosedPort(const TClosedPort&) = delete;
    TClosedPort& operator=(const TClosedPort&) = delete;
    int Port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

void Aim(TCustomASocket& s, const TScriptServer& server, const char* host = "127.0.0.1")
{
    s.SetAddr(QString::fromLatin1(host));
    s.SetPort(QString::number(server.Port()));
}

// Watches s (reading every block when read is set), aims it at server and connects, in line
// mode when asked.
void Start(TASocket& s, Events& ev, const TScriptServer& server, bool lineMode = false, bool read = true)
{
    ev.Watch(&s, read);
    s.SetLineMode(lineMode);
    Aim(s, server);
    s.Connect();
}

} // namespace

// ---- send chunks ----

TEST(SendChunkTest, WritesUpToItsSizeAndEmptiesToItsStart)
{
    TBuffer b(0);
    EXPECT_EQ(b.BufSize(), 1514);
    const QByteArray data(2000, 'x');
    EXPECT_EQ(b.Write(data.constData(), 2000), 1514);
    EXPECT_EQ(b.Write("y", 1), 0);
    char out[100];
    EXPECT_EQ(b.Read(out, 100), 100);
    int len = 0;
    EXPECT_NE(b.Peek(len), nullptr);
    EXPECT_EQ(len, 1414);
    EXPECT_EQ(b.Remove(5000), 1414);
    EXPECT_EQ(b.Peek(len), nullptr);
    EXPECT_EQ(len, 0);
    // Emptied, it fills from its start again.
    EXPECT_EQ(b.Write(data.constData(), 2000), 1514);
    EXPECT_EQ(b.Read(out, 0), 0);
}

TEST(SendChunkTest, ResizingKeepsPendingBytes)
{
    TBuffer b(4);
    b.Write("abc", 3);
    b.SetBufSize(10);
    char out[4] = {};
    EXPECT_EQ(b.Read(out, 4), 3);
    EXPECT_STREQ(out, "abc");
}

// ---- names and error texts ----

TEST(WinsockNamesTest, DottedAddresses)
{
    const struct {
        const char* text;
        bool dotted;
    } cases[] = {{" 10.0.0.1 ", true},  {"10.0.0.1", true},   {"255.255.255.255", true}, {"10.0.0", false},
                 {"10.0.0.256", false}, {"10.0.0.1.", false}, {".10.0.0.1", false},      {"1.2.3.4.5", false},
                 {"a.b.c.d", false},    {"", false},          {"1..2.3", false}};
    for (const auto& c : cases)
        EXPECT_EQ(ASocketIsDottedIP(QString::fromLatin1(c.text)), c.dotted) << c.text;
}

TEST(WinsockNamesTest, PortsAndProtocols)
{
    EXPECT_EQ(ASocketResolvePort(QStringLiteral("8880"), QStringLiteral("tcp")), 8880);
    EXPECT_EQ(ASocketResolvePort(QStringLiteral("65535"), QStringLiteral("tcp")), 65535);
    EXPECT_EQ(ASocketResolvePort(QStringLiteral("ftp"), QStringLiteral("tcp")), 21);
    EXPECT_EQ(ASocketResolveProto(QStringLiteral("tcp")), 6);
    EXPECT_EQ(ASocketResolveProto(QStringLiteral("17")), 17);
    const struct {
        const char* port;
        const char* message;
    } bad[] = {
        {"65536", "ASocketResolvePort: Invalid Port."},
        {"4294975176", "ASocketResolvePort: Invalid Port."},
        {"", "ASocketResolvePort: Invalid Port."},
        {"0123456789012345678901234567890123", "ASocketResolvePort: Invalid Port."},
        {"no-such-service", "ASocketResolvePort: Cannot convert port 'no-such-service', Error #11004"}};
    for (const auto& c : bad) {
        try {
            ASocketResolvePort(QString::fromLatin1(c.port), QStringLiteral("tcp"));
            ADD_FAILURE() << c.port;
        } catch (const ESocketException& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
        }
    }
    EXPECT_THROW(ASocketResolveProto(QStringLiteral("no-such-protocol")), ESocketException);
}

TEST(WinsockNamesTest, HostNamesUpTo256Characters)
{
    EXPECT_EQ(ASocketResolveHost(QStringLiteral(" 127.0.0.1 ")), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ASocketResolveHost(QStringLiteral("localhost")), htonl(INADDR_LOOPBACK));
    // The longest name goes to the resolver (the test's own, which knows no name); a longer one
    // is refused before.
    SetASocketResolver(UnknownNames);
    g_askedNames.clear();
    const QString long256 = QString(248, u'a') + QStringLiteral(".invalid");
    try {
        ASocketResolveHost(long256);
        ADD_FAILURE();
    } catch (const ESocketException& e) {
        EXPECT_TRUE(
            e.Message().startsWith(QStringLiteral("ASocketResolveHost: Cannot convert host address")));
    }
    EXPECT_EQ(g_askedNames, QStringList{long256});
    try {
        ASocketResolveHost(long256 + u'x');
        ADD_FAILURE();
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("ASocketResolveHost: '%1' Invalid Hostname.").arg(long256 + u'x'));
    }
    EXPECT_EQ(g_askedNames, QStringList{long256});
    SetASocketResolver(nullptr);
}

TEST(WinsockNamesTest, ErrorNumbersAndTexts)
{
    EXPECT_EQ(WinsockErrorOf(ECONNRESET), 10054);
    EXPECT_EQ(WinsockErrorOf(ECONNREFUSED), 10061);
    EXPECT_EQ(WinsockErrorOf(EAGAIN), 10035);
    EXPECT_EQ(WinsockErrorOf(ENOTCONN), 10057);
    EXPECT_EQ(WinsockErrorOf(EPIPE), 10054);
    EXPECT_EQ(WinsockResolverErrorOf(EAI_NONAME), 11001);
    EXPECT_EQ(WinsockResolverErrorOf(EAI_AGAIN), 11002);
    EXPECT_EQ(ASocketErrorDesc(0), QStringLiteral("No Error"));
    EXPECT_EQ(ASocketErrorDesc(10061), QStringLiteral("Connection refused"));
    EXPECT_EQ(ASocketErrorDesc(11001), QStringLiteral("Host not found"));
    EXPECT_EQ(ASocketErrorDesc(12345), QStringLiteral("Not a WinSock error"));
}

TEST(WinsockNamesTest, LibraryThatCannotLoad)
{
    ASocketUnloadWinsock();
    SetWinsockLoadFailure(126);
    try {
        ASocketResolvePort(QStringLiteral("80"), QString());
        ADD_FAILURE();
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to load wsock32.dll Error #126"));
    }
    SetWinsockLoadFailure(0);
    EXPECT_EQ(ASocketResolvePort(QStringLiteral("80"), QString()), 80);
}

// ---- the connection ----

TEST(ASocketTest, ExchangesDataAndReportsThePeersCloseOnce)
{
    TScriptServer server({ReadBytes(3), Send("hello"), Close()});
    ASSERT_TRUE(server.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, server);
    ASSERT_TRUE(WaitFor([&] { return ev.connected == 1; }));
    EXPECT_EQ(s.State(), wsConnected);
    EXPECT_EQ(s.SendStr(QByteArray("abc")), 3);
    ASSERT_TRUE(WaitFor([&] { return ev.closed == 1; }));
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(ev.All(), QByteArray("hello"));
    EXPECT_EQ(server.Received(), QByteArray("abc"));
    EXPECT_GE(ev.sent, 1);
    EXPECT_EQ(ev.closed, 1);
    EXPECT_EQ(ev.closeError, 0);
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.HSocket(), -1);
    // Address and port are needed again for the next connection.
    s.Connect();
    EXPECT_EQ(ev.errors, 1);
    EXPECT_EQ(s.State(), wsClosed);
}

TEST(ASocketTest, RefusedConnectionEndsTheSessionOnce)
{
    const TClosedPort closedPort;
    TASocket s;
    Events ev;
    ev.Watch(&s);
    s.SetAddr(QStringLiteral("127.0.0.1"));
    s.SetPort(QString::number(closedPort.Port()));
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return ev.closed > 0; }));
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(ev.closed, 1);
    EXPECT_EQ(ev.closeError, 10061);
    EXPECT_EQ(s.LastError(), 10061);
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.HSocket(), -1);
    EXPECT_GE(ev.errors + ev.connected, 1);
}

TEST(ASocketTest, ConnectThatFailsAtOnceEndsTheSessionOnce)
{
    // A local address this machine does not have: the bind before the connect fails at once.
    const TClosedPort closedPort;
    TASocket s;
    Events ev;
    ev.Watch(&s);
    s.SetLocalAddr(QStringLiteral("192.0.2.1"));
    s.SetAddr(QStringLiteral("127.0.0.1"));
    s.SetPort(QString::number(closedPort.Port()));
    s.Connect();
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.HSocket(), -1);
    WaitFor([] { return false; }, 30);
    EXPECT_EQ(ev.log, (QStringList{QStringLiteral("closed 10049"), QStringLiteral("error 10049")}));
}

TEST(ASocketTest, UnresolvableHostIsReportedWithoutBlocking)
{
    TASocket s;
    Events ev;
    ev.Watch(&s);
    s.SetAddr(QStringLiteral("no-such-host.invalid"));
    s.SetPort(QStringLiteral("8880"));
    s.Connect();
    // The lookup runs elsewhere; the call came back at once.
    EXPECT_EQ(s.State(), wsConnecting);
    ASSERT_TRUE(WaitFor([&] { return ev.closed > 0 && ev.errors > 0; }));
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(ev.closed, 1);
    EXPECT_GE(s.LastError(), 11001);
    EXPECT_EQ(s.State(), wsClosed);
}

// A lookup cannot be interrupted: the socket may go while it runs; its thread ends on its own
// state, posts nothing, and is joined.
TEST(ASocketTest, LookupOutlivingItsSocketIsJoinedAndPostsNothing)
{
    std::promise<void> gate;
    g_lookupGate = gate.get_future().share();
    SetASocketResolver(GatedResolver);
    int closed = 0;
    {
        TASocket s;
        s.OnSessionClosed = [&](TCustomASocket*, int) { ++closed; };
        s.SetAddr(QStringLiteral("held.invalid"));
        s.SetPort(QStringLiteral("8880"));
        s.Connect();
        EXPECT_EQ(s.State(), wsConnecting);
        EXPECT_EQ(ASocketRunningLookups(), 1);
    }
    gate.set_value();
    ASocketJoinLookups();
    EXPECT_EQ(ASocketRunningLookups(), 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(closed, 0);
    SetASocketResolver(nullptr);
}

TEST(ASocketTest, UnresolvableHostWithoutErrorHandlerRaisesFromTheLoopNotTheCaller)
{
    TASocket s;
    int closed = 0;
    s.OnSessionClosed = [&](TCustomASocket*, int) { ++closed; };
    s.SetAddr(QStringLiteral("no-such-host.invalid"));
    s.SetPort(QStringLiteral("8880"));
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return closed > 0; }));
    EXPECT_EQ(s.State(), wsClosed);
}

TEST(ASocketTest, ResetByPeerClosesAndReportsOnce)
{
    TScriptServer server({ReadBytes(2), Reset()});
    ASSERT_TRUE(server.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, server);
    ASSERT_TRUE(WaitFor([&] { return ev.connected == 1; }));
    s.SendStr(QByteArray("hi"));
    ASSERT_TRUE(WaitFor([&] { return ev.closed > 0; }));
    // Writing into the reset connection must not report the end a second time.
    s.SendStr(QByteArray("more"));
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(ev.closed, 1);
    EXPECT_EQ(ev.closeError, 10054);
    EXPECT_EQ(s.HSocket(), -1);
}

TEST(ASocketTest, SendBeforeConnectedReportsNotConnected)
{
    TASocket s;
    Events ev;
    ev.Watch(&s);
    EXPECT_EQ(s.SendStr(QByteArray("x")), -1);
    EXPECT_EQ(s.LastError(), 10057);
    EXPECT_EQ(ev.errors, 1);
    TASocket bare;
    EXPECT_THROW(bare.SendStr(QByteArray("x")), ESocketException);
}

TEST(ASocketTest, NoticesOfAnEarlierSessionAreIgnored)
{
    TScriptServer first({Silence()});
    TScriptServer second({Silence()});
    ASSERT_TRUE(first.Ok() && second.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, first);
    ASSERT_TRUE(WaitFor([&] { return ev.connected == 1; }));
    // The data-sent notice of this send is still queued when the session ends.
    s.SendStr(QByteArray("x"));
    s.CloseDelayed();
    s.Close();
    Aim(s, second);
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return ev.connected == 2; }));
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(ev.sent, 0);
    // The delayed close of the first session must not end the second.
    EXPECT_EQ(s.State(), wsConnected);
    EXPECT_EQ(ev.closed, 1);
}

// ---- line mode ----

class LineModeTest : public ::testing::TestWithParam<int> {};

TEST_P(LineModeTest, OneEventPerLineAndTheLastLineAtTheEnd)
{
    TScriptServer server({Send("first\r\nsec", GetParam()), Send("ond\r", GetParam()),
                          Send("\nthird\r\nlast", GetParam()), Close()});
    ASSERT_TRUE(server.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, server, true);
    ASSERT_TRUE(WaitFor([&] { return ev.closed == 1; }));
    EXPECT_EQ(ev.lines, (QList<QByteArray>{"first\r\n", "second\r\n", "third\r\n", "last"}));
}

INSTANTIATE_TEST_SUITE_P(PerWrite, LineModeTest, ::testing::Values(0, 1, 3));

TEST(LineModeLimitsTest, LineWithoutEndIsCappedAndEndsTheConnection)
{
    TScriptServer server({Send(QByteArray(70 * 1024, 'x'))});
    ASSERT_TRUE(server.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, server, true);
    ASSERT_TRUE(WaitFor([&] { return ev.closed == 1; }));
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(ev.closeError, WSAEMSGSIZE);
    EXPECT_EQ(ev.errors, 1);
    EXPECT_TRUE(ev.lines.isEmpty());
    EXPECT_EQ(s.RcvdCnt(), 0);
}

TEST(LineModeLimitsTest, LineNobodyTakesIsDroppedOnce)
{
    TScriptServer server({Send("one\r\ntwo\r\n"), Close()});
    ASSERT_TRUE(server.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, server, true, false);
    // Nothing arrives before the event loop runs.
    int offers = 0;
    s.OnDataAvailable = [&](TCustomASocket*, int) { ++offers; };
    ASSERT_TRUE(WaitFor([&] { return ev.closed == 1; }));
    EXPECT_EQ(offers, 2);
}

TEST(LineModeLimitsTest, SwitchingOnDeliversHeldBytes)
{
    TScriptServer server({Send("a\r\nb\r\n"), Silence()});
    ASSERT_TRUE(server.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, server, true, false);
    QList<QByteArray> got;
    bool first = true;
    // The first block is taken in line mode, which is then switched off and on again with the
    // second line still held.
    s.OnDataAvailable = [&](TCustomASocket* sock, int) {
        got << sock->ReceiveStr();
        if (first) {
            first = false;
            s.SetLineMode(false);
            s.SetLineMode(true);
        }
    };
    ASSERT_TRUE(WaitFor([&] { return got.size() == 2; }));
    EXPECT_EQ(got, (QList<QByteArray>{"a\r\n", "b\r\n"}));
}

// ---- blocking line read ----

TEST(ReadLineTest, LineInPiecesComesWholeAndHalfLineAtTheEndOfTheWait)
{
    TScriptServer server({ReadBytes(1), Send("hello\r\n", 1), ReadBytes(1), Send("half", 1), Silence()});
    ASSERT_TRUE(server.Ok());
    TASocket s;
    Events ev;
    Start(s, ev, server, false, false);
    ASSERT_TRUE(WaitFor([&] { return ev.connected == 1; }));
    s.SendStr(QByteArray("!"));
    QByteArray line;
    s.ReadLine(5, line);
    EXPECT_EQ(line, QByteArray("hello\r\n"));
    // The wait for the next line ends, as its time-out would, once the half line is all here.
    QTimer end;
    end.setInterval(5);
    QObject::connect(&end, &QTimer::timeout, [&] {
        if (s.RcvdCnt() == 4)
            s.Terminate();
    });
    end.start();
    s.SendStr(QByteArray("!"));
    s.ReadLine(-10000, line);
    end.stop();
    EXPECT_EQ(line, QByteArray("half"));
    // Nothing more comes: the time-out ends the wait with an empty line.
    s.ReadLine(-20, line);
    EXPECT_TRUE(line.isEmpty());
    s.Close();
    s.ReadLine(1, line);
    EXPECT_EQ(ev.errors, 1);
    EXPECT_TRUE(line.isEmpty());
}

// ---- the watchdog ----

TEST(WatchdogTest, CountsTicksAndStopsAtTheTimeOut)
{
    TUWait w;
    int timeouts = 0;
    w.OnTimeout = [&](QObject*) { ++timeouts; };
    w.SetInterval(5);
    w.SetTimeout(3);
    w.Start();
    ASSERT_TRUE(WaitFor([&] { return timeouts == 1; }));
    EXPECT_FALSE(w.TimerEnabled());
    EXPECT_EQ(w.GetIdleTime(), 0u);
    // A time-out of 0 stops the timer; started again it never fires.
    w.SetTimeout(0);
    w.Start();
    WaitFor([] { return false; }, 40);
    EXPECT_EQ(timeouts, 1);
    w.Stop();
    w.UWaitTimer();
    w.ReStart();
    EXPECT_EQ(w.Running(), false);
}

TEST(WatchdogTest, SilentPeerEndsTheConnectionWithTimeOut)
{
    TScriptServer server({Silence()});
    ASSERT_TRUE(server.Ok());
    TUASocket s;
    Events ev;
    ev.Watch(&s, false);
    int timeouts = 0;
    s.OnWaitTimeout = [&](QObject*) { ++timeouts; };
    s.Wait()->SetInterval(10);
    s.SetTimeout(5);
    Aim(s, server);
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return ev.closed == 1; }));
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(ev.closeError, WSAETIMEDOUT);
    EXPECT_FALSE(s.Wait()->Running());
    EXPECT_TRUE(WaitFor([&] { return server.PeerClosed(); }));
}
