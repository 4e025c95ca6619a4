// The SOCKS layer: requests byte for byte and the odd replies against a scripted proxy, and
// real negotiations (SOCKS 5 with and without user name and password, SOCKS 4) through Dante.
#include "discdata/asocket/line_asocket.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace scriptserver;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

QByteArray Port(int port)
{
    return Bytes({port >> 8, port & 0xFF});
}

// A line-mode client through a proxy, with everything it reports.
struct SocksClient {
    TASocket s;
    QList<int> connected, socksErrors, closed;
    QStringList messages;
    QList<TSocksAuthState> auth;
    QList<QByteArray> lines;

    SocksClient(int proxyPort, const QString& level, const QString& host = QStringLiteral("cddb.example"),
                int port = 8880)
    {
        s.SetSocksServer(QStringLiteral(" 127.0.0.1 "));
        s.SetSocksPort(QString::number(proxyPort));
        s.SetSocksLevel(level);
        s.SetAddr(host);
        s.SetPort(QString::number(port));
        s.SetLineMode(true);
        s.OnSessionConnected = [this](TCustomASocket*, int e) { connected << e; };
        s.OnSessionClosed = [this](TCustomASocket*, int e) { closed << e; };
        s.OnSocksError = [this](TCustomASocket*, int e, const QString& m) {
            socksErrors << e;
            messages << m;
        };
        s.OnSocksAuthState = [this](TCustomASocket*, TSocksAuthState a) { auth << a; };
        s.OnDataAvailable = [this](TCustomASocket* sock, int) { lines << sock->ReceiveStr(); };
    }
};

const QByteArray kMethodsNone = Bytes({5, 1, 0});
const QByteArray kMethodsUser = Bytes({5, 1, 2});
QByteArray Socks5Connect(const QByteArray& host, int port)
{
    return Bytes({5, 1, 0, 3, int(host.size())}) + host + Port(port);
}
const QByteArray kGranted5 = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x22, 0xB0});

} // namespace

TEST(SocksLevelTest, LevelsAndSettingsThatSurviveAClose)
{
    TASocket s;
    s.SetSocksLevel(QStringLiteral("4a"));
    EXPECT_EQ(s.SocksLevel(), QStringLiteral("4A"));
    EXPECT_THROW(s.SetSocksLevel(QStringLiteral("6")), ESocketException);
    s.SetSocksServer(QStringLiteral(" proxy "));
    EXPECT_EQ(s.SocksServer(), QStringLiteral("proxy"));
    s.SetSocksUsercode(QStringLiteral("me"));
    s.Close();
    EXPECT_EQ(s.SocksServer(), QStringLiteral("proxy"));
    EXPECT_EQ(s.SocksLevel(), QStringLiteral("4A"));
    EXPECT_EQ(s.SocksUsercode(), QStringLiteral("me"));
}

TEST(SocksLevelTest, NamesLongerThan255BytesAreRefused)
{
    const QString longName(256, u'n');
    {
        SocksClient c(1080, QStringLiteral("5"), longName);
        int errors = 0;
        c.s.OnError = [&](TCustomASocket*) { ++errors; };
        c.s.Connect();
        EXPECT_EQ(errors, 1);
        EXPECT_EQ(c.s.State(), wsClosed);
    }
    {
        SocksClient c(1080, QStringLiteral("5"));
        c.s.SocksAuthentication = socksAuthenticateUsercode;
        c.s.SetSocksUsercode(QStringLiteral("u"));
        c.s.SetSocksPassword(longName);
        EXPECT_THROW(c.s.Connect(), ESocketException);
        EXPECT_EQ(c.s.State(), wsClosed);
        c.s.SetSocksPassword(QStringLiteral("p"));
        c.s.SetSocksUsercode(longName);
        EXPECT_THROW(c.s.Connect(), ESocketException);
    }
}

