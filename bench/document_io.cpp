// Time to save and to open a document of 500 objects (labels, pictures, rectangles, ellipses) on
// a disc label, and to copy all of them and paste them back.
#include "bench/bench_support.h"
#include "tests/support/test_papers.h"

#include <chrono>
#include <cstdio>

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

namespace {

class BenchLink : public TMainWindowLink {
public:
    TGUID NextPaperID() override { return paper; }
    TGUID paper{};
};

constexpr int kObjects = 500;

void AddObjects(TChildFrame* f)
{
    TPicture picture;
    {
        auto bmp = std::make_unique<TBitmap>(160, 120, pf24bit);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                bmp->image().setPixel(x, y, qRgb(x, y * 2, (x + y) & 255));
        picture.SetGraphic(std::move(bmp));
    }
    const int left = f->PaperCentre.X - f->HalfWidth, top = f->PaperCentre.Y - f->HalfHeight;
    for (int i = 0; i < kObjects; ++i) {
        const int x = left + (i * 37) % 300, y = top + (i * 53) % 300;
        CDesignObject* o = nullptr;
        switch (i % 4) {
        case 0: {
            auto* label = new CLabel(nullptr);
            label->Text = QStringLiteral("Track %1  Some song title\r\nsecond line").arg(i);
            label->FontSize = 8 + i % 12;
            label->Zoom = float(f->Zoom) * 0.01f;
            o = label;
            break;
        }
        case 1: {
            auto* image = new CImage(nullptr);
            image->SetImage(&picture);
            o = image;
            break;
        }
        case 2: o = new CRectangle(nullptr); break;
        default: o = new CEllipse(nullptr); break;
        }
        o->SetName(QStringLiteral("Obj%1").arg(i));
        o->SetParent(f);
        o->SetBounds(x, y, 60, 40);
        if (i % 4 == 0)
            o->SetSize(100, 100);
    }
}

template <class F>
double Best(int runs, F&& f)
{
    f();   // warm-up: fonts and caches
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    PrepareBenchEnvironment(scratch);
    QApplication app(argc, argv);
    AnswerMessagesOnStderr();

    PaperType paper = testpaper::Discs(NameGUID("document-io-bench"), QStringLiteral("Disc"),
                                       1170, {{1, 465, 214}, {1, 465, 1598}});
    PaperCatalogue().push_back(&paper);
    BenchLink link;
    link.paper = paper.ID;
    SetMainWindowLink(&link);

    constexpr int kRuns = 5;
    const QString path = scratch.path() + QStringLiteral("/bench.kvo");
    {
        TChildFrame source;
        source.show();
        AddObjects(&source);
        const double save = Best(kRuns, [&] { source.SaveDocument(path); });
        const qint64 size = QFileInfo(path).size();
        std::printf("document_io: save %d objects (%lld bytes): best %.1f ms of %d runs\n", kObjects,
                    static_cast<long long>(size), save, kRuns);

        source.SelectAll();
        const double copy = Best(kRuns, [&] { source.CopySelection(); });
        std::printf("document_io: copy %d objects: best %.1f ms of %d runs\n", kObjects, copy, kRuns);
        const double load = Best(kRuns, [&] {
            TChildFrame target;
            target.show();
            target.SetCaption(path);
            target.LoadDocument(path);
            if (target.ObjectCount() != kObjects)
                std::fprintf(stderr, "loaded %d objects\n", target.ObjectCount());
        });
        std::printf("document_io: open %d objects (window made and freed in each run): best %.1f ms of %d runs\n",
                    kObjects, load, kRuns);

        const double empty = Best(kRuns, [&] {
            TChildFrame target;
            target.show();
        });
        std::printf("document_io: an empty window alone: best %.1f ms of %d runs\n", empty, kRuns);

        const double paste = Best(kRuns, [&] {
            TChildFrame target;
            target.show();
            target.PasteClipboard();
            if (target.ObjectCount() != kObjects)
                std::fprintf(stderr, "pasted %d objects\n", target.ObjectCount());
        });
        std::printf("document_io: paste %d objects into a new window: best %.1f ms of %d runs\n", kObjects, paste,
                    kRuns);
    }
    SetMainWindowLink(nullptr);
    PaperCatalogue().clear();
    return 0;
}
