#pragma once
// Windows bitmap (BMP/DIB) reading and writing, used by TBitmap and TIcon.
// Every size and offset in the input is checked against the input's length; damaged data
// raises EInvalidGraphic(SInvalidBitmap).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"

namespace bmpcodec {

struct Decoded {
    QImage image;               // Mono, Indexed8, RGB555, RGB16, BGR888 or RGB32
    TPixelFormat format = pfDevice;
    int paletteSize = 0;        // logical palette entries of an indexed picture
    size_t bitsEnd = 0;         // offset just past the pixel data (uncompressed pictures)
};

// A "BM" file or a packed DIB. heightOverride (> 0) replaces the header's height (icons store
// twice the height for the mask that follows the colour bits).
Decoded Decode(const uint8_t* data, size_t size, int heightOverride = 0);
// A "BM" file in the given format. image must already be in that format's QImage layout
// (pf4bit as Indexed8 with indices below 16).
QByteArray Encode(const QImage& image, TPixelFormat format, const QList<QRgb>& palette);

} // namespace bmpcodec
