// The track-list dialog with a disc image as its drive and a CDDB server on loopback: the disc
// as the server sees it, the query and site rounds through the dialog's own buttons, failures
// that leave the buttons usable, the font size, the template, and closing while waiting.
#include "cddb_server.h"
#include "controls/font_combo_box.h"
#include "disc_images.h"
#include "discdata/cddb_list_dlg.h"
#include "document/std.h"
#include "platform/registry.h"
#include "script_server.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>

using cddbserver::Loopback;
using cddbserver::Script;
using cddbserver::TCddbServer;
using scriptserver::WaitFor;

namespace {

// Picks row of the next chooser that opens; counts the choosers seen.
class ChooserAnswer {
public:
    explicit ChooserAnswer(int row) : m_row(row)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* chooser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!chooser || chooser->objectName() != QLatin1String("Chooser"))
                return;
            auto* list = chooser->findChild<QListWidget*>(QStringLiteral("ChooserList"));
            captions << chooser->windowTitle();
            titleFits << (chooser->width() >=
                          chooser->fontMetrics().horizontalAdvance(chooser->windowTitle()));
            for (int i = 0; i < list->count(); ++i)
                items << list->item(i)->text();
            list->setCurrentRow(m_row);
            emit list->itemClicked(list->item(m_row));
        });
        m_timer.start();
    }
    QStringList captions, items;
    QList<bool> titleFits;

private:
    int m_row;
    QTimer m_timer;
};

class CDDBListDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ++counter;
        qputenv("KORVANE_REGISTRY_DIR",
                testsupport::freshDir(QStringLiteral("cddbdlg-reg-%1").arg(counter)).toLocal8Bit());
        const QString dir = testsupport::freshDir(QStringLiteral("cddbdlg-discs-%1").arg(counter));
        album = discimages::Make(dir, QStringLiteral("album"), {{true, 180 * 75}, {true, 240 * 75}});
        data = discimages::Make(dir, QStringLiteral("data"), {{false, 60 * 75}});
        SetDrives({data, album});
    }
    void TearDown() override
    {
        qunsetenv("KORVANE_CD_DRIVES");
        TCDDBListDlg::SetTemplateQuery(nullptr);
    }
    static void SetDrives(const QStringList& drives)
    {
        qputenv("KORVANE_CD_DRIVES", drives.join(u':').toLocal8Bit());
    }
    static void SetServer(const QString& host)
    {
        TRegIniFile(ProductKey()).WriteString(BasicInfo(), QStringLiteral("CDDBServer"), host);
    }
    static QStringList Lines(const TCDDBListDlg& d) { return d.Memo->toPlainText().split(u'\n'); }

    QString album, data;
    static inline int counter = 0;
};

} // namespace

TEST_F(CDDBListDlgTest, ChoosesTheFirstAudioDriveAndListsItsTracks)
{
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    EXPECT_EQ(dlg.CDDriverComboBox->currentText(), album);
    EXPECT_EQ(Lines(dlg), (QStringList{QStringLiteral("01.  [03:00]"), QStringLiteral("02.  [04:00]")}));
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("Unknow"));
    EXPECT_TRUE(dlg.ConnectBtn->isEnabled());
    EXPECT_TRUE(boxes.texts.isEmpty());
    // The data disc has no audio: a message, and no lookup.
    dlg.CDDriverComboBox->setCurrentIndex(0);
    dlg.CDDriverComboBoxChange();
    EXPECT_EQ(boxes.texts,
              QStringList{QStringLiteral("There is No Disk or one Disk with no Audio Track in this Driver")});
    EXPECT_FALSE(dlg.ConnectBtn->isEnabled());
    EXPECT_TRUE(dlg.Memo->toPlainText().isEmpty());
}

