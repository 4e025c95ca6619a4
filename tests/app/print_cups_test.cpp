// A document printed through a real CUPS scheduler: the test starts its own cupsd on a loopback
// port with its own configuration folder and three queues whose device is a file (one idle, one
// paused, one refusing jobs), prints through the print dialog, and reads what the queue wrote
// and what the scheduler kept of the job.
#include "app/main_frame.h"

#include "app/print_dlg.h"
#include "controls/print_panel.h"
#include "lang/string_ids.h"
#include "document/child_frame.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "platform/file_utils.h"
#include "platform/printer.h"
#include "platform/registry.h"
#include "support/test_support.h"
#include "tests/support/test_papers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>
#include <QTimer>

#include <cups/cups.h>

#include <csignal>
#include <grp.h>
#include <unistd.h>

namespace {

const TGUID TwoLabels = testpaper::Id(91);

QString FindCupsd()
{
    for (const QString& path : {QStringLiteral("/usr/sbin/cupsd"), QStringLiteral("/usr/local/sbin/cupsd")})
        if (QFileInfo(path).isExecutable())
            return path;
    return QStandardPaths::findExecutable(QStringLiteral("cupsd"));
}

int FreePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

void Write(const QString& path, const QString& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

// A scheduler of the test's own, run in the foreground and stopped by its process id.
class Scheduler {
public:
    bool Start(const QString& root, QString* why)
    {
        m_root = root;
        m_port = FreePort();
        for (const char* dir : {"spool", "spool/tmp", "cache", "state", "log", "ppd", "bin/filter"})
            QDir(root).mkpath(QString::fromLatin1(dir));
        // The scheduler's own programs, and one filter that hands the PDF to the device as it is:
        // with no filter at all the scheduler writes nothing to a file device.
        for (const char* dir : {"daemon", "backend", "notifier", "cgi-bin"})
            QFile::link(QStringLiteral("/usr/lib/cups/") + QString::fromLatin1(dir), root + QStringLiteral("/bin/") + QString::fromLatin1(dir));
        const QString filter = root + QStringLiteral("/bin/filter/passthrough");
        Write(filter, QStringLiteral("#!/bin/sh\nif [ -n \"$6\" ]; then exec cat \"$6\"; else exec cat; fi\n"));
        QFile::setPermissions(filter, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        const QString ppd = QStringLiteral(
            "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
            "*LanguageEncoding: ISOLatin1\n*PCFileName: \"LABELS.PPD\"\n*Manufacturer: \"Korvane\"\n"
            "*Product: \"(Label printer)\"\n*ModelName: \"Label file printer\"\n*ShortNickName: \"Label file "
            "printer\"\n"
            "*NickName: \"Label file printer\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: "
            "\"3\"\n*ColorDevice: True\n"
            "*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n"
            "*TTRasterizer: Type42\n*cupsFilter: \"application/pdf 0 passthrough\"\n"
            "*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n*PageSize A4/A4: \"<</PageSize[595 "
            "842]>>setpagedevice\"\n"
            "*PageSize Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
            "*CloseUI: *PageSize\n*OpenUI *PageRegion: PickOne\n*DefaultPageRegion: A4\n"
            "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
            "*PageRegion Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n*CloseUI: *PageRegion\n"
            "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"0 0 595 842\"\n*ImageableArea Letter/US "
            "Letter: \"0 0 612 792\"\n"
            "*DefaultPaperDimension: A4\n*PaperDimension A4/A4: \"595 842\"\n*PaperDimension Letter/US "
            "Letter: \"612 792\"\n"
            "*OpenUI *InputSlot/Media Source: PickOne\n*DefaultInputSlot: Upper\n"
            "*InputSlot Upper/Upper Tray: \"<</MediaPosition 0>>setpagedevice\"\n"
            "*InputSlot Manual/Manual Feed: \"<</MediaPosition 1>>setpagedevice\"\n*CloseUI: *InputSlot\n"
            "*OpenUI *ColorModel/Color Mode: PickOne\n*DefaultColorModel: RGB\n"
            "*ColorModel RGB/Color: \"<</ProcessColorModel /DeviceRGB>>setpagedevice\"\n"
            "*ColorModel Gray/Grayscale: \"<</ProcessColorModel /DeviceGray>>setpagedevice\"\n*CloseUI: "
            "*ColorModel\n"
            "*OpenUI *Resolution/Resolution: PickOne\n*DefaultResolution: 300dpi\n"
            "*Resolution 300dpi/300 DPI: \"<</HWResolution[300 300]>>setpagedevice\"\n"
            "*Resolution 600dpi/600 DPI: \"<</HWResolution[600 600]>>setpagedevice\"\n*CloseUI: *Resolution\n"
            "*OpenUI *Duplex/2-Sided Printing: PickOne\n*DefaultDuplex: None\n"
            "*Duplex None/Off: \"<</Duplex false>>setpagedevice\"\n"
            "*Duplex DuplexNoTumble/Long Edge: \"<</Duplex true/Tumble false>>setpagedevice\"\n*CloseUI: "
            "*Duplex\n");
        for (const char* queue : {"Labels", "Paused", "Closed"})
            Write(root + QStringLiteral("/ppd/%1.ppd").arg(QString::fromLatin1(queue)), ppd);
        // The scheduler's administrators: the group of whoever runs the test.
        const group* own = getgrgid(getgid());
        const QString group = QString::fromUtf8(own ? own->gr_name : "root");
        Write(root + QStringLiteral("/cups-files.conf"),
              QStringLiteral("FileDevice Yes\nServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                             "CacheDir %1/cache\nStateDir %1/state\nErrorLog %1/log/error_log\n"
                             "AccessLog %1/log/access_log\nPageLog %1/log/page_log\nServerBin %1/bin\n"
                             "DataDir /usr/share/cups\nSystemGroup %2\n")
                  .arg(root, group));
        Write(root + QStringLiteral("/cupsd.conf"),
              QStringLiteral("Listen 127.0.0.1:%1\nLogLevel debug\nBrowsing No\nWebInterface No\n"
                             "DefaultAuthType None\n"
                             "<Location />\nOrder allow,deny\nAllow all\n</Location>\n")
                  .arg(m_port));
        m_output = root + QStringLiteral("/printed.pdf");
        Write(root + QStringLiteral("/printers.conf"),
              QStringLiteral(
                  "<Printer Labels>\nInfo Label printer\nLocation Test bench\nDeviceURI file://%1\n"
                  "State Idle\nAccepting Yes\nShared No\n</Printer>\n"
                  "<Printer Paused>\nInfo Paused printer\nDeviceURI file:///dev/null\nState Stopped\n"
                  "StateMessage Out of labels\nAccepting Yes\nShared No\n</Printer>\n"
                  "<Printer Closed>\nInfo Closed printer\nDeviceURI file:///dev/null\nState Idle\n"
                  "Accepting No\nShared No\n</Printer>\n")
                  .arg(m_output));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(FindCupsd(), {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/cupsd.conf"),
                                      QStringLiteral("-s"), root + QStringLiteral("/cups-files.conf")});
        if (!m_process.waitForStarted(5000)) {
            *why = QStringLiteral("cupsd did not start: ") + m_process.errorString();
            return false;
        }
        const bool listening = QTest::qWaitFor(
            [&] {
                if (m_process.state() != QProcess::Running)
                    return true;
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
                return probe.waitForConnected(200);
            },
            15000);
        if (m_process.state() != QProcess::Running) {
            *why = QStringLiteral("cupsd ended at once: ") + QString::fromUtf8(m_process.readAll()) + Log();
            return false;
        }
        if (!listening)
            *why = QStringLiteral("cupsd did not listen on its port: ") + Log();
        return listening;
    }
    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(10000)) {
            ::kill(pid_t(m_process.processId()), SIGKILL);
            m_process.waitForFinished(5000);
        }
    }
    ~Scheduler() { Stop(); }
    QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString Output() const { return m_output; }
    QString Log() const
    {
        QFile f(m_root + QStringLiteral("/log/error_log"));
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        // The lines about jobs and errors tell why a job did not come out.
        QStringList lines;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("E ") || line.contains("[Job "))
                lines << QString::fromUtf8(line);
        return lines.mid(std::max<qsizetype>(0, lines.size() - 40)).join(QLatin1Char('\n'));
    }

private:
    QProcess m_process;
    QString m_root, m_output;
    int m_port = 0;
};

