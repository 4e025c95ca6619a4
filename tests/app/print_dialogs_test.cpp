// The print dialog's layout and options, the hosted print panel, the preview window, the
// progress dialog's hand-shake with its worker, and the print wizard's paper tree, rows, sheet
// preview and document tiles.
#include "app/main_frame.h"

#include "app/new_dlg.h"
#include "app/paper_tree.h"
#include "app/print_dlg.h"
#include "app/print_link.h"
#include "app/print_preview_frame.h"
#include "app/print_preview_image.h"
#include "app/print_wizard_dlg.h"
#include "controls/other_host_dialogs.h"
#include "controls/print_panel.h"
#include "document/child_frame.h"
#include "document/paper_catalogue.h"
#include "document/print_job.h"
#include "document/print_worker.h"
#include "platform/printer.h"
#include "platform/registry.h"
#include "platform/window_message.h"
#include "support/dialog_test_support.h"
#include "support/hosted_dialog_test_support.h"
#include "support/test_support.h"
#include "tests/support/test_papers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPicture>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTranslator>
#include <QTreeWidget>
#include <memory>

namespace {

using testsupport::WhenShown;

const TGUID Twelve = testpaper::Id(81);
const TGUID Five = testpaper::Id(82);
const TGUID Single = testpaper::Id(83);
const TGUID WithPreview = testpaper::Id(84);
TGUID DefaultWizardPaper()
{
    TGUID g{};
    StringToGUID(QString::fromLatin1(DefaultWizardPaperID), g);
    return g;
}

std::vector<PaperShape> Grid(int count)
{
    std::vector<PaperShape> shapes;
    for (int i = 0; i < count; ++i)
        shapes.push_back({0, 50 + (i % 3) * 650, 50 + (i / 3) * 650});
    return shapes;
}

class PrintDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const PaperType twelve = testpaper::WithCatalogueTexts(testpaper::Discs(Twelve, QStringLiteral("Twelve"), 600, Grid(12)));
        const PaperType five = testpaper::WithCatalogueTexts(testpaper::Discs(Five, QStringLiteral("Five"), 600, Grid(5)));
        PaperType single = testpaper::Discs(Single, QStringLiteral("Single"), 1170, {{1, 465, 214}});
        single.Manufacturer = QStringLiteral("Lonely");
        single.Classification = QStringLiteral("One only");
        PaperType preview = testpaper::WithCatalogueTexts(testpaper::Discs(WithPreview, QStringLiteral("Pictured"), 600, Grid(4)));
        preview.HasPreview = 1;
        const PaperType standard =
            testpaper::WithCatalogueTexts(testpaper::TwoDiscsA4(DefaultWizardPaper(), QStringLiteral("Standard")));
        ++counter;
        const QString program = testsupport::programWithPapers(QStringLiteral("printdlg-program-%1").arg(counter),
                                                               {&twelve, &five, &single, &preview, &standard});
        qputenv("KORVANE_PROGRAM_DIR", program.toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR", testsupport::freshDir(QStringLiteral("printdlg-registry-%1").arg(counter)).toLocal8Bit());
        qputenv("TMPDIR", testsupport::freshDir(QStringLiteral("printdlg-tmp-%1").arg(counter)).toLocal8Bit());
        pdf = testsupport::freshDir(QStringLiteral("printdlg-out-%1").arg(counter)) + QStringLiteral("/out.pdf");
        Printer()->SetPdfFile(pdf);
        Printer()->SetCopies(1);
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
    }
    void TearDown() override
    {
        Printer()->SetPdfFile(QString());
        delete frame.data();
    }

    TChildFrame* Document(const TGUID& paper, bool fullPage = false)
    {
        {
            TRegIniFile reg(ProductKey());
            reg.WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(paper));
            reg.WriteBool(BasicInfo(), QStringLiteral("FullPageMode"), fullPage);
        }
        frame->OpenDocumentFile(QStringLiteral("Edit%1").arg(++documents));
        return frame->ActiveDocument();
    }

    // Runs f on the print dialog (whose frame is the modal window) once it shows.
    template <class F>
    static void WhenPrintDialogShown(F f)
    {
        QTimer::singleShot(0, [f] {
            QWidget* host = QApplication::activeModalWidget();
            ASSERT_NE(host, nullptr);
            auto* dlg = host->findChild<TPagePrintDlg*>();
            ASSERT_NE(dlg, nullptr);
            f(dlg);
        });
    }

    static inline int counter = 0;
    int documents = 0;
    QString pdf;
    QPointer<TMainFrame> frame;
    testsupport::MessageRecorder recorder{IDNO};
};

