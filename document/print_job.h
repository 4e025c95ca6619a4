#pragma once
// Print jobs: a page rendered on the UI thread, then placed on the label positions of the sheet
// and sent to the printer by a worker thread (TPrintWorker) while the progress dialog runs.
// The worker reads only the job block, which is filled before it starts and outlives it.
#include "document/paper_type.h"
#include "platform/bitmap.h"
#include "platform/graphics.h"
#include "platform/guid.h"
#include "platform/printer.h"

#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QObject;
class QPicture;
class TChildFrame;
class TPrintWorker;

// The options of the print dialog a print job uses.
struct TPrintOptions {
    int Copies = 1;
    bool OutLine = true;        // CheckBoxOutLine
    int ResolutionIndex = 1;    // ResolutionComboBox: 0 High, 1 Medium, 2 Low
    int StyleIndex = 0;         // PrintStyleComboBox: 0 colour, 1 greyscale
    bool MaskCore = true;       // CheckBoxMaskCore
};

// The message a print worker posts to its progress dialog when it has ended.
constexpr unsigned WM_PRINTDONE = 0x0401;   // WM_USER + 1

// Dots per inch of the resolution choices: 360, 260, 160, and 260 for anything else.
int PrintResolutionDpi(int resolutionIndex);
// The composed sheet of the paper at 200 dpi, at most PageBitmapLimit on its longer side.
TSize SheetBitmapSize(const PaperType& paper);

// One label position of a composed sheet.
struct TSheetPosition {
    int32_t X = 0, Y = 0;                 // tenths of a millimetre
    const TBitmap* Page = nullptr;        // drawn with SRCAND into the label
    TColor OutlineColor = clBlack;        // of the document the page comes from
};
// Rows of the composed sheet made and sent at a time where the labels allow it, so that a job
// need not hold the whole sheet.
constexpr int SheetBandRows = 512;
// Rows top .. top + rows - 1 of the sheet bitmap (white, SheetBitmapSize wide; rows < 0: to the
// bottom) with every position's page; with maskCore a white disc of the paper's core over each
// page, with outLine the label's outline in its document's colour.
std::unique_ptr<TBitmap> ComposeSheet(const PaperType& paper, const std::vector<TSheetPosition>& positions,
                                      bool maskCore, bool outLine, int top = 0, int rows = -1);
// Draws bitmap over the whole sheet of the print document's page.
void DrawOnSheet(TPrintDocument& document, const PaperType& paper, const TBitmap& bitmap);
// The bands (first row, row count) the sheet is sent in: cut only in rows no label touches, at
// most SheetBandRows long where such rows allow it; together they cover every row once.
std::vector<std::pair<int, int>> SheetBands(const PaperType& paper, const std::vector<TSheetPosition>& positions);
// Composes the sheet band by band onto the print document's page; false when the worker was
// asked to stop on the way.
bool PrintComposedSheet(TPrintDocument& document, const PaperType& paper,
                        const std::vector<TSheetPosition>& positions, bool maskCore, bool outLine,
                        const TPrintWorker& worker);

// The block handed to a document's print worker.
struct PrintJobParams {
    TGUID PaperID{};
    int32_t PageMode = 0;
    int32_t Copies = 1;
    QString DocumentName;   // cut to 255 characters
    std::shared_ptr<const TBitmap> Page;
    PaperType Paper;        // private copy of the catalogue record, made before the worker starts
    TPrinterTarget Target;
    QString Title;
    // Written by the worker, read by the UI thread after the worker was joined.
    QString Error;
    int PagesPrinted = 0;
};

// The worker's procedure: prints the job, always ends (or drops) its print document, leaves its
// error in the job and posts WM_PRINTDONE to dialog (when given). Returns 0.
int PrintThreadProc(PrintJobParams& job, TPrintWorker& worker, QObject* dialog);

// Tests: runs before a job begins its document, on the worker thread; nullptr removes it.
void SetPrintJobStartHook(std::function<void(TPrintWorker&)> hook);
// The hook's call, for the wizard's worker too.
void RunPrintJobStartHook(TPrintWorker& worker);

// "Printing\n%s\non the\n%s\non %s" with the document, device and port.
QString PrintProgressText(const QString& documentName);
