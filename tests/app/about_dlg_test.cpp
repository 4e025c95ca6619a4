// The about box: the system's line from a version record (Windows records as the versions
// report themselves, and the Linux one), the memory and version texts, the box's texts in
// English and German, its links, and the Help menu item that opens it.
#include "app/about_dlg.h"

#include "app/main_frame.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/file_utils.h"
#include "platform/shell_execute.h"
#include "platform/version.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/support/test_papers.h"

#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QTest>
#include <sys/utsname.h>

namespace {

TSystemVersion Windows(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, const char* service = "",
                       uint8_t productType = 0, bool extended = true, const char* registryType = "")
{
    TSystemVersion v;
    v.PlatformId = platform;
    v.MajorVersion = major;
    v.MinorVersion = minor;
    v.BuildNumber = build;
    v.CSDVersion = QString::fromLatin1(service);
    v.ProductType = productType;
    v.Extended = extended;
    v.RegistryProductType = QString::fromLatin1(registryType);
    return v;
}

// Answers the addresses the box opens.
class OpenedAddresses {
public:
    OpenedAddresses() { SetShellOpenHandler([this](const QUrl& url) { urls << url.toString(); }); }
    ~OpenedAddresses() { SetShellOpenHandler(nullptr); }
    QStringList urls;
};

} // namespace

