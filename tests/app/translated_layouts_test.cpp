// Every dialog in every shipped language: no caption is cut off and nothing leaves its form,
// on every page of the dialogs that have pages.
#include "app/about_dlg.h"
#include "app/color_property_dlg.h"
#include "app/image_editor_frame.h"
#include "app/image_open_dlg.h"
#include "app/image_property_dlg.h"
#include "app/label_property_dlg.h"
#include "app/main_frame.h"
#include "app/new_dlg.h"
#include "app/paper_editor_dlg.h"
#include "app/paper_property_dlg.h"
#include "app/print_dlg.h"
#include "app/print_preview_frame.h"
#include "app/print_progress_dlg.h"
#include "app/print_wizard_dlg.h"
#include "app/shape_info_edit_dlg.h"
#include "discdata/cddb_list_dlg.h"
#include "discdata/select_file_list_dlg.h"
#include "document/child_frame.h"
#include "document/paper_type.h"
#include "platform/printer.h"
#include "controls/host_dialog.h"
#include "controls/print_panel.h"
#include "platform/registry.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

const TGUID LayoutPaper = NameGUID("translated-layouts");

// Checks w on each page of each of its page controls, and as it stands.
void ExpectEveryPageFits(QWidget* w, const std::string& what)
{
    SCOPED_TRACE(what);
    w->show();
    QCoreApplication::processEvents();
    testsupport::ExpectTextsFit(w);
    for (QTabWidget* tabs : w->findChildren<QTabWidget*>()) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (!tabs->isTabVisible(i))
                continue;
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            SCOPED_TRACE(tabs->tabText(i).toStdString());
            testsupport::ExpectTextsFit(w);
        }
    }
    w->hide();
}

class TranslatedLayouts : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override
    {
        ++counter;
        const PaperType paper = testpaper::WithCatalogueTexts(
            testpaper::Discs(LayoutPaper, QStringLiteral("Layout CD"), 1170, {{1, 465, 175}, {1, 465, 1500}}));
        qputenv("KORVANE_PROGRAM_DIR",
                testsupport::programWithPapers(QStringLiteral("tl-program-%1").arg(counter), {&paper}).toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR", testsupport::freshDir(QStringLiteral("tl-registry-%1").arg(counter)).toLocal8Bit());
        Printer()->SetPdfFile(testsupport::freshDir(QStringLiteral("tl-out-%1").arg(counter)) + QStringLiteral("/out.pdf"));
        qputenv("KORVANE_CD_DRIVES", QByteArray());   // no drive: the track list stays empty
        language = std::make_unique<testsupport::InterfaceLanguage>(GetParam());
        ASSERT_TRUE(language->Loaded());
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
        TRegIniFile(ProductKey()).WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(LayoutPaper));
        frame->OpenDocumentFile(QStringLiteral("Edit1"));
        document = frame->ActiveDocument();
        ASSERT_NE(document, nullptr);
    }
    void TearDown() override
    {
        delete frame.data();
        language.reset();
        Printer()->SetPdfFile(QString());
        qunsetenv("KORVANE_PROGRAM_DIR");
        qunsetenv("KORVANE_CD_DRIVES");
    }

    static inline int counter = 0;
    std::unique_ptr<testsupport::InterfaceLanguage> language;
    QPointer<TMainFrame> frame;
    TChildFrame* document = nullptr;
    testsupport::MessageRecorder recorder{IDNO};
};

TEST_P(TranslatedLayouts, EveryCaptionOfEveryDialogShowsWhole)
{
    const struct {
        const char* what;
        std::function<QWidget*(TMainFrame*, TChildFrame*)> make;
    } dialogs[] = {
        {"about", [](TMainFrame* f, TChildFrame*) { return new TAboutDlg(f); }},
        {"new", [](TMainFrame* f, TChildFrame*) { return new TNewDlg(f); }},
        {"paper properties",
         [](TMainFrame* f, TChildFrame*) { return new TPaperPropertyDlg(f, LayoutPaper); }},
        {"paper editor",
         [](TMainFrame* f, TChildFrame* d) {
             auto* dlg = new TPaperEditorDlg(f);
             dlg->SetPaper(d->Paper.get());
             return dlg;
         }},
        {"paper editor, every tab",
         [](TMainFrame* f, TChildFrame* d) {
             // A user's own paper shows all four tabs.
             auto* dlg = new TPaperEditorDlg(f);
             dlg->SetPaper(d->Paper.get());
             for (int i = 0; i < dlg->PageControl1->count(); ++i)
                 dlg->PageControl1->setTabVisible(i, true);
             return dlg;
         }},
        {"shape positions",
         [](TMainFrame* f, TChildFrame* d) {
             auto* dlg = new TShapeInfoEditDlg(f);
             dlg->Setup(0, d->Paper.get());
             return dlg;
         }},
        {"label properties", [](TMainFrame* f, TChildFrame*) { return new TLabelPropertyDlg(f); }},
        {"colour properties", [](TMainFrame* f, TChildFrame*) { return new TColorPropertyDlg(f); }},
        {"picture properties", [](TMainFrame* f, TChildFrame*) { return new TImagePropertyDlg(f); }},
        {"picture editor", [](TMainFrame* f, TChildFrame*) { return new TImageEditorFrame(f); }},
        {"track list", [](TMainFrame* f, TChildFrame*) { return new TCDDBListDlg(f); }},
        {"file list", [](TMainFrame* f, TChildFrame*) { return new TSelectFileListDlg(f); }},
        {"print preview", [](TMainFrame* f, TChildFrame*) { return new TPrintPreviewFrame(f); }},
        {"print progress", [](TMainFrame* f, TChildFrame*) { return new TPrintProgressDlg(f); }},
        {"print wizard",
         [](TMainFrame* f, TChildFrame* d) {
             return new TMultipleImagePrintWizardDlg(f, QList<TChildFrame*>{d});
         }},
        {"cddb", [](TMainFrame*, TChildFrame* d) { return new TCDDBListDlg(d); }},
    };
    for (const auto& d : dialogs) {
        QWidget* dlg = d.make(frame, document);
        ExpectEveryPageFits(dlg, d.what);
        delete dlg;
    }

    // The print dialog is arranged around its hosted panel once that shows.
    TPagePrintDlg print(document);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        QWidget* host = QApplication::activeModalWidget();
        ASSERT_NE(host, nullptr);
        auto* dlg = host->findChild<TPagePrintDlg*>();
        ASSERT_NE(dlg, nullptr);
        shown = true;
        SCOPED_TRACE("print");
        // Where the printer writes (a test path) is shortened to its room like any caption.
        testsupport::ExpectTextsFit(dlg);
        testsupport::ExpectChildrenInside(dlg);
        static_cast<QPushButton*>(dlg->PD->DialogItem(2))->click();
    });
    print.Execute();
    EXPECT_TRUE(shown);

    // So is the picture open dialog around its hosted file dialog.
    TImageOpenFileDlg open(frame);
    shown = false;
    QTimer::singleShot(0, [&] {
        QDialog* host = open.OpenDialog->FrameHandle();
        ASSERT_NE(host, nullptr);
        shown = true;
        SCOPED_TRACE("picture open");
        testsupport::ExpectTextsFit(&open);
        testsupport::ExpectChildrenInside(&open);
        host->reject();
    });
    open.ExecuteImageOpen();
    EXPECT_TRUE(shown);
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedLayouts, ::testing::Values(0x10007u, 0x1000Cu, 0x1000Au),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                             return info.param == 0x10007u ? "German" : info.param == 0x1000Cu ? "French" : "Spanish";
                         });

} // namespace
