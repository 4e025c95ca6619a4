#pragma once
// The scanner access library, loaded at run time so that a system without one is a case the
// program meets like any other: SANE (libsane) stands in for the TWAIN access library.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <atomic>
#include <vector>

// File name the library is loaded from: $KORVANE_SANE_LIBRARY, else "libsane.so.1".
QString ScannerLibraryName();

// One frame as the scanner delivers it.
struct TScanFrame {
    int Format = 0; // 0 grey, 1 RGB, 2 red, 3 green, 4 blue
    int BytesPerLine = 0;
    int PixelsPerLine = 0;
    int Lines = -1; // -1: unknown until the data ends
    int Depth = 8;  // 1, 8 or 16 bits per sample
    QByteArray Data;
};

// The picture the frames make: grey (one frame), RGB (one frame) or three single-colour frames.
// A frame whose sizes do not fit its data, a depth or format not read here, or a picture over
// the graphic pixel limit gives a null image and a message in error.
QImage AssembleScan(const std::vector<TScanFrame>& frames, QString* error);

struct TScanDevice {
    QString Name; // what the library opens it by
    QString Vendor;
    QString Model;
};

class TScannerLibrary {
public:
    // The loaded library, nullptr when it cannot be loaded or lacks an entry point.
    static std::unique_ptr<TScannerLibrary> Load();
    ~TScannerLibrary();
    TScannerLibrary(const TScannerLibrary&) = delete;
    TScannerLibrary& operator=(const TScannerLibrary&) = delete;

    // Starts the library; false when it refuses.
    bool Init();
    // Ends what Init started (nothing when it did not).
    void Exit();
    // The scanners the library sees (Init first).
    std::vector<TScanDevice> Devices();

    // Scans one picture from device. Runs on any thread; progress(done, total) is called from
    // it (total 0 when unknown). Cancel, from any thread, stops it after the block being read.
    // A null image and a message in error when nothing was scanned.
    QImage Scan(const QString& device, const std::function<void(qint64, qint64)>& progress, QString* error);
    void Cancel();

private:
    TScannerLibrary() = default;
    struct Api;
    std::unique_ptr<Api> m_api;
    void* m_module = nullptr;
    bool m_started = false;
    // Set by Cancel; the scanning thread stops after the block it is reading and ends the scan
    // itself, so the library is only ever called from one thread at a time.
    std::atomic<bool> m_cancel{false};
};
