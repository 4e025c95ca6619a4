// Printing a document and a wizard sheet through the PDF printer, as the user does it: the
// print dialog, the progress dialog and the job's worker; the PDF is rasterised with pdftoppm
// and probed.
#include "app/main_frame.h"

#include "app/paper_tree.h"
#include "app/print_dlg.h"
#include "app/print_progress_dlg.h"
#include "app/print_wizard_dlg.h"
#include "controls/print_panel.h"
#include "document/child_frame.h"
#include "document/paper_catalogue.h"
#include "document/print_job.h"
#include "document/print_worker.h"
#include "document/rectangle.h"
#include "platform/file_utils.h"
#include "platform/printer.h"
#include "platform/registry.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"
#include "tests/support/test_papers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTreeWidget>
#include <cmath>
#include <filesystem>
#include <thread>

namespace {

using testsupport::WhenShown;

const TGUID FourLabels = testpaper::Id(71);
const TGUID Missing = testpaper::Id(72);
const TGUID TwoDiscs = testpaper::Id(75);

// Four 90 x 60 mm labels on A4: two rows of two.
PaperType FourLabelSheet()
{
    return testpaper::WithCatalogueTexts(testpaper::Rectangles(
        FourLabels, QStringLiteral("Four"), 900, 600, {{0, 100, 100}, {0, 1100, 100}, {0, 100, 1000}, {0, 1100, 1000}}));
}

// Centres of the four labels in 0.1 mm.
const QPoint LabelCentres[] = {{550, 400}, {1550, 400}, {550, 1300}, {1550, 1300}};

bool HavePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

QString RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& pdf)
{
    for (const QString& line : RunTool(QStringLiteral("pdfinfo"), {pdf}).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// Page n (from 1) of the PDF at dpi.
QImage PdfPage(const QString& pdf, int n, int dpi)
{
    const QString out = testsupport::freshDir(QStringLiteral("raster")) + QStringLiteral("/p");
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(n),
                                     QStringLiteral("-l"), QString::number(n), QStringLiteral("-singlefile"),
                                     QStringLiteral("-png"), pdf, out});
    return QImage(out + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// The pixel of a page image at a point given in 0.1 mm of an A4 sheet.
QRgb At(const QImage& page, QPoint tenths)
{
    return page.pixel(int(tenths.x() * page.width() / 2100.0), int(tenths.y() * page.height() / 2970.0));
}

// Runs f on the print dialog once its frame shows.
template <class F>
void WhenPrintDialogShown(F f)
{
    QTimer::singleShot(0, [f] {
        QWidget* frame = QApplication::activeModalWidget();
        ASSERT_NE(frame, nullptr);
        auto* dlg = frame->findChild<TPagePrintDlg*>();
        ASSERT_NE(dlg, nullptr);
        f(dlg);
    });
}

bool IsRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

bool IsWhite(QRgb c)
{
    return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245;
}

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HavePoppler())
            GTEST_SKIP() << "poppler-utils (pdftoppm, pdfinfo) is not installed";
        const PaperType four = FourLabelSheet();
        const PaperType discs =
            testpaper::WithCatalogueTexts(testpaper::TwoDiscsA4(TwoDiscs, QStringLiteral("Discs")));
        ++counter;
        const QString program =
            testsupport::programWithPapers(QStringLiteral("print-program-%1").arg(counter), {&four, &discs});
        qputenv("KORVANE_PROGRAM_DIR", program.toLocal8Bit());
        registry = testsupport::freshDir(QStringLiteral("print-registry-%1").arg(counter));
        qputenv("KORVANE_REGISTRY_DIR", registry.toLocal8Bit());
        qputenv("TMPDIR", testsupport::freshDir(QStringLiteral("print-tmp-%1").arg(counter)).toLocal8Bit());
        out = testsupport::freshDir(QStringLiteral("print-out-%1").arg(counter));
        pdf = out + QStringLiteral("/sheet.pdf");
        Printer()->SetPdfFile(pdf);
        Printer()->SetPrinterIndex(int(Printer()->Printers().size()) - 1);
        Printer()->SetCopies(1);
        {
            TRegIniFile reg(ProductKey());
            reg.WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(FourLabels));
            reg.WriteBool(BasicInfo(), QStringLiteral("FullPageMode"), false);
        }
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
    }
    void TearDown() override
    {
        SetPrintJobStartHook(nullptr);
        Printer()->SetPdfFile(QString());
        delete frame.data();
    }

    // A new document on the four-label sheet (or another) whose label is red all over.
    TChildFrame* RedDocument(bool fullPage = false, const TGUID& paper = FourLabels)
    {
        {
            TRegIniFile reg(ProductKey());
            reg.WriteBool(BasicInfo(), QStringLiteral("FullPageMode"), fullPage);
            reg.WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(paper));
        }
        frame->OpenDocumentFile(QStringLiteral("Edit%1").arg(++documents));
        TChildFrame* doc = frame->ActiveDocument();
        if (!doc)
            return nullptr;
        auto* r = new CRectangle(doc);
        r->CoreColor = clRed;
        r->LineColor = clRed;
        r->SetBounds(0, 0, doc->ClientWidth(), doc->ClientHeight());
        return doc;
    }

    // Answers the print dialog: the positions to tick (none given: as they stand), copies,
    // resolution and style, then OK.
    void AnswerPrintDialog(std::vector<int> ticks, int copies, int resolution = 1, int style = 0, bool ok = true)
    {
        WhenPrintDialogShown([=](TPagePrintDlg* dlg) {
            if (!ticks.empty()) {
                dlg->CheckBoxFull->setChecked(false);
                for (int i = 0; i < int(dlg->CatalogPaper->Shapes.size()); ++i)
                    dlg->PositionBox(i)->setChecked(std::find(ticks.begin(), ticks.end(), i) != ticks.end());
            }
            static_cast<QSpinBox*>(dlg->PD->DialogItem(PrintCopiesEditItem))->setValue(copies);
            dlg->ResolutionComboBox->setCurrentIndex(resolution);
            dlg->PrintStyleComboBox->setCurrentIndex(style);
            static_cast<QPushButton*>(dlg->PD->DialogItem(ok ? PrintOkItem : PrintCancelItem))->click();
        });
    }

    static inline int counter = 0;
    int documents = 0;
    QString registry, out, pdf;
    QPointer<TMainFrame> frame;
    testsupport::MessageRecorder recorder{IDNO};
};

