#pragma once
// A numbered string table: entries sorted by id, texts UTF-8. Shared by the built-in English
// table and the language libraries, so both are looked up the same way. No Qt here: the
// language libraries are plain modules.
#include <algorithm>
#include <cstddef>
#include <iterator>

namespace langtable {

struct Entry {
    unsigned id;
    const char* text;
};

template <size_t N>
constexpr bool IsStrictlySorted(const Entry (&table)[N])
{
    for (size_t i = 1; i < N; ++i)
        if (table[i - 1].id >= table[i].id)
            return false;
    return true;
}

// The text of id, or nullptr when the table lacks it.
inline const char* Find(const Entry* begin, const Entry* end, unsigned id)
{
    const Entry* it = std::lower_bound(begin, end, id,
                                       [](const Entry& e, unsigned v) { return e.id < v; });
    return (it != end && it->id == id) ? it->text : nullptr;
}

} // namespace langtable

// Every language library exports one lookup function, found by LoadStringA:
//   extern "C" const char* KorvaneLangString(unsigned id);
// It returns the UTF-8 text of string id, or nullptr when the library lacks it.
