#include "app/image_open_dlg.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/bitmap.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/registry.h"

#include "support/dialog_test_support.h"
#include "support/hosted_dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

using testsupport::ClickDialogItem;
using testsupport::kHostedDialogWaitMs;
using testsupport::SelectInFileList;
using testsupport::WhileHostedDialogRuns;

void waitForPreview(TImageOpenFileDlg* dlg)
{
    EXPECT_TRUE(QTest::qWaitFor([dlg] { return !dlg->PreviewPending(); }, kHostedDialogWaitMs));
}

// Threads of this process now.
int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

void storePreviewSettings(const QString& dir, bool preview)
{
    TRegIniFile reg(ProductKey());
    reg.WriteString(BasicInfo(), QStringLiteral("ImageLastDir"), dir);
    reg.WriteBool(BasicInfo(), QStringLiteral("ImagePreview"), preview);
}

QString pictureFolder(const QString& name)
{
    const QString dir = testsupport::freshDir(name);
    QFile::copy(testsupport::fixture(QStringLiteral("images/tiff_grey.tif")),
                dir + QStringLiteral("/grey.tif"));
    QFile bad(dir + QStringLiteral("/broken.tif"));
    if (bad.open(QIODevice::WriteOnly))
        bad.write("II*\0this is no picture");
    return dir;
}

} // namespace

TEST(PreviewGeometry, PictureRectangleTable)
{
    const struct {
        int W, H, w, h;
        QRect expected;
    } cases[] = {
        {176, 131, 100, 50, QRect(38, 40, 100, 50)},
        {176, 131, 352, 131, QRect(0, 33, 176, 65)},
        {255, 211, 100, 80, QRect(77, 65, 100, 80)},
        {255, 211, 1020, 211, QRect(0, 79, 255, 52)}, // 52.75 truncated
        {176, 131, 176, 131, QRect(0, 0, 176, 131)},
        {176, 131, 10, 1000, QRect(88, 0, 1, 131)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PreviewRect(c.W, c.H, c.w, c.h), c.expected) << c.w << "x" << c.h;
}

TEST(PreviewGeometry, DivisorGoesOnUntilThePictureFitsTheScreen)
{
    const struct {
        int w, h, sw, sh, d;
    } cases[] = {
        {800, 600, 1024, 768, 1},      {1024, 768, 1024, 768, 1},
        {3000, 2000, 1024, 768, 3},    {2048, 100, 1024, 768, 3}, // 2048 / 2 is not below 1024
        {30000, 100, 1024, 768, 30},                              // far past ten
        {100, 200000, 1024, 768, 261},
    };
    for (const auto& c : cases) {
        const int d = PreviewDivisor(c.w, c.h, c.sw, c.sh);
        EXPECT_EQ(d, c.d) << c.w << "x" << c.h;
        if (d > 1) {
            EXPECT_TRUE(c.w / d < c.sw && c.h / d < c.sh);
            EXPECT_FALSE(c.w / (d - 1) < c.sw && c.h / (d - 1) < c.sh);
        }
    }
}

TEST(PreviewWindow, ShowsAtTheScaleThatFitsAndEscapeClosesIt)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize sz = screen->geometry().size();
    for (QSize pictureSize : {QSize(40, 30), QSize(sz.width() * 3, sz.height() / 2)}) {
        TBitmap bmp(pictureSize.width(), pictureSize.height());
        TPicture pic;
        pic.SetGraphic(&bmp);
        TImageOpenFilePreviewDlg dlg;
        QString caption;
        QSize shown;
        QPoint centre;
        QTimer::singleShot(0, [&] {
            caption = dlg.windowTitle();
            shown = dlg.Image->size();
            centre = dlg.geometry().center();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
            QApplication::sendEvent(&dlg, &escape);
        });
        QTimer::singleShot(3000, &dlg, [&] { dlg.reject(); });
        dlg.ShowPreview(&pic);
        const int d = PreviewDivisor(pictureSize.width(), pictureSize.height(), sz.width(), sz.height());
        EXPECT_EQ(dlg.Divisor, d);
        EXPECT_EQ(caption, QStringLiteral("Object Properties - Image Preview [1:%1]").arg(d));
        EXPECT_EQ(shown, QSize(pictureSize.width() / d, pictureSize.height() / d));
        // Centred on the screen at the size it shows at.
        const QPoint screenCentre = screen->availableGeometry().center();
        EXPECT_LE((centre - screenCentre).manhattanLength(), 4) << centre.x() << "," << centre.y();
        EXPECT_FALSE(dlg.isVisible());
    }
}

