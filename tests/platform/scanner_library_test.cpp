#include "platform/bitmap.h"
#include "platform/scanner_library.h"

#include "support/sane_test_support.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <atomic>
#include <cstring>
#include <thread>

namespace {

TScanFrame frame(int format, int depth, int bytesPerLine, int pixelsPerLine, int lines, QByteArray data)
{
    TScanFrame f;
    f.Format = format;
    f.Depth = depth;
    f.BytesPerLine = bytesPerLine;
    f.PixelsPerLine = pixelsPerLine;
    f.Lines = lines;
    f.Data = std::move(data);
    return f;
}

QByteArray byteList(std::initializer_list<int> v)
{
    QByteArray b;
    for (int x : v)
        b.append(char(x));
    return b;
}

} // namespace

TEST(ScanAssembly, GoodFramesMakeThePicture)
{
    QString error;
    // Grey, 8 bits, lines padded to 4 bytes.
    QImage grey = AssembleScan({frame(0, 8, 4, 3, 2, byteList({1, 2, 3, 0, 4, 5, 6, 0}))}, &error);
    ASSERT_FALSE(grey.isNull()) << error.toStdString();
    EXPECT_EQ(grey.size(), QSize(3, 2));
    EXPECT_EQ(qGray(grey.pixel(2, 1)), 6);

    // RGB in one frame.
    QImage rgb = AssembleScan({frame(1, 8, 6, 2, 1, byteList({255, 0, 0, 0, 0, 255}))}, &error);
    ASSERT_FALSE(rgb.isNull());
    EXPECT_EQ(rgb.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(rgb.pixel(1, 0), qRgb(0, 0, 255));

    // One bit a pixel: a set bit is black.
    QImage line = AssembleScan({frame(0, 1, 1, 8, 1, byteList({0x80}))}, &error);
    ASSERT_FALSE(line.isNull());
    EXPECT_EQ(qGray(line.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(line.pixel(1, 0)), 255);

    // Sixteen bits in the machine's order, lines unknown until the data ends.
    QByteArray wide(4, 0);
    const uint16_t samples[2] = {0x1234, 0xFF00};
    std::memcpy(wide.data(), samples, 4);
    QImage deep = AssembleScan({frame(0, 16, 4, 2, -1, wide)}, &error);
    ASSERT_FALSE(deep.isNull());
    EXPECT_EQ(qGray(deep.pixel(0, 0)), 0x12);
    EXPECT_EQ(qGray(deep.pixel(1, 0)), 0xFF);

    // Three single-colour frames.
    QImage three = AssembleScan({frame(2, 8, 1, 1, 1, byteList({10})), frame(4, 8, 1, 1, 1, byteList({30})),
                                 frame(3, 8, 1, 1, 1, byteList({20}))},
                                &error);
    ASSERT_FALSE(three.isNull());
    EXPECT_EQ(three.pixel(0, 0), qRgb(10, 20, 30));

    // Fewer lines than announced: the whole lines that came.
    QImage cut = AssembleScan({frame(0, 8, 2, 2, 9, byteList({1, 2, 3, 4, 5}))}, &error);
    ASSERT_FALSE(cut.isNull());
    EXPECT_EQ(cut.size(), QSize(2, 2));
}

TEST(ScanAssembly, DamagedFramesGiveAMessage)
{
    SetGraphicPixelLimit(int64_t(1) << 20);
    const struct Case {
        const char* what;
        std::vector<TScanFrame> frames;
    } cases[] = {
        {"no frames", {}},
        {"unknown format", {frame(7, 8, 1, 1, 1, byteList({0}))}},
        {"negative format", {frame(-1, 8, 1, 1, 1, byteList({0}))}},
        {"depth 4", {frame(0, 4, 1, 1, 1, byteList({0}))}},
        {"depth 0", {frame(0, 0, 1, 1, 1, byteList({0}))}},
        {"RGB at one bit", {frame(1, 1, 1, 2, 1, byteList({0}))}},
        {"no pixels", {frame(0, 8, 1, 0, 1, byteList({0}))}},
        {"negative pixels", {frame(0, 8, 1, -5, 1, byteList({0}))}},
        {"no byteList per line", {frame(0, 8, 0, 1, 1, byteList({0}))}},
        {"negative byteList per line", {frame(0, 8, -4, 1, 1, byteList({0}))}},
        {"line shorter than its pixels", {frame(1, 8, 5, 2, 1, byteList({0, 0, 0, 0, 0}))}},
        {"sixteen bits in too short a line", {frame(0, 16, 3, 2, 1, byteList({0, 0, 0}))}},
        {"no data", {frame(0, 8, 4, 4, 2, QByteArray())}},
        {"data shorter than a line", {frame(0, 8, 4, 4, -1, byteList({1, 2}))}},
        {"over the pixel limit", {frame(0, 8, 1 << 16, 1 << 16, 32, QByteArray(32 << 16, 0))}},
        {"huge claims, little data", {frame(0, 8, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, byteList({1}))}},
        {"two reds",
         {frame(2, 8, 1, 1, 1, byteList({1})), frame(2, 8, 1, 1, 1, byteList({1})),
          frame(4, 8, 1, 1, 1, byteList({1}))}},
        {"red and green only", {frame(2, 8, 1, 1, 1, byteList({1})), frame(3, 8, 1, 1, 1, byteList({1}))}},
        {"colour frames of two widths",
         {frame(2, 8, 2, 2, 1, byteList({1, 1})), frame(3, 8, 1, 1, 1, byteList({1})),
          frame(4, 8, 1, 1, 1, byteList({1}))}},
        {"grey among colour frames",
         {frame(0, 8, 1, 1, 1, byteList({1})), frame(3, 8, 1, 1, 1, byteList({1})),
          frame(4, 8, 1, 1, 1, byteList({1}))}},
    };
    for (const Case& c : cases) {
        QString error;
        const QImage image = AssembleScan(c.frames, &error);
        EXPECT_TRUE(image.isNull()) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
    SetGraphicPixelLimit(int64_t(1) << 26);
}

TEST(ScanLibrary, AMissingLibraryLoadsAsNothing)
{
    qputenv("KORVANE_SANE_LIBRARY", "/nonexistent/libsane.so.1");
    EXPECT_EQ(ScannerLibraryName(), QStringLiteral("/nonexistent/libsane.so.1"));
    EXPECT_EQ(TScannerLibrary::Load(), nullptr);
    // A library that is there but is no scanner library is refused as well.
    qputenv("KORVANE_SANE_LIBRARY", "libc.so.6");
    EXPECT_EQ(TScannerLibrary::Load(), nullptr);
    qunsetenv("KORVANE_SANE_LIBRARY");
    EXPECT_EQ(ScannerLibraryName(), QStringLiteral("libsane.so.1"));
}

TEST(ScanLibrary, CancelStopsAScanFromAnotherThread)
{
    // One byte a read, so that the scan is in the middle of its frame when it is cancelled.
    testsupport::SaneTestBackend backend(
        QStringLiteral("sane-cancel"), testsupport::SaneTestBackend::DefaultConf() +
                                           "enable-test-options true\nread-limit true\nread-limit-size 1\n");
    auto library = TScannerLibrary::Load();
    ASSERT_NE(library, nullptr);
    ASSERT_TRUE(library->Init());
    const std::vector<TScanDevice> devices = library->Devices();
    ASSERT_EQ(devices.size(), 2u);
    std::atomic<qint64> seen{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    QImage image;
    QString error;
    std::thread scan([&] {
        image = library->Scan(
            devices[0].Name,
            [&](qint64 done, qint64) {
                seen = done;
                // The scan holds still until the other thread has cancelled it, so the cancel
                // lands mid-picture however the threads are scheduled.
                while (done >= 10 && !cancelled)
                    std::this_thread::yield();
            },
            &error);
        finished = true;
    });
    while (seen < 10 && !finished)
        std::this_thread::yield();
    library->Cancel();
    cancelled = true;
    scan.join();
    EXPECT_TRUE(image.isNull());
    EXPECT_FALSE(error.isEmpty());
    // The next scan is not cancelled by the one before.
    image = library->Scan(devices[0].Name, nullptr, &error);
    EXPECT_EQ(image.size(), QSize(39, 19));
    library->Exit();
}
