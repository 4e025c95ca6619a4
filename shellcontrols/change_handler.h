#pragma once
// The folder-change watcher thread (one inotify instance for all its watches: a user has few
// instances, shared by all of the user's processes, but many watches) and the process-wide
// relay of drive arrivals and removals (the mount table).
#include <QObject>
#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QSocketNotifier;

constexpr uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x1;
constexpr uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x2;

constexpr unsigned WM_DEVICECHANGE = 0x0219;
constexpr uintptr_t DBT_DEVICEARRIVAL = 0x8000;
constexpr uintptr_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr unsigned AM_CHANGENOTIFY = 1125;
constexpr unsigned AM_DEVICECHANGE = 1124;

class TChangeHandlerThread {
public:
    static constexpr int SlotCount = 63;
    static constexpr int ReplyTimeoutMs = 2000;

    // Posts message to target for every change of a watched folder.
    TChangeHandlerThread(QObject* target, unsigned message);
    ~TChangeHandlerThread();
    TChangeHandlerThread(const TChangeHandlerThread&) = delete;
    TChangeHandlerThread& operator=(const TChangeHandlerThread&) = delete;

    // Watches path; index receives the watch's slot. False for an empty path, a folder that
    // cannot be watched, no free slot or no answer in time (the thread still takes the watch).
    bool AddChangeHandle(const QString& path, uint32_t notifyFilter, int& index, bool watchSubtree);
    // Adds a folder below a subtree watch's root to that watch.
    bool AddSubtreeFolder(int index, const QString& path);
    bool CloseAllHandles();
    // The slots in use (tests).
    int WatchCount() const;

private:
    enum Command { CmdAdd, CmdCloseOne, CmdCloseAll, CmdAddFolder, CmdQuit };
    struct Request {
        Command command = CmdAdd;
        int index = -1;          // CmdCloseOne, CmdAddFolder: the slot
        QByteArray path;         // CmdAdd, CmdAddFolder
        uint32_t filter = 0;
        bool subtree = false;
        int reply = -1;          // CmdAdd: the slot taken, -1 none
        bool done = false;
    };
    struct Slot {
        bool used = false;
        std::vector<int> watches; // the root's first, then the subtree's folders'
        uint32_t filter = 0;
        bool subtree = false;
    };
    int send(const std::shared_ptr<Request>& request);
    void execute();
    void run(Request& request);
    void closeSlot(int index);
    bool watchedByAnother(int watch, int index) const;
    void readChanges();

    QObject* m_target;
    unsigned m_message;
    int m_wake = -1;    // eventfd the caller signals after queueing a command
    int m_inotify = -1; // every slot's watches; the same folder twice is one watch
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_replied;
    std::deque<std::shared_ptr<Request>> m_queue;
    std::vector<Slot> m_slots;   // touched by the thread only, until it has ended
    int m_inUse = 0;             // under m_mutex
};

// Listeners are called from the event loop after a drive came or went, with wParam the event.
class TNSDeviceChangeHandler : public QObject {
    Q_OBJECT
public:
    using TNSDeviceChangeEvent = std::function<void(QObject* sender, unsigned msg, uintptr_t wParam)>;

    // Returns an id for Remove.
    int Add(TNSDeviceChangeEvent listener);
    void Remove(int id);
    void BroadcastToList(uintptr_t wParam);
    // A WM_DEVICECHANGE: relayed to the listeners once the event loop runs again.
    void DeviceChange(uintptr_t wParam);
    // Reads the mount table again and relays an arrival or removal when its drives changed.
    void MountTableChanged();

protected:
    bool event(QEvent* e) override;

private:
    friend TNSDeviceChangeHandler* NSDeviceChangeHandler();
    TNSDeviceChangeHandler();
    ~TNSDeviceChangeHandler() override;
    struct Listener {
        int id;
        TNSDeviceChangeEvent call;
    };
    std::vector<Listener> m_listeners;
    int m_nextId = 1;
    QByteArray m_drives;
    int m_mountFd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

TNSDeviceChangeHandler* NSDeviceChangeHandler();
