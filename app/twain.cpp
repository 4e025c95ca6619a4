#include "app/twain.h"

#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/bitmap.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/scanner_library.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <thread>

namespace {

QString g_source;

QString mainCaption()
{
    return Application && Application->MainForm ? Application->MainForm->windowTitle() : QString();
}

} // namespace

bool CheckTwainDll()
{
    if (TScannerLibrary::Load())
        return true;
    Application->MessageBox(LoadLangStr(ScannerLibraryMissingString).arg(ScannerLibraryName()), mainCaption(),
                            MB_OK);
    return false;
}

QString AcquireFilePath()
{
    const QString dir = TempDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("MVExAcq.bmp");
}

QString CTWAIN::Source()
{
    return g_source;
}

void CTWAIN::SetSource(const QString& device)
{
    g_source = device;
}

CTWAIN::CTWAIN() : Picture(std::make_unique<TPicture>()), m_library(TScannerLibrary::Load()) {}

CTWAIN::~CTWAIN() = default;

int CTWAIN::TWAIN_LoadSourceManager()
{
    return m_library && m_library->Init() ? 1 : 0;
}

void CTWAIN::TWAIN_UnloadSourceManager()
{
    if (m_library)
        m_library->Exit();
}

void CTWAIN::TWAIN_SelectImageSource(QWidget* window)
{
    if (!m_library || !m_library->Init())
        return;
    const std::vector<TScanDevice> devices = m_library->Devices();
    m_library->Exit();
    if (devices.empty()) {
        MessageBox(window, LoadLangStr(NoScannerString), LoadLangStr(ScanSourceCaptionString),
                   MB_OK | MB_ICONINFORMATION);
        return;
    }
    QStringList items;
    int current = 0;
    for (size_t i = 0; i < devices.size(); ++i) {
        const TScanDevice& d = devices[i];
        items << QStringLiteral("%1 %2 (%3)").arg(d.Vendor, d.Model, d.Name).simplified();
        if (d.Name == g_source)
            current = int(i);
    }
    QPointer<QInputDialog> dlg = new QInputDialog(window);
    dlg->setObjectName(QStringLiteral("SelectSourceDlg"));
    dlg->setWindowTitle(LoadLangStr(ScanSourceCaptionString));
    dlg->setLabelText(LoadLangStr(ScanSourceCaptionString));
    dlg->setComboBoxItems(items);
    dlg->setComboBoxEditable(false);
    dlg->setTextValue(items.at(current));
    dlg->setOkButtonText(LoadLangStr(OKButtonString));
    dlg->setCancelButtonText(LoadLangStr(CancelButtonString));
    const int result = dlg->exec();
    if (!dlg)
        return;
    const qsizetype chosen = items.indexOf(dlg->textValue());
    delete dlg.data();
    if (result == QDialog::Accepted && chosen >= 0)
        g_source = devices[size_t(chosen)].Name;
}

QImage CTWAIN::scan(QWidget* window)
{
    if (!m_library)
        return QImage();
    QString device = g_source;
    if (device.isEmpty()) {
        const std::vector<TScanDevice> devices = m_library->Devices();
        if (devices.empty()) {
            MessageBox(window, LoadLangStr(NoScannerString), LoadLangStr(ScanSourceCaptionString),
                       MB_OK | MB_ICONINFORMATION);
            return QImage();
        }
        device = devices.front().Name;
    }

    // The scan runs on its own thread while the window shows its progress and can cancel it.
    std::atomic<qint64> done{0}, total{0};
    std::atomic<bool> finished{false};
    bool cancelled = false;
    QImage image;
    QString error;
    TScannerLibrary* library = m_library.get();
    std::thread worker([&] {
        image = library->Scan(
            device,
            [&](qint64 d, qint64 t) {
                done = d;
                total = t;
            },
            &error);
        finished = true;
    });
    QProgressDialog progress(LoadLangStr(ScanningString), LoadLangStr(CancelButtonString), 0, 0, window);
    progress.setObjectName(QStringLiteral("ScanProgress"));
    progress.setWindowTitle(LoadLangStr(ScanningString));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(300);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished) {
            loop.quit();
            return;
        }
        const qint64 t = total, d = done;
        if (t > 0) {
            progress.setMaximum(1000);
            progress.setValue(int(std::min<qint64>(d * 1000 / t, 999)));
        }
    });
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [library, &cancelled] {
        cancelled = true;
        library->Cancel();
    });
    poll.start(20);
    if (!finished)
        loop.exec();
    worker.join();
    progress.reset();
    // The scanner's own words say why; a scan the user stopped needs none.
    if (image.isNull() && !cancelled && !error.isEmpty())
        MessageBox(window, LoadLangStr(ScanFailedString).arg(error), LoadLangStr(ScanningString),
                   MB_OK | MB_ICONERROR);
    return image;
}

int CTWAIN::TWAIN_AcquireToFilename(QWidget* window, const QString& path)
{
    const QImage image = scan(window);
    if (image.isNull())
        return 1;
    TBitmap bitmap;
    bitmap.SetImage(image);
    try {
        bitmap.SaveToFile(path);
    } catch (const std::exception&) {
        return 1;
    }
    return 0;
}

int CTWAIN::TWAIN_AcquireToClipboard(QWidget* window)
{
    const QImage image = scan(window);
    if (image.isNull())
        return 1;
    QApplication::clipboard()->setImage(image);
    return 0;
}

void CTWAIN::SelectImageSource(QWidget* window)
{
    try {
        TWAIN_SelectImageSource(window);
    } catch (...) {
    }
}

void CTWAIN::AcquireToPicture(QWidget* window)
{
    try {
        const QString path = AcquireFilePath();
        if (path.isEmpty())
            return;
        // Whatever lies there (left by an earlier run, or put there by someone else) goes first,
        // so only this acquisition's file is ever read; when it cannot go, nothing is acquired.
        if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
            if (!QFile::remove(path))
                return;
        }
        if (TWAIN_LoadSourceManager() <= 0)
            return;
        const int r = TWAIN_AcquireToFilename(window, path);
        if (r == 0 && QFileInfo(path).isFile()) {
            try {
                Picture->LoadFromFile(path);
            } catch (...) {
                QFile::remove(path);
                TWAIN_UnloadSourceManager();
                throw;
            }
            QFile::remove(path);
        }
        TWAIN_UnloadSourceManager();
    } catch (...) {
    }
}

bool CTWAIN::AcquireToClipboard(QWidget* window)
{
    try {
        if (TWAIN_LoadSourceManager() <= 0)
            return false;
        const bool acquired = TWAIN_AcquireToClipboard(window) == 0;
        TWAIN_UnloadSourceManager();
        return acquired;
    } catch (...) {
        return false;
    }
}
