// Time and peak memory of printing a document to the PDF printer: an A4 sheet of two disc
// labels, both ticked, the label holding 50 objects (texts, rectangles, ellipses and one
// 1500 x 1500 JPEG picture). One print job as the Print command runs it after the print dialog:
// the page rendered at the chosen resolution, the sheet composed by the worker and written as a
// PDF file. Each resolution is timed on its own document; the figure is the best of the runs.
// Then jobs of 100 and 1,000 copies, one after the other, with the peak after each: a job's
// pages go to a file as they are made, so the peak stays where one copy left it.
#include "bench/document_bench.h"
#include "tests/support/test_papers.h"

#include <chrono>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "document/child_frame.h"
#include "document/label.h"
#include "document/main_window_link.h"
#include "document/paper_type.h"
#include "document/picture_object.h"
#include "document/print_job.h"
#include "document/rectangle.h"
#include "platform/guid.h"
#include "platform/jpeg_image.h"
#include "platform/picture.h"
#include "platform/printer.h"

namespace {

using benchdoc::BenchLink;

// Writes a photo-like 1500 x 1500 JPEG file, in a child process so that making it leaves no
// trace in this process's peak memory: the document loads it as a user's picture file.
void WritePhoto(const QString& path)
{
    TBitmap bmp(1500, 1500, pf24bit);
    QImage& img = bmp.image();
    for (int y = 0; y < 1500; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < 1500; ++x) {
            row[3 * x] = uchar((x * 255) / 1500);
            row[3 * x + 1] = uchar((y * 255) / 1500);
            row[3 * x + 2] = uchar(((x ^ y) & 0xFF));
        }
    }
    TJPEGImage jpeg;
    jpeg.Compress(bmp);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(jpeg.Data());
}

void AddObjects(TChildFrame* f, const TPicture& photo)
{
    const int left = f->PaperCentre.X - f->HalfWidth, top = f->PaperCentre.Y - f->HalfHeight;
    const int w = 2 * f->HalfWidth, h = 2 * f->HalfHeight;
    auto* image = new CImage(f);
    image->SetName(QStringLiteral("CImage0"));
    image->SetImage(&photo);
    image->SetBounds(left + w / 4, top + h / 4, w / 2, h / 2);
    for (int i = 1; i < 50; ++i) {
        const int x = left + (i * 37) % std::max(w - 60, 1), y = top + (i * 53) % std::max(h - 40, 1);
        switch (i % 3) {
        case 0: {
            auto* label = new CLabel(f);
            label->SetName(QStringLiteral("CLabel%1").arg(i));
            label->Text = QStringLiteral("Track %1  Some song title").arg(i);
            label->FontSize = 8 + i % 12;
            label->Angle = i % 9 == 0 ? 30 : 0;
            label->Zoom = f->Zoom * 0.01f;
            label->move(x, y);
            label->AdjustSizeToText();
            break;
        }
        case 1: {
            auto* r = new CRectangle(f);
            r->SetName(QStringLiteral("CRect%1").arg(i));
            r->SetBounds(x, y, 60, 40);
            r->LineWidth = 3;
            r->LineColor = clNavy;
            r->CoreColor = clAqua;
            break;
        }
        default: {
            auto* e = new CEllipse(f);
            e->SetName(QStringLiteral("CElips%1").arg(i));
            e->SetBounds(x, y, 50, 50);
            e->LineWidth = 2;
            e->CoreColor = clYellow;
            break;
        }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Argument: the resolution, "high", "medium" (the default) or "low".
    const QByteArray asked = argc > 1 ? QByteArray(argv[1]) : QByteArray("medium");
    const int resolution = asked == "high" ? 0 : asked == "low" ? 2 : 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    const QString photoFile = scratch.path() + QStringLiteral("/photo.jpg");
    const pid_t child = fork();
    if (child == 0) {
        WritePhoto(photoFile);
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    PrepareBenchEnvironment(scratch);
    qputenv("KORVANE_PROGRAM_DIR", QFile::encodeName(scratch.path()));
    QApplication app(argc, argv);
    AnswerMessagesOnStderr();

    PaperType paper = testpaper::TwoDiscsA4(NameGUID("print-bench"), QStringLiteral("A4 two discs"));
    PaperCatalogue().push_back(std::make_unique<PaperType>(paper));
    BenchLink link;
    link.paper = paper.ID;
    SetMainWindowLink(&link);
    const QString pdf = scratch.path() + QStringLiteral("/sheet.pdf");
    Printer()->SetPdfFile(pdf);
    Printer()->SetPrinterIndex(int(Printer()->Printers().size()) - 1);
    TPicture photo;
    photo.LoadFromFile(photoFile);

    constexpr int kRuns = 5;
    const char* names[] = {"High (360 dpi)", "Medium (260 dpi)", "Low (160 dpi)"};
    TChildFrame frame;
    frame.show();
    AddObjects(&frame, photo);
    app.processEvents();
    const double before = PeakResidentMB();
    TPrintOptions options;
    options.Copies = 1;
    options.ResolutionIndex = resolution;
    double best = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        QFile::remove(pdf);
        const auto start = std::chrono::steady_clock::now();
        frame.RunPrintJob(options);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf(
        "print_pdf: A4 sheet, 2 labels, 50 objects with a 1500x1500 JPEG, %s: best %.3f s of %d runs, "
        "PDF %.1f MB; peak RSS %.1f MB with the document open, %.1f MB after printing 1 copy\n",
        names[resolution], best, kRuns, QFileInfo(pdf).size() / 1048576.0, before, PeakResidentMB());
    for (int copies : {100, 1000}) {
        QFile::remove(pdf);
        options.Copies = copies;
        const auto start = std::chrono::steady_clock::now();
        frame.RunPrintJob(options);
        std::printf("print_pdf: %d copies: %.3f s, PDF %.1f MB; peak RSS %.1f MB\n", copies,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    QFileInfo(pdf).size() / 1048576.0, PeakResidentMB());
    }
    Printer()->SetPdfFile(QString());
    SetMainWindowLink(nullptr);
    PaperCatalogue().clear();
    return 0;
}