TEST(PrintPanelFlags, OptionsAndPropertiesGiveTheWindowsFlags)
{
    const struct {
        unsigned options;
        TPrintRange range;
        bool collate, toFile;
        unsigned flags;
    } cases[] = {
        {poPageNums, prAllPages, false, false, 0x103084},
        {0, prAllPages, false, false, 0x10308C},
        {poPageNums | poSelection | poWarning, prSelection, true, false, 0x103011},
        {poPrintToFile | poDisablePrintToFile | poHelp | poPageNums, prPageNums, false, true, 0x0838A6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrintDialogFlags(c.options, c.range, c.collate, c.toFile), c.flags) << std::hex << c.flags;
}

TEST_F(PrintDialogsTest, PanelItemsAreReachedByTheirIdentifiersAndTheFormIsArrangedAroundThem)
{
    TChildFrame* doc = Document(Twelve);
    ASSERT_NE(doc, nullptr);
    Printer()->SetCopies(4);
    TPagePrintDlg dialog(doc);
    bool ran = false;
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        ran = true;
        for (int id : {1, 2, 1056, 1057, 1058, 1072, 1073, 1089, 1090, 1152, 1153})
            EXPECT_NE(dlg->PD->DialogItem(id), nullptr) << id;
        for (int id : {1056, 1057, 1058, 1072, 1089, 1090, 1152, 1153})
            EXPECT_FALSE(dlg->PD->DialogItem(id)->isVisible()) << id;
        EXPECT_EQ(dlg->width(), 442);
        const QRect group = dlg->GroupBox->geometry();
        EXPECT_EQ(group.topLeft(), dlg->PD->DialogItemRect(1072).topLeft());
        EXPECT_EQ(dlg->PD->DialogItemRect(1).top(), group.bottom() + 1 + 10);
        EXPECT_EQ(dlg->PageSetupBtn->geometry().topLeft(), QPoint(group.left(), group.bottom() + 1 + 10));
        EXPECT_EQ(dlg->PreviewBtn->x(), dlg->PageSetupBtn->x() + dlg->PageSetupBtn->width() + 10);
        const QRect copies = dlg->PD->DialogItemRect(1073);
        EXPECT_EQ(dlg->ResolutionComboBox->y(), copies.bottom() + 1 + 5);
        EXPECT_EQ(dlg->height(), dlg->PageSetupBtn->y() + dlg->PageSetupBtn->height() + 30);
        EXPECT_EQ(static_cast<QAbstractButton*>(dlg->PD->DialogItem(1))->text(), LoadLangStr(OKButtonString));
        testsupport::ExpectChildrenInside(dlg);
        static_cast<QPushButton*>(dlg->PD->DialogItem(2))->click();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(ran);
    // A cancelled dialog leaves the printer object and the settings alone.
    EXPECT_EQ(Printer()->Copies(), 4);
    TRegIniFile reg(ProductKey());
    EXPECT_TRUE(reg.ReadString(BasicInfo(), QStringLiteral("OutLine"), QString()).isEmpty());
}

TEST_F(PrintDialogsTest, ALongLocationIsShortenedInThePanelWithTheWholeOfItInItsTooltip)
{
    TChildFrame* doc = Document(Twelve);
    ASSERT_NE(doc, nullptr);
    const QString longPath = QStringLiteral("/home/someone/Documents/Labels/") +
                             QString(120, QLatin1Char('x')) + QStringLiteral("/sheet of the week.pdf");
    const struct {
        QString location;
        bool shortened;
    } cases[] = {{longPath, true}, {QStringLiteral("/tmp/out.pdf"), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        Printer()->SetPdfFile(c.location);
        Printer()->SetPrinterIndex(int(Printer()->Printers().size()) - 1);
        TPagePrintDlg dialog(doc);
        bool ran = false;
        WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
            ran = true;
            auto* where = static_cast<QLabel*>(dlg->PD->DialogItem(PrintWhereItem));
            EXPECT_LE(where->fontMetrics().horizontalAdvance(where->text()), where->contentsRect().width());
            if (c.shortened) {
                // The start of the path and the file name both show.
                EXPECT_NE(where->text(), c.location);
                EXPECT_TRUE(where->text().startsWith(QLatin1String("/home/someone")))
                    << where->text().toStdString();
                EXPECT_TRUE(where->text().endsWith(QLatin1String("week.pdf"))) << where->text().toStdString();
                EXPECT_EQ(where->toolTip(), c.location);
            } else {
                EXPECT_EQ(where->text(), c.location);
                EXPECT_TRUE(where->toolTip().isEmpty());
            }
            static_cast<QPushButton*>(dlg->PD->DialogItem(PrintCancelItem))->click();
        });
        EXPECT_FALSE(dialog.Execute());
        EXPECT_TRUE(ran);
    }
}

