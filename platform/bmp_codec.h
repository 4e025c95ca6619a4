#pragma once
// Windows bitmap (BMP/DIB) reading and writing, used by TBitmap and TIcon.
// Every size and offset in the input is checked against the input's length; damaged data
// raises EInvalidGraphic(SInvalidBitmap).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <functional>

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
// Puts bytes bytes of the file from offset on at to, or raises when it cannot.
using ReadAt = std::function<void(uint64_t offset, uint8_t* to, size_t bytes)>;
// A "BM" file of fileSize bytes whose first size bytes are at data: the pixel rows of
// uncompressed pictures are read through readAt straight into the picture, so the file is
// never held whole. False, with nothing decoded, for a picture that needs the whole file.
bool DecodeRows(const uint8_t* data, size_t size, uint64_t fileSize, const ReadAt& readAt, Decoded& out);
// A "BM" file in the given format. image must already be in that format's QImage layout
// (pf4bit as Indexed8 with indices below 16).
QByteArray Encode(const QImage& image, TPixelFormat format, const QList<QRgb>& palette);

} // namespace bmpcodec
