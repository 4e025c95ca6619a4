// Registry hive reader: any bytes parse without crash, and what was read writes back stably.
#include "fuzz_target.h"

#include "platform/registry.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(registry)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const RegHive hive = RegHive::parse(bytes);
    const QString root = QStringLiteral("HKEY_CURRENT_USER");
    const QByteArray once = hive.serialize(root);
    const RegHive again = RegHive::parse(once);
    const QByteArray twice = again.serialize(root);
    // Lone surrogates of a UTF-16 file are replaced on the first write, so such input settles one round later.
    const bool lossy = bytes.startsWith("\xFF\xFE");
    if (!lossy && once != twice) __builtin_trap();
    if (lossy && RegHive::parse(twice).serialize(root) != twice) __builtin_trap();
    if (again.keys.size() != hive.keys.size()) __builtin_trap();
    for (const RegKey& k : hive.keys) {
        if (!again.findKey(k.path)) __builtin_trap();
        (void)hive.subKeys(k.path);
    }
    return 0;
}
