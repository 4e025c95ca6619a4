// Ini reader: any bytes parse without crash or runaway work, and what was read writes back stably.
#include "fuzz_target.h"

#include "platform/codepage.h"
#include "platform/ini_file.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(ini_file)
{
    static const bool pinned = (SetAnsiCodePage(size % 2 ? 932 : 1252), true);
    (void)pinned;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto sections = ParseIni(bytes);
    const QByteArray once = SerializeIni(sections);
    const QByteArray twice = SerializeIni(ParseIni(once));
    // Text the page cannot hold (UTF-16/UTF-8 files, broken multibyte sequences) is replaced on the
    // first write; from then on a write reads back to itself.
    if (SerializeIni(ParseIni(twice)) != twice) __builtin_trap();
    for (const IniSection& s : sections)
        for (const IniEntry& e : s.entries) {
            int v;
            (void)ParseWinInteger(e.value, v);
        }
    return 0;
}
