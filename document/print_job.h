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
class QWidget;
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

// What every print job hands its worker: the sheet, how many, where to; and what came of it.
// Filled before the worker starts; the results are read by the UI thread after the join.
struct TPrintJobBlock {
    PaperType Paper; // private copy of the catalogue record, made before the worker starts
    int32_t Copies = 1;
    TPrinterTarget Target;
    QString Title;
    // Written by the worker.
    QString Error;
    bool Held = false; // the queue is paused: the job waits in it
};

// The block handed to a document's print worker.
struct PrintJobParams : TPrintJobBlock {
    TGUID PaperID{};
    int32_t PageMode = 0;
    QString DocumentName;   // cut to 255 characters
    std::shared_ptr<const TBitmap> Page;
    int PagesPrinted = 0; // written by the worker
};

// The worker loop of every print job: begins the print document, has drawSheet draw the sheet
// once per copy (false: it stopped on the way), ends the document or drops it when the worker
// was asked to stop, always ends, leaves its error in the job and posts WM_PRINTDONE to dialog
// (when given). Returns the pages printed.
int PrintSheetCopies(TPrintJobBlock& job, const std::function<bool(TPrintDocument&)>& drawSheet,
                     TPrintWorker& worker, QObject* dialog);
// The document job's procedure over that loop. Returns 0.
int PrintThreadProc(PrintJobParams& job, TPrintWorker& worker, QObject* dialog);
// Runs proc on worker while the progress dialog shows text over owner; returns once the worker
// has been joined.
void RunPrintWorker(QWidget* owner, const QString& text, TPrintWorker& worker,
                    std::function<void(TPrintWorker&, QObject* dialog)> proc);
// Tells the user what came of a joined job: its error, or that it waits in a paused queue.
void ReportPrintOutcome(const TPrintJobBlock& job);
// Before a page is rendered: false, after telling the user why, when the chosen queue refuses
// jobs.
bool PrinterTakesJobs();

// Tests: runs before a job begins its document, on the worker thread; nullptr removes it.
void SetPrintJobStartHook(std::function<void(TPrintWorker&)> hook);
// The hook's call, for the wizard's worker too.
void RunPrintJobStartHook(TPrintWorker& worker);

// "Printing\n%s\non the\n%s\non %s" with the document, device and port.
QString PrintProgressText(const QString& documentName);
