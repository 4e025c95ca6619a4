#include "app/image_editor_frame.h"
#include "app/image_open_dlg.h"
#include "app/image_property_dlg.h"
#include "app/twain.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/bitmap.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/registry.h"

#include "support/dialog_test_support.h"
#include "support/hosted_dialog_test_support.h"
#include "support/sane_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

TPicture picture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1), 40));
    TBitmap bmp;
    bmp.SetImage(img);
    TPicture p;
    p.SetGraphic(&bmp);
    return p;
}

class ImageDlgTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::clipboard()->clear(); }
    void TearDown() override
    {
        SetFileDialogHandler(nullptr);
        QApplication::clipboard()->clear();
    }
    testsupport::MessageRecorder recorder;
    QStringList& boxes = recorder.texts;
};

} // namespace

TEST_F(ImageDlgTest, FormControlsAndTheEmptyPicture)
{
    TImagePropertyDlg dlg;
    EXPECT_EQ(dlg.size(), QSize(426, 332));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Object Properties - Image"));
    EXPECT_EQ(dlg.PageControl1->geometry(), QRect(4, 5, 417, 289));
    EXPECT_EQ(dlg.PageControl1->tabText(0), QStringLiteral(" Object Information "));
    EXPECT_EQ(dlg.Panel->geometry(), QRect(12, 27, 261, 218));
    EXPECT_EQ(dlg.PaintBox->geometry(), QRect(2, 2, 255, 211));
    EXPECT_EQ(dlg.LoadBtn->text(), QStringLiteral("&Load"));
    EXPECT_EQ(dlg.AcquireBtn->text(), QStringLiteral("Ac&quire..."));
    EXPECT_EQ(dlg.StretchInRatioChk->text(), QStringLiteral("&Stretch In Ratio"));
    EXPECT_EQ(HelpContext(dlg.AcquireBtn), 2096);
    // Without a picture: Edit, Save and the size boxes are off, the position boxes on.
    for (QWidget* w : std::initializer_list<QWidget*>{dlg.EditBtn, dlg.SavePicBtn, dlg.Edit3, dlg.Edit4})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(dlg.Edit1->isEnabled());
    EXPECT_TRUE(dlg.Edit2->isEnabled());
    testsupport::ExpectChildrenInside(dlg.GroupBox1);
    for (QPushButton* b :
         {dlg.LoadBtn, dlg.ClearBtn, dlg.PasteBtn, dlg.EditBtn, dlg.SavePicBtn, dlg.AcquireBtn})
        testsupport::ExpectCaptionFits(b);
    EXPECT_GE(dlg.StretchInRatioChk->width(), dlg.StretchInRatioChk->sizeHint().width());
    EXPECT_GE(dlg.StretchInRatioChk->x(), dlg.Panel->geometry().right());
}

TEST_F(ImageDlgTest, GermanCaptionsFit)
{
    testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TImagePropertyDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Objekteigenschaften - Bild"));
    for (QPushButton* b : {dlg.LoadBtn, dlg.ClearBtn, dlg.PasteBtn, dlg.EditBtn, dlg.SavePicBtn,
                           dlg.AcquireBtn, dlg.OKBtn, dlg.CancelBtn})
        testsupport::ExpectCaptionFits(b);
    EXPECT_GE(dlg.StretchInRatioChk->width(), dlg.StretchInRatioChk->sizeHint().width());
    EXPECT_GE(dlg.StretchInRatioChk->x(), dlg.Panel->geometry().right());
    testsupport::ExpectChildrenInside(dlg.GroupBox1);
    testsupport::ExpectChildrenInside(dlg.GroupBox2);
}

