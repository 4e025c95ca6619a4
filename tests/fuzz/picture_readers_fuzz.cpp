// The picture readers over arbitrary bytes: each gives a picture or its message, nothing else.
// A reader that takes the whole file and nothing more is one line of the table.
#include "fuzz_target.h"

#include "imageformats/gif_graphic.h"
#include "imageformats/pcx_graphic.h"
#include "imageformats/picture_error.h"
#include "imageformats/ppm_graphic.h"
#include "imageformats/psd_graphic.h"
#include "imageformats/rla_graphic.h"
#include "imageformats/sgi_graphic.h"
#include "imageformats/tiff_graphic.h"

#include <QBuffer>
#include <cstdlib>
#include <string>

namespace {

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
    QImage fromMemory, fromDevice;
    std::string memoryError, deviceError;
    try {
        fromMemory = imgread::DecodeGIF(data, size);
    } catch (const EPictureError& e) {
        memoryError = e.what();
    }
    QBuffer device;
    device.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    device.open(QIODevice::ReadOnly);
    try {
        fromDevice = imgread::DecodeGIF(device, 7);
    } catch (const EPictureError& e) {
        deviceError = e.what();
    }
    if (memoryError != deviceError || fromMemory != fromDevice)
        std::abort();
    return 0;
}

[[maybe_unused]] const bool registered = fuzz::Register({
    {"autodesk", Picture(imgread::DecodeAutodesk)},
    // The same bytes serve as the palette side file and as the picture.
    {"cut", Picture([](const uint8_t* d, size_t n) {
         return imgread::DecodeCUT(d, n, imgread::DecodeCUTPalette(d, n));
     })},
    {"gif", GIFFromMemoryAndDevice},
    {"pcx", Picture([](const uint8_t* d, size_t n) { return imgread::DecodePCX(d, n); })},
    {"pnm", Picture(imgread::DecodePPM)},
    {"psd", Picture(imgread::DecodePSD)},
    {"rla", Picture(imgread::DecodeRLA)},
    {"sgi", Picture(imgread::DecodeSGI)},
    {"tiff", Picture([](const uint8_t* d, size_t n) { return imgread::DecodeTIFF(d, n); })},
});

} // namespace
