// Printing and previewing a document: the page is rendered once on the UI thread, a worker
// places it on the chosen label positions and sends the sheets to the printer.
#include "document/print_job.h"

#include "document/child_frame.h"
#include "document/main_window_link.h"
#include "document/page_renderer.h"
#include "document/print_worker.h"
#include "document/std.h"
#include "platform/message_box.h"
#include "platform/window_message.h"

#include <QPainter>
#include <QPicture>
#include <mutex>

namespace {

std::mutex g_hookLock;
std::function<void(TPrintWorker&)> g_startHook;

// Pixels of the composed sheet per inch before the size limit.
constexpr int SheetDpi = 200;
constexpr int PreviewDpi = 180;
constexpr int JobNameLength = 255;

} // namespace

int PrintResolutionDpi(int resolutionIndex)
{
    switch (resolutionIndex) {
    case 0: return 360;
    case 2: return 160;
    default: return 260;
    }
}

TSize SheetBitmapSize(const PaperType& paper)
{
    int w = PrintPixels(paper.PaperWidth, SheetDpi);
    int h = PrintPixels(paper.PaperLength, SheetDpi);
    LimitPageSize(w, h);
    return {std::max(w, 1), std::max(h, 1)};
}

std::unique_ptr<TBitmap> ComposeSheet(const PaperType& paper, const std::vector<TSheetPosition>& positions,
                                      bool maskCore, bool outLine, int top, int rows)
{
    const TSize size = SheetBitmapSize(paper);
    top = std::clamp(top, 0, size.cy);
    rows = rows < 0 ? size.cy - top : std::clamp(rows, 0, size.cy - top);
    // 32 bits a pixel: the drawing surface itself, with no second copy to draw on.
    auto sheet = std::make_unique<TBitmap>(size.cx, std::max(rows, 1), pf32bit);
    TCanvas* canvas = sheet->Canvas();
    canvas->Brush.Color = clWhite;
    canvas->Brush.Style = bsSolid;
    canvas->FillRect(TRect(0, 0, size.cx, std::max(rows, 1)));
    if (paper.PaperWidth <= 0)
        return sheet;
    const float s = float(size.cx) / float(paper.PaperWidth);
    const float sw = float(paper.ShapeWidth) * s, sh = float(paper.ShapeHeight) * s;
    const float cs = float(paper.CoreWidth) * s;
    for (const TSheetPosition& p : positions) {
        const float x = float(p.X) * s, y = float(p.Y) * s;
        const int left = RoundValue(x), labelTop = RoundValue(y);
        // Sheet rows, then moved into the band; a label outside the band draws nothing.
        const TRect label(left, labelTop, RoundValue(x + sw), RoundValue(float(labelTop) + sh));
        if (label.Bottom + 1 < top || label.Top > top + rows + 1)
            continue;
        auto band = [top](TRect r) {
            r.Top -= top;
            r.Bottom -= top;
            return r;
        };
        if (p.Page && !p.Page->Empty()) {
            canvas->CopyMode = cmSrcAnd;
            canvas->StretchDraw(band(label), p.Page);
            canvas->CopyMode = cmSrcCopy;
        }
        const TRect core(left + RoundValue((sw - cs) * 0.5), labelTop + RoundValue((sh - cs) * 0.5),
                         left + RoundValue((sw + cs) * 0.5), labelTop + RoundValue((sh + cs) * 0.5));
        if (maskCore && paper.CoreWidth > 0) {
            const TPen pen = canvas->Pen;
            const TBrush brush = canvas->Brush;
            canvas->Pen.Style = psClear;
            canvas->Brush.Style = bsSolid;
            canvas->Brush.Color = clWhite;
            canvas->Ellipse(band(core));
            canvas->Pen = pen;
            canvas->Brush = brush;
        }
        if (outLine) {
            const TPen pen = canvas->Pen;
            const TBrush brush = canvas->Brush;
            canvas->Pen.Style = psSolid;
            canvas->Pen.Color = p.OutlineColor;
            canvas->Brush.Style = bsClear;
            const TRect outline(left, labelTop, RoundValue(x + sw), RoundValue(y + sh));
            if (paper.ShapeStyle == ShapeCircle) {
                canvas->Ellipse(band(outline));
                canvas->Ellipse(band(core));
            } else if (paper.ShapeStyle == ShapeRectangle) {
                canvas->Rectangle(band(outline));
            }
            canvas->Pen = pen;
            canvas->Brush = brush;
        }
    }
    return sheet;
}

void DrawOnSheet(TPrintDocument& document, const PaperType& paper, const TBitmap& bitmap)
{
    // The print document's origin is the sheet's corner, so no printer offset applies.
    document.Canvas()->drawImage(QRect(0, 0, paper.PaperWidth, paper.PaperLength), bitmap.image());
}