TEST(ImageOpenDialog, LaysOutAroundTheStandardControlsAndPreviewsTheSelection)
{
    testsupport::MessageRecorder recorder;
    const QString dir = pictureFolder(QStringLiteral("open-preview"));
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("ImageLastDir"), dir);
        reg.WriteBool(BasicInfo(), QStringLiteral("ImagePreview"), true);
    }
    TImageOpenFileDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Object Properties - Select Image File"));
    WhileHostedDialogRuns(dlg.OpenDialog, [&] {
        EXPECT_TRUE(dlg.ImagePreviewChk->isChecked()); // "ImagePreview" defaults to on
        EXPECT_TRUE(dlg.PreviewOn);
        EXPECT_TRUE(dlg.DetailBtn->isEnabled());
        // Help and read-only are hidden; the rest of the standard items show.
        EXPECT_FALSE(dlg.OpenDialog->DialogItem(1038)->isVisible());
        EXPECT_FALSE(dlg.OpenDialog->DialogItem(1040)->isVisible());
        EXPECT_TRUE(dlg.OpenDialog->DialogItem(1089)->isVisible());
        EXPECT_EQ(qobject_cast<QPushButton*>(dlg.OpenDialog->DialogItem(1))->text(), QStringLiteral("&OK"));
        // The layout follows the standard items.
        const QRect ok = dlg.OpenDialog->DialogItemRect(1);
        const QRect typeLabel = dlg.OpenDialog->DialogItemRect(1089);
        EXPECT_EQ(dlg.GroupBox1->x(), typeLabel.x());
        EXPECT_EQ(dlg.GroupBox1->y(), typeLabel.bottom() + 1 + 10);
        EXPECT_EQ(dlg.GroupBox2->y(), dlg.GroupBox1->geometry().bottom() + 1 + 7);
        EXPECT_EQ(dlg.PreviewPanel->x(), dlg.GroupBox1->geometry().right() + 1 + 15);
        EXPECT_EQ(dlg.PreviewPanel->y(), typeLabel.bottom() + 1 + 14);
        EXPECT_EQ(dlg.PreviewPanel->size(), QSize(180, 135));
        EXPECT_GE(dlg.width(), ok.right() + 1 + 20);
        EXPECT_EQ(dlg.height(), dlg.PreviewPanel->geometry().bottom() + 1 + 30);
        EXPECT_EQ(dlg.OpenDialog->FrameHandle()->size(), dlg.size());

        // Selecting a picture previews it and shows its size.
        SelectInFileList(dlg.OpenDialog->RunningDialog(), QStringLiteral("grey.tif"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.PreviewPicture->Empty(); }, kHostedDialogWaitMs));
        ASSERT_FALSE(dlg.PreviewPicture->Empty());
        EXPECT_EQ(
            dlg.StaticText2->text(),
            QStringLiteral("(%1x%2)").arg(dlg.PreviewPicture->Width()).arg(dlg.PreviewPicture->Height()));
        // A damaged file gives its message and the dialog stays.
        SelectInFileList(dlg.OpenDialog->RunningDialog(), QStringLiteral("broken.tif"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.texts.isEmpty(); }, kHostedDialogWaitMs));
        EXPECT_EQ(recorder.texts.size(), 1);
        EXPECT_TRUE(dlg.OpenDialog->FrameHandle()->isVisible());
        // Preview off: the picture and its size go, Detail Preview is off.
        dlg.ImagePreviewChk->setChecked(false);
        EXPECT_FALSE(dlg.PreviewOn);
        EXPECT_FALSE(dlg.DetailBtn->isEnabled());
        EXPECT_TRUE(dlg.PreviewPicture->Empty());
        EXPECT_TRUE(dlg.StaticText2->text().isEmpty());
        SelectInFileList(dlg.OpenDialog->RunningDialog(), QStringLiteral("grey.tif"));
        QCoreApplication::processEvents();
        EXPECT_TRUE(dlg.PreviewPicture->Empty());

        auto* edit = qobject_cast<QLineEdit*>(dlg.OpenDialog->DialogItem(1152));
        edit->setText(QStringLiteral("grey.tif"));
        ClickDialogItem(dlg.OpenDialog, 1);
    });
    ASSERT_TRUE(dlg.ExecuteImageOpen());
    EXPECT_EQ(dlg.OpenDialog->FileName, dir + QStringLiteral("/grey.tif"));
    TRegIniFile reg(ProductKey());
    EXPECT_EQ(reg.ReadString(BasicInfo(), QStringLiteral("ImageLastDir"), QString()), dir);
    EXPECT_FALSE(reg.ReadBool(BasicInfo(), QStringLiteral("ImagePreview"), true));
}

