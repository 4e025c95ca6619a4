// Document reader: any file opened in a document window, or pasted as a transfer file, gives
// objects or a message, never a crash, a hang or a huge allocation. Whatever was read can be
// written again, and that file reads back with the same number of objects.
#include "fuzz_target.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include "document/child_frame.h"
#include "document/clipboard.h"
#include "document/document_file.h"
#include "document/main_window_link.h"
#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "imageformats/picture_formats.h"
#include "platform/bitmap.h"
#include "platform/file_utils.h"
#include "platform/guid.h"
#include "platform/message_box.h"
#include "tests/support/test_papers.h"

namespace {

class FuzzLink : public TMainWindowLink {
public:
    TGUID NextPaperID() override { return paper; }
    TGUID paper{};
};

struct World {
    World()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("TMPDIR", QFile::encodeName(scratch.path() + "/tmp"));
        qputenv("KORVANE_REGISTRY_DIR", QFile::encodeName(scratch.path() + "/registry"));
        QDir().mkpath(scratch.path() + "/tmp");
        QDir().mkpath(scratch.path() + "/registry");
        app = new QApplication(argc, argv);
        SetGraphicPixelLimit(int64_t(1) << 20); // keep each run small; the check itself is what matters
        InitPictureFormats();
        SetMessageBoxHandler([](const MessageBoxCall&) { return IDOK; });
        paper = testpaper::Discs(NameGUID("document-fuzz"), QStringLiteral("Disc"), 1200, {{1, 450, 200}});
        PaperCatalogue().push_back(std::make_unique<PaperType>(paper));
        link.paper = paper.ID;
        SetMainWindowLink(&link);
        frame = new TChildFrame();
        frame->setAttribute(Qt::WA_DeleteOnClose, false);
        path = TempDir() + QStringLiteral("document-fuzz-%1.kvo").arg(getpid());
    }

    void Clear()
    {
        for (CDesignObject* o : frame->Objects())
            delete o;
    }

    int argc = 1;
    char arg0[8] = "fuzz";
    char* argv[2] = {arg0, nullptr};
    QTemporaryDir scratch;
    QApplication* app = nullptr;
    PaperType paper;
    FuzzLink link;
    TChildFrame* frame = nullptr;
    QString path;
};

// A document written from the window reads back whole.
void CheckRoundTrip(const TChildFrame& frame)
{
    QByteArray bytes;
    try {
        bytes = EncodeDocument(frame, false);
    } catch (const std::exception&) {
        abort();
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TDocumentReader reader(buffer);
    DocumentHeader header;
    try {
        if (!reader.ReadHeader(header) || header.Count != frame.ObjectCount())
            abort();
        for (int i = 0; i < header.Count; ++i)
            (void)reader.ReadObject();
    } catch (const std::exception&) {
        abort();
    }
    if (!buffer.atEnd())
        abort();
}

} // namespace

KORVANE_FUZZ_TARGET(document)
{
    static World* world = new World;
    {
        QFile f(world->path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    TChildFrame* frame = world->frame;

    // Opened as a document.
    world->Clear();
    frame->show();
    frame->SetCaption(world->path);
    frame->LoadDocument(world->path);
    if (frame->HalfHeight > 0)
        CheckRoundTrip(*frame);
    world->Clear();

    // Pasted as a transfer file.
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(CF_MIXEDOBJ), EncodeClipboardBlock(1, world->path));
    QGuiApplication::clipboard()->setMimeData(mime);
    frame->show();
    try {
        frame->PasteClipboard();
    } catch (const std::exception&) {
    }
    if (frame->HalfHeight > 0)
        CheckRoundTrip(*frame);
    world->Clear();
    QFile::remove(world->path);
    return 0;
}