TEST_F(PrintJobTest, CopiesArePagesAndOnlyTickedPositionsPrintWhileThePreviewShowsAll)
{
    TChildFrame* doc = RedDocument();
    ASSERT_NE(doc, nullptr);
    AnswerPrintDialog({0, 3}, 3);
    doc->PrintDocument();
    EXPECT_TRUE(recorder.texts.isEmpty()) << recorder.texts.join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(PdfPages(pdf), 3);
    for (int page = 1; page <= 3; ++page) {
        const QImage image = PdfPage(pdf, page, 20);
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(IsRed(At(image, LabelCentres[0]))) << page;
        EXPECT_TRUE(IsWhite(At(image, LabelCentres[1]))) << page;
        EXPECT_TRUE(IsWhite(At(image, LabelCentres[2]))) << page;
        EXPECT_TRUE(IsRed(At(image, LabelCentres[3]))) << page;
        EXPECT_TRUE(IsWhite(At(image, {50, 50}))) << page;
    }
    // The sheet goes out in bands of rows; where they meet (at 32.5 mm, inside the first label)
    // no seam shows.
    const QImage fine = PdfPage(pdf, 1, 150);
    int light = 0;
    for (int y = 150; y <= 650; ++y)
        light += !IsRed(At(fine, {550, y}));
    EXPECT_EQ(light, 0);

    // The ticks stay with the catalogue's paper for the next print; the job ran to its end.
    const PaperType* record = FindPaperType(FourLabels);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Shapes[0].Selected, 1);
    EXPECT_EQ(record->Shapes[1].Selected, 0);
    EXPECT_EQ(record->Shapes[3].Selected, 1);
    EXPECT_FALSE(doc->PrintThread->Running());
    EXPECT_EQ(Printer()->Copies(), 3);

    // The preview shows the page on every position, ticked or not.
    const std::unique_ptr<QPicture> picture = doc->PreviewPicture();
    QImage preview(210, 297, QImage::Format_RGB32);
    preview.fill(Qt::white);
    {
        QPainter p(&preview);
        p.scale(0.1, 0.1);
        p.drawPicture(0, 0, *picture);
    }
    for (const QPoint& centre : LabelCentres)
        EXPECT_TRUE(IsRed(At(preview, centre)));
}