TEST_F(PrintDialogsTest, PanelAndSetupCaptionsComeInTheInterfaceLanguage)
{
    TChildFrame* doc = Document(Twelve);
    ASSERT_NE(doc, nullptr);
    // The system print dialog's captions and state words, from the language library.
    const struct {
        unsigned language;
        const char *printer, *name, *where, *copies, *numberOfCopies, *collate, *status, *comment, *ready;
        const char *paper, *properties; // the print setup dialog's
    } cases[] = {
        {0x10007u, "Drucker", "&Name:", "Standort:", "Exemplare", "An&zahl Exemplare:", "S&ortieren",
         "Status:", "Kommentar:", "Bereit", "Papier", "&Eigenschaften"},
        {0x1000Cu, "Imprimante", "&Nom :", "Emplacement :", "Copies", "Nom&bre de copies :",
         "&Copies assemblées", "État :", "Commentaire :", "Prêt", "Papier", "&Propriétés"},
        {0x1000Au, "Impresora", "&Nombre:", "Ubicación:", "Copias", "Número de &copias:", "&Intercalar",
         "Estado:", "Comentario:", "Preparada", "Papel", "&Propiedades"},
        {0x10009u, "Printer", "&Name:", "Where:", "Copies", "Number of &copies:", "C&ollate",
         "Status:", "Comment:", "Ready", "Paper", "&Properties"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printer);
        std::unique_ptr<testsupport::InterfaceLanguage> language;
        if (c.language != 0x10009u) {
            language = std::make_unique<testsupport::InterfaceLanguage>(c.language);
            ASSERT_TRUE(language->Loaded());
        }
        TPagePrintDlg dialog(doc);
        bool ran = false;
        WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
            ran = true;
            auto* printerGroup = static_cast<QGroupBox*>(dlg->PD->DialogItem(PrintPrinterGroupItem));
            auto* copiesGroup = static_cast<QGroupBox*>(dlg->PD->DialogItem(PrintCopiesGroupItem));
            EXPECT_EQ(printerGroup->title(), QString::fromUtf8(c.printer));
            EXPECT_EQ(copiesGroup->title(), QString::fromUtf8(c.copies));
            EXPECT_EQ(static_cast<QAbstractButton*>(dlg->PD->DialogItem(PrintCollateItem))->text(),
                      QString::fromUtf8(c.collate));
            QStringList captions;
            for (QGroupBox* g : {printerGroup, copiesGroup})
                for (QLabel* l : g->findChildren<QLabel*>())
                    captions << l->text();
            for (const char* caption : {c.name, c.where, c.numberOfCopies, c.status, c.comment})
                EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
            // The PDF printer is always ready.
            EXPECT_EQ(static_cast<QLabel*>(dlg->PD->DialogItem(PrintStatusItem))->text(),
                      QString::fromUtf8(c.ready));
            // The form's own captions come from the language library as before.
            EXPECT_EQ(static_cast<QAbstractButton*>(dlg->PD->DialogItem(PrintOkItem))->text(),
                      LoadLangStr(OKButtonString));
            testsupport::ExpectTextsFit(dlg);
            static_cast<QPushButton*>(dlg->PD->DialogItem(PrintCancelItem))->click();
        });
        EXPECT_FALSE(dialog.Execute());
        EXPECT_TRUE(ran);

        // The print setup dialog, which Qt has no dialog of, speaks the same language.
        TFormPrinterSetupDialog setup;
        ran = false;
        testsupport::WhileHostedDialogRuns(&setup, [&] {
            ran = true;
            QWidget* form = QApplication::activeModalWidget();
            ASSERT_NE(form, nullptr);
            QStringList titles, captions;
            for (QGroupBox* g : form->findChildren<QGroupBox*>())
                titles << g->title();
            for (QLabel* l : form->findChildren<QLabel*>())
                captions << l->text();
            EXPECT_EQ(titles, (QStringList{QString::fromUtf8(c.printer), QString::fromUtf8(c.paper)}));
            for (const char* caption : {c.name, c.status, c.comment})
                EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
            auto* properties = form->findChild<QPushButton*>(QStringLiteral("propertiesButton"));
            ASSERT_NE(properties, nullptr);
            EXPECT_EQ(properties->text(), QString::fromUtf8(c.properties));
            testsupport::ExpectTextsFit(form);
            testsupport::ClickDialogItem(&setup, 2);
        });
        EXPECT_FALSE(setup.Execute());
        EXPECT_TRUE(ran);
    }
}

