// Windows bitmap and icon reader: any input gives a picture or EInvalidGraphic.
#include <QByteArray>
#include <cstdint>

#include "platform/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool limited = [] {
        SetGraphicPixelLimit(int64_t(1) << 22); // keep each run small; the check itself is what matters
        return true;
    }();
    (void)limited;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        TBitmap b;
        b.LoadFromData(bytes);
        // Touch what callers touch: pixels as 32 bits, scan lines, a save.
        if (!b.Empty()) {
            (void)b.SurfaceForRead();
            (void)b.ScanLine(b.Height() - 1);
            (void)b.SaveToData();
        }
    } catch (const EInvalidGraphic&) {
    }
    try {
        TIcon i;
        i.LoadFromData(bytes);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
