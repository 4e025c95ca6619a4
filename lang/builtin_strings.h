#pragma once
// The built-in English string table, compiled into the program. Language libraries hold the
// same numbers; whatever they lack comes from here.
#include "lang/string_ids.h"

#include <QString>
#include <vector>

// The built-in text of id; "" when the table has no such string.
QString BuiltinString(unsigned id);
// Every id of the built-in table, ascending.
std::vector<unsigned> BuiltinStringIds();