TEST_F(ImageDlgTest, PasteFollowsOnlyAPictureOnTheClipboard)
{
    TImagePropertyDlg dlg;
    EXPECT_FALSE(dlg.PasteBtn->isEnabled());
    QApplication::clipboard()->setText(QStringLiteral("just text"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.PasteBtn->isEnabled());
    const TPicture pic = picture(30, 20);
    QApplication::clipboard()->setImage(pic.Graphic()->ToImage());
    QCoreApplication::processEvents();
    ASSERT_TRUE(dlg.PasteBtn->isEnabled());
    dlg.PasteBtn->click();
    EXPECT_EQ(dlg.Picture->Width(), 30);
    EXPECT_EQ(dlg.Picture->Height(), 20);
    for (QWidget* w : std::initializer_list<QWidget*>{dlg.EditBtn, dlg.SavePicBtn, dlg.Edit3, dlg.Edit4})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    // Clear takes it away again.
    dlg.ClearBtn->click();
    EXPECT_TRUE(dlg.Picture->Empty());
    EXPECT_FALSE(dlg.EditBtn->isEnabled());
}

TEST_F(ImageDlgTest, SizeBoxesKeepThePictureRatio)
{
    EXPECT_EQ(RatioSide(500, 200, 100), 250);
    EXPECT_EQ(RatioSide(30, 100, 200), 60);
    EXPECT_EQ(RatioSide(5, 3, 1), 2); // 1.666 rounds up
    EXPECT_EQ(RatioSide(3, 2, 1), 1); // 1.5 rounds down
    EXPECT_EQ(RatioSide(7, 0, 5), 0);

    TImagePropertyDlg dlg;
    const TPicture pic = picture(200, 100);
    dlg.Picture->Assign(&pic);
    dlg.SetPictureControls();
    dlg.Edit3->setText(QStringLiteral("100"));
    dlg.Edit4->setText(QStringLiteral("50"));
    dlg.Edit3->setText(QStringLiteral("500"));
    dlg.Edit3Exit(dlg.Edit3);
    EXPECT_EQ(dlg.Edit4->text(), QStringLiteral("50")); // not in ratio mode
    dlg.StretchInRatioChk->setChecked(true);
    dlg.Edit3Exit(dlg.Edit3);
    EXPECT_EQ(dlg.Edit4->text(), QStringLiteral("250"));
    dlg.Edit4->setText(QStringLiteral("30"));
    dlg.Edit3Exit(dlg.Edit4);
    EXPECT_EQ(dlg.Edit3->text(), QStringLiteral("60"));
    // A box without a number changes nothing now; OK names it.
    dlg.Edit3->setText(QString());
    dlg.Edit3Exit(dlg.Edit3);
    EXPECT_EQ(dlg.Edit4->text(), QStringLiteral("30"));
}

TEST_F(ImageDlgTest, OkRefusesBoxesWithoutWholeNumbersAndCancelKeepsTheObject)
{
    TImagePropertiesRequest request;
    const TPicture before = picture(10, 10);
    request.Picture.Assign(&before);
    request.Left = 1;
    request.Top = 2;
    request.Width = 30;
    request.Height = 40;
    testsupport::WhenShown<TImagePropertyDlg>([](TImagePropertyDlg* dlg) {
        dlg->ClearBtn->click();
        dlg->Edit2->setText(QString());
        dlg->OKBtn->click();
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->PageControl1->currentWidget(), dlg->TabSheet2);
        dlg->CancelBtn->click();
    });
    EXPECT_FALSE(RunImagePropertyDlg(nullptr, request));
    EXPECT_EQ(boxes, QStringList{LoadLangStr(PositionNotNumberString)});
    EXPECT_EQ(request.Picture.Width(), 10);
    EXPECT_EQ(request.Top, 2);

    testsupport::WhenShown<TImagePropertyDlg>([](TImagePropertyDlg* dlg) {
        dlg->StretchInRatioChk->setChecked(true);
        dlg->Edit1->setText(QStringLiteral("77"));
        dlg->OKBtn->click();
    });
    EXPECT_TRUE(RunImagePropertyDlg(nullptr, request));
    EXPECT_TRUE(request.StretchInRatio);
    EXPECT_EQ(request.Left, 77);
    EXPECT_EQ(request.Picture.Width(), 10);
}