std::vector<std::pair<int, int>> SheetBands(const PaperType& paper, const std::vector<TSheetPosition>& positions)
{
    const TSize size = SheetBitmapSize(paper);
    // Rows any label touches, with a row of margin, may not be cut.
    std::vector<bool> busy(size_t(size.cy) + 1, false);
    if (paper.PaperWidth > 0) {
        const float s = float(size.cx) / float(paper.PaperWidth);
        for (const TSheetPosition& p : positions) {
            const int top = RoundValue(float(p.Y) * s) - 2;
            const int bottom = RoundValue(float(p.Y) * s + float(paper.ShapeHeight) * s) + 2;
            for (int r = std::max(top, 1); r <= std::min(bottom, size.cy - 1); ++r)
                busy[size_t(r)] = true;
        }
    }
    std::vector<std::pair<int, int>> bands;
    int start = 0;
    while (start < size.cy) {
        int cut = std::min(start + SheetBandRows, size.cy);
        // The latest free row within reach, else the first one beyond it.
        while (cut > start && cut < size.cy && busy[size_t(cut)])
            --cut;
        if (cut == start) {
            cut = std::min(start + SheetBandRows, size.cy);
            while (cut < size.cy && busy[size_t(cut)])
                ++cut;
        }
        bands.emplace_back(start, cut - start);
        start = cut;
    }
    return bands;
}

bool PrintComposedSheet(TPrintDocument& document, const PaperType& paper,
                        const std::vector<TSheetPosition>& positions, bool maskCore, bool outLine,
                        const TPrintWorker& worker)
{
    const TSize size = SheetBitmapSize(paper);
    QPainter* painter = document.Canvas();
    for (const auto& [top, rows] : SheetBands(paper, positions)) {
        if (worker.StopRequested())
            return false;
        const std::unique_ptr<TBitmap> band = ComposeSheet(paper, positions, maskCore, outLine, top, rows);
        // Bands meet on the same coordinate, computed the same way for both, in rows no label
        // touches, so no seam can show.
        const double y0 = double(top) * paper.PaperLength / size.cy;
        const double y1 = double(top + rows) * paper.PaperLength / size.cy;
        painter->drawImage(QRectF(0, y0, paper.PaperWidth, y1 - y0), band->image());
    }
    return true;
}

void SetPrintJobStartHook(std::function<void(TPrintWorker&)> hook)
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    g_startHook = std::move(hook);
}

void RunPrintJobStartHook(TPrintWorker& worker)
{
    std::function<void(TPrintWorker&)> hook;
    {
        std::lock_guard<std::mutex> guard(g_hookLock);
        hook = g_startHook;
    }
    if (hook)
        hook(worker);
}

QString PrintProgressText(const QString& documentName)
{
    QString text = LoadLangStr(PrintingOnString);
    for (const QString& part : {documentName, Printer()->Device(), Printer()->Port()}) {
        const qsizetype at = text.indexOf(QLatin1String("%s"));
        if (at < 0)
            break;
        text.replace(at, 2, part);
    }
    return text;
}

int PrintSheetCopies(TPrintJobBlock& job, const std::function<bool(TPrintDocument&)>& drawSheet,
                     TPrintWorker& worker, QObject* dialog)
{
    TPrintDocument document(job.Target);
    document.Title = job.Title;
    int pages = 0;
    try {
        RunPrintJobStartHook(worker);
        if (!worker.StopRequested()) {
            document.BeginDoc(job.Paper.PaperWidth, job.Paper.PaperLength);
            for (int copy = 0; copy < job.Copies && !worker.StopRequested(); ++copy) {
                if (copy > 0)
                    document.NewPage();
                if (!drawSheet(document))
                    break;
            }
            if (worker.StopRequested()) {
                document.Abort();
            } else {
                pages = document.PageCount();
                document.EndDoc();
                job.Held = document.Held();
            }
        }
    } catch (const std::exception& e) {
        document.Abort();
        pages = 0;
        job.Error = QString::fromUtf8(e.what());
    }
    if (dialog)
        PostMessage(dialog, WM_PRINTDONE, 0, 0);
    return pages;
}

int PrintThreadProc(PrintJobParams& job, TPrintWorker& worker, QObject* dialog)
{
    std::vector<TSheetPosition> positions;
    for (const PaperShape& shape : job.Paper.Shapes)
        if (shape.Selected)
            positions.push_back({shape.X, shape.Y, job.Page.get(), clBlack});
    job.PagesPrinted = PrintSheetCopies(
        job,
        [&](TPrintDocument& document) {
            if (job.PageMode == PageModeLabel)
                return PrintComposedSheet(document, job.Paper, positions, false, false, worker);
            if (job.PageMode == PageModeFull)
                DrawOnSheet(document, job.Paper, *job.Page);
            return true;
        },
        worker, dialog);
    return 0;
}

