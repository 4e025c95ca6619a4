#pragma once
// Helpers of the document window's own commands (select, lock, delete, properties, paper,
// page setup, picture insertion, export, relabelling, closing).
#include <QString>

// The number at the end of an untitled window's caption ("Edit12" gives "12"): the trailing
// decimal digits, whatever the word before them; "" when the caption ends in none.
QString UntitledNumber(const QString& caption);

// Filter and default extension of the page export.
extern const char* const ExportBitmapFilter;     // "Windows Bitmaps(*.bmp)|*.bmp"
extern const char* const ExportBitmapExtension;  // "bmp"
// Resolution of an exported page.
constexpr int ExportPageDpi = 200;
