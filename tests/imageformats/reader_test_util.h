#pragma once
// Shared by the reader tests: fixtures, reference pixels and pixel comparison.
#include "imageformats/picture_error.h"

#include <gtest/gtest.h>

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
