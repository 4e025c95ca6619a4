#pragma once
// The socket library under the socket component: loading and start-up, the last error, name,
// port and protocol resolution, and the English texts of the error numbers. POSIX sockets stand
// in for the Windows library; system errors are reported under the Windows numbers.
#include "platform/message_box.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Failures of the socket component.
class ESocketException : public EKorvaneError {
public:
    explicit ESocketException(const QString& message) : EKorvaneError(message) {}
};

// Windows Sockets error numbers the component reports.
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSATRY_AGAIN = 11002;
constexpr int WSANO_RECOVERY = 11003;
constexpr int WSANO_DATA = 11004;

// The Windows number of a system error (errno) and of a resolver error (getaddrinfo).
int WinsockErrorOf(int errnoValue);
int WinsockResolverErrorOf(int gaiError);

// The calling thread's last socket error.
int ASocket_WSAGetLastError();
void ASocket_WSASetLastError(int error);

// Loads and starts the library on first use; an empty name only loads. Raises ESocketException
// when it cannot be loaded.
void ASocketGetProc(const char* name);
bool ASocketLoaded();
void ASocketUnloadWinsock();
// Tests: makes loading fail with error (0 restores normal loading).
void SetWinsockLoadFailure(int error);

bool ASocketIsDottedIP(const QString& text);
// IPv4 address in network order; blocking. Raises ESocketException.
uint32_t ASocketResolveHost(const QString& host);
// Port in host order: decimal text, or a service name from the service table.
int ASocketResolvePort(const QString& port, const QString& proto);
// Protocol number: decimal text, or a name from the protocol table.
int ASocketResolveProto(const QString& proto);
// Looks a host name up (blocking, any thread): 0 and its IPv4 addresses in network order, or
// the Windows error number. A dotted text is taken as it stands.
int ASocketLookupHost(const QString& host, std::vector<uint32_t>& addresses);
// Tests: a resolver of the test's own for names that are not dotted (nullptr: the system's).
using TASocketResolver = int (*)(const QString& host, std::vector<uint32_t>& addresses);
void SetASocketResolver(TASocketResolver resolver);
// Dotted text of an address in network order.
QString ASocketDotted(uint32_t address);

QString LocalHostName();
QStringList LocalIPList();

// English text of a Windows Sockets error number.
QString ASocketErrorDesc(int error);
