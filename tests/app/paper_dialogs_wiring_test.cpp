// The paper dialogs as the main window's documents and the new-document dialog reach them:
// Paper Properties, Page Setup, the unknown-paper question when a document opens, and the
// new-document dialog's Add and Edit.
#include "app/main_frame.h"

#include "app/new_dlg.h"
#include "app/paper_editor_dlg.h"
#include "app/paper_property_dlg.h"
#include "controls/color_button.h"
#include "document/child_frame.h"
#include "document/paper_catalogue.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

namespace {

const TGUID WiringPaper1 = NameGUID("wiring-test-first");
const TGUID WiringPaper2 = NameGUID("wiring-test-second");

using testsupport::WhenShown;

class PaperDialogsWiringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const PaperType a = testpaper::WithCatalogueTexts(
            testpaper::Discs(WiringPaper1, QStringLiteral("First"), 1170, {{1, 465, 175}}));
        const PaperType b = testpaper::WithCatalogueTexts(
            testpaper::Rectangles(WiringPaper2, QStringLiteral("Second"), 900, 600, {{1, 100, 100}}));
        const QString program =
            testsupport::programWithPapers(QStringLiteral("wiring-program-%1").arg(++counter), {&a, &b});
        qputenv("KORVANE_PROGRAM_DIR", program.toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR",
                testsupport::freshDir(QStringLiteral("wiring-registry-%1").arg(counter)).toLocal8Bit());
        qputenv("TMPDIR", testsupport::freshDir(QStringLiteral("wiring-tmp-%1").arg(counter)).toLocal8Bit());
        docs = testsupport::freshDir(QStringLiteral("wiring-docs-%1").arg(counter));
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
    }
    void TearDown() override { delete frame.data(); }
    TChildFrame* Open(const QString& path)
    {
        frame->OpenDocumentFile(path);
        return frame->ActiveDocument();
    }

    static inline int counter = 0;
    QPointer<TMainFrame> frame;
    QString docs;
    testsupport::MessageRecorder recorder{IDNO};
    QStringList& boxes = recorder.texts;
};

TEST_F(PaperDialogsWiringTest, PaperPropertiesChangeTheDocumentsPaperAndColours)
{
    TChildFrame* doc = Open(QStringLiteral("Edit1"));
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->Paper->ID, WiringPaper1);
    WhenShown<TPaperPropertyDlg>([](TPaperPropertyDlg* dlg) {
        EXPECT_EQ(dlg->PaperID, WiringPaper1);
        EXPECT_EQ(dlg->TempShape->Shape, stCircle);
        dlg->TreeView->setCurrentItem(FindPaperNode(dlg->TreeView, WiringPaper2));
        dlg->OutLineBtn->SetColor(TColor(255));
        dlg->OKBtn->click();
    });
    doc->PaperPropertiesItemClick();
    EXPECT_EQ(doc->Paper->ID, WiringPaper2);
    EXPECT_EQ(doc->Paper->ShapeStyle, ShapeRectangle);
    EXPECT_EQ(doc->OutlineColor, TColor(255));

    // Cancel changes nothing.
    WhenShown<TPaperPropertyDlg>([](TPaperPropertyDlg* dlg) {
        dlg->TreeView->setCurrentItem(FindPaperNode(dlg->TreeView, WiringPaper1));
        dlg->CancelBtn->click();
    });
    doc->PaperPropertiesItemClick();
    EXPECT_EQ(doc->Paper->ID, WiringPaper2);
}

TEST_F(PaperDialogsWiringTest, AnUnknownPaperAsksForANewOneWhenTheDocumentOpens)
{
    TChildFrame* doc = Open(QStringLiteral("Edit1"));
    ASSERT_NE(doc, nullptr);
    doc->Paper->ID = NameGUID("wiring-test-gone");
    const QString path = docs + QStringLiteral("/gone.kvo");
    doc->SaveDocument(path);
    doc->SubWindow()->close();
    QCoreApplication::processEvents();

    WhenShown<TPaperPropertyDlg>([](TPaperPropertyDlg* dlg) {
        EXPECT_EQ(dlg->TreeView->currentItem(), nullptr);
        dlg->TreeView->setCurrentItem(FindPaperNode(dlg->TreeView, WiringPaper2));
        dlg->OKBtn->click();
    });
    TChildFrame* reopened = Open(path);
    ASSERT_NE(reopened, nullptr);
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes.first(), LoadLangStr(UnknownPaperString));
    EXPECT_EQ(reopened->Paper->ID, WiringPaper2);
}

TEST_F(PaperDialogsWiringTest, PageSetupEditsOnlyTheLabelPositions)
{
    TChildFrame* doc = Open(QStringLiteral("Edit1"));
    ASSERT_NE(doc, nullptr);
    WhenShown<TPaperEditorDlg>([](TPaperEditorDlg* dlg) {
        EXPECT_FALSE(dlg->PageControl1->isTabVisible(0));
        EXPECT_TRUE(dlg->PageControl1->isTabVisible(1));
        EXPECT_FALSE(dlg->Edit9->isEnabled());
        dlg->WorkingPaper->Shapes[0].X = 500;
        dlg->OkBtn->click();
    });
    doc->PageSetup();
    EXPECT_EQ(doc->Paper->Shapes[0].X, 500);
    EXPECT_EQ(FindPaperType(WiringPaper1)->Shapes[0].X, 500);
}

TEST_F(PaperDialogsWiringTest, AddAndEditOfTheNewDocumentDialogOpenTheEditor)
{
    const size_t before = PaperCatalogue().size();
    TNewDlg dlg(frame);
    WhenShown<TPaperEditorDlg>([](TPaperEditorDlg* ed) {
        EXPECT_TRUE(ed->PageControl1->isTabVisible(0));
        EXPECT_EQ(ed->Edit2->text(), QStringLiteral("Customize Paper Style"));
        ed->Edit2->setText(QStringLiteral("Two & two"));
        ed->ShapeCountEdit->setText(QStringLiteral("2"));
        ed->OkBtn->click();
    });
    dlg.AddPaperTypeBtn->click();
    ASSERT_EQ(PaperCatalogue().size(), before + 1);
    PaperType* added = PaperCatalogue().back();
    EXPECT_EQ(added->Name, QStringLiteral("Two & two"));
    EXPECT_EQ(added->ShapeCount, 2);
    EXPECT_EQ(TNewDlg::NodePaper(dlg.TreeView->currentItem()), added);
    EXPECT_EQ(dlg.TreeView->currentItem()->text(0), QStringLiteral("Two & two"));

    WhenShown<TPaperEditorDlg>([](TPaperEditorDlg* ed) {
        EXPECT_EQ(ed->Edit2->text(), QStringLiteral("Two & two"));
        ed->Edit2->setText(QStringLiteral("Renamed"));
        ed->OkBtn->click();
    });
    dlg.EditPaperTypeBtn->click();
    EXPECT_EQ(added->Name, QStringLiteral("Renamed"));
    EXPECT_EQ(dlg.TreeView->currentItem()->text(0), QStringLiteral("Renamed"));

    // Cancelling Add leaves the catalogue as it was.
    WhenShown<TPaperEditorDlg>([](TPaperEditorDlg* ed) { ed->CancelBtn->click(); });
    dlg.AddPaperTypeBtn->click();
    EXPECT_EQ(PaperCatalogue().size(), before + 1);
}

} // namespace
