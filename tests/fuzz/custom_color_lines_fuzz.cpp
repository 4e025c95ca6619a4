// Custom colour lines of the colour dialog: any text reads without a crash, every colour comes
// out as a plain colour, and what was read writes back and reads to the same colours.
#include "fuzz_target.h"

#include "controls/other_host_dialogs.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(custom_color_lines)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList lines = text.split(QLatin1Char('\n'));
    const std::array<TColor, 16> colors = ReadCustomColorValues(lines);
    for (TColor c : colors)
        if (c > 0xFFFFFF)
            __builtin_trap();
    WriteCustomColorValues(lines, colors);
    if (ReadCustomColorValues(lines) != colors)
        __builtin_trap();
    return 0;
}