// Qt's texts in another language than the interface's, as a translation of the system's
// language installed beside the program's would give them: every text of Qt's print dialog.
class TPrintDialogsSystemTexts : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        for (const char* print :
             {"QPrintWidget", "QPrintSettingsOutput", "QPrintDialog", "QPrintPropertiesWidget"})
            if (qstrcmp(context, print) == 0)
                return QStringLiteral("System ") + QString::fromUtf8(source);
        return QString();
    }
};

// The caption of a panel item: a group's title, a button's or a label's text.
QString PrintDialogsItemCaption(const QWidget* item)
{
    if (auto* group = qobject_cast<const QGroupBox*>(item))
        return group->title();
    if (auto* button = qobject_cast<const QAbstractButton*>(item))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(item))
        return label->text();
    return QString();
}

TEST_F(PrintDialogsTest, PanelNamesThePrinterInTheInterfaceLanguageWhateverQtsTextsSay)
{
    TChildFrame* doc = Document(Twelve);
    ASSERT_NE(doc, nullptr);
    // Every caption of the panel, found by its item or, for the unnumbered labels, among its
    // group's labels.
    const std::pair<int, int> items[] = {
        {PrintPrinterGroupItem, PrintSetupPrinterString},
        {PrintPropertiesItem, PrintSetupPropertiesString},
        {PrintRangeGroupItem, PrintRangeGroupString},
        {PrintAllItem, PrintAllPagesString},
        {PrintPagesItem, PrintPagesString},
        {PrintFromLabelItem, PrintFromPageString},
        {PrintToLabelItem, PrintToPageString},
        {PrintSelectionItem, PrintSelectionString},
        {PrintCopiesGroupItem, PrintCopiesGroupString},
        {PrintCollateItem, PrintCollateString},
    };
    const std::pair<int, int> labels[] = {
        {PrintPrinterGroupItem, PrintSetupNameString},      {PrintPrinterGroupItem, PrintStatusCaptionString},
        {PrintPrinterGroupItem, PrintTypeCaptionString},    {PrintPrinterGroupItem, PrintWhereCaptionString},
        {PrintPrinterGroupItem, PrintCommentCaptionString}, {PrintCopiesGroupItem, PrintNumberOfCopiesString},
    };
    // The program's print dialog hides the range items; shown, they fit as well.
    const int rangeItems[] = {PrintAllItem,      PrintPagesItem,  PrintFromLabelItem, PrintToLabelItem,
                              PrintFromEditItem, PrintToEditItem, PrintSelectionItem};
    for (unsigned language : {0x10009u, 0x10007u, 0x1000Cu, 0x1000Au}) {
        SCOPED_TRACE(testing::Message() << std::hex << language);
        std::unique_ptr<testsupport::InterfaceLanguage> chosen;
        if (language != 0x10009u) {
            chosen = std::make_unique<testsupport::InterfaceLanguage>(language);
            ASSERT_TRUE(chosen->Loaded());
        }
        // Installed last, the system's texts come before any the interface language brought.
        TPrintDialogsSystemTexts system;
        QCoreApplication::installTranslator(&system);
        TPagePrintDlg dialog(doc);
        bool ran = false;
        WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
            ran = true;
            for (const auto& [item, id] : items) {
                const QWidget* widget = dlg->PD->DialogItem(item);
                ASSERT_NE(widget, nullptr) << item;
                EXPECT_EQ(PrintDialogsItemCaption(widget).toStdString(), LoadLangStr(id).toStdString())
                    << item;
            }
            for (const auto& [group, id] : labels) {
                QStringList captions;
                for (QLabel* l : dlg->PD->DialogItem(group)->findChildren<QLabel*>())
                    captions << l->text();
                EXPECT_TRUE(captions.contains(LoadLangStr(id)))
                    << id << ": " << captions.join(u'|').toStdString();
            }
            for (QWidget* w : dlg->PD->DialogHandle()->findChildren<QWidget*>())
                EXPECT_FALSE(PrintDialogsItemCaption(w).startsWith(QStringLiteral("System ")))
                    << PrintDialogsItemCaption(w).toStdString();
            testsupport::ExpectTextsFit(dlg);
            auto* range = static_cast<QGroupBox*>(dlg->PD->DialogItem(PrintRangeGroupItem));
            for (int item : rangeItems)
                dlg->PD->DialogItem(item)->show();
            testsupport::ExpectTextsFit(range);
            QString title = range->title();
            EXPECT_GE(range->width(), range->fontMetrics().horizontalAdvance(title.remove(u'&')) + 8);
            static_cast<QPushButton*>(dlg->PD->DialogItem(PrintCancelItem))->click();
        });
        EXPECT_FALSE(dialog.Execute());
        QCoreApplication::removeTranslator(&system);
        EXPECT_TRUE(ran);
    }
}

