#pragma once
// Filtered resizing of 24-bit bitmaps with seven reconstruction filters.
#include "platform/bitmap.h"

#include <QImage>

enum TResamplingFilter { sfBox, sfTriangle, sfHermite, sfBell, sfSpline, sfLanczos3, sfMitchell };

// The filter's value at X, and its default radius.
double ResamplingFilterValue(TResamplingFilter Filter, double X);
double ResamplingFilterRadius(TResamplingFilter Filter);

// Resamples a picture (any format; taken as 24-bit) to NewWidth x NewHeight, in Format_BGR888.
// Radius 0 takes the filter's default. A size below 1 gives a null image.
QImage StretchImage(const QImage& Source, int NewWidth, int NewHeight, TResamplingFilter Filter,
                    double Radius = 0);

// Target becomes a 24-bit NewWidth x NewHeight picture of Source, which is set to 24 bits.
void Stretch(int NewWidth, int NewHeight, TResamplingFilter Filter, double Radius, TBitmap* Source,
             TBitmap* Target);
// The same in place.
void Stretch(int NewWidth, int NewHeight, TResamplingFilter Filter, double Radius, TBitmap* Source);
