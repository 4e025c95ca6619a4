// For readers that also decode from a device as they read it: the device path must give what
// the whole-file path gives, the same picture or a failure, read through a window small enough
// that reads cross its end.
#pragma once

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_error.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstdlib>
#include <string>

namespace fuzz {

// FromDevice decodes from a QIODevice; with sameMessage the two failures must also say the same.
template <class Whole, class FromDevice>
void ExpectSameFromDeviceReader(const uint8_t* data, size_t size, Whole whole, FromDevice fromDevice,
                                bool sameMessage = false)
{
    QImage fromMemory, fromDeviceImage;
    bool memoryFailed = false, deviceFailed = false;
    std::string memoryError, deviceError;
    try {
        fromMemory = whole(data, size);
    } catch (const EPictureError& e) {
        memoryFailed = true;
        memoryError = e.what();
    }
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    try {
        fromDeviceImage = fromDevice(device);
    } catch (const EPictureError& e) {
        deviceFailed = true;
        deviceError = e.what();
    }
    if (memoryFailed != deviceFailed || fromMemory != fromDeviceImage ||
        (sameMessage && memoryError != deviceError))
        std::abort();
}

template <class Whole, class FromSource>
void ExpectSameFromDevice(const uint8_t* data, size_t size, Whole whole, FromSource fromSource)
{
    ExpectSameFromDeviceReader(data, size, whole, [&](QIODevice& device) {
        imgread::PictureSource source(device, "device", 61);
        return fromSource(source);
    });
}

} // namespace fuzz