TEST_F(PrintDialogsTest, PositionBoxesFollowThePaperAndFullShapeOnFirstUse)
{
    TChildFrame* doc = Document(Twelve);
    ASSERT_NE(doc, nullptr);
    TPagePrintDlg dialog(doc);
    for (int i = 0; i < 12; ++i) {
        QCheckBox* box = dialog.PositionBox(i);
        ASSERT_NE(box, nullptr) << i;
        EXPECT_EQ(box->y(), 16 * i);
        EXPECT_EQ(box->text(), LoadLangStr(CircleString) + (i < 10 ? QStringLiteral(" &%1") : QStringLiteral(" %1")).arg(i + 1));
    }
    EXPECT_EQ(dialog.PositionBox(12), nullptr);
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        // "FullShape" is true on first use: every box ticked and locked.
        EXPECT_TRUE(dlg->CheckBoxFull->isChecked());
        for (int i = 0; i < 12; ++i) {
            EXPECT_TRUE(dlg->PositionBox(i)->isChecked());
            EXPECT_FALSE(dlg->PositionBox(i)->isEnabled());
        }
        dlg->CheckBoxFull->setChecked(false);
        dlg->PositionBox(3)->setChecked(false);
        static_cast<QPushButton*>(dlg->PD->DialogItem(1))->click();
    });
    ASSERT_TRUE(dialog.Execute());
    const PaperType* record = FindPaperType(Twelve);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(record->Shapes[size_t(i)].Selected, i == 3 ? 0 : 1) << i;
    TRegIniFile reg(ProductKey());
    EXPECT_FALSE(reg.ReadBool(BasicInfo(), QStringLiteral("FullShape"), true));
    EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Res"), -1), 1);
}