TEST_F(ImageDlgTest, SaveWritesTheBitmapTheRightWayRound)
{
    const QString dir = testsupport::freshDir(QStringLiteral("save-picture"));
    const QString path = dir + QStringLiteral("/saved.bmp");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older file");
    }
    TImagePropertyDlg dlg;
    const TPicture pic = picture(40, 25);
    dlg.Picture->Assign(&pic);
    dlg.SetPictureControls();
    TOpenDialogEx seen;
    SetFileDialogHandler([&](TOpenDialogEx& d) {
        seen.Filter = d.Filter;
        seen.DefaultExt = d.DefaultExt;
        seen.Options = d.Options;
        EXPECT_TRUE(d.IsSave());
        d.FileName = path;
        return true;
    });
    dlg.SavePicBtn->click();
    EXPECT_EQ(seen.Filter, QStringLiteral("Windows Bitmaps(*.bmp)|*.bmp"));
    EXPECT_EQ(seen.DefaultExt, QStringLiteral("bmp"));
    EXPECT_TRUE(seen.Options & ofOverwritePrompt);
    TPicture back;
    back.LoadFromFile(path);
    ASSERT_EQ(back.Width(), 40);
    ASSERT_EQ(back.Height(), 25);
    EXPECT_EQ(back.Graphic()->ToImage().pixel(39, 0), pic.Graphic()->ToImage().pixel(39, 0));
    EXPECT_EQ(back.Graphic()->ToImage().pixel(0, 24), pic.Graphic()->ToImage().pixel(0, 24));
    // Written beside and renamed: nothing else is left in the folder.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("saved.bmp")});

    // A folder that takes no file: the old file stays as it was and the error is shown.
    testsupport::FolderLock lock(dir);
    if (lock.Ok()) {
        const QString other = dir + QStringLiteral("/new.bmp");
        SetFileDialogHandler([&](TOpenDialogEx& d) {
            d.FileName = other;
            return true;
        });
        dlg.SavePicBtn->click();
        EXPECT_FALSE(QFileInfo::exists(other));
        EXPECT_EQ(boxes.size(), 1);
    }
}

TEST_F(ImageDlgTest, LoadOpensThePreviewDialogAndTakesTheChosenFile)
{
    const QString dir = testsupport::freshDir(QStringLiteral("load-picture"));
    const QString file = dir + QStringLiteral("/grey.tif");
    ASSERT_TRUE(QFile::copy(testsupport::fixture(QStringLiteral("images/tiff_grey.tif")), file));
    TImagePropertyDlg dlg;
    dlg.FileName = file; // loaded before: the dialog starts at it
    QTimer::singleShot(0, [&] {
        auto* open = dlg.findChild<TImageOpenFileDlg*>();
        ASSERT_NE(open, nullptr);
        ASSERT_NE(open->OpenDialog->FrameHandle(), nullptr);
        EXPECT_EQ(open->OpenDialog->GetDirectory(), dir);
        auto* edit = qobject_cast<QLineEdit*>(open->OpenDialog->DialogItem(1152));
        ASSERT_NE(edit, nullptr);
        edit->setText(QStringLiteral("grey.tif"));
        qobject_cast<QPushButton*>(open->OpenDialog->DialogItem(1))->click();
    });
    dlg.LoadBtn->click();
    EXPECT_EQ(dlg.FileName, file);
    EXPECT_FALSE(dlg.Picture->Empty());
    EXPECT_TRUE(dlg.EditBtn->isEnabled());
    EXPECT_EQ(dlg.findChild<TImageOpenFileDlg*>(), nullptr);
}

// OK takes the picture the preview read: the file is not read a second time (here it is
// damaged behind the preview's back, under the same time stamp, so a second read would fail).
TEST_F(ImageDlgTest, LoadTakesThePreviewedPictureWithoutReadingItAgain)
{
    const QString dir = testsupport::freshDir(QStringLiteral("load-previewed"));
    const QString file = dir + QStringLiteral("/grey.tif");
    ASSERT_TRUE(QFile::copy(testsupport::fixture(QStringLiteral("images/tiff_grey.tif")), file));
    TPicture original;
    original.LoadFromFile(file);
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("ImageLastDir"), dir);
        reg.WriteBool(BasicInfo(), QStringLiteral("ImagePreview"), true);
    }
    TImagePropertyDlg dlg;
    QTimer::singleShot(0, [&] {
        auto* open = dlg.findChild<TImageOpenFileDlg*>();
        ASSERT_NE(open, nullptr);
        auto* edit = qobject_cast<QLineEdit*>(open->OpenDialog->DialogItem(1152));
        edit->setText(QStringLiteral("grey.tif"));
        open->UpdatePreview();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !open->PreviewPicture->Empty(); },
                                    testsupport::kHostedDialogWaitMs));
        const QDateTime stamp = QFileInfo(file).lastModified();
        QFile damaged(file);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write("II*\0no longer a picture");
        ASSERT_TRUE(damaged.flush());
        ASSERT_TRUE(damaged.setFileTime(stamp, QFileDevice::FileModificationTime));
        damaged.close();
        qobject_cast<QPushButton*>(open->OpenDialog->DialogItem(1))->click();
    });
    dlg.LoadBtn->click();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(dlg.FileName, file);
    EXPECT_EQ(dlg.Picture->Width(), original.Width());
    EXPECT_EQ(dlg.Picture->Height(), original.Height());
}