TEST(ImageOpenDialog, PreviewStartsOffWhenStoredSoAndCancelWritesNothing)
{
    const QString dir = pictureFolder(QStringLiteral("open-off"));
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("ImageLastDir"), dir);
        reg.WriteBool(BasicInfo(), QStringLiteral("ImagePreview"), false);
    }
    TImageOpenFileDlg dlg;
    WhileHostedDialogRuns(dlg.OpenDialog, [&] {
        EXPECT_EQ(dlg.OpenDialog->GetDirectory(), dir);
        EXPECT_FALSE(dlg.PreviewOn);
        EXPECT_FALSE(dlg.DetailBtn->isEnabled());
        SelectInFileList(dlg.OpenDialog->RunningDialog(), QStringLiteral("grey.tif"));
        QCoreApplication::processEvents();
        EXPECT_TRUE(dlg.PreviewPicture->Empty());
        EXPECT_TRUE(dlg.StaticText2->text().isEmpty());
        // Opening another folder and cancelling keeps the stored one.
        dlg.OpenDialog->RunningDialog()->setDirectory(QDir::tempPath());
        ClickDialogItem(dlg.OpenDialog, 2);
    });
    EXPECT_FALSE(dlg.ExecuteImageOpen());
    TRegIniFile reg(ProductKey());
    EXPECT_EQ(reg.ReadString(BasicInfo(), QStringLiteral("ImageLastDir"), QString()), dir);
}

