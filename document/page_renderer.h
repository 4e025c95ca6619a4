#pragma once
// Helpers of TChildFrame::RenderPage, the one renderer behind printing, preview, export and
// the multiple-image wizard.
#include "platform/bitmap.h"
#include "platform/guid.h"

#include <QString>
#include <memory>

struct PaperType;

// The largest side of a rendered page in pixels (2800 x 2800 x 4 bytes, about 31 MB).
constexpr int PageBitmapLimit = 2800;

// Pixels of the page at dpi: the label in label mode (0), the sheet in full-page mode (1),
// RoundValue(size x 0.003937 x dpi) per side.
TSize PagePixelSize(const PaperType& paper, int pageMode, int dpi);

// Brings the larger side down to PageBitmapLimit, the other side in proportion.
void LimitPageSize(int& width, int& height);

// v = RoundValue(sqrt((B^2 + G^2 + R^2) / 3)) for every pixel of a 32-bit bitmap, written to
// B, G and R, the fourth byte 0. Bitmaps of other formats are converted to 32 bits first.
void GreyPagePixels(TBitmap& bitmap);

// Sections of the mask table that the renderer reads.
extern const char* const FullShapeMaskSection;   // "shape_mask_full"
extern const char* const OutlineMaskSection;     // "shape_mask_full_out_line"

// The mask picture named for paper id in section of the mask table; nullptr when the table,
// the section, the key or the file is missing. A file that cannot be read raises the
// picture's error.
std::unique_ptr<TBitmap> LoadPaperMaskPicture(const TGUID& id, const QString& section);