TEST(SocksScriptedTest, Socks4AGrantedThenLinesFollowTheReply)
{
    const QByteArray request =
        Bytes({4, 1}) + Port(8880) + Bytes({0, 0, 0, 1}) + "kv" + Bytes({0}) + "cddb.example" + Bytes({0});
    TScriptServer proxy({ReadBytes(int(request.size())),
                         Send(Bytes({0, 90, 0, 0, 0, 0, 0, 0}) + "201 ready\r\n"), ReadLine(),
                         Send("bye\r\n"), Close()});
    ASSERT_TRUE(proxy.Ok());
    SocksClient c(proxy.Port(), QStringLiteral("4A"));
    c.s.SetSocksUsercode(QStringLiteral("kv"));
    c.s.OnDataAvailable = [&](TCustomASocket* sock, int) {
        c.lines << sock->ReceiveStr();
        if (c.lines.size() == 1)
            sock->SendStr(QByteArray("hello\r\n"));
    };
    c.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return !c.closed.isEmpty(); }));
    EXPECT_EQ(c.connected, QList<int>{0});
    EXPECT_EQ(c.lines, (QList<QByteArray>{"201 ready\r\n", "bye\r\n"}));
    EXPECT_EQ(proxy.Received(), request + "hello\r\n");
    // The proxy stays set for the next connection.
    EXPECT_EQ(c.s.SocksServer(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(c.s.SocksLevel(), QStringLiteral("4A"));
}

TEST(SocksScriptedTest, Socks5SplitRepliesWithUserAndPassword)
{
    const QByteArray auth = Bytes({1, 2}) + "kv" + Bytes({3}) + "pw!";
    const QByteArray connect = Socks5Connect("cddb.example", 8880);
    TScriptServer proxy({ReadBytes(3), Send(Bytes({5, 2}), 1), ReadBytes(int(auth.size())),
                         Send(Bytes({1, 0}), 1), ReadBytes(int(connect.size())),
                         Send(Bytes({5, 0, 0, 3, 4}) + "host" + Port(8880) + "201 split\r\n", 1), Close()});
    ASSERT_TRUE(proxy.Ok());
    SocksClient c(proxy.Port(), QStringLiteral("5"));
    c.s.SocksAuthentication = socksAuthenticateUsercode;
    c.s.SetSocksUsercode(QStringLiteral("kv"));
    c.s.SetSocksPassword(QStringLiteral("pw!"));
    c.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return !c.closed.isEmpty(); }));
    EXPECT_EQ(c.connected, QList<int>{0});
    EXPECT_EQ(c.auth, (QList<TSocksAuthState>{socksAuthStart, socksAuthSuccess}));
    EXPECT_EQ(c.lines, QList<QByteArray>{"201 split\r\n"});
    EXPECT_EQ(proxy.Received(), kMethodsUser + auth + connect);
}

TEST(SocksScriptedTest, NextConnectionGoesToTheSameDestination)
{
    const QByteArray request = Socks5Connect("cddb.example", 8880);
    auto script = [&] {
        return std::vector<Step>{ReadBytes(3), Send(Bytes({5, 0})), ReadBytes(int(request.size())),
                                 Send(kGranted5), Close()};
    };
    TScriptServer first(script()), second(script());
    ASSERT_TRUE(first.Ok() && second.Ok());
    SocksClient c(first.Port(), QStringLiteral("5"));
    c.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return c.closed.size() == 1; }));
    // Addr and Port show the destination, not the proxy, yet are given again before the next
    // connection, as for any socket.
    EXPECT_EQ(c.s.Addr(), QStringLiteral("cddb.example"));
    EXPECT_EQ(c.s.Port(), QStringLiteral("8880"));
    EXPECT_THROW(c.s.Connect(), ESocketException);
    EXPECT_EQ(c.s.State(), wsClosed);
    c.s.SetSocksPort(QString::number(second.Port()));
    c.s.SetAddr(c.s.Addr());
    c.s.SetPort(c.s.Port());
    c.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return c.closed.size() == 2; }));
    EXPECT_EQ(c.connected, (QList<int>{0, 0}));
    EXPECT_EQ(first.Received(), kMethodsNone + request);
    EXPECT_EQ(second.Received(), kMethodsNone + request);
}

// Replies that end the negotiation: what the proxy sends, and the error it gives.
struct OddReply {
    const char* name;
    const char* level;
    std::vector<Step> script;
    int code;
    const char* message;
};

class SocksOddReplyTest : public ::testing::TestWithParam<int> {};

