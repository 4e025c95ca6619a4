#include "discdata/asocket/winsock.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

thread_local int t_lastError = 0;
std::mutex g_loadMutex;
bool g_loaded = false;
int g_loadFailure = 0;
std::atomic<TASocketResolver> g_resolver{nullptr};

constexpr int kMaxHostLength = 256;

} // namespace

int WinsockErrorOf(int e)
{
    switch (e) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return 10052;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return 10045;
    }
}

int WinsockResolverErrorOf(int g)
{
    switch (g) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_FAIL: return WSANO_RECOVERY;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
    case EAI_ADDRFAMILY: return WSANO_DATA;
    case EAI_MEMORY: return 10055;
    case EAI_SYSTEM: return WinsockErrorOf(errno);
    default: return WSANO_RECOVERY;
    }
}

int ASocket_WSAGetLastError()
{
    return t_lastError;
}

void ASocket_WSASetLastError(int error)
{
    t_lastError = error;
}

void ASocketGetProc(const char* name)
{
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (g_loaded)
        return;
    if (g_loadFailure)
        throw ESocketException(QStringLiteral("Unable to load wsock32.dll Error #%1").arg(g_loadFailure));
    g_loaded = true;
}

bool ASocketLoaded()
{
    std::lock_guard<std::mutex> lock(g_loadMutex);
    return g_loaded;
}

void ASocketUnloadWinsock()
{
    std::lock_guard<std::mutex> lock(g_loadMutex);
    g_loaded = false;
}

void SetWinsockLoadFailure(int error)
{
    std::lock_guard<std::mutex> lock(g_loadMutex);
    g_loadFailure = error;
}

bool ASocketIsDottedIP(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    int parts = 0;
    while (true) {
        int value = 0, digits = 0;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            value = value * 10 + (text[i].unicode() - '0');
            if (value > 255)
                return false;
            ++digits;
            ++i;
        }
        if (digits == 0)
            return false;
        ++parts;
        if (i < n && text[i] == u'.') {
            if (parts == 4)
                return false;
            ++i;
            continue;
        }
        break;
    }
    while (i < n && text[i] == u' ')
        ++i;
    return i == n && parts == 4;
}

QString ASocketDotted(uint32_t address)
{
    in_addr a;
    a.s_addr = address;
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return QString::fromLatin1(buf);
}

