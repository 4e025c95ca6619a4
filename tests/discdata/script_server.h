#pragma once
// A TCP peer for the socket tests: listens on a loopback address of the test's own, takes one
// connection and plays a script (read a line or some bytes, send bytes whole or one at a time,
// close, reset, stay silent) on a thread of its own, keeping every byte it received.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace scriptserver {

// Runs the event loop until done() holds or ms pass; the final value of done().
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(500);
    }
    return true;
}

struct Step {
    enum Kind { ReadLine, ReadBytes, Send, Close, Reset, Silence } kind;
    QByteArray data;
    int count = 0; // ReadBytes: how many; Send: bytes per write (0: all at once)
};

inline Step ReadLine()
{
    return {Step::ReadLine, {}, 0};
}
inline Step ReadBytes(int n)
{
    return {Step::ReadBytes, {}, n};
}
inline Step Send(const QByteArray& data, int perWrite = 0)
{
    return {Step::Send, data, perWrite};
}
inline Step Close()
{
    return {Step::Close, {}, 0};
}
inline Step Reset()
{
    return {Step::Reset, {}, 0};
}
// Reads nothing and sends nothing until the client closes (or 10 s pass).
inline Step Silence()
{
    return {Step::Silence, {}, 0};
}

class TScriptServer {
public:
    // address "127.0.0.N"; port 0 takes a free one.
    explicit TScriptServer(std::vector<Step> script, const char* address = "127.0.0.1", int port = 0)
        : m_script(std::move(script))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(uint16_t(port));
        inet_pton(AF_INET, address, &a.sin_addr);
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 4) != 0) {
            ::close(m_listen);
            m_listen = -1;
            return;
        }
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~TScriptServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listen >= 0)
            ::close(m_listen);
    }
    TScriptServer(const TScriptServer&) = delete;
    TScriptServer& operator=(const TScriptServer&) = delete;

    bool Ok() const { return m_listen >= 0; }
    int Port() const { return m_port; }
    QByteArray Received() const
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_received;
    }
    bool Finished() const { return m_finished; }
    // True once the client's end of the connection was seen.
    bool PeerClosed() const { return m_peerClosed; }
    int Connections() const { return m_connections; }

private:
    bool WaitReadable(int fd, int ms)
    {
        pollfd p{fd, POLLIN, 0};
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!m_stop && std::chrono::steady_clock::now() < until)
            if (::poll(&p, 1, 20) > 0)
                return true;
        return false;
    }
    // One byte from the client; false at its end.
    bool ReadByte(int fd, char& c)
    {
        if (!WaitReadable(fd, 10000))
            return false;
        const ssize_t r = ::recv(fd, &c, 1, 0);
        if (r <= 0) {
            m_peerClosed = true;
            return false;
        }
        std::lock_guard<std::mutex> g(m_lock);
        m_received.append(c);
        return true;
    }
    void Run()
    {
        if (!WaitReadable(m_listen, 10000))
            return;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        ++m_connections;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        bool open = true;
        for (const Step& s : m_script) {
            if (m_stop || !open)
                break;
            char c;
            switch (s.kind) {
            case Step::ReadLine:
                while (ReadByte(fd, c) && c != '\n') {
                }
                break;
            case Step::ReadBytes:
                for (int i = 0; i < s.count && ReadByte(fd, c); ++i) {
                }
                break;
            case Step::Send:
                if (s.count <= 0) {
                    ::send(fd, s.data.constData(), size_t(s.data.size()), MSG_NOSIGNAL);
                } else {
                    for (qsizetype i = 0; i < s.data.size(); i += s.count) {
                        ::send(fd, s.data.constData() + i,
                               size_t(std::min<qsizetype>(s.count, s.data.size() - i)), MSG_NOSIGNAL);
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    }
                }
                break;
            case Step::Close:
                ::close(fd);
                open = false;
                break;
            case Step::Reset: {
                linger l{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
                ::close(fd);
                open = false;
                break;
            }
            case Step::Silence:
                while (ReadByte(fd, c)) {
                }
                break;
            }
        }
        if (open) {
            // Wait for the client to go before closing, so that nothing it sends is lost.
            char c;
            while (!m_stop && ReadByte(fd, c)) {
            }
            ::close(fd);
        }
        m_finished = true;
    }

    std::vector<Step> m_script;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_lock;
    QByteArray m_received;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_peerClosed{false};
    std::atomic<int> m_connections{0};
};

} // namespace scriptserver
