// The CDDB client against a CDDB server on loopback: the query and site rounds byte for byte,
// a table of failing servers with the result each gives, and the record parser on its own.
#include "cddb_server.h"
#include "discdata/cddb_socket.h"
#include "script_server.h"

#include <gtest/gtest.h>

using cddbserver::Loopback;
using cddbserver::Script;
using cddbserver::TCddbServer;
using scriptserver::WaitFor;

namespace {

const QByteArray kHelloLine = "CDDB HELLO unknow unknow Dovrin 2\r\n";
const QByteArray kHello = kHelloLine + "proto 6\r\n";
const QByteArray kQuit = "quit\r\n";
const QByteArray kDiscId = "discid 2 150 13650 422\r\n";
const QByteArray kQuery = "cddb query 0d01a402 2 150 13650 422\r\n";

// A client set up as the track-list dialog sets it, aimed at address, with what it reports.
struct Client {
    TCDDBSocket s;
    QList<int> results, states;
    QList<int> errors;
    int chooserCalls = 0;

    Client(const char* address, uint8_t mode, int choose = 0)
    {
        s.User = s.Host = QStringLiteral("unknow");
        s.ClientName = QStringLiteral("Dovrin");
        s.Version = QStringLiteral("2");
        s.Mode = mode;
        s.SetAddr(QString::fromLatin1(address));
        s.OnResult = [this](QObject*, int r) { results << r; };
        s.OnStateChange = [this](QObject*, int st) { states << st; };
        s.OnError = [this](TCustomASocket* sock) { errors << sock->LastError(); };
        s.OnSelectMatch = [this, choose](QObject*, int& index) {
            ++chooserCalls;
            index = choose;
        };
        if (mode == 0) {
            s.Offsets = QStringList{QStringLiteral("150"), QStringLiteral("13650")};
            s.TrackCount = 2;
            s.DiscLength = 422;
        }
    }
    bool Run()
    {
        s.ConnectServer();
        return WaitFor([&] { return !results.isEmpty(); }, 8000);
    }
};

} // namespace

class CDDBQueryRoundTest : public ::testing::TestWithParam<int> {};

TEST_P(CDDBQueryRoundTest, TwoMatchesChooserAndRecord)
{
    Script script;
    script.perWrite = GetParam();
    TCddbServer server(script, Loopback(11));
    ASSERT_TRUE(server.Ok());
    Client c(Loopback(11), 0, 1);
    ASSERT_TRUE(c.Run());
    ASSERT_TRUE(WaitFor([&] { return server.Done(); }));
    EXPECT_EQ(server.Received(), kHello + kDiscId + kQuery + "cddb read misc 0d01a402\r\n" + kQuit);
    EXPECT_EQ(c.results, QList<int>{CDDBSuccess});
    EXPECT_EQ(c.chooserCalls, 1);
    EXPECT_EQ(c.s.Matches.size(), 2);
    EXPECT_EQ(c.s.Category, QStringLiteral("misc"));
    EXPECT_EQ(c.s.DiscId, QStringLiteral("0d01a402"));
    EXPECT_EQ(c.s.Artist, QStringLiteral("Second Artist"));
    EXPECT_EQ(c.s.Title, QStringLiteral("Second Album"));
    EXPECT_EQ(c.s.TrackNames, (QStringList{QStringLiteral("Opening"), QStringLiteral("Closing")}));
    EXPECT_EQ(c.states, (QList<int>{1, 2, 5, 6, 7, 8, 9}));
    EXPECT_TRUE(c.s.Offsets.isEmpty());
    EXPECT_TRUE(c.errors.isEmpty());
    EXPECT_EQ(c.s.State(), wsClosed);
}

INSTANTIATE_TEST_SUITE_P(BytesPerWrite, CDDBQueryRoundTest, ::testing::Values(0, 1, 9));

TEST(CDDBSiteRoundTest, SiteListThenClose)
{
    TCddbServer server(Script{}, Loopback(12));
    ASSERT_TRUE(server.Ok());
    Client c(Loopback(12), 1);
    ASSERT_TRUE(c.Run());
    ASSERT_TRUE(WaitFor([&] { return server.Done(); }));
    EXPECT_EQ(server.Received(), kHello + "SITES\r\n" + kQuit);
    EXPECT_EQ(c.results, QList<int>{CDDBSuccess});
    EXPECT_EQ(c.s.ServerList,
              (QStringList{QStringLiteral("cddb1.example"), QStringLiteral("cddb2.example")}));
    EXPECT_EQ(c.states, (QList<int>{1, 2, 3, 4}));
}

