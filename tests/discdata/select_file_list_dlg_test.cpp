// The file-list dialog: drops from its list, its settings, OK and Cancel.
#include "controls/color_button.h"
#include "controls/font_combo_box.h"
#include "discdata/select_file_list_dlg.h"
#include "document/std.h"
#include "platform/registry.h"
#include "shellcontrols/shell_list.h"
#include "shellcontrols/shell_tree.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SelectFileListDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = testsupport::freshDir(QStringLiteral("file-list-dlg"));
        QDir().mkpath(Dir + QStringLiteral("/Music/Album"));
        for (const char* n : {"01 Intro.mp3", "02 Song.mp3", "03 Outro.mp3", "cover.jpg"}) {
            QFile f(Dir + QStringLiteral("/Music/Album/") + QLatin1String(n));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        TRegIniFile ini(ProductKey());
        ini.EraseSection(BasicInfo());
    }
    QString Dir;
};

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

TEST_F(SelectFileListDlgTest, DropAppendsOneLinePerSelectedItem)
{
    TRegIniFile(ProductKey()).WriteString(BasicInfo(), QStringLiteral("FileListLastDir"), Dir + QStringLiteral("/Music/Album"));
    TSelectFileListDlg dlg;
    dlg.show();
    Settle();
    TNSShellList* list = dlg.NSShellList;
    ASSERT_EQ(list->count(), 4);
    for (int i : {0, 1, 3})
        list->item(i)->setSelected(true);
    ASSERT_TRUE(dlg.MemoDragOver(list));
    dlg.MemoDragDrop(list);
    EXPECT_EQ(dlg.Memo->toPlainText(), QStringLiteral("01 Intro.mp3\n02 Song.mp3\ncover.jpg"));
    dlg.MemoDragDrop(list);
    EXPECT_EQ(dlg.Memo->toPlainText().split(QLatin1Char('\n')).size(), 6);
    // Only the shell list is a source.
    EXPECT_FALSE(dlg.MemoDragOver(dlg.NSShellTree));
    EXPECT_FALSE(dlg.MemoDragOver(nullptr));
    EXPECT_FALSE(dlg.MemoDragOver(dlg.Memo));
}

TEST_F(SelectFileListDlgTest, SettingsRoundTrip)
{
    const QString album = Dir + QStringLiteral("/Music/Album");
    {
        TRegIniFile ini(ProductKey());
        ini.WriteString(BasicInfo(), QStringLiteral("FileListLastDir"), album);
        ini.WriteInteger(BasicInfo(), QStringLiteral("FileList1Size"), 170);
        ini.WriteInteger(BasicInfo(), QStringLiteral("FileList2Size"), 90);
    }
    {
        TSelectFileListDlg dlg;
        dlg.show();
        Settle();
        EXPECT_EQ(dlg.NSShellTree->GetSelectedPathName(), album);
        EXPECT_EQ(dlg.NSShellList->Folder.PathName(), album);
        EXPECT_EQ(dlg.TreeWidth(), 170);
        EXPECT_EQ(dlg.Panel2Height(), 90);
        dlg.Splitter2->setSizes({150, 230});
        dlg.Splitter1->setSizes({110, 120});
        dlg.OKBtnClick();
        EXPECT_EQ(dlg.result(), 1);
    }
    TRegIniFile ini(ProductKey());
    // The folder itself is kept, not its parent.
    EXPECT_EQ(ini.ReadString(BasicInfo(), QStringLiteral("FileListLastDir"), QString()), album);
    EXPECT_EQ(ini.ReadInteger(BasicInfo(), QStringLiteral("FileList1Size"), 0), 150);
    EXPECT_EQ(ini.ReadInteger(BasicInfo(), QStringLiteral("FileList2Size"), 0), 110);
    TSelectFileListDlg again;
    again.show();
    Settle();
    EXPECT_EQ(again.NSShellTree->GetSelectedPathName(), album);
    EXPECT_EQ(again.TreeWidth(), 150);
}