// A file that cannot be read is named in its message, and the picture stays as it was.
TEST_F(ImageDlgTest, ADamagedFileLoadedHereIsNamed)
{
    const QString dir = testsupport::freshDir(QStringLiteral("load-damaged"));
    const QString file = dir + QStringLiteral("/damaged.jpg");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00 then nothing a decoder can use", 40));
    }
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("ImageLastDir"), dir);
        reg.WriteBool(BasicInfo(), QStringLiteral("ImagePreview"), false);
    }
    TImagePropertyDlg dlg;
    const TPicture pic = picture(5, 5);
    dlg.Picture->Assign(&pic);
    QTimer::singleShot(0, [&] {
        auto* open = dlg.findChild<TImageOpenFileDlg*>();
        ASSERT_NE(open, nullptr);
        qobject_cast<QLineEdit*>(open->OpenDialog->DialogItem(1152))->setText(QStringLiteral("damaged.jpg"));
        qobject_cast<QPushButton*>(open->OpenDialog->DialogItem(1))->click();
    });
    dlg.LoadBtn->click();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.at(0).contains(QStringLiteral("damaged.jpg"))) << boxes.at(0).toStdString();
    EXPECT_EQ(dlg.Picture->Width(), 5);
    EXPECT_TRUE(dlg.FileName.isEmpty());
}

// A picture format on the clipboard that does not decode: Paste says so and changes nothing.
TEST_F(ImageDlgTest, PasteOfAnUnreadablePictureSaysWhy)
{
    TImagePropertyDlg dlg;
    const TPicture pic = picture(5, 5);
    dlg.Picture->Assign(&pic);
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), QByteArray("not a png at all"));
    QApplication::clipboard()->setMimeData(data);
    QCoreApplication::processEvents();
    ASSERT_TRUE(dlg.PasteBtn->isEnabled());
    dlg.PasteBtn->click();
    EXPECT_EQ(boxes, QStringList{LoadLangStr(ClipboardPictureUnreadableString)});
    EXPECT_EQ(dlg.Picture->Width(), 5);
}

TEST_F(ImageDlgTest, EditCropsInThePictureEditor)
{
    TImagePropertyDlg dlg;
    const TPicture pic = picture(60, 40);
    dlg.Picture->Assign(&pic);
    dlg.SetPictureControls();
    recorder.answer = IDYES;
    testsupport::WhenShown<TImageEditorFrame>([](TImageEditorFrame* e) {
        e->SelectBtn->trigger();
        const float z = e->Zoom;
        e->PaintBoxMouseDown(Qt::LeftButton, QPoint(0, 0));
        e->PaintBoxMouseMove(QPoint(int(30 * z), int(20 * z)));
        e->PaintBoxMouseUp(Qt::LeftButton, QPoint(int(30 * z), int(20 * z)));
        e->CropItem->trigger();
        e->ExitItem->trigger();
    });
    dlg.EditBtn->click();
    EXPECT_EQ(dlg.Picture->Width(), 30);
    EXPECT_EQ(dlg.Picture->Height(), 20);
}

TEST_F(ImageDlgTest, AcquireTakesTheScannedPicture)
{
    testsupport::SaneTestBackend backend(QStringLiteral("dlg-sane"));
    TImagePropertyDlg dlg;
    dlg.AcquireBtn->click();
    EXPECT_EQ(dlg.Picture->Width(), 39);
    EXPECT_TRUE(dlg.EditBtn->isEnabled());
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(ImageDlgTest, AcquireWithoutTheScannerLibrarySaysSoOnceAndChangesNothing)
{
    qputenv("KORVANE_SANE_LIBRARY", "/nonexistent/libsane.so.1");
    TImagePropertyDlg dlg;
    const TPicture pic = picture(5, 5);
    dlg.Picture->Assign(&pic);
    dlg.AcquireBtn->click();
    qunsetenv("KORVANE_SANE_LIBRARY");
    EXPECT_EQ(boxes, QStringList{LoadLangStr(ScannerLibraryMissingString).arg("/nonexistent/libsane.so.1")});
    EXPECT_EQ(dlg.Picture->Width(), 5);
}
