// Start-up: command-line paths, the hand-over payload and the single-instance channel,
// in-process and between two real program processes.
#include "app/startup.h"

#include "document/document_file.h"
#include "document/paper_catalogue.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/file_utils.h"
#include "platform/registry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QtEndian>

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
    ASSERT_TRUE(WaitUntil([&] { return client.bytesAvailable() >= 2; }));
    EXPECT_EQ(client.readAll(), QByteArray(2, handover::Ack));
    EXPECT_EQ(received, (QStringList{QStringLiteral("/d/1.kvo"), QStringLiteral("/d/2.kvo")}));
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

// Two real program processes: the second hands its documents to the first and ends.
TEST(SingleInstance, SecondProcessHandsItsDocumentsToTheFirst)
{
    const QString exe = QStringLiteral(KORVANE_BIN_DIR) + QStringLiteral("/korvane");
    ASSERT_TRUE(QFileInfo(exe).isExecutable()) << exe.toStdString();

    // A program folder of our own with a one-paper catalogue.
    const QString program = testsupport::freshDir(QStringLiteral("program"));
    QDir(program).mkdir(QStringLiteral("Paper"));
    {
        PaperType paper;
        paper.ID = NameGUID("startup-test");
        paper.Name = QStringLiteral("Test CD");
        paper.Manufacturer = QStringLiteral("Maker");
        paper.Classification = QStringLiteral("CD/DVD label");
        paper.PaperLength = 2970;
        paper.PaperWidth = 2100;
        paper.ShapeHeight = paper.ShapeWidth = 1170;
        paper.CoreWidth = 410;
        paper.Shapes = {PaperShape{1, 465, 175}};
        paper.ShapeCount = 1;
        ASSERT_TRUE(WriteFileAtomic(program + QStringLiteral("/Paper/test.def"), WritePaperDefinitionData({&paper})));
    }
    const QString docs = testsupport::freshDir(QStringLiteral("handover-docs"));
    Touch(docs + QStringLiteral("/b.txt"));
    for (const char* name : {"a.kvo", "c.KVO"}) {
        // Empty documents on the catalogue's paper.
        DocumentHeader header;
        header.HalfHeight = 190;
        header.PaperID = NameGUID("startup-test");
        QFile file(docs + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(header.Encode());
    }

    // No new-document dialog at start: the first instance opens a blank document instead.
    TRegIniFile(ProductKey()).WriteBool(BasicInfo(), QStringLiteral("Startup"), false);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KORVANE_PROGRAM_DIR"), program);
    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start(exe, {});
    ASSERT_TRUE(first.waitForStarted());
    // Ready once it has shown its main window, which stores its title.
    ASSERT_TRUE(WaitUntil([] {
        return !TRegIniFile(ProductKey()).ReadString(BasicInfo(), QStringLiteral("App Name"), QString()).isEmpty();
    }, 30000));

    // Relative names, resolved against the second instance's own start folder.
    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(docs);
    second.start(exe, {QStringLiteral("a.kvo"), QStringLiteral("b.txt"), QStringLiteral("c.KVO")});
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);

    QProcess third;   // nothing to hand over: ends at once all the same
    third.setProcessEnvironment(env);
    third.start(exe, {});
    ASSERT_TRUE(third.waitForFinished(60000));
    EXPECT_EQ(third.exitCode(), 1);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    // The handed-over documents were opened in argument order; the text file was not.
    TRegIniFile reg(ProductKey());
    const QString section = QStringLiteral("History File List");
    EXPECT_EQ(reg.ReadString(section, QStringLiteral("F0"), QString()), docs + QStringLiteral("/c.KVO"));
    EXPECT_EQ(reg.ReadString(section, QStringLiteral("F1"), QString()), docs + QStringLiteral("/a.kvo"));
    EXPECT_FALSE(reg.ValueExists(section, QStringLiteral("F2")));
    // The channel's socket went with the first instance.
    EXPECT_FALSE(QFileInfo::exists(TInstanceChannel::DefaultServerPath()));
}