TEST_F(CDDBListDlgTest, NoAudioDriveAtStartSelectsNothingAndSaysNothing)
{
    SetDrives({data});
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    EXPECT_EQ(dlg.CDDriverComboBox->currentIndex(), -1);
    EXPECT_FALSE(dlg.ConnectBtn->isEnabled());
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(CDDBListDlgTest, QueryRoundSendsTheDiscAsTheServerKnowsIt)
{
    TCddbServer server(Script{}, Loopback(41));
    ASSERT_TRUE(server.Ok());
    SetServer(QString::fromLatin1(Loopback(41)));
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    ChooserAnswer answer(1);
    dlg.ConnectBtnClick();
    EXPECT_FALSE(dlg.ConnectBtn->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return dlg.Panel1->text() == QLatin1String("Success!"); }));
    ASSERT_TRUE(WaitFor([&] { return server.Done(); }));
    EXPECT_EQ(server.Received(), QByteArray("CDDB HELLO unknow unknow Dovrin 2\r\n"
                                            "proto 6\r\n"
                                            "discid 2 150 13650 422\r\n"
                                            "cddb query 0d01a402 2 150 13650 422\r\n"
                                            "cddb read misc 0d01a402\r\n"
                                            "quit\r\n"));
    EXPECT_EQ(answer.captions, QStringList{QStringLiteral("Album List, Select one...")});
    EXPECT_EQ(answer.items.size(), 2);
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("Second Album"));
    EXPECT_EQ(dlg.Edit2->text(), QStringLiteral("Second Artist"));
    EXPECT_EQ(Lines(dlg),
              (QStringList{QStringLiteral("01. Opening [03:00]"), QStringLiteral("02. Closing [04:00]")}));
    EXPECT_TRUE(dlg.ConnectBtn->isEnabled());
    EXPECT_TRUE(dlg.OKBtn->isEnabled());
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(CDDBListDlgTest, SiteRoundChoosesTheServerForTheQuery)
{
    Script sites;
    sites.sites = QByteArray("210 OK, site information follows\r\n") + Loopback(43) +
                  " cddbp 8880 N000.00 W000.00 Loopback\r\n"
                  "cddb.example cddbp 8880 N000.00 W000.00 Elsewhere\r\n.\r\n";
    TCddbServer siteServer(sites, Loopback(42));
    TCddbServer queryServer(Script{}, Loopback(43));
    ASSERT_TRUE(siteServer.Ok() && queryServer.Ok());
    SetServer(QString::fromLatin1(Loopback(42)));
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    dlg.SelectSiteChk->setChecked(true);
    ChooserAnswer answer(0);
    dlg.ConnectBtnClick();
    ASSERT_TRUE(WaitFor([&] { return dlg.Panel1->text() == QLatin1String("Success!"); }));
    ASSERT_TRUE(WaitFor([&] { return siteServer.Done(); }));
    EXPECT_EQ(siteServer.Received(),
              QByteArray("CDDB HELLO unknow unknow Dovrin 2\r\nproto 6\r\nSITES\r\nquit\r\n"));
    EXPECT_TRUE(queryServer.Received().startsWith(
        "CDDB HELLO unknow unknow Dovrin 2\r\nproto 6\r\ndiscid 2 150 13650 422\r\n"));
    EXPECT_EQ(answer.captions.value(0), QStringLiteral("Select One of CDDB Servers"));
    EXPECT_EQ(answer.items.mid(0, 2),
              (QStringList{QString::fromLatin1(Loopback(43)), QStringLiteral("cddb.example")}));
}

// Lookups that fail: one message saying how, the status line left at it, and the buttons
// usable again.
struct DialogFailure {
    const char* name;
    const char* server; // the host setting
    bool siteRound;
    bool listening; // a server answers there
    std::function<void(Script&)> change;
    const char* message;
};

class CDDBListDlgFailureTest : public CDDBListDlgTest, public ::testing::WithParamInterface<int> {};

static std::vector<DialogFailure> DialogFailures()
{
    return {
        {"Unresolvable", "no-such-host.invalid", false, false, nullptr,
         "Network error : code = 11001 (Host not found)"},
        {"Refused", Loopback(51), false, false, nullptr, "Network error : code = 10061 (Connection refused)"},
        {"EmptySiteList", Loopback(52), true, true,
         [](Script& s) { s.sites = "210 OK, site information follows\r\n.\r\n"; }, "CDDB No Found"},
        {"NoMatch", Loopback(53), false, true, [](Script& s) { s.query = "202 No match found.\r\n"; },
         "CDDB No Found"},
        {"BadGreeting", Loopback(54), false, true,
         [](Script& s) { s.greeting = "432 No connections allowed\r\n"; }, "CDDB Query Error"},
        {"Silent", Loopback(55), false, true, [](Script& s) { s.silent = true; },
         "Network error : code = 10060 (Connection timed out)"},
        {"SilentSiteRound", Loopback(56), true, true, [](Script& s) { s.silent = true; },
         "Network error : code = 10060 (Connection timed out)"},
        {"Trickling", Loopback(57), false, true, [](Script& s) { s.trickleMs = 2; },
         "Network error : code = 10060 (Connection timed out)"},
        {"ClosedInsideRecord", Loopback(58), false, true,
         [](Script& s) {
             s.query = "211 Found inexact matches\r\nrock 0d01a402 First Artist / First Album\r\n.\r\n";
             s.read = "210 rock 0d01a402 CD database entry follows\r\nDTITLE=First Art<close>";
         },
         "The connection ended before the lookup had a result."},
        {"ClosedInsideSiteList", Loopback(59), true, true,
         [](Script& s) { s.sites = "210 OK, site information follows\r\ncddb1.example cddbp<close>"; },
         "The connection ended before the lookup had a result."},
    };
}

