// Windows bitmap and icon reader: any input gives a picture or EInvalidGraphic.
#include "fuzz_target.h"

#include <QByteArray>
#include <cstdint>

#include "platform/bitmap.h"

KORVANE_FUZZ_TARGET(bmp)
{
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