QString RunPoppler(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The scheduler's attribute name of a job, as it kept it.
QString JobAttribute(int job, const char* name)
{
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/printers/Labels");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString value;
    if (ipp_attribute_t* a = response ? ippFindAttribute(response, name, IPP_TAG_ZERO) : nullptr) {
        char text[256];
        ippAttributeString(a, text, sizeof text);
        value = QString::fromUtf8(text);
    }
    ippDelete(response);
    return value;
}

// The newest job the scheduler holds for queue, 0 for none.
int LastJob(const char* queue)
{
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
    int last = 0;
    for (int i = 0; i < n; ++i)
        last = std::max(last, jobs[i].id);
    cupsFreeJobs(n, jobs);
    return last;
}

// One scheduler for the whole suite; each test opens a document on the two-disc sheet.
class PrintCupsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (FindCupsd().isEmpty()) {
            skipWhy = "cupsd is not installed (cups-daemon)";
            return;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
            skipWhy = "pdftoppm is not installed (poppler-utils)";
            return;
        }
        // The scheduler runs its filter as an unprivileged user when started by root, so its
        // folder must be open to others.
        folder = new QTemporaryDir(QStringLiteral("/tmp/korvane-cups-XXXXXX"));
        const QString root = folder->path();
        QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                        QFile::ExeOther);
        cups = new Scheduler;
        QString why;
        if (!cups->Start(root, &why)) {
            skipWhy = "the CUPS scheduler cannot run here: " + why.toStdString();
            return;
        }
        // Every thread that talks to CUPS reads the server from here.
        qputenv("CUPS_SERVER", cups->Address().toLocal8Bit());
    }
    static void TearDownTestSuite()
    {
        delete cups;
        cups = nullptr;
        delete folder;
        folder = nullptr;
        qunsetenv("CUPS_SERVER");
    }
    void SetUp() override
    {
        if (!skipWhy.empty())
            GTEST_SKIP() << skipWhy;
        const PaperType sheet =
            testpaper::WithCatalogueTexts(testpaper::TwoDiscsA4(TwoLabels, QStringLiteral("Two")));
        qputenv("KORVANE_PROGRAM_DIR",
                testsupport::programWithPapers(QStringLiteral("cups-program"), {&sheet}).toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR", testsupport::freshDir(QStringLiteral("cups-registry")).toLocal8Bit());
        qputenv("TMPDIR", testsupport::freshDir(QStringLiteral("cups-tmp")).toLocal8Bit());
        {
            TRegIniFile reg(ProductKey());
            reg.WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(TwoLabels));
        }
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
        frame->OpenDocumentFile(QStringLiteral("Edit1"));
        doc = frame->ActiveDocument();
        ASSERT_NE(doc, nullptr);
        auto* r = new CRectangle(doc);
        r->CoreColor = clRed;
        r->LineColor = clRed;
        r->SetBounds(0, 0, doc->ClientWidth(), doc->ClientHeight());
        ASSERT_TRUE(Printer()->Printers().contains(QStringLiteral("Labels")))
            << Printer()->Printers().join(QLatin1Char(',')).toStdString();
    }
    void TearDown() override { delete frame.data(); }

    // Runs f on the print dialog once it shows.
    template <class F>
    static void WhenPrintDialogShown(F f)
    {
        QTimer::singleShot(0, [f] {
            auto* dlg = QApplication::activeModalWidget()->findChild<TPagePrintDlg*>();
            ASSERT_NE(dlg, nullptr);
            f(dlg);
        });
    }
    static QComboBox* PrinterBox(TPagePrintDlg* dlg)
    {
        return static_cast<QComboBox*>(dlg->PD->DialogItem(PrintPrinterNameItem));
    }
    static void Choose(TPagePrintDlg* dlg, const QString& printer)
    {
        PrinterBox(dlg)->setCurrentIndex(PrinterBox(dlg)->findText(printer));
    }

    static inline Scheduler* cups = nullptr;
    static inline QTemporaryDir* folder = nullptr;
    static inline std::string skipWhy;
    QPointer<TMainFrame> frame;
    TChildFrame* doc = nullptr;
};