TEST_F(PrintJobTest, CancelInThePrintDialogPrintsNothingAndKeepsTheTicks)
{
    TChildFrame* doc = RedDocument();
    ASSERT_NE(doc, nullptr);
    AnswerPrintDialog({1}, 2, 1, 0, false);
    doc->PrintDocument();
    EXPECT_FALSE(QFile::exists(pdf));
    for (const PaperShape& s : FindPaperType(FourLabels)->Shapes)
        EXPECT_EQ(s.Selected, 0);
    TRegIniFile reg(ProductKey());
    EXPECT_EQ(reg.ReadString(BasicInfo(), QStringLiteral("Res"), QStringLiteral("none")), QStringLiteral("none"));
}

TEST_F(PrintJobTest, FullPageModePrintsTheSheetAt200DpiWhateverTheResolution)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
        GTEST_SKIP() << "pdfimages is not installed";
    TChildFrame* doc = RedDocument(true);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->PageMode, PageModeFull);
    AnswerPrintDialog({}, 1, 0);
    doc->PrintDocument();
    ASSERT_EQ(PdfPages(pdf), 1);
    // "page num type width height color comp bpc enc interp object ID x-ppi y-ppi ..."
    const QStringList lines = RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3);
    const QStringList row = lines[2].simplified().split(QLatin1Char(' '));
    ASSERT_GE(row.size(), 14);
    EXPECT_EQ(row[3].toInt(), 1654);   // RoundValue(2100 x 0.003937 x 200)
    EXPECT_EQ(row[4].toInt(), 2339);
    EXPECT_EQ(row[8], QStringLiteral("image"));   // kept lossless, never re-encoded as JPEG
    EXPECT_EQ(row[12].toInt(), 200);
    EXPECT_EQ(row[13].toInt(), 200);
    EXPECT_TRUE(IsRed(At(PdfPage(pdf, 1, 20), {1000, 1500})));
}

TEST_F(PrintJobTest, GreyscaleOutputHasNoColour)
{
    TChildFrame* doc = RedDocument();
    ASSERT_NE(doc, nullptr);
    AnswerPrintDialog({0, 1, 2, 3}, 1, 2, 1);
    doc->PrintDocument();
    const QImage page = PdfPage(pdf, 1, 30);
    ASSERT_FALSE(page.isNull());
    int coloured = 0, dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = page.pixel(x, y);
            coloured += std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)}) > 2;
            dark += qGray(c) < 200;
        }
    EXPECT_EQ(coloured, 0);
    EXPECT_GT(dark, 1000);   // the red labels came out as grey, not blank
}

