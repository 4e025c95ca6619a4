#pragma once
// What the document benchmarks share: a main-window link that names the paper, a document of
// many objects of every kind, and best-of-runs timing with untimed parts left out.
#include "bench/bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "document/child_frame.h"
#include "document/label.h"
#include "document/main_window_link.h"
#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "platform/guid.h"
#include "platform/picture.h"
#include "tests/support/test_papers.h"

#include <cstdlib>

namespace benchdoc {

class BenchLink : public TMainWindowLink {
public:
    TGUID NextPaperID() override { return paper; }
    TGUID paper{};
};

// The COUNT argument (default 500), or 0 after the usage line when it is out of range.
inline int ObjectCountArgument(int argc, char** argv, const char* program)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 500;
    if (count < 1 || count > 0xFFFF) {
        std::fprintf(stderr, "usage: %s [COUNT], COUNT from 1 to 65535\n", program);
        return 0;
    }
    return count;
}

// While it lives, the catalogue holds one sheet of two disc labels, which new windows take.
class BenchPaper {
public:
    explicit BenchPaper(const char* name)
    {
        PaperType paper = testpaper::TwoDiscsA4(NameGUID(name), QStringLiteral("Disc"));
        link.paper = paper.ID;
        PaperCatalogue().push_back(std::make_unique<PaperType>(paper));
        SetMainWindowLink(&link);
    }
    ~BenchPaper()
    {
        SetMainWindowLink(nullptr);
        PaperCatalogue().clear();
    }
    BenchLink link;
};

// The scratch folder a benchmark's settings and files live in, made before anything reads them.
struct BenchScratch {
    BenchScratch()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        PrepareBenchEnvironment(scratch);
    }
    QTemporaryDir scratch;
};

// A document benchmark's process: offscreen, its own scratch folder, the application object,
// messages written to stderr, and the two-disc sheet in the catalogue.
class BenchSession : public BenchScratch {
public:
    BenchSession(int& argc, char** argv, const char* paperName) : app(argc, argv), paper(paperName)
    {
        AnswerMessagesOnStderr();
    }
    QApplication app;
    BenchPaper paper;
};

// COUNT objects (labels, pictures, rectangles, ellipses in turn) from the paper's top left,
// spread over span x span pixels.
inline void AddObjects(TChildFrame* f, int count, int span = 300)
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
    span = std::max(span, 1);
    for (int i = 0; i < count; ++i) {
        const int x = left + (i * 37) % span, y = top + (i * 53) % span;
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

// Time spent in Untimed is left out of the run it happens in; the least of it over the runs of
// the last Best is shown beside that time.
inline double g_untimed = 0;
inline double g_bestUntimed = 0;

template <class G>
void Untimed(G&& g)
{
    const auto start = std::chrono::steady_clock::now();
    g();
    g_untimed += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The program returns to its event loop after opening, pasting or filling a window, and always
// before the window can be closed: the events posted meanwhile (layout, paint) are handled there
// and no longer wait in Qt's queue when the objects are freed. A window freed with them still
// queued costs a search of the whole queue for every object, which the program never pays.
inline void AsTheEventLoop()
{
    Untimed([] { QCoreApplication::processEvents(); });
}

template <class F>
double Best(int runs, F&& f)
{
    f(); // warm-up: fonts and caches
    double best = 1e9;
    g_bestUntimed = 1e9;
    for (int r = 0; r < runs; ++r) {
        g_untimed = 0;
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(
            best,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() -
                g_untimed);
        g_bestUntimed = std::min(g_bestUntimed, g_untimed);
    }
    return best;
}

} // namespace benchdoc