TEST_F(PrintCupsTest, ADocumentPrintsThroughARealSchedulerToItsDevice)
{
    testsupport::MessageRecorder recorder{IDNO};
    QString where;
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        Choose(dlg, QStringLiteral("Labels"));
        where = static_cast<QLabel*>(dlg->PD->DialogItem(PrintWhereItem))->text();
        static_cast<QSpinBox*>(dlg->PD->DialogItem(PrintCopiesEditItem))->setValue(2);
        static_cast<QPushButton*>(dlg->PD->DialogItem(PrintOkItem))->click();
    });
    doc->PrintDocument();
    EXPECT_TRUE(recorder.texts.isEmpty()) << recorder.texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(where, QStringLiteral("Test bench"));
    EXPECT_EQ(Printer()->Device(), QStringLiteral("Labels"));
    // The job's pages went through a file of the private temporary folder, which went with it.
    EXPECT_TRUE(QDir(TempDir()).entryList({QStringLiteral("print-*")}, QDir::Files).isEmpty());

    // The scheduler writes the job to the device file on its own time.
    int pages = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (QFileInfo(cups->Output()).size() > 0)
                for (const QString& line :
                     RunPoppler(QStringLiteral("pdfinfo"), {cups->Output()}).split(QLatin1Char('\n')))
                    if (line.startsWith(QLatin1String("Pages:")))
                        pages = line.mid(6).trimmed().toInt();
            return pages > 0;
        },
        20000));
    EXPECT_EQ(pages, 2) << QFileInfo(cups->Output()).size() << " bytes\n" << cups->Log().toStdString();
    const QString png = folder->path() + QStringLiteral("/page");
    RunPoppler(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-f"), QStringLiteral("2"),
             QStringLiteral("-l"), QStringLiteral("2"), QStringLiteral("-singlefile"), QStringLiteral("-png"),
             cups->Output(), png});
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    // Both discs of the sheet carry the page (probed beside the hole); the margin stays white.
    for (const QPoint centre : {QPoint(650, 799), QPoint(650, 2183)}) {
        const QRgb c = page.pixel(int(centre.x() * page.width() / 2100.0), int(centre.y() * page.height() / 2970.0));
        EXPECT_GT(qRed(c), 200);
        EXPECT_LT(qGreen(c), 60);
    }
    EXPECT_GT(qGray(page.pixel(2, 2)), 245);
}

