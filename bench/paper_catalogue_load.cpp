// Time to load a catalogue of 10,000 generated paper types (LoadPaperCatalogue:
// reading the files, writing the index, pictures and extensions).
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "document/paper_catalogue.h"
#include "platform/guid.h"
#include "platform/message_box.h"
#include "tests/support/test_papers.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("TMPDIR", QFile::encodeName(scratch.path() + "/tmp"));
    QDir().mkpath(scratch.path() + "/tmp");
    QApplication app(argc, argv);
    const QString program = scratch.path() + "/program";
    QDir().mkpath(program + "/Paper");
    qputenv("KORVANE_PROGRAM_DIR", QFile::encodeName(program));
    SetMessageBoxHandler([](const MessageBoxCall& call) {
        std::fprintf(stderr, "message: %s\n", qPrintable(call.text));
        return IDOK;
    });

    constexpr int kFiles = 20, kPerFile = 500;
    for (int f = 0; f < kFiles; ++f) {
        std::vector<PaperType> papers(kPerFile);
        std::vector<const PaperType*> view;
        for (int i = 0; i < kPerFile; ++i) {
            PaperType& p = papers[size_t(i)];
            p = testpaper::Discs(NameGUID(QByteArray::number(f * kPerFile + i)),
                                 QStringLiteral("Paper %1").arg(f * kPerFile + i), 1170, {{1, 465, 214}, {1, 465, 1598}});
            p.Manufacturer = QStringLiteral("Maker %1").arg(f);
            p.Classification = QStringLiteral("CD/DVD label");
            p.Description = QStringLiteral("Generated sheet for timing.\r\nA4, two discs.");
            p.OtherShapes = {{1, 1191, 56, 0, 127, 187}};
            p.OtherShapeCount = 1;
            view.push_back(&p);
        }
        QFile out(program + QStringLiteral("/Paper/maker%1.def").arg(f));
        out.open(QIODevice::WriteOnly);
        out.write(WritePaperDefinitionData(view));
    }

    constexpr int kRuns = 5;
    double best = 1e9, total = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = LoadPaperCatalogue();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (!ok || PaperCatalogue().size() != size_t(kFiles * kPerFile)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        FreePaperCatalogue();
        best = std::min(best, ms);
        total += ms;
    }
    std::printf("paper_catalogue_load: %d paper types in %d files: best %.1f ms, mean %.1f ms over %d runs\n",
                kFiles * kPerFile, kFiles, best, total / kRuns, kRuns);
    return 0;
}