TEST_P(CDDBListDlgFailureTest, ReportsAndEnablesTheButtonsAgain)
{
    const DialogFailure f = DialogFailures()[GetParam()];
    Script script;
    if (f.change)
        f.change(script);
    std::unique_ptr<TCddbServer> server;
    if (f.listening) {
        server = std::make_unique<TCddbServer>(script, f.server);
        ASSERT_TRUE(server->Ok());
    }
    SetServer(QString::fromLatin1(f.server));
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    dlg.SelectSiteChk->setChecked(f.siteRound);
    if (script.silent || script.trickleMs) {
        // Only a silent server waits for the watchdog; a slow reply is never taken for silence.
        dlg.CDDBSocket->Wait()->SetInterval(10);
        dlg.CDDBSocket->SetTimeout(20);
    }
    ChooserAnswer answer(0);
    dlg.ConnectBtnClick();
    ASSERT_TRUE(WaitFor([&] { return dlg.ConnectBtn->isEnabled() && !boxes.texts.isEmpty(); })) << f.name;
    WaitFor([] { return false; }, 30);
    EXPECT_EQ(boxes.texts, QStringList{QString::fromUtf8(f.message)}) << f.name;
    EXPECT_EQ(dlg.Panel1->text(), QString::fromUtf8(f.message)) << f.name;
    EXPECT_TRUE(dlg.OKBtn->isEnabled()) << f.name;
    EXPECT_TRUE(answer.captions.isEmpty()) << f.name;
    if (server && f.siteRound) {
        EXPECT_FALSE(server->Received().contains("discid")) << f.name;
    }
    EXPECT_EQ(dlg.CDDBSocket->State(), wsClosed) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Lookups, CDDBListDlgFailureTest, ::testing::Range(0, int(DialogFailures().size())),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(DialogFailures()[i.param].name);
                         });

TEST_F(CDDBListDlgTest, ClosingWhileWaitingForTheSiteListEndsTheWait)
{
    Script script;
    script.silent = true;
    TCddbServer server(script, Loopback(44));
    ASSERT_TRUE(server.Ok());
    SetServer(QString::fromLatin1(Loopback(44)));
    testsupport::MessageRecorder boxes(IDYES);
    TCDDBListDlg dlg(nullptr);
    dlg.SelectSiteChk->setChecked(true);
    dlg.show();
    QTimer::singleShot(50, &dlg, [&] { dlg.CancelBtnClick(); });
    dlg.ConnectBtnClick();
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("File List Data will be lost!\nContinute exit?")});
    EXPECT_EQ(dlg.CDDBSocket->State(), wsClosed);
}

// The owner may go while a list of matches or servers is open: the dialog and its client go
// with it, and nothing they left behind runs on.
TEST_F(CDDBListDlgTest, OwnerGoingWhileAListIsOpen)
{
    for (const bool siteRound : {false, true}) {
        const char* address = Loopback(siteRound ? 46 : 45);
        TCddbServer server(Script{}, address);
        ASSERT_TRUE(server.Ok());
        SetServer(QString::fromLatin1(address));
        testsupport::MessageRecorder boxes;
        QPointer<QWidget> owner = new QWidget;
        QPointer<TCDDBListDlg> dlg = new TCDDBListDlg(owner);
        dlg->SelectSiteChk->setChecked(siteRound);
        QStringList captions;
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            auto* chooser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (owner && chooser && chooser->objectName() == QLatin1String("Chooser")) {
                captions << chooser->windowTitle();
                delete owner.data();
            }
        });
        closer.start();
        dlg->ConnectBtnClick();
        ASSERT_TRUE(WaitFor([&] { return !dlg; })) << siteRound;
        EXPECT_EQ(captions, QStringList{siteRound ? QStringLiteral("Select One of CDDB Servers")
                                                  : QStringLiteral("Album List, Select one...")});
        WaitFor([] { return false; }, 30);
        EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join(u',').toStdString();
    }
}

