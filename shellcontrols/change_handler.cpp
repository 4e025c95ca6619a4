#include "shellcontrols/change_handler.h"

#include "platform/message_box.h"
#include "platform/window_message.h"
#include "shellcontrols/shell_namespace.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

uint32_t WatchMask(uint32_t filter)
{
    uint32_t mask = kSelfEvents | IN_ONLYDIR;
    if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
        mask |= kNameEvents;
    return mask;
}

} // namespace

// ---- watcher thread ----

TChangeHandlerThread::TChangeHandlerThread(QObject* target, unsigned message)
    : m_target(target), m_message(message), m_slots(SlotCount)
{
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // A thread that could never be woken could never be told to end either, and one without
    // its inotify instance could watch nothing: without both there is no thread, and every
    // command is refused.
    if (m_wake >= 0 && m_inotify >= 0)
        m_thread = std::thread([this] { execute(); });
}

TChangeHandlerThread::~TChangeHandlerThread()
{
    auto quit = std::make_shared<Request>();
    quit->command = CmdQuit;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(quit);
    }
    const uint64_t one = 1;
    if (m_wake >= 0 && ::write(m_wake, &one, sizeof one) < 0) {
        // The counter cannot overflow here; the thread wakes on what is already there.
    }
    if (m_thread.joinable())
        m_thread.join();
    m_queue.clear();
    // The thread has ended; closing the instance ends every watch it held.
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_wake >= 0)
        ::close(m_wake);
}

int TChangeHandlerThread::send(const std::shared_ptr<Request>& request)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_queue.push_back(request);
    const uint64_t one = 1;
    if (!m_thread.joinable() || ::write(m_wake, &one, sizeof one) < 0) {
        // Without its wake-up the thread cannot run the command: take it back.
        m_queue.pop_back();
        return -3;
    }
    // On time-out the command stays queued and the thread still carries it out.
    if (!m_replied.wait_for(lock, std::chrono::milliseconds(ReplyTimeoutMs), [&] { return request->done; }))
        return -2;
    return request->reply;
}

bool TChangeHandlerThread::AddChangeHandle(const QString& path, uint32_t notifyFilter, int& index, bool watchSubtree)
{
    if (path.isEmpty())
        return false;
    auto r = std::make_shared<Request>();
    r->command = CmdAdd;
    r->path = EncodeNativeName(path);
    r->filter = notifyFilter;
    r->subtree = watchSubtree;
    const int reply = send(r);
    if (reply < 0)
        return false;
    index = reply;
    return true;
}

bool TChangeHandlerThread::AddSubtreeFolder(int index, const QString& path)
{
    if (index < 0 || index >= SlotCount || path.isEmpty())
        return false;
    auto r = std::make_shared<Request>();
    r->command = CmdAddFolder;
    r->index = index;
    r->path = EncodeNativeName(path);
    return send(r) >= 0;
}

bool TChangeHandlerThread::CloseAllHandles()
{
    auto r = std::make_shared<Request>();
    r->command = CmdCloseAll;
    return send(r) >= -1;
}

int TChangeHandlerThread::WatchCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inUse;
}

bool TChangeHandlerThread::watchedByAnother(int watch, int index) const
{
    for (int i = 0; i < SlotCount; ++i) {
        const Slot& s = m_slots[size_t(i)];
        if (i != index && s.used && std::find(s.watches.begin(), s.watches.end(), watch) != s.watches.end())
            return true;
    }
    return false;
}

void TChangeHandlerThread::closeSlot(int index)
{
    Slot& s = m_slots[size_t(index)];
    if (!s.used)
        return;
    // A folder another slot watches too keeps its watch.
    for (const int watch : s.watches)
        if (!watchedByAnother(watch, index))
            ::inotify_rm_watch(m_inotify, watch);
    s = Slot();
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_inUse;
}

void TChangeHandlerThread::run(Request& r)
{
    switch (r.command) {
    case CmdAdd: {
        r.reply = -1;
        const auto free = std::find_if(m_slots.begin(), m_slots.end(), [](const Slot& s) { return !s.used; });
        if (free == m_slots.end())
            break;
        // Added to what the folder is watched for already, so that another slot on the same
        // folder keeps its own events.
        const int watch =
            ::inotify_add_watch(m_inotify, r.path.constData(), WatchMask(r.filter) | IN_MASK_ADD);
        if (watch < 0)
            break;
        *free = Slot{true, {watch}, r.filter, r.subtree};
        r.reply = int(free - m_slots.begin());
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_inUse;
        break;
    }
    case CmdCloseOne:
        if (r.index >= 0 && r.index < SlotCount)
            closeSlot(r.index);
        break;
    case CmdCloseAll:
        for (int i = 0; i < SlotCount; ++i)
            closeSlot(i);
        break;
    case CmdAddFolder: {
        r.reply = -1;
        Slot& s = m_slots[size_t(r.index)];
        if (!s.used || !s.subtree)
            break;
        const int watch =
            ::inotify_add_watch(m_inotify, r.path.constData(), WatchMask(s.filter) | IN_MASK_ADD);
        if (watch < 0)
            break;
        if (std::find(s.watches.begin(), s.watches.end(), watch) == s.watches.end())
            s.watches.push_back(watch);
        r.reply = r.index;
        break;
    }
    case CmdQuit: break;
    }
}

