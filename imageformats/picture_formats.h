#pragma once
// The picture formats unit: the readers' registration with the picture class, and what the
// readers share: byte-order helpers, row converters, predictor reversal and palettes.
// Readers decode the file, held in memory (imgread::BoundedReader) or read as decoding goes
// (imgread::PictureSource), into a new QImage and hand it to the bitmap only on success.
#include "imageformats/picture_error.h"
#include "platform/graphics.h"   // MulDiv

#include <QList>
#include <QRgb>
#include <cstddef>
#include <cstdint>

// Called by the picture object so that this unit, and with it the registration, is linked.
void FakeInitPictureFormatsLib();
// Registers the 28 extensions with the picture class, once per run (counted);
// FinalizePictureFormats removes the classes again when the count returns to zero.
void InitPictureFormats();
void FinalizePictureFormats();

// Byte order.
void SwapWordArray(void* data, int count);
void SwapDWordArray(void* data, int count);
uint32_t SwapDWord(uint32_t value);

// Row converters: a source row of count samples (8-bit, or 16-bit native-order words of which
// the high byte is kept) to blue-green-red (-alpha) pixels.
void ConvertGray16To8(const void* source, void* dest, int bitsPerSample, int count);
// With bypassCache, 8-bit rows go to memory without being read into the processor's caches
// first: for pictures far larger than the caches (kBypassCacheBytes), whose rows would not stay
// there anyway.
void ConvertRGBRow(const void* source, void* dest, int bitsPerSample, int count, bool bypassCache = false);
inline constexpr qsizetype kBypassCacheBytes = qsizetype(16) << 20;
void ConvertRGBARow(const void* source, void* dest, int bitsPerSample, int count);
void ConvertRGBPlanarRow(const void* const source[3], void* dest, int bitsPerSample, int count);
void ConvertCMYKRow(const void* source, void* dest, int bitsPerSample, int count);
void ConvertCMYKPlanarRow(const void* const source[4], void* dest, int bitsPerSample, int count);
void ConvertLabRow(const void* source, void* dest, int bitsPerSample, int count);
void ConvertLabPlanarRow(const void* const source[3], void* dest, int bitsPerSample, int count);
// Rows of width 8-bit samples one after another, red, green, blue (and alpha with four
// channels), to blue-green-red(-alpha) pixels.
void InterleavePlaneRows(const uint8_t* planes, size_t width, int channels, uint8_t* dest);

// One CMYK or L*a*b* pixel (8-bit samples) to blue, green, red.
void CMYKToBGR(int c, int m, int y, int k, uint8_t* bgr);
void LabToBGR(uint8_t l, int8_t a, int8_t b, uint8_t* bgr);

// Horizontal differencing reversal over rows of 8-bit samples; count = width - 1.
void UndoPredictor1(void* row, int count);
void UndoPredictor3(void* row, int count);
void UndoPredictor4(void* row, int count);

// The 16 standard Windows colours.
QList<QRgb> SystemPalette16();
