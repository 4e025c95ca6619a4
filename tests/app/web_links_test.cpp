// The Help menu's ways out: the manual in the browser, the maker's and the picture site's pages,
// and the online update through a registered updater program.
#include "app/web_links.h"

#include "app/main_frame.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/file_utils.h"
#include "platform/registry.h"
#include "platform/shell_execute.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>

namespace {

class WebLinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ++counter;
        const PaperType paper = testpaper::WithCatalogueTexts(
            testpaper::Discs(NameGUID("web-links-test"), QStringLiteral("Test CD"), 1170, {{1, 465, 175}}));
        program = testsupport::programWithPapers(QStringLiteral("wl-program-%1").arg(counter), {&paper});
        qputenv("KORVANE_PROGRAM_DIR", program.toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR", testsupport::freshDir(QStringLiteral("wl-registry-%1").arg(counter)).toLocal8Bit());
        SetShellOpenHandler([this](const QUrl& url) { opened << url; });
    }
    void TearDown() override
    {
        delete frame.data();
        SetShellOpenHandler(nullptr);
        qunsetenv("KORVANE_PROGRAM_DIR");
    }
    TMainFrame* Make()
    {
        frame = new TMainFrame;
        EXPECT_TRUE(frame->CreatedOk());
        return frame;
    }
    // A stand-in updater that writes how many arguments it got and each one on its own line, and
    // counts its runs in a line each of OUTPUT.runs.
    QString StubUpdater(const QString& output)
    {
        const QString path = testsupport::freshDir(QStringLiteral("wl-updater-%1").arg(counter)) +
                             QStringLiteral("/Updater.sh");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho run >> \"" + QFile::encodeName(output) +
                ".runs\"\n"
                "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"" +
                QFile::encodeName(output) + ".part\"\nmv \"" + QFile::encodeName(output) + ".part\" \"" +
                QFile::encodeName(output) + "\"\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    static void Register(const QString& updater)
    {
        TRegIniFile reg(AppPathsKey(), RootKey::LocalMachine);
        reg.WriteString(QStringLiteral("Updater.exe"), QString(), updater);
    }
    static QByteArray WaitForFile(const QString& path)
    {
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(path); }, 20000))
            return QByteArray();
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static inline int counter = 0;
    QString program;
    QPointer<TMainFrame> frame;
    QList<QUrl> opened;
};

} // namespace

TEST(WebAddress, HttpIsPutInFrontUnlessTheTextBeginsWithIt)
{
    const struct {
        const char* text;
        const char* address;
    } cases[] = {
        {"www.tarnwick.com", "http://www.tarnwick.com"},
        {"http://www.tarnwick.com", "http://www.tarnwick.com"},
        {"https://www.tarnwick.com", "https://www.tarnwick.com"},
        {"HTTP://WWW.TARNWICK.COM", "http://HTTP://WWW.TARNWICK.COM"},
        {"", "http://"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebAddress(QString::fromLatin1(c.text)).toStdString(), c.address);
    // A translated host name of any length makes a whole address.
    const QString longHost = QString(200, QLatin1Char('a')) + QStringLiteral(".example");
    EXPECT_EQ(ImageSiteAddress(longHost), QStringLiteral("http://") + longHost);
    EXPECT_EQ(ImageSiteAddress(QString()), QStringLiteral("http://"));
}

TEST_F(WebLinksTest, SiteItemsOpenTheirAddressesInTheBrowser)
{
    Make();
    frame->WWWConnectItem->trigger();
    frame->LinksItem1->trigger();
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("http://www.tarnwick.com")),
                                   QUrl(QStringLiteral("http://images.tarnwick.com"))}));
    EXPECT_EQ(frame->WWWConnectItem->text(), QStringLiteral("www.tarnwick.com"));
    EXPECT_EQ(frame->LinksItem1->text(), QStringLiteral("images.tarnwick.com"));
}

