// The picture readers over arbitrary bytes: each gives a picture or its message, nothing else.
// A reader that takes the whole file and nothing more is one line of the table.
#include "fuzz_target.h"
#include "picture_source_fuzz.h"

#include "imageformats/gif_graphic.h"
#include "imageformats/pcx_graphic.h"
#include "imageformats/picture_error.h"
#include "imageformats/ppm_graphic.h"
#include "imageformats/psd_graphic.h"
#include "imageformats/rla_graphic.h"
#include "imageformats/sgi_graphic.h"
#include "imageformats/tiff_graphic.h"

namespace {

// A reader that also decodes from a device as it reads: both ways give the same.
template <class Whole, class FromSource>
fuzz::Body PictureBothWays(Whole whole, FromSource fromSource)
{
    return [whole, fromSource](const uint8_t* data, size_t size) {
        fuzz::ExpectSameFromDevice(data, size, whole, fromSource);
        return 0;
    };
}

template <class Decode>
fuzz::Body Picture(Decode decode)
{
    return [decode](const uint8_t* data, size_t size) {
        try {
            decode(data, size);
        } catch (const EPictureError&) {
        }
        return 0;
    };
}

// Read from a device a few bytes at a time, a GIF gives what it gives from memory: the same
// picture or the same message.
int GIFFromMemoryAndDevice(const uint8_t* data, size_t size)
{
    fuzz::ExpectSameFromDeviceReader(
        data, size, [](const uint8_t* d, size_t n) { return imgread::DecodeGIF(d, n); },
        [](QIODevice& device) { return imgread::DecodeGIF(device, 7); }, true);
    return 0;
}

[[maybe_unused]] const bool registered = fuzz::Register({
    {"autodesk", Picture(imgread::DecodeAutodesk)},
    // The same bytes serve as the palette side file and as the picture.
    {"cut", Picture([](const uint8_t* d, size_t n) {
         return imgread::DecodeCUT(d, n, imgread::DecodeCUTPalette(d, n));
     })},
    {"gif", GIFFromMemoryAndDevice},
    {"pcx", PictureBothWays([](const uint8_t* d, size_t n) { return imgread::DecodePCX(d, n); },
                            [](imgread::PictureSource& s) { return imgread::DecodePCX(s); })},
    {"pnm", Picture(imgread::DecodePPM)},
    {"psd", Picture(imgread::DecodePSD)},
    {"rla", Picture(imgread::DecodeRLA)},
    {"sgi", PictureBothWays([](const uint8_t* d, size_t n) { return imgread::DecodeSGI(d, n); },
                            [](imgread::PictureSource& s) { return imgread::DecodeSGI(s); })},
    {"tiff", PictureBothWays([](const uint8_t* d, size_t n) { return imgread::DecodeTIFF(d, n); },
                             [](imgread::PictureSource& s) { return imgread::DecodeTIFF(s); })},
});

} // namespace