TEST_F(CDDBListDlgTest, CancelAsksWhileTracksAreListed)
{
    testsupport::MessageRecorder boxes(IDNO);
    TCDDBListDlg dlg(nullptr);
    dlg.show();
    dlg.CancelBtnClick();
    EXPECT_TRUE(dlg.isVisible());
    boxes.answer = IDYES;
    dlg.CancelBtnClick();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 2);
}

TEST_F(CDDBListDlgTest, NonNumericFontSizeIsRefused)
{
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    dlg.show();
    for (const char* text : {"abc", "", "12x", "0", "-3"}) {
        dlg.FontSize->SetText(QString::fromLatin1(text));
        dlg.FontNameChange(dlg.FontSize);
        dlg.OKBtnClick();
        EXPECT_TRUE(dlg.isVisible()) << text;
    }
    EXPECT_EQ(boxes.texts.size(), 5);
    dlg.FontSize->SetText(QStringLiteral("12"));
    dlg.FontNameChange(dlg.FontSize);
    EXPECT_EQ(dlg.Memo->font().pointSize(), 12);
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.result(), 1);
    TRegIniFile ini(ProductKey());
    EXPECT_TRUE(ini.ReadBool(BasicInfo(), QStringLiteral("CDDB_Chk1"), false));
}

TEST_F(CDDBListDlgTest, TemplateIsAskedStoredAndUsed)
{
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    TCDDBListDlg::SetTemplateQuery([](QString& text) {
        EXPECT_EQ(text, QStringLiteral("&n. &s [&t]"));
        text = QStringLiteral("&t - &n &s&s");
        return true;
    });
    dlg.CustomizeTrackInfoChk->setChecked(true);
    dlg.CustomizeTrackInfoChkClick();
    EXPECT_EQ(Lines(dlg), (QStringList{QStringLiteral("03:00 - 01 "), QStringLiteral("04:00 - 02 ")}));
    EXPECT_EQ(TRegIniFile(ProductKey()).ReadString(BasicInfo(), QStringLiteral("CDDB_Chk3_Flag"), QString()),
              QStringLiteral("&t - &n &s&s"));
    dlg.CustomizeTrackInfoChk->setChecked(false);
    dlg.CustomizeTrackInfoChkClick();
    EXPECT_EQ(Lines(dlg).value(0), QStringLiteral("01.  [03:00]"));
    EXPECT_EQ(dlg.MemoText(), QStringLiteral("01.  [03:00]\r\n02.  [04:00]\r\n"));
}