TEST_F(PrintJobTest, CancelInTheProgressDialogPrintsNoPageAndJoinsTheWorker)
{
    TChildFrame* doc = RedDocument();
    ASSERT_NE(doc, nullptr);
    // The worker waits before its document until it is told to stop.
    std::atomic<bool> waited{false};
    SetPrintJobStartHook([&](TPrintWorker& worker) {
        while (!worker.StopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        waited = true;
    });
    AnswerPrintDialog({0}, 2);
    QString info;
    QTimer::singleShot(0, [&] {
        // The progress dialog follows the print dialog.
        WhenShown<TPrintProgressDlg>([&](TPrintProgressDlg* dlg) {
            info = dlg->Info->text();
            EXPECT_TRUE(dlg->ThreadHandle && dlg->ThreadHandle->Running());
            dlg->CancelBtn->click();
        });
    });
    doc->PrintDocument();
    EXPECT_TRUE(waited);
    EXPECT_FALSE(doc->PrintThread->Running());
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(info.contains(doc->Caption())) << info.toStdString();
    EXPECT_TRUE(info.contains(pdf)) << info.toStdString();
    EXPECT_TRUE(recorder.texts.isEmpty());
}

TEST_F(PrintJobTest, AJobThatCannotWriteItsOutputReportsWhyAndEnds)
{
    TChildFrame* doc = RedDocument();
    ASSERT_NE(doc, nullptr);
    Printer()->SetPdfFile(out + QStringLiteral("/no such folder/sheet.pdf"));
    AnswerPrintDialog({0}, 1);
    doc->PrintDocument();
    EXPECT_FALSE(doc->PrintThread->Running());
    ASSERT_EQ(recorder.texts.size(), 1);
    EXPECT_TRUE(recorder.texts[0].contains(QLatin1String("sheet.pdf"))) << recorder.texts[0].toStdString();
}

TEST_F(PrintJobTest, RefusalsComeBeforeTheDialog)
{
    TChildFrame* doc = RedDocument();
    ASSERT_NE(doc, nullptr);
    // An empty document asks first; Yes stops.
    for (CDesignObject* o : doc->Objects())
        delete o;
    recorder.answer = IDYES;
    doc->PrintDocument();
    ASSERT_EQ(recorder.texts.size(), 1);
    EXPECT_EQ(recorder.texts[0], LoadLangStr(NothingToPrintString));
    EXPECT_FALSE(QFile::exists(pdf));

    // A paper the catalogue no longer has is reported, not printed from a null record.
    recorder.answer = IDNO;
    recorder.texts.clear();
    doc->Paper->ID = Missing;
    doc->PrintDocument();
    ASSERT_EQ(recorder.texts.size(), 2);
    EXPECT_EQ(recorder.texts[1], LoadLangStr(UnknownPaperString));
    TPagePrintDlg dialog(doc);
    EXPECT_EQ(dialog.CatalogPaper, nullptr);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintJobTest, WizardPrintsOneDocumentOnTwoPositionsAsManyCopiesAsAsked)
{
    TChildFrame* doc = RedDocument();
    ASSERT_NE(doc, nullptr);
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("PrinterWizardPaperID"), QStringLiteral("not a guid"));
        reg.WriteBool(BasicInfo(), QStringLiteral("FullShape"), true);
    }
    bool reachedPrint = false;
    WhenShown<TMultipleImagePrintWizardDlg>([&](TMultipleImagePrintWizardDlg* wizard) {
        EXPECT_EQ(wizard->Documents().size(), 1);
        wizard->TreeView->setCurrentItem(FindPaperNode(wizard->TreeView, FourLabels));
        ASSERT_TRUE(wizard->NextBtn->isEnabled());
        wizard->NextBtn->click();
        ASSERT_EQ(wizard->RowComboBoxes().size(), 4u);
        EXPECT_EQ(wizard->RowComboBoxes()[0]->count(), 2);
        wizard->RowComboBoxes()[1]->setCurrentIndex(1);
        wizard->RowComboBoxes()[2]->setCurrentIndex(1);
        WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
            reachedPrint = true;
            EXPECT_FALSE(dlg->CheckBoxFull->isChecked());
            EXPECT_FALSE(dlg->PositionBox(0)->isVisibleTo(dlg));
            static_cast<QSpinBox*>(dlg->PD->DialogItem(PrintCopiesEditItem))->setValue(3);
            static_cast<QPushButton*>(dlg->PD->DialogItem(PrintOkItem))->click();
        });
        wizard->NextBtn->click();
        // The print dialog is freed once read, not kept until the wizard goes.
        EXPECT_TRUE(wizard->findChildren<TPagePrintDlg*>().isEmpty());
    });
    frame->MultipleImagePrintWizardItemClick();
    EXPECT_TRUE(reachedPrint);
    ASSERT_EQ(PdfPages(pdf), 3);
    for (int page = 1; page <= 3; ++page) {
        const QImage image = PdfPage(pdf, page, 20);
        EXPECT_TRUE(IsWhite(At(image, LabelCentres[0]))) << page;
        EXPECT_TRUE(IsRed(At(image, LabelCentres[1]))) << page;
        EXPECT_TRUE(IsRed(At(image, LabelCentres[2]))) << page;
        EXPECT_TRUE(IsWhite(At(image, LabelCentres[3]))) << page;
    }
    TRegIniFile reg(ProductKey());
    EXPECT_EQ(reg.ReadString(BasicInfo(), QStringLiteral("PrinterWizardPaperID"), QString()), GUIDToString(FourLabels));
    // The wizard's print dialog left the document's own full-sheet choice as it was.
    EXPECT_TRUE(reg.ReadBool(BasicInfo(), QStringLiteral("FullShape"), false));
}