int ASocketLookupHost(const QString& host, std::vector<uint32_t>& addresses)
{
    addresses.clear();
    const QString t = host.trimmed();
    if (ASocketIsDottedIP(t)) {
        in_addr a;
        if (inet_pton(AF_INET, t.toLatin1().constData(), &a) != 1)
            return WSAEINVAL;
        addresses.push_back(a.s_addr);
        return 0;
    }
    if (const TASocketResolver resolver = g_resolver.load())
        return resolver(t, addresses);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    const int rc = getaddrinfo(t.toUtf8().constData(), nullptr, &hints, &res);
    if (rc != 0)
        return WinsockResolverErrorOf(rc);
    for (addrinfo* p = res; p; p = p->ai_next)
        if (p->ai_family == AF_INET)
            addresses.push_back(reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(res);
    return addresses.empty() ? WSANO_DATA : 0;
}

void SetASocketResolver(TASocketResolver resolver)
{
    g_resolver = resolver;
}

uint32_t ASocketResolveHost(const QString& host)
{
    ASocketGetProc("");
    if (host.isEmpty() || host.size() > kMaxHostLength)
        throw ESocketException(QStringLiteral("ASocketResolveHost: '%1' Invalid Hostname.").arg(host));
    if (ASocketIsDottedIP(host)) {
        const QString t = host.trimmed();
        if (t == QLatin1String("255.255.255.255"))
            return INADDR_BROADCAST;
        in_addr a;
        if (inet_pton(AF_INET, t.toLatin1().constData(), &a) != 1)
            throw ESocketException(QStringLiteral("ASocketResolveHost: '%1' Invalid IP address.").arg(host));
        return a.s_addr;
    }
    std::vector<uint32_t> addresses;
    const int err = ASocketLookupHost(host, addresses);
    if (err) {
        ASocket_WSASetLastError(err);
        throw ESocketException(
            QStringLiteral("ASocketResolveHost: Cannot convert host address '%1', Error #%2")
                .arg(host)
                .arg(err));
    }
    return addresses.front();
}

int ASocketResolvePort(const QString& port, const QString& proto)
{
    ASocketGetProc("");
    if (port.isEmpty() || port.size() >= 32)
        throw ESocketException(QStringLiteral("ASocketResolvePort: Invalid Port."));
    int i = 0;
    while (i < port.size() && port[i] == u' ')
        ++i;
    if (port[0].isDigit() && port[0].unicode() < 128) {
        long value = 0;
        for (; i < port.size() && port[i].unicode() >= '0' && port[i].unicode() <= '9'; ++i) {
            value = value * 10 + (port[i].unicode() - '0');
            // A port is 16 bits: a larger number would wrap to another port.
            if (value > 65535)
                throw ESocketException(QStringLiteral("ASocketResolvePort: Invalid Port."));
        }
        return int(value);
    }
    const QByteArray name = port.toLatin1();
    const QByteArray protoName = proto.toLatin1();
    servent result{};
    servent* found = nullptr;
    char buf[1024];
    getservbyname_r(name.constData(), proto.isEmpty() ? nullptr : protoName.constData(), &result, buf,
                    sizeof buf, &found);
    if (!found) {
        ASocket_WSASetLastError(WSANO_DATA);
        throw ESocketException(QStringLiteral("ASocketResolvePort: Cannot convert port '%1', Error #%2")
                                   .arg(port)
                                   .arg(WSANO_DATA));
    }
    return ntohs(uint16_t(found->s_port));
}

int ASocketResolveProto(const QString& proto)
{
    ASocketGetProc("");
    if (proto.isEmpty() || proto.size() >= 32)
        throw ESocketException(QStringLiteral("ASocketResolveProto: Invalid Protocol."));
    if (proto[0].isDigit() && proto[0].unicode() < 128) {
        long value = 0;
        for (int i = 0; i < proto.size() && proto[i].unicode() >= '0' && proto[i].unicode() <= '9'; ++i)
            value = std::min(value * 10 + (proto[i].unicode() - '0'), 1000000L);
        return int(value);
    }
    const QByteArray name = proto.toLatin1();
    protoent result{};
    protoent* found = nullptr;
    char buf[1024];
    getprotobyname_r(name.constData(), &result, buf, sizeof buf, &found);
    if (!found) {
        ASocket_WSASetLastError(WSANO_DATA);
        throw ESocketException(QStringLiteral("ASocketResolveProto: Cannot convert protocol '%1', Error #%2")
                                   .arg(proto)
                                   .arg(WSANO_DATA));
    }
    return found->p_proto;
}

QString LocalHostName()
{
    ASocketGetProc("");
    char buf[64] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        throw ESocketException(QStringLiteral("Winsock.GetHostName failed"));
    return QString::fromLatin1(buf);
}

QStringList LocalIPList()
{
    QStringList list;
    std::vector<uint32_t> addresses;
    if (ASocketLookupHost(LocalHostName(), addresses) == 0)
        for (uint32_t a : addresses)
            list << ASocketDotted(a);
    return list;
}

QString ASocketErrorDesc(int error)
{
    struct Entry {
        int code;
        const char* text;
    };
    static const Entry kTexts[] = {
        {0, "No Error"},
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Protocol not available"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Address not available"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection on reset"},
        {10053, "Connection aborted"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references: can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network sub-system is unusable"},
        {10092, "WinSock DLL cannot support this application"},
        {10093, "WinSock not initialized"},
        {11001, "Host not found"},
        {11002, "Non-authoritative host not found"},
        {11003, "Non-recoverable error"},
        {11004, "No Data"},
    };
    for (const Entry& e : kTexts)
        if (e.code == error)
            return QString::fromLatin1(e.text);
    return QStringLiteral("Not a WinSock error");
}
