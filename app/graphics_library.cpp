#include "app/graphics_library.h"

#include "app/main_frame.h"
#include "document/graphics_library_object.h"
#include "platform/file_utils.h"

#include <QAction>
#include <QCollator>
#include <QEvent>
#include <QFileInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace {

constexpr int TileGap = 2;

QList<CGraphicsLibraryObject*> Tiles(const QScrollArea* list)
{
    QList<CGraphicsLibraryObject*> tiles;
    auto* client = list ? qobject_cast<TControlHost*>(list->widget()) : nullptr;
    if (!client)
        return tiles;
    for (TGraphicControl* control : client->Controls())
        if (auto* tile = qobject_cast<CGraphicsLibraryObject*>(control))
            tiles << tile;
    return tiles;
}

// Where the tile after previous goes in a box of boxWidth.
QPoint NextTilePosition(const TGraphicControl* previous, int w, int h, int boxWidth)
{
    if (!previous)
        return QPoint(0, 0);
    const QPoint p = previous->pos();
    if (p.x() + 2 * w + TileGap <= boxWidth)
        return QPoint(p.x() + w + TileGap, p.y());
    return QPoint(0, p.y() + h + TileGap);
}

// The scroll box's client widget covers every tile, so the box scrolls over all of them.
void FitClient(QScrollArea* list, const QList<CGraphicsLibraryObject*>& tiles)
{
    QWidget* client = list->widget();
    int right = 0, bottom = 0;
    for (const TGraphicControl* tile : tiles) {
        right = std::max(right, tile->x() + tile->width());
        bottom = std::max(bottom, tile->y() + tile->height());
    }
    client->resize(std::max(right, list->viewport()->width()), bottom);
}

} // namespace

QString GraphicsLibraryFolder()
{
    return FindPathNoCase(ProgramDir() + QStringLiteral("/BackGrnd"));
}

QStringList GraphicsLibraryFiles(const QString& folder)
{
    QStringList files;
    for (const char* mask : {"*.bmp", "*.jpg", "*.gif"})
        files << FindFiles(folder, QString::fromLatin1(mask));
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(files.begin(), files.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return files;
}

void GraphicLibraryListResize(QScrollArea* list)
{
    const QList<CGraphicsLibraryObject*> tiles = Tiles(list);
    if (tiles.isEmpty())
        return;
    list->verticalScrollBar()->setValue(0);
    const int w = tiles.first()->width();
    const int h = tiles.first()->height();
    // The room inside the frame, less the vertical scroll bar whether it shows or not: a row
    // never reaches under the bar, so the box never needs a horizontal one.
    const int room = list->width() - 2 * list->frameWidth() -
                     list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list->verticalScrollBar());
    const TGraphicControl* previous = nullptr;
    for (CGraphicsLibraryObject* tile : tiles) {
        tile->move(NextTilePosition(previous, w, h, room));
        previous = tile;
    }
    FitClient(list, tiles);
}

void StartGraphicsLibrary(TMainFrame* frame)
{
    auto* library = new CGraphicsLibrary(frame->GraphicLibraryList, frame->GraphicsLibraryItem, frame);
    library->setObjectName(QStringLiteral("GraphicsLibrary"));
    library->Start(GraphicsLibraryFolder());
}

void StopGraphicsLibrary(TMainFrame* frame)
{
    if (auto* library = frame->findChild<CGraphicsLibrary*>(QString(), Qt::FindDirectChildrenOnly))
        library->Stop();
}

CGraphicsLibrary::CGraphicsLibrary(QScrollArea* list, QAction* item, QObject* owner)
    : QObject(owner), m_list(list), m_item(item)
{
    if (m_list)
        m_list->installEventFilter(this);
}

CGraphicsLibrary::~CGraphicsLibrary()
{
    Stop();
}

void CGraphicsLibrary::Start(const QString& folder)
{
    m_finished = true;   // until a thread is started
    if (!m_list)
        return;
    QStringList files;
    if (QFileInfo(folder).isDir())
        files = GraphicsLibraryFiles(folder);
    if (!m_list->widget()) {
        auto* client = new TControlHost;
        client->setObjectName(QStringLiteral("GraphicLibraryClient"));
        client->setBackgroundRole(QPalette::Base);   // the window colour
        m_list->setWidget(client);
    }

    // The first tile is the first picture that can be read, so the panel never starts with an
    // empty tile for a damaged file.
    auto* host = qobject_cast<TControlHost*>(m_list->widget());
    CGraphicsLibraryObject* first = nullptr;
    while (host && !files.isEmpty() && !first) {
        auto* tile = new CGraphicsLibraryObject(host);
        tile->LoadFromFile(files.takeFirst());
        if (tile->FileName.isEmpty())
            delete tile;
        else
            first = tile;
    }
    if (m_item)
        m_item->setEnabled(first != nullptr);
    if (!first)
        return;
    GraphicLibraryListResize(m_list);
    first->show();

    if (files.isEmpty())
        return;
    const QSize tileSize = first->size();
    m_finished = false;
    LibraryThread = std::thread([this, files, tileSize] { GraphicsLibraryThreadProc(files, tileSize); });
}

void CGraphicsLibrary::Stop()
{
    m_stopped = true;
    m_cancel = true;
    if (LibraryThread.joinable())
        LibraryThread.join();
}

void CGraphicsLibrary::GraphicsLibraryThreadProc(QStringList files, QSize tileSize)
{
    for (const QString& path : files) {
        if (m_cancel)
            break;
        QImage thumbnail;
        try {
            thumbnail = CGraphicsLibraryObject::MakeThumbnail(path, tileSize.width(), tileSize.height());
        } catch (...) {
            continue;   // no tile for a picture that cannot be read
        }
        if (thumbnail.isNull() || m_cancel)
            continue;
        QMetaObject::invokeMethod(this, [this, thumbnail, path] { AddTile(thumbnail, path); }, Qt::QueuedConnection);
    }
    if (!m_cancel)
        QMetaObject::invokeMethod(this, [this] {
            if (!m_stopped && m_list)
                GraphicLibraryListResize(m_list);
        }, Qt::QueuedConnection);
    m_finished = true;
}

void CGraphicsLibrary::AddTile(const QImage& thumbnail, const QString& path)
{
    auto* host = m_list ? qobject_cast<TControlHost*>(m_list->widget()) : nullptr;
    if (m_stopped || !host)
        return;
    const QList<CGraphicsLibraryObject*> before = Tiles(m_list);
    auto* tile = new CGraphicsLibraryObject(host);
    tile->SetThumbnail(thumbnail, path);
    if (tile->Thumbnail->Empty() || tile->FileName.isEmpty()) {
        delete tile;
        return;
    }
    // Placing the new tile after the last one gives the layout a full pass would give, without
    // moving the others or the user's scroll position while the panel fills.
    const TGraphicControl* previous = before.isEmpty() ? nullptr : before.last();
    const int w = before.isEmpty() ? tile->width() : before.first()->width();
    const int h = before.isEmpty() ? tile->height() : before.first()->height();
    tile->move(NextTilePosition(previous, w, h, m_list->width()));
    FitClient(m_list, before + QList<CGraphicsLibraryObject*>{tile});
    tile->show();
}

bool CGraphicsLibrary::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: the box sends other events to its filters while it is being destroyed.
    if (event->type() == QEvent::Resize && watched == m_list)
        GraphicLibraryListResize(m_list);
    return QObject::eventFilter(watched, event);
}