TEST_F(PrintDialogsTest, FullPageDocumentsAndMaskedPapersLockTheirOptions)
{
    TChildFrame* doc = Document(Five, true);
    ASSERT_NE(doc, nullptr);
    {
        TRegIniFile reg(ProductKey());
        reg.WriteBool(BasicInfo(), QStringLiteral("FullShape"), false);
        reg.WriteBool(BasicInfo(), QStringLiteral("MaskCore"), true);
    }
    TPagePrintDlg dialog(doc);
    dialog.PageMode = PageModeFull;
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        EXPECT_TRUE(dlg->CheckBoxFull->isChecked());
        EXPECT_FALSE(dlg->CheckBoxFull->isEnabled());
        EXPECT_FALSE(dlg->CheckBoxMaskCore->isChecked());
        EXPECT_FALSE(dlg->CheckBoxMaskCore->isEnabled());
        EXPECT_FALSE(dlg->PositionBox(0)->isVisibleTo(dlg));
        static_cast<QPushButton*>(dlg->PD->DialogItem(1))->click();
    });
    ASSERT_TRUE(dialog.Execute());
    TRegIniFile reg(ProductKey());
    // Neither full-sheet nor core choice is stored for a full-page document.
    EXPECT_FALSE(reg.ReadBool(BasicInfo(), QStringLiteral("FullShape"), true));
    EXPECT_TRUE(reg.ReadBool(BasicInfo(), QStringLiteral("MaskCore"), false));

    FindPaperType(Five)->HasShapeMask = 1;
    reg.WriteBool(BasicInfo(), QStringLiteral("MaskCore"), false);
    TPagePrintDlg masked(doc);
    EXPECT_EQ(masked.PositionBox(0)->text(), LoadLangStr(ShapeString) + QStringLiteral(" &1"));
    WhenPrintDialogShown([&](TPagePrintDlg* dlg) {
        EXPECT_TRUE(dlg->CheckBoxMaskCore->isChecked());
        EXPECT_FALSE(dlg->CheckBoxMaskCore->isEnabled());
        static_cast<QPushButton*>(dlg->PD->DialogItem(2))->click();
    });
    EXPECT_FALSE(masked.Execute());
    FindPaperType(Five)->HasShapeMask = 0;
}

TEST_F(PrintDialogsTest, PreviewFitsZoomsAndGivesItsResult)
{
    TChildFrame* doc = Document(Five);
    ASSERT_NE(doc, nullptr);
    const std::unique_ptr<QPicture> page = doc->PreviewPicture();
    const struct {
        int zoom;          // item chosen while the preview runs
        bool print;
    } cases[] = {{8, false}, {7, false}, {2, true}};
    for (const auto& c : cases) {
        TPrintPreviewFrame preview(nullptr);
        preview.resize(600, 500);
        preview.SetPage(*page, 210, 297);
        const QSize base = preview.PaintBox->size();
        EXPECT_EQ(base, QSize(RoundValue(210 * 0.03937 * 96), RoundValue(297 * 0.03937 * 96)));
        WhenShown<TPrintPreviewFrame>([&](TPrintPreviewFrame* p) {
            // First use fits the page to the height.
            const QSize view = p->ScrollBox->viewport()->size();
            EXPECT_EQ(p->ZoomSizeComboBox->currentIndex(), 8);
            EXPECT_EQ(p->PaintBox->height(), view.height() - 20);
            p->ZoomSizeComboBox->setCurrentIndex(c.zoom);
            if (c.zoom == 7) {
                EXPECT_EQ(p->PaintBox->width(), view.width() - 20);
                EXPECT_EQ(p->PaintBox->pos(), QPoint(10, 10));
            } else if (c.zoom == 2) {
                EXPECT_EQ(p->PaintBox->size(), base);
            }
            (c.print ? p->PrintBtn : p->CloseBtn)->click();
        });
        EXPECT_EQ(preview.Execute(), c.print ? 1 : 2);
        TRegIniFile reg(ProductKey());
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("ZoomSize"), -1), c.zoom);
        reg.WriteInteger(BasicInfo(), QStringLiteral("ZoomSize"), 8);
    }
    // Setup runs the printer setup dialog over the preview.
    {
        TPrintPreviewFrame preview(nullptr);
        QString setupTitle;
        QTimer::singleShot(0, [&] {
            QWidget* setup = QApplication::activeModalWidget();
            ASSERT_NE(setup, nullptr);
            setupTitle = setup->objectName();
            static_cast<QDialog*>(setup)->reject();
        });
        preview.SetupBtnClick();
        EXPECT_EQ(setupTitle, QStringLiteral("HostFrame"));
    }

    // The document's preview command hides the main window while it runs, then shows it again.
    frame->show();
    bool hidden = false;
    WhenShown<TPrintPreviewFrame>([&](TPrintPreviewFrame* p) {
        hidden = !frame->isVisible();
        p->CloseBtn->click();
    });
    doc->PrintPreview();
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(PrintDialogsTest, ProgressDialogClosesForAWorkerThatEndedBeforeItShowed)
{
    TPrintWorker worker;
    bool posted = false;
    RunPrintProgressDialog(nullptr, QStringLiteral("text"), worker, [&](QObject* dialog) {
        worker.Start([&, dialog](TPrintWorker&) {
            PostMessage(dialog, WM_PRINTDONE, 0, 0);
            posted = true;
        });
        worker.Join();
    });
    EXPECT_TRUE(posted);
    EXPECT_FALSE(worker.Running());
}

