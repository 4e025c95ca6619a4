#pragma once
// A CDDB server for the tests: greets, answers HELLO, proto, SITES, discid (computing the disc
// ID from the offsets as real servers do), cddb query, cddb read and quit from what the test
// gives it, and keeps every line the client sent. "<close>" in a reply ends the connection
// there. Replies are bytes: a record is in whatever encoding the test wrote it.
#include <QByteArray>
#include <QList>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace cddbserver {

// Loopback address n of this test process: 127.x.y.n with x.y from the process id, so that runs
// of the same tests at the same time (several build folders on one machine) never share one.
inline const char* Loopback(int n)
{
    static std::string addresses[256];
    std::string& a = addresses[n & 0xFF];
    if (a.empty()) {
        const unsigned pid = unsigned(::getpid());
        a = "127." + std::to_string(1 + (pid >> 8) % 254) + "." + std::to_string(pid & 0xFF) + "." +
            std::to_string(n & 0xFF);
    }
    return a.c_str();
}

// The standard disc ID of "discid n o1 ... on seconds".
inline QByteArray DiscIdOf(const QByteArray& discidLine)
{
    const QList<QByteArray> w = discidLine.trimmed().split(' ');
    if (w.size() < 3)
        return "00000000";
    const int n = w[1].toInt();
    if (n <= 0 || w.size() != n + 3)
        return "00000000";
    int sum = 0;
    for (int i = 0; i < n; ++i)
        for (int s = w[2 + i].toInt() / 75; s > 0; s /= 10)
            sum += s % 10;
    const int seconds = w[2 + n].toInt() - w[2].toInt() / 75;
    return QByteArray::number(uint32_t((sum % 0xFF) << 24 | seconds << 8 | n), 16).rightJustified(8, '0');
}

struct Script {
    QByteArray greeting = "201 test CDDBP server ready\r\n";
    QByteArray hello = "200 Hello and welcome unknow@unknow running Dovrin 2\r\n";
    QByteArray proto = "201 OK, CDDB protocol level now: 6\r\n";
    QByteArray sites = "210 OK, site information follows (until terminating `.')\r\n"
                       "cddb1.example cddbp 8880 N000.00 W000.00 First\r\n"
                       "cddb2.example cddbp 8880 N000.00 W000.00 Second\r\n.\r\n";
    QByteArray discid; // empty: "200 Disc ID is " and the computed ID
    QByteArray query = "211 Found inexact matches, list follows (until terminating `.')\r\n"
                       "rock 0d01a402 First Artist / First Album\r\n"
                       "misc 0d01a402 Second Artist / Second Album\r\n.\r\n";
    QByteArray read = "210 misc 0d01a402 CD database entry follows (until terminating `.')\r\n"
                      "# xmcd\r\n#\r\nDISCID=0d01a402\r\nDTITLE=Second Artist / Second Album\r\n"
                      "TTITLE0=Opening\r\nTTITLE1=Closing\r\n.\r\n";
    bool silent = false; // says nothing at all
    int perWrite = 0;    // bytes per write, 0: each reply in one write
    int trickleMs = 0;   // > 0: the greeting comes a byte at a time this far apart, never ending
};

class TCddbServer {
public:
    TCddbServer(Script script, const char* address) : m_script(std::move(script))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(8880);
        inet_pton(AF_INET, address, &a.sin_addr);
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 4) != 0) {
            ::close(m_listen);
            m_listen = -1;
            return;
        }
        m_thread = std::thread([this] { Run(); });
    }
    ~TCddbServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listen >= 0)
            ::close(m_listen);
    }
    TCddbServer(const TCddbServer&) = delete;
    TCddbServer& operator=(const TCddbServer&) = delete;

    bool Ok() const { return m_listen >= 0; }
    QByteArray Received() const
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_received;
    }
    bool Done() const { return m_done; }

private:
    bool Readable(int fd, int ms)
    {
        pollfd p{fd, POLLIN, 0};
        for (int waited = 0; waited < ms && !m_stop; waited += 20)
            if (::poll(&p, 1, 20) > 0)
                return true;
        return false;
    }
    // false when the connection is to end.
    bool Reply(int fd, const QByteArray& text)
    {
        const qsizetype cut = text.indexOf("<close>");
        const QByteArray out = cut < 0 ? text : text.left(cut);
        const int step = m_script.perWrite > 0 ? m_script.perWrite : int(std::max<qsizetype>(out.size(), 1));
        for (qsizetype i = 0; i < out.size(); i += step) {
            ::send(fd, out.constData() + i, size_t(std::min<qsizetype>(step, out.size() - i)), MSG_NOSIGNAL);
            if (m_script.perWrite > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return cut < 0;
    }
    // Sends the greeting's bytes, without its line end, until the client goes.
    void Trickle(int fd)
    {
        for (int i = 0; !m_stop; ++i) {
            const char c = m_script.greeting.at(i % (m_script.greeting.size() - 2));
            if (::send(fd, &c, 1, MSG_NOSIGNAL) != 1)
                return;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, m_script.trickleMs) > 0) {
                char b;
                if (::recv(fd, &b, 1, MSG_DONTWAIT) <= 0)
                    return;
            }
        }
    }
    void Run()
    {
        if (!Readable(m_listen, 10000))
            return;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (m_script.trickleMs > 0) {
            Trickle(fd);
            ::close(fd);
            m_done = true;
            return;
        }
        bool open = m_script.silent || Reply(fd, m_script.greeting);
        QByteArray line;
        while (open && !m_stop && Readable(fd, 10000)) {
            char c;
            if (::recv(fd, &c, 1, 0) <= 0)
                break;
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_received.append(c);
            }
            if (m_script.silent)
                continue;
            line.append(c);
            if (c != '\n')
                continue;
            const QByteArray lower = line.toLower();
            QByteArray answer = "500 Unrecognized command.\r\n";
            if (lower.startsWith("cddb hello"))
                answer = m_script.hello;
            else if (lower.startsWith("proto"))
                answer = m_script.proto;
            else if (lower.startsWith("quit"))
                answer = "230 Goodbye.\r\n<close>";
            else if (lower.startsWith("sites"))
                answer = m_script.sites;
            else if (lower.startsWith("discid"))
                answer =
                    m_script.discid.isEmpty() ? "200 Disc ID is " + DiscIdOf(line) + "\r\n" : m_script.discid;
            else if (lower.startsWith("cddb query"))
                answer = m_script.query;
            else if (lower.startsWith("cddb read"))
                answer = m_script.read;
            line.clear();
            open = Reply(fd, answer);
        }
        ::close(fd);
        m_done = true;
    }

    Script m_script;
    int m_listen = -1;
    std::thread m_thread;
    mutable std::mutex m_lock;
    QByteArray m_received;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
};

} // namespace cddbserver
