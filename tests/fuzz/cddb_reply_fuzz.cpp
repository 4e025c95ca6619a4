// CDDB replies: any lines, in either mode and either encoding, move the parser through its states
// without a crash and keep its lists within their limits.
#include "fuzz_target.h"

#include "discdata/cddb_socket.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(cddb_reply)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    TCDDBReplyParser p;
    p.Mode = data[0] & 1;
    p.CDDBState = 1 + data[0] % 9;
    p.Utf8 = data[0] & 0x80;
    for (const QByteArray& line : bytes.split('\n')) {
        const TCDDBStep step = p.Take(p.Decode(line));
        if (step.Action == cddbChooseMatch) {
            if (p.Matches.isEmpty())
                __builtin_trap();
            p.TakeMatch(p.Matches.value(int(line.size()) % int(p.Matches.size())));
            p.CDDBState = 8;
        } else if (step.Action == cddbFinish) {
            p.CDDBState = 1;
        }
        if (p.Matches.size() > TCDDBReplyParser::MaxListEntries ||
            p.ServerList.size() > TCDDBReplyParser::MaxListEntries ||
            p.TrackNames.size() > TCDDBReplyParser::MaxTracks)
            __builtin_trap();
        for (const QString& t : p.TrackNames)
            if (t.size() > TCDDBReplyParser::MaxEntryLength)
                __builtin_trap();
    }
    return 0;
}
