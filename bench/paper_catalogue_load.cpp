// The paper catalogue's start and exit with COUNT generated paper types (default 10,000) in files
// of 500: loading (files, index, pictures, extensions), the translation reset with a German
// translation for every tenth paper, the save at exit with a changed label position on every
// hundredth paper (".EXT" entries) and ten user papers, and freeing. The exit's
// FreePaperCatalogue saves and frees; the save is timed on its own first, and the free step is
// FreePaperCatalogue with the index already gone, so that its own save finds no ".EXT" to write
// again and only rewrites "user.def". Usage: paper_catalogue_load [COUNT]
#include "bench/bench_support.h"
#include "tests/support/test_papers.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "document/paper_catalogue.h"
#include "document/paper_translations.h"
#include "document/std.h"
#include "platform/guid.h"

namespace {

constexpr int kPerFile = 500;
constexpr unsigned kGerman = 0x00010007;

PaperType GeneratedPaper(int n, int file)
{
    PaperType p = testpaper::TwoDiscsA4(NameGUID(QByteArray::number(n)), QStringLiteral("Paper %1").arg(n));
    p.Manufacturer = QStringLiteral("Maker %1").arg(file);
    p.Classification = QStringLiteral("CD/DVD label");
    p.Description = QStringLiteral("Generated sheet for timing.\r\nA4, two discs.");
    p.OtherShapes = {{1, 1191, 56, 0, 127, 187}};
    p.OtherShapeCount = 1;
    return p;
}

void WriteCatalogueFiles(const QString& paperDir, int count)
{
    QByteArray translations = "[GERMAN]\r\n";
    for (int first = 0, file = 0; first < count; first += kPerFile, ++file) {
        std::vector<PaperType> papers;
        for (int n = first; n < std::min(count, first + kPerFile); ++n) {
            papers.push_back(GeneratedPaper(n, file));
            if (n % 10 == 0)
                translations += GUIDToString(papers.back().ID).toLatin1() + "=Papier " + QByteArray::number(n)
                    + ",Hersteller,CD-Etikett,Erzeugt^^zweite Zeile\r\n";
        }
        std::vector<const PaperType*> view;
        for (const PaperType& p : papers)
            view.push_back(&p);
        QFile out(paperDir + QStringLiteral("/maker%1.def").arg(file));
        out.open(QIODevice::WriteOnly);
        out.write(WritePaperDefinitionData(view));
    }
    QFile lng(paperDir + QStringLiteral("/papers.lng"));
    lng.open(QIODevice::WriteOnly);
    lng.write(translations);
}

// What a session changes before the exit: label positions of shipped papers and new user papers.
void ChangeCatalogue(int count)
{
    for (int n = 0; n < count; n += 100)
        if (PaperType* p = FindPaperType(NameGUID(QByteArray::number(n))))
            p->Shapes[0].Selected = 0;
    for (int u = 0; u < 10; ++u) {
        auto p = std::make_unique<PaperType>(GeneratedPaper(count + u, 0));
        p->UserDefined = 1;
        PaperCatalogue().push_back(std::move(p));
    }
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (count < 1) {
        std::fprintf(stderr, "usage: paper_catalogue_load [COUNT]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    PrepareBenchEnvironment(scratch);
    QApplication app(argc, argv);
    const QString program = scratch.path() + "/program";
    QDir().mkpath(program + "/Paper");
    qputenv("KORVANE_PROGRAM_DIR", QFile::encodeName(program));
    AnswerMessagesOnStderr();
    CurrentLanguage = kGerman;
    WriteCatalogueFiles(program + "/Paper", count);

    const int runs = count >= 100000 ? 3 : 5;
    double best[5] = {1e9, 1e9, 1e9, 1e9, 1e9};
    for (int run = 0; run < runs; ++run) {
        // Every run starts from the shipped files alone.
        for (const QString& f : QDir(program + "/Paper").entryList({"*.EXT", "user.def"}, QDir::Files))
            QFile::remove(program + "/Paper/" + f);
        auto start = std::chrono::steady_clock::now();
        if (!LoadPaperCatalogue() || PaperCatalogue().size() != size_t(count)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        const double load = Since(start);
        start = std::chrono::steady_clock::now();
        LoadPaperTranslations();
        const double translations = Since(start);
        ChangeCatalogue(count);
        start = std::chrono::steady_clock::now();
        SaveUserPapers();
        const double save = Since(start);
        QFile::remove(PaperIndexFileName());
        start = std::chrono::steady_clock::now();
        FreePaperCatalogue();
        const double free = Since(start);
        const double steps[5] = {load, translations, save, free, load + translations + save + free};
        for (int i = 0; i < 5; ++i)
            best[i] = std::min(best[i], steps[i]);
    }
    const char* names[5] = {"load", "translation reset and German texts", "save at exit (.EXT and user.def)",
                            "free (FreePaperCatalogue, its save left with user.def alone)", "all four steps"};
    for (int i = 0; i < 5; ++i)
        std::printf("paper_catalogue_load %d papers: %s: best %.1f ms of %d runs\n", count, names[i], best[i], runs);
    std::printf("paper_catalogue_load %d papers: peak resident memory %.1f MB\n", count, PeakResidentMB());
    return 0;
}
