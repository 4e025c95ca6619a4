// A language library for the tests: a few strings, one held empty, one longer than any
// buffer, and most numbers missing, so the fallback to the built-in texts can be seen.
#include "lang/string_table.h"

#include <string>

namespace {

const std::string& LongText()
{
    // 2046 ASCII bytes, then a two-byte character across the 2048-byte buffer's limit.
    static const std::string text = std::string(2046, 'x') + "\xC3\xA4" + std::string(100, 'y');
    return text;
}

constexpr langtable::Entry kPartial[] = {
    {10, "Korvane Test"},
    {26, ""},
    {30, "&Jawohl"},
    {33, "\xC3\x96&ffnen"},
    // A translation whose specifiers do not match the English ones.
    {1519, "NT %s%s%s%s%s%s%d%d%d%n%x %d.%d"},
};
static_assert(langtable::IsStrictlySorted(kPartial), "string table must be sorted by id");

} // namespace

extern "C" __attribute__((visibility("default"))) const char* KorvaneLangString(unsigned id)
{
    if (id == 9000)
        return LongText().c_str();
    return langtable::Find(std::begin(kPartial), std::end(kPartial), id);
}
