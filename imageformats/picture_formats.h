#pragma once
// The picture formats unit: the readers' registration with the picture class, and what the
// readers share: byte-order helpers, row converters, predictor reversal and palettes.
// Readers decode the whole file held in memory (imgread::BoundedReader) into a new QImage and
// hand it to the bitmap only on success.
#include "imageformats/picture_error.h"

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
void SwapWordArray(void* Data, int Count);
void SwapDWordArray(void* Data, int Count);
uint32_t SwapDWord(uint32_t Value);

// Row converters: a source row of Count samples (8-bit, or 16-bit native-order words of which
// the high byte is kept) to blue-green-red (-alpha) pixels.
void ConvertGray16To8(const void* Source, void* Dest, int BitsPerSample, int Count);
void ConvertRGBRow(const void* Source, void* Dest, int BitsPerSample, int Count);
void ConvertRGBARow(const void* Source, void* Dest, int BitsPerSample, int Count);
void ConvertRGBPlanarRow(const void* const Source[3], void* Dest, int BitsPerSample, int Count);
void ConvertCMYKRow(const void* Source, void* Dest, int BitsPerSample, int Count);
void ConvertCMYKPlanarRow(const void* const Source[4], void* Dest, int BitsPerSample, int Count);
void ConvertLabRow(const void* Source, void* Dest, int BitsPerSample, int Count);
void ConvertLabPlanarRow(const void* const Source[3], void* Dest, int BitsPerSample, int Count);

// One CMYK or L*a*b* pixel (8-bit samples) to blue, green, red.
void CMYKToBGR(int C, int M, int Y, int K, uint8_t* BGR);
void LabToBGR(uint8_t L, int8_t A, int8_t B, uint8_t* BGR);
// Windows MulDiv: a * b / c rounded half away from zero.
int MulDiv(int A, int B, int C);

// Horizontal differencing reversal over rows of 8-bit samples; Count = width - 1.
void UndoPredictor1(void* Row, int Count);
void UndoPredictor3(void* Row, int Count);
void UndoPredictor4(void* Row, int Count);

// The 16 standard Windows colours.
QList<QRgb> SystemPalette16();