TEST_F(PrintJobTest, TheHoleOutlinePrintsWholeWithTheCoreMasked)
{
    TChildFrame* doc = RedDocument(false, TwoDiscs);
    ASSERT_NE(doc, nullptr);
    doc->OutlineColor = clBlack;
    for (int resolution : {1, 2}) { // Medium, Low
        SCOPED_TRACE(resolution);
        QFile::remove(pdf);
        WhenPrintDialogShown([=](TPagePrintDlg* dlg) {
            dlg->CheckBoxFull->setChecked(false);
            dlg->PositionBox(0)->setChecked(true);
            dlg->PositionBox(1)->setChecked(false);
            dlg->CheckBoxOutLine->setChecked(true);
            dlg->CheckBoxMaskCore->setChecked(true);
            dlg->ResolutionComboBox->setCurrentIndex(resolution);
            static_cast<QPushButton*>(dlg->PD->DialogItem(PrintOkItem))->click();
        });
        doc->PrintDocument();
        const QImage page = PdfPage(pdf, 1, 300);
        ASSERT_FALSE(page.isNull());
        // The first disc's centre and its hole's radius (20.5 mm), in pixels at 300 dpi.
        const double k = page.width() / 2100.0, cx = 1050 * k, cy = 799 * k, r = 205 * k;
        int gaps = 0;
        for (int step = 0; step < 720; ++step) {
            const double a = step * M_PI / 360;
            bool outline = false;
            for (double d = -8; d <= 8 && !outline; d += 0.5)
                outline =
                    qRed(page.pixel(int(cx + (r + d) * std::cos(a)), int(cy + (r + d) * std::sin(a)))) < 100;
            gaps += !outline;
        }
        EXPECT_EQ(gaps, 0);
        // Inside the outline the hole is cleared; outside it the label is red.
        EXPECT_TRUE(IsWhite(page.pixel(int(cx + r * 0.8), int(cy))));
        EXPECT_TRUE(IsRed(page.pixel(int(cx + r * 1.3), int(cy))));
    }
}

