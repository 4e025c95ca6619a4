// Feeds arbitrary scanner frames to the scan assembler: it must give a picture or its message.
// Input: a frame count byte, then per frame format and depth bytes, bytes per line, pixels per
// line and lines (32-bit little-endian each), a data length and that much data.
#include "fuzz_target.h"

#include "platform/bitmap.h"
#include "platform/byte_order.h"
#include "platform/scanner_library.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(scan_frames)
{
    if (size < 1)
        return 0;
    std::vector<TScanFrame> frames;
    size_t pos = 1;
    for (int i = 0; i < (data[0] & 3); ++i) {
        if (size - pos < 18)
            break;
        TScanFrame f;
        f.Format = data[pos];
        f.Depth = data[pos + 1];
        f.BytesPerLine = int32_t(ReadLE32(data + pos + 2));
        f.PixelsPerLine = int32_t(ReadLE32(data + pos + 6));
        f.Lines = int32_t(ReadLE32(data + pos + 10));
        size_t length = ReadLE32(data + pos + 14);
        pos += 18;
        length = std::min(length, size - pos);
        f.Data = QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(length));
        pos += length;
        frames.push_back(std::move(f));
    }
    QString error;
    const QImage image = AssembleScan(frames, &error);
    if (image.isNull() && error.isEmpty())
        __builtin_trap();
    return 0;
}