void RunPrintWorker(QWidget* owner, const QString& text, TPrintWorker& worker,
                    std::function<void(TPrintWorker&, QObject* dialog)> proc)
{
    MainWindowLink()->RunPrintProgress(owner, text, worker, [&worker, &proc](QObject* dialog) {
        const bool started = worker.Start([proc, dialog](TPrintWorker& w) { proc(w, dialog); });
        // A job that never ran still ends the dialog.
        if (!started && dialog)
            PostMessage(dialog, WM_PRINTDONE, 0, 0);
    });
    worker.Join();
}

void ReportPrintOutcome(const TPrintJobBlock& job)
{
    if (!job.Error.isEmpty())
        Application->ShowException(EKorvaneError(job.Error));
    else if (job.Held)
        MessageDlg(LoadLangStr(PrinterPausedJobWaitsString).replace(QLatin1String("%s"), job.Target.Device),
                   mtInformation, mbOK);
}

bool PrinterTakesJobs()
{
    const TPrinterTarget target = Printer()->Target();
    if (!target.PdfFile.isEmpty())
        return true;
    const TQueueState state = QueueState(target.Device);
    if (!state.Known || state.Accepting)
        return true;
    QString text = LoadLangStr(PrinterRefusesJobsString).replace(QLatin1String("%s"), target.Device);
    if (!state.Message.isEmpty())
        text += QStringLiteral("\n") + state.Message;
    MessageDlg(text, mtError, mbOK);
    return false;
}

// ---- the document window's print commands ----

void TChildFrame::PrintDocument()
{
    if (ObjectCount() == 0 &&
        Application->MessageBox(LoadLangStr(NothingToPrintString), Caption(), MB_YESNO) != IDNO)
        return;
    if (Printer()->Printers().isEmpty()) {
        MessageDlg(LoadLangStr(NoPrinterString), mtInformation, mbOK);
        return;
    }
    // The positions to print live in the catalogue record of the document's paper.
    if (!FindPaperType(Paper->ID)) {
        MessageDlg(LoadLangStr(UnknownPaperString), mtInformation, mbOK);
        return;
    }
    TPrintOptions options;
    options.Copies = Printer()->Copies();
    if (MainWindowLink()->RunPagePrintDialog(this, options))
        RunPrintJob(options);
}

void TChildFrame::RunPrintJob(const TPrintOptions& options)
{
    const PaperType* record = FindPaperType(Paper->ID);
    if (!record) {
        MessageDlg(LoadLangStr(UnknownPaperString), mtInformation, mbOK);
        return;
    }
    auto job = std::make_shared<PrintJobParams>();
    job->PaperID = Paper->ID;
    job->PageMode = PageMode;
    job->Copies = options.Copies;
    job->DocumentName = Caption().left(JobNameLength);
    if (!CopyPaperType(record, &job->Paper))
        return;
    job->Target = Printer()->Target();
    job->Title = LoadLangStr(ProgramNameString) + QStringLiteral(" - ") + job->DocumentName;
    if (!PrinterTakesJobs())
        return;

    const int dpi = PageMode == PageModeFull ? SheetDpi : PrintResolutionDpi(options.ResolutionIndex);
    const TSize size = PagePixelSize(*Paper, PageMode, dpi);
    auto page = std::make_shared<TBitmap>();
    RenderPage(page.get(), size.cx, size.cy, options.OutLine, options.StyleIndex != 0, options.MaskCore);
    job->Page = page;

    if (!PrintThread)
        PrintThread = std::make_unique<TPrintWorker>();
    RunPrintWorker(this, PrintProgressText(job->DocumentName), *PrintThread,
                   [job](TPrintWorker& w, QObject* dialog) { PrintThreadProc(*job, w, dialog); });
    ReportPrintOutcome(*job);
}

std::unique_ptr<QPicture> TChildFrame::PreviewPicture()
{
    auto picture = std::make_unique<QPicture>();
    QPainter painter(picture.get());
    const int dpi = PreviewDpi;
    const TSize size = PagePixelSize(*Paper, PageMode, dpi);
    TBitmap page;
    RenderPage(&page, size.cx, size.cy, true, false, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    if (PageMode == PageModeLabel) {
        for (const PaperShape& shape : Paper->Shapes)
            painter.drawImage(QRect(shape.X, shape.Y, Paper->ShapeWidth, Paper->ShapeHeight), page.image());
    } else if (PageMode == PageModeFull) {
        painter.drawImage(QRect(0, 0, Paper->PaperWidth, Paper->PaperLength), page.image());
    }
    painter.end();
    picture->setBoundingRect(QRect(0, 0, Paper->PaperWidth, Paper->PaperLength));
    return picture;
}

int TChildFrame::ShowPrintPreview()
{
    const std::unique_ptr<QPicture> picture = PreviewPicture();
    return MainWindowLink()->RunPrintPreview(this, *picture, RoundValue(Paper->PaperWidth * 0.1),
                                             RoundValue(Paper->PaperLength * 0.1));
}

void TChildFrame::PrintPreview()
{
    if (ShowPrintPreview() == 1)
        PrintDocument();
}