TEST(PrintDocumentFile, PagesGoToAPrivateTemporaryFileThatGoesWithTheDocument)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils (pdftoppm, pdfinfo) is not installed";
    qputenv("TMPDIR", testsupport::freshDir(QStringLiteral("print-document-tmp")).toLocal8Bit());
    const QString out =
        testsupport::freshDir(QStringLiteral("print-document-out")) + QStringLiteral("/sheet.pdf");
    TPrinterTarget target;
    target.Device = TPrinter::PdfPrinterName();
    target.PdfFile = out;
    // Files of the private temporary folder the process holds open, named or not yet named.
    auto pending = [] {
        const std::string folder = QFileInfo(TempDir()).canonicalFilePath().toStdString() + '/';
        int open = 0;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            open += std::filesystem::read_symlink(fd.path(), error).string().starts_with(folder);
        }
        return open;
    };
    for (const bool end : {false, true}) {
        SCOPED_TRACE(end);
        TPrintDocument document(target);
        document.BeginDoc(2100, 2970);
        for (int page = 0; page < 3; ++page) {
            if (page > 0)
                document.NewPage();
            document.Canvas()->fillRect(QRect(100, 100, 500, 500), Qt::red);
        }
        // The pages go into a file of the private folder, not into memory.
        EXPECT_EQ(pending(), 1);
        if (end)
            document.EndDoc();
        else
            document.Abort();
        EXPECT_EQ(pending(), 0);
        EXPECT_TRUE(QDir(TempDir()).entryList(QDir::Files).isEmpty());
        EXPECT_EQ(QFile::exists(out), end);
    }
    EXPECT_EQ(PdfPages(out), 3);
}

TEST_F(PrintJobTest, WizardRefusesToPrintWithoutAnAssignment)
{
    ASSERT_NE(RedDocument(), nullptr);
    WhenShown<TMultipleImagePrintWizardDlg>([&](TMultipleImagePrintWizardDlg* wizard) {
        wizard->TreeView->setCurrentItem(FindPaperNode(wizard->TreeView, FourLabels));
        wizard->NextBtn->click();
        wizard->NextBtn->click();
        EXPECT_TRUE(wizard->isVisible());
        wizard->CancelBtn->click();
    });
    frame->MultipleImagePrintWizardItemClick();
    ASSERT_EQ(recorder.texts.size(), 1);
    EXPECT_EQ(recorder.texts[0], LoadLangStr(NoImageChosenString));
    EXPECT_FALSE(QFile::exists(pdf));
}

} // namespace

namespace {

TEST(SheetBands, CutsOnlyWhereNoLabelIsAndCoverEveryRowOnce)
{
    const PaperType twoDiscs = testpaper::TwoDiscsA4(testpaper::Id(73), QStringLiteral("Two"));
    PaperType whole = testpaper::Rectangles(testpaper::Id(74), QStringLiteral("Whole"), 2100, 2970, {{1, 0, 0}});
    const struct {
        const PaperType* paper;
        bool placeLabels;
        size_t bands;
    } cases[] = {
        {&twoDiscs, true, 5},   // above, first disc, between, second disc, below
        {&twoDiscs, false, 5},  // nothing placed: even bands of SheetBandRows
        {&whole, true, 1},      // a label over the whole sheet is never cut
    };
    for (const auto& c : cases) {
        std::vector<TSheetPosition> positions;
        if (c.placeLabels)
            for (const PaperShape& s : c.paper->Shapes)
                positions.push_back({s.X, s.Y, nullptr, clBlack});
        const TSize size = SheetBitmapSize(*c.paper);
        const auto bands = SheetBands(*c.paper, positions);
        EXPECT_EQ(bands.size(), c.bands) << c.paper->Name.toStdString();
        int next = 0;
        for (const auto& [top, rows] : bands) {
            EXPECT_EQ(top, next);
            EXPECT_GT(rows, 0);
            next = top + rows;
            // A cut never runs through a label.
            const float s = float(size.cx) / float(c.paper->PaperWidth);
            for (const TSheetPosition& p : positions) {
                const float labelTop = p.Y * s, labelBottom = (p.Y + c.paper->ShapeHeight) * s;
                EXPECT_FALSE(top > labelTop && top < labelBottom) << top;
            }
        }
        EXPECT_EQ(next, size.cy);
    }
}

} // namespace
