// The CDDB tool of a document window in the program: the band opens the track-list dialog
// through the main window, and what the dialog holds on OK becomes the heading and body labels.
#include "app/main_frame.h"

#include "controls/font_combo_box.h"
#include "discdata/cddb_list_dlg.h"
#include "document/child_frame.h"
#include "document/label.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"
#include "tests/discdata/disc_images.h"
#include "tests/support/test_papers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

namespace {

class CDDBToolWiringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const PaperType paper = testpaper::WithCatalogueTexts(
            testpaper::Discs(NameGUID("cddb-wiring-paper"), QStringLiteral("Disc"), 1170, {{1, 465, 175}}));
        qputenv(
            "KORVANE_PROGRAM_DIR",
            testsupport::programWithPapers(QStringLiteral("cddb-wiring-program"), {&paper}).toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR",
                testsupport::freshDir(QStringLiteral("cddb-wiring-registry")).toLocal8Bit());
        const QString discs = testsupport::freshDir(QStringLiteral("cddb-wiring-discs"));
        qputenv("KORVANE_CD_DRIVES",
                discimages::Make(discs, QStringLiteral("album"), {{true, 180 * 75}, {true, 240 * 75}})
                    .toLocal8Bit());
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
    }
    void TearDown() override
    {
        delete frame.data();
        qunsetenv("KORVANE_CD_DRIVES");
    }

    QPointer<TMainFrame> frame;
    testsupport::MessageRecorder recorder{IDNO};
};

} // namespace

TEST_F(CDDBToolWiringTest, BandOpensTheDialogAndMakesHeadingAndBody)
{
    frame->OpenDocumentFile(QStringLiteral("Edit1"));
    TChildFrame* doc = frame->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    const int before = int(doc->Objects().size());
    testsupport::WhenShown<TCDDBListDlg>([](TCDDBListDlg* dlg) {
        EXPECT_EQ(dlg->FontSize->currentText(), QStringLiteral("10"));
        EXPECT_EQ(dlg->Memo->toPlainText(), QStringLiteral("01.  [03:00]\n02.  [04:00]"));
        dlg->Edit1->setText(QStringLiteral("Album"));
        dlg->Edit2->setText(QStringLiteral("Artist"));
        dlg->ShowAlbumNameChk->setChecked(true);
        dlg->ShowArtistNameChk->setChecked(true);
        dlg->OKBtn->click();
    });
    doc->Tool = ToolCDDBList;
    doc->FormMouseDown(doc->Page, mbLeft, 0, 150, 150);
    doc->FormMouseMove(doc->Page, ssLeft, 250, 200);
    doc->FormMouseUp(doc->Page, mbLeft, 0, 250, 200);
    const std::vector<CDesignObject*> objects = doc->Objects();
    ASSERT_EQ(int(objects.size()), before + 2);
    auto* heading = qobject_cast<CLabel*>(objects[objects.size() - 2]);
    auto* body = qobject_cast<CLabel*>(objects.back());
    ASSERT_TRUE(heading && body);
    EXPECT_EQ(heading->Text, QStringLiteral("Album\r\nArtist"));
    EXPECT_EQ(heading->FontSize, 14);
    EXPECT_EQ(body->Text, QStringLiteral("01.  [03:00]\r\n02.  [04:00]\r\n"));
    EXPECT_EQ(body->FontSize, 10);
    EXPECT_EQ(doc->Tool, ToolArrow);
}
