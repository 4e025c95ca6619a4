#pragma once
// Filtered resizing of 24-bit bitmaps with seven reconstruction filters.
#include "platform/bitmap.h"

#include <QImage>

enum TResamplingFilter { sfBox, sfTriangle, sfHermite, sfBell, sfSpline, sfLanczos3, sfMitchell };

// The filter's value at x, and its default radius.
double ResamplingFilterValue(TResamplingFilter filter, double x);
double ResamplingFilterRadius(TResamplingFilter filter);

// Resamples a picture (any format; taken as 24-bit) to newWidth x newHeight, in Format_BGR888.
// Radius 0 takes the filter's default. A size below 1 gives a null image; a picture beyond
// the picture limit (GraphicPixelLimit) or the memory raises EInvalidGraphic(SOutOfResources).
QImage StretchImage(const QImage& source, int newWidth, int newHeight, TResamplingFilter filter,
                    double radius = 0);

// Target becomes a 24-bit newWidth x newHeight picture of source, which is set to 24 bits.
// On EInvalidGraphic the target is left as it was.
void Stretch(int newWidth, int newHeight, TResamplingFilter filter, double radius, TBitmap* source,
             TBitmap* target);
// The same in place.
void Stretch(int newWidth, int newHeight, TResamplingFilter filter, double radius, TBitmap* source);