TEST_F(PrintCupsTest, TheQueuesStateShowsBeforePrintingAndAPausedQueueSaysTheJobWaits)
{
    // What the panel says of each queue, as the scheduler has it now.
    QStringList states;
    testsupport::MessageRecorder recorder{IDOK};
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        for (const char* queue : {"Labels", "Paused", "Closed"}) {
            Choose(dlg, QString::fromLatin1(queue));
            states << static_cast<QLabel*>(dlg->PD->DialogItem(PrintStatusItem))->toolTip() +
                          static_cast<QLabel*>(dlg->PD->DialogItem(PrintStatusItem))->text();
        }
        static_cast<QPushButton*>(dlg->PD->DialogItem(PrintOkItem))->click();
    });
    // Printing to the queue that refuses jobs: told before anything is rendered or sent.
    const int before = LastJob("Closed");
    doc->PrintDocument();
    ASSERT_EQ(states.size(), 3);
    EXPECT_EQ(states[0], QStringLiteral("Ready"));
    EXPECT_TRUE(states[1].contains(QLatin1String("Paused")) &&
                states[1].contains(QLatin1String("Out of labels")))
        << states[1].toStdString();
    EXPECT_TRUE(states[2].contains(QLatin1String("Not accepting jobs"))) << states[2].toStdString();
    ASSERT_EQ(recorder.texts.size(), 1);
    EXPECT_TRUE(recorder.texts[0].contains(QLatin1String("\"Closed\" does not accept jobs")))
        << recorder.texts[0].toStdString();
    EXPECT_EQ(LastJob("Closed"), before);

    // Printing to the paused queue: the job is queued, and the user is told it waits there.
    recorder.texts.clear();
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        Choose(dlg, QStringLiteral("Paused"));
        static_cast<QPushButton*>(dlg->PD->DialogItem(PrintOkItem))->click();
    });
    doc->PrintDocument();
    ASSERT_EQ(recorder.texts.size(), 1);
    EXPECT_TRUE(recorder.texts[0].contains(QLatin1String("\"Paused\" is paused")))
        << recorder.texts[0].toStdString();
    const int waiting = LastJob("Paused");
    ASSERT_GT(waiting, 0);
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "Paused", 0, CUPS_WHICHJOBS_ACTIVE);
    EXPECT_EQ(n, 1);
    cupsFreeJobs(n, jobs);
}

