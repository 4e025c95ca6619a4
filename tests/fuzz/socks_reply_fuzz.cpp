// SOCKS replies: any bytes give a need-more, a reply length within the bytes, or an error.
#include "fuzz_target.h"

#include "discdata/asocket/socks_asocket.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(socks_reply)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    using namespace socksreply;
    for (auto parse : {MethodReply, AuthReply, Socks5ConnectReply, Socks4ConnectReply}) {
        // Fed whole and as it grows, as a reply arriving in pieces is.
        for (qsizetype n = 0; n <= bytes.size(); n += 1 + n / 4) {
            const TReply r = parse(bytes.left(n));
            if (r.Step == Done && (r.Consumed <= 0 || r.Consumed > n))
                __builtin_trap();
            if (r.Step == Failed && (r.ErrorCode < 20001 || r.ErrorText.isEmpty()))
                __builtin_trap();
        }
    }
    return 0;
}