// A server that fails somewhere: what it says, and how the round ends.
struct Failure {
    const char* name;
    uint8_t mode;
    std::function<void(Script&)> change;
    QByteArray sent; // every byte the client sent
    int result;
    int error; // reported through OnError, 0 for none
};

class CDDBFailureTest : public ::testing::TestWithParam<int> {};

static std::vector<Failure> Failures()
{
    return {
        {"Greeting432", 0,
         [](Script& s) { s.greeting = "432 No connections allowed: permission denied\r\n"; }, kQuit,
         CDDBProtocolError, 0},
        {"Hello431", 0, [](Script& s) { s.hello = "431 Handshake not successful, closing connection\r\n"; },
         kHelloLine + kQuit, CDDBProtocolError, 0},
        {"Sites401", 1, [](Script& s) { s.sites = "401 No site information available.\r\n"; },
         kHello + "SITES\r\n" + kQuit, CDDBProtocolError, 0},
        {"EmptySites", 1, [](Script& s) { s.sites = "210 OK, site information follows\r\n.\r\n"; },
         kHello + "SITES\r\n" + kQuit, CDDBNotFound, 0},
        {"Discid500", 0, [](Script& s) { s.discid = "500 Command syntax error.\r\n"; },
         kHello + kDiscId + kQuit, CDDBProtocolError, 0},
        {"Query202", 0, [](Script& s) { s.query = "202 No match found.\r\n"; },
         kHello + kDiscId + kQuery + kQuit, CDDBNotFound, 0},
        {"QueryListEmpty", 0, [](Script& s) { s.query = "211 Found inexact matches, list follows\r\n.\r\n"; },
         kHello + kDiscId + kQuery + kQuit, CDDBNotFound, 0},
        {"Read401", 0, [](Script& s) { s.read = "401 Specified CDDB entry not found.\r\n"; },
         kHello + kDiscId + kQuery + "cddb read rock 0d01a402\r\n" + kQuit, CDDBNotFound, 0},
        {"CloseInsideRecord", 0,
         [](Script& s) {
             s.read = "210 rock 0d01a402 CD database entry follows\r\nDTITLE=First Artist / Fi<close>";
         },
         kHello + kDiscId + kQuery + "cddb read rock 0d01a402\r\n", CDDBNoResult, 0},
        {"Silence", 0, [](Script& s) { s.silent = true; }, "", CDDBNoResult, WSAETIMEDOUT},
        {"Greeting200", 0, [](Script& s) { s.greeting = "200 test CDDBP server ready, posting allowed\r\n"; },
         kHello + kDiscId + kQuery + "cddb read rock 0d01a402\r\n" + kQuit, CDDBSuccess, 0},
        {"ExactMatch200", 0, [](Script& s) { s.query = "200 jazz 0d01a402 Solo Artist / Solo Album\r\n"; },
         kHello + kDiscId + kQuery + "cddb read jazz 0d01a402\r\n" + kQuit, CDDBSuccess, 0},
    };
}

TEST_P(CDDBFailureTest, EndsWithItsResult)
{
    const Failure f = Failures()[GetParam()];
    Script script;
    f.change(script);
    const std::string address = Loopback(20 + GetParam());
    TCddbServer server(script, address.c_str());
    ASSERT_TRUE(server.Ok());
    Client c(address.c_str(), f.mode);
    if (script.silent) {
        // Only the silent server waits for the watchdog; every other round keeps its minute, so
        // that a slow machine never takes a late reply for silence.
        c.s.Wait()->SetInterval(10);
        c.s.SetTimeout(20);
    }
    ASSERT_TRUE(c.Run()) << f.name;
    ASSERT_TRUE(WaitFor([&] { return server.Done(); })) << f.name;
    EXPECT_EQ(c.results, QList<int>{f.result}) << f.name;
    EXPECT_EQ(server.Received(), f.sent) << f.name;
    EXPECT_EQ(c.errors, f.error ? QList<int>{f.error} : QList<int>{}) << f.name;
    EXPECT_EQ(c.s.State(), wsClosed) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Servers, CDDBFailureTest, ::testing::Range(0, int(Failures().size())),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(Failures()[i.param].name);
                         });

