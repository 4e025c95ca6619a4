// The paper folder as a whole: one definition file and its extension file, loaded, changed
// and saved as a run does it. A file that failed to load must come out of the save as it was.
#include "fuzz_target.h"

#include "document/paper_catalogue.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString ProgramFolder()
{
    // Never destroyed: the exit handler below still needs it after static destructors ran.
    static const QString& dir = *new QString([] {
        // Memory-backed when possible: every save syncs its files.
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : TempDir();
        const QString d = base + QStringLiteral("/korvane-catalogue-fuzz-%1").arg(QCoreApplication::applicationPid());
        QDir(d).removeRecursively();
        QDir().mkpath(d + QStringLiteral("/Paper"));
        qputenv("KORVANE_PROGRAM_DIR", d.toLocal8Bit());
        SetMessageBoxHandler([](const MessageBoxCall&) { return IDOK; });
        // Kept in plain bytes: the QString is gone by the time exit handlers run.
        static char made[4096];
        qstrncpy(made, QFile::encodeName(d).constData(), sizeof made);
        std::atexit([] { QDir(QFile::decodeName(made)).removeRecursively(); });
        return d;
    }());
    return dir;
}

void Put(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        std::abort();
}

QByteArray Get(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

KORVANE_FUZZ_TARGET(paper_catalogue)
{
    if (size < 4)
        return 0;
    // First four bytes: length of the definition file; the rest is the extension file.
    const size_t split = std::min<size_t>(size - 4, uint32_t(data[0]) | uint32_t(data[1]) << 8
                                                    | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
    const QByteArray def(reinterpret_cast<const char*>(data) + 4, qsizetype(split));
    const QByteArray ext(reinterpret_cast<const char*>(data) + 4 + split, qsizetype(size - 4 - split));

    const QString paper = ProgramFolder() + QStringLiteral("/Paper/");
    QDir(paper).removeRecursively();
    QDir().mkpath(paper);
    Put(paper + QStringLiteral("a.def"), def);
    Put(paper + QStringLiteral("a.EXT"), ext);

    std::vector<PaperExtEntry> entries;
    const bool extReadable = ReadPaperExtensionData(ext, entries) == PaperFileResult::Ok;
    std::vector<std::unique_ptr<PaperType>> papers;
    const bool defReadable = ReadPaperDefinitionData(def, papers) == PaperFileResult::Ok;

    LoadPaperCatalogue();
    // A change that the save has to store.
    for (PaperType* p : PaperCatalogue())
        if (!p->Shapes.empty())
            p->Shapes.front().Selected ^= 1;
    FreePaperCatalogue();

    if (Get(paper + QStringLiteral("a.def")) != def)
        std::abort();
    const bool extThere = QFileInfo::exists(paper + QStringLiteral("a.EXT"));
    if (!defReadable || !extReadable) {
        if (!extThere || Get(paper + QStringLiteral("a.EXT")) != ext)
            std::abort();   // never rewritten or deleted
    } else if (extThere && ReadPaperExtensionData(Get(paper + QStringLiteral("a.EXT")), entries) != PaperFileResult::Ok) {
        std::abort();
    }
    return 0;
}