TEST(ImageOpenDialog, ALargeFileIsReadWithoutHoldingTheWindow)
{
    // A 4000 x 3000 bitmap: its preview is read on another thread, so the call returns at once
    // and the picture arrives later through the event loop.
    const QString dir = testsupport::freshDir(QStringLiteral("open-large"));
    const QString file = dir + QStringLiteral("/large.bmp");
    TBitmap big(4000, 3000);
    big.SaveToFile(file);
    for (int i = 0; i < 3; ++i)
        TBitmap(31 + i, 21 + i).SaveToFile(dir + QStringLiteral("/%1.bmp").arg(QChar(u'a' + i)));
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("ImageLastDir"), dir);
        reg.WriteBool(BasicInfo(), QStringLiteral("ImagePreview"), true);
    }
    TImageOpenFileDlg dlg;
    WhileHostedDialogRuns(dlg.OpenDialog, [&] {
        auto* edit = qobject_cast<QLineEdit*>(dlg.OpenDialog->DialogItem(1152));
        edit->setText(QStringLiteral("large.bmp"));
        dlg.UpdatePreview();
        EXPECT_TRUE(dlg.PreviewPending());
        EXPECT_TRUE(dlg.PreviewPicture->Empty());
        waitForPreview(&dlg);
        EXPECT_EQ(dlg.PreviewPicture->Width(), 4000);
        EXPECT_EQ(dlg.StaticText2->text(), QStringLiteral("(4000x3000)"));

        // Moving on through the folder while a file is read (held here, so that no read ends
        // early): of the selections made meanwhile only the last is read next.
        const int readsBefore = dlg.PreviewReads();
        dlg.HoldPreviewReading(true);
        for (const char* name : {"large.bmp", "a.bmp", "b.bmp", "c.bmp"}) {
            edit->setText(QLatin1String(name));
            dlg.UpdatePreview();
        }
        EXPECT_EQ(dlg.PreviewReads(), readsBefore);
        dlg.HoldPreviewReading(false);
        waitForPreview(&dlg);
        EXPECT_EQ(dlg.StaticText2->text(), QStringLiteral("(33x23)"));
        EXPECT_EQ(dlg.PreviewReads() - readsBefore, 1);
        ClickDialogItem(dlg.OpenDialog, 2);
    });
    dlg.ExecuteImageOpen();
}

// A file that cannot be previewed takes the picture and size of the file before with it, so
// neither Detail Preview nor OK can show that other picture.
TEST(ImageOpenDialog, AFailedPreviewClearsThePictureAndItsSize)
{
    testsupport::MessageRecorder recorder;
    const QString dir = pictureFolder(QStringLiteral("open-failed"));
    storePreviewSettings(dir, true);
    TImageOpenFileDlg dlg;
    WhileHostedDialogRuns(dlg.OpenDialog, [&] {
        SelectInFileList(dlg.OpenDialog->RunningDialog(), QStringLiteral("grey.tif"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.PreviewPicture->Empty(); }, kHostedDialogWaitMs));
        EXPECT_FALSE(dlg.StaticText2->text().isEmpty());
        SelectInFileList(dlg.OpenDialog->RunningDialog(), QStringLiteral("broken.tif"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.texts.isEmpty(); }, kHostedDialogWaitMs));
        ASSERT_EQ(recorder.texts.size(), 1);
        EXPECT_TRUE(recorder.texts.at(0).contains(QStringLiteral("broken.tif")))
            << recorder.texts.at(0).toStdString();
        EXPECT_TRUE(dlg.PreviewPicture->Empty());
        EXPECT_TRUE(dlg.StaticText2->text().isEmpty());
        ClickDialogItem(dlg.OpenDialog, 2);
    });
    dlg.ExecuteImageOpen();
}

// The reading thread stops and is joined when the dialog goes, even in the middle of a read.
TEST(ImageOpenDialog, TheReadingThreadEndsWithTheDialog)
{
    const QString dir = testsupport::freshDir(QStringLiteral("open-thread"));
    const QString file = dir + QStringLiteral("/large.bmp");
    TBitmap(3000, 2000).SaveToFile(file);
    const int before = threadCount();
    auto* dlg = new TImageOpenFileDlg;
    dlg->OpenDialog->FileName = file;
    dlg->UpdatePreview();
    EXPECT_TRUE(dlg->PreviewPending());
    delete dlg;
    EXPECT_EQ(threadCount(), before);
    QCoreApplication::processEvents(); // nothing arrives for the dialog that went
}

TEST(ImageOpenDialog, GermanCaptionsFit)
{
    testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TImageOpenFileDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Objekteigenschaften - Bilddatei wählen"));
    testsupport::ExpectCaptionFits(dlg.DetailBtn);
    EXPECT_GE(dlg.ImagePreviewChk->width(), dlg.ImagePreviewChk->sizeHint().width());
    testsupport::ExpectChildrenInside(dlg.GroupBox1);
    testsupport::ExpectChildrenInside(dlg.GroupBox2);
    EXPECT_GT(dlg.StaticText2->x(), dlg.StaticText1->geometry().right());
}
