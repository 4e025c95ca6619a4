// Locale names come from the environment: any bytes must give an identifier without fault.
#include "fuzz_target.h"

#include "platform/language_library.h"

#include <QString>
#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(locale)
{
    const QString locale = QString::fromLocal8Bit(reinterpret_cast<const char*>(data), qsizetype(size));
    const unsigned id = LangIDForLocale(locale, DefaultLocaleLanguages());
    if (id == 0 || id > 0xFFFF)
        __builtin_trap();
    return 0;
}
