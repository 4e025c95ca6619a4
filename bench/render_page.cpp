// Time to render a document of 50 objects (labels, rectangles, ellipses, pictures) on an A4
// sheet of two disc labels at 360 dpi: the label page as a print job renders it, and the whole
// sheet (capped at 2800 pixels), in colour and in grey.
//
// The same 50 objects cover far more of a label's page than of the whole sheet (the label is a
// fifth of the sheet's area, and the label window shows its objects larger), so their time a
// pixel is not the same work. A second sheet is also timed with the same design density: the
// objects at the size they have on the label, and as many as fill the sheet's area as the 50
// fill the label's.
#include "bench/bench_support.h"
#include "tests/support/test_papers.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "document/child_frame.h"
#include "document/label.h"
#include "document/main_window_link.h"
#include "document/page_renderer.h"
#include "document/paper_type.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "platform/guid.h"
#include "platform/message_box.h"

namespace {

class BenchLink : public TMainWindowLink {
public:
    TGUID NextPaperID() override { return paper; }
    bool NextFullPageMode() override { return fullPage; }
    TGUID paper{};
    bool fullPage = false;
};

// count objects; unit multiplies the window sizes of shapes and pictures (texts take the size of
// their font at the window's zoom anyway).
void AddObjects(TChildFrame* f, int count, double unit)
{
    const int left = f->PaperCentre.X - f->HalfWidth, top = f->PaperCentre.Y - f->HalfHeight;
    const int w = 2 * f->HalfWidth, h = 2 * f->HalfHeight;
    auto u = [unit](int size) { return std::max(1, int(std::lround(size * unit))); };
    TPicture picture;
    {
        auto bmp = std::make_unique<TBitmap>(400, 300);
        TCanvas* c = bmp->Canvas();
        for (int y = 0; y < 300; y += 20)
            for (int x = 0; x < 400; x += 20) {
                c->Brush.Color = RGB(x * 255 / 400, y * 255 / 300, 128);
                c->FillRect(TRect(x, y, x + 20, y + 20));
            }
        picture.SetGraphic(std::move(bmp));
    }
    for (int i = 0; i < count; ++i) {
        const int x = left + (i * 37) % std::max(w - u(60), 1), y = top + (i * 53) % std::max(h - u(40), 1);
        switch (i % 5) {
        case 0:
        case 1: {
            auto* label = new CLabel(f);
            label->SetName(QStringLiteral("CLabel%1").arg(i));
            label->Text = QStringLiteral("Track %1  Some song title\r\nsecond line %1").arg(i);
            label->FontSize = 8 + i % 12;
            label->Angle = i % 10 == 0 ? 30 : 0;
            label->Zoom = f->Zoom * 0.01f;
            label->move(x, y);
            label->AdjustSizeToText();
            break;
        }
        case 2: {
            auto* r = new CRectangle(f);
            r->SetName(QStringLiteral("CRect%1").arg(i));
            r->SetBounds(x, y, u(60), u(40));
            r->LineWidth = u(3);
            r->LineColor = clNavy;
            r->CoreColor = clAqua;
            break;
        }
        case 3: {
            auto* e = new CEllipse(f);
            e->SetName(QStringLiteral("CElips%1").arg(i));
            e->SetBounds(x, y, u(50), u(50));
            e->LineWidth = u(2);
            e->CoreColor = clYellow;
            break;
        }
        default: {
            auto* image = new CImage(f);
            image->SetName(QStringLiteral("CImage%1").arg(i));
            image->SetImage(&picture);
            image->SetBounds(x, y, u(80), u(60));
            break;
        }
        }
    }
}

double TimeRender(TChildFrame* f, int width, int height, bool grey, int runs, TSize& size)
{
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        TBitmap page;
        const auto start = std::chrono::steady_clock::now();
        f->RenderPage(&page, width, height, true, grey, true);
        if (!page.Empty())
            page.ScanLine(0); // the pixels in the page's own format, as a print job reads them
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, ms);
        size = TSize{page.Width(), page.Height()};
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    PrepareBenchEnvironment(scratch);
    qputenv("KORVANE_PROGRAM_DIR", QFile::encodeName(scratch.path()));
    QApplication app(argc, argv);
    AnswerMessagesOnStderr();

    PaperType paper = testpaper::TwoDiscsA4(NameGUID("render-bench"), QStringLiteral("A4 two discs"));
    paper.ExtraLines = {{0, 585, 1170, 585}};
    paper.ExtraLineCount = 1;
    PaperCatalogue().push_back(std::make_unique<PaperType>(paper));

    BenchLink link;
    link.paper = paper.ID;
    SetMainWindowLink(&link);

    constexpr int kRuns = 5;
    constexpr int kDpi = 360;
    // Window pixels a tenth of a millimetre, in each page mode.
    double windowScale[2] = {};
    for (bool fullPage : {false, true}) {
        link.fullPage = fullPage;
        TChildFrame frame;
        windowScale[fullPage] = 2.0 * frame.HalfWidth / double(fullPage ? paper.PaperWidth : paper.ShapeWidth);
    }
    const double areaRatio = double(paper.PaperWidth) * paper.PaperLength / (double(paper.ShapeWidth) * paper.ShapeHeight);
    const int denseCount = int(std::lround(50 * areaRatio));

    // [case][grey]: the label, the sheet with the same 50 objects, the sheet at the label's density.
    double nsPerPixel[3][2] = {};
    for (int which = 0; which < 3; ++which) {
        const bool fullPage = which > 0;
        const bool dense = which == 2;
        link.fullPage = fullPage;
        TChildFrame frame;
        frame.show();
        const int count = dense ? denseCount : 50;
        AddObjects(&frame, count, dense ? windowScale[1] / windowScale[0] : 1.0);
        const TSize want = PagePixelSize(paper, fullPage ? 1 : 0, kDpi);
        for (bool grey : {false, true}) {
            TSize got;
            const double ms = TimeRender(&frame, want.cx, want.cy, grey, kRuns, got);
            const double ns = ms * 1e6 / std::max(1.0, double(got.cx) * got.cy);
            nsPerPixel[which][grey] = ns;
            std::printf("render_page: %s, %d objects%s, %d dpi (%dx%d asked, %dx%d drawn), %s: best %.1f ms of %d runs, "
                        "%.2f ns a pixel, peak RSS %.1f MB\n",
                        fullPage ? "A4 sheet" : "disc label", count, dense ? " at the label's density" : "", kDpi,
                        want.cx, want.cy, got.cx, got.cy, grey ? "grey" : "colour", ms, kRuns, ns, PeakResidentMB());
        }
    }
    for (bool grey : {false, true}) {
        std::printf("render_page: %s, label time a pixel / sheet time a pixel = %.2f (same 50 objects)\n",
                    grey ? "grey" : "colour", nsPerPixel[0][grey] / std::max(1e-9, nsPerPixel[1][grey]));
        std::printf("render_page: %s, label time a pixel / sheet time a pixel = %.2f (same design density)\n",
                    grey ? "grey" : "colour", nsPerPixel[0][grey] / std::max(1e-9, nsPerPixel[2][grey]));
    }
    SetMainWindowLink(nullptr);
    PaperCatalogue().clear();
    return 0;
}
