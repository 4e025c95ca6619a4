// Shell list fill: the time from choosing a folder of COUNT files to a filled, sorted and
// painted list, and the peak memory. Counts come as arguments (1,000, 10,000 and 100,000 by
// default); the peak is the process's, so give one count per run to compare them.
#include "bench/bench_support.h"
#include "shellcontrols/shell_list.h"

#include <QApplication>
#include <QElapsedTimer>
#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray MakeFolder(const QString& root, int count)
{
    const QByteArray dir = QFile::encodeName(root + QStringLiteral("/files-%1").arg(count));
    QDir().mkpath(QFile::decodeName(dir));
    for (int i = 0; i < count; ++i) {
        // Names of mixed length and case, as a music folder holds.
        const QByteArray name =
            dir + "/Track " + QByteArray::number((i * 7919) % count) + (i % 3 ? " - Live.mp3" : ".wav");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    return dir;
}

double FillOnce(TNSShellList& list, const QByteArray& dir)
{
    PItemIDList pidl = nullptr;
    ShellGetIdListFromPath(QFile::decodeName(dir), pidl);
    TPidlHolder hold(pidl);
    QElapsedTimer t;
    t.start();
    list.Folder.SetIdList(pidl);
    // Filled, sorted and painted: what the user waits for.
    while (list.Filling())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    list.repaint();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    PrepareBenchEnvironment(scratch);
    QApplication app(argc, argv);
    AnswerMessagesOnStderr();
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::max(1, atoi(argv[i])));
    if (counts.empty())
        counts = {1000, 10000, 100000};

    TNSShellList list;
    list.SetOptions(ListOption(ptsloAutoFill) | ListOption(ptsloNonFilesystemAncestors) |
                    ListOption(ptsloDefaultKeyHandling) | ListOption(ptsloShowHidden));
    list.SetViewStyle(vsList);
    list.resize(400, 300);
    list.show();
    QApplication::processEvents();
    for (const int count : counts) {
        const QByteArray dir = MakeFolder(scratch.path(), count);
        const int runs = count >= 100000 ? 3 : 5;
        double best = 1e300;
        for (int r = 0; r < runs; ++r) {
            // From another folder each time, so that every run is a whole fill.
            PItemIDList home = nullptr;
            ShellGetIdListFromPath(scratch.path() + QStringLiteral("/tmp"), home);
            TPidlHolder hold(home);
            list.Folder.SetIdList(home);
            while (list.Filling())
                QCoreApplication::processEvents();
            best = std::min(best, FillOnce(list, dir));
            if (list.count() != count)
                std::fprintf(stderr, "listed %d of %d files\n", list.count(), count);
        }
        std::printf("shell_list_fill %d files: best %.0f ms of %d runs, peak %.0f MB\n", count, best, runs,
                    PeakResidentMB());
        std::fflush(stdout);
    }
    return 0;
}