static std::vector<OddReply> OddReplies()
{
    const QByteArray connect5 = Socks5Connect("cddb.example", 8880);
    const int request4a = 8 + 1 + 12 + 1;
    return {
        {"Socks4Refused92",
         "4A",
         {ReadBytes(request4a), Send(Bytes({0, 92, 0, 0, 0, 0, 0, 0}))},
         20008,
         "connection refused"},
        {"Socks4Auth93",
         "4A",
         {ReadBytes(request4a), Send(Bytes({0, 93, 0, 0, 0, 0, 0, 0}), 1)},
         20015,
         "authentification failed"},
        {"Socks4Unassigned",
         "4A",
         {ReadBytes(request4a), Send(Bytes({0, 17, 0, 0, 0, 0, 0, 0}))},
         20012,
         "unassigned error #17"},
        {"Socks5BadVersion", "5", {ReadBytes(3), Send(Bytes({4, 0}))}, 20002, "socks version error"},
        {"Socks5NoMethod",
         "5",
         {ReadBytes(3), Send(Bytes({5, 0xFF}))},
         20003,
         "authentification method not acceptable"},
        {"Socks5Refused",
         "5",
         {ReadBytes(3), Send(Bytes({5, 0})), ReadBytes(int(connect5.size())), Send(Bytes({5, 5, 0, 1}))},
         20008,
         "connection refused"},
        {"Socks5Unassigned",
         "5",
         {ReadBytes(3), Send(Bytes({5, 0})), ReadBytes(int(connect5.size())), Send(Bytes({5, 42, 0, 1}))},
         20012,
         "unassigned error #42"},
        {"Socks5AddressType4",
         "5",
         {ReadBytes(3), Send(Bytes({5, 0})), ReadBytes(int(connect5.size())),
          Send(Bytes({5, 0, 0, 4}) + QByteArray(16, '\1') + Port(1), 2)},
         20011,
         "address type not supported"},
        {"Socks5ReplyVersion",
         "5",
         {ReadBytes(3), Send(Bytes({5, 0})), ReadBytes(int(connect5.size())), Send(Bytes({1, 0, 0, 1}))},
         20002,
         "socks version error"},
    };
}

TEST_P(SocksOddReplyTest, EndsWithItsError)
{
    const OddReply r = OddReplies()[GetParam()];
    std::vector<Step> script = r.script;
    script.push_back(Silence());
    TScriptServer proxy(script);
    ASSERT_TRUE(proxy.Ok());
    SocksClient c(proxy.Port(), QString::fromLatin1(r.level));
    c.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return !c.closed.isEmpty(); })) << r.name;
    WaitFor([] { return false; }, 30);
    EXPECT_EQ(c.socksErrors, QList<int>{r.code}) << r.name;
    EXPECT_EQ(c.messages, QStringList{QString::fromLatin1(r.message)}) << r.name;
    EXPECT_EQ(c.connected, QList<int>{r.code}) << r.name;
    EXPECT_EQ(c.closed.size(), 1) << r.name;
    EXPECT_TRUE(c.lines.isEmpty()) << r.name;
    EXPECT_EQ(c.s.State(), wsClosed);
}

INSTANTIATE_TEST_SUITE_P(Replies, SocksOddReplyTest, ::testing::Range(0, int(OddReplies().size())),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(OddReplies()[i.param].name);
                         });

TEST(SocksScriptedTest, Socks5AuthenticationRefused)
{
    const QByteArray auth = Bytes({1, 2}) + "kv" + Bytes({1}) + "x";
    TScriptServer proxy(
        {ReadBytes(3), Send(Bytes({5, 2})), ReadBytes(int(auth.size())), Send(Bytes({1, 1})), Silence()});
    ASSERT_TRUE(proxy.Ok());
    SocksClient c(proxy.Port(), QStringLiteral("5"));
    c.s.SocksAuthentication = socksAuthenticateUsercode;
    c.s.SetSocksUsercode(QStringLiteral("kv"));
    c.s.SetSocksPassword(QStringLiteral("x"));
    c.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return !c.closed.isEmpty(); }));
    EXPECT_EQ(c.socksErrors, QList<int>{20015});
    EXPECT_EQ(c.auth, (QList<TSocksAuthState>{socksAuthStart, socksAuthFailure}));
    EXPECT_EQ(c.closed.size(), 1);
}

// ---- through Dante ----

class DanteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString danted = QStringLiteral("/usr/sbin/danted");
        if (!QFile::exists(danted))
            GTEST_SKIP() << "danted is not installed (scripts/setup-deps.sh installs dante-server)";
        ASSERT_TRUE(m_dir.isValid());
        // A free loopback port for the proxy.
        {
            TScriptServer probe({}, "127.0.0.1", 0);
            m_port = probe.Port();
        }
        const QString log = m_dir.filePath(QStringLiteral("danted.log"));
        QFile conf(m_dir.filePath(QStringLiteral("danted.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("logoutput: %1\n"
                                  "internal: 127.0.0.1 port = %2\n"
                                  "external: 127.0.0.1\n"
                                  "clientmethod: none\n"
                                  "socksmethod: username none\n"
                                  "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                                  "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n")
                       .arg(log)
                       .arg(m_port)
                       .toUtf8());
        conf.close();
        const QByteArray confPath = conf.fileName().toLocal8Bit();
        const QByteArray pidPath = m_dir.filePath(QStringLiteral("danted.pid")).toLocal8Bit();
        // The account library is built beside the test executables.
        const QByteArray preload =
            "LD_PRELOAD=" + QFile::encodeName(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/libkorvane_dante_accounts.so"));
        std::vector<char*> env;
        for (char** e = environ; *e; ++e)
            if (strncmp(*e, "LD_PRELOAD=", 11) != 0)
                env.push_back(*e);
        env.push_back(const_cast<char*>(preload.constData()));
        env.push_back(nullptr);
        const char* argv[] = {"danted", "-f",   confPath.constData(), "-p", pidPath.constData(), "-N",
                              "1",      nullptr};
        if (posix_spawn(&m_pid, "/usr/sbin/danted", nullptr, nullptr, const_cast<char**>(argv), env.data()) !=
            0)
            GTEST_SKIP() << "danted could not be started";
        // Ready once it listens.
        const bool listening = WaitFor(
            [&] {
                int status;
                if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                    m_pid = 0;
                    return true;
                }
                const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in a{};
                a.sin_family = AF_INET;
                a.sin_port = htons(uint16_t(m_port));
                a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
                ::close(fd);
                return ok;
            },
            5000);
        if (!listening || m_pid == 0) {
            QFile l(log);
            l.open(QIODevice::ReadOnly);
            GTEST_SKIP() << "danted does not run here (as uid " << getuid()
                         << "): " << l.readAll().toStdString();
        }
    }
    void TearDown() override
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status;
            waitpid(m_pid, &status, 0);
        }
    }

    // Greets through the proxy and answers; true when the server got the answer.
    void Exchange(SocksClient& c, TScriptServer& server)
    {
        c.s.OnDataAvailable = [&](TCustomASocket* sock, int) {
            c.lines << sock->ReceiveStr();
            sock->SendStr(QByteArray("hello\r\n"));
        };
        c.s.Connect();
        ASSERT_TRUE(WaitFor([&] { return !c.closed.isEmpty(); }));
        EXPECT_EQ(c.connected, QList<int>{0});
        EXPECT_TRUE(c.socksErrors.isEmpty()) << c.messages.join(u',').toStdString();
        EXPECT_EQ(c.lines, QList<QByteArray>{"201 through\r\n"});
        EXPECT_EQ(server.Received(), QByteArray("hello\r\n"));
    }

    QTemporaryDir m_dir;
    int m_port = 0;
    pid_t m_pid = 0;
};

TEST_F(DanteTest, Socks5WithoutAuthentication)
{
    TScriptServer server({Send("201 through\r\n"), ReadLine(), Close()}, "127.0.0.1");
    SocksClient c(m_port, QStringLiteral("5"), QStringLiteral("127.0.0.1"), server.Port());
    Exchange(c, server);
    EXPECT_EQ(c.auth, QList<TSocksAuthState>{socksAuthNotRequired});
}

TEST_F(DanteTest, Socks5WithUserAndPassword)
{
    TScriptServer server({Send("201 through\r\n"), ReadLine(), Close()}, "127.0.0.1");
    SocksClient c(m_port, QStringLiteral("5"), QStringLiteral("127.0.0.1"), server.Port());
    c.s.SocksAuthentication = socksAuthenticateUsercode;
    c.s.SetSocksUsercode(QStringLiteral("korvane"));
    c.s.SetSocksPassword(QStringLiteral("s3cret pass"));
    Exchange(c, server);
    EXPECT_EQ(c.auth, (QList<TSocksAuthState>{socksAuthStart, socksAuthSuccess}));
}

TEST_F(DanteTest, Socks5WrongPasswordIsRefused)
{
    SocksClient c(m_port, QStringLiteral("5"), QStringLiteral("127.0.0.1"), 9);
    c.s.SocksAuthentication = socksAuthenticateUsercode;
    c.s.SetSocksUsercode(QStringLiteral("korvane"));
    c.s.SetSocksPassword(QStringLiteral("wrong"));
    c.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return !c.closed.isEmpty(); }));
    EXPECT_FALSE(c.connected.isEmpty());
    EXPECT_NE(c.connected.value(0), 0);
    EXPECT_TRUE(c.auth.contains(socksAuthFailure));
}

TEST_F(DanteTest, Socks4)
{
    TScriptServer server({Send("201 through\r\n"), ReadLine(), Close()}, "127.0.0.1");
    SocksClient c(m_port, QStringLiteral("4"), QStringLiteral("127.0.0.1"), server.Port());
    Exchange(c, server);
}
