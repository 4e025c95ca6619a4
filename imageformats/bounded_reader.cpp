#include "imageformats/bounded_reader.h"

#include "imageformats/picture_error.h"
#include "platform/bitmap.h"

#include <QIODevice>
#include <cstring>

namespace imgread {

void Fail(const char* message)
{
    RaisePictureError(message);
}

void BoundedReader::read(void* dst, size_t n)
{
    std::memcpy(dst, take(n), n);
}

QByteArray ReadRest(QIODevice& device)
{
    QByteArray data;
    const qint64 rest = device.isSequential() ? -1 : device.size() - device.pos();
    if (rest > 0)
        data.reserve(qsizetype(rest));
    char buf[65536];
    for (;;) {
        const qint64 n = device.read(buf, sizeof buf);
        if (n <= 0)
            break;
        data.append(buf, qsizetype(n));
    }
    return data;
}

QImage NewImage(int64_t width, int64_t height, QImage::Format format, const char* error)
{
    if (width <= 0 || height <= 0 || width > 0x7fffff || height > 0x7fffff
        || int64_t(width) * int64_t(height) > GraphicPixelLimit())
        Fail(error);
    QImage image(int(width), int(height), format);
    if (image.isNull())
        Fail(error);
    image.fill(0);
    if (format == QImage::Format_Indexed8)
        image.setColorTable(GreyTable());
    else if (format == QImage::Format_Mono)
        image.setColorTable(MonoTable());
    return image;
}

void CheckExpansion(uint64_t outputBytes, uint64_t inputBytes, uint64_t ratio, const char* error)
{
    // 4 KiB of slack lets tiny but honest pictures through.
    if (outputBytes > (inputBytes + 4096) * ratio)
        Fail(error);
}

QList<QRgb> GreyTable()
{
    QList<QRgb> t(256);
    for (int i = 0; i < 256; ++i)
        t[i] = qRgb(i, i, i);
    return t;
}

QList<QRgb> MonoTable()
{
    return {qRgb(255, 255, 255), qRgb(0, 0, 0)};
}

QList<QRgb> PadTable(QList<QRgb> table)
{
    if (table.size() > 256)
        table.resize(256);
    while (table.size() < 256)
        table.append(qRgb(0, 0, 0));
    return table;
}

} // namespace imgread
