#include "app/twain.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/bitmap.h"
#include "platform/file_utils.h"
#include "platform/picture.h"
#include "platform/scanner_library.h"

#include "support/dialog_test_support.h"
#include "support/sane_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QTimer>

namespace {

// A readable bitmap left where the acquisition writes its file.
void plantBitmap(const QString& path)
{
    TBitmap planted(3, 3);
    planted.SaveToFile(path);
    ASSERT_TRUE(QFileInfo(path).isFile());
}

} // namespace

TEST(ScannerAcquire, AScanFromTheTestBackendArrivesAsAPictureAndItsFileGoes)
{
    testsupport::SaneTestBackend backend(QStringLiteral("sane-scan"));
    ASSERT_TRUE(CheckTwainDll());
    const QString path = AcquireFilePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/MVExAcq.bmp")));
    EXPECT_TRUE(path.startsWith(::TempDir()));
    // A stale file from an earlier run is never what arrives.
    plantBitmap(path);

    CTWAIN twain;
    twain.AcquireToPicture(nullptr);
    ASSERT_FALSE(twain.Picture->Empty());
    EXPECT_EQ(twain.Picture->Width(), 39);
    EXPECT_EQ(twain.Picture->Height(), 19);
    const QImage image = twain.Picture->Graphic()->ToImage();
    EXPECT_EQ(image.pixel(5, 5) & 0xFFFFFF, 0u);
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(ScannerAcquire, NothingScannedLeavesThePictureEmptyAndNoPlantedFileIsRead)
{
    // The library starts but finds no scanner.
    testsupport::SaneTestBackend backend(QStringLiteral("sane-none"),
                                         testsupport::SaneTestBackend::DefaultConf(), false);
    const QString path = AcquireFilePath();
    plantBitmap(path);
    testsupport::MessageRecorder recorder;
    CTWAIN twain;
    twain.AcquireToPicture(nullptr);
    EXPECT_TRUE(twain.Picture->Empty());
    EXPECT_FALSE(QFileInfo::exists(path));
    // Acquire says what Select Source says.
    EXPECT_EQ(recorder.texts, QStringList{LoadLangStr(NoScannerString)});
    recorder.texts.clear();

    // A link planted in its place goes too, and what it points at is left alone.
    const QString target = testsupport::freshDir(QStringLiteral("sane-link")) + QStringLiteral("/target.bmp");
    plantBitmap(target);
    ASSERT_TRUE(QFile::link(target, path));
    CTWAIN again;
    again.AcquireToPicture(nullptr);
    EXPECT_TRUE(again.Picture->Empty());
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_TRUE(QFileInfo(target).isFile());
}

TEST(ScannerAcquire, AFailedScanGivesNothing)
{
    // The chosen scanner is gone, so opening it fails. (A read error of the test backend is not
    // used: the backend stops its reader thread by asynchronous cancellation, which now and then
    // leaves a C library lock held by the dead thread and hangs the program.)
    testsupport::SaneTestBackend backend(QStringLiteral("sane-fail"));
    testsupport::MessageRecorder recorder;
    CTWAIN::SetSource(QStringLiteral("test:9"));
    CTWAIN twain;
    twain.AcquireToPicture(nullptr);
    CTWAIN::SetSource(QString());
    EXPECT_TRUE(twain.Picture->Empty());
    EXPECT_FALSE(QFileInfo::exists(AcquireFilePath()));
    // The scanner library's own reason is shown.
    ASSERT_EQ(recorder.texts.size(), 1);
    EXPECT_TRUE(recorder.texts.at(0).startsWith(LoadLangStr(ScanFailedString).arg(QString())))
        << recorder.texts.at(0).toStdString();
    EXPECT_GT(recorder.texts.at(0).size(), LoadLangStr(ScanFailedString).arg(QString()).size());
}

TEST(ScannerAcquire, AScanGoesToTheClipboard)
{
    testsupport::SaneTestBackend backend(QStringLiteral("sane-clipboard"));
    QApplication::clipboard()->clear();
    CTWAIN twain;
    EXPECT_TRUE(twain.AcquireToClipboard(nullptr));
    const QImage image = QApplication::clipboard()->image();
    EXPECT_EQ(image.size(), QSize(39, 19));
    EXPECT_EQ(image.pixel(5, 5) & 0xFFFFFF, 0u);
    EXPECT_TRUE(twain.Picture->Empty());
}

TEST(ScannerAcquire, NoScannerLeavesTheClipboardAsItWas)
{
    testsupport::SaneTestBackend backend(QStringLiteral("sane-clipboard-none"),
                                         testsupport::SaneTestBackend::DefaultConf(), false);
    testsupport::MessageRecorder recorder;
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    CTWAIN twain;
    EXPECT_FALSE(twain.AcquireToClipboard(nullptr));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_EQ(recorder.texts, QStringList{LoadLangStr(NoScannerString)});
}

TEST(ScannerSource, TheChosenScannerIsTheOneUsedLater)
{
    testsupport::SaneTestBackend backend(QStringLiteral("sane-source"));
    CTWAIN::SetSource(QString());
    testsupport::WhenShown<QInputDialog>([](QInputDialog* dlg) {
        EXPECT_EQ(dlg->windowTitle(), LoadLangStr(ScanSourceCaptionString));
        const QStringList items = dlg->comboBoxItems();
        ASSERT_EQ(items.size(), 2);
        EXPECT_TRUE(items.at(1).contains(QStringLiteral("test:1"))) << items.at(1).toStdString();
        dlg->setTextValue(items.at(1));
        dlg->accept();
    });
    CTWAIN twain;
    twain.SelectImageSource(nullptr);
    EXPECT_EQ(CTWAIN::Source(), QStringLiteral("test:1"));

    // Cancel keeps the choice.
    testsupport::WhenShown<QInputDialog>([](QInputDialog* dlg) {
        dlg->setTextValue(dlg->comboBoxItems().at(0));
        dlg->reject();
    });
    twain.SelectImageSource(nullptr);
    EXPECT_EQ(CTWAIN::Source(), QStringLiteral("test:1"));

    twain.AcquireToPicture(nullptr);
    EXPECT_FALSE(twain.Picture->Empty());
    CTWAIN::SetSource(QString());
}

TEST(ScannerSource, NoScannerIsSaidOnce)
{
    testsupport::SaneTestBackend backend(QStringLiteral("sane-nosource"),
                                         testsupport::SaneTestBackend::DefaultConf(), false);
    testsupport::MessageRecorder recorder;
    CTWAIN twain;
    twain.SelectImageSource(nullptr);
    EXPECT_EQ(recorder.texts, QStringList{LoadLangStr(NoScannerString)});
}

TEST(ScannerLibraryMissing, CheckSaysSoOnce)
{
    qputenv("KORVANE_SANE_LIBRARY", "/nonexistent/libsane.so.1");
    testsupport::MessageRecorder recorder;
    EXPECT_FALSE(CheckTwainDll());
    // The library the program opens is named, in every language.
    EXPECT_EQ(recorder.texts,
              QStringList{QStringLiteral(
                  "Error! Could not find the scanner library /nonexistent/libsane.so.1 (SANE).")});
    qunsetenv("KORVANE_SANE_LIBRARY");
}