TEST_F(SelectFileListDlgTest, NamesThatAreNoUtf8ReachTheMemoAndTheSettingWhole)
{
    const QByteArray folder = EncodeNativeName(Dir) + "/caf\xe9";
    std::filesystem::remove_all(folder.constData());
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    for (const char* name : {"bad\xff.mp3", "two\nlines.mp3"}) {
        const int fd = ::open((folder + '/' + name).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    {
        TSelectFileListDlg dlg;
        dlg.show();
        dlg.NSShellTree->SetSelectedPathName(DecodeNativeName(folder));
        Settle();
        ASSERT_EQ(dlg.NSShellList->count(), 2);
        dlg.NSShellList->selectAll();
        dlg.MemoDragDrop(dlg.NSShellList);
        // One item, one line: the line break is shown as the list shows it.
        EXPECT_EQ(dlg.Memo->toPlainText(), QStringLiteral("bad\uFFFD.mp3\ntwo\u21B5lines.mp3"));
        dlg.OKBtnClick();
    }
    const QString stored =
        TRegIniFile(ProductKey()).ReadString(BasicInfo(), QStringLiteral("FileListLastDir"), QString());
    EXPECT_TRUE(stored.endsWith(QStringLiteral("/caf%E9"))) << stored.toStdString();
    TSelectFileListDlg again;
    again.show();
    Settle();
    EXPECT_EQ(EncodeNativeName(again.NSShellTree->GetSelectedPathName()), folder);
    EXPECT_EQ(again.NSShellList->count(), 2);
    std::filesystem::remove_all(folder.constData());
}

TEST_F(SelectFileListDlgTest, DefaultsWithoutSettings)
{
    TSelectFileListDlg dlg;
    dlg.show();
    Settle();
    EXPECT_EQ(dlg.TreeWidth(), TSelectFileListDlg::TreeDesignWidth);
    EXPECT_EQ(dlg.Panel2Height(), TSelectFileListDlg::Panel2DesignHeight);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("File List Selection"));
    EXPECT_EQ(dlg.Label1->text(), QStringLiteral("File List Selection"));
    EXPECT_TRUE(dlg.Memo->toPlainText().isEmpty());
    EXPECT_EQ(HelpContext(dlg.Memo), 2054);
    EXPECT_NE(dlg.NSShellTree->topLevelItem(0), nullptr);
}

TEST_F(SelectFileListDlgTest, CancelAsksOnlyWhenTheMemoHoldsLines)
{
    {
        TSelectFileListDlg dlg;
        testsupport::MessageRecorder none;
        dlg.CancelBtnClick();
        EXPECT_EQ(dlg.result(), 2);
        EXPECT_TRUE(none.texts.isEmpty());
    }
    TSelectFileListDlg dlg;
    dlg.setResult(0);
    dlg.Memo->setPlainText(QStringLiteral("a.mp3"));
    {
        testsupport::MessageRecorder no(IDNO);
        dlg.CancelBtnClick();
        ASSERT_EQ(no.texts.size(), 1);
        EXPECT_EQ(no.texts[0], QStringLiteral("File List Data will be lost!\nContinute exit?"));
        EXPECT_EQ(dlg.result(), 0);
    }
    testsupport::MessageRecorder yes(IDYES);
    dlg.CancelBtnClick();
    EXPECT_EQ(dlg.result(), 2);
}

TEST_F(SelectFileListDlgTest, RunHandsBackTheTextAndFont)
{
    TRegIniFile(ProductKey()).WriteString(BasicInfo(), QStringLiteral("FileListLastDir"), Dir + QStringLiteral("/Music/Album"));
    testsupport::WhenShown<TSelectFileListDlg>([](TSelectFileListDlg* dlg) {
        Settle();
        EXPECT_EQ(dlg->FontSize->Text(), QStringLiteral("10"));
        dlg->NSShellList->item(1)->setSelected(true);
        dlg->NSShellList->item(2)->setSelected(true);
        dlg->MemoDragDrop(dlg->NSShellList);
        dlg->FontColor->SetColor(0x0000FF);
        dlg->FontNameChange(dlg->FontColor);
        dlg->OKBtn->click();
    });
    const TDiscTextDialogResult r = RunSelectFileListDlg(nullptr);
    EXPECT_EQ(r.ModalResult, 1);
    EXPECT_EQ(r.Text, QStringLiteral("02 Song.mp3\r\n03 Outro.mp3\r\n"));
    EXPECT_EQ(r.FontSize, QStringLiteral("10"));
    EXPECT_EQ(r.FontColor, TColor(0x0000FF));
}

TEST_F(SelectFileListDlgTest, GermanCaptionsFit)
{
    testsupport::GermanLanguage german;
    if (!german.Loaded())
        GTEST_SKIP() << "no German library in this build";
    TSelectFileListDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Dateilisten-Auswahl"));
    testsupport::ExpectCaptionFits(dlg.OKBtn);
    testsupport::ExpectCaptionFits(dlg.CancelBtn);
    testsupport::ExpectChildrenInside(&dlg);
}