TEST(WizardPaper, StoredTextThatIsNoGUIDMeansTheDefaultPaper)
{
    TGUID standard{};
    ASSERT_TRUE(StringToGUID(QString::fromLatin1(DefaultWizardPaperID), standard));
    const TGUID other = testpaper::Id(9);
    const struct {
        QString stored;
        TGUID expected;
    } cases[] = {
        {GUIDToString(other), other},
        {QString(), standard},
        {QStringLiteral("garbage"), standard},
        {QStringLiteral("{6E6690E2-B0E2-11D4-A7FC-004854125BC}"), standard},
        {GUIDToString(other) + QStringLiteral("x"), standard},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WizardPaperID(c.stored), c.expected) << c.stored.toStdString();
}

TEST(WizardPreviewScale, DivisorIsTheSmallestFromSevenAtWhichTheSheetFits)
{
    const struct {
        int pw, pl, cw, ch, d;
    } cases[] = {
        {2100, 2970, 201, 283, 11},   // A4 in the wizard's box: 191 x 270 pixels
        {100, 100, 201, 283, 7},      // small sheets are never drawn larger than 1:7
        {2100, 2970, 0, 283, 0},      // an empty box draws nothing
        {2100, 2970, 201, -5, 0},
        {1'000'000'000, 5, 1, 1, 666'666'667},   // computed, not searched
        {1400, 1400, 200, 200, 7},
        {1404, 1400, 200, 200, 8},
    };
    for (const auto& c : cases) {
        const int d = WizardPreviewDivisor(c.pw, c.pl, c.cw, c.ch);
        EXPECT_EQ(d, c.d) << c.pw << "x" << c.pl << " in " << c.cw << "x" << c.ch;
        if (d > 0) {
            EXPECT_LE(RoundValue(double(c.pw) / d), c.cw);
            EXPECT_LE(RoundValue(double(c.pl) / d), c.ch);
            if (d > 7) {
                EXPECT_TRUE(RoundValue(double(c.pw) / (d - 1)) > c.cw || RoundValue(double(c.pl) / (d - 1)) > c.ch);
            }
        }
    }
}

TEST(PreviewTile, ThumbnailFitsOrShrinksAndLongNamesAreCut)
{
    const struct {
        int w, h;
        TRect thumb;   // left, top, width, height
    } cases[] = {
        {97, 97, {11, 11, 97, 97}},
        {200, 100, {7, 33, 106, 53}},
        {0, 0, {2, 2, 116, 116}},   // no picture: the available area
    };
    for (const auto& c : cases) {
        CPrintPreviewImage tile;
        if (c.w > 0) {
            TBitmap b(c.w, c.h, pf24bit);
            tile.Picture.Assign(&b);
        }
        tile.FileName = QStringLiteral("a.kvo");
        tile.UpdateThumbRect();
        EXPECT_EQ(tile.ThumbRect.Left, c.thumb.Left) << c.w;
        EXPECT_EQ(tile.ThumbRect.Top, c.thumb.Top) << c.w;
        EXPECT_EQ(tile.ThumbRect.Right, c.thumb.Right) << c.w;
        EXPECT_EQ(tile.ThumbRect.Bottom, c.thumb.Bottom) << c.w;
        EXPECT_EQ(tile.toolTip(), QStringLiteral("a.kvo"));
    }
    auto width = [](const QString& s) { return int(s.size()) * 10; };
    EXPECT_EQ(TileCaption(QStringLiteral("short"), 120, width), QStringLiteral("short"));
    EXPECT_EQ(TileCaption(QStringLiteral("a-rather-long-name.kvo"), 120, width), QStringLiteral("a-rathe..."));
    EXPECT_EQ(TileCaption(QStringLiteral("sixsix"), 50, width), QString());
}

TEST_F(PrintDialogsTest, WizardListsSheetsBuildsRowsAndLaysOutTiles)
{
    QList<TChildFrame*> docs;
    for (int i = 0; i < 4; ++i)
        docs << Document(Twelve);
    ASSERT_EQ(frame->Documents(), docs);
    TMultipleImagePrintWizardDlg wizard(frame, docs);
    // The default paper is chosen at start.
    EXPECT_EQ(wizard.ChosenPaper(), DefaultWizardPaper());
    EXPECT_TRUE(wizard.NextBtn->isEnabled());
    // Only sheets of two or more labels make groups, and pictured papers are never listed.
    EXPECT_NE(FindPaperNode(wizard.TreeView, Twelve), nullptr);
    EXPECT_EQ(FindPaperNode(wizard.TreeView, WithPreview), nullptr);
    EXPECT_EQ(FindPaperNode(wizard.TreeView, Single), nullptr);
    EXPECT_TRUE(wizard.TreeView->findItems(QStringLiteral("Lonely"), Qt::MatchExactly).isEmpty());

    wizard.TreeView->setCurrentItem(FindPaperNode(wizard.TreeView, Five));
    ASSERT_EQ(wizard.RowComboBoxes().size(), 5u);
    for (int i = 0; i < 5; ++i) {
        QLabel* label = wizard.RowLabels()[size_t(i)];
        QComboBox* combo = wizard.RowComboBoxes()[size_t(i)];
        EXPECT_EQ(label->objectName(), QStringLiteral("pL%1").arg(i + 1));
        EXPECT_EQ(label->text(), LoadLangStr(CircleString) + QStringLiteral("%1 : ").arg(i + 1));
        EXPECT_EQ(label->y(), 24 * i + 5);
        EXPECT_EQ(combo->objectName(), QStringLiteral("pCB%1").arg(i + 1));
        EXPECT_EQ(combo->y(), 24 * i + 3);
        ASSERT_EQ(combo->count(), 5);
        EXPECT_EQ(combo->itemText(0), LoadLangStr(NoneGraphicsString));
        EXPECT_EQ(combo->itemText(2), QStringLiteral("Edit2"));
    }
    const std::vector<CPrintPreviewImage*> tiles = wizard.Tiles();
    ASSERT_EQ(tiles.size(), 4u);
    const QPoint places[] = {{0, 0}, {122, 0}, {0, 122}, {122, 122}};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(tiles[i]->pos(), places[i]) << i;
    EXPECT_EQ(tiles[1]->FileName, QStringLiteral("Edit2"));

    // The sheet preview shows a chosen document in its label only.
    wizard.RowComboBoxes()[0]->setCurrentIndex(1);
    QImage shot(wizard.PaintBox1->size(), QImage::Format_RGB32);
    shot.fill(Qt::white);
    {
        TCanvas canvas(&shot);
        wizard.PaintBox1Paint(&canvas);
    }
    EXPECT_EQ(shot.pixel(0, 0), qRgb(255, 255, 255));   // outside the sheet
    // An empty box draws nothing and never loops.
    wizard.PaintBox1->resize(0, 0);
    QImage none(1, 1, QImage::Format_RGB32);
    none.fill(Qt::white);
    {
        TCanvas canvas(&none);
        wizard.PaintBox1Paint(&canvas);
    }
    EXPECT_EQ(none.pixel(0, 0), qRgb(255, 255, 255));
}

} // namespace