TEST(SystemVersionText, WindowsRecordsGiveTheLinesOfTheirVersions)
{
    const uint32_t W9x = VER_PLATFORM_WIN32_WINDOWS, NT = VER_PLATFORM_WIN32_NT;
    const struct {
        TSystemVersion record;
        const char* text;
    } cases[] = {
        {Windows(W9x, 4, 0, 0x040003B6), "Windows 95 4.0 (Build 950)"},
        {Windows(W9x, 3, 95, 100), "Windows 95 3.95 (Build 100)"},
        {Windows(W9x, 4, 10, 0x040A07CE), "Windows 98 4.10 (Build 1998)"},
        {Windows(W9x, 4, 10, 0x040A08AE), "Windows 98 SE 4.10 (2222)"},
        {Windows(W9x, 4, 90, 0x045A0BB8), "Windows Me 4.90 (Build 3000)"},
        {Windows(NT, 5, 1, 2600, "Service Pack 2", 1), "Windows XP Professional 5.1 Service Pack 2 (Build 2600)"},
        {Windows(NT, 5, 1, 2600, "", 1, false), "Windows XP  5.1  (Build 2600)"},
        {Windows(NT, 5, 2, 3790, "Service Pack 1", 3), "Windows XP Server 5.2 Service Pack 1 (Build 3790)"},
        {Windows(NT, 5, 0, 2195, "", 3), "Windows 2000 Server 5.0  (2195)"},
        {Windows(NT, 5, 0, 2195, "Service Pack 4", 2), "Windows 2000  5.0 Service Pack 4 (2195)"},
        {Windows(NT, 4, 0, 1381, "Service Pack 6", 0, false, "SERVERNT"), "Windows NT 4.0 Server  Service Pack 6 (1381)"},
        {Windows(NT, 4, 0, 1381, "Service Pack 6", 0, false, "winnt"), "Windows NT 4.0 Workstation Service Pack 6 (1381)"},
        {Windows(NT, 4, 0, 1381, "", 0, false, ""), "Windows NT 4.0 Server   (1381)"},
        {Windows(NT, 6, 0, 6000, "", 1), ""},
        {Windows(VER_PLATFORM_WIN32s, 3, 11, 0), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SystemVersionText(c.record).toStdString(), c.text);
}

TEST(SystemVersionText, ServicePackTextOfAnyLengthIsKeptWhole)
{
    const QString longest(127, QLatin1Char('S'));
    TSystemVersion v = Windows(VER_PLATFORM_WIN32_NT, 5, 1, 2600, "", 1);
    v.CSDVersion = longest + longest;   // more than any fixed buffer was made for
    EXPECT_EQ(SystemVersionText(v), QStringLiteral("Windows XP Professional 5.1 ") + v.CSDVersion +
                                        QStringLiteral(" (Build 2600)"));
}

TEST(SystemVersionText, LinuxShowsTheDistributionAndTheKernel)
{
    TSystemVersion v;
    v.PlatformId = VER_PLATFORM_LINUX;
    v.SystemName = QStringLiteral("Linux");
    v.Release = QStringLiteral("6.1.0-18-amd64");
    v.Machine = QStringLiteral("x86_64");
    v.Distribution = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(SystemVersionText(v), QStringLiteral("Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 (x86_64)"));
    v.Distribution.clear();
    EXPECT_EQ(SystemVersionText(v), QStringLiteral("Linux 6.1.0-18-amd64 (x86_64)"));

    // The running system is the real one.
    utsname name{};
    ASSERT_EQ(::uname(&name), 0);
    const TSystemVersion running = CurrentSystemVersion();
    EXPECT_EQ(running.PlatformId, VER_PLATFORM_LINUX);
    EXPECT_EQ(running.Release, QString::fromLocal8Bit(name.release));
    EXPECT_TRUE(GetWindowsVersionText().contains(QString::fromLocal8Bit(name.release)));
    EXPECT_TRUE(GetWindowsVersionText().startsWith(QSysInfo::prettyProductName()));
}

TEST(SystemVersionText, TranslatedFormatsAreFilledSafely)
{
    const TSystemVersion nt4 = Windows(VER_PLATFORM_WIN32_NT, 4, 0, 1381, "SP6", 0, false, "WINNT");
    {
        testsupport::GermanLanguage german;
        ASSERT_TRUE(german.Loaded());
        EXPECT_EQ(SystemVersionText(nt4), QStringLiteral("Windows NT 4.0 Workstation SP6 (1381)"));
    }
    // A library whose format asks for more, and other, arguments than there are.
    const unsigned saved = CurrentLanguage;
    qputenv("KORVANE_PROGRAM_DIR", QByteArray(KORVANE_BIN_DIR "/../tests/langlib"));
    LanguageDll = LoadLibraryA(QStringLiteral("QNPartial.dll"));
    ASSERT_NE(LanguageDll, nullptr);
    // Specifiers that do not fit their argument stay as they are; no argument is read twice.
    EXPECT_EQ(SystemVersionText(nt4), QStringLiteral("NT %s%s%s%s%s%s40%d%n%x %d.%d"));
    FreeLanguageDll();
    CurrentLanguage = saved;
    qunsetenv("KORVANE_PROGRAM_DIR");
}

TEST(AboutTexts, MemoryAndVersionAreFormattedAsTheBoxShowsThem)
{
    const struct {
        uint64_t bytes;
        const char* separator;
        const char* text;
    } memory[] = {
        {0, ",", " KB"},
        {1023, ",", " KB"},
        {1024, ",", "1 KB"},
        {999 * 1024 + 1023, ",", "999 KB"},
        {1000 * 1024, ",", "1,000 KB"},
        {uint64_t(8) << 30, ",", "8,388,608 KB"},
        {uint64_t(8) << 30, ".", "8.388.608 KB"},
        {uint64_t(8) << 30, "\u00A0", "8\u00A0388\u00A0608 KB"},
    };
    for (const auto& m : memory)
        EXPECT_EQ(MemoryText(m.bytes, QString::fromUtf8(m.separator)).toStdString(), m.text);

    const struct {
        const char* version;
        const char* text;
    } versions[] = {
        {"2.1.3.205", "2.1.3 ( Build 205 )"},
        {"2.0.0", "2.0.0 ( Build 0 )"},
        {"2", "2.0.0 ( Build 0 )"},
        {"2.x.0", ""},
        {"1.2.3.4.5", ""},
        {"70000.1", ""},
    };
    for (const auto& v : versions)
        EXPECT_EQ(AboutVersionText(QString::fromLatin1(v.version)).toStdString(), v.text) << v.version;
}

TEST(AboutDlg, ShowsTheProductTheMakerTheSystemAndItsMemory)
{
    TAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About - Korvane"));
    // The box is as wide as the form unless the system's line needs more.
    EXPECT_EQ(dlg.height(), 330);
    EXPECT_EQ(dlg.width(), std::max(416, dlg.Label4->geometry().right() + 9));
    const struct {
        QLabel* label;
        QPoint at;
        QString text;
    } labels[] = {
        {dlg.StaticText1, {141, 12}, QStringLiteral("Korvane")},
        {dlg.Label1, {141, 43}, QStringLiteral("Version: ")},
        {dlg.Label12, {194, 43}, AboutVersionText(QStringLiteral(KORVANE_VERSION_TEXT))},
        {dlg.Label3, {141, 64}, BuiltinString(1505)},
        {dlg.Label7, {141, 85}, QStringLiteral("http://www.tarnwick.com")},
        {dlg.Label6, {141, 106}, QStringLiteral("support@tarnwick.com")},
        {dlg.Label2, {141, 127}, BuiltinString(1504)},
        {dlg.Label4, {141, 248}, GetWindowsVersionText()},
        {dlg.Label5, {141, 266}, QStringLiteral("Memory availble to windows: ")},
    };
    for (const auto& l : labels) {
        EXPECT_EQ(l.label->pos(), l.at) << l.label->objectName().toStdString();
        EXPECT_EQ(l.label->text(), l.text) << l.label->objectName().toStdString();
    }
    EXPECT_FALSE(dlg.Label12->text().isEmpty());
    EXPECT_TRUE(dlg.Label11->text().endsWith(QStringLiteral(" KB")));
    EXPECT_GE(dlg.Label11->x(), 308);
    EXPECT_GT(dlg.Label11->x(), dlg.Label5->geometry().right());
    EXPECT_EQ(dlg.OKBtn->text(), QStringLiteral("&OK"));
    EXPECT_EQ(dlg.OKBtn->geometry(), QRect(dlg.width() - 82, 298, 75, 25));
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    EXPECT_EQ(dlg.Image1->geometry(), QRect(8, 12, 120, 280));
    testsupport::ExpectChildrenInside(&dlg);
}

TEST(AboutDlg, GermanTextsFitBesideTheirValues)
{
    testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Info - Korvane"));
    EXPECT_EQ(dlg.Label5->text(), QStringLiteral("Verfügbarer Arbeitsspeicher: "));
    // The memory figure is grouped as German writes numbers, whatever the system's language.
    EXPECT_EQ(dlg.Label11->text(),
              MemoryText(uint64_t(::sysconf(_SC_PHYS_PAGES)) * uint64_t(::sysconf(_SC_PAGESIZE)),
                         QStringLiteral(".")));
    // A value never runs into its caption, and nothing leaves the box.
    EXPECT_GT(dlg.Label11->x(), dlg.Label5->geometry().right());
    EXPECT_GT(dlg.Label12->x(), dlg.Label1->geometry().right());
    testsupport::ExpectChildrenInside(&dlg);
    testsupport::ExpectCaptionFits(dlg.OKBtn);
}

TEST(AboutDlg, LinksOpenTheWebSiteAndTheMailAddress)
{
    OpenedAddresses opened;
    TAboutDlg dlg;
    dlg.show();
    QTest::mouseClick(dlg.Label7, Qt::LeftButton);
    QTest::mouseClick(dlg.Label6, Qt::LeftButton);
    QTest::mouseClick(dlg.Label2, Qt::LeftButton);   // not a link
    EXPECT_EQ(opened.urls, (QStringList{QStringLiteral("http://www.tarnwick.com"),
                                        QStringLiteral("mailto:support@tarnwick.com")}));
    EXPECT_EQ(dlg.Label7->cursor().shape(), Qt::PointingHandCursor);
}

TEST(AboutDlg, HelpMenuOpensItModallyOverTheMainWindow)
{
    const PaperType paper = testpaper::WithCatalogueTexts(
        testpaper::Discs(NameGUID("about-test"), QStringLiteral("Test CD"), 1170, {{1, 465, 175}}));
    qputenv("KORVANE_PROGRAM_DIR", testsupport::programWithPapers(QStringLiteral("about-program"), {&paper}).toLocal8Bit());
    qputenv("KORVANE_REGISTRY_DIR", testsupport::freshDir(QStringLiteral("about-registry")).toLocal8Bit());
    auto* frame = new TMainFrame;
    ASSERT_TRUE(frame->CreatedOk());
    bool shown = false;
    testsupport::WhenShown<TAboutDlg>([&](TAboutDlg* dlg) {
        shown = true;
        EXPECT_EQ(dlg->parentWidget(), frame);
        EXPECT_TRUE(dlg->isModal());
        dlg->OKBtn->click();
    });
    frame->HelpAboutItem->trigger();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(frame->findChildren<TAboutDlg*>().isEmpty());   // freed after it closed
    delete frame;
    qunsetenv("KORVANE_PROGRAM_DIR");
}
