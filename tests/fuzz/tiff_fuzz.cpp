// Feeds arbitrary bytes to the TIFF reader: it must give a picture or its message, nothing else.
#include "imageformats/picture_error.h"
#include "imageformats/tiff_graphic.h"
#include "platform/bitmap.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool limited = (SetGraphicPixelLimit(int64_t(1) << 22), true);
    (void)limited;
    try {
        imgread::DecodeTIFF(data, size);
    } catch (const EPictureError&) {
    }
    return 0;
}
