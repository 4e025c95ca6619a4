// The single-instance hand-over decoder over arbitrary bytes from a peer.
#include "fuzz_target.h"

#include "app/startup.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(handover)
{
    QByteArray buffer(reinterpret_cast<const char*>(data), int(size));
    for (;;) {
        HandOverMessage message;
        const handover::Step step = handover::Decode(buffer, message);
        if (step != handover::Step::Message)
            break;
        if (message.Data.isEmpty() || uint32_t(message.Data.size()) > handover::MaxPathBytes)
            __builtin_trap();
    }
    return 0;
}
