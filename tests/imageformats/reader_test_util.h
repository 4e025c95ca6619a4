#pragma once
// Shared by the reader tests: fixtures, reference pixels and pixel comparison.
#include "imageformats/bounded_reader.h"
#include "imageformats/picture_error.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

namespace readertest {

inline QString FixturePath(const QString& name)
{
    return QStringLiteral(KORVANE_FIXTURES_DIR "/images/") + name;
}

inline QByteArray Fixture(const QString& name)
{
    QFile f(FixturePath(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

// Pixels decoded by the reference tool (Pillow or netpbm), written beside the fixture.
inline QImage Reference(const QString& name)
{
    QImage ref(FixturePath(name + QStringLiteral(".ppm")), "PPM");
    EXPECT_FALSE(ref.isNull()) << name.toStdString();
    return ref;
}

// Compares colours pixel by pixel, within tolerance per channel.
inline ::testing::AssertionResult SamePixels(const QImage& got, const QImage& want, int tolerance = 0)
{
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "size " << got.width() << "x" << got.height()
                                             << ", expected " << want.width() << "x" << want.height();
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance
                || std::abs(qBlue(a) - qBlue(b)) > tolerance)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << (a & 0xffffff) << ", expected "
                       << (b & 0xffffff);
        }
    return ::testing::AssertionSuccess();
}

using Decoder = std::function<QImage(const uint8_t*, size_t)>;

inline QImage Decode(const Decoder& decode, const QByteArray& bytes)
{
    return decode(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

// The message a decode raises, or "" when it succeeds.
inline std::string DecodeError(const Decoder& decode, const QByteArray& bytes)
{
    try {
        Decode(decode, bytes);
    } catch (const EPictureError& e) {
        return e.what();
    }
    return {};
}

using SourceDecoder = std::function<QImage(imgread::PictureSource&)>;

// The decode of bytes read from a device as decoding goes, through a window of a few bytes so
// that every read beyond the first crosses its end; message is the reader's.
inline QImage DecodeFromDevice(const SourceDecoder& decode, const QByteArray& bytes, const char* message,
                               size_t window = 7)
{
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    imgread::PictureSource source(device, message, window);
    return decode(source);
}

// Read from a device, the file gives what it gives from memory: the same picture, or the same
// message.
inline ::testing::AssertionResult SameFromDevice(const Decoder& whole, const SourceDecoder& decode,
                                                 const QByteArray& bytes, const char* message)
{
    std::string wholeError, deviceError;
    QImage fromMemory, fromDevice;
    try {
        fromMemory = Decode(whole, bytes);
    } catch (const EPictureError& e) {
        wholeError = e.what();
    }
    for (const size_t window : {size_t(7), size_t(1) << 20}) {
        fromDevice = QImage();
        try {
            fromDevice = DecodeFromDevice(decode, bytes, message, window);
            deviceError.clear();
        } catch (const EPictureError& e) {
            deviceError = e.what();
        }
        if (deviceError != wholeError)
            return ::testing::AssertionFailure()
                   << "window " << window << ": \"" << deviceError << "\" from the device, \"" << wholeError
                   << "\" from memory";
        if (fromDevice != fromMemory)
            return ::testing::AssertionFailure() << "window " << window << ": other pixels from the device";
    }
    return ::testing::AssertionSuccess();
}

struct DamagedCase {
    const char* what;
    QByteArray bytes;
    const char* message;
};

// Big-endian and little-endian writers for hand-built files.
inline void PutBE16(QByteArray& b, int at, uint16_t v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}
inline void PutBE32(QByteArray& b, int at, uint32_t v)
{
    PutBE16(b, at, uint16_t(v >> 16));
    PutBE16(b, at + 2, uint16_t(v));
}
inline void PutLE16(QByteArray& b, int at, uint16_t v)
{
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
}
inline void AppendBE16(QByteArray& b, uint16_t v)
{
    b.append(char(v >> 8)).append(char(v));
}
inline void AppendBE32(QByteArray& b, uint32_t v)
{
    AppendBE16(b, uint16_t(v >> 16));
    AppendBE16(b, uint16_t(v));
}
inline void AppendLE16(QByteArray& b, uint16_t v)
{
    b.append(char(v)).append(char(v >> 8));
}

} // namespace readertest