// Names in every alphabet, from a server at protocol level 6 and from one that stays at its own
// level and ISO 8859-1; a record that leaves a name out, and names holding the template's fields.
TEST_F(CDDBListDlgTest, RecordsInEitherEncodingReachTheLinesWhole)
{
    const struct {
        const char* name;
        QByteArray proto, record;
        QString artist, title;
        QStringList lines;
    } cases[] = {
        {"UTF-8",
         "201 OK, CDDB protocol level now: 6\r\n",
         "DTITLE=Stra\xc3\x9f"
         "e / \xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\r\n"
         "TTITLE0=\xe6\x97\xa5\xe6\x9c\xac\r\nTTITLE1=Stra\xc3\x9f"
         "e\r\n",
         QStringLiteral("Straße"),
         QStringLiteral("Привет"),
         {QStringLiteral("01. 日本 [03:00]"), QStringLiteral("02. Straße [04:00]")}},
        {"Latin-1",
         "501 Illegal protocol level.\r\n",
         "DTITLE=Stra\xdf"
         "e / Caf\xe9\r\nTTITLE0=\xc6sop\r\nTTITLE1=Na\xefve\r\n",
         QStringLiteral("Straße"),
         QStringLiteral("Café"),
         {QStringLiteral("01. Æsop [03:00]"), QStringLiteral("02. Naïve [04:00]")}},
        {"LastNameMissing",
         "201 OK, CDDB protocol level now: 6\r\n",
         "DTITLE=A / B\r\nTTITLE0=Only\r\n",
         QStringLiteral("A"),
         QStringLiteral("B"),
         {QStringLiteral("01. Only [03:00]"), QStringLiteral("02.  [04:00]")}},
        {"FieldsInNames",
         "201 OK, CDDB protocol level now: 6\r\n",
         "DTITLE=A / B\r\nTTITLE0=Five & Six &t &s\r\nTTITLE1=&n&&n\r\n",
         QStringLiteral("A"),
         QStringLiteral("B"),
         {QStringLiteral("01. Five & Six &t &s [03:00]"), QStringLiteral("02. &n&&n [04:00]")}},
    };
    int n = 0;
    for (const auto& c : cases) {
        Script script;
        script.proto = c.proto;
        script.read = "210 misc 0d01a402 CD database entry follows\r\n" + c.record + ".\r\n";
        TCddbServer server(script, Loopback(70 + n++));
        ASSERT_TRUE(server.Ok());
        SetServer(QString::fromLatin1(Loopback(70 + n - 1)));
        testsupport::MessageRecorder boxes;
        TCDDBListDlg dlg(nullptr);
        ChooserAnswer answer(0);
        dlg.ConnectBtnClick();
        ASSERT_TRUE(WaitFor([&] { return dlg.Panel1->text() == QLatin1String("Success!"); })) << c.name;
        EXPECT_EQ(dlg.Edit2->text(), c.artist) << c.name;
        EXPECT_EQ(dlg.Edit1->text(), c.title) << c.name;
        EXPECT_EQ(Lines(dlg), c.lines) << c.name;
        EXPECT_TRUE(boxes.texts.isEmpty()) << c.name;
    }
}

// In every shipped language the font box shows the form's font name whole, and the form keeps
// its controls inside (the captions are checked for every dialog by the translated layouts).
TEST_F(CDDBListDlgTest, FontNameShowsWholeInEveryLanguage)
{
    for (const unsigned language : {0x00010007u, 0x0001000Cu, 0x0001000Au}) {
        testsupport::InterfaceLanguage interfaceLanguage(language);
        ASSERT_TRUE(interfaceLanguage.Loaded()) << language;
        testsupport::MessageRecorder boxes;
        TCDDBListDlg dlg(nullptr);
        EXPECT_EQ(dlg.FontName->currentText(), QStringLiteral("Times New Roman"));
        QStyleOptionComboBox option;
        option.initFrom(dlg.FontName);
        const QSize text(dlg.FontName->fontMetrics().horizontalAdvance(dlg.FontName->currentText()),
                         dlg.FontName->height());
        EXPECT_GE(
            dlg.FontName->width(),
            dlg.FontName->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, dlg.FontName).width())
            << language;
        EXPECT_GT(dlg.Label5->x(), dlg.FontName->geometry().right()) << language;
        testsupport::ExpectChildrenInside(&dlg);
    }
}

// The list of albums is as wide as its title in every language.
TEST_F(CDDBListDlgTest, ChooserShowsItsWholeTitle)
{
    testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TCddbServer server(Script{}, Loopback(47));
    ASSERT_TRUE(server.Ok());
    SetServer(QString::fromLatin1(Loopback(47)));
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    ChooserAnswer answer(0);
    dlg.ConnectBtnClick();
    ASSERT_TRUE(WaitFor([&] { return !answer.captions.isEmpty() && dlg.ConnectBtn->isEnabled(); }));
    EXPECT_EQ(answer.captions, QStringList{LoadLangStr(SelectAlbumCaptionString)});
    EXPECT_EQ(answer.titleFits, QList<bool>{true});
}

// The template's prompt names the fields with their ampersands: the box's label, which takes
// mnemonics, gets them doubled.
TEST_F(CDDBListDlgTest, TemplatePromptShowsTheFieldsWhole)
{
    testsupport::MessageRecorder boxes;
    TCDDBListDlg dlg(nullptr);
    QString prompt;
    QTimer::singleShot(0, [&] {
        auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(input, nullptr);
        for (QLabel* l : input->findChildren<QLabel*>())
            if (!l->text().isEmpty())
                prompt = l->text();
        input->reject();
    });
    dlg.CustomizeTrackInfoChk->setChecked(true);
    dlg.CustomizeTrackInfoChkClick();
    EXPECT_EQ(prompt, QStringLiteral("Track No:&&n ,Track Name:&&s ,Track Time:&&t"));
}