void TChangeHandlerThread::readChanges()
{
    alignas(inotify_event) char buf[16384];
    std::vector<uint8_t> changed(size_t(SlotCount), 0), gone(size_t(SlotCount), 0);
    for (;;) {
        const ssize_t n = ::read(m_inotify, buf, sizeof buf);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            at += ssize_t(sizeof(inotify_event) + e->len);
            for (int i = 0; i < SlotCount; ++i) {
                const Slot& s = m_slots[size_t(i)];
                if (!s.used)
                    continue;
                // Events were lost: every watch may have missed one.
                if (e->mask & IN_Q_OVERFLOW) {
                    changed[size_t(i)] = 1;
                    continue;
                }
                if (std::find(s.watches.begin(), s.watches.end(), e->wd) == s.watches.end())
                    continue;
                if (e->mask & kNameEvents) {
                    const bool isDir = e->mask & IN_ISDIR;
                    if ((isDir && (s.filter & FILE_NOTIFY_CHANGE_DIR_NAME)) ||
                        (!isDir && (s.filter & FILE_NOTIFY_CHANGE_FILE_NAME)))
                        changed[size_t(i)] = 1;
                }
                if (e->mask & (kSelfEvents | IN_IGNORED | IN_UNMOUNT)) {
                    changed[size_t(i)] = 1;
                    if (e->wd == s.watches.front())
                        gone[size_t(i)] = 1;
                }
            }
        }
    }
    for (int i = 0; i < SlotCount; ++i) {
        if (changed[size_t(i)] && m_target)
            PostMessage(m_target, m_message, uintptr_t(i), 0);
        // A watched folder that went away has posted its last change; its slot is free again.
        if (gone[size_t(i)])
            closeSlot(i);
    }
}

void TChangeHandlerThread::execute()
{
    bool watching = true;
    for (;;) {
        pollfd fds[2] = {{m_wake, POLLIN, 0}, {watching ? m_inotify : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        // An instance that failed is left alone rather than polled round and round.
        if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL))
            watching = false;
        // Every change that came before a request is read before the request is answered.
        if (watching && ((fds[1].revents & POLLIN) || (fds[0].revents & POLLIN)))
            readChanges();
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            if (::read(m_wake, &count, sizeof count) < 0) {
                // Nothing to read: another wake-up already drained it.
            }
            for (;;) {
                std::shared_ptr<Request> r;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_queue.empty())
                        break;
                    r = m_queue.front();
                    m_queue.pop_front();
                }
                run(*r);
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    r->done = true;
                }
                m_replied.notify_all();
                if (r->command == CmdQuit)
                    return;
            }
        }
    }
}

// ---- device changes ----

namespace {

QByteArray DriveKey()
{
    QByteArray key;
    for (const TShellDrive& d : ShellDrives())
        key += d.MountPoint + '\0';
    return key;
}

} // namespace

TNSDeviceChangeHandler::TNSDeviceChangeHandler()
{
    m_drives = DriveKey();
    // The kernel marks the mount table as changed through an exceptional condition.
    m_mountFd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (m_mountFd >= 0) {
        m_notifier = new QSocketNotifier(m_mountFd, QSocketNotifier::Exception, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { MountTableChanged(); });
    }
}

TNSDeviceChangeHandler::~TNSDeviceChangeHandler()
{
    delete m_notifier;
    if (m_mountFd >= 0)
        ::close(m_mountFd);
}

TNSDeviceChangeHandler* NSDeviceChangeHandler()
{
    static QPointer<TNSDeviceChangeHandler> instance;
    if (!instance) {
        instance = new TNSDeviceChangeHandler;
        instance->setParent(QCoreApplication::instance());
    }
    return instance;
}

int TNSDeviceChangeHandler::Add(TNSDeviceChangeEvent listener)
{
    m_listeners.push_back({m_nextId, std::move(listener)});
    return m_nextId++;
}

void TNSDeviceChangeHandler::Remove(int id)
{
    for (auto it = m_listeners.begin(); it != m_listeners.end(); ++it)
        if (it->id == id) {
            m_listeners.erase(it);
            return;
        }
}

void TNSDeviceChangeHandler::BroadcastToList(uintptr_t wParam)
{
    // The listeners at the start are called; one that goes meanwhile is skipped.
    const std::vector<Listener> listeners = m_listeners;
    for (const Listener& l : listeners) {
        const bool present = std::any_of(m_listeners.begin(), m_listeners.end(),
                                         [&](const Listener& x) { return x.id == l.id; });
        if (present)
            Application->Guard([&] { l.call(this, AM_DEVICECHANGE, wParam); });
    }
}

void TNSDeviceChangeHandler::DeviceChange(uintptr_t wParam)
{
    PostMessage(this, AM_DEVICECHANGE, wParam, 0);
}

void TNSDeviceChangeHandler::MountTableChanged()
{
    const QByteArray now = DriveKey();
    if (now == m_drives)
        return;
    const QList<QByteArray> before = m_drives.split('\0'), after = now.split('\0');
    m_drives = now;
    bool arrived = false, removed = false;
    for (const QByteArray& d : after)
        arrived = arrived || !before.contains(d);
    for (const QByteArray& d : before)
        removed = removed || !after.contains(d);
    if (arrived)
        DeviceChange(DBT_DEVICEARRIVAL);
    if (removed)
        DeviceChange(DBT_DEVICEREMOVECOMPLETE);
}

bool TNSDeviceChangeHandler::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        if (m->Msg == AM_DEVICECHANGE)
            BroadcastToList(m->WParam);
        return true;
    }
    return QObject::event(e);
}
