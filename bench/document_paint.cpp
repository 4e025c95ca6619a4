// Time to open a document of COUNT objects (default 500; labels, pictures, rectangles, ellipses
// spread over a disc label) into a window two pages tall in a scroll box one page tall, to paint
// the page it shows, and to scroll it by one page and paint what comes into view. Compare counts
// ten times apart to see that painting grows with the objects, not with their square.
// Usage: document_paint [COUNT [KEEP]]; KEEP: a path the document is copied to, for a look at it
// in the program.
#include "bench/document_bench.h"
#include "tests/support/test_papers.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "platform/guid.h"

using namespace benchdoc;

namespace {

constexpr int PageWidth = 600, PageHeight = 600;

// A document window two pages tall in a scroll box that shows one page.
struct ScrolledWindow {
    ScrolledWindow()
    {
        area = new QScrollArea;
        frame = new TChildFrame;
        area->setWidget(frame);
        frame->resize(PageWidth, 2 * PageHeight);
        area->resize(PageWidth + area->verticalScrollBar()->sizeHint().width() + 2 * area->frameWidth(),
                     PageHeight + 2 * area->frameWidth());
        area->show();
    }
    ~ScrolledWindow() { delete area; }
    QScrollArea* area = nullptr;
    TChildFrame* frame = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    const int count = ObjectCountArgument(argc, argv, "document_paint");
    if (count == 0)
        return 2;
    BenchSession session(argc, argv, "document-paint-bench");

    const int runs = count >= 50000 ? 3 : count >= 5000 ? 5 : 15;
    const QString path = session.scratch.path() + QStringLiteral("/bench.kvo");
    {
        ScrolledWindow source;
        QCoreApplication::processEvents();
        AddObjects(source.frame, count, 2 * source.frame->HalfWidth - 100);
        source.frame->SaveDocument(path);
    }
    if (argc > 2) {
        QFile::remove(QString::fromLocal8Bit(argv[2]));
        QFile::copy(path, QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication::processEvents();

    // Made, filled and shown until idle; freed outside the time.
    const double open = Best(runs, [&] {
        auto* window = new ScrolledWindow;
        window->frame->SetCaption(path);
        window->frame->LoadDocument(path);
        if (window->frame->ObjectCount() != count)
            std::fprintf(stderr, "loaded %d objects\n", window->frame->ObjectCount());
        QCoreApplication::processEvents();
        Untimed([&] {
            delete window;
            QCoreApplication::processEvents();
        });
    });
    std::printf("document_paint %d objects: open (window made, loaded and shown until idle): best %.1f ms of "
                "%d runs\n",
                count, open, runs);

    ScrolledWindow window;
    window.frame->SetCaption(path);
    window.frame->LoadDocument(path);
    QCoreApplication::processEvents();

    // Drawn as a paint of the view draws it, into an image of the view.
    QWidget* view = window.area->viewport();
    const double paint = Best(runs, [&] { view->grab(); });
    std::printf("document_paint %d objects: paint (the page in view, whole): best %.1f ms of %d runs\n",
                count, paint, runs);

    QScrollBar* bar = window.area->verticalScrollBar();
    const double scroll = Best(runs, [&] {
        bar->setValue(bar->value() == 0 ? bar->pageStep() : 0);
        QCoreApplication::processEvents();
        view->grab();
    });
    std::printf(
        "document_paint %d objects: scroll (one page, and the page come into view painted): best %.1f ms of "
        "%d runs\n",
        count, scroll, runs);

    std::printf("document_paint %d objects: peak resident memory %.1f MB\n", count, PeakResidentMB());
    return 0;
}