TEST_F(PrintCupsTest, PropertiesListTheQueuesOwnOptionsAndTheChosenOnesGoWithTheJob)
{
    testsupport::MessageRecorder recorder{IDOK};
    QMap<QString, QStringList> listed;
    QString title;
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        Choose(dlg, QStringLiteral("Labels"));
        // The sheet runs modally over the dialog: answered once it shows.
        QTimer::singleShot(0, [&] {
            QDialog* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(sheet, nullptr);
            ASSERT_EQ(sheet->objectName(), QStringLiteral("PrinterProperties"));
            title = sheet->windowTitle();
            // Its buttons speak the interface language, as the panel does.
            QStringList buttons, ours{LoadLangStr(OKButtonString), LoadLangStr(CancelButtonString)};
            for (QPushButton* b : sheet->findChildren<QPushButton*>())
                buttons << b->text();
            buttons.sort();
            ours.sort();
            EXPECT_EQ(buttons, ours);
            for (QComboBox* box : sheet->findChildren<QComboBox*>()) {
                QStringList items;
                for (int i = 0; i < box->count(); ++i)
                    items << box->itemText(i);
                listed[box->objectName()] = items;
            }
            auto choose = [&](const char* option, const QString& text) {
                auto* box = sheet->findChild<QComboBox*>(QString::fromLatin1(option));
                ASSERT_NE(box, nullptr) << option;
                box->setCurrentIndex(box->findText(text, Qt::MatchContains));
                ASSERT_GE(box->currentIndex(), 0) << option << " " << text.toStdString();
            };
            choose("media", QStringLiteral("Letter"));
            choose("sides", listed.value(QStringLiteral("sides")).value(1));
            choose("printer-resolution", listed.value(QStringLiteral("printer-resolution")).value(1));
            sheet->accept();
        });
        static_cast<QPushButton*>(dlg->PD->DialogItem(PrintPropertiesItem))->click();
        static_cast<QPushButton*>(dlg->PD->DialogItem(PrintOkItem))->click();
    });
    doc->PrintDocument();
    EXPECT_TRUE(recorder.texts.isEmpty()) << recorder.texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(title, QStringLiteral("Labels Properties"));
    // The queue's own lists: every option of its driver.
    for (const char* option : {"media", "media-source", "print-color-mode", "printer-resolution", "sides"})
        EXPECT_GE(listed.value(QString::fromLatin1(option)).size(), 2) << option;
    // Shown by their names, not the scheduler's keywords.
    EXPECT_TRUE(listed.value(QStringLiteral("media")).first().startsWith(QLatin1String("A4")))
        << listed.value(QStringLiteral("media")).join(QLatin1Char('|')).toStdString();
    // The job carries the chosen values.
    const int job = LastJob("Labels");
    ASSERT_GT(job, 0);
    EXPECT_EQ(JobAttribute(job, "media"), QStringLiteral("na_letter_8.5x11in"));
    EXPECT_EQ(JobAttribute(job, "sides"), QStringLiteral("two-sided-long-edge"));
    EXPECT_EQ(JobAttribute(job, "printer-resolution"), QStringLiteral("600dpi"));
}

} // namespace
