// bench/picture_paint [RUNS]
// One repaint of a JPEG picture where the dialogs show it: the picture property dialog's
// picture box, and the picture editor's view (its background and the part of the picture it
// shows) at 100 % (scrolled to the middle) and at 25 %, each for a 400x300 and an 8000x6000
// picture. A repaint costs the pixels shown, never the picture's size, and a picture covering
// the whole view costs no more than the background it covers: the large picture's lines stay
// within twice the small one's.
#include "app/image_editor_frame.h"
#include "app/image_property_dlg.h"
#include "bench/bench_support.h"
#include "imageformats/picture_formats.h"
#include "platform/jpeg_image.h"
#include "platform/picture.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

// A photograph-like JPEG of w x h: smooth colour with some fine detail.
TPicture MakeJpeg(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb((x * 255) / w, (y * 255) / h, ((x ^ y) & 0x3F) + 96);
    }
    TJPEGImage jpeg;
    jpeg.LoadFromData(TJPEGImage::Encode(image, 85));
    TPicture picture;
    picture.Assign(&jpeg);
    return picture;
}

// Best time of runs repaints of widget with its children, in milliseconds: what a repaint
// paints into the window's buffer (of the screen's format), without handing it to the screen.
double BestRepaint(QWidget* widget, int runs)
{
    QImage buffer(widget->size(), QImage::Format_RGB32);
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        widget->render(&buffer);
        best = std::min(
            best,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void Report(const char* view, const TPicture& picture, double ms, int runs)
{
    std::printf("picture_paint %s %dx%d: best %.3f ms of %d runs\n", view, picture.Width(), picture.Height(),
                ms, runs);
    std::fflush(stdout);
}

void SetZoom(TImageEditorFrame& editor, float zoom)
{
    while (editor.Zoom < zoom)
        editor.ZoomStep(0);
    while (editor.Zoom > zoom)
        editor.ZoomStep(1);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    PrepareBenchEnvironment(scratch);
    QApplication app(argc, argv);
    AnswerMessagesOnStderr();
    FakeInitPictureFormatsLib();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    for (const QSize size : {QSize(400, 300), QSize(8000, 6000)}) {
        const TPicture picture = MakeJpeg(size.width(), size.height());

        TImagePropertyDlg dlg;
        dlg.Picture->Assign(&picture);
        dlg.show();
        QApplication::processEvents();
        Report("property-box", picture, BestRepaint(dlg.PaintBox, runs), runs);
        dlg.hide();

        TImageEditorFrame editor;
        editor.resize(800, 600);
        editor.show();
        editor.SetPicture(&picture);
        for (const auto& [view, zoom] : {std::pair{"editor-100", 1.0f}, std::pair{"editor-25", 0.25f}}) {
            SetZoom(editor, zoom);
            // The middle of the picture, as after paging down.
            for (QScrollBar* bar :
                 {editor.ScrollBox->horizontalScrollBar(), editor.ScrollBox->verticalScrollBar()})
                bar->setValue((bar->minimum() + bar->maximum()) / 2);
            QApplication::processEvents();
            Report(view, picture, BestRepaint(editor.ScrollBox->viewport(), runs), runs);
        }
        editor.hide();
    }
    return 0;
}
