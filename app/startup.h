#pragma once
// Program entry: working folder, interface language, single instance, splash, main window.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QQueue>
#include <cstdint>
#include <functional>

class QLocalSocket;
class QSocketNotifier;
class QTimer;

// The command-line arguments after the program name, each made absolute against startDir
// (the folder the program was started from). Must run before the program changes folder.
QStringList AbsoluteArguments(const QStringList& arguments, const QString& startDir);

// True when the argument names an existing file with the extension ".kvo" (any case).
bool IsDocumentArgument(const QString& argument);

// One hand-over message: what a WM_COPYDATA carries from a second instance.
struct HandOverMessage {
    uint32_t dwData = 0;
    QByteArray Data;   // the path, UTF-8, no terminator
};

namespace handover {
constexpr uint32_t DocumentTag = 1;       // dwData of a document path
constexpr uint32_t MaxPathBytes = 4096;   // PATH_MAX: longer paths are never sent
constexpr int HeaderBytes = 8;            // dwData, then the length, both u32 little-endian
constexpr char Ack = 1;                   // one byte back per handled message

QByteArray Encode(uint32_t dwData, const QByteArray& data);
// Empty when the path cannot be sent (too long, holds a NUL).
QByteArray EncodeDocument(const QString& path);

enum class Step { NeedMore, Message, Bad };
// Takes one message off the front of buffer. Bad: wrong tag, empty or oversized length,
// a NUL or invalid UTF-8 in the path; the rest of the stream is then not to be trusted.
Step Decode(QByteArray& buffer, HandOverMessage& message);
} // namespace handover

// The single-instance channel: the first instance listens on a fixed per-user local socket;
// a later one connects, hands over its documents and ends.
class TInstanceChannel : public QObject {
    Q_OBJECT
public:
    // Connections held at once; later ones wait in the socket's backlog.
    static constexpr int MaxConnections = 8;
    // Hand-overs waiting to be opened; beyond this a burst is dropped.
    static constexpr int MaxQueued = 1024;

    explicit TInstanceChannel(const QString& serverPath = DefaultServerPath(), QObject* parent = nullptr);
    ~TInstanceChannel() override;

    // Socket in the user's private temporary folder.
    static QString DefaultServerPath();

    // True when no other instance runs (this one now listens). Otherwise the documents among
    // arguments are handed to the running one and the result is false.
    bool IsFirstInstance(const QStringList& arguments);
    // Each hand-over is answered as soon as it has been read, and queued; the receiver gets the
    // queue one message at a time from the event loop, never inside a socket's handler, so a
    // message box it shows outlives any connection. Messages wait until a receiver is set.
    void SetReceiver(std::function<void(const HandOverMessage&)> receiver);
    bool Listening() const { return m_listenFd >= 0; }
    QString ServerPath() const { return m_path; }
    int ConnectionCount() const { return m_connections; }
    int QueuedCount() const { return int(m_queue.size()); }

private:
    bool Listen();
    void AcceptPending();
    void ReadFrom(QLocalSocket* socket);
    void ConnectionClosed();
    void ScheduleDelivery();
    void DeliverNext();

    QString m_path;
    int m_listenFd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_retry = nullptr;   // after a failed accept (out of descriptors)
    int m_connections = 0;
    QQueue<HandOverMessage> m_queue;
    bool m_delivering = false;
    bool m_deliveryScheduled = false;
    std::function<void(const HandOverMessage&)> m_receiver;
};

// Sends every argument that names an existing ".kvo" file over the connected socket, in order,
// each answered before the next goes. Returns the number the running instance took.
int ForwardDocumentsToRunningInstance(QLocalSocket& target, const QStringList& arguments);

// The whole start-up; returns the process exit code (0 normal run, 1 another instance ran,
// 2 no paper catalogue).
int WinMain(int argc, char** argv);
