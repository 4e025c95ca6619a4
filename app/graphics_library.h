#pragma once
// The graphics-library panel: a tile for every picture of the "BackGrnd" folder beside the
// program, in GraphicLibraryList. The first tile is made at once; the library thread makes the
// thumbnails of the others, and the UI thread turns each into a tile, in list order.
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <atomic>
#include <thread>

class QAction;
class QScrollArea;
class TMainFrame;

// The picture folder: the program's folder followed by "BackGrnd".
QString GraphicsLibraryFolder();
// Every "*.bmp", then "*.jpg", then "*.gif" of folder, then sorted by name without case.
QStringList GraphicsLibraryFiles(const QString& folder);
// Lays the tiles of list out in rows from the top left, 2 pixels apart.
void GraphicLibraryListResize(QScrollArea* list);

// The main window's side: StartGraphicsLibrary runs once in FormCreate, StopGraphicsLibrary in
// FormClose (no tile is added after it returns).
void StartGraphicsLibrary(TMainFrame* frame);
void StopGraphicsLibrary(TMainFrame* frame);

// Fills one panel. Owned by the window that owns the panel.
class CGraphicsLibrary : public QObject {
    Q_OBJECT
public:
    // list: the scroll box that shows the tiles; item: View, Graphics Library (may be null).
    CGraphicsLibrary(QScrollArea* list, QAction* item, QObject* owner);
    ~CGraphicsLibrary() override;

    // Fills the panel from folder: no folder or no readable picture disables item and leaves
    // the panel empty; otherwise the first readable picture is a tile when this returns and the
    // library thread is started for the rest.
    void Start(const QString& folder);
    // Stops the library thread: sets its cancel flag and waits for it. Idempotent.
    void Stop();
    // The thread was started and has not been joined yet.
    bool ThreadStarted() const { return LibraryThread.joinable(); }
    // The thread has worked through its list (or was stopped).
    bool ThreadFinished() const { return m_finished.load(); }

    std::thread LibraryThread;

private:
    // Library thread: a thumbnail per file, handed to the UI thread one by one.
    void GraphicsLibraryThreadProc(QStringList files, QSize tileSize);
    // UI thread: a tile from a thumbnail made by the library thread.
    void AddTile(const QImage& thumbnail, const QString& path);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QScrollArea> m_list;
    QPointer<QAction> m_item;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_finished{false};
    bool m_stopped = false;
};