TEST(CDDBSiteRoundTest, ServerClosingWhileTheChooserIsOpen)
{
    Script script;
    script.query += "<close>";
    TCddbServer server(script, Loopback(13));
    ASSERT_TRUE(server.Ok());
    Client c(Loopback(13), 0);
    // The chooser runs its own loop, as a modal window does, until the server has gone.
    c.s.OnSelectMatch = [&](QObject*, int& index) {
        ++c.chooserCalls;
        WaitFor([&] { return !c.results.isEmpty(); });
        index = 1;
    };
    ASSERT_TRUE(c.Run());
    WaitFor([] { return false; }, 30);
    EXPECT_EQ(c.chooserCalls, 1);
    EXPECT_EQ(c.results, QList<int>{CDDBNoResult});
    EXPECT_EQ(server.Received(), kHello + kDiscId + kQuery);
}

TEST(CDDBRecordTest, ContinuationLinesAndTitlesWithoutSlash)
{
    TCDDBReplyParser p;
    p.CDDBState = 8;
    EXPECT_EQ(p.Take(QStringLiteral("210 rock 1 entry follows\r\n")).Action, cddbNone);
    for (const char* line :
         {"DTITLE=A Very Long Artist Name That Goes On / And An Album", "DTITLE= Title Too",
          "TTITLE0=First part ", "TTITLE1=Second", "TTITLE0=and the rest", "EXTD=ignored", "#", "# comment",
          "TTITLE99=out of range", "TTITLEx=bad", "DISCID=abc=def"})
        p.Take(QString::fromLatin1(line));
    EXPECT_EQ(p.Artist, QStringLiteral("A Very Long Artist Name That Goes On"));
    EXPECT_EQ(p.Title, QStringLiteral("And An Album Title Too"));
    EXPECT_EQ(p.TrackNames,
              (QStringList{QStringLiteral("First part and the rest"), QStringLiteral("Second")}));
    EXPECT_EQ(p.DiscId, QStringLiteral("abc=def"));
    const TCDDBStep end = p.Take(QStringLiteral("."));
    EXPECT_EQ(end.Action, cddbFinish);
    EXPECT_EQ(end.Result, CDDBSuccess);

    TCDDBReplyParser q;
    q.CDDBState = 9;
    q.Take(QStringLiteral("DTITLE=Various"));
    EXPECT_EQ(q.Artist, QStringLiteral("Various"));
    EXPECT_EQ(q.Title, QStringLiteral("Various"));
}

