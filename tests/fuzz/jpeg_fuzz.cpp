// JPEG decoding through libjpeg: any input gives a picture or EInvalidGraphic.
#include "fuzz_target.h"

#include <QByteArray>
#include <cstdint>

#include "platform/jpeg_image.h"

KORVANE_FUZZ_TARGET(jpeg)
{
    static const bool limited = [] {
        SetGraphicPixelLimit(int64_t(1) << 20); // keep each run small; the check itself is what matters
        return true;
    }();
    (void)limited;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        TJPEGImage j;
        j.LoadFromData(bytes);
        j.SetScale(jsQuarter);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