TEST_F(WebLinksTest, UsersMenuOpensTheManualBesideTheProgram)
{
    testsupport::MessageRecorder boxes;
    Make();
    // Without the manual the user is told so.
    frame->UsersMenuItem->trigger();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Can't find the Help file!")});

    ASSERT_TRUE(QFile::copy(QStringLiteral(KORVANE_BIN_DIR "/kv_enu.html"), program + QStringLiteral("/kv_enu.html")));
    frame->UsersMenuItem->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.front(), QUrl::fromLocalFile(program + QStringLiteral("/kv_enu.html")));
    EXPECT_EQ(boxes.texts.size(), 1);
}

TEST_F(WebLinksTest, UpdaterGetsExactlyTheListAndTheProgramPath)
{
    // Not registered: the item is not offered, and the command does nothing.
    Make();
    EXPECT_FALSE(frame->OnlineUpdateItem->isVisible());
    delete frame.data();

    const QString output = testsupport::freshDir(QStringLiteral("wl-out-%1").arg(counter)) + QStringLiteral("/args");
    Register(StubUpdater(output));
    Make();
    EXPECT_TRUE(frame->OnlineUpdateItem->isVisible());
    frame->OnlineUpdateItem->trigger();
    const QList<QByteArray> lines = WaitForFile(output).split('\n');
    ASSERT_EQ(lines.size(), 4);   // count, two arguments, and the end of the last line
    EXPECT_EQ(lines.at(0), "2");
    EXPECT_EQ(lines.at(1), "http://download.tarnwick.com/updatedovrincom.ini");
    EXPECT_EQ(QString::fromLocal8Bit(lines.at(2)), QCoreApplication::applicationFilePath());
    EXPECT_TRUE(QFileInfo(QString::fromLocal8Bit(lines.at(2))).isAbsolute());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(WebLinksTest, UpdaterGoneAfterTheStartLeavesTheItemDoingNothing)
{
    const QString output = testsupport::freshDir(QStringLiteral("wl-out-%1").arg(counter)) + QStringLiteral("/args");
    const QString updater = StubUpdater(output);
    Register(updater);
    testsupport::MessageRecorder boxes;
    Make();
    EXPECT_TRUE(frame->OnlineUpdateItem->isVisible());
    QFile::remove(updater);
    frame->OnlineUpdateItem->trigger();
    EXPECT_TRUE(boxes.texts.isEmpty());
    // Back in place, the updater runs once for the next choice: the one before started nothing.
    ASSERT_EQ(StubUpdater(output), updater);
    frame->OnlineUpdateItem->trigger();
    EXPECT_FALSE(WaitForFile(output).isEmpty());
    QFile runs(output + QStringLiteral(".runs"));
    ASSERT_TRUE(runs.open(QIODevice::ReadOnly));
    EXPECT_EQ(runs.readAll(), QByteArray("run\n"));
}

TEST(UsersManual, ShippedBesideTheProgramWithEveryChapter)
{
    qputenv("KORVANE_PROGRAM_DIR", QByteArray(KORVANE_BIN_DIR));
    qputenv("KORVANE_REGISTRY_DIR", testsupport::freshDir(QStringLiteral("wl-manual-registry")).toLocal8Bit());
    EXPECT_EQ(GetHelpFileName(), QStringLiteral(KORVANE_BIN_DIR "/kv_enu.html"));
    qunsetenv("KORVANE_PROGRAM_DIR");

    QFile file(QStringLiteral(KORVANE_BIN_DIR "/kv_enu.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QStringList ids;
    for (const auto& m : QRegularExpression(QStringLiteral("id=\"([^\"]+)\"")).globalMatch(html))
        ids << m.captured(1);
    EXPECT_EQ(ids.removeDuplicates(), 0);
    for (const char* chapter : {"main-window", "new-document", "objects", "paper-editor", "printing", "disc-tools",
                                "pictures", "language", "help", "settings"})
        EXPECT_TRUE(ids.contains(QString::fromLatin1(chapter))) << chapter;
    // Every link inside the manual leads somewhere.
    for (const auto& m : QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(html))
        EXPECT_TRUE(ids.contains(m.captured(1))) << m.captured(1).toStdString();
}
