// Time to make, save and open a document of COUNT objects (default 500; labels, pictures,
// rectangles, ellipses) on a disc label, and to copy all of them and paste them into a new window.
// A window is freed as the program frees it: after its posted events were handled, which is
// timed apart (see AsTheEventLoop).
// Usage: document_io [COUNT]
#include "bench/document_bench.h"
#include "tests/support/test_papers.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "document/child_frame.h"
#include "document/label.h"
#include "document/main_window_link.h"
#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "platform/guid.h"
#include "platform/message_box.h"
#include "platform/picture.h"

using namespace benchdoc;

int main(int argc, char** argv)
{
    const int count = ObjectCountArgument(argc, argv, "document_io");
    if (count == 0)
        return 2;
    BenchSession session(argc, argv, "document-io-bench");

    // Enough runs for a best time on a busy machine.
    const int runs = count >= 5000 ? 5 : 15;
    const QString path = session.scratch.path() + QStringLiteral("/bench.kvo");
    {
        const double make = Best(runs, [&] {
            TChildFrame target;
            target.show();
            AddObjects(&target, count);
            AsTheEventLoop();
        });
        std::printf("document_io %d objects: make (window made, filled and freed in each run): best %.1f ms of %d runs (events handled before the free, not in it: %.1f ms)\n",
                    count, make, runs, g_bestUntimed);

        TChildFrame source;
        source.show();
        AddObjects(&source, count);
        const double save = Best(runs, [&] { source.SaveDocument(path); });
        const qint64 size = QFileInfo(path).size();
        std::printf("document_io %d objects: save (%lld bytes): best %.1f ms of %d runs\n", count,
                    static_cast<long long>(size), save, runs);

        source.SelectAll();
        const double copy = Best(runs, [&] { source.CopySelection(); });
        std::printf("document_io %d objects: copy: best %.1f ms of %d runs\n", count, copy, runs);
        const double load = Best(runs, [&] {
            TChildFrame target;
            target.show();
            target.SetCaption(path);
            target.LoadDocument(path);
            if (target.ObjectCount() != count)
                std::fprintf(stderr, "loaded %d objects\n", target.ObjectCount());
            AsTheEventLoop();
        });
        std::printf("document_io %d objects: open (window made and freed in each run): best %.1f ms of %d runs (events handled before the free, not in it: %.1f ms)\n",
                    count, load, runs, g_bestUntimed);

        const double paste = Best(runs, [&] {
            TChildFrame target;
            target.show();
            target.PasteClipboard();
            if (target.ObjectCount() != count)
                std::fprintf(stderr, "pasted %d objects\n", target.ObjectCount());
            AsTheEventLoop();
        });
        std::printf("document_io %d objects: paste into a new window (made and freed in each run): best %.1f ms of %d runs (events handled before the free, not in it: %.1f ms)\n",
                    count, paste, runs, g_bestUntimed);

        const double empty = Best(runs, [&] {
            TChildFrame target;
            target.show();
        });
        std::printf("document_io %d objects: an empty window alone: best %.1f ms of %d runs\n", count, empty, runs);
    }
    std::printf("document_io %d objects: peak resident memory %.1f MB\n", count, PeakResidentMB());
    return 0;
}