TEST(CDDBRecordTest, MatchLinesAndHelpers)
{
    TCDDBReplyParser p;
    p.TakeMatch(QStringLiteral("rock 0d01a402 Some Artist / Some Album "));
    EXPECT_EQ(p.Category, QStringLiteral("rock"));
    EXPECT_EQ(p.DiscId, QStringLiteral("0d01a402"));
    EXPECT_EQ(p.Artist, QStringLiteral("Some Artist"));
    EXPECT_EQ(p.Title, QStringLiteral("Some Album"));
    p.TakeMatch(QStringLiteral("bare"));
    EXPECT_EQ(p.Category, QString());
    const struct {
        const char *text, *start, *end, *result;
    } cases[] = {{"a=b=c", "=", "", "b=c"}, {"a b c", "", " ", "a"}, {"a b", "x", "", ""},
                 {"a b", "a", "x", ""},     {"", "", "", ""},        {"x / y", "/ ", "", "y"}};
    for (const auto& c : cases)
        EXPECT_EQ(TCDDBReplyParser::ExtractBetween(QString::fromLatin1(c.text), QString::fromLatin1(c.start),
                                                   QString::fromLatin1(c.end)),
                  QString::fromLatin1(c.result))
            << c.text;
    QStringList words;
    TCDDBReplyParser::SplitWords(QStringLiteral("a  b c"), words);
    EXPECT_EQ(words, (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b"), QStringLiteral("c")}));
}

TEST(CDDBRecordTest, ChosenIndexOutOfRangeReadsTheFirst)
{
    TCddbServer server(Script{}, Loopback(14));
    ASSERT_TRUE(server.Ok());
    Client c(Loopback(14), 0, 5);
    ASSERT_TRUE(c.Run());
    EXPECT_EQ(c.results, QList<int>{CDDBSuccess});
    ASSERT_TRUE(WaitFor([&] { return server.Done(); }));
    EXPECT_TRUE(server.Received().endsWith("cddb read rock 0d01a402\r\n" + kQuit));
}

TEST(CDDBRecordTest, DiscIdOfTheTestServer)
{
    EXPECT_EQ(cddbserver::DiscIdOf("discid 2 150 13650 422\r\n"), QByteArray("0d01a402"));
}

// Protocol level 6 brings UTF-8; a server that refuses it keeps its own level and ISO 8859-1.
struct Encoding {
    const char* name;
    QByteArray proto; // the server's answer to "proto 6"
    QByteArray record;
    bool utf8;
};

class CDDBEncodingTest : public ::testing::TestWithParam<int> {};

static std::vector<Encoding> Encodings()
{
    const QByteArray utf8 = "DTITLE=Stra\xc3\x9f"
                            "e / \xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\r\n"
                            "TTITLE0=\xe6\x97\xa5\xe6\x9c\xac\r\nTTITLE1=Caf\xc3\xa9\r\n";
    const QByteArray latin1 = "DTITLE=Stra\xdf"
                              "e / Caf\xe9\r\nTTITLE0=\xc6sop\r\nTTITLE1=Caf\xe9\r\n";
    return {
        {"Level6", "201 OK, CDDB protocol level now: 6\r\n", utf8, true},
        {"AlreadyAt6", "502 Protocol level already 6\r\n", utf8, true},
        {"Refused", "501 Illegal protocol level.\r\n", latin1, false},
        {"UnknownCommand", "500 Unrecognized command.\r\n", latin1, false},
        // A record stored before the server spoke UTF-8 still reads.
        {"Level6Latin1Record", "201 OK, CDDB protocol level now: 6\r\n", latin1, true},
    };
}

TEST_P(CDDBEncodingTest, RecordReadsWhole)
{
    const Encoding e = Encodings()[GetParam()];
    Script script;
    script.proto = e.proto;
    script.read = "210 misc 0d01a402 CD database entry follows\r\n" + e.record + ".\r\n";
    const std::string address = Loopback(60 + GetParam());
    TCddbServer server(script, address.c_str());
    ASSERT_TRUE(server.Ok());
    Client c(address.c_str(), 0);
    ASSERT_TRUE(c.Run()) << e.name;
    EXPECT_EQ(c.results, QList<int>{CDDBSuccess}) << e.name;
    EXPECT_EQ(c.s.Utf8, e.utf8) << e.name;
    ASSERT_TRUE(WaitFor([&] { return server.Done(); }));
    EXPECT_EQ(server.Received(), kHello + kDiscId + kQuery + "cddb read rock 0d01a402\r\n" + kQuit) << e.name;
    if (e.record.contains("\xd0\x9f")) {
        EXPECT_EQ(c.s.Artist, QStringLiteral("Straße")) << e.name;
        EXPECT_EQ(c.s.Title, QStringLiteral("Привет")) << e.name;
        EXPECT_EQ(c.s.TrackNames, (QStringList{QStringLiteral("日本"), QStringLiteral("Café")})) << e.name;
    } else {
        EXPECT_EQ(c.s.Artist, QStringLiteral("Straße")) << e.name;
        EXPECT_EQ(c.s.Title, QStringLiteral("Café")) << e.name;
        EXPECT_EQ(c.s.TrackNames, (QStringList{QStringLiteral("Æsop"), QStringLiteral("Café")})) << e.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, CDDBEncodingTest, ::testing::Range(0, int(Encodings().size())),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(Encodings()[i.param].name);
                         });

// A server that trickles bytes without ever ending a line: the watchdog ends the round with one
// error, the time-out, and what it left is not taken for a reply.
TEST(CDDBWatchdogTest, TricklingServerEndsWithOneTimeOut)
{
    Script script;
    script.trickleMs = 2;
    TCddbServer server(script, Loopback(15));
    ASSERT_TRUE(server.Ok());
    Client c(Loopback(15), 0);
    c.s.Wait()->SetInterval(10);
    c.s.SetTimeout(20);
    ASSERT_TRUE(c.Run());
    ASSERT_TRUE(WaitFor([&] { return server.Done(); }));
    EXPECT_EQ(c.results, QList<int>{CDDBNoResult});
    EXPECT_EQ(c.errors, QList<int>{WSAETIMEDOUT});
    EXPECT_EQ(server.Received(), QByteArray());
}
